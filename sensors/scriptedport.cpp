#include "sensors/scriptedport.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::optional<std::uint32_t> decimal(const std::string& token)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc{} || end != token.data() + token.size())
        return std::nullopt;
    return value;
}

} // namespace

ScriptedPort::ScriptedPort(std::filesystem::path file) : m_file(std::move(file)) {}

ScriptedPort::Answer ScriptedPort::answerFor(std::uint32_t id) const
{
    // A script is a few lines; anything larger (a log) or not a regular file (a FIFO, a device
    // node) is not one. Opened non-blocking, so that a FIFO cannot hang the poll.
    constexpr std::size_t MaxScript = 64 * 1024;
    const int fd = ::open(m_file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {ScriptError};
    struct stat st {};
    std::string text(MaxScript + 1, '\0');
    std::size_t size = 0;
    bool readable = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    while (readable && size < text.size()) {
        const ssize_t n = ::read(fd, text.data() + size, text.size() - size);
        if (n == 0)
            break;
        if (n > 0)
            size += std::size_t(n);
        else if (errno != EINTR)
            readable = false;
    }
    ::close(fd);
    if (!readable || size > MaxScript)
        return {ScriptError};
    text.resize(size);
    std::istringstream in(text);
    std::optional<Answer> answer;
    std::string line;
    while (std::getline(in, line)) {
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string token; fields >> token;)
            tokens.push_back(token);
        if (tokens.empty())
            continue;
        const std::optional<std::uint32_t> lineId = decimal(tokens[0]);
        // A line whose joystick cannot be told might have been meant for any of them.
        if (!lineId)
            return {ScriptError};
        if (*lineId != id || answer)
            continue;
        std::optional<std::uint32_t> result, x, y;
        if (tokens.size() == 4) {
            result = decimal(tokens[1]);
            x = decimal(tokens[2]);
            y = decimal(tokens[3]);
        }
        if (!result || !x || !y || *x > 65535 || *y > 65535)
            answer = Answer{ScriptError};
        else
            answer = Answer{*result, true, *x, *y};
    }
    return answer.value_or(Answer{});
}

std::uint32_t ScriptedPort::joyGetPosEx(std::uint32_t uJoyID, JOYINFOEX* pji)
{
    const Answer answer = answerFor(uJoyID);
    if (answer.hasPosition && pji) {
        pji->dwXpos = answer.x;
        pji->dwYpos = answer.y;
    }
    return answer.result;
}

std::uint32_t ScriptedPort::joyGetDevCapsA(std::uint32_t uJoyID, JOYCAPS* pjc, std::uint32_t)
{
    const Answer answer = answerFor(uJoyID);
    if (!answer.hasPosition)
        return answer.result;
    if (pjc)
        *pjc = JOYCAPS{};
    return JOYERR_NOERROR;
}
