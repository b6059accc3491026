// Graphics data made in code for tests: a graphics index with chosen records
// (and chosen faults), pictures and colour maps, and a recorder for the
// palette pushes and waits of the fades.
#pragma once
#include <SDL/SDL.h>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/types.h"

namespace vektest {

// One record of the index. Path offsets of -1 are placed automatically
// after the records; other values are written as given.
struct GfxRecord {
    ULONG n = 0;
    ULONG w = 0, h = 0, depth = 8, flags = 0;
    std::string pic{};      // path text, e.g. "Vek:Pics/Titel.iff"
    ULONG picSize = 0;      // 0: w x h x depth / 8
    std::string cmap{};     // colour-map path text ("" none)
    ULONG cmapSize = 3072;  // four times the colour-map bytes
    long long picOffset = -1, cmapOffset = -1;
    long long number = -1;  // the record's number field; -1: n
};

// The index: count records announced, the given ones filled in. With
// unterminated the last path text has no closing zero byte.
Bytes BuildGfxIndex(ULONG count, const std::vector<GfxRecord> &records, bool unterminated = false);
// Writes it as path (directories made as needed).
void WriteGfxIndex(const std::string &path, ULONG count, const std::vector<GfxRecord> &records);

// w x h palette indices: ((x * 7 + y * 13 + seed) mod 256).
Bytes PatternPicture(ULONG w, ULONG h, int seed = 0);
// w x h x 3 bytes of red, green, blue following a pattern; every 5th pixel black.
Bytes PatternRgb(ULONG w, ULONG h, int seed = 0);
// 768 bytes: entry i = (i, 255 - i, i * 7 mod 256) for i > 0, entry 0 black.
Bytes PatternColourMap(int seed = 0);
// The colour map as SDL colours.
std::vector<SDL_Color> ColourMapColours(const Bytes &cmap);
// Writes a file, making its directories.
void WriteFile(const std::string &path, const Bytes &data);

// A full-screen picture n of w x h (640 x 480 by default) with its colour
// map, in ./Data/Path (count records) and under ./Pics.
struct TestPicture {
    ULONG n;
    Bytes pixels;  // palette indices
    Bytes cmap;    // 768 bytes
};
TestPicture WriteTestPicture(ULONG n, ULONG count = 20, int seed = 0, ULONG w = 640, ULONG h = 480);

// Records palette pushes and fade waits while alive; puts the real ones back
// afterwards.
class FadeRecorder {
public:
    FadeRecorder();
    ~FadeRecorder();
    FadeRecorder(const FadeRecorder &) = delete;
    FadeRecorder &operator=(const FadeRecorder &) = delete;

    struct Event {
        char kind;                      // 'p' push, 'd' delay, 'u' display update
        ULONG ticks;                    // delay
        std::vector<SDL_Color> colours; // push
        LONG x, y, w, h;                // update
    };
    std::vector<Event> events;
    std::vector<Event> Of(char kind) const;
};

}  // namespace vektest
