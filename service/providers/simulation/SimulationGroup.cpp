#include "service/providers/simulation/SimulationGroup.h"

#include <algorithm>

#include "service/providers/simulation/SimulationServer.h"

namespace tarnel {

namespace {

// The fastest period the simulation runs; faster requests are revised to it,
// as real servers revise update rates.
constexpr std::int32_t kFastestUpdateRate = 10;

}  // namespace

SimulationGroup::SimulationGroup(asio::io_context& io, std::weak_ptr<SimulationServer> server,
                                 std::shared_ptr<SimulationItems> items,
                                 std::shared_ptr<SimulationJournal> journal, SimulationClock clock,
                                 Settings settings)
    : m_Timer(io),
      m_Server(std::move(server)),
      m_Items(std::move(items)),
      m_Journal(std::move(journal)),
      m_Clock(std::move(clock)),
      m_Settings(std::move(settings)) {}

void SimulationGroup::Start() {
    m_bRunning = true;
    Arm();
}

void SimulationGroup::Stop() {
    m_bRemoved = true;
    m_bRunning = false;
    m_Timer.cancel();
}

void SimulationGroup::Arm() {
    if (!m_bRunning) return;
    m_Timer.expires_after(std::chrono::milliseconds(m_Settings.nUpdateRate));
    m_Timer.async_wait([weak = weak_from_this()](const asio::error_code& ec) {
        auto self = weak.lock();
        if (ec || !self) return;
        self->Update(self->m_Clock());
        self->Arm();
    });
}

HRESULT SimulationGroup::put_UpdateRate(std::int32_t nMilliseconds) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    if (nMilliseconds < 0) return E_INVALIDARG;
    m_Settings.nUpdateRate = std::max(nMilliseconds, kFastestUpdateRate);
    Arm();
    return S_OK;
}

HRESULT SimulationGroup::put_IsSubscribed(bool bSubscribed) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    m_bSubscribed = bSubscribed;
    return S_OK;
}

HRESULT SimulationGroup::put_IsActive(bool bActive) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    m_Settings.bActive = bActive;
    return S_OK;
}

HRESULT SimulationGroup::get_OPCItems(std::shared_ptr<OPCItems>& Items) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    Items = m_Items;
    return S_OK;
}

HRESULT SimulationGroup::AsyncWrite(std::int32_t NumItems,
                                    const OPCArray<std::int32_t>& ServerHandles,
                                    const OPCArray<Variant>& Values, OPCArray<std::int32_t>& Errors,
                                    std::int32_t, std::int32_t& CancelID) {
    if (m_bRemoved) return RPC_E_DISCONNECTED;
    if (NumItems < 1 || ServerHandles.UBound() < NumItems || Values.UBound() < NumItems) {
        return E_INVALIDARG;
    }
    Errors = OPCArray<std::int32_t>(NumItems);
    HRESULT hr = S_OK;
    for (std::int32_t i = 1; i <= NumItems; ++i) {
        SimulationItem* item = m_Items->Find(ServerHandles(i));
        m_Journal->Append(item != nullptr ? item->Name() : std::string(), Values(i),
                          item != nullptr);
        if (item == nullptr) {
            Errors(i) = OPC_E_INVALIDHANDLE;
            hr = S_FALSE;
            continue;
        }
        item->Write(Values(i));
    }
    CancelID = ++m_nLastCancelID;
    return hr;
}

void SimulationGroup::Update(SimulationTime now) {
    if (m_bRemoved) return;
    // A handler may release the group or disconnect the server.
    const auto self = shared_from_this();
    RaiseDueShutdowns(now);
    if (m_bRemoved) return;
    for (auto& [nHandle, item] : m_Items->Items()) item.Advance(now);
    if (m_Settings.bActive && m_bSubscribed) ReportChanges();
}

void SimulationGroup::RaiseDueShutdowns(SimulationTime now) {
    const auto added = m_Items->FirstAdded();
    const auto server = m_Server.lock();
    if (!added || !server) return;
    server->RaiseDueShutdowns(std::chrono::duration<double>(now - *added).count());
}

void SimulationGroup::ReportChanges() {
    OPCArray<std::int32_t> handles;
    OPCArray<Variant> values;
    OPCArray<std::int32_t> qualities;
    OPCArray<OPCTimeStamp> stamps;
    const OPCTimeStamp stamp = std::chrono::system_clock::now();
    for (auto& [nHandle, item] : m_Items->Items()) {
        if (!item.IsActive() || !item.TakeChange(m_Settings.rDeadband)) continue;
        handles.Append(item.ClientHandle());
        values.Append(item.Value());
        qualities.Append(item.Quality());
        stamps.Append(stamp);
    }
    if (handles.UBound() == 0) return;
    RaiseDataChange(0, handles.UBound(), handles, values, qualities, stamps);
}

}  // namespace tarnel
