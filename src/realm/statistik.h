// The realm's quarterly figures as line graphs: the categories a player can
// choose, the five averaging periods, and the curves as polylines. Screen 41
// (StatistikScreen.cpp) draws them.
#pragma once
#include <vector>

#include "platform/types.h"

struct StatistikDaten;

constexpr ULONG STATISTIK_KATEGORIEN = 10;
constexpr ULONG STATISTIK_PERIODEN = 5;
// Quarters per group and the quarters a period needs, by period.
constexpr ULONG STATISTIK_GRUPPE[STATISTIK_PERIODEN] = {1, 2, 4, 20, 40};
constexpr ULONG STATISTIK_MINDESTENS[STATISTIK_PERIODEN] = {2, 4, 8, 40, 80};
constexpr ULONG STATISTIK_PUNKTE = 23;  // at most 22 segments per curve
constexpr UWORD STATISTIK_STIFT = 226;  // pen of the first chosen category

// A category as the chosen list holds it, in list order.
struct StatistikWahl {
    ULONG Typ;  // 0-9: the value inside a record
    BOOL On;    // drawn
};

struct StatistikPunkt {
    LONG x, y;
};
struct StatistikKurve {
    UWORD Pen;
    std::vector<StatistikPunkt> Punkte;  // newest first, right to left
};
struct StatistikGrafik {
    BOOL Darstellbar;  // enough quarters for the period
    std::vector<StatistikKurve> Kurven;
};

// The curves of the chosen categories that are on over the graph area
// (x0, y0) - (x1, y1): each curve's groups of the period, newest at
// (x1 - 43, its height above y1 - 14), older ones 20 pixels apart to the
// left, the largest mean 95 pixels up; every point inside the area.
StatistikGrafik DrawStatistikGfx(const StatistikDaten *daten, ULONG quartale, const StatistikWahl *wahl,
                                 ULONG anzahl, ULONG periode, LONG x0, LONG y0, LONG x1, LONG y1);
