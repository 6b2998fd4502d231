#include <gtest/gtest.h>

#include <limits>

#include "service/streams/TarnelTag.h"

namespace tarnel {
namespace {

struct PressureCase {
    const char* text;
    std::int32_t unit;
    bool absolute;
    const char* eu;
    const char* euPcrit;
};

void PrintTo(const PressureCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class PressureUnitText : public ::testing::TestWithParam<PressureCase> {};

TEST_P(PressureUnitText, ParsesToUnitAndGaugeOrAbsolute) {
    const PressureCase& c = GetParam();
    StreamServices services;
    TarnelTag tag(services);
    tag.EuPressure(c.text);
    EXPECT_EQ(tag.PressureUnit(), c.unit) << c.text;
    EXPECT_EQ(tag.PressureAbsolute(), c.absolute) << c.text;
    EXPECT_EQ(tag.EuPressure(), c.eu) << c.text;
    EXPECT_EQ(tag.EuPcrit(), c.euPcrit) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Texts, PressureUnitText,
                         ::testing::Values(PressureCase{"bar", 0, false, "bar (g)", "bar (a)"},
                                           PressureCase{"bara", 0, true, "bar (a)", "bar (a)"},
                                           PressureCase{"BarA", 0, true, "bar (a)", "bar (a)"},
                                           PressureCase{"bar a", 0, true, "bar (a)", "bar (a)"},
                                           PressureCase{"bar (a)", 0, false, "bar (g)", "bar (a)"},
                                           PressureCase{"bar(a)", 0, false, "bar (g)", "bar (a)"},
                                           PressureCase{"kPa", 1, false, "kPa (g)", "kPa (a)"},
                                           PressureCase{"kpag", 1, false, "kPa (g)", "kPa (a)"},
                                           PressureCase{"kPaA", 1, true, "kPa (a)", "kPa (a)"},
                                           PressureCase{"psi", 2, false, "psi (g)", "psi (a)"},
                                           PressureCase{"psig", 2, false, "psi (g)", "psi (a)"},
                                           PressureCase{"psia", 2, true, "psi (a)", "psi (a)"},
                                           PressureCase{"mbar", 0, false, "bar (g)", "bar (a)"},
                                           PressureCase{"atm", 0, false, "bar (g)", "bar (a)"},
                                           PressureCase{"", 0, false, "bar (g)", "bar (a)"},
                                           PressureCase{"a", 0, false, "bar (g)", "bar (a)"},
                                           PressureCase{"barbara", 0, true, "bar (a)", "bar (a)"}));

struct TemperatureCase {
    const char* text;
    std::int32_t unit;
    const char* eu;
    const char* euTcrit;
};

void PrintTo(const TemperatureCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class TemperatureUnitText : public ::testing::TestWithParam<TemperatureCase> {};

TEST_P(TemperatureUnitText, ParsesToUnit) {
    const TemperatureCase& c = GetParam();
    StreamServices services;
    TarnelTag tag(services);
    tag.EuTemperature(c.text);
    EXPECT_EQ(tag.TemperatureUnit(), c.unit) << c.text;
    EXPECT_EQ(tag.EuTemperature(), c.eu) << c.text;
    EXPECT_EQ(tag.EuTcrit(), c.euTcrit) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Texts, TemperatureUnitText,
                         ::testing::Values(TemperatureCase{"K", 0, "K", "K"},
                                           TemperatureCase{"k", 0, "K", "K"},
                                           TemperatureCase{"kelvin", 0, "K", "K"},
                                           TemperatureCase{"degF", 2, "deg F", "R"},
                                           TemperatureCase{"deg F", 2, "deg F", "R"},
                                           TemperatureCase{"DEG F", 2, "deg F", "R"},
                                           TemperatureCase{"F", 1, "deg C", "K"},
                                           TemperatureCase{"\xC2\xB0"
                                                           "F",
                                                           1, "deg C", "K"},
                                           TemperatureCase{"C", 1, "deg C", "K"},
                                           TemperatureCase{"degC", 1, "deg C", "K"},
                                           TemperatureCase{"R", 1, "deg C", "K"},
                                           TemperatureCase{"", 1, "deg C", "K"},
                                           TemperatureCase{"deg", 1, "deg C", "K"},
                                           TemperatureCase{"deg Fahrenheit", 1, "deg C", "K"}));

TEST(TarnelTagUnits, FreshObject) {
    StreamServices services;
    TarnelTag tag(services);
    EXPECT_EQ(tag.PcritBar(), 0.0);
    EXPECT_EQ(tag.TcritK(), 0.0);
    EXPECT_EQ(tag.Pcrit(), -1.0);
    EXPECT_EQ(tag.Tcrit(), -1.0);
    EXPECT_EQ(tag.Z(), -1.0f);
    EXPECT_EQ(tag.Status(), 0);
    EXPECT_EQ(tag.PressureUnit(), 0);
    EXPECT_EQ(tag.TemperatureUnit(), 0);
    EXPECT_FALSE(tag.PressureAbsolute());
    EXPECT_EQ(tag.EuPressure(), "");
    EXPECT_EQ(tag.EuTemperature(), "");
    EXPECT_EQ(tag.QualityP(), 0);
    EXPECT_EQ(tag.QualityPc(), 192);
    EXPECT_EQ(tag.IndexP(), -1);
}

TEST(TarnelTagUnits, CriticalConstantsConvertWhicheverComesFirst) {
    StreamServices services;
    TarnelTag unitFirst(services), valueFirst(services);
    unitFirst.EuPressure("psia");
    unitFirst.Pcrit(667.8);
    valueFirst.Pcrit(667.8);
    valueFirst.EuPressure("psia");
    EXPECT_NEAR(unitFirst.PcritBar(), 46.0432, 5e-5);
    EXPECT_EQ(unitFirst.PcritBar(), valueFirst.PcritBar());

    TarnelTag kpa(services);
    kpa.EuPressure("kPa");
    kpa.Pcrit(4599);
    EXPECT_NEAR(kpa.PcritBar(), 45.99, 1e-12);

    TarnelTag rankine(services);
    rankine.EuTemperature("degF");
    rankine.Tcrit(500);
    EXPECT_NEAR(rankine.TcritK(), 277.7778, 5e-5);
    EXPECT_EQ(rankine.TcritK(), (500 - 491.67) * 0.555555555555556 + 273.15);
}

TEST(TarnelTagUnits, SettersIgnoreOutOfRangeValues) {
    StreamServices services;
    TarnelTag tag(services);
    tag.AcentricFactor(0.9999);
    EXPECT_EQ(tag.AcentricFactor(), 0.9999);
    tag.AcentricFactor(1.0);
    tag.AcentricFactor(-0.1);
    EXPECT_EQ(tag.AcentricFactor(), 0.9999);

    tag.Pcrit(45.99);
    tag.EuPressure("kPa");  // recomputes PcritBar from the kept Pcrit
    tag.Pcrit(-5);
    EXPECT_EQ(tag.Pcrit(), 45.99);
    EXPECT_EQ(tag.PcritBar(), 45.99 * 0.01);

    tag.Tcrit(190.56);
    tag.Tcrit(-5);
    EXPECT_EQ(tag.Tcrit(), -5);
    EXPECT_EQ(tag.TcritK(), 190.56);
}

TEST(TarnelTagUnits, ConversionOverflowMarksTheConstantBad) {
    StreamServices services;
    TarnelTag tag(services);
    tag.EuTemperature("deg F");
    tag.Tcrit(std::numeric_limits<double>::infinity());
    EXPECT_EQ(tag.TcritK(), -1.0);
}

struct StreamStateCase {
    float p;
    const char* pressureUnit;
    float t;
    const char* temperatureUnit;
    double barA, kelvin;
};

TEST(TarnelTagUnits, StreamValuesInCalculationUnits) {
    const StreamStateCase cases[] = {
        {100, "psi", 15, "deg C", 100 / 14.50377 + 1.01325, 288.15},
        {250, "kPa", 50, "deg F", 3.51325, 283.15},
        {10, "bara", 300, "K", 10.0, 300.0},
        {-1.5, "bar", -300, "deg C", -0.48675, -26.85},
    };
    StreamServices services;
    for (const auto& c : cases) {
        TarnelTag tag(services);
        tag.EuPressure(c.pressureUnit);
        tag.EuTemperature(c.temperatureUnit);
        tag.IndexP(0);
        tag.IndexT(1);
        tag.UpdateFromClient(0, c.p, 192);
        tag.UpdateFromClient(1, c.t, 192);
        EXPECT_NEAR(tag.PressureBarA(), c.barA, 1e-12) << c.p << " " << c.pressureUnit;
        EXPECT_NEAR(tag.TemperatureK(), c.kelvin, 1e-9) << c.t << " " << c.temperatureUnit;
    }
    TarnelTag psig(services);
    psig.EuPressure("psig");
    psig.IndexP(3);
    psig.UpdateFromClient(3, 100, 192);
    EXPECT_NEAR(psig.PressureBarA(), 7.908009, 5e-7);
}

TEST(TarnelTagUnits, UpdateFromClientServesTheFirstMatchingInputOnly) {
    StreamServices services;
    TarnelTag tag(services);
    tag.IndexT(4);
    tag.IndexPc(4);
    tag.IndexAcentric(7);
    tag.UpdateFromClient(4, 42.0f, 64);
    EXPECT_EQ(tag.T(), 42.0f);
    EXPECT_EQ(tag.QualityT(), 64);
    EXPECT_EQ(tag.Pcrit(), -1.0);
    EXPECT_EQ(tag.QualityPc(), 192);

    // Received constants bypass the setters' range tests.
    tag.UpdateFromClient(7, 1.5f, 0);
    EXPECT_EQ(tag.AcentricFactor(), 1.5);
    EXPECT_EQ(tag.ValueAcentric(), 1.5f);
    EXPECT_EQ(tag.QualityAcentric(), 0);
    tag.UpdateFromClient(99, 3.0f, 192);  // no input: nothing changes
    EXPECT_EQ(tag.T(), 42.0f);
}

}  // namespace
}  // namespace tarnel
