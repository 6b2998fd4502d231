#include "service/base/Numeric.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace tarnel {

std::optional<double> ParseNumber(const std::string& strText) {
    const auto first = strText.find_first_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    const auto last = strText.find_last_not_of(' ');
    const char* begin = strText.data() + first;
    const char* end = strText.data() + last + 1;
    if (*begin == '+' && ++begin != end && *begin == '-') return std::nullopt;
    double dValue = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, dValue, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(dValue)) return std::nullopt;
    return dValue;
}

std::int32_t RoundToInt32(double dValue) {
    const double dRounded = std::nearbyint(dValue);
    if (std::isnan(dRounded)) return 0;
    if (dRounded <= std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (dRounded >= std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(dRounded);
}

}  // namespace tarnel
