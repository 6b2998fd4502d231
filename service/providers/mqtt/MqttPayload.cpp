#include "service/providers/mqtt/MqttPayload.h"

#include <mosquitto.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "service/base/Numeric.h"

namespace tarnel {

namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxPayload = 4096;
// Deeper JSON is refused while it is parsed, so a hostile payload builds nothing.
constexpr int kMaxDepth = 8;

std::string Counted(const char* strWhat, std::size_t nBytes) {
    std::string strText = strWhat;
    strText += " (";
    strText += std::to_string(nBytes);
    strText += " bytes)";
    return strText;
}

// The library's validator, made for topics, refuses every control character
// (NUL too). Tabs and line ends are ordinary in text payloads; they never occur
// inside a multi-byte sequence, so the stretches between them are checked.
bool IsText(std::string_view payload) {
    for (;;) {
        const auto cut = payload.find_first_of("\t\n\r");
        const auto stretch = payload.substr(0, cut);
        if (!stretch.empty() &&
            mosquitto_validate_utf8(stretch.data(), static_cast<int>(stretch.size())) !=
                MOSQ_ERR_SUCCESS) {
            return false;
        }
        if (cut == std::string_view::npos) return true;
        payload.remove_prefix(cut + 1);
    }
}

// What "echo 45 | mosquitto_pub -s" sends: the text with its line end.
std::string_view WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::optional<bool> Truth(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

bool IsJsonObject(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '{';
}

std::optional<Json> ParseJson(std::string_view text) {
    bool bTooDeep = false;
    const Json::parser_callback_t limit = [&bTooDeep](int nDepth, Json::parse_event_t event,
                                                      Json&) {
        const bool bOpens =
            event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
        if (bOpens && nDepth >= kMaxDepth) bTooDeep = true;
        return !bTooDeep;
    };
    Json doc = Json::parse(text.begin(), text.end(), limit, false);
    if (bTooDeep || doc.is_discarded()) return std::nullopt;
    return doc;
}

std::optional<Variant> JsonValue(const Json& value) {
    if (value.is_boolean()) return Variant(value.get<bool>());
    if (value.is_string()) return Variant(value.get<std::string>());
    if (value.is_number() && std::isfinite(value.get<double>())) {
        return Variant(value.get<double>());
    }
    return std::nullopt;
}

std::int32_t JsonQuality(const Json& doc) {
    const auto quality = doc.find("quality");
    if (quality == doc.end()) return OPC_QUALITY_GOOD;
    if (!quality->is_number_integer()) return OPC_QUALITY_BAD;
    const auto nQuality = quality->get<std::int64_t>();
    return nQuality >= 0 && nQuality <= 255 ? static_cast<std::int32_t>(nQuality) : OPC_QUALITY_BAD;
}

std::optional<MqttReading> ReadJson(std::string_view text) {
    const auto doc = ParseJson(text);
    if (!doc || !doc->is_object()) return std::nullopt;
    const auto value = doc->find("value");
    if (value == doc->end()) return std::nullopt;
    auto reading = JsonValue(*value);
    if (!reading) return std::nullopt;
    return MqttReading{std::move(*reading), JsonQuality(*doc)};
}

}  // namespace

MqttReading ReadPayload(std::string_view payload) {
    if (payload.size() > kMaxPayload) {
        return {Counted("payload too large", payload.size()), OPC_QUALITY_BAD};
    }
    if (!IsText(payload)) return {Counted("binary payload", payload.size()), OPC_QUALITY_BAD};
    const std::string_view line = WithoutLineEnd(payload);
    if (const auto dValue = ParseNumber(std::string(line))) return {*dValue, OPC_QUALITY_GOOD};
    if (const auto bValue = Truth(line)) return {*bValue, OPC_QUALITY_GOOD};
    if (IsJsonObject(payload)) {
        if (auto reading = ReadJson(payload)) return std::move(*reading);
    }
    return {std::string(payload), OPC_QUALITY_GOOD};
}

}  // namespace tarnel
