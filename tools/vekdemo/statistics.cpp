// The statistics of the demo realm's last nine quarters, ending with the
// received turn's quarter (year 1, quarter 1): ./Data/Statistikdaten.vek,
// little-endian, ten values per record, oldest first.
#include "kit.h"

namespace vekdemo {

void WriteStatistics(Output &out)
{
    constexpr uint32_t QUARTERS = 9, LAST = 1 * 4 + 1;
    Bytes b;
    PutLE32(b, QUARTERS);
    PutLE16(b, LAST);
    PutLE32(b, 10);
    for (uint32_t q = 0; q < QUARTERS; ++q) {
        // Korn, Gold, Volk, Einwanderer, Auswanderer, Geborene, Gestorbene,
        // AnzPflanzHq, AnzTierHq, AnzMineralHq: a realm that grows with a dip.
        const uint32_t dip = q == 5 ? 1500 : 0;
        const uint32_t values[10] = {12000 + 1000 * q - dip, 3000 + 250 * q, 8000 + 250 * q - dip / 3, 40 + 5 * q,
                                     20 + (q % 3) * 4,       90 + 3 * q,    60 + (q == 5 ? 40 : 2 * q),
                                     4 + q / 2,              3 + q / 3,     2 + q / 4};
        for (uint32_t v : values) PutLE32(b, v);
    }
    out.Write("Data/Statistikdaten.vek", b);
}

}  // namespace vekdemo
