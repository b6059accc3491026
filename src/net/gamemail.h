// Game mails: a file packed into mail-safe text behind a few header lines,
// sent by the game server's packet protocol and/or SMTP; received mails found
// in a directory, dated, unpacked; the fetch of the server's answers.
#pragma once
#include <ctime>

#include "platform/types.h"
#include "store/lists.h"
#include "store/mailinfo.h"

// The operator's mailboxes: where turns go, and the archive that gets a copy
// of every game mail; the operator's mail domain and the stem of its preset
// postbox, which mark a player still on the preset settings. Environment:
// VEK_TURN_MAILBOX, VEK_ARCHIVE_MAILBOX, VEK_OPERATOR_DOMAIN and
// VEK_PRESET_POSTBOX (the stem, which is also the preset password).
struct GameMailConfig {
    char TurnMailbox[80];
    char ArchiveMailbox[80];
    char OperatorDomain[64];
    char PresetStem[16];
};
extern GameMailConfig GameMailCfg;
void GameMailConfigLoad();

// The clock of the mail date and of the date keys; tests fix it.
extern std::time_t (*GameMailClock)();

// One scanned mail (list type 20); only path, name, size and date are used.
#pragma pack(push, 1)
struct EmailListEntry {
    ListNode Node;
    UWORD MaxFilenameChars, MaxSubjectChars, MaxIDChars, MaxNameChars;
    char EmailPath[80];      // the scanned directory
    char FileName[140];      // directory, "/", entry name
    ULONG EmailSize;         // bytes
    ULONG DateInSecs;        // date key
    char *Subjects;
    APTR AbsenderIDs;
    char *EmpfaengerIDs;
    APTR AbsenderNames;
    char *EmpfaengerNames;
};
#pragma pack(pop)
constexpr ULONG EMAIL_LIST_TYPE = 20;
constexpr ULONG EMAIL_FIELD_FILENAME = 5;  // list descriptor entries, for sorting
constexpr ULONG EMAIL_FIELD_DATE = 7;

// Transport bits of OP.TCPIP_Flags.
constexpr UBYTE TRANSPORT_MAIL = 0x01;
constexpr UBYTE TRANSPORT_GAMESERVER = 0x04;

// Packs the file and sends it as a game mail by the transports chosen in
// OP.TCPIP_Flags: the result text in Info->VekMailError ("ok", or the
// server's reply up to its first line end), or null on a local failure.
// Send other than 1 writes the mail text beside the file instead.
const char *SendFileAsEmail(const char *FileName, VekMailInfo *Info, BOOL Send);
// The mail text's header lines for a packed body (CR LF lines, empty line
// after them); names and addresses lose any CR and LF.
char *GameMailHeader(const char *FileName, const VekMailInfo *Info, std::time_t now);  // caller frees
// The subject of a file sent without one: "@" and the name after the last
// "/" up to its first ".", padded on the left to eight characters.
void GameMailSubject(const char *FileName, char *out, ULONG size);

// Unpacks the game mail text of FileSize bytes into OutFileName (written
// beside it and renamed). 1, or 0 with the file as it was.
BOOL DecrunchOneEmail(const UBYTE *RawMail, ULONG FileSize, const char *OutFileName);
// Adds the whole game mails of Path whose names fit Maske (a blank in places
// 2 to 8 matches any character) to the list; zero-length ones are deleted.
// The number of list entries, 0 when none or on failure.
ULONG ScanEmails2List(ListHeader *EmailList, const char *Path, const char *Maske);
// The date key of a mail text (NUL-terminated): seconds + 60 min + 3600 h +
// 86,400 day + 2,678,400 month + 32,140,800 (year - 1900). A missing or
// unreadable date gives the clock's current time in the same scale.
ULONG DateString2Seconds(const char *Mailheader);
ULONG DateKeyOf(std::time_t t);
// Keeps only the newest mail (the first by file name among equals); the
// files of the others are deleted.
void DeleteNotNeededNodes(ListHeader *EmailList);

// Fetches the server's answers into ./Data/POP3In/ (POP3 on the first two
// attempts of a run or with the mail transport, the game server from the
// third): Buffer (256 bytes) with "ok" or the error; null when only the game
// server was asked and it failed.
char *GetTurn(const char *ChunkFile, char *Buffer);
