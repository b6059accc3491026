// Rain over a screen: a thread lets up to 50 slanted streaks fall over the
// display's drawing port, saving and putting back what lies under them and
// sparing the screen's boxes, and leaves the display as it found it.
#include <SDL/SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "media/sound_local.h"
#include "platform/gamevalues.h"
#include "platform/system.h"
#include "ui/screendat.h"

ULONG rainStepMs = 40;

namespace {

constexpr int PLACE_TRIES = 1000;  // the free places never run out, but a loop needs an end

// Pixel k of the streak at (x, y): eight rows in column x, then eight in x - 1.
LONG StreakX(LONG x, int k) { return k < 8 ? x : x - 1; }

void Place(RainState *st, int i, RainDice dice)
{
    RainDrop &d = st->drops[i];
    for (int tries = 0;; ++tries) {
        const LONG x = (LONG)dice(640), y = (LONG)dice(40) + 21;
        bool clash = false;
        for (int j = 0; j < RAIN_DROPS && !clash; ++j) {
            const RainDrop &o = st->drops[j];
            clash = j != i && o.y != 0 && x >= o.x - 5 && x <= o.x + 3 && std::abs(y - o.y) <= 80;
        }
        if (!clash || tries >= PLACE_TRIES) {
            d.x = (WORD)x;
            d.y = (WORD)y;
            return;
        }
    }
}

void Restore(const RainCanvas &c, const RainDrop &d, LONG x, LONG y)
{
    for (int k = 0; k < RAIN_STREAK; ++k) c.write(c.ctx, StreakX(x, k), y + k, d.saved[k]);
    c.present(c.ctx, x - 1, y, 2, RAIN_STREAK);
}

void Draw(const RainCanvas &c, RainDrop &d)
{
    for (int k = 0; k < RAIN_STREAK; ++k) {
        d.saved[k] = c.read(c.ctx, StreakX(d.x, k), d.y + k);
        c.write(c.ctx, StreakX(d.x, k), d.y + k, c.pen);
    }
    c.present(c.ctx, d.x - 1, d.y, 2, RAIN_STREAK);
}

ULONG DisplayRead(void *ctx, LONG x, LONG y)
{
    RainDisplay &d = *(RainDisplay *)ctx;
    if (!d.data || x < 0 || y < 0 || x >= d.w || y >= d.h) return 0;
    ULONG v = 0;
    std::memcpy(&v, d.data + y * d.pitch + x * d.bpp, (size_t)d.bpp);
    return v;
}

void DisplayWrite(void *ctx, LONG x, LONG y, ULONG value)
{
    RainDisplay &d = *(RainDisplay *)ctx;
    if (!d.data || x < 0 || y < 0 || x >= d.w || y >= d.h) return;
    std::memcpy(d.data + y * d.pitch + x * d.bpp, &value, (size_t)d.bpp);
}

void DisplayBegin(void *ctx)
{
    RainDisplay &d = *(RainDisplay *)ctx;
    d.locked = ScreenLock();
    d.data = GetKavorGfxData(d.bmp);
}

void DisplayPresent(void *ctx, LONG x, LONG y, LONG w, LONG h)
{
    RainDisplay &d = *(RainDisplay *)ctx;
    if (d.data) FreeKavorGfxLock(d.bmp);
    PresentRectHeld(d.bmp, x, y, w, h);
    d.data = GetKavorGfxData(d.bmp);
}

void DisplayEnd(void *ctx)
{
    RainDisplay &d = *(RainDisplay *)ctx;
    if (d.data) FreeKavorGfxLock(d.bmp);
    d.data = nullptr;
    if (d.locked) ScreenUnlock();
}

int SDLCALL ItsRainingAgain(void *arg)
{
    Rain *rain = (Rain *)arg;
    RainState *st = (RainState *)AllocVec(sizeof(RainState), MEMF_CLEAR);
    RainInit(st, rain->Dauer, Wuerfel);
    RainDisplay disp;
    RainCanvas canvas;
    if (!RainDisplayCanvas(&disp, &canvas)) st->dauer = 0;  // nowhere to draw
    while (st->step < st->dauer) {
        SDL_Delay(rainStepMs);
        // The owner may hand over another list at any time: one reading per step.
        const Rechteck *spared = std::atomic_ref<Rechteck *>(rain->RechteckPtr).load();
        UWORD stop = std::atomic_ref<UWORD>(rain->Stop).load();
        const UWORD asked = stop;
        RainStep(st, spared, canvas, Wuerfel, &stop);
        if (asked && !stop) std::atomic_ref<UWORD>(rain->Stop).store(0);
    }
    FreeVec(st);
    std::atomic_ref<UWORD>(rain->HasFinished).store(1);
    return 0;
}

}  // namespace

bool RainDisplayCanvas(RainDisplay *disp, RainCanvas *canvas)
{
    RastPort *rp = UserSystem.Display ? UserSystem.Display->RastPort_ : nullptr;
    BitMap *bmp = rp ? rp->BitMap : nullptr;
    *disp = {};
    *canvas = {disp, 0, DisplayRead, DisplayWrite, DisplayBegin, DisplayPresent, DisplayEnd};
    if (!bmp || !bmp->Surface) return false;
    SDL_Surface *s = bmp->Surface;
    *disp = {bmp, nullptr, s->w, s->h, s->format->BytesPerPixel, s->pitch, 0};
    const SDL_Color &c = KavoriaPalette[RAIN_PEN];
    canvas->pen = disp->bpp == 1 ? RAIN_PEN : SDL_MapRGB(s->format, c.r, c.g, c.b);
    return true;
}

bool RainSpares(const Rechteck *spared, LONG x, LONG y)
{
    for (const Rechteck *r = spared; r && r->X0 != 0xFFFF; ++r)
        if (r->X0 <= x && r->X1 >= x - 1 && r->Y0 <= y + RAIN_STREAK - 1 && r->Y1 >= y) return true;
    return false;
}

void RainInit(RainState *st, UWORD dauer, RainDice dice)
{
    std::memset(st, 0, sizeof *st);
    st->dauer = dauer;
    for (int i = 0; i < RAIN_DROPS; ++i) Place(st, i, dice);
}

int RainStep(RainState *st, const Rechteck *spared, const RainCanvas &c, RainDice dice, UWORD *stop)
{
    if (st->step >= st->dauer) return 0;
    const int remaining = st->dauer - st->step;
    if (remaining > RAIN_LIFE) {
        if (st->nextIn == 0) {
            if (st->taking < RAIN_DROPS) ++st->taking;
            st->nextIn = (int)dice(3) + 1;
        }
        --st->nextIn;
    }
    for (int i = 0; i < st->taking; ++i) {
        RainDrop &d = st->drops[i];
        if (d.y == 0) continue;
        const bool visible = d.x >= 1 && d.x <= 638 && d.y + RAIN_STREAK <= 479 && !RainSpares(spared, d.x, d.y);
        if (d.drawn || visible) {
            c.begin(c.ctx);
            if (d.drawn) Restore(c, d, d.x + 2, d.y - 48);
            if (visible) Draw(c, d);
            c.end(c.ctx);
        }
        d.drawn = visible;
        d.x -= 2;
        d.y += 48;
        ++d.count;
    }
    for (int i = 0; i < st->taking; ++i) {
        RainDrop &d = st->drops[i];
        if (d.y == 0 || d.count < RAIN_LIFE) continue;
        if (d.drawn) {
            c.begin(c.ctx);
            Restore(c, d, d.x + 2, d.y - 48);
            c.end(c.ctx);
        }
        d.count = 0;
        d.drawn = 0;
        if (remaining > RAIN_LIFE) {
            Place(st, i, dice);
        } else {
            d.x = 0;
            d.y = 0;
        }
    }
    ++st->step;
    if (stop && *stop && remaining > RAIN_LIFE) {
        // No drop starts in the last ten steps, and one lives nine: the screen ends clean.
        st->step = std::max<UWORD>(st->step, (UWORD)(st->dauer - 10));
        *stop = 0;
    }
    return st->step < st->dauer;
}

Rain *StartTheRain(UWORD Dauer, Rechteck *Spared)
{
    Rain *rain = (Rain *)AllocVec(sizeof(Rain), MEMF_CLEAR);
    if (!rain) {
        std::printf("StartTheRain : Konnte Speicher nicht allokieren\n");
        return nullptr;
    }
    rain->Dauer = Dauer;
    rain->RechteckPtr = Spared;
    rain->Garrulously = SDL_CreateThread(ItsRainingAgain, rain);
    if (!rain->Garrulously) {
        std::printf("StartTheRain : Konnte RainProzess nicht anlegen...\n");
        rain->HasFinished = 1;
    }
    return rain;
}

BOOL ItsStillRaining(Rain *rain)
{
    return rain && !std::atomic_ref<UWORD>(rain->HasFinished).load();
}

void StopTheRain(Rain *rain)
{
    if (!rain) return;
    std::atomic_ref<UWORD>(rain->Stop).store(1);
    // Waiting for the thread's end is waiting for HasFinished, without polling.
    if (rain->Garrulously) SDL_WaitThread(rain->Garrulously, nullptr);
    FreeVec(rain);
}
