#pragma once

#include "settings/hivefile.h"
#include "settings/hivetext.h"
#include "settings/registry.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <optional>

// A store over a hive file in a fresh folder, where the program keeps it; every test ends with
// no key left open.
class HiveStore : public testing::Test {
protected:
    // The file as it parses by itself; none when it does not parse or loses a line.
    std::optional<RegTree> stored() const
    {
        std::optional<ParsedHive> hive = parseHive(readFile(file));
        if (!hive || hive->droppedLines != 0)
            return std::nullopt;
        return hive->tree;
    }
    void TearDown() override { EXPECT_EQ(api->openKeyCount(), 0u) << "a key was left open"; }

    TempDir dir;
    std::filesystem::path file = dir.path() / "Norvalde" / "Quorvil4" / "user.reg";
    std::shared_ptr<HiveFileRegistry> api = std::make_shared<HiveFileRegistry>(file);
    registry Reg{api};
};

inline std::vector<std::string> appKey(std::vector<std::string> below = {})
{
    std::vector<std::string> path = {"Software", "Norvalde", "Quorvil4"};
    path.insert(path.end(), below.begin(), below.end());
    return path;
}
