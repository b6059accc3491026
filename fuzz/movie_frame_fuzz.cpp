// Movie frames from hostile bytes: the input is split at "FRM!" marks into
// frame payloads parsed one after another into one movie (the first may set
// up the decoder state that the later deltas write into); every read must stay
// in its chunk and every write in the frame buffers. A first byte of 'K'
// scrambles nothing but makes the parser unscramble under the start key.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "media/movie_local.h"
#include "platform/datakit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)quiet;
    st_Movie m{};
    BitMapHeaDer bmhd{};
    AnimHeaDer anhd{};
    SXHeaDer sxhd{};
    static ULONG rgb[MOVIE_RGB_TABLE_SIZE / 4];
    m.BMHD = &bmhd;
    m.ANHD = &anhd;
    m.SXHD = &sxhd;
    m.LoadRGBStruct = rgb;
    m.Audio = 1;
    if (size > 0 && data[0] == 'K') {
        m.Key = (WORD)datakit::ANIM_START_KEY;
        ++data, --size;
    }
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        const bool mark = i + 4 <= size && std::memcmp(data + i, "FRM!", 4) == 0;
        if (!mark && i != size) continue;
        // A copy of exactly the frame's bytes, so that any over-read is caught.
        std::vector<UBYTE> frame(data + start, data + i);
        FORMParser(&m, frame.data(), (ULONG)frame.size(), (i & 1) != 0);
        start = i + 4;
        i += 3;
    }
    FreeANIM5Handle(m.A5Handle);
    return 0;
}
