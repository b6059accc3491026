// Catalog strings: built-in English texts by ID, replaced by a loaded catalog.
// A catalog (IFF FORM CTLG) sets the text pointers of one table to texts in
// its own body; closing it gives those entries their earlier texts back.
#pragma once
#include "platform/types.h"

struct LocStr {
    UWORD ID;
    const char *Str;  // the built-in text, or the loaded catalog's text
};

constexpr int VEK_STRING_COUNT = 1581;
constexpr int BT_STRING_COUNT = 45;

extern LocStr VekStrings[VEK_STRING_COUNT];       // game strings in table order
extern LocStr RoredIdezStrings[BT_STRING_COUNT];  // story strings, ID = position

// One open catalog. The replaced texts point into Ptr while it is open.
struct Catalog {
    char *Version;         // FVER text, own block ("N/A" when empty)
    char *Sprache;         // LANG text, own block
    char *Author;          // AUTH text, own block
    ULONG Fsize;           // size from the FORM header (counts "CTLG" and the chunks)
    ULONG Data;            // read position within the body
    UBYTE *Ptr;            // the chunks after "CTLG", Fsize - 4 bytes, owned
    UBYTE *Free;           // the same block
    ULONG AnzStrings;      // STRS chunks read
    LocStr *Table;         // the table whose texts this catalog replaced
    ULONG TableCount;
    const char **Before;   // each entry's text before this catalog, TableCount slots
    Catalog *NextOpen;     // list of open catalogs
};

// A chunk found in a catalog body: data and its length rounded up to even.
struct CatalogChunk {
    ULONG Len;
    UBYTE *Data;
};

constexpr ULONG MakeID(char a, char b, char c, char d)
{
    return (ULONG)(UBYTE)a << 24 | (ULONG)(UBYTE)b << 16 | (ULONG)(UBYTE)c << 8 | (ULONG)(UBYTE)d;
}

const char *GetString(const LocStr *string);       // current text; "" for null or an empty entry
const char *GetStringFromID(ULONG id);             // game string at position id; "" when out of range

// Opens "catalogs/deutsch/<file>" when the system language is German and
// replaces the texts of the table that first and second (its first two
// entries) belong to. Null when it cannot be used; the texts stay as they were.
Catalog *OpenCatalog(const char *file, LocStr *first, LocStr *second);
Catalog *CloseCatalog(Catalog *catalog);           // null accepted; returns null

// Steps of OpenCatalog. SearchChunk returns a new record (FreeVec) or null.
CatalogChunk *SearchChunk(Catalog *catalog, ULONG id);
int SearchStringPos(Catalog *catalog);             // 1 when Data now stands at the STRS chunk
int ReadChunkData(Catalog *catalog, CatalogChunk *chunk, ULONG id, LocStr *first, LocStr *second);  // 1 or 0

// The catalog of the game strings, open for the whole run.
extern Catalog *GlobalCatalog;
int OpenGlobalCatalog();                           // 1 when the game catalog is open afterwards
void CloseGlobalCatalog();
