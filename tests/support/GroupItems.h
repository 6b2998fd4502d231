#pragma once
#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "service/automation/OPCGroup.h"
#include "service/automation/OPCGroups.h"
#include "service/automation/OPCItems.h"
#include "service/automation/OPCServer.h"
#include "service/automation/Variant.h"

namespace tarnel {

// Adds the names to the group with client handles 1, 2, ...; the server
// handles go to handles. Gives the per-item errors.
inline std::vector<HRESULT> AddGroupItems(OPCGroup& group, const std::vector<std::string>& names,
                                          OPCArray<std::int32_t>& handles) {
    std::shared_ptr<OPCItems> items;
    EXPECT_EQ(group.get_OPCItems(items), S_OK);
    OPCArray<std::string> ids;
    OPCArray<std::int32_t> clients;
    for (const auto& name : names) {
        ids.Append(name);
        clients.Append(clients.UBound() + 1);
    }
    OPCArray<std::int32_t> errors;
    items->AddItems(ids.UBound(), ids, clients, handles, errors);
    std::vector<HRESULT> result;
    for (std::int32_t i = 1; i <= errors.UBound(); ++i) result.push_back(errors(i));
    return result;
}

// One item's value and quality in a data change, and a data change by client
// handle.
struct ItemReading {
    Variant value;
    std::int32_t nQuality = 0;
};
using ItemChange = std::map<std::int32_t, ItemReading>;

// Adds the subscribed group "Group1" of nRate ms to the server; each of its
// data changes is appended to changes.
inline std::shared_ptr<OPCGroup> AddRecordingGroup(OPCServer& server, std::int32_t nRate,
                                                   std::vector<ItemChange>& changes) {
    std::shared_ptr<OPCGroups> groups;
    std::shared_ptr<OPCGroup> group;
    EXPECT_EQ(server.get_OPCGroups(groups), S_OK);
    if (groups == nullptr || groups->Add("Group1", group) != S_OK) {
        ADD_FAILURE() << "no group";
        return nullptr;
    }
    EXPECT_EQ(group->put_UpdateRate(nRate), S_OK);
    EXPECT_EQ(group->put_IsSubscribed(true), S_OK);
    group->DataChange = [&changes](std::int32_t, std::int32_t NumItems, const auto& handles,
                                   const auto& values, const auto& qualities, const auto&) {
        auto& change = changes.emplace_back();
        for (std::int32_t i = 1; i <= NumItems; ++i) {
            change[handles(i)] = ItemReading{values(i), qualities(i)};
        }
    };
    return group;
}

// Runs the loop until done holds or the limit passes; done is asked once a
// turn (it may take something, such as a message), and its last answer is given.
inline bool RunLoopUntil(asio::io_context& io, const std::function<bool()>& done,
                         std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        io.run_one_for(std::chrono::milliseconds(100));
    }
}

}  // namespace tarnel
