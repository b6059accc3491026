// Screen 41: the realm's quarterly figures as line graphs. The player moves
// categories from the list on the left to the chosen list on the right,
// switches each chosen curve on or off and picks the averaging period; a
// legend names the colours. The screen reads only.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "realm/realm.h"
#include "realm/statistik.h"
#include "turn/turn.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr ULONG kPicture = 41, kLegendGfx = 379;

// A category as the lists hold it.
struct StatistikListEntry {
    char Name[21];
    ULONG On;
    ULONG Typ;
};

struct LokaleDatenStatistik {
    TextFont *FontA, *FontB, *FontC;  // title, 11 and 9 points
    ScreenRegion *ScreenRegionPtr;
    BitMap *StatistikGfx;             // the clean graph area
    VekRequester *Requester1, *Requester2;
    std::vector<char> RequesterBuffer1, RequesterBuffer2;
    std::vector<StatistikListEntry> KategorieListe1, KategorieListe2;
    ULONG AnzStatistikDaten;
    StatistikDaten *Daten;
    UWORD LastQuartal;
    LONG LinkerReqMarker, RechterReqMarker;
    ULONG GfxEinstellung;
    char Text[STATISTIK_PERIODEN][20];
};

const LocStr *const kKategorieNamen[STATISTIK_KATEGORIEN] = {
    &_VEK_STATISTIK_KORN,       &_VEK_STATISTIK_GOLD,        &_VEK_STATISTIK_VOLK,        &_VEK_STATISTIK_EINWANDERER,
    &_VEK_STATISTIK_AUSWANDERER, &_VEK_STATISTIK_GEBORENE,    &_VEK_STATISTIK_GESTORBENE,  &_VEK_STATISTIK_ANZPFLANZHQ,
    &_VEK_STATISTIK_ANZTIERHQ,  &_VEK_STATISTIK_ANZMINERALHQ};
const LocStr *const kPeriodenNamen[STATISTIK_PERIODEN] = {&_VEK_STATISTIK_QUARTAL, &_VEK_STATISTIK_HALBJAHR,
                                                          &_VEK_STATISTIK_JAHR, &_VEK_STATISTIK_5_JAHRE,
                                                          &_VEK_STATISTIK_10_JAHRE};

// Catalog texts may be longer than the record's fields.
template <size_t N> void CopyBounded(char (&to)[N], const char *from)
{
    std::snprintf(to, N, "%s", from ? from : "");
}

const Rechteck &Rect(const LokaleDatenStatistik *ld, int i) { return ld->ScreenRegionPtr->Rechteck[i]; }

void FillLine(std::vector<char> &buffer, size_t line, const std::string &text)
{
    std::snprintf(&buffer[line * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", text.c_str());
}

VekRequester *MakeList(LokaleDatenStatistik *ld, std::vector<char> &buffer, ULONG n, int area, int slider)
{
    const Rechteck &a = Rect(ld, area), &s = Rect(ld, slider);
    VekRequester *req = InitRequesterBox(600, (UWORD)n, ld->FontB, buffer.data(), a.X0, a.Y0, (UWORD)(a.X1 - a.X0),
                                         (UWORD)(a.Y1 - a.Y0), 11, 7);
    if (req) InitSlider(req, (UWORD)(s.X1 - s.X0), (UWORD)(s.Y1 - s.Y0), 26, 22, 25, 24, s.X0, s.Y0);
    return req;
}

BOOL BuildLists(LokaleDatenStatistik *ld)
{
    ClearRequester(ld->Requester1);
    ClearRequester(ld->Requester2);
    const size_t n1 = std::max<size_t>(ld->KategorieListe1.size(), 1), n2 = std::max<size_t>(ld->KategorieListe2.size(), 1);
    ld->RequesterBuffer1.assign(n1 * REQ_LINE_SIZE, 0);
    ld->RequesterBuffer2.assign(n2 * REQ_LINE_SIZE, 0);
    if (ld->KategorieListe1.empty()) FillLine(ld->RequesterBuffer1, 0, std::string(16, ' ') + "Keine Kategorien vorhanden");
    for (size_t i = 0; i < ld->KategorieListe1.size(); ++i) FillLine(ld->RequesterBuffer1, i, ld->KategorieListe1[i].Name);
    if (ld->KategorieListe2.empty())
        FillLine(ld->RequesterBuffer2, 0, std::string(20, ' ') + "Keine Kategorien ausgew\xE4hlt");
    for (size_t i = 0; i < ld->KategorieListe2.size(); ++i) {
        const StatistikListEntry &e = ld->KategorieListe2[i];
        FillLine(ld->RequesterBuffer2, i, std::string("   ") + (e.On ? "X" : "O") + "   " + e.Name);
    }
    ld->Requester1 = MakeList(ld, ld->RequesterBuffer1, (ULONG)n1, 0, 1);
    ld->Requester2 = MakeList(ld, ld->RequesterBuffer2, (ULONG)n2, 2, 3);
    if (ld->Requester2 && ld->RechterReqMarker >= 0) SetStringHighLite(ld->Requester2, 1, (UWORD)ld->RechterReqMarker, 7, 8);
    return ld->Requester1 && ld->Requester2;
}

void PrintPeriod(LokaleDatenStatistik *ld)
{
    RastPort *rp = DisplayRastPort();
    const Rechteck &g = Rect(ld, 4);
    SetFont(rp, ld->FontB);
    SetAPen(rp, 1);
    SetDrMd(rp, JAM1);
    Move(rp, g.X0 + 30, g.Y0 + 20);
    Text(rp, ld->Text[ld->GfxEinstellung], (ULONG)std::strlen(ld->Text[ld->GfxEinstellung]));
}

void ZeichneStatistik(LokaleDatenStatistik *ld)
{
    std::printf("AnzStatistikDaten %u\n", (unsigned)ld->AnzStatistikDaten);
    RastPort *rp = DisplayRastPort();
    const Rechteck &g = Rect(ld, 4);
    if (ld->StatistikGfx)
        BltBitMapRastPort(ld->StatistikGfx, 0, 0, rp, g.X0, g.Y0, g.X1 - g.X0, g.Y1 - g.Y0, 0xC0);
    std::vector<StatistikWahl> wahl;
    for (const StatistikListEntry &e : ld->KategorieListe2) wahl.push_back({e.Typ, (BOOL)e.On});
    const StatistikGrafik grafik = DrawStatistikGfx(ld->Daten, ld->AnzStatistikDaten, wahl.data(), (ULONG)wahl.size(),
                                                    ld->GfxEinstellung, g.X0, g.Y0, g.X1, g.Y1);
    if (!grafik.Darstellbar) {
        SetFont(rp, ld->FontB);
        PrintText(rp, (UWORD)(g.X0 + 100), (UWORD)(g.Y0 + 50), (UWORD)(g.X0 + 400), (UWORD)(g.Y0 + 65),
                  GetString(&_VEK_STATISTIK_KEINE_DARSTELLUNG), 0, 1, PT_CENTER | PT_BASELINE | PT_VCENTER);
    }
    for (const StatistikKurve &c : grafik.Kurven) {
        SetAPen(rp, c.Pen);
        Move(rp, c.Punkte[0].x, c.Punkte[0].y);
        for (const StatistikPunkt &p : c.Punkte) Draw(rp, p.x, p.y);
    }
    PrintPeriod(ld);
    PresentRect(rp->BitMap, g.X0, g.Y0, g.X1 - g.X0 + 1, g.Y1 - g.Y0 + 1);
}

// Moves entry i of from to the end of to, switched off.
void MoveEntry(std::vector<StatistikListEntry> &from, size_t i, std::vector<StatistikListEntry> &to)
{
    StatistikListEntry e = from[i];
    e.On = 0;
    from.erase(from.begin() + (long)i);
    to.push_back(e);
}

LONG ClickedLine(VekRequester *req, size_t count)
{
    if (!req || count == 0) return -1;
    const LONG line = SetStringHighLite(req, 0, (UWORD)(GetMouseY() > 0 ? GetMouseY() : 0), 7, 8);
    return line >= 0 && (size_t)line < count ? line : -1;
}

// The marked category on (1) or off (0).
void Switch(LokaleDatenStatistik *ld, ULONG on)
{
    const LONG m = ld->RechterReqMarker;
    if (m < 0 || (size_t)m >= ld->KategorieListe2.size() || ld->KategorieListe2[(size_t)m].On == on) return;
    ld->KategorieListe2[(size_t)m].On = on;
    BuildLists(ld);
    ZeichneStatistik(ld);
}

void NextPeriod(LokaleDatenStatistik *ld)
{
    ld->GfxEinstellung = (ld->GfxEinstellung + 1) % STATISTIK_PERIODEN;
    ZeichneStatistik(ld);
}

void MarkRight(LokaleDatenStatistik *ld)
{
    const LONG line = ClickedLine(ld->Requester2, ld->KategorieListe2.size());
    if (line >= 0) ld->RechterReqMarker = line;
}

// The legend over the screen; TRUE when its EXIT also leaves the screen.
BOOL LegendeStatistikScreen(LokaleDatenStatistik *ld)
{
    ScreenRegion *r = GetScreenRegion("./Data/screendat/StatistikLegende.dat", SR_TITLEBAR | SR_GADGETDATA | SR_RECHTECK);
    if (!r) {
        std::printf("StatistiScreen(Legende):Konnte die Externen Daten nicht Laden!\n");
        return FALSE;
    }
    const Rechteck a = r->Rechteck[0];
    const LONG w = a.X1 - a.X0, h = a.Y1 - a.Y0;
    BitMap *saved = ScreenSaveClip(a.X0, a.Y0, w, h);
    if (!saved) {
        std::printf("StaistikScreen(legende):Konnte den Hintergrund icht retten!\n");
        ClearScreenRegion(r);
        return FALSE;
    }
    if (OpenKavorGfx(kPath, kLegendGfx) != 1) {
        std::printf("StatistikScreen(Legende):Konnte die GFX Nicht \xF6" "ffnen!\n");
        ScreenRestoreClip(saved, a.X0, a.Y0, w, h);
        ClearScreenRegion(r);
        return FALSE;
    }
    auto draw = [&]() {
        BitMap *copy = ScreenSaveClip(a.X0, a.Y0, w, h);
        RastPort *rp = copy ? ScreenMakeClipRP(copy) : nullptr;
        if (!rp) {
            std::printf("StatistikScreen(Legende):Konnte keinen Speicher fuer den RastPort  bekommen!\n");
            if (copy) FreeKavorBitMap(copy);
            return false;
        }
        BlitObjekt(rp, kLegendGfx, 0, 0, w, h);
        SetFont(rp, ld->FontA);
        PrintText(rp, 0, 4, (UWORD)w, 24, GetString(&_VEK_STATISTIK_LEGENDE), 0, 1, PT_CENTER | PT_BASELINE | PT_VCENTER);
        SetFont(rp, ld->FontC);
        SetDrMd(rp, JAM1);
        if (ld->KategorieListe2.empty()) {
            SetAPen(rp, 1);
            Move(rp, 50, 33);
            Text(rp, "Keine Legende vorhanden!", 24);
        }
        for (size_t i = 0; i < ld->KategorieListe2.size(); ++i) {
            const LONG y = 33 + 10 * (LONG)i;
            SetAPen(rp, (STATISTIK_STIFT + i) % 256);
            Move(rp, 20, y);
            Draw(rp, 50, y);
            Move(rp, 60, y + 2);
            Text(rp, ld->KategorieListe2[i].Name, (ULONG)std::strlen(ld->KategorieListe2[i].Name));
        }
        ScreenRestoreClip(copy, a.X0, a.Y0, w, h);
        PresentRect(DisplayRastPort()->BitMap, a.X0, a.Y0, w, h);
        FreeVec(rp);
        DrawAllGadgets(DisplayRastPort(), r);
        return true;
    };
    BOOL leave = FALSE;
    bool open = draw();
    while (open) {
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) continue;
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), r, code);
        if (!g) {
            GadgetData *m = CheckGadgets(DisplayRastPort(), ld->ScreenRegionPtr, code);
            if (m && m->ReturnID == MakeGadgetID("LS02")) MarkRight(ld);
            continue;
        }
        const ULONG id = g->ReturnID;
        if (id == MakeGadgetID("EXLG")) {
            break;
        } else if (id == GADGET_EXIT) {
            leave = TRUE;
            break;
        } else if (id == MakeGadgetID("FORW") || id == MakeGadgetID("OK01") || id == MakeGadgetID("XX01")) {
            // The graph behind changes; the legend is laid over it again.
            if (id == MakeGadgetID("FORW"))
                NextPeriod(ld);
            else
                Switch(ld, id == MakeGadgetID("OK01"));
            open = draw();
        }
    }
    ScreenRestoreClip(saved, a.X0, a.Y0, w, h);
    CloseKavorGfx(kLegendGfx);
    ClearScreenRegion(r);
    return leave;
}

void FreeStatistik(LokaleDatenStatistik *ld)
{
    ClearRequester(ld->Requester1);
    ClearRequester(ld->Requester2);
    if (ld->StatistikGfx) FreeKavorBitMap(ld->StatistikGfx);
    FreeVec(ld->Daten);
    ClearScreenRegion(ld->ScreenRegionPtr);
    CloseFont(ld->FontA);
    CloseFont(ld->FontB);
    CloseFont(ld->FontC);
}

}  // namespace

LONG StatistikScreen()
{
    std::printf("Routine: StatistikScreen\n");
    LokaleDatenStatistik state{};
    LokaleDatenStatistik *ld = &state;
    ld->LinkerReqMarker = ld->RechterReqMarker = -1;
    for (ULONG i = 0; i < STATISTIK_PERIODEN; ++i) CopyBounded(ld->Text[i], GetString(kPeriodenNamen[i]));
    // A damaged file leaves the screen without figures and without categories.
    if (ReadStatistikDaten(STATISTIK_FILE, &ld->Daten, &ld->AnzStatistikDaten, &ld->LastQuartal)) {
        for (ULONG t = 0; t < STATISTIK_KATEGORIEN; ++t) {
            StatistikListEntry e{};
            CopyBounded(e.Name, GetString(kKategorieNamen[t]));
            e.Typ = t;
            ld->KategorieListe1.push_back(e);
        }
    }
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 4, 4);
    if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("StatistikScreen: Konnte die Grafik fuer den StatistikScreen nicht laden!\n");
        CloseKavorPic(kPicture, 0);
        FreeStatistik(ld);
        return 255;
    }
    LONG result = 255;
    if (!(ld->FontA = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("StatistikScreen: Konnte Font A nicht Laden!\n");
    } else if (!(ld->FontB = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("StatistikScreen: Konnte Font B nicht Laden!\n");
    } else if (!(ld->FontC = OpenDiskFont("Fonts/XHelvetica9.fnt"))) {
        std::printf("StatistikScreen: Konnte Font C nicht Laden!\n");
    } else if (!(ld->ScreenRegionPtr = GetScreenRegion("./Data/screendat/Statistik.dat",
                                                       SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX |
                                                           SR_RECHTECK)) ||
               ld->ScreenRegionPtr->CountRechteck < 5) {
        std::printf("StatistiScreen: Konnte die externen Daten nicht laden!\n");
    } else if (!BuildLists(ld)) {
        std::printf("StatistikScreen: Konnte die Requester nicht aufbauen!\n");
        std::printf("StatistiScreen: Konnte Screengfx nicht einrichten!\n");
    } else {
        const Rechteck &g = Rect(ld, 4);
        if (!(ld->StatistikGfx = ScreenSaveClip(g.X0, g.Y0, g.X1 - g.X0, g.Y1 - g.Y0))) {
            std::printf("StatistikScreen:Konnte den Garfikausschnitt nicht retten!\n");
            std::printf("StatistiScreen: Konnte Screengfx nicht einrichten!\n");
        } else {
            result = 2;
        }
    }
    if (result == 2) {
        RastPort *rp = DisplayRastPort();
        PrintPeriod(ld);
        SetFont(rp, ld->FontA);
        ScreenRegion *r = ld->ScreenRegionPtr;
        for (ULONG i = 0; i < r->CountLocaleTextBox; ++i) {
            const LocaleTextBox &b = r->LocaleTextBox[i];
            PrintText(rp, b.X0, b.Y0, b.X1, b.Y1, b.LocaleID ? b.LocaleID : "", 0, 1,
                      PT_CENTER | PT_BASELINE | PT_VCENTER);
        }
        DrawAllGadgets(rp, ld->ScreenRegionPtr);
        ZeichneStatistik(ld);
        FadeIn();
        ScreenRegion *region = ld->ScreenRegionPtr;
        for (bool done = false; !done;) {
            CheckTitleBar(region->TitleBar, ld->FontA, 6);
            const ULONG code = GetKey(GETKEY_TICKS);
            if (code == EVENT_TICK) continue;
            if (code == KEY_ESCAPE) break;
            GadgetData *gad = CheckGadgets(DisplayRastPort(), region, code);
            if (!gad) continue;
            const ULONG id = gad->ReturnID;
            if (id == MakeGadgetID("LS01")) {
                const LONG line = ClickedLine(ld->Requester1, ld->KategorieListe1.size());
                if (line >= 0) {
                    MoveEntry(ld->KategorieListe1, (size_t)line, ld->KategorieListe2);
                    BuildLists(ld);
                    ZeichneStatistik(ld);
                }
            } else if (id == MakeGadgetID("LS02")) {
                MarkRight(ld);
            } else if (id == MakeGadgetID("OK01") || id == MakeGadgetID("XX01")) {
                Switch(ld, id == MakeGadgetID("OK01"));
            } else if (id == MakeGadgetID("LAST")) {
                const LONG m = ld->RechterReqMarker;
                if (m >= 0 && (size_t)m < ld->KategorieListe2.size()) {
                    MoveEntry(ld->KategorieListe2, (size_t)m, ld->KategorieListe1);
                    ld->RechterReqMarker = -1;
                    BuildLists(ld);
                    ZeichneStatistik(ld);
                }
            } else if (id == MakeGadgetID("BACK")) {
                while (!ld->KategorieListe2.empty())
                    MoveEntry(ld->KategorieListe2, ld->KategorieListe2.size() - 1, ld->KategorieListe1);
                ld->RechterReqMarker = -1;
                BuildLists(ld);
                ZeichneStatistik(ld);
            } else if (id == MakeGadgetID("FORW")) {
                NextPeriod(ld);
            } else if (id == MakeGadgetID("INFB")) {
                done = LegendeStatistikScreen(ld);
            } else if (id == MakeGadgetID("INFO")) {
                TextBox(GetString(&_VEK_STATISTIK_INFORMATION));
            } else if (id == GADGET_EXIT) {
                done = true;
            }
        }
    }
    FreeAllGadgets();
    FreeStatistik(ld);
    CloseKavorPic(kPicture, result == 2 ? 1 : 0);
    return result;
}
