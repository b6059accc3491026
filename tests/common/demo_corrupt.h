// Hostile fixtures made from the demo data set: a table of named mutations
// of its files (truncated files, counts and offsets past the end, wrong
// tags, bad links, missing files), one or more per format, for the
// robustness tests of every loader.
#pragma once
#include <string>
#include <vector>

#include "common/testutil.h"

namespace vektest {

struct CorruptVariant {
    const char *format;  // "index", "sound", "font", "screen", "catalog", "anim", "pool", "map", "startup"
    const char *name;    // what is wrong, for SCOPED_TRACE
    const char *file;    // path below the demo folder
    Bytes (*mutate)(const Bytes &valid);  // the broken bytes; null removes the file
    bool refused;        // a loader that keeps the format's rules refuses the file; false
                         // where it loads and the fault shows in its use (a short read
                         // leaves zeros, a text or list end the caller checks)
};

const std::vector<CorruptVariant> &CorruptVariants();
std::vector<CorruptVariant> CorruptVariantsOf(const std::string &format);

// Writes the variant over its file in a demo folder made by MakeDemoData (or
// removes the file). Returns the file's previous bytes so that a test can put
// them back; throws when the file is not there to begin with.
Bytes ApplyCorruptVariant(const std::string &demoDir, const CorruptVariant &v);
// Puts a file back as ApplyCorruptVariant found it.
void RestoreCorruptVariant(const std::string &demoDir, const CorruptVariant &v, const Bytes &previous);

}  // namespace vektest
