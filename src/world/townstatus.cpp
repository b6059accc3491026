// Towns after a turn: the player's town hexes matched with the records, new
// and lost towns, the capital passed on, rebellions ended, and then the
// population, scenery, buildings, upgrade chains, levels, the TOWN chunk and
// the church points. Each file is read once per pass.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "world/cultivation.h"
#include "world/hex.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/towns.h"
#include "world/towns_local.h"

namespace {

// The same building on the picture of each level: one built state. 0 after
// the first column means no member.
constexpr UWORD kKetten[16][4] = {
    {29, 104, 0, 0},    {30, 105, 0, 0},    {0, 99, 168, 224},   {1, 106, 173, 228},
    {2, 58, 118, 182},  {14, 97, 166, 222}, {16, 93, 159, 216},  {20, 113, 177, 232},
    {21, 90, 155, 212}, {22, 100, 169, 0},  {23, 94, 161, 0},    {26, 109, 176, 230},
    {27, 114, 178, 233}, {48, 59, 119, 0},  {49, 101, 170, 225}, {50, 77, 138, 0},
};
constexpr UWORD kKornspeicher[] = {0, 99, 168, 224};
constexpr UWORD kKontore[] = {98, 167, 223};
constexpr UWORD kAusschliessend[] = {48, 49, 50, 55, 56, 57, 78, 96, 108, 139, 158, 160, 162, 163, 179};
constexpr UWORD RESTBAUZEIT_ABRISS = 0xFFFF;
constexpr ULONG REBELLION_SOLDATEN = 1500;

template <size_t N> bool In(const UWORD (&menge)[N], UWORD v) { return std::find(menge, menge + N, v) != menge + N; }

UWORD KirchenPunkte(UWORD gebId)
{
    switch (gebId) {
    case 23: return 2;
    case 24: return 1;
    case 96: return 3;
    case 163: return 4;
    default: return 0;
    }
}

bool Gebaut(const Stadt &t, int slot) { return t.GebaeudeAbhaengigkeiten[slot].GfxBitfeld & GFX_THISIMAGEISSET; }

// Sets or clears the built bit; true when it changed.
bool SetzeGebaut(Stadt &t, int slot, bool an)
{
    const UWORD alt = t.GebaeudeAbhaengigkeiten[slot].GfxBitfeld;
    const UWORD neu = an ? (UWORD)(alt | GFX_THISIMAGEISSET) : (UWORD)(alt & ~GFX_THISIMAGEISSET);
    t.GebaeudeAbhaengigkeiten[slot].GfxBitfeld = neu;
    return neu != alt;
}

int Glieder(const UWORD (&kette)[4], int *slots)
{
    int n = 0;
    for (int i = 0; i < 4; ++i)
        if (i == 0 || kette[i]) slots[n++] = kette[i];
    return n;
}

UWORD EchteStufe(UWORD level) { return level >= 1 && level <= 4 ? level : 1; }

// The chain that holds a slot clears wholly when the slot is torn down.
bool KetteAbreissen(Stadt &t, int slot)
{
    bool anders = false;
    for (const auto &kette : kKetten) {
        int g[4];
        const int n = Glieder(kette, g);
        if (std::find(g, g + n, slot) == g + n) continue;
        for (int i = 0; i < n; ++i) anders = SetzeGebaut(t, g[i], false) || anders;
    }
    return anders;
}

// The buildings of the GEBA chunk, whole records only.
std::vector<st_BAUE_EXT> GebaeudeListe(const st_GEBA *geba)
{
    std::vector<st_BAUE_EXT> v;
    if (!geba || geba->Head.Length < 6) return v;
    const ULONG n = std::min<ULONG>(geba->AnzGeb, (geba->Head.Length - 6) / (ULONG)sizeof(st_BAUE_EXT));
    v.resize(n);
    if (n) std::memcpy(v.data(), (const UBYTE *)geba + sizeof(st_GEBA), n * sizeof(st_BAUE_EXT));
    return v;
}

// Part B for one town: buildings built, excluded and torn down, chains made
// whole, level. Adds its church points. True when the record changed.
bool GebaeudeAnwenden(Stadt &t, const std::vector<st_BAUE_EXT> &geba, uint64_t &kirche)
{
    bool anders = false;
    int kornspeicher = 0, kontore = 0;
    const st_BAUE_EXT *zuSlot[STADT_SLOTS] = {};
    for (const st_BAUE_EXT &b : geba) {
        if ((ULONG)b.Stadt != t.StadtID) continue;
        if (b.GebID >= STADT_SLOTS) {
            std::printf("CheckTownStatus : Geb\344ude mit der ID %u gibt es nicht, \374bersprungen\n", (unsigned)b.GebID);
            continue;
        }
        if (!zuSlot[b.GebID]) zuSlot[b.GebID] = &b;
        if (In(kKornspeicher, b.GebID)) ++kornspeicher;
        if (In(kKontore, b.GebID)) ++kontore;
        if (In(kAusschliessend, b.GebID)) SetForbiddenBuilding(b.GebID, &t);
        kirche += KirchenPunkte(b.GebID);
        anders = SetzeGebaut(t, b.GebID, true) || anders;
    }
    for (int slot = 0; slot < STADT_SLOTS; ++slot) {
        GebaeudeAbhaengigkeiten &s = t.GebaeudeAbhaengigkeiten[slot];
        if (!(s.GfxBitfeld & GFX_THISIMAGEISSET) || (s.GfxBitfeld & GFX_DUMMYGRAFIK)) continue;
        if (kornspeicher > 1 && In(kKornspeicher, (UWORD)slot)) continue;
        if (kontore > 1 && In(kKontore, (UWORD)slot)) continue;
        const int gebId = (int)s.GebaeudeID - 1;
        const st_BAUE_EXT *b = gebId >= 0 && gebId < STADT_SLOTS ? zuSlot[gebId] : nullptr;
        if (b && b->Restbauzeit == RESTBAUZEIT_ABRISS) {
            std::printf("CheckTownStatus : Habe das Geb\344ude mit der ID %u aus Stadt %s zum Abriss vorgefunden !\n",
                        (unsigned)gebId, t.Stadtname);
        } else if (!b && (s.GfxBitfeld & GFX_THISISBUILD)) {
            std::printf("CheckTownStatus : Konnte das Geb\344ude mit der ID %u aus Stadt %s nicht mehr im Geb\344udeChunk "
                        "finden !\n",
                        (unsigned)gebId, t.Stadtname);
        } else {
            continue;
        }
        s.GfxBitfeld &= (UWORD) ~(GFX_THISIMAGEISSET | GFX_THISISBUILD);
        KetteAbreissen(t, slot);
        anders = true;
    }
    anders = CheckStadtDependence(&t, 1) || anders;
    anders = CheckStadtLevel(&t) || anders;
    return anders;
}

st_LAND *LadeLand(const char *routine)
{
    st_LAND *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    if (!land) std::printf("%s : Konnte LandChunk nicht \366ffnen !\n", routine);
    return land;
}

// Scenery that grows with the town, and the two large-town decorations.
void Szenerie(Stadt &t)
{
    const UWORD level = EchteStufe(t.Level);
    for (GebaeudeAbhaengigkeiten &s : t.GebaeudeAbhaengigkeiten)
        if ((s.GfxBitfeld & GFX_DUMMYGRAFIK) && !(s.GfxBitfeld & GFX_SETTHISONLYFIRSTTIME) && s.Volk <= t.StadtVolk &&
            s.Stadtlevel == level && Wuerfel(100) > 95) {
            s.GfxBitfeld |= GFX_THISIMAGEISSET;
            t.TownChanged = 1;
        }
    if (t.StadtVolk > 12500) {
        for (int slot : {29, 30})
            if (Wuerfel(100) > 95) {
                SetzeGebaut(t, slot, true);
                t.TownChanged = 1;
            }
    }
}

std::vector<UBYTE> TownChunk(const std::vector<Stadt *> &staedte)
{
    const ULONG n = (ULONG)staedte.size();
    std::vector<UBYTE> c(sizeof(st_TOWN) + n * sizeof(st_TOWN_EXT_V2) + 1, 0);
    st_TOWN kopf;
    kopf.Head = {ID_TOWN, VERSION_V002, n * (ULONG)sizeof(st_TOWN_EXT_V2) + 2};
    kopf.Anzahl = (UWORD)n;
    std::memcpy(c.data(), &kopf, sizeof kopf);
    for (ULONG i = 0; i < n; ++i) {
        const Stadt &t = *staedte[i];
        st_TOWN_EXT_V2 e;
        std::memset(&e, 0, sizeof e);
        e.XPos = (UWORD)t.XPos;
        e.YPos = (UWORD)t.YPos;
        KopiereName(e.Name, t.Stadtname);
        e.Level = t.Level;
        e.StadtVolk = t.StadtVolk;
        e.StadtID = (UWORD)t.StadtID;
        e.Event = t.Event;
        std::memcpy(c.data() + sizeof kopf + i * sizeof e, &e, sizeof e);
    }
    return c;
}

// Church points into TAXE of both pools when they changed.
int KirchenPunkteSchreiben(uint64_t kirche)
{
    if (kirche == 0) return 1;
    st_TAXE *taxe = (st_TAXE *)LoadChunk2Mem(ID_TAXE, POOL_IN);
    if (!taxe) {
        std::printf("ChangeTownStatus : Konnte TaxeChunk nicht \366ffnen !\n");
        return 0;
    }
    int ok = 1;
    const UWORD punkte = (UWORD)std::min<uint64_t>(kirche, 0xFFFF);
    if (punkte != taxe->KirchenPunkte) {
        taxe->KirchenPunkte = punkte;
        ok = AddChunkPool(taxe, POOL_OUT) && AddChunkPool(taxe, POOL_IN);
    }
    FreeVec(taxe);
    return ok;
}

// The buildings of ./Data/Gebaeude.dat; false when it cannot be read.
bool LadeGebaeude(std::vector<st_BAUE_EXT> &gebaeude)
{
    st_GEBA *geba = (st_GEBA *)LoadChunk2Mem(ID_GEBA, "./Data/Gebaeude.dat");
    if (!geba) {
        std::printf("ChangeTownStatus : Konnte Geb\344udeChunk nicht \366ffnen !\n");
        return false;
    }
    gebaeude = GebaeudeListe(geba);
    FreeVec(geba);
    return true;
}

// Part B for one town, the record written when it changed.
bool GebaeudeSpeichern(Stadt &t, const std::vector<st_BAUE_EXT> &gebaeude, uint64_t &kirche)
{
    if (!GebaeudeAnwenden(t, gebaeude, kirche)) return true;
    t.TownChanged = 1;
    if (SpeichereStadt(&t)) return true;
    std::printf("CheckTownStatus : Konnte Stadtfile nicht abspeichern (Part2)...\n");
    return false;
}

struct Staedte {
    std::vector<TownList> eintraege;
    std::vector<Stadt *> records;  // null: could not be loaded
    ~Staedte()
    {
        for (Stadt *t : records) FreeVec(t);
    }
};

}  // namespace

void SetForbiddenBuilding(UWORD GebID, Stadt *Town)
{
    if (!Town || GebID >= STADT_SLOTS) return;
    for (int i = 0; i < 8; ++i) {
        const UWORD id = AntiID(Town->GebaeudeAbhaengigkeiten[GebID], i);
        if (id >= 1 && id <= STADT_SLOTS) Town->GebaeudeAbhaengigkeiten[id - 1].GfxBitfeld |= GFX_FORBIDDEN;
    }
}

BOOL CheckStadtDependence(Stadt *Town, int Modus)
{
    if (!Town) return 0;
    bool anders = false;
    for (const auto &kette : kKetten) {
        int g[4];
        const int n = Glieder(kette, g);
        bool einer = false, nichtAlle = false;
        for (int i = 0; i < n; ++i) (Gebaut(*Town, g[i]) ? einer : nichtAlle) = true;
        if (Modus == 1 && einer)
            for (int i = 0; i < n; ++i) anders = SetzeGebaut(*Town, g[i], true) || anders;
        if (Modus == 0 && nichtAlle)
            for (int i = 0; i < n; ++i) anders = SetzeGebaut(*Town, g[i], false) || anders;
    }
    return anders;
}

BOOL CheckStadtLevel(Stadt *Town)
{
    if (!Town) return 0;
    auto gebaut = [&](UWORD id) {
        for (const GebaeudeAbhaengigkeiten &s : Town->GebaeudeAbhaengigkeiten)
            if ((s.GfxBitfeld & GFX_THISIMAGEISSET) && s.GebaeudeID == id) return true;
        return false;
    };
    int punkte = 0;
    for (const GebaeudeAbhaengigkeiten &s : Town->GebaeudeAbhaengigkeiten) {
        if (!(s.GfxBitfeld & GFX_THISIMAGEISSET)) continue;
        switch (s.GebaeudeID) {
        case 23: case 24: case 49: case 50: case 51: case 56: ++punkte; break;
        case 57: case 58: case 79: case 92: case 96: case 97: case 99: case 109: case 116: punkte = 6; break;
        default: break;
        }
    }
    UWORD level = 1;
    if (punkte >= 6) {
        level = 2;
        if (Town->StadtVolk > 60000 || Gebaut(*Town, 139) || Gebaut(*Town, 163)) {
            level = 3;
            bool alleSechs = true;
            for (UWORD id : {57, 58, 79, 97, 99, 109}) alleSechs = alleSechs && gebaut(id);
            if (alleSechs && (Town->StadtVolk > 125000 || Gebaut(*Town, 195) || Gebaut(*Town, 231))) level = 4;
        }
    }
    const bool anders = level != Town->Level;
    Town->Level = level;
    return anders;
}

ULONG CheckStadtVolk(Stadt *Town, ULONG Gesamtvolk, UWORD AnzahlLevel)
{
    if (!Town) return 0;
    uint64_t v = (uint64_t)Gesamtvolk * 65 / 100 / (AnzahlLevel ? AnzahlLevel : 1);
    int64_t b = 0;
    for (const GebaeudeAbhaengigkeiten &s : Town->GebaeudeAbhaengigkeiten)
        if ((s.GfxBitfeld & GFX_THISIMAGEISSET) && !(s.GfxBitfeld & GFX_DUMMYGRAFIK)) ++b;
    const UWORD level = EchteStufe(Town->Level);
    // Fewer buildings than the base count add nothing above level 1.
    if (level == 1 && b <= 37) v = v * (uint64_t)b / 37;
    else v = v + v * level * (uint64_t)std::max<int64_t>(b - 37, 0) / 132;
    v = std::min<uint64_t>(v, 0xFFFFFFFFu);
    const uint64_t r = v + Wuerfel((ULONG)(v / 100)) - v / 200;
    return (ULONG)std::min<uint64_t>(r, 0xFFFFFFFFu);
}

BOOL CheckStadtEvents(Stadt *Town)
{
    if (!Town || !(Town->Event & STADTEVENT_REBELLION)) return 1;
    st_ARMY *army = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
    ListHeader *armeen = army ? ScanArmy2List(army) : nullptr;
    FreeVec(army);
    if (!armeen) {
        std::printf("CheckStadtEvents: Konnte ArmyChunk nicht \366ffnen !\n");
        return 0;
    }
    uint64_t soldaten = 0;
    ListNode *n = armeen->FirstNode;
    for (ULONG i = 0; i < armeen->Elemente; ++i, n = n->Next) {
        const ArmeeList *a = (const ArmeeList *)n;
        if (a->Army.PosX != Town->XPos || a->Army.PosY != Town->YPos) continue;
        ListHeader *teile;
        std::memcpy(&teile, (const UBYTE *)a + offsetof(ArmeeList, ArmyListEntryHeader), sizeof teile);
        ListNode *p = teile ? teile->FirstNode : nullptr;
        for (ULONG k = 0; teile && k < teile->Elemente; ++k, p = p->Next)
            soldaten += ((const ArmeeListEntry *)p)->ArmyEntry.Anzahl;
    }
    DeleteArmyList(armeen);
    if (soldaten <= REBELLION_SOLDATEN) return 1;
    Town->Event &= (UWORD)~STADTEVENT_REBELLION;
    std::printf("CheckStadtEvents: Rebellion der Stadt abgewendet...\n");
    return SpeichereStadt(Town);
}

BOOL ChangeTownStatus(Stadt *Town)
{
    uint64_t kirche = 0;
    if (Town) {
        std::vector<st_BAUE_EXT> gebaeude;
        return LadeGebaeude(gebaeude) && GebaeudeSpeichern(*Town, gebaeude, kirche);
    }

    ULONG n = 0;
    TownList *liste = LadeTownList(&n, nullptr);
    if (!liste) return 1;
    Staedte s;
    s.eintraege.assign(liste, liste + n);
    FreeVec(liste);
    st_LAND *land = LadeLand("ChangeTownStatus");
    if (!land) return 0;
    const ULONG anzVolk = land->AnzVolk;
    FreeVec(land);
    uint64_t summeLevel = 0;
    for (const TownList &e : s.eintraege) {
        char pfad[128];
        if (!StadtDatei(pfad, sizeof pfad, e.TownName, ".vek") || GetFileSize(pfad) != STADT_BYTES) {
            std::printf("CheckTownStatus : Fehler ! Gr\366\337e der Stadt mit der ID %u ist nicht richtig oder Stadt "
                        "existiert nicht...!\n",
                        (unsigned)e.TownID);
            return 0;
        }
        Stadt *t = LadeStadt(e.TownName);
        if (!t) {
            std::printf("CheckTownStatus : Fehler ! Diese Stadt existiert nicht... '%s'\n!\n", e.TownName);
            return 0;
        }
        s.records.push_back(t);
        summeLevel += EchteStufe(t->Level);
    }
    int ok = 1;
    for (Stadt *t : s.records) {
        const ULONG volk = s.records.size() == 1
                               ? anzVolk / 2
                               : CheckStadtVolk(t, anzVolk, (UWORD)std::min<uint64_t>(summeLevel, 0xFFFF));
        std::printf("Bev\366lkerung f\374r Stadt %s = %u\n", t->Stadtname, (unsigned)volk);
        t->StadtVolk = volk;
        t->ArmeeVolk = volk / 4;
        t->AusgelaufeneSchiffe = t->AusgehobeneKundschafter = t->AusgehobeneSiedler = t->AusgehobeneKarawanen = 0;
        Szenerie(*t);
        if (!SpeichereStadt(t)) {
            std::printf("CheckTownStatus : Konnte Stadtfile nicht abspeichern (Part1)...\n");
            ok = 0;
        }
    }
    const std::vector<UBYTE> town = TownChunk(s.records);
    if (!AddChunkPool(town.data(), POOL_OUT)) {
        std::printf("CheckTownStatus : Konnte TOWN-Chunk nicht abspeichern...\n");
        ok = 0;
    }

    std::vector<st_BAUE_EXT> gebaeude;
    if (!LadeGebaeude(gebaeude)) return 0;
    for (Stadt *t : s.records) ok = GebaeudeSpeichern(*t, gebaeude, kirche) && ok;
    return KirchenPunkteSchreiben(kirche) && ok;
}

// ---- the player's towns on the map ----

namespace {

struct Sektor {
    std::string name;
    ULONG x, y;
};

bool SektorAusName(const std::string &name, ULONG &x, ULONG &y)
{
    unsigned a = 0, b = 0;
    char rest[8] = {0};
    int n = 0;
    if (std::sscanf(name.c_str(), "M_%3u_%3u%7s%n", &a, &b, rest, &n) != 3 || (size_t)n != name.size() ||
        std::strcmp(rest, ".map") != 0 || a >= (unsigned)TEILE || b >= (unsigned)TEILE)
        return false;
    x = a, y = b;
    return true;
}

std::vector<Sektor> Sektoren()
{
    namespace fs = std::filesystem;
    std::vector<Sektor> v;
    std::error_code ec;
    fs::directory_iterator it("./Map", ec), ende;
    for (; !ec && it != ende; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        Sektor s{name, 0, 0};
        if (name.compare(0, 2, "M_") == 0 && SektorAusName(name, s.x, s.y)) v.push_back(s);
    }
    std::sort(v.begin(), v.end(), [](const Sektor &a, const Sektor &b) { return a.name < b.name; });
    return v;
}

using Hex = std::pair<ULONG, ULONG>;

class SpielerStaedte {
public:
    ~SpielerStaedte()
    {
        for (Stadt *t : records_) FreeVec(t);
    }
    // The list and every record, once. False when no list can be had.
    bool Laden()
    {
        if (geladen_) return true;
        ULONG n = 0;
        TownList *liste = LadeTownList(&n, nullptr);
        if (!liste) {
            Stadt *t = GetActiveTown(-1);
            if (!t) return false;
            std::printf("CheckPlayerTown: neue Hauptstadt angelegt...\n");
            FreeVec(t);
            liste = LadeTownList(&n, nullptr);
            if (!liste) return false;
        }
        geladen_ = true;
        for (ULONG i = 0; i < n; ++i) {
            char pfad[128];
            Stadt *t = nullptr;
            if (StadtDatei(pfad, sizeof pfad, liste[i].TownName, ".vek"))
                t = GetFileSize(pfad) == STADT_BYTES ? LadeStadt(liste[i].TownName) : GetActiveTown(liste[i].TownID);
            if (!t) {
                std::printf("CheckPlayerTown: Konnte Stadt nicht laden... '%s'!\n", liste[i].TownName);
                listeGeaendert_ = true;
                continue;
            }
            eintraege_.push_back(liste[i]);
            records_.push_back(t);
        }
        FreeVec(liste);
        return true;
    }
    Stadt *Finde(const Hex &h)
    {
        for (Stadt *t : records_)
            if (t->XPos == h.first && t->YPos == h.second) return t;
        return nullptr;
    }
    bool Gruenden(const Hex &h)
    {
        Stadt *t = GetActiveTown(-1);
        if (!t) return false;
        t->XPos = h.first;
        t->YPos = h.second;
        if (!SpeichereStadt(t)) {
            FreeVec(t);
            return false;
        }
        TownList e;
        e.TownID = (LONG)t->StadtID;
        KopiereName(e.TownName, t->Stadtname);
        eintraege_.push_back(e);
        records_.push_back(t);
        return true;
    }
    void Entfernen(size_t i)
    {
        FreeVec(records_[i]);
        records_.erase(records_.begin() + (long)i);
        eintraege_.erase(eintraege_.begin() + (long)i);
        listeGeaendert_ = true;
    }
    bool Speichern()
    {
        if (!listeGeaendert_) return true;
        listeGeaendert_ = false;
        return SpeichereTownList(eintraege_.data(), (ULONG)eintraege_.size());
    }
    size_t Anzahl() const { return records_.size(); }
    Stadt *Record(size_t i) { return records_[i]; }

private:
    bool geladen_ = false, listeGeaendert_ = false;
    std::vector<TownList> eintraege_;
    std::vector<Stadt *> records_;
};

bool MrefSetzen(ULONG x, ULONG y)
{
    const ULONG groesse = GetFileSize(MAPPREFS_FILE);
    UBYTE *d = groesse >= sizeof(st_MREF) ? (UBYTE *)LoadFile2Mem(MAPPREFS_FILE, 0) : nullptr;
    if (!d || std::memcmp(d, "MREF", 4) != 0) {
        std::printf("CheckPlayerTown: Fehler ! Konnte MapPrefs nicht laden !\n");
        FreeVec(d);
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        d[offsetof(st_MREF, X_Capital) + i] = (UBYTE)(x >> (24 - 8 * i));
        d[offsetof(st_MREF, Y_Capital) + i] = (UBYTE)(y >> (24 - 8 * i));
    }
    const bool ok = WriteFileAtomic(MAPPREFS_FILE, d, groesse, -1) == (int)groesse;
    FreeVec(d);
    return ok;
}

bool WirdHauptstadt(Stadt &t)
{
    t.Hauptstadt = 1;
    PlayerInfo.AktStadtID = t.StadtID;
    return SpeichereStadt(&t) && MrefSetzen(t.XPos, t.YPos);
}

}  // namespace

BOOL CheckPlayerTown()
{
    SpielerStaedte staedte;
    std::set<Hex> eigeneStaedte;   // the player's town hexes, where their records lie
    std::set<Hex> sektoren;        // sectors whole on disk
    ULONG gesehen = 0;
    bool neu = false, fehler = false;
    std::unique_ptr<MapEntry[]> teil(new MapEntry[TEIL_BREITE * TEIL_HOEHE]);
    for (const Sektor &sek : Sektoren()) {
        char name[64];
        std::snprintf(name, sizeof name, "./Map/%s", sek.name.c_str());
        std::printf("CheckPlayerTown: Untersuche Karte %s\n", name);
        if (!LadeKartenDatei(name, teil.get(), nullptr)) continue;
        sektoren.insert({sek.x, sek.y});
        for (LONG i = 0; i < TEIL_BREITE * TEIL_HOEHE; ++i) {
            const MapEntry &e = teil[i];
            if (GetTypeOfHex(e.Art) != GK_STADT || e.BesitzerID != PlayerInfo.SpielerID) continue;
            const Hex h{e.X, e.Y};
            if (e.X / TEIL_BREITE == sek.x && e.Y / TEIL_HOEHE == sek.y && (LONG)(e.X % TEIL_BREITE) == i % TEIL_BREITE &&
                (LONG)(e.Y % TEIL_HOEHE) == i / TEIL_BREITE)
                eigeneStaedte.insert(h);
            if (!staedte.Laden()) {
                fehler = true;
                continue;
            }
            if (Stadt *t = staedte.Finde(h)) {
                std::printf("CheckPlayerTown: Stadt gefunden... \n");
                if (!CheckStadtEvents(t)) fehler = true;
                ++gesehen;
                continue;
            }
            if (staedte.Anzahl() == 0) std::printf("CheckPlayerTown: Neue Stadt gr\374nden...\n");
            std::printf("CheckPlayerTown: Diese Stadt ist neu und m\374sste nun neu angelegt werden \n");
            if (staedte.Gruenden(h)) neu = true;
            else fehler = true;
        }
    }
    if (!staedte.Speichern()) fehler = true;

    if (staedte.Laden() && (neu || gesehen < staedte.Anzahl())) {
        std::printf("CheckPlayerTown: Verlorene St\344dte l\366schen...\n");
        bool hauptstadtWeg = false;
        for (size_t i = 0; i < staedte.Anzahl();) {
            Stadt &t = *staedte.Record(i);
            if (hauptstadtWeg) {
                hauptstadtWeg = false;
                if (!WirdHauptstadt(t)) fehler = true;
            }
            const bool sektorDa = sektoren.count({t.XPos / TEIL_BREITE, t.YPos / TEIL_HOEHE}) != 0;
            if (sektorDa && !eigeneStaedte.count({t.XPos, t.YPos})) {
                std::printf("CheckPlayerTown: Stadt wird gel\366scht...\n");
                hauptstadtWeg = t.Hauptstadt != 0;
                LoescheStadtDateien(t.Stadtname);
                staedte.Entfernen(i);
                continue;
            }
            ++i;
        }
        // A lost capital at the end of the list passes on to the first town left.
        if (hauptstadtWeg && staedte.Anzahl() && !WirdHauptstadt(*staedte.Record(0))) fehler = true;
        if (!staedte.Speichern()) fehler = true;
    }
    if (gesehen == 0 && !fehler) {
        std::printf("CheckPlayerTown: Es wurde keine Stadt gefunden. Quit wird gesetzt... \n");
        PlayerInfo.Spielstopp = 2;
    }
    return gesehen > 0;
}
