#include "settings/registry.h"
#include "settings/regtree.h"

#include <gtest/gtest.h>

namespace {

struct RegistryOverMemory : testing::Test {
    std::shared_ptr<MemoryRegistry> api = std::make_shared<MemoryRegistry>();
    registry Reg{api};
};

TEST_F(RegistryOverMemory, savedTextReadsBackWhateverTheDefault)
{
    EXPECT_TRUE(Reg.SaveSetting("Misc", "Left", "1920"));
    EXPECT_EQ(Reg.GetSetting("Misc", "Left", "x"), "1920");
    ASSERT_NE(api->tree.find({"Software", "Norvalde", "Quorvil4", "Misc"}), nullptr);
    EXPECT_EQ(api->tree.find({"software", "NORVALDE", "quorvil4", "misc"})->values[0].data.size(),
              5u);
    EXPECT_EQ(api->openKeyCount(), 0u);
}

TEST_F(RegistryOverMemory, sectionDeletionSucceedsOnceAndKeepsTheAppKey)
{
    Reg.SaveSetting("Misc", "Top", "720");
    EXPECT_TRUE(Reg.DeleteSetting("Misc"));
    EXPECT_FALSE(Reg.DeleteSetting("Misc"));
    EXPECT_NE(api->tree.find({"Software", "Norvalde", "Quorvil4"}), nullptr);
    EXPECT_EQ(api->openKeyCount(), 0u);
}

} // namespace
