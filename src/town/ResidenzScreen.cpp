// Screens 2 and 1139: the residence, hub of every turn. The player fetches
// and sends turns here and opens the realm's screens; the alchemist and the
// scribe move in the background and the advisor comments now and then.
#include <cstdio>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/residenz.h"
#include "town/town.h"
#include "turn/turn.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr UWORD kPicture = 2;
constexpr UWORD kLoopSfx = 125;
constexpr LONG kRatX = 16, kRatY = 439, kRatW = 32, kRatH = 37;
constexpr LONG kRollX = 448, kRollY = 384, kRollW = 52, kRollH = 43;
constexpr ULONG kRatGfx = 1082;
constexpr ULONG kRollGfx[3] = {1034, 1035, 1036};

struct GadgetZiel {
    const char code[5];
    LONG screen;
};
constexpr GadgetZiel kZiele[] = {{"DIPL", 34}, {"EXIT", 1},  {"MAP ", 3},  {"MESS", 33}, {"OPTI", 133},
                                 {"REGI", 32}, {"REPO", 36}, {"RESA", 35}, {"SPEC", 38}, {"STAT", 41},
                                 {"TAX ", 42}, {"TOWN", 39}, {"TREE", 40}};

// A saved area drawn back, then saved again for the next time.
void Restore(BitMap **saved, LONG x, LONG y, LONG w, LONG h)
{
    if (!*saved) return;
    ScreenRestoreClip(*saved, x, y, w, h);
    *saved = ScreenSaveClip(x, y, w, h);
}

void DrawGfx(ULONG n, LONG x, LONG y, LONG w, LONG h)
{
    if (OpenKavorGfx(kPath, n) != 1) return;
    BlitObjekt(nullptr, n, x, y, w, h);
    CloseKavorGfx(n);
}

}  // namespace

// A turn came in: scroll and advisor show its state, then what follows it.
// No story (0, a failed file) keeps the player here like nothing new (-1).
static LONG AfterTurn(LokaleDatenResidenzScreen *ld)
{
    ShowSchriftrollen(ld);
    ShowRat(ld);
    ld->GotSpielzug = 1;
    const LONG next = ResidenzEvents();
    return next == 0 ? -1 : next;
}

// The advisor stays away while the server says so (INFO Misc bit 0).
void ShowRat(LokaleDatenResidenzScreen *ld)
{
    if (!IsChunkPresent(ChunkBit(CN_INFO), POOL_IN)) return;
    auto *info = (st_INFO *)LoadChunk2Mem(ID_INFO, POOL_IN);
    if (!info) return;
    if (info->Misc & 1)
        Restore(&ld->RatBackground, kRatX, kRatY, kRatW, kRatH);
    else
        DrawGfx(kRatGfx, kRatX, kRatY, kRatW, kRatH);
    FreeVec(info);
}

// The scrolls on the desk: one per turn sent, at most three.
void ShowSchriftrollen(LokaleDatenResidenzScreen *ld)
{
    ULONG sent = 0;
    CheckPrefsRead(15, &sent);
    if (sent == 0)
        Restore(&ld->Background, kRollX, kRollY, kRollW, kRollH);
    else
        DrawGfx(kRollGfx[sent > 2 ? 2 : sent - 1], kRollX, kRollY, kRollW, kRollH);
}

void CheckResidenzSfx(LokaleDatenResidenzScreen *ld)
{
    if (ld->LastSfx) {
        if (!IsSfxReady(ld->LastSfx)) return;
        CloseKavorSfx(ld->LastSfx);
        ld->LastSfx = 0;
    }
    const UWORD sfx = ResidenzSfxFor(ld, Wuerfel(6));
    if (sfx && OpenKavorSfx(kSfxPath, sfx)) {
        SfxPlayer(sfx, 0, 0);
        ld->LastSfx = sfx;
    }
}

BOOL InitResidenzAnims(LokaleDatenResidenzScreen *ld)
{
    auto *mb = AllocMovieBase(TitelScreenPtr, 0, 0, 0);
    if (!mb) {
        std::printf("InitResidenzAnims: AllocMovieBase fehlgeschlagen...\n");
        return 0;
    }
    ld->MovieBase = mb;
    // A missing animation is left out; the residence works without it.
    // Both loop with scrambled headers (68) at a frame a second, as the
    // other screens' movies do: without the scramble flag not one frame of
    // them decodes.
    if (st_Movie *m = LoadMovie(mb, "./Anims/ResidenzAlchemie.cban", nullptr, nullptr)) {
        PlayMovie(mb, m, 512, 70, 68, 1);
        ld->Movie1 = m;
    }
    if (st_Movie *m = LoadMovie(mb, "./Anims/ResidenzSchreiber.cban", nullptr, nullptr)) {
        PlayMovie(mb, m, 480, 252, 68, 1);
        ld->Movie2 = m;
    }
    return 1;
}

void FreeResidenzAnims(LokaleDatenResidenzScreen *ld)
{
    if (ld->MovieBase) FreeMovieBase((st_MovieBase *)ld->MovieBase);
    ld->MovieBase = ld->Movie1 = ld->Movie2 = nullptr;
}

BOOL ReadResidenzScreenData(LokaleDatenResidenzScreen *ld)
{
    std::printf("Routine: ReadResidenzScreenData\n");
    ld->RatBackground = ScreenSaveClip(kRatX, kRatY, kRatW, kRatH);
    ld->Background = ScreenSaveClip(kRollX, kRollY, kRollW, kRollH);
    ShowRat(ld);
    ShowSchriftrollen(ld);
    // A chunk marked present but unreadable counts as absent: failing here
    // would end the program at every start and put DOWN out of reach.
    if (!ReadResidenzChunks(ld)) std::printf("ResidenzScreen: Konnte Daten nicht \xF6" "ffnen !\n");
    std::printf("Routine: ReadResidenzScreenData ende\n");
    return 1;
}

LONG ResidenzScreen()
{
    std::printf("Routine: ResidenzScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 2, 2);
    if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("ResidenzScreen: Konnte Pic nicht laden!\n");
        CloseKavorPic(kPicture, 0);
        return -1;
    }
    auto *ld = static_cast<LokaleDatenResidenzScreen *>(AllocVec(sizeof(LokaleDatenResidenzScreen), MEMF_CLEAR));
    ld->InitStatus = (UWORD)CheckPrefs(0, PREFS_READ, 0);
    ReadResidenzScreenData(ld);
    LONG next = -1;
    ScreenRegion *region = nullptr;
    TextFont *font = nullptr;
    bool sound = false, anims = false;
    if (!(region = GetScreenRegion("./Data/screendat/Residenz1.dat", SR_TITLEBAR | SR_GADGETDATA | SR_RECHTECK))) {
        std::printf("ResidenzScreen: Kann TitelbarDaten nicht laden!\n");
    } else if (!(font = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("ResidenzScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
    } else if (!(sound = OpenKavorSfx(kSfxPath, kLoopSfx))) {
        std::printf("LoadResidenzScreenSfx : Konnte Sound-FX nicht \xF6" "ffnen!\n");
    } else if (!(anims = InitResidenzAnims(ld))) {
        // printed by InitResidenzAnims
    } else {
        RastPort *rp = DisplayRastPort();
        DrawAllGadgets(rp, region);
        ShowRat(ld);
        FadeIn();
        SfxPlayer(kLoopSfx, 0, 1);
        if (TurnIsOld(ld)) {
            next = AfterTurn(ld);
        }
        if (next == -1) {
            ULONG fresh = 0;
            CheckPrefsRead(35, &fresh);
            ULONG step = 0;
            CheckPrefsRead(30, &step);
            if (fresh) {
                ShowTutorial(ld);
                CheckPrefsWrite(35, 0);
            } else if (step > 17) {
                ShowTipps(ld);
            } else {
                ShowTutorial(ld);
            }
        }
        ULONG ticks = 0, interval = 100;
        while (next == -1) {
            CheckTitleBar(region->TitleBar, font, 7);
            const ULONG code = GetKey(GETKEY_TICKS | 0x01);
            if (code == EVENT_TICK) {
                if (++ticks >= interval) {
                    CheckResidenzSfx(ld);
                    ticks = 0;
                    interval = Wuerfel(5) * 10 + 10;
                }
                continue;
            }
            GadgetData *g = CheckGadgets(rp, region, code);
            if (!g) continue;
            const ULONG id = g->ReturnID;
            if (id == MakeGadgetID("DOWN")) {
                if (ResidenzDownload(ld->Movie1, ld->Movie2) == 1) {
                    next = AfterTurn(ld);
                }
            } else if (id == MakeGadgetID("UPL ")) {
                ResidenzUpload();
                ShowSchriftrollen(ld);
            } else {
                for (const GadgetZiel &z : kZiele)
                    if (id == MakeGadgetID(z.code)) next = z.screen;
            }
        }
    }
    const bool failed = !anims;
    if (ld->LastSfx) CloseKavorSfx(ld->LastSfx);
    FreeResidenzAnims(ld);
    FreeAllGadgets();
    if (sound) {
        StopSfx(kLoopSfx);
        CloseKavorSfx(kLoopSfx);
    }
    CloseFont(font);
    ClearScreenRegion(region);
    FreeBitMap(ld->Background);
    FreeBitMap(ld->RatBackground);
    FreeVec(ld);
    CloseKavorPic(kPicture, failed ? 0 : 1);
    return failed ? -1 : next;
}
