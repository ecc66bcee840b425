#include "settings/hivetext.h"

#include <gtest/gtest.h>

// Each text parses to the tree written back as expected, with the lines a rewrite would lose or
// change counted (what decides the backup), or is no hive at all. That what is written reads
// back unchanged is the hive fuzz target's check, and the store's tests read their own writes.
TEST(HiveText, readsWhatItCanCountsWhatItDropsAndWritesItsOwnForm)
{
    const std::string handWritten = "\xEF\xBB\xBFREGEDIT4\r\n\r\n"
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
                                    "\"Name\"=\"Dachboden Süd\"";
    const std::string ownForm = "REGEDIT4\n\n"
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
    // Every line but the good ones and the key lines of A and B is dropped.
    const std::string damaged = "REGEDIT4\n\"Orphan\"=\"before any key\"\n[HKEY_CURRENT_USER\\A]\n"
                                "\"Good1\"=\"1\"\ngarbage line\n\"Unclosed\"=\"abc\n"
                                "\"BadEscape\"=\"a\\qb\"\n\"Trailing\"=\"x\" junk\n"
                                "\"Big\"=dword:123456789\n\"BadHex\"=hex:0g,01\n\"Deleted\"=-\n"
                                "Unquoted=\"x\"\n\"Good2\"=\"2\"\n[HKEY_LOCAL_MACHINE\\B]\n"
                                "\"Lost\"=\"under another root\"\n[HKEY_CURRENT_USER\\\\Double]\n"
                                "[-HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\Stray\rReturn]\n"
                                "\"Lost\"=\"with its key\"\n[HKEY_CURRENT_USER\\a]\n"
                                "\"good1\"=\"again\"\n\"Dangling\"=hex:01,\\\n"
                                "\"Latin1\"=\"Dachboden S\xfc"
                                "d\"\n[HKEY_CURRENT_USER\\L\xe4nge]\n\"Lost\"=\"with its key\"\n"
                                "[HKEY_CURRENT_USER\\B]\n\"Cut\"=hex:01,02,\\\n";
    std::string deep = "REGEDIT4\n[HKEY_CURRENT_USER";
    for (std::size_t i = 0; i <= MaxKeyDepth; ++i)
        deep += "\\k";
    const std::string body = "[HKEY_CURRENT_USER\\A]\r\n\"Name\"=\"Grüße 🌡\"\r\n";
    const std::string bodyWritten =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"Name\"=\"Grüße 🌡\"\n\n";
    std::string utf16 = "\xFF\xFE"; // a Windows export, with a line holding a lone surrogate
    for (char16_t unit : std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                        u"[HKEY_CURRENT_USER\\A]\r\n\"Name\"=\"Grüße 🌡\"\r\n"
                                        u"\"Lone\"=\"\xD800\"\r\n"))
        utf16 += {char(unit & 0xFF), char(unit >> 8)};
    const struct {
        std::string text;
        std::optional<std::size_t> dropped; // none: no hive
        std::string written;
    } cases[] = {
        {handWritten, 1, ownForm},
        {damaged, 21,
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"Good1\"=\"again\"\n\"Good2\"=\"2\"\n\n"
         "[HKEY_CURRENT_USER\\B]\n\n"},
        {deep + "]\n", 1, "REGEDIT4\n\n"},
        {"", 0, "REGEDIT4\n\n"},
        {"\r\n; exported by hand\r\n\r\nREGEDIT4\r\n" + body, 1, bodyWritten},
        {"Windows Registry Editor Version 5.00\r\n\r\n" + body, 1, bodyWritten},
        {utf16, 2, bodyWritten},
        {"; only a comment\r\nLeft=1920\r\n", std::nullopt, ""},
        {std::string("REGEDIT4\n\0\x01\x02\xff", 13), std::nullopt, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const std::optional<ParsedHive> hive = parseHive(c.text);
        ASSERT_EQ(hive.has_value(), c.dropped.has_value());
        if (!hive)
            continue;
        EXPECT_EQ(hive->droppedLines, *c.dropped);
        EXPECT_EQ(formatHive(hive->tree), c.written);
    }
}
