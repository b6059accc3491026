// The demo set written by a build of the other byte order (named by
// VEK_OTHER_DEMO_SET; skipped without it) against this build's: the same
// files with the same bytes, except what is kept in the writing host's order
// and what an outside encoder computes in floating point.
// Also the lock round the shared demo set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

#include "common/testutil.h"
#include "gfx/pixfmt.h"
#include "common/shareddemo.h"
#include "store/chunks.h"

using vektest::Bytes;
using vektest::ReadBytes;

namespace fs = std::filesystem;

namespace {

// Files and folders kept whole in host order: the options record and the
// converted-picture cache (one folder per screen format). The client writes
// them into the set's folder once it runs there.
bool KeptInHostOrder(const std::string &rel)
{
    if (rel == "Data/Optionen.prefs") return true;
    for (UWORD f = PIXFMT_CLUT; f && f <= PIXFMT_BGRA32; f = (UWORD)(f << 1)) {
        const char *d = PixelFormatDirectory(f);
        if (d && rel.rfind(std::string(d) + "/", 0) == 0) return true;
    }
    return false;
}

// Numbers in host order: on the other host their bytes come reversed.
struct HostField {
    size_t offset, width;
};
// Inside a pool, INFO's VekSystem and VekVersion and its checksum (a sum of
// bytes: the same value on both hosts).
const std::vector<HostField> kInfoHostFields = {
    {offsetof(st_INFO, VekSystem), 2}, {offsetof(st_INFO, VekVersion), 2}, {offsetof(st_INFO, Checksumme), 4}};

bool IsPool(const Bytes &b) { return b.size() >= sizeof(st_INFO) && std::equal(b.begin(), b.begin() + 8, "INFOV001"); }

// The fields of file rel that are in host order.
std::vector<HostField> HostFields(const std::string &rel, const Bytes &b)
{
    if (IsPool(b)) return kInfoHostFields;
    std::vector<HostField> out;
    // The player's luxury assignment, 19 numbers, and its copies in saved games.
    const std::string luxus = "Data/Luxus.dat";
    if (rel == luxus || (rel.size() > luxus.size() && rel.compare(rel.size() - luxus.size() - 1, std::string::npos, "/" + luxus) == 0))
        for (size_t at = 0; at + 4 <= b.size(); at += 4) out.push_back({at, 4});
    return out;
}

// CD tracks come from the MP3 encoder library, whose floating-point rounding
// differs between processors: the same samples give other bits.
bool EncodedMp3(const std::string &rel) { return rel.size() > 4 && rel.compare(rel.size() - 4, 4, ".mp3") == 0; }

std::vector<std::string> FilesBelow(const std::string &root)
{
    std::vector<std::string> out;
    for (const auto &e : fs::recursive_directory_iterator(root))
        if (!e.is_directory()) out.push_back(fs::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(DemoByteOrder, OtherHostWritesTheSameBytesOutsideHostOrder)
{
    const char *other = std::getenv("VEK_OTHER_DEMO_SET");
    if (!other || !*other) GTEST_SKIP() << "VEK_OTHER_DEMO_SET names no demo set of the other byte order";
    const std::string mine = SharedDemoSet();
    std::vector<std::string> files = FilesBelow(mine), theirs = FilesBelow(other);
    std::erase_if(files, [](const std::string &f) { return f == ".complete" || KeptInHostOrder(f); });
    std::erase_if(theirs, KeptInHostOrder);
    ASSERT_EQ(files, theirs);

    int pools = 0;
    for (const std::string &f : files) {
        SCOPED_TRACE(f);
        const Bytes a = ReadBytes(mine + "/" + f);
        Bytes b = ReadBytes(std::string(other) + "/" + f);
        EXPECT_EQ(a.size(), b.size());
        if (a.size() != b.size()) continue;
        if (EncodedMp3(f)) {
            // The same stream of frames: size and first frame header.
            EXPECT_TRUE(a.size() >= 4 && std::equal(a.begin(), a.begin() + 4, b.begin()));
            continue;
        }
        pools += IsPool(a);
        for (const HostField &h : HostFields(f, a))
            std::reverse(b.begin() + (long)h.offset, b.begin() + (long)(h.offset + h.width));
        EXPECT_TRUE(a == b) << "differs beyond the numbers kept in host order";
    }
    EXPECT_GE(pools, 2) << "at least the received and the outgoing pool";
}

TEST(SharedDemoSet, AFailedMakeLeavesTheLockFree)
{
    vektest::ScratchDir scratch;
    const std::string dir = scratch.path() + "/set", source = scratch.path() + "/generator";
    vektest::WriteText(source, "");
    EXPECT_THROW(MakeSharedOnce(dir, source, [](const std::string &) { throw std::runtime_error("failed"); }),
                 std::runtime_error);
    const int fd = open((dir + ".lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the lock is still held";
    close(fd);

    // The next call makes the set; one after it finds the set complete.
    int made = 0;
    const auto make = [&](const std::string &d) {
        ++made;
        vektest::MakeDirs(d);
    };
    MakeSharedOnce(dir, source, make);
    MakeSharedOnce(dir, source, make);
    EXPECT_EQ(made, 1);
}

}  // namespace
