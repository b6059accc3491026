#include "store/fieldorder.h"

#include <utility>

namespace fieldorder {

void SwapFields(UBYTE *data, size_t base, const Record &r, size_t end)
{
    for (UWORD i = 0; i < r.count; ++i) {
        const Field &f = r.fields[i];
        size_t at = base + f.offset;
        if (f.sub) {
            SwapFields(data, at, *f.sub, end);
            continue;
        }
        for (size_t k = 0; f.width && k < f.size; k += f.width) {
            if (at + k + f.width > end) return;
            UBYTE *q = data + at + k;
            if (f.width == 2) {
                std::swap(q[0], q[1]);
            } else {
                std::swap(q[0], q[3]);
                std::swap(q[1], q[2]);
            }
        }
    }
}

}  // namespace fieldorder
