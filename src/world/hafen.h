// The harbour's rules: ship kinds, launching ships from stock within the
// town's ship points per quarter, marking anchored ships for wrecking,
// applying launches and wrecks to the figure file, the ship list, gold, the
// stock and the town as one journalled change, ordering repairs, and the
// ambience dice. A ship is a map figure, a ship record, a stock ware and an
// add-on at once; everything here keeps them in step.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "platform/types.h"
#include "store/chunks.h"
#include "store/mapnames.h"
#include "world/towns.h"

struct LocStr;

constexpr UWORD HAFEN_MAX_PUNKTE = 10;       // ship points a town may send out per quarter
constexpr ULONG HAFEN_ABWRACK_GOLD = 2500;   // gold per point of a wrecked ship
constexpr ULONG HAFEN_ABWRACK_HOLZ = 5;      // wood back per point
constexpr ULONG HAFEN_WARE_HOLZ = 98;
constexpr UWORD HAFEN_WARE_LAGER = 5;        // Info of an own stock record
constexpr UBYTE HAFEN_KOMMANDO_REPARATUR = 16;
constexpr ULONG HAFEN_ERSTE_STIMMUNG = 100;  // ticks before the first ambience sound

struct SchiffsArt {
    ULONG Ware;              // stock ware type 50..55
    UWORD Figur;             // map figure kind 14..19
    UWORD Schiffspunkte;     // 1..3 of the quarter's 10
    ULONG PreisProPunkt;     // repair gold per damage point
    UWORD Grundpunkte;       // Punkte of a new ship before research
    BOOL Krieg;              // research bonus: Kampftechnik (1) or Technik (0)
    const LocStr *Name;
};
extern const SchiffsArt SchiffsArten[6];
const SchiffsArt *SchiffsArtDerWare(ULONG Ware);    // null when no ship
const SchiffsArt *SchiffsArtDerFigur(UWORD Figur);  // null when no ship
// Punkte of a new ship of the kind; without research (null) the bonus is 0.
UWORD NeueSchiffsPunkte(const SchiffsArt *Art, const st_FORS *Forschung);

// Ambience: the sound for a throw c = Wuerfel(20), and the ticks to the next
// sound for a throw w = Wuerfel(5).
ULONG HafenStimmungsSample(ULONG c);
ULONG HafenStimmungsPause(ULONG w);
extern ULONG (*HafenWuerfel)(ULONG n);  // Wuerfel; tests fix it

// What the rules ask the player; the screen gives the advisor's boxes.
struct HafenFragen {
    void (*Message)(const char *text);
    BOOL (*Confirm)(const char *text);   // 1 Ok, 0 Cancel
};

// A ship launched in the open dialog: its figure (number 0) and the stock
// record its unit came from (to give it back when the launch is undone).
struct HafenStart {
    st_WARE_EXT Vorlage;
};

// The harbour's rule state of one visit.
struct HafenDaten {
    Stadt *AktiveStadt = nullptr;           // owned
    ULONG StadtXPos = 0, StadtYPos = 0;
    std::vector<st_SHIP_EXT> Schiffe;       // the ship list
    st_FORS Forschung{};                    // zero without a FORS chunk
    st_LAND *Land = nullptr;                // owned; null without a LAND chunk (gold 0)
    std::vector<ShipAddOn> AddOns;
    BOOL ChangeBackround = 0;               // ships in port on the picture
    // The ships dialog, read anew when it opens:
    std::vector<st_WARE_EXT> Waren;         // the stock file's records
    std::vector<st_MOVE_EXT> Figuren;       // the figure file's records, launched ones with number 0
    std::vector<HafenStart> Starts;         // parallel to the number-0 figures, in their order
    std::set<UWORD> Abwracken;              // figure numbers marked for wrecking
    UWORD AusgelaufeneSchiffe = 0;          // working copy of the town's
    // The repair dialog:
    LONG RepFigur = -1;                     // index into Figuren of the chosen ship, -1 none
    UWORD ReparaturID = 0;
    UWORD Reparatur = 0;
};

ULONG HafenGold(const HafenDaten *d);

// Reads the ship list (orders pool, else received pool), research, LAND,
// the add-ons and the active town (AktStadtID). 1 or 0.
BOOL LoadHafenData(HafenDaten *d, LONG StadtID);
// The ship list into the orders pool (an empty one removes the SHIP chunk)
// and LAND when loaded. 1 or 0.
BOOL WriteHafenData(HafenDaten *d);
void FreeHafenData(HafenDaten *d);

// ---- the ships dialog ----
// Reads stock and figures from their files and resets launches, marks and
// the working count from the town. 1 or 0.
BOOL HafenDialogLesen(HafenDaten *d);
// Indexes into Waren of the shipyard lines (own stock of ships, > 0 units).
std::vector<ULONG> WerftZeilen(const HafenDaten *d);
// Indexes into Figuren of the anchored lines (own ships on the town's hex).
std::vector<ULONG> AnkerZeilen(const HafenDaten *d);
// The lines as shown (80-character texts); "None" when empty.
std::vector<std::string> WerftTexte(const HafenDaten *d);
std::vector<std::string> AnkerTexte(const HafenDaten *d);

// Two clicks per act: the first on another line remembers it, the second
// acts. A click on no line does nothing. 1 when the line is to be acted on.
BOOL HafenZeilenKlick(LONG *Gemerkt, LONG Zeile, ULONG Zeilen);

// Launches the ship of a shipyard line; 1 when launched.
BOOL HafenStarteSchiff(HafenDaten *d, ULONG Zeile, const HafenFragen *f);
// Marks the ship of an anchored line for wrecking (a ship launched in this
// dialog has its launch undone); 1 when marked or undone.
BOOL HafenMarkiereWrack(HafenDaten *d, ULONG Zeile, const HafenFragen *f);
// The gold a wreck costs: min(gold, 2500 x Punkte).
ULONG HafenAbwrackKosten(ULONG Gold, UWORD Punkte);

// Applies wrecks and launches: the figure file, the ship list in the orders
// pool with LAND, the stock and the town file are one journalled change. On
// failure every file and the in-memory state stay as they were. 1 or 0.
[[nodiscard]] BOOL SetNewShips(HafenDaten *d);

// ---- the repair dialog ----
// Reads the figures anew and drops a chosen ship. 1 or 0.
BOOL HafenRepLesen(HafenDaten *d);
struct HafenRepWerte {
    ULONG X, Y;
    UWORD Schaden, Punkte;
    UWORD Reparatur;
    ULONG Preis;
    UWORD Dauer;
};
// Chooses the ship of an anchored line (another ship than before starts from
// its stored repair duration, else 0). 1 when chosen, 0 when it has no record.
BOOL HafenRepWaehle(HafenDaten *d, ULONG Zeile);
// One point less (Schritt -1) or more (+1), kept within 0..Schaden.
void HafenRepSchritt(HafenDaten *d, int Schritt);
// The values of the chosen ship; 0 when none is chosen.
BOOL HafenRepWerteDes(const HafenDaten *d, HafenRepWerte *w);
// Orders the repair of the chosen ship (nothing for 0 points): the figure
// under repair, the add-on's duration; add-on file and figure file as one
// journalled change. 1 when ordered or nothing to do, 0 on failure.
[[nodiscard]] BOOL SetRepairShip(HafenDaten *d);
