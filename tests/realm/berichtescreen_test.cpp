// Screen 33 on the demo set at 8 and 32 bits: the box stays empty until a
// report is chosen (scrolling before does nothing), each of the six buttons
// shows its report, and the screen writes nothing.
#include <gtest/gtest.h>

#include "common/scriptinput.h"
#include "realm/realm.h"
#include "realmscreen.h"
#include "store/store.h"

using namespace vektest;

namespace {

class ReportsScreen : public RealmScreenTest {};

TEST_P(ReportsScreen, EachButtonShowsItsReport)
{
    const std::string in = FileText(POOL_IN), out = FileText(POOL_OUT);
    probeArea_ = {258, 83, 292, 257};
    {
        ScriptFeeder feed;
        Probe();
        Click("Berichte.dat", "UP00");
        Click("Berichte.dat", "DO00");
        Click("Berichte.dat", "SL00");
        Probe();
        for (const char *code : {"BU00", "BU01", "BU02", "BU03", "BU04", "BU05"}) {
            Click("Berichte.dat", code);
            Probe();
        }
        Click("Berichte.dat", "DO00");
        Probe();
        Click("Berichte.dat", "EXIT");
        feed.Start();
        EXPECT_EQ(BerichteScreen(), 2);
    }
    const auto p = Probes();
    ASSERT_EQ(p.size(), 9u);
    EXPECT_EQ(p[0], p[1]) << "no report yet: nothing to scroll";
    for (size_t i = 2; i < 8; ++i) EXPECT_NE(p[i], p[i - 1]) << "report " << i - 2;
    EXPECT_EQ(FileText(POOL_IN), in);
    EXPECT_EQ(FileText(POOL_OUT), out);
}

INSTANTIATE_TEST_SUITE_P(Depths, ReportsScreen, ::testing::Values(8, 32));

}  // namespace
