#include "realmscreen.h"

#include <mutex>

#include "common/scriptinput.h"
#include "common/sdlharness.h"
#include "common/testutil.h"
#include "gfx/graphics.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace vektest {

namespace {

std::mutex probeLock;
std::vector<std::vector<ULONG>> probes;
Area probeArea;
int pendingProbes = 0;

// Probes are the only presses at (1, 1); a press elsewhere is a real click.
void OnPress()
{
    if (MousePosition.X > 2 || MousePosition.Y > 2) return;
    std::lock_guard<std::mutex> g(probeLock);
    if (pendingProbes == 0) return;
    --pendingProbes;
    std::vector<ULONG> copy;
    BitMap *bm = DisplayRastPort()->BitMap;
    for (LONG y = probeArea.y; y < probeArea.y + probeArea.h; ++y) {
        std::vector<ULONG> row = RowOf(bm, probeArea.x, y, probeArea.w);
        copy.insert(copy.end(), row.begin(), row.end());
    }
    probes.push_back(std::move(copy));
}

}  // namespace

void RealmScreenTest::SetUp()
{
    DemoScreenTest::SetUp();
    if (HasFatalFailure()) return;
    ULONG id = 0;
    ASSERT_TRUE(CheckPrefsRead(9, &id));
    PlayerInfo.SpielerID = id;
    char *name = CheckPrefsReadText(10);
    ASSERT_NE(name, nullptr);
    std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "%s", name);
    FreeVec(name);
    std::lock_guard<std::mutex> g(probeLock);
    probes.clear();
    pendingProbes = 0;
    GetKeyClickHook = OnPress;
}

void RealmScreenTest::TearDown()
{
    GetKeyClickHook = nullptr;
    DemoScreenTest::TearDown();
}

void RealmScreenTest::Click(const char *file, const char *code)
{
    const auto centres = GadgetCentres((std::string("./Data/screendat/") + file).c_str());
    const auto it = centres.find(code);
    if (it == centres.end()) {
        ADD_FAILURE() << "no gadget " << code << " in " << file;
        return;
    }
    PushClick(it->second.first, it->second.second);
}

void RealmScreenTest::Probe()
{
    {
        std::lock_guard<std::mutex> g(probeLock);
        probeArea = probeArea_;
        ++pendingProbes;
    }
    PushClick(1, 1);
}

std::vector<std::vector<ULONG>> RealmScreenTest::Probes() const
{
    std::lock_guard<std::mutex> g(probeLock);
    return probes;
}

std::string RealmScreenTest::FileText(const std::string &path)
{
    const Bytes b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

}  // namespace vektest
