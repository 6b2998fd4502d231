#include "service/host/UnitFile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "service/base/TextFile.h"
#include "service/base/WriteReport.h"

namespace tarnel {

// TarnelService.service.in, built into the program.
extern const unsigned char kUnitTemplate[];
extern const std::size_t kUnitTemplateSize;

namespace {

// A path on ExecStart= in double quotes: quotes and backslashes escaped, '%'
// and '$' doubled so that systemd expands neither a specifier nor a variable.
std::string Quoted(const std::string& strText) {
    std::string out = "\"";
    for (char c : strText) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '%' || c == '$') out += c;
        out += c;
    }
    return out + "\"";
}

void Substitute(std::string& strText, const std::string& strPlaceholder,
                const std::string& strValue) {
    const auto at = strText.find(strPlaceholder);
    if (at != std::string::npos) strText.replace(at, strPlaceholder.size(), strValue);
}

}  // namespace

UnitFile::UnitFile(std::string strFolder, std::string strServiceName)
    : m_strFolder(std::move(strFolder)), m_strServiceName(std::move(strServiceName)) {}

std::string UnitFile::DefaultFolder() {
    const char* dir = std::getenv("TARNEL_UNIT_DIR");
    return dir != nullptr && *dir != '\0' ? dir : "/etc/systemd/system";
}

std::string UnitFile::Path() const { return m_strFolder + "/" + m_strServiceName + ".service"; }

std::string UnitFile::Text(const std::string& strDisplayName, const std::string& strExecutable) {
    std::string text(reinterpret_cast<const char*>(kUnitTemplate), kUnitTemplateSize);
    Substitute(text, "@DISPLAY_NAME@", strDisplayName);
    Substitute(text, "@EXEC_START@", Quoted(strExecutable));
    return text;
}

bool UnitFile::Write(const std::string& strText) const {
    if (!TextFile::Replace(Path(), strText)) {
        WriteReport::Failed(Path(), errno, WriteReport::ToStandardError);
        return false;
    }
    WriteReport::Written(Path(), WriteReport::ToStandardError);
    return true;
}

bool UnitFile::Remove() const {
    std::error_code ec;
    return std::filesystem::remove(Path(), ec) && !ec;
}

}  // namespace tarnel
