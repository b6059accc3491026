// The demo set read back by the client's own loaders where they are built:
// every screen description file through GetScreenRegion with the mask its
// screen passes, every font through OpenDiskFont, both catalogs through
// OpenCatalog on a German system.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/testutil.h"
#include "formats.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/datakit.h"
#include "gfx/font.h"
#include "ui/screendat.h"
#include "platform/strings.h"
#include "common/shareddemo.h"

using namespace datakit;

TEST(ClientReadsDemoSet, EveryScreenFileLoadsWithItsScreensMask)
{
    const std::string dir = SharedDemoSet();
    for (const ScreenLayout &l : ScreenLayouts) {
        SCOPED_TRACE(l.file);
        // Where the mask is not fixed, ask for every kind a screen may want.
        const ULONG mask = l.mask ? l.mask : 0x7BF;
        const std::string path = dir + "/Data/screendat/" + l.file;
        ScreenRegion *r = GetScreenRegion(path.c_str(), mask);
        ASSERT_NE(r, nullptr);
        if (mask & SR_GADGETDATA) {
            ASSERT_EQ(r->CountGadgetData, LayoutGadgetCount(l));
            for (size_t i = 0; i < r->CountGadgetData; ++i) EXPECT_EQ(r->GadgetData[i].ReturnID, LayoutGadgetCode(l, i)) << i;
        }
        if (mask & SR_TITLEBAR) {
            ASSERT_GT(r->CountTitleBar, 0u);
            EXPECT_EQ(r->TitleBar[r->CountTitleBar - 1].Title, nullptr) << "the list ends with a record without title";
        }
        if (mask & SR_GEBAEUDE) {
            EXPECT_EQ(r->CountGebaeudeInfoPtr, TOWN_SLOTS);
        }
        if (mask & SR_RECHTECK) {
            EXPECT_GE(r->CountRechteck, l.rects);
        }
        if (mask & SR_PUNKT) {
            EXPECT_GE(r->CountPunkt, l.points);
        }
        if (mask & SR_DISPLAYSTATUSBOX) {
            EXPECT_GE(r->CountDisplayStatusBox, l.statusBoxes);
        }
        if (mask & SR_LOCALETEXTBOX) {
            EXPECT_GE(r->CountLocaleTextBox, l.locales);
        }
        ClearScreenRegion(r);
    }
}

TEST(ClientReadsDemoSet, EveryFontOpens)
{
    const std::string dir = SharedDemoSet();
    for (const char *name : {"KavorC1", "KavorN", "Times24", "Times30", "Topaz", "XHelvetica11", "XHelvetica13",
                             "XHelvetica9", "Xen8"}) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/Fonts/" + name + ".fnt";
        formats::FontInfo info;
        ASSERT_EQ(formats::ReadFont(vektest::ReadBytes(path), info), "");
        TextFont *f = OpenDiskFont(path.c_str());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->tf_YSize, info.height);
        EXPECT_EQ(f->Lochar, 32);
        EXPECT_EQ(f->Hichar, 255);
        EXPECT_EQ(f->Typ == FONT_TYP_COLO, info.colour);
        if (f->Size != FONT_SIZE_PROP) {
            EXPECT_GT(f->tf_XSize, 0);
        }
        CloseFont(f);
    }
}

TEST(ClientReadsDemoSet, CatalogsReplaceTextsOnAGermanSystem)
{
    const std::string dir = SharedDemoSet();
    vektest::ScratchDir scratch;  // the catalog path is relative: read from a link to the set
    vektest::MakeDirs("catalogs");
    ASSERT_EQ(symlink((dir + "/catalogs/deutsch").c_str(), "catalogs/deutsch"), 0);
    const char *lang = std::getenv("LANG");
    const std::string oldLang = lang ? lang : "";
    setenv("LANG", "de_DE.UTF-8", 1);
    ForgetSysLanguage();
    const std::string english = GetString(&_VEK_TITEL8);
    Catalog *game = OpenCatalog("VekBrowser.catalog", &VekStrings[0], &VekStrings[1]);
    Catalog *stories = OpenCatalog("RoredIdez.catalog", &RoredIdezStrings[0], &RoredIdezStrings[1]);
    EXPECT_NE(game, nullptr);
    EXPECT_NE(stories, nullptr);
    EXPECT_STREQ(GetString(&_VEK_TITEL8), "K\xF6nig");
    EXPECT_STREQ(GetString(&_VEK_DUNGEON), "Verlies");
    EXPECT_STREQ(GetString(&_VEK_KARTE_BEFEHL_ERFORSCHEN), "erforschen");
    EXPECT_NE(std::string(GetString(&_BT_ERSTETAG)).find("\xA7\xA7"), std::string::npos);
    CloseCatalog(stories);
    CloseCatalog(game);
    EXPECT_EQ(GetString(&_VEK_TITEL8), english);
    if (lang) setenv("LANG", oldLang.c_str(), 1);
    else unsetenv("LANG");
    ForgetSysLanguage();
}
