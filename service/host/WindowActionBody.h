#pragma once
#include <string>

#include "service/host/IStatusWindow.h"

namespace tarnel {

// Reads the argument of a status page action from its JSON request body into
// action (whose What says which argument it takes); false for a bad body.
bool ReadWindowActionBody(const std::string& strBody, WindowAction& action);

}  // namespace tarnel
