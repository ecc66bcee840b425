#include "settings/hivetext.h"

#include <gtest/gtest.h>

namespace {

// A hand-written file reads in, and the form this program writes reads back unchanged.
TEST(HiveText, readsAFileWrittenByHandAndWritesItsOwnFormBack)
{
    std::optional<ParsedHive> hive = parseHive("\xEF\xBB\xBFREGEDIT4\r\n\r\n"
                                               "; a comment, which a rewrite would drop\r\n"
                                               "[hkey_current_user\\Software\\Quorvil4\\Misc]\r\n"
                                               "  \"Left\" = \"1920\"  \r\n"
                                               "@=\"C:\\\\Temp \\\"x\\\"\"\r\n"
                                               "\"two\\nlines\"=hex(1):61,0a,62,00\r\n"
                                               "\"Count\"=DWORD:12A\r\n"
                                               "\"Path\"=hex(2):25,00,\\\r\n"
                                               "    41,0\r\n"
                                               "\"Empty\"=hex:\r\n"
                                               "\"NoZero\"=hex(b):61,62,63\r\n"
                                               "\"Name\"=\"Dachboden Süd\"");
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->droppedLines, 1u);
    EXPECT_EQ(
        hive->tree.find({"Software", "Quorvil4", "Misc"})->values[1].data,
        std::vector<std::uint8_t>({'C', ':', '\\', 'T', 'e', 'm', 'p', ' ', '"', 'x', '"', 0}));
    const std::string written = "REGEDIT4\n\n"
                                "[HKEY_CURRENT_USER\\Software]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quorvil4]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Quorvil4\\Misc]\n"
                                "\"Left\"=\"1920\"\n"
                                "@=\"C:\\\\Temp \\\"x\\\"\"\n"
                                "\"two\\nlines\"=hex(1):61,0a,62,00\n"
                                "\"Count\"=dword:0000012a\n"
                                "\"Path\"=hex(2):25,00,41,00\n"
                                "\"Empty\"=hex:\n"
                                "\"NoZero\"=hex(b):61,62,63\n"
                                "\"Name\"=\"Dachboden Süd\"\n\n";
    EXPECT_EQ(formatHive(hive->tree), written);
    std::optional<ParsedHive> back = parseHive(written);
    ASSERT_TRUE(back && back->droppedLines == 0);
    EXPECT_EQ(formatHive(back->tree), written);
}

// Each bad line is skipped and counted; a later line wins, in the place and spelling of the
// first; a key whose name could not be written back is dropped, so the file stays writable.
TEST(HiveText, linesThatCannotBeReadAreSkippedAndTheRestCounts)
{
    std::optional<ParsedHive> hive = parseHive("REGEDIT4\n"
                                               "\"Orphan\"=\"before any key\"\n"
                                               "[HKEY_CURRENT_USER\\A]\n"
                                               "\"Good1\"=\"1\"\n"
                                               "garbage line\n"
                                               "\"Unclosed\"=\"abc\n"
                                               "\"BadEscape\"=\"a\\qb\"\n"
                                               "\"Trailing\"=\"x\" junk\n"
                                               "\"Big\"=dword:123456789\n"
                                               "\"BadHex\"=hex:0g,01\n"
                                               "\"Deleted\"=-\n"
                                               "Unquoted=\"x\"\n"
                                               "\"Good2\"=\"2\"\n"
                                               "[HKEY_LOCAL_MACHINE\\B]\n"
                                               "\"Lost\"=\"under another root\"\n"
                                               "[HKEY_CURRENT_USER\\\\Double]\n"
                                               "[-HKEY_CURRENT_USER\\A]\n"
                                               "[HKEY_CURRENT_USER\\Stray\rReturn]\n"
                                               "\"Lost\"=\"with its key\"\n"
                                               "[HKEY_CURRENT_USER\\a]\n"
                                               "\"good1\"=\"again\"\n"
                                               "\"Dangling\"=hex:01,\\\n"
                                               "\"Latin1\"=\"Dachboden S\xfc"
                                               "d\"\n"
                                               "[HKEY_CURRENT_USER\\L\xe4nge]\n"
                                               "\"Lost\"=\"with its key\"\n"
                                               "[HKEY_CURRENT_USER\\B]\n"
                                               "\"Cut\"=hex:01,02,\\\n");
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->droppedLines, 21u);
    EXPECT_EQ(formatHive(hive->tree), "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"Good1\"=\"again\"\n"
                                      "\"Good2\"=\"2\"\n\n[HKEY_CURRENT_USER\\B]\n\n");

    std::string deep = "REGEDIT4\n[HKEY_CURRENT_USER";
    for (std::size_t i = 0; i <= MaxKeyDepth; ++i)
        deep += "\\k";
    hive = parseHive(deep + "]\n");
    ASSERT_TRUE(hive && hive->droppedLines == 1);
    EXPECT_TRUE(hive->tree.root.subkeys().empty());
}

// Lines before the header, the header a Windows export carries, and such an export in UTF-16
// are read; the lines a rewrite would lose or change are counted. Anything else is no hive.
TEST(HiveText, theFirstLineThatIsNoCommentMustBeAHeader)
{
    const std::string body = "[HKEY_CURRENT_USER\\A]\r\n\"Name\"=\"Grüße 🌡\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                        u"[HKEY_CURRENT_USER\\A]\r\n\"Name\"=\"Grüße 🌡\"\r\n"
                                        u"\"Lone\"=\"\xD800\"\r\n"))
        utf16 += {char(unit & 0xFF), char(unit >> 8)};
    const struct {
        std::string text;
        std::optional<std::size_t> dropped; // none: no hive
    } cases[] = {
        {"", 0},
        {"\r\n; exported by hand\r\n\r\nREGEDIT4\r\n" + body, 1},
        {"Windows Registry Editor Version 5.00\r\n\r\n" + body, 1},
        {utf16, 2}, // the header, and the line with a lone surrogate
        {"; only a comment\r\nLeft=1920\r\n", std::nullopt},
        {std::string("REGEDIT4\n\0\x01\x02\xff", 13), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const std::optional<ParsedHive> hive = parseHive(c.text);
        ASSERT_EQ(hive.has_value(), c.dropped.has_value());
        if (!hive || c.text.empty())
            continue;
        EXPECT_EQ(hive->droppedLines, *c.dropped);
        EXPECT_EQ(formatHive(hive->tree),
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"Name\"=\"Grüße 🌡\"\n\n");
    }
    for (const char* name : {"two\nlines", "cr\r"}) {
        RegTree tree;
        tree.create({"Software", name});
        EXPECT_FALSE(formatHive(tree)) << name;
    }
}

} // namespace
