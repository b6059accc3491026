// A screen test on a copy of the demo set: the working directory holds the
// shared demo set's files, a headless display of the test's depth is open
// with the gadgets' picture services and fades without their waits, and the
// test must leave no input unread. The full-screen picture a screen left
// open is closed afterwards.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "common/sdlharness.h"
#include "common/testutil.h"

namespace vektest {

class DemoScreenTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<ScratchDir> dir_;
    std::unique_ptr<SdlScreen> screen_;
};

}  // namespace vektest
