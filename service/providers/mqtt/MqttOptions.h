#pragma once
#include <string>

#include "com/HResult.h"

namespace tarnel {

// How the service meets its broker: the section "Tarnel.MQTT" of the service's
// INI file. A password is never written in the INI itself, only the name of a
// file whose first line holds it.
struct MqttOptions {
    static constexpr const char* kSection = "Tarnel.MQTT";

    std::string strClientId;
    std::string strUserName;
    std::string strPassword;
    std::string strCAFile;
    std::string strCertFile;
    std::string strKeyFile;
    int nKeepAliveSeconds = 10;
    int nQoS = 1;
    // Retained "online" while the service is connected, "offline" (also as the
    // broker's last will) once it is not.
    std::string strStateTopic;

    // Reads the section of strIniFile; relative file names are taken from
    // strFolder. A password file that cannot be read, or a keep-alive or QoS
    // out of range, gives MQTT_E_BAD_OPTION and the reason in strError.
    static HRESULT Read(const std::string& strIniFile, const std::string& strFolder,
                        MqttOptions& options, std::string& strError);
};

}  // namespace tarnel
