// Big-endian chunk and pool bytes written by hand for the store tests. This
// writer shares nothing with the code under test, so its bytes are an
// independent statement of the file formats.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/testutil.h"

namespace chunkbytes {

using vektest::Bytes;

constexpr bool kLittleHost = std::endian::native == std::endian::little;

inline void Put32(Bytes &b, uint32_t v)
{
    b.push_back((uint8_t)(v >> 24));
    b.push_back((uint8_t)(v >> 16));
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}
inline void Put16(Bytes &b, uint16_t v)
{
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}
inline void PutHost16(Bytes &b, uint16_t v)
{
    uint8_t t[2];
    std::memcpy(t, &v, 2);
    b.insert(b.end(), t, t + 2);
}
inline void PutHost32(Bytes &b, uint32_t v)
{
    uint8_t t[4];
    std::memcpy(t, &v, 4);
    b.insert(b.end(), t, t + 4);
}
inline void PutText(Bytes &b, const std::string &t) { b.insert(b.end(), t.begin(), t.end()); }
inline void PutZeros(Bytes &b, size_t n) { b.insert(b.end(), n, 0); }
inline void Set32(Bytes &b, size_t at, uint32_t v)
{
    b[at] = (uint8_t)(v >> 24);
    b[at + 1] = (uint8_t)(v >> 16);
    b[at + 2] = (uint8_t)(v >> 8);
    b[at + 3] = (uint8_t)v;
}
inline void Set16(Bytes &b, size_t at, uint16_t v)
{
    b[at] = (uint8_t)(v >> 8);
    b[at + 1] = (uint8_t)v;
}
inline uint32_t Get32(const Bytes &b, size_t at)
{
    return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}

// A chunk in file order: the letters of id and version, the payload's length.
inline Bytes FileChunk(const char *id, const char *version, const Bytes &payload)
{
    Bytes b;
    PutText(b, std::string(id, 4));
    PutText(b, std::string(version, 4));
    Put32(b, (uint32_t)payload.size());
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// The 40-byte INFO payload in file order; VekSystem and VekVersion in host
// order, the checksum as given (host order).
struct Info {
    uint32_t spieler = 0;
    uint32_t bits = 2;
    uint32_t restRunden = 0;
    uint16_t vekSystem = 2;
    uint16_t vekVersion = 0;
    uint16_t misc = 0;
    uint32_t turnTime = 0;
    std::string dice = std::string(8, '\0');
    uint32_t checksum = 0;
    std::string mac = std::string(6, '\0');
};
inline Bytes InfoChunk(const Info &i)
{
    Bytes p;
    Put32(p, i.spieler);
    Put32(p, i.bits);
    Put32(p, i.restRunden);
    PutHost16(p, i.vekSystem);
    PutHost16(p, i.vekVersion);
    Put16(p, i.misc);
    Put32(p, i.turnTime);
    PutText(p, i.dice);
    PutHost32(p, i.checksum);
    PutText(p, i.mac);
    return FileChunk("INFO", "V001", p);
}

// Sum of (signed byte - 1), as the pool's checksum is defined.
inline uint32_t Checksum(const Bytes &b)
{
    uint32_t s = 0;
    for (uint8_t c : b) s += (uint32_t)((int32_t)(int8_t)c - 1);
    return s;
}

// Stores the checksum of the whole pool (its own old value included) at 42.
inline void StampChecksum(Bytes &pool)
{
    uint32_t s = Checksum(pool);
    std::memcpy(&pool[42], &s, 4);
}

inline Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace chunkbytes
