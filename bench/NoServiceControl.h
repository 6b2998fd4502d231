#pragma once
#include "service/host/IServiceControl.h"

namespace tarnel {

// The window object in a benchmark process: no service manager behind it.
class NoServiceControl : public IServiceControl {
public:
    std::string DisplayName() const override { return "Tarnel Service"; }
    void Interactive(bool) override {}
    void Debug(bool) override {}
    void ControlsAccepted(std::int32_t) override {}
    bool Install() override { return false; }
    bool Uninstall() override { return false; }
    void StartService() override {}
    void Events(IServiceEvents*) override {}
};

}  // namespace tarnel
