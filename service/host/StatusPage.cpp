#include "service/host/StatusPage.h"

#include <netdb.h>
#include <sys/socket.h>

#include <asio/post.hpp>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

#include "service/host/BoundedHttpServer.h"
#include "service/host/ProgramModule.h"
#include "service/host/StatusPageHtml.h"
#include "service/host/WindowActionBody.h"

namespace tarnel {

namespace {

using namespace std::chrono_literals;

std::string NewToken() {
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        token += part;
    }
    return token;
}

std::string UrlHost(const std::string& strAddress) {
    return strAddress.find(':') == std::string::npos ? strAddress : "[" + strAddress + "]";
}

// SO_REUSEADDR only: the library's default SO_REUSEPORT would let a second
// server share a port that is already in use.
void ExclusivePort(int sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// A header's value; nullopt when absent, and "" when sent more than once, so
// that a second Host or Origin cannot hide behind the first.
std::optional<std::string> OnlyHeader(const httplib::Request& req, const char* szName) {
    const std::size_t nCount = req.get_header_value_count(szName);
    if (nCount == 0) return std::nullopt;
    return nCount == 1 ? req.get_header_value(szName) : std::string();
}

void Reply(httplib::Response& res, int nStatus, const std::string& strError) {
    res.status = nStatus;
    res.set_content(nlohmann::json{{"error", strError}}.dump(), "application/json");
}

}  // namespace

StatusPage::StatusPage(asio::io_context& loop) : m_Loop(loop), m_strToken(NewToken()) {}

StatusPage::~StatusPage() { Hide(); }

void StatusPage::Show(const std::string& strAddress, std::int32_t nPort,
                      std::function<void(const WindowAction&)> onAction) {
    if (m_Server) return;
    m_OnAction = std::move(onAction);
    // The page's requests are a few bytes, under a kilobyte of headers from
    // a browser; nobody gets to make it hold more.
    m_Server = std::make_unique<BoundedHttpServer>(4096, 32768);
    m_Server->set_socket_options(ExclusivePort);
    // Idle keep-alive connections hold worker threads; let them go quickly.
    m_Server->set_keep_alive_timeout(1);
    Route();
    std::string strWhy;
    if (!Bind(strAddress, nPort, strWhy)) {
        m_Server.reset();
        LogMessage("Status page not started on " + UrlHost(strAddress) + ":" +
                   std::to_string(nPort) + ": " + strWhy);
        return;
    }
    m_strAddress = strAddress;
    m_bListenEnded = false;
    m_Thread = std::thread([this] {
        m_Server->listen_after_bind();
        m_bListenEnded = true;
    });
    // stop() is lost on a server that has not begun to listen, so Hide could
    // wait for ever: return only once it listens (or gave up at once).
    while (!m_Server->is_running() && !m_bListenEnded) std::this_thread::sleep_for(1ms);
    LogMessage("Status page at http://" + UrlHost(strAddress) + ":" + std::to_string(m_nPort) +
               "/");
}

bool StatusPage::Bind(const std::string& strAddress, std::int32_t nPort, std::string& strWhy) {
    if (nPort < 0 || nPort > 65535) {
        strWhy = "port out of range";
        return false;
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(strAddress.c_str(), nullptr, &hints, &found); rc != 0) {
        strWhy = gai_strerror(rc);
        return false;
    }
    freeaddrinfo(found);
    errno = 0;
    const int nBound = nPort == 0 ? m_Server->bind_to_any_port(strAddress)
                                  : (m_Server->bind_to_port(strAddress, nPort) ? nPort : -1);
    if (nBound < 0) {
        strWhy = errno != 0 ? std::strerror(errno) : "the address cannot be bound";
        return false;
    }
    m_nPort = nBound;
    m_Trust = std::make_unique<PageTrust>(strAddress, nBound);
    return true;
}

void StatusPage::Route() {
    m_Server->Get("/", [this](const httplib::Request& req, httplib::Response& res) {
        std::string html = kStatusPageHtml;
        html.replace(html.find("%TOKEN%"), 7, Trusted(req) ? m_strToken : "");
        res.set_header("Cache-Control", "no-store");
        // No other site may frame the page and trick a click on its close box.
        res.set_header("Content-Security-Policy", "frame-ancestors 'none'");
        res.set_header("X-Frame-Options", "DENY");
        res.set_content(html, "text/html");
    });
    m_Server->Get("/api/window", [this](const httplib::Request&, httplib::Response& res) {
        const auto snapshot = Latest();
        if (!snapshot) return Reply(res, 503, "the window has not been drawn yet");
        res.set_header("Cache-Control", "no-store");
        // Texts from the configuration files need not be UTF-8.
        res.set_content(
            snapshot->ToJson().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
            "application/json");
    });
    const std::pair<const char*, WindowAction::Kind> actions[] = {
        {"/api/select", WindowAction::Kind::Select},
        {"/api/canclose", WindowAction::Kind::CanClose},
        {"/api/close", WindowAction::Kind::Close}};
    for (const auto& [path, kind] : actions) {
        m_Server->Post(
            path, [this, kind = kind](const httplib::Request& req, httplib::Response& res,
                                      const httplib::ContentReader& reader) {
                std::string strBody;
                if (!m_Server->ReadBody(reader, res, strBody)) return;
                if (!MayAct(req) || req.get_header_value("X-Tarnel-Token") != m_strToken) {
                    return Reply(res, 403, "read-only: actions only from this computer's own page");
                }
                WindowAction action;
                action.What = kind;
                action.Client = req.remote_addr;
                if (!ReadWindowActionBody(strBody, action))
                    return Reply(res, 400, "bad request body");
                asio::post(m_Loop, [onAction = m_OnAction, action] { onAction(action); });
                res.status = 202;
            });
    }
}

bool StatusPage::Trusted(const httplib::Request& req) const {
    return m_Trust->Trusted(req.remote_addr, OnlyHeader(req, "Host"));
}

bool StatusPage::MayAct(const httplib::Request& req) const {
    return m_Trust->MayAct(req.remote_addr, OnlyHeader(req, "Host"), OnlyHeader(req, "Origin"),
                           OnlyHeader(req, "Sec-Fetch-Site"));
}

void StatusPage::Hide() {
    if (!m_Server) return;
    m_Server->stop();
    if (m_Thread.joinable()) m_Thread.join();
    m_Server.reset();
}

void StatusPage::Publish(std::shared_ptr<const WindowSnapshot> snapshot) {
    std::lock_guard lock(m_Mutex);
    m_Snapshot = std::move(snapshot);
}

std::shared_ptr<const WindowSnapshot> StatusPage::Latest() const {
    std::lock_guard lock(m_Mutex);
    return m_Snapshot;
}

}  // namespace tarnel
