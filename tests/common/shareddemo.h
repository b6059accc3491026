// The demo set that tests read: one per build, made once under
// a lock (the tests run as separate processes) and made again when the
// generator is newer than it. Tests only read it.
#pragma once
#include <functional>
#include <string>

std::string SharedDemoSet();

// A working copy of the demo set in dir: its game files (Data, Map) copied so
// a test may change them, everything else linked to the shared set.
void CopyDemoGameFiles(const std::string &dir);
// Makes dir with make under the lock dir + ".lock" unless a complete dir
// newer than the file source is there; what make throws passes through.
void MakeSharedOnce(const std::string &dir, const std::string &source,
                    const std::function<void(const std::string &)> &make);
