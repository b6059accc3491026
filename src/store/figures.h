// Figures on the map: the routines that find a free figure number and add,
// remove and rewrite figures in the figure file ./Data/MapPrefs.vek (an MREF
// chunk followed by the MOVE chunk).
#pragma once
#include "platform/types.h"
#include "store/chunks.h"
#include "store/figurart.h"
#include "store/lists.h"

inline constexpr const char MAPPREFS_FILE[] = "./Data/MapPrefs.vek";
constexpr UBYTE KOMMANDO_AN_BORD = 7;   // carried on a ship: not on the map itself
constexpr UWORD FIGUR_FEHLER = 0xFFFF;  // AddFigur2MapPrefs failed
constexpr LONG FIGUREN_ALLE = -1;       // RemoveFigurFromMapPrefs: every matching figure
constexpr LONG FIGUR_NICHT_AN_BORD = -2;  // RemoveFigurFromMapPrefs: the first one not aboard
constexpr ULONG LISTE_FIGUREN = 19;     // list type of figure lists

// The smallest number from 1 that no figure of the player carries; 1 for a
// null or empty chunk; 0 when every number is taken.
UWORD GetFigurID(const st_MOVE *Move);
// Adds a figure of the player at (XPos, YPos); its number, or FIGUR_FEHLER.
UWORD AddFigur2MapPrefs(const char *PrefsFile, UWORD FigurArt, ULONG XPos, ULONG YPos);
// Removes figures of the player at (XPos, YPos): AnzahlID -1 all of the kind
// (30: kinds 1-9, 31: kinds 14-19), -2 the first not aboard, n the one
// numbered n. 1 when the file was rewritten, 0 on failure (file unchanged).
int RemoveFigurFromMapPrefs(const char *PrefsFile, UWORD FigurArt, ULONG XPos, ULONG YPos, LONG AnzahlID);
// Rewrites the figure file's MOVE chunk from a figure list; 1 or 0.
int WriteList2MapPrefs(ListHeader *FigurList);
