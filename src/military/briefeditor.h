// The letter editor over a screen's region: a subject, then the text typed
// into a box with its slider; BU40 or B003 writes the letter, BU41 or EXIT
// drops it. The tavern's letter window and the diplomat's messages page
// both open it.
#pragma once
#include "platform/types.h"
#include "store/mapnames.h"

struct ScreenRegion;
struct TextFont;
struct VekCursor;
struct VekRequester;
struct ListHeader;
struct BitMap;

struct LokalDataTaverneOfflineChat {
    BOOL CompleteHeader;       // draw the header texts
    ULONG ChatStatus;
    ULONG Action;
    char ChunkpoolName[80];
    UWORD SortMode;            // 0 date, 3 subject, 4 sender
    UWORD AnzZeilen;
    UWORD ReqProzent;
    WORD Return;
    WORD Entry;                // highlighted list line, -1 none
    UWORD CurrentDirID;
    UBYTE BackgroundColor;
    UBYTE TextColor;
    char *MailPtr;             // the text buffer while writing
    LONG EmpfaengerID;         // -1 every player
    const char *EmpfaengerName;
    char *ReqBuffer;
    struct ScreenRegion *ScreenRegion;
    struct VekCursor *VekCursor;
    struct VekRequester *VekRequester;
    struct VekRequester *VekRequester2;
    ListHeader *SmalListPtr;
    TextFont *VekFont3Ptr;
    TextFont *TitleBarFontPtr;
    BitMap *SaveBitMap;
};

// Runs the editor: a reply to Entry (its subject, its sender as recipient) or
// a new letter to EmpfaengerID / EmpfaengerName. 1 to stay in the caller's
// window (also after a refused subject or a written letter), 0 when the
// caller should close.
int TaverneOfflineWriteMail(LokalDataTaverneOfflineChat *Data, SmalListEntry *Entry);
// What the last editor run did: 1 a letter was written.
extern BOOL BriefGeschrieben;
// The editor's advisor messages (an Ok box by default).
extern void (*BriefMeldungHook)(const char *text);
