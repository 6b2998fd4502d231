#pragma once
#include <string>

namespace tarnel {

// The systemd unit file of the service: written by install, removed by
// uninstall. The folder is /etc/systemd/system unless TARNEL_UNIT_DIR names
// another one (tests install into a temporary folder).
class UnitFile {
public:
    UnitFile(std::string strFolder, std::string strServiceName);

    static std::string DefaultFolder();

    std::string Path() const;
    // The unit's text: the hardened, notify-type service of the package that
    // runs strExecutable.
    static std::string Text(const std::string& strDisplayName, const std::string& strExecutable);
    // Replaces the file atomically; false, and the reason on standard error,
    // when it cannot be written (an existing unit then stays as it was).
    bool Write(const std::string& strText) const;
    // False when there was no file to remove or it cannot be removed.
    bool Remove() const;

private:
    std::string m_strFolder;
    std::string m_strServiceName;
};

}  // namespace tarnel
