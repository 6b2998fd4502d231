#pragma once
#include <cstdint>
#include <string>

#include "service/automation/OPCArray.h"
#include "service/automation/OPCErrors.h"

namespace tarnel {

// A group's item collection. AddItems fills one server handle and one error
// code per item (0: added); a refused item is no failure of the call.
class OPCItems {
public:
    virtual ~OPCItems() = default;

    virtual HRESULT put_DefaultIsActive(bool bActive) = 0;
    virtual HRESULT AddItems(std::int32_t NumItems, const OPCArray<std::string>& ItemIDs,
                             const OPCArray<std::int32_t>& ClientHandles,
                             OPCArray<std::int32_t>& ServerHandles,
                             OPCArray<std::int32_t>& Errors) = 0;
    virtual HRESULT Remove(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                           OPCArray<std::int32_t>& Errors) = 0;
};

}  // namespace tarnel
