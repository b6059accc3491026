// The statistics graph as polylines: groups, means and the scale.
#include "realm/statistik.h"

#include <algorithm>

#include "turn/turn.h"

StatistikGrafik DrawStatistikGfx(const StatistikDaten *daten, ULONG quartale, const StatistikWahl *wahl,
                                 ULONG anzahl, ULONG periode, LONG x0, LONG y0, LONG x1, LONG y1)
{
    StatistikGrafik g{};
    if (periode >= STATISTIK_PERIODEN || !daten || quartale < STATISTIK_MINDESTENS[periode]) return g;
    g.Darstellbar = TRUE;
    const ULONG n = STATISTIK_GRUPPE[periode];
    const ULONG gruppen = (quartale + n - 1) / n;
    const LONG baseX = x1 - 43, baseY = y1 - 14;
    for (ULONG k = 0; k < anzahl; ++k) {
        if (!wahl[k].On) continue;
        // Means of the groups, oldest first; a last short group is the mean of what it has.
        std::vector<double> mittel(gruppen);
        for (ULONG q = 0; q < gruppen; ++q) {
            const ULONG from = q * n, to = std::min(quartale, from + n);
            double sum = 0;
            for (ULONG i = from; i < to; ++i) sum += StatistikWert(daten[i], wahl[k].Typ);
            mittel[q] = sum / (double)(to - from);
        }
        double M = 0;
        for (double v : mittel) M = std::max(M, v);
        StatistikKurve c;
        c.Pen = (UWORD)((STATISTIK_STIFT + k) % 256);
        // Each curve its own 23 points, the newest group first.
        const ULONG punkte = std::min(gruppen, STATISTIK_PUNKTE);
        for (ULONG p = 0; p < punkte; ++p) {
            const double v = mittel[gruppen - 1 - p];
            // All zero: no scale to divide by, the curve lies on the base line.
            const LONG hoehe = M > 0 ? (LONG)(100.0 * (100.0 / M) * v / 105.0) : 0;
            const LONG x = std::clamp<LONG>(baseX - 20 * (LONG)p, x0, x1);
            const LONG y = std::clamp<LONG>(baseY - hoehe, y0, y1);
            c.Punkte.push_back({x, y});
        }
        g.Kurven.push_back(std::move(c));
    }
    return g;
}
