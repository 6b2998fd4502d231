#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "service/automation/OPCArray.h"
#include "service/automation/OPCErrors.h"
#include "service/automation/Variant.h"

namespace tarnel {

class OPCItems;

using OPCTimeStamp = std::chrono::system_clock::time_point;

// One subscription group. DataChange is raised on the service's event loop,
// once per update period, with the items that changed; AsyncWriteComplete,
// also on the loop and never inside AsyncWrite, once the server finished a
// write, with the result of each item written.
class OPCGroup {
public:
    using DataChangeHandler = std::function<void(
        std::int32_t TransactionID, std::int32_t NumItems,
        const OPCArray<std::int32_t>& ClientHandles, const OPCArray<Variant>& ItemValues,
        const OPCArray<std::int32_t>& Qualities, const OPCArray<OPCTimeStamp>& TimeStamps)>;
    using AsyncWriteCompleteHandler =
        std::function<void(std::int32_t TransactionID, std::int32_t NumItems,
                           const OPCArray<std::int32_t>& ClientHandles,
                           const OPCArray<std::int32_t>& Errors)>;

    virtual ~OPCGroup() = default;

    virtual HRESULT put_UpdateRate(std::int32_t nMilliseconds) = 0;
    virtual HRESULT put_IsSubscribed(bool bSubscribed) = 0;
    virtual HRESULT put_IsActive(bool bActive) = 0;
    virtual HRESULT get_OPCItems(std::shared_ptr<OPCItems>& Items) = 0;
    // Errors gets one code per item; CancelID identifies the request.
    virtual HRESULT AsyncWrite(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                               const OPCArray<Variant>& Values, OPCArray<std::int32_t>& Errors,
                               std::int32_t TransactionID, std::int32_t& CancelID) = 0;

    DataChangeHandler DataChange;
    AsyncWriteCompleteHandler AsyncWriteComplete;

protected:
    // A copy is called, so a handler may detach itself or release the group.
    void RaiseDataChange(std::int32_t TransactionID, std::int32_t NumItems,
                         const OPCArray<std::int32_t>& ClientHandles,
                         const OPCArray<Variant>& ItemValues,
                         const OPCArray<std::int32_t>& Qualities,
                         const OPCArray<OPCTimeStamp>& TimeStamps) const {
        if (auto handler = DataChange) {
            handler(TransactionID, NumItems, ClientHandles, ItemValues, Qualities, TimeStamps);
        }
    }
    void RaiseAsyncWriteComplete(std::int32_t TransactionID, std::int32_t NumItems,
                                 const OPCArray<std::int32_t>& ClientHandles,
                                 const OPCArray<std::int32_t>& Errors) const {
        if (auto handler = AsyncWriteComplete) handler(TransactionID, NumItems, ClientHandles, Errors);
    }
};

}  // namespace tarnel
