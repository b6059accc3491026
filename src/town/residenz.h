// The residence: the hub of a turn. After a turn it decides what follows
// (anarchy, coronation or a story of the bard), it paces the tutorial and the
// tips, and it comments on the realm with random sounds.
#pragma once
#include <cstdint>
#include <ctime>
#include "platform/types.h"

struct BitMap;

// One visit of the residence screen.
struct LokaleDatenResidenzScreen {
    BOOL GotSpielzug;          // a turn was fetched during this visit
    BOOL BuildingFinish;       // the received pool holds GEBA
    UWORD InitStatus;          // preference 0 at entry
    UWORD LastSfx;             // comment sound still loaded, 0 none
    UBYTE Wetter;              // received KORN
    UBYTE AktiveForschung;     // received FORS, 0 no research running
    UWORD Quartal;             // received KORN
    ULONG Saatlager, Bevlager, AusfallSaatlager, AusfallBevlager;  // outgoing KORN
    ULONG Grundsteuer;         // outgoing TAXE
    BitMap *Background;        // under the scroll picture
    BitMap *RatBackground;     // under the advisor picture
    APTR MovieBase, Movie1, Movie2;
};

// ---- after a turn ----

// Decides the story of the turn and applies the event's immediate effect:
// 505 a story is due, -1 nothing happened, 0 a chunk or town file failed.
LONG CheckRoredIdezEvents();
// The story's consequence (luxury ware, robbery gold, the town named): 1, or 0.
LONG RoredIdezEvents();
// The screen that must follow a fetched turn: 499, 876 or what
// CheckRoredIdezEvents gives.
LONG ResidenzEvents();

// The two rolls of the client's own (rare game story, luxury goods):
// Wuerfel by default.
extern ULONG (*RoredIdezWuerfelHook)(ULONG n);

// The boxes the residence and the story consequences show; the real dialogs
// by default, replaced by tests.
struct ResidenzDialogs {
    LONG (*Ask)(const char *text);      // 0 Ok, 1 Cancel
    void (*Message)(const char *text);  // the advisor with one Ok
    LONG (*Text)(const char *text);     // the scrolling text box
    LONG (*Choose)(const char *heading, const char *lines, UWORD n);  // index or -1
};
extern ResidenzDialogs ResidenzDialogHooks;

// ---- the old turn ----

// The calendar time in pseudo-seconds (months of 31 days, years of 372 days),
// the scale of preference 31.
uint64_t PseudoSeconds(std::time_t t);
// Now; the system clock by default.
extern std::time_t (*ResidenzClockHook)();
// Once a run: offers to fetch a turn older than a day. 1 when one was fetched.
BOOL TurnIsOld(LokaleDatenResidenzScreen *ld);

// ---- tutorial, tips, sounds ----

// One step of the tutorial when its condition holds (at most one text).
void ShowTutorial(LokaleDatenResidenzScreen *ld);
// One tip per visit once the tutorial is done.
void ShowTipps(LokaleDatenResidenzScreen *ld);
// The comment sound for a roll of Wuerfel(6), 0 when its condition fails.
UWORD ResidenzSfxFor(const LokaleDatenResidenzScreen *ld, ULONG roll);
// Pauses (1) or resumes (0) both animations around a modal box.
void PauseResidenzAnims(LokaleDatenResidenzScreen *ld, BOOL pause);
// Fills the turn fields of ld from the pools; 0 when a chunk marked
// present could not be read (that chunk then counts as absent).
BOOL ReadResidenzChunks(LokaleDatenResidenzScreen *ld);

// ---- the screen's parts ----
void ShowRat(LokaleDatenResidenzScreen *ld);            // the advisor, unless the server hides him
void ShowSchriftrollen(LokaleDatenResidenzScreen *ld);  // one scroll per turn sent, at most three
void CheckResidenzSfx(LokaleDatenResidenzScreen *ld);   // a comment sound once the last one ended
BOOL InitResidenzAnims(LokaleDatenResidenzScreen *ld);  // 0 without a movie engine
void FreeResidenzAnims(LokaleDatenResidenzScreen *ld);
BOOL ReadResidenzScreenData(LokaleDatenResidenzScreen *ld);
