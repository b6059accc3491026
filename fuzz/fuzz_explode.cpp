// Unpacks arbitrary bytes as a received mail text, and packs them and
// unpacks the result, which must give the same bytes back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/memfile.h"
#include "store/packer.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The packer's diagnostics would drown the fuzzer's own output.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A block of exactly the input's length: nothing after it may be read.
    std::vector<UBYTE> text(data, data + size);
    VekMailInfo m{};
    m.VekMailData = text.empty() ? nullptr : text.data();
    m.VekMailLength = (ULONG)text.size();
    if (Explode(&m) == EXPLODE_OK && m.VekMailData != text.data() && m.VekMailData) {
        // Whatever was accepted must pack and unpack to itself.
        std::vector<UBYTE> restored(m.VekMailData, m.VekMailData + m.VekMailLength);
        FreeVec(m.VekMailData);
        VekMailInfo again{};
        again.VekMailData = restored.data();
        again.VekMailLength = (ULONG)restored.size();
        if (Implode(&again) != IMPLODE_OK) std::abort();
        UBYTE *packed = again.VekMailData;
        if (Explode(&again) != EXPLODE_OK || again.VekMailLength != restored.size() ||
            std::memcmp(again.VekMailData, restored.data(), restored.size()) != 0)
            std::abort();
        FreeVec(packed);
        FreeVec(again.VekMailData);
    }

    if (size) {
        VekMailInfo raw{};
        raw.VekMailData = text.data();
        raw.VekMailLength = (ULONG)size;
        if (Implode(&raw) != IMPLODE_OK) std::abort();
        UBYTE *packed = raw.VekMailData;
        std::vector<UBYTE> exact(packed, packed + raw.VekMailLength);
        FreeVec(packed);
        raw.VekMailData = exact.data();
        if (Explode(&raw) != EXPLODE_OK || raw.VekMailLength != size || std::memcmp(raw.VekMailData, data, size) != 0)
            std::abort();
        FreeVec(raw.VekMailData);
    }
    return 0;
}
