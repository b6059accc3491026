// Screen 499: the realm has fallen. The reason is typed out to the sound of
// the mob; Escape resets the local game and ends the program.
#include <cstdio>

#include "gfx/font.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "platform/gamevalues.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "town/ceremony.h"
#include "turn/gameinit.h"
#include "town/town.h"
#include "ui/input.h"

namespace {

constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr UWORD kSounds[] = {100, 95, 96, 97, 98};
constexpr UWORD kRandomSounds[] = {95, 96, 97, 98, 100};  // by Wuerfel(5); a 5 plays nothing
constexpr UWORD kStartY = 50;

void FreeSounds(int loaded)
{
    for (int i = 0; i < loaded; ++i) CloseKavorSfx(kSounds[i]);
}

}  // namespace

LONG AnarchieScreen()
{
    std::printf("Routine: AnarchieScreen\n");
    PlayCDTrack(nullptr, 0, 10, 10);
    if (OpenKavorPic("./Data/Path", 499, 0) < 0) {
        std::printf("AnarchieScreen: Konnte Pic nicht \xF6" "ffnen!\n");
        CloseKavorPic(499, 0);
        return -1;
    }
    TextFont *font = OpenDiskFont("Fonts/Times24.fnt");
    if (!font) {
        std::printf("AnarchieScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
        CloseKavorPic(499, 0);
        return -1;
    }
    int loaded = 0;
    for (UWORD id : kSounds) {
        if (!OpenKavorSfx(kSfxPath, id)) {
            std::printf("AnarchieScreen: Konnte SoundSfx nicht \xF6" "ffnen !\n");
            FreeSounds(loaded);
            CloseFont(font);
            CloseKavorPic(499, 0);
            return -1;
        }
        ++loaded;
    }
    const char *text = GetString(PlayerInfo.Spielstopp == 2 ? &_VEK_ANARCHIE_TEXT2 : &_VEK_ANARCHIE_TEXT1);
    RastPort *rp = DisplayRastPort();
    SetFont(rp, font);
    SfxPlayer(100, 0, 1);
    ULONG typed = 0, ticks = 0, nextSound = 10;
    for (;;) {
        const ULONG code = GetKey(GETKEY_TICKS | 0x01);
        if (code == KEY_ESCAPE) break;
        if (code != EVENT_TICK) continue;
        AnarchiePrintText(text, (UWORD)++typed, kStartY);
        if (++ticks == nextSound) {
            const ULONG roll = Wuerfel(5);
            if (roll < 5) SfxPlayer(kRandomSounds[roll], 0, 0);
            nextSound = ticks + Wuerfel(5) + 1;
        }
    }
    FadeOut();
    SetKavorPalette("./Data/Path", 2, 0, 36, 0);
    SetAPen(rp, 0);
    RectFill(rp, 0, 0, 639, 479);
    // Above 8 bits the fade-in shows the hidden page, which still holds the
    // picture: it is cleared as well, so the question comes on a clear screen.
    Screen *s = TitelScreenPtr;
    if (VekDisplay.VekScreen_Tiefe > 8 && s && s->FirstWindow && s->FirstWindow->NextWindow &&
        s->FirstWindow->NextWindow != s->FirstWindow) {
        RastPort *verdeckt = s->FirstWindow->NextWindow->RPort;
        SetAPen(verdeckt, 0);
        RectFill(verdeckt, 0, 0, 639, 479);
    }
    FadeIn();
    if (!GameExit()) std::printf("AnarchieScreen: Konnte Spiel nicht resetten !\n");
    FreeSounds(loaded);
    CloseFont(font);
    CloseKavorPic(499, 0);
    return -1;
}
