// Preference files and the options record: golden bytes in both directions,
// damaged files, ids and modes out of range.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"

using vektest::Bytes;
using vektest::ReadBytes;
using vektest::ScratchDir;
using vektest::StdoutCapture;
using vektest::WriteBytes;

namespace {

const char PREFS[] = "Data/Prefs.vek";
const char BTPREFS[] = "Data/BTPrefs.vek";
const char OPTIONEN[] = "Data/Optionen.prefs";

// A fresh file as the game writes it: magic, "V001", payload length, zeros.
Bytes StandardFile(const char *magic, uint32_t size)
{
    Bytes b(size, 0);
    std::memcpy(b.data(), magic, 4);
    std::memcpy(b.data() + 4, "V001", 4);
    const uint32_t payload = size - 12;
    for (int i = 0; i < 4; ++i) b[8 + i] = (uint8_t)(payload >> (8 * i));
    return b;
}

class PrefsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vektest::MakeDirs("Data");
        std::memset(&UserSystem, 0, sizeof UserSystem);
        std::memset(&PlayerInfo, 0, sizeof PlayerInfo);
        SetupSystemHooks = {};
    }
    ScratchDir dir;
};

TEST_F(PrefsTest, FirstUseCreatesTheStandardFiles)
{
    EXPECT_EQ(CheckPrefs(24, PREFS_READ, 0), 0u);
    const Bytes golden = {'P', 'R', 'E', 'F', 'V', '0', '0', '1', 0xEE, 0x00, 0x00, 0x00};
    Bytes prefs = ReadBytes(PREFS);
    ASSERT_EQ(prefs.size(), 250u);
    EXPECT_EQ(Bytes(prefs.begin(), prefs.begin() + 12), golden);
    EXPECT_EQ(prefs, StandardFile("PREF", 250));

    EXPECT_EQ(RoredIdezPrefs(1, PREFS_READ, 0), 0u);
    Bytes bt = ReadBytes(BTPREFS);
    ASSERT_EQ(bt.size(), 200u);
    EXPECT_EQ(bt[8], 188);
    EXPECT_EQ(bt, StandardFile("BTPR", 200));
}

struct GoldenRow {
    const char *name;
    bool story;       // BTPrefs.vek rather than Prefs.vek
    UWORD id;
    ULONG value;
    size_t offset;
    Bytes bytes;      // what the file holds there afterwards
    ULONG readBack;
};

TEST_F(PrefsTest, NumbersLieAtTheirOffsetsLittleEndian)
{
    const GoldenRow rows[] = {
        {"sign-up state, 2 bytes first", false, 0, 0x0102, 12, {0x02, 0x01}, 0x0102},
        {"screen mode, 4 bytes", false, 1, 0x11223344, 14, {0x44, 0x33, 0x22, 0x11}, 0x11223344},
        {"town shown last, -1 as one byte", false, 4, 0xFFFFFFFF, 26, {0xFF}, 255},
        {"player ID", false, 9, 0x01020304, 148, {0x04, 0x03, 0x02, 0x01}, 0x01020304},
        {"offers counted keeps the low bytes", false, 12, 0x12345, 196, {0x45, 0x23}, 0x2345},
        {"realm points", false, 13, 0xABCD, 198, {0xCD, 0xAB}, 0xABCD},
        {"run marker", false, 24, 1, 228, {0x01}, 1},
        {"mail date", false, 31, 0xDEADBEEF, 236, {0xEF, 0xBE, 0xAD, 0xDE}, 0xDEADBEEF},
        {"dungeon Y, the last bytes", false, 39, 0x1234, 248, {0x34, 0x12}, 0x1234},
        {"story to tell next", true, 0, 0x0A0B0C0D, 12, {0x0D, 0x0C, 0x0B, 0x0A}, 0x0A0B0C0D},
        {"bard's tale first", true, 1, 1, 16, {0x01}, 1},
        {"story flag 12 before the gap", true, 12, 7, 27, {0x07}, 7},
        {"story flag 13 after the gap", true, 13, 1, 29, {0x01}, 1},
        {"last story flag", true, 45, 9, 61, {0x09}, 9},
    };
    for (const GoldenRow &row : rows) {
        SCOPED_TRACE(row.name);
        std::remove(PREFS);
        std::remove(BTPREFS);
        auto classic = row.story ? RoredIdezPrefs : CheckPrefs;
        EXPECT_EQ(classic(row.id, PREFS_WRITE, row.value), row.value);
        Bytes expected = row.story ? StandardFile("BTPR", 200) : StandardFile("PREF", 250);
        std::copy(row.bytes.begin(), row.bytes.end(), expected.begin() + (long)row.offset);
        EXPECT_EQ(ReadBytes(row.story ? BTPREFS : PREFS), expected);
        ULONG got = 0;
        EXPECT_EQ((row.story ? RoredIdezPrefsRead : CheckPrefsRead)(row.id, &got), 1);
        EXPECT_EQ(got, row.readBack);
        EXPECT_EQ(classic(row.id, PREFS_READ, 0), row.readBack);
    }
}

TEST_F(PrefsTest, EveryValueKeepsItsOwnBytes)
{
    // A distinct value in every slot shows any two slots that overlap.
    auto numberFor = [](UWORD id) { return 0x9E3779B1u * (id + 1u); };
    auto mask = [](ULONG v, int size) { return size == 4 ? v : v & ((1u << (8 * size)) - 1); };
    const int prefsSize[PREFS_COUNT] = {2, 4, 4, 4, 1, 1, 40, 40, 40, 4, 40, 4, 2, 2, 1, 1, 1, 1, 4, 4,
                                        4, 4, 4, 4, 1, 1, 2, 1, 1, 1, 1, 4, 1, 1, 1, 1, 1, 1, 2, 2};
    for (UWORD id = 0; id < PREFS_COUNT; ++id) {
        if (prefsSize[id] == 40)
            ASSERT_EQ(CheckPrefsWriteText(id, ("text of " + std::to_string(id)).c_str()), 1);
        else
            ASSERT_EQ(CheckPrefsWrite(id, numberFor(id)), 1);
    }
    for (UWORD id = 0; id < PREFS_COUNT; ++id) {
        SCOPED_TRACE(id);
        if (prefsSize[id] == 40) {
            char *text = CheckPrefsReadText(id);
            ASSERT_NE(text, nullptr);
            EXPECT_STREQ(text, ("text of " + std::to_string(id)).c_str());
            FreeVec(text);
        } else {
            ULONG v = 0;
            ASSERT_EQ(CheckPrefsRead(id, &v), 1);
            EXPECT_EQ(v, mask(numberFor(id), prefsSize[id]));
        }
    }
    EXPECT_EQ(ReadBytes(PREFS).size(), 250u);

    for (UWORD id = 0; id < 46; ++id) ASSERT_EQ(RoredIdezPrefsWrite(id, numberFor(id)), 1);
    ASSERT_EQ(RoredIdezPrefsWriteText(46, "Kavorsund"), 1);
    for (UWORD id = 0; id < 46; ++id) {
        SCOPED_TRACE(id);
        ULONG v = 0;
        ASSERT_EQ(RoredIdezPrefsRead(id, &v), 1);
        EXPECT_EQ(v, mask(numberFor(id), id == 0 ? 4 : 1));
    }
    Bytes bt = ReadBytes(BTPREFS);
    ASSERT_EQ(bt.size(), 200u);
    EXPECT_EQ(bt[28], 0) << "the byte between flags 12 and 13 belongs to no value";
    for (size_t i = 142; i < 200; ++i) EXPECT_EQ(bt[i], 0) << i;
}

TEST_F(PrefsTest, TextValues)
{
    const std::string sixty(60, 'k');
    ASSERT_EQ(CheckPrefsWrite(11, 0x01020304), 1);
    ASSERT_EQ(CheckPrefsWriteText(10, sixty.c_str()), 1);
    Bytes file = ReadBytes(PREFS);
    EXPECT_EQ(std::string(file.begin() + 152, file.begin() + 192), std::string(40, 'k')) << "no NUL in the file";
    EXPECT_EQ(file[192], 0x04) << "the next value is untouched";

    char *text = CheckPrefsReadText(10);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), std::string(40, 'k')) << "terminated in memory";
    FreeVec(text);

    // A shorter text clears the rest of the field.
    ASSERT_EQ(CheckPrefsWriteText(10, "Nordmark"), 1);
    text = CheckPrefsReadText(10);
    EXPECT_STREQ(text, "Nordmark");
    FreeVec(text);
    file = ReadBytes(PREFS);
    for (int i = 152 + 8; i < 192; ++i) EXPECT_EQ(file[i], 0) << i;

    // The story town name: 80 bytes from offset 62, written from 40 characters.
    ASSERT_EQ(RoredIdezPrefsWriteText(46, sixty.c_str()), 1);
    Bytes bt = ReadBytes(BTPREFS);
    EXPECT_EQ(std::string(bt.begin() + 62, bt.begin() + 102), std::string(40, 'k'));
    for (int i = 102; i < 142; ++i) EXPECT_EQ(bt[i], 0) << i;
    bt[120] = 'z';  // a full 80-byte field as another writer may leave it
    WriteBytes(BTPREFS, bt);
    text = RoredIdezPrefsReadText(46);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::strlen(text), 40u);
    EXPECT_EQ(text[58], 'z');
    EXPECT_EQ(text[80], 0);
    FreeVec(text);
}

TEST_F(PrefsTest, WrongKindOfCallIsRefused)
{
    StdoutCapture cap;
    EXPECT_EQ(CheckPrefs(10, PREFS_READ, 0), PREFS_FAIL) << "a text never travels as a 32-bit value";
    EXPECT_EQ(CheckPrefs(8, PREFS_WRITE, 0x1234), PREFS_FAIL);
    EXPECT_EQ(CheckPrefsReadText(9), nullptr);
    EXPECT_EQ(CheckPrefsWriteText(9, "x"), 0);
    EXPECT_EQ(CheckPrefsWriteText(10, nullptr), 0);
    EXPECT_EQ(RoredIdezPrefs(46, PREFS_READ, 0), PREFS_FAIL);
    const std::string out = cap.Take();
    EXPECT_NE(out.find("CheckPrefs: Prefs-Wert 10 ist ein Text !"), std::string::npos) << out;
    EXPECT_NE(out.find("CheckPrefs: Prefs-Wert 9 ist kein Text !"), std::string::npos) << out;
    EXPECT_NE(out.find("CheckPrefs: Kein Text f\374r Prefs-Wert 10 !"), std::string::npos) << out;
}

TEST_F(PrefsTest, IdsAndModesOutOfRange)
{
    struct Row {
        const char *name;
        bool story;
        UWORD id, mode;
        const char *message;
    };
    const Row rows[] = {
        {"first id past the table", false, 40, PREFS_READ, "CheckPrefs: Unbekannte Prefs-Nummer 40 !"},
        {"largest id", false, 0xFFFF, PREFS_WRITE, "CheckPrefs: Unbekannte Prefs-Nummer 65535 !"},
        {"mode 2", false, 0, 2, "CheckPrefs: Unbekannter Modus 2 !"},
        {"largest mode", false, 0, 0xFFFF, "CheckPrefs: Unbekannter Modus 65535 !"},
        {"story id past the table", true, 47, PREFS_READ, "RoredIdezPrefs: Unbekannte Prefs-Nummer 47 !"},
        {"story mode", true, 3, 7, "RoredIdezPrefs: Unbekannter Modus 7 !"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        StdoutCapture cap;
        EXPECT_EQ((row.story ? RoredIdezPrefs : CheckPrefs)(row.id, row.mode, 5), PREFS_FAIL);
        EXPECT_NE(cap.Take().find(row.message), std::string::npos);
        EXPECT_FALSE(vektest::Exists(PREFS));
        EXPECT_FALSE(vektest::Exists(BTPREFS));
    }
    ULONG v = 7;
    EXPECT_EQ(CheckPrefsRead(40, &v), 0);
    EXPECT_EQ(v, 7u);
    EXPECT_EQ(CheckPrefsReadText(40), nullptr);
    EXPECT_EQ(RoredIdezPrefsWriteText(47, "x"), 0);
}

TEST_F(PrefsTest, AllBitsSetIsDataOnlyWhenTheCallSaysSo)
{
    ASSERT_EQ(CheckPrefsWrite(1, 0xFFFFFFFF), 1);
    ULONG v = 0;
    EXPECT_EQ(CheckPrefsRead(1, &v), 1);
    EXPECT_EQ(v, 0xFFFFFFFFu);
    std::filesystem::remove_all("Data");
    StdoutCapture cap;
    EXPECT_EQ(CheckPrefsRead(1, &v), 0);
    EXPECT_EQ(CheckPrefsWrite(1, 3), 0);
    EXPECT_NE(cap.Take().find("CheckPrefs: Couldn\264t make Prefs-File !"), std::string::npos);
    EXPECT_FALSE(vektest::Exists("Data"));
}

// A good file with distinct values at the front and back of the payload.
Bytes FilledPrefs()
{
    Bytes b = StandardFile("PREF", 250);
    b[14] = 0x78;   // id 1 = 0x12345678
    b[15] = 0x56;
    b[16] = 0x34;
    b[17] = 0x12;
    b[148] = 0x2A;  // id 9 = 42
    b[248] = 0x07;  // id 39 = 7
    return b;
}

TEST_F(PrefsTest, DamagedFilesAreRewrittenAroundWhatTheyHold)
{
    struct Row {
        const char *name;
        Bytes start;
        ULONG id1, id9, id39;  // values read afterwards
        size_t sizeAfter;
        bool repairMessage;
    };
    Bytes wrongMagic = FilledPrefs();
    std::memcpy(wrongMagic.data(), "XXXX", 4);
    Bytes wrongVersion = FilledPrefs();
    wrongVersion[7] = '2';
    Bytes wrongLength = FilledPrefs();
    wrongLength[8] = 0xEF;
    const Bytes full = FilledPrefs();
    const Bytes shortFile(full.begin(), full.begin() + 100);
    const Bytes oneShort(full.begin(), full.begin() + 249);
    const Bytes headerOnly(full.begin(), full.begin() + 6);
    Bytes longFile = full;
    longFile.resize(300, 0xAB);

    const Row rows[] = {
        {"empty file", {}, 0, 0, 0, 250, true},
        {"half a header", headerOnly, 0, 0, 0, 250, true},
        {"short file keeps the values it holds", shortFile, 0x12345678, 0, 0, 250, true},
        {"one byte short", oneShort, 0x12345678, 42, 7, 250, true},
        {"wrong magic", wrongMagic, 0x12345678, 42, 7, 250, true},
        {"wrong version", wrongVersion, 0x12345678, 42, 7, 250, true},
        {"wrong payload length", wrongLength, 0x12345678, 42, 7, 250, true},
        {"longer file is used as it is", longFile, 0x12345678, 42, 7, 300, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(PREFS, row.start);
        StdoutCapture cap;
        ULONG v1 = 1, v9 = 1, v39 = 1;
        EXPECT_EQ(CheckPrefsRead(1, &v1), 1);
        EXPECT_EQ(CheckPrefsRead(9, &v9), 1);
        EXPECT_EQ(CheckPrefsRead(39, &v39), 1);
        const std::string out = cap.Take();
        EXPECT_EQ(v1, row.id1);
        EXPECT_EQ(v9, row.id9);
        EXPECT_EQ(v39, row.id39);
        Bytes after = ReadBytes(PREFS);
        ASSERT_EQ(after.size(), row.sizeAfter);
        EXPECT_EQ(Bytes(after.begin(), after.begin() + 12), Bytes(full.begin(), full.begin() + 12));
        if (row.sizeAfter > 250) {
            EXPECT_EQ(after[299], 0xAB) << "the tail is left alone";
        }
        const bool repaired = out.find("ist besch\344digt") != std::string::npos;
        EXPECT_EQ(repaired, row.repairMessage) << out;
        // Repaired once: the next call finds a sound file.
        StdoutCapture again;
        EXPECT_EQ(CheckPrefsWrite(39, 9), 1);
        EXPECT_EQ(again.Take().find("ist besch\344digt"), std::string::npos);
    }
}

TEST_F(PrefsTest, DamagedStoryFileIsRepairedToo)
{
    Bytes bt = StandardFile("BTPR", 200);
    bt[16] = 1;
    bt.resize(30);
    WriteBytes(BTPREFS, bt);
    ULONG v = 0;
    EXPECT_EQ(RoredIdezPrefsRead(1, &v), 1);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(ReadBytes(BTPREFS).size(), 200u);
}

TEST_F(PrefsTest, FileThatCannotBeOpenedFails)
{
    vektest::MakeDirs(PREFS);  // a directory where the file should be
    StdoutCapture cap;
    ULONG v = 0;
    EXPECT_EQ(CheckPrefsRead(0, &v), 0);
    EXPECT_EQ(CheckPrefs(0, PREFS_WRITE, 1), PREFS_FAIL);
    EXPECT_EQ(CheckPrefsReadText(10), nullptr);
    EXPECT_NE(cap.Take().find("CheckPrefs: Couldn\264t make Prefs-File !"), std::string::npos);
}

// A preference file the player may not change is read as it is, and a change
// fails instead of being dropped or rebuilding the file.
TEST_F(PrefsTest, ReadOnlyFileIsReadButNotChanged)
{
    ASSERT_EQ(CheckPrefsWrite(1, 0x01020304), 1);
    const Bytes before = vektest::ReadBytes(PREFS);
    chmod(".", 0777);
    chmod("Data", 0777);
    chmod(PREFS, 0444);
    EXPECT_EQ(vektest::AsUnprivileged([] {
                  ULONG v = 0;
                  if (CheckPrefsRead(1, &v) != 1 || v != 0x01020304) return 1;
                  StdoutCapture cap;
                  if (CheckPrefsWrite(1, 7) != 0) return 2;
                  return cap.Take().find("ist schreibgesch\374tzt") == std::string::npos ? 3 : 0;
              }),
              0);
    EXPECT_EQ(vektest::ReadBytes(PREFS), before);
}

TEST_F(PrefsTest, SaveStandardKeepsTheOldPayload)
{
    WriteBytes(PREFS, FilledPrefs());
    BPTR f = Open(PREFS, MODE_OLDFILE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(SaveStandardCheckPrefs(f), 1);
    Close(f);
    EXPECT_EQ(ReadBytes(PREFS), FilledPrefs());

    f = Open(PREFS, MODE_NEWFILE);
    EXPECT_EQ(SaveStandardCheckPrefs(f), 1);
    Close(f);
    EXPECT_EQ(ReadBytes(PREFS), StandardFile("PREF", 250));
    EXPECT_EQ(SaveStandardCheckPrefs(nullptr), 0);
    EXPECT_EQ(SaveStandardRoredIdezPrefs(nullptr), 0);
}

TEST_F(PrefsTest, RunMarker)
{
    struct Row {
        const char *name;
        int marker;  // -1: no preference file can be made
        int unclean;
        UWORD event;
    };
    const Row rows[] = {
        {"last run ended cleanly", 0, 0, 0},
        {"last run was killed", 1, 1, 2},
        {"any value counts", 200, 1, 2},
        {"no file: no event", -1, 0, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all("Data");
        PlayerInfo.Event = 0;
        if (row.marker >= 0) {
            vektest::MakeDirs("Data");
            Bytes b = StandardFile("PREF", 250);
            b[228] = (uint8_t)row.marker;
            WriteBytes(PREFS, b);
        }
        EXPECT_EQ(SetRunMarker(), row.unclean);
        EXPECT_EQ(PlayerInfo.Event, row.event);
        if (row.marker >= 0) {
            EXPECT_EQ(ReadBytes(PREFS)[228], 1);
            ClearRunMarker();
            EXPECT_EQ(ReadBytes(PREFS)[228], 0);
        }
    }
}

// The options record.

std::string TextAt(const Bytes &b, size_t offset) { return std::string((const char *)b.data() + offset); }

// The options record is written in the host's byte order.
uint32_t HostU32At(const Bytes &b, size_t o)
{
    uint32_t v;
    std::memcpy(&v, &b.at(o + 3) - 3, 4);
    return v;
}

uint16_t HostU16At(const Bytes &b, size_t o)
{
    uint16_t v;
    std::memcpy(&v, &b.at(o + 1) - 1, 2);
    return v;
}

TEST_F(PrefsTest, OptionDefaultsAtTheirOffsets)
{
    // Fields the defaults keep.
    std::strcpy(UserSystem.OP.ModemDialString, "ATDT555");
    UserSystem.OP.Modem_io_BrkTime = 77;
    UserSystem.OP.Modem_io_SerFlag = 0x5A;
    UserSystem.OP.ColorCursor = 1;
    OptionPrefsDefault();
    ASSERT_EQ(OptionenPrefsSave(), 1);
    const Bytes b = ReadBytes(OPTIONEN);
    ASSERT_EQ(b.size(), 570u);
    EXPECT_EQ(HostU32At(b, 0), 0xFDu) << "the full wanted set, whatever this run's mask";
    EXPECT_EQ(b[4], 4);
    EXPECT_EQ(b[5], 0x01);
    EXPECT_EQ(TextAt(b, 6), "nobody.device");
    EXPECT_EQ(HostU16At(b, 46), 1u);
    EXPECT_EQ(b[48] | b[49], 0);
    EXPECT_EQ(HostU32At(b, 50), 0xFFFFFFFFu);
    EXPECT_EQ(HostU32At(b, 54), 0x5654u);
    EXPECT_EQ(b[58], 50);
    EXPECT_EQ(b[59], 50);
    EXPECT_EQ(TextAt(b, 60), OPTIONEN_POP_PLATZHALTER);
    EXPECT_EQ(TextAt(b, 100), OPTIONEN_SMTP_PLATZHALTER);
    EXPECT_EQ(TextAt(b, 140), "username");
    EXPECT_EQ(TextAt(b, 180).size(), 8u);
    EXPECT_EQ(TextAt(b, 180), TextAt(b, 300)) << "both passwords get the same placeholder";
    EXPECT_EQ(TextAt(b, 220), OPTIONEN_EMAIL_PLATZHALTER);
    EXPECT_EQ(TextAt(b, 260), "username");
    EXPECT_EQ(TextAt(b, 340), "serial.device");
    EXPECT_EQ(HostU32At(b, 380), 1u);
    EXPECT_EQ(TextAt(b, 384), "AT&F");
    EXPECT_EQ(TextAt(b, 424), "ATDT555");
    EXPECT_EQ(HostU32At(b, 548), 22800u);
    EXPECT_EQ(HostU32At(b, 552), 77u);
    EXPECT_EQ(b[556] | b[557], 0);
    EXPECT_EQ(HostU16At(b, 558), 1u);
    EXPECT_EQ(b[560], 0);
    EXPECT_EQ(b[561], 1);
    EXPECT_EQ(b[565], 0x5A);
    EXPECT_EQ(HostU32At(b, 566), 1u);
    for (size_t o : {6, 60, 100, 140, 180, 220, 260, 300, 340, 384})
        for (size_t i = o + TextAt(b, o).size(); i < o + 40; ++i) EXPECT_EQ(b[i], 0) << i;

    EXPECT_TRUE(UserSystem.VekFlags & VEKFLAG_OPTIONS_REBUILT);
    EXPECT_EQ(UserSystem.SoundStatus, 0xC0u) << "no sound device this run";
    struct stat st;
    ASSERT_EQ(stat(OPTIONEN, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file holds passwords";
}

TEST_F(PrefsTest, OptionDefaultsFollowTheDevicesOfThisRun)
{
    UserSystem.SoundMask = 0xFD;
    OptionPrefsDefault();
    EXPECT_EQ(+UserSystem.OP.SoundBits, 0xFDu);
    EXPECT_EQ(UserSystem.SoundStatus, 0xFDu);

    UserSystem.SoundMask = 0x91;
    SetupSystemHooks.IsCD = [] { return 1; };
    OptionPrefsDefault();
    EXPECT_EQ(UserSystem.SoundMask, 0x95u);
    EXPECT_EQ(UserSystem.SoundStatus, 0x15u | 0xC0u);
    EXPECT_EQ(+UserSystem.OP.SoundBits, 0xFDu);
}

TEST_F(PrefsTest, OptionsRoundTripWithADistinctValueInEveryField)
{
    UBYTE *raw = (UBYTE *)&UserSystem.OP;
    for (size_t i = 0; i < sizeof(OptionenPrefs); ++i) raw[i] = (UBYTE)(i * 7 + 1);
    const OptionenPrefs before = UserSystem.OP;
    ASSERT_EQ(OptionenPrefsSave(), 1);
    std::memset(&UserSystem.OP, 0, sizeof UserSystem.OP);
    ASSERT_EQ(OptionenPrefsLoad(), 1);
    EXPECT_EQ(+UserSystem.OP.SoundBits, +before.SoundBits);
    EXPECT_EQ(+UserSystem.OP.CDDeviceUnit, +before.CDDeviceUnit);
    EXPECT_EQ(+UserSystem.OP.AHI_Frequency, +before.AHI_Frequency);
    EXPECT_EQ(+UserSystem.OP.Modem_io_BrkTime, +before.Modem_io_BrkTime);
    EXPECT_EQ(+UserSystem.OP.ModemProtocol, +before.ModemProtocol);
    EXPECT_EQ(+UserSystem.OP.ColorCursor, +before.ColorCursor);
    EXPECT_EQ(std::memcmp(UserSystem.OP.InterPassword, before.InterPassword, 39), 0);
    EXPECT_EQ(UserSystem.OP.InterPassword[39], 0) << "texts are terminated after loading";
    EXPECT_EQ(UserSystem.OP.ModemResetString[39], 0);

    // And the bytes: the file holds each field where the record has it.
    const Bytes b = ReadBytes(OPTIONEN);
    ASSERT_EQ(b.size(), 570u);
    EXPECT_EQ(std::memcmp(b.data(), &before, 570), 0);
}

TEST_F(PrefsTest, OptionsFileSizes)
{
    OptionPrefsDefault();
    UserSystem.OP.ColorCursor = 1;
    std::strcpy(UserSystem.OP.ModemResetString, "ATZ");
    UBYTE image[OPTIONEN_PREFS_SIZE];
    OptionenPrefsEncode(UserSystem.OP, image);
    const Bytes good(image, image + sizeof image);

    struct Row {
        const char *name;
        size_t size;
        int result;
        bool message;
        BOOL colorCursor;    // the last field, taken only when whole
        const char *reset;   // ModemResetString at 504
    };
    const Row rows[] = {
        {"whole record", 570, 1, false, 1, "ATZ"},
        {"longer file: its first 570 bytes", 600, 1, false, 1, "ATZ"},
        {"one byte short", 569, 0, true, 0, "ATZ"},
        {"cut inside a text", 520, 0, true, 0, ""},
        {"empty", 0, 0, true, 0, ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file = good;
        file.resize(row.size, 0x33);
        WriteBytes(OPTIONEN, file);
        std::memset(&UserSystem.OP, 0, sizeof UserSystem.OP);
        StdoutCapture cap;
        EXPECT_EQ(OptionenPrefsLoad(), row.result);
        const bool message =
            cap.Take().find("OptionenPrefsLoad: Ladefehler: Filegr\366\337e stimmt nicht!") != std::string::npos;
        EXPECT_EQ(message, row.message);
        EXPECT_EQ(+UserSystem.OP.ColorCursor, row.colorCursor);
        EXPECT_STREQ(UserSystem.OP.ModemResetString, row.reset);
    }

    std::remove(OPTIONEN);
    StdoutCapture cap;
    EXPECT_EQ(OptionenPrefsLoad(), 0);
    EXPECT_EQ(cap.Take().find("Ladefehler"), std::string::npos) << "a missing file is no load error";
}

TEST_F(PrefsTest, OptionsSaveFailsCleanly)
{
    std::filesystem::remove_all("Data");
    StdoutCapture cap;
    EXPECT_EQ(OptionenPrefsSave(), 0);
    const std::string out = cap.Take();
    EXPECT_NE(out.find("OptionenPrefsSave: ./Data/Optionen.prefs"), std::string::npos);
    EXPECT_NE(out.find("OptionenPrefsSave: Konnte Prefs-File nicht \366ffnen!"), std::string::npos);
    EXPECT_FALSE(vektest::Exists("Data"));
}

TEST_F(PrefsTest, OptionsSaveTightensAnOpenFile)
{
    WriteBytes(OPTIONEN, Bytes(570, 0));
    chmod(OPTIONEN, 0644);
    ASSERT_EQ(OptionenPrefsSave(), 1);
    struct stat st;
    ASSERT_EQ(stat(OPTIONEN, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// The start-up steps that read the options and preferences.

class SetupSystemTest : public PrefsTest {
protected:
    int Run(std::string *out = nullptr)
    {
        StdoutCapture cap;
        const int r = SetupSystem();
        const std::string text = cap.Take();
        if (out) *out = text;
        ExitSystem();
        return r;
    }
};

TEST_F(SetupSystemTest, FreshWorkingDirectory)
{
    std::string out;
    EXPECT_EQ(Run(&out), 1) << out;
    EXPECT_EQ(ReadBytes(OPTIONEN).size(), 570u);
    EXPECT_EQ(ReadBytes(PREFS).size(), 250u);
    EXPECT_TRUE(UserSystem.VekFlags & VEKFLAG_OPTIONS_REBUILT);
    EXPECT_EQ(UserSystem.TCPIP_ID, 4);
    EXPECT_EQ(+UserSystem.OP.SoundBits, 0xFDu);
    EXPECT_NE(out.find("Routine: GetMouse(./Pics/SDLCursor02.chk)"), std::string::npos) << out;
    EXPECT_EQ(out.find("Ladefehler"), std::string::npos) << "a missing options file is made silently";
    EXPECT_STREQ(PlayerInfo.Spielname, "");
}

TEST_F(SetupSystemTest, ReadsThePlayerAndTheOptions)
{
    ASSERT_EQ(CheckPrefsWrite(9, 4711), 1);
    ASSERT_EQ(CheckPrefsWriteText(10, "Nordmark"), 1);
    ASSERT_EQ(CheckPrefsWriteText(8, "ruler@example.org"), 1);
    OptionPrefsDefault();
    UserSystem.OP.ColorCursor = 1;
    UserSystem.OP.TCPIP_ID = 255;
    ASSERT_EQ(OptionenPrefsSave(), 1);
    std::memset(&UserSystem, 0, sizeof UserSystem);
    UserSystem.VekFlags = VEKFLAG_OPTIONS_REBUILT;

    std::string out;
    EXPECT_EQ(Run(&out), 1) << out;
    EXPECT_FALSE(UserSystem.VekFlags & VEKFLAG_OPTIONS_REBUILT) << "cleared at each set-up";
    EXPECT_EQ((UBYTE)UserSystem.TCPIP_ID, 255);
    EXPECT_NE(out.find("Routine: GetMouse(./Pics/SDLCursor01.chk)"), std::string::npos) << out;
    EXPECT_EQ(PlayerInfo.SpielerID, 4711u);
    EXPECT_STREQ(PlayerInfo.Spielname, "Nordmark");
    EXPECT_STREQ(PlayerInfo.Email, "ruler@example.org");
}

TEST_F(SetupSystemTest, FullLengthNamesStayTerminated)
{
    ASSERT_EQ(CheckPrefsWriteText(10, std::string(40, 'g').c_str()), 1);
    ASSERT_EQ(CheckPrefsWriteText(8, std::string(45, 'e').c_str()), 1);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(std::string(PlayerInfo.Spielname), std::string(39, 'g'));
    EXPECT_EQ(std::string(PlayerInfo.Email), std::string(39, 'e'));
}

TEST_F(SetupSystemTest, ShortOptionsFileIsRebuilt)
{
    WriteBytes(OPTIONEN, Bytes(569, 0));
    std::string out;
    EXPECT_EQ(Run(&out), 1);
    EXPECT_NE(out.find("OptionenPrefsLoad: Ladefehler: Filegr\366\337e stimmt nicht!"), std::string::npos) << out;
    EXPECT_TRUE(UserSystem.VekFlags & VEKFLAG_OPTIONS_REBUILT);
    const Bytes b = ReadBytes(OPTIONEN);
    ASSERT_EQ(b.size(), 570u);
    EXPECT_EQ(TextAt(b, 6), "nobody.device");
}

TEST_F(SetupSystemTest, Failures)
{
    struct Row {
        const char *name;
        void (*prepare)();
        int result;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"no Data directory", [] { std::filesystem::remove_all("Data"); }, 0, {"SetupSystem:000"}},
        {"preferences cannot be read",
         [] {
             vektest::MakeDirs(PREFS);
         },
         0, {"SetupSystem:002", "SetupSystem:003"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all("Data");
        vektest::MakeDirs("Data");
        row.prepare();
        std::string out;
        EXPECT_EQ(Run(&out), row.result);
        for (const std::string &line : row.lines) EXPECT_NE(out.find(line + "\n"), std::string::npos) << out;
    }
}

}  // namespace
