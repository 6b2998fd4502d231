#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

struct mosquitto;

namespace tarnel {

// The plant's side of a benchmark: a libmosquitto client on 127.0.0.1 with
// its own network thread, fast enough to publish a flood, that keeps the
// latest message of every topic it subscribed to and when it arrived.
class BenchMqttClient {
public:
    using Clock = std::chrono::steady_clock;
    struct Arrival {
        std::string payload;
        Clock::time_point at;
        std::uint64_t nCount = 0;  // messages on the topic so far
    };

    // Connects and waits for the broker's answer; Connected() tells whether it came.
    BenchMqttClient(int nPort, std::chrono::milliseconds limit);
    ~BenchMqttClient();
    BenchMqttClient(const BenchMqttClient&) = delete;
    BenchMqttClient& operator=(const BenchMqttClient&) = delete;

    bool Connected() const;
    // Subscribes (QoS 1) and waits until the broker granted it.
    bool Subscribe(const std::string& strTopic, std::chrono::milliseconds limit);
    // Queues a message; false when the library refused it.
    bool Publish(const std::string& strTopic, const std::string& strPayload, int nQoS,
                 bool bRetain);
    // Waits until every message published so far is out: written (QoS 0) or
    // acknowledged by the broker (QoS 1).
    bool WaitSent(std::chrono::milliseconds limit);
    // Waits until the latest message on the topic satisfies wanted; nothing
    // when the limit passes first.
    std::optional<Arrival> WaitFor(const std::string& strTopic,
                                   const std::function<bool(const Arrival&)>& wanted,
                                   std::chrono::milliseconds limit);
    // The latest message on the topic (empty, count 0, before the first).
    Arrival Latest(const std::string& strTopic) const;

private:
    void OnConnect(int rc);
    void OnSubscribe(int mid);
    void OnPublish();
    void OnMessage(const std::string& strTopic, std::string strPayload);

    struct mosquitto* m_Mosq = nullptr;
    bool m_bLooping = false;
    mutable std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::optional<int> m_nConnAck;
    std::unordered_set<int> m_Granted;
    std::uint64_t m_nUnsent = 0;
    std::unordered_map<std::string, Arrival> m_Latest;
};

}  // namespace tarnel
