// The demo realm's towns and worked fields, made by the client's own town
// and field routines, and the "Fresh" tree: the first-turn pool from which
// the client's game set-up makes the demo map again. Runs inside the demo
// set after the map, the figure file and the pools are written.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "kit.h"
#include "world/cultivation.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/figurart.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/towns.h"

namespace vekdemo {

namespace {

constexpr ULONG PLAYER = 7;
constexpr unsigned TOWN_SEED = 20;  // the dice of the towns' scenery and population

MapEntry HexAt(const std::vector<MapEntry> &teil, LONG x, LONG y)
{
    return teil[(size_t)((y % TEIL_HOEHE) * TEIL_BREITE + x % TEIL_BREITE)];
}

MapCultivation Field(const MapEntry &hex, UWORD food, UWORD wood, UWORD stone)
{
    MapCultivation c;
    std::memset(&c, 0, sizeof c);
    const UWORD klasse = GetTypeOfHex(hex.Art);
    c.X = (UWORD)hex.X, c.Y = (UWORD)hex.Y;
    c.WorkersForHarvest = food, c.WorkersForWood = wood, c.WorkersForStone = stone;
    c.MaxHarvest = GetMaxHarvestForField(klasse, food, 0);
    c.ActHarvest = klasse == GK_WASSER ? c.MaxHarvest : 10000 + (c.MaxHarvest - 10000) / 10;
    c.MaxWood = (UWORD)GetMaxWoodForField(klasse, wood, 0);
    c.ActWood = c.MaxWood ? 1 : 0;
    c.MaxStone = (UWORD)GetMaxStoneForField(klasse, stone);
    c.ActStone = c.MaxStone ? 1 : 0;
    c.PrevHarvest[0] = c.ActHarvest, c.PrevWood[0] = c.ActWood, c.PrevStone[0] = c.ActStone;
    return c;
}

}  // namespace

bool WriteDemoTowns()
{
    // The player's two town hexes on the map found the capital at the map
    // reference and a second town; the player then names both.
    WuerfelSeed(TOWN_SEED);
    if (!CheckPlayerTown()) return false;
    char capital[80] = "Demoburg", second[80] = "Nordheim";
    if (!ChangeTownName(0, capital) || !ChangeTownName(1, second)) return false;
    // Two turns applied: the second shares the people by the buildings the first put up.
    return ChangeTownStatus(nullptr) && ChangeTownStatus(nullptr);
}

bool WriteDemoFields()
{
    // Block (3, 3) holds the capital: one grain field, one wood field and
    // one fishing ground, the first own hex of each kind round the capital.
    std::vector<MapEntry> teil((size_t)TEIL_BREITE * TEIL_HOEHE);
    if (!LadeKartenDatei("./Map/M_1_1.map", teil.data(), nullptr)) return false;
    const HexPos capital = {120, 60};
    const UWORD wanted[3] = {GK_STEPPE, GK_WALD, GK_WASSER};
    MapCultivation fields[3];
    bool found[3] = {};
    for (int radius = 1; radius <= 6; ++radius) {
        HexPos ring[36];
        const int n = HexRing(capital, radius, ring);
        for (int i = 0; i < n; ++i) {
            if (ring[i].x < 120 || ring[i].x >= 160 || ring[i].y < 60 || ring[i].y >= 80) continue;
            const MapEntry hex = HexAt(teil, ring[i].x, ring[i].y);
            if (hex.BesitzerID != PLAYER) continue;
            for (int k = 0; k < 3; ++k)
                if (!found[k] && GetTypeOfHex(hex.Art) == wanted[k]) {
                    found[k] = true;
                    fields[k] = Field(hex, k == 1 ? 10 : 100, k == 1 ? 50 : 0, k == 0 ? 40 : 0);
                }
        }
    }
    if (!found[0] || !found[1] || !found[2]) return false;
    ListHeader *liste = CreateList(LISTE_MAPCULT);
    if (!liste) return false;
    for (const MapCultivation &c : fields) {
        ListNode *node = (ListNode *)AllocVec(liste->TypSize, MEMF_CLEAR);
        std::memcpy(NodeData(node), &c, sizeof c);
        InsertNode(liste, node, LIST_LAST, 0);
    }
    const bool ok = SaveMapCultList(liste, 3, 3);
    DeleteList(liste, 1);
    return ok;
}

bool WriteFreshProfile()
{
    // The server's answer to the sign-up: the demo's world as it first
    // shows itself, with the realm's chunks of the demo's received pool.
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const char *d : {"Fresh/Data/POP3In", "Fresh/Data/POP3Out", "Fresh/Data/MailIn", "Fresh/Data/MailOut", "Fresh/Map"})
        fs::create_directories(d, ec);
    const char pool[] = "./Fresh/Data/POP3In/GameChunk.vek";
    std::remove(pool);
    bool ok = true;
    for (ULONG id : {ID_KORN, ID_LAND, ID_FORS, ID_TAXE, ID_GEBA, ID_ANTW}) {
        void *c = LoadChunk2Mem(id, POOL_IN);
        // A new realm has earned no realm point yet: its first title comes later.
        if (c && id == ID_LAND) static_cast<st_LAND *>(c)->Reichspunkte = 0;
        ok = c && AddChunkPool(c, pool) && ok;
        FreeVec(c);
    }
    st_IMAP imap;
    std::memset(&imap, 0, sizeof imap);
    imap.Head = {ID_IMAP, VERSION_V001, sizeof(st_IMAP) - sizeof(st_ChunkHead)};
    imap.SizeX = WELT_BREITE, imap.SizeY = WELT_HOEHE, imap.X_Capital = 120, imap.Y_Capital = 60;
    ok = AddChunkPool(&imap, pool) && ok;

    // Every hex of the nine tiles, and the nine knowledge tiles.
    std::vector<UBYTE> pmap(sizeof(st_ChunkHead)), bmap(sizeof(st_BMAP));
    ULONG karten = 0;
    for (LONG ty = 0; ty < 3; ++ty)
        for (LONG tx = 0; tx < 3; ++tx) {
            char name[64];
            std::snprintf(name, sizeof name, "./Map/M_%d_%d.map", (int)tx, (int)ty);
            UBYTE *m = (UBYTE *)LoadFile2Mem(name, 0);
            std::snprintf(name, sizeof name, "./Map/B_%d_%d.map", (int)tx, (int)ty);
            UBYTE *b = (UBYTE *)LoadFile2Mem(name, 0);
            if (m && GetFileSize(name) == BMAP_TEIL_BYTES && b) {
                pmap.insert(pmap.end(), m, m + TEIL_BYTES);
                bmap.push_back((UBYTE)tx);
                bmap.push_back((UBYTE)ty);
                bmap.insert(bmap.end(), b, b + BMAP_TEIL_BYTES);
                ++karten;
            } else {
                ok = false;
            }
            FreeVec(m);
            FreeVec(b);
        }
    const st_ChunkHead pkopf{ID_PMAP, VERSION_V001, (ULONG)(pmap.size() - sizeof(st_ChunkHead))};
    std::memcpy(pmap.data(), &pkopf, sizeof pkopf);
    pmap.push_back(0);
    st_BMAP bkopf;
    bkopf.Head = {ID_BMAP, VERSION_V001, (ULONG)(bmap.size() - sizeof(st_ChunkHead))};
    bkopf.AnzKarten = (UWORD)karten;
    std::memcpy(bmap.data(), &bkopf, sizeof bkopf);
    bmap.push_back(0);
    ok = AddChunkPool(pmap.data(), pool) && AddChunkPool(bmap.data(), pool) && ok;

    // The three scouts the server gives every new realm.
    std::vector<UBYTE> move(sizeof(st_MOVE));
    for (UWORD nr = 1; nr <= 3; ++nr) {
        st_MOVE_EXT f;
        std::memset(&f, 0, sizeof f);
        f.SpielerID = PLAYER, f.FigurArt = FID_KUNDSCHAFTER, f.FigurNummer = nr;
        f.X_Pos = 120, f.Y_Pos = 60, f.Bewegungspunkte = 8;
        const UBYTE *p = (const UBYTE *)&f;
        move.insert(move.end(), p, p + sizeof f);
    }
    st_MOVE mkopf;
    mkopf.Head = {ID_MOVE, VERSION_V001, (ULONG)(move.size() - sizeof(st_ChunkHead))};
    mkopf.AnzFiguren = 3;
    std::memcpy(move.data(), &mkopf, sizeof mkopf);
    move.push_back(0);
    ok = AddChunkPool(move.data(), pool) && ok;

    // A sign-up sent and answered: nothing else of a game yet.
    const fs::path zurueck = fs::current_path(ec);
    fs::current_path("Fresh", ec);
    if (ec) return false;
    ok = CheckPrefsWrite(0, 1) && CheckPrefsWrite(9, PLAYER) && CheckPrefsWriteText(10, "Demoland") &&
         CheckPrefsWriteText(8, OPTIONEN_EMAIL_PLATZHALTER) && ok;
    fs::current_path(zurueck, ec);
    return ok && !ec;
}

}  // namespace vekdemo
