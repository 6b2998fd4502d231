#include "service/providers/mqtt/MqttTopics.h"

#include "service/providers/mqtt/MqttConnection.h"
#include "service/providers/mqtt/MqttItem.h"

namespace tarnel {

MqttTopics::MqttTopics(std::shared_ptr<MqttConnection> connection)
    : m_Connection(std::move(connection)) {}

void MqttTopics::Add(MqttItem& item) {
    m_Items.emplace(item.Name(), &item);
    m_Connection->Subscribe(item.Name());
}

void MqttTopics::Remove(MqttItem& item) {
    const auto [first, last] = m_Items.equal_range(item.Name());
    for (auto it = first; it != last; ++it) {
        if (it->second != &item) continue;
        m_Items.erase(it);
        m_Connection->Unsubscribe(item.Name());
        return;
    }
}

void MqttTopics::Deliver(const std::string& strTopic, std::string_view payload) {
    const auto [first, last] = m_Items.equal_range(strTopic);
    for (auto it = first; it != last; ++it) it->second->Deliver(payload);
}

void MqttTopics::LoseAll() {
    for (auto& [strTopic, item] : m_Items) item->Lose();
}

}  // namespace tarnel
