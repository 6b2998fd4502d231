#include "com/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <utility>

#include "com/RegistryFile.h"
#include "service/base/FileSystem.h"
#include "service/base/ProgramModule.h"
#include "service/base/TextFile.h"

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

// 0, or the errno of the failed write.
int WriteAll(FileSystem& fs, int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = fs.Write(fd, text.data() + done, text.size() - done);
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Writes text to a new file at temp, on the disk when this returns 0, and puts
// it in place of path; otherwise the errno, with temp removed again.
int ReplaceFile(const std::string& temp, const std::string& path, const std::string& text) {
    FileSystem& fs = FileSystem::Current();
    int fd = fs.Open(temp, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return errno;
    int error = WriteAll(fs, fd, text);
    if (error == 0 && fs.Fsync(fd) != 0) error = errno;
    if (fs.Close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && fs.Rename(temp, path) != 0) error = errno;
    if (error != 0) fs.Unlink(temp);
    return error;
}

// Temporary files are made only under the lock and are renamed or removed
// before it is released, so any found under it were left by a writer that
// died: they go, whichever process has that number now.
void RemoveLeftTemporaries(const std::string& path) {
    const std::filesystem::path file(path);
    const std::string prefix = file.filename().string() + ".tmp.";
    const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : ".";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            std::all_of(name.begin() + prefix.size(), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            FileSystem::Current().Unlink(it->path().string());
        }
    }
}

// The reasons for a failed write that the code itself tells a caller in
// another copy of this layer; others are REGDB_E_WRITEREGDB.
constexpr std::pair<int, std::uint32_t> kWriteErrors[] = {
    {ENOSPC, ERROR_DISK_FULL}, {EROFS, ERROR_WRITE_PROTECT}, {EACCES, ERROR_ACCESS_DENIED}};

// Holds an exclusive lock on the lock file beside the registry.
class FileLock {
public:
    explicit FileLock(const std::string& path)
        : m_Fd(FileSystem::Current().Open(path + ".lock", O_RDWR | O_CREAT, 0644)) {
        m_Error = m_Fd < 0 ? errno : 0;
        if (m_Fd >= 0 && ::flock(m_Fd, LOCK_EX) != 0) {
            m_Error = errno;
            FileSystem::Current().Close(m_Fd);
            m_Fd = -1;
        }
    }
    ~FileLock() {
        if (m_Fd >= 0) FileSystem::Current().Close(m_Fd);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // 0 when held.
    int Error() const { return m_Error; }

private:
    int m_Fd;
    int m_Error;
};

// Marks an update running for as long as it lives.
class Running {
public:
    explicit Running(bool& flag) : m_Flag(flag) { m_Flag = true; }
    ~Running() { m_Flag = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    bool& m_Flag;
};

}  // namespace

std::string RegistryStore::Location() {
    if (const char* env = std::getenv("TARNEL_REGISTRY"); env != nullptr && *env != '\0') {
        return env;
    }
    // A service that systemd runs keeps its registry in its state directory
    // (the first of the folders systemd names).
    if (const auto state = SystemdDirectory("STATE_DIRECTORY")) return *state + "/registry";
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

std::string RegistryStore::Path() const { return m_FixedPath.empty() ? Location() : m_FixedPath; }

std::string RegistryStore::Error() const {
    std::lock_guard guard(m_Mutex);
    return m_Error;
}

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
    } else if (TextFile::Read(path, text) != TextFile::ReadResult::Read) {
        m_Error = "Cannot read " + path + ": it is no readable file";
    } else {
        m_Root = RegistryFile::Parse(text, path, m_Error);
    }
    m_LoadedPath = path;
    m_Signature = signature;
    return m_Root ? S_OK : REGDB_E_READREGDB;
}

HRESULT RegistryStore::WriteFailed(const std::string& path, int error) {
    m_Error = "Cannot write " + path + ": " + std::strerror(error);
    for (const auto& [errnoValue, code] : kWriteErrors) {
        if (error == errnoValue) return HRESULT_FROM_WIN32(code);
    }
    return REGDB_E_WRITEREGDB;
}

HRESULT RegistryStore::WriteBack() {
    RemoveLeftTemporaries(m_LoadedPath);
    std::string temp = m_LoadedPath + ".tmp." + std::to_string(::getpid());
    int error = ReplaceFile(temp, m_LoadedPath, RegistryFile::Serialize(*m_Root));
    if (error != 0) return WriteFailed(m_LoadedPath, error);
    bool missing = false;
    m_Signature = FileSignature(m_LoadedPath, missing);
    return S_OK;
}

HRESULT RegistryStore::Read(const std::function<void(const RegistryKey& root)>& reader) {
    std::lock_guard guard(m_Mutex);
    // An update of this thread is under way: its tree is the current one.
    HRESULT hr = m_Updating ? S_OK : Refresh(false);
    if (FAILED(hr)) return hr;
    reader(*m_Root);
    return S_OK;
}

HRESULT RegistryStore::Update(const std::function<HRESULT(RegistryKey& root)>& change) {
    std::lock_guard guard(m_Mutex);
    if (m_Updating) return change(*m_Root);
    std::string path = Path();
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    FileLock lock(path);
    if (lock.Error() != 0) return WriteFailed(path, lock.Error());
    HRESULT hr = Refresh(true);
    if (FAILED(hr)) return hr;
    HRESULT result;
    {
        Running running(m_Updating);
        result = change(*m_Root);
    }
    hr = WriteBack();
    if (FAILED(hr)) {
        m_Root.reset();  // the tree in memory no longer matches the file
        return hr;
    }
    return result;
}

std::string RegistryStore::Explain(HRESULT hr) {
    if (hr == REGDB_E_READREGDB) {
        return FAILED(Read([](const RegistryKey&) {})) ? Error() : std::string();
    }
    for (const auto& [errnoValue, code] : kWriteErrors) {
        if (hr == HRESULT_FROM_WIN32(code)) {
            return "Cannot write " + Path() + ": " + std::strerror(errnoValue);
        }
    }
    return hr == REGDB_E_WRITEREGDB ? "Cannot write " + Path() : std::string();
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
