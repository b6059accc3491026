// The sound option page's clicks and its store. A switch click (without the
// sound restart) is the switch rule and the faces of the bits it changed; a
// slider click is the volume and the notch moved over its saved background.
// Each is set against the blits it cannot do without. Storing the page is
// set against writing the options file once. On a 640 x 480 x 32 dummy
// display in a copy of the demo set.
#include <benchmark/benchmark.h>

#include <cstring>

#include "benchmain.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "frontend/optionpage_local.h"
#include "frontend/optionrules.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/gadgets.h"

namespace {

constexpr UWORD kNotch = 354;

struct Page {
    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> display;
    OptionPage page{};
    bool ok = false;
    Page()
    {
        CopyDemoGameFiles(".");
        display = std::make_unique<vektest::SdlScreen>(32, 640, 480);
        UseKavorGadgetPainter();
        const OptionPageTexts t = {"bench", "", "", "", "", "", "", "%s"};
        ok = display->Ok() && OpenOptionPage(&page, t, 133, "./Data/screendat/Optionen0.dat", 411) &&
             OpenKavorGfx("./Data/Path", kNotch) == 1;
    }
    ~Page()
    {
        CloseKavorGfx(kNotch);
        CloseOptionPage(&page, 0);
        if (TitelScreenPtr) CloseKavorPic(0, 0);
    }
};

// The effects switch back and forth: one face each time.
void BM_SwitchClick(benchmark::State &state)
{
    Page p;
    if (!p.ok) return state.SkipWithError("page not set up");
    ULONG bits = 0x39;
    for (auto _ : state) {
        const SoundSwitchResult r = SoundSwitch(bits, 0xFF, 4, "", 0);
        for (ULONG b = 0; b < 8; ++b)
            if (((bits ^ r.Bits) >> b) & 1) DrawOptionSwitch(&p.page, b, (r.Bits >> b) & 1);
        bits = r.Bits;
    }
}
BENCHMARK(BM_SwitchClick);

void BM_SwitchFaceBlit(benchmark::State &state)
{
    Page p;
    if (!p.ok) return state.SkipWithError("page not set up");
    BOOL on = 0;
    for (auto _ : state) DrawOptionSwitch(&p.page, 4, on = !on);
}
BENCHMARK(BM_SwitchFaceBlit);

struct Notch {
    LONG x = 0, y = 0;
    BitMap *saved = nullptr;
    void MoveTo(LONG nx, LONG ny)
    {
        if (saved) ScreenRestoreClip(saved, x, y, 32, 18);
        x = nx, y = ny;
        saved = ScreenSaveClip(x, y, 32, 18);
        BlitObjektMask(nullptr, kNotch, 0, x, y, 0, 0);
    }
    ~Notch() { FreeKavorBitMap(saved); }
};

// A click on the effects slider at alternating ends: the volume, SetVolume
// and the notch moved as the page moves it.
void BM_SliderClick(benchmark::State &state)
{
    Page p;
    if (!p.ok) return state.SkipWithError("page not set up");
    const GadgetData *s = OptionGadget(&p.page, MakeGadgetID("SL01"));
    if (!s) return state.SkipWithError("no slider");
    Notch n;
    bool right = false;
    for (auto _ : state) {
        right = !right;
        const LONG v = SliderVolume(right ? s->X1 - 1 : s->X0 + 1, s->X0 + 1, s->X1 - 1);
        UserSystem.OP.SFX_Volume = (UBYTE)v;
        SetVolume(SfxVolumeWord((ULONG)v));
        n.MoveTo(NotchX(s->X0, s->X1, v), s->Y0);
    }
}
BENCHMARK(BM_SliderClick);

void BM_NotchBlits(benchmark::State &state)
{
    Page p;
    if (!p.ok) return state.SkipWithError("page not set up");
    const GadgetData *s = OptionGadget(&p.page, MakeGadgetID("SL01"));
    if (!s) return state.SkipWithError("no slider");
    Notch n;
    bool right = false;
    for (auto _ : state) {
        right = !right;
        n.MoveTo(right ? s->X1 - 8 : s->X0, s->Y0);
    }
}
BENCHMARK(BM_NotchBlits);

// Storing the page: the fields into the options, then the file.
void BM_StorePage(benchmark::State &state)
{
    vektest::ScratchDir dir;
    vektest::MakeDirs("Data");
    char fields[OPTION0_FIELDS][OPTION_FIELD_BYTES];
    SoundFieldsFromOptions(UserSystem.OP, fields);
    for (auto _ : state) {
        SoundFieldsToOptions(fields, 0x39, &UserSystem.OP);
        benchmark::DoNotOptimize(OptionenPrefsSave());
    }
}
BENCHMARK(BM_StorePage);

void BM_WriteOptionsFile(benchmark::State &state)
{
    vektest::ScratchDir dir;
    vektest::MakeDirs("Data");
    for (auto _ : state) benchmark::DoNotOptimize(OptionenPrefsSave());
}
BENCHMARK(BM_WriteOptionsFile);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
