#include "service/host/BoundedStream.h"

#include <algorithm>

namespace tarnel {

BoundedStream::BoundedStream(httplib::Stream& stream, std::size_t nLimit)
    : m_Stream(stream), m_nLeft(nLimit) {}

bool BoundedStream::is_readable() const { return m_Stream.is_readable(); }

bool BoundedStream::is_writable() const { return m_Stream.is_writable(); }

ssize_t BoundedStream::read(char* ptr, size_t size) {
    if (m_nLeft == 0) {
        m_bExhausted = true;
        return -1;
    }
    const ssize_t nRead = m_Stream.read(ptr, std::min(size, m_nLeft));
    if (nRead > 0) m_nLeft -= static_cast<std::size_t>(nRead);
    return nRead;
}

ssize_t BoundedStream::write(const char* ptr, size_t size) { return m_Stream.write(ptr, size); }

void BoundedStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    m_Stream.get_remote_ip_and_port(ip, port);
}

void BoundedStream::get_local_ip_and_port(std::string& ip, int& port) const {
    m_Stream.get_local_ip_and_port(ip, port);
}

socket_t BoundedStream::socket() const { return m_Stream.socket(); }

}  // namespace tarnel
