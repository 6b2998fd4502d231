#include "service/host/ItemList.h"

namespace tarnel {

std::int32_t ItemList::RegisterItem(const std::string& strName) {
    const auto nNext = Count();
    const auto [it, bAdded] = m_Index.try_emplace(strName, nNext);
    if (!bAdded) return it->second;
    if (nNext > g_nItemCapacity) g_nItemCapacity += 10;
    m_strItems.push_back(strName);
    return nNext;
}

}  // namespace tarnel
