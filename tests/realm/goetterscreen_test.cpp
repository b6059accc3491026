// Screen 1085 on the demo set at 8 and 32 bits: the leave table (first deity
// saved without a question, a change refused at trust 200 and asked at 201,
// a symbol alone asks to leave), the name typed and bounded, and the LAND
// record's bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "realmscreen.h"
#include "store/store.h"
#include "ui/input.h"

using namespace vektest;

namespace {

std::vector<std::string> said, asked;
LONG antwort = 0;

// The LAND chunk's bytes as a pool file holds them.
std::string Land(const std::string &pool)
{
    const size_t at = pool.find("LANDV001");
    return at == std::string::npos ? std::string() : pool.substr(at, sizeof(st_LAND));
}

class GodsScreen : public RealmScreenTest {
protected:
    void SetUp() override
    {
        RealmScreenTest::SetUp();
        alt_ = GoetterDialogHooks;
        said.clear(), asked.clear();
        GoetterDialogHooks = {[](const char *t) { said.push_back(t); },
                              [](const char *t) { asked.push_back(t); return antwort; },
                              [](const char *t) { said.push_back(t); return (LONG)0; }};
    }
    void TearDown() override
    {
        GoetterDialogHooks = alt_;
        RealmScreenTest::TearDown();
    }
    // The realm's deity and trust in the orders before the visit.
    static void Stored(UBYTE gottheit, ULONG vertrauen, const char *name)
    {
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
        ASSERT_NE(land, nullptr);
        land->Gottheit = gottheit;
        land->Vertrauen = vertrauen;
        std::snprintf(land->Goettername, sizeof land->Goettername, "%s", name);
        ASSERT_TRUE(AddChunkPool(land, POOL_OUT));
        FreeVec(land);
    }
    // Clicks on the name field, deletes what is there, types text, Enter.
    void Name(const std::string &text, size_t loeschen)
    {
        Click("Goetter.dat", "EING");
        for (size_t i = 0; i < loeschen; ++i) PushKey(SDLK_BACKSPACE, 8);
        for (char c : text) PushKey((SDLKey)c, (Uint16)c);
        PushKey(SDLK_RETURN, 13);
    }
    LONG Run(const std::vector<const char *> &vor, const std::string *name, const std::vector<const char *> &nach)
    {
        ScriptFeeder feed;
        for (const char *c : vor) Click("Goetter.dat", c);
        if (name) Name(*name, 80);
        for (const char *c : nach) Click("Goetter.dat", c);
        feed.Start();
        return GoetterScreen();
    }
    ReichDialoge alt_{};
};

TEST_P(GodsScreen, FirstDeitySavedWithoutQuestion)
{
    const std::string name = "Ulmar";
    EXPECT_EQ(Run({"GOE2", "GOE4", "DO00", "INFO"}, &name, {"OKOK"}), 42);
    EXPECT_TRUE(asked.empty());
    const std::string land = Land(FileText(POOL_OUT));
    ASSERT_EQ(land.size(), 172u);
    EXPECT_EQ(land[90], 5);
    EXPECT_EQ(land.substr(92, 80), name + std::string(80 - name.size(), '\0'));
    // The rest of the record as received.
    std::string received = Land(FileText(POOL_IN));
    received.replace(90, 1, 1, '\5');
    received.replace(92, 80, land.substr(92, 80));
    EXPECT_EQ(land, received);
}

TEST_P(GodsScreen, LeaveTable)
{
    const std::string name = "Thor";
    struct Fall {
        const char *name;
        UBYTE gottheit;
        ULONG vertrauen;
        LONG antwort;
        bool namen;
        size_t fragen, meldungen;
        bool gespeichert;
    } faelle[] = {
        {"trust 200: warning", 3, 200, 0, true, 0, 1, false},
        {"trust 201, Ok", 3, 201, 0, true, 1, 0, true},
        {"symbol only, Ok", 0, 1000, 0, false, 1, 0, false},
    };
    for (const Fall &f : faelle) {
        SCOPED_TRACE(f.name);
        said.clear(), asked.clear();
        antwort = f.antwort;
        Stored(f.gottheit, f.vertrauen, "Alt");
        const std::string vorher = FileText(POOL_OUT);
        EXPECT_EQ(Run({"GOE6"}, f.namen ? &name : nullptr, {"OKOK"}), 42);
        EXPECT_EQ(asked.size(), f.fragen);
        EXPECT_EQ(said.size(), f.meldungen);
        EXPECT_EQ(FileText(POOL_OUT) != vorher, f.gespeichert);
        if (f.gespeichert) {
            EXPECT_EQ(Land(FileText(POOL_OUT))[90], 7);
        }
    }
    EXPECT_EQ(asked.back(), GetString(&_VEK_GOETTER_CHIEF));

    // Cancel stays: the second Ok (with Ok) then leaves.
    said.clear(), asked.clear();
    Stored(3, 201, "Alt");
    antwort = 1;
    {
        ScriptFeeder feed;
        Name("Neu", 80);
        Click("Goetter.dat", "OKOK");
        Click("Goetter.dat", "EXIT");
        feed.Start();
        EXPECT_EQ(GoetterScreen(), 42);
    }
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], GetString(&_VEK_GOETTER_WECHSEL));
    EXPECT_EQ(Land(FileText(POOL_OUT)).substr(92, 4), std::string("Alt\0", 4));
}

TEST_P(GodsScreen, NamesDefaultLongAndUnterminated)
{
    // The field used without typing: the default text is stored.
    {
        ScriptFeeder feed;
        Click("Goetter.dat", "GOE0");
        Name("", 0);
        Click("Goetter.dat", "OKOK");
        feed.Start();
        EXPECT_EQ(GoetterScreen(), 42);
    }
    std::string land = Land(FileText(POOL_OUT));
    ASSERT_EQ(land.size(), 172u);
    const std::string standard = GetString(&_VEK_GOETTER_NAME);
    EXPECT_EQ(land.substr(92, 80), standard + std::string(80 - standard.size(), '\0'));

    // A typed name of 85 characters keeps 79 and its NUL.
    Stored(0, 500, "");
    const std::string lang(85, 'i');
    EXPECT_EQ(Run({"GOE1"}, &lang, {"OKOK"}), 42);
    land = Land(FileText(POOL_OUT));
    EXPECT_EQ(land.substr(92, 80), std::string(79, 'i') + '\0');

    // A received name filling its field without NUL is shown cut to 79.
    auto *l = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    ASSERT_NE(l, nullptr);
    l->Gottheit = 0;
    std::memset(l->Goettername, 'g', sizeof l->Goettername);
    ASSERT_TRUE(AddChunkPool(l, POOL_OUT));
    FreeVec(l);
    {
        ScriptFeeder feed;
        Click("Goetter.dat", "GOE9");
        Name("", 0);
        Click("Goetter.dat", "OKOK");
        feed.Start();
        EXPECT_EQ(GoetterScreen(), 42);
    }
    land = Land(FileText(POOL_OUT));
    EXPECT_EQ(land[90], 10);
    EXPECT_EQ(land.substr(92, 80), std::string(79, 'g') + '\0');

    // EXIT saves nothing, whatever was chosen and typed.
    const std::string vorher = FileText(POOL_OUT);
    const std::string name = "Odo";
    EXPECT_EQ(Run({"GOE3"}, &name, {"EXIT"}), 42);
    EXPECT_EQ(FileText(POOL_OUT), vorher);
    EXPECT_TRUE(asked.empty());
}

INSTANTIATE_TEST_SUITE_P(Depths, GodsScreen, ::testing::Values(8, 32));

}  // namespace
