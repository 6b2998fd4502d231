#pragma once
#include <cstdint>
#include <string>

#include "service/streams/StreamServices.h"

namespace tarnel {

// One gas stream: its item names and indexes, latest inputs with their OPC
// qualities, engineering units, converted critical constants and the results
// of its last calculation.
class TarnelTag {
public:
    explicit TarnelTag(const StreamServices& services);

    const std::string& TagName() const { return m_TagName; }
    void TagName(const std::string& v) { m_TagName = v; }
    double AcentricFactor() const { return m_AcentricFactor; }
    void AcentricFactor(double v);
    double Pcrit() const { return m_Pcrit; }
    void Pcrit(double v);
    double Tcrit() const { return m_Tcrit; }
    void Tcrit(double v);

    const std::string& TagP() const { return m_TagP; }
    void TagP(const std::string& v) { m_TagP = v; }
    const std::string& TagT() const { return m_TagT; }
    void TagT(const std::string& v) { m_TagT = v; }
    const std::string& TagZ() const { return m_TagZ; }
    void TagZ(const std::string& v) { m_TagZ = v; }
    const std::string& TagPc() const { return m_TagPc; }
    void TagPc(const std::string& v) { m_TagPc = v; }
    const std::string& TagTc() const { return m_TagTc; }
    void TagTc(const std::string& v) { m_TagTc = v; }
    const std::string& TagAcentric() const { return m_TagAcentric; }
    void TagAcentric(const std::string& v) { m_TagAcentric = v; }
    const std::string& TagStatus() const { return m_TagStatus; }
    void TagStatus(const std::string& v) { m_TagStatus = v; }

    void UpdateFromClient(std::int32_t nIndex, float rVal, std::int32_t nQuality);

    std::int32_t IndexP() const { return m_IndexP; }
    void IndexP(std::int32_t v) { m_IndexP = v; }
    std::int32_t IndexT() const { return m_IndexT; }
    void IndexT(std::int32_t v) { m_IndexT = v; }
    std::int32_t IndexPc() const { return m_IndexPc; }
    void IndexPc(std::int32_t v) { m_IndexPc = v; }
    std::int32_t IndexTc() const { return m_IndexTc; }
    void IndexTc(std::int32_t v) { m_IndexTc = v; }
    std::int32_t IndexAcentric() const { return m_IndexAcentric; }
    void IndexAcentric(std::int32_t v) { m_IndexAcentric = v; }

    void CalculateZ();

    const std::string& EuPressure() const { return m_EuPressure; }
    void EuPressure(const std::string& u);
    const std::string& EuPcrit() const { return m_EuPcrit; }
    const std::string& EuTemperature() const { return m_EuTemperature; }
    void EuTemperature(const std::string& u);
    const std::string& EuTcrit() const { return m_EuTcrit; }

    bool IsBadP() const { return IsBad(m_P); }
    bool IsBadT() const { return IsBad(m_T); }
    bool IsBadPc() const { return IsBad(m_ValuePc); }
    bool IsBadTc() const { return IsBad(m_ValueTc); }
    bool IsBadAcentric() const { return IsBad(m_ValueAcentric); }

    float P() const { return m_P; }
    float T() const { return m_T; }
    const std::string& Description() const { return m_Description; }
    void Description(const std::string& v) { m_Description = v; }
    double VapourVol() const { return m_VapourVol; }
    double LiquidVol() const { return m_LiquidVol; }
    float Z() const { return m_Z; }
    std::int32_t Status() const { return m_Status; }

    // Read-only views for the status display and the tools.
    float ValuePc() const { return m_ValuePc; }
    float ValueTc() const { return m_ValueTc; }
    float ValueAcentric() const { return m_ValueAcentric; }
    std::int32_t QualityP() const { return m_QualityP; }
    std::int32_t QualityT() const { return m_QualityT; }
    std::int32_t QualityPc() const { return m_QualityPc; }
    std::int32_t QualityTc() const { return m_QualityTc; }
    std::int32_t QualityAcentric() const { return m_QualityAcentric; }
    double PcritBar() const { return m_PcritBar; }
    double TcritK() const { return m_TcritK; }
    std::int32_t PressureUnit() const { return m_PressureUnit; }
    std::int32_t TemperatureUnit() const { return m_TemperatureUnit; }
    bool PressureAbsolute() const { return m_PressureAbsolute; }

    // The stream pressure in bar absolute and temperature in kelvin, as handed
    // to the component (not stored).
    double PressureBarA() const;
    double TemperatureK() const;

private:
    void ConvertPcrit();
    void ConvertTcrit();
    bool IsBad(float v) const;
    bool QualityPasses() const;
    std::int32_t Invalidate(std::int32_t status);
    void Write(const std::string& strTag, float rVal) const;
    double RunGas(bool& bSettled);
    bool Settled(IGas& gas, double zGas) const;
    float CheckResults(double zGas, bool bSettled);
    std::int32_t Publish(float z);
    void TellConvergence(bool bSettled, std::int32_t status);
    std::int32_t Calculate();

    const StreamServices& m_Services;

    std::string m_TagName;
    std::string m_Description;
    float m_Z = -1.0f;
    float m_P = -1.0f;
    float m_T = -1.0f;
    float m_ValuePc = 0.0f;
    float m_ValueTc = 0.0f;
    float m_ValueAcentric = 0.0f;
    std::string m_TagP;
    std::string m_TagT;
    std::string m_TagZ;
    std::string m_TagPc;
    std::string m_TagTc;
    std::string m_TagAcentric;
    std::string m_TagStatus;
    std::int32_t m_Status = 0;
    std::int32_t m_QualityP = 0;
    std::int32_t m_QualityT = 0;
    std::int32_t m_QualityPc = 192;
    std::int32_t m_QualityTc = 192;
    std::int32_t m_QualityAcentric = 192;
    double m_AcentricFactor = 0.0;
    double m_Pcrit = -1.0;
    double m_Tcrit = -1.0;
    double m_PcritBar = 0.0;
    double m_TcritK = 0.0;
    std::int32_t m_IndexP = -1;
    std::int32_t m_IndexT = -1;
    std::int32_t m_IndexPc = -1;
    std::int32_t m_IndexTc = -1;
    std::int32_t m_IndexAcentric = -1;
    std::string m_EuPressure;
    std::string m_EuPcrit;
    std::string m_EuTemperature;
    std::string m_EuTcrit;
    std::int32_t m_PressureUnit = 0;
    std::int32_t m_TemperatureUnit = 0;
    bool m_PressureAbsolute = false;
    float m_VapourVol = 0.0f;
    float m_LiquidVol = 0.0f;
    bool m_NotConverged = false;  // the last evaluation ran out of Newton steps unsettled
};

}  // namespace tarnel
