// Starts a program and reports how long it took to map its first top-level window, and to draw
// its first whole frame into it, as the X server notices them rather than by polling: the wall
// time, and the processor time of all the program's threads, which a busy machine disturbs far
// less. Prints "PID MAP_WALL_MS MAP_CPU_MS FRAME_WALL_MS FRAME_CPU_MS" and leaves the program
// running. Usage: firstmap PROGRAM [ARGUMENTS...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

// Milliseconds on a processor so far, summed over the threads of a process.
double cpuMilliseconds(pid_t pid)
{
    double nanoseconds = 0;
    std::error_code error;
    const auto tasks = std::filesystem::path("/proc") / std::to_string(pid) / "task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double running = 0;
        if (schedstat >> running)
            nanoseconds += running;
    }
    return nanoseconds / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: firstmap PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "firstmap: no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Checked, so that the server listens before the program starts.
    if (xcb_generic_error_t* error = xcb_request_check(
            connection,
            xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask))) {
        std::fprintf(stderr, "firstmap: cannot watch the root window\n");
        std::free(error);
        return 1;
    }

    // The server reports no damage to a client that has not agreed a version first.
    std::free(xcb_damage_query_version_reply(
        connection,
        xcb_damage_query_version(connection, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));
    const uint8_t damageNotify =
        xcb_get_extension_data(connection, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(xcb_get_file_descriptor(connection));
        // Whoever reads our report must not keep the program's output.
        if (const int null = open("/dev/null", O_WRONLY); null >= 0)
            dup2(null, STDOUT_FILENO);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    const auto sinceStart = [start] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    // A frame is whole once the window has stayed still for this long after the last drawing
    // into it; well within the second before a one-second timer first changes it.
    constexpr double SettleMs = 300;
    struct Moment {
        double wall = -1, cpu = 0;
    } map, frame;
    xcb_window_t shown = XCB_NONE;
    pollfd watch{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (true) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const uint8_t type = event->response_type & 0x7f;
            if (shown == XCB_NONE && type == XCB_MAP_NOTIFY &&
                !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect) {
                map = {sinceStart(), cpuMilliseconds(pid)};
                shown = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                // Only the program draws into it from now on: the server filled the background
                // while mapping it.
                xcb_damage_create(connection, xcb_generate_id(connection), shown,
                                  XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
                xcb_flush(connection);
            } else if (shown != XCB_NONE && type == damageNotify) {
                frame = {sinceStart(), cpuMilliseconds(pid)};
            }
            std::free(event);
        }
        if (frame.wall >= 0 && sinceStart() - frame.wall >= SettleMs) {
            std::printf("%d %.1f %.1f %.1f %.1f\n", int(pid), map.wall, map.cpu, frame.wall,
                        frame.cpu);
            return 0;
        }
        if (xcb_connection_has_error(connection))
            break;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "firstmap: %s ended before showing a window\n", argv[1]);
            return 1;
        }
        poll(&watch, 1, 10);
    }
    std::fprintf(stderr, "firstmap: the X connection closed\n");
    return 1;
}
