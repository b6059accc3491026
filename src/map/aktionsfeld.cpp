// Orders carried out at once after the order menu: attacks, captures and
// duels become battle records for the server, moves walk the traced path,
// merchant ships take figures aboard and put them ashore, a cleric searches
// for herbs and a ship gets its name. Every other order only stays in the
// figure and travels with the figures of the map prefs.
#include "map/aktionsfeld.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "map/figures_map.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "map/mapview.h"
#include "media/sound.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"

void (*AktionsMeldungHook)(const char *) = nullptr;

namespace {

constexpr ULONG KRIG_SATZ = sizeof(st_KRIG_EXT);
constexpr const char kChooseBox[] = "./Data/screendat/ChooseBox.dat";



UWORD BoxX() { return (UWORD)((VekDisplay.VekScreen_Breite - 640) / 2 + 168); }
UWORD BoxY() { return (UWORD)((VekDisplay.VekScreen_Hoehe - 480) / 2 + 180); }

void Meldung(const char *text)
{
    if (AktionsMeldungHook) AktionsMeldungHook(text);
    ChiefMessage(66, BoxX(), BoxY(), 0, 0, 0, CHIEF_OK, text, 7);
}

// Ok confirms; a box that could not be shown answers Cancel.
bool Frage(const char *text)
{
    if (AktionsMeldungHook) AktionsMeldungHook(text);
    return ChiefMessage(66, BoxX(), BoxY(), 0, 0, 0, CHIEF_OKCANCEL, text, 7) == 0;
}

bool IstSchiff(UWORD art) { return art >= FID_HANDELSSCHIFF_KLEIN && art <= FID_KRIEGSSCHIFF_GROSS; }
bool IstHandelsschiff(UWORD art) { return art >= FID_HANDELSSCHIFF_KLEIN && art <= FID_HANDELSSCHIFF_GROSS; }
bool IstKriegsschiff(UWORD art) { return art >= FID_KRIEGSSCHIFF_KLEIN && art <= FID_KRIEGSSCHIFF_GROSS; }
bool IstArmee(UWORD art) { return art >= 1 && art <= 9; }
bool IstEigen(const st_MOVE_EXT *f) { return f->SpielerID == PlayerInfo.SpielerID; }

bool Erreichbar(const VekMapInfo *v, LONG wx, LONG wy)
{
    if (!v->GreatCMapPtr || wx < 0 || wy < 0 || wx >= FENSTER_BREITE || wy >= FENSTER_HOEHE) return false;
    return (v->GreatCMapPtr[wy * FENSTER_BMAP_ZEILE + wx / 8] >> (wx % 8)) & 1;
}

// The attack question in its two forms: with the owner's name from the
// player list, or with the owner's number when the list does not know him.
void Frageform(const LokaleDatenKartenScreen *st, const st_MOVE_EXT *ziel, const char *anfang, const char *ende,
               bool frage, char *text, size_t groesse)
{
    char name[80] = {};
    const bool hatName = st->SpielerChunkPtr && GetPlayerName_GetName(ziel->SpielerID, name, st->SpielerChunkPtr);
    const char *zeichen = frage ? " ?" : "";
    if (hatName)
        std::snprintf(text, groesse, "%s %s %s %s%s", anfang, GetString(&_VEK_TITEL1), name, ende, zeichen);
    else
        std::snprintf(text, groesse, "%s %s %u %s%s", anfang, GetString(&_VEK_KARTE_SPIELER),
                      (unsigned)ziel->SpielerID, ende, zeichen);
}

// The figure's reach on the screen until Escape or until Ziel (called with
// the view column and row of a reachable hex) answers true. 1, or 0 when
// the reach could not be worked out.
template <class F>
int ZielWaehlen(LokaleDatenKartenScreen *st, UWORD typ, ULONG punkte, bool eigenesGesperrt, F &&Ziel)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    const LONG fx = v->IndeX + st->X_Pos, fy = v->IndeY + st->Y_Pos;
    bool ok = GetMoveArray(v, fx, fy, typ, punkte);
    // The figure's own hex is no target.
    if (ok && eigenesGesperrt) v->MoveArray[MOVE_MITTE * MOVE_SEITE + MOVE_MITTE] = MOVE_UNERREICHT;
    ok = ok && MakeMapFromArray(v, fx - MOVE_MITTE, fy - MOVE_MITTE, 0);
    if (!ok) {
        std::printf("CheckAktionsFeld : Konnte MoveArray nicht anlegen !\n");
        FreeMoveAllocs(v);
        return 0;
    }
    v->Status |= MAPSTATUS_BEWEGUNG;
    SetPos(v, 0, 0);
    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = st->ScreenRegion ? CheckGadgets(nullptr, st->ScreenRegion, code) : nullptr;
        if (code == KEY_ESCAPE) break;
        if (!g) continue;
        if (g->ReturnID == MakeGadgetID("MAP0")) {
            const ULONG hex = GetMapGadget(v, GetMouseX() + 16, GetMouseY() + 28);
            if (hex == KEIN_HEX) continue;
            const LONG c = GadgetSpalte(hex), r = GadgetZeile(hex);
            if (!Erreichbar(v, v->IndeX + c, v->IndeY + r)) {
                Meldung(GetString(&_VEK_KARTE_RICHTIGESHEXWAEHLEN));
                continue;
            }
            if (Ziel(c, r)) break;
        } else if (g->ReturnID == GADGET_KEY && KeyExtended) {
            switch (g->Flags) {
            case KEY_LEFT: SetPos(v, -1, 0); break;
            case KEY_UP: SetPos(v, 0, -1); break;
            case KEY_RIGHT: SetPos(v, 1, 0); break;
            case KEY_DOWN: SetPos(v, 0, 1); break;
            default: break;
            }
        }
    }
    v->Status &= (UWORD)~MAPSTATUS_BEWEGUNG;
    SetPos(v, 0, 0);
    FreeMoveAllocs(v);
    return 1;
}

// ---- attack, capture, duel ----

int Angriff(LokaleDatenKartenScreen *st, st_MOVE_EXT *f)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    PlayCDTrack(UserSystem.OP.CDDevicename, UserSystem.OP.CDDeviceUnit, 10, 10);
    const UWORD art = f->FigurArt;
    bool bestaetigt = false;
    int ergebnis = 1;
    const int ok = ZielWaehlen(st, art, f->Bewegungspunkte, false, [&](LONG c, LONG r) {
        st_MOVE_EXT *ziel = GetActivePeople(v, v->X_Hex + c, v->Y_Hex + r, 1);
        char text[1024];
        if (art == FID_KUNDSCHAFTER) {
            if (!ziel || ziel->FigurArt != FID_KUNDSCHAFTER) {
                Meldung(GetString(&_VEK_KARTE_NODUELLONTHISHEX));
                return false;
            }
            if (IstEigen(ziel)) return false;
            Frageform(st, ziel, GetString(&_VEK_KARTE_REALLY_ATTACK4), GetString(&_VEK_KARTE_REALLY_ATTACK2), false,
                      text, sizeof text);
        } else if (IstArmee(art)) {
            const UWORD z = ziel ? ziel->FigurArt : 0xFFFF;
            const bool passt = (z >= 1 && z <= 10) || z == FID_KARAWANE || (z >= 1000 && z <= 1013);
            if (!ziel || !passt) {
                Meldung(GetString(&_VEK_KARTE_NOARMEEONTHISHEX));
                return false;
            }
            if (IstEigen(ziel)) return false;
            Frageform(st, ziel, GetString(&_VEK_KARTE_REALLY_ATTACK1), GetString(&_VEK_KARTE_REALLY_ATTACK2), false,
                      text, sizeof text);
        } else if (IstKriegsschiff(art)) {
            if (f->Kommando == KOMMANDO_KAPERN) {
                if (ziel && IstKriegsschiff(ziel->FigurArt)) {
                    Meldung("Kriegsschiffe k\366nnen nicht gekapert werden!");
                    return false;
                }
                if (!ziel || !IstHandelsschiff(ziel->FigurArt) || IstEigen(ziel)) {
                    Meldung(GetString(&_VEK_KARTE_NOSHIPONTHISHEX));
                    return false;
                }
                Frageform(st, ziel, GetString(&_VEK_KARTE_REALLY_ATTACK3), GetString(&_VEK_KARTE_WIRKLICHKAPERN),
                          true, text, sizeof text);
            } else {
                if (!ziel || !IstSchiff(ziel->FigurArt) || IstEigen(ziel)) {
                    Meldung(GetString(&_VEK_KARTE_NOSHIPONTHISHEX));
                    return false;
                }
                Frageform(st, ziel, GetString(&_VEK_KARTE_REALLY_ATTACK3), GetString(&_VEK_KARTE_REALLY_ATTACK2),
                          false, text, sizeof text);
            }
        } else {
            return false;
        }
        if (!Frage(text)) return false;
        const st_MOVE_EXT verteidiger = *ziel;
        bestaetigt = true;
        if (IstKriegsschiff(art)) {
            f->Bewegungspunkte = 0;
            std::printf(f->Kommando == KOMMANDO_KAPERN ? "Kapern erfolgt...\n" : "Angriff erfolgt...\n");
            if (!KrigAnhaengen(f, &verteidiger)) ergebnis = 0;
        } else {
            if (!KrigAnhaengen(f, &verteidiger)) ergebnis = 0;
            f->Bewegungspunkte = 0;
            std::printf("Angriff erfolgt...\n");
        }
        return true;
    });
    // A failure leaves the order in the figure.
    if (ok && !bestaetigt) f->Kommando = 0;
    return ok && ergebnis;
}

// ---- move and convoy ----

int Bewegen(LokaleDatenKartenScreen *st, st_MOVE_EXT *f)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    const LONG fx = v->IndeX + st->X_Pos, fy = v->IndeY + st->Y_Pos;
    int ergebnis = ZielWaehlen(st, f->FigurArt, f->Bewegungspunkte, true, [&](LONG c, LONG r) {
        const UBYTE punkte = f->Bewegungspunkte;
        if (punkte < 1) return true;
        const BYTE start = (BYTE)std::min<int>(punkte, 127);
        v->MoveArray[MOVE_MITTE * MOVE_SEITE + MOVE_MITTE] = start;
        WegSchritt schritte[256];
        const int n = WegVerfolgen(v->MoveArray, fx, fy, v->GreatMapPtr, f->FigurArt, punkte, start,
                                   v->IndeX + c - (fx - MOVE_MITTE), v->IndeY + r - (fy - MOVE_MITTE), schritte);
        v->Status &= (UWORD)~MAPSTATUS_BEWEGUNG;
        SetPos(v, 0, 0);
        for (int i = n - 1; i >= 0; --i) {
            if (!SetPeople(v, f, schritte[i].dx, schritte[i].dy)) continue;
            SetFigurDependence(f, schritte[i].dx, schritte[i].dy);
            // The mark goes with the figure, also when the view followed it.
            st->X_Pos = (WORD)CheckWrap((LONG)f->X_Pos - v->X_Hex, WELT_BREITE);
            st->Y_Pos = (WORD)CheckWrap((LONG)f->Y_Pos - v->Y_Hex, WELT_HOEHE);
        }
        return true;
    });
    if (ergebnis) f->Kommando = 0;
    return ergebnis;
}

// ---- load and unload ----

ShipListEntry *SchiffEintrag(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f)
{
    ListHeader *l = st->ShipListPtr;
    if (!l) return nullptr;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; n && i < l->Elemente; ++i, n = n->Next) {
        auto *s = (ShipListEntry *)n;
        if (s->Schiff.X_Pos == f->X_Pos && s->Schiff.Y_Pos == f->Y_Pos && s->Schiff.SchiffsID == f->FigurNummer)
            return s;
    }
    return nullptr;
}

int Fracht(LokaleDatenKartenScreen *st, st_MOVE_EXT *schiff)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    if (schiff->FigurArt == FID_KARAWANE) {
        KarawaneReq();
        return 1;
    }
    if (!IstHandelsschiff(schiff->FigurArt)) return 1;
    ShipListEntry *s = SchiffEintrag(st, schiff);
    if (!s) {
        schiff->Kommando = 0;
        return 1;
    }
    st_MOVE_EXT *platz[3] = {&s->Schiff.Figur1, &s->Schiff.Figur2, &s->Schiff.Figur3};
    const bool entladen = schiff->Kommando == KOMMANDO_ENTLADEN;
    const int ok = ZielWaehlen(st, FID_KUNDSCHAFTER, 2, true, [&](LONG c, LONG r) {
        const ULONG ax = (ULONG)CheckWrap(v->X_Hex + c, WELT_BREITE), ay = (ULONG)CheckWrap(v->Y_Hex + r, WELT_HOEHE);
        const LONG dx = Kurz((LONG)ax - (LONG)schiff->X_Pos, WELT_BREITE);
        const LONG dy = Kurz((LONG)ay - (LONG)schiff->Y_Pos, WELT_HOEHE);
        if (entladen) {
            for (st_MOVE_EXT *p : platz) {
                st_MOVE_EXT *fracht = SearchPeopleInShip(st, s, p);
                if (!fracht) {
                    std::memset(p, 0, sizeof *p);
                    continue;
                }
                fracht->Kommando = 0;
                fracht->X_Pos = ax, fracht->Y_Pos = ay;
                if (dx || dy) SetFigurDependence(fracht, dx, dy);
                std::memset(p, 0, sizeof *p);
                break;
            }
            schiff->Bewegungspunkte = 0;
            SetPos(v, 0, 0);
            return true;
        }
        st_MOVE_EXT *figur = GetActivePeople(v, (LONG)ax, (LONG)ay, 0);
        const UWORD art = figur ? figur->FigurArt : 0xFFFF;
        const bool direkt = art == FID_KUNDSCHAFTER || art == FID_SIEDLER || art == FID_KLERIKER ||
                            art == FID_GEOLOGE || art == FID_KARAWANE;
        if (!figur || (!direkt && !IstArmee(art))) {
            Meldung(GetString(&_VEK_KARTE_NOOWNARMEEONTHISHEX));
            return false;
        }
        if (IstArmee(art) && GetSizeOfArmy(st->ArmeeListe, figur->FigurNummer) > SchiffsSoldaten(schiff->FigurArt)) {
            Meldung(GetString(&_VEK_KARTE_ARMEE_ZU_GROSS));
            return false;
        }
        st_MOVE_EXT *frei = nullptr;
        for (st_MOVE_EXT *p : platz)
            if (!frei && p->Kommando != KOMMANDO_AN_BORD) frei = p;
        // A full ship takes nobody more; the order menu does not offer it.
        if (!frei) return true;
        figur->X_Pos = schiff->X_Pos, figur->Y_Pos = schiff->Y_Pos;
        // What belongs to the figure goes aboard with it.
        SetFigurDependence(figur, -dx, -dy);
        figur->Kommando = KOMMANDO_AN_BORD;
        figur->Bewegungspunkte = 0;
        schiff->Bewegungspunkte =
            PunkteWeniger(schiff->Bewegungspunkte,
                          HoleBewegungspunkte(schiff->FigurArt) / (ULONG)SchiffsPlaetze(schiff->FigurArt));
        *frei = *figur;
        SetPos(v, 0, 0);
        return true;
    });
    if (!ok) return 0;
    schiff->Kommando = 0;
    return 1;
}

// ---- ship names ----

int Benennen(LokaleDatenKartenScreen *st, st_MOVE_EXT *f)
{
    ListHeader *l = st->ShipAddOnListPtr;
    if (!l) return 1;
    ListNode *eintrag = nullptr;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; n && i < l->Elemente && !eintrag; ++i, n = n->Next)
        if (((ShipAddOn *)NodeData(n))->SchiffsID == f->FigurNummer) eintrag = n;
    const bool neu = !eintrag;
    if (neu) {
        eintrag = (ListNode *)AllocVec(std::max<ULONG>(l->TypSize, sizeof(ListNode) + sizeof(ShipAddOn)), MEMF_CLEAR);
        if (!eintrag) {
            std::printf("CheckAktionsFeld : Konnte Speicher f\374r Schiffsnamen nicht allokieren !\n");
            return 0;
        }
        ((ShipAddOn *)NodeData(eintrag))->SchiffsID = f->FigurNummer;
    }
    auto *rec = (ShipAddOn *)NodeData(eintrag);
    // The box edits up to 255 characters; the record keeps 79 of them.
    char puffer[EINGABE_MAX + 1] = {};
    std::snprintf(puffer, sizeof puffer, "%.*s", (int)sizeof rec->Name - 1, rec->Name);
    const char *name =
        EingabeBox(puffer, (UWORD)((VekDisplay.VekScreen_Breite - 304) / 2), (UWORD)((VekDisplay.VekScreen_Hoehe - 119) / 2),
                   "Wie soll dieses Schiff in Zukunft heissen ?",
                   "Sie k\366nnen hier Ihrer Einheite einen Namen zuweisen. Sie wird zuk\374nftig unter diesem Namen "
                   "gelistet",
                   0);
    if (name) {
        std::memset(rec->Name, 0, sizeof rec->Name);
        std::snprintf(rec->Name, sizeof rec->Name, "%s", name);
        if (neu) InsertNode(l, eintrag, LIST_LAST, 0);
    } else if (neu) {
        FreeVec(eintrag);
    } else {
        l->ActNode = eintrag;
        DeleteNode(l, LIST_ACT, 0, LIST_FREE_OWNED);
    }
    if (st->GUI == 1 && st->FigurTyp <= 4) {
        static const char kKnopf[5][5] = {"BUT1", "BUT2", "BUT3", "BUT4", "BUT5"};
        UpdateFigurRequester(st, MakeGadgetID(kKnopf[st->FigurTyp]));
    }
    f->Kommando = 0;
    return 1;
}

// ---- herbs ----

int Suchen(LokaleDatenKartenScreen *st, st_MOVE_EXT *f)
{
    if (f->FigurArt != FID_KLERIKER) {
        f->Kommando = 0;
        return 1;
    }
    const char *hinweis = GetString(&_VEK_KARTE_SUCHEN_KRAUT);
    if (AktionsMeldungHook) AktionsMeldungHook(hinweis);
    ChiefStruktur1 *box = ChiefMessageOpen(66, BoxX(), (UWORD)((VekDisplay.VekScreen_Hoehe - 480) / 2 + 16), 0, 0, 0,
                                           CHIEF_NONMODAL, hinweis, 7);
    if (!box) {
        std::printf("CheckAktionsFeld: Konnte ChiefMessage nicht aufbauen...\n");
        return 0;
    }
    char *zeilen = (char *)AllocVec(KRAEUTER * REQ_LINE_SIZE, MEMF_CLEAR);
    if (!zeilen) {
        std::printf("CheckAktionsFeld: Konnte Speicher 1 nicht allokieren...\n");
        QuitChiefMessage(box);
        return 0;
    }
    for (int h = 0; h < KRAEUTER; ++h)
        std::snprintf(zeilen + h * REQ_LINE_SIZE, REQ_LINE_SIZE, "%s", GetStringFromID(881 + (ULONG)h));
    const LONG h = ChooseBox(kChooseBox, (UWORD)((VekDisplay.VekScreen_Breite - 640) / 2 + 216),
                             (UWORD)((VekDisplay.VekScreen_Hoehe - 480) / 2 + 130), KRAEUTER,
                             GetString(&_VEK_KARTE_SUCHEN_KRAUT_TITLE), zeilen, GetString(&_VEK_KARTE_SUCHEN_KRAUT_INFO));
    FreeVec(zeilen);
    if (h < 0 || h >= KRAEUTER) {
        QuitChiefMessage(box);
        f->Kommando = 0;
        return 1;
    }
    return KrautSuche(st, f, (int)h, box);
}

// The ware stock file gains the units of herb type typ.
int WarenLager(UBYTE typ, ULONG einheiten)
{
    ListHeader *l = CreateList(LISTE_WAREN);
    if (!l) {
        std::printf("CheckAktionsFeld: kein Speicher f\374r ListHeader vorhanden...\n");
        return 0;
    }
    if (std::FILE *da = std::fopen(WARENCHUNK_FILE, "rb")) {
        std::fclose(da);
        auto *alt = (st_WARE *)LoadChunk2Mem(ID_WARE, WARENCHUNK_FILE);
        const BOOL ok = alt && ScanWare2List(l, alt);
        FreeVec(alt);
        if (!ok) {
            std::printf("CheckAktionsFeld: Konnte alten WarenChunk nicht in die Liste einscannen...\n");
            DeleteList(l, LIST_FREE_OWNED);
            return 0;
        }
    }
    WareListEntry *da = nullptr;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; n && i < l->Elemente && !da; ++i, n = n->Next) {
        auto *w = (WareListEntry *)n;
        if (w->Ware.Info == WARE_INFO_KRAUT && w->Ware.WarenTyp == typ) da = w;
    }
    if (da) {
        da->Ware.WarenAnzahl += einheiten;
    } else {
        auto *w = (WareListEntry *)AllocVec(std::max<ULONG>(l->TypSize, sizeof(WareListEntry)), MEMF_CLEAR);
        if (!w) {
            std::printf("CheckAktionsFeld: kein Speicher f\374r ListHeader vorhanden...\n");
            DeleteList(l, LIST_FREE_OWNED);
            return 0;
        }
        w->Ware.Info = WARE_INFO_KRAUT;
        w->Ware.Herkunft = PlayerInfo.SpielerID;
        w->Ware.WarenTyp = typ;
        w->Ware.WarenAnzahl = einheiten;
        w->Ware.DateInSec = (ULONG)std::time(nullptr);
        InsertNode(l, &w->Node, LIST_LAST, 0);
    }
    int ergebnis = 1;
    st_WARE *chunk = MakeWareChunkFromList(l);
    if (!chunk || !SaveChunk2File(WARENCHUNK_FILE, chunk)) {
        std::printf("CheckAktionsFeld: Konnte Chunk nicht abspeichern : %s !\n", WARENCHUNK_FILE);
        ergebnis = 0;
    }
    FreeVec(chunk);
    DeleteList(l, LIST_FREE_OWNED);
    return ergebnis;
}

}  // namespace

int SchiffsPlaetze(UWORD art) { return IstHandelsschiff(art) ? art - FID_HANDELSSCHIFF_KLEIN + 1 : 0; }
ULONG SchiffsSoldaten(UWORD art) { return (ULONG)SchiffsPlaetze(art) * 10000; }
UBYTE PunkteWeniger(UBYTE p, ULONG n) { return n >= p ? 0 : (UBYTE)(p - n); }

ULONG KrautErtrag(UWORD anzahl)
{
    if (anzahl > 250) return 1 + Wuerfel(16);
    if (anzahl > 125) return 1 + Wuerfel(8);
    if (anzahl > 50) return 1 + Wuerfel(4);
    return 1;
}

int KrautSuche(LokaleDatenKartenScreen *st, st_MOVE_EXT *f, int h, ChiefStruktur1 *box)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    const UBYTE typ = (UBYTE)(KRAUT_WARE_ERSTE + h);
    f->Bewegungspunkte = PunkteWeniger(f->Bewegungspunkte, 2);
    const ULONG ax = (ULONG)CheckWrap(v->X_Hex + st->X_Pos, WELT_BREITE), ay = (ULONG)CheckWrap(v->Y_Hex + st->Y_Pos, WELT_HOEHE);
    const MapEntry *hex = FensterHex(v, v->IndeX + st->X_Pos, v->IndeY + st->Y_Pos);
    ULONG einheiten = 0;
    int ergebnis = 1;
    ListHeader *l = nullptr;
    auto Ende = [&](int e) {
        DeleteList(l, LIST_FREE_OWNED);
        QuitChiefMessage(box);
        // A failure leaves the order in the figure.
        if (e) f->Kommando = 0;
        return e;
    };
    if (hex && (hex->Spezial & 0x1) && IsChunkPresent(ChunkBit(CN_HERB), POOL_IN)) {
        auto *herb = (st_HERB *)LoadChunk2Mem(ID_HERB, POOL_IN);
        if (!herb) {
            std::printf("CheckAktionsFeld: Konnte Chunk nicht in den Speicher laden : %s !\n", POOL_IN);
            return Ende(0);
        }
        l = CreateList(LISTE_HERB);
        if (!l) {
            std::printf("CheckAktionsFeld: Konnte Liste nicht erstellen !\n");
            FreeVec(herb);
            return Ende(0);
        }
        // A chunk whose count and length disagree is refused: nothing found.
        if (!ScanHerb2List(l, herb)) std::printf("CheckAktionsFeld: HERB-Chunk ist fehlerhaft !\n");
        FreeVec(herb);
        HerbListEntry *acker = nullptr;
        ListNode *n = l->FirstNode;
        for (ULONG i = 0; n && i < l->Elemente && !acker; ++i, n = n->Next) {
            auto *e = (HerbListEntry *)n;
            if (e->Herb.X_Pos == ax && e->Herb.Y_Pos == ay && e->Herb.Art == typ && e->Herb.Anzahl > 0) acker = e;
        }
        if (acker) {
            einheiten = KrautErtrag(acker->Herb.Anzahl);
            acker->Herb.Entnommen = (UBYTE)einheiten;
            // Only this find goes to the server.
            while (l->Elemente > 1) {
                l->ActNode = l->FirstNode == &acker->Node ? l->FirstNode->Next : l->FirstNode;
                DeleteNode(l, LIST_ACT, 0, LIST_FREE_OWNED);
            }
            st_HERB *chunk = MakeHerbChunkFromList(l);
            if (!chunk) {
                std::printf("CheckAktionsFeld: Konnte HerbChunk nicht erstellen !\n");
                return Ende(0);
            }
            const BOOL gespeichert = AddChunkPool(chunk, POOL_OUT);
            FreeVec(chunk);
            if (!gespeichert) {
                std::printf("CheckAktionsFeld: Konnte Chunk nicht abspeichern : %s !\n", POOL_OUT);
                return Ende(0);
            }
            if (!WarenLager(typ, einheiten)) return Ende(0);
        }
    }
    DeleteList(l, LIST_FREE_OWNED);
    l = nullptr;
    QuitChiefMessage(box);
    box = nullptr;
    if (einheiten) {
        char text[512];
        std::snprintf(text, sizeof text, "%s %u %s %s %s...", GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT1),
                      (unsigned)einheiten, GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT2), GetStringFromID(881 + (ULONG)h),
                      GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT3));
        Meldung(text);
    } else {
        Meldung(GetString(&_VEK_KARTE_SUCHEN_KRAUT_TEXT4));
    }
    return Ende(ergebnis);
}

int KrigAnhaengen(const st_MOVE_EXT *angreifer, const st_MOVE_EXT *verteidiger)
{
    st_KRIG *alt = nullptr;
    if (IsChunkPresent(ChunkBit(CN_KRIG), POOL_OUT)) {
        alt = (st_KRIG *)LoadChunk2Mem(ID_KRIG, POOL_OUT);
        if (!alt) {
            std::printf("CheckAktionsFeld : Konnte KRIG-Chunk nicht laden !\n");
            return 0;
        }
    }
    // Only the records that the old chunk's length really holds are kept.
    ULONG n = 0;
    if (alt && alt->Head.Length >= 4) n = std::min<ULONG>(alt->AnzahlKriege, (alt->Head.Length - 4) / KRIG_SATZ);
    const ULONG groesse = (ULONG)sizeof(st_KRIG) + (n + 1) * KRIG_SATZ;
    auto *neu = (st_KRIG *)AllocVec(groesse, MEMF_CLEAR);
    if (!neu) {
        std::printf("CheckAktionsFeld : Konnte Speicher f\374r KRIG-Chunk nicht allokieren !\n");
        FreeVec(alt);
        return 0;
    }
    neu->Head.ChunkID = ID_KRIG;
    neu->Head.Version = alt ? alt->Head.Version : VERSION_V001;
    if (alt) std::memcpy((UBYTE *)neu + sizeof(st_KRIG), (const UBYTE *)alt + sizeof(st_KRIG), n * KRIG_SATZ);
    FreeVec(alt);
    neu->AnzahlKriege = n + 1;
    neu->Head.Length = 4 + (n + 1) * KRIG_SATZ;
    st_KRIG_EXT satz{};
    satz.Angreifer = *angreifer;
    satz.Verteidiger = *verteidiger;
    std::memcpy((UBYTE *)neu + sizeof(st_KRIG) + n * KRIG_SATZ, &satz, KRIG_SATZ);
    const BOOL ok = AddChunkPool(neu, POOL_OUT);
    FreeVec(neu);
    if (!ok) std::printf("CheckAktionsFeld : Konnte KRIG-Chunk nicht speichern !\n");
    return ok ? 1 : 0;
}

int WegVerfolgen(const BYTE *feld, LONG fensterX, LONG fensterY, const MapEntry *map, UWORD typ, UBYTE punkte,
                 BYTE start, LONG zc, LONG zr, WegSchritt *schritte)
{
    // Window position of cell (0, 0).
    const LONG x0 = fensterX - MOVE_MITTE, y0 = fensterY - MOVE_MITTE;
    auto Zelle = [&](HexPos p, int *wert) {
        const LONG c = p.x - x0, r = p.y - y0;
        if (c < 0 || r < 0 || c >= MOVE_SEITE || r >= MOVE_SEITE) return false;
        *wert = feld[r * MOVE_SEITE + c];
        return true;
    };
    HexPos hier{x0 + zc, y0 + zr};
    int v = 0;
    if (!Zelle(hier, &v)) return 0;
    int richtung = HEX_N, n = 0;
    while (n < punkte) {
        v += GetMovePoints(map, hier.x, hier.y, typ);
        for (int r = HEX_N; r < HEX_RICHTUNGEN; ++r) {
            int w;
            if (Zelle(HexNachbar(hier, r), &w) && w == v) richtung = r;
        }
        const HexPos dort = HexNachbar(hier, richtung);
        // Recorded towards the target; the caller walks them backwards.
        schritte[n++] = WegSchritt{hier.x - dort.x, hier.y - dort.y};
        hier = dort;
        int w;
        if (Zelle(hier, &w) && w == start) break;
    }
    return n;
}

int CheckAktionsFeld(LokaleDatenKartenScreen *st)
{
    st_MOVE_EXT *f = st ? st->AktPerson : nullptr;
    if (!f || !st->VekMapInfoPtr) return 1;
    switch (f->Kommando) {
    case KOMMANDO_ANGREIFEN:
    case KOMMANDO_KAPERN:
    case KOMMANDO_DUELLIEREN: return Angriff(st, f);
    case KOMMANDO_BEWEGEN:
    case KOMMANDO_GELEITEN: return Bewegen(st, f);
    case KOMMANDO_BELADEN:
    case KOMMANDO_ENTLADEN: return Fracht(st, f);
    case KOMMANDO_SUCHEN: return Suchen(st, f);
    case KOMMANDO_BENENNEN:
        if (!IstSchiff(f->FigurArt)) return 1;
        return Benennen(st, f);
    default: return 1;
    }
}
