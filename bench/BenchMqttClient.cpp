#include "bench/BenchMqttClient.h"

#include <mosquitto.h>

namespace tarnel {

namespace {

BenchMqttClient& Self(void* obj) { return *static_cast<BenchMqttClient*>(obj); }

}  // namespace

BenchMqttClient::BenchMqttClient(int nPort, std::chrono::milliseconds limit) {
    // Never cleaned up: the provider under test may share the library in this process.
    mosquitto_lib_init();
    m_Mosq = mosquitto_new(nullptr, true, this);
    if (m_Mosq == nullptr) return;
    mosquitto_connect_callback_set(m_Mosq,
                                   [](mosquitto*, void* obj, int rc) { Self(obj).OnConnect(rc); });
    mosquitto_subscribe_callback_set(m_Mosq, [](mosquitto*, void* obj, int mid, int, const int*) {
        Self(obj).OnSubscribe(mid);
    });
    mosquitto_publish_callback_set(m_Mosq,
                                   [](mosquitto*, void* obj, int) { Self(obj).OnPublish(); });
    mosquitto_message_callback_set(m_Mosq, [](mosquitto*, void* obj, const mosquitto_message* m) {
        Self(obj).OnMessage(m->topic, std::string(static_cast<const char*>(m->payload),
                                                  static_cast<std::size_t>(m->payloadlen)));
    });
    // A flood goes out as fast as the broker takes it, not 20 messages at a time.
    mosquitto_max_inflight_messages_set(m_Mosq, 0);
    if (mosquitto_connect(m_Mosq, "127.0.0.1", nPort, 60) != MOSQ_ERR_SUCCESS) return;
    m_bLooping = mosquitto_loop_start(m_Mosq) == MOSQ_ERR_SUCCESS;
    std::unique_lock lock(m_Mutex);
    m_Changed.wait_for(lock, limit, [this] { return m_nConnAck.has_value(); });
}

BenchMqttClient::~BenchMqttClient() {
    if (m_Mosq == nullptr) return;
    mosquitto_disconnect(m_Mosq);
    if (m_bLooping) mosquitto_loop_stop(m_Mosq, false);
    mosquitto_destroy(m_Mosq);
}

bool BenchMqttClient::Connected() const {
    std::lock_guard lock(m_Mutex);
    return m_bLooping && m_nConnAck == 0;
}

bool BenchMqttClient::Subscribe(const std::string& strTopic, std::chrono::milliseconds limit) {
    int mid = 0;
    if (mosquitto_subscribe(m_Mosq, &mid, strTopic.c_str(), 1) != MOSQ_ERR_SUCCESS) return false;
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, limit, [&] { return m_Granted.count(mid) != 0; });
}

bool BenchMqttClient::Publish(const std::string& strTopic, const std::string& strPayload, int nQoS,
                              bool bRetain) {
    {
        std::lock_guard lock(m_Mutex);
        ++m_nUnsent;
    }
    // The network thread may report it sent before this call returns.
    if (mosquitto_publish(m_Mosq, nullptr, strTopic.c_str(), static_cast<int>(strPayload.size()),
                          strPayload.data(), nQoS, bRetain) == MOSQ_ERR_SUCCESS) {
        return true;
    }
    std::lock_guard lock(m_Mutex);
    --m_nUnsent;
    return false;
}

bool BenchMqttClient::WaitSent(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, limit, [this] { return m_nUnsent == 0; });
}

std::optional<BenchMqttClient::Arrival> BenchMqttClient::WaitFor(
    const std::string& strTopic, const std::function<bool(const Arrival&)>& wanted,
    std::chrono::milliseconds limit) {
    std::unique_lock lock(m_Mutex);
    if (!m_Changed.wait_for(lock, limit, [&] { return wanted(m_Latest[strTopic]); })) return {};
    return m_Latest[strTopic];
}

BenchMqttClient::Arrival BenchMqttClient::Latest(const std::string& strTopic) const {
    std::lock_guard lock(m_Mutex);
    const auto found = m_Latest.find(strTopic);
    return found == m_Latest.end() ? Arrival{} : found->second;
}

void BenchMqttClient::OnConnect(int rc) {
    std::lock_guard lock(m_Mutex);
    m_nConnAck = rc;
    m_Changed.notify_all();
}

void BenchMqttClient::OnSubscribe(int mid) {
    std::lock_guard lock(m_Mutex);
    m_Granted.insert(mid);
    m_Changed.notify_all();
}

void BenchMqttClient::OnPublish() {
    std::lock_guard lock(m_Mutex);
    --m_nUnsent;
    if (m_nUnsent == 0) m_Changed.notify_all();
}

void BenchMqttClient::OnMessage(const std::string& strTopic, std::string strPayload) {
    const auto now = Clock::now();
    std::lock_guard lock(m_Mutex);
    Arrival& latest = m_Latest[strTopic];
    latest.payload = std::move(strPayload);
    latest.at = now;
    ++latest.nCount;
    m_Changed.notify_all();
}

}  // namespace tarnel
