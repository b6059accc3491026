// Font files from hostile bytes: loading must refuse or accept cleanly, and
// every character of an accepted font must draw inside a small BitMap.
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <sys/mman.h>
#include <unistd.h>

#include "gfx/font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int fd = memfd_create("font", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != (ssize_t)size) return 0;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    static bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)quiet;

    TextFont *font = OpenDiskFont(path);
    if (!font) return 0;
    // A BitMap with its own buffer: no display needed.
    static UBYTE pixels[24 * 16];
    BitMap bmp{};
    bmp.Breite = 24;
    bmp.Hoehe = 16;
    bmp.Tiefe = 8;
    bmp.BytesPerRow = 24;
    bmp.GfxSize = sizeof pixels;
    bmp.GfxData = pixels;
    RastPort rp;
    InitRastPort(&rp);
    rp.BitMap = &bmp;
    SetFont(&rp, font);
    char all[256];
    for (int i = 0; i < 256; i++) all[i] = (char)(i == 0 ? 1 : i);
    for (LONG x : {-20, 0, 13}) {
        Move(&rp, x, font->tf_Baseline + (x & 7));
        Text(&rp, all, 256);
        TextLength(&rp, all, 256);
    }
    CloseFont(font);
    return 0;
}
