// Writes the demo data set into a folder, from code alone and byte for byte
// the same on every run: vekdemo <folder>.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/strings.h"

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

void PutBE(Bytes &b, uint32_t v)
{
    for (int i = 3; i >= 0; --i) b.push_back((uint8_t)(v >> (8 * i)));
}

void PutChunk(Bytes &b, const char *id, const Bytes &data)
{
    b.insert(b.end(), id, id + 4);
    PutBE(b, (uint32_t)data.size());
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
}

Bytes TextChunk(const char *text) { return Bytes(text, text + std::strlen(text) + 1); }

struct CatalogText {
    UWORD ID;
    const char *Text;  // Latin-1
};

// A German catalog (IFF CTLG): author, version, language and the texts by ID.
// Each text's length counts its closing zero byte, so every padded text ends
// with one.
Bytes Catalog(const std::vector<CatalogText> &texts)
{
    Bytes strs;
    for (const CatalogText &t : texts) {
        uint32_t len = (uint32_t)std::strlen(t.Text) + 1;
        PutBE(strs, t.ID);
        PutBE(strs, len);
        strs.insert(strs.end(), t.Text, t.Text + len);
        while (strs.size() % 4) strs.push_back(0);
    }
    Bytes body;
    body.insert(body.end(), {'C', 'T', 'L', 'G'});
    PutChunk(body, "AUTH", TextChunk("Kavoria Demo"));
    PutChunk(body, "FVER", TextChunk("$VER: demo 1.0"));
    PutChunk(body, "LANG", TextChunk("deutsch"));
    PutChunk(body, "STRS", strs);
    Bytes file{'F', 'O', 'R', 'M'};
    PutBE(file, (uint32_t)body.size());
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// A few German texts, so that the catalog path is exercised with the demo data.
bool WriteCatalogs(const std::string &dir)
{
    const std::vector<CatalogText> game = {
        {_VEK_SCREENMODEREQUESTER_TEXT.ID, "Bildschirmmodus w\344hlen"},
        {_VEK_SCREENMODEREQUESTER_ABBRUCH.ID, "Abbruch !"},
        {_VEK_SCREENMODEREQUESTER_OK.ID, "Ok !"},
        {_VEK_NVC_TITEL.ID, "Beraternachricht"},
        {_VEK_NVC_NOONLINE.ID, "Leider konnten wir nicht online gehen!"},
        {_VEK_RESITBAR_OPTIONS.ID, "Optionen"},
        {_VEK_TITEL_NEU.ID, "neu"},
        {_VEK_TITEL_LADEN.ID, "laden"},
        {_VEK_TITEL_SPEICHERN.ID, "speichern"},
        {_VEK_TITEL1.ID, "Lord"},
        {_VEK_TITEL2.ID, "Baron"},
        {_VEK_TITEL3.ID, "Vicomte"},
        {_VEK_TITEL4.ID, "Graf"},
        {_VEK_TITEL5.ID, "Marquis"},
        {_VEK_TITEL6.ID, "Herzog"},
        {_VEK_TITEL7.ID, "Erzherzog"},
        {_VEK_TITEL8.ID, "K\366nig"},
        {_VEK_TITEL9.ID, "Kaiser"},
        {_VEK_WAREN_KORN.ID, "Korn"},
        {_VEK_ORKS.ID, "Orks"},
    };
    const std::vector<CatalogText> stories = {
        {_BT_TITLE.ID, "Die Erz\344hlung des Barden"},
        {_BT_ERSTETAG.ID,
         "Kommt n\344her, Herr, setzt Euch ans Feuer. Heute hat Euer Volk die ersten H\374tten "
         "gebaut, und am Abend brannte das erste Feuer in der Mitte der neuen Stadt.\n\n"
         "Vergesst nie: Das Vertrauen Eures Volkes ist der Grund, auf dem jedes Reich gebaut "
         "wird. \247($1,-1)\247\247"},
    };
    const std::string path = dir + "/catalogs/deutsch/";
    return WriteFile(path + "VekBrowser.catalog", Catalog(game)) &&
           WriteFile(path + "RoredIdez.catalog", Catalog(stories));
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vekdemo <folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    for (const char *dir : {"", "/Pics", "/Data", "/catalogs", "/catalogs/deutsch"})
        mkdir((root + dir).c_str(), 0775);
    bool ok = WriteFile(root + "/Pics/CursorSDL.chk", Bmp24(32, 32, Arrow)) &&
              WriteFile(root + "/Pics/icon.chk", Bmp24(32, 32, Icon)) && WriteCatalogs(root);
    return ok ? 0 : 1;
}
