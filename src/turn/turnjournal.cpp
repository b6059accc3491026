// One answer is applied as one transaction: before its first step every file
// of ./Data and ./Map and the mail itself are copied into a journal; the
// journal goes only after the last step has deleted the mail and advanced
// pref 31 (and, for the download's last answer, after the sent letters left
// and pref 15 went back to 0). A run that finds a journal puts the files back and applies the
// journalled mail again, so a crash never leaves a half-applied realm.
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "platform/memfile.h"
#include "turn/turn.h"

namespace fs = std::filesystem;

namespace {

const char *const Roots[] = {"Data", "Map"};

std::string JournalNew() { return std::string(TURN_JOURNAL) + ".new"; }
std::string JournalOld() { return std::string(TURN_JOURNAL) + ".old"; }

// Received mails come and go on their own, and the program's own indexes and
// screen files never change with a turn: none of them is part of the realm.
bool Journalled(const std::string &rel)
{
    if (rel.rfind("Data/POP3In/", 0) == 0 && rel.find(".email") != std::string::npos) return false;
    if (rel.rfind("Data/screendat/", 0) == 0) return false;
    for (const char *index : {"Data/Path", "Data/SfxPath", "Data/RoredIdezPath"})
        if (rel == index) return false;
    return true;
}

// Every journalled file under the roots, as paths relative to the working directory.
std::vector<std::string> RealmFiles(const std::string &base)
{
    std::vector<std::string> out;
    for (const char *root : Roots) {
        std::error_code ec;
        fs::path top = fs::path(base) / root;
        if (!fs::is_directory(top, ec)) continue;
        for (auto it = fs::recursive_directory_iterator(top, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (!it->is_regular_file(ec)) continue;
            std::string rel = fs::relative(it->path(), base, ec).generic_string();
            if (!ec && Journalled(rel)) out.push_back(rel);
        }
    }
    return out;
}

bool WrittenInPlace(const std::string &rel)
{
    return rel == "Data/Prefs.vek" || rel == "Data/BTPrefs.vek";
}

// Flushes one directory's entries (new names, renames) to the disk.
bool SyncDir(const std::string &dir)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// A copy whose bytes are on the disk when it returns. Only the journal's own
// files are flushed, not the whole file system.
bool CopyDurable(const std::string &from, const std::string &to)
{
    int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0) return false;
    struct stat st;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The copy keeps the file's permission bits for the day it goes back.
    bool ok = out >= 0 && fstat(in, &st) == 0 && fchmod(out, st.st_mode & 0777) == 0;
    char buf[65536];
    while (ok) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        ok = n > 0 && ::write(out, buf, (size_t)n) == n;
    }
    ok = ok && fdatasync(out) == 0;
    if (out >= 0) ok = ::close(out) == 0 && ok;
    ::close(in);
    return ok;
}

// A byte copy put in place whole.
bool CopyWhole(const std::string &from, const std::string &to)
{
    std::error_code ec;
    fs::create_directories(fs::path(to).parent_path(), ec);
    struct stat st;
    if (stat(from.c_str(), &st) != 0) return false;
    ULONG size = GetFileSize(from.c_str());
    APTR data = size ? LoadFile2Mem(from.c_str(), 0) : nullptr;
    if (size && !data) return false;
    int written = WriteFileAtomic(to.c_str(), data ? data : "", size, (int)(st.st_mode & 0777));
    FreeVec(data);
    return written == (int)size;
}

}  // namespace

BOOL TurnJournalBegin(const char *mailFile, ULONG key, BOOL last)
{
    std::error_code ec;
    const std::string tmp = JournalNew();
    fs::remove_all(tmp, ec);
    if (fs::exists(TURN_JOURNAL, ec)) {
        std::printf("TurnJournalBegin: Ein altes Journal liegt noch vor!\n");
        return 0;
    }
    fs::create_directories(tmp + "/files", ec);
    if (ec) return 0;
    std::set<std::string> dirs = {tmp, tmp + "/files"};
    auto fail = [&](const std::string &what) {
        std::printf("TurnJournalBegin: Konnte %s nicht sichern!\n", what.c_str());
        fs::remove_all(tmp, ec);
        return (BOOL)0;
    };
    for (const std::string &rel : RealmFiles(".")) {
        fs::path to = fs::path(tmp) / "files" / rel;
        fs::create_directories(to.parent_path(), ec);
        for (fs::path d = to.parent_path(); d.string().size() > tmp.size(); d = d.parent_path()) dirs.insert(d.string());
        // Every file of the realm is replaced whole by a rename when it
        // changes, so a second name keeps its old bytes; only the preference
        // files are written in place and need a copy of their own.
        if (!WrittenInPlace(rel) && ::link(rel.c_str(), to.c_str()) == 0) continue;
        if (!CopyDurable(rel, to.string())) return fail(rel);
    }
    if (mailFile && !CopyDurable(mailFile, tmp + "/mail.email")) return fail(mailFile);
    char state[200];
    int n = std::snprintf(state, sizeof state, "%u %u\n", (unsigned)key, (unsigned)(last ? 1 : 0));
    if (WriteFileAtomic((tmp + "/state").c_str(), state, (ULONG)n, -1) != n) return fail("state");
    for (const std::string &d : dirs)
        if (!SyncDir(d)) return fail(d);
    fs::rename(tmp, TURN_JOURNAL, ec);
    if (ec) return 0;
    SyncDir(".");
    return 1;
}

BOOL TurnJournalCommit()
{
    std::error_code ec;
    fs::remove_all(JournalOld(), ec);
    fs::rename(TURN_JOURNAL, JournalOld(), ec);
    if (ec) return 0;
    SyncDir(".");
    fs::remove_all(JournalOld(), ec);
    return 1;
}

BOOL TurnJournalRestore(char *mailFile, ULONG size, ULONG *key, BOOL *last)
{
    std::error_code ec;
    // A journal still being written: nothing was changed yet.
    fs::remove_all(JournalNew(), ec);
    fs::remove_all(JournalOld(), ec);
    if (mailFile && size) mailFile[0] = 0;
    if (!fs::is_directory(TURN_JOURNAL, ec)) return 0;
    std::printf("TurnJournalRestore: Unterbrochene \334bernahme eines Spielzugs wird wiederholt...\n");
    const std::string base = std::string(TURN_JOURNAL) + "/files";
    std::vector<std::string> saved = RealmFiles(base);
    for (const std::string &rel : saved) {
        if (!CopyWhole(base + "/" + rel, rel)) {
            std::printf("TurnJournalRestore: Konnte %s nicht zur\374ckholen!\n", rel.c_str());
            return 0;
        }
    }
    std::vector<std::string> now = RealmFiles(".");
    std::sort(saved.begin(), saved.end());
    for (const std::string &rel : now)
        if (!std::binary_search(saved.begin(), saved.end(), rel)) fs::remove(rel, ec);
    unsigned k = 0, l = 0;
    if (FILE *f = std::fopen((std::string(TURN_JOURNAL) + "/state").c_str(), "rb")) {
        if (std::fscanf(f, "%u %u", &k, &l) != 2) k = l = 0;
        std::fclose(f);
    }
    if (key) *key = k;
    if (last) *last = l != 0;
    std::string mail = std::string(TURN_JOURNAL) + "/mail.email";
    if (mailFile && size && fs::exists(mail, ec)) std::snprintf(mailFile, size, "%s", mail.c_str());
    return 1;
}
