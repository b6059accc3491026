// The barracks' three requesters over the screen: managing armies (new,
// subjoin, join, split, disband, raise up, rename and the recruiting
// figures), training, and the smith's weapons. Each reads the armies when it
// opens; Ok writes the orders, Exit puts back what it changed.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "military/kaserne.h"
#include "platform/catalog.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/towns.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr ULONG kMaske = SR_TITLEBAR | SR_GADGETDATA | SR_DISPLAYSTATUSBOX | SR_RECHTECK;
constexpr LONG kOriginX = 66, kOriginY = 68;

std::string Kurz(const char *s, size_t n = 19) { return std::string(s ? s : "").substr(0, n); }

// One list requester with its slider and its lines.
struct Liste {
    std::vector<char> Puffer;
    VekRequester *Req = nullptr;
    size_t Zeilen = 0;
    void Bauen(const std::vector<std::string> &zeilen, const Rechteck &a, const Rechteck &s, TextFont *font)
    {
        ClearRequester(Req);
        Req = nullptr;
        Zeilen = std::min<size_t>(std::max<size_t>(zeilen.size(), 1), REQ_MAX_CONTENT / 16);
        Puffer.assign(Zeilen * REQ_LINE_SIZE, 0);
        for (size_t i = 0; i < zeilen.size() && i < Zeilen; ++i)
            std::snprintf(&Puffer[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", zeilen[i].c_str());
        Req = InitRequesterBox(600, (UWORD)Zeilen, font, Puffer.data(), a.X0, a.Y0, (UWORD)(a.X1 - a.X0),
                               (UWORD)(a.Y1 - a.Y0), 11, 7);
        if (!Req) {
            std::printf("UpdateManagmentRequesterArmys: Konnte den Armee Listen Requester nicht erstellen!\n");
            return;
        }
        InitSlider(Req, (UWORD)(s.X1 - s.X0), (UWORD)(s.Y1 - s.Y0), 26, 22, 25, 24, s.X0, s.Y0);
    }
    void Markieren(LONG zeile)
    {
        if (Req && zeile >= 0) SetStringHighLite(Req, 1, (UWORD)zeile, 7, 8);
    }
    // The line under the mouse, -1 between or past the lines (the highlight goes).
    LONG Klick(size_t gueltig)
    {
        if (!Req) return -1;
        const LONG z = SetStringHighLite(Req, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), 7, 8);
        if (z >= 0 && (size_t)z < gueltig) return z;
        SetRequesterBox(Req, 0, 0);
        return -1;
    }
    void Scroll(UWORD cmd)
    {
        if (!Req) return;
        SetSlider(Req, cmd);
        SetRequesterBox(Req, 0, 0);
    }
    void Frei()
    {
        ClearRequester(Req);
        Req = nullptr;
    }
};

// A press, not the moves with the button held that follow it.
struct Druck {
    bool Unten = false;
    bool Neu(ULONG code)
    {
        if (code == EVENT_LEFTUP) Unten = false;
        if (code != EVENT_LEFTDOWN) return false;
        const bool neu = !Unten;
        Unten = true;
        return neu;
    }
};

bool In(const Rechteck &r)
{
    const LONG x = GetMouseX(), y = GetMouseY();
    return x >= r.X0 && x <= r.X1 && y >= r.Y0 && y <= r.Y1;
}

// What every requester does on opening and closing.
struct Basis {
    KaserneScreenDaten *St;
    ScreenRegion *Region = nullptr;
    BitMap *Hinten = nullptr;
    Rechteck Area{};
    ULONG Gfx = 0;
    bool GfxOffen = false;
    explicit Basis(KaserneScreenDaten *st) : St(st) {}

    bool Oeffnen(const char *datei, ULONG gfx, ULONG statusBoxen, const char *fehler)
    {
        KaserneMoviesPause(St, 1);
        Gfx = gfx;
        Region = GetScreenRegion(datei, kMaske);
        if (!Region || Region->CountRechteck < 6 || Region->CountDisplayStatusBox < statusBoxen) {
            std::printf("%s: Konnte Externe Daten nicht Laden !\n", fehler);
            return false;
        }
        Area = Region->Rechteck[0];
        if (!(Hinten = ScreenSaveClip(Area.X0, Area.Y0, Area.X1 - Area.X0, Area.Y1 - Area.Y0))) {
            std::printf("%s: Konnte ein Rechteck des Hintergrundes nicht retten !\n", fehler);
            return false;
        }
        if (OpenKavorGfx(kPath, gfx) != 1) {
            std::printf("%s: Konnte Kasernenrequester nicht laden !\n", fehler);
            return false;
        }
        GfxOffen = true;
        RastPort *rp = DisplayRastPort();
        BlitObjekt(rp, gfx, kOriginX, kOriginY, 0, 0);
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, St->FontB);
        DrawAllGadgets(rp, Region);
        return true;
    }
    void Label(const Rechteck &r, LONG dy, const LocStr &text, TextFont *font)
    {
        RastPort *rp = DisplayRastPort();
        SetFont(rp, font);
        PrintText(rp, r.X0, (UWORD)(r.Y0 + dy), r.X1, (UWORD)(r.Y0 + dy + 14), Kurz(GetString(&text), 40).c_str(), 0, 7,
                  PT_BASELINE);
    }
    void Status(ULONG box, const std::string &text)
    {
        if (!Region || box >= Region->CountDisplayStatusBox) return;
        RastPort *rp = DisplayRastPort();
        SetFont(rp, St->FontB);
        PrintDisplayStatus(rp, &Region->DisplayStatusBox[box], text.c_str());
    }
    void Schliessen()
    {
        if (Hinten) ScreenRestoreClip(Hinten, Area.X0, Area.Y0, Area.X1 - Area.X0, Area.Y1 - Area.Y0);
        Hinten = nullptr;
        if (GfxOffen) CloseKavorGfx(Gfx);
        GfxOffen = false;
        if (Region) ClearScreenRegion(Region);
        Region = nullptr;
        KaserneMoviesPause(St, 0);
    }
};

void Advisor(const LocStr &s) { KaserneDialogHooks.Message(GetString(&s)); }
BOOL Frage(const LocStr &s) { return KaserneDialogHooks.Ask(GetString(&s)) == 0; }
BOOL NameBox(const LocStr &prompt, const LocStr &info, std::string &name)
{
    char buffer[EINGABE_MAX + 1] = {};
    const char *t = KaserneDialogHooks.Eingabe(buffer, GetString(&prompt), GetString(&info), 0);
    if (!t) return 0;
    name = t;
    return 1;
}

std::string Zahl(ULONG v)
{
    char t[24];
    std::snprintf(t, sizeof t, "%u", (unsigned)v);
    return t;
}

// ---- management ----

struct Verwaltung : Basis {
    Liste Armeen, Panel;
    LONG OldMarker = -1;
    bool Waehlen = false;   // a line of the list answers an operation's question
    KasernenFragen Fragen;
    using Basis::Basis;

    std::vector<std::string> ArmeeZeilen()
    {
        std::vector<std::string> z;
        for (const KaserneArmee &a : St->Daten.Armeen) z.push_back(Kurz(a.Kopf.Name));
        if (z.empty()) z.push_back(std::string(18, ' ') + GetString(&_VEK_KASERNE_NOARMY));
        return z;
    }
    void ListeZeigen(const std::vector<std::string> &z)
    {
        Armeen.Bauen(z, Region->Rechteck[2], Region->Rechteck[4], St->FontB);
    }
    void PanelZeigen()
    {
        const LokalDataKaserne &d = St->Daten;
        std::vector<std::string> z;
        if (d.SelArmee >= 0 && (size_t)d.SelArmee < d.Armeen.size()) z = KaserneArmeePanel(d.Armeen[(size_t)d.SelArmee]);
        else z.push_back(KaserneKeineInfo());
        Panel.Bauen(z, Region->Rechteck[3], Region->Rechteck[5], St->FontB);
    }
    void Zahlen()
    {
        const LokalDataKaserne &d = St->Daten;
        Status(1, Zahl((ULONG)d.Prozent));
        Status(0, Zahl(d.Volk));
        Status(2, Zahl((ULONG)d.PeopleInArmy) + "/" + Zahl((ULONG)d.Rekruten));
        Status(4, Zahl((ULONG)d.NewArmy));
        Status(3, Zahl((ULONG)d.Sold));
    }
    void AllesZeigen()
    {
        ListeZeigen(ArmeeZeilen());
        Armeen.Markieren(St->Daten.SelArmee);
        PanelZeigen();
        Zahlen();
    }
    // The player clicks a line of the list showing these lines; Escape ends.
    LONG ZeileWaehlen(const std::vector<std::string> &zeilen)
    {
        ListeZeigen(zeilen);
        Druck druck;
        druck.Unten = true;   // the press that chose the operation
        for (;;) {
            const ULONG code = GetKey(GETKEY_TICKS);
            if (code == EVENT_TICK) continue;
            if (code == KEY_ESCAPE) break;
            if (druck.Neu(code) && In(Region->Rechteck[2])) {
                const LONG z = Armeen.Klick(zeilen.size());
                if (z >= 0) {
                    ListeZeigen(ArmeeZeilen());
                    return z;
                }
                continue;
            }
            GadgetData *g = CheckGadgets(DisplayRastPort(), Region, code);
            const ULONG id = g ? g->ReturnID : 0;
            if (id == GADGET_EXIT || id == MakeGadgetID("INF1") || id == MakeGadgetID("OK01"))
                Advisor(_VEK_KASERNE_CHOOSEARMY5);
            else if (id == MakeGadgetID("U101")) Panel.Scroll(SLIDER_UP10);
            else if (id == MakeGadgetID("D101")) Panel.Scroll(SLIDER_DOWN10);
            else if (id == MakeGadgetID("S101")) Panel.Scroll((UWORD)std::max<LONG>(GetMouseY(), 0));
        }
        ListeZeigen(ArmeeZeilen());
        return -1;
    }
};

void BoxMessage(const char *t) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, t, 7); }
LONG BoxAsk(const char *t) { return ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, t, 7); }
char *BoxEingabe(char *buffer, const char *prompt, const char *info, ULONG flags)
{
    return EingabeBox(buffer, 180, 200, prompt, info, flags);
}

}  // namespace

KaserneDialoge KaserneDialogHooks = {BoxMessage, BoxAsk, BoxEingabe, TextBox};
void (*KaserneInfoHook)(const KaserneInfo &shown) = nullptr;

// ---- the management requester ----

LONG ArmyManagment(KaserneScreenDaten *st)
{
    LokalDataKaserne &d = st->Daten;
    const bool artillerie = d.ArmeeTyp == KASERNE_ARTILLERIE, kavallerie = d.ArmeeTyp == KASERNE_KAVALLERIE;
    if ((artillerie && !SlotGebaut(d.AktiveStadt, KASERNE_SLOT_ARTILLERIE)) ||
        (kavallerie && !SlotGebaut(d.AktiveStadt, KASERNE_SLOT_KAVALLERIE))) {
        KaserneMoviesPause(st, 1);
        Advisor(_VEK_KASERNE_APELLHOFBENOETIGT);
        KaserneMoviesPause(st, 0);
        return 0;
    }
    Verwaltung v(st);
    LONG ergebnis = 0;
    if (!v.Oeffnen("./Data/screendat/KaserneReq1.dat", 199, 5, "ArmyManagment")) {
        v.Schliessen();
        return 1;
    }
    static const LocStr *const kLabels[5] = {&_VEK_KASREQ1_STAT_VOLK, &_VEK_KASREQ1_STAT_PROZENT, &_VEK_KASREQ1_STAT_ARMEE,
                                             &_VEK_KASREQ1_STAT_SOLD, &_VEK_KASREQ1_STAT_EINHEITEN};
    v.Label(v.Region->Rechteck[0], 8, _VEK_KASREQ1_STAT_ARMEEN, st->FontA);
    for (int i = 0; i < 5; ++i) {
        const DisplayStatusBox &b = v.Region->DisplayStatusBox[i];
        v.Label(Rechteck{(UWORD)(v.Region->Rechteck[2].X0), b.Y0, (UWORD)(b.X0 - 4), b.Y1}, 0, *kLabels[i], st->FontB);
    }
    if (!ReadKasernenData(&d, 0)) {
        v.Schliessen();
        return 1;
    }
    KaserneOeffnen(&d);
    v.Fragen.Message = Advisor;
    v.Fragen.Confirm = Frage;
    v.Fragen.Name = NameBox;
    v.Fragen.Zeile = [&v](const std::vector<std::string> &z) { return v.ZeileWaehlen(z); };
    v.AllesZeigen();
    Druck druck;
    for (bool fertig = false; !fertig;) {
        CheckTitleBar(v.Region->TitleBar, st->FontA, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) continue;
        if (code == KEY_ESCAPE) {
            KaserneExit(&d);
            break;
        }
        if (druck.Neu(code) && In(v.Region->Rechteck[2]) && !d.Armeen.empty()) {
            const LONG z = v.Armeen.Klick(d.Armeen.size());
            if (z < 0) {
                d.SelArmee = -1;
                v.OldMarker = -1;
                v.PanelZeigen();
            } else if (z != v.OldMarker || d.SelArmee != z) {
                d.SelArmee = z;
                v.OldMarker = z;
                v.PanelZeigen();
            }
            continue;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), v.Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        bool neu = false;
        if (id == MakeGadgetID("L100")) ArmyManagmentCalculations(&d, KASERNE_PROZENT_WENIGER, v.Fragen), v.Zahlen();
        else if (id == MakeGadgetID("R100")) ArmyManagmentCalculations(&d, KASERNE_PROZENT_MEHR, v.Fragen), v.Zahlen();
        else if (id == MakeGadgetID("L101")) ArmyManagmentCalculations(&d, KASERNE_EINHEITEN_WENIGER, v.Fragen), v.Zahlen();
        else if (id == MakeGadgetID("R101")) ArmyManagmentCalculations(&d, KASERNE_EINHEITEN_MEHR, v.Fragen), v.Zahlen();
        else if (id == MakeGadgetID("ST01")) {
            char buffer[EINGABE_MAX + 1] = {};
            std::snprintf(buffer, sizeof buffer, "%d", (int)d.NewArmy);
            const char *t = KaserneDialogHooks.Eingabe(buffer, GetString(&_VEK_KASREQ1_STAT_EINHEITEN), "", EINGABE_DIGITS);
            if (t) ArmyManagmentInputBox(&d, t);
            v.Zahlen();
        } else if (id == MakeGadgetID("U100")) v.Armeen.Scroll(SLIDER_UP10);
        else if (id == MakeGadgetID("D100")) v.Armeen.Scroll(SLIDER_DOWN10);
        else if (id == MakeGadgetID("S100")) v.Armeen.Scroll((UWORD)std::max<LONG>(GetMouseY(), 0));
        else if (id == MakeGadgetID("U101")) v.Panel.Scroll(SLIDER_UP10);
        else if (id == MakeGadgetID("D101")) v.Panel.Scroll(SLIDER_DOWN10);
        else if (id == MakeGadgetID("S101")) v.Panel.Scroll((UWORD)std::max<LONG>(GetMouseY(), 0));
        else if (id == MakeGadgetID("B100")) neu = ArmyManagmentCreateNewArmy(&d, v.Fragen);
        else if (id == MakeGadgetID("B101")) neu = ArmyManagmentInsertInArmy(&d, v.Fragen);
        else if (id == MakeGadgetID("B102")) {
            neu = ArmyManagmentConnectTwoArmys(&d, v.Fragen);
            v.OldMarker = -1;
        } else if (id == MakeGadgetID("B103")) neu = ArmyManagmentSplitArmy(&d, v.Fragen);
        else if (id == MakeGadgetID("B104")) neu = ArmyManagmentDeleteArmy(&d, v.Fragen);
        else if (id == MakeGadgetID("B105")) neu = ArmyManagmentRaiseUpArmy(&d, v.Fragen);
        else if (id == MakeGadgetID("B106")) neu = ArmyManagmentRenameArmy(&d, v.Fragen);
        else if (id == MakeGadgetID("INF1")) KaserneDialogHooks.Text(GetString(&_VEK_KASERNE_INFOTEXT1));
        else if (id == MakeGadgetID("OK01")) {
            if (!KaserneOk(st)) ergebnis = 1;
            fertig = true;
        } else if (id == GADGET_EXIT) {
            KaserneExit(&d);
            fertig = true;
        }
        if (neu) v.AllesZeigen();
        // Whatever an operation asked, the list shows the armies again.
        else if (!fertig && (id == MakeGadgetID("B102") || id == MakeGadgetID("B103") || id == MakeGadgetID("B105")))
            v.AllesZeigen();
    }
    v.Armeen.Frei();
    v.Panel.Frei();
    d.Armeen.clear();
    d.SelArmee = d.SelTeil = -1;
    d.NewArmy = 0;
    v.Schliessen();
    return ergebnis;
}

// ---- the army-and-parts list of training and weapons ----

namespace {

struct Zeile {
    LONG Armee, Teil;   // Teil -1: the head line
};

std::vector<Zeile> ArmeeTeilTabelle(const LokalDataKaserne &d)
{
    std::vector<Zeile> t;
    for (size_t a = 0; a < d.Armeen.size(); ++a) {
        t.push_back({(LONG)a, -1});
        for (size_t p = 0; p < d.Armeen[a].Teile.size(); ++p) t.push_back({(LONG)a, (LONG)p});
    }
    return t;
}

std::vector<std::string> ArmeeTeilZeilen(const LokalDataKaserne &d, bool training)
{
    std::vector<std::string> z;
    char line[REQ_LINE_SIZE];
    for (const KaserneArmee &a : d.Armeen) {
        std::snprintf(line, sizeof line, "  %.19s  ", a.Kopf.Name);
        z.push_back(line);
        for (size_t p = 0; p < a.Teile.size(); ++p) {
            if (training) std::snprintf(line, sizeof line, "->   %.19s ( %lu )", a.Kopf.Name, (unsigned long)p + 1);
            else std::snprintf(line, sizeof line, "-> %s ( %lu )", KaserneTypName(a.Teile[p].Typ), (unsigned long)p + 1);
            z.push_back(line);
        }
    }
    if (z.empty()) z.push_back(std::string(training ? 0 : 18, ' ') + GetString(&_VEK_KASERNE_NOARMY));
    return z;
}

}  // namespace

LONG ArmyTraining(KaserneScreenDaten *st)
{
    LokalDataKaserne &d = st->Daten;
    if (!ReadKasernenData(&d, 0)) return 1;
    if (!SlotGebaut(d.AktiveStadt, KASERNE_SLOT_TRAINING)) {
        KaserneMoviesPause(st, 1);
        Advisor(_VEK_KASREQ2_MINBARACKE);
        KaserneMoviesPause(st, 0);
        d.Armeen.clear();
        return 0;
    }
    Basis b(st);
    if (!b.Oeffnen("./Data/screendat/KaserneReq2.dat", 200, 2, "KasernenScreen(Trainings-Reqeuster)")) {
        b.Schliessen();
        d.Armeen.clear();
        return 0;
    }
    KaserneOeffnen(&d);
    b.Label(b.Region->Rechteck[0], 8, _VEK_KASREQ2_STAT_ARMEENTRAINIEREN, st->FontA);
    b.Label(Rechteck{76, b.Region->DisplayStatusBox[0].Y0, 186, b.Region->DisplayStatusBox[0].Y1}, 0,
            _VEK_KASREQ2_STAT_RUNDEN, st->FontB);
    b.Label(Rechteck{76, b.Region->DisplayStatusBox[1].Y0, 186, b.Region->DisplayStatusBox[1].Y1}, 0,
            _VEK_KASREQ2_STAT_KOSTEN, st->FontB);
    KasernenFragen f{Advisor, Frage, NameBox, [](const std::vector<std::string> &) { return (LONG)-1; }};
    Liste liste, panel;
    std::vector<Zeile> tabelle;
    LONG marker = -1;
    auto panelZeigen = [&] {
        std::vector<std::string> z;
        if (d.SelArmee < 0 || (size_t)d.SelArmee >= d.Armeen.size()) {
            z.push_back(KaserneKeineInfo());
        } else {
            const KaserneArmee &a = d.Armeen[(size_t)d.SelArmee];
            if (d.SelTeil < 0) {
                z = KaserneArmeePanel(a);
            } else {
                char line[REQ_LINE_SIZE];
                std::snprintf(line, sizeof line, "       -> %s <-   ", GetString(&_VEK_KASREQ2_STAT_INFO));
                z.push_back(line);
                z.push_back("");
                for (const std::string &s : KaserneTeilZeilen(a, (size_t)d.SelTeil)) z.push_back(s);
                if (a.Kopf.TrainingsRunden)
                    std::snprintf(line, sizeof line, "%s:  %s %lu %s", GetString(&_VEK_KASREQ2_TRAINIERT),
                                  GetString(&_VEK_KASREQ2_NOCH), (unsigned long)a.Kopf.TrainingsRunden,
                                  GetString(&_VEK_KASREQ2_STAT_RUNDEN));
                else
                    std::snprintf(line, sizeof line, "%s:  %s", GetString(&_VEK_KASREQ2_TRAINIERT),
                                  GetString(&_VEK_KASERNE_NEIN));
                z.push_back(line);
            }
        }
        panel.Bauen(z, b.Region->Rechteck[3], b.Region->Rechteck[5], st->FontB);
    };
    auto zahlen = [&] {
        b.Status(0, Zahl(d.TrainingRunden));
        b.Status(1, Zahl(d.TrainingKosten));
    };
    auto alles = [&] {
        tabelle = ArmeeTeilTabelle(d);
        liste.Bauen(ArmeeTeilZeilen(d, true), b.Region->Rechteck[2], b.Region->Rechteck[4], st->FontB);
        panelZeigen();
        zahlen();
    };
    alles();
    LONG ergebnis = 0;
    Druck druck;
    for (bool fertig = false; !fertig;) {
        CheckTitleBar(b.Region->TitleBar, st->FontA, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) continue;
        if (code == KEY_ESCAPE) {
            KaserneExit(&d);
            break;
        }
        if (druck.Neu(code) && In(b.Region->Rechteck[2]) && !tabelle.empty()) {
            const LONG z = liste.Klick(tabelle.size());
            if (z < 0) {
                KaserneTrainingAuswahl(&d, -1, -1);
                marker = -1;
            } else if (z != marker) {
                KaserneTrainingAuswahl(&d, tabelle[(size_t)z].Armee, tabelle[(size_t)z].Teil);
                marker = z;
            }
            panelZeigen();
            zahlen();
            continue;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), b.Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == MakeGadgetID("L200") || id == MakeGadgetID("R200")) {
            ArmyTrainingCalculations(&d, id == MakeGadgetID("R200"), f);
            zahlen();
        } else if (id == MakeGadgetID("B200") || id == MakeGadgetID("B201")) {
            const BOOL ok = id == MakeGadgetID("B200") ? ArmyTrainingActivate(&d, f) : ArmyTrainingStop(&d);
            if (ok) {
                marker = -1;
                KaserneTrainingAuswahl(&d, -1, -1);
                alles();
            }
        } else if (id == MakeGadgetID("U200")) liste.Scroll(SLIDER_UP10);
        else if (id == MakeGadgetID("D200")) liste.Scroll(SLIDER_DOWN10);
        else if (id == MakeGadgetID("S200")) liste.Scroll((UWORD)std::max<LONG>(GetMouseY(), 0));
        else if (id == MakeGadgetID("U201")) panel.Scroll(SLIDER_UP10);
        else if (id == MakeGadgetID("D201")) panel.Scroll(SLIDER_DOWN10);
        else if (id == MakeGadgetID("S201")) panel.Scroll((UWORD)std::max<LONG>(GetMouseY(), 0));
        else if (id == MakeGadgetID("INF2")) KaserneDialogHooks.Text(GetString(&_VEK_TRAININGREQ_INFO));
        else if (id == MakeGadgetID("OK02")) {
            if (!KaserneOk(st)) ergebnis = 1;
            fertig = true;
        } else if (id == GADGET_EXIT) {
            KaserneExit(&d);
            fertig = true;
        }
    }
    liste.Frei();
    panel.Frei();
    d.Armeen.clear();
    KaserneTrainingAuswahl(&d, -1, -1);
    b.Schliessen();
    return ergebnis;
}

// ---- the weapons requester ----

KaserneInfo KaserneWaffenInfo(const Waffen &w, ULONG z)
{
    char t[80];
    KaserneInfo i;
    switch (z % 4) {
    case 0:
        i.Titel = GetStringFromID(251);
        std::snprintf(t, sizeof t, "%lu-%lu/%lu-%lu/%lu-%lu", (unsigned long)w.KurzMinSchaden,
                      (unsigned long)w.KurzMaxSchaden, (unsigned long)w.MittelMinSchaden, (unsigned long)w.MittelMaxSchaden,
                      (unsigned long)w.WeitMinSchaden, (unsigned long)w.WeitMaxSchaden);
        break;
    case 1:
        i.Titel = GetStringFromID(253);
        std::snprintf(t, sizeof t, "%lu %s", (unsigned long)w.Anzahl, GetString(&_VEK_KASERNE_STUECK));
        break;
    case 2:
        i.Titel = GetStringFromID(252);
        std::snprintf(t, sizeof t, "%lu/%lu/%lu", (unsigned long)w.KurzReichweite, (unsigned long)w.MittelReichweite,
                      (unsigned long)w.WeitReichweite);
        break;
    default: {
        i.Titel = GetStringFromID(453);
        static const LocStr *const kArt[5] = {&_VEK_KASERNE_EINHAENDER, &_VEK_KASERNE_ZWEIHAENDER,
                                               &_VEK_KASERNE_GESCHOSSWAFFE, &_VEK_KASERNE_BELAGERUNGSWAFFE,
                                               &_VEK_KASERNE_RUESTUNG};
        std::snprintf(t, sizeof t, "%s", GetString(w.Waffenart < 5 ? kArt[w.Waffenart] : &_VEK_KASERNE_UNKNOWNWEAPON));
    }
    }
    i.Titel = Kurz(i.Titel.c_str());
    i.Wert = Kurz(t);
    return i;
}

KaserneInfo KaserneTeilInfo(const ArmeeEntry &p, ULONG z)
{
    char t[64];
    KaserneInfo i;
    auto slot = [&](const LocStr &titel, ULONG id) {
        i.Titel = GetString(&titel);
        std::snprintf(t, sizeof t, "%s", id ? KaserneWarenName(id) : GetString(&_VEK_KASERNE_NOTAVAILABLE));
    };
    switch (z % 9) {
    case 1:
        i.Titel = GetString(&_VEK_KASERNE_LEUTE);
        std::snprintf(t, sizeof t, "%lu %s", (unsigned long)p.Anzahl, GetString(&_VEK_KASERNE_MEN));
        break;
    case 2: slot(_VEK_KASERNE_ERSTEWAFFE, p.WaffeI); break;
    case 3: slot(_VEK_KASERNE_ZWEITEWAFFE, p.WaffeII); break;
    case 4: slot(_VEK_KASERNE_SCHILD, p.Schild); break;
    case 5: slot(_VEK_KASERNE_HELM, p.Helm); break;
    case 6: slot(_VEK_KASERNE_RUESTUNG, p.Ruestung); break;
    case 7:
        i.Titel = GetString(&_VEK_KASERNE_TYP);
        if (p.Typ < 1 || p.Typ > 3) std::printf("ArmyWeaponPrintTexts: Dieser Armee Typ ist nicht definiert.\n");
        std::snprintf(t, sizeof t, "%s", KaserneTypName(p.Typ));
        break;
    case 8:
        i.Titel = GetString(&_VEK_KASERNE_ERSCHOEPFUNG);
        std::snprintf(t, sizeof t, "%u", (unsigned)p.Erschoepfung);
        break;
    default:
        i.Titel = GetString(&_VEK_KASERNE_ERFAHRUNG);
        std::snprintf(t, sizeof t, "%u", (unsigned)p.Erfahrung);
        break;
    }
    i.Titel = Kurz(i.Titel.c_str());
    i.Wert = Kurz(t);
    return i;
}

LONG ArmyWeapons(KaserneScreenDaten *st)
{
    LokalDataKaserne &d = st->Daten;
    Basis b(st);
    if (!b.Oeffnen("./Data/screendat/KaserneReq3.dat", 201, 1, "ArmyWeapons")) {
        b.Schliessen();
        return 0;
    }
    b.Label(b.Region->Rechteck[0], 8, _VEK_KASREQ3_STAT_WAFFEN, st->FontA);
    b.Label(Rechteck{b.Region->Rechteck[2].X0, (UWORD)(b.Region->Rechteck[2].Y0 - 16), b.Region->Rechteck[2].X1,
                     b.Region->Rechteck[2].Y0},
            0, _VEK_KASREQ3_STAT_WAFFE, st->FontB);
    b.Label(Rechteck{b.Region->Rechteck[3].X0, (UWORD)(b.Region->Rechteck[3].Y0 - 16), b.Region->Rechteck[3].X1,
                     b.Region->Rechteck[3].Y0},
            0, _VEK_KASREQ3_STAT_ARMEEN, st->FontB);
    if (!ReadKasernenData(&d, 1)) {
        b.Schliessen();
        return 0;
    }
    KaserneOeffnen(&d);
    KasernenFragen f{Advisor, Frage, NameBox, [](const std::vector<std::string> &) { return (LONG)-1; }};
    Liste waffen, armeen;
    std::vector<Zeile> tabelle;
    LONG armeeMarker = -1;
    ULONG zaehler = 0;
    int zeigt = 0;   // 1 a weapon, 2 a part
    const DisplayStatusBox &box = b.Region->DisplayStatusBox[0];
    auto infoZeigen = [&] {
        KaserneInfo i;
        if (zeigt == 1 && d.SelWaffe >= 0 && (size_t)d.SelWaffe < d.WaffenListe.size())
            i = KaserneWaffenInfo(d.WaffenListe[(size_t)d.SelWaffe], zaehler);
        else if (zeigt == 2 && d.SelArmee >= 0 && d.SelTeil >= 0)
            i = KaserneTeilInfo(d.Armeen[(size_t)d.SelArmee].Teile[(size_t)d.SelTeil], zaehler);
        if (KaserneInfoHook) KaserneInfoHook(i);
        RastPort *rp = DisplayRastPort();
        SetFont(rp, st->FontC);
        PrintText(rp, box.X0, (UWORD)(box.Y0 - 16), box.X1, (UWORD)(box.Y0 - 2), i.Titel.c_str(), 11, 7,
                  PT_BASELINE | PT_FILL);
        b.Status(0, i.Wert);
    };
    auto waffenZeigen = [&] {
        std::vector<std::string> z;
        for (const Waffen &w : d.WaffenListe) z.push_back(Kurz(GetString(w.WarenStringID < (ULONG)WAREN_COUNT ? Waren[w.WarenStringID] : nullptr), 79));
        if (z.empty()) z.push_back(std::string(18, ' ') + GetString(&_VEK_KASERNE_NOWEAPONS));
        waffen.Bauen(z, b.Region->Rechteck[2], b.Region->Rechteck[4], st->FontB);
        if (d.SelWaffe >= 0 && (size_t)d.SelWaffe < d.WaffenListe.size()) waffen.Markieren(d.SelWaffe);
        else d.SelWaffe = -1;
    };
    auto armeenZeigen = [&] {
        tabelle = ArmeeTeilTabelle(d);
        armeen.Bauen(ArmeeTeilZeilen(d, false), b.Region->Rechteck[3], b.Region->Rechteck[5], st->FontB);
        armeen.Markieren(armeeMarker);
    };
    waffenZeigen();
    armeenZeigen();
    infoZeigen();
    LONG ergebnis = 1;
    Druck druck;
    for (bool fertig = false; !fertig;) {
        CheckTitleBar(b.Region->TitleBar, st->FontA, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) continue;
        if (code == KEY_ESCAPE) {
            KaserneExit(&d);
            break;
        }
        const bool neu = druck.Neu(code);
        if (neu && In(b.Region->Rechteck[2]) && !d.WaffenListe.empty()) {
            const LONG z = waffen.Klick(d.WaffenListe.size());
            if (z >= 0) {
                if (z != d.SelWaffe || zeigt != 1) zaehler = 0;
                d.SelWaffe = z;
                zeigt = 1;
                zaehler = (zaehler + 1) % 4;
                infoZeigen();
            }
            continue;
        }
        if (neu && In(b.Region->Rechteck[3]) && !tabelle.empty()) {
            const LONG z = armeen.Klick(tabelle.size());
            if (z >= 0) {
                if (z != armeeMarker) zaehler = 0;
                armeeMarker = z;
                d.SelArmee = tabelle[(size_t)z].Armee;
                d.SelTeil = tabelle[(size_t)z].Teil;
                if (d.SelTeil >= 0) {
                    if (zeigt != 2) zaehler = 0;
                    zeigt = 2;
                    zaehler = (zaehler + 1) % 9;
                    infoZeigen();
                }
            }
            continue;
        }
        GadgetData *g = CheckGadgets(DisplayRastPort(), b.Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == MakeGadgetID("B100")) {
            if (ArmyWeaponsInsertInArmy(&d, f)) {
                waffenZeigen();
                armeenZeigen();
                infoZeigen();
            }
        } else if (id == MakeGadgetID("B101")) {
            if (ArmyWeaponsRemoveFromArmy(&d, zaehler, zeigt == 2, f)) {
                waffenZeigen();
                armeenZeigen();
                infoZeigen();
            }
        } else if (id == MakeGadgetID("CYCL")) {
            if (zeigt) {
                zaehler = (zaehler + 1) % (zeigt == 1 ? 4 : 9);
                infoZeigen();
            }
        } else if (id == MakeGadgetID("U300")) waffen.Scroll(SLIDER_UP10);
        else if (id == MakeGadgetID("D300")) waffen.Scroll(SLIDER_DOWN10);
        else if (id == MakeGadgetID("S300")) waffen.Scroll((UWORD)std::max<LONG>(GetMouseY(), 0));
        else if (id == MakeGadgetID("U301")) armeen.Scroll(SLIDER_UP10);
        else if (id == MakeGadgetID("D301")) armeen.Scroll(SLIDER_DOWN10);
        else if (id == MakeGadgetID("S301")) armeen.Scroll((UWORD)std::max<LONG>(GetMouseY(), 0));
        else if (id == MakeGadgetID("INF3")) KaserneDialogHooks.Text(GetString(&_VEK_WAFFENREQ_INFO));
        else if (id == MakeGadgetID("OK03")) {
            if (!KaserneOk(st)) ergebnis = 0;
            fertig = true;
        } else if (id == GADGET_EXIT) {
            KaserneExit(&d);
            fertig = true;
        }
    }
    waffen.Frei();
    armeen.Frei();
    d.Armeen.clear();
    d.SelArmee = d.SelTeil = d.SelWaffe = -1;
    b.Schliessen();
    return ergebnis;
}
