#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <set>
#include <utility>

extern char** environ;

namespace tarnel {
namespace {

using Clock = std::chrono::steady_clock;

std::string ProgramPath(const std::string& strName) {
    if (strName.find('/') != std::string::npos) return strName;
    std::string strDirs = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    strDirs += ":/usr/sbin:/sbin";
    std::size_t begin = 0;
    while (begin <= strDirs.size()) {
        std::size_t end = strDirs.find(':', begin);
        if (end == std::string::npos) end = strDirs.size();
        const std::string strPath = strDirs.substr(begin, end - begin) + "/" + strName;
        if (access(strPath.c_str(), X_OK) == 0) return strPath;
        begin = end + 1;
    }
    return {};
}

// The test's environment with the additions replacing variables of the same name.
std::vector<std::string> Environment(const std::vector<std::string>& additions) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string strName = entry.substr(0, entry.find('=') + 1);
        bool bReplaced = false;
        for (const auto& add : additions) bReplaced = bReplaced || add.rfind(strName, 0) == 0;
        if (!bReplaced) env.push_back(entry);
    }
    env.insert(env.end(), additions.begin(), additions.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

int OpenInput(const std::string& strInput) {
    if (strInput.empty()) return open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int fd = memfd_create("stdin", MFD_CLOEXEC);
    if (fd < 0) return fd;
    std::size_t done = 0;
    while (done < strInput.size()) {
        const ssize_t n = write(fd, strInput.data() + done, strInput.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

int OpenFile(const ChildProcess::Redirect& to) {
    const int mode = to.append ? O_APPEND : O_TRUNC;
    return open(to.path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0644);
}

// The child's ends of its standard output and error; -1 where inherited.
struct ChildFds {
    int out = -1;
    int err = -1;
};

ChildFds OpenOutputs(const ChildProcess::Options& options, int& nPipeRead, int& nPipeWrite) {
    const bool bPipe = options.out.sink == ChildProcess::Sink::Pipe ||
                       options.err.sink == ChildProcess::Sink::Pipe;
    int fds[2] = {-1, -1};
    if (bPipe && pipe2(fds, O_CLOEXEC) == 0) {
        // Room for a burst of output the test has not read yet.
        fcntl(fds[0], F_SETPIPE_SZ, 1 << 20);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
    }
    nPipeRead = fds[0];
    nPipeWrite = fds[1];
    auto open = [&](const ChildProcess::Redirect& to) {
        return to.sink == ChildProcess::Sink::Pipe   ? fds[1]
               : to.sink == ChildProcess::Sink::File ? OpenFile(to)
                                                     : -1;
    };
    ChildFds child;
    child.out = open(options.out);
    const bool bShared = options.err.sink == ChildProcess::Sink::File &&
                         options.out.sink == ChildProcess::Sink::File &&
                         options.err.path == options.out.path;
    child.err = bShared ? child.out : open(options.err);
    return child;
}

// The parent's copies of the child's descriptors; out and err may be one.
void CloseChildSide(const ChildFds& fds, int nPipeWrite, int nInput) {
    std::set<int> open = {fds.out, fds.err, nPipeWrite, nInput};
    for (int fd : open) {
        if (fd >= 0) close(fd);
    }
}

int Remaining(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Polls one descriptor until it is readable or the deadline passes.
bool Readable(int fd, Clock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, POLLIN, 0};
        const int n = poll(&pfd, 1, Remaining(deadline));
        if (n > 0) return true;
        if (n == 0 || errno != EINTR) return false;
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Options& options) {
    if (argv.empty()) return;
    const std::string strProgram = ProgramPath(argv[0]);
    if (strProgram.empty()) return;
    std::vector<std::string> args = argv;
    std::vector<std::string> env = Environment(options.environment);
    const std::vector<char*> argp = Pointers(args);
    const std::vector<char*> envp = Pointers(env);
    int nPipeWrite = -1;
    const ChildFds fds = OpenOutputs(options, m_Pipe, nPipeWrite);
    const int nInput = OpenInput(options.input);
    const pid_t parent = getpid();
    m_Pid = fork();
    if (m_Pid == 0) {
        // Only async-signal-safe calls from here on.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (nInput >= 0) dup2(nInput, STDIN_FILENO);
        if (fds.out >= 0) dup2(fds.out, STDOUT_FILENO);
        if (fds.err >= 0) dup2(fds.err, STDERR_FILENO);
        execve(strProgram.c_str(), argp.data(), envp.data());
        _exit(127);
    }
    CloseChildSide(fds, nPipeWrite, nInput);
    if (m_Pid > 0) m_PidFd = static_cast<int>(syscall(SYS_pidfd_open, m_Pid, 0));
}

ChildProcess::Outcome ChildProcess::Run(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds limit, std::string input) {
    ChildProcess child(argv, {{}, ToPipe(), ToPipe(), std::move(input)});
    if (!child.Started()) return {std::nullopt, "cannot start " + argv.at(0)};
    const auto deadline = Clock::now() + limit;
    // Read as it comes, so that a talkative command never waits on a full pipe.
    while (child.ReadLine(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()))) {
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    const auto status = child.WaitForExit(std::max(left, std::chrono::milliseconds(0)));
    return {status, child.Transcript()};
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) : ChildProcess(argv, Options{}) {}

ChildProcess::~ChildProcess() {
    Kill();
    if (m_PidFd >= 0) close(m_PidFd);
    if (m_Pipe >= 0) close(m_Pipe);
}

bool ChildProcess::Running() const {
    if (m_Pid <= 0 || m_Status) return false;
    pollfd pfd{m_PidFd, POLLIN, 0};
    return poll(&pfd, 1, 0) == 0;
}

void ChildProcess::Signal(int nSignal) const {
    if (m_Pid > 0 && !m_Status) kill(m_Pid, nSignal);
}

void ChildProcess::Kill() {
    if (m_Pid <= 0 || m_Status) return;
    kill(m_Pid, SIGKILL);
    Reap();
}

void ChildProcess::Reap() {
    int status = 0;
    while (waitpid(m_Pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
    if (m_Pid <= 0 || m_Status) return m_Status;
    if (!Readable(m_PidFd, Clock::now() + limit)) return std::nullopt;
    Reap();
    return m_Status;
}

std::optional<std::string> ChildProcess::TakeLine() {
    const std::size_t end = m_Pending.find('\n');
    if (end == std::string::npos) return std::nullopt;
    std::string line = m_Pending.substr(0, end);
    m_Pending.erase(0, end + 1);
    return line;
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (auto line = TakeLine()) return line;
        if (m_Pipe < 0 || !Readable(m_Pipe, deadline)) return std::nullopt;
        char buffer[4096];
        const ssize_t n = read(m_Pipe, buffer, sizeof buffer);
        if (n > 0) {
            m_Pending.append(buffer, static_cast<std::size_t>(n));
            m_Transcript.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            // Every writer is gone: a last line without its line end still counts.
            close(m_Pipe);
            m_Pipe = -1;
            if (m_Pending.empty()) return std::nullopt;
            return std::exchange(m_Pending, {});
        } else if (errno != EAGAIN && errno != EINTR) {
            return std::nullopt;
        }
    }
}

}  // namespace tarnel
