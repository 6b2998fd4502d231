#include "tests/support/MqttPublish.h"

namespace tarnel {

ChildProcess::Outcome MqttPublish(const MqttEndpoint& endpoint, const std::string& strTopic,
                                  const std::string& strPayload,
                                  const std::vector<std::string>& options,
                                  std::chrono::milliseconds limit) {
    std::vector<std::string> argv = {"mosquitto_pub"};
    const auto connection = endpoint.Arguments();
    argv.insert(argv.end(), connection.begin(), connection.end());
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {"-t", strTopic});
    std::string strInput;
    if (strPayload.empty()) {
        argv.push_back("-n");
    } else if (strPayload.find('\0') != std::string::npos) {
        // An argument ends at the first NUL; standard input carries any bytes.
        argv.push_back("-s");
        strInput = strPayload;
    } else {
        argv.insert(argv.end(), {"-m", strPayload});
    }
    return ChildProcess::Run(argv, limit, strInput);
}

}  // namespace tarnel
