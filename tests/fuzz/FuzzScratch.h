#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnel {

// A scratch folder of the fuzz run's own, which is also the program's folder
// (so the log of the code under test lands there), and the file in it that
// holds the current input for the parsers that read files.
class FuzzScratch {
public:
    static const std::string& Folder();
    static std::string InputFile(const std::uint8_t* data, std::size_t size);
};

// The input's text up to its first line feed (removed from text), the rest
// left in text: lets one input drive a parser with two or more texts.
std::string_view TakeLine(std::string_view& text);

}  // namespace tarnel
