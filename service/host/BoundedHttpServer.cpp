#include "service/host/BoundedHttpServer.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>

#include "service/host/BoundedStream.h"

namespace tarnel {

namespace {

// Answers and then ends the connection: the library drops a connection
// whose content provider gives up, after the whole response was written.
void Refuse(httplib::Response& res, int nStatus, std::string strReason) {
    res.status = nStatus;
    res.set_header("Connection", "close");
    strReason += '\n';
    const std::size_t nLength = strReason.size();
    res.set_content_provider(
        nLength, "text/plain",
        [strReason = std::move(strReason)](std::size_t, std::size_t, httplib::DataSink& sink) {
            sink.write(strReason.data(), strReason.size());
            return false;
        });
}

// A Content-Length given once, as decimal digits only.
bool ReadLength(const httplib::Request& req, std::uint64_t& nLength) {
    if (req.get_header_value_count("Content-Length") != 1) return false;
    const std::string strLength = req.get_header_value("Content-Length");
    const char* const end = strLength.data() + strLength.size();
    const auto [ptr, ec] = std::from_chars(strLength.data(), end, nLength);
    return !strLength.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

BoundedHttpServer::BoundedHttpServer(std::size_t nBodyLimit, std::size_t nRequestLimit,
                                     Methods methods)
    : m_nBodyLimit(nBodyLimit), m_nRequestLimit(nRequestLimit), m_Methods(methods) {
    set_payload_max_length(nBodyLimit);
    set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return Screen(req, res); });
}

// Runs before the library reads a body, which it would read whole and
// decompress for any method and path, and until the connection ends for a
// POST without a length.
httplib::Server::HandlerResponse BoundedHttpServer::Screen(const httplib::Request& req,
                                                           httplib::Response& res) const {
    const bool bGet = req.method == "GET" || req.method == "HEAD";
    if (m_Methods == Methods::GetOnly && !bGet) {
        Refuse(res, 405, "read-only: only GET and HEAD");
    } else if (m_Methods == Methods::GetOnly && (req.has_header("Transfer-Encoding") ||
                                                 (req.has_header("Content-Length") &&
                                                  req.get_header_value("Content-Length") != "0"))) {
        Refuse(res, 413, "no request body here");
    } else if (!bGet && req.method != "POST") {
        Refuse(res, 405, "only GET, HEAD and POST");
    } else if (req.has_header("Content-Encoding") || req.is_multipart_form_data()) {
        Refuse(res, 415, "plain request bodies only");
    } else if (req.has_header("Transfer-Encoding")) {
        if (strcasecmp(req.get_header_value("Transfer-Encoding").c_str(), "chunked") == 0) {
            return HandlerResponse::Unhandled;
        }
        Refuse(res, 501, "chunked is the only transfer coding");
    } else if (std::uint64_t nLength = 0; req.has_header("Content-Length")) {
        if (!ReadLength(req, nLength)) {
            Refuse(res, 400, "bad Content-Length");
        } else if (nLength > m_nBodyLimit) {
            Refuse(res, 413, "request body over " + std::to_string(m_nBodyLimit) + " bytes");
        } else {
            return HandlerResponse::Unhandled;
        }
    } else if (req.method == "POST") {
        Refuse(res, 411, "Content-Length required");
    } else {
        return HandlerResponse::Unhandled;
    }
    return HandlerResponse::Handled;
}

bool BoundedHttpServer::ReadBody(const httplib::ContentReader& reader, httplib::Response& res,
                                 std::string& strBody) const {
    bool bOver = false;
    const bool bRead = reader([&](const char* data, std::size_t nSize) {
        bOver = nSize > m_nBodyLimit - strBody.size();
        if (!bOver) strBody.append(data, nSize);
        return !bOver;
    });
    if (bRead) return true;
    if (bOver) {
        Refuse(res, 413, "request body over " + std::to_string(m_nBodyLimit) + " bytes");
    } else {
        Refuse(res, 400, "request body broken off");
    }
    return false;
}

// The library's own connection loop, with each request read through a
// BoundedStream; a request that ran past its limit ends the connection.
bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
    bool bServed = false;
    for (std::size_t nLeft = keep_alive_max_count_; nLeft > 0 && AwaitRequest(sock); --nLeft) {
        bool bClosed = false;
        bool bExhausted = false;
        bServed = httplib::detail::process_client_socket(
            sock, read_timeout_sec_, read_timeout_usec_, write_timeout_sec_, write_timeout_usec_,
            [&](httplib::Stream& stream) {
                BoundedStream bounded(stream, m_nRequestLimit);
                const bool bOk = process_request(bounded, nLeft == 1, bClosed, nullptr);
                bExhausted = bounded.Exhausted();
                return bOk;
            });
        if (!bServed || bClosed || bExhausted) break;
    }
    shutdown(sock, SHUT_RDWR);
    close(sock);
    return bServed;
}

// Waits for the next request on the connection while the keep-alive time and
// the server last.
bool BoundedHttpServer::AwaitRequest(socket_t sock) const {
    using namespace std::chrono;
    const auto until = steady_clock::now() + seconds(keep_alive_timeout_sec_);
    pollfd fd{sock, POLLIN, 0};
    while (svr_sock_ != INVALID_SOCKET) {
        const int nReady = poll(&fd, 1, 10);
        if (nReady > 0) return true;
        if ((nReady < 0 && errno != EINTR) || steady_clock::now() >= until) return false;
    }
    return false;
}

}  // namespace tarnel
