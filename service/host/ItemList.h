#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnel {

// The distinct OPC item names of all streams, in order of first use; a name's
// position is its item index. Names are compared exactly. A hash index beside
// the list finds a name again, so registering is constant time on average
// also for hundreds of thousands of items.
class ItemList {
public:
    // Returns the index of the name, appending it when new.
    std::int32_t RegisterItem(const std::string& strName);
    // Exactly the registered names, for the subscription.
    const std::vector<std::string>& Items() const { return m_strItems; }
    // Precondition: 0 <= nIndex < Count().
    const std::string& Name(std::int32_t nIndex) const {
        return m_strItems[static_cast<std::size_t>(nIndex)];
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(m_strItems.size()); }
    // Highest index the list holds before it counts ten more slots: 100 at
    // first. The storage itself grows geometrically.
    std::int32_t Capacity() const { return g_nItemCapacity; }

private:
    std::int32_t g_nItemCapacity = 100;
    std::vector<std::string> m_strItems;
    std::unordered_map<std::string, std::int32_t> m_Index;
};

}  // namespace tarnel
