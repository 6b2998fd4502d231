#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "service/host/BoundedHttpServer.h"

namespace tarnel {

// A BoundedHttpServer bound to one address and port, listening on a thread
// of its own until Stop. The pages route their requests on Server() before
// Listen.
class HttpListener {
public:
    HttpListener(std::size_t nBodyLimit, std::size_t nRequestLimit,
                 BoundedHttpServer::Methods methods = BoundedHttpServer::Methods::GetAndPost);
    ~HttpListener();
    HttpListener(const HttpListener&) = delete;
    HttpListener& operator=(const HttpListener&) = delete;

    BoundedHttpServer& Server() { return *m_Server; }
    // Binds (port 0: a free one); false, with the reason, when the address or
    // port cannot be used. Requests are served only after Listen.
    bool Bind(const std::string& strAddress, std::int32_t nPort, std::string& strWhy);
    void Listen();
    void Stop();
    // The port bound by Bind.
    std::int32_t Port() const { return m_nPort; }

    // An address as the host part of a URL: IPv6 literals in brackets.
    static std::string UrlHost(const std::string& strAddress);
    // A header's value; nullopt when absent, and "" when sent more than once,
    // so that a second Host or Origin cannot hide behind the first.
    static std::optional<std::string> OnlyHeader(const httplib::Request& req, const char* szName);

private:
    std::unique_ptr<BoundedHttpServer> m_Server;
    std::thread m_Thread;
    std::atomic<bool> m_bListenEnded = false;
    std::int32_t m_nPort = 0;
};

}  // namespace tarnel
