// Whole-file and directory services on scratch trees, with the faults that
// would lose a player's data as cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "common/testutil.h"
#include "platform/files.h"

using namespace vektest;

static std::string Text(const std::string &path)
{
    Bytes b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

TEST(LoadFile2Mem, WholeFileOrNull)
{
    ScratchDir dir;
    WriteText("full", "abc");
    WriteText("empty", "");
    auto *p = (char *)LoadFile2Mem("full", MEMF_CLEAR);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p, 3), "abc");
    FreeVec(p);
    EXPECT_EQ(LoadFile2Mem("empty", 0), nullptr);
    EXPECT_EQ(LoadFile2Mem("missing", 0), nullptr);
    EXPECT_EQ(GetFileSize("full"), 3u);
    EXPECT_EQ(GetFileSize("missing"), 0u);
    EXPECT_EQ(GetFileSize(nullptr), 0u);
}

TEST(SaveMem2File, ReplacesWholeAndLeavesNoTemporaryFiles)
{
    ScratchDir dir;
    WriteText("out", "old contents that are longer");
    EXPECT_EQ(SaveMem2File("out", "new", 3), 1);
    EXPECT_EQ(Text("out"), "new");
    EXPECT_EQ(GetDirEntries("."), 1);
    EXPECT_EQ(SaveMem2File("no/such/dir/file", "x", 1), 0);
}

// A temporary file is hidden from every reader's mask, and what an
// interrupted write of the same target left behind goes before the next one.
TEST(SaveMem2File, TemporaryFilesAreHiddenAndStaleOnesRemoved)
{
    ScratchDir dir;
    MakeDirs("Pool");
    char tmp[256];
    int fd = CreateTempBeside("Pool/GameChunk.vek", tmp, sizeof tmp);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(std::string(tmp).rfind("Pool/.GameChunk.vek.", 0), 0u) << tmp;
    EXPECT_EQ(std::strlen(tmp), std::strlen("Pool/.GameChunk.vek.XXXXXX"));

    struct Row {
        const char *name;
        bool kept;
    } rows[] = {
        {"Pool/.GameChunk.vek.abc123", false},   // a stale one of this target
        {"Pool/.GameChunk.vek.abc1234", true},   // not a temporary name
        {"Pool/.Other.vek.abc123", true},        // another target's
        {"Pool/GameChunk.vek.backup", true},     // a file of the player's
    };
    for (const auto &r : rows) WriteText(r.name, "x");
    ASSERT_EQ(SaveMem2File("Pool/GameChunk.vek", "pool", 4), 1);
    EXPECT_EQ(Text("Pool/GameChunk.vek"), "pool");
    EXPECT_FALSE(Exists(tmp));
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Exists(r.name), r.kept);
    }
    EXPECT_EQ(CreateTempBeside("Pool/", tmp, sizeof tmp), -1);
    EXPECT_EQ(CreateTempBeside("Pool/GameChunk.vek", tmp, 10), -1);
}

TEST(CopyFile, CasesThatMustNotLoseData)
{
    struct Row {
        const char *name;
        const char *source;       // null: no source file
        const char *dest;         // null: no destination file
        int failIfExists;
        int expected;
        const char *destAfter;    // null: destination must not exist
    } rows[] = {
        {"plain copy", "payload", nullptr, 0, 1, "payload"},
        {"overwrite", "payload", "previous", 0, 1, "payload"},
        {"fail if exists keeps both", "payload", "previous", 1, 0, "previous"},
        {"missing source keeps destination", nullptr, "previous", 0, 0, "previous"},
        {"missing source makes no destination", nullptr, nullptr, 0, 0, nullptr},
        {"empty source", "", "previous", 0, 1, ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        ScratchDir dir;
        if (r.source) WriteText("src", r.source);
        if (r.dest) WriteText("dst", r.dest);
        EXPECT_EQ(CopyFile("src", "dst", r.failIfExists), r.expected);
        if (r.destAfter) {
            EXPECT_EQ(Text("dst"), r.destAfter);
        } else {
            EXPECT_FALSE(Exists("dst"));
        }
        if (r.source) {
            EXPECT_EQ(Text("src"), r.source);
        }
    }
}

TEST(CopyFile, OntoItselfKeepsTheFile)
{
    ScratchDir dir;
    WriteText("same", "precious");
    EXPECT_EQ(CopyFile("same", "same", 0), 1);
    EXPECT_EQ(CopyFile("same", "./same", 0), 1);
    EXPECT_EQ(Text("same"), "precious");
}

TEST(MoveFile, MovesOnlyWhatExists)
{
    ScratchDir dir;
    WriteText("a", "turn");
    EXPECT_EQ(MoveFile("a", "b"), 1);
    EXPECT_FALSE(Exists("a"));
    EXPECT_EQ(Text("b"), "turn");
    EXPECT_EQ(MoveFile("a", "b"), 0);
    EXPECT_EQ(Text("b"), "turn");
    EXPECT_EQ(MoveFile("b", "b"), 0);
    EXPECT_EQ(Text("b"), "turn");
    EXPECT_EQ(DeleteFile("b"), 1);
    EXPECT_EQ(DeleteFile("b"), 0);
    EXPECT_EQ(IsFilePresent("b"), 0);
}

TEST(DirectorySearch, ListsEveryEntryWithKinds)
{
    ScratchDir dir;
    MakeDirs("d/sub");
    WriteText("d/one", "1");
    WriteText("d/two", "22");
    WIN32_FIND_DATA r{};
    FindHandle h = FindFirstFile("d/*", &r);
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(r.cDirName, "d/");
    std::set<std::string> names;
    std::set<std::string> dirs;
    do {
        names.insert(r.cFileName);
        if (r.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) dirs.insert(r.cFileName);
        r.nFileSizeLow = 0;
    } while (FindNextFile(h, &r));
    FindClose(h);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "one", "two", "sub"}));
    EXPECT_EQ(dirs, (std::set<std::string>{".", "..", "sub"}));
    EXPECT_EQ(FindFirstFile("", &r), nullptr);
    EXPECT_EQ(FindFirstFile("nothing/*", &r), nullptr);
}

TEST(DirectoryNames, CountsAndSlots)
{
    ScratchDir dir;
    MakeDirs("d");
    WriteText("d/a", "1");
    WriteText("d/b", "2");
    EXPECT_EQ(GetDirEntries("d"), 2);
    EXPECT_EQ(GetDirEntries("missing"), 0);
    char *one = GetDirBuffer("d", 1);
    ASSERT_NE(one, nullptr);
    EXPECT_TRUE(!std::strcmp(one, "a") || !std::strcmp(one, "b"));
    FreeVec(one);
    char *two = GetDirBuffer("d", 3);
    ASSERT_NE(two, nullptr);
    std::set<std::string> got{two, two + 80};
    EXPECT_EQ(got, (std::set<std::string>{"a", "b"}));
    EXPECT_EQ(two[160], 0);
    FreeVec(two);
    EXPECT_EQ(GetDirBuffer("missing", 2), nullptr);
    EXPECT_EQ(GetDirBuffer("d", 0x0CCCCCCD), nullptr);  // 80 x n would wrap to a tiny block
}

TEST(DeleteDir, ByPrefixKeepsTheRest)
{
    ScratchDir dir;
    MakeDirs("d/Esub/inner");
    WriteText("d/Eins", "");
    WriteText("d/Elf", "");
    WriteText("d/Zwei", "");
    EXPECT_EQ(DeleteDir("d", "E"), 1);
    EXPECT_FALSE(Exists("d/Eins"));
    EXPECT_FALSE(Exists("d/Elf"));
    EXPECT_TRUE(Exists("d/Zwei"));
    EXPECT_TRUE(Exists("d/Esub"));  // not empty: stays
    EXPECT_EQ(DeleteDir("d", nullptr), 1);
    EXPECT_FALSE(Exists("d/Zwei"));
    EXPECT_EQ(DeleteDir(nullptr, nullptr), 1);
    EXPECT_EQ(DeleteDir("missing", nullptr), 1);
}

TEST(MoveFile, MovesRegularFilesOnly)
{
    ScratchDir dir;
    MakeDirs("Turns/Old");
    WriteText("Turns/Old/t.email", "turn");
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    struct Row {
        const char *name, *source;
    } rows[] = {{"a directory", "Turns"}, {"a FIFO", "pipe"}, {"a device", "/dev/null"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(MoveFile(r.source, "moved"), 0);
        EXPECT_FALSE(Exists("moved"));
    }
    EXPECT_EQ(Text("Turns/Old/t.email"), "turn");
}

class CopyDirTest : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        MakeDirs("Data/screendat");
        MakeDirs("Data/Cities");
        MakeDirs("Map");
        WriteText("Data/Prefs.vek", "prefs");
        WriteText("Data/Empty.dat", "");
        WriteText("Data/Path", "source index");
        WriteText("Data/Pathfinder", "not an index file");
        WriteText("Data/screendat/x.dat", "screen");
        WriteText("Data/Cities/Town.list", "towns");
        WriteText("Map/M_1_2.map", "tile");
    }
};

TEST_F(CopyDirTest, SaveGameModeKeepsIndexFilesAndSkipsScreens)
{
    MakeDirs("Game/Realm/1_2/Data");
    WriteText("Game/Realm/1_2/Data/Path", "dest index");
    WriteText("Game/Realm/1_2/Data/Old.dat", "stale");
    ASSERT_EQ(CopyDir("./Data/", "./Game/Realm/1_2/Data/", COPYDIR_EMPTY_DEST | COPYDIR_FILES), 1);
    EXPECT_EQ(Text("Game/Realm/1_2/Data/Path"), "dest index");
    EXPECT_FALSE(Exists("Game/Realm/1_2/Data/Old.dat"));
    EXPECT_EQ(Text("Game/Realm/1_2/Data/Prefs.vek"), "prefs");
    EXPECT_EQ(Text("Game/Realm/1_2/Data/Pathfinder"), "not an index file");
    EXPECT_TRUE(Exists("Game/Realm/1_2/Data/Empty.dat"));
    EXPECT_EQ(Text("Game/Realm/1_2/Data/Cities/Town.list"), "towns");
    EXPECT_FALSE(Exists("Game/Realm/1_2/Data/screendat"));
    EXPECT_TRUE(Exists("Data/Prefs.vek"));  // a copy leaves the source
}

TEST_F(CopyDirTest, MoveModeDeletesSourcesOnlyOnceCopied)
{
    MakeDirs("Game/R/0_0/Map");
    ASSERT_EQ(CopyDir("./Map/", "./Game/R/0_0/Map/", COPYDIR_EMPTY_DEST | COPYDIR_FILES | COPYDIR_MOVE), 1);
    EXPECT_EQ(Text("Game/R/0_0/Map/M_1_2.map"), "tile");
    EXPECT_FALSE(Exists("Map/M_1_2.map"));

    // A copy that cannot be written (a directory stands where the file
    // would go) keeps the source file and reports the failure.
    WriteText("Map/M_3_4.map", "keep me");
    MakeDirs("Game/R/0_0/Map/M_3_4.map");
    EXPECT_EQ(CopyDir("./Map/", "./Game/R/0_0/Map/", COPYDIR_FILES | COPYDIR_MOVE), 0);
    EXPECT_EQ(Text("Map/M_3_4.map"), "keep me");
}

// A move after a flushed copy deletes the sources the copy already holds
// byte for byte; a destination that differs is written first, so the source's
// bytes are never lost. The unflushed copy writes the same tree.
TEST_F(CopyDirTest, MoveOverAnEarlierCopyAndTheUnflushedCopy)
{
    struct Row {
        const char *name;
        const char *there;  // null: no file at the destination
    } rows[] = {{"same bytes there", "tile"}, {"other bytes there", "old tile"}, {"nothing there", nullptr}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteText("Map/M_1_2.map", "tile");
        std::filesystem::remove_all("Save");
        MakeDirs("Save/Map");
        if (r.there) WriteText("Save/Map/M_1_2.map", r.there);
        ASSERT_EQ(CopyDir("./Map/", "./Save/Map/", COPYDIR_FILES | COPYDIR_MOVE), 1);
        EXPECT_EQ(Text("Save/Map/M_1_2.map"), "tile");
        EXPECT_FALSE(Exists("Map/M_1_2.map"));
    }
    MakeDirs("Stage");
    ASSERT_EQ(CopyDir("./Data/", "./Stage/", COPYDIR_FILES | COPYDIR_NOSYNC), 1);
    EXPECT_EQ(SyncTree("Stage"), 1);
    EXPECT_EQ(SyncTree("NoSuchFolder"), 0);
    EXPECT_EQ(Text("Stage/Prefs.vek"), "prefs");
    EXPECT_EQ(Text("Stage/Cities/Town.list"), "towns");
    EXPECT_TRUE(Exists("Stage/Empty.dat"));
    EXPECT_FALSE(Exists("Stage/Path"));
    EXPECT_FALSE(Exists("Stage/screendat"));
    EXPECT_TRUE(Exists("Data/Prefs.vek"));
}

// Only regular files are copied: a FIFO would block the read for ever and a
// link to an endless device would fill memory.
TEST_F(CopyDirTest, SpecialFilesAreSkipped)
{
    ASSERT_EQ(mkfifo("Data/pipe", 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", "Data/zero"), 0);
    ASSERT_EQ(symlink("Prefs.vek", "Data/link"), 0);
    MakeDirs("Copy");
    StdoutCapture cap;
    ASSERT_EQ(CopyDir("./Data/", "./Copy/", COPYDIR_FILES), 1);
    std::string out = cap.Take();
    EXPECT_NE(out.find("CopyDir: FILE: <pipe> ist keine Datei und wird nicht kopiert!"), std::string::npos) << out;
    EXPECT_NE(out.find("CopyDir: FILE: <zero> ist keine Datei und wird nicht kopiert!"), std::string::npos) << out;
    EXPECT_FALSE(Exists("Copy/pipe"));
    EXPECT_FALSE(Exists("Copy/zero"));
    EXPECT_EQ(Text("Copy/link"), "prefs");  // a link to a file copies the file
    EXPECT_EQ(Text("Copy/Prefs.vek"), "prefs");
}

TEST_F(CopyDirTest, DestinationInsideTheSourceIsNotCopiedIntoItself)
{
    MakeDirs("Data/Backup");
    ASSERT_EQ(CopyDir("./Data/", "./Data/Backup/", COPYDIR_FILES), 1);
    EXPECT_EQ(Text("Data/Backup/Prefs.vek"), "prefs");
    EXPECT_FALSE(Exists("Data/Backup/Backup"));
}

TEST(GetSysLanguage, FromTheShellEnvironment)
{
    struct Row {
        const char *lang;  // null: unset
        const char *expected;
    } rows[] = {
        {"de_DE.UTF-8", "German"},
        {"de_AT", "German"},
        {"en_GB.UTF-8", "-"},
        {nullptr, "-"},
    };
    const char *saved = std::getenv("LANG");
    std::string keep = saved ? saved : "";
    for (const Row &r : rows) {
        SCOPED_TRACE(r.lang ? r.lang : "(unset)");
        if (r.lang) {
            setenv("LANG", r.lang, 1);
        } else {
            unsetenv("LANG");
        }
        ForgetSysLanguage();
        EXPECT_STREQ(GetSysLanguage(), r.expected);
    }
    if (saved) setenv("LANG", keep.c_str(), 1);
    else unsetenv("LANG");
    ForgetSysLanguage();
}

static int Mode(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (int)(st.st_mode & 07777) : -1;
}

// A copy is readable by no one the file it copies keeps out: the options
// file with the mail password is the owner's alone, and the saves copy it.
// Whether the copy is new, replaces an older one or stands there already.
TEST_F(CopyDirTest, CopiesKeepTheSourcesPermissions)
{
    struct Row {
        const char *name;
        int mode;
        int there;  // the destination's mode before, 0: no destination
    } rows[] = {
        {"a save", COPYDIR_FILES, 0},
        {"a save over an older one", COPYDIR_FILES, 0644},
        {"an unflushed copy", COPYDIR_FILES | COPYDIR_NOSYNC, 0},
        {"an unflushed copy over an older one", COPYDIR_FILES | COPYDIR_NOSYNC, 0666},
        {"a move", COPYDIR_FILES | COPYDIR_MOVE, 0},
        {"a move onto a copy that stands there", COPYDIR_FILES | COPYDIR_MOVE, 0644},
    };
    const std::pair<const char *, int> files[] = {{"Optionen.prefs", 0600}, {"Gruppe.dat", 0640}, {"Prefs.vek", 0644}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove_all("Copy");
        MakeDirs("Copy");
        for (const auto &[name, mode] : files) {
            const std::string from = std::string("Data/") + name, to = std::string("Copy/") + name;
            WriteText(from, "options");
            ASSERT_EQ(chmod(from.c_str(), (mode_t)mode), 0);
            if (r.there) {
                WriteText(to, "options");
                ASSERT_EQ(chmod(to.c_str(), (mode_t)r.there), 0);
            }
        }
        EXPECT_EQ(CopyDir("./Data/", "./Copy/", r.mode), 1);
        for (const auto &[name, mode] : files) {
            EXPECT_EQ(Mode(std::string("Copy/") + name), mode) << name;
        }
    }
}

TEST(CopyFile, KeepsTheSourcesPermissions)
{
    for (int there : {0, 0644}) {
        SCOPED_TRACE(there);
        ScratchDir dir;
        WriteText("src", "password");
        ASSERT_EQ(chmod("src", 0600), 0);
        if (there) WriteText("dst", "older");
        ASSERT_EQ(CopyFile("src", "dst", 0), 1);
        EXPECT_EQ(Mode("dst"), 0600);
    }
}

// Two files changed as one: the copies are changed, the commit puts both in
// place; a run that stops at any step leaves both old or, once the note
// stands, both new after FinishFilesTogether.
TEST(FilesTogether, BothOrNeitherWhereverTheChangeStops)
{
    enum Halt { KEINER, VOR_NOTIZ, NACH_NOTIZ, NACH_ERSTEM };
    for (Halt halt : {KEINER, VOR_NOTIZ, NACH_NOTIZ, NACH_ERSTEM}) {
        ScratchDir dir;
        MakeDirs("Data/Out");
        WriteText("Data/Figuren", "alt1");
        WriteText("Data/Out/Pool", "alt2");
        char a[256], b[256];
        ASSERT_TRUE(StageFileBeside("Data/Figuren", a, sizeof a));
        ASSERT_TRUE(StageFileBeside("Data/Out/Pool", b, sizeof b));
        EXPECT_EQ(Text(a), "alt1") << "the copy starts as the file";
        WriteText(a, "neu1");
        WriteText(b, "neu2");
        const char *const ziele[2] = {"Data/Figuren", "Data/Out/Pool"};
        bool neu = true;
        switch (halt) {
        case KEINER: EXPECT_TRUE(CommitFilesTogether("Data/.notiz", ziele, 2)); break;
        case VOR_NOTIZ: neu = false; break;
        case NACH_NOTIZ: WriteText("Data/.notiz", "Data/Figuren\nData/Out/Pool\n"); break;
        case NACH_ERSTEM:
            WriteText("Data/.notiz", "Data/Figuren\nData/Out/Pool\n");
            ASSERT_EQ(std::rename(a, "Data/Figuren"), 0);
            break;
        }
        FinishFilesTogether("Data/.notiz");
        EXPECT_EQ(Text("Data/Figuren"), neu ? "neu1" : "alt1") << halt;
        EXPECT_EQ(Text("Data/Out/Pool"), neu ? "neu2" : "alt2") << halt;
        EXPECT_FALSE(IsFilePresent("Data/.notiz")) << halt;
        // The next change starts from the files as they are.
        ASSERT_TRUE(StageFileBeside("Data/Figuren", a, sizeof a));
        EXPECT_EQ(Text(a), neu ? "neu1" : "alt1") << halt;
    }
}

// A target that did not exist is created by the commit only if its copy was
// written; a note cut short is not acted on.
TEST(FilesTogether, MissingTargetsAndBrokenNotes)
{
    ScratchDir dir;
    WriteText("da", "x");
    char a[256], b[256];
    ASSERT_TRUE(StageFileBeside("da", a, sizeof a));
    ASSERT_TRUE(StageFileBeside("neu", b, sizeof b));
    EXPECT_FALSE(IsFilePresent(b));
    const char *const ziele[2] = {"da", "neu"};
    ASSERT_TRUE(CommitFilesTogether(".notiz", ziele, 2));
    EXPECT_FALSE(IsFilePresent("neu"));
    ASSERT_TRUE(StageFileBeside("neu", b, sizeof b));
    WriteText(b, "y");
    ASSERT_TRUE(CommitFilesTogether(".notiz", ziele + 1, 1));
    EXPECT_EQ(Text("neu"), "y");

    ASSERT_TRUE(StageFileBeside("da", a, sizeof a));
    WriteText(a, "z");
    WriteText(".notiz", "da");  // no newline: written half
    EXPECT_EQ(FinishFilesTogether(".notiz"), 1);
    EXPECT_EQ(Text("da"), "x");
    EXPECT_EQ(FinishFilesTogether(".notiz"), 0) << "nothing left to finish";
    char kurz[4];
    EXPECT_FALSE(StageFileBeside("da", kurz, sizeof kurz));
}
