// Rain by the weather over a screen that waits on the 100 ms tick: now and
// then the dice decide, by the season's weather, whether a rain with its
// sound starts; the screen switches what the rain spares while its boxes
// are open. The town, granary and research screens share it.
#pragma once
#include "platform/types.h"

struct Rain;
struct Rechteck;

constexpr UWORD REGEN_SFX = 93;

struct WetterRegen {
    UBYTE Chance;             // per cent of the last check, h
    ULONG Ticks;              // ticks since the last check
    ULONG Intervall;          // ticks from the last check to the next
    Rain *Regen;              // the running rain, or null
    Rechteck *Verschont;      // what the rain spares now (ends with X0 0xFFFF)
    ULONG (*Wuerfel)(ULONG);  // 0..n inclusive; the game's dice unless a test sets others
};

// The chance h of a check for weather w: 0-1 1, 2 2, 3 5, 4 10, 5 15, 6 20;
// 7 and more keep the last h.
UBYTE RegenChance(UBYTE Wetter, UBYTE Letzte);
// Ready for a screen: the first check after 100 ticks, sparing Verschont.
void RegenStart(WetterRegen *r, Rechteck *Verschont);
// One tick: a finished rain is ended with its sound; without rain, a due
// check starts one for Wuerfel(h x 100) + 100 steps when h >= Wuerfel(100) + 1
// and plays the rain sound looping. The steps of a rain started, else 0.
UWORD RegenTick(WetterRegen *r, UBYTE Wetter);
// What the rain spares from now on, also for a rain that already falls.
void RegenVerschonen(WetterRegen *r, Rechteck *Verschont);
// Ends a running rain and its sound (leaving the screen).
void RegenEnde(WetterRegen *r);
