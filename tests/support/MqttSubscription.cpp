#include "tests/support/MqttSubscription.h"

#include <sstream>

namespace tarnel {
namespace {

using Clock = std::chrono::steady_clock;

// Retained flag, QoS, payload in hex (so any byte survives the line), then
// the topic, which may hold blanks. '%' and '@' are format characters.
constexpr const char* kPrefix = "=msg ";
constexpr const char* kFormat = "=msg %r %q %x %t";

std::vector<std::string> Command(const MqttEndpoint& endpoint, const std::string& strTopic,
                                 const std::vector<std::string>& options) {
    // Piped, mosquitto_sub would hold its debug lines back in its buffer;
    // the acknowledgement must arrive when it happens.
    std::vector<std::string> argv = {"stdbuf", "-oL", "mosquitto_sub"};
    const auto connection = endpoint.Arguments();
    argv.insert(argv.end(), connection.begin(), connection.end());
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"-d", "-t", strTopic, "-F", kFormat});
    return argv;
}

std::string FromHex(const std::string& strHex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < strHex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(strHex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::optional<MqttMessage> Parse(const std::string& line) {
    if (line.rfind(kPrefix, 0) != 0) return std::nullopt;
    std::istringstream fields(line.substr(std::string(kPrefix).size()));
    std::string strRetained, strQos, strHex;
    std::getline(fields, strRetained, ' ');
    std::getline(fields, strQos, ' ');
    std::getline(fields, strHex, ' ');
    MqttMessage message;
    std::getline(fields, message.topic);
    message.payload = FromHex(strHex);
    message.retained = strRetained == "1";
    message.qos = strQos.empty() ? 0 : std::stoi(strQos);
    return message;
}

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

}  // namespace

MqttSubscription::MqttSubscription(const MqttEndpoint& endpoint, const std::string& strTopic,
                                   const std::vector<std::string>& options,
                                   std::chrono::milliseconds limit)
    : m_Process(Command(endpoint, strTopic, options),
                {{}, ChildProcess::ToPipe(), ChildProcess::ToPipe(), {}}),
      m_Subscribed(WaitForSubscribed(limit)) {}

::testing::AssertionResult MqttSubscription::WaitForSubscribed(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (const auto line = m_Process.ReadLine(Left(deadline))) {
        // "Subscribed (mid: 1): 0" follows "received SUBACK" and gives the
        // granted QoS of each topic; 128 is a refusal (an ACL, say).
        const std::size_t codes = line->find("): ");
        if (line->rfind("Subscribed (mid:", 0) != 0 || codes == std::string::npos) continue;
        if (line->find("128", codes) == std::string::npos) return ::testing::AssertionSuccess();
        break;
    }
    return ::testing::AssertionFailure() << "not subscribed:\n" << m_Process.Transcript();
}

std::optional<MqttMessage> MqttSubscription::Next(std::chrono::milliseconds limit) {
    return NextWhere([](const MqttMessage&) { return true; }, limit);
}

std::optional<MqttMessage> MqttSubscription::NextWhere(
    const std::function<bool(const MqttMessage&)>& wanted, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (const auto line = m_Process.ReadLine(Left(deadline))) {
        auto message = Parse(*line);
        if (message && wanted(*message)) return message;
    }
    return std::nullopt;
}

std::optional<MqttMessage> MqttSubscription::NextOn(const std::string& strTopic,
                                                    std::chrono::milliseconds limit) {
    return NextWhere([&](const MqttMessage& m) { return m.topic == strTopic; }, limit);
}

}  // namespace tarnel
