#include "common/gamefixture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/testutil.h"
#include "store/store.h"

namespace vektest {

void SchreibeTeil(LONG tx, LONG ty, const std::vector<HexSetzen> &hexe)
{
    std::vector<MapEntry> teil((size_t)TEIL_BREITE * TEIL_HOEHE);
    for (LONG r = 0; r < TEIL_HOEHE; ++r)
        for (LONG c = 0; c < TEIL_BREITE; ++c) {
            MapEntry &e = teil[(size_t)(r * TEIL_BREITE + c)];
            std::memset(&e, 0, sizeof e);
            e.X = (ULONG)(tx * TEIL_BREITE + c);
            e.Y = (ULONG)(ty * TEIL_HOEHE + r);
            e.BesitzerID = NIEMAND;
        }
    for (const HexSetzen &h : hexe) {
        MapEntry &e = teil[(size_t)((h.y % TEIL_HOEHE) * TEIL_BREITE + h.x % TEIL_BREITE)];
        e.Art = h.art;
        e.BesitzerID = h.besitzer;
    }
    MakeDirs("Map");
    const UBYTE *p = (const UBYTE *)teil.data();
    WriteBytes("Map/M_" + std::to_string(tx) + "_" + std::to_string(ty) + ".map", Bytes(p, p + TEIL_BYTES));
}

template <class T> T Leer(ULONG id)
{
    T t;
    std::memset(&t, 0, sizeof t);
    t.Head = {id, VERSION_V001, (ULONG)(sizeof(T) - sizeof(st_ChunkHead))};
    return t;
}

st_LAND LandChunk(ULONG anzVolk, ULONG anzMorgen, UBYTE gottheit)
{
    st_LAND l = Leer<st_LAND>(ID_LAND);
    l.AnzVolk = anzVolk;
    l.AnzMorgen = anzMorgen;
    l.Gottheit = gottheit;
    return l;
}

st_KORN KornChunk(ULONG anzKornlager, ULONG saat, ULONG korn, ULONG bev)
{
    st_KORN k = Leer<st_KORN>(ID_KORN);
    k.AnzKornlager = anzKornlager;
    k.Saatlager = saat;
    k.Kornlager = korn;
    k.BevLager = bev;
    return k;
}

st_TAXE TaxeChunk(UWORD kirchenPunkte)
{
    st_TAXE t = Leer<st_TAXE>(ID_TAXE);
    t.KirchenPunkte = kirchenPunkte;
    return t;
}

void InsPool(const void *chunk, const char *pool)
{
    MakeDirs("Data/POP3In");
    MakeDirs("Data/POP3Out");
    ASSERT_TRUE(AddChunkPool(chunk, pool));
}

st_BAUE_EXT Bau(UWORD gebId, UWORD stadt, UWORD restbauzeit)
{
    st_BAUE_EXT b;
    std::memset(&b, 0, sizeof b);
    b.GebID = gebId;
    b.Stadt = stadt;
    b.Restbauzeit = restbauzeit;
    return b;
}

void SchreibeGebaeude(const std::vector<st_BAUE_EXT> &gebaeude)
{
    std::vector<UBYTE> c(sizeof(st_GEBA) + gebaeude.size() * sizeof(st_BAUE_EXT) + 1, 0);
    st_GEBA g = Leer<st_GEBA>(ID_GEBA);
    g.Head.Length = (ULONG)(c.size() - 1 - sizeof(st_ChunkHead));
    g.AnzGeb = (UWORD)gebaeude.size();
    std::memcpy(c.data(), &g, sizeof g);
    if (!gebaeude.empty())
        std::memcpy(c.data() + sizeof g, gebaeude.data(), gebaeude.size() * sizeof(st_BAUE_EXT));
    MakeDirs("Data");
    ASSERT_TRUE(SaveChunk2File("./Data/Gebaeude.dat", c.data()));
}

}  // namespace vektest
