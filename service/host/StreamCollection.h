#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "service/streams/TarnelTag.h"

namespace tarnel {

// The keyed collection of streams: file order kept, keys (the stream names)
// compared without regard to letter case.
class StreamCollection {
public:
    // False, and nothing added, when the key is already taken.
    bool Add(std::unique_ptr<TarnelTag> stream, const std::string& strKey);
    // Null for an unknown key.
    TarnelTag* Item(const std::string& strKey) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(m_Streams.size()); }

    auto begin() const { return m_Streams.begin(); }
    auto end() const { return m_Streams.end(); }

private:
    std::vector<std::unique_ptr<TarnelTag>> m_Streams;
    std::unordered_map<std::string, TarnelTag*> m_ByKey;
};

}  // namespace tarnel
