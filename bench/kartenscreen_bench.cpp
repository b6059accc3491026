// The kept map screen at 1024 x 768 x 32 with 5,000 figures: the start and
// end of a visit beside reading and writing its files once, the frame and
// panels drawn after each scroll step beside the same plain SDL blits, and
// the info box with a figure selected beside its plain text and picture
// blits.
// The routines trace to standard output; that goes to /dev/null here.
#include <benchmark/benchmark.h>

#include "benchmain.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/pixfmt.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "map/infobox.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/store.h"
#include "world/towns.h"
#include "platform/catalog.h"
#include "platform/strings.h"
#include "ui/requester.h"

namespace {

constexpr int kBreite = 1024, kHoehe = 768;
constexpr UWORD kFiguren = 5000;

int StadtPos(LONG id, ULONG *x, ULONG *y)
{
    Stadt *s = GetActiveTown(id);
    if (!s) return 0;
    *x = s->XPos;
    *y = s->YPos;
    FreeVec(s);
    return 1;
}

// The figure file with 5,000 figures round the capital.
void VieleFiguren()
{
    st_MREF *mref = (st_MREF *)LoadChunk2Mem(ID_MREF, MAPPREFS_FILE);
    if (!mref) std::exit(1);
    const ULONG laenge = 2 + kFiguren * (ULONG)sizeof(st_MOVE_EXT);
    std::vector<UBYTE> move(sizeof(st_ChunkHead) + laenge + 1, 0);
    st_MOVE *m = (st_MOVE *)move.data();
    m->Head = {ID_MOVE, VERSION_V001, laenge};
    m->AnzFiguren = kFiguren;
    for (ULONG i = 0; i < kFiguren; ++i) {
        st_MOVE_EXT f{};
        f.SpielerID = i % 3 == 0 ? PlayerInfo.SpielerID : 99;
        f.FigurArt = (UWORD)(i % 9 + 1);
        f.FigurNummer = (UWORD)i;
        f.X_Pos = mref->X_Capital - 40 + i % 80;
        f.Y_Pos = mref->Y_Capital - 20 + (i / 80) % 40;
        std::memcpy(move.data() + sizeof(st_MOVE) + i * sizeof f, &f, sizeof f);
    }
    std::vector<UBYTE> datei(sizeof(st_MREF));
    std::memcpy(datei.data(), mref, sizeof(st_MREF));
    SwapByteOrderInChunk(datei.data(), 1);
    SwapByteOrderInChunk(move.data(), 1);
    datei.insert(datei.end(), move.begin(), move.begin() + sizeof(st_ChunkHead) + laenge);
    FreeVec(mref);
    if (WriteFileAtomic(MAPPREFS_FILE, datei.data(), (ULONG)datei.size(), -1) != (int)datei.size()) std::exit(1);
}

struct Umgebung {
    std::string pfad;
    Umgebung()
    {
        pfad = DemoSetWorkingDir("vekkartenscreen-bench");
        OpenDummyDisplay32(kBreite, kHoehe);
        KartenStadtPosHook = StadtPos;
        ReadPlayerInfoFromPool();
        VieleFiguren();
        if (KartenScreen(1, 0) != 1) std::exit(1);
    }
    ~Umgebung()
    {
        KartenScreen(0, 0);
        std::filesystem::remove_all(pfad);
    }
};

Umgebung &Welt()
{
    static Umgebung u;
    return u;
}

void BM_BesuchAnfangUndEnde(benchmark::State &state)
{
    Welt();
    for (auto _ : state) {
        if (!KartenScreenKonstruktor()) state.SkipWithError("visit start failed");
        KartenScreenDestruktor();
    }
}
BENCHMARK(BM_BesuchAnfangUndEnde)->Unit(benchmark::kMillisecond);

// The files a visit reads and writes, each read once and written once whole.
void BM_DateienEinmal(benchmark::State &state)
{
    Welt();
    const char *lesen[] = {POOL_IN, POOL_OUT, MAPPREFS_FILE, "./Data/MapNames.dat", "./Data/ShipAddOn.dat",
                           "./Data/SpielerList.vek"};
    const char *schreiben[] = {POOL_OUT, MAPPREFS_FILE, "./Data/MapNames.dat", "./Data/ShipAddOn.dat"};
    for (auto _ : state) {
        std::vector<std::vector<UBYTE>> inhalt;
        for (const char *f : lesen) {
            const ULONG n = GetFileSize(f);
            UBYTE *p = (UBYTE *)LoadFile2Mem(f, 0);
            inhalt.emplace_back(p, p + (p ? n : 0));
            FreeVec(p);
        }
        for (size_t i = 0; i < 4; ++i) {
            const size_t k = i == 0 ? 1 : i + 1;
            if (WriteFileAtomic(schreiben[i], inhalt[k].data(), (ULONG)inhalt[k].size(), -1) != (int)inhalt[k].size())
                state.SkipWithError("write failed");
        }
    }
}
BENCHMARK(BM_DateienEinmal)->Unit(benchmark::kMillisecond);

// After a scroll step during a visit.
void BM_SetGUI(benchmark::State &state)
{
    Welt();
    KartenScreenKonstruktor();
    for (auto _ : state) KartenScreenSetGUI(LDKS->VekMapInfoPtr);
    KartenScreenDestruktor();
}
BENCHMARK(BM_SetGUI)->Unit(benchmark::kMicrosecond);

// The same pictures at the same places with plain keyed SDL blits.
void BM_SetGUIRohblits(benchmark::State &state)
{
    Welt();
    const LONG w = kBreite, h = kHoehe;
    struct Blit {
        UWORD n;
        LONG x, y;
    };
    std::vector<Blit> blits = {{1144, 0, 0}, {1145, w - 32, 0}, {1146, 0, h - 32}, {1147, w - 32, h - 32}};
    for (LONG i = 0; i < (w - 64) / 256; ++i) blits.insert(blits.end(), {{1148, 32 + 256 * i, 0}, {1148, 32 + 256 * i, h - 16}});
    blits.insert(blits.end(), {{1148, w - 288, 0}, {1148, w - 288, h - 16}});
    for (LONG i = 0; i < (h - 64) / 256; ++i) blits.insert(blits.end(), {{1149, 0, 32 + 256 * i}, {1149, w - 16, 32 + 256 * i}});
    blits.insert(blits.end(), {{1149, 0, h - 288}, {1149, w - 16, h - 288}, {1614, 0, 0}, {1615, w - 256, 0},
                               {1143, 3, h - 385}, {1161, 144, h - 132}, {1163, 124, h - 160}, {1165, 95, h - 178},
                               {1168, 10, h - 382}, {1174, 10, h - 341}, {1172, 10, h - 300}, {1170, 10, h - 259},
                               {1176, 10, h - 218}, {1178, 10, h - 177}, {1150, w - 164, h - 178},
                               {1167, w - 800, h - 247}});
    std::vector<SDL_Surface *> quellen;
    for (const Blit &b : blits) {
        if (!BitMapPtrArray[b.n - 1]) OpenKavorGfx("./Data/Path", b.n);
        SDL_Surface *s = SDL_ConvertSurface(BitMapPtrArray[b.n - 1]->Surface, BitMapPtrArray[b.n - 1]->Surface->format,
                                            SDL_SWSURFACE);
        SDL_SetColorKey(s, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
        quellen.push_back(s);
    }
    for (auto _ : state)
        for (size_t i = 0; i < blits.size(); ++i) {
            SDL_Rect r = {(Sint16)blits[i].x, (Sint16)blits[i].y, 0, 0};
            SDL_BlitSurface(quellen[i], nullptr, DBScreen, &r);
        }
    for (SDL_Surface *s : quellen) SDL_FreeSurface(s);
}
BENCHMARK(BM_SetGUIRohblits)->Unit(benchmark::kMicrosecond);

// A visit with an own figure in the view selected, as after a click on it.
bool WaehleFigur()
{
    LokaleDatenKartenScreen *st = LDKS;
    VekMapInfo *v = st->VekMapInfoPtr;
    if (!v || !v->LocalPeopleMemPtr) return false;
    const ULONG n = FigurenImBlock(v->LocalPeopleMemPtr, v->PeopleMemSize);
    for (ULONG i = 0; i < n; ++i) {
        st_MOVE_EXT *f = FigurImBlock(v->LocalPeopleMemPtr, i);
        const LONG x = (LONG)f->X_Pos - v->X_Hex, y = (LONG)f->Y_Pos - v->Y_Hex;
        if (f->SpielerID != PlayerInfo.SpielerID || x < 1 || y < 1 || x >= v->XTiles - 1 || y >= v->YTiles - 1) continue;
        st->AktPerson = f;
        st->BlueHex = 1;
        st->X_Pos = (WORD)x, st->Y_Pos = (WORD)y;
        f->Kommando = 10;
        return true;
    }
    return false;
}

// After each click, selection, step or scroll step.
void BM_UpdateInfoBox(benchmark::State &state)
{
    Welt();
    KartenScreenKonstruktor();
    if (!WaehleFigur()) state.SkipWithError("no own figure in the view");
    for (auto _ : state)
        if (!UpdateInfoBox(LDKS)) state.SkipWithError("no box");
    KartenScreenDestruktor();
}
BENCHMARK(BM_UpdateInfoBox)->Unit(benchmark::kMicrosecond);

// What it draws, drawn directly: the cleared picture place and the figure's
// frame as a keyed SDL blit, the status line, levels and labels, the box's
// text wrapped into its content and the window copied to the display.
void BM_UpdateInfoBoxRohblits(benchmark::State &state)
{
    Welt();
    KartenScreenKonstruktor();
    LokaleDatenKartenScreen *st = LDKS;
    if (!WaehleFigur() || !UpdateInfoBox(st) || !st->VekRequester) state.SkipWithError("no box");
    InfoInhalt inhalt;
    BaueInfoInhalt(st, true, &inhalt);
    if (!BitMapPtrArray[inhalt.Bild - 1]) OpenKavorGfx("./Data/Path", inhalt.Bild);
    SDL_Surface *streifen = SDL_ConvertSurface(BitMapPtrArray[inhalt.Bild - 1]->Surface,
                                               BitMapPtrArray[inhalt.Bild - 1]->Surface->format, SDL_SWSURFACE);
    SDL_SetColorKey(streifen, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
    const LONG w = kBreite, h = kHoehe;
    RastPort *rp = VekDisplay.RastPort_;
    SetFont(rp, st->VekFont1Ptr);
    VekRequester *req = st->VekRequester;
    const char *labels[3] = {GetString(&_VEK_KARTE_TIERQUELLEN), GetString(&_VEK_KARTE_PFLANZENQUELLEN),
                             GetString(&_VEK_KARTE_MINERALQUELLEN)};
    for (auto _ : state) {
        SetAPen(rp, 0);
        RectFill(rp, w - 116, h - 110, w - 53, h - 55);
        SDL_Rect quelle = {0, (Sint16)(54 * inhalt.Frame), 64, 54}, ziel = {(Sint16)(w - 116), (Sint16)(h - 110), 0, 0};
        SDL_BlitSurface(streifen, &quelle, rp->BitMap->Surface, &ziel);
        PrintText(rp, w - 791, h - 140, w - 406, h - 125, inhalt.Status, 6, 7, 556);
        for (int i = 0; i < 3; ++i) {
            PrintText(rp, w - 594, h - 102 + 27 * i, w - 546, h - 86 + 27 * i, inhalt.Stufe[i], 6, 78, 45);
            PrintText(rp, w - 534, h - 102 + 27 * i, w - 414, h - 86 + 27 * i, labels[i], 0, 7, 36);
        }
        SetAPen(req->ReqRastPortPtr, 6);
        RectFill(req->ReqRastPortPtr, 0, 0, req->ReqMemPtr->Breite - 1, req->ReqMemPtr->Hoehe - 1);
        SetAPen(req->ReqRastPortPtr, 78);
        PrintStringWrapInput(req->ReqRastPortPtr, inhalt.Text, 0, 0, 256, 100, req->ReqBreite);
        SDL_Rect fenster = {0, 0, req->ReqBreite, req->ReqHoehe}, ort = {(Sint16)req->ReqXPos, (Sint16)req->ReqYPos, 0, 0};
        SDL_BlitSurface(req->ReqMemPtr->Surface, &fenster, rp->BitMap->Surface, &ort);
    }
    SDL_FreeSurface(streifen);
    KartenScreenDestruktor();
}
BENCHMARK(BM_UpdateInfoBoxRohblits)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
