#include <gtest/gtest.h>

#include <sstream>

#include "service/streams/TarnelTag.h"
#include "tools/zcalc/CsvRow.h"
#include "tools/zcalc/Mixture.h"
#include "tools/zcalc/Zcalc.h"

namespace tarnel {
namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Mix(const std::string& composition, const std::string& pressureUnit = "barg",
            const std::string& temperatureUnit = "deg C") {
    std::ostringstream out, err;
    const int status = ZcalcMix(composition, pressureUnit, temperatureUnit, out, err);
    return {status, out.str(), err.str()};
}

std::string LastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    return text.substr(text.rfind('\n', end) + 1, end - text.rfind('\n', end));
}

TEST(ZcalcMix, KaysRuleAndALineForTheStreamFile) {
    const Outcome r = Mix("methane=0.90, ethane=0.06,propane=0.03,N2=0.01");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("Pseudo-critical temperature  202.1801 K = 363.92418 R\n"
                         "Pseudo-critical pressure     45.9284 bar (a) = 4592.84 kPa (a) = "
                         "666.1349501 psi (a)\n"
                         "Acentric factor              0.02077\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(LastLine(r.out),
              "MIX-1,PT-MIX-1,TT-MIX-1,ZI-MIX-1,45.9284,202.1801,0.02077,barg,deg C,ZS-MIX-1,"
              "methane 0.9 ethane 0.06 propane 0.03 nitrogen 0.01");
}

// The stream reads the line's constants back as the pseudo-critical values,
// whatever its units.
TEST(ZcalcMix, TheStreamTakesTheLineAsItIsMeant) {
    for (const auto& [pressure, temperature] :
         {std::pair{"bara", "K"}, {"kpag", "deg C"}, {"PSIG", "DEG F"}, {"mbar", "F"}}) {
        const auto rows =
            ReadCsvRows(LastLine(Mix("C1=0.9,C2=0.06,C3=0.03,N2=0.01", pressure, temperature).out));
        ASSERT_EQ(rows.size(), 1u);
        const auto& f = rows[0].Fields;
        ASSERT_EQ(f.size(), 11u);
        const StreamServices services;
        TarnelTag tag(services);
        tag.EuPressure(f[7]);
        tag.EuTemperature(f[8]);
        tag.Pcrit(std::stod(f[4]));
        tag.Tcrit(std::stod(f[5]));
        EXPECT_NEAR(tag.PcritBar(), 45.9284, 1e-8) << pressure;
        EXPECT_NEAR(tag.TcritK(), 202.1801, 1e-7) << temperature;
        TarnelTag given(services);
        given.EuPressure(pressure);
        given.EuTemperature(temperature);
        EXPECT_EQ(tag.EuPressure(), given.EuPressure()) << pressure;
        EXPECT_EQ(tag.EuTemperature(), given.EuTemperature()) << temperature;
    }
}

TEST(ZcalcMix, FractionsNotSummingToOneAreScaledWithAWarning) {
    const Outcome scaled = Mix("methane=0.9,ethane=0.06");
    EXPECT_EQ(scaled.status, 0);
    EXPECT_EQ(scaled.err, "zcalc: mix: the fractions sum to 0.96; they are scaled to sum to 1\n");
    EXPECT_NE(scaled.out.find(",methane 0.9375 ethane 0.0625"), std::string::npos);
    EXPECT_EQ(Mix("methane=0.9999995").err, "");
    const Outcome quantum = Mix("hydrogen=0.5,helium=0.5");
    EXPECT_EQ(quantum.status, 0);
    EXPECT_NE(quantum.err.find("the mixture: acentric factor -0.303 is below 0"),
              std::string::npos);
    EXPECT_NE(quantum.out.find(",19.19,0,barg,"), std::string::npos) << quantum.out;
}

TEST(ZcalcMix, BadCompositionsAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"methane=-0.1,ethane=1.1", "mix: methane: the fraction \"-0.1\" is not a number of 0"},
        {"methane=0.9,xenon=0.1", "mix: unknown gas \"xenon\"; known gases: methane (C1),"},
        {"methane", "mix: the part \"methane\" is not name=fraction"},
        {"methane=0.9,", "mix: the part \"\" is not name=fraction"},
        {"methane=abc", "the fraction \"abc\" is not a number"},
        {"methane=nan", "the fraction \"nan\" is not a number"},
        {"methane=0.5,C1=0.5", "mix: methane is given twice"},
        {"methane=0,ethane=0", "mix: the fractions sum to 0\n"},
    };
    for (const auto& [composition, message] : cases) {
        const Outcome r = Mix(composition);
        EXPECT_EQ(r.status, 1) << composition;
        EXPECT_EQ(r.out, "") << composition;
        EXPECT_NE(r.err.find(message), std::string::npos) << composition << ": " << r.err;
    }
}

}  // namespace
}  // namespace tarnel
