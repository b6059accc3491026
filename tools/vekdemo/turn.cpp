// What the received turn carries beyond the realm's figures: the player's
// army and ship as the server returns them, a letter from the neighbour in a
// MAIL chunk, the stock the luxury economy draws on, and the player's
// assignment of luxury goods in ./Data/Luxus.dat. Runs inside the set's
// folder after the pools are written.
#include <cstring>
#include <vector>

#include "kit.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "store/store.h"

namespace vekdemo {

namespace {

constexpr ULONG PLAYER = 7, NEIGHBOUR = 8;
constexpr ULONG CAPITAL_X = 120, CAPITAL_Y = 60;

template <class T> void Append(std::vector<UBYTE> &b, const T &record)
{
    const UBYTE *p = (const UBYTE *)&record;
    b.insert(b.end(), p, p + sizeof(T));
}

// A host-order chunk from its payload, with one zero byte behind it.
std::vector<UBYTE> Chunk(ULONG id, const std::vector<UBYTE> &payload)
{
    std::vector<UBYTE> b;
    Append(b, st_ChunkHead{id, VERSION_V001, (ULONG)payload.size()});
    b.insert(b.end(), payload.begin(), payload.end());
    b.push_back(0);
    return b;
}

// The guard army: a part of 200 and a part of 30 that deserts.
bool AddArmy()
{
    std::vector<UBYTE> p;
    Append(p, (ULONG)1);
    st_ARHD head{};
    head.Head = {ID_ARHD, VERSION_V001, sizeof(Armee)};
    head.ArmeeHeader.PosX = CAPITAL_X, head.ArmeeHeader.PosY = CAPITAL_Y;
    head.ArmeeHeader.HerrscherID = PLAYER, head.ArmeeHeader.Vertrauen = 100, head.ArmeeHeader.ArmeeID = 5;
    head.ArmeeHeader.ArmeeTypAnzahl = 2;
    std::memcpy(head.ArmeeHeader.Name, "Garde", 6);
    Append(p, head);
    for (ULONG soldiers : {200u, 30u}) {
        st_AREN part{};
        part.Head = {ID_AREN, VERSION_V001, sizeof(ArmeeEntry)};
        part.ArmeeEntry.Typ = 2, part.ArmeeEntry.WaffeI = 23, part.ArmeeEntry.Ruestung = 12;
        part.ArmeeEntry.Anzahl = soldiers;
        Append(p, part);
    }
    return AddChunkPool(Chunk(ID_ARMY, p).data(), POOL_IN);
}

// The trade ship "Seestern", slightly damaged, in the capital's harbour.
bool AddShip()
{
    std::vector<UBYTE> p;
    Append(p, (ULONG)1);
    st_SHIP_EXT s{};
    s.SchiffsID = 6, s.Schaden = 1, s.Punkte = 6, s.X_Pos = CAPITAL_X, s.Y_Pos = CAPITAL_Y;
    Append(p, s);
    return AddChunkPool(Chunk(ID_SHIP, p).data(), POOL_IN);
}

// One letter from the neighbour, as it lies on disk inside the MAIL chunk.
bool AddMail()
{
    static const char text[] = "Die Karawane mit dem Holz ist unterwegs.";
    st_SMAL *smal = (st_SMAL *)AllocChunk(CN_SMAL, sizeof text, 1);
    if (!smal) return false;
    std::memcpy(smal->DateString, "02-Jan-2010 09:30:00", 21);
    std::memcpy(smal->Betreff, "Lieferung", 10);
    std::memcpy(smal->AbsenderName, "Nachbar", 8);
    std::memcpy(smal->EmpfaengerName, "Demoland", 9);
    smal->AbsenderID = (LONG)NEIGHBOUR;
    smal->EmpfaengerID = (LONG)PLAYER;
    std::memcpy((UBYTE *)smal + sizeof(st_SMAL), text, sizeof text);
    const ULONG size = (ULONG)sizeof(st_ChunkHead) + smal->Head.Length;
    SwapByteOrderInChunk(smal, 1);
    std::vector<UBYTE> p;
    Append(p, (ULONG)1);
    p.insert(p.end(), (UBYTE *)smal, (UBYTE *)smal + size);
    FreeChunk(smal);
    return AddChunkPool(Chunk(ID_MAIL, p).data(), POOL_IN);
}

// The server reports the player's stock with the market: raw animal sources
// and the first luxury good.
bool AddStock()
{
    st_WARE *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, POOL_IN);
    if (!ware) return false;
    std::vector<UBYTE> p;
    const ULONG n = GetChunkEntryCount(ware);
    Append(p, (UWORD)(n + 2));
    p.insert(p.end(), (UBYTE *)ware + sizeof(st_WARE), (UBYTE *)ware + sizeof(st_WARE) + n * sizeof(st_WARE_EXT));
    FreeVec(ware);
    for (ULONG type : {1u, 82u}) {
        st_WARE_EXT s{};
        s.Info = 5, s.Herkunft = PLAYER, s.WarenTyp = type, s.WarenAnzahl = 60;
        Append(p, s);
    }
    return AddChunkPool(Chunk(ID_WARE, p).data(), POOL_IN);
}

// The player assigns 10 units of animal sources and 5 of the first luxury good.
bool WriteLuxus()
{
    ULONG assigned[19] = {};
    assigned[0] = 10;
    assigned[3] = 5;
    return SaveMem2File("./Data/Luxus.dat", assigned, sizeof assigned);
}

}  // namespace

bool WriteTurnChunks()
{
    return AddArmy() && AddShip() && AddMail() && AddStock() && WriteLuxus();
}

}  // namespace vekdemo
