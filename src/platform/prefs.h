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

constexpr ULONG PREFS_FAIL = 0xFFFFFFFFu;
constexpr UWORD PREFS_READ = 0;
constexpr UWORD PREFS_WRITE = 1;

// Numbered preferences: mode 0 reads (texts come back as a new 40-byte
// buffer the caller frees), mode 1 writes; PREFS_FAIL on failure.
ULONG CheckPrefs(UWORD id, UWORD mode, ULONG value);
int OptionenPrefsSave();                   // 1 or 0
int OptionenPrefsLoad();                   // 1 when the whole record was read
void OptionPrefsDefault();
// Story preferences in ./Data/BTPrefs.vek, same contract as CheckPrefs.
ULONG RoredIdezPrefs(UWORD id, UWORD mode, ULONG value);
