// Screen 43: the building screen. The player browses the types the active
// town may have, reads what each needs and costs this turn, orders one,
// lists the sites of every town and orders demolitions; Ok writes the orders
// as one change, Exit forgets them.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "town/bauscreen.h"
#include "town/town.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/townenv.h"
#include "world/towns.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kLayout = "./Data/screendat/Bau.dat";
constexpr const char *kChooseBox = "./Data/screendat/ChooseBox.dat";
constexpr UWORD kPicture = 43;
constexpr ULONG kMaske = SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_DISPLAYSTATUSBOX;  // 39
constexpr UWORD kSfx[3] = {169, 170, 171};
constexpr LONG kNameX = 387, kNameY = 344, kNameW = 144, kNameH = 18;
constexpr LONG kBildX = 64, kBildY = 75, kBildX1 = 287, kBildY1 = 274;
constexpr UWORD kReqX = 349, kReqY = 74, kReqW = 226, kReqH = 262;
constexpr UWORD kSliderX = 583, kSliderY = 103, kSliderW = 14, kSliderH = 204;
enum Status { ST_GOLD, ST_DAUER, ST_KOSTEN, ST_VERTRAUEN, ST_PREIS, ST_HOLZ, ST_STEINE, ST_ANZAHL };

void AdvisorMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, text, 7); }
LONG AdvisorAsk(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, text, 7); }
LONG Choose(const char *heading, const char *lines, UWORD n, const char *info)
{
    return ChooseBox(kChooseBox, 432, 246, n, heading, lines, info);
}
char *Number(char *buffer, const char *prompt, const char *info)
{
    return EingabeBox(buffer, 168, 180, prompt, info, EINGABE_DIGITS);
}

// The order procedure asks through the screen's boxes.
void FrageMessage(const char *text) { BauDialogHooks.Message(text); }
BOOL FrageConfirm(const char *text) { return BauDialogHooks.Ask(text) == 0; }
const BauFragen kFragen = {FrageMessage, FrageConfirm};

void Pause(BauScreenDaten *st, BOOL pause)
{
    if (st->Movie) PauseMovie(st->Movie, pause ? 1 : 0);
}

void ShowStatus(BauScreenDaten *st, int box, const char *text)
{
    ScreenRegion *r = st->Region;
    if (!r || (ULONG)box >= r->CountDisplayStatusBox) return;
    PrintDisplayStatus(DisplayRastPort(), &r->DisplayStatusBox[box], text);
}

void ShowNumber(BauScreenDaten *st, int box, ULONG value)
{
    char t[24];
    std::snprintf(t, sizeof t, "%u", (unsigned)value);
    ShowStatus(st, box, t);
}

void ShowPair(BauScreenDaten *st, int box, ULONG need, ULONG held)
{
    char t[32];
    std::snprintf(t, sizeof t, "%u/%u", (unsigned)need, (unsigned)held);
    ShowStatus(st, box, t);
}

void ShowAllStatus(BauScreenDaten *st)
{
    const LokalDataBauScreen &d = st->Daten;
    ShowNumber(st, ST_GOLD, d.Gold);
    ShowNumber(st, ST_DAUER, d.Dauer);
    ShowNumber(st, ST_KOSTEN, d.Betriebskosten);
    ShowNumber(st, ST_VERTRAUEN, d.Vertrauen);
    ShowNumber(st, ST_PREIS, d.Preis);
    ShowPair(st, ST_HOLZ, d.Holz, d.AnzHolz);
    ShowPair(st, ST_STEINE, d.Steine, d.AnzSteine);
}

BOOL BrowseOk(UWORD slot, const void *ctx)
{
    const LokalDataBauScreen *d = (const LokalDataBauScreen *)ctx;
    return CheckTownEnv(d->AktiveStadt, d->ForschungsChunkPtr, slot, 0);
}

void ShowBaustellenData(BauScreenDaten *st)
{
    const std::string text = BaustellenText(&st->Daten);
    if (text.empty())
        BauDialogHooks.Message(GetString(&_VEK_BAUSCREEN_MESSAGE_NOBUILD));
    else
        BauDialogHooks.Text(text.c_str());
}

void SendBuildingDemolition(BauScreenDaten *st)
{
    LokalDataBauScreen &d = st->Daten;
    if (!d.GebaeudeChunkPtr) return;
    const AbrissListe liste = BuildAbrissListe(&d);
    // The choose box counts its lines in 16 bits.
    const size_t n = std::min<size_t>(liste.Zeilen.size(), 0xFFFF);
    std::vector<char> zeilen(n * REQ_LINE_SIZE, 0);
    for (size_t i = 0; i < n; ++i)
        std::snprintf(&zeilen[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", liste.Zeilen[i].c_str());
    const LONG wahl = BauDialogHooks.Choose(GetString(&_VEK_BAUSCREEN_ABRISS), zeilen.data(), (UWORD)n,
                                            GetString(&_VEK_BAUSCREEN_ABRISS_INFO));
    if (wahl < 0 || (size_t)wahl >= n) return;
    if (wahl < 3) {
        const ULONG anzahl[3] = {liste.Kornlager, liste.Muehlen, liste.Kontore};
        const UWORD art[3] = {0, 1, 98};
        if (anzahl[wahl] == 0) return;
        char buffer[EINGABE_MAX + 1] = {};
        const char *eingabe = BauDialogHooks.Number(buffer, GetString(&_VEK_BAUSCREEN_WIEVIELEABRISS),
                                                    GetString(&_VEK_BAUSCREEN_WIEVIELEABRISS_INFO));
        if (!eingabe) return;
        const unsigned long wieviele = std::strtoul(eingabe, nullptr, 10);
        BulkDemolition(&d, art[wahl], (ULONG)std::min<unsigned long>(wieviele, 0xFFFFFFFFul), anzahl[wahl]);
    } else {
        OrderDemolition(&d, liste.Einzeln[(size_t)wahl - 3]);
    }
}

void Order(BauScreenDaten *st)
{
    LokalDataBauScreen &d = st->Daten;
    if (!st->Bestellbar) {
        BauDialogHooks.Message(GetString(&_VEK_BAUSCREEN_VORRAUSSETZUNGEN));
        return;
    }
    if (InitBaustellenData(&d, &kFragen)) {
        ShowNumber(st, ST_GOLD, d.Gold);
        ShowPair(st, ST_HOLZ, d.Holz, d.AnzHolz);
        ShowPair(st, ST_STEINE, d.Steine, d.AnzSteine);
    }
}

// The first passes are quiet; then one of three sounds now and then.
struct Ambiente {
    ULONG zaehler = 1, intervall = 25;
    void Pass()
    {
        if (++zaehler < intervall) return;
        intervall = Wuerfel(5) * 4 + 4;
        SfxPlayer(kSfx[Wuerfel(2)], 0, 0);
        zaehler = 0;
    }
};

}  // namespace

BauDialoge BauDialogHooks = {AdvisorMessage, AdvisorAsk, TextBox, Choose, Number};

void SetBuilding(BauScreenDaten *st)
{
    LokalDataBauScreen &d = st->Daten;
    RastPort *rp = DisplayRastPort();
    const int row = BauRowOfSlot(d.GebaeudeID);
    d.RowValid = row >= 0;
    if (row >= 0) d.Gebaeude = (WORD)row;
    if (!GetBuildingData(&d)) return;
    const BaubaresGebaeude &g = BaubareGebaeude[d.Gebaeude];
    if (st->BitMapPtr) {
        ScreenRestoreClip(st->BitMapPtr, kNameX, kNameY, kNameW, kNameH);
        st->BitMapPtr = ScreenSaveClip(kNameX, kNameY, kNameW, kNameH);
        ScreenRegion *r = st->Region;
        if (r && r->CountLocaleTextBox) {
            const LocaleTextBox &t = r->LocaleTextBox[r->CountLocaleTextBox - 1];
            SetFont(rp, st->VekFont4Ptr);
            PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, GetString(g.Name), 0, 7, 37);
        }
    }
    SetAPen(rp, 0);
    RectFill(rp, kBildX, kBildY, kBildX1, kBildY1);
    UpdateRectangle(kBildX, kBildY, kBildX1 - kBildX + 1, kBildY1 - kBildY + 1);
    ClearRequester(st->RequesterPtr);
    st->RequesterPtr = nullptr;
    st->ReqString = BauInfoText(&d);
    // A slot without a row of its own has no price: it is never offered as orderable.
    st->Bestellbar = d.RowValid && CheckTownEnv(d.AktiveStadt, d.ForschungsChunkPtr, (UWORD)d.GebaeudeID, 1);
    st->RequesterPtr = InitRequesterTextBox(kReqW, st->VekFont4Ptr, st->ReqString.c_str(), kReqX, kReqY, kReqW, kReqH,
                                            st->Bestellbar ? 11 : 16, st->Bestellbar ? 7 : 9, nullptr);
    if (!st->RequesterPtr) {
        std::printf("SetBuilding : Konnte Requester nicht anlegen\n");
        return;
    }
    if (!InitSlider(st->RequesterPtr, kSliderW, kSliderH, 26, 22, 25, 24, kSliderX, kSliderY)) {
        std::printf("SetBuilding : Konnte Slider nicht anlegen\n");
        return;
    }
    ShowAllStatus(st);
    if (!st->AlreadyFadeIn) {
        FadeIn();
        st->AlreadyFadeIn = 1;
    }
    if (!st->MovieBase) return;
    st->Movie = AnimateGebaeude(st->MovieBase, st->Movie, (UWORD)d.GebaeudeID, kBildX, kBildY);
    if (!st->Movie && SetKavorPalette(kPath, g.Bild, 0, 0, 0) && OpenKavorGfx(kPath, g.Bild) == 1) {
        BlitObjekt(rp, g.Bild, kBildX, kBildY, 0, 0);
        CloseKavorGfx(g.Bild);
    }
}

void CheckBuildingEnv(BauScreenDaten *st, int richtung)
{
    LokalDataBauScreen &d = st->Daten;
    d.GebaeudeID = BauBrowse(d.GebaeudeID, richtung, BrowseOk, &d);
}

LONG BauScreen()
{
    std::printf("Routine: BauScreen\n");
    auto *st = new BauScreenDaten{};
    InitBauScreenData(&st->Daten);
    LokalDataBauScreen &d = st->Daten;
    int sfx = 0;
    bool picture = false, run = false;
    if (!ReadBauScreenData(&d)) {
        std::printf("BauScreen: Kann lokale Daten nicht initialisieren !\n");
    } else if ([&] {
                   for (; sfx < 3; ++sfx)
                       if (!OpenKavorSfx(kSfxPath, kSfx[sfx])) return false;
                   return true;
               }() == false) {
        std::printf("LoadBauScreenSfx : Konnte Sound-FX nicht \366ffnen!\n");
        std::printf("BauScreen: Kann Audio-Daten nicht laden !\n");
    } else if (!(st->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("BauScreen: Konnte Font nicht laden!\n");
    } else if (!(st->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("BauScreen: Konnte Kavor-Font nicht \366ffnen !");
    } else if (!(st->Region = GetScreenRegion(kLayout, kMaske))) {
        std::printf("BauScreen: Kann TitelbarDaten nicht laden!\n");
    } else if (!(d.AktiveStadt = GetActiveTown((LONG)PlayerInfo.AktStadtID))) {
        std::printf("BauScreen: Konnte Stadt nicht laden!\n");
    } else {
        if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 7, 7);
        picture = OpenKavorPic(kPath, kPicture, PIC_NOFADE) >= 0;
        if (!picture) std::printf("BauScreen: Konnte Pic nicht \366ffnen!\n");
        run = picture;
    }
    if (run) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, st->VekFont4Ptr);
        DrawAllGadgets(rp, st->Region);
        st->MovieBase = AllocMovieBase(TitelScreenPtr, 0, 0, 0);
        if (!st->MovieBase) std::printf("InitAllThings : AllocMovieBase fehlgeschlagen...\n");
        st->BitMapPtr = ScreenSaveClip(kNameX, kNameY, kNameW, kNameH);
        if (!st->BitMapPtr) std::printf("InitAllThings BauScreen: Kann Bitmap nicht initialisieren !\n");
        for (ULONG i = 0; i + 1 < st->Region->CountLocaleTextBox; ++i) {
            const LocaleTextBox &t = st->Region->LocaleTextBox[i];
            PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, 37);
        }
        // The granary first, whatever the town offers.
        d.Gebaeude = 0;
        d.GebaeudeID = 0;
        SetBuilding(st);
        if (!st->AlreadyFadeIn) {
            FadeIn();
            st->AlreadyFadeIn = 1;
        }
        CheckTitleBar(st->Region->TitleBar, st->VekFontPtr, 6);
    }
    LONG next = 39;
    Ambiente ambiente;
    while (run && !st->Fertig) {
        const ULONG code = GetKey(GETKEY_TICKS);
        GadgetData *g = code == EVENT_TICK ? nullptr : CheckGadgets(DisplayRastPort(), st->Region, code);
        const ULONG id = g ? g->ReturnID : 0;
        if (id == MakeGadgetID("RE00") || id == MakeGadgetID("LE00")) {
            const int richtung = id == MakeGadgetID("RE00") ? 1 : -1;
            d.GebaeudeID = (WORD)(d.GebaeudeID + richtung);
            CheckBuildingEnv(st, richtung);
            SetBuilding(st);
        } else if (id == MakeGadgetID("OK00")) {
            Pause(st, 1);
            Order(st);
            Pause(st, 0);
        } else if (id == MakeGadgetID("ABRI")) {
            Pause(st, 1);
            SendBuildingDemolition(st);
            Pause(st, 0);
        } else if (id == MakeGadgetID("BA00")) {
            Pause(st, 1);
            ShowBaustellenData(st);
            Pause(st, 0);
        } else if (id == MakeGadgetID("INFO")) {
            Pause(st, 1);
            BauDialogHooks.Text(GetString(&_VEK_BAUSCREEN_INFORMATION));
            Pause(st, 0);
        } else if (id == MakeGadgetID("OKOK")) {
            Pause(st, 1);
            // A failed write changed nothing: the orders stay on the screen.
            if (WriteBauScreenData(&d)) st->Fertig = 1;
            else std::printf("BauScreen: Die Auftr\344ge konnten nicht gespeichert werden !\n");
            Pause(st, 0);
        } else if (id == GADGET_EXIT) {
            st->Fertig = 1;
        } else if (st->RequesterPtr && id == MakeGadgetID("SL00")) {
            SetSlider(st->RequesterPtr, (UWORD)std::max<LONG>(GetMouseY(), 0));
            SetRequesterBox(st->RequesterPtr, 0, 0);
        } else if (st->RequesterPtr && (id == MakeGadgetID("UP00") || id == MakeGadgetID("UP01"))) {
            SetSlider(st->RequesterPtr, id == MakeGadgetID("UP00") ? SLIDER_UP10 : SLIDER_DOWN10);
            SetRequesterBox(st->RequesterPtr, 0, 0);
        }
        if (st->Fertig) break;
        CheckTitleBar(st->Region->TitleBar, st->VekFontPtr, 6);
        ambiente.Pass();
    }

    ClearRequester(st->RequesterPtr);
    if (st->MovieBase && st->Movie) UnloadMovie(st->MovieBase, st->Movie);
    if (run) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 0);
        RectFill(rp, kBildX, kBildY, 288, 274);
    }
    FreeBitMap(st->BitMapPtr);
    if (st->MovieBase) FreeMovieBase(st->MovieBase);
    FreeAllGadgets();
    ClearScreenRegion(st->Region);
    CloseFont(st->VekFont4Ptr);
    CloseFont(st->VekFontPtr);
    for (int i = 0; i < sfx; ++i) CloseKavorSfx(kSfx[i]);
    FreeBauScreenData(&d);
    delete st;
    if (picture || run) CloseKavorPic(kPicture, run ? 1 : 0);
    return run ? next : -1;
}
