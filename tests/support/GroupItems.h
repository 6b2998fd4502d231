#pragma once
#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "service/automation/OPCGroup.h"
#include "service/automation/OPCItems.h"

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
