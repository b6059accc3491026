// Screen 40 on the demo set at 8 and 32 bits: the advisor's notice and back
// to the residence; without its description the screen fails and says nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/catalog.h"
#include "platform/strings.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "realmscreen.h"

using namespace vektest;

namespace {

std::vector<std::string> said;

class FamilyTreeScreen : public RealmScreenTest {
protected:
    void SetUp() override
    {
        RealmScreenTest::SetUp();
        alt_ = StammbaumDialogHooks;
        said.clear();
        StammbaumDialogHooks.Message = [](const char *t) { said.push_back(t); };
    }
    void TearDown() override
    {
        StammbaumDialogHooks = alt_;
        RealmScreenTest::TearDown();
    }
    ReichDialoge alt_{};
};

TEST_P(FamilyTreeScreen, NoticeThenResidence)
{
    EXPECT_EQ(StammbaumScreen(), 2);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], GetString(&_VEK_ZUKUNFT_ERWEITERT));

    said.clear();
    ASSERT_EQ(std::remove("./Data/screendat/Stammbaum.dat"), 0);
    EXPECT_EQ(StammbaumScreen(), -1);
    EXPECT_TRUE(said.empty());
}

INSTANTIATE_TEST_SUITE_P(Depths, FamilyTreeScreen, ::testing::Values(8, 32));

}  // namespace
