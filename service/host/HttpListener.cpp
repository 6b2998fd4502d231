#include "service/host/HttpListener.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tarnel {

namespace {

// SO_REUSEADDR only: the library's default SO_REUSEPORT would let a second
// server share a port that is already in use.
void ExclusivePort(int sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

HttpListener::HttpListener(std::size_t nBodyLimit, std::size_t nRequestLimit,
                           BoundedHttpServer::Methods methods)
    : m_Server(std::make_unique<BoundedHttpServer>(nBodyLimit, nRequestLimit, methods)) {
    m_Server->set_socket_options(ExclusivePort);
    // Idle keep-alive connections hold worker threads; let them go quickly.
    m_Server->set_keep_alive_timeout(1);
}

HttpListener::~HttpListener() { Stop(); }

bool HttpListener::Bind(const std::string& strAddress, std::int32_t nPort, std::string& strWhy) {
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
    return true;
}

void HttpListener::Listen() {
    m_bListenEnded = false;
    m_Thread = std::thread([this] {
        m_Server->listen_after_bind();
        m_bListenEnded = true;
    });
    // stop() is lost on a server that has not begun to listen, so Stop could
    // wait for ever: return only once it listens (or gave up at once).
    while (!m_Server->is_running() && !m_bListenEnded) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void HttpListener::Stop() {
    if (!m_Thread.joinable()) return;
    m_Server->stop();
    m_Thread.join();
}

std::string HttpListener::UrlHost(const std::string& strAddress) {
    return strAddress.find(':') == std::string::npos ? strAddress : "[" + strAddress + "]";
}

std::optional<std::string> HttpListener::OnlyHeader(const httplib::Request& req,
                                                    const char* szName) {
    const std::size_t nCount = req.get_header_value_count(szName);
    if (nCount == 0) return std::nullopt;
    return nCount == 1 ? req.get_header_value(szName) : std::string();
}

}  // namespace tarnel
