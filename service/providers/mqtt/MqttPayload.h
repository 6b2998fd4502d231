#pragma once
#include <cstdint>
#include <string_view>

#include "service/automation/OPCErrors.h"
#include "service/automation/Variant.h"

namespace tarnel {

// What one message on a topic says: a value (never empty) and its quality.
struct MqttReading {
    Variant value;
    std::int32_t nQuality = OPC_QUALITY_GOOD;
};

// The reading a payload gives: a number, true/false, the value and quality of
// a JSON object {"value": ..., "quality": ...}, else the text itself. Payloads
// too large or not text give a bad reading that says so.
MqttReading ReadPayload(std::string_view payload);

}  // namespace tarnel
