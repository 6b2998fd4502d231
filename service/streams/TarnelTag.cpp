#include "service/streams/TarnelTag.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "com/ComPtr.h"
#include "eos/NewtonLimits.h"
#include "eos/UnitFactors.h"
#include "service/base/TextCase.h"

namespace tarnel {

namespace {

enum PressureCode { kBar = 0, kKPa = 1, kPsi = 2 };
enum TemperatureCode { kKelvin = 0, kCelsius = 1, kFahrenheit = 2 };

constexpr double kAtmosphereBar = 1.01325;  // gauge offset
constexpr float kChangeThreshold = 0.00001f;
constexpr short kNewtonSteps = kMaxNewtonSteps;

std::string RemoveAll(std::string s, const std::string& what) {
    if (what.empty()) return s;
    for (auto pos = s.find(what); pos != std::string::npos; pos = s.find(what, pos)) {
        s.erase(pos, what.size());
    }
    return s;
}

double ToBar(double p, std::int32_t unit) {
    switch (unit) {
        case kKPa:
            return p * 0.01;
        case kPsi:
            return p / kPsiPerBar;
        default:
            return p;
    }
}

// A conversion that leaves the range of a double is an arithmetic fault.
double Checked(double v) { return std::isfinite(v) ? v : -1.0; }

// Narrowing a double that a float cannot hold is an arithmetic fault.
float ToFloat(double v) {
    if (std::isfinite(v) && std::fabs(v) > FLT_MAX) throw std::overflow_error("float overflow");
    return static_cast<float>(v);
}

void Check(HRESULT hr) {
    if (FAILED(hr)) throw std::runtime_error("Gas call failed");
}

std::string Shortest(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

}  // namespace

TarnelTag::TarnelTag(const StreamServices& services) : m_Services(services) {}

void TarnelTag::AcentricFactor(double v) {
    if (v >= 0 && v < 1) m_AcentricFactor = v;
}

void TarnelTag::Pcrit(double v) {
    if (v >= 0) m_Pcrit = v;
    ConvertPcrit();
}

void TarnelTag::Tcrit(double v) {
    m_Tcrit = v;
    ConvertTcrit();
}

void TarnelTag::ConvertPcrit() {
    if (m_Pcrit >= 0) m_PcritBar = Checked(ToBar(m_Pcrit, m_PressureUnit));
}

void TarnelTag::ConvertTcrit() {
    if (!(m_Tcrit >= 0)) return;
    m_TcritK = m_TemperatureUnit == kFahrenheit
                   ? Checked((m_Tcrit - kRankineOffset) * kKelvinPerRankine + kCelsiusOffset)
                   : m_Tcrit;
}

void TarnelTag::EuPressure(const std::string& u) {
    static const char* const kBase[] = {"bar", "kPa", "psi"};
    const std::string s = LowerCase(u);
    const std::string s3 = s.substr(0, 3);
    m_PressureUnit = s3 == "kpa" ? kKPa : (s3 == "psi" ? kPsi : kBar);
    m_EuPcrit = kBase[m_PressureUnit];
    m_EuPcrit.append(" (a)");
    const std::string rest = RemoveAll(s, s3);
    m_PressureAbsolute = !rest.empty() && rest.back() == 'a';
    m_EuPressure = kBase[m_PressureUnit];
    m_EuPressure.append(m_PressureAbsolute ? " (a)" : " (g)");
    ConvertPcrit();
}

void TarnelTag::EuTemperature(const std::string& u) {
    const std::string s = LowerCase(u);
    m_TemperatureUnit = kCelsius;
    if (!s.empty() && s[0] == 'k') {
        m_TemperatureUnit = kKelvin;
    } else if (s.rfind("deg", 0) == 0) {
        const std::string rest = RemoveAll(s, "deg");
        if (!rest.empty() && rest.back() == 'f') m_TemperatureUnit = kFahrenheit;
    }
    static const std::string kDisplay[] = {"K", "deg C", "deg F"};
    static const std::string kCriticalDisplay[] = {"K", "K", "R"};
    m_EuTemperature = kDisplay[m_TemperatureUnit];
    m_EuTcrit = kCriticalDisplay[m_TemperatureUnit];
    ConvertTcrit();
}

void TarnelTag::UpdateFromClient(std::int32_t nIndex, float rVal, std::int32_t nQuality) {
    if (nIndex == m_IndexP) {
        m_P = rVal;
        m_QualityP = nQuality;
    } else if (nIndex == m_IndexT) {
        m_T = rVal;
        m_QualityT = nQuality;
    } else if (nIndex == m_IndexPc) {
        m_Pcrit = rVal;
        m_ValuePc = rVal;
        m_QualityPc = nQuality;
        ConvertPcrit();
    } else if (nIndex == m_IndexTc) {
        m_Tcrit = rVal;
        m_ValueTc = rVal;
        m_QualityTc = nQuality;
        ConvertTcrit();
    } else if (nIndex == m_IndexAcentric) {
        m_AcentricFactor = rVal;
        m_ValueAcentric = rVal;
        m_QualityAcentric = nQuality;
    }
}

double TarnelTag::PressureBarA() const {
    const double p = ToBar(m_P, m_PressureUnit);
    return m_PressureAbsolute ? p : p + kAtmosphereBar;
}

double TarnelTag::TemperatureK() const {
    switch (m_TemperatureUnit) {
        case kCelsius:
            return m_T + kCelsiusOffset;
        case kFahrenheit:
            return static_cast<float>(m_T - 32.0f) * kKelvinPerRankine + kCelsiusOffset;
        default:
            return m_T;
    }
}

bool TarnelTag::IsBad(float v) const {
    // Without the shared helper there is nothing to test against: the caller
    // gets the failure, as it would get a failing call.
    if (m_Services.badValueHelper == nullptr) throw std::runtime_error("no BadValueHelper");
    return m_Services.badValueHelper->IsBadValue(v) != 0;
}

bool TarnelTag::QualityPasses() const {
    return (m_QualityP & m_QualityT & m_QualityPc & m_QualityTc & m_QualityAcentric & 0xC0) != 0;
}

std::int32_t TarnelTag::Invalidate(std::int32_t status) {
    m_Z = -1.0f;
    m_VapourVol = -1.0f;
    m_LiquidVol = -1.0f;
    return status;
}

void TarnelTag::Write(const std::string& strTag, float rVal) const {
    if (m_Services.writeTarnel) m_Services.writeTarnel(strTag, rVal);
}

// The ten calls on the shared component, in the order the component expects,
// then the convergence check. Stores the volumes and returns the component's
// Z; a failing call throws.
double TarnelTag::RunGas(bool& bSettled) {
    if (m_Services.gas == nullptr) throw std::runtime_error("no Gas object");
    // A reference of its own for the duration of the call, released on every path.
    m_Services.gas->AddRef();
    const ComPtr<IGas> gas = ComPtr<IGas>::Attach(m_Services.gas);
    double z = 0, vapour = 0, liquid = 0;
    const HRESULT calls[] = {gas->put_AcentricFactor(m_AcentricFactor),
                             gas->put_MaxIterations(kNewtonSteps),
                             gas->put_MinAccuracy(kNewtonTolerance),
                             gas->put_P_barA(PressureBarA()),
                             gas->put_T_K(TemperatureK()),
                             gas->put_Pcrit_barA(m_PcritBar),
                             gas->put_Tcrit_K(m_TcritK),
                             gas->get_Z(&z),
                             gas->get_VapourVolume(&vapour),
                             gas->get_LiquidVolume(&liquid)};
    for (HRESULT hr : calls) Check(hr);
    m_VapourVol = ToFloat(vapour);
    m_LiquidVol = ToFloat(liquid);
    bSettled = Settled(*gas.Get(), z);
    return z;
}

// The component gives no error when it runs out of Newton steps; its only sign
// is a step count at the cap. Such a Z counts only when the evaluation one step
// shorter agrees with it.
bool TarnelTag::Settled(IGas& gas, double zGas) const {
    short steps = 0;
    Check(gas.get_NumIterations(&steps));
    if (zGas == -1.0 || steps < kNewtonSteps) return true;
    double shorter = 0;
    Check(gas.put_MaxIterations(kNewtonSteps - 1));
    Check(gas.get_Z(&shorter));
    return std::fabs(zGas - shorter) <= kSettledZ;
}

// Keeps only a Z that belongs to a gas: a settled iteration, one positive
// vapour root and no liquid root.
float TarnelTag::CheckResults(double zGas, bool bSettled) {
    float z = ToFloat(zGas);
    if (!(m_VapourVol > 0)) {
        m_VapourVol = 0;
        z = -1;
    }
    if (m_LiquidVol > 0) {
        z = -1;
    } else if (!(m_LiquidVol >= 0)) {
        m_LiquidVol = 0;
    }
    if (!(z >= 0)) z = -1;
    if (zGas == -1.0 || !bSettled) {
        // Refused inputs: the component's volumes belong to an earlier
        // evaluation, possibly of another stream. Unsettled: they are as far
        // from the roots as Z. Either way none are kept.
        z = -1;
        m_VapourVol = m_LiquidVol = -1.0f;
    }
    return z;
}

std::int32_t TarnelTag::Publish(float z) {
    const bool changed = std::fabs(z - m_Z) > kChangeThreshold;
    m_Z = z;
    if (IsBad(m_Z)) m_Z = m_VapourVol = m_LiquidVol = -1.0f;
    if (!(m_Z > 0)) return -5;
    if (changed && !m_TagZ.empty()) Write(m_TagZ, m_Z);
    return 1;
}

// Logs when the stream's Z stops converging and when it converges again, not
// on every calculation in between.
void TarnelTag::TellConvergence(bool bSettled, std::int32_t status) {
    if (bSettled != m_NotConverged) return;
    m_NotConverged = !bSettled;
    if (!m_Services.logMessage) return;
    const std::string strWhat =
        bSettled ? ": Z converges again at "
                 : ": Z did not converge in " + std::to_string(kNewtonSteps) + " Newton steps at ";
    m_Services.logMessage(m_TagName + strWhat + Shortest(PressureBarA()) + " bar a, " +
                          Shortest(TemperatureK()) + " K; status " + std::to_string(status));
}

std::int32_t TarnelTag::Calculate() {
    if (!(m_PcritBar >= 0) || !(m_TcritK >= 0)) return Invalidate(-1);
    if (!QualityPasses()) return -2;
    if (!(PressureBarA() >= 0)) return Invalidate(-3);
    if (!(TemperatureK() >= 0)) return Invalidate(-4);

    bool bSettled = true;
    const double zGas = RunGas(bSettled);
    const std::int32_t status = Publish(CheckResults(zGas, bSettled));
    // Refused inputs say nothing about convergence.
    if (zGas != -1.0) TellConvergence(bSettled, status);
    return status;
}

void TarnelTag::CalculateZ() {
    try {
        m_Status = Calculate();
        if (!m_TagStatus.empty()) Write(m_TagStatus, static_cast<float>(m_Status));
    } catch (const std::exception&) {
        // Failure path: results invalid, nothing written to the server.
        m_Status = Invalidate(-6);
    }
}

}  // namespace tarnel
