// Writes the demo data set into a folder, from code alone and byte for byte
// the same on every run: vekdemo <folder>.
#include <cstdio>

#include "kit.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vekdemo <folder>\n");
        return 2;
    }
    return vekdemo::MakeDemoSet(argv[1]) ? 0 : 1;
}
