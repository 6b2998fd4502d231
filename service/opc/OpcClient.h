#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "com/HResult.h"
#include "service/automation/OPCArray.h"
#include "service/automation/OPCProvider.h"
#include "service/automation/Variant.h"
#include "service/base/BadValueHelper.h"
#include "service/opc/ClientTag.h"

namespace tarnel {

class OPCServer;
class OPCGroups;
class OPCGroup;
class OPCItems;
class IniReadWriter;

// Creates a fresh, unconnected OPC server object (the automation layer's
// object creation by class identifier).
using OPCServerCreator = std::function<std::shared_ptr<OPCServer>()>;

// The service's one door to the plant's data server: one connection, one
// subscription group "Group1", the latest value and quality of every item.
// Every call and both events run on the thread of the io_context; no failure
// leaves this class as an exception: errors go to Status and the log.
class OpcClient {
public:
    // Servers are reached through the providers, chosen by ProgID.
    explicit OpcClient(std::vector<OPCProvider> providers);
    // For tests and other layers: servers come from create.
    explicit OpcClient(OPCServerCreator create);
    ~OpcClient();
    OpcClient(const OpcClient&) = delete;
    OpcClient& operator=(const OpcClient&) = delete;

    const std::string& Server() const { return m_strServer; }
    void Server(const std::string& strServer) { m_strServer = strServer; }
    const std::string& Node() const { return m_strNode; }
    void Node(const std::string& strMachine) { m_strNode = strMachine; }
    const std::string& ServerAlias() const { return m_strAlias; }
    void ServerAlias(const std::string& strAlias);
    const std::string& Status() const { return m_strStatus; }
    std::int32_t UpdateRateSec() const { return m_nUpdateRateSec; }
    void UpdateRateSec(std::int32_t nSeconds);
    float DeadbandPercentage() const { return m_rDeadband; }
    void DeadbandPercentage(float rValue);
    std::vector<std::string> OPCServerList();

    bool Connect();
    void Disconnect();
    // Sets the group inactive. The failure goes back to the caller: E_POINTER
    // without a group, else the server's error code.
    HRESULT DisableGroup();

    // Subscribes the names; position p gets client handle p + 1.
    void AddOPCItems(const std::vector<std::string>& strItems);

    // Lookups by 0-based position: -999 (single) and 0 outside the list.
    Variant ItemValue(std::int32_t Index) const;
    std::int32_t ItemQuality(std::int32_t Index) const;
    // Lookups by item name (capitals ignored): -999 and 0 for an unknown name.
    Variant ItemByTag(const std::string& strTagName) const;
    std::int32_t QualityByTag(const std::string& strTagName) const;

    // Asynchronous writes of one item as a single; unknown names, positions
    // outside the list and values that are no number are dropped silently.
    void ItemValue(std::int32_t Index, const Variant& newVal);
    void ItemByTag(const std::string& strTagName, const Variant& newVal);

    // The connected server's OPC_STATUS_ state; failed without a server or
    // when the server cannot tell.
    std::int32_t ServerState() const;
    // Writes the server completed without error, and writes refused or
    // completed with one.
    std::uint64_t WritesOk() const { return m_nWritesOk; }
    std::uint64_t WritesFailed() const { return m_nWritesFailed; }

    // Events, raised on the io_context's thread.
    std::function<void()> DataChange;
    std::function<void(const std::string& Reason)> ServerShutdown;

private:
    void AddOPCGroup();
    void RemoveOPCGroup();
    void DisconnectOPCServer();
    void RemoveOPCItems();
    std::int32_t AddItemsSteps(const std::vector<std::string>& strItems);
    void AsyncWriteOPCItem(std::int32_t nClientHandle, float rValue);
    void ReportOPCError(const std::string& strOperation, std::int32_t nError);
    // Hold an object and attach its event handler, detaching the one held before.
    void SetServer(std::shared_ptr<OPCServer> server);
    void SetGroup(std::shared_ptr<OPCGroup> group);
    void m_ConnectedOPCServer_ServerShutDown(const std::string& Reason);
    void m_ConnectedGroup_DataChange(std::int32_t TransactionID, std::int32_t NumItems,
                                     const OPCArray<std::int32_t>& ClientHandles,
                                     const OPCArray<Variant>& ItemValues,
                                     const OPCArray<std::int32_t>& Qualities);
    // A write the server could not complete is reported like a refused one.
    void m_ConnectedGroup_AsyncWriteComplete(std::int32_t NumItems,
                                             const OPCArray<std::int32_t>& Errors);
    const ClientTag* FindTag(const std::string& strTagName) const;

    OPCServerCreator m_CreateServer;
    std::string m_strServer;
    std::string m_strNode = "localhost";
    std::string m_strAlias;
    std::string m_strStatus;
    const std::string m_strGroupName = "Group1";
    std::int32_t m_nUpdateRateSec = 1;
    float m_rDeadband = 0.0f;
    std::vector<std::string> m_strServerList;
    // The result of the last completed write, so that a run of one failure is logged once.
    std::int32_t m_nLastWriteError = 0;
    std::uint64_t m_nWritesOk = 0;
    std::uint64_t m_nWritesFailed = 0;

    std::shared_ptr<OPCServer> m_ConnectedOPCServer;
    std::shared_ptr<OPCServer> m_ThisOpcServer;
    std::shared_ptr<OPCGroups> m_Groups;
    std::shared_ptr<OPCGroup> m_ConnectedGroup;
    std::shared_ptr<OPCItems> m_Items;
    std::unique_ptr<IniReadWriter> m_Profile;
    BadValueHelper m_BadValueHelper;

    std::int32_t m_nItems = 0;
    OPCArray<std::string> m_strNames;
    OPCArray<std::int32_t> m_nClientHandles;
    OPCArray<std::int32_t> m_nServerHandles;
    OPCArray<std::int32_t> m_nErrors;
    OPCArray<Variant> m_Values;
    OPCArray<std::int32_t> m_nQualities;
    // Keyed by the lower-case name; never emptied.
    std::unordered_map<std::string, ClientTag> m_NameIndex;
};

}  // namespace tarnel
