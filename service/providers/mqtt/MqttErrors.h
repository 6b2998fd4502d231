#pragma once
#include "com/HResult.h"

namespace tarnel {

// Error codes of the MQTT provider. Connect and writes give the first group,
// AddItems the per-item codes of the second (OPC's severity and facility).
constexpr HRESULT MQTT_E_BROKER_UNREACHABLE = static_cast<HRESULT>(0x80040301u);
constexpr HRESULT MQTT_E_NOT_AUTHORISED = static_cast<HRESULT>(0x80040302u);
constexpr HRESULT MQTT_E_TLS_FAILED = static_cast<HRESULT>(0x80040303u);
constexpr HRESULT MQTT_E_NO_ANSWER = static_cast<HRESULT>(0x80040304u);
constexpr HRESULT MQTT_E_BAD_NODE = static_cast<HRESULT>(0x80040305u);
constexpr HRESULT MQTT_E_BAD_OPTION = static_cast<HRESULT>(0x80040306u);
constexpr HRESULT MQTT_E_REFUSED = static_cast<HRESULT>(0x80040307u);
constexpr HRESULT MQTT_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040308u);
constexpr HRESULT MQTT_E_NOT_ACKNOWLEDGED = static_cast<HRESULT>(0x80040309u);

constexpr HRESULT MQTT_E_TOPIC_WILDCARD = static_cast<HRESULT>(0xC0040310u);
constexpr HRESULT MQTT_E_TOPIC_NUL = static_cast<HRESULT>(0xC0040311u);
constexpr HRESULT MQTT_E_TOPIC_UTF8 = static_cast<HRESULT>(0xC0040312u);
constexpr HRESULT MQTT_E_TOPIC_TOO_LONG = static_cast<HRESULT>(0xC0040313u);

}  // namespace tarnel
