// Screen description files (./Data/screendat/*.dat): the layout of a screen's
// gadgets, boxes, rectangles, points and building slots. Numbers in the file
// are big-endian and links and text IDs are 32-bit; the loader builds native
// records beside the file bytes, with text IDs resolved to the current game
// string texts and links turned into pointers to the linked native record.
#pragma once
#include <cstddef>
#include "platform/types.h"

// ---- Native records, as screens use them --------------------------------

struct TitleBar {
    UWORD X_Pos1, Y_Pos1, X_Pos2, Y_Pos2;
    const char *Title;  // null = no title; TITLEBAR_HEAD = the head entry of a title list
};

struct GadgetData {
    UWORD GfxUp_ID;     // graphic number of the released picture
    UWORD GfxDown_ID;   // graphic number of the pressed picture
    UWORD SoundFx;
    UWORD Flags;        // GADGET_*; the key code in the pseudo-gadget of a typed key
    UWORD X0, Y0, X1, Y1;
    ULONG ReturnID;     // four letters, first letter in the most significant byte
    const void *Link;   // the linked record (TitleBar for text, Rechteck for hover gadgets), or null
};

struct LocaleTextBox {
    const char *LocaleID;  // the text
    UWORD X0, Y0, X1, Y1;
};

struct StringInputBox {
    UWORD X0, Y0, X1, Y1;
    UWORD MaxChars, MaxPixels;
    const char *LocaleID;
};

struct TextData {
    const char *LocaleID;
    UWORD X0, Y0;
};

struct ButtonData {
    UWORD X0, Y0, X1, Y1;
    UWORD BitVarID, BitNum;
    const char *LocaleID;
};

// A four-letter return code as a loaded GadgetData holds it: MakeGadgetID("EXIT").
constexpr ULONG MakeGadgetID(const char (&s)[5])
{
    return (ULONG)(UBYTE)s[0] << 24 | (ULONG)(UBYTE)s[1] << 16 | (ULONG)(UBYTE)s[2] << 8 | (ULONG)(UBYTE)s[3];
}

// Records without texts or links keep the file layout in host order.
#pragma pack(push, 1)
struct StringInputInfo {
    UWORD X0, Y0, MaxChars, MaxLines, MaxPixels;
};
static_assert(sizeof(StringInputInfo) == 10);

struct DisplayStatusBox {
    UWORD FGPen, BGPen, DrMd, X0, Y0, X1, Y1;
};
static_assert(sizeof(DisplayStatusBox) == 14);

struct BoxInfo {
    UWORD X0, Y0, X1, Y1, W, H;
};
static_assert(sizeof(BoxInfo) == 12);

struct Rechteck {
    UWORD X0, Y0, X1, Y1;
};
static_assert(sizeof(Rechteck) == 8);

struct Punkt {
    UWORD X0, Y0;
};
static_assert(sizeof(Punkt) == 4);

// One building slot of a town; the town record holds 235 of them.
struct GebaeudeAbhaengigkeiten {
    UWORD GfxBitfeld;      // 0  flag bits
    ULONG Volk;            // 2  people needed
    UWORD Stadtlevel;      // 6
    UWORD GebaeudeID;      // 8
    UWORD Prioritaet;      // 10
    struct {
        UWORD GfxID, XPos, YPos, Breite, Hoehe;
    } GebaeudeDaten;       // 12
    struct {
        UBYTE Alchemie, Astronomie, Kampftechnik, Naturkunde, Medizin, Technik, Theologie;
    } GebaeudeForschung;   // 22 research levels needed
    UBYTE Pad;             // 29
    struct {
        UWORD OtherID1, OtherID2, OtherID3, OtherID4, OtherID5, OtherID6, OtherID7;
    } AndereGebaeude;      // 30 buildings required
    struct {
        UWORD NotID1, NotID2, NotID3, NotID4, NotID5, NotID6, NotID7, NotID8;
    } AntiGebaeude;        // 44 buildings excluded
};
static_assert(sizeof(GebaeudeAbhaengigkeiten) == 60);
static_assert(offsetof(GebaeudeAbhaengigkeiten, AndereGebaeude) == 30);
#pragma pack(pop)

// ---- File records (big-endian on disk) ----------------------------------

#pragma pack(push, 1)
struct TitleBarFile {
    UWORD X_Pos1, Y_Pos1, X_Pos2, Y_Pos2;  // 0
    ULONG Title;                           // 8  text ID; 0 none, 0xFFFFFFFF head entry
};
static_assert(sizeof(TitleBarFile) == 12);

struct GadgetDataFile {
    UWORD GfxUp_ID, GfxDown_ID, SoundFx, Flags;  // 0
    UWORD X0, Y0, X1, Y1;                        // 8
    ULONG ReturnID;                              // 16
    ULONG Link;                                  // 20 offset from byte 32 of the file; 0 none
};
static_assert(sizeof(GadgetDataFile) == 24);

struct LocaleTextBoxFile {
    ULONG LocaleID;        // 0 text ID
    UWORD X0, Y0, X1, Y1;  // 4
};
static_assert(sizeof(LocaleTextBoxFile) == 12);

struct StringInputBoxFile {
    UWORD X0, Y0, X1, Y1;        // 0
    UWORD MaxChars, MaxPixels;   // 8
    ULONG LocaleID;              // 12 text ID
};
static_assert(sizeof(StringInputBoxFile) == 16);

struct TextDataFile {
    ULONG LocaleID;  // 0 text ID
    UWORD X0, Y0;    // 4
};
static_assert(sizeof(TextDataFile) == 8);

struct ButtonDataFile {
    UWORD X0, Y0, X1, Y1;     // 0
    UWORD BitVarID, BitNum;   // 8
    ULONG LocaleID;           // 12 text ID
};
static_assert(sizeof(ButtonDataFile) == 16);
#pragma pack(pop)

constexpr ULONG SCREENDAT_HEADER = 32;        // bytes before the body; offsets count from here
constexpr ULONG SCREENDAT_MAX_ENTRIES = 24;
constexpr int SCREENDAT_KINDS = 22;

// Kind tags by mask bit; Res0 to Res9 (bits 12 to 21) are 0xADBAACCF - n.
constexpr ULONG TAG_TITLEBAR = 0xABBDBEAD;
constexpr ULONG TAG_GADGETDATA = 0xB8BBBEAB;
constexpr ULONG TAG_LOCALETEXTBOX = 0xB3ABA7AB;
constexpr ULONG TAG_STRINGINPUTBOX = 0xB6B1AFAA;
constexpr ULONG TAG_STRINGINPUTINFO = 0xACB6B1B9;
constexpr ULONG TAG_DISPLAYSTATUSBOX = 0xACABBEAB;
constexpr ULONG TAG_BOXINFO = 0xBDB6B1B9;
constexpr ULONG TAG_TEXTDATA = 0xABBAA7AB;
constexpr ULONG TAG_BUTTONDATA = 0xBDAAABB1;
constexpr ULONG TAG_RECHTECK = 0xADBABCAB;
constexpr ULONG TAG_PUNKT = 0xAFB1ABAC;
constexpr ULONG TAG_GEBAEUDE = 0xABB0A8B1;
constexpr ULONG TAG_RES0 = 0xADBAACCF;

ULONG ScreenDataTag(int bit);           // tag of mask bit 0 to 21; 0 for others
ULONG ScreenDataFileSize(ULONG tag);    // record size in the file; 0 for the reserved kinds

// Mask bits of GetScreenRegion.
constexpr ULONG SR_TITLEBAR = 1u << 0;
constexpr ULONG SR_GADGETDATA = 1u << 1;
constexpr ULONG SR_LOCALETEXTBOX = 1u << 2;
constexpr ULONG SR_STRINGINPUTBOX = 1u << 3;
constexpr ULONG SR_STRINGINPUTINFO = 1u << 4;
constexpr ULONG SR_DISPLAYSTATUSBOX = 1u << 5;
constexpr ULONG SR_BOXINFO = 1u << 6;
constexpr ULONG SR_TEXTDATA = 1u << 7;
constexpr ULONG SR_BUTTONDATA = 1u << 8;
constexpr ULONG SR_RECHTECK = 1u << 9;
constexpr ULONG SR_PUNKT = 1u << 10;
constexpr ULONG SR_GEBAEUDE = 1u << 11;

// The marker value of a head entry's Title (0xFFFFFFFF in the file); reads as "".
extern const char TITLEBAR_HEAD[1];

// One loaded file: its entry table in host order and the native records.
struct ExtDataEntry {
    ULONG Tag;
    ULONG Count;
    ULONG Offset;     // from byte 32 of the file
    void *Records;    // native records; for reserved kinds the bytes at Offset
};

struct ExtDataTable {
    ULONG Entries;                              // table entries, at most 24
    ExtDataEntry Entry[SCREENDAT_MAX_ENTRIES];
    UBYTE *Body;                                // file bytes from byte 32 on
    ULONG BodySize;
};

struct GlobalGadget {
    GadgetData *PressedGadget;  // the gadget held down, or null
    UWORD Released;             // 1 when no gadget is held
    UWORD GetKeyMode;
    GadgetData KeyAsGadget;     // pseudo-gadget returned for typed keys and escape
    LONG GadgetXOffset;         // shift applied to every gadget
    LONG GadgetYOffset;
};

struct ScreenRegion {
    struct ExtDataTable *ExtDataTable;
    struct GlobalGadget GlobalGadget;
    struct GadgetData *AktGadget;
    struct TitleBar *TitleBar;
    ULONG CountTitleBar;
    struct GadgetData *GadgetData;
    ULONG CountGadgetData;
    struct LocaleTextBox *LocaleTextBox;
    ULONG CountLocaleTextBox;
    struct StringInputBox *StringInputBox;
    ULONG CountStringInputBox;
    struct StringInputInfo *StringInputInfo;
    ULONG CountStringInputInfo;
    struct DisplayStatusBox *DisplayStatusBox;
    ULONG CountDisplayStatusBox;
    struct BoxInfo *BoxInfo;
    ULONG CountBoxInfo;
    struct TextData *TextData;
    ULONG CountTextData;
    struct ButtonData *ButtonData;
    ULONG CountButtonData;
    struct Rechteck *Rechteck;
    ULONG CountRechteck;
    struct Punkt *Punkt;
    ULONG CountPunkt;
    struct GebaeudeAbhaengigkeiten *GebaeudeInfoPtr;
    ULONG CountGebaeudeInfoPtr;
    void *Res[10];    // reserved kinds: the stored bytes
    ULONG CountRes[10];
};

// Loads and converts a file; the table or null (message printed). Every count,
// offset and link is checked against the file first.
ExtDataTable *ExternalDataLoad(const char *file);
// The same from file bytes in memory (the whole file, header included).
ExtDataTable *ExternalDataParse(const UBYTE *bytes, ULONG size, const char *name);
void ExternalDataUnload(ExtDataTable *table);                // null accepted
ULONG GetExternalDataCount(const ExtDataTable *table, ULONG tag);  // 0 when absent
void *GetExternalDataPtr(const ExtDataTable *table, ULONG tag);    // null when absent

ScreenRegion *GetScreenRegion(const char *file, ULONG mask);  // null when a requested kind is missing
void ClearScreenRegion(ScreenRegion *region);
void SetGadgetOffset(ScreenRegion *region, LONG x, LONG y);   // null ignored
