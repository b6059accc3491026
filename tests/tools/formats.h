// Readers of the demo set's formats written from the format rules alone, not
// from the generator: they stand in for the client's loaders that are not
// built yet. Each returns "" when the bytes keep every rule it checks, else a
// short text naming the first rule broken.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/testutil.h"

namespace formats {

using vektest::Bytes;

uint32_t BE32(const Bytes &b, size_t at);
uint16_t BE16(const Bytes &b, size_t at);

// ---- Graphics index ---------------------------------------------------------

struct IndexRecord {
    uint32_t n = 0, w = 0, h = 0, depth = 0, flags = 0, picSize = 0, cmapSize = 0;
    std::string path, cmapPath;   // index texts, Latin-1
    std::string file, cmapFile;   // the file names the client makes of them
};

// The file name made of an index path (picture: ".chk", or ".CHK" for "RAWB"
// paths; colour map: ".cma"); empty when the path names no volume.
std::string IndexFileName(const std::string &path, bool colourMap);
// Reads an index and checks every record against the files in root.
std::string ReadIndex(const std::string &root, const std::string &indexFile, std::vector<IndexRecord> &out);

// ---- Sound index --------------------------------------------------------------

struct SoundRecord {
    uint32_t n = 0, length = 0, rate = 0;
    std::string name, file;
};
// minCount: the numbers the screens use must all be there.
std::string ReadSoundIndex(const std::string &root, uint32_t minCount, std::vector<SoundRecord> &out);

// ---- Fonts ------------------------------------------------------------------------

struct FontInfo {
    int lo = 0, hi = 0, width = 0, height = 0, baseline = 0;
    bool colour = false, proportional = false;
    std::vector<uint16_t> offset, glyphWidth, space;
    Bytes bitmap;
    bool HasInk(uint8_t c) const;  // the glyph of c sets a pixel
};
std::string ReadFont(const Bytes &file, FontInfo &out);

// ---- Screen description files ---------------------------------------------

struct ScreenFile {
    size_t entries = 0;
    std::map<int, std::vector<Bytes>> records;  // by kind bit; each record's bytes
    std::map<uint32_t, int> kindAt;             // record offset (from byte 32) -> kind
};
std::string ReadScreenFile(const Bytes &file, ScreenFile &out);
// The file against its row of the shared screen table: gadget codes in order,
// every kind the screen asks for (and every kind some screen may ask for),
// the record counts it relies on, faces that exist at the size of their
// gadget, sounds that exist; the town slot template holds all slots.
std::string CheckLayout(const std::string &layoutFile, const ScreenFile &file, const std::vector<IndexRecord> &index,
                        uint32_t soundCount);

// ---- Catalogs ---------------------------------------------------------------------

std::string ReadCatalog(const Bytes &file, uint32_t idLimit, std::map<uint32_t, std::string> &strings);

// ---- Animations --------------------------------------------------------------

struct AnimResult {
    int w = 0, h = 0, frames = 0;
    std::vector<std::vector<uint8_t>> shown;  // the newest buffer after each frame, chunky
    std::vector<uint8_t> colours;             // RGB triples of the last colour chunk
};
// Plays a file through: unscrambling from the start key when scrambled is set.
std::string DecodeAnim(const Bytes &file, bool scrambled, AnimResult &out);

// ---- Chunk pools and the realm's own files --------------------------------

// INFO first (40 bytes of payload), chunks back to back to the end of the
// file, every ID known and present once, and INFO's chunk bits naming exactly
// the chunks present. ids gets the four-letter IDs in file order.
std::string ReadPool(const Bytes &pool, std::vector<std::string> &ids);
// Map tiles of 70,400 bytes, knowledge tiles of 400, and the figure file: an
// MREF chunk, then a MOVE chunk whose count fits its length and the file.
std::string CheckMapFiles(const std::string &root);

// ---- BMP --------------------------------------------------------------------------

std::string CheckBmp(const Bytes &file, int &w, int &h);

}  // namespace formats
