#pragma once
#include "com/Guid.h"

namespace tarnel {

// The identity of the component's class and type library (the interface's IID
// is in eos/IGas.h). Clients create Gas objects with CLSID_Gas.
constexpr CLSID CLSID_Gas = {
    0x36C1CFCE, 0xCB93, 0x11D5, {0x9D, 0x92, 0x00, 0x00, 0xE8, 0x12, 0x59, 0xB9}};
constexpr GUID LIBID_PELLONARLib = {
    0x36C1CFC1, 0xCB93, 0x11D5, {0x9D, 0x92, 0x00, 0x00, 0xE8, 0x12, 0x59, 0xB9}};
constexpr WORD kPellonarLibMajor = 1;
constexpr WORD kPellonarLibMinor = 0;

}  // namespace tarnel
