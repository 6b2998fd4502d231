#pragma once
#include <string>
#include <vector>

namespace tarnel {

// How the command-line clients reach a broker on 127.0.0.1: its port and,
// when set, a user and TLS.
struct MqttEndpoint {
    int port = 0;
    std::string user;
    std::string password;
    std::string caFile;    // set: TLS, the broker's certificate checked against this CA
    std::string certFile;  // the client's own certificate and key, when the broker asks
    std::string keyFile;

    // The options of mosquitto_pub and mosquitto_sub that say so.
    std::vector<std::string> Arguments() const {
        std::vector<std::string> args = {"-h", "127.0.0.1", "-p", std::to_string(port)};
        auto add = [&](const char* option, const std::string& value) {
            if (value.empty()) return;
            args.push_back(option);
            args.push_back(value);
        };
        add("-u", user);
        add("-P", password);
        add("--cafile", caFile);
        add("--cert", certFile);
        add("--key", keyFile);
        return args;
    }
};

}  // namespace tarnel
