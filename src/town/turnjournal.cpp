// One answer is applied as one transaction: before its first step every file
// of ./Data and ./Map and the mail itself are copied into a journal; the
// journal goes only after the last step has deleted the mail and advanced
// pref 31. A run that finds a journal puts the files back and applies the
// journalled mail again, so a crash never leaves a half-applied realm.
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "platform/memfile.h"
#include "town/turn.h"

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

bool SyncTree(const std::string &dir)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    bool ok = syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

// A byte copy put in place whole.
bool CopyWhole(const std::string &from, const std::string &to)
{
    std::error_code ec;
    fs::create_directories(fs::path(to).parent_path(), ec);
    ULONG size = GetFileSize(from.c_str());
    APTR data = size ? LoadFile2Mem(from.c_str(), 0) : nullptr;
    if (size && !data) return false;
    int written = WriteFileAtomic(to.c_str(), data ? data : "", size, -1);
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
    // Plain copies: one flush of the whole file system below makes them durable.
    for (const std::string &rel : RealmFiles(".")) {
        fs::path to = fs::path(tmp) / "files" / rel;
        fs::create_directories(to.parent_path(), ec);
        if (!fs::copy_file(rel, to, fs::copy_options::overwrite_existing, ec)) {
            std::printf("TurnJournalBegin: Konnte %s nicht sichern!\n", rel.c_str());
            fs::remove_all(tmp, ec);
            return 0;
        }
    }
    if (mailFile && !fs::copy_file(mailFile, tmp + "/mail.email", ec)) {
        fs::remove_all(tmp, ec);
        return 0;
    }
    char state[200];
    int n = std::snprintf(state, sizeof state, "%u %u\n", (unsigned)key, (unsigned)(last ? 1 : 0));
    if (FILE *f = std::fopen((tmp + "/state").c_str(), "wb")) {
        std::fwrite(state, 1, (size_t)n, f);
        std::fclose(f);
    }
    if (!SyncTree(tmp)) {
        fs::remove_all(tmp, ec);
        return 0;
    }
    fs::rename(tmp, TURN_JOURNAL, ec);
    if (ec) return 0;
    SyncTree(".");
    return 1;
}

BOOL TurnJournalCommit()
{
    std::error_code ec;
    fs::remove_all(JournalOld(), ec);
    fs::rename(TURN_JOURNAL, JournalOld(), ec);
    if (ec) return 0;
    SyncTree(".");
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
    std::printf("TurnJournalRestore: Unterbrochene Übernahme eines Spielzugs wird wiederholt...\n");
    const std::string base = std::string(TURN_JOURNAL) + "/files";
    std::vector<std::string> saved = RealmFiles(base);
    for (const std::string &rel : saved) {
        if (!CopyWhole(base + "/" + rel, rel)) {
            std::printf("TurnJournalRestore: Konnte %s nicht zurückholen!\n", rel.c_str());
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
