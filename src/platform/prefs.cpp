// Preference files: stand-ins until the preference files are built.
#include "platform/prefs.h"

#include "platform/system.h"

ULONG CheckPrefs(UWORD, UWORD, ULONG) { return PREFS_FAIL; }
int OptionenPrefsSave() { return 0; }
int OptionenPrefsLoad() { return 0; }
void OptionPrefsDefault()
{
    UserSystem.OP.SoundBits = (UserSystem.SoundMask & 0x3D) | 0xC0;
    UserSystem.SoundStatus = UserSystem.OP.SoundBits;
    UserSystem.VekFlags |= VEKFLAG_OPTIONS_REBUILT;
}
ULONG RoredIdezPrefs(UWORD, UWORD, ULONG) { return PREFS_FAIL; }
