#include "sensors/scriptedport.h"

#include "util/fileio.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

std::optional<std::uint32_t> decimal(std::string_view token)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc{} || end != token.data() + token.size())
        return std::nullopt;
    return value;
}

// The words of a line, split at white space as the C locale knows it.
std::vector<std::string_view> words(std::string_view line)
{
    constexpr std::string_view Space = " \t\r\v\f";
    std::vector<std::string_view> found;
    for (auto start = line.find_first_not_of(Space); start != std::string_view::npos;) {
        const auto end = std::min(line.find_first_of(Space, start), line.size());
        found.push_back(line.substr(start, end - start));
        start = line.find_first_not_of(Space, end);
    }
    return found;
}

} // namespace

ScriptedPort::ScriptedPort(std::filesystem::path file) : m_file(std::move(file)) {}

ScriptedPort::Answer ScriptedPort::answerFor(std::uint32_t id) const
{
    // A script is a few lines; anything larger (a log) or not a regular file (a FIFO, a device
    // node) is not one. Opened non-blocking, so that a FIFO cannot hang the poll; plain system
    // calls rather than streams, as this runs twice a second.
    constexpr std::size_t MaxScript = 64 * 1024;
    const FileDescriptor fd(openFile(m_file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    std::string script;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !readAll(fd.get(), script, MaxScript, std::size_t(st.st_size)))
        return {ScriptError};
    std::string_view text = script;
    std::optional<Answer> answer;
    while (!text.empty()) {
        const auto newline = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(std::min(newline + 1, text.size()));
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> tokens = words(line);
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
