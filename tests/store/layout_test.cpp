// Every chunk layout against bytes built from its field list: a file-order
// chunk whose every byte differs, the host-order chunk expected after loading,
// and back. The field lists below are typed from the format tables, not taken
// from the code, so a field of the wrong width or place shows in one direction
// even where a round trip would hide it.
#include <gtest/gtest.h>
#include <algorithm>
#include <sstream>

#include "chunkbytes.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "store/store.h"

using namespace chunkbytes;
using vektest::ReadBytes;
using vektest::ScratchDir;
using vektest::StdoutCapture;
using vektest::WriteBytes;

namespace {

struct FieldPos {
    size_t offset;
    int width;
};

std::vector<FieldPos> Parse(const char *list)
{
    std::vector<FieldPos> out;
    std::istringstream in(list ? list : "");
    std::string tok;
    while (in >> tok) {
        size_t colon = tok.find(':');
        out.push_back({std::stoul(tok.substr(0, colon)), std::stoi(tok.substr(colon + 1))});
    }
    return out;
}

void Reverse(Bytes &b, size_t at, int width)
{
    if (kLittleHost) std::reverse(b.begin() + (long)at, b.begin() + (long)at + width);
}

struct LayoutRow {
    const char *name;
    const char *id;
    const char *version;
    size_t fixedSize;         // head included
    const char *fixedFields;  // multi-byte fields of the fixed part, count included
    size_t countOffset;       // 0: no count
    int countWidth;
    uint32_t count;
    size_t entrySize;
    const char *entryFields;
    size_t tail;              // bytes after the entries that are never converted
};

const char *kMoveExt = "0:4 4:2 6:2 8:4 12:4";
const char *kBaueExt = "0:2 2:2 4:2 6:2 8:4 12:2 14:2";

const LayoutRow kRows[] = {
    {"INIT", "INIT", "V001", 784, "362:4 692:4 696:2", 0, 0, 0, 0, nullptr, 0},
    {"INFO keeps VekSystem and VekVersion", "INFO", "V001", 52, "12:4 16:4 20:4 28:2 30:4 42:4", 0, 0, 0, 0, nullptr, 0},
    {"IMAP", "IMAP", "V001", 28, "12:4 16:4 20:4 24:4", 0, 0, 0, 0, nullptr, 0},
    {"MREF", "MREF", "V001", 28, "12:4 16:4 20:4 24:4", 0, 0, 0, 0, nullptr, 0},
    {"KORN", "KORN", "V001", 64, "12:4 16:2 18:4 22:4 26:4 30:4 34:2 36:4 42:4 46:4 50:2 52:4 56:4 60:4", 0, 0, 0, 0,
     nullptr, 0},
    {"LAND", "LAND", "V001", 172,
     "12:2 14:4 18:4 22:4 26:4 30:4 34:4 38:4 42:4 46:4 50:4 54:4 58:4 62:4 66:4 70:4 74:4 78:4 82:2 84:2 86:2 88:2", 0,
     0, 0, 0, nullptr, 0},
    {"TAXE with its odd offsets", "TAXE", "V001", 83,
     "12:4 16:2 18:4 22:4 26:4 30:2 32:2 34:2 36:4 40:4 44:4 48:4 52:2 54:4 58:4 62:4 67:4 71:4 75:4 79:4", 0, 0, 0, 0,
     nullptr, 0},
    {"FORS", "FORS", "V001", 28, "22:4 26:2", 0, 0, 0, 0, nullptr, 0},
    {"SMAL keeps its text", "SMAL", "V001", 284, "276:4 280:4", 0, 0, 0, 0, nullptr, 31},
    {"MAIL converts only its count", "MAIL", "V001", 16, "12:4", 12, 4, 1, 0, nullptr, 300},
    {"MOVE", "MOVE", "V001", 14, "12:2", 12, 2, 3, 18, kMoveExt, 0},
    {"BMAP keeps its bit maps", "BMAP", "V001", 14, "12:2", 12, 2, 2, 402, "", 0},
    {"WARE", "WARE", "V001", 14, "12:2", 12, 2, 2, 36, "0:2 2:4 6:4 10:4 14:4 18:4 22:4 26:4 30:4 34:2", 0},
    {"BAUE", "BAUE", "V001", 14, "12:2", 12, 2, 2, 16, kBaueExt, 0},
    {"GEBA", "GEBA", "V001", 18, "12:4 16:2", 16, 2, 3, 16, kBaueExt, 0},
    {"TOWN V001", "TOWN", "V001", 14, "12:2", 12, 2, 2, 92, "0:2 2:2 84:2 86:4 90:2", 0},
    {"TOWN V002 keeps Nop", "TOWN", "V002", 14, "12:2", 12, 2, 2, 106, "0:2 2:2 84:2 86:4 90:2 92:2", 0},
    {"ANFR", "ANFR", "V001", 22, "12:2 14:4 18:4", 14, 4, 3, 4, "0:4", 0},
    {"ANTW keeps the names", "ANTW", "V001", 22, "12:2 14:4 18:4", 14, 4, 2, 84, "0:4", 0},
    {"KRIG", "KRIG", "V001", 16, "12:4", 12, 4, 2, 72,
     "0:4 4:4 8:2 10:2 12:4 16:4 22:4 26:2 28:2 30:4 34:4 40:4 44:2 46:2 48:2 50:2 52:4 56:4 60:4 64:4 68:4", 0},
    {"VERT", "VERT", "V001", 16, "12:4", 12, 4, 2, 32, "0:2 2:4 6:4 10:4 14:4 18:2 20:2 22:4 26:4 30:2", 0},
    {"SHIP", "SHIP", "V001", 16, "12:4", 12, 4, 2, 68,
     "0:2 2:2 4:2 6:4 10:4 14:4 18:2 20:2 22:4 26:4 32:4 36:2 38:2 40:4 44:4 50:4 54:2 56:2 58:4 62:4", 0},
    {"SPEZ", "SPEZ", "V001", 16, "12:4", 12, 4, 2, 194,
     "80:4 84:4 88:4 92:2 106:4 110:4 114:4 118:4 122:4 126:4 130:4 134:4 138:4 142:4 146:4 150:4 154:4 158:4 162:4 "
     "166:4 170:4 174:4 178:4 182:4 186:4 190:4",
     0},
    {"HERB", "HERB", "V001", 16, "12:4", 12, 4, 3, 12, "0:4 4:4 10:2", 0},
    {"version V + three zeros reads as V001", "HERB", "V\0\0\0", 16, "12:4", 12, 4, 1, 12, "0:4 4:4 10:2", 0},
    {"PMAP is never converted", "PMAP", "V001", 12, "", 0, 0, 0, 22, "", 44},
    {"EROR has no layout", "EROR", "V001", 12, "", 0, 0, 0, 0, nullptr, 17},
    {"PREF has no layout", "PREF", "V001", 12, "", 0, 0, 0, 0, nullptr, 238},
    {"PPRF has no layout", "PPRF", "V001", 12, "", 0, 0, 0, 0, nullptr, 24},
    {"LAND V002 is left as it is", "LAND", "V002", 172, "", 0, 0, 0, 0, nullptr, 0},
};

// The file-order chunk (every payload byte distinct from its neighbours) and
// the host-order chunk that loading it must give.
void Build(const LayoutRow &r, Bytes &file, Bytes &host)
{
    size_t entries = r.entrySize ? r.count : 0;
    size_t size = r.fixedSize + entries * r.entrySize + r.tail;
    file.assign(size, 0);
    for (size_t i = 12; i < size; ++i) file[i] = (uint8_t)(i * 37 + 11);
    std::memcpy(&file[0], r.id, 4);
    std::memcpy(&file[4], r.version, 4);
    Set32(file, 8, (uint32_t)(size - 12));
    if (r.countWidth == 2) Set16(file, r.countOffset, (uint16_t)r.count);
    if (r.countWidth == 4) Set32(file, r.countOffset, r.count);
    host = file;
    for (size_t i = 0; i < 12; i += 4) Reverse(host, i, 4);
    for (const FieldPos &f : Parse(r.fixedFields)) Reverse(host, f.offset, f.width);
    for (size_t e = 0; e < entries; ++e)
        for (const FieldPos &f : Parse(r.entryFields)) Reverse(host, r.fixedSize + e * r.entrySize + f.offset, f.width);
}

}  // namespace

TEST(ChunkLayouts, LoadSaveAndSwapEveryLayout)
{
    ScratchDir dir;
    for (const LayoutRow &r : kRows) {
        SCOPED_TRACE(r.name);
        Bytes file, host;
        Build(r, file, host);
        WriteBytes("chunk.dat", file);

        uint32_t id = (uint32_t)(uint8_t)r.id[0] << 24 | (uint32_t)(uint8_t)r.id[1] << 16 |
                      (uint32_t)(uint8_t)r.id[2] << 8 | (uint8_t)r.id[3];
        auto *loaded = (uint8_t *)LoadChunk2Mem(id, "chunk.dat");
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(Bytes(loaded, loaded + host.size()), host) << "file to host";
        EXPECT_EQ(loaded[host.size()], 0) << "zero byte after the payload";
        FreeVec(loaded);

        Bytes mine = host;
        ASSERT_EQ(SaveChunk2File("saved.dat", mine.data()), 1);
        EXPECT_EQ(ReadBytes("saved.dat"), file) << "host to file";
        EXPECT_EQ(mine, host) << "the saved chunk stays as it was";

        SwapByteOrderInChunk(mine.data(), 1);
        EXPECT_EQ(mine, file) << "a host-order ID converts to file order";
        SwapByteOrderInChunk(mine.data(), 1);
        EXPECT_EQ(mine, host) << "a file-order ID converts to host order";
    }
}

// Built field by field: FORS from AllocChunk (version 1), research values set.
TEST(ChunkLayouts, ForsGoldenBytes)
{
    static const uint8_t golden[28] = {'F', 'O', 'R', 'S', 'V', '0', '0', '1', 0, 0, 0, 16,
                                       3, 1, 2, 4, 5, 6, 7, 8, 9, 10,
                                       0x00, 0x01, 0x86, 0xA0,  // KostenProRunde 100000
                                       0x12, 0x34};             // Besonderheiten 0x1234
    ScratchDir dir;
    auto *fors = (st_FORS *)AllocChunk(CN_FORS, 0, 1);
    ASSERT_NE(fors, nullptr);
    fors->AktiveForschung = 3;
    fors->ForschungsCounter = 1;
    fors->ForschungsZeit = 2;
    fors->Alchemie = 4;
    fors->Astronomie = 5;
    fors->Kampftechnik = 6;
    fors->Naturkunde = 7;
    fors->Medizin = 8;
    fors->Technik = 9;
    fors->Theologie = 10;
    fors->KostenProRunde = 100000;
    fors->Besonderheiten = 0x1234;
    ASSERT_EQ(SaveChunk2File("fors.dat", fors), 1);
    EXPECT_EQ(ReadBytes("fors.dat"), Bytes(golden, golden + sizeof golden));
    FreeChunk(fors);
}

// A figure record with a distinct value in every field.
TEST(ChunkLayouts, MoveGoldenBytes)
{
    static const uint8_t golden[] = {'M', 'O', 'V', 'E', 'V', '0', '0', '1', 0, 0, 0, 20, 0, 1,
                                     0x00, 0x00, 0x00, 0x07,  // SpielerID 7
                                     0x00, 0x0A,              // FigurArt 10
                                     0x01, 0x02,              // FigurNummer 258
                                     0x00, 0x00, 0x01, 0x2C,  // X_Pos 300
                                     0x00, 0x01, 0x00, 0x00,  // Y_Pos 65536
                                     0x05, 0x06};             // Kommando, Bewegungspunkte
    ScratchDir dir;
    WriteBytes("move.dat", Bytes(golden, golden + sizeof golden));
    auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, "move.dat");
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(+move->Head.Length, 20u);
    EXPECT_EQ(+move->AnzFiguren, 1);
    auto *fig = (st_MOVE_EXT *)(move + 1);
    EXPECT_EQ(+fig->SpielerID, 7u);
    EXPECT_EQ(+fig->FigurArt, 10);
    EXPECT_EQ(+fig->FigurNummer, 258);
    EXPECT_EQ(+fig->X_Pos, 300u);
    EXPECT_EQ(+fig->Y_Pos, 65536u);
    EXPECT_EQ(+fig->Kommando, 5);
    EXPECT_EQ(+fig->Bewegungspunkte, 6);
    ASSERT_EQ(SaveChunk2File("again.dat", move), 1);
    EXPECT_EQ(ReadBytes("again.dat"), Bytes(golden, golden + sizeof golden));
    FreeVec(move);
}

namespace {

// Two armies (two parts, then one) and the 12 zero bytes per saboteur that
// the client's writer reserves after them.
void BuildArmy(Bytes &file, Bytes &host)
{
    Bytes p;
    Put32(p, 2);
    auto army = [&](uint32_t parts, uint32_t seed) {
        PutText(p, "ARHD");
        PutText(p, "V001");
        Put32(p, 52);
        for (uint32_t k = 0; k < 8; ++k) Put32(p, k == 6 ? parts : seed * 0x01020304u + k * 0x10203u);
        PutText(p, std::string("Legio\0prima\0\0\0\0\0\0\0\0\0", 20));
        for (uint32_t j = 0; j < parts; ++j) {
            PutText(p, "AREN");
            PutText(p, "V001");
            Put32(p, 44);
            for (uint32_t k = 0; k < 11; ++k) Put32(p, seed * 0x0A0B0C0Du + j * 0x11u + k * 0x01000100u);
        }
    };
    army(2, 1);
    army(1, 2);
    PutZeros(p, 12);
    file = FileChunk("ARMY", "V001", p);
    host = file;
    for (size_t i = 0; i < 16; i += 4) Reverse(host, i, 4);
    size_t at = 16;
    for (int parts : {2, 1}) {
        for (size_t k = 0; k < 44; k += 4) Reverse(host, at + k, 4);  // head and Armee, not the name
        at += 64;
        for (int j = 0; j < parts; ++j, at += 56)
            for (size_t k = 0; k < 56; k += 4) Reverse(host, at + k, 4);
    }
}

}  // namespace

TEST(ChunkLayouts, ArmyWithNestedRecordsAndSaboteurTail)
{
    ScratchDir dir;
    Bytes file, host;
    BuildArmy(file, host);
    ASSERT_EQ(file.size(), 12u + 4 + 2 * 64 + 3 * 56 + 12);
    WriteBytes("army.dat", file);
    auto *army = (uint8_t *)LoadChunk2Mem(ID_ARMY, "army.dat");
    ASSERT_NE(army, nullptr);
    EXPECT_EQ(Bytes(army, army + host.size()), host);
    auto *arhd = (st_ARHD *)(army + 16);
    EXPECT_EQ(+arhd->Head.ChunkID, ID_ARHD);
    EXPECT_EQ(+arhd->ArmeeHeader.ArmeeTypAnzahl, 2u);
    EXPECT_STREQ(arhd->ArmeeHeader.Name, "Legio");
    ASSERT_EQ(SaveChunk2File("again.dat", army), 1);
    EXPECT_EQ(ReadBytes("again.dat"), file);
    FreeVec(army);
}

TEST(ChunkLayouts, ArmyStopsAtAForeignRecord)
{
    Bytes file, host;
    BuildArmy(file, host);
    std::memcpy(&file[16 + 64 + 56], "XXXX", 4);  // the second part of the first army
    Bytes mine = file;
    StdoutCapture cap;
    SwapByteOrderInChunk(mine.data(), 1);
    std::string out = cap.Take();
    EXPECT_NE(out.find("fremden Eintrag"), std::string::npos) << out;
    // Converted up to the foreign record, untouched from there on.
    EXPECT_EQ(Bytes(mine.begin(), mine.begin() + 16 + 64 + 56), Bytes(host.begin(), host.begin() + 16 + 64 + 56));
    EXPECT_EQ(Bytes(mine.begin() + 16 + 64 + 56, mine.end()), Bytes(file.begin() + 16 + 64 + 56, file.end()));
}

// Counts larger than the payload, for every chunk with entries: only whole
// entries that fit are converted and nothing past the chunk is touched (the
// buffer is exactly 12 + Length bytes, so a walk past it shows under ASan).
TEST(ChunkLayouts, CountsLargerThanThePayloadStopAtTheEnd)
{
    for (const LayoutRow &r : kRows) {
        if (!r.entrySize || !r.countWidth) continue;
        SCOPED_TRACE(r.name);
        LayoutRow big = r;
        big.count = 1;  // build one entry, then claim the most the field can say
        Bytes file, host;
        Build(big, file, host);
        uint32_t claim = r.countWidth == 2 ? 0xFFFF : 0xFFFFFFFF;
        if (r.countWidth == 2) Set16(file, r.countOffset, (uint16_t)claim);
        else Set32(file, r.countOffset, claim);
        std::memset(&host[r.countOffset], 0xFF, (size_t)r.countWidth);
        auto *heap = new uint8_t[file.size()];
        std::memcpy(heap, file.data(), file.size());
        StdoutCapture cap;
        SwapByteOrderInChunk(heap, 1);
        std::string out = cap.Take();
        EXPECT_NE(out.find("Fataler Fehler"), std::string::npos) << out;
        EXPECT_EQ(Bytes(heap, heap + file.size()), host);
        delete[] heap;
    }
}

TEST(ChunkLayouts, MoveCountTooLargeForItsLength)
{
    // AnzFiguren 3 but Length 38: two whole entries fit.
    Bytes p;
    Put16(p, 3);
    for (int i = 0; i < 2; ++i) {
        Put32(p, 0x01020304);
        Put16(p, 0x0506);
        Put16(p, 0x0708);
        Put32(p, 0x090A0B0C);
        Put32(p, 0x0D0E0F10);
        p.push_back(0x11);
        p.push_back(0x12);
    }
    Bytes chunk = FileChunk("MOVE", "V001", p);
    ASSERT_EQ(chunk.size(), 50u);
    ScratchDir dir;
    WriteBytes("move.dat", chunk);
    StdoutCapture cap;
    auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, "move.dat");
    std::string out = cap.Take();
    ASSERT_NE(move, nullptr);
    EXPECT_NE(out.find("SwapByteOrderInChunk: Fataler Fehler! Gr\366sse des Move-Chunks stimmt nicht beim swappen! "
                       "Anzahl Figuren 3 berechnet 2\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(+move->AnzFiguren, 3) << "the stored count is kept";
    auto *fig = (st_MOVE_EXT *)(move + 1);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(+fig[i].SpielerID, 0x01020304u);
        EXPECT_EQ(+fig[i].Y_Pos, 0x0D0E0F10u);
    }
    EXPECT_EQ(GetChunkEntryCount(move), 2u);
    FreeVec(move);
}

TEST(ChunkLayouts, VersionsWithoutALayoutKeepThePayload)
{
    struct Row {
        const char *version;
        const char *message;
    } rows[] = {
        {"V002", "SwapByteOrderInChunk:Der Chunk 'KORN' konnte nicht geswappt wurden da er noch nicht implementiert"},
        {"V003", "SwapByteOrderInChunk:Die Version des Chunks 'KORN' ist noch nicht implementiert!"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.version);
        Bytes p(52);
        for (size_t i = 0; i < p.size(); ++i) p[i] = (uint8_t)(i + 1);
        Bytes file = FileChunk("KORN", r.version, p);
        Bytes mine = file;
        StdoutCapture cap;
        SwapByteOrderInChunk(mine.data(), 1);
        std::string out = cap.Take();
        EXPECT_NE(out.find(r.message), std::string::npos) << out;
        EXPECT_EQ(Bytes(mine.begin() + 12, mine.end()), p) << "payload unchanged";
        EXPECT_EQ(((st_ChunkHead *)mine.data())->ChunkID, ID_KORN) << "head converted";
        EXPECT_EQ(((st_ChunkHead *)mine.data())->Length, 52u);
    }
}

TEST(ChunkLayouts, EntryCounts)
{
    // PMAP counts its records by length; others by their count, cut to Length.
    Bytes pmap = FileChunk("PMAP", "V001", Bytes(22 * 3 + 5, 0));
    ScratchDir dir;
    WriteBytes("p.dat", pmap);
    void *p = LoadChunk2Mem(ID_PMAP, "p.dat");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetChunkEntryCount(p), 3u);
    FreeVec(p);
    EXPECT_EQ(GetChunkEntryCount(nullptr), 0u);
    Bytes korn = FileChunk("KORN", "V001", Bytes(52, 0));
    WriteBytes("k.dat", korn);
    p = LoadChunk2Mem(ID_KORN, "k.dat");
    EXPECT_EQ(GetChunkEntryCount(p), 0u);
    FreeVec(p);
}
