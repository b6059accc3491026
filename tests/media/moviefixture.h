// Movie files made in code for the movie tests: frames of chosen chunks, the
// whole file plain or with scrambled headers (the demo generator's encoder and
// key roll), the three-frame 16 x 2 movie whose third frame proves that a delta
// goes into the frame two back, and reading pixels out of a planar buffer.
#pragma once
#include <string>
#include <vector>

#include "common/testutil.h"
#include "media/movie_local.h"

namespace movietest {

using vektest::Bytes;

struct Chunk {
    std::string id;  // four letters
    Bytes data;
};

Bytes BE32(ULONG v);
Bytes Cat(std::initializer_list<Bytes> parts);
// A BMHD: width, height, depth, compression.
Bytes Bmhd(UWORD w, UWORD h, UBYTE depth = 8, BYTE kompr = 1);
// 64 bytes of plane offsets followed by body; offsets as given.
Bytes Dlta(const std::vector<ULONG> &offsets, const Bytes &body);

// A frame payload: form type "ILBM" and the chunks (pad bytes added), each
// header scrambled with key when it is nonzero. With oddEnd the last chunk's
// pad byte is left off, so that the frame FORM itself has an odd length.
Bytes FramePayload(const std::vector<Chunk> &chunks, UWORD key = 0, bool oddEnd = false);
// A file "FORM" len "ANIM" + one FORM per frame, plain or scrambled from the
// start key on.
Bytes MovieFile(const std::vector<std::vector<Chunk>> &frames, bool scrambled, bool oddEnds = false);

// The three frames of the 16 x 2 movie: key (0,0)=1; first delta adds (1,1)=2;
// second delta into the key frame's buffer: (15,0)=255, (1,1) back to 0.
std::vector<std::vector<Chunk>> ThreeFrames();

// Palette index of pixel (x, y) of a planar buffer.
UBYTE PixelOf(const UBYTE *buffer, int w, int h, int x, int y);

// A movie record for the decoder alone (no file, no base).
struct TestMovie {
    st_Movie m{};
    BitMapHeaDer bmhd{};
    AnimHeaDer anhd{};
    SXHeaDer sxhd{};
    ULONG rgb[MOVIE_RGB_TABLE_SIZE / 4]{};
    GrakaRenderStruct grs{};  // its kept surface is freed with the record
    TestMovie();
    ~TestMovie();
    int Parse(const Bytes &payload, bool sound = false);  // FORMParser over a plain payload
    Bytes Buffers() const;  // both planar buffers, one after the other (empty without decoder state)
};

}  // namespace movietest
