// Mail-safe text packer: turns a block of bytes into printable lines that
// survive mail servers (";XEncode;" text with a substitution table for the
// commonest bytes and two checksums), and finds, checks and restores such a
// block in a received mail text.
#pragma once
#include "platform/types.h"
#include "store/mailinfo.h"

// Results of Implode.
constexpr ULONG IMPLODE_OK = 0;
constexpr ULONG IMPLODE_SIZE = 2;     // the text did not come out at its computed size
constexpr ULONG IMPLODE_NOMEM = 3;    // the text would not fit in 32 bits of length
constexpr ULONG IMPLODE_EMPTY = 4;    // nothing to pack

// Results of Explode.
constexpr ULONG EXPLODE_OK = 0;
constexpr ULONG EXPLODE_MALFORMED = 1;  // not a letter where a pair must be, 'Q' missing, text ends early
constexpr ULONG EXPLODE_SIZE = 2;       // unit count differs from the declared length, or a pair cut by ";;"
constexpr ULONG EXPLODE_HEADER = 3;     // no header, or a header field that is not valid
constexpr ULONG EXPLODE_SUBST = 4;      // a data character that is none of the text's substitutes
constexpr ULONG EXPLODE_CHECKSUM = 5;   // text or data checksum differs

// Packs VekMailData/VekMailLength into a new AllocVec block of text (NUL after
// it, not counted). On IMPLODE_OK the record holds the text, VekMailModus is 0
// and the caller still owns (and frees) the old data; otherwise nothing changes.
ULONG Implode(VekMailInfo *Buffer);

// Finds the packed block in the VekMailLength bytes at VekMailData (a NUL ends
// the text early; nothing past the length is read) and restores the bytes into
// a new AllocVec block. On EXPLODE_OK the record holds the data, VekMailModus is
// 0 and the caller still owns the old text. A null record or an empty text is
// EXPLODE_OK with nothing changed, so callers must check for empty input first.
ULONG Explode(VekMailInfo *Buffer);

// Dekodiert 0: sum over Length data bytes. Otherwise: sum over the counted
// characters of a text up to its ";;" mark, 0 when the text ends (NUL or
// Length bytes) before the mark.
ULONG CalcCheckSum(const UBYTE *Buffer, ULONG Length, ULONG Dekodiert);
