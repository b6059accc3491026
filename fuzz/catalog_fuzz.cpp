// Catalog files from hostile bytes: a catalog is refused or opened, every
// text it sets ends inside its body, and closing it gives the old texts back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The catalog directory is made in the working directory (the build folder).
    static char name[64], path[96];
    static bool ready = [] {
        if (std::system("mkdir -p catalogs/deutsch") != 0) std::abort();
        std::snprintf(name, sizeof name, "fuzz_%d.catalog", (int)getpid());
        std::snprintf(path, sizeof path, "catalogs/deutsch/%s", name);
        setenv("LANG", "de_DE.UTF-8", 1);
        for (int i = 0; i < VEK_STRING_COUNT; ++i) VekStrings[i].Str = "built-in";
        return std::freopen("/dev/null", "w", stdout) != nullptr;
    }();
    (void)ready;
    std::FILE *f = std::fopen(path, "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    Catalog *c = OpenCatalog(name, &VekStrings[0], &VekStrings[1]);
    size_t sum = 0;
    for (int i = 0; i < VEK_STRING_COUNT; ++i) sum += std::strlen(GetStringFromID(i));
    if (sum == SIZE_MAX) std::abort();
    CloseCatalog(c);
    for (int i = 0; i < VEK_STRING_COUNT; ++i)
        if (std::strcmp(VekStrings[i].Str, "built-in") != 0) std::abort();
    return 0;
}
