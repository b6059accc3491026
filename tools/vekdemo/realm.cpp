// The demo realm, written through the client's own writers so that its files
// are exactly what the client expects: the numbered and story preferences,
// the map tiles round the capital, the figure file, the received and the
// outgoing chunk pools, the single-chunk game files, a ship's name, two hex
// names and two letters. Player 7 rules "Demoland" from its capital at (120, 60), in year 1,
// quarter 1, right after one applied turn.
#include <fcntl.h>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "kit.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/figures.h"
#include "store/lists.h"
#include "store/mapnames.h"
#include "store/store.h"

namespace vekdemo {

namespace {

constexpr ULONG PLAYER = 7, NEIGHBOUR = 8, STRANGER = 9;
constexpr HexPos CAPITAL = {120, 60}, NORDHEIM = {126, 64}, NEIGHBOUR_TOWN = {144, 60};
// An acre of herbs north of the hills beside the capital, in the cleric's
// reach (the hex beyond the hills holds a stranger's soldiers).
constexpr HexPos HERB_ACRE = {119, 58};
constexpr ULONG TURN_TIME = 1262347200;  // the turn's send time, fixed

struct Pref {
    uint16_t id;
    uint32_t value;
};

// Year 1 quarter 1, a turn sent and applied, tutorial and tips done, borders
// shown, the dungeon placed north-west of the capital, the realm set up.
constexpr Pref prefs[] = {
    {0, 2},   {2, 1},   {3, 1},   {4, 0},   {9, PLAYER}, {13, 1}, {15, 1},  {16, 1},  {17, 0},  {18, 10},
    {19, 400}, {20, 250}, {21, (uint32_t)-2}, {22, 1}, {23, 0}, {24, 0}, {25, 20}, {27, 50}, {28, 9},
    {30, 18}, {31, 0},  {32, 30}, {33, 2},  {34, 40}, {35, 0},  {37, 1},  {38, 119}, {39, 59},
};

// Story flags: the first story told, the next one due is 13.
constexpr Pref storyPrefs[] = {{0, 13}, {2, 1}};

// ---- Chunks in host order, as the client's writers take them --------------

class ChunkBuffer {
public:
    ChunkBuffer(ULONG id, ULONG version) : b_(sizeof(st_ChunkHead), 0)
    {
        st_ChunkHead h{id, version, 0};
        std::memcpy(b_.data(), &h, sizeof h);
    }
    template <class T> void Add(const T &record)
    {
        const UBYTE *p = (const UBYTE *)&record;
        b_.insert(b_.end(), p, p + sizeof(T));
    }
    // The finished chunk, with one zero byte after the payload.
    const void *Done()
    {
        const ULONG length = (ULONG)(b_.size() - sizeof(st_ChunkHead) - (done_ ? 1 : 0));
        std::memcpy(b_.data() + 8, &length, 4);
        if (!done_) b_.push_back(0);
        done_ = true;
        return b_.data();
    }

private:
    std::vector<UBYTE> b_;
    bool done_ = false;
};

template <class T> T Zeroed()
{
    T t;
    std::memset(&t, 0, sizeof t);
    return t;
}

void Text(char *field, size_t size, const char *text) { std::snprintf(field, size, "%s", text); }

st_MOVE_EXT Figure(ULONG player, UWORD kind, UWORD number, HexPos at, UBYTE points)
{
    st_MOVE_EXT f = Zeroed<st_MOVE_EXT>();
    f.SpielerID = player;
    f.FigurArt = kind;
    f.FigurNummer = number;
    f.X_Pos = (ULONG)at.x;
    f.Y_Pos = (ULONG)at.y;
    f.Bewegungspunkte = points;
    return f;
}

// The figures on the map: the player's scouts, settler, army, ship and
// cleric, the neighbour's, a stranger's soldiers just past the hills
// north-west of the capital (the army there can reach and attack them with
// its four points: hills 2, then 2), two of the computer races and three
// objects of the motion effect.
std::vector<st_MOVE_EXT> Figures()
{
    return {
        Figure(PLAYER, FID_KUNDSCHAFTER, 1, {122, 60}, 8),
        Figure(PLAYER, FID_KUNDSCHAFTER, 2, {118, 61}, 5),
        Figure(PLAYER, FID_KUNDSCHAFTER, 3, {120, 63}, 8),
        Figure(PLAYER, FID_SIEDLER, 4, {121, 62}, 6),
        Figure(PLAYER, FID_LEICHTE_INFANTRIE, 5, CAPITAL, 4),
        Figure(PLAYER, FID_HANDELSSCHIFF_KLEIN, 6, CAPITAL, 10),
        Figure(PLAYER, FID_KLERIKER, 7, CAPITAL, 6),
        Figure(NEIGHBOUR, FID_KUNDSCHAFTER, 1, {141, 60}, 8),
        Figure(NEIGHBOUR, FID_LEICHTE_INFANTRIE, 2, {142, 61}, 4),
        Figure(STRANGER, FID_LEICHTE_INFANTRIE, 1, {118, 59}, 4),
        Figure((ULONG)-2, FID_LEICHTE_INFANTRIE, 1, {127, 60}, 4),
        Figure((ULONG)-9, FID_MITTLERE_INFANTRIE, 1, {113, 60}, 4),
        Figure(0, 1000, 1, {123, 58}, 0),
        Figure(0, 1003, 2, {116, 64}, 0),
        Figure(0, 1007, 3, {122, 66}, 0),
    };
}

bool Store(bool ok, const char *what)
{
    if (!ok) std::fprintf(stderr, "vekdemo: %s could not be written\n", what);
    return ok;
}

// ---- Map ----------------------------------------------------------------------

// The hex graphic and owner of a world hex near the capital.
void Terrain(HexPos p, MapEntry &e)
{
    const LONG d = HexDistanz(p, CAPITAL), dn = HexDistanz(p, NEIGHBOUR_TOWN);
    e.X = (ULONG)p.x;
    e.Y = (ULONG)p.y;
    e.BesitzerID = NIEMAND;
    if (d > 20 && dn > 20) return;  // nothing known out there
    static const UWORD land[16] = {12, 12, 13, 17, 18, 12, 19, 11, 20, 13, 21, 5, 22, 14, 12, 35};
    e.Art = land[(p.x * 7 + p.y * 13) % 16];
    if (p == CAPITAL) e.Art = 1;
    else if (p == NORDHEIM) e.Art = 2;
    else if (p == NEIGHBOUR_TOWN) e.Art = 3;
    else if (d == 1) {
        // Water all round the capital but north-west: hills with the dungeon.
        const bool northWest = p == HexNachbar(CAPITAL, HEX_NW);
        e.Art = northWest ? 10 : 23;
        if (northWest) e.Spezial = SPEZIAL_DUNGEON;
    }
    if (p == HERB_ACRE) e.Spezial = 0x1;
    if (p.x >= 140) e.BesitzerID = NEIGHBOUR;
    else if (d <= 6 || HexDistanz(p, NORDHEIM) <= 2) e.BesitzerID = PLAYER;
    if (e.BesitzerID == PLAYER) {
        e.THQ = (UBYTE)(1 + (p.x + p.y) % 3);
        e.PHQ = (UBYTE)(1 + (p.x * 3 + p.y) % 4);
        e.MHQ = (UBYTE)((p.x + 2 * p.y) % 3);
    }
}

bool WriteMap()
{
    VekMapInfo *map = LadeKarte(MAPSTATUS_BMAP, CAPITAL.x / TEIL_BREITE, CAPITAL.y / TEIL_HOEHE, "./Map");
    if (!map || !map->GreatBMapPtr) return false;
    for (LONG y = 0; y < FENSTER_HOEHE; ++y)
        for (LONG x = 0; x < FENSTER_BREITE; ++x) {
            MapEntry *e = FensterHex(map, x, y);
            *e = Zeroed<MapEntry>();
            Terrain({x, y}, *e);
            if (HexDistanz({x, y}, CAPITAL) <= 18 || HexDistanz({x, y}, NORDHEIM) <= 10) SetBMapBit(map, x, y);
        }
    ExitKarte(map);
    return true;
}

bool WriteFigureFile()
{
    st_MREF mref = Zeroed<st_MREF>();
    mref.Head = {ID_MREF, VERSION_V001, sizeof(st_MREF) - sizeof(st_ChunkHead)};
    mref.WeltSizeX = WELT_BREITE;
    mref.WeltSizeY = WELT_HOEHE;
    mref.X_Capital = (ULONG)CAPITAL.x;
    mref.Y_Capital = (ULONG)CAPITAL.y;
    if (!SaveChunk2File(MAPPREFS_FILE, &mref)) return false;
    ListHeader *list = CreateList(LISTE_FIGUREN);
    if (!list) return false;
    for (const st_MOVE_EXT &f : Figures()) {
        ListNode *node = (ListNode *)AllocVec(list->TypSize, MEMF_CLEAR);
        std::memcpy(NodeData(node), &f, sizeof f);
        InsertNode(list, node, LIST_LAST, 0);
    }
    const int ok = WriteList2MapPrefs(list);
    DeleteList(list, 1);
    return ok;
}

// ---- Chunks -------------------------------------------------------------------

st_BAUE_EXT Building(UWORD slot, UWORD town)
{
    st_BAUE_EXT b = Zeroed<st_BAUE_EXT>();
    b.GebID = slot;
    b.Jahr = 1;
    b.Quartal = 1;
    b.Preis = 1000;
    b.Betriebskosten = 10;
    b.Stadt = town;
    return b;
}

const void *Geba(ChunkBuffer &c)
{
    const std::vector<st_BAUE_EXT> built = {Building(0, 0),  Building(1, 0),  Building(14, 0), Building(15, 0),
                                            Building(16, 0), Building(19, 0), Building(24, 0), Building(25, 0),
                                            Building(27, 0), Building(48, 0), Building(51, 0), Building(55, 0),
                                            Building(0, 1),  Building(15, 1),
                                            // The market's blacksmiths and market hall.
                                            Building(20, 0), Building(49, 0)};
    ULONG costs = 0;
    for (const st_BAUE_EXT &b : built) costs += b.Betriebskosten;
    c.Add(costs);
    c.Add((UWORD)built.size());
    for (const st_BAUE_EXT &b : built) c.Add(b);
    return c.Done();
}

const void *PlayerList(ChunkBuffer &c)
{
    const std::pair<ULONG, const char *> players[] = {{PLAYER, "Demoland"}, {NEIGHBOUR, "Nachbar"}, {STRANGER, "Fremdland"}};
    st_ANTW_EXT head{1, 3, 3 * sizeof(st_ANTW_EXT_1)};
    c.Add(head);
    for (const auto &[id, name] : players) {
        st_ANTW_EXT_1 p = Zeroed<st_ANTW_EXT_1>();
        p.SpielerID = id;
        Text(p.SpielName, sizeof p.SpielName, name);
        c.Add(p);
    }
    return c.Done();
}

st_WARE_EXT Ware(UWORD info, ULONG from, ULONG type, ULONG count, ULONG price)
{
    st_WARE_EXT w = Zeroed<st_WARE_EXT>();
    w.Info = info;
    w.Herkunft = from;
    w.WarenTyp = type;
    w.WarenAnzahl = count;
    w.Preis = price;
    w.DateInSec = TURN_TIME;
    return w;
}

const void *Wares(ChunkBuffer &c, const std::vector<st_WARE_EXT> &wares)
{
    c.Add((UWORD)wares.size());
    for (const st_WARE_EXT &w : wares) c.Add(w);
    return c.Done();
}

// The server's INFO fields that no order changes: rounds left, the turn's
// time, its dice and the hardware address. Written into the pool's bytes;
// the next chunk the client adds recomputes the checksum over them.
bool PatchInfo(const char *pool)
{
    std::FILE *f = std::fopen(pool, "r+b");
    if (!f) return false;
    UBYTE info[sizeof(st_INFO)];
    bool ok = std::fread(info, 1, sizeof info, f) == sizeof info;
    auto be32 = [&](size_t at, ULONG v) {
        for (int i = 0; i < 4; ++i) info[at + i] = (UBYTE)(v >> (24 - 8 * i));
    };
    be32(offsetof(st_INFO, RestRunden), 100);
    be32(offsetof(st_INFO, TurnTime), TURN_TIME);
    const UBYTE dice[8] = {30, 50, 20, 40, 0, 0, 0, 0};
    std::memcpy(info + offsetof(st_INFO, Wuerfelwert), dice, 8);
    std::memcpy(info + offsetof(st_INFO, MacAdresse), "000000", 6);
    ok = ok && std::fseek(f, 0, SEEK_SET) == 0 && std::fwrite(info, 1, sizeof info, f) == sizeof info;
    return std::fclose(f) == 0 && ok;
}

bool Add(const void *chunk, const char *pool) { return AddChunkPool(chunk, pool); }

bool WritePools()
{
    // The pools are built chunk by chunk: start from none, also when the set
    // is written again over an older one.
    std::remove(POOL_IN);
    std::remove(POOL_OUT);
    // The received pool: the server's view of the realm after the last turn.
    st_KORN korn = Zeroed<st_KORN>();
    korn.Head = {ID_KORN, VERSION_V001, sizeof(st_KORN) - 12};
    korn.Jahr = 1, korn.Quartal = 1, korn.Saatlager = 5000, korn.Kornlager = 20000, korn.BevLager = 10000;
    korn.AnzKornlager = 1, korn.AnzMuehlen = 1, korn.HighErnte = 20000, korn.Wetter = 2, korn.MaxHarvest = 12000;
    if (!Add(&korn, POOL_IN) || !PatchInfo(POOL_IN)) return false;

    st_LAND land = Zeroed<st_LAND>();
    land.Head = {ID_LAND, VERSION_V001, sizeof(st_LAND) - 12};
    land.PlayerID = PLAYER, land.AnzVolk = 20000, land.AnzGold = 50000, land.Vertrauen = 250, land.AnzMorgen = 12;
    land.AnzPflanzHq = 10, land.AnzTierHq = 8, land.AnzMineralHq = 6;
    land.FaktorPflanzHq = 1, land.FaktorTierHq = 1, land.FaktorMineralHq = 1;
    land.Reichspunkte = 1, land.AnzahlKundschafter = 3, land.AnzahlSiedler = 1;
    st_FORS fors = Zeroed<st_FORS>();
    fors.Head = {ID_FORS, VERSION_V001, sizeof(st_FORS) - 12};
    fors.Technik = 1, fors.Alchemie = 1, fors.KostenProRunde = 100;
    fors.Kampftechnik = 3;  // a launched war ship shows the research bonus
    st_TAXE taxe = Zeroed<st_TAXE>();
    taxe.Head = {ID_TAXE, VERSION_V001, sizeof(st_TAXE) - 12};
    taxe.Grundsteuer = 20, taxe.Justizia = 1, taxe.Zoll100 = 2, taxe.KirchenPunkte = 1;
    taxe.ZehnteProzent = 10, taxe.ZehnteID = 9;  // a liege lord takes a tithe
    if (!Add(&land, POOL_IN) || !Add(&fors, POOL_IN) || !Add(&taxe, POOL_IN)) return false;

    ChunkBuffer geba(ID_GEBA, VERSION_V001);
    ChunkBuffer market(ID_WARE, VERSION_V001);
    st_WARE_EXT sold = Ware(4, PLAYER, 12, 100, 10);
    sold.Kaeufer = NEIGHBOUR, sold.KaeuferAnzahl = 100, sold.KaeuferPreis = 10;
    const void *wares = Wares(market, {Ware(2, NEIGHBOUR, 23, 50, 20), Ware(2, NEIGHBOUR, 86, 10, 300), sold});
    if (!Add(Geba(geba), POOL_IN) || !Add(wares, POOL_IN)) return false;
    // Last turn's orders as the server returned them: a bank going up in
    // Nordheim, the market place of Demoburg marked for demolition.
    ChunkBuffer baue(ID_BAUE, VERSION_V001);
    st_BAUE_EXT bank = Building(2, 1), abriss = Building(25, 0);
    bank.Quartal = 0, bank.Restbauzeit = 4, bank.Preis = 10000, bank.Betriebskosten = 1500;
    abriss.Restbauzeit = 0xFFFF;
    baue.Add((UWORD)2);
    baue.Add(bank);
    baue.Add(abriss);
    if (!Add(baue.Done(), POOL_IN)) return false;

    // Every page of the diplomat has lines: an offer, a vassalage offer, a
    // trade agreement and a liege's affirmation to cancel, and a run of two
    // peace offers of one ruler.
    ChunkBuffer vert(ID_VERT, VERSION_V001);
    vert.Add((ULONG)6);
    st_VERT_EXT trade = Zeroed<st_VERT_EXT>(), vassal = Zeroed<st_VERT_EXT>(), agreement = Zeroed<st_VERT_EXT>();
    st_VERT_EXT liege = Zeroed<st_VERT_EXT>(), peace = Zeroed<st_VERT_EXT>();
    trade.VertragsArt = 0, trade.AnbieterID = NEIGHBOUR, trade.PartnerID = PLAYER, trade.WarenTyp = 98;
    trade.Identifier = 1, trade.Dauer = 4, trade.Anzahl = 100, trade.Preis = 5;
    vassal.VertragsArt = 6, vassal.AnbieterID = STRANGER, vassal.PartnerID = PLAYER, vassal.Identifier = 2;
    vassal.Dauer = 8;
    agreement.VertragsArt = 4, agreement.AnbieterID = NEIGHBOUR, agreement.PartnerID = PLAYER, agreement.WarenTyp = 23;
    agreement.Identifier = 3, agreement.Dauer = 3, agreement.Anzahl = 20, agreement.Preis = 15;
    liege.VertragsArt = 8, liege.AnbieterID = STRANGER, liege.PartnerID = PLAYER, liege.Identifier = 4;
    peace.VertragsArt = 1, peace.AnbieterID = NEIGHBOUR, peace.PartnerID = PLAYER, peace.Identifier = 5;
    vert.Add(trade);
    vert.Add(vassal);
    vert.Add(agreement);
    vert.Add(liege);
    vert.Add(peace);
    peace.Identifier = 6;
    vert.Add(peace);
    ChunkBuffer move(ID_MOVE, VERSION_V001);
    const std::vector<st_MOVE_EXT> figures = Figures();
    move.Add((UWORD)figures.size());
    for (const st_MOVE_EXT &f : figures) move.Add(f);
    if (!Add(vert.Done(), POOL_IN) || !Add(move.Done(), POOL_IN)) return false;

    ChunkBuffer spez(ID_SPEZ, VERSION_V001);
    spez.Add((ULONG)4);
    // A geologist hired in Nordheim: the specialists screen in Demoburg may
    // not disband him.
    const struct {
        const char *name;
        ULONG id, owner;
        UBYTE klasse;
        HexPos at;
    } specialists[] = {{"Cedric", 7, PLAYER, 3, CAPITAL},
                       {"Alrik", 1, 0, 0, CAPITAL},
                       {"Brana", 2, 0, 5, CAPITAL},
                       {"Dorna", 0, PLAYER, 5, NORDHEIM}};
    for (const auto &sp : specialists) {
        st_SPEZ_EXT e = Zeroed<st_SPEZ_EXT>();
        Text(e.Name, sizeof e.Name, sp.name);
        e.ID = sp.id, e.X_Pos = (ULONG)sp.at.x, e.Y_Pos = (ULONG)sp.at.y, e.Klasse = sp.klasse;
        e.TP = e.TPakt = 10, e.Staerke = e.Weisheit = e.Intelligenz = e.Gewandheit = 12;
        e.Konstitution = e.Charisma = 11, e.Loyalitaet = 50, e.Lohn = 50, e.SpielerID = sp.owner;
        e.Status = sp.owner == PLAYER ? 5 : 0;  // the player's specialist is hired
        spez.Add(e);
    }
    // Battles of every kind the news screen tells: a land battle and a town
    // battle the player attacked, pirates he hunted, and a sea fight in which
    // his ship held off the neighbour's. No town of his was lost (that would
    // change the bard's story).
    ChunkBuffer krig(ID_KRIG, VERSION_V001);
    krig.Add((ULONG)4);
    const struct {
        HexPos at;
        ULONG result;
        ULONG enemy;
        bool defending;
    } battles[] = {{{121, 58}, 1, NEIGHBOUR, false},
                   {CAPITAL, 4, NEIGHBOUR, false},
                   {{119, 61}, 7, (ULONG)-3, false},
                   {{117, 62}, 6, NEIGHBOUR, true}};
    for (const auto &b : battles) {
        st_KRIG_EXT k = Zeroed<st_KRIG_EXT>();
        if (b.defending) {
            k.Angreifer = Figure(b.enemy, FID_KRIEGSSCHIFF_KLEIN, 2, b.at, 0);
            k.Verteidiger = Figure(PLAYER, FID_KRIEGSSCHIFF_KLEIN, 6, b.at, 0);
            k.Result = b.result, k.AngRuestungsklasse = 6, k.AngErschoepfung = 6, k.VerRuestungsklasse = 8;
            k.VerErschoepfung = 5, k.AngLebende = 30, k.AngTote = 12, k.VerLebende = 45, k.VerTote = 5;
        } else {
            k.Angreifer = Figure(PLAYER, FID_LEICHTE_INFANTRIE, 5, b.at, 0);
            k.Verteidiger = Figure(b.enemy, FID_LEICHTE_INFANTRIE, 1, b.at, 0);
            k.Result = b.result, k.AngLebende = 180, k.VerLebende = 40, k.AngTote = 20, k.VerTote = 60;
        }
        krig.Add(k);
    }
    ChunkBuffer antw(ID_ANTW, VERSION_V001);
    if (!Add(spez.Done(), POOL_IN) || !Add(krig.Done(), POOL_IN) || !Add(PlayerList(antw), POOL_IN)) return false;
    ChunkBuffer herb(ID_HERB, VERSION_V001);
    herb.Add((ULONG)1);
    st_HERB_EXT aloe = Zeroed<st_HERB_EXT>();
    aloe.X_Pos = (ULONG)HERB_ACRE.x, aloe.Y_Pos = (ULONG)HERB_ACRE.y, aloe.Art = 56, aloe.Anzahl = 251;
    herb.Add(aloe);
    if (!Add(herb.Done(), POOL_IN)) return false;

    // The outgoing pool right after a download: the army, the ship and the towns.
    ChunkBuffer army(ID_ARMY, VERSION_V001);
    army.Add((ULONG)1);
    st_ARHD head = Zeroed<st_ARHD>();
    head.Head = {ID_ARHD, VERSION_V001, sizeof(Armee)};
    head.ArmeeHeader.PosX = (ULONG)CAPITAL.x, head.ArmeeHeader.PosY = (ULONG)CAPITAL.y;
    head.ArmeeHeader.HerrscherID = PLAYER, head.ArmeeHeader.Vertrauen = 100, head.ArmeeHeader.ArmeeID = 5;
    head.ArmeeHeader.ArmeeTypAnzahl = 1;
    Text(head.ArmeeHeader.Name, sizeof head.ArmeeHeader.Name, "Garde");
    st_AREN part = Zeroed<st_AREN>();
    part.Head = {ID_AREN, VERSION_V001, sizeof(ArmeeEntry)};
    // Weapon Ids: a short sword and a tunic.
    part.ArmeeEntry.Typ = 2, part.ArmeeEntry.WaffeI = 27, part.ArmeeEntry.Ruestung = 15, part.ArmeeEntry.Anzahl = 200;
    army.Add(head);
    army.Add(part);
    ChunkBuffer ship(ID_SHIP, VERSION_V001);
    ship.Add((ULONG)1);
    st_SHIP_EXT s = Zeroed<st_SHIP_EXT>();
    s.SchiffsID = 6, s.Schaden = 1, s.Punkte = 6, s.X_Pos = (ULONG)CAPITAL.x, s.Y_Pos = (ULONG)CAPITAL.y;
    ship.Add(s);
    ChunkBuffer towns(ID_TOWN, VERSION_V002);
    towns.Add((UWORD)2);
    const struct {
        HexPos at;
        const char *name;
        UWORD id;
    } townList[] = {{CAPITAL, "Demoburg", 0}, {NORDHEIM, "Nordheim", 1}};
    for (const auto &t : townList) {
        st_TOWN_EXT_V2 e = Zeroed<st_TOWN_EXT_V2>();
        e.XPos = (UWORD)t.at.x, e.YPos = (UWORD)t.at.y, e.Level = 1, e.StadtVolk = t.id ? 4000 : 16000, e.StadtID = t.id;
        Text(e.Name, sizeof e.Name, t.name);
        towns.Add(e);
    }
    if (!Add(army.Done(), POOL_OUT) || !Add(ship.Done(), POOL_OUT) || !Add(towns.Done(), POOL_OUT)) return false;

    // The single-chunk files the chunk machine keeps: buildings, player
    // names and the own stock of wares.
    ChunkBuffer geba2(ID_GEBA, VERSION_V001), antw2(ID_ANTW, VERSION_V001), stock(ID_WARE, VERSION_V001);
    const void *own = Wares(stock, {Ware(5, PLAYER, 98, 400, 0), Ware(5, PLAYER, 99, 250, 0), Ware(5, PLAYER, 12, 1000, 0),
                                    Ware(5, PLAYER, 78, 1000, 0), Ware(5, PLAYER, 23, 100, 0), Ware(5, PLAYER, 50, 1, 0),
                                    Ware(5, PLAYER, 1, 50, 0), Ware(5, PLAYER, 82, 20, 0), Ware(0, PLAYER, 11, 30, 12),
                                    Ware(5, PLAYER, 7, 12, 0), Ware(5, PLAYER, 37, 60, 0),
                                    // the shipyard: every launch rule can be tried
                                    Ware(5, PLAYER, 54, 3, 0), Ware(5, PLAYER, 52, 1, 0),
                                    // plant and mineral units and two more luxury goods for the luxury screen
                                    Ware(5, PLAYER, 2, 40, 0), Ware(5, PLAYER, 3, 30, 0), Ware(5, PLAYER, 83, 15, 0),
                                    Ware(5, PLAYER, 84, 10, 0)});
    return SaveChunk2File("./Data/Gebaeude.dat", Geba(geba2)) && SaveChunk2File("./Data/SpielerList.vek", PlayerList(antw2)) &&
           SaveChunk2File("./Data/WarenChunk.vek", own);
}

// The ship's name, two hex names, and two letters from the neighbour: one to
// all, one to the player.
bool WriteShipsAndLetters()
{
    ListHeader *ships = CreateList(LISTE_SHIPADDON);
    if (!ships) return false;
    ListNode *node = (ListNode *)AllocVec(ships->TypSize, MEMF_CLEAR);
    ShipAddOn addOn = Zeroed<ShipAddOn>();
    Text(addOn.Name, sizeof addOn.Name, "Seestern");
    addOn.SchiffsID = 6;
    std::memcpy(NodeData(node), &addOn, sizeof addOn);
    InsertNode(ships, node, LIST_LAST, 0);
    bool ok = SaveShipAddOnList(ships);
    DeleteList(ships, 1);
    // Two hexes the player has named.
    ListHeader *names = CreateList(LISTE_MAPNAMES);
    if (!names) return false;
    const struct {
        HexPos at;
        const char *name;
    } named[] = {{{119, 59}, "Drachenh\xF6hle"}, {{124, 58}, "Wei\xDF" "er Fels"}};
    for (const auto &n : named) {
        ListNode *node = (ListNode *)AllocVec(names->TypSize, MEMF_CLEAR);
        st_TOWN_EXT e = Zeroed<st_TOWN_EXT>();
        e.XPos = (UWORD)n.at.x, e.YPos = (UWORD)n.at.y;
        Text(e.Name, sizeof e.Name, n.name);
        std::memcpy(NodeData(node), &e, sizeof e);
        InsertNode(names, node, LIST_LAST, 0);
    }
    ok = SaveMapNamesList(names) && ok;
    DeleteList(names, 1);
    const struct {
        const char *file, *subject, *to, *text;
        LONG toId;
        ULONG from;
        const char *fromName;
        const char *date = "01-Jan-2010 12:00:00";
    } letters[] = {
        {"./Data/MailIn/00000008_01.smal", "Grenzfrieden", "", "An alle F\xFCrsten: Der Markt an der Grenze ist offen.", -1,
         NEIGHBOUR, "Nachbar"},
        {"./Data/MailIn/00000008_02.smal", "Holz gegen Korn", "Demoland",
         "Herr von Demoland, ich biete Holz gegen Korn. Gr\xFC\xDF" "e, Nachbar", (LONG)PLAYER, NEIGHBOUR, "Nachbar"},
        {"./Data/MailIn/00000009_01.smal", "Lehenstreue", "Demoland",
         "Herr von Demoland, Euer Lehnsherr erwartet Eure Antwort. Fremdland", (LONG)PLAYER, STRANGER, "Fremdland"},
        // Two more letters to every ruler in the tavern, so that date, subject
        // and sender each give the list another order.
        {"./Data/MailIn/00000009_02.smal", "Wegezoll", "", "An alle: Wer die Br\xFC" "cke nutzt, zahlt den Zoll in Silber.",
         -1, STRANGER, "Fremdland", "03-Jan-2010 09:30:00"},
        {"./Data/MailIn/00000005_01.smal", "Brunnenfest", "", "Ostmark l\xE4" "dt alle F\xFCrsten zum Brunnenfest.", -1, 5,
         "Ostmark", "02-Jan-2010 18:00:00"},
    };
    for (const auto &l : letters) {
        st_SMAL *smal = (st_SMAL *)AllocChunk(CN_SMAL, (ULONG)std::strlen(l.text) + 1, 1);
        if (!smal) return false;
        Text(smal->DateString, sizeof smal->DateString, l.date);
        Text(smal->Betreff, sizeof smal->Betreff, l.subject);
        Text(smal->AbsenderName, sizeof smal->AbsenderName, l.fromName);
        Text(smal->EmpfaengerName, sizeof smal->EmpfaengerName, l.to);
        smal->AbsenderID = (LONG)l.from;
        smal->EmpfaengerID = l.toId;
        std::strcpy((char *)smal + sizeof(st_SMAL), l.text);
        ok = SaveChunk2File(l.file, smal) && ok;
        FreeChunk(smal);
    }
    return ok;
}

}  // namespace

void WriteRealm(Output &out)
{
    for (const char *dir : {"Data/POP3In", "Data/POP3Out", "Data/MailIn", "Data/MailOut", "Data/Cities", "Map"})
        out.Dir(dir);
    // The client's routines work in the current directory: enter the set and come back.
    const int back = open(".", O_RDONLY | O_DIRECTORY);
    if (chdir(out.root().c_str()) != 0) {
        if (back >= 0) close(back);
        std::fprintf(stderr, "vekdemo: cannot enter %s\n", out.root().c_str());
        out.Fail();
        return;
    }
    bool good = true;
    for (const Pref &p : prefs) good = CheckPrefsWrite(p.id, p.value) && good;
    good = CheckPrefsWriteText(8, OPTIONEN_EMAIL_PLATZHALTER) && good;
    good = CheckPrefsWriteText(10, "Demoland") && good;
    for (const Pref &p : storyPrefs) good = RoredIdezPrefsWrite(p.id, p.value) && good;
    good = Store(good, "the preferences");
    // New pools carry the player's ID and no hardware address.
    const ULONG oldPlayer = PlayerInfo.SpielerID;
    PlayerInfo.SpielerID = PLAYER;
    PoolMacAddressHook = nullptr;
    good = Store(WriteMap(), "the map tiles") && good;
    good = Store(WriteFigureFile(), "the figure file") && good;
    good = Store(WritePools(), "the chunk pools") && good;
    good = Store(WriteShipsAndLetters(), "the ship names and letters") && good;
    good = Store(WriteTurnChunks(), "the turn's armies, ships, letter and luxury goods") && good;
    good = Store(WriteDemoTowns(), "the towns") && good;
    good = Store(WriteDemoFields(), "the worked fields") && good;
    good = Store(WriteFreshProfile(), "the first-turn tree") && good;
    good = Store(WriteTutorialPrefs(), "the preferences with the tutorial due") && good;
    PlayerInfo.SpielerID = oldPlayer;
    if (back >= 0) {
        good = fchdir(back) == 0 && good;
        close(back);
    }
    if (!good) out.Fail();
}

}  // namespace vekdemo
