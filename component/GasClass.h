#pragma once
#include "component/ClassEntry.h"

namespace tarnel {

// The class table's entry for Gas: its registration by registry script 101
// and its creators.
ClassEntry& GasClassEntry();

}  // namespace tarnel
