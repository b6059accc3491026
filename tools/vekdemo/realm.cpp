// The player's side of the demo set that the client writes itself: the
// numbered and story preferences, written through the client's own
// preference routines so that their files are exactly what it expects, and
// the folders the game files live in.
#include <climits>
#include <cstdio>
#include <unistd.h>

#include "kit.h"
#include "platform/prefs.h"

namespace vekdemo {

namespace {

struct Pref {
    uint16_t id;
    uint32_t value;
};

// Player 7 of the game "Demoland", year 1 quarter 1, a turn sent and applied,
// tutorial and tips done, the dungeon placed north-west of the capital at
// (120, 60). Preference 0 stays 0 (no realm set up) until the realm's pools,
// map tiles and town files are part of the set.
constexpr Pref prefs[] = {
    {0, 0},   {2, 1},   {3, 1},   {4, 0},   {9, 7},   {13, 1},  {15, 1},  {16, 1},  {17, 0},  {18, 10},
    {19, 400}, {20, 250}, {21, (uint32_t)-2}, {22, 1}, {23, 0}, {24, 0}, {25, 20}, {27, 50}, {28, 9},
    {30, 18}, {31, 0},  {32, 30}, {33, 2},  {34, 40}, {35, 0},  {37, 1},  {38, 119}, {39, 59},
};

// Story flags: the first story told, the next one due is 13.
constexpr Pref storyPrefs[] = {{0, 13}, {2, 1}};

}  // namespace

void WriteRealm(Output &out)
{
    for (const char *dir : {"Data/POP3In", "Data/POP3Out", "Data/MailIn", "Data/MailOut", "Data/Cities", "Map"})
        out.Dir(dir);
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd) || chdir(out.root().c_str()) != 0) {
        std::fprintf(stderr, "vekdemo: cannot enter %s\n", out.root().c_str());
        out.Fail();
        return;
    }
    bool good = true;
    for (const Pref &p : prefs) good = CheckPrefsWrite(p.id, p.value) && good;
    good = CheckPrefsWriteText(8, OPTIONEN_EMAIL_PLATZHALTER) && good;
    good = CheckPrefsWriteText(10, "Demoland") && good;
    for (const Pref &p : storyPrefs) good = RoredIdezPrefsWrite(p.id, p.value) && good;
    if (chdir(cwd) != 0 || !good) {
        std::fprintf(stderr, "vekdemo: the preferences could not be written\n");
        out.Fail();
    }
}

}  // namespace vekdemo
