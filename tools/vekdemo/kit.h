// The demo-data generator's own toolkit: byte writers with an explicit byte
// order, the output folder, a seeded generator, the master palette, an 8-bit
// canvas with a Latin-1 bitmap font, and the planned layouts that both the
// screen description files and the background pictures are drawn from. The
// writers never dump a struct: every field is put byte by byte.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datakit.h"

namespace vekdemo {

using Bytes = std::vector<uint8_t>;

// ---- Bytes ----------------------------------------------------------------

void PutBE16(Bytes &b, uint32_t v);
void PutBE32(Bytes &b, uint32_t v);
void PutLE16(Bytes &b, uint32_t v);
void PutLE32(Bytes &b, uint32_t v);
void PutTag(Bytes &b, const char *fourLetters);
void PutText(Bytes &b, const std::string &text, bool nul);   // the bytes, and a NUL when asked
void PutZeros(Bytes &b, size_t n);
void SetBE32(Bytes &b, size_t at, uint32_t v);
void SetBE16(Bytes &b, size_t at, uint32_t v);
uint32_t GetBE32(const Bytes &b, size_t at);

// ---- Output folder ------------------------------------------------------

// Collects every file written under the root; directories are made as needed.
class Output {
public:
    explicit Output(std::string root) : root_(std::move(root)) {}
    void Write(const std::string &relative, const Bytes &data);
    void Dir(const std::string &relative);
    void Fail() { ok_ = false; }
    bool ok() const { return ok_; }
    size_t files() const { return files_; }
    uint64_t bytes() const { return bytes_; }
    const std::string &root() const { return root_; }

private:
    std::string root_;
    bool ok_ = true;
    size_t files_ = 0;
    uint64_t bytes_ = 0;
};

// ---- Dice of our own ------------------------------------------------------

// xorshift64*: the same numbers on every machine for a given seed.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint32_t Next();
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

private:
    uint64_t s_;
};

// Seed made from a name, so each file's noise does not depend on the order of writing.
uint64_t SeedOf(const std::string &name);

// ---- Palette --------------------------------------------------------------

struct Rgb {
    uint8_t r, g, b;
};
using Palette = std::array<Rgb, 256>;

// One palette for every picture: entry 0 black, every entry distinct.
const Palette &MasterPalette();

// Pens the art is drawn with (indices into the master palette).
namespace pen {
constexpr uint8_t Black = 0;
constexpr uint8_t Shadow = 1;      // darkest bevel edge
constexpr uint8_t Dark = 2;
constexpr uint8_t Mid = 3;
constexpr uint8_t Light = 4;
constexpr uint8_t Bright = 5;      // brightest bevel edge
constexpr uint8_t Paper = 6;       // background of text requesters
constexpr uint8_t White = 7;       // the text pen of the game
constexpr uint8_t Gold = 8;
constexpr uint8_t Red = 9;
constexpr uint8_t Green = 10;
constexpr uint8_t Blue = 11;
constexpr uint8_t Yellow = 12;
constexpr uint8_t Cyan = 13;
constexpr uint8_t Magenta = 14;
constexpr uint8_t Outline = 15;    // gadget outlines on backgrounds
constexpr uint8_t Area = 16;       // outlines of hidden area gadgets
constexpr uint8_t Record = 17;     // outlines of boxes, rectangles and points
constexpr uint8_t Readout = 19;    // background of number read-outs
constexpr uint8_t RampBase = 36;   // 36-255: ramps; see RampPen
}  // namespace pen

// Ramps of 16 shades, 0 dark to 15 bright; ramp k holds pens 36 + 16k to 51 + 16k,
// so the water ramp covers the colour-cycling registers 139-147.
enum Ramp : uint8_t { RampEarth, RampGrass, RampForest, RampSand, RampStone, RampSnow, RampWater, RampCycle,
                      RampSwamp, RampRed, RampViolet, RampGold, RampSteel, RampCount };
uint8_t RampPen(Ramp ramp, int shade);  // shade clamped to 0..15

// ---- Canvas and text ----------------------------------------------------

struct Canvas {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    Canvas(int width, int height, uint8_t fill = 0) : w(width), h(height), px((size_t)width * height, fill) {}
    void Put(int x, int y, uint8_t c)
    {
        if (x >= 0 && y >= 0 && x < w && y < h) px[(size_t)y * w + x] = c;
    }
    uint8_t At(int x, int y) const { return px[(size_t)y * w + x]; }
    void FillRect(int x, int y, int rw, int rh, uint8_t c);
    void Frame(int x, int y, int rw, int rh, uint8_t c);          // one-pixel outline
    void Bevel(int x, int y, int rw, int rh, bool pressed);        // raised or sunken box
    void VerticalRamp(Ramp ramp, int from, int to);                // whole canvas, shade from..to
    void Line(int x0, int y0, int x1, int y1, uint8_t c);
    Bytes Raw() const { return Bytes(px.begin(), px.end()); }
};

// The master glyphs: 5 columns, 2 accent rows, 7 body rows, 2 descender rows.
constexpr int GLYPH_COLS = 5;
constexpr int GLYPH_ROWS = 11;
constexpr int GLYPH_BASELINE = 8;  // last body row
// Rows of character c (Latin-1) as 5-bit masks, bit 4 the leftmost column;
// false for codes without a glyph (controls).
bool MasterGlyph(uint8_t c, uint8_t rows[GLYPH_ROWS]);
// Columns [first, last] that carry ink; a blank glyph gives first > last.
void GlyphInk(const uint8_t rows[GLYPH_ROWS], int &first, int &last);

// Draws Latin-1 text with the master glyphs at scale s; y is the top of the
// glyph cell. Returns the advance.
int DrawText(Canvas &c, int x, int y, const std::string &text, int scale, uint8_t colour);
int TextWidth(const std::string &text, int scale);
// Centred in a box.
void DrawTextCentred(Canvas &c, int x, int y, int bw, int bh, const std::string &text, int scale, uint8_t colour);

// ---- Layout plans -------------------------------------------------------

struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int w() const { return x1 - x0; }
    int h() const { return y1 - y0; }
};

struct GadgetPlan {
    uint32_t code = 0;      // return code
    std::string label;      // what the face shows
    Box box;                // in screen coordinates, or relative for relative layouts
    uint16_t up = 0, down = 0;
    uint16_t flags = 0;
    bool hidden = false;
};

struct TitlePlan {
    Box box;
    uint32_t title = 0;     // text ID; 0 ends the list
};

struct RecordPlan {
    Box box;
    uint32_t text = 0;      // text ID where the record has one
    uint16_t a = 0, b = 0;  // per kind: MaxChars/MaxPixels, pens, bit number
};

struct LayoutPlan {
    const datakit::ScreenLayout *layout = nullptr;
    Box area;                    // where gadgets may lie, in the layout's coordinates
    std::vector<GadgetPlan> gadgets;
    std::vector<TitlePlan> titles;
    std::vector<RecordPlan> kinds[datakit::KIND_COUNT];  // titles and gadgets are kept above
};

// Gadget faces: a released and a pressed picture per return code.
struct FaceSpec {
    uint16_t number = 0;
    int w = 0, h = 0;
    std::string label;
    bool pressed = false;
};

struct Plans {
    std::vector<LayoutPlan> layouts;   // in the order of datakit::ScreenLayouts
    std::vector<FaceSpec> faces;       // every face picture assigned from the pool
};

// The map screen's files: every gadget and box where the screen draws it.
void PlaceMapScreen(LayoutPlan &p);
// On a panel picture of the high-colour map screen: outlines of the gadgets
// and boxes that lie on it.
void OutlineMapPanel(Canvas &c, uint16_t picture);
bool IsMapPanel(uint16_t picture);

// Plans every layout and assigns the gadget faces; deterministic.
const Plans &GetPlans();
// The face picture number n, or null when n is not an assigned face.
const FaceSpec *FindFace(uint16_t n);

// ---- Animations -----------------------------------------------------------

struct AnimSpec {
    std::string name;   // path below ./Anims/, UTF-8 as on disk
    int w = 64, h = 64; // width a multiple of 8
    int frames = 4;     // a key frame and its deltas
    bool lrgb = false;  // colours as a packed list instead of a colour map
};

// Every animation the screens, buildings and wares play, sorted by name.
const std::vector<AnimSpec> &AnimList();
// The chunky 8-bit pictures of its frames.
std::vector<Canvas> AnimFrames(const AnimSpec &a);
// The file: IFF "ANIM" with every chunk header scrambled.
Bytes AnimFile(const AnimSpec &a);
// The two header words of a chunk as stored, such that unscrambling them with
// key gives id and length; a key of 0 stores them as they are.
void AnimScramble(uint16_t key, uint32_t &id, uint32_t &length);

// ---- The parts of the data set -----------------------------------------

void WritePictures(Output &out);
void WriteScreenFiles(Output &out);
void WriteFonts(Output &out);
void WriteSounds(Output &out);
void WriteModules(Output &out);
void WriteCDTracks(Output &out);  // CD/track01.mp3 onwards
void WriteAnimations(Output &out);
void WriteCatalogs(Output &out);
void WritePointers(Output &out);
void WriteRealm(Output &out);   // preferences through the client's own writers
void WriteStatistics(Output &out);  // ./Data/Statistikdaten.vek, nine quarters
void WriteUpdates(Output &out);     // Updates/, what the update server serves
// Newcomer/ (the game's folders, no preferences) and Saves/ (to lay over a
// copy of the realm: Game/Demoland/1_1 saved by the client, and the second
// turn's received pool).
void WriteStartingPoints(Output &out);
bool WriteTurnChunks();         // army, ship, letter, stock and luxury assignment of the received turn
// Inside the set, after the map and pools: the towns and worked fields by
// the client's own routines, and the first-turn tree "Fresh".
bool WriteDemoTowns();
bool WriteDemoFields();
bool WriteFreshProfile();
// Tutorial/Data/Prefs.vek: the realm's preferences with the tutorial due
// (step 0, a new turn applied); written after every other preference.
bool WriteTutorialPrefs();

// Writes the whole set into root (created); false when a file could not be written.
bool MakeDemoSet(const std::string &root);

}  // namespace vekdemo
