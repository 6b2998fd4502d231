#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "service/host/Control.h"

namespace tarnel {

// The whole window at one moment, made by the event loop and then only read
// (by the status page's threads): every control by name, the frame, the check
// box and the stream list with its selected position (-1 for none).
struct WindowSnapshot {
    std::string Caption;
    std::vector<std::pair<std::string, Control>> Controls;
    std::string FrameCaption;
    std::string CheckBoxCaption;
    bool CanClose = false;
    std::vector<std::string> Streams;
    std::int32_t Selected = -1;

    nlohmann::json ToJson() const;
};

}  // namespace tarnel
