// The dispatch from screen numbers to screens. Every screen names itself
// first on standard output ("Name:" while it is a stand-in, "Routine: Name"
// once built), which shows where a number led. Without a data set the built
// screens fail at once.
#include <gtest/gtest.h>

#include "common/testutil.h"
#include "mainloop.h"
#include "platform/prefs.h"
#include "platform/system.h"

using namespace vektest;

namespace {

std::string Dispatch(LONG id, LONG *from)
{
    StdoutCapture cap;
    RunScreen(id, from);
    return cap.Take();
}

}  // namespace

TEST(RunScreen, EveryNumberReachesItsScreen)
{
    struct Row {
        LONG id;
        const char *screen;
        LONG fromAfter;  // -1: unchanged
    } rows[] = {
        {1, "TitelScreen", -1},        {2, "ResidenzScreen", 2},     {1139, "ResidenzScreen", -1},
        {3, "KartenScreen", -1},       {1293, "KartenScreen", -1},   {32, "InitScreen", -1},
        {33, "BerichteScreen", -1},    {34, "DiplomatScreen", -1},   {35, "ForschungScreen", -1},
        {36, "NachrichtenScreen", -1}, {38, "SpezialistenScreen", -1}, {39, "StadtScreen", 39},
        {40, "StammbaumScreen", -1},   {41, "StatistikScreen", -1},  {42, "SteuernScreen", -1},
        {43, "BauScreen", -1},         {56, "KornlagerScreen", -1},  {59, "TaverneScreen", -1},
        {61, "LagerScreen", -1},       {108, "HandelsScreen", -1},   {133, "OptionScreen", -1},
        {134, "Option1Screen", -1},    {151, "CreditScreen", -1},    {152, "KaserneScreen", 152},
        {278, "GeheimScreen", -1},     {499, "AnarchieScreen", -1},  {505, "RoredIdez", -1},
        {519, "HafenScreen", -1},      {876, "KroenungsScreen", -1}, {919, "LuxusScreen", -1},
        {1085, "GoetterScreen", -1},   {1141, "Option3Screen", -1},
    };
    ScratchDir dir;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.id);
        LONG from = 7;
        std::string out = Dispatch(r.id, &from);
        const std::string name = r.screen;
        EXPECT_TRUE(out.rfind(name + ":", 0) == 0 || out.rfind("Routine: " + name + "\n", 0) == 0) << out;
        EXPECT_EQ(out.find("Unbekannter"), std::string::npos);
        EXPECT_EQ(from, r.fromAfter == -1 ? 7 : r.fromAfter);
    }
}

TEST(RunScreen, UnknownNumberLeadsToTheResidence)
{
    for (LONG id : {9999, 0, 37, -5}) {
        LONG from = 0;
        std::string out = Dispatch(id, &from);
        EXPECT_EQ(out.rfind("Unbekannter Buldschirm (" + std::to_string(id) + ")!!!\nRoutine: ResidenzScreen\n", 0), 0u)
            << out;
    }
}

TEST(MainLoop, BardsTaleFlagCountsWhenNotZero)
{
    struct Row {
        ULONG flag;
        LONG next, expected;
    } rows[] = {{0, 2, 2}, {1, 2, 505}, {2, 2, 505}, {0xFFFF, 3, 505}, {1, 133, 133}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.flag);
        ScratchDir dir;
        MakeDirs("Data");
        ASSERT_EQ(RoredIdezPrefsWrite(1, r.flag), 1);
        StdoutCapture cap;
        EXPECT_EQ(AfterTitle(r.next), r.expected);
        cap.Take();
        ULONG after = 77;
        ASSERT_EQ(RoredIdezPrefsRead(1, &after), 1);
        EXPECT_EQ(after, r.expected == 505 ? 0u : r.flag);
    }
}
