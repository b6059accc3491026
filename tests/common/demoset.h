// The demo set the tests read: one per build, made once under
// a lock (the tests run as separate processes) and made again when the
// generator is newer than it. Tests only read it.
#pragma once
#include <string>

std::string SharedDemoSet();

// A working copy of the demo set in dir: its game files (Data, Map) copied so
// a test may change them, everything else linked to the shared set.
void CopyDemoGameFiles(const std::string &dir);
