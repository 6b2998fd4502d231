#pragma once
#include <cstdint>

namespace tarnel {

// The service events the window handles. The Boolean arguments report success
// back to the service manager, as the service control expects.
class IServiceEvents {
public:
    virtual void NTService1_Start(bool& Success) = 0;
    virtual void NTService1_Stop() = 0;
    virtual void NTService1_Pause(bool& Success) = 0;
    virtual void NTService1_Continue(bool& Success) = 0;
    virtual void NTService1_Control(std::int32_t lEvent) = 0;

protected:
    ~IServiceEvents() = default;
};

}  // namespace tarnel
