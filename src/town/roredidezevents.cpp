// What befell the realm after a turn. The server's dice (kept as preferences
// 25, 27, 32 and 34 by the chunk machine) decide diseases, droughts,
// rebellions and robberies, so every client of a turn sees the same
// catastrophe; the chosen story goes to the bard's screen through the story
// preferences.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/lists.h"
#include "store/store.h"
#include "town/residenz.h"
#include "world/towns.h"
#include "ui/dialogs.h"
#include "ui/requester.h"

ULONG (*RoredIdezWuerfelHook)(ULONG n) = Wuerfel;

namespace {

constexpr LONG kStory = 505;
constexpr UWORD kNameId = 46;

// Building slots (their building types).
constexpr int kBank = 2, kFriedhof = 21, kGefaengnis = 95;
constexpr int kNoRebellion[] = {139, 162, 163, 195, 231};

struct Krankheit {
    UWORD Bit;
    ULONG Volk;     // strikes only above this population
    int Slot;       // with the grave yard, keeps the disease out
    ULONG Story;
};
constexpr Krankheit kKrankheiten[4] = {
    {STADTEVENT_SCHWINDSUCHT, 50000, 47, 26},
    {STADTEVENT_FLECKFIEBER, 100000, 22, 24},
    {STADTEVENT_BLATTERN, 200000, 78, 23},
    {STADTEVENT_PEST, 400000, 160, 25},
};

struct NeuesGebaeude {
    int Slot;
    ULONG Story;
};
constexpr NeuesGebaeude kNeueGebaeude[] = {{16, 5}, {19, 16}, {20, 4}, {25, 3}, {26, 2}, {51, 6}};

struct FolioGruppe {
    UBYTE Level;
    ULONG Erste, Letzte;
};
constexpr FolioGruppe kFolio[] = {{1, 27, 28}, {2, 29, 31}, {3, 32, 34}, {4, 35, 37},
                                  {5, 38, 39}, {6, 40, 41}, {7, 42, 44}};

constexpr char kChunkFehler[] = "CheckRoredIdezEvents: Konnte Chunk nicht laden...\n";

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    return CheckPrefsRead(id, &v) ? v : 0;
}

bool Told(ULONG story)
{
    ULONG v = 0;
    return RoredIdezPrefsRead((UWORD)(story + 1), &v) && v != 0;
}

void Select(ULONG story)
{
    RoredIdezPrefsWrite(0, story);
    RoredIdezPrefsWrite((UWORD)(story + 1), 1);
}

bool Built(const Stadt *t, int slot) { return (t->GebaeudeAbhaengigkeiten[slot].GfxBitfeld & GFX_THISIMAGEISSET) != 0; }

// The outgoing TOWN chunk: the towns' names, positions and count. Only a
// chunk whose records all lie inside it is taken.
struct TownChunk {
    ULONG Anzahl = 0;
    ULONG RecSize = 0;
    st_TOWN *Chunk = nullptr;
    ~TownChunk() { FreeVec(Chunk); }
    bool Load()
    {
        Chunk = (st_TOWN *)LoadChunk2Mem(ID_TOWN, POOL_OUT);
        if (!Chunk) return false;
        RecSize = Chunk->Head.Version == VERSION_V001 ? sizeof(st_TOWN_EXT) : sizeof(st_TOWN_EXT_V2);
        Anzahl = Chunk->Anzahl;
        return 2ull + (unsigned long long)Anzahl * RecSize <= Chunk->Head.Length;
    }
    const UBYTE *Record(ULONG i) const { return (const UBYTE *)Chunk + sizeof(st_TOWN) + (size_t)i * RecSize; }
    // The name of record i, cut at 79 characters (a name without its NUL stays inside).
    std::string Name(ULONG i) const
    {
        const char *n = (const char *)Record(i) + 4;
        return std::string(n, strnlen(n, STADTNAME_MAX));
    }
    UWORD XPos(ULONG i) const { UWORD v; std::memcpy(&v, Record(i), 2); return v; }
    UWORD YPos(ULONG i) const { UWORD v; std::memcpy(&v, Record(i) + 2, 2); return v; }
};

Stadt *LadeStadtNamens(const std::string &name)
{
    char file[STADTNAME_MAX + 1] = {};
    std::memcpy(file, name.data(), name.size());
    StadtNameConvert(file);
    return LadeStadt(file);
}

// Men of the outgoing pool's armies standing on (x, y); counted in 32 bits
// so that 65,536 men do not count as none.
ULONG SoldatenAuf(ULONG x, ULONG y)
{
    auto *army = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
    ListHeader *list = army ? ScanArmy2List(army) : nullptr;
    FreeVec(army);
    ULONG men = 0;
    ListNode *n = list ? list->FirstNode : nullptr;
    for (ULONG i = 0; n && i < list->Elemente; ++i, n = n->Next) {
        auto *a = (ArmeeList *)n;
        if (a->Army.PosX != x || a->Army.PosY != y || !a->ArmyListEntryHeader) continue;
        ListNode *p = a->ArmyListEntryHeader->FirstNode;
        for (ULONG j = 0; p && j < a->ArmyListEntryHeader->Elemente; ++j, p = p->Next)
            men += ((ArmeeListEntry *)p)->ArmyEntry.Anzahl;
    }
    DeleteArmyList(list);
    return men;
}

// Step 2: disease or drought. 1 story selected, 0 nothing, -1 failure.
int Katastrophe()
{
    std::printf("CheckRoredIdezEvent: eine Katastrophe tritt auf\n");
    const ULONG p32 = Pref(32);
    if (p32 % 5 != 0) {
        TownChunk towns;
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
        const bool ok = towns.Load() && towns.Anzahl != 0 && land;
        FreeVec(land);
        if (!ok) {
            std::printf(kChunkFehler);
            return -1;
        }
        const ULONG idx = Pref(34) % towns.Anzahl;
        const std::string name = towns.Name(idx);
        Stadt *t = LadeStadtNamens(name);
        if (!t) {
            std::printf("CheckRoredIdezEvents: Fehler ! Diese Stadt existiert nicht... '%s'!\n", name.c_str());
            return -1;
        }
        const Krankheit &k = kKrankheiten[p32 % 4];
        int r = 0;
        if (!(t->Event & k.Bit) && t->StadtVolk > k.Volk && !(Built(t, kFriedhof) && Built(t, k.Slot))) {
            t->Event |= k.Bit;
            // The town is marked first: a story without its mark would tell a lie.
            if (!SpeichereStadt(t)) {
                std::printf("CheckRoredIdezEvents: Konnte Stadtfile nicht abspeichern (Part2)...\n");
                r = -1;
            } else {
                Select(k.Story);
                RoredIdezPrefsWriteText(kNameId, t->Stadtname);
                r = 1;
            }
        }
        FreeVec(t);
        return r;
    }
    auto *korn = (st_KORN *)LoadCurrentChunk(ID_KORN);
    if (!korn) {
        std::printf(kChunkFehler);
        return -1;
    }
    int r = 0;
    if (korn->Quartal == 1) {
        const ULONG h = korn->Saatlager / 2;
        korn->KornVerrottet += h;
        korn->Saatlager = h;
        if (!AddChunkPool(korn, POOL_OUT)) {
            std::printf(kChunkFehler);
            r = -1;
        } else {
            Select(14);
            r = 1;
        }
    }
    FreeVec(korn);
    return r;
}

// Step 3: rebellion and bank robbery. 1 story selected, 0 nothing, -1 failure.
int Rebellion()
{
    TownChunk towns;
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    if (!towns.Load() || !land) {
        FreeVec(land);
        std::printf(kChunkFehler);
        return -1;
    }
    const ULONG f = (ULONG)land->Reichspunkte + land->Vertrauen / 100 + 5;
    int r = 0;
    bool selected = false;
    if (f < towns.Anzahl) {
        const ULONG over = towns.Anzahl - f;
        const ULONG idx = Pref(34) % towns.Anzahl;
        const std::string name = towns.Name(idx);
        Stadt *t = LadeStadtNamens(name);
        if (!t) {
            std::printf("CheckRoredIdezEvents: Fehler ! Diese Stadt existiert nicht... '%s'\n!", name.c_str());
            r = -1;
        }
        if (t && Pref(25) < over) {
            std::printf("CheckRoredIdezEvents: Diese Stadt w\xFCrde jetzt rebellieren..\n");
            bool special = false;
            for (int s : kNoRebellion) special = special || Built(t, s);
            if (t->Event & STADTEVENT_REBELLION) {
                std::printf("CheckRoredIdezEvents: Diese Stadt rebelliert bereits...\n");
            } else if (special) {
                std::printf("CheckRoredIdezEvents: Besonderes Geb\xE4ude in der Stadt. Deshalb keine Rebellion...\n");
            } else {
                const bool hasArmy = IsChunkPresent(ChunkBit(CN_ARMY), POOL_OUT);
                if (!hasArmy || SoldatenAuf(t->XPos, t->YPos) <= 1499) {
                    std::printf("CheckRoredIdezEvents: Diese Stadt rebelliert...\n");
                    t->Event |= STADTEVENT_REBELLION;
                    if (!SpeichereStadt(t)) {
                        std::printf("CheckRoredIdezEvents: Konnte Stadtfile nicht abspeichern (Part2)...\n");
                        t->Event &= (UWORD)~STADTEVENT_REBELLION;
                        r = -1;
                    } else {
                        if (land->Vertrauen >= 35) land->Vertrauen -= 25;
                        Select(21);
                        RoredIdezPrefsWriteText(kNameId, t->Stadtname);
                        selected = true;
                    }
                } else if (!Built(t, kGefaengnis)) {
                    std::printf("CheckRoredIdezEvents: Rebellion abgewendet...\n");
                    if (land->Vertrauen >= 10) land->Vertrauen -= 10;
                    Select(20);
                    RoredIdezPrefsWriteText(kNameId, t->Stadtname);
                    selected = true;
                }
            }
        }
        if (t && Pref(36) < over && Built(t, kBank) && !Built(t, kGefaengnis)) {
            std::printf("CheckRoredIdezEvents: In dieser Stadt w\xFCrde jetzt ein Bankraub auftreten...\n");
            Select(13);
            RoredIdezPrefsWriteText(kNameId, t->Stadtname);
            selected = true;
        }
        FreeVec(t);
    }
    if (selected) {
        if (!AddChunkPool(land, POOL_OUT)) std::printf(kChunkFehler);
        r = 1;
    }
    FreeVec(land);
    return r;
}

bool Besetzt()
{
    if (!IsChunkPresent(ChunkBit(CN_KRIG), POOL_IN)) return false;
    auto *krig = (st_KRIG *)LoadChunk2Mem(ID_KRIG, POOL_IN);
    if (!krig) {
        std::printf(kChunkFehler);
        return false;
    }
    bool found = false;
    const ULONG n = GetChunkEntryCount(krig);
    const UBYTE *p = (const UBYTE *)krig + sizeof(st_KRIG);
    for (ULONG i = 0; i < n && !found; ++i, p += sizeof(st_KRIG_EXT)) {
        ULONG result;
        std::memcpy(&result, p + offsetof(st_KRIG_EXT, Result), 4);
        found = result == 3;
    }
    FreeVec(krig);
    return found;
}

// Step 5: 1 a building of the table newly stands, 0 none, -1 no town.
int NeueGebaeude()
{
    Stadt *t = GetActiveTown((LONG)PlayerInfo.AktStadtID);
    if (!t) {
        std::printf("CheckRoredIdezEvents : Konnte Stadt nicht laden...\n");
        return -1;
    }
    int r = 0;
    for (const NeuesGebaeude &g : kNeueGebaeude) {
        if (!Built(t, g.Slot) || Told(g.Story)) continue;
        Select(g.Story);
        r = 1;
    }
    FreeVec(t);
    return r;
}

bool Luxus()
{
    ULONG t = 6;
    for (UWORD id : {21, 22, 23})
        if ((LONG)Pref(id) > 0) t += Pref(id);
    t &= 0xFFFF;
    if (RoredIdezWuerfelHook(100) >= t) return false;
    if (GetFileSize(TOWNLIST_FILE) / TOWNLIST_BYTES != 2) return false;
    return !Told(22) || Pref(14) == 0;
}

// Step 9: the first untold story of the groups the research level opens.
ULONG Folio()
{
    if (!IsChunkPresent(ChunkBit(CN_FORS), POOL_IN)) return 0;
    auto *fors = (st_FORS *)LoadChunk2Mem(ID_FORS, POOL_IN);
    const UBYTE level = fors ? fors->Naturkunde : 0;
    FreeVec(fors);
    for (const FolioGruppe &g : kFolio) {
        if (level < g.Level) break;
        for (ULONG s = g.Erste; s <= g.Letzte; ++s)
            if (!Told(s)) return s;
    }
    return 0;
}

void StadtNachricht()
{
    char *name = RoredIdezPrefsReadText(kNameId);
    std::string text = std::string(GetString(&_VEK_ROREDIDEZ_STADTNAME)) + " " + (name ? name : "") + "!";
    FreeVec(name);
    if (text.size() > 159) text.resize(159);
    ResidenzDialogHooks.Message(text.c_str());
}

LONG AskBox(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, 1, text, 7); }
void MessageBox(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, 0, text, 7); }
LONG ChooseLines(const char *heading, const char *lines, UWORD n)
{
    return ChooseBox("./Data/screendat/ChooseBox.dat", 223, 130, n, heading, lines, GetString(&_VEK_KASREQ2_STAT_INFO));
}

}  // namespace

ResidenzDialogs ResidenzDialogHooks = {AskBox, MessageBox, TextBox, ChooseLines};

LONG CheckRoredIdezEvents()
{
    std::printf("Routine: CheckRoredIdezEvents\n");
    LONG result = -1;
    if (!Told(1)) {
        Select(1);
        return kStory;
    }
    if (Pref(27) < 10) {
        const int r = Katastrophe();
        if (r > 0) return kStory;
        if (r < 0) result = 0;
    }
    const int rebel = Rebellion();
    if (rebel > 0) return kStory;
    if (rebel < 0) result = 0;
    if (Besetzt()) {
        Select(15);
        return kStory;
    }
    const int neu = NeueGebaeude();
    if (neu > 0) return kStory;
    if (neu < 0) result = 0;
    for (ULONG s = 7; s <= 12; ++s) {
        if (Told(s)) continue;
        Select(s);
        return kStory;
    }
    if (RoredIdezWuerfelHook(100) <= 1 && !Told(17)) {
        Select(17);
        return kStory;
    }
    if (Luxus()) {
        Select(22);
        return kStory;
    }
    if (const ULONG s = Folio()) {
        Select(s);
        return kStory;
    }
    return result;
}

LONG RoredIdezEvents()
{
    const ULONG s = RoredIdezPrefs(0, PREFS_READ, 0);
    std::printf("Routine: RoredIdezEvents %u\n", (unsigned)s);
    if (s == 22) {
        constexpr UWORD kWaren = 16;
        char *lines = (char *)AllocVec(kWaren * REQ_LINE_SIZE, MEMF_CLEAR);
        if (!lines) {
            std::printf("RoredIdezEvents: Konnte Speicher f\xFCr Buffer nicht allokieren. Exit...\n");
            return 0;
        }
        for (UWORD k = 0; k < kWaren; ++k)
            std::snprintf(lines + k * REQ_LINE_SIZE, REQ_LINE_SIZE, "%s", GetStringFromID(1291u + k));
        const LONG k = ResidenzDialogHooks.Choose(GetString(&_VEK_HANDELSSCREEN_WAREWAEHLEN2), lines, kWaren);
        FreeVec(lines);
        if (k >= 0 && k < kWaren) CheckPrefsWrite(14, 82u + (ULONG)k);
        return 1;
    }
    if (s == 13) {
        auto *land = (st_LAND *)LoadCurrentChunk(ID_LAND);
        if (!land) {
            std::printf("RoredIdezEvents : Konnte LandChunk nicht \xF6" "ffnen !\n");
            return 0;
        }
        // Without a readable town count the share cannot be known: the gold stays.
        TownChunk towns;
        if (towns.Load() && towns.Anzahl != 0) {
            land->AnzGold -= (land->AnzGold / towns.Anzahl) / 4;
            if (!AddChunkPool(land, POOL_OUT)) std::printf("RoredIdezEvents : Konnte LandChunk nicht \xF6" "ffnen !\n");
        }
        FreeVec(land);
        StadtNachricht();
        return 1;
    }
    if (s == 20 || s == 21 || (s >= 23 && s <= 26)) StadtNachricht();
    return 1;
}

LONG ResidenzEvents()
{
    std::printf("Routine: ResidenzEvents\n");
    if (IsChunkPresent(ChunkBit(CN_LAND), POOL_IN)) {
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
        if (land && land->Vertrauen <= 9) PlayerInfo.Spielstopp = 1;
        FreeVec(land);
    }
    if (PlayerInfo.Spielstopp != 0) return 499;
    if (PlayerInfo.Event == 1) return 876;
    return CheckRoredIdezEvents();
}
