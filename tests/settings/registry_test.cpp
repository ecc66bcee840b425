#include "hivestore.h"

namespace fs = std::filesystem;

namespace {

using RegistryStore = HiveStore;

TEST_F(RegistryStore, sectionsLiveUnderCompanyAndApplication)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    ASSERT_TRUE(Reg.SaveSetting("", "Top", "720"));
    ASSERT_TRUE(Reg.SaveSetting("Outer\\Inner", "x", "1"));
    std::optional<RegTree> tree = stored();
    ASSERT_TRUE(tree && tree->find(appKey({"Outer", "Inner"})));
    EXPECT_EQ(tree->find(appKey())->values.size(), 1u); // the empty section is the application key
    EXPECT_TRUE(tree->find(appKey({"Misc"})));

    // Only spaces are trimmed; empty restores the default, spaces alone store the empty text.
    Reg.setCompany("  Acme Ltd\t ");
    Reg.setAppName("Probe");
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "5"));
    EXPECT_TRUE(stored()->find({"Software", "Acme Ltd\t", "Probe", "Misc"}));
    Reg.setCompany("");
    Reg.setAppName("   ");
    EXPECT_EQ(Reg.Company() + "/" + Reg.AppName(), "Norvalde/");
}

TEST_F(RegistryStore, missingValuesGiveTheDefaultAndStoredEmptyTextsDoNot)
{
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "100"), "100");
    EXPECT_TRUE(Reg.GetAllSettings("Misc").empty());
    EXPECT_FALSE(Reg.DeleteSetting("Misc", "Left"));
    EXPECT_FALSE(Reg.DeleteSetting("Misc"));
    EXPECT_FALSE(fs::exists(dir.path() / "Norvalde")); // reading creates nothing, not even a lock

    ASSERT_TRUE(Reg.SaveSetting("Misc", "Name", ""));
    ASSERT_TRUE(Reg.SaveSetting("Misc", "*", "unnamed"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "100"), "100");
    EXPECT_EQ(Reg.GetSetting("Misc", "Name", "Sensor 1"), "");
    EXPECT_EQ(Reg.GetSetting("Misc", "*"), "unnamed");
    std::optional<RegTree> tree = stored();
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->find(appKey({"Misc"}))->values.at(1).name, ""); // "*" names the unnamed value
    EXPECT_TRUE(Reg.DeleteSetting("Misc", "*"));
    EXPECT_EQ(Reg.GetSetting("Misc", "*", "none"), "none");
    EXPECT_EQ(Reg.GetAllSettings("Misc"), (registry::Table{{"Name", ""}}));
}

TEST_F(RegistryStore, namesIgnoreCaseAndKeepTheirFirstSpellingAndOrder)
{
    Reg.SaveSetting("Misc", "Left", "1");
    Reg.SaveSetting("Misc", "Top", "2");
    Reg.SaveSetting("MISC", "left", "3");
    EXPECT_EQ(Reg.GetAllSettings("misc"), (registry::Table{{"Left", "3"}, {"Top", "2"}}));
    ASSERT_TRUE(stored());
    EXPECT_EQ(stored()->find(appKey({"Misc"}))->name, "Misc");
}

TEST_F(RegistryStore, deletingSucceedsOnceAndTakesOnlyWhatWasNamed)
{
    for (const char* section : {"Misc", "Sensor1", "Outer\\Inner", "Outer"}) {
        Reg.SaveSetting(section, "Left", "1");
        Reg.SaveSetting(section, "Top", "2");
    }
    EXPECT_TRUE(Reg.DeleteSetting("Misc", "Left"));
    EXPECT_FALSE(Reg.DeleteSetting("Misc", "Left"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Top"), "2");
    EXPECT_TRUE(Reg.DeleteSetting("Misc"));
    EXPECT_FALSE(Reg.DeleteSetting("Misc"));
    EXPECT_EQ(Reg.GetSetting("Sensor1", "Left"), "1");

    // A key that still has sub-keys stays whole, and the application key itself is never taken.
    EXPECT_FALSE(Reg.DeleteSetting("Outer"));
    EXPECT_FALSE(Reg.DeleteSetting(""));
    EXPECT_EQ(Reg.GetSetting("Outer", "Top"), "2");
    EXPECT_TRUE(Reg.DeleteSetting("Outer\\Inner"));
    EXPECT_TRUE(Reg.DeleteSetting("Outer"));
}

TEST_F(RegistryStore, listingSkipsValuesThatAreNotText)
{
    const std::uint8_t dword[] = {1, 0, 0, 0};
    Reg.SaveSetting("Sec", "a", "1");
    for (const std::string section : {"Sec", "Only"}) {
        RegKey key = 0;
        const std::string path = "Software\\Norvalde\\Quorvil4\\" + section;
        ASSERT_EQ(api->RegCreateKeyExA(path.c_str(), reg::KeyAllAccess, &key), reg::Success);
        ASSERT_EQ(api->RegSetValueExA(key, "n", reg::Dword, dword, 4), reg::Success);
        api->RegCloseKey(key);
    }
    Reg.SaveSetting("Sec", "b", "2");
    EXPECT_EQ(Reg.GetAllSettings("Sec"), (registry::Table{{"a", "1"}, {"b", "2"}}));
    EXPECT_TRUE(Reg.GetAllSettings("Only").empty());
}

TEST_F(RegistryStore, awkwardTextsAndNamesRoundTrip)
{
    const registry::Table rows = {{"=", ""},
                                  {"a]b", " "},
                                  {"say \"hi\" [x]", "\"quoted\""},
                                  {"back\\slash", "C:\\new\\table\\"},
                                  {"line\nbreak\r", "two\r\nlines\n\ttab" + std::string(300, '~')},
                                  {"\tGrüße", "Grüße 温度 🌡 \\\""},
                                  {"@", std::string("nul\0inside", 10)},
                                  {"*x", "\xff\xfe not UTF-8"}};
    const std::string sections[] = {"a]b", "x=y", "[s]", " spaced ", "Grüße", "\t"};
    for (const auto& [name, text] : rows)
        ASSERT_TRUE(Reg.SaveSetting("Awkward", name, text)) << name;
    for (std::size_t i = 0; i < std::size(sections); ++i)
        ASSERT_TRUE(Reg.SaveSetting(sections[i], "k", rows[i].second)) << sections[i];

    registry fresh(std::make_shared<HiveFileRegistry>(file)); // nothing reused
    EXPECT_EQ(fresh.GetAllSettings("Awkward"), rows);
    for (const auto& [name, text] : rows)
        EXPECT_EQ(fresh.GetSetting("Awkward", name), text) << name;
    for (std::size_t i = 0; i < std::size(sections); ++i)
        EXPECT_EQ(fresh.GetSetting(sections[i], "k", "missing"), rows[i].second) << sections[i];
}

// A tree that lets a test step in before each call (numbered from 1), as a failing disk or
// another process might between the steps of one operation; a non-zero result fails the call.
class SteppedRegistry final : public TreeRegistry {
public:
    RegTree tree;
    int calls = 0;
    std::function<long(int, RegTree&)> before = [](int, RegTree&) { return 0L; };

protected:
    long transact(Access, const std::function<long(RegTree&, bool&)>& op) override
    {
        if (const long rc = before(++calls, tree))
            return rc;
        bool changed = false;
        return op(tree, changed);
    }
};

TEST(RegistryFailures, aFailingStepShowsOnlyInTheResultAndClosesTheKey)
{
    auto api = std::make_shared<SteppedRegistry>();
    registry Reg(api);
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    auto failStep = [&](int step) {
        api->before = [at = api->calls + step](int call, RegTree&) {
            return call == at ? reg::CantRead : 0L;
        };
    };
    failStep(2); // the size query
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "d"), "d");
    failStep(3); // the read
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "d"), "d");
    failStep(3); // the first value listed
    EXPECT_TRUE(Reg.GetAllSettings("Misc").empty());
    failStep(2); // the write
    EXPECT_FALSE(Reg.SaveSetting("Misc", "Left", "1"));
    failStep(2);
    EXPECT_FALSE(Reg.DeleteSetting("Misc"));
    EXPECT_EQ(api->openKeyCount(), 0u);
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "1920");

    // The value is shortened between the size query and the read: the new text, no padding.
    api->before = [at = api->calls + 3](int call, RegTree& tree) {
        if (call == at)
            tree.find(appKey({"Misc"}))->values[0].data = {'4', 0};
        return 0L;
    };
    EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "4");
}

} // namespace
