#include "service/providers/modbus/ModbusConnection.h"

#include <modbus.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <asio/post.hpp>
#include <cerrno>

#include "service/base/ProgramModule.h"
#include "service/providers/modbus/ModbusErrors.h"

namespace tarnel {

namespace {

constexpr auto kLongestPause = std::chrono::seconds(30);

using Table = ModbusAddress::Table;

bool IsException(int nError) { return nError > MODBUS_ENOBASE && nError <= EMBXGTAR; }

std::string LibraryError(int nError) { return modbus_strerror(nError); }

void SetTimeouts(modbus_t* ctx, int nMilliseconds) {
    const auto nSeconds = static_cast<std::uint32_t>(nMilliseconds / 1000);
    const auto nMicro = static_cast<std::uint32_t>(nMilliseconds % 1000 * 1000);
    modbus_set_response_timeout(ctx, nSeconds, nMicro);
    // A device that stops in the middle of an answer waits no longer.
    modbus_set_byte_timeout(ctx, nSeconds, nMicro);
}

}  // namespace

ModbusConnection::ModbusConnection(asio::io_context& io, ModbusEndpoint endpoint,
                                   ModbusOptions options)
    : m_io(io), m_Endpoint(std::move(endpoint)), m_Options(options) {}

ModbusConnection::~ModbusConnection() { Close(); }

// ---- On the loop -----------------------------------------------------------------

HRESULT ModbusConnection::Open() {
    if (m_Ctx != nullptr) return E_UNEXPECTED;
    m_Self = weak_from_this();
    const std::string strPort = std::to_string(m_Endpoint.nPort);
    m_Ctx = modbus_new_tcp_pi(m_Endpoint.strHost.c_str(), strPort.c_str());
    if (m_Ctx == nullptr) {
        LogMessage("Modbus: cannot connect to the device at " + m_Endpoint.Text() + ": " +
                   LibraryError(errno));
        return MODBUS_E_DEVICE_UNREACHABLE;
    }
    SetTimeouts(m_Ctx, m_Options.nResponseTimeoutMs);
    if (modbus_connect(m_Ctx) != 0) {
        LogMessage("Modbus: cannot connect to the device at " + m_Endpoint.Text() + ": " +
                   LibraryError(errno));
        modbus_free(m_Ctx);
        m_Ctx = nullptr;
        return MODBUS_E_DEVICE_UNREACHABLE;
    }
    m_bConnected = true;
    LogMessage("Modbus: connected to the device at " + m_Endpoint.Text());
    m_Worker = std::thread([this] { Run(); });
    return S_OK;
}

void ModbusConnection::Close() {
    std::deque<Job> dropped;
    {
        const std::lock_guard lock(m_Mutex);
        m_bStopping = true;
        dropped.swap(m_Jobs);
    }
    m_Wake.notify_one();
    if (m_Worker.joinable()) m_Worker.join();
    // Every request gets its answer, also one that never ran.
    for (Job& job : dropped) Queue(std::move(job));
    if (m_Ctx != nullptr) {
        modbus_close(m_Ctx);
        modbus_free(m_Ctx);
        m_Ctx = nullptr;
    }
}

void ModbusConnection::Read(std::vector<ModbusBlock> blocks, ReadDone done) {
    Queue({std::move(blocks), std::move(done), {}, {}});
}

void ModbusConnection::Write(ModbusWrite write, WriteDone done) {
    Queue({{}, {}, std::move(write), std::move(done)});
}

void ModbusConnection::Queue(Job job) {
    {
        const std::lock_guard lock(m_Mutex);
        if (!m_bStopping && m_Worker.joinable()) {
            m_Jobs.push_back(std::move(job));
            job = {};
        }
    }
    // Not running: answered from the loop, never inside the call.
    if (job.read || job.written) {
        Outcome outcome;
        outcome.readings.assign(job.blocks.size(),
                                {MODBUS_E_NOT_CONNECTED, 0, "not connected", {}});
        outcome.hrWrite = MODBUS_E_NOT_CONNECTED;
        asio::post(m_io, [job = std::move(job), outcome = std::move(outcome)]() mutable {
            if (job.read) job.read(std::move(outcome.readings));
            if (job.written) job.written(outcome.hrWrite);
        });
        return;
    }
    m_Wake.notify_one();
}

void ModbusConnection::Report(const Outcome& outcome) {
    if (outcome.bRestored) m_bReachable = true;
    if (!outcome.strLost.empty()) m_bReachable = false;
    if (outcome.bRestored) {
        LogMessage("Modbus: connection to the device at " + m_Endpoint.Text() + " restored");
    }
    if (!outcome.strLost.empty()) {
        LogMessage("Modbus: connection to the device at " + m_Endpoint.Text() + " lost (" +
                   outcome.strLost + "); reconnecting");
    }
}

// ---- On the worker ---------------------------------------------------------------

void ModbusConnection::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_Mutex);
            m_Wake.wait(lock, [this] { return m_bStopping || !m_Jobs.empty(); });
            if (m_bStopping) return;
            job = std::move(m_Jobs.front());
            m_Jobs.pop_front();
        }
        auto outcome = std::make_shared<Outcome>();
        Execute(job, *outcome);
        asio::post(m_io, [weak = m_Self, job = std::move(job), outcome] {
            const auto self = weak.lock();
            if (!self) return;
            self->Report(*outcome);
            if (job.read) job.read(std::move(outcome->readings));
            if (job.written) job.written(outcome->hrWrite);
        });
    }
}

void ModbusConnection::Execute(const Job& job, Outcome& outcome) {
    if (job.written) {
        outcome.hrWrite = Ensure(outcome) ? WriteOnce(job.write, outcome) : MODBUS_E_NOT_CONNECTED;
        return;
    }
    // A unit that let a request time out is not asked again in this poll, so
    // that one silent unit behind a gateway costs one timeout.
    std::vector<int> silent;
    bool bAnswered = false;
    for (const ModbusBlock& block : job.blocks) {
        ModbusReading reading{MODBUS_E_NOT_CONNECTED, 0, "not connected", {}};
        if (std::find(silent.begin(), silent.end(), block.nUnit) != silent.end()) {
            reading = {MODBUS_E_NO_ANSWER, 0, LibraryError(ETIMEDOUT), {}};
        } else if (!m_bStopping && Ensure(outcome)) {
            reading = ReadBlock(block, outcome);
            if (reading.hr == MODBUS_E_NO_ANSWER) silent.push_back(block.nUnit);
            bAnswered = bAnswered || reading.hr == S_OK || reading.hr == MODBUS_E_EXCEPTION;
        }
        outcome.readings.push_back(std::move(reading));
    }
    // Nothing answered at all: the device is gone, not one of its units.
    if (!outcome.bGaveUp && !silent.empty() && !bAnswered) Failed(ETIMEDOUT, outcome);
    if (!outcome.bGaveUp) return;
    for (ModbusReading& reading : outcome.readings) {
        if (reading.hr == MODBUS_E_NO_ANSWER) reading.hr = MODBUS_E_NOT_CONNECTED;
    }
}

// Connected, or connected again when the pause after the last failure is over.
bool ModbusConnection::Ensure(Outcome& outcome) {
    if (m_bConnected) return true;
    if (outcome.bGaveUp || Clock::now() < m_NextAttempt) return false;
    if (modbus_connect(m_Ctx) != 0) {
        Failed(errno, outcome);
        return false;
    }
    m_bConnected = true;
    return true;
}

ModbusReading ModbusConnection::ReadBlock(const ModbusBlock& block, Outcome& outcome) {
    ModbusReading reading;
    modbus_set_slave(m_Ctx, block.nUnit);
    int rc = -1;
    if (block.table == Table::Holding || block.table == Table::Input) {
        reading.data.resize(static_cast<std::size_t>(block.nCount));
        rc = block.table == Table::Holding
                 ? modbus_read_registers(m_Ctx, block.nStart, block.nCount, reading.data.data())
                 : modbus_read_input_registers(m_Ctx, block.nStart, block.nCount,
                                               reading.data.data());
    } else {
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(block.nCount));
        rc = block.table == Table::Coil
                 ? modbus_read_bits(m_Ctx, block.nStart, block.nCount, bits.data())
                 : modbus_read_input_bits(m_Ctx, block.nStart, block.nCount, bits.data());
        reading.data.assign(bits.begin(), bits.end());
    }
    if (rc == block.nCount && !Leftover()) {
        Answered(outcome);
        return reading;
    }
    const int nError = rc < 0 ? errno : EMBBADDATA;
    reading.data.clear();
    reading.strReason = LibraryError(nError);
    reading.hr = Refused(nError, outcome);
    if (reading.hr == MODBUS_E_EXCEPTION) reading.nException = nError - MODBUS_ENOBASE;
    return reading;
}

// What a failed request means: the device's exception; no answer in time,
// which leaves the connection to the caller; or an answer that makes no
// sense, which ends the connection.
HRESULT ModbusConnection::Refused(int nError, Outcome& outcome) {
    if (IsException(nError)) {
        Answered(outcome);
        return MODBUS_E_EXCEPTION;
    }
    if (nError == ETIMEDOUT) {
        // The answer may still come, and the next request would take it for
        // its own: the next request goes on a new connection. That is no loss.
        modbus_close(m_Ctx);
        m_bConnected = false;
        return MODBUS_E_NO_ANSWER;
    }
    Failed(nError, outcome);
    return MODBUS_E_NOT_CONNECTED;
}

HRESULT ModbusConnection::WriteOnce(const ModbusWrite& write, Outcome& outcome) {
    modbus_set_slave(m_Ctx, write.nUnit);
    const int nCount = static_cast<int>(write.data.size());
    const int rc = write.table == Table::Coil
                       ? modbus_write_bit(m_Ctx, write.nAddress, write.data.at(0) != 0)
                       : modbus_write_registers(m_Ctx, write.nAddress, nCount, write.data.data());
    if (rc == (write.table == Table::Coil ? 1 : nCount) && !Leftover()) {
        Answered(outcome);
        return S_OK;
    }
    return Refused(rc < 0 ? errno : EMBBADDATA, outcome);
}

// Bytes waiting after a whole answer: the frame was longer than its function
// says (the library does not check the length field), and what follows
// would be read as the next answer.
bool ModbusConnection::Leftover() const {
    int nWaiting = 0;
    return ioctl(modbus_get_socket(m_Ctx), FIONREAD, &nWaiting) != 0 || nWaiting > 0;
}

// The device answered: after a loss, that is the recovery.
void ModbusConnection::Answered(Outcome& outcome) {
    if (!m_bLost) return;
    m_bLost = false;
    m_Backoff = std::chrono::seconds(0);
    outcome.bRestored = true;
}

// No answer, or one that makes no sense: the connection is closed; the first
// failure after an answer tries again at the next request, each further one
// waits twice as long.
void ModbusConnection::Failed(int nError, Outcome& outcome) {
    modbus_close(m_Ctx);
    m_bConnected = false;
    outcome.bGaveUp = true;
    if (!m_bLost) {
        m_bLost = true;
        m_Backoff = std::chrono::seconds(0);
        outcome.strLost = LibraryError(nError);
    } else {
        m_Backoff = std::min<std::chrono::seconds>(std::max(m_Backoff * 2, std::chrono::seconds(1)),
                                                   kLongestPause);
    }
    m_NextAttempt = Clock::now() + m_Backoff;
}

}  // namespace tarnel
