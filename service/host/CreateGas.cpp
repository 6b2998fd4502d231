#include "service/host/CreateGas.h"

#include <exception>

#include "eos/Gas.h"

namespace tarnel {

std::shared_ptr<IGas> CreateGas(std::string& strError) {
    try {
        return std::make_shared<Gas>();
    } catch (const std::exception& e) {
        strError = e.what();
        return nullptr;
    }
}

}  // namespace tarnel
