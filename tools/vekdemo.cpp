// Writes the demo data set into a folder, from code alone and byte for byte
// the same on every run: vekdemo <folder>.
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void PutLE(Bytes &b, uint32_t v, int width)
{
    for (int i = 0; i < width; ++i) b.push_back((uint8_t)(v >> (8 * i)));
}

// A 24-bit uncompressed BMP; pixel(x, y) gives 0xRRGGBB.
template <class F> Bytes Bmp24(int w, int h, F pixel)
{
    const int row = (w * 3 + 3) & ~3;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    PutLE(b, 54 + row * h, 4);
    PutLE(b, 0, 4);
    PutLE(b, 54, 4);
    PutLE(b, 40, 4);
    PutLE(b, w, 4);
    PutLE(b, h, 4);
    PutLE(b, 1, 2);
    PutLE(b, 24, 2);
    PutLE(b, 0, 4);
    PutLE(b, row * h, 4);
    PutLE(b, 2835, 4);
    PutLE(b, 2835, 4);
    PutLE(b, 0, 4);
    PutLE(b, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            uint32_t c = pixel(x, y);
            b.push_back((uint8_t)c);
            b.push_back((uint8_t)(c >> 8));
            b.push_back((uint8_t)(c >> 16));
        }
        for (int p = w * 3; p < row; ++p) b.push_back(0);
    }
    return b;
}

bool WriteFile(const std::string &path, const Bytes &data)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "vekdemo: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

// An arrow pointer: black outline, gold body, white (transparent) around it.
uint32_t Arrow(int x, int y)
{
    if (y >= 20 || x > y / 2 + y / 4 || x > 12) return 0xFFFFFF;
    bool edge = x == 0 || x == y / 2 + y / 4 || y == 19;
    return edge ? 0x000000 : 0xD8A830;
}

uint32_t Icon(int x, int y)
{
    int dx = x - 16, dy = y - 16;
    if (dx * dx + dy * dy > 15 * 15) return 0x000000;
    return (dx * dx + dy * dy > 12 * 12) ? 0xD8A830 : 0x3050A0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vekdemo <folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    for (const char *dir : {"", "/Pics", "/Data"}) mkdir((root + dir).c_str(), 0775);
    bool ok = WriteFile(root + "/Pics/CursorSDL.chk", Bmp24(32, 32, Arrow)) &&
              WriteFile(root + "/Pics/icon.chk", Bmp24(32, 32, Icon));
    return ok ? 0 : 1;
}
