// Cost of the town and field update after a received turn: CheckPlayerTown,
// ChangeTownStatus for all towns and CheckMapCultWorld on a realm of 200 map
// sectors, 30 towns, 5,000 buildings and 200 field blocks, against reading
// and writing each of those files once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "world/cultivation.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/store.h"
#include "world/towns.h"

namespace {

namespace fs = std::filesystem;
constexpr ULONG PLAYER = 7;
constexpr int SECTORS_X = 20, SECTORS_Y = 10, TOWNS = 30, BUILDINGS = 5000, FIELDS_PER_BLOCK = 20;

void Save(const std::string &name, const void *data, size_t n)
{
    if (WriteFileAtomic(name.c_str(), data, (ULONG)n, -1) != (int)n) std::abort();
}

template <class T> void Chunk(ULONG id, T t, const char *pool)
{
    t.Head = {id, VERSION_V001, (ULONG)(sizeof(T) - sizeof(st_ChunkHead))};
    if (!AddChunkPool(&t, pool)) std::abort();
}

// The realm in a fresh directory, which becomes the working directory.
std::string MakeRealm()
{
    char tmpl[] = "/tmp/vekbench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    fs::current_path(dir);
    for (const char *d : {"Data/Cities", "Data/POP3In", "Data/POP3Out", "Map"}) fs::create_directories(d);
    PlayerInfo.SpielerID = PLAYER;
    WuerfelSeed(1);
    std::vector<MapEntry> tile((size_t)TEIL_BREITE * TEIL_HOEHE);
    std::vector<TownList> list;
    int town = 0;
    for (int ty = 0; ty < SECTORS_Y; ++ty)
        for (int tx = 0; tx < SECTORS_X; ++tx) {
            for (int r = 0; r < TEIL_HOEHE; ++r)
                for (int c = 0; c < TEIL_BREITE; ++c) {
                    MapEntry &e = tile[(size_t)(r * TEIL_BREITE + c)];
                    std::memset(&e, 0, sizeof e);
                    e.X = (ULONG)(tx * TEIL_BREITE + c), e.Y = (ULONG)(ty * TEIL_HOEHE + r);
                    e.Art = 12, e.BesitzerID = PLAYER;
                }
            if (town < TOWNS) {
                MapEntry &e = tile[20 * TEIL_BREITE + 40];
                e.Art = 1;
                Stadt s;
                std::memset(&s, 0, sizeof s);
                s.Hauptstadt = town == 0, s.Level = 1, s.StadtID = (ULONG)town, s.XPos = e.X, s.YPos = e.Y;
                std::snprintf(s.Stadtname, sizeof s.Stadtname, "Stadt_%d", town);
                for (int i = 0; i < STADT_SLOTS; ++i) {
                    s.GebaeudeAbhaengigkeiten[i].GebaeudeID = (UWORD)(i + 1);
                    s.GebaeudeAbhaengigkeiten[i].Stadtlevel = (UWORD)(i < 56 ? 1 : 2);
                    s.GebaeudeAbhaengigkeiten[i].GfxBitfeld = i % 7 == 3 ? 1 : 0;
                }
                if (!SpeichereStadt(&s)) std::abort();
                TownList t;
                std::memset(&t, 0, sizeof t);
                t.TownID = town;
                std::strcpy(t.TownName, s.Stadtname);
                list.push_back(t);
                ++town;
            }
            Save("Map/M_" + std::to_string(tx) + "_" + std::to_string(ty) + ".map", tile.data(), TEIL_BYTES);
            std::vector<MapCultivation> fields(FIELDS_PER_BLOCK);
            for (int i = 0; i < FIELDS_PER_BLOCK; ++i) {
                MapCultivation &f = fields[(size_t)i];
                std::memset(&f, 0, sizeof f);
                f.X = (UWORD)(tx * TEIL_BREITE + i), f.Y = (UWORD)(ty * TEIL_HOEHE + 1);
                f.WorkersForHarvest = 20, f.WorkersForWood = 5, f.WorkersForStone = 5, f.ActHarvest = 10000;
            }
            Save("Map/C_" + std::to_string(2 * tx) + "_" + std::to_string(2 * ty) + ".vek", fields.data(),
                 fields.size() * sizeof(MapCultivation));
        }
    if (!SpeichereTownList(list.data(), (ULONG)list.size())) std::abort();
    std::vector<UBYTE> geba(sizeof(st_GEBA) + BUILDINGS * sizeof(st_BAUE_EXT) + 1, 0);
    st_GEBA head;
    head.Head = {ID_GEBA, VERSION_V001, (ULONG)(geba.size() - 1 - sizeof(st_ChunkHead))};
    head.Gesamtkosten = 0, head.AnzGeb = BUILDINGS;
    std::memcpy(geba.data(), &head, sizeof head);
    for (int i = 0; i < BUILDINGS; ++i) {
        st_BAUE_EXT b;
        std::memset(&b, 0, sizeof b);
        b.GebID = (UWORD)((i * 37) % 235), b.Stadt = (UWORD)(i % TOWNS);
        std::memcpy(geba.data() + sizeof head + (size_t)i * sizeof b, &b, sizeof b);
    }
    if (!SaveChunk2File("./Data/Gebaeude.dat", geba.data())) std::abort();
    st_LAND land;
    std::memset(&land, 0, sizeof land);
    land.AnzVolk = 2000000, land.AnzMorgen = 5000;
    Chunk(ID_LAND, land, POOL_IN);
    st_KORN korn;
    std::memset(&korn, 0, sizeof korn);
    korn.AnzKornlager = 5;
    Chunk(ID_KORN, korn, POOL_IN);
    st_TAXE taxe;
    std::memset(&taxe, 0, sizeof taxe);
    Chunk(ID_TAXE, taxe, POOL_IN);
    return dir;
}

// The program's diagnostic lines go to the terminal; here they would only
// measure the terminal.
struct Quiet {
    int saved = dup(1);
    Quiet() { std::fflush(stdout), std::freopen("/dev/null", "w", stdout); }
    ~Quiet()
    {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

void BM_AfterTurn(benchmark::State &state)
{
    const fs::path back = fs::current_path();
    const std::string dir = MakeRealm();
    Quiet q;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CheckPlayerTown());
        benchmark::DoNotOptimize(ChangeTownStatus(nullptr));
        benchmark::DoNotOptimize(CheckMapCultWorld());
    }
    fs::current_path(back);
    fs::remove_all(dir);
}
BENCHMARK(BM_AfterTurn)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every file the update touches, read whole and written whole once.
void BM_ReadWriteEachFileOnce(benchmark::State &state)
{
    const fs::path back = fs::current_path();
    const std::string dir = MakeRealm();
    std::vector<std::string> files;
    for (const char *d : {"Map", "Data/Cities", "Data/POP3In", "Data"})
        for (const auto &e : fs::directory_iterator(d))
            if (e.is_regular_file()) files.push_back(e.path().string());
    Quiet q;
    for (auto _ : state) {
        for (const std::string &f : files) {
            const ULONG n = GetFileSize(f.c_str());
            APTR b = LoadFile2Mem(f.c_str(), 0);
            Save(f, b, n);
            FreeVec(b);
        }
    }
    state.counters["files"] = (double)files.size();
    fs::current_path(back);
    fs::remove_all(dir);
}
BENCHMARK(BM_ReadWriteEachFileOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
