#include "app/console/recorderprocess.h"

#include "history/historyrecorder.h"
#include "util/fileio.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Longer than any report, file names included: what has no line end by then is no report.
constexpr std::size_t MaxReport = 16384;

// How a program that should still run ended, for the user.
std::string endText(int status)
{
    if (WIFSIGNALED(status))
        return std::string("was killed (") + ::strsignal(WTERMSIG(status)) + ")";
    return "ended with status " + std::to_string(WEXITSTATUS(status));
}

} // namespace

RecorderProcess::RecorderProcess(std::filesystem::path program, std::filesystem::path historyFile,
                                 std::filesystem::path settingsFile, std::function<bool()> wanted,
                                 std::function<void(const std::string&)> report)
    : m_program(std::move(program)), m_historyFile(std::move(historyFile)),
      m_settingsFile(std::move(settingsFile)), m_wanted(std::move(wanted)),
      m_report(std::move(report))
{
}

RecorderProcess::~RecorderProcess()
{
    // The ticks of a run shorter than a batch are kept too, as the last batch of a longer one.
    std::string reason;
    if (m_pid < 0 && !m_done && !m_unsent.empty() && m_wanted() && start(&reason))
        send({});
    if (m_pid < 0)
        return;
    m_notifier.reset();
    ::shutdown(m_fd, SHUT_WR);
    // Its end closes the socket; till then, what it says is still news. One slower than that
    // (a disk that hangs) is left to finish on its own rather than killed with a batch in hand.
    pollfd end = {m_fd, POLLIN, 0};
    bool running = true;
    while (running) {
        const int ready = ::poll(&end, 1, EndWaitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        running = readReports();
    }
    if (!running)
        ::waitpid(m_pid, nullptr, 0);
    ::close(m_fd);
}

void RecorderProcess::record(const TickRecord& tick)
{
    if (m_done)
        return;
    std::string line = historyLine(historyTick(tick)) + '\n';
    if (m_pid >= 0) {
        send(std::move(line));
        return;
    }
    if (m_unsent.empty() && m_batchStart == 0)
        m_batchStart = tick.unixMs;
    m_unsent += line;
    if (tick.unixMs - m_batchStart < HistoryRecorder::BatchMs && tick.unixMs >= m_batchStart)
        return;
    m_batchStart = tick.unixMs;
    if (!m_wanted()) {
        m_unsent.clear();
        return;
    }
    std::string reason;
    if (!start(&reason)) {
        m_done = true;
        m_unsent.clear();
        m_report("History: the recorder program " + m_program.string() +
                 " cannot start: " + reason + "; this run records no history.");
        return;
    }
    send({});
}

bool RecorderProcess::start(std::string* reason)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        *reason = errnoText();
        return false;
    }
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, fds[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&files, fds[1], STDOUT_FILENO);
    // Nothing else of the window's: an inherited log or settings lock would outlive its closing.
    posix_spawn_file_actions_addclosefrom_np(&files, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    // A group of its own: a Ctrl+C in the terminal is for the window, which then ends it.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
    const std::string program = m_program.string();
    const std::string history = m_historyFile.string();
    const std::string settings = m_settingsFile.string();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(history.c_str()),
                    const_cast<char*>(settings.c_str()), nullptr};
    const int error = ::posix_spawn(&m_pid, program.c_str(), &files, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (error != 0) {
        m_pid = -1;
        ::close(fds[0]);
        *reason = errnoText(error);
        return false;
    }
    m_fd = fds[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        if (!readReports())
            ended();
    });
    return true;
}

// Never waits: what the socket does not take now goes with the next tick.
void RecorderProcess::send(std::string line)
{
    if (m_unsent.size() + line.size() > MaxUnsent) {
        if (!m_toldBehind)
            m_report("History: the recorder program is not keeping up; ticks are being lost.");
        m_toldBehind = true;
        return;
    }
    m_unsent += line;
    const ssize_t sent =
        ::send(m_fd, m_unsent.data(), m_unsent.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0)
        m_unsent.erase(0, std::size_t(sent));
}

bool RecorderProcess::readReports()
{
    char chunk[1024];
    const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (got <= 0)
        return false;
    m_heard.append(chunk, std::size_t(got));
    for (std::size_t end; (end = m_heard.find('\n')) != std::string::npos;) {
        const std::string line = m_heard.substr(0, end);
        m_heard.erase(0, end + 1);
        m_report(line);
    }
    if (m_heard.size() > MaxReport)
        m_heard.clear();
    return true;
}

// The program closed its end before its time: it failed and said why, or it was ended.
void RecorderProcess::ended()
{
    m_notifier.reset();
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    m_done = true;
    m_unsent.clear();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != RecorderToldStatus)
        m_report("History: the recorder program " + endText(status) +
                 "; no more history is recorded in this run.");
}
