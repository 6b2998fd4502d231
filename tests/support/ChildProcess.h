#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tarnel {

// A program run by a test: killed and reaped when the object goes, and killed
// by the kernel if the test process dies first (PR_SET_PDEATHSIG).
class ChildProcess {
public:
    // Where the child's standard output or error goes. Pipe: read by
    // ReadLine; when both go to the pipe (or to the same file) they share it.
    enum class Sink { Inherit, File, Pipe };
    struct Redirect {
        Sink sink = Sink::Inherit;
        std::string path;     // for Sink::File
        bool append = false;  // keep what the file holds (a restarted program's log)
    };
    static Redirect ToFile(std::string path, bool append = false) {
        return {Sink::File, std::move(path), append};
    }
    static Redirect ToPipe() { return {Sink::Pipe, {}, false}; }

    struct Options {
        std::vector<std::string> environment;  // NAME=value, over the test's own
        Redirect out;
        Redirect err;
        std::string input;  // standard input's bytes (/dev/null when empty)
    };

    // A command run to its end: its exit status (nothing when it overran the
    // limit and was killed) and its standard output and error together.
    struct Outcome {
        std::optional<int> status;
        std::string output;
    };
    static Outcome Run(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                       std::string input = {});

    // argv[0] is a path or a name looked up in PATH, /usr/sbin and /sbin.
    ChildProcess(const std::vector<std::string>& argv, const Options& options);
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False when the program could not be started (not found, fork failed).
    bool Started() const { return m_Pid > 0; }
    pid_t Pid() const { return m_Pid; }
    // Readable (POLLIN) once the child has ended; for waits on several events.
    int PidFd() const { return m_PidFd; }
    bool Running() const;
    void Signal(int nSignal) const;
    // SIGKILL, then reaped.
    void Kill();
    // The exit status (128 + signal when killed by one), or nothing when the
    // child still runs after the limit.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(60));
    // The next line from the pipe without its line end, or nothing when the
    // limit passes or the child closed the pipe first.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
    // Everything read from the pipe so far, lines returned by ReadLine included.
    const std::string& Transcript() const { return m_Transcript; }

private:
    void Reap();
    std::optional<std::string> TakeLine();

    pid_t m_Pid = -1;
    int m_PidFd = -1;
    int m_Pipe = -1;
    std::optional<int> m_Status;
    std::string m_Pending;
    std::string m_Transcript;
};

}  // namespace tarnel
