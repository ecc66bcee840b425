#include "history/historyrecorder.h"
#include "settings/hivefile.h"
#include "settings/preferences.h"
#include "settings/registry.h"
#include "util/fileio.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

// The window's history recorder: SQLite and its pages stay in this small program instead of the
// window. Ticks come as lines on standard input; what the user should hear goes out as lines on
// standard output. The end of the input ends it, after its last batch.
// Usage: quorvil4-recorder HISTORY-FILE SETTINGS-FILE

namespace {

volatile std::sig_atomic_t stopAsked = 0;

void askStop(int)
{
    stopAsked = 1;
}

// Longer than any tick's line: what has no line end by then is no tick.
constexpr std::size_t MaxLine = 4096;

// Until the input ends, a signal asks or the history fails; the recorder's end writes its last
// batch.
int record(const char* historyFile, const char* settingsFile)
{
    const auto settings = std::make_shared<HiveFileRegistry>(settingsFile);
    HistoryRecorder recorder(
        historyFile,
        [settings] {
            registry store(settings);
            return historyWanted(store);
        },
        [](const std::string& line) { writeAll(STDOUT_FILENO, line + '\n'); });
    std::string input;
    char chunk[4096];
    while (!recorder.failed()) {
        // Once asked to stop, what the window sent already is still kept, nothing more waited for.
        if (stopAsked)
            ::fcntl(STDIN_FILENO, F_SETFL, O_NONBLOCK);
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        input.append(chunk, std::size_t(got));
        std::size_t start = 0;
        for (std::size_t end; (end = input.find('\n', start)) != std::string::npos;
             start = end + 1) {
            const std::string_view line = std::string_view(input).substr(start, end - start);
            if (const std::optional<HistoryTick> tick = parseHistoryLine(line))
                recorder.add(*tick);
            else
                std::fprintf(stderr, "quorvil4-recorder: not a tick: %.*s\n", int(line.size()),
                             line.data());
        }
        input.erase(0, start);
        if (input.size() > MaxLine)
            input.clear();
    }
    return recorder.failed() ? RecorderToldStatus : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvil4-recorder HISTORY-FILE SETTINGS-FILE\n");
        return 2;
    }
    // A Ctrl+C or a hang-up is for the window, which then closes the input: the batch in hand is
    // written either way. A window gone leaves the reports unread, not this program killed.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    // Without SA_RESTART, so that the read waiting for the next tick returns.
    struct sigaction stop = {};
    stop.sa_handler = askStop;
    ::sigaction(SIGTERM, &stop, nullptr);

    const int status = record(argv[1], argv[2]);
    // Ended by the signal, as the window should hear, once the batch in hand is written.
    if (stopAsked) {
        std::signal(SIGTERM, SIG_DFL);
        std::raise(SIGTERM);
    }
    return status;
}
