// A synthetic world for the view tests: tile and knowledge files made from
// a hash of each hex's world position (so any window can be checked against
// what it should hold), in a scratch directory that also holds the demo
// graphics, under a dummy display of the wanted depth and size.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "common/sdlharness.h"
#include "common/testutil.h"
#include "map/mapview.h"

namespace kartentest {

constexpr ULONG kIch = 7;  // the player's ID in these worlds

// What the world holds at world hex (x, y).
struct HexSoll {
    UWORD art;
    UBYTE thq, phq, mhq;
    ULONG besitzer;
    ULONG spezial;
    bool bekannt;
};
HexSoll SollHex(LONG x, LONG y);

// Writes the tile and knowledge files of tile columns and rows
// {157, 158, 159, 0, 1, 2} into ./Map.
void SchreibeWelt();
// Every file of ./Map with its bytes.
std::map<std::string, vektest::Bytes> KartenDateien();

// Scratch directory with the demo data set and the synthetic world, a dummy
// display, the player's ID set; graphics released again at the end.
class Umgebung {
public:
    Umgebung(int tiefe, int breite, int hoehe);
    ~Umgebung();
    bool Ok() const { return screen_ && screen_->Ok(); }
    vektest::SdlScreen &Screen() { return *screen_; }

private:
    vektest::ScratchDir dir_;
    std::unique_ptr<vektest::SdlScreen> screen_;
};

// Releases every loaded graphic (the tests switch depths between cases).
void AlleGrafikenFrei();

// The layer's pixels, row by row.
std::vector<ULONG> LayerPixel(VekMapInfo *view);

}  // namespace kartentest
