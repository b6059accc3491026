// Catalog files from hostile bytes: a catalog is refused or opened, every
// text it sets ends inside its body, and closing it gives the old texts back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/catalog.h"

namespace {

char name[64], path[96];
std::string gDir;  // a private directory in memory, removed at exit

}  // namespace

// The catalog is read from catalogs/deutsch/ below the working directory: a
// directory in memory, since a file written to disk for every input would
// hold the target to a few hundred inputs a second.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static char dir[] = "/dev/shm/vekfuzz.XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    gDir = dir;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(gDir, ec);
    });
    std::filesystem::create_directories("catalogs/deutsch");
    std::snprintf(name, sizeof name, "fuzz_%d.catalog", (int)getpid());
    std::snprintf(path, sizeof path, "catalogs/deutsch/%s", name);
    setenv("LANG", "de_DE.UTF-8", 1);
    for (int i = 0; i < VEK_STRING_COUNT; ++i) VekStrings[i].Str = "built-in";
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
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
