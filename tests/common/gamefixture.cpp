#include "common/gamefixture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/testutil.h"
#include "platform/datakit.h"
#include "store/figures.h"
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
    WendeMapEntries(teil.data(), (ULONG)teil.size());  // the file keeps them little-endian
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

namespace {
void BE(Bytes &b, ULONG v, int breite)
{
    for (int i = breite - 1; i >= 0; --i) b.push_back((UBYTE)(v >> (8 * i)));
}
}  // namespace

void SchreibeVorlage(const std::vector<GebaeudeAbhaengigkeiten> &slots)
{
    Bytes b(32, 0);
    const char name[] = "Info_Stadt.dat";
    std::memcpy(b.data(), name, sizeof name - 1);
    BE(b, 0, 4);
    BE(b, 1, 4);
    BE(b, datakit::LayoutTag[datakit::KIND_SLOTS], 4);
    BE(b, (ULONG)slots.size(), 4);
    BE(b, 20, 4);
    for (const GebaeudeAbhaengigkeiten &s : slots) {
        const UBYTE *p = (const UBYTE *)&s;
        auto u16 = [&](size_t at) { UWORD v; std::memcpy(&v, p + at, 2); BE(b, v, 2); };
        u16(0);
        ULONG volk;
        std::memcpy(&volk, p + 2, 4);
        BE(b, volk, 4);
        for (size_t at = 6; at < 22; at += 2) u16(at);
        for (size_t at = 22; at < 30; ++at) b.push_back(p[at]);
        for (size_t at = 30; at < 60; at += 2) u16(at);
    }
    MakeDirs("Data/screendat");
    WriteBytes("Data/screendat/Info_Stadt.dat", b);
}

std::vector<GebaeudeAbhaengigkeiten> StandardSlots()
{
    std::vector<GebaeudeAbhaengigkeiten> v(235);
    for (int i = 0; i < 235; ++i) {
        GebaeudeAbhaengigkeiten &s = v[(size_t)i];
        std::memset(&s, 0, sizeof s);
        s.GebaeudeID = (UWORD)(i + 1);
        s.Stadtlevel = (UWORD)(i < 56 ? 1 : i < 116 ? 2 : i < 180 ? 3 : 4);
        s.Prioritaet = (UWORD)i;
    }
    return v;
}

void SchreibeMref(ULONG x, ULONG y)
{
    st_MREF m;
    std::memset(&m, 0, sizeof m);
    m.Head = {ID_MREF, VERSION_V001, sizeof(st_MREF) - sizeof(st_ChunkHead)};
    m.WeltSizeX = 12800;
    m.WeltSizeY = 6400;
    m.X_Capital = x;
    m.Y_Capital = y;
    MakeDirs("Data");
    ASSERT_TRUE(SaveChunk2File(MAPPREFS_FILE, &m));
}

std::vector<UBYTE> ArmyChunk(const std::vector<ArmeeAuf> &armeen)
{
    std::vector<UBYTE> c(sizeof(st_ARMY), 0);
    ULONG id = 1;
    for (const ArmeeAuf &a : armeen) {
        st_ARHD h;
        std::memset(&h, 0, sizeof h);
        h.Head = {ID_ARHD, VERSION_V001, sizeof(Armee)};
        h.ArmeeHeader.PosX = a.x;
        h.ArmeeHeader.PosY = a.y;
        h.ArmeeHeader.ArmeeID = id++;
        h.ArmeeHeader.ArmeeTypAnzahl = (ULONG)a.soldaten.size();
        const UBYTE *p = (const UBYTE *)&h;
        c.insert(c.end(), p, p + sizeof h);
        for (ULONG n : a.soldaten) {
            st_AREN t;
            std::memset(&t, 0, sizeof t);
            t.Head = {ID_AREN, VERSION_V001, sizeof(ArmeeEntry)};
            t.ArmeeEntry.Typ = 1;
            t.ArmeeEntry.Anzahl = n;
            const UBYTE *q = (const UBYTE *)&t;
            c.insert(c.end(), q, q + sizeof t);
        }
    }
    st_ARMY k;
    k.Head = {ID_ARMY, VERSION_V001, (ULONG)(c.size() - sizeof(st_ChunkHead))};
    k.AnzahlArmeen = (ULONG)armeen.size();
    std::memcpy(c.data(), &k, sizeof k);
    c.push_back(0);
    return c;
}

}  // namespace vektest
