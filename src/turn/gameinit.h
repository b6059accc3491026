// A game's start from the server's first turn and its end.
#pragma once
#include "platform/types.h"

// Turns the first received pool (INFO, IMAP, PMAP, BMAP, GEBA) at Path into
// a playable start: player record, figure file, map tiles and knowledge,
// a dungeon beside the capital, buildings, starting wares, worked fields,
// and no files of an earlier game. Every step runs; 1 when all went through.
BOOL GameInit(const char *Path);
// Removes every game file and asks whether the options are kept for the
// next game. 1 when every folder was emptied.
BOOL GameExit();

