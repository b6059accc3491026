// Screen 876: the ruler is crowned with the title the realm's points earned,
// with pictures and fanfares; the proclamation is typed out from tick 101.
#include <cstdio>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "town/ceremony.h"
#include "town/town.h"
#include "ui/input.h"

namespace {

constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr UWORD kSounds[] = {163, 164, 165};
constexpr UWORD kStartY = 50;
constexpr ULONG kTypingFrom = 101;

struct LokalDataKroenung {
    BOOL Fertig;
    TextFont *VekFont4Ptr;
    TextFont *VekFontPtr;
};

void ShowPicture(ULONG n, LONG x, LONG y)
{
    if (OpenKavorGfx("./Data/Path", n) != 1) return;
    BlitObjekt(DisplayRastPort(), n, x, y, 0, 0);
    CloseKavorGfx(n);
}

}  // namespace

LONG KroenungsScreen()
{
    std::printf("Routine: KroenungsScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 10, 10);
    const char *title = KroenungCheckTitleOfPlayer();
    if (!title) return 2;
    if (OpenKavorPic("./Data/Path", 876, 0) < 0) {
        std::printf("KroenungsScreen: Konnte Pic nicht \xF6" "ffnen!\n");
        CloseKavorPic(876, 0);
        return -1;
    }
    auto *ld = static_cast<LokalDataKroenung *>(AllocVec(sizeof(LokalDataKroenung), MEMF_CLEAR));
    int loaded = 0;
    auto release = [&](LONG result) {
        for (int i = 0; i < loaded; ++i) CloseKavorSfx(kSounds[i]);
        if (ld) {
            CloseFont(ld->VekFontPtr);
            CloseFont(ld->VekFont4Ptr);
        }
        FreeVec(ld);
        CloseKavorPic(876, result == -1 ? 0 : 1);
        return result;
    };
    if (!ld) {
        std::printf("KroenungsScreen: Kein Speicher f\xFCr lokale Daten!\n");
        return release(-1);
    }
    if (!(ld->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("KroenungsScreen: Konnte Font nicht laden!\n");
        return release(-1);
    }
    if (!(ld->VekFontPtr = OpenDiskFont("Fonts/Times24.fnt"))) {
        std::printf("KroenungsScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
        return release(-1);
    }
    for (UWORD id : kSounds) {
        if (!OpenKavorSfx(kSfxPath, id)) {
            std::printf("KroenungScreen: Konnte SoundSfx nicht \xF6" "ffnen !\n");
            return release(-1);
        }
        ++loaded;
    }
    // Shown once: the coronation is over whatever the player does next.
    if (PlayerInfo.Event == 1) PlayerInfo.Event = 0;
    char text[512];
    std::snprintf(text, sizeof(text), "%s %s %s", GetString(&_VEK_KROENUNG_1), title, GetString(&_VEK_KROENUNG_2));
    SfxPlayer(165, 0, 1);
    FadeIn();
    // Above 8 bits the fade leaves another port on the display: the font goes on that one.
    SetFont(DisplayRastPort(), ld->VekFontPtr);
    for (ULONG t = 0;; ) {
        const ULONG code = GetKey(GETKEY_TICKS | 0x01);
        if (code == KEY_ESCAPE) break;
        if (code != EVENT_TICK) continue;
        switch (t) {
        case 45: ShowPicture(878, 321, 212); break;
        case 50:
            SfxPlayer(163, 0, 1);
            ShowPicture(877, 0, 242);
            SfxPlayer(164, 0, 1);
            ShowPicture(879, 321, 212);
            break;
        case 55: ShowPicture(880, 321, 212); break;
        case 65: ShowPicture(881, 321, 212); break;
        case 75: ShowPicture(882, 321, 212); break;
        case 85: ShowPicture(883, 321, 212); break;
        default: break;
        }
        if (t >= kTypingFrom) KroenungPrintText(text, (UWORD)(t - 100), kStartY);
        ++t;
    }
    return release(2);
}
