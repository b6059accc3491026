// The demo realm's statistics file read back by the client: nine whole
// quarters ending with the received turn's, so the turn already there adds
// nothing and the next quarter adds the tenth record.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "common/shareddemo.h"
#include "store/store.h"
#include "turn/turn.h"

namespace fs = std::filesystem;

TEST(DemoStatistics, NineQuartersThatTheClientExtends)
{
    vektest::ScratchDir dir;
    fs::copy(SharedDemoSet() + "/Data", "Data", fs::copy_options::recursive);
    const auto before = vektest::ReadBytes("Data/Statistikdaten.vek");
    ASSERT_EQ(before.size(), 10u + 9 * 40);
    EXPECT_EQ(vektest::Bytes(before.begin(), before.begin() + 10), (vektest::Bytes{9, 0, 0, 0, 5, 0, 10, 0, 0, 0}));
    ASSERT_TRUE(SaveStatistikData());  // the received quarter is the last one recorded
    EXPECT_EQ(vektest::ReadBytes("Data/Statistikdaten.vek"), before);

    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
    ASSERT_NE(korn, nullptr);
    korn->Quartal = 2;
    ASSERT_TRUE(AddChunkPool(korn, POOL_IN));
    FreeVec(korn);
    ASSERT_TRUE(SaveStatistikData());
    const auto after = vektest::ReadBytes("Data/Statistikdaten.vek");
    ASSERT_EQ(after.size(), 10u + 10 * 40);
    EXPECT_EQ(after[0], 10);
    EXPECT_EQ(after[4], 6);
    EXPECT_EQ(vektest::Bytes(after.begin() + 10, after.end() - 40), vektest::Bytes(before.begin() + 10, before.end()));
}
