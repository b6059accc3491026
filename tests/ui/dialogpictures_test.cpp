// The dialogs with the real pictures by number: a box picture loaded from a
// graphics index is drawn from a copy, so a picture another screen holds is
// neither drawn into nor released, and one loaded for the box is released.
#include <cstring>
#include <string>

#include "common/gfxfixture.h"
#include "dialogfixture.h"
#include "gfx/gfxnumber.h"
#include "gfx/pixfmt.h"
#include "platform/system.h"

using namespace vektest;

namespace {

class DialogPicturesTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        FreeCache(1);
        WriteGfxIndex("Data/Path", 400,
                      {{.n = 66, .w = 304, .h = 122, .pic = "Vek:Pics/Chief.iff"},
                       {.n = 153, .w = 86, .h = 16, .pic = "Vek:Pics/Up.iff"},
                       {.n = 154, .w = 86, .h = 16, .pic = "Vek:Pics/Down.iff"}});
        WriteFile("Pics/Chief.chk", PatternPicture(304, 122));
        WriteFile("Pics/Up.chk", Bytes(86 * 16, 153));
        WriteFile("Pics/Down.chk", Bytes(86 * 16, 154));
        // The real services, with the waits of the pressed button taken as snapshots.
        const auto recordedDelay = DialogPaint.Delay;
        DialogPaint = savedDialogPaint_;
        DialogPaint.Delay = recordedDelay;
        snapOn_ = {0};
        Pattern();
        Remember();
    }
    void TearDown() override
    {
        FreeCache(1);
        DialogTest::TearDown();
    }
    // The pixel of index i as pictures are converted for the display.
    ULONG PictureInk(UBYTE i) const { return Ink(i); }
    static UBYTE Pattern66(LONG x, LONG y) { return (UBYTE)((x * 7 + y * 13) % 256); }
};

TEST_P(DialogPicturesTest, BoxDrawsFromItsOwnCopy)
{
    for (bool resident : {false, true}) {
        SCOPED_TRACE(resident ? "the picture is held by a screen" : "the picture is not loaded");
        snaps_.clear();
        BitMap *shared = nullptr;
        Snapshot sharedBefore;
        if (resident) {
            ASSERT_EQ(OpenKavorGfx("./Data/Path", 66), 1);
            shared = BitMapPtrArray[65];
            ASSERT_NE(shared, nullptr);
            sharedBefore = Snap(shared);
        }
        Return();
        EXPECT_EQ(ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, "Hello", 7), 0);
        ExpectUntouched();
        ASSERT_FALSE(snaps_.empty());
        const Snapshot &s = snaps_[0].second;
        EXPECT_EQ(AtIn(s, 168 + 300, 180 + 5), PictureInk(Pattern66(300, 5)));
        EXPECT_EQ(AtIn(s, 168 + 50, 180 + 110), Ink(154));  // Ok pressed
        EXPECT_EQ(ReadIn(s, 168 + 152 - 5, 180 + 53, 7), "Hello");
        if (resident) {
            EXPECT_EQ(BitMapPtrArray[65], shared) << "the screen's picture was released";
            EXPECT_TRUE(Snap(shared) == sharedBefore) << "the box drew into the screen's picture";
            CloseKavorGfx(66);
        }
        EXPECT_EQ(BitMapPtrArray[65], nullptr) << "the box left its picture loaded";
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, DialogPicturesTest, ::testing::Values(8, 16, 32));

}  // namespace
