// The demo set the tests read: one per build, made once under
// a lock (the tests run as separate processes) and made again when the
// generator is newer than it. Tests only read it.
#pragma once
#include <string>

std::string SharedDemoSet();
