#include "settings/hivetext.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace {

bool sameNode(const RegNode& a, const RegNode& b)
{
    const auto sameValue = [](const RegValue& x, const RegValue& y) {
        return x.name == y.name && x.type == y.type && x.data == y.data;
    };
    return a.name == b.name && std::ranges::equal(a.values, b.values, sameValue) &&
           std::ranges::equal(a.subkeys(), b.subkeys(), sameNode);
}

} // namespace

// Any text is parsed or refused without harm. A tree read from a file must be writable again, or
// the store could never save over that file; what is written reads back to the same tree with no
// line dropped, and writing that again changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<ParsedHive> parsed =
        parseHive(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed)
        return 0;
    const std::optional<std::string> written = formatHive(parsed->tree);
    const std::optional<ParsedHive> reread = written ? parseHive(*written) : std::nullopt;
    if (!reread || reread->droppedLines != 0 || !sameNode(parsed->tree.root, reread->tree.root) ||
        formatHive(reread->tree) != written)
        __builtin_trap();
    return 0;
}
