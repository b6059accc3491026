// Screen 519: the harbour of the active town, with the mill turning and the
// harbour's sounds. Its ships dialog launches ships from stock and marks
// anchored ones for wrecking (applied together by the dialog's Ok); its
// repair dialog orders repairs. The rules are in world/hafen.
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
#include "map/kartenscreen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "military/hafenscreen.h"
#include "military/military.h"
#include "platform/catalog.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/hafen.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kLayout = "./Data/screendat/Hafen.dat";
constexpr const char *kSchiffeLayout = "./Data/screendat/HafenSchiffeReq.dat";
constexpr const char *kRepLayout = "./Data/screendat/HafenSchiffsRepReq.dat";
constexpr UWORD kPicture = 519, kSchiffeBild = 520, kHafenBild = 521, kRepBild = 1138;
constexpr ULONG kMaske = 3, kReqMaske = 519;
constexpr LONG kBgX = 88, kBgY = 97, kBgW = 288, kBgH = 178;
constexpr LONG kSchiffeX = 62, kSchiffeY = 45, kSchiffeW = 516, kSchiffeH = 390;
constexpr LONG kRepX = 120, kRepY = 90, kRepW = 400, kRepH = 300;
constexpr UWORD kSfx[17] = {113, 106, 110, 111, 112, 107, 108, 109, 40, 41, 42, 43, 44, 19, 22, 23, 18};
constexpr const char *kSfxName[17] = {"SFXID_HAFENWELLEN", "SFXID_HAFENSTIMMUNG", "SFXID_HAFENMOEVE1",
                                      "SFXID_HAFENMOEVE2", "SFXID_HAFENMOEVE3", "SFXID_HAFENMENSCHEN1",
                                      "SFXID_HAFENMENSCHEN2", "SFXID_HAFENMENSCHEN3", "SFXID_HANDELMARKTSCHREIER1",
                                      "SFXID_HANDELMARKTSCHREIER2", "SFXID_HANDELMARKTSCHREIER3",
                                      "SFXID_HANDELMARKTSCHREIER4", "SFXID_HANDELMARKTSCHREIER5",
                                      "SFXID_STEUERNKUTSCHE", "SFXID_STADTPFERD1", "SFXID_STADTPFERD2",
                                      "SFXID_STEUERNKIRCHE"};

void AdvisorMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, text, 7); }
LONG AdvisorAsk(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, text, 7); }
void InfoText(const char *text) { TextBox(text); }

void FrageMessage(const char *text) { HafenDialogHooks.Message(text); }
BOOL FrageConfirm(const char *text) { return HafenDialogHooks.Ask(text) == 0; }
const HafenFragen kFragen = {FrageMessage, FrageConfirm};

struct LokaleDatenHafen {
    HafenDaten Daten;
    TextFont *VekFont4Ptr = nullptr, *VekFontPtr = nullptr;
    ScreenRegion *ScreenRegion_ = nullptr;
    st_MovieBase *MovieBase = nullptr;
    st_Movie *Movie = nullptr;
    BitMap *BackupBitMap = nullptr;
};

const GadgetData *Gadget(const ScreenRegion *r, ULONG code)
{
    for (ULONG i = 0; r && i < r->CountGadgetData; ++i)
        if (r->GadgetData[i].ReturnID == code) return &r->GadgetData[i];
    return nullptr;
}

// The background of the ships' corner: ships in port, or what lay there.
void Hintergrund(LokaleDatenHafen *st)
{
    RastPort *rp = DisplayRastPort();
    if (st->Daten.ChangeBackround && OpenKavorGfx(kPath, kHafenBild) == 1) {
        BlitObjekt(rp, kHafenBild, kBgX, kBgY, 0, 0);
        CloseKavorGfx(kHafenBild);
    } else if (st->BackupBitMap) {
        ScreenRestoreClip(st->BackupBitMap, kBgX, kBgY, kBgW, kBgH);
        st->BackupBitMap = ScreenSaveClip(kBgX, kBgY, kBgW, kBgH);
    }
    UpdateRectangle(kBgX, kBgY, kBgW, kBgH);
}

// 80-byte lines for a list requester.
std::vector<char> Zeilen(const std::vector<std::string> &texte)
{
    std::vector<char> z(texte.size() * REQ_LINE_SIZE, 0);
    for (size_t i = 0; i < texte.size(); ++i) std::snprintf(&z[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", texte[i].c_str());
    return z;
}

// One list of a dialog: its requester over the B10n gadget, the slider over S10n.
struct Liste {
    ULONG box, down, up, slider;
    VekRequester *req = nullptr;
    std::vector<char> zeilen;
    LONG gemerkt = 0;
    ULONG echte = 0;  // lines that stand for something ("None" is none)

    void Zeige(const ScreenRegion *r, TextFont *font, const std::vector<std::string> &texte, ULONG n)
    {
        echte = n;
        zeilen = Zeilen(texte);
        if (req) {
            SetFont(DisplayRastPort(), font);
            req = UpdateRequesterText(req, zeilen.data(), (UWORD)texte.size());
            return;
        }
        const GadgetData *g = Gadget(r, box), *s = Gadget(r, slider);
        if (!g) return;
        const UWORD w = (UWORD)(g->X1 - g->X0), h = (UWORD)(g->Y1 - g->Y0);
        req = InitRequesterBox(w, (UWORD)texte.size(), font, zeilen.data(), g->X0, g->Y0, w, h, 6, 78);
        if (req && s) InitSlider(req, (UWORD)(s->X1 - s->X0), (UWORD)(s->Y1 - s->Y0), 26, 22, 25, 24, s->X0, s->Y0);
    }
    // The line under the mouse acted on by this click, or -1.
    LONG Klick()
    {
        if (!req) return -1;
        const LONG zeile = SetStringHighLite(req, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), 2, 7);
        return HafenZeilenKlick(&gemerkt, zeile, echte) ? zeile : -1;
    }
    bool Scroll(ULONG id)
    {
        if (!req) return false;
        if (id == down || id == up) {
            SetSlider(req, id == up ? SLIDER_UP10 : SLIDER_DOWN10);
        } else if (id == slider) {
            SetSlider(req, (UWORD)std::max<LONG>(GetMouseY(), 0));
        } else {
            return false;
        }
        SetRequesterBox(req, 0, 0);
        return true;
    }
    Liste(ULONG b, ULONG d, ULONG u, ULONG s) : box(b), down(d), up(u), slider(s) {}
    ~Liste() { ClearRequester(req); }
};

// A dialog's frame: the screen under it saved, its graphic blitted, its gadgets drawn.
struct Rahmen {
    ScreenRegion *region = nullptr;
    BitMap *unter = nullptr;
    LONG x, y, w, h;
    bool Oeffne(const char *layout, UWORD bild, LONG x_, LONG y_, LONG w_, LONG h_, const char *wer)
    {
        x = x_, y = y_, w = w_, h = h_;
        if (!(region = GetScreenRegion(layout, kReqMaske))) {
            std::printf("%s: Konnte Externe Daten nicht laden !\n", wer);
            return false;
        }
        if (!(unter = ScreenSaveClip(x, y, w, h))) {
            std::printf("%s: Konnte ein Rechteck des Hintergrundes nicht retten !\n", wer);
            return false;
        }
        if (OpenKavorGfx(kPath, bild) != 1) {
            std::printf("%s: Konnte ein Bob nicht laden!\n", wer);
            return false;
        }
        RastPort *rp = DisplayRastPort();
        BlitObjekt(rp, bild, x, y, 0, 0);
        CloseKavorGfx(bild);
        DrawAllGadgets(rp, region);
        UpdateRectangle(x, y, w, h);
        return true;
    }
    void Schliesse(LokaleDatenHafen *st)
    {
        FreeAllGadgets();
        ClearScreenRegion(region);
        if (unter) {
            ScreenRestoreClip(unter, x, y, w, h);
            UpdateRectangle(x, y, w, h);
        }
        Hintergrund(st);
        // The screen's own gadgets again.
        DrawAllGadgets(DisplayRastPort(), st->ScreenRegion_);
    }
};

void Beschrifte(LokaleDatenHafen *st, const ScreenRegion *r, ULONG code, const LocStr *text)
{
    const GadgetData *g = Gadget(r, code);
    if (!g || g->Y0 < 16) return;
    RastPort *rp = DisplayRastPort();
    SetFont(rp, st->VekFont4Ptr);
    PrintText(rp, g->X0, (UWORD)(g->Y0 - 16), g->X1, (UWORD)(g->Y0 - 2), GetString(text), 0, 7, 37);
}

// 1 when the dialog ran, 0 when it could not open (the screen then ends).
BOOL HafenSchiffReq(LokaleDatenHafen *st)
{
    HafenDaten &d = st->Daten;
    Rahmen rahmen;
    BOOL ok = rahmen.Oeffne(kSchiffeLayout, kSchiffeBild, kSchiffeX, kSchiffeY, kSchiffeW, kSchiffeH, "HafenSchiffReq") &&
              HafenDialogLesen(&d);
    Liste werft(MakeGadgetID("B100"), MakeGadgetID("D100"), MakeGadgetID("U100"), MakeGadgetID("S100"));
    Liste anker(MakeGadgetID("B101"), MakeGadgetID("D101"), MakeGadgetID("U101"), MakeGadgetID("S101"));
    if (ok) {
        RastPort *rp = DisplayRastPort();
        SetFont(rp, st->VekFontPtr);
        PrintText(rp, (UWORD)kSchiffeX, (UWORD)(kSchiffeY + 4), (UWORD)(kSchiffeX + kSchiffeW - 1),
                  (UWORD)(kSchiffeY + 20), GetString(&_VEK_TOWN_HAFEN), 0, 7, 37);
        Beschrifte(st, rahmen.region, MakeGadgetID("B100"), &_VEK_HAFENREQ_WERFT);
        Beschrifte(st, rahmen.region, MakeGadgetID("B101"), &_VEK_HAFENREQ_VORANKER);
        werft.Zeige(rahmen.region, st->VekFont4Ptr, WerftTexte(&d), (ULONG)WerftZeilen(&d).size());
        anker.Zeige(rahmen.region, st->VekFont4Ptr, AnkerTexte(&d), (ULONG)AnkerZeilen(&d).size());
        if (!werft.req || !anker.req) {
            std::printf("HafenSchiffReq: Konnte den WerftRequester nicht anlegen!\n");
            ok = 0;
        }
        UpdateRectangle(kSchiffeX, kSchiffeY, kSchiffeW, kSchiffeH);
    }
    for (bool fertig = !ok; !fertig;) {
        const ULONG code = GetKey(0);
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), rahmen.region, code);
        const ULONG id = g ? g->ReturnID : 0;
        bool neu = false;
        if (id == MakeGadgetID("B100")) {
            const LONG z = werft.Klick();
            neu = z >= 0 && HafenStarteSchiff(&d, (ULONG)z, &kFragen);
        } else if (id == MakeGadgetID("B101")) {
            const LONG z = anker.Klick();
            neu = z >= 0 && HafenMarkiereWrack(&d, (ULONG)z, &kFragen);
        } else if (id == MakeGadgetID("OK00")) {
            const bool tief = VekDisplay.VekScreen_Tiefe > 8;
            if (tief) KartenScreenUnlockSetup();
            if (!SetNewShips(&d))
                std::printf("HafenSchiffReq: beim abspeichern der Schiffsliste ist ein Fehler aufgetreten...\n");
            if (tief) KartenScreenNewSetup(0);
            fertig = true;
        } else if (id == GADGET_EXIT) {
            fertig = true;
        } else if (!werft.Scroll(id)) {
            anker.Scroll(id);
        }
        if (neu) {
            werft.Zeige(rahmen.region, st->VekFont4Ptr, WerftTexte(&d), (ULONG)WerftZeilen(&d).size());
            anker.Zeige(rahmen.region, st->VekFont4Ptr, AnkerTexte(&d), (ULONG)AnkerZeilen(&d).size());
        }
    }
    // What Ok did not apply is dropped.
    d.Waren.clear();
    d.Figuren.clear();
    d.Starts.clear();
    d.Abwracken.clear();
    ClearRequester(werft.req);
    werft.req = nullptr;
    ClearRequester(anker.req);
    anker.req = nullptr;
    rahmen.Schliesse(st);
    return ok;
}

void ZeigeRepWerte(LokaleDatenHafen *st, const ScreenRegion *r)
{
    HafenRepWerte w{};
    if (!HafenRepWerteDes(&st->Daten, &w)) return;
    char t[6][32];
    std::snprintf(t[0], sizeof t[0], "%u", (unsigned)w.X);
    std::snprintf(t[1], sizeof t[1], "%u", (unsigned)w.Y);
    std::snprintf(t[2], sizeof t[2], "%u/%u", (unsigned)w.Schaden, (unsigned)w.Punkte);
    std::snprintf(t[3], sizeof t[3], "%u", (unsigned)w.Reparatur);
    std::snprintf(t[4], sizeof t[4], "%u", (unsigned)w.Preis);
    std::snprintf(t[5], sizeof t[5], "%u", (unsigned)w.Dauer);
    RastPort *rp = DisplayRastPort();
    SetFont(rp, st->VekFont4Ptr);
    for (ULONG i = 0; i < 6 && i < r->CountRechteck; ++i) {
        const Rechteck &b = r->Rechteck[i];
        PrintStatusBox(rp, 7, 0, b.X0, b.Y0, b.X1, b.Y1, t[i]);
        UpdateRectangle(b.X0, b.Y0, b.X1 - b.X0 + 1, b.Y1 - b.Y0 + 1);
    }
}

BOOL HafenSchiffsReparaturReq(LokaleDatenHafen *st)
{
    HafenDaten &d = st->Daten;
    Rahmen rahmen;
    BOOL ok = rahmen.Oeffne(kRepLayout, kRepBild, kRepX, kRepY, kRepW, kRepH, "HafenSchiffRep") && HafenRepLesen(&d);
    Liste anker(MakeGadgetID("B100"), MakeGadgetID("D100"), MakeGadgetID("U100"), MakeGadgetID("S100"));
    if (ok) {
        RastPort *rp = DisplayRastPort();
        SetFont(rp, st->VekFontPtr);
        PrintText(rp, (UWORD)kRepX, (UWORD)(kRepY + 4), (UWORD)(kRepX + kRepW - 1), (UWORD)(kRepY + 20),
                  GetString(&_VEK_HAFEN_REP_TITEL), 0, 7, 37);
        // The values' labels, left of their boxes (the duration goes without one).
        const LocStr *namen[5] = {&_VEK_KARTE_XPOS, &_VEK_KARTE_YPOS, &_VEK_HAFEN_REP_SCHADEN, &_VEK_HAFEN_REP_PUNKTE,
                                  &_VEK_HAFEN_REP_KOSTEN};
        SetFont(rp, st->VekFont4Ptr);
        for (ULONG i = 0; i < 5 && i < rahmen.region->CountRechteck; ++i) {
            const Rechteck &b = rahmen.region->Rechteck[i];
            if (b.X0 > 130) PrintText(rp, (UWORD)(b.X0 - 124), b.Y0, (UWORD)(b.X0 - 4), b.Y1, GetString(namen[i]), 0, 7, 0);
        }
        anker.Zeige(rahmen.region, st->VekFont4Ptr, AnkerTexte(&d), (ULONG)AnkerZeilen(&d).size());
        if (!anker.req) {
            std::printf("HafenSchiffRep: Konnte den WerftRequester nicht anlegen!\n");
            ok = 0;
        }
        UpdateRectangle(kRepX, kRepY, kRepW, kRepH);
    }
    for (bool fertig = !ok; !fertig;) {
        const ULONG code = GetKey(0);
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), rahmen.region, code);
        const ULONG id = g ? g->ReturnID : 0;
        if (id == MakeGadgetID("B100")) {
            // One click chooses: the values show at once.
            if (anker.req) {
                const LONG z = SetStringHighLite(anker.req, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), 2, 7);
                if (z >= 0 && (ULONG)z < anker.echte && HafenRepWaehle(&d, (ULONG)z)) ZeigeRepWerte(st, rahmen.region);
            }
        } else if (id == MakeGadgetID("L100") || id == MakeGadgetID("R100")) {
            HafenRepSchritt(&d, id == MakeGadgetID("R100") ? 1 : -1);
            ZeigeRepWerte(st, rahmen.region);
        } else if (id == MakeGadgetID("OK00")) {
            if (!SetRepairShip(&d)) std::printf("HafenSchiffRep: Konnte neue Map-Prefs nicht abspeichern!\n");
            fertig = true;
        } else if (id == MakeGadgetID("INFO")) {
            HafenDialogHooks.Text(GetString(&_VEK_HAFEN_REP_INFO));
        } else if (id == GADGET_EXIT) {
            fertig = true;
        } else {
            anker.Scroll(id);
        }
    }
    d.Figuren.clear();
    d.RepFigur = -1;
    ClearRequester(anker.req);
    anker.req = nullptr;
    rahmen.Schliesse(st);
    return ok;
}

// Movie, town, background and the ships-in-port picture. 1 or 0.
BOOL InitAllThingsHafen(LokaleDatenHafen *st)
{
    st->MovieBase = AllocMovieBase(TitelScreenPtr, (char)InitAnimGfx(), (char)InitAnimProz(), 0);
    if (!st->MovieBase) {
        std::printf("InitAllThings : AllocMovieBase fehlgeschlagen...\n");
        return 0;
    }
    if ((st->Movie = LoadMovie(st->MovieBase, "./Anims/HafenMuehle.CBAN", nullptr, nullptr)))
        PlayMovie(st->MovieBase, st->Movie, 544, 108, 69, 2);
    if (!(st->BackupBitMap = ScreenSaveClip(kBgX, kBgY, kBgW, kBgH))) {
        std::printf("HafenSchiffReq: Konnte ein Rechteck des Hintergrundes nicht retten !\n");
        return 0;
    }
    if (!HafenRepLesen(&st->Daten)) return 0;
    for (const auto &f : st->Daten.Figuren)
        if (SchiffsArtDerFigur(f.FigurArt) && f.X_Pos == st->Daten.StadtXPos && f.Y_Pos == st->Daten.StadtYPos)
            st->Daten.ChangeBackround = 1;
    st->Daten.Figuren.clear();
    if (st->Daten.ChangeBackround) Hintergrund(st);
    return 1;
}

}  // namespace

HafenDialoge HafenDialogHooks = {AdvisorMessage, AdvisorAsk, InfoText};

LONG HafenScreen()
{
    std::printf("Routine: HafenScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 7, 7);
    if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("HafenScreen: Konnte Pic nicht laden!\n");
        return -1;
    }
    auto *st = new LokaleDatenHafen{};
    int sfx = 0;
    bool run = false;
    if (!(st->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("HafenScreen: Konnte Font nicht laden!\n");
    } else if (!(st->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("HafenScreen: Konnte Kavor-Font nicht \366ffnen !");
    } else if (!(st->ScreenRegion_ = GetScreenRegion(kLayout, kMaske))) {
        std::printf("HafenScreen: Kann TitelbarDaten nicht laden!\n");
    } else if (!LoadHafenData(&st->Daten, (LONG)PlayerInfo.AktStadtID)) {
        std::printf("HafenScreen: Kann Audio-Daten nicht laden !\n");
    } else if ([&] {
                   for (; sfx < 17; ++sfx) {
                       if (!OpenKavorSfx(kSfxPath, kSfx[sfx])) {
                           std::printf("LoadHandelSfx : Konnte %s nicht \366ffnen!\n", kSfxName[sfx]);
                           return false;
                       }
                   }
                   return true;
               }() == false) {
        std::printf("HafenScreen: Kann Audio-Daten nicht laden !\n");
    } else if (!InitAllThingsHafen(st)) {
        std::printf("HafenScreen: Konnte InitAllThings nicht ausf\374hren !\n");
    } else {
        run = true;
    }
    LONG next = -1;
    if (run) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, st->VekFont4Ptr);
        DrawAllGadgets(rp, st->ScreenRegion_);
        FadeIn();
        SfxPlayer(113, 0, 1);
        SfxPlayer(106, 0, 1);
        next = 39;
    }
    ULONG ticks = 0, warten = HAFEN_ERSTE_STIMMUNG;
    for (bool fertig = !run; !fertig;) {
        CheckTitleBar(st->ScreenRegion_->TitleBar, st->VekFontPtr, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) {
            if (++ticks >= warten) {
                warten = HafenStimmungsPause(HafenWuerfel(5));
                SfxPlayer((UWORD)HafenStimmungsSample(HafenWuerfel(20)), 0, 0);
                ticks = 0;
            }
            continue;
        }
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), st->ScreenRegion_, code);
        const ULONG id = g ? g->ReturnID : 0;
        if (id == MakeGadgetID("KONT")) {
            HafenDialogHooks.Message(GetString(&_VEK_ZUKUNFT_ERWEITERT));
        } else if (id == MakeGadgetID("SCHI") || id == MakeGadgetID("REPA")) {
            if (st->Movie) PauseMovie(st->Movie, 1);
            const BOOL ok = id == MakeGadgetID("SCHI") ? HafenSchiffReq(st) : HafenSchiffsReparaturReq(st);
            if (st->Movie) PauseMovie(st->Movie, 0);
            if (!ok) fertig = true;
        } else if (id == MakeGadgetID("MAP0")) {
            next = 3;
            fertig = true;
        } else if (id == MakeGadgetID("STAD")) {
            fertig = true;
        }
    }

    if (st->MovieBase) {
        if (st->Movie) UnloadMovie(st->MovieBase, st->Movie);
        FreeMovieBase(st->MovieBase);
    }
    FreeBitMap(st->BackupBitMap);
    for (int i = 0; i < sfx; ++i) CloseKavorSfx(kSfx[i]);
    if (run && !WriteHafenData(&st->Daten)) std::printf("WriteHafenData: Konnte die Armee Daten nicht Speichern!");
    FreeAllGadgets();
    ClearScreenRegion(st->ScreenRegion_);
    CloseFont(st->VekFont4Ptr);
    CloseFont(st->VekFontPtr);
    FreeHafenData(&st->Daten);
    delete st;
    CloseKavorPic(kPicture, next == -1 ? 0 : 1);
    return next;
}
