// The tavern: letters, going on and off the net, the store room with the
// updates, the slide show and the rune-stone game, with the barroom's sounds.
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "net/net.h"
#include "online/online.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"

ULONG TaverneAmbienteGespielt = 0;

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr ULONG kPicture = 59;
constexpr UWORD kAmbiente = 2, kChat = 3, kEintritt = 4, kWuerfel = 5;
constexpr ULONG kErsterAmbiente = 10;      // ticks before the first murmur
constexpr ULONG kEintrittNachlauf = 50;    // Delay ticks after the entry sound's end (1 s)

LONG Frage(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, 1, text, 7); }
void Hinweis(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, 0, text, 7); }

// The Delay ticks (20 ms) an effect lasts, from its sample bytes; 0 when it
// is not loaded.
ULONG EffektTicks(UWORD id)
{
    const SfxSound &s = UserSystem.Sfx;
    for (int i = 0; i < SFX_SLOTS; ++i) {
        if (s.SfxIdOnSlot[i] == id && s.SampleSlots[i]) return s.SfxLength[i] / (22050u * 2u / 50u) + 1;
    }
    return 0;
}

void NetzText(ScreenRegion *r, bool online)
{
    if (r->TitleBar && r->CountTitleBar > 1)
        r->TitleBar[1].Title = GetString(online ? &_VEK_TAVERNEBAR_NETWORKOFF : &_VEK_TAVERNEBAR_NETWORKON);
}

bool Online() { return (UserSystem.VekFlags & VEKFLAG_ONLINE) != 0; }

}  // namespace

BOOL LoadTaverneScreenSfx()
{
    if (!OpenKavorSfx(kSfxPath, kEintritt)) return 0;
    SfxPlayer(kEintritt, 0, 0);
    const BOOL ok = OpenKavorSfx(kSfxPath, kAmbiente) && OpenKavorSfx(kSfxPath, kChat) && OpenKavorSfx(kSfxPath, kWuerfel);
    // The entry sound plays out, but never longer than it lasts plus a
    // second: a silent driver or effects switched off never report an end.
    const ULONG grenze = EffektTicks(kEintritt);
    if (grenze) {
        for (ULONG t = 0; t < grenze + kEintrittNachlauf && !IsSfxReady(kEintritt); ++t) Delay(1);
    }
    CloseKavorSfx(kEintritt);
    return ok;
}

void FreeTaverneScreenSfx()
{
    CloseKavorSfx(kWuerfel);
    CloseKavorSfx(kChat);
    CloseKavorSfx(kAmbiente);
}

WORD TaverneScreen()
{
    std::printf("Routine: TaverneScreen\n");
    ScreenRegion *region = GetScreenRegion("./Data/screendat/Taverne.dat", SR_TITLEBAR | SR_GADGETDATA);
    if (!region) {
        std::printf("TaverneScreen: Kann TitelbarDaten nicht laden!\n");
        return -1;
    }
    NetzText(region, Online());
    switch (Wuerfel(2)) {
    case 0: PlayCDTrack(nullptr, 0, 8, 8); break;
    case 1: PlayCDTrack(nullptr, 0, 3, 3); break;
    default: break;
    }
    if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("TaverneScreen: Kann Hintergrund nicht laden!\n");
        ClearScreenRegion(region);
        return -1;
    }
    if (!LoadTaverneScreenSfx()) {
        std::printf("TaverneScreen: Konnte SFX nicht laden!\n");
        FreeTaverneScreenSfx();
        CloseKavorPic(kPicture, 1);
        ClearScreenRegion(region);
        return -1;
    }
    TextFont *font = OpenDiskFont("Fonts/KavorC1.fnt");
    if (!font) {
        std::printf("TaverneScreen: Konnte Font nicht laden!\n");
        FreeTaverneScreenSfx();
        CloseKavorPic(kPicture, 1);
        ClearScreenRegion(region);
        return -1;
    }
    FadeIn();
    RastPort *rp = DisplayRastPort();
    DrawAllGadgets(rp, region);

    WORD next = 0;
    ULONG ticks = 0, ziel = kErsterAmbiente;
    while (!next) {
        if (region->TitleBar) CheckTitleBar(region->TitleBar, font, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) {
            if (++ticks >= ziel) {
                SfxPlayer(kAmbiente, 0, 0);
                ++TaverneAmbienteGespielt;
                ticks = 0;
                ziel = Wuerfel(5) * 20 + 20;
            }
            continue;
        }
        GadgetData *g = CheckGadgets(rp, region, code);
        const ULONG id = code == KEY_ESCAPE ? GADGET_EXIT : g ? g->ReturnID : 0;
        if (!id) continue;
        if (id == GADGET_EXIT) {
            next = 39;
        } else if (id == MakeGadgetID("CHAT")) {
            SfxPlayer(kChat, 0, 0);
            char wahl[2][REQ_LINE_SIZE] = {};
            std::snprintf(wahl[0], sizeof wahl[0], "Online-Chat");
            std::snprintf(wahl[1], sizeof wahl[1], "Mail-Editor");
            const LONG w = SwitchBox(2, wahl[0]);
            if (w == 1) Hinweis(GetString(&_VEK_ZUKUNFT_ERWEITERT));
            else if (w == 2) TaverneOfflineChat();
        } else if (id == MakeGadgetID("NETW")) {
            if ((UBYTE)UserSystem.TCPIP_ID == 4) continue;
            if (Online()) {
                if (Frage(GetString(&_VEK_TAVERNE_TEXT3)) == 0 && GoOffline() == 1) NetzText(region, false);
            } else {
                if (Frage(GetString(&_VEK_TAVERNE_TEXT2)) == 0 && GoOnline() == 1) NetzText(region, true);
            }
        } else if (id == MakeGadgetID("STOR")) {
            next = 61;
        } else if (id == MakeGadgetID("TEST")) {
            const bool texte = Frage(GetString(&_VEK_TAVERNE_TEXT1)) == 0;
            PlayCDTrack(nullptr, 0, 4, 4);
            CloseKavorPic(kPicture, 1);
            const int show = SlideShow(texte);
            if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) std::printf("TaverneScreen: Kann Hintergrund nicht laden!\n");
            FadeIn();
            DrawAllGadgets(rp, region);
            PlayCDTrack(nullptr, 0, 2, 3);
            if (show) next = (WORD)show;
        } else if (id == MakeGadgetID("TOWN")) {
            if (Online() && GoOffline() == 1) NetzText(region, false);
            next = 39;
        } else if (id == MakeGadgetID("WUER")) {
            SfxPlayer(kWuerfel, 0, 0);
            RuneStone();
        }
    }
    CloseFont(font);
    FreeTaverneScreenSfx();
    CloseKavorPic(kPicture, 1);
    ClearScreenRegion(region);
    return next;
}
