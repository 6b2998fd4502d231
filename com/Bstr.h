#pragma once
#include <string>
#include <string_view>

#include "com/WinTypes.h"

namespace tarnel {

// Automation strings: UTF-16, length-prefixed, NUL-terminated. A null BSTR is
// the empty string.
BSTR SysAllocString(LPCOLESTR psz);
BSTR SysAllocStringLen(LPCOLESTR pch, UINT cch);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);

// Conversions between the project's 8-bit text (UTF-8) and OLE strings.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);
BSTR BstrFromUtf8(std::string_view text);

}  // namespace tarnel
