// Loading screen description files into native records. The file body is
// kept as read; every kind's records are converted from it into arrays of
// their own, so 32-bit text IDs and links become full pointers on any host.
#include "ui/screendat.h"

#include <cstdio>
#include <cstring>

#include "platform/memfile.h"
#include "platform/catalog.h"
#include "platform/files.h"

const char TITLEBAR_HEAD[1] = "";

namespace {

// One run of equally wide fields of a file record: converted to host order
// together. A record's runs must cover it exactly (checked at compile time).
struct FieldRun {
    UBYTE Offset;
    UBYTE Width;
    UBYTE Count;
};

template <class T, size_t N> constexpr bool CoversRecord(const FieldRun (&runs)[N])
{
    size_t at = 0;
    for (const FieldRun &r : runs) {
        if (r.Offset != at) return false;
        at += (size_t)r.Width * r.Count;
    }
    return at == sizeof(T);
}

#define RUN(T, field, width, count) FieldRun{(UBYTE)offsetof(T, field), width, count}

constexpr FieldRun kTitleBarRuns[] = {RUN(TitleBarFile, X_Pos1, 2, 4), RUN(TitleBarFile, Title, 4, 1)};
constexpr FieldRun kGadgetRuns[] = {RUN(GadgetDataFile, GfxUp_ID, 2, 8), RUN(GadgetDataFile, ReturnID, 4, 2)};
constexpr FieldRun kLocaleTextBoxRuns[] = {RUN(LocaleTextBoxFile, LocaleID, 4, 1), RUN(LocaleTextBoxFile, X0, 2, 4)};
constexpr FieldRun kStringInputBoxRuns[] = {RUN(StringInputBoxFile, X0, 2, 6),
                                            RUN(StringInputBoxFile, LocaleID, 4, 1)};
constexpr FieldRun kStringInputInfoRuns[] = {RUN(StringInputInfo, X0, 2, 5)};
constexpr FieldRun kDisplayStatusBoxRuns[] = {RUN(DisplayStatusBox, FGPen, 2, 7)};
constexpr FieldRun kBoxInfoRuns[] = {RUN(BoxInfo, X0, 2, 6)};
constexpr FieldRun kTextDataRuns[] = {RUN(TextDataFile, LocaleID, 4, 1), RUN(TextDataFile, X0, 2, 2)};
constexpr FieldRun kButtonDataRuns[] = {RUN(ButtonDataFile, X0, 2, 6), RUN(ButtonDataFile, LocaleID, 4, 1)};
constexpr FieldRun kRechteckRuns[] = {RUN(Rechteck, X0, 2, 4)};
constexpr FieldRun kPunktRuns[] = {RUN(Punkt, X0, 2, 2)};
constexpr FieldRun kGebaeudeRuns[] = {
    RUN(GebaeudeAbhaengigkeiten, GfxBitfeld, 2, 1),    RUN(GebaeudeAbhaengigkeiten, Volk, 4, 1),
    RUN(GebaeudeAbhaengigkeiten, Stadtlevel, 2, 8),    RUN(GebaeudeAbhaengigkeiten, GebaeudeForschung, 1, 8),
    RUN(GebaeudeAbhaengigkeiten, AndereGebaeude, 2, 15),
};
#undef RUN

static_assert(CoversRecord<TitleBarFile>(kTitleBarRuns));
static_assert(CoversRecord<GadgetDataFile>(kGadgetRuns));
static_assert(CoversRecord<LocaleTextBoxFile>(kLocaleTextBoxRuns));
static_assert(CoversRecord<StringInputBoxFile>(kStringInputBoxRuns));
static_assert(CoversRecord<StringInputInfo>(kStringInputInfoRuns));
static_assert(CoversRecord<DisplayStatusBox>(kDisplayStatusBoxRuns));
static_assert(CoversRecord<BoxInfo>(kBoxInfoRuns));
static_assert(CoversRecord<TextDataFile>(kTextDataRuns));
static_assert(CoversRecord<ButtonDataFile>(kButtonDataRuns));
static_assert(CoversRecord<Rechteck>(kRechteckRuns));
static_assert(CoversRecord<Punkt>(kPunktRuns));
static_assert(CoversRecord<GebaeudeAbhaengigkeiten>(kGebaeudeRuns));

// Copies one big-endian file record into T in host order.
template <class T, size_t N> T ReadRecord(const UBYTE *src, const FieldRun (&runs)[N])
{
    UBYTE bytes[sizeof(T)];
    std::memcpy(bytes, src, sizeof(T));
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (const FieldRun &r : runs)
        for (int i = 0; i < r.Count; ++i) {
            UBYTE *f = bytes + r.Offset + i * r.Width;
            for (int a = 0, b = r.Width - 1; a < b; ++a, --b) {
                const UBYTE t = f[a];
                f[a] = f[b];
                f[b] = t;
            }
        }
#else
    (void)runs;
#endif
    T rec;
    std::memcpy(&rec, bytes, sizeof(T));
    return rec;
}

ULONG GetBE32(const UBYTE *p) { return (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]; }

struct KindInfo {
    ULONG Tag;
    ULONG FileSize;    // record size in the file; 0 = reserved, kept as stored
    ULONG NativeSize;
};

constexpr KindInfo kKinds[SCREENDAT_KINDS] = {
    {TAG_TITLEBAR, sizeof(TitleBarFile), sizeof(TitleBar)},
    {TAG_GADGETDATA, sizeof(GadgetDataFile), sizeof(GadgetData)},
    {TAG_LOCALETEXTBOX, sizeof(LocaleTextBoxFile), sizeof(LocaleTextBox)},
    {TAG_STRINGINPUTBOX, sizeof(StringInputBoxFile), sizeof(StringInputBox)},
    {TAG_STRINGINPUTINFO, sizeof(StringInputInfo), sizeof(StringInputInfo)},
    {TAG_DISPLAYSTATUSBOX, sizeof(DisplayStatusBox), sizeof(DisplayStatusBox)},
    {TAG_BOXINFO, sizeof(BoxInfo), sizeof(BoxInfo)},
    {TAG_TEXTDATA, sizeof(TextDataFile), sizeof(TextData)},
    {TAG_BUTTONDATA, sizeof(ButtonDataFile), sizeof(ButtonData)},
    {TAG_RECHTECK, sizeof(Rechteck), sizeof(Rechteck)},
    {TAG_PUNKT, sizeof(Punkt), sizeof(Punkt)},
    {TAG_GEBAEUDE, sizeof(GebaeudeAbhaengigkeiten), sizeof(GebaeudeAbhaengigkeiten)},
    {TAG_RES0 - 0, 0, 0}, {TAG_RES0 - 1, 0, 0}, {TAG_RES0 - 2, 0, 0}, {TAG_RES0 - 3, 0, 0},
    {TAG_RES0 - 4, 0, 0}, {TAG_RES0 - 5, 0, 0}, {TAG_RES0 - 6, 0, 0}, {TAG_RES0 - 7, 0, 0},
    {TAG_RES0 - 8, 0, 0}, {TAG_RES0 - 9, 0, 0},
};

const KindInfo *FindKind(ULONG tag)
{
    for (const KindInfo &k : kKinds)
        if (k.Tag == tag) return &k;
    return nullptr;
}

const char *TextOf(ULONG id) { return GetStringFromID(id); }

// Fills the native records of one entry from the body.
void ConvertKind(const UBYTE *src, ULONG tag, ULONG count, void *dest)
{
    for (ULONG i = 0; i < count; ++i) {
        switch (tag) {
        case TAG_TITLEBAR: {
            const auto f = ReadRecord<TitleBarFile>(src + i * sizeof(TitleBarFile), kTitleBarRuns);
            TitleBar &t = ((TitleBar *)dest)[i];
            t = {f.X_Pos1, f.Y_Pos1, f.X_Pos2, f.Y_Pos2, nullptr};
            if (f.Title == 0xFFFFFFFFu) t.Title = TITLEBAR_HEAD;
            else if (f.Title != 0) t.Title = TextOf(f.Title);
            break;
        }
        case TAG_GADGETDATA: {
            const auto f = ReadRecord<GadgetDataFile>(src + i * sizeof(GadgetDataFile), kGadgetRuns);
            ((GadgetData *)dest)[i] = {f.GfxUp_ID, f.GfxDown_ID, f.SoundFx, f.Flags, f.X0,
                                       f.Y0,       f.X1,         f.Y1,      f.ReturnID, nullptr};
            break;
        }
        case TAG_LOCALETEXTBOX: {
            const auto f = ReadRecord<LocaleTextBoxFile>(src + i * sizeof(LocaleTextBoxFile), kLocaleTextBoxRuns);
            ((LocaleTextBox *)dest)[i] = {TextOf(f.LocaleID), f.X0, f.Y0, f.X1, f.Y1};
            break;
        }
        case TAG_STRINGINPUTBOX: {
            const auto f =
                ReadRecord<StringInputBoxFile>(src + i * sizeof(StringInputBoxFile), kStringInputBoxRuns);
            ((StringInputBox *)dest)[i] = {f.X0, f.Y0, f.X1, f.Y1, f.MaxChars, f.MaxPixels, TextOf(f.LocaleID)};
            break;
        }
        case TAG_STRINGINPUTINFO:
            ((StringInputInfo *)dest)[i] =
                ReadRecord<StringInputInfo>(src + i * sizeof(StringInputInfo), kStringInputInfoRuns);
            break;
        case TAG_DISPLAYSTATUSBOX:
            ((DisplayStatusBox *)dest)[i] =
                ReadRecord<DisplayStatusBox>(src + i * sizeof(DisplayStatusBox), kDisplayStatusBoxRuns);
            break;
        case TAG_BOXINFO:
            ((BoxInfo *)dest)[i] = ReadRecord<BoxInfo>(src + i * sizeof(BoxInfo), kBoxInfoRuns);
            break;
        case TAG_TEXTDATA: {
            const auto f = ReadRecord<TextDataFile>(src + i * sizeof(TextDataFile), kTextDataRuns);
            ((TextData *)dest)[i] = {TextOf(f.LocaleID), f.X0, f.Y0};
            break;
        }
        case TAG_BUTTONDATA: {
            const auto f = ReadRecord<ButtonDataFile>(src + i * sizeof(ButtonDataFile), kButtonDataRuns);
            ((ButtonData *)dest)[i] = {f.X0, f.Y0, f.X1, f.Y1, f.BitVarID, f.BitNum, TextOf(f.LocaleID)};
            break;
        }
        case TAG_RECHTECK:
            ((Rechteck *)dest)[i] = ReadRecord<Rechteck>(src + i * sizeof(Rechteck), kRechteckRuns);
            break;
        case TAG_PUNKT:
            ((Punkt *)dest)[i] = ReadRecord<Punkt>(src + i * sizeof(Punkt), kPunktRuns);
            break;
        case TAG_GEBAEUDE:
            ((GebaeudeAbhaengigkeiten *)dest)[i] =
                ReadRecord<GebaeudeAbhaengigkeiten>(src + i * sizeof(GebaeudeAbhaengigkeiten), kGebaeudeRuns);
            break;
        default:
            break;
        }
    }
}

// The native record that starts at body offset `link`, with its tag; null when
// no loaded record starts there.
const void *RecordAt(const ExtDataTable *t, ULONG link, ULONG *tag)
{
    for (ULONG e = 0; e < t->Entries; ++e) {
        const ExtDataEntry &en = t->Entry[e];
        const KindInfo *k = FindKind(en.Tag);
        if (!k || !k->FileSize || !en.Records || link < en.Offset) continue;
        const unsigned long long rel = link - en.Offset;
        if (rel % k->FileSize || rel / k->FileSize >= en.Count) continue;
        *tag = en.Tag;
        return (const UBYTE *)en.Records + rel / k->FileSize * k->NativeSize;
    }
    return nullptr;
}

// Turns every gadget's link offset into a pointer. A text gadget must link a
// title and a hover gadget a rectangle, since drawing follows the link.
bool ResolveLinks(ExtDataTable *t, const char *name)
{
    constexpr UWORD kText = 0x04, kHover = 0x10;
    for (ULONG e = 0; e < t->Entries; ++e) {
        const ExtDataEntry &en = t->Entry[e];
        if (en.Tag != TAG_GADGETDATA) continue;
        for (ULONG i = 0; i < en.Count; ++i) {
            const UBYTE *raw = t->Body + en.Offset + i * sizeof(GadgetDataFile);
            const ULONG link = GetBE32(raw + offsetof(GadgetDataFile, Link));
            GadgetData &g = ((GadgetData *)en.Records)[i];
            ULONG tag = 0;
            g.Link = link ? RecordAt(t, link, &tag) : nullptr;
            const bool bad = (link && !g.Link) || ((g.Flags & kText) && tag != TAG_TITLEBAR) ||
                             ((g.Flags & kHover) && tag != TAG_RECHTECK);
            if (bad) {
                std::printf("ExternalDataLoad: %s: Gadget %u hat einen ungueltigen Link (%u).\n", name, i, link);
                return false;
            }
        }
    }
    return true;
}

// Title lists are walked up to an entry without a title: every loaded list
// gets a cleared entry after its last one, so the walk ends inside the block.
unsigned long long NativeBytes(const KindInfo &k, ULONG count)
{
    return (unsigned long long)(k.Tag == TAG_TITLEBAR ? count + 1 : count) * k.NativeSize;
}

constexpr unsigned long long Align(unsigned long long n) { return (n + 15u) & ~15ull; }

// Files larger than this are not screen descriptions; refusing them keeps a
// wrong file from taking all memory.
constexpr ULONG kMaxFileSize = 16u << 20;

void SetPair(ScreenRegion *r, int bit, void *records, ULONG count)
{
    switch (bit) {
    case 0: r->TitleBar = (TitleBar *)records, r->CountTitleBar = count; break;
    case 1: r->GadgetData = (GadgetData *)records, r->CountGadgetData = count; break;
    case 2: r->LocaleTextBox = (LocaleTextBox *)records, r->CountLocaleTextBox = count; break;
    case 3: r->StringInputBox = (StringInputBox *)records, r->CountStringInputBox = count; break;
    case 4: r->StringInputInfo = (StringInputInfo *)records, r->CountStringInputInfo = count; break;
    case 5: r->DisplayStatusBox = (DisplayStatusBox *)records, r->CountDisplayStatusBox = count; break;
    case 6: r->BoxInfo = (BoxInfo *)records, r->CountBoxInfo = count; break;
    case 7: r->TextData = (TextData *)records, r->CountTextData = count; break;
    case 8: r->ButtonData = (ButtonData *)records, r->CountButtonData = count; break;
    case 9: r->Rechteck = (Rechteck *)records, r->CountRechteck = count; break;
    case 10: r->Punkt = (Punkt *)records, r->CountPunkt = count; break;
    case 11: r->GebaeudeInfoPtr = (GebaeudeAbhaengigkeiten *)records, r->CountGebaeudeInfoPtr = count; break;
    default: r->Res[bit - 12] = records, r->CountRes[bit - 12] = count; break;
    }
}

}  // namespace

ULONG ScreenDataTag(int bit) { return bit >= 0 && bit < SCREENDAT_KINDS ? kKinds[bit].Tag : 0; }

ULONG ScreenDataFileSize(ULONG tag)
{
    const KindInfo *k = FindKind(tag);
    return k ? k->FileSize : 0;
}

ExtDataTable *ExternalDataParse(const UBYTE *bytes, ULONG size, const char *name)
{
    if (!name) name = "";
    if (!bytes || size < SCREENDAT_HEADER + 8 || size > kMaxFileSize) {
        std::printf("ExternalDataLoad: %s hat eine falsche Groesse (%u Bytes).\n", name, size);
        return nullptr;
    }
    const UBYTE *body = bytes + SCREENDAT_HEADER;
    const ULONG bodySize = size - SCREENDAT_HEADER;
    const ULONG entries = GetBE32(body + 4);
    if (entries > SCREENDAT_MAX_ENTRIES || 8 + 12ull * entries > bodySize) {
        std::printf("ExternalDataLoad: %s: Falsche Anzahl der Eintraege (%u).\n", name, entries);
        return nullptr;
    }
    // Check every entry against the body and add up the native arrays.
    unsigned long long nativeBytes = 0;
    for (ULONG e = 0; e < entries; ++e) {
        const UBYTE *p = body + 8 + 12 * e;
        const ULONG tag = GetBE32(p), count = GetBE32(p + 4), offset = GetBE32(p + 8);
        const KindInfo *k = FindKind(tag);
        if (!k) continue;
        const unsigned long long end = offset + (unsigned long long)count * k->FileSize;
        if (offset > bodySize || end > bodySize) {
            std::printf("ExternalDataLoad: %s: Eintrag %u (%08X) liegt ausserhalb des Files.\n", name, e, tag);
            return nullptr;
        }
        nativeBytes += Align(NativeBytes(*k, count));
    }

    const ULONG head = (ULONG)Align(sizeof(ExtDataTable));
    const unsigned long long total = head + Align(bodySize) + nativeBytes;
    if (total > 0x7FFFFFFFull) {
        std::printf("ExternalDataLoad:Konnte keinen Speicher bekommen (%llu)!\n", total);
        return nullptr;
    }
    auto *block = (UBYTE *)AllocVec((ULONG)total, MEMF_CLEAR);
    auto *t = (ExtDataTable *)block;
    t->Body = block + head;
    t->BodySize = bodySize;
    std::memcpy(t->Body, body, bodySize);
    UBYTE *native = t->Body + Align(bodySize);
    t->Entries = entries;
    for (ULONG e = 0; e < entries; ++e) {
        const UBYTE *p = t->Body + 8 + 12 * e;
        ExtDataEntry &en = t->Entry[e];
        en.Tag = GetBE32(p);
        en.Count = GetBE32(p + 4);
        en.Offset = GetBE32(p + 8);
        const KindInfo *k = FindKind(en.Tag);
        if (!k || en.Count == 0) continue;
        if (!k->FileSize) {
            en.Records = t->Body + en.Offset;
            continue;
        }
        en.Records = native;
        ConvertKind(t->Body + en.Offset, en.Tag, en.Count, native);
        native += Align(NativeBytes(*k, en.Count));
    }
    if (!ResolveLinks(t, name)) {
        FreeVec(block);
        return nullptr;
    }
    return t;
}

ExtDataTable *ExternalDataLoad(const char *file)
{
    const ULONG size = file ? GetFileSize(file) : 0;
    BPTR f = OpenToRead(file);
    if (!f) {
        std::printf("ExternalDataLoad:Konnte das File %s nicht Laden.\n", file ? file : "");
        return nullptr;
    }
    ExtDataTable *t = nullptr;
    if (size >= SCREENDAT_HEADER + 8 && size <= kMaxFileSize) {
        auto *bytes = (UBYTE *)AllocVec(size, 0);
        if (Read(f, bytes, (LONG)size) == (LONG)size) t = ExternalDataParse(bytes, size, file);
        FreeVec(bytes);
    } else {
        std::printf("ExternalDataLoad: %s hat eine falsche Groesse (%u Bytes).\n", file, size);
    }
    Close(f);
    if (!t) std::printf("ExternalDataLoad:Konnte das File %s nicht Laden.\n", file);
    return t;
}

void ExternalDataUnload(ExtDataTable *table) { FreeVec(table); }

ULONG GetExternalDataCount(const ExtDataTable *table, ULONG tag)
{
    if (!table) return 0;
    for (ULONG e = 0; e < table->Entries; ++e)
        if (table->Entry[e].Tag == tag && FindKind(tag)) return table->Entry[e].Count;
    return 0;
}

void *GetExternalDataPtr(const ExtDataTable *table, ULONG tag)
{
    if (!table) return nullptr;
    for (ULONG e = 0; e < table->Entries; ++e)
        if (table->Entry[e].Tag == tag) return table->Entry[e].Records;
    return nullptr;
}

ScreenRegion *GetScreenRegion(const char *file, ULONG mask)
{
    auto *r = (ScreenRegion *)AllocVec(sizeof(ScreenRegion), MEMF_CLEAR);
    r->ExtDataTable = ExternalDataLoad(file);
    if (!r->ExtDataTable) {
        std::printf("GetScreenRegion:Konnte keinen Speicher fuer die ExtDataTable bekommen.\n");
        FreeVec(r);
        return nullptr;
    }
    r->GlobalGadget.Released = 1;
    for (int bit = 0; bit < SCREENDAT_KINDS; ++bit) {
        if (!(mask & (1u << bit))) continue;
        const ULONG tag = kKinds[bit].Tag;
        const ULONG count = GetExternalDataCount(r->ExtDataTable, tag);
        void *records = GetExternalDataPtr(r->ExtDataTable, tag);
        if (!count || !records) {
            std::printf("GetScreenRegion:Fehler beim Einlesen der Externen Daten!\n");
            ExternalDataUnload(r->ExtDataTable);
            FreeVec(r);
            return nullptr;
        }
        SetPair(r, bit, records, count);
    }
    return r;
}

void ClearScreenRegion(ScreenRegion *region)
{
    if (!region) {
        std::printf("ERROR: ClearScreenRegion no ScreenRegion\n");
        return;
    }
    std::printf("Routine: ClearScreenRegion\n");
    ExternalDataUnload(region->ExtDataTable);
    FreeVec(region);
    std::printf("Routine: ClearScreenRegion finished\n");
}

void SetGadgetOffset(ScreenRegion *region, LONG x, LONG y)
{
    if (!region) return;
    region->GlobalGadget.GadgetXOffset = x;
    region->GlobalGadget.GadgetYOffset = y;
}
