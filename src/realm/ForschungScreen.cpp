// Screen 35: research. The seven fields each open a requester with the
// field's picture, level, progress and the advisers' text for the next
// level; Ok there starts one research a turn by putting the FORS record into
// the orders pool. A fountain plays and now and then it rains.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "media/wetterregen.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/reichsregeln.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kLayout = "./Data/screendat/Forschung.dat";
constexpr const char *kReqLayout = "./Data/screendat/ForschungReq.dat";
constexpr const char *kBrunnen = "./Anims/Brunnen.cban";
constexpr UWORD kPicture = 35, kReqGfx = 162;
constexpr UWORD kSfxAmbiente = 25, kSfxSchleife = 26;
constexpr UWORD kSfx[3] = {kSfxAmbiente, kSfxSchleife, REGEN_SFX};
constexpr ULONG kMaske = SR_TITLEBAR | SR_GADGETDATA;
constexpr ULONG kReqMaske = SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_RECHTECK | SR_PUNKT;
constexpr LONG kReqX = 62, kReqY = 45, kReqW = 516, kReqH = 390;
constexpr int kZeilenAbstand = 14;

// What the rain spares: the title bar and the fountain; with the requester
// open, its box too.
Rechteck kVerschont[] = {{0, 0, 639, 20}, {384, 275, 448, 339}, {0xFFFF, 0, 0, 0}};
Rechteck kVerschontReq[] = {{0, 0, 639, 20}, {384, 275, 448, 339}, {62, 45, 577, 434}, {0xFFFF, 0, 0, 0}};
// With the information's text box over the requester.
Rechteck kVerschontInfo[] = {{0, 0, 639, 20},    {384, 275, 448, 339}, {62, 45, 577, 434},
                             {66, 50, 572, 430}, {0xFFFF, 0, 0, 0}};

void AdvisorMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, text, 7); }
LONG AdvisorAsk(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, text, 7); }

struct LokaleDatenForschungsScreen {
    BOOL NotFirstTime;
    ULONG AnzahlVolk, Vertrauen;
    UWORD InitStatus;
    UWORD Wetter;
    WetterRegen Regen;
    st_FORS Fors;
    TextFont *Font11, *FontKavor, *Font9;
    ScreenRegion *Region;
    st_MovieBase *MovieBase;
    st_Movie *Movie;
    VekRequester *Requester;
    ScreenRegion *ReqRegion;  // the requester's description, read at its first opening
};

// The FORS record from the orders, else the received pool, else a new one;
// LAND and KORN from the received pool.
BOOL ReadForschungsScreenData(LokaleDatenForschungsScreen *ld)
{
    ld->InitStatus = (UWORD)CheckPrefs(0, PREFS_READ, 0);
    ld->Fors = NeueForschung();
    const char *pool = IsChunkPresent(ChunkBit(CN_FORS), POOL_OUT)  ? POOL_OUT
                       : IsChunkPresent(ChunkBit(CN_FORS), POOL_IN) ? POOL_IN
                                                                    : nullptr;
    if (pool) {
        auto *f = (st_FORS *)LoadChunk2Mem(ID_FORS, pool);
        if (!f) {
            std::printf("ReadForschungsScreenData : Konnte FoschungsChunk nicht \366ffnen \n");
            return 0;
        }
        // The fields as read; the head is this record's own, whatever length
        // the pool gave it, so that writing it back gives a sound chunk.
        const st_ChunkHead kopf = ld->Fors.Head;
        std::memcpy(&ld->Fors, f, sizeof ld->Fors);
        ld->Fors.Head = kopf;
        FreeVec(f);
    }
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    if (!land) {
        std::printf("ReadForschungsScreenData : Konnte LandChunk nicht \366ffnen !");
        return 0;
    }
    ld->AnzahlVolk = land->AnzVolk;
    ld->Vertrauen = land->Vertrauen;
    FreeVec(land);
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
    if (!korn) {
        std::printf("ReadForschungsScreenData : Konnte KornChunk nicht \366ffnen !");
        return 0;
    }
    ld->Wetter = korn->Wetter;
    FreeVec(korn);
    return 1;
}

const Rechteck *Box(ScreenRegion *r, ULONG i) { return r && i < r->CountRechteck ? &r->Rechteck[i] : nullptr; }

// Draws the requester for field feld into a copy of its area and shows it.
BOOL InitAllThingsForschung(LokaleDatenForschungsScreen *ld, ScreenRegion *r, int feld)
{
    BitMap *copy = ScreenSaveClip(kReqX, kReqY, kReqW, kReqH);
    if (!copy) {
        std::printf("ForschungsScreen: Konnte BitMap nicht allokieren!\n");
        return 0;
    }
    RastPort *rp = ScreenMakeClipRP(copy);
    if (!rp) {
        std::printf("ForschungsScreen: Konnte RastPort nicht allokieren!\n");
        FreeKavorBitMap(copy);
        return 0;
    }
    auto lokal = [](const Rechteck *b, LONG &x0, LONG &y0, LONG &x1, LONG &y1) {
        x0 = b->X0 - kReqX, y0 = b->Y0 - kReqY, x1 = b->X1 - kReqX, y1 = b->Y1 - kReqY;
    };
    BlitObjekt(rp, kReqGfx, 0, 0, kReqW, kReqH);
    LONG x0, y0, x1, y1;
    if (const Rechteck *b = Box(r, 5)) {
        lokal(b, x0, y0, x1, y1);
        BlitObjekt(rp, (ULONG)(FORSCHUNG_BILD_FELD + feld), x0, y0, 195, 155);
    }
    if (const Rechteck *b = Box(r, 6)) {
        lokal(b, x0, y0, x1, y1);
        BlitObjekt(rp, ForschungsFortschrittBild(ld->Fors, feld), x0, y0, 80, 60);
    }
    SetDrMd(rp, JAM1);
    if (const Rechteck *b = Box(r, 2)) {
        lokal(b, x0, y0, x1, y1);
        SetFont(rp, ld->FontKavor);
        PrintText(rp, (UWORD)x0, (UWORD)y0, (UWORD)x1, (UWORD)y1, GetStringFromID(192 + (ULONG)feld), 0, 7,
                  PT_CENTER | PT_VCENTER | PT_BASELINE);
    }
    if (!ld->NotFirstTime) {
        if (const Rechteck *b = Box(r, 1)) {
            lokal(b, x0, y0, x1, y1);
            SetFont(rp, ld->FontKavor);
            PrintText(rp, (UWORD)x0, (UWORD)y0, (UWORD)x1, (UWORD)y1, GetString(&_VEK_FORSCHUNG_FORSCHUNG), 0, 7,
                      PT_CENTER | PT_VCENTER | PT_BASELINE);
        }
        if (const Rechteck *b = Box(r, 4)) {
            lokal(b, x0, y0, x1, y1);
            SetFont(rp, ld->Font9);
            for (int f = 0; f < FORSCHUNG_FELDER; ++f) {
                const LONG y = y0 + kZeilenAbstand * f;
                PrintText(rp, (UWORD)x0, (UWORD)y, (UWORD)(x0 + 78), (UWORD)(y + 12), GetStringFromID(192 + (ULONG)f),
                          0, 7, PT_TOP);
                for (int j = 0; j < ForschungsStufeGezeigt(ld->Fors, f); ++j)
                    BlitObjekt(rp, (ULONG)(FORSCHUNG_BILD_MARKE + j), x0 + 80 + 9 * j, y, 7, 12);
            }
        }
    }
    const UBYTE stufe = ForschungsStufeGezeigt(ld->Fors, feld);
    for (UBYTE i = 0; i < stufe && r && i < r->CountPunkt; ++i)
        BlitObjekt(rp, (ULONG)(FORSCHUNG_BILD_STUFE + i), r->Punkt[i].X0 - kReqX, r->Punkt[i].Y0 - kReqY, 19, 30);
    ScreenRestoreClip(copy, kReqX, kReqY, kReqW, kReqH);
    FreeVec(rp);
    DrawAllGadgets(DisplayRastPort(), r);

    const Rechteck *t = Box(r, 3), *s = Box(r, 7);
    const int index = ForschungsTextIndex(feld, stufe);
    if (t && index >= 0) {
        ld->Requester = InitRequesterTextBox((UWORD)(t->X1 - t->X0), ld->Font11,
                                             GetStringFromID((ULONG)(FORSCHINFO_ERSTER + index)), t->X0, t->Y0,
                                             (UWORD)(t->X1 - t->X0), (UWORD)(t->Y1 - t->Y0), 11, 5, nullptr);
        if (!ld->Requester) {
            std::printf("TextBox : Konnte Requester nicht darstellen !\n");
            return 0;
        }
        if (s) InitSlider(ld->Requester, (UWORD)(s->X1 - s->X0), (UWORD)(s->Y1 - s->Y0), 26, 22, 25, 24, s->X0, s->Y0);
    }
    return 1;
}

void SetNewResearch(LokaleDatenForschungsScreen *ld, int feld)
{
    uint64_t kosten = 0;
    switch (ForschungPruefen(ld->Fors, feld, ld->AnzahlVolk, ld->Vertrauen, &kosten)) {
    case FS_LAEUFT_SCHON: ForschungDialogHooks.Message(GetString(&_VEK_FORSCHUNG_DEJA)); return;
    case FS_NICHT_HOEHER: ForschungDialogHooks.Message(GetString(&_VEK_FORSCHUNG_NOTHIGHER)); return;
    case FS_FRAGEN: break;
    }
    char frage[600];
    std::snprintf(frage, sizeof frage, "%s %u %s", GetString(&_VEK_FORSCHUNG_STARTFRAGE1),
                  (unsigned)ForschungsKostenGezeigt(kosten), GetString(&_VEK_FORSCHUNG_STARTFRAGE2));
    if (ForschungDialogHooks.Ask(frage) != 0) return;
    st_FORS neu = ld->Fors;
    ForschungStarten(&neu, feld);
    // Only a stored order counts as started.
    if (AddChunkPool(&neu, POOL_OUT))
        ld->Fors = neu;
    else
        std::printf("SetNewResearch: Konnte ForschungsChunk nicht speichern !\n");
}

// The requester of field feld; 0 when it could not be shown (the screen ends).
LONG DoForschungsRequester(LokaleDatenForschungsScreen *ld, int feld)
{
    if (!ld->ReqRegion && !(ld->ReqRegion = GetScreenRegion(kReqLayout, kReqMaske))) {
        std::printf("ForschungScreen: Kann Koordinaten nicht laden!\n");
        return 0;
    }
    ScreenRegion *r = ld->ReqRegion;
    BitMap *saved = ScreenSaveClip(kReqX, kReqY, kReqW, kReqH);
    if (!saved) {
        std::printf("ForschungsScreen: Konnte BitMap nicht allokieren!\n");
        return 0;
    }
    if (ld->Movie) PauseMovie(ld->Movie, 1);
    RegenVerschonen(&ld->Regen, kVerschontReq);
    LONG ergebnis = InitAllThingsForschung(ld, r, feld);
    ld->NotFirstTime = 1;
    while (ergebnis) {
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) {
            RegenTick(&ld->Regen, (UBYTE)ld->Wetter);
            continue;
        }
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), r, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == GADGET_EXIT) break;
        if (id == MakeGadgetID("OKOK")) {
            SetNewResearch(ld, feld);
            break;
        }
        if (id == MakeGadgetID("INFO")) {
            RegenVerschonen(&ld->Regen, kVerschontInfo);
            ForschungDialogHooks.Text(GetString(&_VEK_FORSCHUNG_INFORMATION));
            RegenVerschonen(&ld->Regen, kVerschontReq);
        } else if (ld->Requester && id == MakeGadgetID("SL00")) {
            SetSlider(ld->Requester, (UWORD)std::max<LONG>(GetMouseY(), 0));
            SetRequesterBox(ld->Requester, 0, 0);
        } else if (ld->Requester && (id == MakeGadgetID("UP00") || id == MakeGadgetID("DO00"))) {
            SetSlider(ld->Requester, id == MakeGadgetID("UP00") ? SLIDER_UP10 : SLIDER_DOWN10);
            SetRequesterBox(ld->Requester, 0, 0);
        }
    }
    ClearRequester(ld->Requester);
    ld->Requester = nullptr;
    ScreenRestoreClip(saved, kReqX, kReqY, kReqW, kReqH);
    RegenVerschonen(&ld->Regen, kVerschont);
    if (ld->Movie) PauseMovie(ld->Movie, 0);
    return ergebnis;
}

}  // namespace

ReichDialoge ForschungDialogHooks = {AdvisorMessage, AdvisorAsk, TextBox};

LONG ForschungScreen()
{
    std::printf("Routine: ForschungScreen\n");
    auto *ld = new LokaleDatenForschungsScreen{};
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 4, 4);
    bool bild = false, laeuft = false, gfx = false;
    int sfx = 0, marken = 0;
    if (!(bild = OpenKavorPic(kPath, kPicture, PIC_NOFADE) >= 0)) {
        std::printf("ForschungsScreen: Konnte Pic nicht laden!\n");
    } else if (!ReadForschungsScreenData(ld)) {
        // printed where it failed
    } else if (!(ld->Font11 = OpenDiskFont("./Fonts/XHelvetica11.fnt")) ||
               !(ld->FontKavor = OpenDiskFont("./Fonts/KavorC1.fnt")) ||
               !(ld->Font9 = OpenDiskFont("./Fonts/XHelvetica9.fnt"))) {
        std::printf("ForschungScreen: Konnte Font nicht laden!\n");
    } else if (!(ld->Region = GetScreenRegion(kLayout, kMaske))) {
        std::printf("ForschungScreen: Kann TitelbarDaten nicht laden!\n");
    } else if ([&] {
                   for (; sfx < 3; ++sfx)
                       if (!OpenKavorSfx(kSfxPath, kSfx[sfx])) return false;
                   return true;
               }() == false) {
        std::printf("ForschungScreen: Konnte Sound nicht laden !\n");
    } else if (!(gfx = OpenKavorGfx(kPath, kReqGfx) == 1) || [&] {
                   // Field pictures, progress, levels and marks for the requester.
                   for (UWORD n = FORSCHUNG_BILD_FELD; n < FORSCHUNG_BILD_MARKE + 7; ++n, ++marken)
                       if (n != 191 && OpenKavorGfx(kPath, n) != 1) return true;
                   return false;
               }()) {
        std::printf("ForschungsScreen: Konnte Requester nicht \366ffnen!\n");
    } else {
        laeuft = true;
    }
    ld->MovieBase = laeuft ? AllocMovieBase(TitelScreenPtr, 0, 0, 0) : nullptr;
    if (laeuft) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, ld->Font11);
        DrawAllGadgets(rp, ld->Region);
        if (ld->MovieBase && (ld->Movie = LoadMovie(ld->MovieBase, kBrunnen, nullptr, nullptr)))
            PlayMovie(ld->MovieBase, ld->Movie, 384, 275, 68, 5);
        FadeIn();
        SfxPlayer(kSfxSchleife, 0, 1);
        RegenStart(&ld->Regen, kVerschont);
    }
    LONG next = 2;
    ULONG klangTicks = 0, klangIntervall = 10;
    while (laeuft && ld->MovieBase) {
        CheckTitleBar(ld->Region->TitleBar, ld->FontKavor, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) {
            if (++klangTicks >= klangIntervall) {
                SfxPlayer(kSfxAmbiente, 0, 0);
                klangTicks = 0;
                klangIntervall = Wuerfel(5) * 20 + 20;
            }
            RegenTick(&ld->Regen, (UBYTE)ld->Wetter);
            continue;
        }
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), ld->Region, code);
        if (!g) continue;
        if (g->ReturnID == GADGET_EXIT) break;
        if (g->ReturnID < (ULONG)FORSCHUNG_FELDER && !DoForschungsRequester(ld, (int)g->ReturnID)) {
            next = -1;
            break;
        }
    }
    if (laeuft && !ld->MovieBase) next = -1;
    RegenEnde(&ld->Regen);
    StopSfx(kSfxSchleife);
    ClearRequester(ld->Requester);
    if (ld->MovieBase && ld->Movie) UnloadMovie(ld->MovieBase, ld->Movie);
    if (ld->MovieBase) FreeMovieBase(ld->MovieBase);
    for (int i = 0; i < marken; ++i)
        if (FORSCHUNG_BILD_FELD + i != 191) CloseKavorGfx((ULONG)(FORSCHUNG_BILD_FELD + i));
    if (gfx) CloseKavorGfx(kReqGfx);
    for (int i = 0; i < sfx; ++i) CloseKavorSfx(kSfx[i]);
    FreeAllGadgets();
    if (ld->ReqRegion) ClearScreenRegion(ld->ReqRegion);
    if (ld->Region) ClearScreenRegion(ld->Region);
    CloseFont(ld->Font11);
    CloseFont(ld->FontKavor);
    CloseFont(ld->Font9);
    delete ld;
    if (bild) CloseKavorPic(kPicture, laeuft ? 1 : 0);
    return laeuft ? next : -1;
}
