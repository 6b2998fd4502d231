#include "service/providers/mqtt/MqttConnection.h"

#include <mosquitto.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "service/base/ProgramModule.h"
#include "service/providers/mqtt/MqttErrors.h"

namespace tarnel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kConnectWait = std::chrono::seconds(5);
constexpr auto kAckWait = std::chrono::seconds(10);
constexpr auto kHousekeeping = std::chrono::seconds(1);
constexpr auto kLongestPause = std::chrono::seconds(30);
constexpr auto kCloseWait = std::chrono::seconds(2);
// Packets read in one wake of the loop, so that a flood does not starve timers.
constexpr int kReadsPerWake = 256;
constexpr unsigned kInFlight = 1000;
constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

MqttConnection& Self(void* obj) { return *static_cast<MqttConnection*>(obj); }

std::string LibraryError(int rc) {
    return rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
}

// The code of a failure before the broker answered.
HRESULT ConnectFailure(int rc) {
    switch (rc) {
        case MOSQ_ERR_TLS:
        case MOSQ_ERR_TLS_HANDSHAKE:
            return MQTT_E_TLS_FAILED;
        default:
            return MQTT_E_BROKER_UNREACHABLE;
    }
}

}  // namespace

MqttConnection::MqttConnection(asio::io_context& io, MqttBroker broker, MqttOptions options)
    : m_Broker(std::move(broker)),
      m_Options(std::move(options)),
      m_Socket(io),
      m_Housekeeping(io),
      m_Retry(io) {
    m_strAddress = m_Broker.strHost.find(':') == std::string::npos ? m_Broker.strHost
                                                                   : "[" + m_Broker.strHost + "]";
    m_strAddress += ':';
    m_strAddress += std::to_string(m_Broker.nPort);
    InitialiseLibrary();
    m_Mosq = mosquitto_new(m_Options.strClientId.c_str(), true, this);
}

MqttConnection::~MqttConnection() {
    Close();
    if (m_Mosq != nullptr) mosquitto_destroy(m_Mosq);
}

// ---- Connecting -------------------------------------------------------------

HRESULT MqttConnection::Connect() {
    if (m_State != State::Idle) return E_UNEXPECTED;
    std::string strError;
    HRESULT hr = Prepare(strError);
    if (FAILED(hr)) return Fail(hr, strError);
    const int rc = mosquitto_connect_async(m_Mosq, m_Broker.strHost.c_str(), m_Broker.nPort,
                                           m_Options.nKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) return Fail(ConnectFailure(rc), LibraryError(rc));
    hr = AwaitConnAck(strError);
    if (FAILED(hr)) return Fail(hr, strError);
    LogMessage("MQTT: connected to the broker at " + m_strAddress + " as " + m_Options.strClientId);
    Watch();
    ArmHousekeeping();
    AfterIo(MOSQ_ERR_SUCCESS);
    return S_OK;
}

HRESULT MqttConnection::Prepare(std::string& strError) {
    if (m_Mosq == nullptr) {
        strError = "the client cannot be made (client id " + m_Options.strClientId + ")";
        return MQTT_E_BAD_OPTION;
    }
    mosquitto_connect_callback_set(m_Mosq,
                                   [](mosquitto*, void* obj, int rc) { Self(obj).OnConnect(rc); });
    mosquitto_publish_callback_set(
        m_Mosq, [](mosquitto*, void* obj, int mid) { Self(obj).OnPublish(mid); });
    mosquitto_message_callback_set(m_Mosq,
                                   [](mosquitto*, void* obj, const mosquitto_message* message) {
                                       Self(obj).OnMessage(*message);
                                   });
    // Bounded: the library walks its list of unacknowledged messages on every
    // publish, so an unbounded window makes a period's writes cost quadratic
    // time. 1,000 in flight still pass 10,000 writes a second at 100 ms round trip.
    mosquitto_max_inflight_messages_set(m_Mosq, kInFlight);
    const auto& o = m_Options;
    auto orNull = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
    if (!o.strUserName.empty() &&
        mosquitto_username_pw_set(m_Mosq, o.strUserName.c_str(), orNull(o.strPassword)) != 0) {
        strError = "the user name cannot be used";
        return MQTT_E_BAD_OPTION;
    }
    if (!o.strStateTopic.empty() &&
        mosquitto_will_set(m_Mosq, o.strStateTopic.c_str(), 7, kOffline, 1, true) != 0) {
        strError = "the state topic " + o.strStateTopic + " cannot be published to";
        return MQTT_E_BAD_OPTION;
    }
    if (m_Broker.bTls &&
        mosquitto_tls_set(m_Mosq, orNull(o.strCAFile),
                          o.strCAFile.empty() ? "/etc/ssl/certs" : nullptr, orNull(o.strCertFile),
                          orNull(o.strKeyFile), nullptr) != 0) {
        strError = "the CA file, certificate or key cannot be read";
        return MQTT_E_BAD_OPTION;
    }
    return S_OK;
}

HRESULT MqttConnection::AwaitConnAck(std::string& strError) {
    m_State = State::Connecting;
    const auto deadline = Clock::now() + kConnectWait;
    while (m_nConnAck < 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            strError = "no answer within " + std::to_string(kConnectWait.count()) + " s";
            return MQTT_E_NO_ANSWER;
        }
        const int rc =
            mosquitto_loop(m_Mosq, static_cast<int>(std::min<long>(left.count(), 100)), 1);
        if (m_nConnAck < 0 && rc != MOSQ_ERR_SUCCESS) {
            strError = LibraryError(rc);
            return ConnectFailure(rc);
        }
    }
    if (m_nConnAck == 0) return S_OK;
    strError = mosquitto_connack_string(m_nConnAck);
    return m_nConnAck == 4 || m_nConnAck == 5 ? MQTT_E_NOT_AUTHORISED : MQTT_E_REFUSED;
}

HRESULT MqttConnection::Fail(HRESULT hr, const std::string& strReason) {
    LogMessage("MQTT: cannot connect to the broker at " + m_strAddress + ": " + strReason);
    if (m_Mosq != nullptr) mosquitto_disconnect(m_Mosq);
    m_State = State::Closed;
    return hr;
}

void MqttConnection::Close() {
    if (m_State == State::Closed || m_State == State::Idle) {
        m_State = State::Closed;
        return;
    }
    const bool bConnected = m_State == State::Connected;
    m_State = State::Closed;
    m_Retry.cancel();
    m_Housekeeping.cancel();
    Unwatch();
    FailPending(MQTT_E_NOT_CONNECTED);
    if (!bConnected) return;
    // The broker keeps the last will for a lost client only: say it ourselves.
    if (!m_Options.strStateTopic.empty()) {
        mosquitto_publish(m_Mosq, nullptr, m_Options.strStateTopic.c_str(), 7, kOffline, 1, true);
    }
    mosquitto_disconnect(m_Mosq);
    const auto deadline = Clock::now() + kCloseWait;
    while (mosquitto_socket(m_Mosq) != -1 && Clock::now() < deadline) {
        if (mosquitto_loop(m_Mosq, 100, 1) != MOSQ_ERR_SUCCESS) break;
    }
}

// ---- Socket and timers on the loop --------------------------------------------

void MqttConnection::Watch() {
    const int fd = mosquitto_socket(m_Mosq);
    if (fd < 0) return;
    asio::error_code ec;
    m_Socket.assign(dup(fd), ec);
    WaitReadable();
}

void MqttConnection::Unwatch() {
    asio::error_code ec;
    m_Socket.close(ec);
    m_bReading = false;
    m_bWriting = false;
}

void MqttConnection::WaitReadable() {
    if (m_bReading || !m_Socket.is_open()) return;
    m_bReading = true;
    m_Socket.async_wait(asio::posix::stream_descriptor::wait_read,
                        [weak = weak_from_this()](const asio::error_code& ec) {
                            const auto self = weak.lock();
                            if (ec || !self) return;
                            self->m_bReading = false;
                            int rc = MOSQ_ERR_SUCCESS;
                            for (int i = 0; i < kReadsPerWake && rc == MOSQ_ERR_SUCCESS; ++i) {
                                errno = 0;
                                rc = mosquitto_loop_read(self->m_Mosq, 1);
                                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                            }
                            self->AfterIo(rc);
                        });
}

void MqttConnection::WaitWritable() {
    if (m_bWriting || !m_Socket.is_open()) return;
    m_bWriting = true;
    m_Socket.async_wait(asio::posix::stream_descriptor::wait_write,
                        [weak = weak_from_this()](const asio::error_code& ec) {
                            const auto self = weak.lock();
                            if (ec || !self) return;
                            self->m_bWriting = false;
                            self->AfterIo(mosquitto_loop_write(self->m_Mosq, 1));
                        });
}

void MqttConnection::ArmHousekeeping() {
    m_Housekeeping.expires_after(kHousekeeping);
    m_Housekeeping.async_wait([weak = weak_from_this()](const asio::error_code& ec) {
        const auto self = weak.lock();
        if (ec || !self || self->m_State == State::Closed) return;
        self->ExpirePending();
        // Keep-alive pings, and the broker's silence noticed.
        if (self->m_State == State::Connected || self->m_State == State::Connecting) {
            self->AfterIo(mosquitto_loop_misc(self->m_Mosq));
        }
        self->ArmHousekeeping();
    });
}

void MqttConnection::AfterIo(int rc) {
    if (m_State != State::Connected && m_State != State::Connecting) return;
    if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(m_Mosq) == -1) {
        Dropped(rc);
        return;
    }
    WaitReadable();
    if (mosquitto_want_write(m_Mosq)) WaitWritable();
}

// ---- Losing the broker and finding it again -------------------------------------

void MqttConnection::Dropped(int rc) {
    const bool bWasConnected = m_State == State::Connected;
    Unwatch();
    FailPending(MQTT_E_NOT_ACKNOWLEDGED);
    m_State = State::Waiting;
    if (bWasConnected) {
        m_Backoff = std::chrono::seconds(1);
        LogMessage("MQTT: connection to the broker at " + m_strAddress + " lost (" +
                   LibraryError(rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc) +
                   "); reconnecting");
        if (auto lost = Events.Lost) lost();
    } else {
        m_Backoff = std::min<std::chrono::seconds>(m_Backoff * 2, kLongestPause);
    }
    m_Retry.expires_after(m_Backoff);
    m_Retry.async_wait([weak = weak_from_this()](const asio::error_code& ec) {
        const auto self = weak.lock();
        if (!ec && self && self->m_State == State::Waiting) self->Reconnect();
    });
}

void MqttConnection::Reconnect() {
    m_nConnAck = -1;
    m_State = State::Connecting;
    const int rc = mosquitto_reconnect_async(m_Mosq);
    if (rc != MOSQ_ERR_SUCCESS) {
        Dropped(rc);
        return;
    }
    Watch();
    AfterIo(MOSQ_ERR_SUCCESS);
}

void MqttConnection::OnConnect(int rc) {
    m_nConnAck = rc;
    if (rc != 0) return;
    const bool bReconnected = m_State == State::Connecting && m_Backoff.count() > 0;
    m_State = State::Connected;
    for (const auto& [strTopic, nCount] : m_Topics) {
        mosquitto_subscribe(m_Mosq, nullptr, strTopic.c_str(), m_Options.nQoS);
    }
    if (!m_Options.strStateTopic.empty()) {
        mosquitto_publish(m_Mosq, nullptr, m_Options.strStateTopic.c_str(), 6, kOnline, 1, true);
    }
    if (bReconnected) {
        m_Backoff = std::chrono::seconds(0);
        LogMessage("MQTT: connection to the broker at " + m_strAddress + " restored");
    }
}

// ---- Topics and messages --------------------------------------------------------

void MqttConnection::Subscribe(const std::string& strTopic) {
    if (++m_Topics[strTopic] != 1 || m_State != State::Connected) return;
    AfterIo(mosquitto_subscribe(m_Mosq, nullptr, strTopic.c_str(), m_Options.nQoS));
}

void MqttConnection::Unsubscribe(const std::string& strTopic) {
    const auto found = m_Topics.find(strTopic);
    if (found == m_Topics.end() || --found->second != 0) return;
    m_Topics.erase(found);
    if (m_State == State::Connected)
        AfterIo(mosquitto_unsubscribe(m_Mosq, nullptr, strTopic.c_str()));
}

void MqttConnection::Publish(const std::string& strTopic, const std::string& strPayload,
                             Done done) {
    if (m_State != State::Connected) {
        done(MQTT_E_NOT_CONNECTED);
        return;
    }
    int mid = 0;
    const int rc =
        mosquitto_publish(m_Mosq, &mid, strTopic.c_str(), static_cast<int>(strPayload.size()),
                          strPayload.data(), m_Options.nQoS, true);
    if (rc != MOSQ_ERR_SUCCESS) {
        done(MQTT_E_NOT_ACKNOWLEDGED);
    } else if (m_Options.nQoS == 0) {
        done(S_OK);
    } else {
        m_Pending.emplace(mid, Pending{std::move(done), Clock::now() + kAckWait});
    }
    AfterIo(MOSQ_ERR_SUCCESS);
}

void MqttConnection::OnPublish(int mid) {
    const auto found = m_Pending.find(mid);
    if (found == m_Pending.end()) return;
    const Done done = std::move(found->second.done);
    m_Pending.erase(found);
    done(S_OK);
}

void MqttConnection::OnMessage(const mosquitto_message& message) {
    if (message.topic == nullptr || !Events.Message) return;
    Events.Message(message.topic,
                   std::string_view(static_cast<const char*>(message.payload),
                                    static_cast<std::size_t>(std::max(message.payloadlen, 0))));
}

void MqttConnection::FailPending(HRESULT hr) {
    auto pending = std::move(m_Pending);
    m_Pending.clear();
    for (auto& [mid, write] : pending) write.done(hr);
}

void MqttConnection::ExpirePending() {
    const auto now = Clock::now();
    for (auto it = m_Pending.begin(); it != m_Pending.end();) {
        if (it->second.expires > now) {
            ++it;
            continue;
        }
        const Done done = std::move(it->second.done);
        it = m_Pending.erase(it);
        done(MQTT_E_NOT_ACKNOWLEDGED);
    }
}

}  // namespace tarnel
