// Whole-file and directory services on the system library.
#include "platform/files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

ULONG GetFileSize(const char *name)
{
    if (!name) {
        std::printf("GeFileSize: Parameter nicht valid!\n");
        return 0;
    }
    struct stat st;
    if (stat(name, &st) != 0) {
        std::printf("GetFileSize: Konnte die Datei <%s> nicht \366ffnen\n", name);
        return 0;
    }
    return st.st_size > 0xFFFFFFFFLL ? 0xFFFFFFFFu : (ULONG)st.st_size;
}

int IsFilePresent(const char *name)
{
    std::FILE *f = name ? std::fopen(name, "rb") : nullptr;
    if (!f) return 0;
    std::fclose(f);
    return 1;
}

APTR LoadFile2Mem(const char *name, ULONG memFlags)
{
    std::printf("Routine: LoadFile2Mem start\n");
    ULONG size = GetFileSize(name);
    if (size > 0 && size <= 0x7FFFFFFFu) {
        if (BPTR f = OpenToRead(name)) {
            APTR buffer = AllocVec(size, memFlags);
            LONG got = Read(f, buffer, (LONG)size);
            Close(f);
            if (got == (LONG)size) return buffer;
            FreeVec(buffer);
        }
    }
    std::printf("LoadFile2Mem: ERROR!!! Could not load \"%s\"!!!\n", name ? name : "");
    return nullptr;
}

namespace {

// The rename itself survives a power cut only once the directory is on disk.
void SyncDirectoryOf(const char *name)
{
    std::string dir = name;
    size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

}  // namespace

int CreateTempBeside(const char *name, char *tmp, ULONG tmpSize)
{
    if (!name || !tmp || tmpSize == 0) return -1;
    const char *slash = std::strrchr(name, '/');
    const std::string dir = slash ? std::string(name, (size_t)(slash - name) + 1) : std::string();
    const std::string base = slash ? slash + 1 : name;
    if (base.empty()) return -1;
    // A leading "." hides the file from every reader's mask (*.email, *.vek ...).
    const std::string prefix = "." + base + ".";
    const std::string pattern = dir + prefix + "XXXXXX";
    if (pattern.size() >= tmpSize) return -1;
    // What an interrupted write of the same target left behind goes first.
    if (DIR *d = opendir(dir.empty() ? "." : dir.c_str())) {
        while (struct dirent *e = readdir(d)) {
            if (std::strlen(e->d_name) == prefix.size() + 6 && std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0)
                ::unlink((dir + e->d_name).c_str());
        }
        closedir(d);
    }
    std::memcpy(tmp, pattern.c_str(), pattern.size() + 1);
    return mkstemp(tmp);
}

int WriteFileAtomic(const char *name, const void *buffer, ULONG length, int mode)
{
    char tmp[4096];
    int fd = CreateTempBeside(name, tmp, sizeof tmp);
    if (fd < 0) return -1;
    if (mode < 0) {
        struct stat st;
        if (stat(name, &st) == 0) {
            mode = st.st_mode & 07777;
        } else {
            mode_t mask = umask(0);
            umask(mask);
            mode = 0666 & ~mask;
        }
    }
    fchmod(fd, (mode_t)mode);
    const char *p = (const char *)buffer;
    ULONG left = length;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= (ULONG)n;
    }
    bool ok = left == 0 && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(tmp, name) == 0) {
        SyncDirectoryOf(name);
        return (int)length;
    }
    ::unlink(tmp);
    return left ? (int)(length - left) : -1;
}

int SaveMem2File(const char *name, const void *buffer, ULONG length)
{
    if (!name || (!buffer && length)) return 0;
    int written = WriteFileAtomic(name, buffer, length, -1);
    if (written < 0) {
        std::printf("SaveMem2File:Konnte File %s nicht anlegen\n", name);
        return 0;
    }
    if ((ULONG)written != length) {
        std::printf("SaveMem2File:Konnte File (%s, %d/%d) nicht komplett schreiben!\n", name, written, (int)length);
        return 0;
    }
    return 1;
}

namespace {

// Reads a whole file; false when it cannot be opened or read completely.
bool ReadWhole(const char *name, std::string &out)
{
    std::FILE *f = std::fopen(name, "rb");
    if (!f) return false;
    out.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool IsRegularFile(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Reads a regular file of the size stat gives: a FIFO, a device or a file
// that changes size while read is refused instead of read until its end.
// mode, when given, receives its permission bits.
bool ReadRegular(const char *name, std::string &out, mode_t *mode = nullptr)
{
    int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && mode) *mode = st.st_mode & 0777;
    if (ok) {
        out.resize((size_t)st.st_size);
        size_t got = 0;
        while (got < out.size()) {
            ssize_t n = ::read(fd, out.data() + got, out.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += (size_t)n;
        }
        char extra;
        ok = got == out.size() && ::read(fd, &extra, 1) == 0;
    }
    ::close(fd);
    return ok;
}

bool SameFile(const char *a, const char *b)
{
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

int CopyFile(const char *source, const char *dest, int failIfExists)
{
    std::printf("Routine: CopyFile\n");
    if (!source || !dest) return 0;
    if (failIfExists && IsFilePresent(dest)) return 0;
    std::string data;
    struct stat st;
    if (!ReadWhole(source, data) || stat(source, &st) != 0) return 0;  // the destination stays as it was
    if (SameFile(source, dest)) return 1;     // copying a file onto itself leaves it whole
    // A copy is open to no one the source keeps out (the options file holds
    // the mail password).
    if (WriteFileAtomic(dest, data.data(), (ULONG)data.size(), (int)(st.st_mode & 0777)) != (int)data.size()) return 0;
    std::printf("Routine: CopyFile end\n");
    return GetFileSize(dest) == (ULONG)data.size() ? 1 : 0;
}

int MoveFile(const char *source, const char *dest)
{
    std::printf("Routine: MoveFile\n");
    if (!source || !dest) return 0;
    if (SameFile(source, dest)) return 0;
    if (!IsRegularFile(source)) {
        std::printf("MoveFile: %s ist keine Datei\n", source);
        return 0;
    }
    if (std::rename(source, dest) == 0) return 1;
    if (CopyFile(source, dest, 0) != 1) return 0;
    return std::remove(source) == 0 ? 1 : 0;
}

int DeleteFile(const char *name)
{
    std::printf("Routine: DeleteFile\n");
    return name && std::remove(name) == 0 ? 1 : 0;
}

namespace {

void FillEntry(WIN32_FIND_DATA *r, const struct dirent *e)
{
    std::memset(r->cFileName, 0, sizeof r->cFileName);
    std::memcpy(r->cFileName, e->d_name, strnlen(e->d_name, sizeof r->cFileName - 1));
    std::string full = std::string(r->cDirName) + e->d_name;
    struct stat st;
    bool isDir = false;
    if (e->d_type == DT_DIR) {
        isDir = true;
    } else if (e->d_type != DT_REG) {
        if (stat(full.c_str(), &st) == 0) {
            std::printf("Stat.st_mode=%i\n", (int)st.st_mode);
            isDir = S_ISDIR(st.st_mode);
        }
    }
    if (stat(full.c_str(), &st) == 0) r->nFileSizeLow += (unsigned long long)st.st_size;
    r->dwFileAttributes = isDir ? FILE_ATTRIBUTE_DIRECTORY : 0;
}

}  // namespace

FindHandle FindFirstFile(const char *pattern, WIN32_FIND_DATA *record)
{
    if (!pattern || !*pattern || !record) return nullptr;
    std::string dir = pattern;
    size_t n = dir.size();
    if (n > 2 && dir[n - 1] == '*' && (dir[n - 2] == '/' || dir[n - 2] == '\\')) dir.resize(n - 1);
    DIR *d = opendir(dir.c_str());
    if (!d) return nullptr;
    if (struct dirent *e = readdir(d)) {
        std::snprintf(record->cDirName, sizeof record->cDirName, "%s", dir.c_str());
        FillEntry(record, e);
    }
    return d;
}

int FindNextFile(FindHandle handle, WIN32_FIND_DATA *record)
{
    if (!handle || !record) return 0;
    struct dirent *e = readdir((DIR *)handle);
    if (!e) return 0;
    size_t n = std::strlen(record->cDirName);
    if (n > 0 && record->cDirName[n - 1] == '*') record->cDirName[n - 1] = 0;
    FillEntry(record, e);
    std::printf("FindNextFile: %s%s - %i\n", record->cDirName, e->d_name, (int)e->d_type);
    return 1;
}

void FindClose(FindHandle handle)
{
    if (handle) closedir((DIR *)handle);
}

namespace {

bool IsDots(const char *name) { return !std::strcmp(name, ".") || !std::strcmp(name, ".."); }

bool IsDirectory(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

char *GetDirBuffer(const char *dir, ULONG n)
{
    if (!dir || !IsDirectory(dir)) {
        std::printf("GetDirBuffer: Locken des Verzeichnisses klappt nicht !\n");
        return nullptr;
    }
    if (n == 0 || n > 0xFFFFFFFFu / 80) return nullptr;  // n x 80 must not wrap round
    char *buffer = (char *)AllocVec(n * 80, MEMF_CLEAR);
    std::string pattern = std::string(dir) + "/*";
    std::printf("DeleteDir: Target dir is %s.\n", pattern.c_str());
    WIN32_FIND_DATA r{};
    FindHandle h = FindFirstFile(pattern.c_str(), &r);
    if (!h) {
        std::printf("DeleteDir: Invalid File Handle. GetLastError reports\n");
        return buffer;
    }
    ULONG slot = 0;
    if (r.cFileName[0]) {
        do {
            if (!IsDots(r.cFileName)) std::memcpy(buffer + 80 * slot++, r.cFileName, strnlen(r.cFileName, 79));
        } while (slot < n && FindNextFile(h, &r));
    }
    FindClose(h);
    return buffer;
}

UWORD GetDirEntries(const char *dir)
{
    if (!dir || !IsDirectory(dir)) {
        std::printf("GetDirBuffer: Locken des Verzeichnisses klappt nicht !\n");
        return 0;
    }
    std::string pattern = std::string(dir) + "/*";
    std::printf("DeleteDir: Target dir is %s\n", pattern.c_str());
    UWORD count = 0;
    if (DIR *d = opendir(dir)) {
        while (struct dirent *e = readdir(d))
            if (!IsDots(e->d_name)) ++count;
        closedir(d);
    }
    std::printf("Anzahl %u\n", count);
    return count;
}

int DeleteDir(const char *dir, const char *prefix)
{
    if (!dir) return 1;
    std::string pattern = std::string(dir) + "/*";
    std::printf("DeleteDir: Target dir is %s.\n", pattern.c_str());
    DIR *d = opendir(dir);
    if (!d) {
        std::printf("DeleteDir: Invalid File Handle. GetLastError reports\n");
        return 1;
    }
    size_t plen = prefix ? std::strlen(prefix) : 0;
    while (struct dirent *e = readdir(d)) {
        if (IsDots(e->d_name)) continue;
        if (prefix && std::strncmp(e->d_name, prefix, plen) != 0) continue;
        std::printf("DeleteDir: The file found is %s\n", e->d_name);
        std::printf("Routine: DeleteFile\n");
        std::string full = std::string(dir) + "/" + e->d_name;
        if (std::remove(full.c_str()) != 0)
            std::printf("DeleteDir: Konnte das folgende File nicht l\366schen : %s\n", full.c_str());
    }
    closedir(d);
    return 1;
}

namespace {

const char *const KeptIndexFiles[] = {"Path", "SfxPath", "RoredIdezPath"};

bool IsKeptIndexName(const char *name)
{
    for (const char *k : KeptIndexFiles)
        if (!strcasecmp(name, k)) return true;
    return false;
}

// A new file in a folder that is not yet in place: no temporary name and no
// flush, the caller flushes the whole folder once. false when it could not be
// written whole (what was written goes again).
bool WriteUnsynced(const char *name, const std::string &data, mode_t mode)
{
    int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    if (fchmod(fd, mode) != 0) {  // an older file keeps its mode through the open
        ::close(fd);
        ::unlink(name);
        return false;
    }
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += (size_t)n;
    }
    const bool ok = (::close(fd) == 0) && done == data.size();
    if (!ok) ::unlink(name);
    return ok;
}

std::string WithoutSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

}  // namespace

int CopyDir(const char *source, const char *dest, int mode)
{
    if (!source || !dest) return 0;
    const std::string src = source, dst = dest;
    int result = 1;

    if ((mode & COPYDIR_EMPTY_DEST) && (mode & COPYDIR_FILES)) {
        std::string kept[3];
        bool have[3] = {};
        for (int i = 0; i < 3; ++i) {
            std::string name = dst + KeptIndexFiles[i];
            std::printf("CopyDir: Lade File <%s>\n", name.c_str());
            have[i] = ReadWhole(name.c_str(), kept[i]);
        }
        std::printf("CopyDir: DIR <%s> soll gel\366scht werden!\n", WithoutSlash(dst).c_str());
        DeleteDir(WithoutSlash(dst).c_str(), nullptr);
        for (int i = 0; i < 3; ++i)
            if (have[i]) {
                std::string name = dst + KeptIndexFiles[i];
                if (!SaveMem2File(name.c_str(), kept[i].data(), (ULONG)kept[i].size())) result = 0;
            }
    }

    std::printf("CopyDir: Quelldir is %s/*.\n", src.c_str());
    DIR *d = opendir(src.c_str());
    if (!d) {
        std::printf("CopyDir: Invalid File Handle. GetLastError reports\n");
        return 1;
    }
    while (struct dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        const std::string from = src + name, to = dst + name;
        if (IsDirectory(from.c_str())) {
            std::printf("CopyDir: DIR: <%s>\n", name.c_str());
            if (dst.compare(0, from.size(), from) == 0 || !strcasecmp(name.c_str(), "screendat") || IsDots(name.c_str())) {
                std::printf("CopyDir: DIR: <%s> wird nicht kopiert!\n", name.c_str());
                continue;
            }
            if (!IsDirectory(to.c_str())) {
                if (!CreateDir(to.c_str())) {
                    std::printf("CopyDir: Konnte Verzeichnis Map nicht anlegen !\n");
                    result = 0;
                    continue;
                }
            } else if (mode & COPYDIR_EMPTY_DEST) {
                std::printf("CopyDir: DIR: <%s> soll gel\366scht werden!\n", name.c_str());
                DeleteDir(to.c_str(), nullptr);
            }
            if (!CopyDir((from + "/").c_str(), (to + "/").c_str(), mode)) result = 0;
            continue;
        }
        std::printf("CopyDir: FILE: <%s>\n", name.c_str());
        if (!(mode & COPYDIR_FILES) || IsKeptIndexName(name.c_str())) {
            std::printf("CopyDir: FILE: <%s> wird nicht kopiert!\n", name.c_str());
            continue;
        }
        if (!IsRegularFile(from.c_str())) {
            std::printf("CopyDir: FILE: <%s> ist keine Datei und wird nicht kopiert!\n", name.c_str());
            continue;
        }
        std::string data, there;
        mode_t bits = 0, thereBits = 0;
        if (!ReadRegular(from.c_str(), data, &bits)) {
            result = 0;
            continue;
        }
        // Every copy keeps the source's permission bits: one open to more
        // people than the source would hand out what the source keeps in
        // (the options file holds the mail password).
        // A move after a flushed copy only has to delete: the copy is there.
        const bool copied = (mode & COPYDIR_MOVE) && ReadRegular(to.c_str(), there, &thereBits) && there == data &&
                            (thereBits == bits || chmod(to.c_str(), bits) == 0);
        if (!copied && ((mode & COPYDIR_NOSYNC) ? !WriteUnsynced(to.c_str(), data, bits)
                                                : WriteFileAtomic(to.c_str(), data.data(), (ULONG)data.size(),
                                                                  (int)bits) != (int)data.size())) {
            result = 0;  // never delete a source whose copy is not complete
            continue;
        }
        if ((mode & COPYDIR_MOVE) && std::remove(from.c_str()) != 0) {
            std::printf("CopyDir: Konnte das folgende File nicht l\366schen : %s\n", from.c_str());
            result = 0;
        }
    }
    closedir(d);
    return result;
}

int SyncTree(const char *dir)
{
    if (!dir) return 0;
    int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
#ifdef __linux__
    // One flush of the file system instead of one per file: a save of a few
    // hundred files otherwise waits for the disk a few hundred times.
    const bool ok = syncfs(fd) == 0;
#else
    sync();
    const bool ok = fsync(fd) == 0;
#endif
    ::close(fd);
    return ok ? 1 : 0;
}

namespace {

// The language does not change under a running program: the shell is asked
// once. Null until then.
std::atomic<const char *> sysLanguage{nullptr};

const char *AskSysLanguage()
{
    std::FILE *p = popen("set | grep \"LANG\"", "r");
    if (!p) return "-";
    const char *result = "-";
    char line[1001];
    while (std::fgets(line, sizeof line, p)) {
        if (!std::strncmp(line, "LANG='de_", 9) || !std::strncmp(line, "LANG=de_", 8)) {
            std::printf("%s", line);
            result = "German";
            break;
        }
    }
    pclose(p);
    return result;
}

}  // namespace

const char *GetSysLanguage()
{
    std::printf("Routine: GetSysLanguage\n");
    const char *known = sysLanguage.load();
    if (!known) {
        known = AskSysLanguage();
        sysLanguage.store(known);
    }
    return known;
}

void ForgetSysLanguage() { sysLanguage.store(nullptr); }

// ---- Several files as one change ---------------------------------------------

namespace {

std::string StagedName(const char *target)
{
    const std::string t(target);
    const size_t slash = t.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : t.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? t : t.substr(slash + 1);
    return dir + "." + base + ".staged";
}

// Renames every staged copy the note names over its target; 1 when none is
// left over.
int RenameStaged(const std::vector<std::string> &targets)
{
    int ok = 1;
    for (const std::string &t : targets) {
        const std::string s = StagedName(t.c_str());
        if (::access(s.c_str(), F_OK) != 0) continue;  // renamed before the interruption
        if (std::rename(s.c_str(), t.c_str()) != 0) {
            std::printf("FilesTogether : Konnte %s nicht ersetzen\n", t.c_str());
            ok = 0;
            continue;
        }
        SyncDirectoryOf(t.c_str());
    }
    return ok;
}

}  // namespace

int StageFileBeside(const char *target, char *staged, ULONG size)
{
    if (!target || !*target || !staged || size == 0) return 0;
    const std::string s = StagedName(target);
    if (s.size() + 1 > size) return 0;
    struct stat st;
    if (::stat(target, &st) != 0 && errno == ENOENT) {
        // A missing target stays missing unless the caller writes its copy.
        ::unlink(s.c_str());
        std::memcpy(staged, s.c_str(), s.size() + 1);
        return 1;
    }
    ULONG laenge = GetFileSize(target);
    void *daten = laenge ? LoadFile2Mem(target, 0) : nullptr;
    if (!daten) return 0;
    const int geschrieben = WriteFileAtomic(s.c_str(), daten, laenge, -1);
    FreeVec(daten);
    if (geschrieben != (int)laenge) return 0;
    std::memcpy(staged, s.c_str(), s.size() + 1);
    return 1;
}

void DropStagedFile(const char *target)
{
    if (target) ::unlink(StagedName(target).c_str());
}

int CommitFilesTogether(const char *note, const char *const *targets, int n)
{
    if (!note || !targets || n <= 0) return 0;
    std::string text;
    std::vector<std::string> liste;
    for (int i = 0; i < n; ++i) {
        if (!targets[i] || !*targets[i] || std::strchr(targets[i], '\n')) return 0;
        text += targets[i];
        text += '\n';
        liste.emplace_back(targets[i]);
    }
    // Until the note stands whole, the change has not happened.
    if (WriteFileAtomic(note, text.data(), (ULONG)text.size(), -1) != (int)text.size()) {
        for (const std::string &t : liste) DropStagedFile(t.c_str());
        return 0;
    }
    const int ok = RenameStaged(liste);
    if (ok) {
        ::unlink(note);
        SyncDirectoryOf(note);
    }
    return ok;
}

int FinishFilesTogether(const char *note)
{
    if (!note) return 0;
    const ULONG laenge = GetFileSize(note);
    if (laenge == 0 || laenge > 64 * 1024) {
        if (laenge) ::unlink(note);  // not a note of ours
        return 0;
    }
    char *daten = (char *)LoadFile2Mem(note, MEMF_CLEAR);
    if (!daten) return 0;
    const std::string text(daten, laenge);
    FreeVec(daten);
    std::vector<std::string> liste;
    for (size_t at = 0; at < text.size();) {
        const size_t ende = text.find('\n', at);
        if (ende == std::string::npos) break;  // a note is written whole, ending in a newline
        if (ende > at) liste.push_back(text.substr(at, ende - at));
        at = ende + 1;
    }
    std::printf("FilesTogether : Eine unterbrochene \304nderung wird beendet.\n");
    if (!RenameStaged(liste)) return 0;
    ::unlink(note);
    SyncDirectoryOf(note);
    return 1;
}
