// Graphics index files from hostile bytes: every record, path text and file
// name made from them must be refused or used within the index, and loading
// by number must end in a resident graphic or a clean failure.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/gfxnumber.h"
#include "platform/system.h"
#include "contained.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)quiet;
    VekDisplay.VekScreen_Tiefe = 8;
    UserSystem.Display = &VekDisplay;
    // An exact-size copy, so reading one byte too far is caught.
    std::vector<char> index(data, data + size);
    UserSystem.GfxPathPtr = index.empty() ? nullptr : index.data();
    UserSystem.GfxPathLength = (ULONG)size;
    UserSystem.CachePath = 1;

    GfxIndex idx;
    if (OpenGfxIndex("./Data/Path", &idx)) {
        const ULONG count = GfxIndexCount(&idx);
        for (ULONG n = 1; n <= 8 && n <= count; n++) {
            GfxEntry e;
            if (!GfxIndexEntry(&idx, n, &e)) continue;
            std::string text, name;
            for (ULONG offset : {e.PicPathOffset, e.CmapPathOffset})
                if (GfxIndexText(&idx, offset, GFX_PATH_MAX, &text))
                    for (int type : {1, 2})
                        if (MakeGfxFileName(text.c_str(), type, type == 2, &name) && !Contained(name, GFX_NAME_MAX))
                            __builtin_trap();
            if (OpenKavorGfx("./Data/Path", n) == 1) CloseKavorGfx(n);
        }
        CloseGfxIndex(&idx);
    }
    FreeCache(1);
    UserSystem.GfxPathPtr = nullptr;
    UserSystem.GfxPathLength = 0;
    UserSystem.CachePath = 0;
    return 0;
}
