// A request to the status page: its Host, Origin and Sec-Fetch-Site headers on
// the first three lines (an empty line for a header not sent), an action's
// JSON body after them; the first byte picks the action. No request may act that the page would not trust.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "service/host/PageTrust.h"
#include "service/host/WindowActionBody.h"
#include "tests/fuzz/FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto header = [&text]() -> std::optional<std::string> {
        const auto line = tarnel::TakeLine(text);
        if (line.empty()) return std::nullopt;
        return std::string(line);
    };
    const auto host = header();
    const auto origin = header();
    const auto fetchSite = header();
    const tarnel::PageTrust trust("127.0.0.1", 8470);
    if (trust.MayAct("127.0.0.1", host, origin, fetchSite) && !trust.Trusted("127.0.0.1", host)) {
        std::abort();
    }
    tarnel::WindowAction action;
    action.What = static_cast<tarnel::WindowAction::Kind>(data[0] % 3);
    (void)tarnel::ReadWindowActionBody(std::string(text), action);
    return 0;
}
