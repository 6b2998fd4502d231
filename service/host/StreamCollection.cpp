#include "service/host/StreamCollection.h"

#include "service/base/TextCase.h"

namespace tarnel {

bool StreamCollection::Add(std::unique_ptr<TarnelTag> stream, const std::string& strKey) {
    const auto [it, bAdded] = m_ByKey.emplace(LowerCase(strKey), stream.get());
    if (bAdded) m_Streams.push_back(std::move(stream));
    return bAdded;
}

TarnelTag* StreamCollection::Item(const std::string& strKey) const {
    const auto it = m_ByKey.find(LowerCase(strKey));
    return it == m_ByKey.end() ? nullptr : it->second;
}

}  // namespace tarnel
