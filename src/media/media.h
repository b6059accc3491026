// Animation and sound: what start-up and shutdown call.
#pragma once
#include "platform/types.h"

int InitSoundEnv(int mode, const char *moduleName);  // 1 when the sound environment is ready
void ExitSoundEnv();
