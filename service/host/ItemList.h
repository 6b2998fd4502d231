#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tarnel {

// The distinct OPC item names of all streams, in order of first use; a name's
// position is its item index. Names are compared exactly.
class ItemList {
public:
    // Returns the index of the name, appending it when new.
    std::int32_t RegisterItem(const std::string& strName);
    // Exactly the registered names, for the subscription.
    std::vector<std::string> Items() const;
    // Precondition: 0 <= nIndex < Count().
    const std::string& Name(std::int32_t nIndex) const {
        return m_strItems[static_cast<std::size_t>(nIndex)];
    }
    std::int32_t Count() const { return m_nItems; }
    std::int32_t Capacity() const { return g_nItemCapacity; }

private:
    std::int32_t m_nItems = 0;
    // Highest index the list can hold before it grows by ten slots.
    std::int32_t g_nItemCapacity = 100;
    std::vector<std::string> m_strItems = std::vector<std::string>(101);
};

}  // namespace tarnel
