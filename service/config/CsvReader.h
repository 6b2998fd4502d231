#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tarnel {

// Reads a comma-separated text file forward, one line at a time, and splits each
// line into blank-trimmed fields. Double quotes group text that holds commas and
// are removed around a field. A line ends at CR, CR LF or LF (CR LF counts once).
// The first blank line ends the data. Failures show only as a false ReadLine.
class CsvReader {
public:
    CsvReader() = default;
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    const std::string& FileName() const;
    void FileName(const std::string& strFileName);
    bool UseQuotes() const;
    void UseQuotes(bool bUseQuotes);
    int32_t MaxCols() const;
    void MaxCols(int32_t nMaxCols);
    bool EndOfFile() const;
    int32_t Row() const;
    int32_t FieldCount() const;
    std::string Field(int32_t Index) const;

    void OpenCSV();
    void CloseCSV();
    bool ReadLine();

private:
    bool BufferHasData();
    bool ReadRawLine(std::string& strLine);
    void Split(std::string strLine);
    std::string FieldText(const std::string& strRaw) const;
    bool Fail();
    void ReleaseFile();

    int m_FileNumber = -1;  // the descriptor while a file is held
    std::string m_FileName;
    bool m_UseQuotes = true;
    bool m_IsOpen = false;
    bool m_EndOfFile = false;
    int32_t m_MaxCols = 100;
    int32_t m_Row = 0;
    std::vector<std::string> m_Fields;

    std::string m_Buffer;
    size_t m_BufferPos = 0;
    bool m_ReadError = false;
};

}  // namespace tarnel
