#pragma once

#include "monitor/tickrecord.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Where --metrics listens: a numeric address (IPv6 in brackets on the command line) and a port.
struct ListenAddress {
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
    bool ipv6 = false;

    std::string text() const; // as the user writes it: "127.0.0.1:9760", "[::1]:9760"
};

// "[ADDRESS:]PORT" with a port from 1 to 65535; the address defaults to 127.0.0.1. None when the
// text is not one.
std::optional<ListenAddress> parseListenAddress(std::string_view text);

// Serves the latest tick's metrics at /metrics over HTTP from the HTTP library's own thread, which
// answers from a copy: the tick only swaps the text under a lock, and no client can delay it.
// Clients are bounded in number, request size and time.
class MetricsServer final : public TickSink {
public:
    // Listening at once; none with the reason in error when the address cannot be served. Port 0
    // takes any free port.
    static std::unique_ptr<MetricsServer> start(const ListenAddress& address, std::string* error);
    ~MetricsServer() override;
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    void record(const TickRecord& tick) override;

    std::uint16_t port() const { return m_port; }

    struct Library;
    struct Page; // the text served and the library, shared with the server's thread

private:
    MetricsServer();

    std::unique_ptr<Page> m_page;
    struct MHD_Daemon* m_daemon = nullptr;
    std::uint16_t m_port = 0;
};
