#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "service/providers/modbus/ModbusBlocks.h"
#include "service/providers/modbus/ModbusErrors.h"
#include "service/providers/modbus/ModbusNode.h"
#include "service/providers/modbus/ModbusOptions.h"
#include "service/providers/modbus/ModbusValue.h"
#include "tests/support/TempFolder.h"

namespace tarnel {
namespace {

using namespace std::string_literals;
using Table = ModbusAddress::Table;
using Type = ModbusAddress::Type;

// Item names as people type them, and as they should not: each gives its code.
TEST(ModbusAddressTest, VerdictsInOrder) {
    const struct {
        std::string name;
        HRESULT hr;
    } cases[] = {
        {"1/holding/100/float32", S_OK},
        {"3/input/0/int16", S_OK},
        {"1/holding/200/float32/CDAB", S_OK},
        {"1/coil/5/bool", S_OK},
        {"0/discrete/65535/bool", S_OK},
        {"247/Holding/65534/UInt32/dcba", S_OK},
        {"1/holding/65532/float64", S_OK},
        {"1/input/7/int16*0.1", S_OK},
        {"1/input/7/uint32*-2.5e-3/BADC", S_OK},
        {"1/holding/9/bool", S_OK},
        {"001/holding/0100/uint16", S_OK},
        {"248/holding/1/int16", MODBUS_E_BAD_UNIT},
        {"99999999999999999999/holding/1/int16", MODBUS_E_BAD_UNIT},
        {"1/holding/99999999999999999999/int16", MODBUS_E_BAD_ADDRESS},
        {"-1/holding/1/int16", MODBUS_E_BAD_ADDRESS},
        {"+1/holding/1/int16", MODBUS_E_BAD_ADDRESS},
        {" 1/holding/1/int16", MODBUS_E_BAD_ADDRESS},
        {"1/holding/65536/uint16", MODBUS_E_BAD_ADDRESS},
        {"1/holding/65535/float32", MODBUS_E_BAD_ADDRESS},
        {"1/holding/65533/float64", MODBUS_E_BAD_ADDRESS},
        {"1/holding/65535/float64*0.5/DCBA", MODBUS_E_BAD_ADDRESS},
        {"1/holding/0x10/int16", MODBUS_E_BAD_ADDRESS},
        {"1/holding/40001/int16", S_OK},
        {"1/holding//int16", MODBUS_E_BAD_ADDRESS},
        {"1/holding/1", MODBUS_E_BAD_ADDRESS},
        {"1/holding/1/int16/ABCD/x", MODBUS_E_BAD_ADDRESS},
        {"", MODBUS_E_BAD_ADDRESS},
        {"////", MODBUS_E_BAD_ADDRESS},
        {"1/register/1/int16", MODBUS_E_BAD_TABLE},
        {"1/holdings/1/int16", MODBUS_E_BAD_TABLE},
        {"1/holding/1/int8", MODBUS_E_BAD_TYPE},
        {"1/holding/1/float", MODBUS_E_BAD_TYPE},
        {"1/holding/1/int16*", MODBUS_E_BAD_TYPE},
        {"1/holding/1/int16*0", MODBUS_E_BAD_TYPE},
        {"1/holding/1/int16*nan", MODBUS_E_BAD_TYPE},
        {"1/holding/1/int16*1e999", MODBUS_E_BAD_TYPE},
        {"1/holding/1/int16* 0.1", MODBUS_E_BAD_TYPE},
        {"1/holding/1/int16*0.1*2", MODBUS_E_BAD_TYPE},
        {"1/holding/1/float32/ABDC", MODBUS_E_BAD_ORDER},
        {"1/holding/1/float32/", MODBUS_E_BAD_ORDER},
        {"1/coil/1/float32", MODBUS_E_TYPE_TABLE},
        {"1/discrete/1/int16", MODBUS_E_TYPE_TABLE},
        {"1/coil/1/bool/ABCD", MODBUS_E_TYPE_TABLE},
        {"1/holding/1/bool*2", MODBUS_E_TYPE_TABLE},
        {"1/holding/1/int16\0"s, MODBUS_E_BAD_TYPE},
        {"1/holding/\xFF/int16", MODBUS_E_BAD_ADDRESS},
        {std::string(100000, '/'), MODBUS_E_BAD_ADDRESS},
        {std::string("1/holding/1/").append(100000, 'x'), MODBUS_E_BAD_TYPE},
    };
    for (const auto& c : cases) {
        ModbusAddress address;
        address.nUnit = 77;
        EXPECT_EQ(ParseAddress(c.name, address), c.hr) << c.name.substr(0, 40);
        if (c.hr != S_OK) {
            EXPECT_EQ(address.nUnit, 77) << "changed by " << c.name.substr(0, 40);
        }
    }
}

TEST(ModbusAddressTest, FieldsOfAnAddress) {
    ModbusAddress a;
    ASSERT_EQ(ParseAddress("247/input/65530/uint32*-0.5/BADC", a), S_OK);
    EXPECT_EQ(a.nUnit, 247);
    EXPECT_EQ(a.table, Table::Input);
    EXPECT_EQ(a.nAddress, 65530);
    EXPECT_EQ(a.type, Type::UInt32);
    EXPECT_TRUE(a.bScaled);
    EXPECT_EQ(a.dScale, -0.5);
    EXPECT_FALSE(a.bWordsReversed);
    EXPECT_TRUE(a.bBytesSwapped);
    EXPECT_FALSE(a.IsWritable());
}

ModbusAddress Parsed(const std::string& strName) {
    ModbusAddress address;
    EXPECT_EQ(ParseAddress(strName, address), S_OK) << strName;
    return address;
}

// Wire registers from Python's struct module, then each order applied.
TEST(ModbusValueTest, EncodesAndDecodesEveryTypeAndOrder) {
    const struct {
        std::string name;
        Variant value;
        std::vector<std::uint16_t> words;
    } cases[] = {
        {"1/holding/0/float32", 45.2f, {0x4234, 0xCCCD}},
        {"1/holding/0/float32/CDAB", 45.2f, {0xCCCD, 0x4234}},
        {"1/holding/0/float32/BADC", 45.2f, {0x3442, 0xCDCC}},
        {"1/holding/0/float32/DCBA", 45.2f, {0xCDCC, 0x3442}},
        {"1/holding/0/float64", -1.5, {0xBFF8, 0, 0, 0}},
        {"1/holding/0/float64/CDAB", -1.5, {0, 0, 0, 0xBFF8}},
        {"1/holding/0/float64/BADC", -1.5, {0xF8BF, 0, 0, 0}},
        {"1/holding/0/float64/DCBA", -1.5, {0, 0, 0, 0xF8BF}},
        {"1/holding/0/int32", std::int32_t{-123456}, {0xFFFE, 0x1DC0}},
        {"1/holding/0/int32/CDAB", std::int32_t{-123456}, {0x1DC0, 0xFFFE}},
        {"1/holding/0/uint32", 4000000000.0, {0xEE6B, 0x2800}},
        {"1/holding/0/uint32/DCBA", 4000000000.0, {0x0028, 0x6BEE}},
        {"1/holding/0/int16", std::int32_t{-2}, {0xFFFE}},
        {"1/holding/0/int16/BADC", std::int32_t{-2}, {0xFEFF}},
        {"1/holding/0/uint16", std::int32_t{65535}, {0xFFFF}},
        {"1/holding/0/int16*0.1", 21.5, {215}},
        {"1/holding/0/int16*0.0001", 0.8146, {8146}},
        {"1/holding/0/uint16*10", 1230.0, {123}},
        {"1/holding/0/bool", true, {1}},
        {"1/coil/0/bool", true, {1}},
        {"1/coil/0/bool", false, {0}},
    };
    for (const auto& c : cases) {
        const ModbusAddress address = Parsed(c.name);
        std::vector<std::uint16_t> words;
        EXPECT_EQ(EncodeValue(address, c.value, words), S_OK) << c.name;
        EXPECT_EQ(words, c.words) << c.name;
        const Variant decoded = DecodeValue(address, c.words.data());
        double dDecoded = 0.0;
        double dExpected = 0.0;
        ASSERT_EQ(decoded.ToDouble(dDecoded), S_OK) << c.name;
        ASSERT_EQ(c.value.ToDouble(dExpected), S_OK) << c.name;
        EXPECT_NEAR(dDecoded, dExpected, std::fabs(dExpected) * 1e-12) << c.name;
    }
}

TEST(ModbusValueTest, WritesThatDoNotFitAreRefused) {
    const struct {
        std::string name;
        Variant value;
        HRESULT hr;
    } cases[] = {
        {"1/holding/0/int16", std::int32_t{32768}, MODBUS_E_VALUE_RANGE},
        {"1/holding/0/int16", std::int32_t{-32769}, MODBUS_E_VALUE_RANGE},
        {"1/holding/0/uint16", std::int32_t{-1}, MODBUS_E_VALUE_RANGE},
        {"1/holding/0/int16*0.1", 3276.8, MODBUS_E_VALUE_RANGE},
        {"1/holding/0/uint32", 4294967296.0, MODBUS_E_VALUE_RANGE},
        {"1/holding/0/int32", std::numeric_limits<double>::quiet_NaN(), MODBUS_E_VALUE_RANGE},
        {"1/holding/0/int32", std::numeric_limits<double>::infinity(), MODBUS_E_VALUE_RANGE},
        {"1/holding/0/float32", 1e39, MODBUS_E_VALUE_RANGE},
        {"1/coil/0/bool", std::numeric_limits<double>::quiet_NaN(), MODBUS_E_VALUE_RANGE},
        {"1/holding/0/float32", "abc", DISP_E_TYPEMISMATCH},
        {"1/holding/0/float32", std::numeric_limits<double>::quiet_NaN(), S_OK},
        {"1/holding/0/int16", std::int32_t{-32768}, S_OK},
    };
    for (const auto& c : cases) {
        std::vector<std::uint16_t> words{7};
        EXPECT_EQ(EncodeValue(Parsed(c.name), c.value, words), c.hr) << c.name;
    }
}

TEST(ModbusBlocksTest, FewestReadsWithinTheLimits) {
    const struct {
        const char* what;
        std::vector<std::string> names;
        ModbusLimits limits;
        std::vector<ModbusBlock> blocks;
    } cases[] = {
        {"adjacent values merge",
         {"1/holding/4/float32", "1/holding/0/float32", "1/holding/2/uint32"},
         {},
         {{1, Table::Holding, 0, 6}}},
        {"a gap splits without a bridge",
         {"1/holding/0/int16", "1/holding/2/int16"},
         {125, 2000, 0},
         {{1, Table::Holding, 0, 1}, {1, Table::Holding, 2, 1}}},
        {"a gap within the bridge merges",
         {"1/holding/0/int16", "1/holding/11/int16"},
         {125, 2000, 10},
         {{1, Table::Holding, 0, 12}}},
        {"overlapping items read once",
         {"1/holding/0/float64", "1/holding/2/float32", "1/holding/0/int16"},
         {},
         {{1, Table::Holding, 0, 4}}},
        {"tables and units apart",
         {"1/holding/0/int16", "1/input/0/int16", "2/holding/0/int16", "1/coil/0/bool"},
         {},
         {{1, Table::Coil, 0, 1},
          {1, Table::Input, 0, 1},
          {1, Table::Holding, 0, 1},
          {2, Table::Holding, 0, 1}}},
        {"no value split over two reads",
         {"1/holding/0/float32", "1/holding/2/float32", "1/holding/4/float32"},
         {5, 2000, 0},
         {{1, Table::Holding, 0, 4}, {1, Table::Holding, 4, 2}}},
        {"bits up to their own limit",
         {"1/coil/0/bool", "1/coil/1999/bool", "1/coil/2000/bool"},
         {125, 2000, 2000},
         {{1, Table::Coil, 0, 2000}, {1, Table::Coil, 2000, 1}}},
    };
    for (const auto& c : cases) {
        std::vector<ModbusAddress> addresses;
        for (const auto& name : c.names) addresses.push_back(Parsed(name));
        std::vector<ModbusPlace> places;
        EXPECT_EQ(PlanBlocks(addresses, c.limits, places), c.blocks) << c.what;
        ASSERT_EQ(places.size(), addresses.size()) << c.what;
        for (std::size_t i = 0; i < places.size(); ++i) {
            const ModbusBlock& block = c.blocks.at(places[i].nBlock);
            EXPECT_EQ(block.nStart + places[i].nOffset, addresses[i].nAddress) << c.what;
            EXPECT_LE(places[i].nOffset + addresses[i].Width(), block.nCount) << c.what;
        }
    }
}

// 1,000 float32 values in a row: the protocol's 125 registers give 62 values a read.
TEST(ModbusBlocksTest, AThousandFloatsTakeSeventeenReads) {
    std::vector<ModbusAddress> addresses;
    for (int i = 0; i < 1000; ++i) {
        std::string strName = "1/holding/";
        strName += std::to_string(2 * i);
        strName += "/float32";
        addresses.push_back(Parsed(strName));
    }
    std::vector<ModbusPlace> places;
    EXPECT_EQ(PlanBlocks(addresses, {}, places).size(), 17u);
}

TEST(ModbusNodeTest, Endpoints) {
    const struct {
        std::optional<std::string> node;
        HRESULT hr;
        std::string text;
    } cases[] = {
        {std::nullopt, S_OK, "localhost:502"},
        {"", S_OK, "localhost:502"},
        {"plc-7", S_OK, "plc-7:502"},
        {"10.0.0.5:5020", S_OK, "10.0.0.5:5020"},
        {"[::1]:1502", S_OK, "[::1]:1502"},
        {"[fe80::1]", S_OK, "[fe80::1]:502"},
        {"::1", MODBUS_E_BAD_NODE, ""},
        {"host:0", MODBUS_E_BAD_NODE, ""},
        {"host:65536", MODBUS_E_BAD_NODE, ""},
        {"host:", MODBUS_E_BAD_NODE, ""},
        {":502", MODBUS_E_BAD_NODE, ""},
        {"host:+502", MODBUS_E_BAD_NODE, ""},
        {"tcp://host", MODBUS_E_BAD_NODE, ""},
        {"host name", MODBUS_E_BAD_NODE, ""},
        {"[nothost]:502", MODBUS_E_BAD_NODE, ""},
        {"[::1", MODBUS_E_BAD_NODE, ""},
        {"[::1]x", MODBUS_E_BAD_NODE, ""},
    };
    for (const auto& c : cases) {
        ModbusEndpoint endpoint{"unchanged", 1};
        EXPECT_EQ(ParseNode(c.node, endpoint), c.hr) << c.node.value_or("(none)");
        EXPECT_EQ(endpoint.Text(), c.hr == S_OK ? c.text : "unchanged:1")
            << c.node.value_or("(none)");
    }
}

TEST(ModbusOptionsTest, RangesOfTheSection) {
    TempFolder folder;
    const std::string strIni = folder.File("TarnelSvc.ini");
    const struct {
        std::string section;
        HRESULT hr;
        int nTimeout;
        int nGap;
    } cases[] = {
        {"", S_OK, 1000, 0},
        {"ResponseTimeoutMilliseconds=250\nMaxGap=8\n", S_OK, 250, 8},
        {"responsetimeoutmilliseconds = 60000\n", S_OK, 60000, 0},
        {"ResponseTimeoutMilliseconds=9\n", MODBUS_E_BAD_OPTION, 0, 0},
        {"ResponseTimeoutMilliseconds=1e300\n", MODBUS_E_BAD_OPTION, 0, 0},
        {"ResponseTimeoutMilliseconds=1.5\n", MODBUS_E_BAD_OPTION, 0, 0},
        {"MaxRegistersPerRead=126\n", MODBUS_E_BAD_OPTION, 0, 0},
        {"MaxRegistersPerRead=3\n", MODBUS_E_BAD_OPTION, 0, 0},
        {"MaxBitsPerRead=2001\n", MODBUS_E_BAD_OPTION, 0, 0},
        {"MaxGap=-1\n", MODBUS_E_BAD_OPTION, 0, 0},
        {"MaxGap=ten\n", MODBUS_E_BAD_OPTION, 0, 0},
    };
    for (const auto& c : cases) {
        TempFolder::Write(strIni, std::string("[Tarnel.Modbus]\n").append(c.section));
        ModbusOptions options;
        std::string strError;
        EXPECT_EQ(ModbusOptions::Read(strIni, options, strError), c.hr) << c.section;
        if (c.hr != S_OK) {
            EXPECT_FALSE(strError.empty()) << c.section;
            continue;
        }
        EXPECT_EQ(options.nResponseTimeoutMs, c.nTimeout) << c.section;
        EXPECT_EQ(options.nMaxGap, c.nGap) << c.section;
    }
}

}  // namespace
}  // namespace tarnel
