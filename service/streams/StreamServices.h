#pragma once
#include <functional>
#include <string>

#include "eos/IGas.h"
#include "service/base/BadValueHelper.h"

namespace tarnel {

// What every stream relies on but does not own: the host's shared Gas and
// BadValueHelper objects (either may be absent when its creation failed), the
// host's write-back operation and its log (absent: nothing is logged).
struct StreamServices {
    IGas* gas = nullptr;
    const BadValueHelper* badValueHelper = nullptr;
    std::function<void(const std::string& strTag, float rVal)> writeTarnel;
    std::function<void(const std::string& strMessage)> logMessage = nullptr;
};

}  // namespace tarnel
