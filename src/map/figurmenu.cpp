// The order menu beside the selected figure: the orders it may get now, one
// row per figure on its hex, hover tips with strength, damage, battles or
// owner, and the swap that puts a chosen figure at the top of the hex.
#include "map/figurmenu.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "map/figures_map.h"
#include "world/hex.h"
#include "map/mapview.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "ui/input.h"

namespace {

constexpr const char kPfad[] = "./Data/Path";
constexpr ULONG kBildBefehl = 448, kBildFigur = 449;
constexpr ULONG kTippTicks = 10;
constexpr UWORD kModusText = 293, kModusFuellen = 301;
constexpr UWORD kStiftText = 7, kStiftBefehl = 98, kStiftBefehlHell = 96;
constexpr UWORD kStiftFigur = 31, kStiftFigurHell = 2, kStiftAuswahl = 107;

LocStr *const kBefehlTexte[FIGURMENU_BEFEHLE] = {
    &_VEK_KARTE_BEFEHL_NICHTS,       &_VEK_KARTE_BEFEHL_ANNEKTIEREN, &_VEK_KARTE_BEFEHL_WACHEN,
    &_VEK_KARTE_BEFEHL_ANGREIFEN,    &_VEK_KARTE_BEFEHL_SIEDELN,     &_VEK_KARTE_BEFEHL_BELADEN,
    &_VEK_KARTE_BEFEHL_ENTLADEN,     &_VEK_KARTE_BEFEHL_VERFRACHTET, &_VEK_KARTE_BEFEHL_KAPERN,
    &_VEK_KARTE_BEFEHL_PLUENDERN,    &_VEK_KARTE_BEFEHL_BEWEGEN,     &_VEK_KARTE_BEFEHL_UEBERGEBEN,
    &_VEK_KARTE_BEFEHL_ENTLEHNEN,    &_VEK_KARTE_BEFEHL_DUELLIEREN,  &_VEK_KARTE_BEFEHL_SUCHEN,
    &_VEK_KARTE_BEFEHL_HANDELN,      &_VEK_KARTE_BEFEHL_REPARIEREN,  &_VEK_KARTE_BEFEHL_ABWRACKEN,
    &_VEK_KARTE_BEFEHL_KONVOYTIEREN, &_VEK_KARTE_BEFEHL_BENENNEN,    &_VEK_KARTE_BEFEHL_ERFORSCHEN,
    &_VEK_KARTE_BEFEHL_ABTRAGEN,
};



bool IstArmee(UWORD art) { return art >= 1 && art <= 9; }
bool IstHandelsschiff(UWORD art) { return art >= 14 && art <= 16; }
bool IstKriegsschiff(UWORD art) { return art >= 17 && art <= 19; }
bool IstSchiff(UWORD art) { return art >= 14 && art <= 19; }
bool IstFremdeArt(UWORD art) { return art >= 1000 && art <= 1013; }
bool AnBord(const st_MOVE_EXT *f) { return f->Kommando == KOMMANDO_AN_BORD; }

bool IstLand(const MapEntry *e)
{
    return e && e->Art != 0 && e->Art != 23 && e->Art != 28 && e->Art != 29 && e->Art < 1616;
}
// A hex's terrain class counts only on valid land.
UWORD Klasse(const MapEntry *e) { return IstLand(e) ? GetTypeOfHex(e->Art) : (UWORD)GK_NICHTS; }
bool IstWasser(const MapEntry *e)
{
    return e && e->Art != 0 && e->Art <= MAX_HEX_GRAFIK && GetTypeOfHex(e->Art) == GK_WASSER;
}
bool Eigen(const MapEntry *e) { return e && e->BesitzerID == PlayerInfo.SpielerID; }
bool EigenesLand(const MapEntry *e) { return IstLand(e) && Eigen(e); }

// The marked hex in window and world coordinates.
struct Ort {
    VekMapInfo *view;
    LONG wx, wy;  // window
    LONG ax, ay;  // world
    const MapEntry *hex;
};

Ort MarkiertesHex(const LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    Ort o{v, v->IndeX + st->X_Pos, v->IndeY + st->Y_Pos, CheckWrap(v->X_Hex + st->X_Pos, WELT_BREITE),
          CheckWrap(v->Y_Hex + st->Y_Pos, WELT_HOEHE), nullptr};
    o.hex = FensterHex(v, o.wx, o.wy);
    return o;
}

template <class F> bool EinNachbar(const Ort &o, F &&test)
{
    for (int r = HEX_N; r < HEX_RICHTUNGEN; ++r) {
        const HexPos n = HexNachbar(HexPos{o.wx, o.wy}, r);
        const MapEntry *e = FensterHex(o.view, n.x, n.y);
        if (!e) continue;
        // The window keeps the world's column parity, so the offset is even.
        const LONG ax = CheckWrap(o.view->X_Hex - o.view->IndeX + n.x, WELT_BREITE);
        const LONG ay = CheckWrap(o.view->Y_Hex - o.view->IndeY + n.y, WELT_HOEHE);
        if (test(e, ax, ay)) return true;
    }
    return false;
}

bool Voll(const st_MOVE_EXT *f) { return f->Bewegungspunkte == HoleBewegungspunkte(f->FigurArt); }

bool DarfSiedeln(const Ort &o)
{
    const UWORD t = Klasse(o.hex);
    if (t == GK_GEBIRGE || t == GK_BERGE || t == GK_DUNKELWALD || t == GK_WASSER || t == GK_STADT) return false;
    if (!EigenesLand(o.hex)) return false;
    bool wuesteDaneben = false;
    HexPos ring[12];
    for (int d = 1; d <= 2; ++d) {
        const int n = HexRing(HexPos{o.wx, o.wy}, d, ring);
        for (int i = 0; i < n; ++i) {
            const UWORD k = Klasse(FensterHex(o.view, ring[i].x, ring[i].y));
            if (k == GK_STADT || (d == 1 && k == GK_DUNKELWALD)) return false;
            if (d == 1 && k == GK_WUESTE) wuesteDaneben = true;
        }
    }
    return t != GK_WUESTE || wuesteDaneben;
}

// The ship record of a ship figure: same hex, SchiffsID = figure number.
ShipListEntry *SchiffAmOrt(const LokaleDatenKartenScreen *st, const st_MOVE_EXT *f)
{
    ListHeader *l = st->ShipListPtr;
    ListNode *n = l ? l->FirstNode : nullptr;
    for (ULONG i = 0; n && i < l->Elemente; ++i, n = n->Next) {
        auto *s = (ShipListEntry *)n;
        if (s->Schiff.X_Pos == f->X_Pos && s->Schiff.Y_Pos == f->Y_Pos && s->Schiff.SchiffsID == f->FigurNummer)
            return s;
    }
    return nullptr;
}

ShipListEntry *SchiffMitNummer(const LokaleDatenKartenScreen *st, UWORD nummer)
{
    ListHeader *l = st->ShipListPtr;
    ListNode *n = l ? l->FirstNode : nullptr;
    for (ULONG i = 0; n && i < l->Elemente; ++i, n = n->Next)
        if (((ShipListEntry *)n)->Schiff.SchiffsID == nummer) return (ShipListEntry *)n;
    return nullptr;
}

template <class F> int Ladung(const ShipListEntry *s, F &&zaehlt)
{
    const st_MOVE_EXT *platz[3] = {&s->Schiff.Figur1, &s->Schiff.Figur2, &s->Schiff.Figur3};
    int n = 0;
    for (const st_MOVE_EXT *p : platz)
        if (AnBord(p) && zaehlt(p)) ++n;
    return n;
}

bool DarfLaden(const LokaleDatenKartenScreen *st, const Ort &o, const st_MOVE_EXT *f)
{
    const int plaetze = f->FigurArt - 13;
    if (f->Bewegungspunkte < HoleBewegungspunkte(f->FigurArt) / plaetze) return false;
    if (!EinNachbar(o, [](const MapEntry *e, LONG, LONG) { return IstLand(e); })) return false;
    const ShipListEntry *s = SchiffAmOrt(st, f);
    return s && Ladung(s, [](const st_MOVE_EXT *) { return true; }) < plaetze;
}

bool DarfEntladen(const LokaleDatenKartenScreen *st, const Ort &o, const st_MOVE_EXT *f)
{
    if (!Voll(f) || !EinNachbar(o, [](const MapEntry *e, LONG, LONG) { return IstLand(e); })) return false;
    const ShipListEntry *s = SchiffAmOrt(st, f);
    return s && Ladung(s, [](const st_MOVE_EXT *) { return true; }) > 0;
}

bool KarawaneAufStadt(const Ort &o)
{
    if (Klasse(o.hex) != GK_STADT || !Eigen(o.hex)) return false;
    std::printf("KartenScreen: Karavane auf Stadt gefunden...\n");
    return true;
}

// An army node's parts list (the pointer sits unaligned in the packed node).
ListHeader *Teile(const ArmeeList *a)
{
    ListHeader *t;
    std::memcpy(&t, (const UBYTE *)a + offsetof(ArmeeList, ArmyListEntryHeader), sizeof t);
    return t;
}

ArmeeList *ArmeeZurFigur(const LokaleDatenKartenScreen *st, const st_MOVE_EXT *f)
{
    ListHeader *l = st->ArmeeListe;
    ListNode *n = l ? l->FirstNode : nullptr;
    for (ULONG i = 0; n && i < l->Elemente; ++i, n = n->Next) {
        auto *a = (ArmeeList *)n;
        if (a->Army.ArmeeID == f->FigurNummer && a->Army.PosX == f->X_Pos && a->Army.PosY == f->Y_Pos &&
            CheckTypeOfArmy(a) == f->FigurArt)
            return a;
    }
    return nullptr;
}

// The owner's name as the info box shows it: the player list first, then the
// general lookup, which may ask the server for the name.
std::string Besitzer(const LokaleDatenKartenScreen *st, ULONG id)
{
    char name[80] = {};
    if (st->SpielerChunkPtr && GetPlayerName_GetName(id, name, st->SpielerChunkPtr)) return name;
    char gefragt[80] = {};
    if (GetPlayerName(id, gefragt, 1)) return gefragt;
    if (!name[0]) GetPlayerName_GetName(id, name, nullptr);
    return name;
}

// The battle records of the received turn, as many as the chunk really holds.
std::vector<st_KRIG_EXT> Kriege(const st_KRIG *k)
{
    std::vector<st_KRIG_EXT> r;
    if (!k || k->Head.Length < 4) return r;
    const ULONG anzahl = std::min<ULONG>(k->AnzahlKriege, (k->Head.Length - 4) / sizeof(st_KRIG_EXT));
    const UBYTE *p = (const UBYTE *)k + sizeof(st_KRIG);
    r.resize(anzahl);
    if (anzahl) std::memcpy(r.data(), p, anzahl * sizeof(st_KRIG_EXT));
    return r;
}

bool Gleich(const st_MOVE_EXT &a, const st_MOVE_EXT *f)
{
    return a.SpielerID == f->SpielerID && a.FigurNummer == f->FigurNummer;
}

std::string Format(const char *fmt, ULONG a, ULONG b = 0)
{
    char t[64];
    std::snprintf(t, sizeof t, fmt, (unsigned)a, (unsigned)b);
    return t;
}

// The record in the view's whole figure list that a figure of the local list
// stands for (the local list is a copy; the whole list is what gets saved).
bool ImBlock(const VekMapInfo *v, const UBYTE *block, const st_MOVE_EXT *f)
{
    const UBYTE *p = (const UBYTE *)f;
    return block && p >= block + 2 && p < block + v->PeopleMemSize;
}

// The copy in the drawn local list of a record of the whole list.
st_MOVE_EXT *LokaleFigur(VekMapInfo *v, const st_MOVE_EXT *f)
{
    if (!f) return nullptr;
    const ULONG n = FigurenImBlock(v->LocalPeopleMemPtr, v->PeopleMemSize);
    for (ULONG i = 0; i < n; ++i) {
        st_MOVE_EXT *g = FigurImBlock(v->LocalPeopleMemPtr, i);
        if (std::memcmp(g, f, sizeof *g) == 0) return g;
    }
    return nullptr;
}

st_MOVE_EXT *GlobaleFigur(VekMapInfo *v, st_MOVE_EXT *f)
{
    if (!f || ImBlock(v, v->PeopleMemPtr, f)) return f;
    const ULONG n = FigurenImBlock(v->PeopleMemPtr, v->PeopleMemSize);
    for (ULONG i = 0; i < n; ++i) {
        st_MOVE_EXT *g = FigurImBlock(v->PeopleMemPtr, i);
        if (std::memcmp(g, f, sizeof *g) == 0) return g;
    }
    return nullptr;
}

struct Menue {
    RastPort *rp;
    FigurMenuLage lage;
    UBYTE befehle[FIGURMENU_BEFEHLE];
    char *texte;          // FIGURMENU_TEXT bytes per figure row
    ArmeeList **armeen;   // the army node of each figure row, or null
    int auswahl;          // figure row of the selected figure, -1 none
    bool bilder[2];
};

LONG ZeileY(const Menue &m, int i) { return m.lage.y + FIGURMENU_ZEILE * i; }

const char *ZeilenText(const Menue &m, int i)
{
    return i < m.lage.befehle ? GetString(kBefehlTexte[m.befehle[i]])
                              : m.texte + (size_t)(i - m.lage.befehle) * FIGURMENU_TEXT;
}

void TextInZeile(RastPort *rp, LONG x, LONG y, const char *text, UWORD hinten, UWORD modus)
{
    PrintText(rp, (UWORD)(x + 2), (UWORD)(y + 2), (UWORD)(x + 77), (UWORD)(y + 9), text, hinten, kStiftText, modus);
}

void MaleZeile(const Menue &m, int i, bool hell)
{
    const bool befehl = i < m.lage.befehle;
    const LONG y = ZeileY(m, i);
    UWORD hinten = befehl ? kStiftBefehl : (i - m.lage.befehle == m.auswahl ? kStiftAuswahl : kStiftFigur);
    if (hell) hinten = befehl ? kStiftBefehlHell : kStiftFigurHell;
    TextInZeile(m.rp, m.lage.x, y, ZeilenText(m, i), hinten, kModusFuellen);
    UpdateRectangle(m.lage.x, y, FIGURMENU_BREITE, FIGURMENU_ZEILE);
}

void MaleMenue(const Menue &m)
{
    const int zeilen = m.lage.befehle + m.lage.figuren;
    for (int i = 0; i < zeilen; ++i) {
        const bool befehl = i < m.lage.befehle;
        const LONG y = ZeileY(m, i);
        if (m.bilder[befehl ? 0 : 1])
            BlitObjekt(m.rp, befehl ? kBildBefehl : kBildFigur, m.lage.x, y, FIGURMENU_BREITE, FIGURMENU_ZEILE);
        if (!befehl && i - m.lage.befehle == m.auswahl)
            TextInZeile(m.rp, m.lage.x, y, ZeilenText(m, i), kStiftAuswahl, kModusFuellen);
        else
            TextInZeile(m.rp, m.lage.x, y, ZeilenText(m, i), 0, kModusText);
    }
    UpdateRectangle(m.lage.x, m.lage.y, FIGURMENU_BREITE, FIGURMENU_ZEILE * zeilen);
}

struct Tipp {
    BitMap *hinten = nullptr;
    LONG x = 0, y = 0, h = 0;
};

void SchliesseTipp(Tipp *t)
{
    if (!t->hinten) return;
    ScreenRestoreClip(t->hinten, t->x, t->y, FIGURMENU_BREITE, t->h);
    t->hinten = nullptr;
}

// The tip beside figure row i, kept on the display: moved up or to the left
// of the menu as needed, and no more lines than the display holds. 0 when its
// background could not be saved.
int OeffneTipp(const Menue &m, int i, const std::vector<std::string> &zeilen, Tipp *t)
{
    const LONG breite = VekDisplay.VekScreen_Breite, hoehe = VekDisplay.VekScreen_Hoehe;
    const LONG n = std::min<LONG>((LONG)zeilen.size(), hoehe / FIGURMENU_ZEILE);
    if (n <= 0) return 1;
    t->h = n * FIGURMENU_ZEILE;
    t->x = m.lage.x + FIGURMENU_BREITE;
    if (t->x + FIGURMENU_BREITE > breite) t->x = std::max<LONG>(0, m.lage.x - FIGURMENU_BREITE);
    t->y = std::min(ZeileY(m, i), hoehe - t->h);
    t->hinten = ScreenSaveClip(t->x, t->y, FIGURMENU_BREITE, t->h);
    if (!t->hinten) {
        std::printf("FigurMenu : Konnte ein Rechteck des Hintergrundes nicht retten !\n");
        return 0;
    }
    for (LONG j = 0; j < n; ++j) {
        const LONG y = t->y + FIGURMENU_ZEILE * j;
        if (m.bilder[1]) BlitObjekt(m.rp, kBildFigur, t->x, y, FIGURMENU_BREITE, FIGURMENU_ZEILE);
        TextInZeile(m.rp, t->x, y, zeilen[(size_t)j].c_str(), kStiftFigur, kModusFuellen);
    }
    UpdateRectangle(t->x, t->y, FIGURMENU_BREITE, t->h);
    return 1;
}

// Sets the chosen order in the figure and in the record that gets saved.
void SetzeBefehl(VekMapInfo *v, st_MOVE_EXT *f, UBYTE befehl)
{
    st_MOVE_EXT *g = GlobaleFigur(v, f);
    for (st_MOVE_EXT *z : {f, g}) {
        if (!z) continue;
        z->Kommando = befehl;
        if (befehl == 1 || befehl == 2 || befehl == 9) z->Bewegungspunkte = 0;
    }
}

// Puts the figure of figure row `zeile` first on the hex; 1 or 0.
int TauscheFiguren(LokaleDatenKartenScreen *st, const Menue &m, const Ort &o, int zeile)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    st_MOVE_EXT *erste = GetActivePeople(v, o.ax, o.ay, 1);
    if (!erste) {
        std::printf("FigurMenu : Fataler Fehler ! Konnte erste Figur nicht ausfindig machen !\n");
        return 0;
    }
    st_MOVE_EXT *ziel = GetActivePeople(v, o.ax, o.ay, zeile + 1);
    if (!ziel) {
        std::printf("FigurMenu : Fataler Fehler ! Konnte Ziel-Figur nicht ausfindig machen !\n");
        return 0;
    }
    if (erste != ziel) {
        const bool lokal = !ImBlock(v, v->PeopleMemPtr, erste);
        st_MOVE_EXT *ge = lokal ? GlobaleFigur(v, erste) : erste;
        st_MOVE_EXT *gz = lokal ? GlobaleFigur(v, ziel) : ziel;
        // The drawn copy swaps along, so the menu's redraw shows the new order.
        st_MOVE_EXT *le = lokal ? erste : LokaleFigur(v, erste);
        st_MOVE_EXT *lz = lokal ? ziel : LokaleFigur(v, ziel);
        if (ge && gz) std::swap(*ge, *gz);
        if (le && lz && le != lz) std::swap(*le, *lz);
        if (m.armeen[0] && m.armeen[zeile])
            ChangeNodeTree(st->ArmeeListe, &m.armeen[0]->Node, &m.armeen[zeile]->Node);
    }
    st_MOVE_EXT *neu = GetActivePeople(v, o.ax, o.ay, 1);
    if (neu && neu->SpielerID != PlayerInfo.SpielerID) neu = GetActivePeople(v, o.ax, o.ay, 0);
    st->AktPerson = neu;
    if (!neu) {
        std::printf("FigurMenu : Fataler Fehler ! Konnte Spieler-Figur nicht mehr zuweisen !\n");
        st->BlueHex = 0;
        return 0;
    }
    return 1;
}

}  // namespace

st_MOVE_EXT *FigurVonBesitzer(VekMapInfo *view, LONG x, LONG y, ULONG owner)
{
    if (!view || !view->LocalPeopleMemPtr) return nullptr;
    x = CheckWrap(x, WELT_BREITE);
    y = CheckWrap(y, WELT_HOEHE);
    const ULONG n = FigurenImBlock(view->LocalPeopleMemPtr, view->PeopleMemSize);
    for (ULONG i = 0; i < n; ++i) {
        st_MOVE_EXT *f = FigurImBlock(view->LocalPeopleMemPtr, i);
        if (f->X_Pos == (ULONG)x && f->Y_Pos == (ULONG)y && f->SpielerID == owner) return f;
    }
    return nullptr;
}

int FigurMenuBefehle(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f, UBYTE befehle[FIGURMENU_BEFEHLE])
{
    int n = 0;
    befehle[n++] = 0;
    if (!st || !st->VekMapInfoPtr || !f) return n;
    const Ort o = MarkiertesHex(st);
    const UWORD art = f->FigurArt;
    const bool bord = AnBord(f), punkte = f->Bewegungspunkte > 0, voll = Voll(f);
    const bool armee = IstArmee(art), kriegsschiff = IstKriegsschiff(art), handelsschiff = IstHandelsschiff(art);
    const bool kundschafter = art == FID_KUNDSCHAFTER;
    const ULONG ich = PlayerInfo.SpielerID;
    bool angebot[FIGURMENU_BEFEHLE] = {};

    if ((armee || (kriegsschiff && !IstLand(o.hex))) && o.hex && !Eigen(o.hex))
        angebot[1] = EinNachbar(o, [&](const MapEntry *e, LONG ax, LONG ay) {
            return EigenesLand(e) || (armee && IstWasser(e) && FigurVonBesitzer(o.view, ax, ay, ich));
        });
    angebot[2] = armee && !bord && voll;
    angebot[3] = (armee && !bord) || kriegsschiff;
    angebot[4] = art == FID_SIEDLER && DarfSiedeln(o);
    if (handelsschiff) {
        angebot[5] = DarfLaden(st, o, f);
        angebot[6] = DarfEntladen(st, o, f);
    } else if (art == FID_KARAWANE) {
        angebot[5] = KarawaneAufStadt(o);
        angebot[6] = KarawaneAufStadt(o);
    }
    angebot[8] = kriegsschiff;
    if (handelsschiff && Klasse(o.hex) == GK_STADT) {
        const ShipListEntry *s = SchiffAmOrt(st, f);
        angebot[9] = s && Ladung(s, [](const st_MOVE_EXT *p) { return IstArmee(p->FigurArt); }) > 0;
    }
    angebot[10] = angebot[18] = punkte && !bord;
    angebot[11] = kundschafter && Eigen(o.hex);
    angebot[12] = kundschafter && o.hex && !Eigen(o.hex);
    angebot[13] = kundschafter;
    angebot[14] = art == FID_KLERIKER && f->Bewegungspunkte > 1;
    angebot[15] = kundschafter && voll && !bord &&
                  (FigurVonBesitzer(o.view, o.ax, o.ay, HAENDLER_A) || FigurVonBesitzer(o.view, o.ax, o.ay, HAENDLER_B));
    angebot[19] = IstSchiff(art);
    angebot[20] = kundschafter && o.hex && (o.hex->Spezial & SPEZIAL_DUNGEON);
    if (art == FID_GEOLOGE && voll && o.hex && IsRuine(o.hex->Art)) {
        std::printf("KartenScreen: Geologe auf Ruine gefunden...\n");
        angebot[21] = true;
    }
    for (int b = 1; b < FIGURMENU_BEFEHLE; ++b)
        if (angebot[b]) befehle[n++] = (UBYTE)b;
    return n;
}

int FigurMenuPlatz(const LokaleDatenKartenScreen *st, int befehle, int figuren, LONG breite, LONG hoehe,
                   bool tief8, FigurMenuLage *lage)
{
    const VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v || !lage) return 0;
    if (st->X_Pos < 0 || st->X_Pos >= (LONG)v->XTiles - 1 || st->Y_Pos < 0 || st->Y_Pos >= (LONG)v->YTiles - 1)
        return 0;
    LONG x = st->X_Pos * 48 + 32, y = st->Y_Pos * 56 + ((st->X_Pos & 1) ? 44 : 16);
    if (!tief8) x -= 16, y -= 16;
    const int passen = (int)(hoehe / FIGURMENU_ZEILE);
    befehle = std::min(befehle, passen);
    if (befehle + figuren >= passen) figuren = std::max(0, passen - befehle);
    const LONG h = FIGURMENU_ZEILE * (befehle + figuren);
    if (y + h >= hoehe) y = std::max<LONG>(0, hoehe - h);
    // Right of the view's last columns a wide display has no room for a row.
    if (x + FIGURMENU_BREITE > breite) x = std::max<LONG>(0, breite - FIGURMENU_BREITE);
    *lage = FigurMenuLage{x, y, befehle, figuren};
    return 1;
}

int FigurMenuZeile(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f, char *text, ArmeeList **armee)
{
    std::memset(text, 0, FIGURMENU_TEXT);
    if (armee) *armee = nullptr;
    size_t pos = 0;
    const bool fremd = f->SpielerID != PlayerInfo.SpielerID;
    if (fremd) text[pos++] = (char)FIGURMENU_FREMD;
    if (AnBord(f)) text[pos++] = '+';
    std::string name;
    int ok = 1;
    if (!fremd && IstArmee(f->FigurArt)) {
        ArmeeList *a = ArmeeZurFigur(st, f);
        if (a) {
            name.assign(a->Army.Name, strnlen(a->Army.Name, sizeof a->Army.Name));
            if (armee) *armee = a;
        } else {
            std::printf("FigurMenu : Fataler Fehler ! Konnte Armee zur Figur nicht finden !\n");
            ok = 0;
        }
    } else {
        if (!fremd && IstSchiff(f->FigurArt) && st->ShipAddOnListPtr) {
            ListHeader *l = st->ShipAddOnListPtr;
            ListNode *n = l->FirstNode;
            for (ULONG i = 0; n && i < l->Elemente && name.empty(); ++i, n = n->Next) {
                const auto *s = (const ShipAddOn *)NodeData(n);
                if (s->SchiffsID == f->FigurNummer) name.assign(s->Name, strnlen(s->Name, sizeof s->Name));
            }
        }
        if (name.empty() && IstFremdeArt(f->FigurArt)) {
            char n[80] = {};
            GetPlayerName_GetName(f->SpielerID, n, st->SpielerChunkPtr);
            name = n;
        } else if (name.empty() && FigurArtName(f->FigurArt)) {
            name = GetString(FigurArtName(f->FigurArt));
        }
    }
    const size_t platz = FIGURMENU_TEXT - 1 - pos;
    std::memcpy(text + pos, name.data(), std::min(platz, name.size()));
    return ok;
}

std::vector<std::string> FigurMenuTipp(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f, ArmeeList *armee)
{
    std::vector<std::string> zeilen;
    const UWORD art = f->FigurArt;
    if (f->SpielerID == PlayerInfo.SpielerID) {
        if (IstArmee(art) && armee) {
            ListHeader *teile = Teile(armee);
            ListNode *n = teile ? teile->FirstNode : nullptr;
            for (ULONG i = 0; n && i < teile->Elemente; ++i, n = n->Next)
                zeilen.push_back(Format("-> %u", ((ArmeeListEntry *)n)->ArmyEntry.Anzahl));
        } else if (IstSchiff(art)) {
            if (const ShipListEntry *s = SchiffMitNummer(st, f->FigurNummer))
                zeilen.push_back(Format("-> %u/%u", s->Schiff.Schaden, s->Schiff.Punkte));
        }
        return zeilen;
    }
    const std::vector<st_KRIG_EXT> kriege = Kriege(st->KrigChunkPtr);
    if (IstArmee(art) || IstFremdeArt(art)) {
        ULONG kaempfe = 0, lebende = 0;
        const st_MOVE_EXT *gegner = nullptr;
        for (const st_KRIG_EXT &k : kriege) {
            const bool ang = Gleich(k.Angreifer, f), ver = !ang && Gleich(k.Verteidiger, f);
            if (!ang && !ver) continue;
            const st_MOVE_EXT *g = ang ? &k.Verteidiger : &k.Angreifer;
            // Only the battles against the last opponent count.
            if (gegner && !Gleich(*gegner, g)) kaempfe = lebende = 0;
            gegner = g;
            ++kaempfe;
            const ULONG l = ang ? k.AngLebende : k.VerLebende;
            lebende = l > 0xFFFFFFFFu - lebende ? 0xFFFFFFFFu : lebende + l;
        }
        if (kaempfe) zeilen.push_back(lebende ? Format("-> %u/%u", kaempfe, lebende) : "-> vernichtet");
    } else if (IstSchiff(art)) {
        const char *text = nullptr;
        for (const st_KRIG_EXT &k : kriege) {
            if (Gleich(k.Angreifer, f)) {
                text = k.Result == 8 ? "-> Pirat!" : "-> angegriffen";
            } else if (Gleich(k.Verteidiger, f)) {
                switch (k.Result) {
                case 5: text = "-> versenkt"; break;
                case 6: text = "-> besch\344digt"; break;
                case 7: text = "-> gekapert"; break;
                case 8: text = "-> verteidigt"; break;
                default: text = nullptr; break;
                }
            }
        }
        if (text) zeilen.push_back(text);
    }
    if (zeilen.empty()) zeilen.push_back("-> " + Besitzer(st, f->SpielerID));
    return zeilen;
}

int FigurMenu(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    st_MOVE_EXT *f = st ? st->AktPerson : nullptr;
    RastPort *rp = DisplayRastPort();
    if (!v || !f || !rp) return 0;
    Menue m{};
    m.rp = rp;
    const int befehle = FigurMenuBefehle(st, f, m.befehle);
    const Ort o = MarkiertesHex(st);
    const int figuren = (int)GetActivePeopleAnzahl(v, o.ax, o.ay);
    if (!FigurMenuPlatz(st, befehle, figuren, VekDisplay.VekScreen_Breite, VekDisplay.VekScreen_Hoehe,
                        VekDisplay.VekScreen_Tiefe <= 8, &m.lage))
        return 0;
    int ergebnis = 1;
    m.auswahl = -1;
    if (m.lage.figuren > 0) {
        m.texte = (char *)AllocVec((ULONG)m.lage.figuren * FIGURMENU_TEXT, MEMF_CLEAR);
        m.armeen = (ArmeeList **)AllocVec((ULONG)(m.lage.figuren * sizeof(ArmeeList *)), MEMF_CLEAR);
        if (!m.texte || !m.armeen) {
            std::printf("FigurMenu : Konnte Speicher f\374r FigurMenu nicht erstellen !\n");
            FreeVec(m.texte);
            FreeVec(m.armeen);
            m.texte = nullptr, m.armeen = nullptr;
            m.lage.figuren = 0;
        }
    }
    for (int i = 0; i < m.lage.figuren; ++i) {
        st_MOVE_EXT *g = GetActivePeople(v, o.ax, o.ay, i + 1);
        if (!g) {
            std::printf("FigurMenu : Fataler Fehler ! Konnte Figur nicht ausfindig machen !\n");
            ergebnis = 0;
            m.lage.figuren = i;
            break;
        }
        if (!FigurMenuZeile(st, g, m.texte + (size_t)i * FIGURMENU_TEXT, &m.armeen[i])) ergebnis = 0;
        if (g == f || (m.auswahl < 0 && std::memcmp(g, f, sizeof *g) == 0)) m.auswahl = i;
    }
    const int zeilen = m.lage.befehle + m.lage.figuren;
    const LONG hoehe = FIGURMENU_ZEILE * zeilen;
    BitMap *hinten = ScreenSaveClip(m.lage.x, m.lage.y, FIGURMENU_BREITE, hoehe);
    if (!hinten) {
        std::printf("FigurMenu : Konnte ein Rechteck des Hintergrundes nicht retten !\n");
        FreeVec(m.texte);
        FreeVec(m.armeen);
        return 0;
    }
    const RastPort vorher = *rp;
    SetFont(rp, st->VekFont3Ptr);
    m.bilder[0] = OpenKavorGfx(kPfad, kBildBefehl) == 1;
    m.bilder[1] = OpenKavorGfx(kPfad, kBildFigur) == 1;
    MaleMenue(m);

    Tipp tipp;
    int hell = -1;
    ULONG ticks = 0;
    bool fertig = false, getauscht = false, gewaehlt = false;
    while (!fertig) {
        const ULONG code = GetKey(GETKEY_TICKS);
        int unter = -1;
        for (int i = 0; i < zeilen && unter < 0; ++i)
            if (MouseInBox(m.lage.x, m.lage.x + FIGURMENU_BREITE, ZeileY(m, i), ZeileY(m, i) + FIGURMENU_ZEILE))
                unter = i;
        if (unter != hell) {
            SchliesseTipp(&tipp);
            if (hell >= 0) MaleZeile(m, hell, false);
            if (unter >= 0) MaleZeile(m, unter, true);
            hell = unter;
            ticks = 0;
        }
        switch (code) {
        case EVENT_TICK:
            if (hell >= m.lage.befehle && !tipp.hinten && ++ticks == kTippTicks) {
                const int zeile = hell - m.lage.befehle;
                st_MOVE_EXT *g = GetActivePeople(v, o.ax, o.ay, zeile + 1);
                if (g && !OeffneTipp(m, hell, FigurMenuTipp(st, g, m.armeen[zeile]), &tipp)) {
                    ergebnis = 0;
                    fertig = true;
                }
            }
            break;
        case EVENT_LEFTUP:
            if (hell < 0) break;  // a release beside the rows chooses nothing
            gewaehlt = true;
            if (hell < m.lage.befehle) {
                if (AnBord(f)) {
                    ergebnis = 0;  // a figure aboard keeps its state; nothing to carry out
                } else {
                    SetzeBefehl(v, f, m.befehle[hell]);
                }
            } else {
                getauscht = true;
                TauscheFiguren(st, m, o, hell - m.lage.befehle);
                ergebnis = 0;
            }
            fertig = true;
            break;
        case KEY_ESCAPE:
            // Leaving chooses nothing: the figure's old order is not carried out again.
            ergebnis = 0;
            fertig = true;
            break;
        default:
            break;
        }
    }
    SchliesseTipp(&tipp);
    ScreenRestoreClip(hinten, m.lage.x, m.lage.y, FIGURMENU_BREITE, hoehe);
    if (m.bilder[0]) CloseKavorGfx(kBildBefehl);
    if (m.bilder[1]) CloseKavorGfx(kBildFigur);
    rp->Font = vorher.Font, rp->TxHeight = vorher.TxHeight, rp->TxBaseline = vorher.TxBaseline;
    rp->FgPen = vorher.FgPen, rp->BgPen = vorher.BgPen, rp->DrawMode = vorher.DrawMode;
    FreeVec(m.texte);
    FreeVec(m.armeen);
    if (getauscht) SetPos(v, 0, 0);
    if (gewaehlt && !UpdateInfoBox(st)) std::printf("FigurMenu : Konnte InfoBox nicht updaten\n");
    return ergebnis;
}
