// The stream file and scenario rows as the CSV reader splits them: with and
// without quotes, for any column limit.
#include <cstdint>

#include "service/config/CsvReader.h"
#include "tests/fuzz/FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    tarnel::CsvReader reader;
    reader.FileName(tarnel::FuzzScratch::InputFile(data + 1, size - 1));
    reader.UseQuotes((data[0] & 0x80) != 0);
    reader.MaxCols(data[0] & 0x3F);
    reader.OpenCSV();
    while (reader.ReadLine()) {
        for (std::int32_t i = -1; i <= reader.FieldCount(); ++i) (void)reader.Field(i);
    }
    reader.CloseCSV();
    return 0;
}
