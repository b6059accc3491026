// Screen description files from hostile bytes: a file is refused or loaded,
// and every loaded record and link lies inside what the loader allocated.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "ui/screendat.h"

namespace {

// Each link must point at a record of the loaded table.
void CheckLinks(const ExtDataTable *t)
{
    const ULONG count = GetExternalDataCount(t, TAG_GADGETDATA);
    const auto *g = (const GadgetData *)GetExternalDataPtr(t, TAG_GADGETDATA);
    for (ULONG i = 0; i < count; ++i) {
        if (!g[i].Link) continue;
        bool found = false;
        for (ULONG e = 0; e < t->Entries && !found; ++e) {
            const ExtDataEntry &en = t->Entry[e];
            if (!en.Records || !ScreenDataFileSize(en.Tag)) continue;
            const auto *p = (const UBYTE *)g[i].Link, *base = (const UBYTE *)en.Records;
            found = p >= base && p < base + 64ull * en.Count;
        }
        if (!found) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)quiet;
    ExtDataTable *t = ExternalDataParse(data, (ULONG)size, "fuzz");
    if (!t) return 0;
    CheckLinks(t);
    // Touch every text of the records that carry one.
    const ULONG n = GetExternalDataCount(t, TAG_TITLEBAR);
    const auto *tb = (const TitleBar *)GetExternalDataPtr(t, TAG_TITLEBAR);
    size_t sum = 0;
    for (ULONG i = 0; i < n; ++i)
        if (tb[i].Title) sum += tb[i].Title[0];
    if (sum == SIZE_MAX) std::abort();
    ExternalDataUnload(t);
    return 0;
}
