#include "kartenwelt.h"

#include <filesystem>
#include <string>
#include <vector>

#include "common/shareddemo.h"
#include "gfx/gfxnumber.h"
#include "platform/system.h"

namespace kartentest {

namespace {

ULONG Mische(ULONG a, ULONG b, ULONG salz)
{
    ULONG h = a * 0x9E3779B1u ^ (b + salz) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0xC2B2AE3Du;
    return h ^ (h >> 13);
}

void PutLE(vektest::Bytes &b, size_t at, ULONG v, int breite)
{
    for (int i = 0; i < breite; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}

const LONG kTeile[] = {157, 158, 159, 0, 1, 2};

}  // namespace

HexSoll SollHex(LONG x, LONG y)
{
    const ULONG h = Mische((ULONG)x, (ULONG)y, 1);
    HexSoll s{};
    // Mostly terrain 1-91, a few hexes with nothing or a graphic past the table.
    const ULONG a = h % 100;
    s.art = a < 4 ? 0 : a < 6 ? (UWORD)(100 + h % 50) : (UWORD)(1 + (h >> 8) % 91);
    s.thq = (UBYTE)((h >> 12) % 6);
    s.phq = (UBYTE)((h >> 16) % 6);
    s.mhq = (UBYTE)((h >> 20) % 6);
    // Owners come in patches so that borders run between them.
    static const ULONG kBesitzer[4] = {NIEMAND, kIch, 8, 9};
    s.besitzer = kBesitzer[Mische((ULONG)(x / 5), (ULONG)(y / 4), 2) % 4];
    s.spezial = (h >> 24) % 8 == 0 ? SPEZIAL_DUNGEON : 0;
    s.bekannt = (h >> 27) % 10 != 0;
    return s;
}

void SchreibeWelt()
{
    vektest::MakeDirs("Map");
    for (LONG tx : kTeile) {
        for (LONG ty : kTeile) {
            vektest::Bytes m(TEIL_BYTES, 0), b(BMAP_TEIL_BYTES, 0);
            for (LONG r = 0; r < TEIL_HOEHE; ++r) {
                for (LONG c = 0; c < TEIL_BREITE; ++c) {
                    const LONG x = tx * TEIL_BREITE + c, y = ty * TEIL_HOEHE + r;
                    const HexSoll s = SollHex(x, y);
                    const size_t at = (size_t)r * 1760 + (size_t)c * 22;
                    PutLE(m, at, (ULONG)x, 4);
                    PutLE(m, at + 4, (ULONG)y, 4);
                    PutLE(m, at + 8, s.art, 2);
                    m[at + 10] = s.thq;
                    m[at + 11] = s.phq;
                    m[at + 12] = s.mhq;
                    PutLE(m, at + 14, s.besitzer, 4);
                    PutLE(m, at + 18, s.spezial, 4);
                    if (s.bekannt) b[(size_t)r * 10 + (size_t)c / 8] |= (uint8_t)(1u << (c % 8));
                }
            }
            const std::string teil = std::to_string(tx) + "_" + std::to_string(ty) + ".map";
            vektest::WriteBytes("Map/M_" + teil, m);
            vektest::WriteBytes("Map/B_" + teil, b);
        }
    }
}

std::map<std::string, vektest::Bytes> KartenDateien()
{
    std::map<std::string, vektest::Bytes> dateien;
    for (const auto &e : std::filesystem::directory_iterator("Map"))
        dateien[e.path().filename().string()] = vektest::ReadBytes(e.path().string());
    return dateien;
}

void AlleGrafikenFrei()
{
    CloseAllPattern(0);
    for (ULONG n = 1; n <= GFX_CACHE_SLOTS; ++n)
        while (BitMapPtrArray[n - 1]) CloseKavorGfx(n);
}

// Each case links to the shared demo set and keeps its own map, figure
// file and converted pictures.
void VerlinkeDemo(const std::string &ziel)
{
    namespace fs = std::filesystem;
    const std::string quelle = SharedDemoSet();
    for (const auto &e : fs::directory_iterator(quelle)) {
        const std::string name = e.path().filename().string();
        if (name == "Map") continue;
        if (name != "Data") {
            fs::create_directory_symlink(e.path(), ziel + "/" + name);
            continue;
        }
        fs::create_directory(ziel + "/Data");
        for (const auto &d : fs::directory_iterator(e.path())) {
            const std::string z = ziel + "/Data/" + d.path().filename().string();
            // The files the screen may write are copied (a symlink would
            // let a write reach the shared set); folders stay linked.
            if (d.is_regular_file())
                fs::copy_file(d.path(), z);
            else if (d.is_directory())
                fs::create_directory_symlink(d.path(), z);
            else
                fs::create_symlink(d.path(), z);
        }
    }
}

Umgebung::Umgebung(int tiefe, int breite, int hoehe)
{
    VerlinkeDemo(dir_.path());
    SchreibeWelt();
    AlleGrafikenFrei();
    vektest::SetTestPalette();  // every pen its own colour, at any depth
    screen_ = std::make_unique<vektest::SdlScreen>(tiefe, breite, hoehe);
    VekDisplay.VekScreen = 0;
    PlayerInfo.SpielerID = kIch;
}

Umgebung::~Umgebung()
{
    AlleGrafikenFrei();
    screen_.reset();
}

std::vector<ULONG> LayerPixel(VekMapInfo *view)
{
    std::vector<ULONG> p;
    BitMap *b = view->LayerBitmapPtr;
    if (!b) return p;
    for (LONG y = 0; y < (LONG)b->Hoehe; ++y)
        for (LONG x = 0; x < (LONG)b->Breite; ++x) p.push_back(vektest::PixelAt(b, x, y));
    return p;
}

}  // namespace kartentest
