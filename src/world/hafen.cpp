// The harbour's rules. Launches and wreck marks live only in the dialog's
// working state until its Ok: then figures, ship records, gold, stock and
// the town's ship points change together under the Ok journal, so a ship is
// never a figure without a record, nor paid for twice.
#include "world/hafen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/okjournal.h"
#include "world/towns_local.h"
#include "world/warehouse.h"

const SchiffsArt SchiffsArten[6] = {
    {50, FID_HANDELSSCHIFF_KLEIN, 1, 2000, 5, 0, &_VEK_WAREN_HANDELSSCHIFF_KLEIN},
    {51, FID_HANDELSSCHIFF_MITTEL, 2, 4000, 10, 0, &_VEK_WAREN_HANDELSSCHIFF_MITTEL},
    {52, FID_HANDELSSCHIFF_GROSS, 3, 6000, 15, 0, &_VEK_WAREN_HANDELSSCHIFF_GROSS},
    {53, FID_KRIEGSSCHIFF_KLEIN, 1, 2500, 10, 1, &_VEK_WAREN_KRIEGSSCHIFF_KLEIN},
    {54, FID_KRIEGSSCHIFF_MITTEL, 2, 5000, 20, 1, &_VEK_WAREN_KRIEGSSCHIFF_MITTEL},
    {55, FID_KRIEGSSCHIFF_GROSS, 3, 7500, 30, 1, &_VEK_WAREN_KRIEGSSCHIFF_GROSS},
};

ULONG (*HafenWuerfel)(ULONG n) = Wuerfel;

namespace {

bool AnBord(const st_SHIP_EXT &s)
{
    return s.Figur1.Kommando == KOMMANDO_AN_BORD || s.Figur2.Kommando == KOMMANDO_AN_BORD ||
           s.Figur3.Kommando == KOMMANDO_AN_BORD;
}

bool EigenesSchiffHier(const HafenDaten *d, const st_MOVE_EXT &f)
{
    return f.SpielerID == PlayerInfo.SpielerID && SchiffsArtDerFigur(f.FigurArt) && f.X_Pos == d->StadtXPos &&
           f.Y_Pos == d->StadtYPos;
}

st_SHIP_EXT *SchiffMitID(std::vector<st_SHIP_EXT> &schiffe, UWORD id)
{
    for (auto &s : schiffe)
        if (s.SchiffsID == id) return &s;
    return nullptr;
}

// Records of a list of the given type into a vector (list order).
template <class T> std::vector<T> AusListe(ListHeader *l)
{
    std::vector<T> v;
    if (!l) return v;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) {
        T t;
        std::memcpy(&t, NodeData(n), sizeof t);
        v.push_back(t);
    }
    return v;
}

// A new list of the type holding the records; null when out of memory.
template <class T> ListHeader *ZuListe(const std::vector<T> &v, ULONG typ)
{
    ListHeader *l = CreateList(typ);
    if (!l) return nullptr;
    for (const T &t : v) {
        auto *n = (ListNode *)AllocVec(std::max<ULONG>(l->TypSize, (ULONG)(sizeof(ListNode) + sizeof(T))), MEMF_CLEAR);
        if (!n) {
            DeleteList(l, 1);
            return nullptr;
        }
        std::memcpy(NodeData(n), &t, sizeof t);
        InsertNode(l, n, LIST_LAST, 0);
    }
    return l;
}

// The chunk from the orders pool when there, else from the received pool.
// *Fehlt = 1 when neither holds it; null then or when it is unreadable.
void *AktuellerChunk(ULONG num, BOOL *fehlt)
{
    const char *pool = IsChunkPresent(ChunkBit(num), POOL_OUT) ? POOL_OUT
                       : IsChunkPresent(ChunkBit(num), POOL_IN) ? POOL_IN
                                                                 : nullptr;
    *fehlt = pool == nullptr;
    return pool ? LoadChunk2Mem(ChunkIDOf(num), pool) : nullptr;
}

BOOL LeseFiguren(HafenDaten *d)
{
    d->Figuren.clear();
    auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
    ListHeader *l = CreateList(LISTE_FIGUREN);
    BOOL ok = move && l && ScanFigur2List(l, move);
    if (ok) d->Figuren = AusListe<st_MOVE_EXT>(l);
    else std::printf("AllocFigurenListe: Konnte Liste nicht anlegen...\n");
    DeleteList(l, 1);
    FreeVec(move);
    return ok;
}

void ZeigeText(const HafenFragen *f, const LocStr *s)
{
    if (f && f->Message) f->Message(GetString(s));
}

}  // namespace

const SchiffsArt *SchiffsArtDerWare(ULONG Ware)
{
    for (const auto &a : SchiffsArten)
        if (a.Ware == Ware) return &a;
    return nullptr;
}

const SchiffsArt *SchiffsArtDerFigur(UWORD Figur)
{
    for (const auto &a : SchiffsArten)
        if (a.Figur == Figur) return &a;
    return nullptr;
}

UWORD NeueSchiffsPunkte(const SchiffsArt *Art, const st_FORS *Forschung)
{
    const ULONG bonus = Forschung ? (Art->Krieg ? Forschung->Kampftechnik : Forschung->Technik) : 0;
    return (UWORD)(Art->Grundpunkte + bonus);
}

ULONG HafenStimmungsSample(ULONG c)
{
    static const ULONG tafel[21] = {107, 108, 109, 110, 110, 110, 111, 111, 111, 112, 112,
                                    112, 40,  41,  42,  43,  44,  19,  22,  23,  18};
    return tafel[std::min<ULONG>(c, 20)];
}

ULONG HafenStimmungsPause(ULONG w) { return 10 + 10 * std::min<ULONG>(w, 5); }

ULONG HafenGold(const HafenDaten *d) { return d->Land ? d->Land->AnzGold : 0; }

BOOL LoadHafenData(HafenDaten *d, LONG StadtID)
{
    BOOL fehlt = 0;
    auto *ship = (st_SHIP *)AktuellerChunk(CN_SHIP, &fehlt);
    if (!ship && !fehlt) {
        std::printf("LoadHafenData: Konnte ShipChunk nicht \366ffnen !");
        return 0;
    }
    d->Schiffe.clear();
    if (ship) {
        ListHeader *l = CreateList(LISTE_SCHIFFE);
        if (!l) {
            std::printf("LoadHafenData: Konnte die Schiff-Liste nicht erstellen!\n");
            FreeVec(ship);
            return 0;
        }
        const BOOL ok = ScanShip2List(l, ship);
        if (ok) d->Schiffe = AusListe<st_SHIP_EXT>(l);
        DeleteList(l, 1);
        FreeVec(ship);
        if (!ok) {
            std::printf("LoadHafenData: Schiffe konnten nicht in die Liste eingescannt werden...\n");
            return 0;
        }
    }
    auto *fors = (st_FORS *)AktuellerChunk(CN_FORS, &fehlt);
    if (!fors && !fehlt) {
        std::printf("LoadHafenData: Konnte ForschungsChunk nicht \366ffnen \n");
        return 0;
    }
    d->Forschung = st_FORS{};
    if (fors) std::memcpy(&d->Forschung, fors, sizeof d->Forschung);
    FreeVec(fors);
    FreeVec(d->Land);
    d->Land = (st_LAND *)AktuellerChunk(CN_LAND, &fehlt);
    if (!d->Land && !fehlt) {
        std::printf("LoadHafenData: Konnte LandChunk nicht \366ffnen \n");
        return 0;
    }
    ListHeader *addOns = ScanShipAddOn2List();
    if (!addOns) {
        std::printf("LoadHafenData: Konnte ShipAddOnDaten nicht \366ffnen \n");
        return 0;
    }
    d->AddOns = AusListe<ShipAddOn>(addOns);
    DeleteList(addOns, 1);
    FreeVec(d->AktiveStadt);
    d->AktiveStadt = GetActiveTown(StadtID);
    if (!d->AktiveStadt) {
        std::printf("AllocFigurenListe: Konnte Stadt nicht laden!\n");
        return 0;
    }
    d->StadtXPos = d->AktiveStadt->XPos;
    d->StadtYPos = d->AktiveStadt->YPos;
    d->AusgelaufeneSchiffe = d->AktiveStadt->AusgelaufeneSchiffe;
    return 1;
}

namespace {

// The pool's SHIP chunk for a ship list (an empty list removes it) and LAND.
BOOL SchreibePool(const std::vector<st_SHIP_EXT> &schiffe, const st_LAND *land)
{
    st_SHIP *chunk = nullptr;
    if (!schiffe.empty()) {
        ListHeader *l = ZuListe(schiffe, LISTE_SCHIFFE);
        chunk = l ? MakeShipChunkFromList(l) : nullptr;
        DeleteList(l, 1);
        if (!chunk) {
            std::printf("WriteHafenData: Konnte die Armee Daten nicht Speichern!");
            return 0;
        }
    }
    const void *chunks[2];
    ULONG n = 0;
    if (chunk) chunks[n++] = chunk;
    if (land) chunks[n++] = land;
    BOOL ok = 1;
    if (!chunk && IsChunkPresent(ChunkBit(CN_SHIP), POOL_OUT)) ok = RemChunkPool(ID_SHIP, POOL_OUT);
    if (ok && n) ok = AddChunksPool(chunks, n, POOL_OUT);
    if (!ok) std::printf("WriteHafenData: Konnte die Armee Daten nicht Speichern!");
    FreeVec(chunk);
    return ok;
}

}  // namespace

BOOL WriteHafenData(HafenDaten *d)
{
    if (!d->Schiffe.empty()) std::printf("WriteHafenData: ShipChunk soll addiert werden auf den ChunkPool...\n");
    return SchreibePool(d->Schiffe, d->Land);
}

void FreeHafenData(HafenDaten *d)
{
    FreeVec(d->AktiveStadt);
    FreeVec(d->Land);
    *d = HafenDaten{};
}

// ---- the ships dialog ----

BOOL HafenDialogLesen(HafenDaten *d)
{
    d->Waren.clear();
    d->Starts.clear();
    d->Abwracken.clear();
    d->RepFigur = -1;
    d->AusgelaufeneSchiffe = d->AktiveStadt ? d->AktiveStadt->AusgelaufeneSchiffe : 0;
    if (IsFilePresent(WAREN_FILE)) {
        auto *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
        ListHeader *l = CreateList(LISTE_WAREN);
        const BOOL ok = ware && l && ScanWare2List(l, ware);
        if (ok) d->Waren = AusListe<st_WARE_EXT>(l);
        DeleteList(l, 1);
        FreeVec(ware);
        if (!ok) {
            std::printf("HafenSchiffReq: Konnte Externe Daten nicht laden !\n");
            return 0;
        }
    }
    return LeseFiguren(d);
}

std::vector<ULONG> WerftZeilen(const HafenDaten *d)
{
    std::vector<ULONG> z;
    for (ULONG i = 0; i < d->Waren.size(); ++i) {
        const st_WARE_EXT &w = d->Waren[i];
        if (w.Info == HAFEN_WARE_LAGER && SchiffsArtDerWare(w.WarenTyp) && w.WarenAnzahl > 0) z.push_back(i);
    }
    return z;
}

std::vector<ULONG> AnkerZeilen(const HafenDaten *d)
{
    std::vector<ULONG> z;
    for (ULONG i = 0; i < d->Figuren.size(); ++i)
        if (EigenesSchiffHier(d, d->Figuren[i])) z.push_back(i);
    return z;
}

std::vector<std::string> WerftTexte(const HafenDaten *d)
{
    std::vector<std::string> t;
    for (ULONG i : WerftZeilen(d)) t.push_back(std::string(GetString(SchiffsArtDerWare(d->Waren[i].WarenTyp)->Name)).substr(0, 79));
    if (t.empty()) t.push_back(GetString(&_VEK_KASERNE_KEINE));
    return t;
}

std::vector<std::string> AnkerTexte(const HafenDaten *d)
{
    std::vector<std::string> t;
    for (ULONG i : AnkerZeilen(d)) t.push_back(std::string(GetString(SchiffsArtDerFigur(d->Figuren[i].FigurArt)->Name)).substr(0, 79));
    if (t.empty()) t.push_back(GetString(&_VEK_KASERNE_KEINE));
    return t;
}

BOOL HafenZeilenKlick(LONG *Gemerkt, LONG Zeile, ULONG Zeilen)
{
    if (Zeile < 0 || (ULONG)Zeile >= Zeilen) return 0;
    if (Zeile == *Gemerkt) return 1;
    *Gemerkt = Zeile;
    return 0;
}

BOOL HafenStarteSchiff(HafenDaten *d, ULONG Zeile, const HafenFragen *f)
{
    const std::vector<ULONG> zeilen = WerftZeilen(d);
    if (Zeile >= zeilen.size()) return 0;
    st_WARE_EXT &w = d->Waren[zeilen[Zeile]];
    const SchiffsArt *art = SchiffsArtDerWare(w.WarenTyp);
    const ULONG neu = (ULONG)d->AusgelaufeneSchiffe + art->Schiffspunkte;
    if (neu > HAFEN_MAX_PUNKTE) {
        const bool zuViele = art->Schiffspunkte == 1 || d->AusgelaufeneSchiffe > HAFEN_MAX_PUNKTE - 1;
        ZeigeText(f, zuViele ? &_VEK_HAFENSCREEN_ZUVIELESCHIFFE : &_VEK_HAFENSCREEN_ZUVIELESCHIFFP);
        return 0;
    }
    HafenStart start{w};
    if (--w.WarenAnzahl == 0) d->Waren.erase(d->Waren.begin() + zeilen[Zeile]);
    d->AusgelaufeneSchiffe = (UWORD)neu;
    st_MOVE_EXT fig{};
    fig.SpielerID = PlayerInfo.SpielerID;
    fig.FigurArt = art->Figur;
    fig.FigurNummer = 0;
    fig.X_Pos = d->StadtXPos;
    fig.Y_Pos = d->StadtYPos;
    d->Figuren.push_back(fig);
    d->Starts.push_back(start);
    return 1;
}

ULONG HafenAbwrackKosten(ULONG Gold, UWORD Punkte) { return std::min<ULONG>(Gold, HAFEN_ABWRACK_GOLD * Punkte); }

namespace {

// Gives a launch back: the stock unit to its record (or the record anew) and
// its ship points.
void StartZurueck(HafenDaten *d, const HafenStart &s)
{
    for (auto &w : d->Waren) {
        if (w.Info == s.Vorlage.Info && w.WarenTyp == s.Vorlage.WarenTyp && w.Zustand == s.Vorlage.Zustand &&
            w.WarenAnzahl < 0xFFFFFFFFu) {
            ++w.WarenAnzahl;
            goto punkte;
        }
    }
    {
        st_WARE_EXT w = s.Vorlage;
        w.WarenAnzahl = 1;
        d->Waren.push_back(w);
    }
punkte:
    const SchiffsArt *art = SchiffsArtDerWare(s.Vorlage.WarenTyp);
    d->AusgelaufeneSchiffe = (UWORD)(d->AusgelaufeneSchiffe - std::min<UWORD>(d->AusgelaufeneSchiffe, art->Schiffspunkte));
}

}  // namespace

BOOL HafenMarkiereWrack(HafenDaten *d, ULONG Zeile, const HafenFragen *f)
{
    const std::vector<ULONG> zeilen = AnkerZeilen(d);
    if (Zeile >= zeilen.size()) return 0;
    const ULONG fi = zeilen[Zeile];
    const st_MOVE_EXT fig = d->Figuren[fi];
    if (fig.Kommando == HAFEN_KOMMANDO_REPARATUR) {
        ZeigeText(f, &_VEK_HAFEN_ABWRACK_GEHTNICHT);
        return 0;
    }
    if (fig.FigurNummer == 0) {
        // Launched in this dialog: nothing to wreck, the launch is taken back.
        ULONG k = 0;
        for (ULONG i = 0; i < fi; ++i)
            if (d->Figuren[i].FigurNummer == 0 && EigenesSchiffHier(d, d->Figuren[i])) ++k;
        if (k >= d->Starts.size()) return 0;
        StartZurueck(d, d->Starts[k]);
        d->Starts.erase(d->Starts.begin() + k);
        d->Figuren.erase(d->Figuren.begin() + fi);
        return 1;
    }
    const st_SHIP_EXT *s = SchiffMitID(d->Schiffe, fig.FigurNummer);
    if (s && AnBord(*s)) {
        ZeigeText(f, &_VEK_HAFEN_SCHIFFE_ENTLADEN);
        return 0;
    }
    char text[400];
    std::snprintf(text, sizeof text, "%s %u %s", GetString(&_VEK_HAFEN_ABWRACKEN),
                  (unsigned)HafenAbwrackKosten(HafenGold(d), s ? s->Punkte : 0), GetString(&_VEK_GS));
    if (!f || !f->Confirm || !f->Confirm(text)) return 0;
    d->Abwracken.insert(fig.FigurNummer);
    d->Figuren.erase(d->Figuren.begin() + fi);
    return 1;
}

BOOL SetNewShips(HafenDaten *d)
{
    if (!d->AktiveStadt) return 0;
    // Everything is worked out on copies first; they replace the state only
    // when every file is written.
    std::vector<st_SHIP_EXT> schiffe = d->Schiffe;
    std::vector<st_WARE_EXT> waren = d->Waren;
    std::vector<st_MOVE_EXT> figuren = d->Figuren;
    ULONG gold = HafenGold(d);
    BOOL bild = d->ChangeBackround;

    for (UWORD id : d->Abwracken) {
        auto it = std::find_if(schiffe.begin(), schiffe.end(), [&](const st_SHIP_EXT &s) {
            return s.SchiffsID == id && s.X_Pos == d->StadtXPos && s.Y_Pos == d->StadtYPos;
        });
        if (it == schiffe.end()) continue;  // a figure without a record: it only leaves the map
        if (AnBord(*it)) continue;
        gold -= HafenAbwrackKosten(gold, it->Punkte);
        const ULONG holz = HAFEN_ABWRACK_HOLZ * it->Punkte;
        auto wi = std::find_if(waren.begin(), waren.end(), [](const st_WARE_EXT &w) {
            return w.Info == HAFEN_WARE_LAGER && w.WarenTyp == HAFEN_WARE_HOLZ;
        });
        if (wi == waren.end()) {
            st_WARE_EXT w{};
            w.Info = HAFEN_WARE_LAGER;
            w.Herkunft = PlayerInfo.SpielerID;
            w.WarenTyp = HAFEN_WARE_HOLZ;
            w.WarenAnzahl = holz;
            waren.push_back(w);
        } else {
            wi->WarenAnzahl = wi->WarenAnzahl > 0xFFFFFFFFu - holz ? 0xFFFFFFFFu : wi->WarenAnzahl + holz;
        }
        schiffe.erase(it);
    }
    // Without any ship record, own ship figures of earlier turns on the hex
    // stand for nothing the server knows.
    if (schiffe.empty())
        std::erase_if(figuren, [&](const st_MOVE_EXT &f) { return f.FigurNummer != 0 && EigenesSchiffHier(d, f); });

    // The launched figures get the smallest free own numbers.
    std::vector<bool> belegt(0x10000, false);
    for (const auto &f : figuren)
        if (f.SpielerID == PlayerInfo.SpielerID) belegt[f.FigurNummer] = true;
    ULONG naechste = 1;
    bool neu = false;
    for (auto &f : figuren) {
        if (f.FigurNummer != 0 || !EigenesSchiffHier(d, f)) continue;
        while (naechste <= 0xFFFF && belegt[naechste]) ++naechste;
        if (naechste > 0xFFFF || schiffe.size() >= 0xFFFF) {
            std::printf("AddFigur2MapPrefs : Keine weitere Figur m\366glich !\n");
            return 0;
        }
        f.FigurNummer = (UWORD)naechste;
        belegt[naechste] = true;
        st_SHIP_EXT s{};
        s.SchiffsID = f.FigurNummer;
        s.Punkte = NeueSchiffsPunkte(SchiffsArtDerFigur(f.FigurArt), &d->Forschung);
        s.X_Pos = d->StadtXPos;
        s.Y_Pos = d->StadtYPos;
        schiffe.push_back(s);
        neu = true;
    }
    if (!figuren.empty()) bild = neu;

    // The files: figures, stock, orders pool (ships and gold), town.
    ListHeader *figListe = ZuListe(figuren, LISTE_FIGUREN);
    ListHeader *warListe = ZuListe(waren, LISTE_WAREN);
    st_WARE *ware = warListe ? MakeWareChunkFromList(warListe) : nullptr;
    DeleteList(warListe, 1);
    st_LAND *land = nullptr;
    if (d->Land) {
        land = (st_LAND *)AllocVec(sizeof(st_LAND) + 1, MEMF_CLEAR);
        if (land) {
            std::memcpy(land, d->Land, sizeof(st_LAND));
            land->AnzGold = gold;
        }
    }
    Stadt *stadt = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
    if (stadt) {
        std::memcpy(stadt, d->AktiveStadt, sizeof(Stadt));
        stadt->AusgelaufeneSchiffe = d->AusgelaufeneSchiffe;
    }
    char stadtPfad[160];
    BOOL ok = figListe && ware && stadt && (land || !d->Land) &&
              StadtDatei(stadtPfad, sizeof stadtPfad, d->AktiveStadt->Stadtname, ".vek");
    if (!ok) std::printf("SetNewShips : Konnte Speicher f\374r Schiffseintrag nicht allokieren...\n");
    const char *dateien[4] = {MAPPREFS_FILE, WAREN_FILE, POOL_OUT, stadtPfad};
    if (ok) {
        ok = OkJournalBegin(dateien, 4);
        if (!ok) std::printf("SetNewShips: Konnte das Journal nicht anlegen !\n");
        if (ok) {
            ok = OkJournalBefore(0) && WriteList2MapPrefs(figListe);
            if (!ok) std::printf("SetNewShips: Konnte Figuren nicht entfernen !!!\n");
        }
        if (ok) {
            ok = OkJournalBefore(1) && SaveChunk2File(WAREN_FILE, ware);
            if (!ok) std::printf("SetNewShips : Konnte Chunk nicht anlegen\n");
        }
        if (ok) ok = OkJournalBefore(2) && SchreibePool(schiffe, land);
        if (ok) {
            ok = OkJournalBefore(3) && SpeichereStadt(stadt);
            if (!ok) std::printf("HafenSchiffReq: beim abspeichern der Schiffsliste ist ein Fehler aufgetreten...\n");
        }
        if (ok) ok = OkJournalBefore(4);
        if (ok)
            OkJournalCommit();
        else
            OkJournalRestore();
    }
    DeleteList(figListe, 1);
    FreeVec(ware);
    if (ok) {
        d->Schiffe = std::move(schiffe);
        d->Waren = std::move(waren);
        d->Figuren = std::move(figuren);
        if (land) {
            FreeVec(d->Land);
            d->Land = land;
            land = nullptr;
        }
        FreeVec(d->AktiveStadt);
        d->AktiveStadt = stadt;
        stadt = nullptr;
        d->ChangeBackround = bild;
        d->Starts.clear();
        d->Abwracken.clear();
    }
    FreeVec(land);
    FreeVec(stadt);
    return ok;
}

// ---- the repair dialog ----

BOOL HafenRepLesen(HafenDaten *d)
{
    d->RepFigur = -1;
    d->ReparaturID = 0;
    d->Reparatur = 0;
    d->Starts.clear();
    d->Abwracken.clear();
    return LeseFiguren(d);
}

BOOL HafenRepWaehle(HafenDaten *d, ULONG Zeile)
{
    const std::vector<ULONG> zeilen = AnkerZeilen(d);
    if (Zeile >= zeilen.size()) return 0;
    const st_MOVE_EXT &fig = d->Figuren[zeilen[Zeile]];
    const st_SHIP_EXT *s = SchiffMitID(d->Schiffe, fig.FigurNummer);
    if (!s) {
        d->RepFigur = -1;
        return 0;
    }
    if (d->RepFigur < 0 || d->ReparaturID != fig.FigurNummer) {
        d->Reparatur = 0;
        for (const auto &a : d->AddOns)
            if (a.SchiffsID == fig.FigurNummer) d->Reparatur = a.ReparaturDauer;
    }
    d->RepFigur = (LONG)zeilen[Zeile];
    d->ReparaturID = fig.FigurNummer;
    d->Reparatur = std::min(d->Reparatur, s->Schaden);
    return 1;
}

void HafenRepSchritt(HafenDaten *d, int Schritt)
{
    if (d->RepFigur < 0) return;
    const st_SHIP_EXT *s = SchiffMitID(d->Schiffe, d->ReparaturID);
    if (!s) return;
    if (Schritt < 0 && d->Reparatur > 0) --d->Reparatur;
    if (Schritt > 0 && d->Reparatur < s->Schaden) ++d->Reparatur;
}

BOOL HafenRepWerteDes(const HafenDaten *d, HafenRepWerte *w)
{
    if (d->RepFigur < 0) return 0;
    const st_SHIP_EXT *s = SchiffMitID(const_cast<std::vector<st_SHIP_EXT> &>(d->Schiffe), d->ReparaturID);
    const SchiffsArt *art = SchiffsArtDerFigur(d->Figuren[d->RepFigur].FigurArt);
    if (!s || !art) return 0;
    w->X = s->X_Pos;
    w->Y = s->Y_Pos;
    w->Schaden = s->Schaden;
    w->Punkte = s->Punkte;
    w->Reparatur = d->Reparatur;
    w->Preis = (ULONG)d->Reparatur * art->PreisProPunkt;
    w->Dauer = d->Reparatur;
    return 1;
}

BOOL SetRepairShip(HafenDaten *d)
{
    if (d->RepFigur < 0 || d->Reparatur == 0) return 1;
    std::vector<st_MOVE_EXT> figuren = d->Figuren;
    std::vector<ShipAddOn> addOns = d->AddOns;
    st_MOVE_EXT &fig = figuren[d->RepFigur];
    fig.Kommando = HAFEN_KOMMANDO_REPARATUR;
    fig.Bewegungspunkte = 0;
    auto it = std::find_if(addOns.begin(), addOns.end(), [&](const ShipAddOn &a) { return a.SchiffsID == d->ReparaturID; });
    if (it == addOns.end()) {
        ShipAddOn a{};
        a.SchiffsID = d->ReparaturID;
        addOns.push_back(a);
        it = addOns.end() - 1;
    }
    it->ReparaturDauer = d->Reparatur;
    ListHeader *figListe = ZuListe(figuren, LISTE_FIGUREN);
    ListHeader *addListe = ZuListe(addOns, LISTE_SHIPADDON);
    BOOL ok = figListe && addListe;
    if (!ok) std::printf("SetRepairShip: Konnte Speicher f\374r Schiffseintrag nicht allokieren...\n");
    const char *dateien[2] = {SHIPADDON_FILE, MAPPREFS_FILE};
    if (ok) {
        ok = OkJournalBegin(dateien, 2);
        if (ok) {
            ok = OkJournalBefore(0) && SaveShipAddOnList(addListe);
            if (!ok) std::printf("WriteHafenData: Konnte ShipAddOnDaten nicht speichern \n");
        }
        if (ok) {
            ok = OkJournalBefore(1) && WriteList2MapPrefs(figListe);
            if (!ok) std::printf("HafenSchiffRep: Konnte neue Map-Prefs nicht abspeichern!\n");
        }
        if (ok) ok = OkJournalBefore(2);
        if (ok)
            OkJournalCommit();
        else
            OkJournalRestore();
    }
    DeleteList(figListe, 1);
    DeleteList(addListe, 1);
    if (ok) {
        d->Figuren = std::move(figuren);
        d->AddOns = std::move(addOns);
        d->Reparatur = 0;
    }
    return ok;
}
