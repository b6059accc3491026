// The catalog loader: reads an IFF catalog, checks every chunk and string
// entry against the bytes it has, and points the table's texts into its body.
// Open catalogs are kept in a list so that closing one in any order never
// leaves a text pointing into freed memory.
#include "platform/catalog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/memfile.h"
#include "platform/files.h"

Catalog *GlobalCatalog = nullptr;

namespace {

constexpr ULONG ID_FORM = MakeID('F', 'O', 'R', 'M');
constexpr ULONG ID_CTLG = MakeID('C', 'T', 'L', 'G');
constexpr ULONG ID_AUTH = MakeID('A', 'U', 'T', 'H');
constexpr ULONG ID_FVER = MakeID('F', 'V', 'E', 'R');
constexpr ULONG ID_LANG = MakeID('L', 'A', 'N', 'G');
constexpr ULONG ID_STRS = MakeID('S', 'T', 'R', 'S');

Catalog *openCatalogs = nullptr;

ULONG GetBE32(const UBYTE *p) { return (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]; }

ULONG BodySize(const Catalog *c) { return c->Fsize - 4; }

bool InBody(const Catalog *c, const char *text)
{
    const UBYTE *p = (const UBYTE *)text;
    return c->Ptr && p >= c->Ptr && p < c->Ptr + BodySize(c);
}

// The table that first and second are the first two entries of.
LocStr *FindTable(LocStr *first, LocStr *second, ULONG *count)
{
    if (first && second == first + 1) {
        if (first == VekStrings) {
            *count = VEK_STRING_COUNT;
            return first;
        }
        if (first == RoredIdezStrings) {
            *count = BT_STRING_COUNT;
            return first;
        }
    }
    *count = 0;
    return nullptr;
}

// Walks the chunks from offset 0 of the body. found gets the header offset of
// the first chunk with that ID. A chunk running past the body ends the walk.
bool FindChunk(const Catalog *c, ULONG id, ULONG *found)
{
    const ULONG size = BodySize(c);
    ULONG pos = 0;
    while (size - pos >= 8) {
        const ULONG cid = GetBE32(c->Ptr + pos), len = GetBE32(c->Ptr + pos + 4);
        if (len > size - pos - 8) return false;
        if (cid == id) {
            *found = pos;
            return true;
        }
        const unsigned long long next = (unsigned long long)pos + 8 + len + (len & 1);
        if (next >= size) return false;
        pos = (ULONG)next;
    }
    return false;
}

char *CopyText(const CatalogChunk *chunk)
{
    if (chunk->Len == 0) {
        char *na = (char *)AllocVec(4, MEMF_CLEAR);
        std::memcpy(na, "N/A", 4);
        return na;
    }
    char *text = (char *)AllocVec(chunk->Len + 1, MEMF_CLEAR);
    std::memcpy(text, chunk->Data, chunk->Len);
    return text;
}

// Every entry must lie inside the chunk, end with a zero byte within its
// padded length, and the entries must fill the chunk exactly.
bool StringsValid(const CatalogChunk *chunk)
{
    ULONG pos = 0;
    while (pos < chunk->Len) {
        if (chunk->Len - pos < 8) return false;
        const unsigned long long padded = ((unsigned long long)GetBE32(chunk->Data + pos + 4) + 3) & ~3ull;
        if (padded > chunk->Len - pos - 8) return false;
        if (!std::memchr(chunk->Data + pos + 8, 0, (size_t)padded)) return false;
        pos += 8 + (ULONG)padded;
    }
    return true;
}

void FreeCatalogRecord(Catalog *c)
{
    FreeVec(c->Version);
    FreeVec(c->Sprache);
    FreeVec(c->Author);
    FreeVec(c->Free);
    FreeVec((APTR)c->Before);
    FreeVec(c);
}

Catalog *Refuse(Catalog *c, const char *message)
{
    std::printf("%s", message);
    FreeCatalogRecord(c);
    return nullptr;
}

}  // namespace

const char *GetString(const LocStr *string)
{
    if (!string || !string->Str) return "";
    return string->Str;
}

const char *GetStringFromID(ULONG id)
{
    if (id >= (ULONG)VEK_STRING_COUNT) {
        std::printf("GetStringFromID: Unbekannte ID %u\n", id);
        return "";
    }
    return GetString(&VekStrings[id]);
}

CatalogChunk *SearchChunk(Catalog *catalog, ULONG id)
{
    ULONG pos;
    if (!catalog || !catalog->Ptr || !FindChunk(catalog, id, &pos)) return nullptr;
    const ULONG len = GetBE32(catalog->Ptr + pos + 4);
    const ULONG room = BodySize(catalog) - pos - 8;
    auto *chunk = (CatalogChunk *)AllocVec(sizeof(CatalogChunk), MEMF_CLEAR);
    chunk->Len = (len & 1) && len < room ? len + 1 : len;
    chunk->Data = catalog->Ptr + pos + 8;
    return chunk;
}

int SearchStringPos(Catalog *catalog)
{
    ULONG pos;
    if (!catalog || !catalog->Ptr || !FindChunk(catalog, ID_STRS, &pos)) return 0;
    catalog->Data = pos;
    return 1;
}

int ReadChunkData(Catalog *catalog, CatalogChunk *chunk, ULONG id, LocStr *first, LocStr *second)
{
    if (!catalog || !chunk) return 0;
    switch (id) {
    case ID_AUTH:
        FreeVec(catalog->Author);
        catalog->Author = CopyText(chunk);
        return 1;
    case ID_FVER:
        FreeVec(catalog->Version);
        catalog->Version = CopyText(chunk);
        return 1;
    case ID_LANG:
        FreeVec(catalog->Sprache);
        catalog->Sprache = CopyText(chunk);
        return 1;
    case ID_STRS: {
        ULONG count;
        LocStr *table = FindTable(first, second, &count);
        if (!table || !StringsValid(chunk)) return 0;
        if (!catalog->Before) {
            catalog->Table = table;
            catalog->TableCount = count;
            catalog->Before = (const char **)AllocVec(count * sizeof(char *), MEMF_CLEAR);
            for (ULONG i = 0; i < count; ++i) catalog->Before[i] = table[i].Str;
        } else if (catalog->Table != table) {
            return 0;
        }
        for (ULONG pos = 0; pos < chunk->Len;) {
            const ULONG sid = GetBE32(chunk->Data + pos);
            const ULONG padded = (GetBE32(chunk->Data + pos + 4) + 3) & ~3u;
            if (sid < count) table[sid].Str = (const char *)chunk->Data + pos + 8;
            pos += 8 + padded;
        }
        ++catalog->AnzStrings;
        return 1;
    }
    default:
        return 0;
    }
}

Catalog *OpenCatalog(const char *file, LocStr *first, LocStr *second)
{
    auto *c = (Catalog *)AllocVec(sizeof(Catalog), MEMF_CLEAR);
    const std::string name = std::string("catalogs/deutsch/") + (file ? file : "");
    ULONG count;
    if (!FindTable(first, second, &count)) return Refuse(c, "OpenCatalog: Unbekannte String-Tabelle.\n");
    if (std::strcmp(GetSysLanguage(), "German") != 0) {
        std::printf("OpenCatalog: Konnte das File %s nicht \366ffnen!\n", name.c_str());
        FreeCatalogRecord(c);
        return nullptr;
    }
    std::FILE *f = std::fopen(name.c_str(), "rb");
    if (!f) {
        std::printf("OpenCatalog: Konnte das File %s nicht \366ffnen!\n", name.c_str());
        FreeCatalogRecord(c);
        return nullptr;
    }
    const unsigned long long fileSize = GetFileSize(name.c_str());
    UBYTE head[12];
    const size_t got = std::fread(head, 1, sizeof head, f);
    if (got < 4 || GetBE32(head) != ID_FORM) {
        std::fclose(f);
        return Refuse(c, "OpenCatalog: Konnte den FORM Chunk nicht finden.\n");
    }
    if (got < 12 || GetBE32(head + 8) != ID_CTLG) {
        std::fclose(f);
        return Refuse(c, "OpenCatalog: Konnte den CTLG Chunk nicht finden.\n");
    }
    c->Fsize = GetBE32(head + 4);
    // The FORM size is taken from the file: it must be covered by what the file holds.
    if (c->Fsize < 4 || c->Fsize > fileSize - 8) {
        std::fclose(f);
        return Refuse(c, "OpenCatalog: Die Groesse im FORM Chunk passt nicht zum File.\n");
    }
    if (c->Fsize > 4) {
        c->Ptr = c->Free = (UBYTE *)AllocVec(c->Fsize - 4, 0);
        if (std::fread(c->Ptr, 1, c->Fsize - 4, f) != c->Fsize - 4) {
            std::fclose(f);
            return Refuse(c, "OpenCatalog: Konnte den Catalog nicht ganz lesen.\n");
        }
    }
    std::fclose(f);

    struct Step {
        ULONG id;
        const char *message;
    };
    static const Step steps[] = {
        {ID_AUTH, "Konnte den AUTH Chunk nicht lesen ."},
        {ID_FVER, "Konnte den FVER Chunk nicht lesen ."},
        {ID_LANG, "Konnte den LANG Chunk nicht lesen ."},
        {ID_STRS, "Konnte den STRS Chunk nicht lesen ."},
    };
    // All chunks are found and checked before any text of the table changes.
    CatalogChunk *chunks[4] = {};
    for (int i = 0; i < 4; ++i) {
        chunks[i] = SearchChunk(c, steps[i].id);
        const bool ok = chunks[i] && (steps[i].id != ID_STRS || StringsValid(chunks[i]));
        if (!ok) {
            for (CatalogChunk *ch : chunks) FreeVec(ch);
            return Refuse(c, steps[i].message);
        }
    }
    for (int i = 0; i < 4; ++i) {
        ReadChunkData(c, chunks[i], steps[i].id, first, second);
        FreeVec(chunks[i]);
    }
    c->NextOpen = openCatalogs;
    openCatalogs = c;
    return c;
}

Catalog *CloseCatalog(Catalog *catalog)
{
    if (!catalog) return nullptr;
    if (catalog->Table && catalog->Before) {
        for (ULONG i = 0; i < catalog->TableCount; ++i)
            if (InBody(catalog, catalog->Table[i].Str)) catalog->Table[i].Str = catalog->Before[i];
        // A catalog opened later over the same table remembers texts of this
        // one as its "before"; hand it what this one had replaced instead.
        for (Catalog *o = openCatalogs; o; o = o->NextOpen) {
            if (o == catalog || o->Table != catalog->Table || !o->Before) continue;
            for (ULONG i = 0; i < o->TableCount; ++i)
                if (InBody(catalog, o->Before[i])) o->Before[i] = catalog->Before[i];
        }
    }
    for (Catalog **p = &openCatalogs; *p; p = &(*p)->NextOpen) {
        if (*p == catalog) {
            *p = catalog->NextOpen;
            break;
        }
    }
    FreeCatalogRecord(catalog);
    return nullptr;
}

int OpenGlobalCatalog()
{
    if (GlobalCatalog) return 1;
    GlobalCatalog = OpenCatalog("VekBrowser.catalog", &VekStrings[0], &VekStrings[1]);
    return GlobalCatalog != nullptr;
}

void CloseGlobalCatalog() { GlobalCatalog = CloseCatalog(GlobalCatalog); }
