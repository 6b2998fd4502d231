#include "com/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "com/FileText.h"
#include "com/RegistryFile.h"

namespace tarnel {

namespace {

// Device, inode, size and change time: a rename by another process changes it.
std::string FileSignature(const std::string& path, bool& missing) {
    struct stat st {};
    missing = false;
    if (::stat(path.c_str(), &st) != 0) {
        missing = errno == ENOENT;
        return {};
    }
    std::ostringstream s;
    s << st.st_dev << ':' << st.st_ino << ':' << st.st_size << ':' << st.st_mtim.tv_sec << '.'
      << st.st_mtim.tv_nsec;
    return s.str();
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Holds an exclusive lock on the lock file beside the registry.
class FileLock {
public:
    explicit FileLock(const std::string& path)
        : m_Fd(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (m_Fd >= 0 && ::flock(m_Fd, LOCK_EX) != 0) {
            ::close(m_Fd);
            m_Fd = -1;
        }
    }
    ~FileLock() {
        if (m_Fd >= 0) ::close(m_Fd);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return m_Fd >= 0; }

private:
    int m_Fd;
};

}  // namespace

std::string RegistryStore::Location() {
    if (const char* env = std::getenv("TARNEL_REGISTRY"); env != nullptr && *env != '\0') {
        return env;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.config/tarnel/registry";
    }
    return "/var/lib/tarnel/registry";
}

RegistryStore& RegistryStore::Process() {
    static RegistryStore store;
    return store;
}

RegistryStore::RegistryStore(std::string path) : m_FixedPath(std::move(path)) {}

std::string RegistryStore::Error() const {
    std::lock_guard guard(m_Mutex);
    return m_Error;
}

std::string RegistryStore::Path() const { return m_FixedPath.empty() ? Location() : m_FixedPath; }

HRESULT RegistryStore::Refresh(bool force) {
    std::string path = Path();
    bool missing = false;
    std::string signature = FileSignature(path, missing);
    if (!force && m_Root && path == m_LoadedPath && signature == m_Signature && !missing) {
        return S_OK;
    }
    m_Root.reset();
    std::string text;
    if (missing) {
        m_Root = std::make_unique<RegistryKey>();
    } else if (!ReadFileText(path, text)) {
        m_Error = "Cannot read " + path + ": it is no readable file";
    } else {
        m_Root = RegistryFile::Parse(text, path, m_Error);
    }
    m_LoadedPath = path;
    m_Signature = signature;
    return m_Root ? S_OK : REGDB_E_READREGDB;
}

HRESULT RegistryStore::WriteBack() {
    std::string temp = m_LoadedPath + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return REGDB_E_WRITEREGDB;
    bool ok = WriteAll(fd, RegistryFile::Serialize(*m_Root)) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), m_LoadedPath.c_str()) != 0) {
        ::unlink(temp.c_str());
        return REGDB_E_WRITEREGDB;
    }
    bool missing = false;
    m_Signature = FileSignature(m_LoadedPath, missing);
    return S_OK;
}

HRESULT RegistryStore::Read(const std::function<void(const RegistryKey& root)>& reader) {
    std::lock_guard guard(m_Mutex);
    HRESULT hr = Refresh(false);
    if (FAILED(hr)) return hr;
    reader(*m_Root);
    return S_OK;
}

HRESULT RegistryStore::Update(const std::function<HRESULT(RegistryKey& root)>& change) {
    std::lock_guard guard(m_Mutex);
    std::string path = Path();
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    FileLock lock(path);
    if (!lock.Held()) return REGDB_E_WRITEREGDB;
    HRESULT hr = Refresh(true);
    if (FAILED(hr)) return hr;
    HRESULT result = change(*m_Root);
    hr = WriteBack();
    if (FAILED(hr)) {
        m_Root.reset();  // the tree in memory no longer matches the file
        return hr;
    }
    return result;
}

std::string RegistryStore::Explain(HRESULT hr) {
    if (hr != REGDB_E_READREGDB) return {};
    return FAILED(Read([](const RegistryKey&) {})) ? Error() : std::string();
}

HRESULT RegistryStore::QueryString(const std::string& path, const std::string& name,
                                   std::string& out) {
    HRESULT found = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    HRESULT hr = Read([&](const RegistryKey& root) {
        const RegistryKey* key = root.Find(path);
        const RegistryValue* value = key == nullptr ? nullptr : key->Value(name);
        if (value != nullptr && value->type == REG_SZ) {
            out = value->data;
            found = S_OK;
        }
    });
    return FAILED(hr) ? hr : found;
}

}  // namespace tarnel
