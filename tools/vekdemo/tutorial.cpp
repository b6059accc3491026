// The "Tutorial" preferences: the demo realm's numbered preferences with a
// new turn applied and the tutorial not yet begun, so that the residence
// offers it on the next visit. Tests copy Tutorial/Data/Prefs.vek over a
// working copy's. Runs inside the demo set after its preferences are written.
#include <cstdio>
#include <filesystem>

#include "kit.h"
#include "platform/files.h"
#include "platform/prefs.h"

namespace vekdemo {

bool WriteTutorialPrefs()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories("Tutorial/Data", ec);
    if (ec || !CopyFile("./Data/Prefs.vek", "./Tutorial/Data/Prefs.vek", 0)) return false;
    const fs::path back = fs::current_path(ec);
    fs::current_path("Tutorial", ec);
    if (ec) return false;
    const bool ok = CheckPrefsWrite(30, 0) && CheckPrefsWrite(35, 1);
    fs::current_path(back, ec);
    return ok && !ec;
}

}  // namespace vekdemo
