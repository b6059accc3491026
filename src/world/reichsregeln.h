// The realm's rules without pixels: what research costs and how far it has
// come, which advisers' text a field shows, when a change of god is allowed,
// and how specialists are hired, disbanded and put on the map as figures.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "store/chunks.h"
#include "store/lists.h"

// ---- research ----

constexpr int FORSCHUNG_FELDER = 7;
constexpr UBYTE FORSCHUNG_MAX_STUFE = 7;
constexpr UWORD FORSCHUNG_BILD_FELD = 163;    // + field: the field's picture
constexpr UWORD FORSCHUNG_BILD_FORTSCHRITT = 170;  // 170..183: the progress picture
constexpr UWORD FORSCHUNG_BILD_STUFE = 184;   // + i: level i's picture
constexpr UWORD FORSCHUNG_BILD_MARKE = 192;   // + j: the overview's j-th mark

// A new research record: all zero with its head.
st_FORS NeueForschung();
// The level of field 0..6 (astronomy, alchemy, biology, theology, healing,
// art of battle, technics), as the record holds it; 0 for another number.
UBYTE ForschungsStufe(const st_FORS &f, int feld);
// The level as the screen counts it: above 7 counts as 7.
UBYTE ForschungsStufeGezeigt(const st_FORS &f, int feld);
// Cost of bringing the realm to level ziel: (people x 25 / 100) x (25000 /
// trust) / 100 x 4 x ziel x ziel, each division truncating; trust 0 counts
// as 1. In 64 bits: a large realm does not wrap.
uint64_t ForschungsKosten(ULONG volk, ULONG vertrauen, ULONG ziel);
// The cost as the question shows it: at most 4,294,967,295.
ULONG ForschungsKostenGezeigt(uint64_t kosten);
// The progress picture of field feld: 170 + (-12 / duration) x counter + 13
// while that field's research runs with both values set, kept within
// 170..183; 170 otherwise.
UWORD ForschungsFortschrittBild(const st_FORS &f, int feld);
// The advisers' text of field feld at its level: entry feld x 8 + level (a
// level above 7 counts as 7) of the 56 entries; -1 for a field out of range.
int ForschungsTextIndex(int feld, UBYTE stufe);
// Catalog index of that text (the first entry is the astronomy's level 1).
inline constexpr int FORSCHINFO_ERSTER = 540;

enum ForschungsStart { FS_LAEUFT_SCHON, FS_NICHT_HOEHER, FS_FRAGEN };
// Whether field feld may be started: a running research refuses, so does a
// field at level 7 (or above); else the player is asked for *kosten.
ForschungsStart ForschungPruefen(const st_FORS &f, int feld, ULONG volk, ULONG vertrauen, uint64_t *kosten);
// Marks field feld as the running research; every other byte stays as read.
void ForschungStarten(st_FORS *f, int feld);

// ---- gods ----

constexpr UBYTE GOETTER_ANZAHL = 10;
constexpr ULONG GOETTER_VERTRAUEN_MIN = 200;  // a change needs more faith than this

enum GoetterAusgang {
    GA_SPEICHERN,       // leave and save
    GA_WARNUNG,         // too little faith: the warning, leave without saving
    GA_WECHSELFRAGE,    // ask; Ok leaves and saves, Cancel stays
    GA_VERLASSENFRAGE,  // ask; Ok leaves without saving, Cancel stays
};
// What Ok on the gods screen does: a symbol chosen (symbol) and the name field
// used (name), the deity stored in the record as loaded, the realm's trust.
GoetterAusgang GoetterVerlassen(BOOL symbol, BOOL name, UBYTE gespeichert, ULONG vertrauen);
// Copies a text of at most 79 characters and its NUL into an 80-byte field,
// zero-padded; the source need not be terminated within its own 80 bytes.
void GoetterNameKopieren(char (&ziel)[80], const char *quelle, size_t quelleMax);
// Stores deity (1..10) and name into the LAND record.
void GoetterSetzen(st_LAND *land, UBYTE gottheit, const char *name);

// ---- specialists ----

constexpr UWORD SPEZ_FREI_MAX = 4;    // status 0..4: free (4 = disbanded)
constexpr UWORD SPEZ_ANGEHEUERT = 5;  // hired
constexpr UWORD SPEZ_ENTLASSEN = 4;
constexpr UBYTE SPEZ_KLERIKER = 0, SPEZ_GEOLOGE = 5;
constexpr UWORD FIGUR_KLERIKER = 12, FIGUR_GEOLOGE = 13;

// The n-th specialist of the free (frei) or hired list in list order; null
// when there is none.
st_SPEZ_EXT *SpezialistNr(ListHeader *liste, BOOL frei, ULONG n);
ULONG SpezialistenAnzahl(ListHeader *liste, BOOL frei);
// The sum of the hired specialists' wages (saturated).
ULONG SpezialistenLohnSumme(ListHeader *liste);
// The figure kind of a class: 12 for a cleric, 13 for a geologist, 0 for any
// other class (it gets no figure).
UWORD SpezialistFigurArt(UBYTE klasse);

// Hires the n-th free specialist into the town at (x, y): 1, or 0 when there
// is none.
BOOL SpezialistAnheuern(ListHeader *liste, ULONG n, ULONG x, ULONG y, ULONG spielerID);
enum SpezEntlassen { SE_KEINER, SE_ENTLASSEN, SE_ANDERE_STADT };
// Disbands the n-th hired specialist when he stands in the town at (x, y).
SpezEntlassen SpezialistEntlassen(ListHeader *liste, ULONG n, ULONG x, ULONG y);
// How many hired specialists of the figure kind stand at (x, y).
ULONG SpezialistenInStadt(ListHeader *liste, UWORD art, ULONG x, ULONG y);
// Gives every hired specialist of the figure kind at (x, y) the figure number.
void SpezialistenFigurSetzen(ListHeader *liste, UWORD art, ULONG x, ULONG y, ULONG figur);

// Places the figures a save leaves in the town at (x, y) in the figure file
// ./Data/MapPrefs.vek, read and written once: every own figure of kinds 12
// and 13 there is removed, and one of a kind is added when a hired
// specialist of that kind stands there, its number stored in each such
// specialist's ID. 1, or 0 with the file as it was (the IDs may have changed).
[[nodiscard]] BOOL SpezialistenFigurenSetzen(ListHeader *liste, ULONG x, ULONG y);
