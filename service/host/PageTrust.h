#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnel {

// Decides whether a request to the status page comes from this computer's
// own page. Header values are passed as received; an absent header is
// nullopt, one sent more than once an empty string (which matches nothing).
class PageTrust {
public:
    // strOtherNames: further names (any letter case) a Host may give, for a
    // listener that other machines reach by the plant network's names.
    PageTrust(const std::string& strBoundAddress, std::int32_t nPort,
              std::vector<std::string> strOtherNames = {});

    // The Host names this listener: a loopback name or literal, the bound
    // address or another name given, without a port or with its own.
    bool KnownHost(const std::optional<std::string>& host) const;

    // From a loopback client that named the page by a local name: a page of
    // another site, even one whose name resolves to this computer, is not.
    bool Trusted(const std::string& strRemoteAddress, const std::optional<std::string>& host) const;

    // An action must also come from the page itself, not from a page of
    // another origin in the same browser.
    bool MayAct(const std::string& strRemoteAddress, const std::optional<std::string>& host,
                const std::optional<std::string>& origin,
                const std::optional<std::string>& fetchSite) const;

private:
    bool LocalName(const std::string& strName) const;

    std::string m_strBoundHost;
    std::string m_strPort;
    std::vector<std::string> m_strOtherNames;
};

}  // namespace tarnel
