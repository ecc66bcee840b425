#include "export/metricsserver.h"
#include "export/prometheus.h"
#include "support/deadline.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A client socket connected to the server on loopback, with a receive limit so no test hangs.
int connectTo(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval limit{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

// The whole answer to one request, as the server sends it before closing.
std::string exchange(std::uint16_t port, const std::string& request)
{
    const int fd = connectTo(port);
    EXPECT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), ssize_t(request.size()));
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, std::size_t(n));
    ::close(fd);
    return answer;
}

std::string request(const std::string& method, const std::string& path)
{
    return method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}

std::string body(const std::string& answer)
{
    const std::size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

std::unique_ptr<MetricsServer> startOnAnyPort()
{
    std::string error;
    std::unique_ptr<MetricsServer> server = MetricsServer::start(ListenAddress(), &error);
    EXPECT_TRUE(server) << error;
    return server;
}

} // namespace

TEST(ListenAddress, portAloneListensOnLoopbackOnly)
{
    const std::optional<ListenAddress> port = parseListenAddress("9760");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->text(), "127.0.0.1:9760");
    EXPECT_EQ(parseListenAddress("0.0.0.0:65535")->text(), "0.0.0.0:65535");
    const std::optional<ListenAddress> six = parseListenAddress("[::1]:9760");
    ASSERT_TRUE(six);
    EXPECT_TRUE(six->ipv6);
    EXPECT_EQ(six->host, "::1");
    EXPECT_EQ(parseListenAddress("[::]:1")->text(), "[::]:1");
}

TEST(ListenAddress, refusesWhatIsNotAnAddressAndPort)
{
    for (const char* bad : {"", "0", "65536", "-1", "97 60", "9760x", "127.0.0.1:", ":9760",
                            "localhost:9760", "::1:9760", "[::1]", "[::1]9760", "[127.0.0.1]:9760",
                            "1.2.3:9760", "127.0.0.1:0", "[::1:9760"})
        EXPECT_FALSE(parseListenAddress(bad)) << bad;
}

TEST(MetricsServer, servesTheLastTickAtMetrics)
{
    finishesWithin(60s, [] {
        std::unique_ptr<MetricsServer> server = startOnAnyPort();
        ASSERT_TRUE(server);
        ASSERT_NE(server->port(), 0);
        std::string answer = exchange(server->port(), request("GET", "/metrics"));
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 ")) << answer;
        EXPECT_NE(answer.find("\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\n"),
                  std::string::npos)
            << answer;
        EXPECT_EQ(body(answer), buildInfoText());

        TickRecord tick;
        tick.sensors[1].celsius = 21.5;
        server->record(tick);
        EXPECT_EQ(body(exchange(server->port(), request("GET", "/metrics"))), metricsText(tick));
        answer = exchange(server->port(), request("HEAD", "/metrics"));
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 ")) << answer;
        EXPECT_EQ(body(answer), "");
    });
}

TEST(MetricsServer, answersOnlyReadsOfMetrics)
{
    finishesWithin(60s, [] {
        std::unique_ptr<MetricsServer> server = startOnAnyPort();
        ASSERT_TRUE(server);
        for (const char* path : {"/", "/metrics/", "/metricsx", "/../metrics"})
            EXPECT_TRUE(exchange(server->port(), request("GET", path)).starts_with("HTTP/1.1 404 "))
                << path;
        for (const char* method : {"POST", "PUT", "DELETE"}) {
            const std::string answer = exchange(server->port(), request(method, "/metrics"));
            EXPECT_TRUE(answer.starts_with("HTTP/1.1 405 ")) << answer;
            EXPECT_NE(answer.find("\r\nAllow: GET, HEAD\r\n"), std::string::npos) << answer;
        }
        // A request larger than a client may send is refused, not read on and on.
        const std::string huge =
            "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Filler: " + std::string(65536, 'x') +
            "\r\nConnection: close\r\n\r\n";
        const std::string answer = exchange(server->port(), huge);
        EXPECT_FALSE(answer.starts_with("HTTP/1.1 200 ")) << answer.substr(0, 80);
    });
}

TEST(MetricsServer, silentAndSlowClientsDelayNeitherTicksNorScrapes)
{
    finishesWithin(60s, [] {
        std::unique_ptr<MetricsServer> server = startOnAnyPort();
        ASSERT_TRUE(server);
        TickRecord tick;
        tick.sensors[0].name = std::string(200000, 'n'); // an answer larger than socket buffers
        server->record(tick);
        const int silent = connectTo(server->port());
        // Asks and never reads: its answer stops in full buffers.
        const int slow = connectTo(server->port());
        const int small = 4096;
        ::setsockopt(slow, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        const std::string ask = request("GET", "/metrics");
        ::send(slow, ask.data(), ask.size(), MSG_NOSIGNAL);
        for (int i = 0; i < 3; ++i) {
            tick.sensors[0].reading = std::uint32_t(i);
            server->record(tick);
            EXPECT_EQ(body(exchange(server->port(), ask)), metricsText(tick));
        }
        // Served beside the silent client, not after the server gave up on it.
        char byte;
        EXPECT_EQ(::recv(silent, &byte, 1, MSG_DONTWAIT), -1);
        EXPECT_EQ(errno, EAGAIN);
        ::close(silent);
        ::close(slow);
    });
}

TEST(MetricsServer, addressThatCannotBeServedIsNamedWithTheReason)
{
    std::unique_ptr<MetricsServer> first = startOnAnyPort();
    ASSERT_TRUE(first);
    ListenAddress taken;
    taken.port = first->port();
    std::string error;
    EXPECT_FALSE(MetricsServer::start(taken, &error));
    EXPECT_EQ(error, "metrics cannot be served on " + taken.text() + ": Address already in use");
    // Binding is local: nothing is sent to this documentation address.
    EXPECT_FALSE(MetricsServer::start(*parseListenAddress("192.0.2.1:9760"), &error));
    EXPECT_EQ(error, "metrics cannot be served on 192.0.2.1:9760: Cannot assign requested address");
}
