// Sound index records from hostile bytes: a record is refused or gives a
// sample path of at most 80 bytes inside the game directory, an even length
// and a rate above 0; the rate conversion stays within its samples.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/sound_local.h"
#include "contained.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)quiet;
    if (size < 2) return 0;
    const UWORD id = (UWORD)(data[0] | data[1] << 8);
    // An exact-size copy, so reading one byte too far is caught.
    std::vector<UBYTE> index(data + 2, data + size);
    SfxRecord rec;
    std::memset(&rec, 0xAA, sizeof rec);
    if (!ReadSfxRecord(index.data(), (ULONG)index.size(), id, &rec)) return 0;
    const size_t len = strnlen(rec.path, sizeof rec.path);
    if (len == sizeof rec.path || !Contained(rec.path, SFX_PATH_MAX) || rec.length % 2 || rec.rate == 0) std::abort();
    // The conversion of a short sample at the record's rate.
    std::vector<WORD> samples(std::min<size_t>(rec.length / 2, 4096), 1);
    const std::vector<WORD> out = ConvertSampleRate(samples.data(), (ULONG)samples.size(), rec.rate);
    if (out.size() * 2 > SFX_MAX_BYTES) std::abort();
    return 0;
}
