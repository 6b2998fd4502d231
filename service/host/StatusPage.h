#pragma once
#include <asio/io_context.hpp>
#include <memory>
#include <mutex>
#include <string>

#include "service/host/IStatusWindow.h"
#include "service/host/PageTrust.h"

namespace httplib {
struct Request;
}  // namespace httplib

namespace tarnel {

class HttpListener;

// The status window as a web page. The page and GET /api/window show the
// latest snapshot the event loop published; the page's actions (select, tick,
// close) are posted into the loop, and accepted only from this computer's own
// page (see PageTrust) presenting the token it was served with, so that
// neither another machine nor another web site in the operator's browser,
// even one whose name resolves to this computer, can act. Requests are held
// to a few kilobytes (see BoundedHttpServer).
class StatusPage : public IStatusWindow {
public:
    explicit StatusPage(asio::io_context& loop);
    ~StatusPage() override;

    void Show(const std::string& strAddress, std::int32_t nPort,
              std::function<void(const WindowAction&)> onAction) override;
    void Hide() override;
    void Publish(std::shared_ptr<const WindowSnapshot> snapshot) override;

    // The port in use while shown (the one chosen when port 0 was asked for).
    std::int32_t Port() const { return m_nPort; }

private:
    void Route();
    bool Trusted(const httplib::Request& req) const;
    bool MayAct(const httplib::Request& req) const;
    std::shared_ptr<const WindowSnapshot> Latest() const;

    asio::io_context& m_Loop;
    const std::string m_strToken;
    std::string m_strAddress;
    std::int32_t m_nPort = 0;
    std::function<void(const WindowAction&)> m_OnAction;
    std::unique_ptr<PageTrust> m_Trust;
    std::unique_ptr<HttpListener> m_Listener;
    mutable std::mutex m_Mutex;
    std::shared_ptr<const WindowSnapshot> m_Snapshot;
};

}  // namespace tarnel
