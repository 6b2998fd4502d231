#include "service/host/PageTrust.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "service/base/TextCase.h"

namespace tarnel {

namespace {

// A dotted quad of four decimal numbers 0-255 (no leading zeros, nothing
// shortened or in hex) whose first part is 127.
bool IsLoopbackV4(const std::string& strText) {
    in_addr address{};
    return inet_pton(AF_INET, strText.c_str(), &address) == 1 &&
           reinterpret_cast<const unsigned char*>(&address)[0] == 127;
}

// The kernel's numeric form of a peer: IPv4, or IPv6 (v4-mapped included).
bool IsLoopbackPeer(const std::string& strAddress) {
    in6_addr address{};
    if (inet_pton(AF_INET6, strAddress.c_str(), &address) != 1) return IsLoopbackV4(strAddress);
    return IN6_IS_ADDR_LOOPBACK(&address) ||
           (IN6_IS_ADDR_V4MAPPED(&address) && address.s6_addr[12] == 127);
}

std::string UrlHost(const std::string& strAddress) {
    return strAddress.find(':') == std::string::npos ? strAddress : "[" + strAddress + "]";
}

}  // namespace

PageTrust::PageTrust(const std::string& strBoundAddress, std::int32_t nPort,
                     std::vector<std::string> strOtherNames)
    : m_strBoundHost(LowerCase(UrlHost(strBoundAddress))),
      m_strPort(std::to_string(nPort)),
      m_strOtherNames(std::move(strOtherNames)) {
    for (auto& strName : m_strOtherNames) strName = LowerCase(strName);
    // An empty name would let a Host of only a port through.
    std::erase(m_strOtherNames, std::string());
}

bool PageTrust::Trusted(const std::string& strRemoteAddress,
                        const std::optional<std::string>& host) const {
    return IsLoopbackPeer(strRemoteAddress) && KnownHost(host);
}

bool PageTrust::KnownHost(const std::optional<std::string>& host) const {
    if (!host || host->empty()) return false;
    // The name ends at the closing bracket of an IPv6 literal, else at the
    // first colon; what follows may only be the page's own port.
    const std::size_t nBracket = host->front() == '[' ? host->find(']') : 0;
    if (nBracket == std::string::npos) return false;
    const std::size_t nColon = host->find(':', nBracket);
    const std::string strName = host->substr(0, nColon);
    if (nColon != std::string::npos && host->substr(nColon + 1) != m_strPort) return false;
    return LocalName(strName);
}

bool PageTrust::LocalName(const std::string& strName) const {
    const std::string strLower = LowerCase(strName);
    return strLower == "localhost" || strLower == "[::1]" || IsLoopbackV4(strName) ||
           strLower == m_strBoundHost ||
           std::find(m_strOtherNames.begin(), m_strOtherNames.end(), strLower) !=
               m_strOtherNames.end();
}

bool PageTrust::MayAct(const std::string& strRemoteAddress, const std::optional<std::string>& host,
                       const std::optional<std::string>& origin,
                       const std::optional<std::string>& fetchSite) const {
    if (!Trusted(strRemoteAddress, host)) return false;
    if (origin && LowerCase(*origin) != LowerCase("http://" + *host)) return false;
    return !fetchSite || *fetchSite == "same-origin" || *fetchSite == "none";
}

}  // namespace tarnel
