#pragma once
#include <asio/io_context.hpp>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service/providers/modbus/ModbusBlocks.h"
#include "service/providers/modbus/ModbusNode.h"
#include "service/providers/modbus/ModbusOptions.h"

struct _modbus;

namespace tarnel {

// What one block read gave: S_OK and its registers (or bits, one per entry);
// MODBUS_E_EXCEPTION with the device's exception code; MODBUS_E_NO_ANSWER
// when its unit let the request time out while others answered;
// MODBUS_E_NOT_CONNECTED when the device was not reached.
struct ModbusReading {
    HRESULT hr = S_OK;
    int nException = 0;
    std::string strReason;
    std::vector<std::uint16_t> data;
};

// Registers (holding) or one bit (coil) to write.
struct ModbusWrite {
    int nUnit = 1;
    ModbusAddress::Table table = ModbusAddress::Table::Holding;
    int nAddress = 0;
    std::vector<std::uint16_t> data;
};

// The session with one device. The client library blocks, so every request
// (and every reconnection) runs on a worker thread that this object owns;
// the loop hands requests over through one queue under one mutex, and each
// result is posted back to the loop, where its callback runs. A poll that
// gets no answer at all, or an answer that makes no sense, loses the
// connection (a unit that is silent while others answer does not; its late
// answer is left behind on a closed socket): that loss is logged once,
// the next request after it connects again, and each further failure waits
// longer (1 s doubling up to 30 s) before the next attempt; the first answer
// after a loss is logged as the recovery.
class ModbusConnection : public std::enable_shared_from_this<ModbusConnection> {
public:
    using ReadDone = std::function<void(std::vector<ModbusReading>)>;
    using WriteDone = std::function<void(HRESULT)>;

    ModbusConnection(asio::io_context& io, ModbusEndpoint endpoint, ModbusOptions options);
    ~ModbusConnection();
    ModbusConnection(const ModbusConnection&) = delete;
    ModbusConnection& operator=(const ModbusConnection&) = delete;

    // Connects on the calling thread, waiting at most the response timeout,
    // and starts the worker: S_OK, or MODBUS_E_DEVICE_UNREACHABLE, logged.
    HRESULT Open();
    // Ends the worker, after the request it is in (at most a response
    // timeout); requests still queued are dropped.
    void Close();

    // done gets one reading per block, on the loop.
    void Read(std::vector<ModbusBlock> blocks, ReadDone done);
    // done gets S_OK, MODBUS_E_EXCEPTION, MODBUS_E_NO_ANSWER (a timeout, which
    // leaves the connection up) or MODBUS_E_NOT_CONNECTED, on the loop.
    void Write(ModbusWrite write, WriteDone done);

    // As the loop last heard: false from a reported loss until the device answers again.
    bool Connected() const { return m_bReachable; }
    const ModbusEndpoint& Endpoint() const { return m_Endpoint; }
    const ModbusOptions& Options() const { return m_Options; }

private:
    using Clock = std::chrono::steady_clock;
    struct Job {
        std::vector<ModbusBlock> blocks;
        ReadDone read;
        ModbusWrite write;
        WriteDone written;
    };
    struct Outcome {
        std::vector<ModbusReading> readings;
        HRESULT hrWrite = S_OK;
        // What the log says, in this order: an answer after a loss, a new loss.
        bool bRestored = false;
        std::string strLost;
        bool bGaveUp = false;  // a failure in this job: nothing more is tried
    };

    void Queue(Job job);
    void Run();
    void Execute(const Job& job, Outcome& outcome);
    bool Ensure(Outcome& outcome);
    ModbusReading ReadBlock(const ModbusBlock& block, Outcome& outcome);
    HRESULT WriteOnce(const ModbusWrite& write, Outcome& outcome);
    HRESULT Refused(int nError, Outcome& outcome);
    bool Leftover() const;
    void Answered(Outcome& outcome);
    void Failed(int nError, Outcome& outcome);
    void Report(const Outcome& outcome);

    asio::io_context& m_io;
    ModbusEndpoint m_Endpoint;
    ModbusOptions m_Options;
    std::weak_ptr<ModbusConnection> m_Self;
    // The loop's own.
    bool m_bReachable = true;

    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::deque<Job> m_Jobs;
    std::atomic<bool> m_bStopping{false};
    std::thread m_Worker;

    // The worker's own, once it runs.
    _modbus* m_Ctx = nullptr;
    bool m_bConnected = false;
    bool m_bLost = false;
    std::chrono::seconds m_Backoff{0};
    Clock::time_point m_NextAttempt;
};

}  // namespace tarnel
