#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <thread>

#include "service/automation/OPCGroup.h"
#include "service/automation/OPCGroups.h"
#include "service/automation/OPCItems.h"
#include "service/providers/modbus/ModbusErrors.h"
#include "service/providers/modbus/ModbusGroup.h"
#include "service/providers/modbus/ModbusGroups.h"
#include "service/providers/modbus/ModbusServer.h"
#include "tests/support/GroupItems.h"
#include "tests/support/ProgramHomeTest.h"
#include "tests/support/modbus/ModbusDeviceProcess.h"

// The provider against a real device (pymodbus), and against sockets that
// answer nothing or nonsense.

namespace tarnel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ::testing::ElementsAre;

constexpr std::int32_t kConfigError = 0x04;
constexpr std::int32_t kDeviceFailure = 0x0C;
constexpr std::int32_t kCommFailure = 0x18;

using Reading = ItemReading;
using Change = ItemChange;

// Concatenation without "literal" + std::string, which GCC 12 warns about wrongly.
template <typename... Parts>
std::string Text(const Parts&... parts) {
    std::string strText;
    ((strText += parts), ...);
    return strText;
}

double Number(const Variant& value) {
    double d = std::nan("");
    value.ToDouble(d);
    return d;
}

class ModbusServerTest : public ProgramHomeTest {
protected:
    void TearDown() override {
        m_Group.reset();
        if (m_Server) m_Server->Disconnect();
        ProgramHomeTest::TearDown();
    }

    ::testing::AssertionResult StartDevice(const std::string& strMap) {
        m_Device = std::make_unique<ModbusDeviceProcess>(m_DeviceFolder.Path().string(), strMap);
        return m_Device->Start();
    }

    HRESULT Connect(const std::string& strNode, const std::string& strSection = "") {
        WriteFile("TarnelSvc.ini", Text("[Tarnel.Modbus]\n", strSection));
        m_Server = std::make_shared<ModbusServer>(
            m_io, ModbusServer::Settings{m_Home.File("TarnelSvc.ini")});
        return m_Server->Connect(ModbusServer::kProgID, strNode);
    }

    // A subscribed group whose changes are kept in m_Changes; with the period
    // of an hour its timer never runs and Step drives it.
    void AddGroup(std::int32_t nRate = 3600000) {
        m_Group = AddRecordingGroup(*m_Server, nRate, m_Changes);
        ASSERT_NE(m_Group, nullptr);
        m_Group->AsyncWriteComplete = [this](std::int32_t, std::int32_t NumItems,
                                             const auto& handles, const auto& errors) {
            for (std::int32_t i = 1; i <= NumItems; ++i) m_Written[handles(i)] = errors(i);
        };
    }

    std::vector<HRESULT> AddItems(const std::vector<std::string>& names) {
        return AddGroupItems(*m_Group, names, m_Handles);
    }

    // One period: its poll runs to its end, and what it read is reported in
    // the same period. Gives the change raised, if any.
    Change Step() {
        const std::size_t nBefore = m_Changes.size();
        const auto group =
            std::static_pointer_cast<ModbusGroup>(m_Server->Groups()->Find("Group1"));
        group->Update(Clock::now());
        RunUntil([&] { return !group->Polling(); });
        return m_Changes.size() > nBefore ? m_Changes.back() : Change{};
    }

    void RunUntil(const std::function<bool()>& done, std::chrono::seconds limit = 60s) {
        ASSERT_TRUE(RunLoopUntil(m_io, done, limit)) << "timed out";
    }

    void Write(const std::vector<std::pair<std::int32_t, Variant>>& writes) {
        OPCArray<std::int32_t> servers;
        OPCArray<Variant> values;
        for (const auto& [nIndex, value] : writes) {
            servers.Append(m_Handles(nIndex));
            values.Append(value);
        }
        OPCArray<std::int32_t> errors;
        std::int32_t nCancel = 0;
        ASSERT_EQ(m_Group->AsyncWrite(servers.UBound(), servers, values, errors, 1, nCancel), S_OK);
    }

    std::vector<std::string> LogWith(const std::string& strText) const {
        std::vector<std::string> found;
        for (const auto& line : LogMessages()) {
            if (line.find(strText) != std::string::npos) found.push_back(line);
        }
        return found;
    }

    TempFolder m_DeviceFolder;
    std::unique_ptr<ModbusDeviceProcess> m_Device;
    asio::io_context m_io;
    std::shared_ptr<ModbusServer> m_Server;
    std::shared_ptr<OPCGroup> m_Group;
    OPCArray<std::int32_t> m_Handles;
    std::vector<Change> m_Changes;
    std::map<std::int32_t, HRESULT> m_Written;
};

// The device's registers are coded by Python's struct module from the map.
TEST_F(ModbusServerTest, ValuesOfEveryTypeWordOrderAndScale) {
    const struct {
        const char* item;
        const char* entry;  // of unit 1, at the item's address
        double dValue;
    } cases[] = {
        {"1/holding/0/float32", R"("type": "float32", "value": 45.2)", 45.2f},
        {"1/holding/2/float32/CDAB", R"("type": "float32", "order": "CDAB", "value": -7.25)",
         -7.25},
        {"1/holding/4/float32/BADC", R"("type": "float32", "order": "BADC", "value": 1e-3)", 1e-3f},
        {"1/holding/6/float32/DCBA", R"("type": "float32", "order": "DCBA", "value": 369.83)",
         369.83f},
        {"1/holding/8/float64", R"("type": "float64", "value": 4248.125)", 4248.125},
        {"1/holding/12/float64/DCBA", R"("type": "float64", "order": "DCBA", "value": -0.011)",
         -0.011},
        {"1/holding/16/int16", R"("type": "int16", "value": -32768)", -32768},
        {"1/holding/17/uint16", R"("type": "uint16", "value": 65535)", 65535},
        {"1/holding/18/int32/CDAB", R"("type": "int32", "order": "CDAB", "value": -123456)",
         -123456},
        {"1/holding/20/uint32", R"("type": "uint32", "value": 4000000000)", 4e9},
        {"1/input/0/int16*0.1",
         R"("table": "input", "type": "int16", "scale": 0.1, "value": -21.5)", -21.5},
        {"1/input/1/uint32*0.01/BADC",
         R"("table": "input", "type": "uint32", "order": "BADC", "scale": 0.01, "value": 85.3)",
         85.3},
        {"1/coil/3/bool", R"("table": "coil", "bits": [1])", -1.0},
        {"1/discrete/4/bool", R"("table": "discrete", "bits": [0])", 0.0},
    };
    std::string strMap = R"({"1": [)";
    std::vector<std::string> names;
    for (const auto& c : cases) {
        const std::string strItem = c.item;
        const auto first = strItem.find('/') + 1;
        const auto second = strItem.find('/', first) + 1;
        const std::string strAddress = strItem.substr(second, strItem.find('/', second) - second);
        std::string entry = c.entry;
        if (entry.find("\"table\"") == std::string::npos) entry += R"(, "table": "holding")";
        if (names.size() > 0) strMap += ",\n";
        strMap += Text(R"({"address": )", strAddress, ", ", entry, "}");
        names.push_back(c.item);
    }
    strMap += "]}";
    ASSERT_TRUE(StartDevice(strMap));
    ASSERT_EQ(Connect(m_Device->Node()), S_OK);
    AddGroup();
    EXPECT_THAT(AddItems(names), ::testing::Each(S_OK));
    const Change change = Step();
    ASSERT_EQ(change.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Reading& reading = change.at(static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(reading.nQuality, OPC_QUALITY_GOOD) << names[i];
        EXPECT_NEAR(Number(reading.value), cases[i].dValue, std::fabs(cases[i].dValue) * 1e-12)
            << names[i];
    }
}

TEST_F(ModbusServerTest, ItemsMergeIntoAsFewReadsAsTheTablesAllow) {
    std::string strRegisters = "0";
    for (int i = 1; i < 300; ++i) strRegisters += Text(",", std::to_string(i));
    ASSERT_TRUE(StartDevice(
        Text(R"({"1": [{"table": "holding", "address": 0, "registers": [)", strRegisters,
             R"(]}, {"table": "input", "address": 10, "registers": [1, 2, 3, 4]},
                                  {"table": "coil", "address": 0, "bits": [1, 0, 1, 0, 1]}],
                            "2": [{"table": "holding", "address": 0, "registers": [5]}]})")));
    ASSERT_EQ(Connect(m_Device->Node(), "MaxGap=2\n"), S_OK);
    AddGroup();
    std::vector<std::string> names;
    // 300 registers of unit 1: three reads of 125, 125 and 50.
    for (int i = 0; i < 300; ++i) names.push_back(Text("1/holding/", std::to_string(i), "/uint16"));
    // Two gaps of two bridged, and the reads of the other tables and unit.
    names.insert(names.end(), {"1/input/10/int16", "1/input/13/int16", "1/coil/0/bool",
                               "1/coil/2/bool", "1/coil/4/bool", "2/holding/0/int16"});
    EXPECT_THAT(AddItems(names), ::testing::Each(S_OK));
    const Change change = Step();
    EXPECT_EQ(m_Device->TakeRequests(), 6);
    ASSERT_EQ(change.size(), names.size());
    EXPECT_EQ(Number(change.at(300).value), 299.0);
    EXPECT_EQ(Number(change.at(302).value), 4.0);
    EXPECT_EQ(Number(change.at(306).value), 5.0);
    // Nothing changed on the device: no change, and the same reads.
    EXPECT_TRUE(Step().empty());
    EXPECT_EQ(m_Device->TakeRequests(), 6);
}

TEST_F(ModbusServerTest, ExceptionsAndASilentUnitMarkExactlyTheirBlocksLoggedOnce) {
    ASSERT_TRUE(
        StartDevice(R"({"1": [{"table": "holding", "address": 0, "type": "float32", "value": 1.5},
                                      {"table": "holding", "address": 100, "registers": [7]}]})"));
    ASSERT_EQ(Connect(m_Device->Node()), S_OK);
    AddGroup();
    EXPECT_THAT(AddItems({"1/holding/0/float32", "1/holding/50/int16", "1/holding/51/int16",
                          "9/holding/0/int16", "1/holding/100/int16", "1/input/0/int16"}),
                ::testing::Each(S_OK));
    const Change change = Step();
    ASSERT_EQ(change.size(), 6u);
    EXPECT_EQ(change.at(1).nQuality, OPC_QUALITY_GOOD);
    EXPECT_EQ(Number(change.at(1).value), 1.5);
    EXPECT_EQ(change.at(2).nQuality, kConfigError);  // illegal data address
    EXPECT_EQ(change.at(3).nQuality, kConfigError);
    EXPECT_EQ(change.at(4).nQuality, kCommFailure);  // pymodbus has no unit 9 and is silent
    EXPECT_EQ(change.at(5).nQuality, OPC_QUALITY_GOOD);
    EXPECT_EQ(change.at(6).nQuality, kConfigError);
    Step();
    EXPECT_THAT(LogWith("did not answer"),
                ElementsAre(Text("Modbus: unit 9 holding 0 to 0 at ", m_Device->Node(),
                                 " did not answer (Connection timed out); its 1 item(s) are bad")));
    EXPECT_THAT(
        LogWith("answered exception"),
        ElementsAre(Text("Modbus: unit 1 input 0 to 0 at ", m_Device->Node(),
                         " answered exception 2 (Illegal data address); its 1 item(s) are bad"),
                    Text("Modbus: unit 1 holding 50 to 51 at ", m_Device->Node(),
                         " answered exception 2 (Illegal data address); its 2 item(s) are bad")));
    EXPECT_THAT(LogWith("lost"), ::testing::IsEmpty());
}

TEST_F(ModbusServerTest, ADeviceStoppedAndRestartedComesBackByItself) {
    ASSERT_TRUE(StartDevice(R"({"1": [{"table": "holding", "address": 0, "registers": [1, 2]}]})"));
    ASSERT_EQ(Connect(m_Device->Node(), "ResponseTimeoutMilliseconds=500\n"), S_OK);
    AddGroup(50);
    AddItems({"1/holding/0/int16", "1/holding/1/int16"});
    auto all = [this](std::int32_t nQuality) {
        return [this, nQuality] {
            return !m_Changes.empty() && m_Changes.back().size() == 2 &&
                   m_Changes.back().at(1).nQuality == nQuality &&
                   m_Changes.back().at(2).nQuality == nQuality;
        };
    };
    RunUntil(all(OPC_QUALITY_GOOD));
    m_Device->Kill();
    // Both items turn bad in one change, and stay so while the device is away.
    RunUntil(all(kCommFailure));
    const std::size_t nBad = m_Changes.size();
    RunUntil([this] { return LogWith("lost").size() == 1; });
    ASSERT_TRUE(m_Device->Start());
    RunUntil(all(OPC_QUALITY_GOOD));
    EXPECT_EQ(m_Changes.size(), nBad + 1);
    EXPECT_EQ(Number(m_Changes.back().at(2).value), 2.0);
    EXPECT_EQ(LogWith("lost").size(), 1u);
    EXPECT_THAT(LogWith("restored"), ElementsAre(Text("Modbus: connection to the device at ",
                                                      m_Device->Node(), " restored")));
}

TEST_F(ModbusServerTest, WritesReachTheDeviceCodedAsTheirItems) {
    ASSERT_TRUE(
        StartDevice(R"({"1": [{"table": "holding", "address": 200, "registers": [0, 0, 0, 0]},
                                      {"table": "input", "address": 0, "registers": [0]},
                                      {"table": "coil", "address": 3, "bits": [0]}]})"));
    ASSERT_EQ(Connect(m_Device->Node()), S_OK);
    AddGroup();
    EXPECT_THAT(
        AddItems({"1/holding/200/float32/CDAB", "1/holding/202/int16", "1/holding/203/int16*0.0001",
                  "1/coil/3/bool", "1/input/0/int16", "1/holding/300/int16"}),
        ::testing::Each(S_OK));
    Write({{1, Variant(0.8146f)},
           {2, Variant(std::int32_t{-2})},
           {3, Variant(0.8146)},
           {4, Variant(true)},
           {5, Variant(std::int32_t{5})},
           {6, Variant(std::int32_t{5})}});
    RunUntil([this] { return m_Written.size() == 6; });
    EXPECT_EQ(m_Written, (std::map<std::int32_t, HRESULT>{{1, S_OK},
                                                          {2, S_OK},
                                                          {3, S_OK},
                                                          {4, S_OK},
                                                          {5, MODBUS_E_READ_ONLY},
                                                          {6, MODBUS_E_EXCEPTION}}));
    // Python's struct gives 0.8146 as 3F50 89A0; CDAB sends the low word
    // first. The adjacent registers of one call go as one request.
    EXPECT_EQ(m_Device->WaitForLine("write "), "write 1 coil 3 1");
    EXPECT_EQ(m_Device->WaitForLine("write "), "write 1 holding 200 35232 16208 65534 8146");

    m_Written.clear();
    Write({{2, Variant(std::int32_t{40000})}});
    RunUntil([this] { return !m_Written.empty(); });
    EXPECT_EQ(m_Written.at(2), MODBUS_E_VALUE_RANGE);
}

TEST_F(ModbusServerTest, NoDeviceAtConnectIsAnError) {
    ASSERT_TRUE(StartDevice(R"({"1": []})"));
    const std::string strNode = m_Device->Node();
    m_Device->Kill();
    EXPECT_EQ(Connect(strNode), MODBUS_E_DEVICE_UNREACHABLE);
    EXPECT_THAT(LogWith("cannot connect"),
                ElementsAre(Text("Modbus: cannot connect to the device at ", strNode,
                                 ": Connection refused")));
    EXPECT_EQ(Connect("127.0.0.1:notaport"), MODBUS_E_BAD_NODE);
    EXPECT_EQ(Connect(strNode, "MaxGap=200\n"), MODBUS_E_BAD_OPTION);
}

// A listening socket on 127.0.0.1 that the test answers through Answer.
class RawDevice {
public:
    using Answer = std::function<std::optional<std::string>(const std::string&)>;

    RawDevice() {
        m_Listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(m_Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(m_Listener, 8);
        getsockname(m_Listener, reinterpret_cast<sockaddr*>(&addr), &len);
        m_nPort = ntohs(addr.sin_port);
    }
    ~RawDevice() {
        m_bStop = true;
        if (m_Thread.joinable()) m_Thread.join();
        close(m_Listener);
    }
    std::string Node() const { return Text("127.0.0.1:", std::to_string(m_nPort)); }

    // Each connection's requests get answer(request) back: nothing closes the
    // connection, an empty text sends nothing. Without a call nothing is
    // accepted at all.
    void Serve(Answer answer) {
        m_Thread = std::thread([this, answer = std::move(answer)] {
            while (!m_bStop) {
                const int fd = Accept();
                if (fd < 0) continue;
                Converse(fd, answer);
                close(fd);
            }
        });
    }

    int Accept() {
        pollfd pfd{m_Listener, POLLIN, 0};
        if (poll(&pfd, 1, 50) != 1) return -1;
        ++m_nConnections;
        return accept4(m_Listener, nullptr, nullptr, SOCK_CLOEXEC);
    }
    // Connections accepted so far.
    int Connections() const { return m_nConnections; }

private:
    void Converse(int fd, const Answer& answer) const {
        while (!m_bStop) {
            pollfd pfd{fd, POLLIN, 0};
            if (poll(&pfd, 1, 50) != 1) continue;
            char buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) return;
            const auto strAnswer = answer(std::string(buffer, static_cast<std::size_t>(n)));
            if (!strAnswer) return;
            if (send(fd, strAnswer->data(), strAnswer->size(), MSG_NOSIGNAL) < 0) return;
        }
    }

    int m_Listener = -1;
    int m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nConnections{0};
    std::thread m_Thread;
};

// A device that takes the connection and never answers: the poll waits its
// response timeout on the worker, and the loop goes on meanwhile.
TEST_F(ModbusServerTest, ADeadDeviceNeverStallsTheLoop) {
    RawDevice dead;
    ASSERT_EQ(Connect(dead.Node(), "ResponseTimeoutMilliseconds=3000\n"), S_OK);
    AddGroup();
    AddItems({"1/holding/0/int16"});
    m_Server->Groups()->Find("Group1")->Update(Clock::now());
    int nTicks = 0;
    asio::steady_timer timer(m_io);
    std::function<void()> tick = [&] {
        timer.expires_after(10ms);
        timer.async_wait([&](const asio::error_code&) {
            if (++nTicks < 20) tick();
        });
    };
    tick();
    // The poll's result (which logs the loss) is one handler, the ticks the
    // others: all twenty come first, as the result waits three seconds.
    while (LogWith("lost").empty() && m_io.run_one_for(30s) == 1) {
    }
    EXPECT_EQ(nTicks, 20);
    ASSERT_EQ(m_Changes.size(), 1u);
    EXPECT_EQ(m_Changes.back().at(1).nQuality, kCommFailure);
    EXPECT_THAT(LogWith("lost"), ElementsAre(::testing::HasSubstr("(Connection timed out)")));
}

// An answer with the request's transaction and unit.
std::string Frame(const std::string& request, const std::string& pdu) {
    std::string frame = request.substr(0, 4);
    frame += static_cast<char>((pdu.size() + 1) >> 8);
    frame += static_cast<char>(pdu.size() + 1);
    frame += request.size() > 6 ? request[6] : '\1';
    return frame + pdu;
}

TEST_F(ModbusServerTest, GarbageAndHalfFramesAreCommunicationFailures) {
    using namespace std::string_literals;
    const struct {
        const char* what;
        RawDevice::Answer answer;
        std::int32_t nQuality;
    } cases[] = {
        {"a good answer", [](const std::string& r) { return Frame(r, "\x03\x02\x00\x07"s); },
         OPC_QUALITY_GOOD},
        {"closed at once", [](const std::string&) { return std::nullopt; }, kCommFailure},
        {"half a frame", [](const std::string& r) { return r.substr(0, 5); }, kCommFailure},
        {"another transaction",
         [](const std::string& r) {
             std::string frame = Frame(r, "\x03\x02\x00\x07"s);
             frame[1] = static_cast<char>(frame[1] + 1);
             return frame;
         },
         kCommFailure},
        {"cut after the function",
         [](const std::string& r) { return Frame(r, "\x03\x02\x00\x07"s).substr(0, 8); },
         kCommFailure},
        {"more data than asked",
         [](const std::string& r) { return Frame(r, "\x03\x04\x00\x07\x00\x08"s); }, kCommFailure},
        {"another function", [](const std::string& r) { return Frame(r, "\x04\x02\x00\x07"s); },
         kCommFailure},
        {"an exception code no one defined",
         [](const std::string& r) { return Frame(r, "\x83\x99"s); }, kCommFailure},
        {"an exception", [](const std::string& r) { return Frame(r, "\x83\x02"s); }, kConfigError},
        {"a device failure", [](const std::string& r) { return Frame(r, "\x83\x04"s); },
         kDeviceFailure},
        {"noise", [](const std::string&) { return std::string(300, '\xA5'); }, kCommFailure},
        // The length field counts three bytes more than the function's byte count.
        {"bytes after the answer",
         [](const std::string& r) { return Frame(r, "\x03\x02\x00\x07\x00\x00\x00"s); },
         kCommFailure},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RawDevice device;
        device.Serve(c.answer);
        ASSERT_EQ(Connect(device.Node(), "ResponseTimeoutMilliseconds=300\n"), S_OK);
        m_Changes.clear();
        AddGroup();
        AddItems({"1/holding/0/int16"});
        const Change change = Step();
        ASSERT_EQ(change.size(), 1u);
        EXPECT_EQ(change.at(1).nQuality, c.nQuality);
        if (c.nQuality == OPC_QUALITY_GOOD) {
            EXPECT_EQ(Number(change.at(1).value), 7.0);
        }
        m_Group.reset();
        m_Server->Disconnect();
    }
}

// Unit 2 behind a gateway answers only after its timeout, just before the
// next answer on the same connection: the late answer must not be taken for
// that one, nor cost the connection.
TEST_F(ModbusServerTest, ALateAnswerOfOneUnitIsNoLoss) {
    using namespace std::string_literals;
    std::string late;
    int nLateOn = 0;
    RawDevice gateway;
    gateway.Serve([&](const std::string& r) -> std::optional<std::string> {
        std::string strSend = gateway.Connections() == nLateOn ? late : "";
        late.clear();
        const std::string strAnswer = Frame(r, "\x03\x02\x00\x07"s);
        if (r.size() > 6 && r[6] == 2) {
            late = strAnswer;
            nLateOn = gateway.Connections();
            return strSend;
        }
        return strSend + strAnswer;
    });
    ASSERT_EQ(Connect(gateway.Node(), "ResponseTimeoutMilliseconds=300\n"), S_OK);
    AddGroup();
    AddItems({"1/holding/0/int16", "2/holding/0/int16"});
    const Change change = Step();
    ASSERT_EQ(change.size(), 2u);
    EXPECT_EQ(change.at(1).nQuality, OPC_QUALITY_GOOD);
    EXPECT_EQ(change.at(2).nQuality, kCommFailure);
    EXPECT_TRUE(Step().empty());
    EXPECT_TRUE(Step().empty());
    EXPECT_THAT(LogWith("lost"), ::testing::IsEmpty());
    EXPECT_EQ(LogWith("did not answer").size(), 1u);
    m_Server->Disconnect();
}

}  // namespace
}  // namespace tarnel
