// The barracks screen and its three requesters: what they share.
#pragma once
#include <string>
#include "platform/types.h"
#include "world/kaserne.h"

struct TextFont;
struct st_MovieBase;
struct st_Movie;

constexpr int KASERNE_MOVIES = 3;

struct KaserneScreenDaten {
    LokalDataKaserne Daten;
    TextFont *FontA = nullptr;   // title font
    TextFont *FontB = nullptr;   // 11 points
    TextFont *FontC = nullptr;   // 9 points
    st_MovieBase *MovieBase = nullptr;
    st_Movie *Movies[KASERNE_MOVIES] = {};
};

// The boxes the barracks asks through (the advisor, its question, the input
// box, the text box); tests put recorders here.
struct KaserneDialoge {
    void (*Message)(const char *text);
    LONG (*Ask)(const char *text);                                   // 0 Ok
    char *(*Eingabe)(char *buffer, const char *prompt, const char *info, ULONG flags);  // null: cancelled
    LONG (*Text)(const char *text);
};
extern KaserneDialoge KaserneDialogHooks;

void KaserneMoviesPause(KaserneScreenDaten *st, BOOL pause);
// Ok of a requester: the kept map flushed around the journalled write. 1 or 0.
BOOL KaserneOk(KaserneScreenDaten *st);

// The requesters: ArmyManagment 0 normal, 1 failure (the screen leaves to
// the town); ArmyTraining 0 normal, 1 failure; ArmyWeapons 1 normal, 0 failure.
LONG ArmyManagment(KaserneScreenDaten *st);
LONG ArmyTraining(KaserneScreenDaten *st);
LONG ArmyWeapons(KaserneScreenDaten *st);

// The weapons requester's information box: title and value of attribute
// counter of a weapon (0 damage, 1 amount, 2 distance, 3 kind) or a part
// (0 experience, 1 men, 2-6 slots, 7 type, 8 exhaustion); at most 19 characters each.
struct KaserneInfo {
    std::string Titel, Wert;
};
// Test seam: told what the weapons requester's box shows.
extern void (*KaserneInfoHook)(const KaserneInfo &shown);
KaserneInfo KaserneWaffenInfo(const Waffen &w, ULONG zaehler);
KaserneInfo KaserneTeilInfo(const ArmeeEntry &t, ULONG zaehler);
