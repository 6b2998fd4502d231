#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "service/automation/OPCErrors.h"

namespace tarnel {

// The value of an OPC item as the automation layer hands it over: empty until
// the server delivered one, else whatever type the server chose.
class Variant {
public:
    using Storage = std::variant<std::monostate, bool, std::int32_t, float, double, std::string>;

    Variant() = default;
    Variant(bool bVal) : m_Value(bVal) {}
    Variant(std::int32_t nVal) : m_Value(nVal) {}
    Variant(float rVal) : m_Value(rVal) {}
    Variant(double dVal) : m_Value(dVal) {}
    Variant(std::string strVal) : m_Value(std::move(strVal)) {}
    Variant(const char* strVal) : m_Value(std::string(strVal)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(m_Value); }
    bool IsText() const { return std::holds_alternative<std::string>(m_Value); }

    // Conversions with the automation rules: empty is 0, true is -1, text is
    // parsed as a number. A value that does not fit or does not parse gives
    // DISP_E_OVERFLOW or DISP_E_TYPEMISMATCH and leaves the output unchanged.
    HRESULT ToDouble(double& dVal) const;
    HRESULT ToSingle(float& rVal) const;

    // Text for logs and files: numbers with 9 significant digits.
    std::string ToText() const;

    bool operator==(const Variant& other) const = default;

private:
    Storage m_Value;
};

}  // namespace tarnel
