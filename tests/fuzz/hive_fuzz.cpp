#include "settings/hivetext.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

bool sameValue(const RegValue& a, const RegValue& b)
{
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

bool sameNode(const RegNode& a, const RegNode& b)
{
    return a.name == b.name &&
           std::equal(a.values.begin(), a.values.end(), b.values.begin(), b.values.end(),
                      sameValue) &&
           std::equal(a.subkeys().begin(), a.subkeys().end(), b.subkeys().begin(),
                      b.subkeys().end(), sameNode);
}

[[noreturn]] void finding(const char* what)
{
    std::fprintf(stderr, "hive round trip: %s\n", what);
    std::abort();
}

} // namespace

// Any text is parsed or refused without harm. A tree read from a file must be writable again, or
// the store could never save over that file; what is written reads back to the same tree with no
// line dropped, and writing that again changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<ParsedHive> parsed = parseHive(text);
    if (!parsed)
        return 0;
    const std::optional<std::string> written = formatHive(parsed->tree);
    if (!written)
        finding("a parsed tree cannot be written");
    const std::optional<ParsedHive> reread = parseHive(*written);
    if (!reread)
        finding("the written text is no hive");
    if (reread->droppedLines != 0)
        finding("the written text has lines the parser drops");
    if (!sameNode(parsed->tree.root, reread->tree.root))
        finding("the written text reads back to another tree");
    if (formatHive(reread->tree) != written)
        finding("writing the tree read back gives another text");
    return 0;
}
