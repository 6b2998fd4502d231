// zcalc's CSV input. Every record read must write back, field by field, to a
// line that reads again to the same fields.
#include <cstdint>
#include <cstdlib>

#include "tools/zcalc/CsvRow.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto& row : tarnel::ReadCsvRows({reinterpret_cast<const char*>(data), size})) {
        if (!row.Error.empty() || (row.Fields.size() == 1 && row.Fields[0].empty())) continue;
        std::string line = tarnel::CsvField(row.Fields[0]);
        for (std::size_t i = 1; i < row.Fields.size(); ++i) {
            line += ',';
            line += tarnel::CsvField(row.Fields[i]);
        }
        const auto again = tarnel::ReadCsvRows(line);
        if (again.size() != 1 || again[0].Fields != row.Fields) std::abort();
    }
    return 0;
}
