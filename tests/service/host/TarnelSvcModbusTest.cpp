// End-to-end: the real TarnelSvc on examples/modbus, with pymodbus as the
// device and mbpoll reading Z back as a plant's control system would.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <set>

#include "HostTestSupport.h"
#include "service/base/Numeric.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/WatchedFile.h"
#include "tests/support/modbus/ModbusDeviceProcess.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;

// The sample's INI with the test device's port and no status page.
std::string SampleIni(int nPort) {
    std::string strIni = TempFolder::Read(MODBUS_EXAMPLES "/TarnelSvc.ini");
    std::string strNode = "Node=127.0.0.1:";
    strNode += std::to_string(nPort);
    strIni = std::regex_replace(strIni, std::regex("Node=.*"), strNode);
    return std::regex_replace(strIni, std::regex("Visible=yes"), "Visible=no");
}

class TarnelSvcModbusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Device.Start());
        m_Home.Write("Streams.csv", TempFolder::Read(MODBUS_EXAMPLES "/Streams.csv"));
        m_Home.Write("TarnelSvc.ini", SampleIni(m_Device.Port()));
    }

    void StartService() {
        m_Service = std::make_unique<ChildProcess>(
            std::vector<std::string>{TARNELSVC_PATH, "-debug"},
            ChildProcess::Options{{}, ChildProcess::ToFile(m_Home.Path() + "/stdout.txt"), {}, {}});
    }

    // Waits until the device saw status 1 written for all three streams.
    ::testing::AssertionResult AllValid() {
        std::set<std::string> valid;
        while (valid.size() < 3) {
            const auto line = m_Device.WaitForLine("write ", 60s);
            if (!line) return ::testing::AssertionFailure() << m_Home.Read("TarnelService.log");
            for (const char* status : {"holding 102 ", "holding 112 ", "holding 121 "}) {
                if (line->find(std::string(status) + "1") != std::string::npos)
                    valid.insert(status);
            }
        }
        return ::testing::AssertionSuccess();
    }

    // A float32 holding register as mbpoll reads it (1-based reference).
    std::optional<double> ReadFloat(int nAddress, bool bBigEndian) {
        std::vector<std::string> argv = {"mbpoll",
                                         "-m",
                                         "tcp",
                                         "-a",
                                         "1",
                                         "-r",
                                         std::to_string(nAddress + 1),
                                         "-t",
                                         "4:float",
                                         "-1",
                                         "-p",
                                         std::to_string(m_Device.Port()),
                                         "127.0.0.1"};
        if (bBigEndian) argv.insert(argv.end() - 1, "-B");
        const auto run = ChildProcess::Run(argv, 30s);
        std::smatch match;
        if (run.status != 0 ||
            !std::regex_search(run.output, match, std::regex(R"(\]:\s+(\S+))"))) {
            return std::nullopt;
        }
        return ParseNumber(match[1]);
    }

    bool Logged(const std::string& strText) { return m_Log.WaitForLine(strText, 60s).has_value(); }

    test::TempHome m_Home;
    TempFolder m_DeviceFolder;
    ModbusDeviceProcess m_Device{m_DeviceFolder.Path().string(),
                                 TempFolder::Read(MODBUS_EXAMPLES "/Device.json")};
    WatchedFile m_Log{m_Home.Path() + "/TarnelService.log"};
    std::unique_ptr<ChildProcess> m_Service;
};

TEST_F(TarnelSvcModbusTest, ZAndStatusOfThreeStreamsReachTheDevice) {
    StartService();
    ASSERT_TRUE(AllValid());
    // NG-101 big-endian, C3-102 with its words swapped, as mbpoll reads by default.
    for (const auto& [nAddress, bBigEndian] : {std::pair{100, true}, {110, false}}) {
        const auto z = ReadFloat(nAddress, bBigEndian);
        ASSERT_TRUE(z) << nAddress;
        EXPECT_GT(*z, 0.5) << nAddress;
        EXPECT_LT(*z, 1.0) << nAddress;
    }
    EXPECT_TRUE(m_Service->Running());
}

TEST_F(TarnelSvcModbusTest, NoDeviceIsLoggedAndTheServiceRuns) {
    m_Device.Kill();
    StartService();
    EXPECT_TRUE(Logged("Modbus: cannot connect to the device at 127.0.0.1:"));
    EXPECT_TRUE(Logged("Connect: Error 0x80040401, -2147220479"));
    EXPECT_TRUE(m_Service->Running());
}

}  // namespace
}  // namespace tarnel
