#pragma once
#include <benchmark/benchmark.h>

#include <filesystem>

#include "com/ComPtr.h"
#include "eos/IGas.h"

namespace tarnel {

// libPellonar.so registered into a registry of its own and kept loaded for the
// whole benchmark program, so Gas objects come from the module as the service
// gets them.
class RegisteredPellonar {
public:
    static RegisteredPellonar& Instance();

    // A new Gas by CLSID; null, with the benchmark marked as failed, when the
    // module could not be registered or created.
    ComPtr<IGas> CreateGas(benchmark::State& state) const;

    RegisteredPellonar(const RegisteredPellonar&) = delete;
    RegisteredPellonar& operator=(const RegisteredPellonar&) = delete;

private:
    RegisteredPellonar();
    ~RegisteredPellonar();

    std::filesystem::path m_Dir;
    void* m_Module = nullptr;
    bool m_Ready = false;
};

}  // namespace tarnel
