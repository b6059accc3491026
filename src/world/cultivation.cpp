// Worked fields: the block files, the yields, the update after a turn and
// the harvest sum. Block files hold whole 98-byte records without a head,
// little-endian, converted to host order as they are read.
#include "world/cultivation.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "world/hex.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/fieldorder.h"
#include "store/store.h"

namespace {

// Block files keep their records little-endian on every host.
constexpr fieldorder::Field kMapCultivationFelder[] = {
    F_16(MapCultivation, X),               F_16(MapCultivation, Y),        F_16(MapCultivation, WorkersForHarvest),
    F_32(MapCultivation, MaxHarvest),      F_32(MapCultivation, ActHarvest), F_32(MapCultivation, PrevHarvest),
    F_16(MapCultivation, WorkersForWood),  F_16(MapCultivation, MaxWood),  F_16(MapCultivation, ActWood),
    F_16(MapCultivation, PrevWood),        F_16(MapCultivation, WorkersForStone), F_16(MapCultivation, MaxStone),
    F_16(MapCultivation, ActStone),        F_16(MapCultivation, PrevStone)};
constexpr fieldorder::Record kMapCultivation = RECORD(kMapCultivationFelder, MapCultivation, 0);
static_assert(fieldorder::Covers(kMapCultivation));

// Between the file's little-endian record and host order, either way.
void ConvertMapCultivation(UBYTE *record)
{
    if (std::endian::native == std::endian::big) fieldorder::SwapFields(record, 0, kMapCultivation, sizeof(MapCultivation));
}

constexpr ULONG KORNLAGER_RAUM = 40000;  // room of one granary

void BlockName(char *name, size_t size, ULONG x, ULONG y)
{
    std::snprintf(name, size, "./Map/C_%u_%u.vek", (unsigned)x, (unsigned)y);
}

struct Block {
    std::string name;
    ULONG x, y;
};

// Reads a decimal number of at most three digits from s at i.
bool Zahl(const std::string &s, size_t &i, ULONG &wert)
{
    size_t start = i;
    wert = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3) wert = wert * 10 + (ULONG)(s[i++] - '0');
    return i > start && (i >= s.size() || s[i] < '0' || s[i] > '9');
}

// "C_<x>_<y>.vek" with both numbers inside the world's blocks.
bool BlockAusName(const std::string &name, ULONG &x, ULONG &y)
{
    if (name.compare(0, 2, "C_") != 0) return false;
    size_t i = 2;
    if (!Zahl(name, i, x) || i >= name.size() || name[i++] != '_') return false;
    if (!Zahl(name, i, y) || name.compare(i, std::string::npos, ".vek") != 0) return false;
    return x < (ULONG)CULT_BLOCKS && y < (ULONG)CULT_BLOCKS;
}

// The block files of ./Map in name order. 0 when ./Map is missing (*fehlt)
// or cannot be listed.
int BlockListe(std::vector<Block> &bloecke, bool &fehlt)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fehlt = !fs::is_directory("./Map", ec);
    if (fehlt) return 0;
    fs::directory_iterator it("./Map", ec), ende;
    if (ec) return 0;
    for (; it != ende; it.increment(ec)) {
        if (ec) return 0;
        const std::string name = it->path().filename().string();
        if (name.compare(0, 2, "C_") != 0) continue;
        Block b{name, 0, 0};
        if (!BlockAusName(name, b.x, b.y)) {
            std::printf("CheckMapCultWorld: Dateiname %s passt nicht, \374bersprungen\n", name.c_str());
            continue;
        }
        bloecke.push_back(b);
    }
    std::sort(bloecke.begin(), bloecke.end(), [](const Block &a, const Block &b) { return a.name < b.name; });
    return 1;
}

// The tiles a pass reads, each once: four blocks share one tile.
class TeilCache {
public:
    // The tile of block (x, y), or null (*fehlt when it has no file).
    const MapEntry *Teil(ULONG bx, ULONG by, bool &fehlt)
    {
        const ULONG key = (bx / 2) * 1000 + by / 2;
        auto it = teile_.find(key);
        if (it == teile_.end()) {
            Eintrag e;
            e.hexe.reset(new MapEntry[TEIL_BREITE * TEIL_HOEHE]);
            char name[64];
            std::snprintf(name, sizeof name, "./Map/M_%u_%u.map", (unsigned)(bx / 2), (unsigned)(by / 2));
            int f = 0;
            e.gut = LadeKartenDatei(name, e.hexe.get(), &f);
            e.fehlt = f != 0;
            it = teile_.emplace(key, std::move(e)).first;
        }
        fehlt = it->second.fehlt;
        return it->second.gut ? it->second.hexe.get() : nullptr;
    }

private:
    struct Eintrag {
        std::unique_ptr<MapEntry[]> hexe;
        bool gut = false, fehlt = false;
    };
    std::map<ULONG, Eintrag> teile_;
};

const MapEntry &HexImTeil(const MapEntry *teil, const MapCultivation &c)
{
    return teil[(c.Y % TEIL_HOEHE) * TEIL_BREITE + c.X % TEIL_BREITE];
}

MapCultivation *Feld(ListNode *n) { return (MapCultivation *)NodeData(n); }

ULONG Arbeiter(const MapCultivation &c)
{
    return (ULONG)c.WorkersForHarvest + c.WorkersForWood + c.WorkersForStone;
}

LONG Begrenzt(int64_t wert, int64_t max) { return (LONG)std::clamp<int64_t>(wert, 0, max); }

// Food of a field on land: decay towards 10,000 when the workers cannot keep
// it, else growth by the workers' share, never below 0 nor above the maximum.
ULONG NeueNahrung(ULONG act, ULONG m, ULONG w)
{
    if (m < act) return act < 11501 ? 10000 : act - 1500;
    return (ULONG)std::clamp<int64_t>((int64_t)act + (int64_t)w * ((int64_t)m - 10000) / 1000, 0, m);
}

// Wood or stone: drop to the maximum, or grow by at least one unit.
UWORD NeuesRohgut(UWORD act, ULONG m, UWORD w)
{
    if (m < act) return (UWORD)m;
    int64_t g = (int64_t)w * ((int64_t)m - 10) / 1000;
    if ((g & 0xFFFF) == 0) g = 1;
    return (UWORD)Begrenzt((int64_t)act + g, m);
}

// The history of one yield moves one place; the record is packed, so its
// history is moved as bytes.
template <class T> void Verlauf(MapCultivation &c, size_t at, T neu)
{
    UBYTE *p = (UBYTE *)&c + at;
    std::memmove(p + sizeof(T), p, sizeof(T) * 8);
    std::memcpy(p, &neu, sizeof(T));
}

struct Summen {
    int64_t frei = 0;        // workers not on a field (negative: too many on fields)
    uint64_t holz = 0, stein = 0, fisch = 0;
    ULONG felder = 0;
};

void Fortschreiben(MapCultivation &c, UWORD klasse, UBYTE gott, Summen &s)
{
    const ULONG m = GetMaxHarvestForField(klasse, c.WorkersForHarvest, gott);
    c.MaxHarvest = m;
    if (klasse == GK_WASSER) {
        c.ActHarvest = m;
        s.fisch += m;
    } else {
        c.ActHarvest = NeueNahrung(c.ActHarvest, m, c.WorkersForHarvest);
    }
    Verlauf<ULONG>(c, offsetof(MapCultivation, PrevHarvest), c.ActHarvest);
    const ULONG mh = GetMaxWoodForField(klasse, c.WorkersForWood, gott);
    c.MaxWood = (UWORD)std::min<ULONG>(mh, 0xFFFF);
    c.ActWood = NeuesRohgut(c.ActWood, c.MaxWood, c.WorkersForWood);
    Verlauf<UWORD>(c, offsetof(MapCultivation, PrevWood), c.ActWood);
    s.holz += c.ActWood;
    const ULONG ms = GetMaxStoneForField(klasse, c.WorkersForStone);
    c.MaxStone = (UWORD)std::min<ULONG>(ms, 0xFFFF);
    c.ActStone = NeuesRohgut(c.ActStone, c.MaxStone, c.WorkersForStone);
    Verlauf<UWORD>(c, offsetof(MapCultivation, PrevStone), c.ActStone);
    s.stein += c.ActStone;
    ++s.felder;
}

// Takes share workers off one kind of n workers, passing on what it could
// not give in k. Returns the workers left.
UWORD Abziehen(UWORD n, ULONG share, ULONG &k)
{
    if (n < share) {
        k = share + k - n;
        return 0;
    }
    const ULONG rest = n - share;
    if (rest < k) {
        k -= rest;
        return 0;
    }
    const ULONG bleibt = rest - k;
    k = 0;
    return (UWORD)bleibt;
}

ListHeader *NeueBlockListe(const char *routine)
{
    ListHeader *l = CreateList(LISTE_MAPCULT);
    if (!l) std::printf("%s: Konnte keine leere ArmyListe anlegen...\n", routine);
    return l;
}

// Too many workers on the fields: every field gives back its share q, in
// file order, a field with fewer passing the rest on. *frei grows by the
// workers taken back.
int ArbeiterZurueck(const std::vector<Block> &bloecke, ULONG felder, Summen &s)
{
    std::printf("CheckMapCultWorld: Zuviele Arbeiter verteilt!!!\n");
    const uint64_t zuviel = (uint64_t)(-s.frei);
    const ULONG q = (ULONG)((zuviel + felder - 1) / felder);
    const ULONG t = q / 3, h = q - 2 * t;
    ULONG k = 0;
    int ok = 1;
    for (const Block &b : bloecke) {
        ListHeader *liste = NeueBlockListe("CheckMapCultWorld");
        if (!liste) return 0;
        if (!ScanMapCult2List(liste, b.x, b.y)) ok = 0;
        ListNode *n = liste->FirstNode;
        for (ULONG i = 0; i < liste->Elemente; ++i, n = n->Next) {
            MapCultivation &c = *Feld(n);
            const ULONG alle = Arbeiter(c);
            if (alle > q) {
                c.WorkersForWood = Abziehen(c.WorkersForWood, t, k);
                c.WorkersForStone = Abziehen(c.WorkersForStone, t, k);
                c.WorkersForHarvest = Abziehen(c.WorkersForHarvest, h, k);
                s.frei += alle - Arbeiter(c);
            } else {
                c.WorkersForWood = c.WorkersForStone = c.WorkersForHarvest = 0;
                k += q - alle;
                s.frei += alle;
            }
            std::printf("CheckMapCultWorld: Restarbeiter %d\n", (int)s.frei);
        }
        if (liste->Elemente && !SaveMapCultList(liste, b.x, b.y)) {
            std::printf("CheckMapCultWorld: Konnte die Daten nicht abspeichern!\n");
            ok = 0;
        }
        DeleteList(liste, 1);
    }
    return ok;
}

// Fish go into the granaries as far as their room allows.
int FischInsKornlager(uint64_t fisch)
{
    std::printf("CheckMapCultWorld: durch Fischfang erreichte Nahrung %u\n", (unsigned)fisch);
    st_KORN *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
    if (!korn) {
        std::printf("CheckMapCultWorld: Konnte KornChunk nicht \366ffnen !");
        return 0;
    }
    const ULONG f = (ULONG)std::min<uint64_t>(fisch, 0xFFFFFFFFu);
    korn->Fishes = f;
    const uint64_t raum = (uint64_t)korn->AnzKornlager * KORNLAGER_RAUM;
    const uint64_t lager = (uint64_t)korn->Kornlager + f;
    const uint64_t andere = (uint64_t)korn->BevLager + korn->Saatlager;
    korn->Kornlager = (ULONG)std::min<uint64_t>(lager + andere > raum ? (raum > andere ? raum - andere : 0) : lager,
                                                0xFFFFFFFFu);
    const int ok = AddChunkPool(korn, POOL_OUT);
    if (!ok) std::printf("CheckMapCultWorld: Konnte neuen WarenChunk nicht abspeichern : !\n");
    FreeVec(korn);
    return ok;
}

ULONG PrefWert(int64_t v) { return (ULONG)(LONG)std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); }

int Automatisch(const st_LAND &land)
{
    ULONG a = 0, holz = 0, stein = 0;
    if (land.AnzMorgen) {
        a = land.AnzVolk / 10 / land.AnzMorgen / 3;
        const uint64_t b = (uint64_t)land.AnzMorgen * 5 * a;
        holz = (ULONG)(b / 1000 - b / 10000 + Wuerfel((ULONG)(b / 5000)));
        stein = (ULONG)(b / 1000 + Wuerfel((ULONG)(b / 5000)) - b / 10000);
    }
    return CheckPrefsWrite(PREF_ARBEITER, a) & CheckPrefsWrite(PREF_HOLZ, holz) & CheckPrefsWrite(PREF_STEIN, stein);
}

bool AutomatikAn()
{
    ULONG v = 0;
    return CheckPrefsRead(PREF_AUTO_ARBEITER, &v) && v != 0;
}

}  // namespace

ULONG GetMaxHarvestForField(UWORD Art, ULONG Arbeiter, UBYTE Gottheit)
{
    ULONG faktor;
    switch (Art) {
    case GK_BERGE: faktor = 35; break;
    case GK_HUEGEL: faktor = 70; break;
    case GK_WALD:
    case GK_DSCHUNGEL: faktor = 45; break;
    case GK_STEPPE: faktor = 90; break;
    case GK_SUMPF: faktor = 20; break;
    case GK_STADT: faktor = 50; break;
    case GK_WASSER: return (ULONG)std::min<uint64_t>((uint64_t)Arbeiter * (Gottheit == 5 ? 20 : 10), 0xFFFFFFFFu);
    default: return 0;
    }
    return (ULONG)std::min<uint64_t>((uint64_t)Arbeiter * faktor + 10000, 0xFFFFFFFFu);
}

ULONG GetMaxWoodForField(UWORD Art, ULONG Arbeiter, UBYTE Gottheit)
{
    ULONG faktor;
    switch (Art) {
    case GK_BERGE: faktor = 60; break;
    case GK_HUEGEL: faktor = 45; break;
    case GK_WALD:
    case GK_DSCHUNGEL: faktor = 90; break;
    case GK_STEPPE: faktor = 20; break;
    case GK_SUMPF: faktor = 50; break;
    case GK_STADT: faktor = 5; break;
    default: return 0;
    }
    uint64_t holz = (uint64_t)Arbeiter * faktor / 1000;
    if (Gottheit == 6) holz = holz * 150 / 100;
    return (ULONG)holz;
}

ULONG GetMaxStoneForField(UWORD Art, ULONG Arbeiter)
{
    ULONG faktor;
    switch (Art) {
    case GK_BERGE: faktor = 90; break;
    case GK_HUEGEL: faktor = 35; break;
    case GK_WALD:
    case GK_DSCHUNGEL: faktor = 10; break;
    case GK_STEPPE: faktor = 25; break;
    case GK_SUMPF: faktor = 5; break;
    case GK_STADT: faktor = 5; break;
    default: return 0;
    }
    return (ULONG)((uint64_t)Arbeiter * faktor / 1000);
}

int LadeKartenDatei(const char *Name, MapEntry *Ziel, int *Fehlt)
{
    if (Fehlt) *Fehlt = 0;
    if (!IsFilePresent(Name)) {
        if (Fehlt) *Fehlt = 1;
        return 0;
    }
    if (GetFileSize(Name) != TEIL_BYTES) {
        std::printf("Karte %s hat nicht die Gr\366\337e einer Karte, \374bersprungen\n", Name);
        return 0;
    }
    UBYTE *daten = (UBYTE *)LoadFile2Mem(Name, 0);
    if (!daten) return 0;
    std::memcpy(Ziel, daten, TEIL_BYTES);
    WendeMapEntries(Ziel, TEIL_BREITE * TEIL_HOEHE);
    FreeVec(daten);
    return 1;
}

int ScanMapCult2List(ListHeader *List, ULONG MapX, ULONG MapY)
{
    if (!List || List->Typ != LISTE_MAPCULT || List->TypSize < sizeof(ListNode) + sizeof(MapCultivation)) return 0;
    char name[64];
    BlockName(name, sizeof name, MapX, MapY);
    if (!IsFilePresent(name)) return 1;
    const ULONG groesse = GetFileSize(name);
    if (groesse < sizeof(MapCultivation)) return 1;
    UBYTE *daten = (UBYTE *)LoadFile2Mem(name, 0);
    if (!daten) return 1;
    for (ULONG i = 0; i < groesse / (ULONG)sizeof(MapCultivation); ++i) {
        ListNode *node = (ListNode *)AllocVec(List->TypSize, MEMF_CLEAR);
        if (!node) {
            std::printf("ScanTown2List : Konnte Node nicht \366ffnen !\n");
            FreeVec(daten);
            return 0;
        }
        std::memcpy(NodeData(node), daten + (size_t)i * sizeof(MapCultivation), sizeof(MapCultivation));
        ConvertMapCultivation((UBYTE *)NodeData(node));
        InsertNode(List, node, LIST_LAST, 0);
    }
    FreeVec(daten);
    return 1;
}

int SaveMapCultList(ListHeader *List, ULONG MapX, ULONG MapY)
{
    if (!List || List->Typ != LISTE_MAPCULT) return 0;
    char name[64];
    BlockName(name, sizeof name, MapX, MapY);
    if (List->Elemente == 0) {
        DeleteFile(name);
        return !IsFilePresent(name);
    }
    std::vector<UBYTE> puffer((size_t)List->Elemente * sizeof(MapCultivation));
    ListNode *n = List->FirstNode;
    for (ULONG i = 0; i < List->Elemente; ++i, n = n->Next) {
        std::memcpy(puffer.data() + (size_t)i * sizeof(MapCultivation), NodeData(n), sizeof(MapCultivation));
        ConvertMapCultivation(puffer.data() + (size_t)i * sizeof(MapCultivation));
    }
    return WriteFileAtomic(name, puffer.data(), (ULONG)puffer.size(), -1) == (int)puffer.size();
}

int CheckMapCultWorld()
{
    std::printf("CheckMapCultWorld: Start !\n");
    st_LAND *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    if (!land) {
        std::printf("CheckMapCultWorld: Konnte LandChunk nicht \366ffnen !");
        return 0;
    }
    if (AutomatikAn()) {
        const int ok = Automatisch(*land);
        FreeVec(land);
        std::printf("CheckMapCultWorld: Quit !\n");
        return ok;
    }
    const ULONG alleArbeiter = land->AnzVolk / 10;
    const UBYTE gott = land->Gottheit;
    FreeVec(land);
    std::printf("CheckMapCultWorld: Arbeiter %u\n", (unsigned)alleArbeiter);

    Summen s;
    s.frei = alleArbeiter;
    std::vector<Block> bloecke;
    bool fehlt = false;
    if (!BlockListe(bloecke, fehlt)) {
        if (fehlt) {
            std::printf("CheckMapCultWorld: Konnte Verzeichnis nicht finden !\n");
            return 1;
        }
        std::printf("CheckMapCultWorld: Invalid File Handle. GetLastError reportsn");
        CheckPrefsWrite(PREF_ARBEITER, alleArbeiter);
        CheckPrefsWrite(PREF_HOLZ, 0);
        CheckPrefsWrite(PREF_STEIN, 0);
        return 0;
    }
    int ok = 1;
    TeilCache cache;
    for (const Block &b : bloecke) {
        ListHeader *liste = NeueBlockListe("CheckMapCultWorld");
        if (!liste) {
            ok = 0;
            continue;
        }
        if (!ScanMapCult2List(liste, b.x, b.y)) ok = 0;
        if (liste->Elemente == 0) {
            DeleteList(liste, 1);
            continue;
        }
        bool teilFehlt = false;
        const MapEntry *teil = cache.Teil(b.x, b.y, teilFehlt);
        if (!teil) {
            // Without map data the block's fields are gone; a tile that only
            // failed to load keeps them for the next turn.
            if (teilFehlt) {
                char name[64];
                BlockName(name, sizeof name, b.x, b.y);
                DeleteFile(name);
            } else {
                ok = 0;
            }
            DeleteList(liste, 1);
            continue;
        }
        ListNode *n = liste->FirstNode;
        for (ULONG i = liste->Elemente; i > 0; --i) {
            ListNode *next = n->Next;
            MapCultivation &c = *Feld(n);
            const MapEntry &hex = HexImTeil(teil, c);
            std::printf("CheckMapCultWorld: MapCult-Eintrag gefunden X %u Y %u X %u Y %u\n",
                        (unsigned)(c.X % TEIL_BREITE), (unsigned)(c.Y % TEIL_HOEHE), (unsigned)c.X, (unsigned)c.Y);
            if (hex.BesitzerID != PlayerInfo.SpielerID) {
                std::printf("CheckMapCultWorld: Feld geh\366rt nicht mehr dem Spieler\n");
                liste->ActNode = n;
                DeleteNode(liste, LIST_ACT, 0, LIST_FREE_OWNED);
            } else {
                s.frei -= Arbeiter(c);
                std::printf("CheckMapCultWorld: Restarbeiter %d\n", (int)s.frei);
                Fortschreiben(c, GetTypeOfHex(hex.Art), gott, s);
            }
            n = next;
        }
        if (!SaveMapCultList(liste, b.x, b.y)) {
            std::printf("CheckMapCultWorld: Konnte die Daten nicht abspeichern!\n");
            ok = 0;
        }
        DeleteList(liste, 1);
    }
    if (s.frei < 0 && s.felder > 0) ok = ArbeiterZurueck(bloecke, s.felder, s) && ok;

    const ULONG holz = (ULONG)std::min<uint64_t>(s.holz, 0xFFFFFFFFu);
    const ULONG stein = (ULONG)std::min<uint64_t>(s.stein, 0xFFFFFFFFu);
    std::printf("CheckMapCultWorld: abgespeicherte Arbeiter %u\n", (unsigned)PrefWert(s.frei));
    std::printf("CheckMapCultWorld: abgespeicherte Arbeiter f\374r Wood %u\n", (unsigned)holz);
    std::printf("CheckMapCultWorld: abgespeicherte Arbeiter f\374r Stone %u\n", (unsigned)stein);
    if (!CheckPrefsWrite(PREF_ARBEITER, PrefWert(s.frei)) || !CheckPrefsWrite(PREF_HOLZ, holz) ||
        !CheckPrefsWrite(PREF_STEIN, stein))
        ok = 0;
    if (s.fisch > 0 && !FischInsKornlager(s.fisch)) ok = 0;
    std::printf("CheckMapCultWorld: Quit !\n");
    return ok;
}

int GetHarvestFromMapCult()
{
    st_KORN *korn = (st_KORN *)LoadCurrentChunk(ID_KORN);
    if (!korn) {
        std::printf("GetHarvestFromMapCult: B\366ser Fehler ! Konnte Korn-Chunk nicht laden...\n");
        return 0;
    }
    st_LAND *land = (st_LAND *)LoadCurrentChunk(ID_LAND);
    if (!land) {
        std::printf("GetHarvestFromMapCult: B\366ser Fehler ! Konnte Land-Chunk nicht laden...\n");
        FreeVec(korn);
        return 0;
    }
    const uint64_t morgen = land->AnzMorgen, arbeiter = land->AnzVolk / 10;
    FreeVec(land);
    uint64_t ernte = 0;
    int ok = 1;
    if (AutomatikAn()) {
        if (morgen) ernte = morgen * (arbeiter / morgen / 3 * 40 + 10000);
    } else {
        std::vector<Block> bloecke;
        bool fehlt = false;
        if (!BlockListe(bloecke, fehlt)) {
            if (fehlt) std::printf("GetHarvestFromMapCult: Konnte Verzeichnis nicht finden !\n");
            else std::printf("CheckMapCultWorld: Invalid File Handle. GetLastError reports\n");
        }
        uint64_t besetzt = 0, felder = 0;
        TeilCache cache;
        for (const Block &b : bloecke) {
            ListHeader *liste = NeueBlockListe("GetHarvestFromMapCult");
            if (!liste) {
                ok = 0;
                continue;
            }
            bool teilFehlt = false;
            const MapEntry *teil = nullptr;
            if (ScanMapCult2List(liste, b.x, b.y) && liste->Elemente) teil = cache.Teil(b.x, b.y, teilFehlt);
            ListNode *n = liste->FirstNode;
            for (ULONG i = 0; teil && i < liste->Elemente; ++i, n = n->Next) {
                const MapCultivation &c = *Feld(n);
                if (GetTypeOfHex(HexImTeil(teil, c).Art) == GK_WASSER) continue;
                std::printf("GetHarvestFromMapCult: MapCult-Eintrag gefunden X %u Y %u X %u Y %u\n",
                            (unsigned)(c.X % TEIL_BREITE), (unsigned)(c.Y % TEIL_HOEHE), (unsigned)c.X,
                            (unsigned)c.Y);
                ++felder;
                besetzt += Arbeiter(c);
                ernte += c.ActHarvest;
            }
            DeleteList(liste, 1);
        }
        // Fields of the realm not worked by hand yield as in automatic mode
        // with the workers left over.
        if (felder < morgen) {
            const uint64_t rest = morgen - felder;
            const uint64_t je = besetzt < arbeiter ? (arbeiter - besetzt) / rest / 3 * 40 + 10000 : 10000;
            ernte += je * rest;
        }
    }
    korn->MaxHarvest = (ULONG)std::min<uint64_t>(ernte, 0xFFFFFFFFu);
    if (!AddChunkPool(korn, POOL_OUT)) {
        std::printf("GetHarvestFromMapCult: Konnte neuen WarenChunk nicht abspeichern : !\n");
        ok = 0;
    }
    FreeVec(korn);
    return ok;
}
