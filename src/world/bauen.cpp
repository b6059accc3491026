// Building orders and demolition: tables, prices, the order checks, the
// demolition rule, and the building screen's reading and writing.
#include "world/bauen.h"

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
#include "store/lists.h"
#include "store/store.h"
#include "world/okjournal.h"
#include "world/townenv.h"
#include "world/towns.h"
#include "world/towns_local.h"
#include "world/warehouse.h"

ULONG (*BauWuerfel)(ULONG n) = Wuerfel;

#define ROW(slot, key, bild) {slot, &_VEK_GEBAEUDE_##key, &_VEK_BAUSCREEN_##key, &_VEK_BAUSCREEN_##key##_INFO, bild}
const BaubaresGebaeude BaubareGebaeude[BAU_TYPEN] = {
    {0, &_VEK_TOWN_GRAINSTORAGE, &_VEK_BAUSCREEN_KORNLAGER, &_VEK_BAUSCREEN_KORNLAGER_INFO, 344},
    {1, &_VEK_BAUSCREEN_MILLS, &_VEK_BAUSCREEN_MUEHLE, &_VEK_BAUSCREEN_MUEHLEN_INFO, 345},
    ROW(2, BANK, 363),
    ROW(14, TAVERNE, 376),
    ROW(15, BUERGERHAUS, 364),
    ROW(16, HANDELSREGISTER, 367),
    ROW(17, SCHULE, 374),
    {19, &_VEK_GEBAEUDE_CAMP, &_VEK_BAUSCREEN_UEBUNGSPLATZ, &_VEK_BAUSCREEN_CAMP_INFO, 365},
    ROW(20, SCHMIEDE, 372),
    ROW(21, FRIEDHOF, 366),
    ROW(22, LAZARETT, 377),
    ROW(23, KAPELLE, 369),
    ROW(24, SCHREIN, 373),
    ROW(25, MARKTPLATZ, 370),
    ROW(26, SAEGEWERK, 371),
    ROW(27, STALLUNGEN, 375),
    ROW(47, HEILER, 368),
    ROW(48, BARACKE, 494),
    ROW(49, MARKTHALLE, 495),
    ROW(50, BIBLIOTHEK, 496),
    ROW(51, HAFEN, 497),
    ROW(55, RATHAUS, 565),
    ROW(96, KIRCHE, 783),
    ROW(57, APELLHOF, 773),
    ROW(98, KONTOR, 784),
    ROW(56, AKADEMIE, 772),
    ROW(78, CHARITE, 775),
    ROW(108, RESIDENZ, 785),
    ROW(95, KERKER, 782),
    ROW(91, GERICHT, 777),
    ROW(115, UNI, 787),
    ROW(139, BURG, 774),
    ROW(158, HANDELSHOF, 778),
    ROW(160, HOSPITAL, 779),
    ROW(163, DOM, 781),
    ROW(162, KASERNE, 780),
    ROW(195, CIRCUS, 776),
    ROW(231, SCHLOSS, 786),
};
#undef ROW

const GebaeudeGrunddaten GebaeudeGrunddatenTab[BAU_TYPEN] = {
    {3000, 2, 150, 20, 20},          {1500, 1, 250, 30, 10},         {10000, 4, 1500, 50, 150},
    {15000, 4, 0, 80, 100},          {35000, 6, 5500, 370, 120},     {20000, 4, 4500, 50, 120},
    {12500, 2, 2500, 100, 150},      {5000, 1, 750, 100, 0},         {17500, 3, 4000, 80, 80},
    {7000, 1, 50, 0, 45},            {21000, 5, 2300, 250, 425},     {49000, 10, 9500, 150, 925},
    {7500, 2, 400, 0, 15},           {2000, 1, 600, 0, 0},           {6500, 3, 1200, 110, 0},
    {4000, 2, 900, 250, 140},        {2500, 1, 300, 150, 0},         {10000, 3, 1500, 560, 50},
    {15000, 4, 2500, 230, 300},      {13000, 2, 1350, 510, 675},     {32000, 6, 3200, 725, 125},
    {43000, 8, 7200, 260, 745},      {75000, 14, 14100, 525, 3500},  {17600, 7, 4700, 450, 2200},
    {18500, 6, 4000, 700, 1850},     {56000, 12, 6100, 1000, 2500},  {33000, 7, 3900, 500, 950},
    {66000, 13, 9000, 1300, 1900},   {15900, 5, 2600, 525, 1740},    {43000, 9, 5200, 1200, 2800},
    {51000, 14, 5600, 2400, 5600},   {1350000, 35, 25000, 16000, 70000}, {65000, 8, 6900, 1600, 3200},
    {62000, 10, 7100, 1400, 3000},   {2500000, 80, 49000, 24000, 90000}, {36000, 11, 5600, 4250, 8800},
    {950000, 28, 34000, 13000, 38000}, {1750000, 56, 42000, 30000, 100000},
};


namespace {

struct Paar {
    UWORD slot, hoeher;
};
constexpr Paar kHoehere[] = {{15, 108}, {55, 108}, {19, 48},  {22, 78},   {23, 96},  {25, 49},   {48, 57},
                             {50, 56},  {56, 115}, {57, 162}, {78, 160},  {96, 163}, {108, 139}, {139, 231}};

bool Mitglied(int kette, int pos) { return AusbauKetten[kette][pos] != KEIN_GLIED; }

ULONG Saettigen16(ULONG v) { return v > 0xFFFF ? 0xFFFF : v; }

// This turn's value of a base cost: made dearer or cheaper by trust, then one throw of the dice.
ULONG Tagespreis(ULONG basis, ULONG vertrauen)
{
    ULONG p = basis * 100 / (vertrauen / 5 + 50);
    return p + BauWuerfel(p / 100) - p / 200;
}

void PutU32(UBYTE *p, ULONG v) { std::memcpy(p, &v, 4); }
ULONG GetU32(const UBYTE *p)
{
    ULONG v;
    std::memcpy(&v, p, 4);
    return v;
}

st_BAUE_EXT *GebaRecords(const st_GEBA *geba)
{
    return (st_BAUE_EXT *)((UBYTE *)geba + sizeof(st_GEBA));
}
ULONG GebaCount(const st_GEBA *geba) { return geba ? GetChunkEntryCount(geba) : 0; }


bool GleicheStadt(const st_BAUE_EXT &b, const LokalDataBauScreen *ld)
{
    return ld->AktiveStadt && b.Stadt == (UWORD)ld->AktiveStadt->StadtID;
}

// The own-stock record of a ware in the list, or null.
st_WARE_EXT *Lagerbestand(ListHeader *list, ULONG typ)
{
    if (!list || !list->FirstNode) return nullptr;
    ListNode *n = list->FirstNode;
    for (ULONG i = 0; i < list->Elemente; ++i, n = n->Next) {
        auto *w = &((WareListEntry *)n)->Ware;
        if (w->Info == BAU_WARE_LAGER && w->WarenTyp == typ) return w;
    }
    return nullptr;
}

const char *ListName(UWORD slot)
{
    int row = BauRowOfSlot(slot);
    return row >= 0 ? GetString(BaubareGebaeude[row].ListName) : "";
}

// A formatted piece of text, never longer than its buffer.
template <class... A> std::string Fmt(const char *f, A... a)
{
    char buf[600];
    std::snprintf(buf, sizeof buf, f, a...);
    return buf;
}

}  // namespace

int BauRowOfSlot(LONG slot)
{
    for (int r = 0; r < BAU_TYPEN; ++r)
        if (BaubareGebaeude[r].GebaeudeID == slot) return r;
    return -1;
}

int HoeheresGebaeude(UWORD slot)
{
    for (const Paar &p : kHoehere)
        if (p.slot == slot) return p.hoeher;
    return -1;
}

int BauKetteOf(UWORD slot)
{
    for (int k = 0; k < AUSBAUKETTEN; ++k)
        for (int pos = 0; pos < 4; ++pos)
            if (Mitglied(k, pos) && AusbauKetten[k][pos] == slot) return k;
    return -1;
}

void InitBauScreenData(LokalDataBauScreen *ld)
{
    ld->Gebaeude = ld->GebaeudeID = 0;
    ld->RowValid = 1;
    ld->Jahr = 0;
    ld->Quartal = 0;
    ld->Preis = ld->Dauer = ld->Betriebskosten = ld->Holz = ld->Steine = 0;
    ld->Gold = ld->Vertrauen = ld->AnzHolz = ld->AnzSteine = 0;
    ld->Baustellen.clear();
    ld->OldBaustellen.clear();
    ld->ForschungsChunkPtr = nullptr;
    ld->GebaeudeChunkPtr = nullptr;
    ld->WarenChunkPtr = nullptr;
    ld->WareListPtr = nullptr;
    ld->AktiveStadt = nullptr;
}

void FreeBauScreenData(LokalDataBauScreen *ld)
{
    FreeVec(ld->ForschungsChunkPtr);
    FreeVec(ld->GebaeudeChunkPtr);
    FreeVec(ld->WarenChunkPtr);
    DeleteList(ld->WareListPtr, LIST_FREE_OWNED);
    FreeVec(ld->AktiveStadt);
    ld->Baustellen.clear();
    ld->OldBaustellen.clear();
    ld->ForschungsChunkPtr = nullptr;
    ld->GebaeudeChunkPtr = nullptr;
    ld->WarenChunkPtr = nullptr;
    ld->WareListPtr = nullptr;
    ld->AktiveStadt = nullptr;
}

BOOL GetBuildingData(LokalDataBauScreen *ld)
{
    if (ld->Gebaeude < 0 || ld->Gebaeude >= BAU_TYPEN) return 0;
    if (IsFilePresent(BAUSCREEN_CACHE_FILE) && GetFileSize(BAUSCREEN_CACHE_FILE) != BAU_CACHE_BYTES)
        DeleteFile(BAUSCREEN_CACHE_FILE);
    if (!IsFilePresent(BAUSCREEN_CACHE_FILE)) {
        UBYTE cache[BAU_CACHE_BYTES];
        for (int r = 0; r < BAU_TYPEN; ++r) {
            const GebaeudeGrunddaten &g = GebaeudeGrunddatenTab[r];
            UBYTE *rec = cache + r * BAU_CACHE_RECORD;
            PutU32(rec, Tagespreis(g.Preis, ld->Vertrauen));
            PutU32(rec + 4, g.Dauer);
            PutU32(rec + 8, Saettigen16(Tagespreis(g.Betriebskosten, ld->Vertrauen)));
            PutU32(rec + 12, g.Holz);
            PutU32(rec + 16, g.Steine);
        }
        if (WriteFileAtomic(BAUSCREEN_CACHE_FILE, cache, BAU_CACHE_BYTES, -1) != (int)BAU_CACHE_BYTES) {
            std::printf("GetBuildingData : Konnte Daten nicht anlegen...\n");
            return 0;
        }
    }
    UBYTE *data = GetFileSize(BAUSCREEN_CACHE_FILE) == BAU_CACHE_BYTES
                      ? (UBYTE *)LoadFile2Mem(BAUSCREEN_CACHE_FILE, 0)
                      : nullptr;
    if (!data) {
        std::printf("GetBuildingData : Konnte Daten nicht anlegen...\n");
        return 0;
    }
    const UBYTE *rec = data + ld->Gebaeude * BAU_CACHE_RECORD;
    ld->Preis = GetU32(rec);
    ld->Dauer = GetU32(rec + 4);
    ld->Betriebskosten = Saettigen16(GetU32(rec + 8));
    ld->Holz = GetU32(rec + 12);
    ld->Steine = GetU32(rec + 16);
    FreeVec(data);
    return 1;
}

UWORD CheckGebaeudeAnzahl(const LokalDataBauScreen *ld)
{
    if (!ld->AktiveStadt) return 0;
    ULONG n = 0;
    auto zaehle = [&](const st_BAUE_EXT &b) {
        if (b.GebID == (UWORD)ld->GebaeudeID && GleicheStadt(b, ld)) ++n;
    };
    const st_BAUE_EXT *g = ld->GebaeudeChunkPtr ? GebaRecords(ld->GebaeudeChunkPtr) : nullptr;
    for (ULONG i = 0; i < GebaCount(ld->GebaeudeChunkPtr); ++i) zaehle(g[i]);
    for (const st_BAUE_EXT &b : ld->Baustellen) zaehle(b);
    for (const st_BAUE_EXT &b : ld->OldBaustellen) zaehle(b);
    return (UWORD)std::min<ULONG>(n, 0xFFFF);
}

BOOL AddOneBaustelle(LokalDataBauScreen *ld, const st_BAUE_EXT *record)
{
    // The BAUE chunk counts its records in 16 bits.
    if (ld->Baustellen.size() >= 0xFFFF) return 0;
    ld->Baustellen.push_back(*record);
    return 1;
}

BOOL InitBaustellenData(LokalDataBauScreen *ld, const BauFragen *fragen)
{
    const LONG slot = ld->GebaeudeID;
    // Only a slot with a row of its own has a price; anything else was never offered.
    if (!ld->AktiveStadt || slot < 0 || slot > BAU_MAX_SLOT || BauRowOfSlot(slot) != ld->Gebaeude || !ld->RowValid)
        return 0;
    if (ld->Baustellen.size() + ld->OldBaustellen.size() >= BAU_MAX_BAUSTELLEN) {
        fragen->Message(GetString(&_VEK_BAUSCREEN_ZUVIELEGEBAEUDE));
        return 0;
    }
    if (!fragen->Confirm(GetString(&_VEK_BAUSCREEN_CHIEFMESSAGE))) return 0;
    if (ld->Gold < ld->Preis || ld->AnzHolz < ld->Holz || ld->AnzSteine < ld->Steine) {
        fragen->Message(GetString(&_VEK_BAUSCREEN_MESSAGE_RUIN));
        return 0;
    }
    // An order is counted with the one it adds: at most 999 granaries or
    // mills and 19 trade offices per town, every other building once.
    const ULONG anzahl = CheckGebaeudeAnzahl(ld);
    if (slot == 0 || slot == 1 || slot == 98) {
        const ULONG grenze = slot == 98 ? 20 : 1000;
        if (anzahl + 1 >= grenze) {
            fragen->Message(GetString(&_VEK_BAUSCREEN_MESSAGE_MAX20MILLS));
            return 0;
        }
    } else if (anzahl != 0) {
        fragen->Message(GetString(&_VEK_BAUSCREEN_MESSAGE_ALREADYBUILD));
        return 0;
    }
    st_BAUE_EXT b{};
    b.GebID = (UWORD)slot;
    b.Jahr = (UWORD)ld->Jahr;
    b.Quartal = ld->Quartal;
    // Restbauzeit 0xFFFF would read as a demolition.
    b.Restbauzeit = (UWORD)std::min<ULONG>(ld->Dauer, 0xFFFE);
    b.Preis = ld->Preis;
    b.Betriebskosten = (UWORD)Saettigen16(ld->Betriebskosten);
    b.Stadt = (UWORD)ld->AktiveStadt->StadtID;
    if (!AddOneBaustelle(ld, &b)) {
        std::printf("InitBaustellenData : Konnte Speicher f\374r BaustellenData nicht allokieren...\n");
        return 0;
    }
    ld->Gold -= ld->Preis;
    // Ware records are packed: their fields are read and written by value.
    auto nimm = [](st_WARE_EXT *w, ULONG menge) {
        if (!w) return;
        const ULONG da = w->WarenAnzahl;
        w->WarenAnzahl = da - std::min(da, menge);
    };
    nimm(Lagerbestand(ld->WareListPtr, BAU_WARE_HOLZ), ld->Holz);
    nimm(Lagerbestand(ld->WareListPtr, BAU_WARE_STEINE), ld->Steine);
    ld->AnzHolz -= ld->Holz;
    ld->AnzSteine -= ld->Steine;
    if (slot > 1) ld->AktiveStadt->GebaeudeAbhaengigkeiten[slot].GfxBitfeld |= GFX_THISISBUILD;
    return 1;
}

BOOL CheckDemolition(const LokalDataBauScreen *ld, const st_BAUE_EXT *record)
{
    const Stadt *t = ld->AktiveStadt;
    if (!t || record->GebID > BAU_MAX_SLOT) return 0;
    const UWORD typ = record->GebID;
    if (record->Restbauzeit == BAU_ABRISS) {
        std::printf("CheckDemolition: Geb\344ude ist Baustelle! Quit\n");
        return 0;
    }
    if (t->Hauptstadt && (typ == 14 || typ == 97 || typ == 166 || typ == 222 || typ == 15)) {
        std::printf("CheckDemolition: Geb\344ude ist Taverne oder B\374rgerhaus in Hauptstadt! Quit\n");
        return 0;
    }
    const int hoeher = HoeheresGebaeude(typ);
    if (hoeher >= 0 && CheckOtherBuilding(ld->GebaeudeChunkPtr, (UWORD)hoeher, (UWORD)t->StadtID)) {
        std::printf("CheckDemolition: Geb\344ude kann nicht abgerissen werden wegen h\366herem Geb\344ude %u  ...\n",
                    (unsigned)hoeher);
        return 0;
    }
    // L: a granary, mill or trade office matters only as the realm's last of its kind.
    bool letzte = true;
    if (typ == 0 || typ == 1 || typ == 98 || typ == 167 || typ == 223) {
        letzte = false;
        const ULONG n = GebaCount(ld->GebaeudeChunkPtr);
        if (n && GleicheStadt(*record, ld)) {
            const st_BAUE_EXT *g = GebaRecords(ld->GebaeudeChunkPtr);
            ULONG gleiche = 0;
            for (ULONG i = 0; i < n; ++i) {
                const UWORD id = g[i].GebID;
                const bool kontor = id == 98 || id == 167 || id == 223;
                if (typ <= 1 ? id == typ : kontor) ++gleiche;
            }
            letzte = gleiche == 1;
        }
    }
    const int kette = BauKetteOf(typ);
    if (kette < 0 || !letzte) return 1;
    for (int k = 0; k < STADT_SLOTS; ++k) {
        const GebaeudeAbhaengigkeiten &s = t->GebaeudeAbhaengigkeiten[k];
        const UWORD andere[7] = {s.AndereGebaeude.OtherID1, s.AndereGebaeude.OtherID2, s.AndereGebaeude.OtherID3,
                                 s.AndereGebaeude.OtherID4, s.AndereGebaeude.OtherID5, s.AndereGebaeude.OtherID6,
                                 s.AndereGebaeude.OtherID7};
        bool abhaengig = false;
        for (int pos = 0; pos < 4 && !abhaengig; ++pos) {
            if (!Mitglied(kette, pos)) continue;
            for (UWORD e : andere)
                if (e == AusbauKetten[kette][pos] + 1) abhaengig = true;
        }
        if (!abhaengig || !(s.GfxBitfeld & (GFX_THISIMAGEISSET | GFX_THISISBUILD))) continue;
        // The first built dependent decides: only the building's own upgrade lets it go.
        for (int c = 0; c < AUSBAUKETTEN; ++c)
            if (AusbauKetten[c][0] == typ)
                for (int pos = 1; pos < 4; ++pos)
                    if (AusbauKetten[c][pos] == k) return 1;
        std::printf("CheckDemolition: Geb\344udeID %u verhindert das abreissen...\n", (unsigned)k);
        return 0;
    }
    return 1;
}

BOOL OrderDemolition(LokalDataBauScreen *ld, ULONG index)
{
    if (index >= GebaCount(ld->GebaeudeChunkPtr)) return 0;
    st_BAUE_EXT *rec = &GebaRecords(ld->GebaeudeChunkPtr)[index];
    if (!GleicheStadt(*rec, ld) || !CheckDemolition(ld, rec)) return 0;
    st_BAUE_EXT copy = *rec;
    copy.Restbauzeit = BAU_ABRISS;
    if (!AddOneBaustelle(ld, &copy)) {
        std::printf("SendBuildingDemolition : Konnte Speicher f\374r BaustellenData nicht allokieren...\n");
        return 0;
    }
    rec->Restbauzeit = BAU_ABRISS;
    return 1;
}

WORD BauBrowse(LONG Slot, int richtung, BOOL (*ok)(UWORD slot, const void *ctx), const void *ctx)
{
    auto wrap = [](LONG s) -> LONG { return s > BAU_MAX_SLOT ? 0 : s < 0 ? BAU_MAX_SLOT : s; };
    LONG s = wrap(Slot);
    for (int schritt = 0; schritt < BAU_MAX_SLOT && !ok((UWORD)s, ctx); ++schritt) s = wrap(s + (richtung < 0 ? -1 : 1));
    return (WORD)s;
}

AbrissListe BuildAbrissListe(const LokalDataBauScreen *ld)
{
    AbrissListe a{};
    const ULONG n = GebaCount(ld->GebaeudeChunkPtr);
    const st_BAUE_EXT *g = n ? GebaRecords(ld->GebaeudeChunkPtr) : nullptr;
    // The town's unmarked records by slot, in stored order within a slot.
    std::vector<std::vector<ULONG>> proSlot(BAU_MAX_SLOT + 1);
    for (ULONG i = 0; i < n; ++i)
        if (g[i].GebID <= BAU_MAX_SLOT && GleicheStadt(g[i], ld) && g[i].Restbauzeit != BAU_ABRISS)
            proSlot[g[i].GebID].push_back(i);
    std::vector<std::string> einzeln;
    for (int slot = BAU_MAX_SLOT; slot >= 0; --slot) {
        for (ULONG i : proSlot[slot]) {
            if (!CheckDemolition(ld, &g[i])) continue;
            if (slot == 0)
                ++a.Kornlager;
            else if (slot == 1)
                ++a.Muehlen;
            else if (slot == 98)
                ++a.Kontore;
            else {
                std::string line = std::string(ListName((UWORD)slot)) + Fmt("(%u GS)", (unsigned)g[i].Betriebskosten);
                if (line.size() > 79) line.resize(79);
                einzeln.push_back(line);
                a.Einzeln.push_back(i);
            }
        }
    }
    auto zahl = [](ULONG count, const LocStr *s) {
        std::string line = Fmt("%u %s", (unsigned)count, GetString(s));
        if (line.size() > 79) line.resize(79);
        return line;
    };
    a.Zeilen.push_back(zahl(a.Kornlager, &_VEK_BERICHTE_KORNLAGER_MORE));
    a.Zeilen.push_back(zahl(a.Muehlen, &_VEK_BERICHTE_MUEHLE_MORE));
    a.Zeilen.push_back(zahl(a.Kontore, &_VEK_BERICHTE_KONTOR_MORE));
    a.Zeilen.insert(a.Zeilen.end(), einzeln.begin(), einzeln.end());
    return a;
}

ULONG BulkDemolition(LokalDataBauScreen *ld, UWORD slot, ULONG n, ULONG limit)
{
    const ULONG ziel = std::min(n, limit);
    ULONG markiert = 0;
    const ULONG count = GebaCount(ld->GebaeudeChunkPtr);
    for (ULONG i = 0; i < count && markiert < ziel; ++i) {
        const st_BAUE_EXT &r = GebaRecords(ld->GebaeudeChunkPtr)[i];
        if (r.GebID != slot || !GleicheStadt(r, ld) || r.Restbauzeit == BAU_ABRISS) continue;
        if (OrderDemolition(ld, i)) ++markiert;
    }
    return markiert;
}

BauEnde BaustellenEnde(const st_BAUE_EXT &order, ULONG jahr, UWORD quartal)
{
    const unsigned long long f = (unsigned long long)order.Jahr * 4 + order.Quartal + order.Restbauzeit;
    const unsigned long long jetzt = (unsigned long long)jahr * 4 + quartal;
    BauEnde e{};
    e.Monate = f > jetzt ? (ULONG)std::min<unsigned long long>(3 * (f - jetzt), 0xFFFFFFFFull) : 0;
    e.Jahreszeit = (UWORD)(f % 4);
    e.Jahr = (ULONG)(f / 4);
    return e;
}

std::string BaustellenZeile(const st_BAUE_EXT &order, ULONG jahr, UWORD quartal)
{
    std::string s = "1 ";
    if (order.GebID <= BAU_MAX_SLOT) s += ListName(order.GebID);
    if (order.Restbauzeit == BAU_ABRISS) return s + "\n" + GetString(&_VEK_BAUSCREEN_REST_ABRISS);
    static const LocStr *const kJahreszeit[4] = {&_VEK_KORNLAGER_1QUARTAL, &_VEK_KORNLAGER_2QUARTAL,
                                                 &_VEK_KORNLAGER_3QUARTAL, &_VEK_KORNLAGER_4QUARTAL};
    const BauEnde e = BaustellenEnde(order, jahr, quartal);
    s += Fmt("\n%s : %u %s ", GetString(&_VEK_BAUSCREEN_REST_BAUZEIT1), (unsigned)e.Monate,
             GetString(&_VEK_BAUSCREEN_REST_BAUZEIT2));
    s += GetString(kJahreszeit[e.Jahreszeit]);
    s += Fmt(" %s %u...\n\n", GetString(&_VEK_BAUSCREEN_REST_BAUZEIT3), (unsigned)e.Jahr);
    return s;
}

std::string BaustellenText(const LokalDataBauScreen *ld)
{
    constexpr size_t kMax = 50000;
    if (ld->Baustellen.empty() && ld->OldBaustellen.empty()) return {};
    const std::string striche = std::string(64, '-') + "\n";
    std::string s = GetString(&_VEK_BAUSCREEN_MESSAGE_SHOWBUILD);
    auto add = [&](const std::string &teil) {
        if (s.size() + teil.size() <= kMax) s += teil;
    };
    add(GetString(&_VEK_BAUSCREEN_MESSAGE_THISTOWN));
    add(striche);
    for (int hier = 1; hier >= 0; --hier) {
        if (!hier) {
            add(GetString(&_VEK_BAUSCREEN_MESSAGE_OTHERTOWN));
            add(striche);
        }
        for (const auto *liste : {&ld->Baustellen, &ld->OldBaustellen})
            for (const st_BAUE_EXT &b : *liste)
                if (GleicheStadt(b, ld) == (hier == 1)) add(BaustellenZeile(b, ld->Jahr, ld->Quartal));
    }
    if (s.size() > kMax) s.resize(kMax);
    return s;
}

std::string BauInfoText(const LokalDataBauScreen *ld)
{
    const LONG slot = ld->GebaeudeID;
    if (!ld->AktiveStadt || slot < 0 || slot > BAU_MAX_SLOT) return {};
    const GebaeudeAbhaengigkeiten &s = ld->AktiveStadt->GebaeudeAbhaengigkeiten[slot];
    std::string t = GetString(&_VEK_BAUSCREEN_NEEDEDRESEARCH);
    const struct {
        const LocStr *name;
        UBYTE stufe;
    } forschung[7] = {{&_VEK_FORSCHUNG_CHEMIE, s.GebaeudeForschung.Alchemie},
                      {&_VEK_FORSCHUNG_ASTRONOMIE, s.GebaeudeForschung.Astronomie},
                      {&_VEK_FORSCHUNG_KAMPFKUNST, s.GebaeudeForschung.Kampftechnik},
                      {&_VEK_FORSCHUNG_NATURKUNDE, s.GebaeudeForschung.Naturkunde},
                      {&_VEK_FORSCHUNG_HEILKUNDE, s.GebaeudeForschung.Medizin},
                      {&_VEK_FORSCHUNG_TECHNIK, s.GebaeudeForschung.Technik},
                      {&_VEK_FORSCHUNG_THEOLOGIE, s.GebaeudeForschung.Theologie}};
    for (int i = 0; i < 7; ++i)
        t += Fmt(i < 6 ? "%s: %u\n" : "%s: %u\n\n", GetString(forschung[i].name), (unsigned)forschung[i].stufe);
    t += Fmt("%s: %u\n", GetString(&_VEK_BAUSCREEN_NEEDEDPEOPLE), (unsigned)s.Volk);
    t += Fmt("%s: %u\n\n", GetString(&_VEK_BAUSCREEN_NEEDEDLEVEL), (unsigned)s.Stadtlevel);
    t += Fmt("%s:", GetString(&_VEK_BAUSCREEN_NEEDEDBUILDINGS));
    const UWORD andere[7] = {s.AndereGebaeude.OtherID1, s.AndereGebaeude.OtherID2, s.AndereGebaeude.OtherID3,
                             s.AndereGebaeude.OtherID4, s.AndereGebaeude.OtherID5, s.AndereGebaeude.OtherID6,
                             s.AndereGebaeude.OtherID7};
    int geschrieben = 0;
    auto name = [&](int row) {
        if (row < 0) return;
        t += Fmt(geschrieben ? ", %s" : " %s", GetString(BaubareGebaeude[row].Name));
        ++geschrieben;
    };
    for (UWORD e : andere) {
        if (e == 0 || e - 1 > BAU_MAX_SLOT) continue;
        const int kette = BauKetteOf((UWORD)(e - 1));
        if (kette >= 0) name(BauRowOfSlot(AusbauKetten[kette][0]));
        if (!geschrieben) name(BauRowOfSlot(e - 1));
    }
    if (!geschrieben) t += " keine";
    t += "\n\n";
    const int row = BauRowOfSlot(slot);
    if (row >= 0) t += GetString(BaubareGebaeude[row].Info);
    return t;
}

BOOL ReadBauScreenData(LokalDataBauScreen *ld)
{
    const char *landPool = IsChunkPresent(ChunkBit(CN_LAND), POOL_OUT) ? POOL_OUT
                           : IsChunkPresent(ChunkBit(CN_LAND), POOL_IN) ? POOL_IN
                                                                         : nullptr;
    if (landPool) {
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, landPool);
        if (!land) {
            std::printf("ReadBauScreenData : Konnte LandChunk nicht \366ffnen \n");
            return 0;
        }
        ld->Gold = land->AnzGold;
        ld->Vertrauen = land->Vertrauen;
        FreeVec(land);
    }
    if (IsChunkPresent(ChunkBit(CN_KORN), POOL_IN)) {
        auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
        if (!korn) {
            std::printf("ReadBauScreenData : Konnte KornChunk nicht \366ffnen \n");
            return 0;
        }
        ld->Jahr = korn->Jahr;
        ld->Quartal = korn->Quartal;
        FreeVec(korn);
    }
    for (const char *pool : {POOL_OUT, POOL_IN}) {
        if (!IsChunkPresent(ChunkBit(CN_BAUE), pool)) continue;
        auto *baue = (st_BAUE *)LoadChunk2Mem(ID_BAUE, pool);
        if (!baue) {
            std::printf("ReadBauScreenData : Konnte BAUE-Chunk nicht \366ffnen \n");
            return 0;
        }
        // A count beyond the chunk's length gives only the records it holds.
        const ULONG n = GetChunkEntryCount(baue);
        const auto *r = (const st_BAUE_EXT *)((const UBYTE *)baue + sizeof(st_BAUE));
        std::vector<st_BAUE_EXT> &ziel = pool == POOL_OUT ? ld->Baustellen : ld->OldBaustellen;
        ziel.assign(r, r + std::min<ULONG>(n, 0xFFFF));
        FreeVec(baue);
    }
    if (IsChunkPresent(ChunkBit(CN_FORS), POOL_IN)) {
        ld->ForschungsChunkPtr = (st_FORS *)LoadChunk2Mem(ID_FORS, POOL_IN);
        if (!ld->ForschungsChunkPtr) return 0;
    }
    if (IsFilePresent(GEBAEUDE_FILE)) {
        ld->GebaeudeChunkPtr = (st_GEBA *)LoadChunk2Mem(ID_GEBA, GEBAEUDE_FILE);
        if (!ld->GebaeudeChunkPtr) return 0;
    }
    if (IsFilePresent(WAREN_FILE)) {
        ld->WarenChunkPtr = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
        if (!ld->WarenChunkPtr) return 0;
    }
    ld->WareListPtr = CreateList(LISTE_WAREN);
    if (!ld->WareListPtr) {
        std::printf("ReadBauScreenData: kein Speicher f\374r ListHeader vorhanden...\n");
        return 0;
    }
    if (ld->WarenChunkPtr && !ScanWare2List(ld->WareListPtr, ld->WarenChunkPtr)) {
        std::printf("ReadBauScreenData: Ware konnt nicht in eine Liste eingescannt werden...\n");
        return 0;
    }
    const st_WARE_EXT *holz = Lagerbestand(ld->WareListPtr, BAU_WARE_HOLZ);
    const st_WARE_EXT *steine = Lagerbestand(ld->WareListPtr, BAU_WARE_STEINE);
    ld->AnzHolz = holz ? holz->WarenAnzahl : 0;
    ld->AnzSteine = steine ? steine->WarenAnzahl : 0;
    return 1;
}

st_BAUE *MakeBaueChunk(const std::vector<st_BAUE_EXT> &orders)
{
    if (orders.empty() || orders.size() > 0xFFFF) return nullptr;
    const ULONG bytes = (ULONG)(sizeof(st_BAUE) + orders.size() * sizeof(st_BAUE_EXT));
    auto *c = (st_BAUE *)AllocVec(bytes + 1, MEMF_CLEAR);
    if (!c) return nullptr;
    c->Head.ChunkID = ID_BAUE;
    c->Head.Version = VERSION_V001;
    c->Head.Length = bytes - (ULONG)sizeof(st_ChunkHead);
    c->AnzGeb = (UWORD)orders.size();
    std::memcpy((UBYTE *)c + sizeof(st_BAUE), orders.data(), orders.size() * sizeof(st_BAUE_EXT));
    return c;
}

BOOL WriteBauScreenData(LokalDataBauScreen *ld)
{
    if (!ld->AktiveStadt) return 0;
    const char *landPool = IsChunkPresent(ChunkBit(CN_LAND), POOL_OUT) ? POOL_OUT
                           : IsChunkPresent(ChunkBit(CN_LAND), POOL_IN) ? POOL_IN
                                                                         : nullptr;
    if (!landPool) {
        std::printf("WriteBauScreenData: LandChunk nicht vorhanden !\n");
        return 0;
    }
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, landPool);
    if (!land) {
        std::printf("WriteBauScreenData: Konnte LandChunk nicht laden !\n");
        return 0;
    }
    land->AnzGold = ld->Gold;
    st_BAUE *baue = nullptr;
    if (!ld->Baustellen.empty() && !(baue = MakeBaueChunk(ld->Baustellen))) {
        // Without the orders the gold must not go either.
        std::printf("WriteBauScreenData: Konnte Speicher f\374r BAUE-Daten nicht allokieren...\n");
        FreeVec(land);
        return 0;
    }
    st_WARE *ware = nullptr;
    if (ld->WareListPtr && ld->WareListPtr->Elemente) {
        ware = MakeWareChunkFromList(ld->WareListPtr);
        if (!ware) {
            std::printf("WriteBauScreenData: Konnte WarenChunk nicht anlegen...\n");
            FreeVec(baue);
            FreeVec(land);
            return 0;
        }
    }
    char stadtPfad[160];
    if (!StadtDatei(stadtPfad, sizeof stadtPfad, ld->AktiveStadt->Stadtname, ".vek")) {
        std::printf("WriteBauScreenData : Konnte Stadtfile nicht abspeichern...\n");
        FreeVec(ware);
        FreeVec(baue);
        FreeVec(land);
        return 0;
    }
    const char *dateien[3] = {POOL_OUT, stadtPfad, WAREN_FILE};
    const ULONG anzahl = ware ? 3 : 2;
    BOOL ok = OkJournalBegin(dateien, anzahl);
    if (!ok) std::printf("WriteBauScreenData: Konnte das Journal nicht anlegen !\n");
    if (ok) {
        const void *chunks[2] = {land, baue};
        ok = OkJournalBefore(0) && AddChunksPool(chunks, baue ? 2 : 1, POOL_OUT);
        if (!ok) std::printf("WriteBauScreenData: Konnte den Pool nicht schreiben !\n");
    }
    if (ok) {
        ok = OkJournalBefore(1) && SpeichereStadt(ld->AktiveStadt);
        if (!ok) std::printf("WriteBauScreenData : Konnte Stadtfile nicht abspeichern...\n");
    }
    if (ok && ware) {
        ok = OkJournalBefore(2) && SaveChunk2File(WAREN_FILE, ware);
        if (!ok) std::printf("WriteBauScreenData: Konnte WarenChunk nicht speichern...\n");
    }
    if (ok) ok = OkJournalBefore(anzahl);
    if (ok)
        OkJournalCommit();
    else
        OkJournalRestore();
    FreeVec(ware);
    FreeVec(baue);
    FreeVec(land);
    return ok;
}
