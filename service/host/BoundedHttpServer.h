#pragma once
#include <httplib.h>

#include <cstddef>
#include <string>

namespace tarnel {

// An HTTP server that holds no more of a request than it means to: a body
// of at most nBodyLimit bytes whatever its framing, and at most nRequestLimit
// bytes of a request in all. A request over a limit is answered while that
// is still possible and its connection closed, since what is left of it
// would otherwise be read as the next request. Bodies it cannot bound (a
// compressed or multipart body, one without length, a method without a
// route) are refused before they are read.
class BoundedHttpServer : public httplib::Server {
public:
    // The methods served: a read-only server refuses POST and any request body.
    enum class Methods { GetAndPost, GetOnly };

    BoundedHttpServer(std::size_t nBodyLimit, std::size_t nRequestLimit,
                      Methods methods = Methods::GetAndPost);

    // Reads the body of a request for a content-reader handler; false, with
    // the response made (413 when it is over the limit, 400 when it breaks
    // off) and the connection to be closed, when it cannot be read whole.
    bool ReadBody(const httplib::ContentReader& reader, httplib::Response& res,
                  std::string& strBody) const;

private:
    HandlerResponse Screen(const httplib::Request& req, httplib::Response& res) const;
    bool process_and_close_socket(socket_t sock) override;
    bool AwaitRequest(socket_t sock) const;

    const std::size_t m_nBodyLimit;
    const std::size_t m_nRequestLimit;
    const Methods m_Methods;
};

}  // namespace tarnel
