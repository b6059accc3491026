// The turn's reports from hostile bytes. The first byte picks what the rest
// is: the payload of a battle chunk (army.csv and every letter, the index
// stepping past both ends), of a ware chunk (the trade report), of a
// building chunk (the buildings report), or a statistics file (read back and
// drawn in every period). Chunks arrive as the loader hands them over: a
// head whose Length is what follows it; the counts inside are not trusted.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/memfile.h"
#include "realm/berichte.h"
#include "realm/schlacht.h"
#include "realm/statistik.h"
#include "store/chunks.h"
#include "turn/turn.h"

namespace {

char path[96];
std::string gDir;

// A host-order chunk: the head, then the bytes (an 8-byte aligned copy).
std::vector<uint64_t> Chunk(ULONG id, const uint8_t *data, size_t size)
{
    std::vector<uint64_t> b((sizeof(st_ChunkHead) + size + 1 + 7) / 8 + 1, 0);
    auto *h = reinterpret_cast<st_ChunkHead *>(b.data());
    h->ChunkID = id;
    h->Version = VERSION_V001;
    h->Length = (ULONG)size;
    std::memcpy(reinterpret_cast<uint8_t *>(b.data()) + sizeof(st_ChunkHead), data, size);
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static char dir[] = "/dev/shm/vekfuzz.XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    gDir = dir;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(gDir, ec);
    });
    std::snprintf(path, sizeof path, "stat_%d.vek", (int)getpid());
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 1 << 20) return 0;
    const uint8_t kind = data[0] % 4;
    ++data, --size;
    size_t sum = 0;
    if (kind == 0) {
        const auto b = Chunk(ID_KRIG, data, size);
        const auto *krig = reinterpret_cast<const st_KRIG *>(b.data());
        if (size < 4) return 0;
        const SchlachtNamen names{7, "Demoland", nullptr};
        sum += ComposeSchlachtCSV(krig, names).size();
        for (ULONG category = 0; category < 3; ++category)
            for (WORD index : {(WORD)-1, (WORD)0, (WORD)1, (WORD)32767}) {
                const st_KRIG_EXT *rec = nullptr;
                BOOL detail = FALSE;
                sum += ComposeSchlachtBrief(krig, category, &index, names, &rec, &detail).size();
                if (rec) {
                    SchlachtZaehler z{};
                    z.Sea = SchlachtBildFuer(rec->Result, TRUE).Sea;
                    for (int t = 0; t < 60; ++t) sum += SchlachtTick(&z, *rec);
                    sum += SchlachtAlles(&z, *rec);
                }
            }
    } else if (kind == 1) {
        if (size < 2) return 0;
        const auto b = Chunk(ID_WARE, data, size);
        std::string text;
        if (ComposeTradeReport(reinterpret_cast<const st_WARE *>(b.data()), nullptr, 7, "Demoland", &text))
            sum += text.size();
    } else if (kind == 2) {
        if (size < 6) return 0;
        const auto b = Chunk(ID_GEBA, data, size);
        sum += ComposeBuildingReport(reinterpret_cast<const st_GEBA *>(b.data())).size();
    } else {
        std::FILE *f = std::fopen(path, "wb");
        if (!f) std::abort();
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        StatistikDaten *d = nullptr;
        ULONG n = 0;
        UWORD last = 0;
        if (ReadStatistikDaten(path, &d, &n, &last)) {
            const StatistikWahl wahl[3] = {{0, TRUE}, {9, TRUE}, {4, FALSE}};
            for (ULONG p = 0; p < STATISTIK_PERIODEN; ++p) {
                const StatistikGrafik g = DrawStatistikGfx(d, n, wahl, 3, p, 40, 220, 600, 420);
                for (const StatistikKurve &c : g.Kurven)
                    for (const StatistikPunkt &pt : c.Punkte)
                        if (pt.x < 40 || pt.x > 600 || pt.y < 220 || pt.y > 420) std::abort();
            }
            FreeVec(d);
        } else if (d || n) {
            std::abort();  // a refused file leaves nothing behind
        }
    }
    if (sum == 1) std::printf("%zu\n", sum);
    return 0;
}
