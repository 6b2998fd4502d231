#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/MqttEndpoint.h"

namespace tarnel {

// Publishes one message with mosquitto_pub and waits for it to end. The
// payload's bytes go as they are (through standard input when they hold a
// NUL); an empty payload is a null message, which clears a retained one.
// Options are mosquitto_pub's own: "-r" retained, "-q", "1", ...
// The outcome's status is mosquitto_pub's exit status (0: delivered to the
// broker), nothing when it overran the limit.
ChildProcess::Outcome MqttPublish(const MqttEndpoint& endpoint, const std::string& strTopic,
                                  const std::string& strPayload,
                                  const std::vector<std::string>& options = {},
                                  std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace tarnel
