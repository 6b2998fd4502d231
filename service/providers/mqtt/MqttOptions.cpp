#include "service/providers/mqtt/MqttOptions.h"

#include <unistd.h>

#include <cmath>

#include "service/base/Numeric.h"
#include "service/base/TextFile.h"
#include "service/config/IniReadWriter.h"
#include "service/providers/mqtt/MqttErrors.h"

namespace tarnel {

namespace {

std::string HostName() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "localhost";
}

std::string InFolder(const std::string& strFile, const std::string& strFolder) {
    if (strFile.empty() || strFile.front() == '/') return strFile;
    std::string strPath = strFolder;
    strPath += '/';
    strPath += strFile;
    return strPath;
}

// The whole number of a key within [nLow, nHigh], or nothing.
bool ReadWhole(const std::string& strText, int nLow, int nHigh, int& nValue) {
    const auto number = ParseNumber(strText);
    // The range first: casting a number outside int's range is undefined.
    if (!number || *number < nLow || *number > nHigh || *number != std::floor(*number)) {
        return false;
    }
    nValue = static_cast<int>(*number);
    return true;
}

// The first line of the file, without its line end.
bool ReadPassword(const std::string& strPath, std::string& strPassword) {
    std::string strContents;
    if (TextFile::Read(strPath, strContents) != TextFile::ReadResult::Read) return false;
    strPassword = strContents.substr(0, strContents.find_first_of("\r\n"));
    return true;
}

}  // namespace

HRESULT MqttOptions::Read(const std::string& strIniFile, const std::string& strFolder,
                          MqttOptions& options, std::string& strError) {
    const IniReadWriter ini;
    auto get = [&](const char* key, const std::string& strDefault) {
        return ini.GetProfile(kSection, key, strDefault, strIniFile);
    };
    options.strClientId = get("ClientId", "TarnelSvc-" + HostName());
    options.strUserName = get("UserName", "");
    options.strCAFile = InFolder(get("CAFile", ""), strFolder);
    options.strCertFile = InFolder(get("CertFile", ""), strFolder);
    options.strKeyFile = InFolder(get("KeyFile", ""), strFolder);
    options.strStateTopic = get("StateTopic", "tarnel/" + options.strClientId + "/state");
    const std::string strPasswordFile = InFolder(get("PasswordFile", ""), strFolder);
    if (!strPasswordFile.empty() && !ReadPassword(strPasswordFile, options.strPassword)) {
        strError = "the password file " + strPasswordFile + " cannot be read";
        return MQTT_E_BAD_OPTION;
    }
    if (!ReadWhole(get("KeepAliveSeconds", "10"), 5, 3600, options.nKeepAliveSeconds)) {
        strError = "KeepAliveSeconds must be a whole number from 5 to 3600";
        return MQTT_E_BAD_OPTION;
    }
    if (!ReadWhole(get("QoS", "1"), 0, 2, options.nQoS)) {
        strError = "QoS must be 0, 1 or 2";
        return MQTT_E_BAD_OPTION;
    }
    return S_OK;
}

}  // namespace tarnel
