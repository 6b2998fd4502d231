#include "service/providers/modbus/ModbusValue.h"

#include <bit>
#include <cmath>
#include <limits>

#include "service/providers/modbus/ModbusErrors.h"

namespace tarnel {

namespace {

using Type = ModbusAddress::Type;

// The word order of the address applied to (or taken off) wire registers;
// both steps undo themselves.
void Reorder(const ModbusAddress& address, std::uint16_t* words, int nWidth) {
    if (address.bWordsReversed) {
        for (int i = 0; i < nWidth / 2; ++i) std::swap(words[i], words[nWidth - 1 - i]);
    }
    if (address.bBytesSwapped) {
        for (int i = 0; i < nWidth; ++i) {
            words[i] = static_cast<std::uint16_t>((words[i] << 8) | (words[i] >> 8));
        }
    }
}

std::uint64_t RawValue(const ModbusAddress& address, const std::uint16_t* data) {
    std::uint16_t words[4] = {};
    const int nWidth = address.Width();
    for (int i = 0; i < nWidth; ++i) words[i] = data[i];
    Reorder(address, words, nWidth);
    std::uint64_t nRaw = 0;
    for (int i = 0; i < nWidth; ++i) nRaw = (nRaw << 16) | words[i];
    return nRaw;
}

// The raw number as a double, for the scale.
double Number(Type type, std::uint64_t nRaw) {
    switch (type) {
        case Type::Bool:
            return nRaw != 0 ? 1.0 : 0.0;
        case Type::Int16:
            return static_cast<std::int16_t>(nRaw);
        case Type::Int32:
            return static_cast<std::int32_t>(nRaw);
        case Type::Float32:
            return std::bit_cast<float>(static_cast<std::uint32_t>(nRaw));
        case Type::Float64:
            return std::bit_cast<double>(nRaw);
        default:
            return static_cast<double>(nRaw);
    }
}

Variant Unscaled(Type type, std::uint64_t nRaw) {
    switch (type) {
        case Type::Bool:
            return Variant(nRaw != 0);
        case Type::Int16:
            return Variant(static_cast<std::int32_t>(static_cast<std::int16_t>(nRaw)));
        case Type::UInt16:
        case Type::Int32:
            return Variant(static_cast<std::int32_t>(static_cast<std::uint32_t>(nRaw)));
        case Type::Float32:
            return Variant(std::bit_cast<float>(static_cast<std::uint32_t>(nRaw)));
        default:
            return Variant(Number(type, nRaw));
    }
}

template <typename T>
bool Whole(double dValue, std::uint64_t& nRaw) {
    const double dRounded = std::nearbyint(dValue);
    if (!(dRounded >= static_cast<double>(std::numeric_limits<T>::min()) &&
          dRounded <= static_cast<double>(std::numeric_limits<T>::max()))) {
        return false;
    }
    nRaw = static_cast<std::make_unsigned_t<T>>(static_cast<T>(dRounded));
    return true;
}

// The raw bits of the number in the item's type, or false when it does not fit.
bool ToRaw(Type type, double dValue, std::uint64_t& nRaw) {
    switch (type) {
        case Type::Bool:
            nRaw = dValue != 0.0 ? 1 : 0;
            return !std::isnan(dValue);
        case Type::Int16:
            return Whole<std::int16_t>(dValue, nRaw);
        case Type::UInt16:
            return Whole<std::uint16_t>(dValue, nRaw);
        case Type::Int32:
            return Whole<std::int32_t>(dValue, nRaw);
        case Type::UInt32:
            return Whole<std::uint32_t>(dValue, nRaw);
        case Type::Float32:
            if (std::isfinite(dValue) && std::fabs(dValue) > std::numeric_limits<float>::max()) {
                return false;
            }
            nRaw = std::bit_cast<std::uint32_t>(static_cast<float>(dValue));
            return true;
        default:
            nRaw = std::bit_cast<std::uint64_t>(dValue);
            return true;
    }
}

}  // namespace

Variant DecodeValue(const ModbusAddress& address, const std::uint16_t* data) {
    if (address.IsBitTable()) return Variant(data[0] != 0);
    const std::uint64_t nRaw = RawValue(address, data);
    if (address.bScaled) return Variant(Number(address.type, nRaw) * address.dScale);
    return Unscaled(address.type, nRaw);
}

HRESULT EncodeValue(const ModbusAddress& address, const Variant& value,
                    std::vector<std::uint16_t>& data) {
    double dValue = 0.0;
    const HRESULT hr = value.ToDouble(dValue);
    if (FAILED(hr)) return hr;
    if (address.bScaled) dValue /= address.dScale;
    std::uint64_t nRaw = 0;
    if (!ToRaw(address.IsBitTable() ? Type::Bool : address.type, dValue, nRaw)) {
        return MODBUS_E_VALUE_RANGE;
    }
    const int nWidth = address.IsBitTable() ? 1 : address.Width();
    std::uint16_t words[4] = {};
    for (int i = nWidth - 1; i >= 0; --i, nRaw >>= 16) words[i] = static_cast<std::uint16_t>(nRaw);
    Reorder(address, words, nWidth);
    data.assign(words, words + nWidth);
    return S_OK;
}

}  // namespace tarnel
