#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarnel {

class MqttConnection;
class MqttItem;

// Which items stand for which topic, over every group: the first item of a
// topic subscribes it, the last one removed ends the subscription, and each
// message goes to every item of its topic.
class MqttTopics {
public:
    explicit MqttTopics(std::shared_ptr<MqttConnection> connection);

    void Add(MqttItem& item);
    void Remove(MqttItem& item);
    void Deliver(const std::string& strTopic, std::string_view payload);
    // The broker is lost: every item turns bad.
    void LoseAll();

    MqttConnection& Connection() const { return *m_Connection; }

private:
    std::shared_ptr<MqttConnection> m_Connection;
    std::unordered_multimap<std::string, MqttItem*> m_Items;
};

}  // namespace tarnel
