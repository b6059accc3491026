// Arbitrary bytes as the payload of one chunk of a received turn, applied by
// the chunk machine to a small game folder: the first byte picks the case,
// the second its mode, the rest is the chunk's payload as the file holds it.
// Whatever arrives, the cases must neither crash nor read or write out of
// bounds nor leak.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/system.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/chunkmachine.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr ULONG kCases[] = {CN_INFO, CN_MOVE, CN_BMAP, CN_IMAP, CN_PMAP, CN_MAIL, CN_LAND,
                            CN_WARE, CN_GEBA, CN_ARMY, CN_ANTW, CN_VERT, CN_SHIP, CN_INIT};

void Put32(Bytes &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) b.push_back((uint8_t)(v >> s));
}

void Write(const char *name, const Bytes &b)
{
    std::FILE *f = std::fopen(name, "wb");
    if (!f) std::abort();
    if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

// A figure file with two of the player's figures: an army and a trade ship.
Bytes MapPrefs()
{
    Bytes b = {'M', 'R', 'E', 'F', 'V', '0', '0', '1'};
    for (uint32_t v : {16u, 12800u, 6400u, 10u, 10u}) Put32(b, v);
    b.insert(b.end(), {'M', 'O', 'V', 'E', 'V', '0', '0', '1'});
    Put32(b, 2 + 2 * 18);
    b.insert(b.end(), {0, 2});
    for (uint16_t kind : {1, 14}) {
        Put32(b, 7);
        b.insert(b.end(), {0, (uint8_t)kind, 0, 5});
        Put32(b, 10);
        Put32(b, 10);
        b.insert(b.end(), {0, 8});
    }
    return b;
}

std::string gRoot;  // the game folder; the fuzzer's own folder stays the working one between runs

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static char dir[] = "/dev/shm/vekcmfuzz.XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    gRoot = dir;
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(gRoot, ec);
    });
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    PlayerInfo.SpielerID = 7;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > (1u << 20)) return 0;
    const int back = open(".", O_RDONLY | O_DIRECTORY);
    if (back < 0 || chdir(gRoot.c_str()) != 0) std::abort();
    std::error_code ec;
    fs::remove_all("Data", ec);
    fs::remove_all("Map", ec);
    for (const char *d : {"Data/POP3In", "Data/POP3Out", "Data/MailIn", "Map"}) fs::create_directories(d);
    Write(MAPPREFS_FILE, MapPrefs());

    const ULONG num = kCases[data[0] % (sizeof kCases / sizeof kCases[0])];
    const ULONG modus = data[1] & 3;
    // The pool: an INFO record naming every chunk, then the one chunk.
    Bytes pool = {'I', 'N', 'F', 'O', 'V', '0', '0', '1'};
    Put32(pool, 40);
    Put32(pool, 7);
    Put32(pool, 0xFFFFFFFFu);
    pool.resize(52, 0);
    pool.insert(pool.end(), ChunkNamen[num], ChunkNamen[num] + 4);
    pool.insert(pool.end(), {'V', '0', '0', '1'});
    Put32(pool, (uint32_t)(size - 2));
    pool.insert(pool.end(), data + 2, data + size);
    Write(num == CN_INIT ? POOL_OUT : POOL_IN, pool);
    ChunkMachine(num == CN_INIT ? POOL_OUT : POOL_IN, ChunkBit(num), modus);
    if (fchdir(back) != 0) std::abort();
    close(back);
    return 0;
}
