#pragma once
#include <memory>
#include <string>

#include "eos/IGas.h"

namespace tarnel {

// Creates the calculation object that all streams share. The one place that
// decides how it is made; null, with the reason in strError, when it cannot be.
std::shared_ptr<IGas> CreateGas(std::string& strError);

}  // namespace tarnel
