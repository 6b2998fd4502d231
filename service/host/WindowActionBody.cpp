#include "service/host/WindowActionBody.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace tarnel {

bool ReadWindowActionBody(const std::string& strBody, WindowAction& action) {
    if (action.What == WindowAction::Kind::Close) return true;
    const auto body = nlohmann::json::parse(strBody, nullptr, false);
    if (!body.is_object()) return false;
    if (action.What == WindowAction::Kind::CanClose) {
        const auto it = body.find("checked");
        if (it == body.end() || !it->is_boolean()) return false;
        action.Checked = it->get<bool>();
        return true;
    }
    const auto it = body.find("position");
    if (it == body.end() || !it->is_number_integer()) return false;
    const auto nPosition = it->get<std::int64_t>();
    if (nPosition < 0 || nPosition > std::numeric_limits<std::int32_t>::max()) return false;
    action.Position = static_cast<std::int32_t>(nPosition);
    return true;
}

}  // namespace tarnel
