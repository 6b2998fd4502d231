#pragma once
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "service/automation/OPCGroup.h"
#include "service/automation/OPCGroups.h"
#include "service/automation/OPCItems.h"
#include "service/automation/OPCServer.h"

namespace tarnel {

// A scriptable automation layer: every operation returns the code the test set
// (or throws when told to), and every call is recorded.
struct FakeLayer {
    HRESULT connect = S_OK;
    HRESULT getServers = S_OK;
    HRESULT getGroups = S_OK;
    HRESULT addGroup = S_OK;
    HRESULT removeGroup = S_OK;
    HRESULT disconnect = S_OK;
    HRESULT getItems = S_OK;
    HRESULT addItems = S_OK;
    HRESULT removeItems = S_OK;
    HRESULT asyncWrite = S_OK;
    HRESULT getState = S_OK;
    std::int32_t nState = OPC_STATUS_RUNNING;
    bool throwOnConnect = false;
    std::vector<std::int32_t> itemErrors;  // per added item; missing entries are 0

    struct Write {
        std::int32_t nServerHandle;
        Variant value;
        std::int32_t nTransactionID;
    };
    std::vector<std::string> calls;
    std::vector<Write> writes;
    std::vector<std::string> addedNames;
    std::vector<std::int32_t> removedHandles;
    std::int32_t nUpdateRate = 0;
    float rDeadband = -1.0f;
    bool bSubscribed = false;
    bool bActive = false;
    int nServersMade = 0;
    std::shared_ptr<class FakeServer> server;
    std::shared_ptr<class FakeGroup> group;
};

class FakeItems : public OPCItems {
public:
    explicit FakeItems(FakeLayer& layer) : L(layer) {}
    HRESULT put_DefaultIsActive(bool) override { return S_OK; }
    HRESULT AddItems(std::int32_t NumItems, const OPCArray<std::string>& ItemIDs,
                     const OPCArray<std::int32_t>&, OPCArray<std::int32_t>& ServerHandles,
                     OPCArray<std::int32_t>& Errors) override {
        L.calls.push_back("AddItems");
        if (FAILED(L.addItems)) return L.addItems;
        ServerHandles = OPCArray<std::int32_t>(NumItems);
        Errors = OPCArray<std::int32_t>(NumItems);
        for (std::int32_t i = 1; i <= NumItems; ++i) {
            L.addedNames.push_back(ItemIDs(i));
            const auto n = static_cast<std::size_t>(i - 1);
            Errors(i) = n < L.itemErrors.size() ? L.itemErrors[n] : 0;
            ServerHandles(i) = Errors(i) == 0 ? 100 + i : 0;
        }
        return S_OK;
    }
    HRESULT Remove(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                   OPCArray<std::int32_t>&) override {
        L.calls.push_back("RemoveItems");
        if (FAILED(L.removeItems)) return L.removeItems;
        for (std::int32_t i = 1; i <= NumItems; ++i) L.removedHandles.push_back(ServerHandles(i));
        return S_OK;
    }

private:
    FakeLayer& L;
};

class FakeGroup : public OPCGroup {
public:
    explicit FakeGroup(FakeLayer& layer) : L(layer) {}
    HRESULT put_UpdateRate(std::int32_t n) override {
        L.nUpdateRate = n;
        return S_OK;
    }
    HRESULT put_IsSubscribed(bool b) override {
        L.bSubscribed = b;
        return S_OK;
    }
    HRESULT put_IsActive(bool b) override {
        L.bActive = b;
        return S_OK;
    }
    HRESULT get_OPCItems(std::shared_ptr<OPCItems>& Items) override {
        if (FAILED(L.getItems)) return L.getItems;
        Items = std::make_shared<FakeItems>(L);
        return S_OK;
    }
    HRESULT AsyncWrite(std::int32_t NumItems, const OPCArray<std::int32_t>& ServerHandles,
                       const OPCArray<Variant>& Values, OPCArray<std::int32_t>&,
                       std::int32_t TransactionID, std::int32_t&) override {
        L.calls.push_back("AsyncWrite");
        if (FAILED(L.asyncWrite)) return L.asyncWrite;
        for (std::int32_t i = 1; i <= NumItems; ++i) {
            L.writes.push_back({ServerHandles(i), Values(i), TransactionID});
        }
        return S_OK;
    }

    // Raises DataChange as the server would.
    void Change(const std::vector<std::int32_t>& handles, const std::vector<Variant>& values,
                const std::vector<std::int32_t>& qualities) {
        OPCArray<std::int32_t> h;
        OPCArray<Variant> v;
        OPCArray<std::int32_t> q;
        OPCArray<OPCTimeStamp> t;
        for (auto x : handles) h.Append(x);
        for (const auto& x : values) v.Append(x);
        for (auto x : qualities) q.Append(x);
        RaiseDataChange(0, h.UBound(), h, v, q, t);
    }
    // Raises AsyncWriteComplete for one item with that result.
    void Complete(std::int32_t nError) {
        OPCArray<std::int32_t> handles;
        handles.Append(1);
        OPCArray<std::int32_t> errors;
        errors.Append(nError);
        RaiseAsyncWriteComplete(0, 1, handles, errors);
    }
    void ChangeCount(std::int32_t NumItems, const OPCArray<std::int32_t>& h,
                     const OPCArray<Variant>& v, const OPCArray<std::int32_t>& q) {
        RaiseDataChange(0, NumItems, h, v, q, {});
    }

private:
    FakeLayer& L;
};

class FakeGroups : public OPCGroups {
public:
    explicit FakeGroups(FakeLayer& layer) : L(layer) {}
    HRESULT put_DefaultGroupIsActive(bool) override { return S_OK; }
    HRESULT put_DefaultGroupDeadband(float r) override {
        L.rDeadband = r;
        return S_OK;
    }
    HRESULT Add(const std::string& Name, std::shared_ptr<OPCGroup>& Group) override {
        L.calls.push_back("AddGroup(" + Name + ")");
        if (FAILED(L.addGroup)) return L.addGroup;
        L.group = std::make_shared<FakeGroup>(L);
        Group = L.group;
        return S_OK;
    }
    HRESULT Remove(const std::string& Name) override {
        L.calls.push_back("RemoveGroup(" + Name + ")");
        return L.removeGroup;
    }

private:
    FakeLayer& L;
};

class FakeServer : public OPCServer {
public:
    explicit FakeServer(FakeLayer& layer) : L(layer) {}
    HRESULT GetOPCServers(std::vector<std::string>& ProgIDs) override {
        L.calls.push_back("GetOPCServers");
        if (FAILED(L.getServers)) return L.getServers;
        ProgIDs = {"Fake.One", "Fake.Two"};
        return S_OK;
    }
    HRESULT Connect(const std::string& ProgID, const std::optional<std::string>& Node) override {
        L.calls.push_back("Connect(" + ProgID + "," + (Node ? *Node : "-") + ")");
        if (L.throwOnConnect) throw std::runtime_error("transport broke");
        return L.connect;
    }
    HRESULT get_OPCGroups(std::shared_ptr<OPCGroups>& Groups) override {
        if (FAILED(L.getGroups)) return L.getGroups;
        Groups = std::make_shared<FakeGroups>(L);
        return S_OK;
    }
    HRESULT Disconnect() override {
        L.calls.push_back("Disconnect");
        return L.disconnect;
    }
    HRESULT get_ServerState(std::int32_t& State) override {
        State = L.nState;
        return L.getState;
    }
    void Shutdown(const std::string& Reason) { RaiseServerShutDown(Reason); }

private:
    FakeLayer& L;
};

// Object creation for an OpcClient on the fake layer.
inline auto FakeCreator(FakeLayer& layer) {
    return [&layer]() -> std::shared_ptr<OPCServer> {
        ++layer.nServersMade;
        layer.server = std::make_shared<FakeServer>(layer);
        return layer.server;
    };
}

}  // namespace tarnel
