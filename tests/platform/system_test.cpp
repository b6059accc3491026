// The fatal end and the system information.
#include <gtest/gtest.h>
#include <bit>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/testutil.h"
#include "platform/catalog.h"
#include "platform/system.h"

using namespace vektest;

TEST(Error, PrintsReleasesAndEndsWithStatusOne)
{
    ScratchDir dir;
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        FreeVec(AllocVec(16, 0));
        Error("Abbruch %u bei %s", 42u, "Kein Speicher");
    }
    int st = 0;
    waitpid(pid, &st, 0);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 1);
    Bytes b = ReadBytes("out.txt");
    std::string out(b.begin(), b.end());
    EXPECT_EQ(out.rfind("FATAL ERROR. Abbruch 42 bei Kein Speicher\n", 0), 0u) << out;
    EXPECT_NE(out.find(std::string(89, '#') + "\nSHUTDOWN SHUTDOWN"), std::string::npos) << out;
    EXPECT_NE(out.find("MemAllocatedCounter "), std::string::npos);
    EXPECT_NE(out.find("MemFreedCounter     "), std::string::npos);
}

TEST(CheckByteOrder, AcceptsTheHostItWasBuiltFor)
{
    StdoutCapture cap;
    EXPECT_EQ(CheckByteOrder(), 1);
    EXPECT_EQ(cap.Take(), "");
}

TEST(CheckSystem, FillsTheSystemInformation)
{
    StdoutCapture cap;
    UserSystem.Sfx.IsEnabled = 1;
    UserSystem.SoundMask = 0;
    CheckSystem();
    std::string out = cap.Take();
    EXPECT_STREQ(UserSystem.WindowsTyp, "LINUX");
    EXPECT_STREQ(UserSystem.Version, "Version LINUX");
    EXPECT_STREQ(UserSystem.RegOwner, "UNKNOWN");
    EXPECT_EQ(UserSystem.SoundMask, 0x6Du);
    const bool big = std::endian::native == std::endian::big;
    EXPECT_STREQ(UserSystem.ProzIdentifier, big ? "BIGENDIAN" : "LITTLEENDIAN");
    EXPECT_STREQ(UserSystem.ProzVendor, big ? "PPC" : "x86");
    EXPECT_NE(out.find(std::string("Prozessor    :   ") + UserSystem.ProzIdentifier +
                       "\nHersteller   :   " + UserSystem.ProzVendor + "\n"),
              std::string::npos)
        << out;
}

TEST(MakeRoredIdezTab, PointsAtTheStoryTitlesByID)
{
    MakeRoredIdezTab();
    ASSERT_NE(GlobalRoredIdezTab, nullptr);
    for (int id = 0; id < BT_STRING_COUNT; ++id) {
        ASSERT_NE(GlobalRoredIdezTab[id], nullptr) << id;
        EXPECT_EQ(GlobalRoredIdezTab[id]->ID, id);
    }
    EXPECT_EQ(GlobalRoredIdezTab[0], &RoredIdezStrings[0]);
    FreeRoredIdezTab();
    EXPECT_EQ(GlobalRoredIdezTab, nullptr);
}
