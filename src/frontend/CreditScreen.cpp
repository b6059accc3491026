// Screen 151: the credits. An animation plays over the upper half while the
// names appear two lines at a time at random places in the lower half.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "gfx/font.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "ui/input.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr ULONG kCreditTicks = 25;

struct LokaleDatenCreditScreen {
    st_MovieBase *MovieBase;
    st_Movie *Movie1;
};

// Line k (counted from 1) of text into out (at most size - 1 characters);
// false when the text has fewer lines.
bool CreditLine(const char *text, ULONG k, char *out, size_t size)
{
    const char *p = text;
    for (ULONG i = 1; i < k; ++i) {
        p = std::strchr(p, '\n');
        if (!p) return false;
        ++p;
    }
    if (!*p) return false;
    const char *end = std::strchr(p, '\n');
    const size_t n = std::min(end ? (size_t)(end - p) : std::strlen(p), size - 1);
    std::memcpy(out, p, n);
    out[n] = 0;
    return true;
}

}  // namespace

UWORD CreditsPrintText(UWORD Counter)
{
    RastPort *rp = DisplayRastPort();
    SetAPen(rp, 0);
    RectFill(rp, 0, 240, 639, 479);
    if (TitelScreenPtr) {
        SetRGB4(&TitelScreenPtr->ViewPort, 1, 15, 15, 15);
        SetRGB4(&TitelScreenPtr->ViewPort, 2, 10, 11, 15);
        // The setters only store the colours; at 8 bits the lines would show
        // in the picture's own colours 1 and 2, which are nearly black.
        if (VekDisplay.VekScreen_Tiefe <= 8) PushPalette(KavoriaPalette);
    }
    const LONG a = (LONG)Wuerfel(350), b = (LONG)Wuerfel(180);
    const char *text = GetString(&_VEK_CREDITS);
    char first[256], second[256];
    const bool one = CreditLine(text, (ULONG)Counter + 1, first, sizeof(first));
    const bool two = one && CreditLine(text, (ULONG)Counter + 2, second, sizeof(second));
    constexpr UWORD kCentred = PT_CENTER | PT_BASELINE | PT_VCENTER;
    if (one) PrintText(rp, (UWORD)(a + 40), (UWORD)(b + 240), (UWORD)(a + 240), (UWORD)(b + 270), first, 0, 1, kCentred);
    // The second box may reach below the game area; it ends at its last row.
    if (two)
        PrintText(rp, (UWORD)(a + 40), (UWORD)(b + 270), (UWORD)(a + 240), (UWORD)std::min<LONG>(b + 300, 479), second,
                  0, 2, kCentred);
    return two ? (UWORD)(Counter + 2) : 0;
}

LONG CreditScreen()
{
    std::printf("Routine: CreditScreen\n");
    const ULONG realm = CheckPrefs(0, PREFS_READ, 0);
    if (realm >= 2) return 2;
    const LONG next = 32;
    if (OpenKavorPic(kPath, 151, 0) < 0) {
        std::printf("CreditScreen: Konnte Pic nicht laden!\n");
        CloseKavorPic(151, 0);
        return -1;
    }
    auto *ld = static_cast<LokaleDatenCreditScreen *>(AllocVec(sizeof(LokaleDatenCreditScreen), MEMF_CLEAR));
    TextFont *font = OpenDiskFont("Fonts/Times24.fnt");
    if (!font) {
        std::printf("CreditScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
        FreeVec(ld);
        CloseKavorPic(151, 0);
        return -1;
    }
    while (Fade) SDL_Delay(20);
    ld->MovieBase = AllocMovieBase(TitelScreenPtr, (char)InitAnimGfx(), (char)InitAnimProz(), 0);
    if (ld->MovieBase) ld->Movie1 = LoadMovie(ld->MovieBase, "./Anims/Credits.cban", nullptr, nullptr);
    if (ld->Movie1) {
        PlayMovie(ld->MovieBase, ld->Movie1, 0, 0, 69, 10);
    } else {
        // The names are shown all the same.
        std::printf("CreditScreen: Konnte Anim nicht laden!\n");
    }
    RastPort *rp = DisplayRastPort();
    SetFont(rp, font);
    UWORD counter = 0;
    for (ULONG ticks = 0;;) {
        const ULONG code = GetKey(GETKEY_TICKS | 0x01);
        if (code == KEY_ESCAPE || code == EVENT_LEFTDOWN || code == EVENT_RIGHTDOWN) break;
        if (code != EVENT_TICK) continue;
        if (++ticks % kCreditTicks == 0) counter = CreditsPrintText(counter);
    }
    if (ld->Movie1) UnloadMovie(ld->MovieBase, ld->Movie1);
    FreeMovieBase(ld->MovieBase);
    SetFont(rp, nullptr);
    CloseFont(font);
    FreeVec(ld);
    SetKavorPalette(kPath, 151, 0, 0, 0);
    CloseKavorPic(151, 1);
    return next;
}
