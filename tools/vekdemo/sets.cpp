// Two more starting points beside the realm: a newcomer who has never
// played (the game's folders, no preferences, nothing received), and a
// player with a save game - the first turn saved by the client's own
// SaveGame - who has played on to the second turn. The saves lie over a copy
// of the realm: only what differs from it is stored.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "frontend/titelscreen.h"
#include "kit.h"
#include "platform/memfile.h"
#include "store/chunks.h"
#include "store/store.h"

namespace vekdemo {

namespace {

namespace fs = std::filesystem;

// The realm's game files (not the screen descriptions, which belong to the set).
bool CopyGame(const std::string &root, const std::string &to)
{
    std::error_code ec;
    for (const char *part : {"Data", "Map"}) {
        fs::create_directories(to + "/" + part, ec);
        for (const auto &e : fs::directory_iterator(root + "/" + part, ec)) {
            const std::string name = e.path().filename().string();
            if (name == "screendat" || name == "Path" || name == "SfxPath" || name == "RoredIdezPath") continue;
            fs::copy(e.path(), to + "/" + part + "/" + name, fs::copy_options::recursive, ec);
            if (ec) return false;
        }
    }
    return !ec;
}

// The received pool moved on by one quarter.
bool NextQuarter()
{
    auto *korn = static_cast<st_KORN *>(LoadChunk2Mem(ID_KORN, POOL_IN));
    if (!korn) return false;
    if (++korn->Quartal > 4) {
        korn->Quartal = 1;
        ++korn->Jahr;
    }
    const bool ok = AddChunkPool(korn, POOL_IN);
    FreeVec(korn);
    return ok;
}

}  // namespace

void WriteStartingPoints(Output &out)
{
    for (const char *dir : {"Newcomer/Data/POP3In", "Newcomer/Data/POP3Out", "Newcomer/Data/MailIn",
                            "Newcomer/Data/MailOut", "Newcomer/Data/Cities", "Newcomer/Map"})
        out.Dir(dir);

    const std::string saves = out.root() + "/Saves";
    if (!CopyGame(out.root(), saves)) {
        std::fprintf(stderr, "vekdemo: cannot copy the realm into %s\n", saves.c_str());
        out.Fail();
        return;
    }
    const int back = open(".", O_RDONLY | O_DIRECTORY);
    if (chdir(saves.c_str()) != 0) {
        if (back >= 0) close(back);
        std::fprintf(stderr, "vekdemo: cannot enter %s\n", saves.c_str());
        out.Fail();
        return;
    }
    bool good = SaveGame(nullptr, 0) == 1 && NextQuarter();
    if (!good) std::fprintf(stderr, "vekdemo: the save game was not made\n");
    if (back >= 0) {
        good = fchdir(back) == 0 && good;
        close(back);
    }
    // The second turn's received pool is all that differs from the realm.
    std::error_code ec;
    const std::string pool = saves + "/Data/POP3In/GameChunk.vek", kept = saves + "/GameChunk.vek";
    fs::rename(pool, kept, ec);
    fs::remove_all(saves + "/Data", ec);
    fs::remove_all(saves + "/Map", ec);
    fs::create_directories(saves + "/Data/POP3In", ec);
    fs::rename(kept, pool, ec);
    if (!good || ec) out.Fail();
}

}  // namespace vekdemo
