// Sound environment: stand-in until sound effects and music are built.
#include "media/media.h"

#include "platform/system.h"

int InitSoundEnv(int, const char *moduleName)
{
    UserSystem.SoundModuleName = moduleName;
    return 1;
}

void ExitSoundEnv() {}
