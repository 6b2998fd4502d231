#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/MqttEndpoint.h"
#include "tests/support/WatchedFile.h"

namespace tarnel {

// A second listener that takes TLS connections only.
struct BrokerTls {
    std::string caFile;
    std::string certFile;
    std::string keyFile;
    bool requireCertificate = false;  // clients must show a certificate of caFile's CA
};

struct BrokerOptions {
    std::string passwordFile;  // set: only its users may connect (no anonymous clients)
    std::string aclFile;
    std::optional<BrokerTls> tls;
};

// A real mosquitto on 127.0.0.1 for one test, on ports free at run time,
// logging everything (connections included) to a file the test can wait on.
class MosquittoBroker {
public:
    // The configuration and the log go into the folder.
    explicit MosquittoBroker(const std::string& strFolder, BrokerOptions options = {});
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // Starts the broker and waits until it runs. The first start picks free
    // ports; a start after Kill() takes the same ones again.
    ::testing::AssertionResult Start();
    // Further lines of mosquitto.conf from the next start on, such as the
    // queue limits of a plant's broker.
    void ExtraConfiguration(std::string strLines) { m_strExtra = std::move(strLines); }
    // SIGKILL, reaped: the broker vanishes as in a crash.
    void Kill();
    bool Running() const;
    int Port() const { return m_nPort; }
    int TlsPort() const { return m_nTlsPort; }  // 0 without TLS
    MqttEndpoint Endpoint() const { return {m_nPort, {}, {}, {}, {}, {}}; }
    // Everything the broker logged, over all its runs.
    std::string Log() const { return m_Log.Text(); }
    // The next log line containing the text, after the line the previous wait
    // (or Start) found; nothing when the limit passes or the broker ends first.
    std::optional<std::string> WaitForLog(
        const std::string& strText, std::chrono::milliseconds limit = std::chrono::seconds(20));

    // A password file with one user, made by mosquitto_passwd.
    static ::testing::AssertionResult MakePasswordFile(const std::string& strPath,
                                                       const std::string& strUser,
                                                       const std::string& strPassword);

private:
    enum class Attempt { Running, PortTaken, Failed };
    Attempt StartOnce(std::string& strWhy);
    void WriteConfiguration() const;

    std::string m_Folder;
    BrokerOptions m_Options;
    std::string m_strExtra;
    int m_nPort = 0;
    int m_nTlsPort = 0;
    WatchedFile m_Log;
    std::unique_ptr<ChildProcess> m_Process;
};

}  // namespace tarnel
