#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "com/RegistryKey.h"

namespace tarnel {

// The registry: one text file (see RegistryFile), read on first use and again
// whenever another process has replaced it. Every change runs under an
// exclusive lock on "<file>.lock", on the file as it is on disk at that
// moment, and is written back through a temporary file (fsynced) and a
// rename, so concurrent writers never lose each other's keys and a crash
// never leaves a truncated registry. The writes go through FileSystem.
class RegistryStore {
public:
    // $TARNEL_REGISTRY, else $STATE_DIRECTORY/registry, else
    // $HOME/.config/tarnel/registry, else
    // /var/lib/tarnel/registry.
    static std::string Location();

    // The store at Location(); it follows changes of TARNEL_REGISTRY.
    static RegistryStore& Process();

    explicit RegistryStore(std::string path = {});

    // Calls reader with the current tree (inside an Update of this thread,
    // that update's tree). REGDB_E_READREGDB when the file cannot be read or
    // is not a registry file.
    HRESULT Read(const std::function<void(const RegistryKey& root)>& reader);

    // Applies change to the current tree and writes the result back, whatever
    // change returns; returns change's result, or REGDB_E_READREGDB when the
    // file cannot be read, or when it cannot be written HRESULT_FROM_WIN32 of
    // ERROR_DISK_FULL, ERROR_WRITE_PROTECT or ERROR_ACCESS_DENIED (no space,
    // a read-only file system, no permission), else REGDB_E_WRITEREGDB.
    // Nothing is written then: the file stays as it was. An Update called by
    // change (on its thread) joins it: its change goes into the same write.
    HRESULT Update(const std::function<HRESULT(RegistryKey& root)>& change);

    // The string value name of the key at path ("HKEY_CLASSES_ROOT\CLSID\...");
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when there is none.
    HRESULT QueryString(const std::string& path, const std::string& name, std::string& out);

    std::string Path() const;
    // Why the last Read or Update failed: "<file>:<line>: <reason>" for a
    // file that is no registry file, "Cannot write <file>: <reason>".
    std::string Error() const;
    // Why a Read or Update of this store's file failed with hr, also where
    // another copy of this layer made the call (a component's own): the
    // reason a read failed is found again by reading. Empty for other codes.
    std::string Explain(HRESULT hr);

private:
    HRESULT Refresh(bool force);
    HRESULT WriteBack();
    HRESULT WriteFailed(const std::string& path, int error);

    mutable std::recursive_mutex m_Mutex;
    bool m_Updating = false;  // an Update runs on the thread that holds m_Mutex
    std::string m_FixedPath;  // empty: follow Location()
    std::string m_LoadedPath;
    std::string m_Signature;  // identity of the file the tree came from
    std::unique_ptr<RegistryKey> m_Root;
    std::string m_Error;
};

}  // namespace tarnel
