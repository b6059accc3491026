// The mail-safe text packer: golden texts, line breaks, damaged and rewrapped
// mails, checksums against a plain reference, and random round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/memfile.h"
#include "store/packer.h"

namespace {

using vektest::Bytes;

const std::string kHeaderStart = ";XEncode;01";

// Packs data; returns the text (empty on failure) and the result code.
std::string Pack(const Bytes &data, ULONG *result = nullptr)
{
    VekMailInfo m{};
    m.VekMailData = data.empty() ? nullptr : const_cast<UBYTE *>(data.data());
    m.VekMailLength = (ULONG)data.size();
    m.VekMailModus = 7;
    vektest::StdoutCapture quiet;
    ULONG r = Implode(&m);
    quiet.Take();
    if (result) *result = r;
    if (r != IMPLODE_OK) return std::string();
    EXPECT_EQ(m.VekMailModus, 0);
    EXPECT_EQ(m.VekMailData[m.VekMailLength], 0) << "text not NUL-terminated";
    std::string text((const char *)m.VekMailData, m.VekMailLength);
    FreeVec(m.VekMailData);
    return text;
}

// Unpacks a text held in a block of exactly its length (no NUL after it, so a
// read past the length shows under the address sanitizer).
ULONG Unpack(const std::string &text, Bytes *out = nullptr, std::string *printed = nullptr)
{
    std::vector<UBYTE> block(text.begin(), text.end());
    VekMailInfo m{};
    m.VekMailData = block.empty() ? nullptr : block.data();
    m.VekMailLength = (ULONG)block.size();
    m.VekMailModus = 1;
    ULONG allocated = MemAllocatedCounter, freed = MemFreedCounter;
    vektest::StdoutCapture capture;
    ULONG r = Explode(&m);
    std::string said = capture.Take();
    if (printed) *printed = said;
    if (r == EXPLODE_OK && m.VekMailData != block.data()) {
        EXPECT_EQ(m.VekMailModus, 0);
        if (out) out->assign(m.VekMailData, m.VekMailData + m.VekMailLength);
        FreeVec(m.VekMailData);
    } else {
        EXPECT_EQ(m.VekMailData, block.empty() ? nullptr : block.data()) << "record changed on failure";
        EXPECT_EQ(m.VekMailModus, 1);
    }
    EXPECT_EQ(MemAllocatedCounter - allocated, MemFreedCounter - freed) << "block leaked";
    return r;
}

// Writes the text checksum anew, so that damage behind it reaches the later checks.
std::string Reseal(std::string text)
{
    size_t head = text.find(kHeaderStart);
    size_t from = head + 37;
    ULONG sum = CalcCheckSum((const UBYTE *)text.data() + from, (ULONG)(text.size() - from), 1);
    for (int i = 7; i >= 0; --i, sum >>= 4) text[head + 29 + i] = (char)('A' + (sum & 15));
    return text;
}

// The sum as the rules state it, one value at a time.
ULONG ReferenceSum(const std::vector<int> &values)
{
    ULONG sum = 0, group = 0;
    int filled = 0, op = 0;
    auto combine = [&]() {
        if (op == 0) sum ^= group;
        else if (op == 1) sum += group;
        else sum -= group;
        op = (op + 1) % 3;
        group = 0;
        filled = 0;
    };
    for (int v : values) {
        group = group * 256 + (ULONG)(LONG)(BYTE)v;
        if (++filled == 4) combine();
    }
    if (filled) combine();
    return sum;
}

Bytes Range(int from, int count)
{
    Bytes b;
    for (int i = 0; i < count; ++i) b.push_back((UBYTE)(from + i));
    return b;
}

std::string Crlf(const std::string &line) { return line + "\r\n"; }

// The content lines for a stream: ';' and 77 characters each, the last one
// closed by ';', or by a lone ';' on the next line when it came out full.
std::string Layout(const std::string &stream)
{
    std::string out;
    for (size_t i = 0; i < stream.size(); i += 77) {
        out += ";" + stream.substr(i, 77);
        if (i + 77 < stream.size()) out += "\r\n";
        else out += (stream.size() - i == 77) ? "\r\n;" : ";\r\n";
    }
    return out;
}

std::string Letters(const Bytes &data)
{
    std::string s;
    for (UBYTE v : data) s += {(char)('A' + (v >> 4)), (char)('A' + (v & 15))};
    return s;
}

ULONG HeaderTextSum(const std::string &text)
{
    ULONG v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 4) | (ULONG)(text[29 + i] - 'A');
    return v;
}


TEST(PackerCheckSum, DataModeVectors)
{
    struct Row {
        const char *name;
        Bytes data;
        ULONG sum;
    } rows[] = {
        {"three bytes", {'a', 'b', 'c'}, 0x00616263u},
        {"negative bytes borrow", {0xFF, 0xFF, 0xFF, 0xFF}, 0xFEFEFEFFu},
        {"xor add sub", Range(1, 12), 0xFCFDFF00u},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CalcCheckSum(row.data.data(), (ULONG)row.data.size(), 0), row.sum);
    }
}

TEST(PackerCheckSum, DataModeMatchesReferenceAtEveryLengthAndAlignment)
{
    std::mt19937 rng(7);
    Bytes data(300);
    for (auto &b : data) b = (UBYTE)rng();
    for (size_t offset = 0; offset < 4; ++offset) {
        for (size_t len = 1; len + offset <= data.size(); len += (len < 40 ? 1 : 37)) {
            std::vector<int> values(data.begin() + offset, data.begin() + offset + len);
            ASSERT_EQ(CalcCheckSum(data.data() + offset, (ULONG)len, 0), ReferenceSum(values))
                << "offset " << offset << " length " << len;
        }
    }
}

TEST(PackerCheckSum, TextModeCountsUpToTheDoubleSemicolon)
{
    struct Row {
        const char *name;
        std::string text;
        std::string counted;  // the characters the sum takes; empty: sum is 0
    } rows[] = {
        {"packed abc", "\r\n;QGBGCGD;\r\n;---;\r\n", "QGBGCGD;"},
        {"blanks and lone ';' skipped", " Q G\r\n;B;G  C\nGD ;  \r\n ;x", "QGBGCGD;"},
        {"pair right away", ";;abc", ";"},
        {"no pair", "QGBG;CGD;", ""},
        {"NUL before the pair", std::string("QG\0B;;", 6), ""},
        {"high bytes signed", "\xF0\x80\x81Z;;", "\xF0\x80\x81Z;"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<UBYTE> block(row.text.begin(), row.text.end());
        ULONG want = row.counted.empty() ? 0 : ReferenceSum(std::vector<int>(row.counted.begin(), row.counted.end()));
        EXPECT_EQ(CalcCheckSum(block.data(), (ULONG)block.size(), 1), want);
    }
    // The packed abc text of the worked example.
    const UBYTE abc[] = "\r\n;QGBGCGD;\r\n;";
    EXPECT_EQ(CalcCheckSum(abc, sizeof(abc) - 1, 1), 0x948E8682u);
}

TEST(PackerCheckSum, TextModeStopsAtItsLength)
{
    // The pair lies beyond the given length: the text ends first.
    std::vector<UBYTE> block = {'Q', 'G', ';'};
    EXPECT_EQ(CalcCheckSum(block.data(), 3, 1), 0u);
    EXPECT_EQ(CalcCheckSum(block.data(), 2, 1), 0u);
}


TEST(PackerImplode, WorkedExampleAbc)
{
    std::string text = Pack({'a', 'b', 'c'});
    ASSERT_EQ(text.size(), 91u);
    EXPECT_EQ(text.substr(0, 50), Crlf(";XEncode;01AAAAGBGCGDAAAAAAADJEIOIGIC") + Crlf(";QGBGCGD;"));
    std::string endLine = text.substr(50);
    EXPECT_EQ(endLine.front(), ';');
    EXPECT_EQ(endLine.substr(38), ";\r\n");
    EXPECT_EQ(endLine.find_first_of("\r\n;", 1), 38u) << "end line holds no other ';' or break";
}

TEST(PackerImplode, GoldenHeadersAndContent)
{
    struct Row {
        const char *name;
        Bytes data;
        std::string header;   // header line without CR LF
        std::string content;  // everything between header line and end line
    } rows[] = {
        // 1,000 zero bytes: one substitute 'Q' for 0, table "AA", the mark, 1,000 'Q'.
        {"thousand zeros", Bytes(1000, 0), ";XEncode;01ABAAAAAAAAAAAAADOIGBGBFBDL",
         Layout("AAQ" + std::string(1000, 'Q'))},
        // Stream of exactly 77: the closing ';' stands alone before the end line.
        {"stream fills the line", Range(0, 38), ";XEncode;01AAOHPANFNGAAAAAACGDLEBHBHM",
         Layout("Q" + Letters(Range(0, 38)))},
        {"negative bytes", {0xFF, 0xFF, 0xFF, 0xFF}, ";XEncode;01ABPOPOPOPPAAAAAAAEKBKBKCIM", ";PPQQQQQ;\r\n"},
        // Equal counts keep ascending byte order; a value seen twice gets no substitute.
        {"ties in byte order", {'b', 'b', 'b', 'a', 'a', 'a', 'c', 'c', 'c', 'd', 'd'}, "",
         ";GBGCGDQRRRQQQSSSGEGE;\r\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::string text = Pack(row.data);
        size_t headerEnd = text.find("\r\n");
        if (!row.header.empty()) {
            EXPECT_EQ(text.substr(0, headerEnd), row.header);
        }
        ASSERT_GE(text.size(), headerEnd + 2 + 41);
        EXPECT_EQ(text.substr(headerEnd + 2, text.size() - headerEnd - 2 - 41), row.content);
        Bytes back;
        EXPECT_EQ(Unpack(text, &back), EXPLODE_OK);
        EXPECT_EQ(back, row.data);
    }
}

TEST(PackerImplode, AtMostSeventyThreeSubstitutes)
{
    Bytes data;
    for (int round = 0; round < 4; ++round)
        for (int v = 0; v < 256; ++v) data.push_back((UBYTE)v);
    for (int v = 0; v < 80; ++v) data.push_back((UBYTE)(255 - v));  // 255..176 come first
    std::string text = Pack(data);
    EXPECT_EQ(text.substr(11, 2), "EJ");  // 73
    std::string stream;
    for (char c : text.substr(39)) {
        if (c == '\r' || c == '\n' || c == ';') continue;
        stream += c;
    }
    // Values 176..255 occur five times, the rest four: ties in ascending order.
    EXPECT_EQ(stream.substr(0, 4), "LALB");
    EXPECT_EQ(stream.substr(2 * 72, 3), "PIQ");
    Bytes back;
    EXPECT_EQ(Unpack(text, &back), EXPLODE_OK);
    EXPECT_EQ(back, data);
}

TEST(PackerImplode, LinesAroundMultiplesOfTheLineLength)
{
    // Distinct bytes give an odd stream ('Q' and letter pairs); one value seen
    // three times gives an even one, so the line end falls inside a pair or not.
    for (size_t streamLength : {75, 76, 77, 78, 79, 153, 154, 155, 231}) {
        SCOPED_TRACE(streamLength);
        Bytes data;
        std::string stream;
        if (streamLength % 2) {
            data = Range(0, (int)(streamLength - 1) / 2);
            stream = "Q" + Letters(data);
        } else {
            Bytes rest = Range(0, (int)(streamLength - 6) / 2);
            data = {0xAA, 0xAA, 0xAA};
            data.insert(data.end(), rest.begin(), rest.end());
            stream = "KKQQQQ" + Letters(rest);
        }
        ASSERT_EQ(stream.size(), streamLength);
        std::string text = Pack(data);
        ASSERT_EQ(text.size(), 39 + streamLength + 3 * (streamLength / 77) + (streamLength % 77 ? 4 : 1) + 41);
        EXPECT_EQ(text.substr(39, text.size() - 39 - 41), Layout(stream));
        Bytes back;
        EXPECT_EQ(Unpack(text, &back), EXPLODE_OK);
        EXPECT_EQ(back, data);
    }
}

TEST(PackerImplode, NothingToPack)
{
    VekMailInfo m{};
    EXPECT_EQ(Implode(&m), IMPLODE_EMPTY);
    UBYTE one = 1;
    m.VekMailData = &one;
    m.VekMailLength = 0;
    m.VekMailModus = 3;
    EXPECT_EQ(Implode(&m), IMPLODE_EMPTY);
    EXPECT_EQ(m.VekMailData, &one);
    EXPECT_EQ(m.VekMailModus, 3);
    EXPECT_EQ(Implode(nullptr), IMPLODE_EMPTY);
}

TEST(PackerImplode, PrintsTheSubstituteCount)
{
    Bytes data(10, 'x');
    VekMailInfo m{};
    m.VekMailData = data.data();
    m.VekMailLength = (ULONG)data.size();
    vektest::StdoutCapture capture;
    ASSERT_EQ(Implode(&m), IMPLODE_OK);
    EXPECT_EQ(capture.Take(), "AC:1");
    FreeVec(m.VekMailData);
}


TEST(PackerExplode, NullOrEmptyTextIsLeftAlone)
{
    VekMailInfo m{};
    m.VekMailModus = 1;
    EXPECT_EQ(Explode(&m), EXPLODE_OK);
    EXPECT_EQ(m.VekMailData, nullptr);
    EXPECT_EQ(m.VekMailModus, 1);
    UBYTE c = ';';
    m.VekMailData = &c;
    EXPECT_EQ(Explode(&m), EXPLODE_OK);
    EXPECT_EQ(m.VekMailData, &c);
    EXPECT_EQ(Explode(nullptr), EXPLODE_OK);
}

// Mail servers rewrap, re-end and pad lines; none of that may change the data.
TEST(PackerExplode, SurvivesTransportDamage)
{
    Bytes data;
    std::mt19937 rng(11);
    for (int i = 0; i < 2000; ++i) data.push_back((UBYTE)(rng() % 7 == 0 ? rng() : i % 5));
    const std::string text = Pack(data);
    auto replaceAll = [](std::string s, const std::string &from, const std::string &to) {
        for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
        return s;
    };
    auto body = [&](const std::function<std::string(const std::string &)> &change) {
        std::string content = text.substr(39);
        return text.substr(0, 39) + change(content);
    };
    struct Row {
        const char *name;
        std::string mail;
    } rows[] = {
        {"as packed", text},
        {"after mail headers",
         "From: a <a@b.c>\r\nTo: <d@e.f>\r\nSubject: @ GameChk\r\n\r\n;XEncode;00 is not it\r\n" + text},
        {"LF line ends", replaceAll(text, "\r\n", "\n")},
        {"CR CR LF line ends", replaceAll(text, "\r\n", "\r\r\n")},
        {"lines joined", body([&](const std::string &c) { return replaceAll(c, "\r\n", ""); })},
        {"trailing spaces", body([&](const std::string &c) { return replaceAll(c, "\r\n", "   \r\n"); })},
        {"lines split in two",
         body([&](const std::string &c) {
             std::string out;
             for (size_t i = 0; i < c.size(); ++i) {
                 out += c[i];
                 if (i % 39 == 20 && c[i] != ';' && c[i] != '\r' && c[i] != '\n') out += "\r\n";
             }
             return out;
         })},
        {"split again with ';' starts",
         body([&](const std::string &c) {
             std::string out;
             for (size_t i = 0; i < c.size(); ++i) {
                 out += c[i];
                 auto stream = [](char x) { return x != ';' && x != '\r' && x != '\n'; };
                 if (i % 31 == 5 && stream(c[i]) && i + 1 < c.size() && stream(c[i + 1])) out += "\r\n;";
             }
             return out;
         })},
        {"trailing text after the end line", text + "-- \r\nsignature; with ;; marks\r\n"},
        {"NUL after the end mark", text.substr(0, text.size() - 20) + std::string(1, '\0') + "junk"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Bytes back;
        ASSERT_EQ(Unpack(row.mail, &back), EXPLODE_OK);
        EXPECT_EQ(back, data);
    }
}

TEST(PackerExplode, DamagedTextsReportTheirFault)
{
    const std::string abc = Pack({'a', 'b', 'c'});  // ";XEncode;01AAAAGBGCGDAAAAAAADJEIOIGIC" CR LF ";QGBGCGD;" ...
    const std::string zeros = Pack(Bytes(1000, 0));
    const std::string endLine = abc.substr(50);
    auto withHeader = [&](const std::string &fields, const std::string &content) {
        return Reseal(";XEncode;01" + fields + "xxxxxxxx\r\n" + content + endLine);
    };
    auto edit = [](std::string s, size_t at, const std::string &with) { return s.replace(at, with.size(), with); };
    struct Row {
        const char *name;
        std::string text;
        ULONG result;
    } rows[] = {
        {"no header", "Hello\r\n;QGBGCGD;\r\n;;", EXPLODE_HEADER},
        {"other version", edit(abc, 9, "02"), EXPLODE_HEADER},
        {"header cut in its fields", abc.substr(0, 30), EXPLODE_HEADER},
        {"header field not letters", edit(abc, 15, "Z"), EXPLODE_HEADER},
        {"NUL before the header", std::string("x\0", 2) + abc, EXPLODE_HEADER},
        {"more substitutes than characters", withHeader("EKAAGBGCGDAAAAAAAD", ";QGBGCGD;\r\n"), EXPLODE_HEADER},
        {"declared length zero", withHeader("AAAAAAAAAAAAAAAAAA", ";Q;\r\n"), EXPLODE_HEADER},
        {"empty body", abc.substr(0, 39), EXPLODE_MALFORMED},
        {"cut inside the data", abc.substr(0, 45), EXPLODE_MALFORMED},
        {"cut after the last data line", zeros.substr(0, zeros.size() - 42), EXPLODE_MALFORMED},
        {"NUL inside the data", edit(abc, 43, std::string(1, '\0')), EXPLODE_MALFORMED},
        {"pair cut by the end mark", edit(abc, 46, ";"), EXPLODE_SIZE},
        // "ab" and a dangling letter: the units alone would match.
        {"pair cut, sizes agree", withHeader("AAAAAAGBGCAAAAAAAC", ";QGBGCG;\r\n"), EXPLODE_SIZE},
        {"declared length too long", withHeader("AAAAGBGCGDAAAAAAAE", ";QGBGCGD;\r\n"), EXPLODE_SIZE},
        {"declared length too short", withHeader("AAAAGBGCGDAAAAAAAC", ";QGBGCGD;\r\n"), EXPLODE_SIZE},
        {"declared length huge", withHeader("AAAAGBGCGDPPPPPPPP", ";QGBGCGD;\r\n"), EXPLODE_SIZE},
        {"only the end mark", withHeader("AAAAGBGCGDAAAAAAAD", ";;\r\n"), EXPLODE_SIZE},
        {"sound text as a check of the helper", withHeader("AAAAGBGCGDAAAAAAAD", ";QGBGCGD;\r\n"), EXPLODE_OK},
        {"one data letter changed", edit(abc, 44, "H"), EXPLODE_CHECKSUM},
        {"text checksum changed", edit(abc, 36, "D"), EXPLODE_CHECKSUM},
        {"foreign character in the data", edit(abc, 44, "{"), EXPLODE_SIZE},
        {"foreign character resealed", Reseal(abc.substr(0, 43) + "{" + abc.substr(45)), EXPLODE_SUBST},
        {"substitute the text does not have", Reseal(edit(zeros, 50, "R")), EXPLODE_SUBST},
        {"mark missing", Reseal(edit(abc, 40, "R")), EXPLODE_MALFORMED},
        {"letter where a pair must be", Reseal(abc.substr(0, 41) + "Gx" + abc.substr(45)), EXPLODE_MALFORMED},
        {"table entry not a pair", Reseal(zeros.substr(0, 40) + "R" + zeros.substr(42)), EXPLODE_MALFORMED},
        {"data checksum changed", Reseal(edit(abc, 13, "AAGBGCGE")), EXPLODE_CHECKSUM},
        {"thousand zeros, one changed", edit(zeros, 500, "R"), EXPLODE_CHECKSUM},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::string printed;
        EXPECT_EQ(Unpack(row.text, nullptr, &printed), row.result);
    }
}

// A fault must be found wherever it falls among the decoder's blocks of
// characters, also on a block's last place where a pair would reach into the next.
TEST(PackerExplode, FaultsFoundAtEveryPosition)
{
    for (int lead : {0, 3}) {  // three equal bytes first shift the pairs to odd places
        Bytes data(lead, 0xAA);
        Bytes rest = Range(0, 150);
        data.insert(data.end(), rest.begin(), rest.end());
        const std::string text = Pack(data);
        const std::string head = text.substr(0, 39), endLine = text.substr(text.size() - 41);
        std::string stream;
        for (char c : text.substr(39, text.size() - 39 - 41))
            if (c != ';' && c != '\r' && c != '\n') stream += c;
        const size_t first = stream.find('Q') + 1 + lead;  // the first data pair
        for (size_t pair = 0; pair < 140; ++pair) {
            SCOPED_TRACE(testing::Message() << "lead " << lead << " pair " << pair);
            size_t at = first + 2 * pair;
            // Two pairs become a lone letter and a substitute: same units, one fault.
            std::string lone = stream;
            lone.replace(at, 4, std::string(1, lone[at]) + "!");
            EXPECT_EQ(Unpack(Reseal(head + Layout(lone) + endLine)), EXPLODE_MALFORMED);
            // One pair becomes a character that is no substitute.
            std::string foreign = stream;
            foreign.replace(at, 2, "{");
            EXPECT_EQ(Unpack(Reseal(head + Layout(foreign) + endLine)), EXPLODE_SUBST);
        }
    }
}

TEST(PackerExplode, SizeMismatchNamesBothSizes)
{
    std::string text = Pack({'a', 'b', 'c'});
    text.replace(21, 8, "AAAAAAAE");  // declares 4 bytes where the text holds 3
    std::string printed;
    ASSERT_EQ(Unpack(Reseal(text), nullptr, &printed), EXPLODE_SIZE);
    EXPECT_EQ(printed, "CalcSize:3\nOSize:4");
}

TEST(PackerExplode, EveryCutBeforeTheEndMarkFails)
{
    Bytes data = Range(0, 100);
    data.insert(data.end(), 10, 0x42);
    const std::string text = Pack(data);
    const size_t mark = text.size() - 41;  // first ';' of the end line
    for (size_t cut = 0; cut < text.size(); ++cut) {
        SCOPED_TRACE(cut);
        Bytes back;
        ULONG r = Unpack(text.substr(0, cut), &back);
        if (cut == 0) EXPECT_EQ(r, EXPLODE_OK);  // empty text
        else if (cut <= mark) EXPECT_NE(r, EXPLODE_OK);
        else {
            EXPECT_EQ(r, EXPLODE_OK);
            EXPECT_EQ(back, data);
        }
    }
}


TEST(PackerRoundTrip, RandomPoolsUpToOneMegabyte)
{
    std::mt19937 rng(2024);
    std::vector<size_t> sizes = {1, 2, 3, 4, 76, 77, 78, 4096, 65537, 1 << 20};
    for (int i = 0; i < 12; ++i) sizes.push_back(rng() % (1 << 20));
    int shape = 0;
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        Bytes data(size);
        switch (shape++ % 4) {
        case 0: for (auto &b : data) b = (UBYTE)rng(); break;           // few substitutes
        case 1: for (auto &b : data) b = (UBYTE)(rng() % 40); break;    // all values substituted
        case 2: for (auto &b : data) b = (UBYTE)(rng() % 5 ? 0 : rng()); break;  // pool-like, mostly zero
        default: for (auto &b : data) b = (UBYTE)(rng() % 100 + 120); break;
        }
        ULONG packed;
        std::string text = Pack(data, &packed);
        if (size == 0) {
            EXPECT_EQ(packed, IMPLODE_EMPTY);
            continue;
        }
        ASSERT_EQ(packed, IMPLODE_OK);
        EXPECT_EQ(CalcCheckSum((const UBYTE *)text.data() + 37, (ULONG)text.size() - 37, 1), HeaderTextSum(text));
        Bytes back;
        ASSERT_EQ(Unpack(text, &back), EXPLODE_OK);
        ASSERT_TRUE(back == data);
    }
}

}  // namespace
