// The options record kept in ./Data/Optionen.prefs, the numbered preferences
// in ./Data/Prefs.vek and the story flags in ./Data/BTPrefs.vek.
#pragma once
#include <cstddef>
#include "platform/types.h"

#pragma pack(push, 1)
struct OptionenPrefs {
    ULONG SoundBits;            // 0   wanted sound features
    UBYTE TCPIP_ID;             // 4   network stack: 4 own stack, 255 none
    UBYTE TCPIP_Flags;          // 5   0x01 SMTP/POP3, 0x04 packet protocol, 0x10 chat panel
    char CDDevicename[40];      // 6
    UWORD CDDeviceUnit;         // 46
    UWORD CDDeviceLUN;          // 48
    ULONG AHI_ModeID;           // 50
    ULONG AHI_Frequency;        // 54
    UBYTE SFX_Volume;           // 58
    UBYTE CD_Volume;            // 59
    char InterPOPName[40];      // 60  POP3 host
    char InterSMTPName[40];     // 100 SMTP host
    char InterUsername[40];     // 140 POP3 user
    char InterPassword[40];     // 180 POP3 password
    char EmailAdresse[40];      // 220 sender address
    char SMTPUsername[40];      // 260
    char SMTPPassword[40];      // 300
    char ModemDeviceName[40];   // 340
    ULONG ModemDeviceUnit;      // 380
    char ModemInitString[40];   // 384
    char ModemDialString[40];   // 424
    char ModemExitString[40];   // 464
    char ModemResetString[40];  // 504
    ULONG Modem_io_ExtFlags;    // 544
    ULONG Modem_io_Baud;        // 548
    ULONG Modem_io_BrkTime;     // 552
    UWORD ModemParity;          // 556
    UWORD ModemProtocol;        // 558
    UBYTE ModemStopbits;        // 560
    UBYTE ModemBytesize;        // 561
    UBYTE Modem_io_ReadLen;     // 562
    UBYTE Modem_io_WriteLen;    // 563
    UBYTE Modem_io_StopBits;    // 564
    UBYTE Modem_io_SerFlag;     // 565
    BOOL ColorCursor;           // 566 coloured mouse pointer picture
};
#pragma pack(pop)
static_assert(sizeof(OptionenPrefs) == 570);
static_assert(offsetof(OptionenPrefs, InterPOPName) == 60);
static_assert(offsetof(OptionenPrefs, ColorCursor) == 566);

// Placeholders of fresh settings; the transport treats these as "not yet configured".
constexpr char OPTIONEN_POP_PLATZHALTER[] = "pop.mailserver.invalid";
constexpr char OPTIONEN_SMTP_PLATZHALTER[] = "smtp.mailserver.invalid";
constexpr char OPTIONEN_EMAIL_PLATZHALTER[] = "player@mailserver.invalid";
constexpr ULONG OPTIONEN_PREFS_SIZE = 570;
constexpr ULONG OPTIONEN_SOUNDBITS = 0x3D | 0xC0;  // every sound feature a player can want

constexpr ULONG PREFS_FAIL = 0xFFFFFFFFu;
constexpr UWORD PREFS_READ = 0;
constexpr UWORD PREFS_WRITE = 1;
constexpr UWORD PREFS_COUNT = 40;      // values in ./Data/Prefs.vek
constexpr UWORD BTPREFS_COUNT = 47;    // values in ./Data/BTPrefs.vek
constexpr ULONG PREFS_FILE_SIZE = 250;
constexpr ULONG BTPREFS_FILE_SIZE = 200;
constexpr UWORD PREF_RUN_MARKER = 24;  // 1 while the program runs

// Numbered preferences, one value per call; the file is opened and closed
// each time and created or repaired (keeping the values it holds) on the way.
// Numbers: mode PREFS_READ returns the value, PREFS_WRITE stores the low bytes
// of value and returns value; PREFS_FAIL on any failure, which a stored
// 0xFFFFFFFF cannot be told from: callers that care use the calls below.
ULONG CheckPrefs(UWORD id, UWORD mode, ULONG value);
int CheckPrefsRead(UWORD id, ULONG *value);            // 1 and the number, or 0
int CheckPrefsWrite(UWORD id, ULONG value);            // 1 or 0
char *CheckPrefsReadText(UWORD id);                    // new NUL-terminated buffer (FreeVec), or null
int CheckPrefsWriteText(UWORD id, const char *text);   // at most 40 characters; 1 or 0
int SaveStandardCheckPrefs(BPTR file);                 // header and old payload; 1, 0 when not written

// Story preferences in ./Data/BTPrefs.vek, the same contract; the text value
// 46 holds 80 bytes and is written from at most 40 characters.
ULONG RoredIdezPrefs(UWORD id, UWORD mode, ULONG value);
int RoredIdezPrefsRead(UWORD id, ULONG *value);
int RoredIdezPrefsWrite(UWORD id, ULONG value);
char *RoredIdezPrefsReadText(UWORD id);
int RoredIdezPrefsWriteText(UWORD id, const char *text);
int SaveStandardRoredIdezPrefs(BPTR file);

// The options record UserSystem.OP and ./Data/Optionen.prefs (owner-only:
// it holds passwords).
int OptionenPrefsSave();                   // 1 or 0
int OptionenPrefsLoad();                   // 1 when the whole record was read; texts terminated
void OptionPrefsDefault();                 // defaults, VekFlags bit 0 set
// The record in its file form, host byte order, field by field.
void OptionenPrefsEncode(const OptionenPrefs &op, UBYTE out[OPTIONEN_PREFS_SIZE]);
// Takes the fields lying wholly within the first length bytes; the rest stay.
void OptionenPrefsDecode(const UBYTE *in, ULONG length, OptionenPrefs *op);

// Run marker: SetRunMarker at start makes PlayerInfo.Event 2 when the last
// run did not reach ClearRunMarker, and sets the marker. SetRunMarker returns
// 1 when the last run ended uncleanly.
int SetRunMarker();
void ClearRunMarker();
