#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "service/host/WindowSnapshot.h"

namespace tarnel {

// What the user did on the status page: chose a stream, ticked the check box,
// or pressed the close box.
struct WindowAction {
    enum class Kind { Select, CanClose, Close };
    Kind What = Kind::Select;
    std::int32_t Position = -1;
    bool Checked = false;
    std::string Client;  // the address the action came from, for the log
};

// Where the window is shown. Show logs the address or why it could not be
// used; actions arrive through onAction on the event loop's thread.
class IStatusWindow {
public:
    virtual ~IStatusWindow() = default;
    virtual void Show(const std::string& strAddress, std::int32_t nPort,
                      std::function<void(const WindowAction&)> onAction) = 0;
    virtual void Hide() = 0;
    virtual void Publish(std::shared_ptr<const WindowSnapshot> snapshot) = 0;
};

}  // namespace tarnel
