#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "com/Guid.h"
#include "component/ClassEntry.h"

namespace tarnel {

// The state of the loaded module: its path, the type library's LIBID, the
// class table, the lock count that keeps it loaded, the locks for the shared
// type information and for class-factory creation, and the termination
// callbacks run when it unloads.
class PellonarModule {
public:
    // Made when the module is loaded and gone when it unloads. modulePath
    // names the module file the state stands for; empty: this module's own.
    static PellonarModule& Current();
    static void ProcessAttach(const std::string& modulePath = {});
    static void ProcessDetach();

    // Self-registration: the class scripts and the type library go into the
    // registry as one change, written at once, so that a registration broken
    // off at any moment leaves the registry as it was before or after it.
    // Registration stops at the first failure; unregistration ignores those
    // of its steps and fails only when the registry itself cannot be changed.
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

    const std::string& ModulePath() const { return m_ModulePath; }
    const GUID& Libid() const { return m_Libid; }
    std::vector<ClassEntry*>& Classes() { return m_Classes; }

    std::int32_t Lock() { return ++m_LockCount; }
    std::int32_t Unlock() { return --m_LockCount; }
    std::int32_t LockCount() const { return m_LockCount; }

    std::mutex& TypeInfoLock() { return m_TypeInfoLock; }
    std::mutex& ClassTableLock() { return m_ClassTableLock; }

    using TermFunc = void (*)(void* arg);
    // New callbacks run first.
    void AddTermFunc(TermFunc func, void* arg);

private:
    struct TermCallback {
        TermFunc func;
        void* arg;
        TermCallback* next;
    };

    explicit PellonarModule(const std::string& modulePath);
    void Detach();

    std::string m_ModulePath;
    GUID m_Libid;
    std::vector<ClassEntry*> m_Classes;
    std::atomic<std::int32_t> m_LockCount{0};
    std::mutex m_TypeInfoLock;
    std::mutex m_ClassTableLock;
    TermCallback* m_TermFuncs = nullptr;
};

}  // namespace tarnel
