#include "settings/hivefile.h"
#include "settings/hivetext.h"
#include "settings/registry.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> appKey(std::vector<std::string> below = {})
{
    std::vector<std::string> path = {"Software", "Norvalde", "Quorvil4"};
    path.insert(path.end(), below.begin(), below.end());
    return path;
}

// The store's behaviour, the same over the in-memory fake and over the hive file.
class RegistryStore : public testing::TestWithParam<bool> {
protected:
    fs::path file() const { return dir.path() / "cfg" / "user.reg"; }
    std::shared_ptr<TreeRegistry> makeApi()
    {
        if (GetParam())
            return std::make_shared<HiveFileRegistry>(file());
        return memory;
    }
    // What is stored: the fake's tree, or the file read back by itself.
    RegTree stored()
    {
        if (!GetParam())
            return memory->tree;
        std::optional<ParsedHive> hive = parseHive(readFile(file()));
        EXPECT_TRUE(hive && hive->droppedLines == 0);
        return hive ? hive->tree : RegTree{};
    }
    void TearDown() override { EXPECT_EQ(api->openKeyCount(), 0u) << "a key was left open"; }

    TempDir dir;
    std::shared_ptr<MemoryRegistry> memory = std::make_shared<MemoryRegistry>();
    std::shared_ptr<TreeRegistry> api = makeApi();
    registry Reg{api};
};

INSTANTIATE_TEST_SUITE_P(Backends, RegistryStore, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "HiveFile" : "Memory"; });

TEST_P(RegistryStore, sectionsLiveUnderCompanyAndApplication)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    ASSERT_TRUE(Reg.SaveSetting("", "Top", "720"));
    ASSERT_TRUE(Reg.SaveSetting("Outer\\Inner", "x", "1"));
    RegTree tree = stored();
    const RegNode* app = tree.find(appKey());
    ASSERT_NE(app, nullptr);
    ASSERT_EQ(app->values.size(), 1u); // the empty section is the application key itself
    EXPECT_EQ(app->subkeys.size(), 2u);
    EXPECT_NE(tree.find(appKey({"Outer", "Inner"})), nullptr);
    const RegValue& left = tree.find(appKey({"Misc"}))->values.at(0);
    EXPECT_EQ(left.type, reg::Sz);
    EXPECT_EQ(left.data, (std::vector<std::uint8_t>{'1', '9', '2', '0', 0}));

    Reg.setCompany("  Acme Ltd  ");
    Reg.setAppName("Probe");
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Left", "5"));
    EXPECT_NE(stored().find({"Software", "Acme Ltd", "Probe", "Misc"}), nullptr);
}

TEST_P(RegistryStore, readsGiveTheDefaultAndCreateNothing)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Reg.GetSetting("Misc", "Left", "100"), "100");
        EXPECT_EQ(Reg.GetSetting("Misc", "Left"), "");
        EXPECT_TRUE(Reg.GetAllSettings("Misc").empty());
        EXPECT_FALSE(Reg.DeleteSetting("Misc", "Left"));
        EXPECT_FALSE(Reg.DeleteSetting("Misc"));
    }
    EXPECT_FALSE(fs::exists(file().parent_path()));
    EXPECT_TRUE(memory->tree.root.subkeys.empty());
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Top", "7"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "100"), "100");
}

TEST_P(RegistryStore, emptyTextsAndTheUnnamedValueAreStoredValues)
{
    ASSERT_TRUE(Reg.SaveSetting("Misc", "Name", ""));
    ASSERT_TRUE(Reg.SaveSetting("Misc", "*", "unnamed"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Name", "Sensor 1"), "");
    EXPECT_EQ(Reg.GetSetting("Misc", "*"), "unnamed");
    RegTree tree = stored();
    const RegNode* misc = tree.find(appKey({"Misc"}));
    EXPECT_EQ(misc->values.at(0).data.size(), 1u);
    EXPECT_EQ(misc->values.at(1).name, "");
    EXPECT_TRUE(Reg.DeleteSetting("Misc", "*"));
    EXPECT_EQ(Reg.GetSetting("Misc", "*", "none"), "none");
    EXPECT_EQ(Reg.GetAllSettings("Misc"), (registry::Table{{"Name", ""}}));
}

TEST_P(RegistryStore, namesIgnoreCaseAndKeepTheirFirstSpellingAndOrder)
{
    Reg.SaveSetting("Misc", "Left", "1");
    Reg.SaveSetting("Misc", "Top", "2");
    Reg.SaveSetting("MISC", "left", "3");
    EXPECT_EQ(Reg.GetAllSettings("misc"), (registry::Table{{"Left", "3"}, {"Top", "2"}}));
    EXPECT_EQ(stored().find(appKey({"Misc"}))->name, "Misc");
}

TEST_P(RegistryStore, deletingSucceedsOnceAndTakesOnlyWhatWasNamed)
{
    Reg.SaveSetting("Misc", "Left", "1");
    Reg.SaveSetting("Misc", "Top", "2");
    Reg.SaveSetting("Sensor1", "Offset1", "3");
    EXPECT_TRUE(Reg.DeleteSetting("Misc", "Left"));
    EXPECT_FALSE(Reg.DeleteSetting("Misc", "Left"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Top"), "2");
    EXPECT_TRUE(Reg.DeleteSetting("Misc"));
    EXPECT_FALSE(Reg.DeleteSetting("Misc"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Top", "gone"), "gone");
    EXPECT_EQ(Reg.GetSetting("Sensor1", "Offset1"), "3");
    EXPECT_NE(stored().find(appKey()), nullptr);

    // A key that still has sub-keys stays whole, and the application key itself is never taken.
    Reg.SaveSetting("Outer\\Inner", "x", "1");
    Reg.SaveSetting("Outer", "y", "2");
    EXPECT_FALSE(Reg.DeleteSetting("Outer"));
    EXPECT_FALSE(Reg.DeleteSetting(""));
    EXPECT_EQ(Reg.GetSetting("Outer", "y"), "2");
    EXPECT_TRUE(Reg.DeleteSetting("Outer\\Inner"));
    EXPECT_TRUE(Reg.DeleteSetting("Outer"));
}

TEST_P(RegistryStore, listingSkipsValuesThatAreNotText)
{
    const std::uint8_t dword[] = {1, 0, 0, 0};
    for (const char* section : {"Sec", "Only"}) {
        Reg.SaveSetting(section, "a", "1");
        RegKey key = 0;
        const std::string path = "Software\\Norvalde\\Quorvil4\\" + std::string(section);
        ASSERT_EQ(api->RegOpenKeyExA(path.c_str(), reg::KeyAllAccess, &key), reg::Success);
        ASSERT_EQ(api->RegSetValueExA(key, section[0] == 'S' ? "n" : "a", reg::Dword, dword, 4), 0);
        api->RegCloseKey(key);
    }
    Reg.SaveSetting("Sec", "b", "2");
    EXPECT_EQ(Reg.GetAllSettings("Sec"), (registry::Table{{"a", "1"}, {"b", "2"}}));
    EXPECT_TRUE(Reg.GetAllSettings("Only").empty());
}

TEST_P(RegistryStore, awkwardTextsAndNamesRoundTrip)
{
    const std::vector<std::string> texts = {"",
                                            " ",
                                            "\"quoted\"",
                                            "C:\\new\\table\\",
                                            "two\r\nlines\n",
                                            "\ttab",
                                            "Grüße 温度 🌡",
                                            "\\\"",
                                            std::string("nul\0inside", 10),
                                            "\xff\xfe not UTF-8"};
    const std::vector<std::string> names = {
        "=",     "a]b",   "[x]", "say \"hi\"", "back\\slash", "line\nbreak\r",
        "\ttab", "Grüße", "@",   "*x"};
    const std::vector<std::string> sections = {"a]b", "x=y", "[s]", " spaced ", "Grüße", "\t"};
    registry::Table expected;
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_TRUE(Reg.SaveSetting("Awkward", names[i], texts[i]));
        expected.emplace_back(names[i], texts[i]);
    }
    for (std::size_t i = 0; i < sections.size(); ++i)
        ASSERT_TRUE(Reg.SaveSetting(sections[i], "k", texts[i]));

    registry fresh(makeApi()); // over the file, nothing of the first instance is reused
    EXPECT_EQ(fresh.GetAllSettings("Awkward"), expected);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(fresh.GetSetting("Awkward", names[i]), texts[i]);
    for (std::size_t i = 0; i < sections.size(); ++i)
        EXPECT_EQ(fresh.GetSetting(sections[i], "k", "missing"), texts[i]) << sections[i];
}

TEST(RegistryNames, settersTrimSpacesAndRestoreDefaultsOnlyWhenEmpty)
{
    registry Reg(std::make_shared<MemoryRegistry>());
    EXPECT_EQ(Reg.Company() + "/" + Reg.AppName(), "Norvalde/Quorvil4");
    Reg.setCompany("  Acme  ");
    Reg.setAppName(" Probe\t");
    EXPECT_EQ(Reg.Company() + "/" + Reg.AppName(), "Acme/Probe\t");
    Reg.setCompany("");
    Reg.setAppName("");
    EXPECT_EQ(Reg.Company() + "/" + Reg.AppName(), "Norvalde/Quorvil4");
    Reg.setCompany("   ");
    Reg.setAppName("   ");
    EXPECT_EQ(Reg.Company() + "/" + Reg.AppName(), "/");
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
