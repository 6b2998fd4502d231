#pragma once
#include <string>

#include "com/HResult.h"

namespace tarnel {

// Calls DllRegisterServer (or, with unregister, DllUnregisterServer) of the
// in-process server at module. The module is loaded by its full path, not
// through the library search path, so that it registers the file named.
// detail receives a text for the failures that happen before the call, and
// for those of the registry file that the call reports.
HRESULT RegisterModule(const std::string& module, bool unregister, std::string& detail);

}  // namespace tarnel
