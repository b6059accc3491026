// Applies the chunks of a received turn to the player's files.
#pragma once

#include "platform/types.h"

// Applies the chunk(s) chosen by Flags (exactly one CM_* bit) from the pool
// file at Path to the player's files. Modus bit 0 (WARE): also settle the
// goods (luxury use and grain rot); Modus bit 1 (SHIP): do not repair.
// Returns 1 on success or when the pool holds no such chunk, 0 on failure.
BOOL ChunkMachine(const char *Path, ULONG Flags, ULONG Modus);
