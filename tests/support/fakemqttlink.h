#pragma once

#include "export/mqttpublisher.h"

#include <string>
#include <vector>

// Keeps what the publisher sends, and lets a test play the broker's side of the connection.
class FakeMqttLink final : public MqttLink {
public:
    struct Message {
        std::string topic;
        std::string payload;
        bool retain = false;
    };

    ~FakeMqttLink() override
    {
        if (lastWords)
            *lastWords = sent;
    }

    void start(Events events) override { this->events = std::move(events); }
    void publish(const std::string& topic, const std::string& payload, bool retain) override
    {
        sent.push_back({topic, payload, retain});
    }
    void subscribe(const std::string& topic) override { subscriptions.push_back(topic); }

    // What was sent on a topic, oldest first, and then forgotten.
    std::vector<std::string> take(const std::string& topic)
    {
        std::vector<std::string> payloads;
        std::erase_if(sent, [&](const Message& m) {
            if (m.topic != topic)
                return false;
            payloads.push_back(m.payload);
            return true;
        });
        return payloads;
    }

    Events events;
    std::vector<Message> sent;
    std::vector<std::string> subscriptions;
    std::vector<Message>* lastWords = nullptr; // gets what was sent when the link goes
};
