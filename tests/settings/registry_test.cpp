#include "hivestore.h"

namespace fs = std::filesystem;

namespace {

using RegistryStore = HiveStore;

// Calls in turn and what each gives (Get with the default "d"; List as name=text pairs). Names
// ignore case and keep the spelling and order of their first writing; "*" is the unnamed value;
// a key with sub-keys, and the application key itself, are never deleted.
TEST_F(RegistryStore, eachCallFindsItsSectionAndValue)
{
    const struct {
        char call; // Save, Get, Delete, List
        const char *section, *key, *text, *result;
    } script[] = {
        {'G', "Misc", "Left", "", "d"},
        {'S', "Misc", "Left", "1920", "true"},
        {'S', "Misc", "Top", "", "true"},
        {'S', "MISC", "left", "3", "true"},
        {'G', "misc", "LEFT", "", "3"},
        {'G', "Misc", "Top", "", ""},
        {'S', "Misc", "*", "unnamed", "true"},
        {'G', "Misc", "*", "", "unnamed"},
        {'L', "misc", "", "", "Left=3;Top=;=unnamed;"},
        {'D', "Misc", "*", "", "true"},
        {'S', "", "Top", "720", "true"},
        {'S', "Outer\\Inner", "x", "1", "true"},
        {'D', "Outer", "", "", "false"},
        {'D', "", "", "", "false"},
        {'D', "Outer\\Inner", "", "", "true"},
        {'D', "Outer", "", "", "true"},
        {'D', "Outer", "", "", "false"},
        {'D', "Misc", "Left", "", "true"},
        {'D', "Misc", "Left", "", "false"},
        {'G', "", "Top", "", "720"},
        {'L', "Misc", "", "", "Top=;"},
    };
    for (const auto& step : script) {
        SCOPED_TRACE(std::string(1, step.call) + " " + step.section + " " + step.key);
        std::string result;
        if (step.call == 'S' || step.call == 'D')
            result = (step.call == 'S' ? Reg.SaveSetting(step.section, step.key, step.text)
                                       : Reg.DeleteSetting(step.section, step.key))
                         ? "true"
                         : "false";
        else if (step.call == 'G')
            result = Reg.GetSetting(step.section, step.key, "d");
        for (const auto& [name, text] :
             step.call == 'L' ? Reg.GetAllSettings(step.section) : registry::Table{})
            result += name + "=" + text + ";";
        EXPECT_EQ(result, step.result);
        if (&step == script) { // reading creates nothing
            EXPECT_FALSE(fs::exists(dir.path() / "Norvalde"));
        }
    }
    std::optional<RegTree> tree = stored();
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->find(appKey({"misc"}))->name, "Misc");
    EXPECT_EQ(tree->find(appKey())->subkeys().size(), 1u);
    EXPECT_EQ(tree->find(appKey())->values.size(), 1u);
}

// Any text under any name comes back exactly, through a store that reads the file afresh, and
// values of other types, as another program may write, are not listed.
TEST_F(RegistryStore, anyTextAndNameComesBackExactly)
{
    const registry::Table rows = {{"say \"hi\" [x]=", "\"quoted\" "},
                                  {"back\\slash", "C:\\new\\table\\"},
                                  {"line\nbreak\r", "two\r\nlines\n\ttab" + std::string(300, '~')},
                                  {"\tGrüße", "Grüße 温度 🌡 \\\""},
                                  {"@", std::string("nul\0inside", 10)},
                                  {"*x", "\xff\xfe not UTF-8"}};
    const std::string sections[] = {"a]b", "x=y", "[s]", " spaced ", "Grüße", "\t"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_TRUE(Reg.SaveSetting("Awkward", rows[i].first, rows[i].second)) << i;
        ASSERT_TRUE(Reg.SaveSetting(sections[i], "k", rows[i].second)) << sections[i];
    }
    RegKey key = 0;
    const std::uint8_t dword[] = {1, 0, 0, 0};
    ASSERT_EQ(api->RegCreateKeyExA("Software\\Norvalde\\Quorvil4\\Awkward", 0, &key), 0);
    ASSERT_EQ(api->RegSetValueExA(key, "n", reg::Dword, dword, 4), reg::Success);
    api->RegCloseKey(key);

    registry fresh(std::make_shared<HiveFileRegistry>(file));
    EXPECT_EQ(fresh.GetAllSettings("Awkward"), rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(fresh.GetSetting("Awkward", rows[i].first, "d"), rows[i].second) << i;
        EXPECT_EQ(fresh.GetSetting(sections[i], "k", "d"), rows[i].second) << sections[i];
    }
}

} // namespace
