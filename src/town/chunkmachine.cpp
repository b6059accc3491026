// Applies the chunks of a received turn to the player's files.
#include "town/chunkmachine.h"

BOOL ChunkMachine(const char *Path, ULONG Flags, ULONG Modus)
{
    (void)Path;
    (void)Flags;
    (void)Modus;
    return 0;
}
