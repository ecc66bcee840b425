#pragma once

#include "export/mqttpublisher.h"

#include <QObject>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct mosquitto;
struct mosquitto_message;

// Where and as whom to connect.
struct MqttBroker {
    std::string host;
    int port = 1883;
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::optional<std::string> caFile; // TLS, the broker's certificate and host name checked
    std::string clientId;
};

// libmosquitto with its own network thread. The library is loaded only when MQTT is asked for,
// so that the window's start does not pay for it and its TLS libraries.
class MosquittoLink final : public QObject, public MqttLink {
public:
    // willTopic gets a retained "offline" from the broker when the connection dies. None, with
    // the reason in error, when the library is missing or refuses the settings.
    static std::unique_ptr<MosquittoLink> open(const MqttBroker& broker,
                                               const std::string& willTopic, std::string* error);
    ~MosquittoLink() override;

    void start(Events events) override;
    void publish(const std::string& topic, const std::string& payload, bool retain) override;
    void subscribe(const std::string& topic) override;

private:
    MosquittoLink(mosquitto* client, MqttBroker broker);

    // On the library's thread: each hands over to the event loop.
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onLog(mosquitto*, void* self, int level, const char* text);
    void run();
    bool timeToStop();
    int waitMs();
    void failedOnLoop(std::string reason);
    std::string failure(int rc);

    mosquitto* m_client;
    MqttBroker m_broker;
    Events m_events;
    std::thread m_network;
    std::mutex m_mutex; // guards what follows, shared with the network thread
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::chrono::steady_clock::time_point m_stopBy;
    bool m_connected = false;
    int m_delaySeconds = 1;  // before the next attempt; doubles up to a minute
    std::string m_lastError; // the library's first error line since the last failure
};
