#pragma once
#include <cstdint>
#include <string>

#include "com/HResult.h"

namespace tarnel {

// Where an item's value is on a device and how it is coded:
// <unit>/<table>/<address>/<type>[*<scale>][/<word order>], for example
// 1/holding/100/float32, 3/input/0/int16*0.1, 1/holding/200/float32/CDAB,
// 1/coil/5/bool. Addresses are 0-based as on the wire.
struct ModbusAddress {
    enum class Table { Coil, Discrete, Input, Holding };
    enum class Type { Bool, Int16, UInt16, Int32, UInt32, Float32, Float64 };

    int nUnit = 1;
    Table table = Table::Holding;
    std::uint16_t nAddress = 0;
    Type type = Type::UInt16;
    // A device that sends scaled integers: the value is the raw number times this.
    double dScale = 1.0;
    bool bScaled = false;
    // ABCD is big-endian; CDAB reverses the words, BADC the bytes in each word,
    // DCBA both.
    bool bWordsReversed = false;
    bool bBytesSwapped = false;

    // Registers (or bits) the value takes.
    int Width() const;
    bool IsBitTable() const { return table == Table::Coil || table == Table::Discrete; }
    bool IsWritable() const { return table == Table::Coil || table == Table::Holding; }
};

// Parses an item name; a code of the MODBUS_E_ item group when it is no
// address, and address is then left as it was.
HRESULT ParseAddress(const std::string& strName, ModbusAddress& address);

// "coil", "discrete", "input" or "holding".
const char* TableName(ModbusAddress::Table table);

}  // namespace tarnel
