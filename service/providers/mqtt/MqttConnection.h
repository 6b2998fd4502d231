#pragma once
#include <asio/io_context.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "service/providers/mqtt/MqttNode.h"
#include "service/providers/mqtt/MqttOptions.h"

struct mosquitto;
struct mosquitto_message;

namespace tarnel {

// One session with the broker, driven from the event loop through the client
// library's socket, so that every callback runs on the loop's thread and
// nothing needs a lock. After a successful Connect the session keeps itself
// up: a lost connection is logged and reported once, then it reconnects with
// a growing pause (1 s up to 30 s), subscribes its topics again and announces
// the service online on the state topic.
class MqttConnection : public std::enable_shared_from_this<MqttConnection> {
public:
    using Done = std::function<void(HRESULT)>;
    struct Handlers {
        std::function<void(const std::string& strTopic, std::string_view payload)> Message;
        std::function<void()> Lost;
    };

    MqttConnection(asio::io_context& io, MqttBroker broker, MqttOptions options);
    ~MqttConnection();
    MqttConnection(const MqttConnection&) = delete;
    MqttConnection& operator=(const MqttConnection&) = delete;

    // Waits a bounded time for the broker's answer: S_OK, or an MQTT_E_ code
    // whose reason has been logged.
    HRESULT Connect();
    // Announces the service offline and leaves the broker; nothing reconnects.
    void Close();

    // Counted: the first Subscribe of a topic subscribes it, the last
    // Unsubscribe ends the subscription.
    void Subscribe(const std::string& strTopic);
    void Unsubscribe(const std::string& strTopic);
    // Publishes retained. done gets S_OK once the broker acknowledged the
    // message, else the error; it may be called before Publish returns.
    void Publish(const std::string& strTopic, const std::string& strPayload, Done done);

    // Whether the session is up (not waiting to reconnect).
    bool Connected() const { return m_State == State::Connected; }

    // "host:port" for log lines.
    const std::string& Address() const { return m_strAddress; }

    // Raised on the loop, from inside the client library: a handler must not
    // destroy the connection.
    Handlers Events;

private:
    enum class State { Idle, Connecting, Connected, Waiting, Closed };
    struct Pending {
        Done done;
        std::chrono::steady_clock::time_point expires;
    };

    HRESULT Prepare(std::string& strError);
    HRESULT AwaitConnAck(std::string& strError);
    HRESULT Fail(HRESULT hr, const std::string& strReason);

    void Watch();
    void Unwatch();
    void WaitReadable();
    void WaitWritable();
    void ArmHousekeeping();
    // After every call into the client library: notices a lost socket and
    // waits for the socket to take queued packets.
    void AfterIo(int rc);
    void Dropped(int rc);
    void Reconnect();
    void FailPending(HRESULT hr);
    void ExpirePending();

    void OnConnect(int rc);
    void OnPublish(int mid);
    void OnMessage(const mosquitto_message& message);

    MqttBroker m_Broker;
    MqttOptions m_Options;
    std::string m_strAddress;
    struct mosquitto* m_Mosq = nullptr;

    State m_State = State::Idle;
    int m_nConnAck = -1;
    std::chrono::seconds m_Backoff{0};
    asio::posix::stream_descriptor m_Socket;
    bool m_bReading = false;
    bool m_bWriting = false;
    asio::steady_timer m_Housekeeping;
    asio::steady_timer m_Retry;

    std::unordered_map<std::string, int> m_Topics;
    std::map<int, Pending> m_Pending;
};

}  // namespace tarnel
