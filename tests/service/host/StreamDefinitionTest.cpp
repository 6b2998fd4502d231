#include <gtest/gtest.h>

#include <array>

#include "service/host/StreamDefinition.h"

namespace tarnel {
namespace {

StreamDefinition ReadLine(std::vector<std::string> fields, std::int32_t nAccepted = 0) {
    return StreamDefinition::Read(
        [&](std::int32_t i) {
            return i >= 0 && i < static_cast<std::int32_t>(fields.size()) ? fields[i] : "";
        },
        nAccepted);
}

TEST(StreamDefinitionTest, CompleteLineWithConstantsAndItems) {
    const auto def = ReadLine({"NG-1", "PT101", "TT101", "ZI101", "45.99", "TC101", "0.011", "barg",
                               "deg C", "ZS101", "Natural gas"});
    EXPECT_TRUE(def.Valid);
    EXPECT_TRUE(def.Messages.empty());
    EXPECT_TRUE(def.Pcrit.IsConstant());
    EXPECT_DOUBLE_EQ(def.Pcrit.Value, 45.99);
    EXPECT_EQ(def.Tcrit.Item, "TC101");
    EXPECT_DOUBLE_EQ(def.Acentric.Value, 0.011);
    EXPECT_EQ(def.Description, "Natural gas");
}

TEST(StreamDefinitionTest, DigitsOnlyFieldIsAConstantNotAnItem) {
    const auto def = ReadLine({"S", "P", "T", "Z", "4599", "190", "0", "kPa", "K", "S"});
    EXPECT_TRUE(def.Pcrit.IsConstant());
    EXPECT_DOUBLE_EQ(def.Pcrit.Value, 4599);
}

TEST(StreamDefinitionTest, EachMissingFieldGivesItsMessage) {
    struct Case {
        int field;
        const char* message;
        bool valid;
    };
    const Case cases[] = {{1, "X: Pressure Tag Not Specified", false},
                          {2, "X: Temperature Tag Not Specified", false},
                          {3, "X: Warning - Compressibility Tag Not Specified", true},
                          {4, "X: Critical Pressure (Pc) Not Specified", false},
                          {5, "X: Critical Temperature (Tc) Not Specified", false},
                          {6, "X: Acentric Factor (Tc) Not Specified", false},
                          {7, "X: Engineering Units (Pressure) Not Specified", false},
                          {8, "X: Engineering Units (Temperature) Not Specified", false},
                          {9, "X: Warning - Status Tag Not Specified", true}};
    for (const auto& c : cases) {
        std::vector<std::string> fields = {"X",   "P",   "T", "Z", "1", "2",
                                           "0.1", "bar", "K", "S", "D"};
        fields[static_cast<std::size_t>(c.field)].clear();
        const auto def = ReadLine(fields);
        EXPECT_EQ(def.Valid, c.valid) << c.field;
        EXPECT_EQ(def.Messages, std::vector<std::string>{c.message}) << c.field;
    }
}

TEST(StreamDefinitionTest, UnnamedLineIsNumberedAfterTheAcceptedStreams) {
    const auto def = ReadLine({"", "P", "T", "Z", "1", "2", "0.1", "bar", "K"}, 3);
    EXPECT_EQ(def.Name, "Stream 4");
    EXPECT_EQ(def.Description, "Stream 4");
    EXPECT_TRUE(def.Valid);
    EXPECT_EQ(def.Messages,
              std::vector<std::string>{"Stream 4: Warning - Status Tag Not Specified"});
}

TEST(StreamDefinitionTest, EmptyLineGivesEveryMessageInFieldOrder) {
    const auto def = ReadLine({});
    EXPECT_FALSE(def.Valid);
    ASSERT_EQ(def.Messages.size(), 9u);
    EXPECT_EQ(def.Messages.front(), "Stream 1: Pressure Tag Not Specified");
    EXPECT_EQ(def.Messages.back(), "Stream 1: Warning - Status Tag Not Specified");
}

}  // namespace
}  // namespace tarnel
