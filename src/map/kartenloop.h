// The pieces of the map screen's visit loop that stand on their own: edge
// scrolling, the digit keys' steps, the hidden area's music and the rings a
// ship searches for land.
#pragma once
#include "map/kartenscreen.h"
#include "platform/types.h"
#include "ui/screendat.h"

// One tick of edge scrolling with the mouse at (x, y): the bands come from
// rectangles 2 (top), 3 (bottom) and 4 (left and right) of the screen
// description. The view starts moving on the third tick in a band and then
// moves every tick; Schritt is called once per move. *Zaehler counts the ticks.
template <class F>
void KartenRand(const Rechteck *r, LONG x, LONG y, int *Zaehler, F &&Schritt);

// The step of digit key taste ('8', '2', '7', '9', '1', '3') for a figure in
// world column spalte: 1 and (dx, dy), or 0 for any other key.
int ZiffernSchritt(ULONG taste, ULONG spalte, LONG *dx, LONG *dy);

// The view origin lies in the hidden area that has its own music.
bool ImVerstecktenGebiet(LONG x, LONG y);
// Switches the music to the hidden area's and back as the origin enters and
// leaves it; *An remembers which. Only with all of sound bits 0x29.
void VersteckteMusik(LokaleDatenKartenScreen *st, LONG x, LONG y, bool *An);

// The visit loop itself; the next screen number.
LONG KartenScreenLoop(LokaleDatenKartenScreen *st, LONG from);

inline bool ImBand(LONG v, LONG von, LONG bis) { return v > von && v < bis; }

template <class F>
void KartenRand(const Rechteck *r, LONG x, LONG y, int *Zaehler, F &&Schritt)
{
    bool drin = false;
    auto Band = [&](bool in, LONG dx, LONG dy) {
        if (!in) return;
        if (*Zaehler > 1) Schritt(dx, dy);
        drin = true;
    };
    // Top and bottom: x-from, x-to, y-from, y-to in file order.
    Band(ImBand(x, r[2].X0, r[2].Y0) && ImBand(y, r[2].X1, r[2].Y1), 0, -1);
    Band(ImBand(x, r[3].X0, r[3].Y0) && ImBand(y, r[3].X1, r[3].Y1), 0, 1);
    Band(ImBand(x, r[4].X0, r[4].Y0), -1, 0);
    if (ImBand(x, r[4].X1, r[4].Y1)) {
        if (*Zaehler >= 2) Schritt(1, 0);
        ++*Zaehler;
    } else {
        *Zaehler = drin ? *Zaehler + 1 : 0;
    }
}
