#include "service/opc/OpcClient.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "service/automation/AutomationServer.h"
#include "service/automation/OPCGroup.h"
#include "service/automation/OPCGroups.h"
#include "service/automation/OPCItems.h"
#include "service/automation/OPCServer.h"
#include "service/base/ProgramModule.h"
#include "service/base/TextCase.h"
#include "service/config/IniReadWriter.h"

namespace tarnel {

namespace {

// Error numbers for failures that do not come from the server, with the
// values the automation runtime gives them.
constexpr std::int32_t kErrSubscriptOutOfRange = 9;
constexpr std::int32_t kErrObjectNotSet = 91;
constexpr std::int32_t kErrCannotCreateObject = 429;
constexpr std::int32_t kErrKeyExists = 457;

constexpr float kNoItemValue = -999.0f;
constexpr std::int32_t kMaxUpdateRateSec = 3600;

// Runs the steps of one operation; an exception thrown beneath them counts
// as a failure of the operation like any error code. 0 means success.
template <typename Steps>
std::int32_t Trap(Steps&& steps) noexcept {
    try {
        return steps();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// A layer result as an error number: success codes such as S_FALSE are no error.
std::int32_t Check(HRESULT hr) { return FAILED(hr) ? hr : 0; }

}  // namespace

OpcClient::OpcClient(std::vector<OPCProvider> providers)
    : OpcClient(OPCServerCreator([providers = std::move(providers)] {
          return std::make_shared<AutomationServer>(providers);
      })) {}

OpcClient::OpcClient(OPCServerCreator create)
    : m_CreateServer(std::move(create)), m_Profile(std::make_unique<IniReadWriter>()) {}

OpcClient::~OpcClient() {
    Disconnect();
    SetServer(nullptr);
    SetGroup(nullptr);
}

void OpcClient::ServerAlias(const std::string& strAlias) {
    m_strAlias = strAlias;
    if (strAlias.empty()) return;
    Trap([&] {
        const std::string strFile = ConfigurationFolder() + "/ServerAlias.ini";
        const std::string strServer = m_Profile->GetProfile(strAlias, "Server", "", strFile);
        const std::string strNode = m_Profile->GetProfile(strAlias, "Node", "localhost", strFile);
        if (strServer.empty()) m_strAlias.clear();
        m_strServer = strServer;
        m_strNode = strNode;
        return 0;
    });
}

void OpcClient::UpdateRateSec(std::int32_t nSeconds) {
    m_nUpdateRateSec = std::clamp(nSeconds, 1, kMaxUpdateRateSec);
}

void OpcClient::DeadbandPercentage(float rValue) {
    if (rValue >= 0.0f && rValue < 100.0f) m_rDeadband = rValue;
}

std::vector<std::string> OpcClient::OPCServerList() {
    const std::int32_t nError = Trap([&] {
        m_ThisOpcServer = m_CreateServer();
        if (!m_ThisOpcServer) return kErrCannotCreateObject;
        std::vector<std::string> list;
        if (const HRESULT hr = m_ThisOpcServer->GetOPCServers(list); FAILED(hr)) return hr;
        m_strServerList = std::move(list);
        return 0;
    });
    m_ThisOpcServer.reset();
    if (nError != 0) {
        ReportOPCError("Get OPC Server List", nError);
        return {};
    }
    m_strStatus = "OK";
    return m_strServerList;
}

bool OpcClient::Connect() {
    if (m_strServer.empty()) return false;
    const std::int32_t nError = Trap([&] {
        auto server = m_CreateServer();
        if (!server) return kErrCannotCreateObject;
        SetServer(std::move(server));
        const bool bLocal = m_strNode.empty() || SameText(m_strNode, "localhost");
        const std::optional<std::string> node =
            bLocal ? std::nullopt : std::optional<std::string>(m_strNode);
        return Check(m_ConnectedOPCServer->Connect(m_strServer, node));
    });
    if (nError != 0) {
        SetServer(nullptr);
        ReportOPCError("Connect", nError);
        return false;
    }
    AddOPCGroup();
    m_strStatus = "Connected";
    return true;
}

void OpcClient::Disconnect() {
    RemoveOPCItems();
    RemoveOPCGroup();
    DisconnectOPCServer();
}

HRESULT OpcClient::DisableGroup() {
    if (!m_ConnectedGroup) return E_POINTER;
    return Trap([&] { return m_ConnectedGroup->put_IsActive(false); });
}

void OpcClient::AddOPCGroup() {
    const std::int32_t nError = Trap([&] {
        if (!m_ConnectedOPCServer) return kErrObjectNotSet;
        if (const HRESULT hr = m_ConnectedOPCServer->get_OPCGroups(m_Groups); FAILED(hr)) return hr;
        if (!m_Groups) return kErrObjectNotSet;
        if (const HRESULT hr = m_Groups->put_DefaultGroupIsActive(true); FAILED(hr)) return hr;
        if (const HRESULT hr = m_Groups->put_DefaultGroupDeadband(m_rDeadband); FAILED(hr)) {
            return hr;
        }
        std::shared_ptr<OPCGroup> group;
        if (const HRESULT hr = m_Groups->Add(m_strGroupName, group); FAILED(hr)) return hr;
        if (!group) return kErrObjectNotSet;
        SetGroup(std::move(group));
        if (const HRESULT hr = m_ConnectedGroup->put_UpdateRate(m_nUpdateRateSec * 1000);
            FAILED(hr)) {
            return hr;
        }
        return Check(m_ConnectedGroup->put_IsSubscribed(true));
    });
    if (nError != 0) {
        ReportOPCError("Add Group", nError);
        return;
    }
    m_strStatus = "Group Added";
}

void OpcClient::RemoveOPCGroup() {
    if (m_Groups) {
        const std::int32_t nError = Trap([&] {
            if (const HRESULT hr = m_Groups->Remove(m_strGroupName); FAILED(hr)) return hr;
            m_Groups.reset();
            SetGroup(nullptr);
            return 0;
        });
        if (nError != 0) {
            ReportOPCError("Remove Group", nError);
            return;
        }
    }
    m_strStatus = "Group Removed";
}

void OpcClient::DisconnectOPCServer() {
    if (!m_ConnectedOPCServer) return;
    const std::int32_t nError = Trap([&] { return Check(m_ConnectedOPCServer->Disconnect()); });
    if (nError != 0) {
        ReportOPCError("Disconnect", nError);
        return;
    }
    SetServer(nullptr);
    m_strStatus = "Disconnected";
}

void OpcClient::AddOPCItems(const std::vector<std::string>& strItems) {
    const std::int32_t nError = Trap([&] { return AddItemsSteps(strItems); });
    if (nError != 0) {
        ReportOPCError("OPC Add Items", nError);
        return;
    }
    m_strStatus = "Items Added";
}

std::int32_t OpcClient::AddItemsSteps(const std::vector<std::string>& strItems) {
    m_nItems = static_cast<std::int32_t>(strItems.size());
    m_strNames = OPCArray<std::string>(m_nItems);
    m_nClientHandles = OPCArray<std::int32_t>(m_nItems);
    m_Values = OPCArray<Variant>(m_nItems);
    m_nQualities = OPCArray<std::int32_t>(m_nItems);
    for (std::int32_t i = 1; i <= m_nItems; ++i) {
        const std::string& strName = strItems[static_cast<std::size_t>(i - 1)];
        m_strNames(i) = strName;
        m_nClientHandles(i) = i;
        ClientTag tag;
        tag.Index(i);
        tag.TagName(strName);
        if (!m_NameIndex.emplace(LowerCase(strName), std::move(tag)).second) return kErrKeyExists;
    }
    if (!m_ConnectedGroup) return kErrObjectNotSet;
    if (const HRESULT hr = m_ConnectedGroup->get_OPCItems(m_Items); FAILED(hr)) return hr;
    if (!m_Items) return kErrObjectNotSet;
    if (const HRESULT hr = m_Items->put_DefaultIsActive(true); FAILED(hr)) return hr;
    m_nServerHandles.Clear();
    m_nErrors.Clear();
    const HRESULT hr =
        m_Items->AddItems(m_nItems, m_strNames, m_nClientHandles, m_nServerHandles, m_nErrors);
    if (FAILED(hr)) return hr;
    for (std::int32_t i = 1; i <= m_nItems; ++i) {
        if (!m_nErrors.Has(i) || !m_nServerHandles.Has(i)) return kErrSubscriptOutOfRange;
        if (m_nErrors(i) == 0) continue;
        m_nServerHandles(i) = 0;
        m_Values(i) = Variant(m_BadValueHelper.BadValue());
        m_nQualities(i) = 0;
    }
    return 0;
}

void OpcClient::RemoveOPCItems() {
    if (!m_Items) return;
    const std::int32_t nError = Trap([&] {
        OPCArray<std::int32_t> handles;
        for (std::int32_t i = 1; i <= m_nServerHandles.UBound(); ++i) {
            if (m_nServerHandles(i) != 0) handles.Append(m_nServerHandles(i));
        }
        OPCArray<std::int32_t> errors;
        if (const HRESULT hr = m_Items->Remove(handles.UBound(), handles, errors); FAILED(hr)) {
            return hr;
        }
        for (std::int32_t i = 1; i <= m_nServerHandles.UBound(); ++i) m_nServerHandles(i) = 0;
        m_Items.reset();
        return 0;
    });
    if (nError != 0) {
        ReportOPCError("OPC Remove Items", nError);
        return;
    }
    m_strStatus = "Items Removed";
}

Variant OpcClient::ItemValue(std::int32_t Index) const {
    if (Index < 0 || Index >= m_nItems || !m_Values.Has(Index + 1)) return Variant(kNoItemValue);
    return m_Values(Index + 1);
}

std::int32_t OpcClient::ItemQuality(std::int32_t Index) const {
    if (Index < 0 || Index >= m_nItems || !m_nQualities.Has(Index + 1)) return 0;
    return m_nQualities(Index + 1);
}

Variant OpcClient::ItemByTag(const std::string& strTagName) const {
    const ClientTag* tag = FindTag(strTagName);
    if (tag == nullptr || !m_Values.Has(tag->Index())) return Variant(kNoItemValue);
    return m_Values(tag->Index());
}

std::int32_t OpcClient::QualityByTag(const std::string& strTagName) const {
    const ClientTag* tag = FindTag(strTagName);
    if (tag == nullptr || !m_nQualities.Has(tag->Index())) return 0;
    return m_nQualities(tag->Index());
}

void OpcClient::ItemValue(std::int32_t Index, const Variant& newVal) {
    if (Index < 0 || Index >= m_nItems) return;
    float rValue = 0.0f;
    if (FAILED(newVal.ToSingle(rValue))) return;
    AsyncWriteOPCItem(Index + 1, rValue);
}

void OpcClient::ItemByTag(const std::string& strTagName, const Variant& newVal) {
    const ClientTag* tag = FindTag(strTagName);
    if (tag == nullptr) return;
    float rValue = 0.0f;
    if (FAILED(newVal.ToSingle(rValue))) return;
    AsyncWriteOPCItem(tag->Index(), rValue);
}

void OpcClient::AsyncWriteOPCItem(std::int32_t nClientHandle, float rValue) {
    const std::int32_t nError = Trap([&] {
        if (!m_nServerHandles.Has(nClientHandle)) return kErrSubscriptOutOfRange;
        OPCArray<std::int32_t> handles;
        handles.Append(m_nServerHandles(nClientHandle));
        OPCArray<Variant> values;
        values.Append(Variant(rValue));
        if (!m_ConnectedGroup) return kErrObjectNotSet;
        OPCArray<std::int32_t> errors;
        std::int32_t nCancelID = 0;
        return Check(m_ConnectedGroup->AsyncWrite(1, handles, values, errors, 0, nCancelID));
    });
    if (nError != 0) {
        ++m_nWritesFailed;
        ReportOPCError("OPC Async Write", nError);
        return;
    }
    m_strStatus = "OPC Async Write OK";
}

void OpcClient::m_ConnectedGroup_AsyncWriteComplete(std::int32_t NumItems,
                                                    const OPCArray<std::int32_t>& Errors) {
    for (std::int32_t i = 1; i <= NumItems && Errors.Has(i); ++i) {
        const std::int32_t nError = Errors(i);
        ++(nError == 0 ? m_nWritesOk : m_nWritesFailed);
        // A server that cannot take writes for a while fails every one of
        // them: the run is told once, and again after a write went through.
        if (nError == m_nLastWriteError) continue;
        m_nLastWriteError = nError;
        if (nError != 0) ReportOPCError("OPC Async Write", nError);
    }
}

std::int32_t OpcClient::ServerState() const {
    std::int32_t nState = OPC_STATUS_FAILED;
    if (!m_ConnectedOPCServer) return nState;
    const std::int32_t nError =
        Trap([&] { return Check(m_ConnectedOPCServer->get_ServerState(nState)); });
    return nError == 0 ? nState : OPC_STATUS_FAILED;
}

void OpcClient::ReportOPCError(const std::string& strOperation, std::int32_t nError) {
    char strHex[16];
    std::snprintf(strHex, sizeof strHex, "%X", static_cast<std::uint32_t>(nError));
    // The decimal form keeps a sign position: a blank before a non-negative number.
    std::string strDecimal = std::to_string(nError);
    if (nError >= 0) strDecimal.insert(0, 1, ' ');
    m_strStatus = strOperation + ": Error 0x" + strHex + ", " + strDecimal;
    LogMessage(m_strStatus);
}

void OpcClient::SetServer(std::shared_ptr<OPCServer> server) {
    if (m_ConnectedOPCServer) m_ConnectedOPCServer->ServerShutDown = nullptr;
    m_ConnectedOPCServer = std::move(server);
    if (!m_ConnectedOPCServer) return;
    m_ConnectedOPCServer->ServerShutDown = [this](const std::string& Reason) {
        m_ConnectedOPCServer_ServerShutDown(Reason);
    };
}

void OpcClient::SetGroup(std::shared_ptr<OPCGroup> group) {
    if (m_ConnectedGroup) {
        m_ConnectedGroup->DataChange = nullptr;
        m_ConnectedGroup->AsyncWriteComplete = nullptr;
    }
    m_ConnectedGroup = std::move(group);
    if (!m_ConnectedGroup) return;
    m_ConnectedGroup->AsyncWriteComplete = [this](std::int32_t, std::int32_t NumItems,
                                                  const OPCArray<std::int32_t>&,
                                                  const OPCArray<std::int32_t>& Errors) {
        m_ConnectedGroup_AsyncWriteComplete(NumItems, Errors);
    };
    m_ConnectedGroup->DataChange = [this](std::int32_t TransactionID, std::int32_t NumItems,
                                          const OPCArray<std::int32_t>& ClientHandles,
                                          const OPCArray<Variant>& ItemValues,
                                          const OPCArray<std::int32_t>& Qualities,
                                          const OPCArray<OPCTimeStamp>&) {
        m_ConnectedGroup_DataChange(TransactionID, NumItems, ClientHandles, ItemValues, Qualities);
    };
}

void OpcClient::m_ConnectedOPCServer_ServerShutDown(const std::string& Reason) {
    // The host's handler may fail; its failure ends here, not in the event loop.
    Trap([&] {
        if (auto handler = ServerShutdown) handler(Reason);
        return 0;
    });
}

void OpcClient::m_ConnectedGroup_DataChange(std::int32_t, std::int32_t NumItems,
                                            const OPCArray<std::int32_t>& ClientHandles,
                                            const OPCArray<Variant>& ItemValues,
                                            const OPCArray<std::int32_t>& Qualities) {
    const std::int32_t nError = Trap([&] {
        for (std::int32_t k = 1; k <= NumItems; ++k) {
            if (!ClientHandles.Has(k) || !ItemValues.Has(k) || !Qualities.Has(k)) {
                return kErrSubscriptOutOfRange;
            }
            const std::int32_t h = ClientHandles(k);
            if (!m_nQualities.Has(h) || !m_Values.Has(h)) return kErrSubscriptOutOfRange;
            m_nQualities(h) = Qualities(k);
            const bool bBad = (Qualities(k) & OPC_QUALITY_MASK) == OPC_QUALITY_BAD;
            m_Values(h) = bBad ? Variant(m_BadValueHelper.BadValue()) : ItemValues(k);
        }
        return 0;
    });
    if (nError != 0) return;
    Trap([&] {
        if (auto handler = DataChange) handler();
        return 0;
    });
}

const ClientTag* OpcClient::FindTag(const std::string& strTagName) const {
    const auto found = m_NameIndex.find(LowerCase(strTagName));
    return found == m_NameIndex.end() ? nullptr : &found->second;
}

}  // namespace tarnel
