#include "export/metricsserver.h"

#include "export/prometheus.h"
#include "util/fileio.h"
#include "util/textforms.h"

#include <arpa/inet.h>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>

// The HTTP library is opened only when metrics are served: linked in, it and the TLS libraries
// it pulls in would load at every start of the window.
struct MetricsServer::Library {
    decltype(&MHD_start_daemon) startDaemon = nullptr;
    decltype(&MHD_stop_daemon) stopDaemon = nullptr;
    decltype(&MHD_create_response_from_buffer) createResponse = nullptr;
    decltype(&MHD_add_response_header) addHeader = nullptr;
    decltype(&MHD_queue_response) queueResponse = nullptr;
    decltype(&MHD_destroy_response) destroyResponse = nullptr;
};

namespace {

constexpr const char* LibraryFile = "libmicrohttpd.so.12";
constexpr unsigned ConnectionLimit = 16;
constexpr unsigned ConnectionSeconds = 10;      // a client that sends or reads nothing is dropped
constexpr std::size_t ConnectionMemory = 16384; // the request with its headers must fit

// Opened once for the life of the process; none with the reason when it cannot be.
const MetricsServer::Library* library(std::string* error)
{
    static std::string failure;
    static const MetricsServer::Library* loaded = []() -> const MetricsServer::Library* {
        void* handle = ::dlopen(LibraryFile, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            failure = std::string("the HTTP server library is missing: ") + ::dlerror();
            return nullptr;
        }
        static MetricsServer::Library lib;
        const auto bind = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                ::dlsym(handle, name));
            return function != nullptr;
        };
        if (bind(lib.startDaemon, "MHD_start_daemon") && bind(lib.stopDaemon, "MHD_stop_daemon") &&
            bind(lib.createResponse, "MHD_create_response_from_buffer") &&
            bind(lib.addHeader, "MHD_add_response_header") &&
            bind(lib.queueResponse, "MHD_queue_response") &&
            bind(lib.destroyResponse, "MHD_destroy_response"))
            return &lib;
        failure = std::string("the HTTP server library is unusable: ") + LibraryFile;
        return nullptr;
    }();
    if (!loaded)
        *error = failure;
    return loaded;
}

} // namespace

struct MetricsServer::Page {
    const Library* library = nullptr;
    std::mutex mutex;
    std::string text = buildInfoText();
};

namespace {

MHD_Result answer(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char*, const char*, std::size_t*, void**)
{
    auto& page = *static_cast<MetricsServer::Page*>(cls);
    const MetricsServer::Library& lib = *page.library;
    unsigned status = MHD_HTTP_OK;
    std::string body;
    const bool readOnly = std::strcmp(method, "GET") == 0 || std::strcmp(method, "HEAD") == 0;
    if (std::strcmp(url, "/metrics") != 0) {
        status = MHD_HTTP_NOT_FOUND;
        body = "Not found: the metrics are at /metrics\n";
    } else if (!readOnly) {
        status = MHD_HTTP_METHOD_NOT_ALLOWED;
        body = "Only GET and HEAD\n";
    } else {
        const std::lock_guard lock(page.mutex);
        body = page.text;
    }
    MHD_Response* response = lib.createResponse(body.size(), body.data(), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    lib.addHeader(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                  status == MHD_HTTP_OK ? MetricsContentType.data() : "text/plain; charset=utf-8");
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
        lib.addHeader(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    const MHD_Result queued = lib.queueResponse(connection, status, response);
    lib.destroyResponse(response);
    return queued;
}

} // namespace

std::string ListenAddress::text() const
{
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<ListenAddress> parseListenAddress(std::string_view text)
{
    ListenAddress address;
    std::string_view port = text;
    if (text.starts_with("[")) {
        const std::size_t close = text.find("]:");
        if (close == std::string_view::npos)
            return std::nullopt;
        address.host = text.substr(1, close - 1);
        address.ipv6 = true;
        port = text.substr(close + 2);
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        address.host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    in6_addr bytes;
    if (::inet_pton(address.ipv6 ? AF_INET6 : AF_INET, address.host.c_str(), &bytes) != 1)
        return std::nullopt;
    const std::optional<long long> number = parseWholeNumber(port);
    if (port.empty() || !number || *number < 1 || *number > 65535)
        return std::nullopt;
    address.port = std::uint16_t(*number);
    return address;
}

std::unique_ptr<MetricsServer> MetricsServer::start(const ListenAddress& address,
                                                    std::string* error)
{
    const auto fail = [&](const std::string& reason) {
        *error = "metrics cannot be served on " + address.text() + ": " + reason;
        return nullptr;
    };
    std::string libraryError;
    const Library* lib = library(&libraryError);
    if (!lib)
        return fail(libraryError);

    // Bound here rather than by the library, so that the reason is the system's own.
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (address.ipv6) {
        auto& in6 = reinterpret_cast<sockaddr_in6&>(storage);
        in6.sin6_family = AF_INET6;
        in6.sin6_port = htons(address.port);
        ::inet_pton(AF_INET6, address.host.c_str(), &in6.sin6_addr);
        length = sizeof in6;
    } else {
        auto& in4 = reinterpret_cast<sockaddr_in&>(storage);
        in4.sin_family = AF_INET;
        in4.sin_port = htons(address.port);
        ::inet_pton(AF_INET, address.host.c_str(), &in4.sin_addr);
        length = sizeof in4;
    }
    FileDescriptor socket(
        ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const int on = 1;
    if (!socket.valid() ||
        ::setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(socket.get(), reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        ::listen(socket.get(), 16) != 0 ||
        ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&storage), &length) != 0)
        return fail(errnoText());

    std::unique_ptr<MetricsServer> server(new MetricsServer);
    server->m_page->library = lib;
    server->m_port = ntohs(address.ipv6 ? reinterpret_cast<sockaddr_in6&>(storage).sin6_port
                                        : reinterpret_cast<sockaddr_in&>(storage).sin_port);
    server->m_daemon = lib->startDaemon(
        MHD_USE_AUTO_INTERNAL_THREAD | (address.ipv6 ? MHD_USE_IPv6 : 0), 0, nullptr, nullptr,
        &answer, server->m_page.get(), MHD_OPTION_LISTEN_SOCKET, socket.get(),
        MHD_OPTION_CONNECTION_LIMIT, ConnectionLimit, MHD_OPTION_CONNECTION_TIMEOUT,
        ConnectionSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT, ConnectionMemory, MHD_OPTION_END);
    // The daemon closes the socket, and may have done so on failing too: never closed twice.
    socket.release();
    if (!server->m_daemon)
        return fail("the HTTP server did not start");
    return server;
}

MetricsServer::MetricsServer() : m_page(std::make_unique<Page>()) {}

// The daemon's thread reads the page: it stops before the page goes.
MetricsServer::~MetricsServer()
{
    if (m_daemon)
        m_page->library->stopDaemon(m_daemon);
}

void MetricsServer::record(const TickRecord& tick)
{
    std::string text = metricsText(tick);
    const std::lock_guard lock(m_page->mutex);
    m_page->text.swap(text);
}
