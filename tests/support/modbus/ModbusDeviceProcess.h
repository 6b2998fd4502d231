#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/ChildProcess.h"

namespace tarnel {

// A real Modbus TCP device for one test: pymodbus serving the JSON map of
// ModbusDevice.py on 127.0.0.1, killed with the test. It reports every
// request and write on a line, which the test reads to count them.
class ModbusDeviceProcess {
public:
    // The map is written to strFolder/device.json.
    ModbusDeviceProcess(const std::string& strFolder, const std::string& strMap);
    ModbusDeviceProcess(const ModbusDeviceProcess&) = delete;
    ModbusDeviceProcess& operator=(const ModbusDeviceProcess&) = delete;

    // Starts the device and waits until it serves. The first start lets the
    // system pick a free port; a start after Kill() takes the same one again.
    ::testing::AssertionResult Start();
    // SIGKILL, reaped: the device vanishes as in a power cut.
    void Kill();
    int Port() const { return m_nPort; }
    std::string Node() const {
        std::string strNode = "127.0.0.1:";
        strNode += std::to_string(m_nPort);
        return strNode;
    }

    // The requests served since the last call (lines already written).
    int TakeRequests();
    // The next line starting with the text, or nothing when the limit passes.
    std::optional<std::string> WaitForLine(
        const std::string& strStart, std::chrono::milliseconds limit = std::chrono::seconds(20));

private:
    std::string m_strMap;
    int m_nPort = 0;
    std::unique_ptr<ChildProcess> m_Process;
};

}  // namespace tarnel
