#include "service/config/CsvReader.h"

#include <fcntl.h>
#include <unistd.h>

#include "service/base/FileSystem.h"

namespace tarnel {

namespace {

constexpr size_t kReadChunk = 65536;

// Only the space character counts as a blank here; a tab is data.
std::string TrimSpaces(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

CsvReader::~CsvReader() { ReleaseFile(); }

const std::string& CsvReader::FileName() const { return m_FileName; }

void CsvReader::FileName(const std::string& strFileName) {
    m_FileName = strFileName;
    m_IsOpen = false;
    ReleaseFile();
}

bool CsvReader::UseQuotes() const { return m_UseQuotes; }
void CsvReader::UseQuotes(bool bUseQuotes) { m_UseQuotes = bUseQuotes; }

int32_t CsvReader::MaxCols() const { return m_MaxCols; }

void CsvReader::MaxCols(int32_t nMaxCols) {
    if (nMaxCols > 0) m_MaxCols = nMaxCols;
}

bool CsvReader::EndOfFile() const { return m_EndOfFile; }
int32_t CsvReader::Row() const { return m_Row; }
int32_t CsvReader::FieldCount() const { return static_cast<int32_t>(m_Fields.size()); }

std::string CsvReader::Field(int32_t Index) const {
    return Index >= 0 && Index < FieldCount() ? m_Fields[static_cast<size_t>(Index)]
                                              : std::string();
}

void CsvReader::OpenCSV() {
    if (m_IsOpen) return;
    ReleaseFile();
    m_EndOfFile = true;
    m_FileNumber = FileSystem::Current().Open(m_FileName, O_RDONLY, 0);
    if (m_FileNumber < 0) return;
    m_EndOfFile = false;
    m_IsOpen = true;
}

void CsvReader::CloseCSV() {
    if (!m_IsOpen) return;
    ReleaseFile();
    m_IsOpen = false;
}

bool CsvReader::ReadLine() {
    m_Fields.clear();
    if (!m_IsOpen) return false;
    if (m_EndOfFile || !BufferHasData()) {
        if (m_ReadError) return Fail();
        m_EndOfFile = true;
        CloseCSV();
        return false;
    }
    std::string line;
    if (!ReadRawLine(line)) return Fail();
    if (TrimSpaces(line).empty()) {
        // The data ends at the first blank line; nothing after it is read.
        m_EndOfFile = true;
        CloseCSV();
        return false;
    }
    Split(std::move(line));
    if (m_Fields.empty()) return Fail();
    ++m_Row;
    return true;
}

// True when at least one unread character is buffered, reading more if needed.
bool CsvReader::BufferHasData() {
    if (m_BufferPos < m_Buffer.size()) return true;
    m_Buffer.resize(kReadChunk);
    const ssize_t n = FileSystem::Current().Read(m_FileNumber, m_Buffer.data(), kReadChunk);
    m_ReadError = n < 0;
    m_Buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    m_BufferPos = 0;
    return n > 0;
}

bool CsvReader::ReadRawLine(std::string& strLine) {
    while (BufferHasData()) {
        const char c = m_Buffer[m_BufferPos++];
        if (c == '\n') return true;
        if (c == '\r') {
            if (BufferHasData() && m_Buffer[m_BufferPos] == '\n') ++m_BufferPos;
            return !m_ReadError;
        }
        strLine += c;
    }
    return !m_ReadError;
}

void CsvReader::Split(std::string strLine) {
    // With a comma after the last character every field, the last included, ends
    // at a comma. A line that already ends with one gets none, so "a,b," gives two.
    if (strLine.back() != ',') strLine += ',';
    bool inQuotes = false;
    size_t start = 0;
    const auto maxCols = static_cast<size_t>(m_MaxCols);
    for (size_t i = 0; i < strLine.size() && m_Fields.size() < maxCols; ++i) {
        if (strLine[i] == ',' && !inQuotes) {
            m_Fields.push_back(FieldText(strLine.substr(start, i - start)));
            start = i + 1;
        } else if (strLine[i] == '"' && m_UseQuotes) {
            inQuotes = !inQuotes;
        }
    }
}

std::string CsvReader::FieldText(const std::string& strRaw) const {
    std::string field = TrimSpaces(strRaw);
    if (m_UseQuotes && field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = field.substr(1, field.size() - 2);
    }
    return field;
}

// A read error or a line without fields: the reader counts as closed from here on.
bool CsvReader::Fail() {
    m_IsOpen = false;
    ReleaseFile();
    return false;
}

void CsvReader::ReleaseFile() {
    if (m_FileNumber >= 0) FileSystem::Current().Close(m_FileNumber);
    m_FileNumber = -1;
    m_Buffer.clear();
    m_BufferPos = 0;
    m_ReadError = false;
}

}  // namespace tarnel
