#pragma once
#include <cstdint>
#include <string>

namespace tarnel {

// One subscribed item name and its client handle, kept in the client's name index.
class ClientTag {
public:
    std::int32_t Index() const { return m_Index; }
    void Index(std::int32_t nValue) { m_Index = nValue; }
    const std::string& TagName() const { return m_TagName; }
    void TagName(const std::string& strTagParam) { m_TagName = strTagParam; }

private:
    std::int32_t m_Index = 0;
    std::string m_TagName;
};

}  // namespace tarnel
