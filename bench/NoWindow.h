#pragma once
#include "service/host/IStatusWindow.h"

namespace tarnel {

// The window object in a benchmark process: nothing is shown.
class NoWindow : public IStatusWindow {
public:
    void Show(const std::string&, std::int32_t, std::function<void(const WindowAction&)>) override {
    }
    void Hide() override {}
    void Publish(std::shared_ptr<const WindowSnapshot>) override {}
};

}  // namespace tarnel
