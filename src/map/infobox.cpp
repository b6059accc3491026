// The map info box: position, owner and resource levels of the marked hex and
// the figures standing there, or kind, points and order of the selected own
// figure. At 8 bits one scrolling text beside the map; above, the text in the
// bottom-right panel with a picture, a status line and the three levels.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "map/figures_map.h"
#include "world/hex.h"
#include "map/infobox.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "media/movie.h"
#include "platform/catalog.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "ui/requester.h"

namespace {

constexpr UBYTE kMaxBefehl = 18;  // orders past this one have no name in the box
constexpr int kNameMax = 79;      // of a ship's 80-byte name field

// The text grows by whole appends; one that does not fit ends the text at
// the last line end before it, and nothing is added after that.
struct Puffer {
    char *buf;
    size_t groesse, laenge = 0;
    bool voll = false;
};

[[gnu::format(printf, 2, 3)]] void Dazu(Puffer &t, const char *format, ...)
{
    if (t.voll) return;
    va_list ap;
    va_start(ap, format);
    const int n = std::vsnprintf(t.buf + t.laenge, t.groesse - t.laenge, format, ap);
    va_end(ap);
    if (n >= 0 && (size_t)n < t.groesse - t.laenge) {
        t.laenge += (size_t)n;
        return;
    }
    t.voll = true;
    t.laenge = std::strlen(t.buf);
    while (t.laenge && t.buf[t.laenge - 1] != '\n') --t.laenge;
    if (t.laenge) t.buf[t.laenge] = 0;
    else t.laenge = std::strlen(t.buf);  // not one whole line: what fits
}

struct FigurBild {
    UWORD bild, frame;
};


FigurBild ArtBild(UWORD art)
{
    static const FigurBild bilder[21] = {
        {380, 4}, {441, 4}, {450, 4},  {457, 4},  {816, 2}, {823, 2}, {830, 2}, {795, 2}, {802, 2}, {809, 2}, {788, 2},
        {0, 0},   {1097, 4}, {1097, 4}, {522, 2}, {529, 2}, {536, 2}, {543, 2}, {550, 2}, {557, 2}, {788, 2},
    };
    return art < 21 ? bilder[art] : FigurBild{0, 0};
}

const char *KlassenName(UWORD klasse)
{
    static const LocStr *const namen[12] = {
        nullptr,          &_VEK_KARTE_GEBIRGE,    &_VEK_KARTE_BERGE, &_VEK_KARTE_HUEGEL,
        &_VEK_KARTE_DUNKELWALD, &_VEK_KARTE_WALD, &_VEK_KARTE_DSCHUNGEL, &_VEK_KARTE_STEPPE,
        &_VEK_KARTE_SUMPF, &_VEK_KARTE_WUESTE,    &_VEK_KARTE_WASSER, &_VEK_KARTE_STADT,
    };
    return klasse < 12 && namen[klasse] ? GetString(namen[klasse]) : "";
}

const char *BefehlName(UBYTE befehl)
{
    static const LocStr *const namen[kMaxBefehl + 1] = {
        &_VEK_KARTE_BEFEHL_NICHTS,      &_VEK_KARTE_BEFEHL_ANNEKTIEREN, &_VEK_KARTE_BEFEHL_WACHEN,
        &_VEK_KARTE_BEFEHL_ANGREIFEN,   &_VEK_KARTE_BEFEHL_SIEDELN,     &_VEK_KARTE_BEFEHL_BELADEN,
        &_VEK_KARTE_BEFEHL_ENTLADEN,    &_VEK_KARTE_BEFEHL_VERFRACHTET, &_VEK_KARTE_BEFEHL_KAPERN,
        &_VEK_KARTE_BEFEHL_PLUENDERN,   &_VEK_KARTE_BEFEHL_BEWEGEN,     &_VEK_KARTE_BEFEHL_UEBERGEBEN,
        &_VEK_KARTE_BEFEHL_ENTLEHNEN,   &_VEK_KARTE_BEFEHL_DUELLIEREN,  &_VEK_KARTE_BEFEHL_SUCHEN,
        &_VEK_KARTE_BEFEHL_HANDELN,     &_VEK_KARTE_BEFEHL_REPARIEREN,  &_VEK_KARTE_BEFEHL_ABWRACKEN,
        &_VEK_KARTE_BEFEHL_KONVOYTIEREN,
    };
    return befehl <= kMaxBefehl ? GetString(namen[befehl]) : "";
}

bool Eigen(ULONG spieler) { return spieler == PlayerInfo.SpielerID; }

// The player's game name, at most 39 characters like every player name; the
// field need not end in a NUL.
const char *Spielname(char (&puffer)[41])
{
    std::snprintf(puffer, sizeof puffer, "%.*s", (int)sizeof PlayerInfo.Spielname - 1, PlayerInfo.Spielname);
    return puffer;
}

// Another player's name: from the loaded player list, else from the file,
// asking the server for a name nobody knows yet. Empty when none was had.
void FremderName(const LokaleDatenKartenScreen *st, ULONG id, char (&name)[41])
{
    std::memset(name, 0, sizeof name);
    if (st->SpielerChunkPtr && GetPlayerName_GetName(id, name, st->SpielerChunkPtr)) return;
    std::memset(name, 0, sizeof name);
    if (!GetPlayerName(id, name, 1)) name[0] = 0;
}

// The ship's name the player gave it, or null.
const char *SchiffsName(const LokaleDatenKartenScreen *st, const st_MOVE_EXT *f, int *laenge)
{
    if (f->FigurArt < 14 || f->FigurArt > 19 || !Eigen(f->SpielerID)) return nullptr;
    ListHeader *liste = st->ShipAddOnListPtr;
    if (!liste) return nullptr;
    ListNode *n = liste->FirstNode;
    for (ULONG i = 0; n && i < liste->Elemente; ++i, n = n->Next) {
        const ShipAddOn *s = (const ShipAddOn *)NodeData(n);
        if (s->SchiffsID != f->FigurNummer) continue;
        *laenge = (int)strnlen(s->Name, kNameMax);
        return *laenge ? s->Name : nullptr;
    }
    return nullptr;
}

void FigurNamenBlock(Puffer &t, const LokaleDatenKartenScreen *st, const st_MOVE_EXT *f)
{
    int laenge = 0;
    if (const char *name = SchiffsName(st, f, &laenge)) Dazu(t, "'%.*s'\n", laenge, name);
    if (const LocStr *art = FigurArtName(f->FigurArt)) Dazu(t, "%s %s\n\n", GetString(art), GetString(&_VEK_KARTE_VON));
    char name[41];
    if (Eigen(f->SpielerID)) {
        Dazu(t, "%s\n\n", Spielname(name));
        return;
    }
    FremderName(st, f->SpielerID, name);
    if (name[0])
        Dazu(t, "%s %s\n\n", GetString(&_VEK_KARTE_SPIELER), name);
    else
        Dazu(t, "%s %u\n\n", GetString(&_VEK_KARTE_SPIELER), (unsigned)f->SpielerID);
}

// The realm's god adds one to one of the levels.
bool GottBonus(const LokaleDatenKartenScreen *st, int stufe)
{
    static const UWORD goetter[3] = {9, 8, 10};
    return st->Gottheit == goetter[stufe];
}

const LocStr *const kStufenNamen[3] = {&_VEK_KARTE_TIERQUELLEN, &_VEK_KARTE_PFLANZENQUELLEN,
                                       &_VEK_KARTE_MINERALQUELLEN};

void BesitzerZeilen(Puffer &t, const LokaleDatenKartenScreen *st, const MapEntry &e)
{
    const char *besitzer = GetString(&_VEK_KARTE_BESITZER);
    char name[41];
    if (Eigen(e.BesitzerID)) {
        Dazu(t, "%s : %s\n\n", besitzer, Spielname(name));
        const UBYTE stufen[3] = {e.THQ, e.PHQ, e.MHQ};
        for (int i = 0; i < 3; ++i)
            Dazu(t, GottBonus(st, i) ? "%s : %u (+1)\n%s" : "%s : %u\n%s", GetString(kStufenNamen[i]),
                 (unsigned)stufen[i], i == 2 ? "\n" : "");
        return;
    }
    if (e.BesitzerID == NIEMAND) {
        Dazu(t, "%s : %s\n\n", besitzer, GetString(&_VEK_KARTE_UNBESETZT));
    } else {
        FremderName(st, e.BesitzerID, name);
        if (name[0])
            Dazu(t, "%s : %s\n\n", besitzer, name);
        else
            Dazu(t, "%s : %s %u\n\n", besitzer, GetString(&_VEK_KARTE_SPIELER), (unsigned)e.BesitzerID);
    }
    for (int i = 0; i < 3; ++i) Dazu(t, "%s : 0\n%s", GetString(kStufenNamen[i]), i == 2 ? "\n" : "");
}

void BefehlsZeile(Puffer &t, const st_MOVE_EXT *f)
{
    Dazu(t, "%s : ", GetString(&_VEK_KARTE_BEFEHL));
    Dazu(t, "%s", BefehlName(f->Kommando));
}

// Own figures in the nine tiles, for the sight test.
int InSicht(const VekMapInfo *v, LONG x, LONG y)
{
    UBYTE *block = v->LocalPeopleMemPtr;
    const ULONG n = FigurenImBlock(block, v->PeopleMemSize);
    return CheckFogofWar(v, n, block ? FigurImBlock(block, 0) : nullptr, x, y);
}

void Obenauf(Puffer &t, LokaleDatenKartenScreen *st, LONG spalte, LONG zeile)
{
    if (const st_MOVE_EXT *f = GetActivePeople(st->VekMapInfoPtr, spalte, zeile, 1)) FigurNamenBlock(t, st, f);
}

void AchtBit(LokaleDatenKartenScreen *st, InfoInhalt *out, Puffer &t)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    if (out->Figur) {
        const st_MOVE_EXT *f = st->AktPerson;
        FigurNamenBlock(t, st, f);
        Dazu(t, "%s : %u\n", GetString(&_VEK_KARTE_XPOS), (unsigned)f->X_Pos);
        Dazu(t, "%s : %u\n\n", GetString(&_VEK_KARTE_YPOS), (unsigned)f->Y_Pos);
        Dazu(t, "%s : %u\n\n", GetString(&_VEK_KARTE_BEWEGUNGPUNKTE), (unsigned)f->Bewegungspunkte);
        BefehlsZeile(t, f);
        return;
    }
    const LONG spalte = CheckWrap(v->X_Hex + out->X, WELT_BREITE), zeile = CheckWrap(v->Y_Hex + out->Y, WELT_HOEHE);
    const MapEntry *e = FensterHex(v, v->IndeX + out->X, v->IndeY + out->Y);
    if (!e || !GetBMapBit(v, out->X, out->Y)) {
        Dazu(t, "%s\n", GetString(&_VEK_KARTE_UNKNOWN));
        return;
    }
    Dazu(t, "%s : %u\n", GetString(&_VEK_KARTE_XPOS), (unsigned)spalte);
    Dazu(t, "%s : %u\n\n", GetString(&_VEK_KARTE_YPOS), (unsigned)zeile);
    if (e->Spezial & SPEZIAL_DUNGEON) Dazu(t, "%s\n", GetString(&_VEK_DUNGEON));
    BesitzerZeilen(t, st, *e);
    if (InSicht(v, out->X, out->Y)) Obenauf(t, st, spalte, zeile);
}

void StatusZeile(const LokaleDatenKartenScreen *st, const MapEntry *e, InfoInhalt *out)
{
    char name[41];
    if (!e) {
        std::snprintf(out->Status, sizeof out->Status, "%s", GetString(&_VEK_KARTE_UNKNOWN));
    } else {
        const char *klasse = KlassenName(GetTypeOfHex(e->Art));
        const char *besitzer = GetString(&_VEK_KARTE_BESITZER), *spieler = GetString(&_VEK_KARTE_SPIELER);
        if (e->BesitzerID == NIEMAND) {
            std::snprintf(out->Status, sizeof out->Status, "%s %s", klasse, GetString(&_VEK_KARTE_UNBESETZT));
        } else if (Eigen(e->BesitzerID)) {
            std::snprintf(out->Status, sizeof out->Status, "%s %s %s", klasse, besitzer, Spielname(name));
        } else {
            FremderName(st, e->BesitzerID, name);
            if (name[0])
                std::snprintf(out->Status, sizeof out->Status, "%s %s %s %s", klasse, besitzer, spieler, name);
            else
                std::snprintf(out->Status, sizeof out->Status, "%s %s %s %u", klasse, besitzer, spieler,
                              (unsigned)e->BesitzerID);
        }
    }
    const bool eigen = e && Eigen(e->BesitzerID);
    const UBYTE stufen[3] = {e ? e->THQ : (UBYTE)0, e ? e->PHQ : (UBYTE)0, e ? e->MHQ : (UBYTE)0};
    for (int i = 0; i < 3; ++i) {
        if (!eigen)
            std::snprintf(out->Stufe[i], sizeof out->Stufe[i], "0");
        else
            std::snprintf(out->Stufe[i], sizeof out->Stufe[i], GottBonus(st, i) ? "%u (+1)" : "%u",
                          (unsigned)stufen[i]);
    }
}

void HochFarbe(LokaleDatenKartenScreen *st, InfoInhalt *out, Puffer &t)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    // Every read of the window goes through its bounds check: the mark may
    // lie anywhere once the view has moved away from the figure.
    const MapEntry *e = FensterHex(v, v->IndeX + out->X, v->IndeY + out->Y);
    if (e && !GetBMapBit(v, out->X, out->Y)) e = nullptr;
    const LONG spalte = CheckWrap(v->X_Hex + out->X, WELT_BREITE), zeile = CheckWrap(v->Y_Hex + out->Y, WELT_HOEHE);
    if (out->Figur) {
        const st_MOVE_EXT *f = st->AktPerson;
        int laenge = 0;
        if (const char *name = SchiffsName(st, f, &laenge)) Dazu(t, "'%.*s'\n", laenge, name);
        if (const LocStr *art = FigurArtName(f->FigurArt)) Dazu(t, "%s \n\n", GetString(art));
        const FigurBild b = ArtBild(f->FigurArt);
        out->Bild = b.bild;
        out->Frame = b.frame;
        Dazu(t, "%s : %u\n", GetString(&_VEK_KARTE_XPOS), (unsigned)f->X_Pos);
        Dazu(t, "%s : %u\n\n", GetString(&_VEK_KARTE_YPOS), (unsigned)f->Y_Pos);
        Dazu(t, "%s : %u\n", GetString(&_VEK_KARTE_BEWEGUNGPUNKTE), (unsigned)f->Bewegungspunkte);
        BefehlsZeile(t, f);
    } else {
        if (e && e->Art > 0 && e->Art < KARTEN_ELEMENTE) out->Gelaende = KartenElemente[e->Art][st->Jahreszeit & 3];
        Dazu(t, "%s : %u\n", GetString(&_VEK_KARTE_XPOS), (unsigned)spalte);
        Dazu(t, "%s : %u\n\n", GetString(&_VEK_KARTE_YPOS), (unsigned)zeile);
        if (e && (e->Spezial & SPEZIAL_DUNGEON)) Dazu(t, "%s\n", GetString(&_VEK_DUNGEON));
        if (e && InSicht(v, out->X, out->Y)) Obenauf(t, st, spalte, zeile);
    }
    StatusZeile(st, e, out);
}

// Gives the box the text: a new one over rectangle 0 of the main
// description, moved by (dx, dy), or the old one with the new text.
int SetzeText(LokaleDatenKartenScreen *st, const char *text, LONG dx, LONG dy, bool schieber)
{
    if (st->VekRequester) {
        st->VekRequester = UpdateRequesterText(st->VekRequester, text, 0);
        if (st->VekRequester) return 1;
        std::printf("UpdateInfoBox : Konnte Requester nicht initalisieren!\n");
        return 0;
    }
    const ScreenRegion *sr = st->FirstScreenRegion ? st->FirstScreenRegion : st->ScreenRegion;
    if (!sr || sr->CountRechteck < (schieber ? 2u : 1u)) {
        std::printf("UpdateInfoBox : Konnte Requester nicht initalisieren!\n");
        return 0;
    }
    const Rechteck &r = sr->Rechteck[0];
    const UWORD w = (UWORD)(r.X1 - r.X0), h = (UWORD)(r.Y1 - r.Y0);
    VekRequester *req = InitRequesterTextBox(w, st->VekFont1Ptr, text, (UWORD)(r.X0 + dx), (UWORD)(r.Y0 + dy), w, h,
                                             6, 78, nullptr);
    if (!req) {
        std::printf("UpdateInfoBox : Konnte Requester nicht initalisieren!\n");
        return 0;
    }
    st->VekRequester = req;
    if (!schieber) return 1;
    const Rechteck &s = sr->Rechteck[1];
    if (!InitSlider(req, (UWORD)(s.X1 - s.X0), (UWORD)(s.Y1 - s.Y0), 26, 22, 25, 24, (UWORD)(s.X0 + dx),
                    (UWORD)(s.Y0 + dy))) {
        std::printf("UpdateInfoBox : Konnte Slider nicht initialisieren!\n");
        return 0;
    }
    return 1;
}

// The text the box shows; the box keeps a pointer to it.
InfoInhalt gInhalt;

}  // namespace

int BaueInfoInhalt(LokaleDatenKartenScreen *st, bool hoch, InfoInhalt *out)
{
    std::memset(out, 0, sizeof *out);
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v) return 0;
    out->Figur = st->BlueHex && st->AktPerson;
    out->X = st->X_Pos;
    out->Y = st->Y_Pos;
    if (hoch && (out->X < 0 || out->X >= v->XTiles) && st->AktPerson) {
        out->X = CheckWrap((LONG)st->AktPerson->X_Pos - v->X_Hex, WELT_BREITE);
        out->Y = CheckWrap((LONG)st->AktPerson->Y_Pos - v->Y_Hex, WELT_HOEHE);
    }
    Puffer t{out->Text, sizeof out->Text};
    if (hoch)
        HochFarbe(st, out, t);
    else
        AchtBit(st, out, t);
    return 1;
}

int UpdateInfoBox(LokaleDatenKartenScreen *st)
{
    if (!st || !st->VekMapInfoPtr) return 1;
    const bool hoch = VekDisplay.VekScreen_Tiefe > 8;
    if (!hoch && st->GUI == 1) return 1;  // the figure panel covers the box
    // The box may still show the old text while the new one is built.
    InfoInhalt neu;
    BaueInfoInhalt(st, hoch, &neu);
    if (neu.Figur) std::printf("FigurNummer %u\n", (unsigned)st->AktPerson->FigurNummer);
    gInhalt = neu;
    if (!hoch) return SetzeText(st, gInhalt.Text, 0, 0, false);

    const LONG w = VekDisplay.VekScreen_Breite, h = VekDisplay.VekScreen_Hoehe;
    RastPort *rp = VekDisplay.RastPort_;
    if (st->VekFont1Ptr) SetFont(rp, st->VekFont1Ptr);
    if (gInhalt.Figur) {
        SetAPen(rp, 0);
        RectFill(rp, w - 116, h - 110, w - 53, h - 55);
        if (gInhalt.Bild)
            AnimObjektMask(nullptr, 0, 0, rp, (UWORD)(w - 116), (UWORD)(h - 110), gInhalt.Bild, 0, gInhalt.Frame, 64,
                           54);
    } else if (gInhalt.Gelaende) {
        BlitObjektMask(rp, gInhalt.Gelaende, 0, w - 116, h - 110, 64, 56);
    }
    PrintText(rp, (UWORD)(w - 791), (UWORD)(h - 140), (UWORD)(w - 406), (UWORD)(h - 125), gInhalt.Status, 6, 7, 556);
    for (int i = 0; i < 3; ++i) {
        const LONG y0 = h - 102 + 27 * i, y1 = h - 86 + 27 * i;
        PrintText(rp, (UWORD)(w - 594), (UWORD)y0, (UWORD)(w - 546), (UWORD)y1, gInhalt.Stufe[i], 6, 78, 45);
        PrintText(rp, (UWORD)(w - 534), (UWORD)y0, (UWORD)(w - 414), (UWORD)y1, GetString(kStufenNamen[i]), 0, 7, 36);
    }
    return SetzeText(st, gInhalt.Text, w - 1024, h - 768, true);
}
