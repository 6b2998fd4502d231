#include "service/host/ItemList.h"

namespace tarnel {

std::int32_t ItemList::RegisterItem(const std::string& strName) {
    for (std::int32_t i = 0; i < m_nItems; ++i) {
        if (m_strItems[static_cast<std::size_t>(i)] == strName) return i;
    }
    if (m_nItems > g_nItemCapacity) {
        g_nItemCapacity += 10;
        m_strItems.resize(static_cast<std::size_t>(g_nItemCapacity) + 1);
    }
    m_strItems[static_cast<std::size_t>(m_nItems)] = strName;
    return m_nItems++;
}

std::vector<std::string> ItemList::Items() const {
    return {m_strItems.begin(), m_strItems.begin() + m_nItems};
}

}  // namespace tarnel
