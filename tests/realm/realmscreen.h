// Helpers of the realm screens' tests on the demo set: gadgets clicked by
// their codes, the player as start-up reads him from the preferences, and
// probes: a click on an empty spot during which a copy of a display area is
// taken, so a test sees what the screen showed at that point of its script.
#pragma once
#include <string>
#include <vector>

#include "common/demoscreen.h"
#include "platform/types.h"

namespace vektest {

struct Area {
    LONG x, y, w, h;
};

class RealmScreenTest : public DemoScreenTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Pushes a click on the gadget of that code in the description file.
    void Click(const char *file, const char *code);
    // Pushes a probe: a click at (1, 1) that copies area when GetKey reads it.
    void Probe();
    // The copies the probes took, in order.
    std::vector<std::vector<ULONG>> Probes() const;
    // The bytes of a file of the working copy ("" when missing).
    static std::string FileText(const std::string &path);

    Area probeArea_{0, 0, 640, 480};
};

}  // namespace vektest
