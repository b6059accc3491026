// Screen 152: the barracks. The picture with the smith, his smoke and the
// waterfall moving, the drill ground's sounds now and then; the three unit
// types open the management requester, the drill ground the training, the
// smith the weapons; on to the map, the town and the secret service.
#include <cstdio>

#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/screen.h"
#include "map/kartenscreen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "military/kaserne.h"
#include "military/military.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/system.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr UWORD kPicture = 152;
constexpr UWORD kSfx[] = {49, 51, 52, 53, 54, 55, 56, 57, 77};
constexpr UWORD kMusik = 49, kKarte = 57;
struct Film {
    const char *Datei;
    UWORD X, Y, Speed;
};
constexpr Film kFilme[KASERNE_MOVIES] = {{"./Anims/KaserneSchmied.cban", 528, 320, 4},
                                         {"./Anims/KaserneSchmiedeRauch.cban", 560, 110, 4},
                                         {"./Anims/KaserneWasserfall.cban", 352, 120, 2}};
constexpr signed char kPlayFlags = 68;

bool Tief() { return VekDisplay.VekScreen_Tiefe > 8; }

}  // namespace

void KaserneMoviesPause(KaserneScreenDaten *st, BOOL pause)
{
    for (st_Movie *m : st->Movies)
        if (m) PauseMovie(m, pause ? 1 : 0);
}

BOOL KaserneOk(KaserneScreenDaten *st)
{
    if (Tief()) KartenScreenUnlockSetup();
    const BOOL ok = WriteKasernenData(&st->Daten);
    if (!ok) std::printf("WriteKaserneData: Die Befehle konnten nicht gespeichert werden!\n");
    if (Tief()) KartenScreenNewSetup(1);
    return ok;
}

WORD KaserneScreen()
{
    std::printf("Routine: KaserneScreen\n");
    switch (Wuerfel(2)) {
    case 0: PlayCDTrack(nullptr, 0, 15, 15); break;
    case 1: PlayCDTrack(nullptr, 0, 10, 10); break;
    default: break;
    }
    if (OpenKavorPic(kPath, kPicture, 0) < 0) {
        std::printf("KaserneScreen : Konnte Kasernen Grafik nicht laden \n");
        return 0;
    }
    auto *st = new KaserneScreenDaten{};
    ScreenRegion *region = nullptr;
    size_t sfx = 0;
    WORD next = 0;
    bool run = false;
    if (!InitKasernenData(&st->Daten)) {
        // Every rule needs the town: back to it.
        std::printf("KasernenScreen : Konnte den Kasernen-Screen nicht initialisieren!\n");
        next = 39;
    } else if ([&] {
                   for (; sfx < sizeof kSfx / sizeof kSfx[0]; ++sfx)
                       if (!OpenKavorSfx(kSfxPath, kSfx[sfx])) return false;
                   return true;
               }() == false) {
        std::printf("LoadKasernenSfx : Konnte Sound-FX nicht \366ffnen!\n");
        std::printf("KasernenScreen : Konnte die Kasernen-Samples nicht laden!\n");
    } else if (!(st->MovieBase = AllocMovieBase(TitelScreenPtr, 0, 0, 0))) {
        std::printf("InitKaserneAnims: AllocMovieBase fehlgeschlagen...\n");
        std::printf("KasernenScreen : Konnte Anims nicht laden !\n");
    } else if (!(st->FontA = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("KaserneScreen : Konnte Font nicht Laden !\n");
    } else if (!(st->FontB = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("KaserneScreen : Konnte Font nicht Laden(Helvetica)\n");
    } else if (!(st->FontC = OpenDiskFont("Fonts/XHelvetica9.fnt"))) {
        std::printf("KaserneScreen : Konnte Font nicht Laden(Helvetica, klein)\n");
    } else if (!(region = GetScreenRegion("./Data/screendat/Kaserne.dat", SR_TITLEBAR | SR_GADGETDATA))) {
        std::printf("KaserneScreen : Konnte Externe Daten nicht laden!\n");
    } else {
        run = true;
    }
    if (run) {
        for (int i = 0; i < KASERNE_MOVIES; ++i) {
            st->Movies[i] = LoadMovie(st->MovieBase, kFilme[i].Datei, nullptr, nullptr);
            if (st->Movies[i]) PlayMovie(st->MovieBase, st->Movies[i], kFilme[i].X, kFilme[i].Y, kPlayFlags, kFilme[i].Speed);
        }
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, st->FontB);
        DrawAllGadgets(rp, region);
        FadeIn();
        SfxPlayer(kMusik, 0, 1);
    }
    ULONG zaehler = 0, intervall = 100;
    while (run) {
        CheckTitleBar(region->TitleBar, st->FontA, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) {
            if (++zaehler >= intervall) {
                SfxPlayer((UWORD)(51 + Wuerfel(6)), 0, 0);
                zaehler = 0;
                intervall = 5 * Wuerfel(5) + 5;
            }
            continue;
        }
        if (code == KEY_ESCAPE) {
            next = 39;
            break;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), region, code);
        const ULONG id = g ? g->ReturnID : 0;
        if (id == MakeGadgetID("ARTI") || id == MakeGadgetID("INFA") || id == MakeGadgetID("KAVA")) {
            st->Daten.ArmeeTyp = id == MakeGadgetID("ARTI") ? KASERNE_ARTILLERIE
                                 : id == MakeGadgetID("INFA") ? KASERNE_INFANTERIE
                                                              : KASERNE_KAVALLERIE;
            if (ArmyManagment(st)) {
                next = 39;
                break;
            }
        } else if (id == MakeGadgetID("TRAI") || id == MakeGadgetID("SCHM")) {
            // Orders that could not be written send the player back to the town.
            const bool fehler = id == MakeGadgetID("TRAI") ? ArmyTraining(st) != 0 : ArmyWeapons(st) == 0;
            if (fehler) {
                next = 39;
                break;
            }
        } else if (id == MakeGadgetID("GEHE")) {
            next = 278;
            break;
        } else if (id == MakeGadgetID("KART")) {
            SfxPlayer(kKarte, 0, 0);
            next = 3;
            break;
        } else if (id == MakeGadgetID("STAD")) {
            next = 39;
            break;
        }
    }
    if (sfx > 0) StopSfx(kMusik);
    for (st_Movie *m : st->Movies)
        if (m) UnloadMovie(st->MovieBase, m);
    if (st->MovieBase) FreeMovieBase(st->MovieBase);
    FreeAllGadgets();
    if (region) ClearScreenRegion(region);
    CloseFont(st->FontC);
    CloseFont(st->FontB);
    CloseFont(st->FontA);
    for (size_t i = 0; i < sfx; ++i) CloseKavorSfx(kSfx[i]);
    FreeKasernenData(&st->Daten);
    delete st;
    CloseKavorPic(kPicture, run ? 1 : 0);
    return next;
}
