// The benchmarks' text font: ' ' to '~', 8 x 12 glyphs with advance 8,
// written to a temporary ".fnt" file and opened by the client's font loader.
#pragma once
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "gfx/font.h"

inline TextFont *BenchFont()
{
    const int n = 95, w = 8, h = 12;
    std::vector<UBYTE> b = {'F', 'O', 'N', 'T', ' ', '~', (UBYTE)((n * w) >> 8), (UBYTE)(n * w), 0, h, 0, 9};
    for (const char *t : {"MONO", "PROP", "CHAR"}) b.insert(b.end(), t, t + 4);
    for (int i = 0; i < n; i++) b.insert(b.end(), {(UBYTE)((i * w) >> 8), (UBYTE)(i * w), 0, (UBYTE)w});
    for (int i = 0; i < n; i++) b.insert(b.end(), {0, (UBYTE)w});
    for (int i = 0; i < n; i++) b.insert(b.end(), {0, 0});
    b.insert(b.end(), {'D', 'A', 'T', 'A'});
    for (int y = 0; y < h; y++)
        for (int x = 0; x < n * w; x++) b.push_back((UBYTE)((x * 3 + y) % 4 == 0));
    char name[] = "/tmp/vekbench.XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || write(fd, b.data(), b.size()) != (ssize_t)b.size()) std::exit(1);
    close(fd);
    TextFont *font = OpenDiskFont(name);
    unlink(name);
    return font;
}
