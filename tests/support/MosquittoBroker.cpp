#include "tests/support/MosquittoBroker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

namespace tarnel {
namespace {

using namespace std::chrono_literals;

// A port nobody holds right now; another process may still take it before
// the broker binds it, which Start() answers with another port.
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int nPort = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        nPort = ntohs(addr.sin_port);
    }
    if (fd >= 0) close(fd);
    return nPort;
}

// Run as root, mosquitto would switch to its own user, which cannot read the
// test's private folder; naming the current user keeps it as it is.
std::string UserName() {
    const passwd* pw = getpwuid(geteuid());
    return pw != nullptr ? pw->pw_name : "root";
}

constexpr int kAttempts = 5;

}  // namespace

MosquittoBroker::MosquittoBroker(const std::string& strFolder, BrokerOptions options)
    : m_Folder(strFolder), m_Options(std::move(options)), m_Log(strFolder + "/mosquitto.log") {}

void MosquittoBroker::WriteConfiguration() const {
    std::ofstream conf(m_Folder + "/mosquitto.conf");
    conf << "user " << UserName() << "\npersistence false\nlog_dest stderr\nlog_type all\n";
    if (m_Options.passwordFile.empty()) {
        conf << "allow_anonymous true\n";
    } else {
        conf << "allow_anonymous false\npassword_file " << m_Options.passwordFile << "\n";
    }
    if (!m_Options.aclFile.empty()) conf << "acl_file " << m_Options.aclFile << "\n";
    conf << m_strExtra;
    conf << "listener " << m_nPort << " 127.0.0.1\n";
    if (const auto& tls = m_Options.tls) {
        conf << "listener " << m_nTlsPort << " 127.0.0.1\ncafile " << tls->caFile << "\ncertfile "
             << tls->certFile << "\nkeyfile " << tls->keyFile << "\n";
        if (tls->requireCertificate) conf << "require_certificate true\n";
    }
}

MosquittoBroker::Attempt MosquittoBroker::StartOnce(std::string& strWhy) {
    WriteConfiguration();
    const std::size_t logged = Log().size();
    const auto log = ChildProcess::ToFile(m_Log.Path(), true);
    m_Process = std::make_unique<ChildProcess>(
        std::vector<std::string>{"mosquitto", "-c", m_Folder + "/mosquitto.conf"},
        ChildProcess::Options{{}, log, log, {}});
    if (!m_Process->Started()) {
        strWhy = "mosquitto not found; scripts/setup.sh installs it";
        return Attempt::Failed;
    }
    // Generous: a loaded machine may take a while to start a program.
    if (m_Log.WaitForLine(" running", 20s, m_Process->PidFd())) return Attempt::Running;
    m_Process->Kill();
    strWhy = Log().substr(logged);
    return strWhy.find("Address already in use") != std::string::npos ? Attempt::PortTaken
                                                                      : Attempt::Failed;
}

::testing::AssertionResult MosquittoBroker::Start() {
    Kill();
    const bool bRestart = m_nPort != 0;
    std::string strWhy;
    for (int i = 0; i < kAttempts; ++i) {
        if (!bRestart) {
            m_nPort = FreePort();
            m_nTlsPort = m_Options.tls ? FreePort() : 0;
        }
        const Attempt attempt = StartOnce(strWhy);
        if (attempt == Attempt::Running) return ::testing::AssertionSuccess();
        if (attempt == Attempt::Failed) break;
    }
    return ::testing::AssertionFailure() << "mosquitto did not start on port " << m_nPort << ":\n"
                                         << strWhy;
}

void MosquittoBroker::Kill() {
    if (m_Process) m_Process->Kill();
}

bool MosquittoBroker::Running() const { return m_Process && m_Process->Running(); }

std::optional<std::string> MosquittoBroker::WaitForLog(const std::string& strText,
                                                       std::chrono::milliseconds limit) {
    return m_Log.WaitForLine(strText, limit, m_Process ? m_Process->PidFd() : -1);
}

::testing::AssertionResult MosquittoBroker::MakePasswordFile(const std::string& strPath,
                                                             const std::string& strUser,
                                                             const std::string& strPassword) {
    const auto run =
        ChildProcess::Run({"mosquitto_passwd", "-c", "-b", strPath, strUser, strPassword}, 20s);
    if (run.status == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "mosquitto_passwd failed: " << run.output;
}

}  // namespace tarnel
