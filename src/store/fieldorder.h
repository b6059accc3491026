// File records described by a table of their fields, so that one walker can
// convert any of them between the byte order of a file and the host's. A
// compile-time check (Covers) makes sure a table covers its record without
// gaps, so a field added to a record without a row breaks the build.
#pragma once
#include <cstddef>
#include "platform/types.h"

namespace fieldorder {

struct Record;

struct Field {
    UWORD offset;        // from the start of the record
    UWORD size;          // bytes
    UBYTE width;         // 2 or 4: converted in units of this width; 0: bytes, copied as they are
    const Record *sub;   // a nested record converted by its own table
};

struct Record {
    const Field *fields;
    UWORD count;
    UWORD start;         // first byte the table covers
    UWORD size;          // end of the record
};

#define F_BYTES(T, f) ::fieldorder::Field{(UWORD)offsetof(T, f), (UWORD)sizeof(T::f), 0, nullptr}
#define F_16(T, f) ::fieldorder::Field{(UWORD)offsetof(T, f), (UWORD)sizeof(T::f), 2, nullptr}
#define F_32(T, f) ::fieldorder::Field{(UWORD)offsetof(T, f), (UWORD)sizeof(T::f), 4, nullptr}
#define F_SUB(T, f, rec) ::fieldorder::Field{(UWORD)offsetof(T, f), (UWORD)sizeof(T::f), 0, &rec}
#define RECORD(table, T, start) \
    ::fieldorder::Record{table, (UWORD)(sizeof(table) / sizeof(::fieldorder::Field)), start, (UWORD)sizeof(T)}

// Fields back to back from start to the end, each width dividing its size.
constexpr bool Covers(const Record &r)
{
    ULONG pos = r.start;
    for (UWORD i = 0; i < r.count; ++i) {
        const Field &f = r.fields[i];
        if (f.offset != pos || f.size == 0) return false;
        if (f.width != 0 && f.width != 2 && f.width != 4) return false;
        if (f.width && f.size % f.width) return false;
        if (f.sub && (f.width || f.sub->start != 0 || f.sub->size != f.size)) return false;
        pos += f.size;
    }
    return pos == r.size;
}

// Reverses the bytes of every 16- and 32-bit field of the record that starts
// at data + base; bytes at or beyond data + end stay as they are.
void SwapFields(UBYTE *data, size_t base, const Record &r, size_t end);

}  // namespace fieldorder
