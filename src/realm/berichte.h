// The advisors' reports on the realm after a turn, composed as plain text
// from the received chunks and the current catalog texts, and screen 33 that
// shows them in a scrolling box. The composers grow their text as they go,
// so long catalog texts or many sales cannot overrun anything.
#pragma once
#include <cstdint>
#include <string>

#include "platform/types.h"
#include "store/chunks.h"

struct ScreenRegion;
struct TextFont;
struct VekRequester;

// One visit of the reports screen.
struct LokalDataBerichte {
    BOOL Fertig;
    ScreenRegion *ScreenRegionPtr;  // the screen description
    TextFont *VekFont4Ptr;     // the text font
    TextFont *VekFontPtr;      // the title font
    VekRequester *VekReqPtr;   // the box of the report shown, or null
    std::string *Text;         // the shown report's text (the box borrows it)
    APTR MovieBase;
    APTR Movie1;
};

// The decimal value after two blanks for each digit it has fewer than width,
// into buffer (cut to length - 1 characters and ended).
void MakeBetterString(char *buffer, ULONG length, uint64_t value, UWORD width);
std::string MakeBetterString(uint64_t value, UWORD width);

// printf-style text added to the end of out, however long it comes out.
void AppendFormat(std::string *out, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

// The six composers. Each takes what its report reads and returns the text.
// Vertrauen is taken from the orders pool's LAND when there is one.
std::string ComposeCountryReport(const st_LAND &land, ULONG vertrauen, ULONG capacity, ULONG stock);
std::string ComposeHarvestReport(const st_KORN &korn);
// geba with its entries after the head (the count is cut to its Length).
std::string ComposeBuildingReport(const st_GEBA *geba);
// Without taxes (null) the text that none were raised.
std::string ComposeTaxesReport(const st_TAXE *taxe);
std::string ComposeResearchReport(const st_FORS &fors);
// Without wares (null) the text that nothing was traded. players: the
// player list or null; ownID and ownName name the player himself. FALSE
// (text untouched) when the wares cannot be listed or sorted.
BOOL ComposeTradeReport(const st_WARE *ware, const st_ANTW *players, ULONG ownID, const char *ownName,
                        std::string *text);

// Compose a report from the pools and files and show it in the screen's
// box: 1 also when there is nothing to show, 0 on a failure.
BOOL ShowContryData(LokalDataBerichte *ld);
BOOL ShowHarvestData(LokalDataBerichte *ld);
BOOL ShowBuildingData(LokalDataBerichte *ld);
BOOL ShowTaxesData(LokalDataBerichte *ld);
BOOL ShowResearchData(LokalDataBerichte *ld);
BOOL ShowTradeData(LokalDataBerichte *ld);
