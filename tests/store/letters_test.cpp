// Letter files, the MAIL chunk that carries them and its split on receipt.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/system.h"
#include "store/chunkbytes.h"
#include "store/letters.h"
#include "store/store.h"

namespace {

using namespace chunkbytes;
using vektest::Exists;
using vektest::ReadBytes;
using vektest::WriteBytes;

class LetterDir : public vektest::ScratchDir {
public:
    LetterDir()
    {
        vektest::MakeDirs("Data/MailIn");
        vektest::MakeDirs("Data/MailOut");
        vektest::MakeDirs("Data/POP3Out");
        PlayerInfo = st_PlayerInfo{};
        PlayerInfo.SpielerID = 0x2A;
        std::strcpy(PlayerInfo.Spielname, "Absender");
    }
};

// A letter file as it lies on disk.
Bytes Letter(uint32_t from, uint32_t to, const std::string &subject, const std::string &text)
{
    Bytes p;
    PutText(p, "09-Dec-2026 00:11:51");
    PutZeros(p, 4);
    PutText(p, subject);
    PutZeros(p, 160 - subject.size());
    PutText(p, "Absender");
    PutZeros(p, 32);
    PutText(p, "Ziel");
    PutZeros(p, 36);
    Put32(p, from);
    Put32(p, to);
    PutText(p, text);
    p.push_back(0);
    return FileChunk("SMAL", "V001", p);
}

TEST(MakeSmal, LetterAndSendersCopyUnderTheFirstFreeSerials)
{
    LetterDir dir;
    ASSERT_EQ(MakeSMAL("Ziel", 0x12, "Gruss", "Hallo"), 1);
    ASSERT_EQ(MakeSMAL("Ziel", 0x12, "Gruss", "Hallo"), 1);
    EXPECT_TRUE(Exists("Data/MailOut/E0000012_00.smal"));
    EXPECT_TRUE(Exists("Data/MailOut/E0000012_01.smal"));
    EXPECT_TRUE(Exists("Data/MailIn/E000002a_00.smal"));
    EXPECT_TRUE(Exists("Data/MailIn/E000002a_01.smal"));
    Bytes got = ReadBytes("Data/MailOut/E0000012_00.smal");
    EXPECT_EQ(ReadBytes("Data/MailIn/E000002a_00.smal"), got);
    // Everything but the date stamp, byte for byte.
    ASSERT_EQ(got.size(), 290u);
    const std::string date(got.begin() + 12, got.begin() + 32);
    EXPECT_EQ(date.size(), 20u);
    EXPECT_EQ(date[2], '-');
    EXPECT_EQ(date[11], ' ');
    Bytes want = Letter(0x2A, 0x12, "Gruss", "Hallo");
    std::memcpy(&want[12], &got[12], 24);
    EXPECT_EQ(got, want);
}

TEST(MakeSmal, SubjectAndNamesCutAndEmptyTextIsTheSmallestLetter)
{
    LetterDir dir;
    std::memset(PlayerInfo.Spielname, 'S', sizeof PlayerInfo.Spielname - 1);
    ASSERT_EQ(MakeSMAL(std::string(60, 'E').c_str(), -1, std::string(200, 'B').c_str(), ""), 1);
    const Bytes b = ReadBytes("Data/MailOut/Effffffff_00.smal");
    ASSERT_EQ(b.size(), 285u);
    EXPECT_EQ(Get32(b, 8), 273u);
    EXPECT_EQ(b[36 + 158], 'B');
    EXPECT_EQ(b[36 + 159], 0);
    EXPECT_EQ(b[196 + 38], 'S');
    EXPECT_EQ(b[196 + 39], 0);
    EXPECT_EQ(b[236 + 38], 'E');
    EXPECT_EQ(b[236 + 39], 0);
    EXPECT_EQ(Get32(b, 280), 0xFFFFFFFFu);
    EXPECT_EQ(b[284], 0);
}

TEST(CreateMailChunk, TwoLettersBackToBackByteForByte)
{
    LetterDir dir;
    const Bytes a = Letter(0x2A, 0x12, "", ""), b = Letter(0x2A, 0x13, "", "");
    WriteBytes("Data/MailOut/E0000012_00.smal", a);
    WriteBytes("Data/MailOut/E0000013_00.smal", b);
    ASSERT_EQ(CreateMailChunk(POOL_OUT, "./Data/MailOut"), 1);
    Bytes pool = ReadBytes(POOL_OUT);
    ASSERT_EQ(pool.size(), 52u + 12 + 4 + 570);
    Bytes mail(pool.begin() + 52, pool.end());
    Bytes payload = {0, 0, 0, 2};
    payload = Cat({payload, a, b});
    EXPECT_EQ(mail, FileChunk("MAIL", "V001", payload));
    EXPECT_EQ(Get32(mail, 8), 574u);
    EXPECT_FALSE(Exists("Data/MailOut/tmp.chunk"));
    EXPECT_TRUE(Exists("Data/MailOut/E0000012_00.smal"));  // the caller deletes sent letters

    // Loaded, the letters inside stay in file order.
    st_MAIL *m = (st_MAIL *)LoadChunk2Mem(ID_MAIL, POOL_OUT);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(+m->AnzahlEmails, 2u);
    EXPECT_EQ(Bytes((UBYTE *)m + 16, (UBYTE *)m + 16 + a.size()), a);
    FreeVec(m);
}

TEST(CreateMailChunk, OnlyWholeSingleLettersTravel)
{
    struct Case {
        const char *name;
        Bytes bytes;
    };
    const Bytes good = Letter(1, 2, "x", "y");
    Bytes cut(good.begin(), good.end() - 1);
    Bytes two = Cat({good, good});
    Bytes other = good;
    std::memcpy(other.data(), "SMAX", 4);
    for (const Case &c : {Case{"cut", cut}, Case{"two", two}, Case{"other", other}, Case{"tiny", Bytes(5, 0)}}) {
        LetterDir dir;
        WriteBytes("Data/MailOut/E0000002_00.smal", good);
        WriteBytes("Data/MailOut/E0000002_01.smal", c.bytes);
        WriteBytes("Data/MailOut/notaletter.txt", Bytes(3, 1));
        EXPECT_EQ(CreateMailChunk(POOL_OUT, "./Data/MailOut"), 0) << c.name;
        st_MAIL *m = (st_MAIL *)LoadChunk2Mem(ID_MAIL, POOL_OUT);
        ASSERT_NE(m, nullptr) << c.name;
        EXPECT_EQ(+m->AnzahlEmails, 1u);
        EXPECT_EQ(+m->Head.Length, 4 + good.size());
        FreeVec(m);
    }
}

TEST(CreateMailChunk, NoLetterLeavesThePoolAndAFailedPoolIsAFailure)
{
    LetterDir dir;
    EXPECT_EQ(CreateMailChunk(POOL_OUT, "./Data/MailOut"), 1);
    EXPECT_FALSE(Exists(POOL_OUT));
    WriteBytes("Data/MailOut/E0000002_00.smal", Letter(1, 2, "x", "y"));
    WriteBytes(POOL_OUT, Bytes(30, 7));  // not a pool
    EXPECT_EQ(CreateMailChunk(POOL_OUT, "./Data/MailOut"), 0);
    EXPECT_EQ(ReadBytes(POOL_OUT), Bytes(30, 7));
}

// A MAIL chunk as loaded: host-order count, letters in file order.
std::vector<UBYTE> Mail(uint32_t count, const Bytes &letters, uint32_t length = 0xFFFFFFFF)
{
    std::vector<UBYTE> m(16 + letters.size() + 1, 0);
    st_MAIL h{{ID_MAIL, VERSION_V001, length == 0xFFFFFFFF ? (ULONG)(4 + letters.size()) : length}, count};
    std::memcpy(m.data(), &h, sizeof h);
    if (!letters.empty()) std::memcpy(m.data() + 16, letters.data(), letters.size());
    return m;
}

std::vector<std::string> LettersIn(const std::string &dir)
{
    std::vector<std::string> names;
    for (const char *n : {"00000001_00.smal", "00000001_01.smal", "00000001_02.smal", "00000003_00.smal",
                          "00000003_01.smal", "00000003_02.smal"})
        if (Exists(dir + "/" + n)) names.push_back(n);
    return names;
}

TEST(DistributeEmails2Dir, LettersIntoFilesWithinTheChunkOnly)
{
    const Bytes a = Letter(1, 7, "a", "eins"), b = Letter(3, 7, "b", "zwei"), c = Letter(1, 7, "c", "drei");
    Bytes shortLetter = FileChunk("SMAL", "V001", Bytes(100, 0));
    Bytes foreign = FileChunk("KORN", "V001", Bytes(52, 0));
    struct Case {
        const char *name;
        std::vector<UBYTE> mail;
        BOOL result;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"three", Mail(3, Cat({a, b, c})), 1, {"00000001_00.smal", "00000001_02.smal", "00000003_01.smal"}},
        {"skipped", Mail(3, Cat({shortLetter, foreign, b})), 1, {"00000003_00.smal"}},
        {"huge count", Mail(0xFFFFFFFF, Cat({a, b})), 0, {"00000001_00.smal", "00000003_01.smal"}},
        {"past end", Mail(2, Cat({a, b}), (ULONG)(4 + a.size() + b.size() - 1)), 0, {"00000001_00.smal"}},
        {"none", Mail(0, Bytes()), 1, {}},
    };
    for (const Case &cs : cases) {
        LetterDir dir;
        EXPECT_EQ(DistributeEmails2Dir((const st_MAIL *)cs.mail.data(), "./Data/MailIn"), cs.result) << cs.name;
        EXPECT_EQ(LettersIn("Data/MailIn"), cs.files) << cs.name;
    }
    LetterDir dir;
    const auto m = Mail(1, a);
    WriteBytes("Data/MailIn/00000001_00.smal", Bytes(3, 0));
    ASSERT_EQ(DistributeEmails2Dir((const st_MAIL *)m.data(), "./Data/MailIn"), 1);
    EXPECT_EQ(ReadBytes("Data/MailIn/00000001_01.smal"), a);
}

}  // namespace
