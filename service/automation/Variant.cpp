#include "service/automation/Variant.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "service/base/Numeric.h"

namespace tarnel {

namespace {

std::string NumberText(double dVal) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", dVal);
    return buffer;
}

}  // namespace

HRESULT Variant::ToDouble(double& dVal) const {
    struct Visitor {
        std::optional<double> operator()(std::monostate) const { return 0.0; }
        std::optional<double> operator()(bool b) const { return b ? -1.0 : 0.0; }
        std::optional<double> operator()(std::int32_t n) const { return n; }
        std::optional<double> operator()(float r) const { return r; }
        std::optional<double> operator()(double d) const { return d; }
        std::optional<double> operator()(const std::string& s) const { return ParseNumber(s); }
    };
    const auto converted = std::visit(Visitor{}, m_Value);
    if (!converted) return DISP_E_TYPEMISMATCH;
    dVal = *converted;
    return S_OK;
}

HRESULT Variant::ToSingle(float& rVal) const {
    double converted = 0.0;
    if (const HRESULT hr = ToDouble(converted); FAILED(hr)) return hr;
    if (std::isfinite(converted) && std::fabs(converted) > std::numeric_limits<float>::max()) {
        return DISP_E_OVERFLOW;
    }
    rVal = static_cast<float>(converted);
    return S_OK;
}

std::string Variant::ToText() const {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(std::int32_t n) const { return std::to_string(n); }
        std::string operator()(float r) const { return NumberText(r); }
        std::string operator()(double d) const { return NumberText(d); }
        std::string operator()(const std::string& s) const { return s; }
    };
    return std::visit(Visitor{}, m_Value);
}

}  // namespace tarnel
