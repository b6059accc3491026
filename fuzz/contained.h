// What the fuzz targets demand of a file name made from hostile bytes.
#pragma once
#include <string>

// A name stays inside the game directory: relative, no ".." piece, at most max bytes.
inline bool Contained(const std::string &name, size_t max)
{
    if (name.empty() || name.size() > max || name[0] == '/') return false;
    size_t start = 0;
    for (;;) {
        const size_t slash = name.find('/', start);
        if (name.substr(start, slash - start) == "..") return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}
