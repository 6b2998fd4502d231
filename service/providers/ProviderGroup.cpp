#include "service/providers/ProviderGroup.h"

#include <algorithm>
#include <asio/post.hpp>

namespace tarnel {

namespace {

// The fastest period a provider runs; faster requests are revised to it, as
// real servers revise update rates.
constexpr std::int32_t kFastestUpdateRate = 10;

}  // namespace

// One AsyncWrite call until every item written reported its result.
struct ProviderGroup::PendingWrite {
    std::int32_t nTransactionID = 0;
    OPCArray<std::int32_t> ClientHandles;
    OPCArray<std::int32_t> Errors;
    std::int32_t nOutstanding = 0;
};

ProviderGroup::ProviderGroup(asio::io_context& io, std::shared_ptr<ProviderItems> items,
                             ProviderClock clock, Settings settings)
    : m_Timer(io),
      m_Items(std::move(items)),
      m_Clock(std::move(clock)),
      m_Settings(std::move(settings)) {}

void ProviderGroup::Start() {
    m_bRunning = true;
    Arm();
}

void ProviderGroup::Stop() {
    m_bRemoved = true;
    m_bRunning = false;
    m_Timer.cancel();
}

void ProviderGroup::Arm() {
    if (!m_bRunning) return;
    m_Timer.expires_after(std::chrono::milliseconds(m_Settings.nUpdateRate));
    m_Timer.async_wait([weak = weak_from_this()](const asio::error_code& ec) {
        auto self = weak.lock();
        if (ec || !self) return;
        self->Update(self->m_Clock());
        self->Arm();
    });
}

HRESULT ProviderGroup::put_UpdateRate(std::int32_t nMilliseconds) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    if (nMilliseconds < 0) return E_INVALIDARG;
    m_Settings.nUpdateRate = std::max(nMilliseconds, kFastestUpdateRate);
    Arm();
    return S_OK;
}

HRESULT ProviderGroup::put_IsSubscribed(bool bSubscribed) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    m_bSubscribed = bSubscribed;
    return S_OK;
}

HRESULT ProviderGroup::put_IsActive(bool bActive) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    m_Settings.bActive = bActive;
    return S_OK;
}

HRESULT ProviderGroup::get_OPCItems(std::shared_ptr<OPCItems>& Items) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    Items = m_Items;
    return S_OK;
}

HRESULT ProviderGroup::AsyncWrite(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                                  const OPCArray<Variant>& Values, OPCArray<std::int32_t>& Errors,
                                  std::int32_t TransactionID, std::int32_t& CancelID) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    if (NumItems < 1 || ServerHandles.UBound() < NumItems || Values.UBound() < NumItems) {
        return E_INVALIDARG;
    }
    Errors = OPCArray<std::int32_t>(NumItems);
    auto pending = std::make_shared<PendingWrite>();
    pending->nTransactionID = TransactionID;
    // Counts itself until every write is under way, so that a write finished
    // at once does not complete the call early.
    pending->nOutstanding = 1;
    HRESULT hr = S_OK;
    for (std::int32_t i = 1; i <= NumItems; ++i) {
        ProviderItem* item = m_Items->Find(ServerHandles(i));
        if (item == nullptr) {
            WriteRefused(Values(i));
            Errors(i) = OPC_E_INVALIDHANDLE;
            hr = S_FALSE;
            continue;
        }
        pending->ClientHandles.Append(item->ClientHandle());
        pending->Errors.Append(S_OK);
        ++pending->nOutstanding;
        Write(*item, Values(i), Completion(pending, pending->Errors.UBound()));
    }
    Completion(pending, 0)(S_OK);
    CancelID = ++m_nLastCancelID;
    return hr;
}

ProviderGroup::WriteDone ProviderGroup::Completion(const std::shared_ptr<PendingWrite>& pending,
                                                   std::int32_t nIndex) {
    return [weak = weak_from_this(), pending, nIndex](HRESULT hrItem) {
        if (pending->Errors.Has(nIndex)) pending->Errors(nIndex) = hrItem;
        if (--pending->nOutstanding != 0 || pending->ClientHandles.UBound() == 0) return;
        const auto self = weak.lock();
        if (!self) return;
        // Raised from the loop, never inside AsyncWrite or a provider's callback.
        asio::post(self->m_Timer.get_executor(), [weak = self->weak_from_this(), pending] {
            const auto group = weak.lock();
            if (!group || group->m_bRemoved) return;
            group->RaiseAsyncWriteComplete(pending->nTransactionID,
                                           pending->ClientHandles.UBound(),
                                           pending->ClientHandles, pending->Errors);
        });
    };
}

void ProviderGroup::Update(ProviderTime now) {
    if (m_bRemoved) return;
    // A handler may release the group or disconnect the server.
    const auto self = shared_from_this();
    Tick(now);
    if (m_bRemoved) return;
    for (auto& [nHandle, item] : m_Items->Items()) item->Advance(now);
    ReportChanges();
}

void ProviderGroup::ReportChanges() {
    if (m_bRemoved || !m_Settings.bActive || !m_bSubscribed) return;
    OPCArray<std::int32_t> handles;
    OPCArray<Variant> values;
    OPCArray<std::int32_t> qualities;
    OPCArray<OPCTimeStamp> stamps;
    const OPCTimeStamp stamp = std::chrono::system_clock::now();
    for (auto& [nHandle, item] : m_Items->Items()) {
        if (!item->IsActive() || !item->TakeChange(m_Settings.rDeadband)) continue;
        handles.Append(item->ClientHandle());
        values.Append(item->Value());
        qualities.Append(item->Quality());
        stamps.Append(stamp);
    }
    if (handles.UBound() == 0) return;
    RaiseDataChange(0, handles.UBound(), handles, values, qualities, stamps);
}

}  // namespace tarnel
