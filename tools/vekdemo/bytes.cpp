// Byte writers, the output folder and the generator's own dice.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "kit.h"

namespace vekdemo {

void PutBE16(Bytes &b, uint32_t v)
{
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}

void PutBE32(Bytes &b, uint32_t v)
{
    PutBE16(b, v >> 16);
    PutBE16(b, v & 0xFFFF);
}

void PutLE16(Bytes &b, uint32_t v)
{
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}

void PutLE32(Bytes &b, uint32_t v)
{
    PutLE16(b, v & 0xFFFF);
    PutLE16(b, v >> 16);
}

void PutTag(Bytes &b, const char *fourLetters) { b.insert(b.end(), fourLetters, fourLetters + 4); }

void PutText(Bytes &b, const std::string &text, bool nul)
{
    b.insert(b.end(), text.begin(), text.end());
    if (nul) b.push_back(0);
}

void PutZeros(Bytes &b, size_t n) { b.insert(b.end(), n, 0); }

void SetBE32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.at(at + i) = (uint8_t)(v >> (24 - 8 * i));
}

void SetBE16(Bytes &b, size_t at, uint32_t v)
{
    b.at(at) = (uint8_t)(v >> 8);
    b.at(at + 1) = (uint8_t)v;
}

uint32_t GetBE32(const Bytes &b, size_t at)
{
    return (uint32_t)b.at(at) << 24 | (uint32_t)b.at(at + 1) << 16 | (uint32_t)b.at(at + 2) << 8 | b.at(at + 3);
}

void Output::Dir(const std::string &relative)
{
    std::string path = root_;
    size_t pos = 0;
    while (pos <= relative.size()) {
        size_t slash = relative.find('/', pos);
        if (slash == std::string::npos) slash = relative.size();
        path += "/" + relative.substr(pos, slash - pos);
        if (mkdir(path.c_str(), 0775) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "vekdemo: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
            ok_ = false;
            return;
        }
        pos = slash + 1;
    }
}

void Output::Write(const std::string &relative, const Bytes &data)
{
    const size_t slash = relative.rfind('/');
    if (slash != std::string::npos) Dir(relative.substr(0, slash));
    const std::string path = root_ + "/" + relative;
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "vekdemo: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        ok_ = false;
        return;
    }
    bool good = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    good = std::fclose(f) == 0 && good;
    if (!good) {
        std::fprintf(stderr, "vekdemo: short write to %s\n", path.c_str());
        ok_ = false;
    }
    ++files_;
    bytes_ += data.size();
}

uint32_t Rng::Next()
{
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return (uint32_t)((s_ * 0x2545F4914F6CDD1Dull) >> 32);
}

uint64_t SeedOf(const std::string &name)
{
    uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a
    for (unsigned char c : name) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return h;
}

}  // namespace vekdemo
