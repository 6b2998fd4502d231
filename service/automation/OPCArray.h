#pragma once
#include <cstdint>
#include <utility>
#include <vector>

namespace tarnel {

// A per-item array of the automation layer, indexed from 1 to UBound().
template <typename T>
class OPCArray {
public:
    OPCArray() = default;
    explicit OPCArray(std::int32_t nCount) : m_Items(nCount > 0 ? nCount : 0) {}

    std::int32_t UBound() const { return static_cast<std::int32_t>(m_Items.size()); }
    bool Has(std::int32_t i) const { return i >= 1 && i <= UBound(); }
    // Precondition: Has(i).
    T& operator()(std::int32_t i) { return m_Items[static_cast<std::size_t>(i - 1)]; }
    const T& operator()(std::int32_t i) const { return m_Items[static_cast<std::size_t>(i - 1)]; }
    void Append(T item) { m_Items.push_back(std::move(item)); }
    void Clear() { m_Items.clear(); }

private:
    std::vector<T> m_Items;
};

}  // namespace tarnel
