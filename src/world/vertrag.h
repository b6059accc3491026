// Contracts between rulers: the received list (the server turn's VERT chunk,
// edited when an offer is accepted or a contract cancelled) and the outgoing
// list (the orders pool's VERT chunk, one record more per order), the lines
// the diplomat's pages show, the documents, the terms of a trade offer with
// their clamps, and the stepping of held number buttons that the trade
// screens share.
#pragma once
#include <ctime>

#include "platform/types.h"
#include "store/chunks.h"
#include "store/lists.h"

// Contract kinds (VertragsArt).
enum : UWORD {
    VA_HANDELSANGEBOT = 0,     // trade offer
    VA_FRIEDEN = 1,            // peace offer (only received)
    VA_WERBUNG = 2,            // trade advertisement to everybody
    VA_ANNAHME = 3,            // acceptance of a trade offer
    VA_HANDELSVERTRAG = 4,     // trade agreement (only received)
    VA_VERTRAGSBRUCH = 5,      // cancellation of a trade agreement
    VA_LEHNSANGEBOT = 6,       // vassalage offer
    VA_LEHNSANNAHME = 7,       // vassal's acceptance
    VA_LEHNSBESTAETIGUNG = 8,  // liege's affirmation (only received)
    VA_LEHNSKUENDIGUNG = 10    // cancellation of vassalage
};

constexpr ULONG VERTRAG_ZEILE = 80;           // bytes of one list line
constexpr ULONG VERTRAG_DOKUMENT = 20000;      // bytes of the document and letter box
constexpr ULONG VERTRAG_ALLE = 0xFFFFFFFFu;    // PartnerID of an advertisement
constexpr LONG VERTRAG_MAXDAUER = 65535;       // the record holds the duration in 16 bits
inline constexpr const char SPIELERLISTE_FILE[] = "./Data/SpielerList.vek";

// ---- held number buttons ----

// Press counters of three down/up button pairs (0 down, 1 up of the first
// value, 2/3 the second, 4/5 the third) and the ticks since the last step.
struct HaltZaehler {
    ULONG Gadget[6];
    UWORD TimeControl;
};
// One step of held button `button` on value: its counter rises, the opposite
// one is cleared; up adds 1 for presses 1-20, 10 for 21-40, 110 for 41-60 and
// 1110 from 61 (saturating); down takes 1 while the value is above `floor`,
// from the 21st press 10 above 10, from the 41st also 100 above 100, from the
// 61st also 1000 above 1000. Any other button only clears TimeControl.
LONG GetIndexOnGadget(HaltZaehler *z, UWORD button, LONG value, LONG floor);
// One screen tick: after more than 10 ticks without a step every counter
// falls back to 0, so the steps are 1 again.
void HaltZaehlerTick(HaltZaehler *z);

// ---- the working record ----

struct VertragsDaten {
    BOOL Modus;              // 0 own offers / players; -1 received offers
    BOOL DummyReqVertrag;    // the contract lines hold only the placeholder
    BOOL DummyReqSpieler;    // the player lines hold only the placeholder
    WORD Auswahl1, Auswahl2; // chosen line of the left and right list, -1 none
    LONG Dauer, Anzahl, Preis;
    ULONG MaxAnzahl;
    ULONG Korn;              // the corn store, 0 without a KORN chunk
    HaltZaehler Zaehler;
    BOOL Meldungen;          // clamps speak (own offers) or stay silent

    ListHeader *SpielerListPtr;   // players, sorted by name
    char *SpielerListBuffer;
    UWORD SpielerBufferCount;

    ListHeader *WarenListPtr;     // ./Data/WarenChunk.vek, null when missing
    char *WarenListBuffer;        // corn (with Korn) and the stock records
    UWORD WarenBufferCount;

    ListHeader *VertragListPtr;   // the received contracts, sorted
    char *VertragListBuffer;
    UWORD VertragBufferCount;
    ListNode **VertragZeilen;     // the first record of each line
    UWORD VertragSeite;           // page the lines were built for
    BOOL VertragGelesen;          // the received list was read whole
    BOOL VertragGeaendert;        // and changed since

    ListNode *AktVertragNodePtr;  // first received record of the chosen offerer
    char *Waren2ListBuffer;       // the chosen offerer's records, one line each
    UWORD Waren2Count;
    ListNode **Waren2Zeilen;
};

// Messages and questions of the rules (the advisor box by default): text,
// question 1 for an Ok/Cancel box; 0 means Ok.
extern LONG (*VertragMeldungHook)(const char *text, int question);
// The time stamp of new records (time() by default).
extern std::time_t (*VertragUhrHook)();

// Frees every list and line buffer of the record (the received list is not
// written back: FreeVertragList does that).
void VertragsDatenFrei(VertragsDaten *d);

// ---- lists ----

// Reads the outgoing list: 1 when read or the orders pool has no VERT chunk
// yet (the list stays empty), 0 on a read failure.
BOOL SendVertragHoleListe(ListHeader *List);
// Creates the received list on first use (sorted by kind, then offerer) and
// builds the lines of page 1 or 4 (every contract), 2 (offerers of trade
// offers, one per run) or 3 (offerers of peace and vassalage offers, one per
// run of one offerer and kind). No line: the placeholder. 1/0.
BOOL AllocVertragList(VertragsDaten *d, UWORD Seite);
// Writes the received list back into the server-turn pool when it was read
// whole and changed (an empty list removes the chunk) and frees it. 1/0.
BOOL FreeVertragList(VertragsDaten *d);
// The received record behind a contract line, or null.
st_VERT_EXT *VertragAufZeile(VertragsDaten *d, LONG Zeile);
// The right list of the received-offers mode: the records of the offerer of
// contract line `Zeile` (kind 0 on page 2, kinds 1 and 6 on page 3), one
// line each with the offered ware or the offer's label; AktVertragNodePtr on
// the first. 1, or 0 without such a line.
BOOL VertragAngebotsZeilen(VertragsDaten *d, LONG Zeile);

// Players from ./Data/SpielerList.vek, sorted by name; none: the placeholder
// line "no information". 1, or 0 when the file exists but cannot be read.
BOOL SpielerListeLaden(VertragsDaten *d);
// The chosen player's ID (left list, own-offer mode); 0 and nothing when
// none or the placeholder is chosen.
BOOL GewaehlterSpieler(const VertragsDaten *d, ULONG *SpielerID, char *Name, ULONG NameSize);
// The stock list and its lines (corn first when Korn is not 0). 1, also
// without a stock file; 0 when it cannot be read.
BOOL WarenListeLaden(VertragsDaten *d);
// Ware line -> type, amount available, condition; 0 when the line names no
// ware (the available amount is then 0).
BOOL WareAufZeile(const VertragsDaten *d, LONG Zeile, ULONG *Typ, ULONG *Verfuegbar, UWORD *Zustand);

// ---- orders ----

// Appends the order of `Art` (0, 2, 3, 6, 7; the cancellations go through
// VertragKuendigen) to the outgoing list. 1 done or refused with a message,
// 0 when the lists or the pool failed.
BOOL SendVertrag(VertragsDaten *d, UWORD Art);
// The cancel kind of a contract kind: 5 for 4, 10 for 7 and 8, else 0.
UWORD KuendigungsArt(UWORD Art);
// Cancels the contract on line Zeile of page 4 after the question; the
// record leaves the received list once the cancellation is stored, and the
// lines are rebuilt. *Gekuendigt tells whether it was. 1/0.
BOOL VertragKuendigen(VertragsDaten *d, LONG Zeile, BOOL *Gekuendigt);

// ---- documents ----

// The document of a contract record into Text (Size bytes, NUL-terminated):
// the letter of its kind, empty for kinds without one.
void VertragDokument(const st_VERT_EXT *v, char *Text, ULONG Size);

// ---- terms ----

// Start values of the trade page: no choice, MaxAnzahl 1, one up step of
// duration and amount each (so 1 and 1).
void InitVertragsWerte(VertragsDaten *d);
// Clears both choices and the terms: duration 1, amount 0, price 0.
void ResetDaten(VertragsDaten *d);
// value -1/+1: one step of the held button (counters of d->Zaehler), 0: only
// the clamps, else added. Duration 1..65535 and at most what MaxAnzahl
// leaves, amount 0..MaxAnzahl / Dauer, price unclamped (0 at least).
void StelleDauer(VertragsDaten *d, LONG value);
void StelleAnzahl(VertragsDaten *d, LONG value);
void StellePreis(VertragsDaten *d, LONG value);
// A typed number: decimal, negative gives 0, too large saturates.
LONG DiplomatieZahl(const char *text);
// Sets a typed value (0 duration, 1 amount, 2 price) with its clamps.
void SetzeGetippt(VertragsDaten *d, int Feld, LONG value);
