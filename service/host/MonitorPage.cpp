#include "service/host/MonitorPage.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "service/base/ProgramModule.h"
#include "service/host/Dygraphs.h"
#include "service/host/HttpListener.h"
#include "service/host/MetricsText.h"
#include "service/host/MonitorPageHtml.h"
#include "service/host/PageTrust.h"

namespace tarnel {

namespace {

using Clock = std::chrono::steady_clock;

void Reply(httplib::Response& res, int nStatus, const std::string& strText) {
    res.status = nStatus;
    res.set_content(strText + "\n", "text/plain; charset=utf-8");
}

// The listener's workers give way to the event loop: however many clients
// poll, the loop's writes keep their schedule.
void GiveWay() {
    static thread_local const bool bLowered =
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10) == 0;
    static_cast<void>(bLowered);
}

// Sends a text the snapshot holds straight from it: however many clients
// ask, it is never copied.
void SendFrom(httplib::Response& res, std::shared_ptr<const MonitorSnapshot> snapshot,
              const std::string& strText, const char* szType) {
    res.set_content_provider(
        strText.size(), szType,
        [snapshot = std::move(snapshot), &strText](std::size_t nOffset, std::size_t nLength,
                                                   httplib::DataSink& sink) {
            return sink.write(strText.data() + nOffset, nLength);
        });
}

std::string Bytes(const unsigned char* data, std::size_t nSize) {
    return std::string(reinterpret_cast<const char*>(data), nSize);
}

}  // namespace

MonitorPage::MonitorPage() = default;

MonitorPage::~MonitorPage() { Stop(); }

void MonitorPage::Start(const std::string& strAddress, std::int32_t nPort,
                        std::vector<std::string> strHosts) {
    if (m_Listener) return;
    // Scrapers and browsers send a few hundred bytes of headers, and no body.
    m_Listener = std::make_unique<HttpListener>(0, 16384, BoundedHttpServer::Methods::GetOnly);
    Route();
    const std::string strUrlHost = HttpListener::UrlHost(strAddress);
    std::string strWhy;
    if (!m_Listener->Bind(strAddress, nPort, strWhy)) {
        m_Listener.reset();
        LogMessage("Monitoring not started on " + strUrlHost + ":" + std::to_string(nPort) + ": " +
                   strWhy);
        return;
    }
    m_nPort = m_Listener->Port();
    m_Trust = std::make_unique<PageTrust>(strAddress, m_nPort, std::move(strHosts));
    m_Listener->Listen();
    LogMessage("Monitoring at http://" + strUrlHost + ":" + std::to_string(m_nPort) + "/");
}

void MonitorPage::Stop() {
    if (!m_Listener) return;
    m_Listener->Stop();
    m_Listener.reset();
}

void MonitorPage::Publish(std::shared_ptr<const MonitorSnapshot> snapshot) {
    // The old snapshot may be released here, on the loop: that is only freeing.
    std::lock_guard lock(m_Mutex);
    m_Snapshot.swap(snapshot);
}

void MonitorPage::Beat() {
    m_nBeat = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
                  .count();
}

std::shared_ptr<const MonitorSnapshot> MonitorPage::Latest() const {
    std::lock_guard lock(m_Mutex);
    return m_Snapshot;
}

void MonitorPage::Serve(const char* szPattern,
                        std::function<void(const httplib::Request&, httplib::Response&)> handler) {
    m_Listener->Server().Get(szPattern, [this, handler = std::move(handler)](
                                            const httplib::Request& req, httplib::Response& res) {
        GiveWay();
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Content-Type-Options", "nosniff");
        if (Allowed(req, res)) handler(req, res);
    });
}

bool MonitorPage::Allowed(const httplib::Request& req, httplib::Response& res) const {
    if (m_Trust->KnownHost(HttpListener::OnlyHeader(req, "Host"))) return true;
    Reply(res, 403, "this listener does not answer to that Host name (see MonitorHosts)");
    return false;
}

void MonitorPage::Route() {
    Serve("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Security-Policy", "frame-ancestors 'none'");
        res.set_content(kMonitorPageHtml, "text/html; charset=utf-8");
    });
    Serve("/dygraph.min.js", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(Bytes(kDygraphsScript, kDygraphsScriptSize), "text/javascript");
    });
    Serve("/dygraph.min.css", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(Bytes(kDygraphsStyle, kDygraphsStyleSize), "text/css");
    });
    Serve("/api/streams", [this](const httplib::Request&, httplib::Response& res) {
        const auto snapshot = Latest();
        if (!snapshot) return Reply(res, 503, "starting");
        SendFrom(res, snapshot, snapshot->Json(), "application/json");
    });
    Serve(R"(/api/streams/(.+)/trend)",
          [this](const httplib::Request& req, httplib::Response& res) {
              // The library leaves the path as sent.
              Trend(httplib::detail::decode_url(req.matches[1], false), res);
          });
    Serve("/metrics", [this](const httplib::Request&, httplib::Response& res) {
        const auto snapshot = Latest();
        if (!snapshot) return Reply(res, 503, "starting");
        SendFrom(res, snapshot, snapshot->Metrics(), MetricsText::kContentType);
    });
    Serve("/healthz", [this](const httplib::Request&, httplib::Response& res) { Health(res); });
}

void MonitorPage::Health(httplib::Response& res) const {
    const auto snapshot = Latest();
    if (!snapshot) return Reply(res, 503, "starting");
    const auto beat = Clock::time_point(Clock::duration(m_nBeat.load()));
    const double dSince = std::chrono::duration<double>(Clock::now() - beat).count();
    std::string strText;
    const bool bHealthy = snapshot->Healthy(dSince, strText);
    Reply(res, bHealthy ? 200 : 503, strText);
}

void MonitorPage::Trend(const std::string& strName, httplib::Response& res) const {
    const auto snapshot = Latest();
    const std::int32_t nStream =
        snapshot && snapshot->Streams ? snapshot->Streams->Find(strName) : -1;
    if (nStream < 0) return Reply(res, 404, "no such stream");
    nlohmann::json points = nlohmann::json::array();
    for (const auto& point : snapshot->Streams->Trend(static_cast<std::size_t>(nStream)).Points()) {
        points.push_back({point.Time, MonitorSnapshot::Tidy(point.Z),
                          MonitorSnapshot::Tidy(point.P), MonitorSnapshot::Tidy(point.T),
                          point.Status});
    }
    const nlohmann::json trend = {
        {"stream", snapshot->Streams->At(static_cast<std::size_t>(nStream)).Name},
        {"columns", {"time", "z", "p", "t", "status"}},
        {"points", points}};
    res.set_content(trend.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                    "application/json");
}

}  // namespace tarnel
