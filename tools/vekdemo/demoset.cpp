// The whole demo data set, part by part.
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#include "kit.h"

namespace vekdemo {

bool MakeDemoSet(const std::string &root)
{
    if (mkdir(root.c_str(), 0775) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "vekdemo: cannot create %s\n", root.c_str());
        return false;
    }
    Output out(root);
    WritePointers(out);
    WritePictures(out);
    WriteScreenFiles(out);
    WriteFonts(out);
    WriteSounds(out);
    WriteModules(out);
    WriteCDTracks(out);
    WriteAnimations(out);
    WriteCatalogs(out);
    WriteRealm(out);
    WriteStatistics(out);
    WriteUpdates(out);
    WriteStartingPoints(out);
    return out.ok();
}

}  // namespace vekdemo
