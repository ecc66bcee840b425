#include "settings/hivetext.h"
#include "settings/registry.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

std::vector<std::uint8_t> bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

TEST(HiveText, readsAFileWrittenByHand)
{
    std::optional<ParsedHive> hive = parseHive("\xEF\xBB\xBFREGEDIT4\r\n\r\n"
                                               "; a comment, which a rewrite would drop\r\n"
                                               "[hkey_current_user\\Software\\Quorvil4\\Misc]\r\n"
                                               "  \"Left\" = \"1920\"  \r\n"
                                               "@=\"C:\\\\Temp \\\"x\\\"\"\r\n"
                                               "\"Count\"=DWORD:2A\r\n"
                                               "\"Path\"=hex(2):25,00,\\\r\n"
                                               "    41,0\r\n"
                                               "\"Empty\"=hex:\r\n"
                                               "\"Name\"=\"Dachboden Süd\"");
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->droppedLines, 1u);
    EXPECT_EQ(formatHive(hive->tree), "REGEDIT4\n\n"
                                      "[HKEY_CURRENT_USER\\Software]\n\n"
                                      "[HKEY_CURRENT_USER\\Software\\Quorvil4]\n\n"
                                      "[HKEY_CURRENT_USER\\Software\\Quorvil4\\Misc]\n"
                                      "\"Left\"=\"1920\"\n"
                                      "@=\"C:\\\\Temp \\\"x\\\"\"\n"
                                      "\"Count\"=dword:0000002a\n"
                                      "\"Path\"=hex(2):25,00,41,00\n"
                                      "\"Empty\"=hex:\n"
                                      "\"Name\"=\"Dachboden Süd\"\n\n");
    EXPECT_EQ(hive->tree.find({"Software", "Quorvil4", "Misc"})->values[1].data,
              bytes({"C:\\Temp \"x\"", 12}));
}

TEST(HiveText, writesWhatAPersonExpects)
{
    auto api = std::make_shared<MemoryRegistry>();
    registry Reg(api);
    Reg.SaveSetting("Sensor1", "Sensor1_Name", "Attic \"north\"");
    Reg.SaveSetting("Misc", "*", "C:\\Temp");
    Reg.SaveSetting("Misc", "Note", "a\nb");
    Reg.SaveSetting("Misc", "two\nlines", "");
    api->tree.find({"Software", "Norvalde", "Quorvil4", "Misc"})
        ->values.push_back({"Count", reg::Dword, {42, 1, 0, 0}});
    const std::string expected = "REGEDIT4\n\n"
                                 "[HKEY_CURRENT_USER\\Software]\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Norvalde]\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4]\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Sensor1]\n"
                                 "\"Sensor1_Name\"=\"Attic \\\"north\\\"\"\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Norvalde\\Quorvil4\\Misc]\n"
                                 "@=\"C:\\\\Temp\"\n"
                                 "\"Note\"=hex(1):61,0a,62,00\n"
                                 "\"two\\nlines\"=\"\"\n"
                                 "\"Count\"=dword:0000012a\n\n";
    EXPECT_EQ(formatHive(api->tree), expected);
    std::optional<ParsedHive> back = parseHive(expected);
    ASSERT_TRUE(back && back->droppedLines == 0);
    EXPECT_EQ(formatHive(back->tree), expected);
}

TEST(HiveText, longDataWrapsLikeRegeditAndReadsBack)
{
    RegTree tree;
    RegNode& key = tree.create({"Software", "Wide"});
    std::vector<std::uint8_t> blob(200);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = std::uint8_t(i * 7);
    key.values.push_back({"Blob", reg::Binary, blob});
    std::string text(300, 'x');
    text[150] = '\t';
    key.values.push_back({"Text", reg::Sz, bytes({text.c_str(), text.size() + 1})});
    key.values.push_back({"NoZero", 0xb, bytes("abc")});

    const std::optional<std::string> written = formatHive(tree);
    ASSERT_TRUE(written);
    std::istringstream lines(*written);
    int continued = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 80u) << line;
        continued += line.ends_with(",\\");
    }
    EXPECT_GT(continued, 15);
    EXPECT_NE(written->find("\"NoZero\"=hex(b):61,62,63\n"), std::string::npos);
    std::optional<ParsedHive> back = parseHive(*written);
    ASSERT_TRUE(back && back->droppedLines == 0);
    EXPECT_EQ(back->tree.find({"Software", "Wide"})->values.at(0).data, blob);
    EXPECT_EQ(formatHive(back->tree), written);
}

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
                                               "[HKEY_CURRENT_USER\\a]\n"
                                               "\"good1\"=\"again\"\n"
                                               "\"Dangling\"=hex:01,\\\n"
                                               "[HKEY_CURRENT_USER\\B]\n"
                                               "\"Cut\"=hex:01,02,\\\n");
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->droppedLines, 16u);
    // The later line wins, in the place and spelling of the first.
    EXPECT_EQ(formatHive(hive->tree), "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"Good1\"=\"again\"\n"
                                      "\"Good2\"=\"2\"\n\n[HKEY_CURRENT_USER\\B]\n\n");

    std::string deep = "REGEDIT4\n[HKEY_CURRENT_USER";
    for (std::size_t i = 0; i <= MaxKeyDepth; ++i)
        deep += "\\k";
    hive = parseHive(deep + "]\n");
    ASSERT_TRUE(hive && hive->droppedLines == 1);
    EXPECT_TRUE(hive->tree.root.subkeys.empty());
}

TEST(HiveText, keyWhoseNameCouldNotBeWrittenBackIsSkippedSoTheFileStaysWritable)
{
    const std::optional<ParsedHive> hive = parseHive("REGEDIT4\r\n"
                                                     "[HKEY_CURRENT_USER\\Stray\rReturn]\r\n"
                                                     "\"Lost\"=\"with its key\"\r\n"
                                                     "[HKEY_CURRENT_USER\\Kept]\r\n");
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->droppedLines, 2u);
    EXPECT_EQ(formatHive(hive->tree), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Kept]\n\n");
}

TEST(HiveText, whatIsNoHiveOrCannotBeWrittenIsRefused)
{
    EXPECT_TRUE(parseHive("") && parseHive("")->tree.root.subkeys.empty());
    EXPECT_TRUE(parseHive("regedit4"));
    EXPECT_FALSE(parseHive("Windows Registry Editor Version 5.00\n"));
    EXPECT_FALSE(parseHive("[HKEY_CURRENT_USER\\Software]\n"));
    EXPECT_FALSE(parseHive(std::string("REGEDIT4\n\0\x01\x02\xff", 13)));

    for (const char* name : {"two\nlines", "cr\r"}) {
        RegTree tree;
        tree.create({"Software", name});
        EXPECT_FALSE(formatHive(tree));
    }
}

} // namespace
