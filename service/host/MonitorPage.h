#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/host/MonitorSnapshot.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace tarnel {

class HttpListener;
class PageTrust;

// The monitoring listener: a read-only web page of every stream with its
// trend, the same data as JSON, metrics for the plant's monitoring and a
// health check. It serves the latest snapshot the event loop published and
// changes nothing, so it needs no token; it answers only GET and HEAD, and
// only a request whose Host names it (a loopback name, the bound address or
// a name of MonitorHosts), so that no other web site can read the plant's
// data through a name that resolves to this computer.
class MonitorPage {
public:
    MonitorPage();
    ~MonitorPage();
    MonitorPage(const MonitorPage&) = delete;
    MonitorPage& operator=(const MonitorPage&) = delete;

    // Logs the address, or why it could not be used.
    void Start(const std::string& strAddress, std::int32_t nPort,
               std::vector<std::string> strHosts);
    void Stop();
    void Publish(std::shared_ptr<const MonitorSnapshot> snapshot);
    // The event loop ran just now.
    void Beat();
    // The port in use (the one chosen when port 0 was asked for), 0 when off.
    std::int32_t Port() const { return m_nPort; }

private:
    void Route();
    void Serve(const char* szPattern,
               std::function<void(const httplib::Request&, httplib::Response&)> handler);
    bool Allowed(const httplib::Request& req, httplib::Response& res) const;
    std::shared_ptr<const MonitorSnapshot> Latest() const;
    void Health(httplib::Response& res) const;
    void Trend(const std::string& strName, httplib::Response& res) const;

    std::unique_ptr<HttpListener> m_Listener;
    std::unique_ptr<PageTrust> m_Trust;
    std::int32_t m_nPort = 0;
    mutable std::mutex m_Mutex;
    std::shared_ptr<const MonitorSnapshot> m_Snapshot;
    // steady_clock nanoseconds of the last beat.
    std::atomic<std::int64_t> m_nBeat{0};
};

}  // namespace tarnel
