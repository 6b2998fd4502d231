#pragma once
#include <httplib.h>

#include <cstddef>

namespace tarnel {

// One request's view of a connection: the reads of the library go through it
// and stop at a fixed number of bytes, so that no request line, header or
// body framing makes the server hold more than that, however long it is.
class BoundedStream : public httplib::Stream {
public:
    BoundedStream(httplib::Stream& stream, std::size_t nLimit);

    // Whether a read was refused: the rest of the connection is unread.
    bool Exhausted() const { return m_bExhausted; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override;

private:
    httplib::Stream& m_Stream;
    std::size_t m_nLeft;
    bool m_bExhausted = false;
};

}  // namespace tarnel
