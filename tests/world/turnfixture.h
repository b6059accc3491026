// A player's game folder for the turn tests: the working directory with its
// data, pool and map folders, the player's ID, and chunks built in host order
// that the tests put into pools.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/figures.h"
#include "store/store.h"

namespace turnfix {

using vektest::Bytes;
constexpr ULONG kIch = 7, kAndere = 9;

class GameDir : public vektest::ScratchDir {
public:
    GameDir()
    {
        for (const char *d : {"Data/POP3In", "Data/POP3Out", "Data/MailIn", "Data/MailOut", "Map"})
            vektest::MakeDirs(d);
        PlayerInfo = st_PlayerInfo{};
        PlayerInfo.SpielerID = kIch;
        WuerfelSeed(1);
    }
};

// A host-order chunk: the fixed fields after the head, then the entries.
template <class Fixed, class Ext = UBYTE>
Bytes MakeChunk(ULONG num, const Fixed &fixed, const std::vector<Ext> &ext = {})
{
    Bytes b(sizeof(Fixed) + ext.size() * sizeof(Ext) + 1, 0);
    std::memcpy(b.data(), &fixed, sizeof(Fixed));
    if (!ext.empty()) std::memcpy(b.data() + sizeof(Fixed), ext.data(), ext.size() * sizeof(Ext));
    st_ChunkHead h{ChunkIDOf(num), VERSION_V001, (ULONG)(b.size() - 1 - sizeof(st_ChunkHead))};
    std::memcpy(b.data(), &h, sizeof h);
    return b;
}

inline void Put(const Bytes &chunk, const char *pool) { ASSERT_TRUE(AddChunkPool(chunk.data(), pool)); }

// A loaded chunk, copied into a record (zero when the chunk is missing).
template <class T> T Load(ULONG num, const char *pool, bool *found = nullptr)
{
    T t{};
    void *c = LoadChunk2Mem(ChunkIDOf(num), pool);
    if (found) *found = c != nullptr;
    if (c) std::memcpy(&t, c, sizeof t);
    FreeVec(c);
    return t;
}

// The entries of a loaded chunk whose fixed part is Fixed.
template <class Fixed, class Ext> std::vector<Ext> Entries(ULONG num, const char *pool)
{
    std::vector<Ext> v;
    void *c = LoadChunk2Mem(ChunkIDOf(num), pool);
    if (!c) return v;
    v.resize(GetChunkEntryCount(c));
    if (!v.empty()) std::memcpy(v.data(), (UBYTE *)c + sizeof(Fixed), v.size() * sizeof(Ext));
    FreeVec(c);
    return v;
}

inline st_MOVE_EXT Figur(ULONG spieler, UWORD art, UWORD nummer, ULONG x, ULONG y, UBYTE kommando = 0)
{
    st_MOVE_EXT f{};
    f.SpielerID = spieler;
    f.FigurArt = art;
    f.FigurNummer = nummer;
    f.X_Pos = x;
    f.Y_Pos = y;
    f.Kommando = kommando;
    return f;
}

// The figure file with these figures.
inline void WriteMapPrefs(const std::vector<st_MOVE_EXT> &figuren)
{
    st_MREF mref{};
    mref.WeltSizeX = 12800;
    mref.WeltSizeY = 6400;
    Bytes a = MakeChunk(CN_MREF, mref);
    a.pop_back();
    st_MOVE m{};
    m.AnzFiguren = (UWORD)figuren.size();
    Bytes b = MakeChunk(CN_MOVE, m, figuren);
    b.pop_back();
    SwapByteOrderInChunk(a.data(), 1);
    SwapByteOrderInChunk(b.data(), 1);
    a.insert(a.end(), b.begin(), b.end());
    vektest::WriteBytes(MAPPREFS_FILE, a);
}

inline std::vector<st_MOVE_EXT> Figures() { return Entries<st_MOVE, st_MOVE_EXT>(CN_MOVE, MAPPREFS_FILE); }

}  // namespace turnfix

inline bool operator==(const st_MOVE_EXT &a, const st_MOVE_EXT &b) { return std::memcmp(&a, &b, sizeof a) == 0; }
