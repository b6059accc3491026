// The journal of a screen's Ok: a directory with one entry per file, named
// "<n>-<kept>-<path in hex>": a second name of the old file when it was kept,
// an empty file when it was missing. The names carry everything, so only the
// directory needs flushing; written as ./OkJournal.new and renamed into place
// once whole on disk.
#include "world/okjournal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "platform/files.h"
#include "platform/memfile.h"

namespace fs = std::filesystem;

BOOL (*OkJournalStepHook)(ULONG Schritt) = nullptr;

namespace {

std::string JournalNew() { return std::string(OK_JOURNAL) + ".new"; }
std::string JournalOld() { return std::string(OK_JOURNAL) + ".old"; }

bool SyncPath(const std::string &path, int flags)
{
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool CopyDurable(const std::string &from, const std::string &to)
{
    int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0) return false;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    bool ok = out >= 0;
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

struct Eintrag {
    unsigned nummer;
    bool gesichert;
    std::string pfad;
    std::string name;  // in the journal
};

std::string Hex(const std::string &t)
{
    static const char d[] = "0123456789abcdef";
    std::string h;
    for (unsigned char c : t) h += d[c >> 4], h += d[c & 15];
    return h;
}

bool Unhex(const std::string &h, std::string *t)
{
    if (h.empty() || h.size() % 2) return false;
    auto nib = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    t->clear();
    for (size_t i = 0; i < h.size(); i += 2) {
        const int a = nib(h[i]), b = nib(h[i + 1]);
        if (a < 0 || b < 0 || (a == 0 && b == 0)) return false;
        *t += (char)(a * 16 + b);
    }
    return true;
}

// The entries of a journal by number; ok false when a name is not one of ours.
std::vector<Eintrag> LeseListe(const std::string &dir, bool *ok)
{
    std::vector<Eintrag> out;
    std::error_code ec;
    *ok = true;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        unsigned n = 0, k = 0;
        int used = 0;
        Eintrag e;
        if (std::sscanf(name.c_str(), "%u-%u-%n", &n, &k, &used) != 2 || used <= 0 || k > 1 ||
            !Unhex(name.substr((size_t)used), &e.pfad)) {
            *ok = false;
            continue;
        }
        e.nummer = n, e.gesichert = k == 1, e.name = name;
        out.push_back(e);
    }
    if (ec) *ok = false;
    std::sort(out.begin(), out.end(), [](const Eintrag &a, const Eintrag &b) { return a.nummer < b.nummer; });
    return out;
}

}  // namespace

BOOL OkJournalBegin(const char *const *Dateien, ULONG Anzahl)
{
    std::error_code ec;
    const std::string tmp = JournalNew();
    fs::remove_all(tmp, ec);
    if (fs::exists(OK_JOURNAL, ec)) {
        // A change a crash cut off is rolled back before a new one starts.
        if (!OkJournalRestore()) {
            std::printf("OkJournalBegin: Ein altes Journal liegt noch vor!\n");
            return 0;
        }
    }
    fs::create_directories(tmp, ec);
    if (ec) return 0;
    auto fail = [&](const char *what) {
        std::printf("OkJournalBegin: Konnte %s nicht sichern!\n", what);
        fs::remove_all(tmp, ec);
        return (BOOL)0;
    };
    for (ULONG i = 0; i < Anzahl; ++i) {
        const char *d = Dateien[i];
        if (!d || !*d || std::strlen(d) > 100) return fail("einen Dateinamen");
        const bool da = IsFilePresent(d);
        const std::string to = tmp + "/" + std::to_string(i) + (da ? "-1-" : "-0-") + Hex(d);
        if (da) {
            // Files are replaced by a rename, so a second name keeps the old bytes.
            if (::link(d, to.c_str()) != 0 && !CopyDurable(d, to)) return fail(d);
        } else {
            const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0 || ::close(fd) != 0) return fail(d);
        }
    }
    if (!SyncPath(tmp, O_RDONLY | O_DIRECTORY)) return fail(tmp.c_str());
    fs::rename(tmp, OK_JOURNAL, ec);
    if (ec) return fail(OK_JOURNAL);
    SyncPath(".", O_RDONLY | O_DIRECTORY);
    return 1;
}

BOOL OkJournalCommit()
{
    std::error_code ec;
    fs::remove_all(JournalOld(), ec);
    // Renamed first, so that a journal is never found half removed; flushed,
    // so that a later change is never rolled back by a journal that returns.
    fs::rename(OK_JOURNAL, JournalOld(), ec);
    if (ec) return 0;
    SyncPath(".", O_RDONLY | O_DIRECTORY);
    fs::remove_all(JournalOld(), ec);
    return 1;
}

BOOL OkJournalRestore()
{
    std::error_code ec;
    // A journal still being written: nothing was changed yet.
    fs::remove_all(JournalNew(), ec);
    fs::remove_all(JournalOld(), ec);
    if (!fs::is_directory(OK_JOURNAL, ec)) return 0;
    std::printf("OkJournalRestore: Eine unterbrochene \304nderung wird zur\374ckgenommen...\n");
    bool ok = false;
    const std::vector<Eintrag> liste = LeseListe(OK_JOURNAL, &ok);
    if (!ok) {
        // Every name is written before the journal is renamed into place, so a
        // name that is not one of ours was put there by something else.
        std::printf("OkJournalRestore: Das Journal ist unlesbar!\n");
        return 0;
    }
    for (const Eintrag &e : liste) {
        if (e.gesichert) {
            const std::string from = std::string(OK_JOURNAL) + "/" + e.name;
            ULONG size = GetFileSize(from.c_str());
            APTR data = size ? LoadFile2Mem(from.c_str(), 0) : nullptr;
            if ((size && !data) || WriteFileAtomic(e.pfad.c_str(), data ? data : "", size, -1) != (int)size) {
                FreeVec(data);
                std::printf("OkJournalRestore: Konnte %s nicht zur\374ckholen!\n", e.pfad.c_str());
                return 0;
            }
            FreeVec(data);
        } else if (IsFilePresent(e.pfad.c_str()) && !DeleteFile(e.pfad.c_str())) {
            std::printf("OkJournalRestore: Konnte %s nicht l\366schen!\n", e.pfad.c_str());
            return 0;
        }
    }
    return OkJournalCommit();
}
