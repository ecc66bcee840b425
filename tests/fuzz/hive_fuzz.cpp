#include "settings/hivetext.h"

#include <cstdint>
#include <string_view>

// Any text is parsed or refused without harm. A tree read from a file must be writable again, or
// the store could never save over that file; what is written reads back with no line dropped,
// and writing that again changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<ParsedHive> parsed =
        parseHive(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed)
        return 0;
    const std::optional<std::string> written = formatHive(parsed->tree);
    const std::optional<ParsedHive> reread = written ? parseHive(*written) : std::nullopt;
    if (!reread || reread->droppedLines != 0 || formatHive(reread->tree) != written)
        __builtin_trap();
    return 0;
}
