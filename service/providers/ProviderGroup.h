#pragma once
#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <functional>
#include <memory>
#include <string>

#include "service/automation/OPCGroup.h"
#include "service/providers/ProviderItems.h"

namespace tarnel {

// A provider's subscription group: update period, active and subscribed
// flags, deadband, the changed-items-only data changes and the completion of
// writes. A timer on the event loop calls Update once per update period. The
// provider supplies the writes (Write) and whatever it does once per period (Tick).
class ProviderGroup : public OPCGroup, public std::enable_shared_from_this<ProviderGroup> {
public:
    struct Settings {
        std::string strName;
        bool bActive = true;
        float rDeadband = 0.0f;
        std::int32_t nUpdateRate = 1000;
    };
    // Called once with the item's result when the provider finished its write.
    using WriteDone = std::function<void(HRESULT)>;

    ProviderGroup(asio::io_context& io, std::shared_ptr<ProviderItems> items, ProviderClock clock,
                  Settings settings);

    const std::string& Name() const { return m_Settings.strName; }
    std::int32_t UpdateRate() const { return m_Settings.nUpdateRate; }
    // Starts the update timer; Stop ends it for good (the group was removed).
    void Start();
    void Stop();

    HRESULT put_UpdateRate(std::int32_t nMilliseconds) override;
    HRESULT put_IsSubscribed(bool bSubscribed) override;
    HRESULT put_IsActive(bool bActive) override;
    HRESULT get_OPCItems(std::shared_ptr<OPCItems>& Items) override;
    HRESULT AsyncWrite(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                       const OPCArray<Variant>& Values, OPCArray<std::int32_t>& Errors,
                       std::int32_t TransactionID, std::int32_t& CancelID) override;

    // One update period at time now: the items move on, and an active,
    // subscribed group reports its changed items. Called by the timer; tests
    // and benchmarks call it directly.
    void Update(ProviderTime now);

protected:
    // The provider's own work at the start of each update period; a handler it
    // raises may remove the group.
    virtual void Tick(ProviderTime) {}
    // Writes value to item; done may be called before Write returns.
    virtual void Write(ProviderItem& item, const Variant& value, WriteDone done) = 0;
    // A write to a server handle that names no item; it is refused.
    virtual void WriteRefused(const Variant&) {}
    const ProviderItems& Items() const { return *m_Items; }
    // An active, subscribed group reports its changed items, as at the end of
    // Update; for a provider whose values arrive later in the period. A
    // handler it raises may remove the group.
    void ReportChanges();

private:
    struct PendingWrite;

    void Arm();
    WriteDone Completion(const std::shared_ptr<PendingWrite>& pending, std::int32_t nIndex);

    asio::steady_timer m_Timer;
    std::shared_ptr<ProviderItems> m_Items;
    ProviderClock m_Clock;
    Settings m_Settings;
    bool m_bSubscribed = false;
    bool m_bRunning = false;
    bool m_bRemoved = false;
    std::int32_t m_nLastCancelID = 0;
};

}  // namespace tarnel
