#include "service/host/StatusPage.h"

#include <asio/post.hpp>
#include <random>

#include "service/base/ProgramModule.h"
#include "service/host/HttpListener.h"
#include "service/host/StatusPageHtml.h"
#include "service/host/WindowActionBody.h"

namespace tarnel {

namespace {

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

void Reply(httplib::Response& res, int nStatus, const std::string& strError) {
    res.status = nStatus;
    res.set_content(nlohmann::json{{"error", strError}}.dump(), "application/json");
}

}  // namespace

StatusPage::StatusPage(asio::io_context& loop) : m_Loop(loop), m_strToken(NewToken()) {}

StatusPage::~StatusPage() { Hide(); }

void StatusPage::Show(const std::string& strAddress, std::int32_t nPort,
                      std::function<void(const WindowAction&)> onAction) {
    if (m_Listener) return;
    m_OnAction = std::move(onAction);
    // The page's requests are a few bytes, under a kilobyte of headers from
    // a browser; nobody gets to make it hold more.
    m_Listener = std::make_unique<HttpListener>(4096, 32768);
    Route();
    const std::string strUrlHost = HttpListener::UrlHost(strAddress);
    std::string strWhy;
    if (!m_Listener->Bind(strAddress, nPort, strWhy)) {
        m_Listener.reset();
        LogMessage("Status page not started on " + strUrlHost + ":" + std::to_string(nPort) + ": " +
                   strWhy);
        return;
    }
    m_nPort = m_Listener->Port();
    m_Trust = std::make_unique<PageTrust>(strAddress, m_nPort);
    m_strAddress = strAddress;
    m_Listener->Listen();
    LogMessage("Status page at http://" + strUrlHost + ":" + std::to_string(m_nPort) + "/");
}

void StatusPage::Route() {
    auto& server = m_Listener->Server();
    server.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
        std::string html = kStatusPageHtml;
        html.replace(html.find("%TOKEN%"), 7, Trusted(req) ? m_strToken : "");
        res.set_header("Cache-Control", "no-store");
        // No other site may frame the page and trick a click on its close box.
        res.set_header("Content-Security-Policy", "frame-ancestors 'none'");
        res.set_header("X-Frame-Options", "DENY");
        res.set_content(html, "text/html");
    });
    server.Get("/api/window", [this](const httplib::Request&, httplib::Response& res) {
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
        server.Post(
            path, [this, &server, kind = kind](const httplib::Request& req, httplib::Response& res,
                                               const httplib::ContentReader& reader) {
                std::string strBody;
                if (!server.ReadBody(reader, res, strBody)) return;
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
    return m_Trust->Trusted(req.remote_addr, HttpListener::OnlyHeader(req, "Host"));
}

bool StatusPage::MayAct(const httplib::Request& req) const {
    return m_Trust->MayAct(req.remote_addr, HttpListener::OnlyHeader(req, "Host"),
                           HttpListener::OnlyHeader(req, "Origin"),
                           HttpListener::OnlyHeader(req, "Sec-Fetch-Site"));
}

void StatusPage::Hide() {
    if (!m_Listener) return;
    m_Listener->Stop();
    m_Listener.reset();
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
