#include "tests/support/modbus/ModbusDeviceProcess.h"

#include "tests/support/TempFolder.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;

constexpr const char* kListening = "listening on 127.0.0.1:";

}  // namespace

ModbusDeviceProcess::ModbusDeviceProcess(const std::string& strFolder, const std::string& strMap)
    : m_strMap(strFolder + "/device.json") {
    TempFolder::Write(m_strMap, strMap);
}

::testing::AssertionResult ModbusDeviceProcess::Start() {
    Kill();
    // Debian's interpreter, which has Debian's pymodbus, whatever python3 is first in PATH.
    m_Process = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", MODBUS_DEVICE_SCRIPT, "--map", m_strMap,
                                 "--port", std::to_string(m_nPort)},
        ChildProcess::Options{{}, ChildProcess::ToPipe(), ChildProcess::ToPipe(), {}});
    if (!m_Process->Started()) return ::testing::AssertionFailure() << "python3 not found";
    // Generous: a loaded machine may take a while to start an interpreter.
    while (const auto line = m_Process->ReadLine(30s)) {
        if (line->rfind(kListening, 0) != 0) continue;
        m_nPort = std::stoi(line->substr(std::string(kListening).size()));
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the device did not start (scripts/setup.sh installs "
                                            "python3-pymodbus):\n"
                                         << m_Process->Transcript();
}

void ModbusDeviceProcess::Kill() {
    if (m_Process) m_Process->Kill();
}

int ModbusDeviceProcess::TakeRequests() {
    int nRequests = 0;
    while (const auto line = m_Process->ReadLine(0ms)) {
        if (line->rfind("request ", 0) == 0) ++nRequests;
    }
    return nRequests;
}

std::optional<std::string> ModbusDeviceProcess::WaitForLine(const std::string& strStart,
                                                            std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        const auto line = m_Process->ReadLine(left);
        if (!line) return std::nullopt;
        if (line->rfind(strStart, 0) == 0) return line;
    }
}

}  // namespace tarnel
