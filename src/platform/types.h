// Basic integer types of the game code. Widths are fixed because records built
// from them go to files and the wire.
#pragma once
#include <cstdint>
#include <cstdio>

using UBYTE = uint8_t;
using BYTE = int8_t;
using UWORD = uint16_t;
using WORD = int16_t;
using ULONG = uint32_t;
using LONG = int32_t;
using BOOL = int32_t;  // 32 bits wide where it lies in a stored record
using APTR = void *;
using STRPTR = char *;
using BPTR = std::FILE *;  // a file handle; null means no file

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
