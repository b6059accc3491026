// The turn leaves and comes back: the upload builds, stamps and sends the turn
// pool; the download fetches the server's answers, applies each one whole as
// one transaction (see turnjournal.cpp) and keeps the statistics file.
#pragma once
#include "platform/types.h"

// The routines a turn runs that live beside this file or above it. main.cpp
// and the defaults fill them; tests record or replace them. A null step
// counts as failed.
struct TurnSteps {
    BOOL (*ChunkMachine)(const char *Path, ULONG Flags, ULONG Modus);
    BOOL (*CreateMailChunk)(const char *Pool, const char *Dir);
    BOOL (*CheckPlayerTown)();
    BOOL (*ChangeTownStatusAll)();
    BOOL (*CheckMapCultWorld)();
    BOOL (*GetHarvestFromMapCult)();
};
extern TurnSteps TurnStepHooks;

// The kept map screen (only at more than 8 bits per pixel): flushed before a
// turn changes the map and figure files, set up again afterwards. Null: none.
extern LONG (*TurnMapUnlockHook)();
extern BOOL (*TurnMapNewSetupHook)(BOOL complete);
// Pauses (1) or resumes (0) a caller's movie; null movies are skipped.
extern void (*TurnMoviePauseHook)(APTR movie, BOOL pause);

// The advisor's boxes of the turn (picture 66 at 168,180, pen 7) and the
// waits: the real dialogs by default.
struct TurnBoxes {
    APTR (*Open)(const char *text);                // non-modal box or null
    void (*SetText)(APTR box, const char *text);
    void (*Confirm)(APTR box);                     // waits for the player's Ok
    void (*Close)(APTR box);
    void (*Message)(const char *text);             // modal box with Ok
    LONG (*Text)(const char *text);                // the scrolling text box
    void (*Delay)(ULONG ticks);                    // 20 ms ticks
};
extern TurnBoxes TurnBoxHooks;

// The web script that names the lowest acceptable client version plus one.
constexpr ULONG CLIENT_VERSION = 58;
constexpr char CLIENT_PLATFORM[] = "linux";

// Sends the turn: 1 done (sent, refused by the mail system, or not online:
// the turn pool stays), 0 not sent (local failure, no address, old client).
int ResidenzUpload();
// Adds the filtered goods of ./Data/WarenChunk.vek to the pool: 1 done or
// nothing to add, 0 failure.
int ResidenzUploadWarenCheck(const char *ChunkpoolName);

// Fetches and applies the server's answers; 1 when at least one was applied.
BOOL ResidenzDownload(APTR Movie1, APTR Movie2);
// 1 when the received pool holds a later quarter than the last one seen
// (recorded in prefs 2, 3, 33, 35), or when there is none.
BOOL NeuerSpielzug();
// Appends this quarter's record to ./Data/Statistikdaten.vek: 1 (also when
// the quarter is already there), 0 on failure with the file as it was.
BOOL SaveStatistikData();
// ---- the statistics file: a 10-byte little-endian head, then one record
// of ten little-endian values per quarter, oldest first ----
constexpr char STATISTIK_FILE[] = "./Data/Statistikdaten.vek";
#pragma pack(push, 1)
struct StatistikHeader {
    ULONG AnzahlQuartale;  // 0: records that follow
    UWORD LetzteQuartal;   // 4: year x 4 + quarter of the newest record
    ULONG AnzahlEntries;   // 6: values per record, 10
};
#pragma pack(pop)
static_assert(sizeof(StatistikHeader) == 10);
struct StatistikDaten {
    ULONG Korn, Gold, Volk, Einwanderer, Auswanderer, Geborene, Gestorbene, AnzPflanzHq, AnzTierHq, AnzMineralHq;
};
static_assert(sizeof(StatistikDaten) == 40);
constexpr ULONG STATISTIK_WERTE = 10;
// Value i (0-9, in field order) of a record.
ULONG StatistikWert(const StatistikDaten &d, ULONG i);
// Reads the statistics file: 1 with the records in *data (AllocVec; the
// caller frees it; null for none), their number and the newest quarter; a
// missing file is 1 with no records. 0, with nothing allocated and the
// reason printed, for a head that cannot be read, another number of values,
// or fewer records than the head names.
BOOL ReadStatistikDaten(const char *file, StatistikDaten **data, ULONG *count, UWORD *lastQuarter);

// The count-down reminder for players on the operator's preset postbox.
void ShowNervReq();
// The forum news for the player, if any: 1 when shown.
BOOL ShowForumMessage(APTR Movie1, APTR Movie2);

// ---- the selection of answers ----
// What happens to each answer of a download, oldest first.
enum TurnAction : UBYTE { TURN_APPLY, TURN_APPLY_LAST, TURN_DUPLICATE, TURN_OUTDATED };
// keys: the answers' date keys, ascending; applied: pref 31, the key of the
// newest answer applied so far. An answer on the same day as the next one is
// a duplicate; one not above `applied` is outdated, the last one too; the
// last one applied runs in "last" mode.
void PlanTurns(const ULONG *keys, ULONG count, ULONG applied, TurnAction *plan);

// ---- the transaction of one answer ----
constexpr char TURN_JOURNAL[] = "./TurnJournal";
// Copies every file of ./Data and ./Map (received mails aside) and the mail
// itself into the journal; 1 when the journal is whole on disk.
BOOL TurnJournalBegin(const char *mailFile, ULONG key, BOOL last);
// Drops the journal: the answer is applied. 1 or 0.
BOOL TurnJournalCommit();
// After an interrupted apply: puts every journalled file back, removes the
// files the steps made, and names the journalled mail. 1 when a journal was
// restored, 0 when there was none (or it could not be restored: mailFile empty).
BOOL TurnJournalRestore(char *mailFile, ULONG size, ULONG *key, BOOL *last);

// Letters of ./Data/MailOut that went out with the last sent turn.
constexpr char SENT_LETTERS_LIST[] = "./Data/POP3Out/SentLetters";
