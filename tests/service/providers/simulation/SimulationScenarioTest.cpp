#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "service/providers/simulation/SimulationScenario.h"
#include "tests/support/ProgramHomeTest.h"

namespace tarnel {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

using Row = std::vector<std::string>;
const Row kHeader = {"Seconds", "Item", "Action", "Value", "Quality",
                     "Low",     "High", "Step",   "Seed"};

std::optional<SimulationScenario> ParseRow(const Row& row, std::string& strError) {
    return SimulationScenario::Parse({kHeader, row}, strError);
}

struct MalformedCase {
    Row row;
    const char* error;
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    for (const auto& field : c.row) *os << field << ',';
}

class MalformedRowTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedRowTest, NamesLineAndFault) {
    std::string strError;
    EXPECT_FALSE(ParseRow(GetParam().row, strError));
    EXPECT_EQ(strError, std::string("line 2: ") + GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MalformedRowTest,
    ::testing::Values(
        MalformedCase{{"0", "P1", "jump"},
                      "the action \"jump\" is none of value, wander, range, refuse, shutdown"},
        MalformedCase{{"0", "", "value", "1"}, "the item name is missing"},
        MalformedCase{{"-1", "P1", "value", "1"},
                      "seconds \"-1\" is not a number of seconds from 0 up"},
        MalformedCase{{"", "P1", "value", "1"},
                      "seconds \"\" is not a number of seconds from 0 up"},
        MalformedCase{{"nan", "P1", "value", "1"},
                      "seconds \"nan\" is not a number of seconds from 0 up"},
        MalformedCase{{"0", "P1", "value", ""}, "the value is missing"},
        MalformedCase{{"0", "P1", "value", "1", "70000"},
                      "quality \"70000\" is not a quality word from 0 to 65535"},
        MalformedCase{{"0", "P1", "value", "1", "good"},
                      "quality \"good\" is not a quality word from 0 to 65535"},
        MalformedCase{{"", "P1", "range", "", "", "10", "10"},
                      "low \"10\" and high \"10\" give no range (two numbers, low below high)"},
        MalformedCase{{"0", "P1", "wander", "", "", "0", "10", "0"},
                      "step \"0\" is not a number above 0"},
        MalformedCase{{"0", "P1", "wander", "", "", "0", "10", "1", "-4"},
                      "seed \"-4\" is not a whole number from 0 to 4294967295"},
        MalformedCase{{"0", "P1", "wander", "warm", "", "0", "10", "1"},
                      "the start value \"warm\" is not a number"},
        MalformedCase{{"", "P1", "refuse", "0x40"},
                      "error code \"0x40\" is not a failure code such as 0xC0040007"},
        MalformedCase{{"", "", "shutdown", "bye"},
                      "seconds \"\" is not a number of seconds from 0 up"}));

TEST(SimulationScenarioTest, ReadsEveryAction) {
    std::string strError;
    const auto scenario =
        SimulationScenario::Parse({kHeader,
                                   {"5", "P1", "Value", "2", "0x40"},
                                   {"0", "p1", "VALUE", "1"},
                                   {"", "P1", "range", "", "", "0", "100"},
                                   {"10", "W1", "wander", "", "", "-5", "5", "0.5", "7"},
                                   {},
                                   {"", "BAD", "refuse", "-1073479673"},
                                   {"30", "", "shutdown", "end of shift"},
                                   {"20", "", "shutdown", ""}},
                                  strError);
    ASSERT_TRUE(scenario) << strError;
    const ItemScript* p1 = scenario->Script("P1");
    ASSERT_NE(p1, nullptr);
    ASSERT_EQ(p1->steps.size(), 2u);
    EXPECT_EQ(p1->steps[0].value, Variant(1.0));  // in time order
    EXPECT_EQ(p1->steps[1].nQuality, 0x40);
    EXPECT_EQ(p1->range->dHigh, 100.0);
    const auto& wander = scenario->Script("w1")->steps.at(0).wander;
    ASSERT_TRUE(wander);
    EXPECT_EQ(wander->nSeed, 7u);
    EXPECT_EQ(wander->dStep, 0.5);
    EXPECT_EQ(*scenario->Script("bad")->refusal, OPC_E_UNKNOWNITEMID);
    ASSERT_EQ(scenario->Shutdowns().size(), 2u);
    EXPECT_EQ(scenario->Shutdowns()[1].strReason, "end of shift");
    EXPECT_EQ(scenario->Script("T1"), nullptr);
}

TEST(SimulationScenarioTest, FileWithoutHeaderIsRefused) {
    for (const auto& rows : {SimulationScenario::Rows{}, {{"0", "P1", "value", "1"}}}) {
        std::string strError;
        EXPECT_FALSE(SimulationScenario::Parse(rows, strError));
        EXPECT_EQ(strError, "line 1: the header line is missing");
    }
}

// Rows of random tokens never break the parser: it accepts them or names a line.
TEST(SimulationScenarioTest, RandomRowsAreAcceptedOrRefusedCleanly) {
    const std::vector<std::string> tokens = {
        "",       "0",          "5.5",         "-3",         "1e308",       "1e999", "nan",
        "inf",    "0x",         "0xC0",        "0xFFFFFFFF", "0x1FFFFFFFF", "P1",    "value",
        "wander", "range",      "refuse",      "shutdown",   "VALUE",       "\"",    "x,y",
        " ",      "4294967296", "-0x80000000", "+1"};
    std::mt19937 random(2026);
    for (int nRun = 0; nRun < 3000; ++nRun) {
        SimulationScenario::Rows rows = {kHeader};
        const int nRows = static_cast<int>(random() % 5);
        for (int r = 0; r < nRows; ++r) {
            Row row;
            const int nFields = static_cast<int>(random() % 11);
            for (int f = 0; f < nFields; ++f) row.push_back(tokens[random() % tokens.size()]);
            rows.push_back(row);
        }
        std::string strError;
        if (!SimulationScenario::Parse(rows, strError)) {
            EXPECT_THAT(strError, StartsWith("line "));
        }
    }
}

class ScenarioFileTest : public ProgramHomeTest {};

TEST_F(ScenarioFileTest, TheExampleLoadsCleanly) {
    const auto scenario =
        SimulationScenario::Load(std::string(TARNEL_SOURCE_DIR) + "/examples/Simulation.csv");
    EXPECT_THAT(LogMessages(), IsEmpty());
    EXPECT_NE(scenario.Script("PT-101"), nullptr);
}

TEST_F(ScenarioFileTest, UnreadableLineIsLogged) {
    WriteFile("Simulation.csv", "Seconds,Item,Action,Value\n0,P1,value,1\n\"0,P2,value,1\n");
    const auto scenario = SimulationScenario::Load(m_Home.File("Simulation.csv"));
    EXPECT_EQ(scenario.Script("P1"), nullptr);
    ASSERT_EQ(LogMessages().size(), 1u);
    EXPECT_THAT(LogMessages()[0], HasSubstr("line 3: cannot be read (unclosed quote?)"));
}

}  // namespace
}  // namespace tarnel
