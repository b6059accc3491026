// Save games: ./Game/<player name>/<year>_<quarter>/{Data,Map}, copies of
// ./Data and ./Map without the screen descriptions and the index files.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "frontend/titelscreen.h"
#include "gfx/graphics.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "turn/turn.h"
#include "ui/dialogs.h"

namespace fs = std::filesystem;

namespace {

constexpr const char *kGameDir = "./Game";
// A load is copied here first, so that a failed copy leaves the current game.
constexpr const char *kStageDir = "./Game/.laden";
// Once the copy stands whole on the disk this note, holding the screen mode
// to keep, decides the load: the moves that follow are finished by the next
// run when a crash cuts them off, so ./Data never stays half replaced.
constexpr const char *kStageReady = "./Game/.laden.bereit";
// Names the save a new game puts the realm into once the save stands whole:
// from then on the realm leaves, and a run cut off is finished by the next.
constexpr const char *kLeaveNote = "./Game/.neues.spiel";
constexpr const char *kPrefsFile = "./Data/Prefs.vek";
constexpr const char *kOptionsFile = "./Data/Optionen.prefs";
constexpr UWORD kBoxPic = 66, kBoxX = 168, kBoxY = 180;

bool DeepScreen() { return VekDisplay.VekScreen_Tiefe > 8; }

void PauseTitelAnim(LokaleDatenTitelScreen *ld, signed char status)
{
    if (ld && ld->Movie1) PauseMovie(ld->Movie1, status);
}

// The kept map screen goes before its files change and comes back after.
void MapScreenFlush()
{
    if (!DeepScreen()) return;
    if (TurnMapUnlockHook) TurnMapUnlockHook();
    if (TurnMapNewSetupHook) TurnMapNewSetupHook(0);
}

void MapScreenRebuild(LokaleDatenTitelScreen *ld)
{
    if (!DeepScreen() || !TurnMapNewSetupHook) return;
    PauseTitelAnim(ld, 1);
    TurnMapNewSetupHook(1);
    PauseTitelAnim(ld, 0);
}

bool MakeDir(const std::string &path, const char *failure)
{
    if (Lock(path.c_str(), ACCESS_READ) || CreateDir(path.c_str())) return true;
    std::printf("%s", failure);
    return false;
}

// Preference 10 as a folder name: no path of its own, nothing outside ./Game.
bool PlayerFolder(std::string &out)
{
    char *name = CheckPrefsReadText(10);
    out = name ? name : "";
    FreeVec(name);
    if (out.empty() || out == "." || out == ".." || out.find('/') != std::string::npos) {
        std::printf("SaveGame : Der Spielername <%s> taugt nicht als Verzeichnis!\n", out.c_str());
        return false;
    }
    return true;
}

// The visible subfolders of dir.
std::vector<std::string> SubDirs(const std::string &dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || !it->is_directory(ec)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Lines of a choose box, REQ_LINE_SIZE bytes each.
std::vector<char> ChooseLines(const std::vector<std::string> &names)
{
    std::vector<char> lines(names.size() * REQ_LINE_SIZE, 0);
    for (size_t i = 0; i < names.size(); ++i)
        std::snprintf(&lines[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", names[i].c_str());
    return lines;
}

LONG Choose(const std::vector<std::string> &names, const LocStr &heading, const LocStr &info)
{
    const std::vector<char> lines = ChooseLines(names);
    return ChooseBox("./Data/screendat/ChooseBox.dat", 223, 130, (UWORD)names.size(), GetString(&heading),
                     lines.data(), GetString(&info));
}

// Moves every file below from into the same place below to (renames only,
// so it cannot run out of room half way). 1 when all were moved; a from that
// is gone has nothing left to move (an earlier run moved it and removed it).
int MoveTreeInto(const fs::path &from, const fs::path &to)
{
    std::error_code ec;
    if (!fs::exists(from, ec) && !ec) return 1;
    int result = 1;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path dest = to / it->path().filename();
        if (it->is_directory(ec)) {
            fs::create_directories(dest, ec);
            if (!MoveTreeInto(it->path(), dest)) result = 0;
        } else {
            std::error_code rc;
            fs::rename(it->path(), dest, rc);
            if (rc) {
                std::printf("LoadGame: Konnte %s nicht ersetzen!\n", dest.c_str());
                result = 0;
            }
        }
    }
    return ec ? 0 : result;
}

// The renames in dir survive a power cut only once dir is on the disk.
bool FlushDir(const std::string &dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Puts the flushed folder stage in place of dest in one rename; an older dest
// is swapped into stage's place, for the caller to remove. On a file system
// without the swap, the older folder steps aside under a hidden name first.
bool PutInPlace(const std::string &stage, const std::string &dest, const std::string &parent)
{
    bool ok = renameat2(AT_FDCWD, stage.c_str(), AT_FDCWD, dest.c_str(), RENAME_EXCHANGE) == 0;
    if (!ok && errno == ENOENT) {
        ok = std::rename(stage.c_str(), dest.c_str()) == 0;
    } else if (!ok) {
        const std::string old = stage + ".alt";
        std::error_code ec;
        fs::remove_all(old, ec);
        ok = std::rename(dest.c_str(), old.c_str()) == 0 && std::rename(stage.c_str(), dest.c_str()) == 0 &&
             std::rename(old.c_str(), stage.c_str()) == 0;
    }
    return FlushDir(parent) && ok;
}

// The decided load's moves, then the screen mode kept across it. The stage
// and its note go only once every file has moved; until then a later run
// tries again. 1 when the load is complete.
int FinishLoad(ULONG screenMode)
{
    const std::string stage = kStageDir;
    std::error_code ec;
    int ok = 1;
    if (fs::exists(stage, ec)) {
        ok = MoveTreeInto(stage + "/Data", "./Data") & MoveTreeInto(stage + "/Map", "./Map");
        // The options hold the mail password: owner-only, also when an older
        // save kept them readable by all.
        std::error_code pc;
        if (fs::exists(kOptionsFile, pc))
            fs::permissions(kOptionsFile, fs::perms::group_all | fs::perms::others_all, fs::perm_options::remove, pc);
        ok = SyncTree(".") && !pc && ok;  // the renames on the disk
    }
    CheckPrefs(1, PREFS_WRITE, screenMode);
    CheckPrefs(4, PREFS_WRITE, (ULONG)-1);
    if (!ok) return 0;
    fs::remove_all(stage, ec);
    if (ec || !FlushDir(kGameDir)) return 0;
    DeleteFile(kStageReady);
    return FlushDir(kGameDir) ? 1 : 0;
}

// The realm leaves for its save turnDir. The preferences go first, and
// with them the realm: the title never offers a game on the files still
// left. Then every file the save holds byte for byte goes. 1 when all went.
int LeaveForSave(const std::string &turnDir)
{
    std::error_code ec;
    if (fs::exists(kPrefsFile, ec) && !DeleteFile(kPrefsFile)) {
        std::printf("NewGame: Konnte %s nicht l\366schen!\n", kPrefsFile);
        return 0;
    }
    if (!FlushDir("./Data")) return 0;
    const int ok = CopyDir("./Data/", (turnDir + "/Data/").c_str(), COPYDIR_FILES | COPYDIR_MOVE) &
                   CopyDir("./Map/", (turnDir + "/Map/").c_str(), COPYDIR_FILES | COPYDIR_MOVE);
    if (!ok || !FlushDir("./Data") || !FlushDir("./Map")) return 0;  // the note stays for the next start
    DeleteFile(kLeaveNote);
    return FlushDir(kGameDir) ? 1 : 0;
}

void RestartMusic()
{
    ExitSoundEnv();
    std::printf("SoundBits: 0x%lx\n", (unsigned long)UserSystem.OP.SoundBits);
    // The DBM modules of the game's own drive cannot be played here; the same
    // tunes come as XM files.
    const char *module = Wuerfel(1) ? "./Mods/VekMain2.xm" : "./Mods/VekMain.xm";
    if (!InitSoundEnv(0, module)) std::printf("LoadGame: InitSoundEnv() failed!\n");
}

}  // namespace

bool IsTurnFolderName(const char *name)
{
    const size_t n = name ? std::strlen(name) : 0;
    if (n < 3 || n > 6 || name[n - 2] != '_') return false;
    for (size_t i = 0; i < n; ++i)
        if (i != n - 2 && (name[i] < '0' || name[i] > '9')) return false;
    return true;
}

std::vector<std::string> SortTurnFolders(const std::vector<std::string> &names)
{
    std::vector<std::string> valid;
    for (const std::string &n : names) {
        if (IsTurnFolderName(n.c_str()))
            valid.push_back(n);
        else
            std::printf("%s ist kein g\374ltiger Spielstand!\n", n.c_str());
    }
    auto key = [](const std::string &s) {
        return std::make_pair(std::strtoul(s.c_str(), nullptr, 10), s.back() - '0');
    };
    std::sort(valid.begin(), valid.end(), [&](const std::string &a, const std::string &b) { return key(a) > key(b); });
    return valid;
}

BOOL SaveGame(LokaleDatenTitelScreen *ld, int Move)
{
    std::printf("Routine: SaveGame\n");
    if (CheckPrefs(0, PREFS_READ, 0) < 2) return 0;
    std::string player;
    if (!PlayerFolder(player)) return 0;
    st_KORN *korn = static_cast<st_KORN *>(LoadChunk2Mem(ID_KORN, POOL_IN));
    if (!korn) {
        std::printf("SaveGame : Kein KORN-Chunk im empfangenen Zug, es wurde nichts gespeichert!\n");
        return 0;
    }
    char turn[32];
    std::snprintf(turn, sizeof turn, "%u_%u", (unsigned)korn->Jahr, (unsigned)korn->Quartal);
    FreeVec(korn);

    ChiefStruktur1 *box =
        ChiefMessageOpen(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_NONMODAL, GetString(&_VEK_TITELSCREEN_DATASAVED), 7);
    MapScreenFlush();
    const std::string playerDir = std::string(kGameDir) + "/" + player, turnDir = playerDir + "/" + turn;
    // The copy grows in a hidden folder beside the turn's (no choose box lists
    // it), is flushed once and then takes the turn's place whole: a crash
    // leaves the old save or the new one, never a part of either.
    const std::string stage = playerDir + "/." + turn + ".neu";
    std::error_code ec;
    int ok = MakeDir(kGameDir, "SaveGame : Konnte Verzeichnis Game nicht anlegen !\n") &&
             MakeDir(playerDir, "SaveGame : Konnte Verzeichnis Game nicht anlegen !\n");
    if (ok) {
        fs::remove_all(stage, ec);
        ok = MakeDir(stage, "SaveGame : Konnte Verzeichnis Game nicht anlegen !\n") &&
             MakeDir(stage + "/Data", "SaveGame : Konnte Verzeichnis Data nicht anlegen !\n") &&
             MakeDir(stage + "/Map", "SaveGame : Konnte Verzeichnis Map nicht anlegen !\n") &&
             CopyDir("./Data/", (stage + "/Data/").c_str(), COPYDIR_FILES | COPYDIR_NOSYNC) &&
             CopyDir("./Map/", (stage + "/Map/").c_str(), COPYDIR_FILES | COPYDIR_NOSYNC) &&
             SyncTree(stage.c_str()) && PutInPlace(stage, turnDir, playerDir);
        fs::remove_all(stage, ec);  // a failed copy, or the save it replaced
        // The game leaves its place only once every file of it has a copy on
        // the disk, and once the note says so: deleting file by file, a run
        // cut off would leave a realm with files missing.
        if (ok && Move) {
            const std::string note = turnDir + "\n";
            ok = WriteFileAtomic(kLeaveNote, note.data(), (ULONG)note.size(), -1) == (int)note.size() &&
                 LeaveForSave(turnDir);
        }
        if (!ok) std::printf("SaveGame : Konnte das Spiel nicht vollst\344ndig nach %s kopieren!\n", turnDir.c_str());
    }
    MapScreenRebuild(ld);
    QuitChiefMessage(box);
    return ok ? 1 : 0;
}

BOOL LoadGame(LokaleDatenTitelScreen *ld)
{
    std::printf("Routine: LoadGame\n");
    const std::vector<std::string> players = SubDirs(kGameDir);
    PauseTitelAnim(ld, 1);
    auto leave = [&](BOOL result) {
        PauseTitelAnim(ld, 0);
        return result;
    };
    if (players.empty()) {
        ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, GetString(&_VEK_TITELSCREEN_NOSCORE), 7);
        return leave(0);
    }
    const LONG p = Choose(players, _VEK_TITELSCREEN_CHOOSELORD, _VEK_TITELSCREEN_CHOOSELORD_INFO);
    if (p < 0 || p >= (LONG)players.size()) return leave(0);
    const std::string playerDir = std::string(kGameDir) + "/" + players[p];
    const std::vector<std::string> turns = SortTurnFolders(SubDirs(playerDir));
    if (turns.empty()) {
        ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, GetString(&_VEK_TITELSCREEN_NOSCOREOFPLAYER), 7);
        return leave(0);
    }
    const LONG t = Choose(turns, _VEK_TITELSCREEN_SPIELSTAND, _VEK_TITELSCREEN_SPIELSTAND_INFO);
    if (t < 0 || t >= (LONG)turns.size()) return leave(0);
    const std::string turnDir = playerDir + "/" + turns[t];

    ChiefStruktur1 *box =
        ChiefMessageOpen(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_NONMODAL, GetString(&_VEK_TITELSCREEN_DATALOAD), 7);
    std::error_code ec;
    DeleteFile(kStageReady);
    fs::remove_all(kStageDir, ec);
    const std::string stage = kStageDir;
    int ok = MakeDir(stage, "LoadGame : Konnte Verzeichnis nicht anlegen !\n") &&
             MakeDir(stage + "/Data", "LoadGame : Konnte Verzeichnis Data nicht anlegen !\n") &&
             MakeDir(stage + "/Map", "LoadGame : Konnte Verzeichnis Map nicht anlegen !\n") &&
             CopyDir((turnDir + "/Data/").c_str(), (stage + "/Data/").c_str(), COPYDIR_FILES | COPYDIR_NOSYNC) &&
             CopyDir((turnDir + "/Map/").c_str(), (stage + "/Map/").c_str(), COPYDIR_FILES | COPYDIR_NOSYNC) &&
             SyncTree(stage.c_str());
    // The note decides the load: without it the copy counts for nothing.
    const ULONG screenMode = CheckPrefs(1, PREFS_READ, 0);
    const std::string note = std::to_string(screenMode) + "\n";
    if (ok) ok = WriteFileAtomic(kStageReady, note.data(), (ULONG)note.size(), -1) == (int)note.size();
    if (!ok) {
        fs::remove_all(kStageDir, ec);
        QuitChiefMessage(box);
        std::printf("LoadGame: Der Spielstand %s konnte nicht geladen werden, das Spiel bleibt wie es war!\n",
                    turnDir.c_str());
        ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, "Der Spielstand konnte nicht geladen werden!", 7);
        return leave(0);
    }
    ExitSystem();
    MapScreenFlush();
    ok = FinishLoad(screenMode);
    if (!ok) std::printf("LoadGame: Der Spielstand %s wurde nicht vollst\344ndig geladen, der n\344chste Start l\344dt ihn zu Ende!\n", turnDir.c_str());
    SetupSystem();
    RestartMusic();
    MapScreenRebuild(ld);
    QuitChiefMessage(box);
    return leave(ok ? 1 : 0);
}

BOOL FinishInterruptedLoad()
{
    std::error_code ec;
    const ULONG size = GetFileSize(kStageReady);
    char *note = size ? static_cast<char *>(LoadFile2Mem(kStageReady, MEMF_CLEAR)) : nullptr;
    if (!note) {
        // A copy that never stood whole decided nothing: the game is as it was.
        if (fs::exists(kStageDir, ec)) fs::remove_all(kStageDir, ec);
        return 0;
    }
    const std::string text(note, std::min<ULONG>(size, 15));
    FreeVec(note);
    const ULONG screenMode = std::strtoul(text.c_str(), nullptr, 10);
    std::printf("LoadGame: Ein unterbrochenes Laden wird beendet.\n");
    return FinishLoad(screenMode) ? 1 : 0;
}

BOOL FinishInterruptedNewGame()
{
    const ULONG size = GetFileSize(kLeaveNote);
    char *note = size ? static_cast<char *>(LoadFile2Mem(kLeaveNote, MEMF_CLEAR)) : nullptr;
    if (!note) return 0;
    std::string turnDir(note, strnlen(note, size));
    FreeVec(note);
    while (!turnDir.empty() && (turnDir.back() == '\n' || turnDir.back() == '\r')) turnDir.pop_back();
    // Only a turn folder of a player below ./Game that holds the save.
    const std::string prefix = std::string(kGameDir) + "/";
    const size_t slash = turnDir.rfind('/');
    const std::string player =
        slash != std::string::npos && slash > prefix.size() ? turnDir.substr(prefix.size(), slash - prefix.size()) : "";
    std::error_code ec;
    if (turnDir.compare(0, prefix.size(), prefix) != 0 || player.empty() || player == "." || player == ".." ||
        player.find('/') != std::string::npos || !IsTurnFolderName(turnDir.c_str() + slash + 1) ||
        !fs::is_directory(turnDir + "/Data", ec)) {
        std::printf("NewGame: Der Vermerk nennt keinen Spielstand (%s) und wird verworfen!\n", turnDir.c_str());
        DeleteFile(kLeaveNote);
        return 0;
    }
    std::printf("NewGame: Das Wegr\344umen des alten Spiels nach %s wird beendet.\n", turnDir.c_str());
    return LeaveForSave(turnDir) ? 1 : 0;
}

BOOL NewGame(LokaleDatenTitelScreen *ld)
{
    std::printf("Routine: NewGame\n");
    const ULONG realm = CheckPrefs(0, PREFS_READ, 0);
    if (realm == 0) return 1;
    if (realm >= 2) {
        if (!SaveGame(ld, 1)) {
            if (CheckPrefs(0, PREFS_READ, 0) >= 2) {
                std::printf("NewGame: Das Spiel konnte nicht gesichert werden, es bleibt bestehen!\n");
                return 0;
            }
            // Saved and decided: what could not go yet goes at the next start.
            std::printf("NewGame: Das alte Spiel wird beim n\344chsten Start zu Ende wegger\344umt.\n");
        }
    } else {
        DeleteFile("./Data/Prefs.vek");
    }
    ExitSystem();
    SetupSystem();
    CheckPrefs(4, PREFS_WRITE, (ULONG)-1);
    return 1;
}
