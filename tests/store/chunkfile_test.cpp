// Reading one chunk out of a file and writing one chunk as a file, with the
// hostile files a received turn can hold.
#include <gtest/gtest.h>

#include "chunkbytes.h"
#include "common/testutil.h"
#include "platform/memfile.h"
#include "platform/files.h"
#include "store/store.h"

using namespace chunkbytes;
using vektest::Exists;
using vektest::ReadBytes;
using vektest::ScratchDir;
using vektest::StdoutCapture;
using vektest::WriteBytes;

namespace {

Bytes Land(uint32_t gold, size_t length = 160)
{
    Bytes p(length, 0);
    Set32(p, 34 - 12, gold);
    return FileChunk("LAND", "V001", p);
}

Bytes Text(const char *id, const std::string &text)
{
    Bytes p(text.begin(), text.end());
    return FileChunk(id, "V001", p);
}

}  // namespace

TEST(ChunkTable, IdsBitsAndNumbers)
{
    EXPECT_EQ(ID_INFO, 0x494E464Fu);
    EXPECT_EQ(VERSION_V001, 0x56303031u);
    EXPECT_EQ(ChunkBit(CN_HERB), 0x8000000u);
    EXPECT_EQ(ChunkBit(CN_FORS), 0x40000u);
    static const char *order = "INITINFOMOVEBMAPIMAPPMAPMREFPREFERORMAILSMALPPRFKORNLANDWAREBAUEGEBATAXEFORSTOWN"
                               "ARMYANFRANTWKRIGVERTSHIPSPEZHERB";
    for (ULONG n = 0; n < CN_MAX; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(std::string(ChunkNamen[n]), std::string(order + 4 * n, 4));
        st_ChunkHead head{ChunkIDOf(n), VERSION_V001, 0};
        EXPECT_EQ(GetChunkID(&head), (LONG)n);
    }
    st_ChunkHead unknown{MakeChunkID("ABCD"), VERSION_V001, 0};
    EXPECT_EQ(GetChunkID(&unknown), -1);
    EXPECT_EQ(GetChunkID(nullptr), -1);
}

TEST(LoadChunk2Mem, TakesTheFirstChunkOfItsId)
{
    ScratchDir dir;
    WriteBytes("pool", Cat({Text("EROR", "x"), Land(111), Land(222)}));
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, "pool");
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(+land->AnzGold, 111u);
    FreeVec(land);
    EXPECT_EQ(LoadChunk2Mem(ID_KORN, "pool"), nullptr);
    StdoutCapture cap;
    EXPECT_EQ(LoadChunk2Mem(ID_KORN, "missing"), nullptr);
    EXPECT_NE(cap.Take().find("LoadChunk2Mem: Konnte File nicht oeffnen : missing\n"), std::string::npos);
}

TEST(LoadChunk2Mem, AShorterRecordReadsWithItsMissingFieldsZero)
{
    ScratchDir dir;
    Bytes land = Land(5, 80);
    std::fill(land.begin() + 60, land.end(), 0x41);
    WriteBytes("pool", land);
    auto *p = (uint8_t *)LoadChunk2Mem(ID_LAND, "pool");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(+((st_LAND *)p)->Head.Length, 80u);
    EXPECT_EQ(+((st_LAND *)p)->AnzGold, 5u);
    for (size_t i = 92; i < sizeof(st_LAND) + 1; ++i) ASSERT_EQ(p[i], 0) << i;
    FreeVec(p);
}

TEST(LoadChunk2Mem, TextPayloadEndsWithAZeroByte)
{
    ScratchDir dir;
    WriteBytes("pool", Text("EROR", "Spieler unbekannt"));
    auto *p = (char *)LoadChunk2Mem(ID_EROR, "pool");
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p + 12, "Spieler unbekannt");
    FreeVec(p);
}

TEST(LoadChunk2Mem, MapRecordsComeBackAsStored)
{
    ScratchDir dir;
    Bytes records;
    for (int i = 0; i < 44; ++i) records.push_back((uint8_t)(i * 5 + 1));
    Bytes chunk = FileChunk("PMAP", "V001", records);
    WriteBytes("pool", chunk);
    auto *p = (uint8_t *)LoadChunk2Mem(ID_PMAP, "pool");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(Bytes(p + 12, p + 56), records);
    ASSERT_EQ(SaveChunk2File("again", p), 1);
    EXPECT_EQ(ReadBytes("again"), chunk);
    FreeVec(p);
}

// Files a server or a broken disk could hand over: the wanted chunk is
// absent (null), never partly read, never read past the file or the buffer.
TEST(LoadChunk2Mem, HostileFiles)
{
    Bytes huge = Land(1);
    Set32(huge, 8, 0xFFFFFFF4u);
    Bytes pastEnd = Land(1);
    Set32(pastEnd, 8, 161);
    Bytes skippedPastEnd = Text("EROR", "abc");
    Set32(skippedPastEnd, 8, 1000);
    const Bytes land = Land(1);
    Bytes truncatedPayload = Land(1);
    truncatedPayload.resize(100);
    struct Row {
        const char *name;
        Bytes file;
        uint32_t wanted;
        bool found;
        uint32_t length;  // when found
    } rows[] = {
        {"empty file", {}, ID_LAND, false, 0},
        {"truncated head", Bytes(land.begin(), land.begin() + 11), ID_LAND, false, 0},
        {"length past the end", pastEnd, ID_LAND, false, 0},
        {"huge length", huge, ID_LAND, false, 0},
        {"truncated payload", truncatedPayload, ID_LAND, false, 0},
        {"skipped chunk past the end", Cat({skippedPastEnd, Land(1)}), ID_LAND, false, 0},
        {"trailing bytes after the wanted chunk", Cat({Land(1), Bytes(5, 0)}), ID_LAND, true, 160},
        {"zero-length chunk loads as a bare head", FileChunk("LAND", "V001", {}), ID_LAND, true, 0},
        {"zero-length chunk before the wanted one", Cat({FileChunk("KORN", "V001", {}), Land(1)}), ID_LAND, true, 160},
        {"unknown chunk before the wanted one", Cat({Text("ZZZZ", "??"), Land(1)}), ID_LAND, true, 160},
    };
    ScratchDir dir;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        WriteBytes("pool", r.file);
        auto *p = (st_ChunkHead *)LoadChunk2Mem(r.wanted, "pool");
        EXPECT_EQ(p != nullptr, r.found);
        if (p) {
            EXPECT_EQ(+p->Length, r.length);
            FreeVec(p);
        }
    }
}

TEST(LoadChunk2Mem, ZeroLengthChunkIsZeroFilledToItsRecord)
{
    ScratchDir dir;
    WriteBytes("pool", FileChunk("GEBA", "V001", {}));
    auto *g = (st_GEBA *)LoadChunk2Mem(ID_GEBA, "pool");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(+g->Head.Length, 0u);
    EXPECT_EQ(+g->AnzGeb, 0) << "the count lies inside the buffer";
    EXPECT_EQ(GetChunkEntryCount(g), 0u);
    FreeVec(g);
}

TEST(SaveChunk2File, RefusesWhatIsNotAChunk)
{
    ScratchDir dir;
    WriteBytes("keep", Bytes{1, 2, 3});
    st_ChunkHead zeroLength{ID_EROR, VERSION_V001, 0};
    st_ChunkHead zeroId{0, VERSION_V001, 4};
    st_ChunkHead zeroVersion{ID_EROR, 0, 4};
    for (const st_ChunkHead *h : {&zeroLength, &zeroId, &zeroVersion}) {
        StdoutCapture cap;
        EXPECT_EQ(SaveChunk2File("keep", h), 0);
        EXPECT_NE(cap.Take().find("SaveChunk2File:Der uebergebene Chunk war nicht VALID!"), std::string::npos);
    }
    EXPECT_EQ(SaveChunk2File("keep", nullptr), 0);
    EXPECT_EQ(ReadBytes("keep"), (Bytes{1, 2, 3}));
    Bytes chunk = FileChunk("EROR", "V001", {'a'});
    SwapByteOrderInChunk(chunk.data(), 1);
    StdoutCapture cap;
    EXPECT_EQ(SaveChunk2File("no/such/dir/x", chunk.data()), 0);
    EXPECT_NE(cap.Take().find("SaveChunk2File:Konnte das File nicht erstellen : no/such/dir/x"), std::string::npos);
}

TEST(SaveChunk2File, ReplacesTheWholeFile)
{
    ScratchDir dir;
    WriteBytes("one", Bytes(500, 0x55));
    Bytes chunk = Text("EROR", "kurz");
    Bytes host = chunk;
    SwapByteOrderInChunk(host.data(), 1);
    ASSERT_EQ(SaveChunk2File("one", host.data()), 1);
    EXPECT_EQ(ReadBytes("one"), chunk);
    EXPECT_EQ(GetDirEntries("."), 1) << "no temporary file is left";
}

// An ARMY chunk whose count promises an army that is not there converts only
// in part: it is neither loaded nor stored.
TEST(ChunkFiles, HalfConvertedArmyChunkIsRefused)
{
    ScratchDir dir;
    Bytes payload;
    Put32(payload, 1);  // one army, and no ARHD record behind the count
    WriteBytes("army.vek", FileChunk("ARMY", "V001", payload));
    StdoutCapture cap;
    EXPECT_EQ(LoadChunk2Mem(ID_ARMY, "army.vek"), nullptr);
    EXPECT_NE(cap.Take().find("LoadChunk2Mem: Der Chunk ARMY liess sich nicht vollstaendig konvertieren!"),
              std::string::npos);

    Bytes host;
    PutHost32(host, ID_ARMY);
    PutHost32(host, VERSION_V001);
    PutHost32(host, 4);
    PutHost32(host, 1);
    WriteBytes("keep", Bytes{1, 2, 3});
    StdoutCapture cap2;
    EXPECT_EQ(SaveChunk2File("keep", host.data()), 0);
    EXPECT_NE(cap2.Take().find("SaveChunk2File:Der Chunk liess sich nicht vollstaendig konvertieren!"),
              std::string::npos);
    EXPECT_EQ(ReadBytes("keep"), (Bytes{1, 2, 3}));
}

TEST(AllocChunk, SmalAndForsOnly)
{
    auto *smal = (st_SMAL *)AllocChunk(CN_SMAL, 10, 1);
    ASSERT_NE(smal, nullptr);
    EXPECT_EQ(+smal->Head.ChunkID, ID_SMAL);
    EXPECT_EQ(+smal->Head.Version, VERSION_V001);
    EXPECT_EQ(+smal->Head.Length, 272u + 10);
    FreeChunk(smal);
    auto *fors = (st_FORS *)AllocChunk(CN_FORS, 99, 2);
    ASSERT_NE(fors, nullptr);
    EXPECT_EQ(+fors->Head.Version, MakeChunkID("V002"));
    EXPECT_EQ(+fors->Head.Length, 16u);
    FreeChunk(fors);
    for (ULONG n : {(ULONG)CN_INFO, (ULONG)CN_MOVE, (ULONG)CN_MAX, 1000u}) EXPECT_EQ(AllocChunk(n, 0, 1), nullptr) << n;
    EXPECT_EQ(AllocChunk(CN_SMAL, 0xFFFFFFFFu, 1), nullptr);
    FreeChunk(nullptr);
}

TEST(IsChunkPresent, ByTheBitsOfInfo)
{
    ScratchDir dir;
    Info info;
    info.bits = 2 | ChunkBit(CN_LAND) | ChunkBit(CN_KORN);
    WriteBytes("pool", InfoChunk(info));
    EXPECT_EQ(IsChunkPresent(ChunkBit(CN_LAND), "pool"), 1);
    EXPECT_EQ(IsChunkPresent(ChunkBit(CN_LAND) | ChunkBit(CN_KORN), "pool"), 1);
    EXPECT_EQ(IsChunkPresent(ChunkBit(CN_LAND) | ChunkBit(CN_MOVE), "pool"), 0);
    EXPECT_EQ(IsChunkPresent(0, "pool"), 1);
    EXPECT_EQ(IsChunkPresent(0, "missing"), 0);
    WriteBytes("noinfo", Land(1));
    EXPECT_EQ(IsChunkPresent(0, "noinfo"), 0);
}
