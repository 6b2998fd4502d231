#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarnel {

// An error inside a service event handler, with the number and description
// that the handler's log line shows.
class HostError : public std::runtime_error {
public:
    HostError(std::int32_t nNumber, const std::string& strDescription)
        : std::runtime_error(strDescription), m_nNumber(nNumber) {}
    std::int32_t Number() const { return m_nNumber; }

    // The error of using an object that was never created.
    static HostError NoObject() {
        return HostError(91, "Object variable or With block variable not set");
    }

private:
    std::int32_t m_nNumber;
};

}  // namespace tarnel
