#include "export/mosquittolink.h"

#include <dlfcn.h>
#include <mosquitto.h>

namespace {

// The calls the link makes, resolved from the shared library at the first use.
#define QUORVIL_MOSQUITTO_CALLS(X)                                                                 \
    X(mosquitto_lib_init)                                                                          \
    X(mosquitto_new)                                                                               \
    X(mosquitto_destroy)                                                                           \
    X(mosquitto_user_data_set)                                                                     \
    X(mosquitto_will_set)                                                                          \
    X(mosquitto_username_pw_set)                                                                   \
    X(mosquitto_tls_set)                                                                           \
    X(mosquitto_threaded_set)                                                                      \
    X(mosquitto_connect_callback_set)                                                              \
    X(mosquitto_disconnect_callback_set)                                                           \
    X(mosquitto_message_callback_set)                                                              \
    X(mosquitto_log_callback_set)                                                                  \
    X(mosquitto_loop)                                                                              \
    X(mosquitto_connect_async)                                                                     \
    X(mosquitto_reconnect_async)                                                                   \
    X(mosquitto_disconnect)                                                                        \
    X(mosquitto_publish)                                                                           \
    X(mosquitto_subscribe)                                                                         \
    X(mosquitto_strerror)                                                                          \
    X(mosquitto_connack_string)

struct Library {
#define QUORVIL_FIELD(name) decltype(&::name) name = nullptr;
    QUORVIL_MOSQUITTO_CALLS(QUORVIL_FIELD)
#undef QUORVIL_FIELD
    std::string error;
};

const Library& library()
{
    static const Library loaded = [] {
        Library lib;
        void* handle = ::dlopen("libmosquitto.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            lib.error = ::dlerror();
            return lib;
        }
#define QUORVIL_RESOLVE(name)                                                                      \
    lib.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                        \
    if (!lib.name && lib.error.empty())                                                            \
        lib.error = "libmosquitto.so.1 lacks " #name;
        QUORVIL_MOSQUITTO_CALLS(QUORVIL_RESOLVE)
#undef QUORVIL_RESOLVE
        if (lib.error.empty())
            lib.mosquitto_lib_init();
        return lib;
    }();
    return loaded;
}

// The library's texts end in a full stop; the report goes on after them.
std::string reasonText(const char* text)
{
    std::string reason = text ? text : "";
    if (!reason.empty() && reason.back() == '.')
        reason.pop_back();
    return reason;
}

constexpr int KeepAliveSeconds = 30;
constexpr int MaxDelaySeconds = 60;
constexpr int QualityOfService = 1;

} // namespace

std::unique_ptr<MosquittoLink> MosquittoLink::open(const MqttBroker& broker,
                                                   const std::string& willTopic, std::string* error)
{
    const Library& lib = library();
    if (!lib.error.empty()) {
        *error = "the MQTT library could not be loaded: " + lib.error;
        return nullptr;
    }
    mosquitto* client = lib.mosquitto_new(broker.clientId.c_str(), true, nullptr);
    if (!client) {
        *error = "the MQTT client could not be made";
        return nullptr;
    }
    const auto refused = [&](const std::string& what, int rc) {
        *error = what + ": " + lib.mosquitto_strerror(rc);
        lib.mosquitto_destroy(client);
        return nullptr;
    };
    if (const int rc =
            lib.mosquitto_will_set(client, willTopic.c_str(), 7, "offline", QualityOfService, true))
        return refused("the last will was refused", rc);
    if (broker.user) {
        const char* password = broker.password ? broker.password->c_str() : nullptr;
        if (const int rc = lib.mosquitto_username_pw_set(client, broker.user->c_str(), password))
            return refused("the user name was refused", rc);
    }
    if (broker.caFile) {
        // Checks the chain and the host name; a failure is a failed connection.
        if (const int rc = lib.mosquitto_tls_set(client, broker.caFile->c_str(), nullptr, nullptr,
                                                 nullptr, nullptr))
            return refused("the certificate authority file " + *broker.caFile + " was refused", rc);
    }
    // Publishing queues for the network thread, never writes on the caller's.
    lib.mosquitto_threaded_set(client, true);
    return std::unique_ptr<MosquittoLink>(new MosquittoLink(client, broker));
}

MosquittoLink::MosquittoLink(mosquitto* client, MqttBroker broker)
    : m_client(client), m_broker(std::move(broker))
{
    const Library& lib = library();
    lib.mosquitto_user_data_set(m_client, this);
    lib.mosquitto_connect_callback_set(m_client, &MosquittoLink::onConnect);
    lib.mosquitto_disconnect_callback_set(m_client, &MosquittoLink::onDisconnect);
    lib.mosquitto_message_callback_set(m_client, &MosquittoLink::onMessage);
    lib.mosquitto_log_callback_set(m_client, &MosquittoLink::onLog);
}

MosquittoLink::~MosquittoLink()
{
    const Library& lib = library();
    // Connected, the thread sends what is queued (the "offline" of a normal end) and the
    // goodbye before it ends.
    lib.mosquitto_disconnect(m_client);
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_stopBy = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    }
    m_wake.notify_all();
    if (m_network.joinable())
        m_network.join();
    lib.mosquitto_destroy(m_client);
}

void MosquittoLink::start(Events events)
{
    m_events = std::move(events);
    m_network = std::thread([this] { run(); });
}

// The network thread. Not the library's own (mosquitto_loop_start): that one ends for good after
// a TLS or host name lookup error, and the program must go on trying.
void MosquittoLink::run()
{
    const Library& lib = library();
    int rc = lib.mosquitto_connect_async(m_client, m_broker.host.c_str(), m_broker.port,
                                         KeepAliveSeconds);
    for (;;) {
        while (rc == MOSQ_ERR_SUCCESS && !timeToStop())
            rc = lib.mosquitto_loop(m_client, waitMs(), 1);
        if (timeToStop())
            return;
        failedOnLoop(failure(rc));
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::seconds(m_delaySeconds),
                            [this] { return m_stopping; }))
            return;
        m_delaySeconds = std::min(m_delaySeconds * 2, MaxDelaySeconds);
        lock.unlock();
        rc = lib.mosquitto_reconnect_async(m_client);
    }
}

// Connected, a publish or the goodbye wakes the wait; a connection still being made does not,
// and the end of the program must not wait for it.
int MosquittoLink::waitMs()
{
    const std::lock_guard lock(m_mutex);
    return m_connected ? 1000 : 100;
}

bool MosquittoLink::timeToStop()
{
    const std::lock_guard lock(m_mutex);
    // A broker that takes nothing more must not hold the program's end.
    return m_stopping && (!m_connected || std::chrono::steady_clock::now() > m_stopBy);
}

void MosquittoLink::publish(const std::string& topic, const std::string& payload, bool retain)
{
    library().mosquitto_publish(m_client, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                                payload.data(), QualityOfService, retain);
}

void MosquittoLink::subscribe(const std::string& topic)
{
    library().mosquitto_subscribe(m_client, nullptr, topic.c_str(), QualityOfService);
}

void MosquittoLink::failedOnLoop(std::string reason)
{
    QMetaObject::invokeMethod(
        this,
        [this, reason = std::move(reason)] {
            if (m_events.failed)
                m_events.failed(reason);
        },
        Qt::QueuedConnection);
}

void MosquittoLink::onConnect(mosquitto*, void* self, int rc)
{
    auto* link = static_cast<MosquittoLink*>(self);
    {
        const std::lock_guard lock(link->m_mutex);
        link->m_connected = rc == 0;
        if (rc == 0)
            link->m_delaySeconds = 1;
    }
    if (rc != 0) {
        link->failedOnLoop(reasonText(library().mosquitto_connack_string(rc)));
        return;
    }
    QMetaObject::invokeMethod(
        link,
        [link] {
            if (link->m_events.connected)
                link->m_events.connected();
        },
        Qt::QueuedConnection);
}

void MosquittoLink::onDisconnect(mosquitto*, void* self, int rc)
{
    auto* link = static_cast<MosquittoLink*>(self);
    {
        const std::lock_guard lock(link->m_mutex);
        link->m_connected = false;
    }
    if (rc != MOSQ_ERR_SUCCESS) // success: asked for
        link->failedOnLoop(link->failure(rc));
}

std::string MosquittoLink::failure(int rc)
{
    // The library's own error line says more: which check of the certificate failed.
    std::string reason = reasonText(library().mosquitto_strerror(rc));
    const std::lock_guard lock(m_mutex);
    if (!m_lastError.empty())
        reason += " (" + m_lastError + ")";
    m_lastError.clear();
    return reason;
}

void MosquittoLink::onMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* link = static_cast<MosquittoLink*>(self);
    std::string topic = message->topic ? message->topic : "";
    std::string payload(static_cast<const char*>(message->payload),
                        static_cast<std::size_t>(message->payloadlen));
    QMetaObject::invokeMethod(
        link,
        [link, topic = std::move(topic), payload = std::move(payload)] {
            if (link->m_events.message)
                link->m_events.message(topic, payload);
        },
        Qt::QueuedConnection);
}

void MosquittoLink::onLog(mosquitto*, void* self, int level, const char* text)
{
    if (level != MOSQ_LOG_ERR || !text)
        return;
    auto* link = static_cast<MosquittoLink*>(self);
    const std::lock_guard lock(link->m_mutex);
    // The first line of a failure names its cause; OpenSSL's own lines follow.
    if (link->m_lastError.empty())
        link->m_lastError = text;
}
