// The two starting points beside the realm: the newcomer holds the game's
// folders and nothing of a game; the saves hold the first turn as the client
// saved it and the second turn's received pool.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/shareddemo.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace {

std::string Turn(const std::string &pool)
{
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, pool.c_str());
    if (!korn) return "";
    const std::string t = std::to_string(korn->Jahr) + "_" + std::to_string(korn->Quartal);
    FreeVec(korn);
    return t;
}

TEST(StartingPoints, NewcomerHasFoldersAndNothingElse)
{
    const std::string root = SharedDemoSet() + "/Newcomer";
    for (const char *d : {"Data/POP3In", "Data/POP3Out", "Data/MailIn", "Data/MailOut", "Data/Cities", "Map"})
        EXPECT_TRUE(fs::is_directory(root + "/" + d)) << d;
    size_t files = 0;
    for (const auto &e : fs::recursive_directory_iterator(root)) files += e.is_regular_file();
    EXPECT_EQ(files, 0u);
}

TEST(StartingPoints, SavesHoldTheFirstTurnAndTheRealmMovesToTheSecond)
{
    const std::string root = SharedDemoSet() + "/Saves";
    EXPECT_EQ(Turn(root + "/Game/Demoland/1_1/Data/POP3In/GameChunk.vek"), "1_1");
    EXPECT_EQ(Turn(root + "/Data/POP3In/GameChunk.vek"), "1_2");
    EXPECT_FALSE(fs::exists(root + "/Game/Demoland/1_2"));
    EXPECT_FALSE(fs::exists(root + "/Game/Demoland/1_1/Data/Path"));
    // Saved as the client saves: the game's files, the same as the realm's
    // at that turn, without screen descriptions.
    EXPECT_FALSE(fs::exists(root + "/Game/Demoland/1_1/Data/screendat"));
    const std::string demo = SharedDemoSet();
    for (const char *f : {"Data/MapPrefs.vek", "Data/Prefs.vek", "Map/M_1_1.map", "Data/POP3In/GameChunk.vek"})
        EXPECT_TRUE(vektest::ReadBytes(root + "/Game/Demoland/1_1/" + f) == vektest::ReadBytes(demo + "/" + f)) << f;
}

}  // namespace
