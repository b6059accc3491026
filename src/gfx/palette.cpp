// The palette, its colour setters, the fades and colour cycling. At 8 bits
// a fade changes only the display's physical palette; above 8 bits it copies
// (or clears) the game area in rings of 16 x 12 blocks from the centre out.
#include "gfx/palette.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "gfx/gfx_local.h"
#include "gfx/gfxnumber.h"
#include "gfx/screen.h"
#include "platform/system.h"

SDL_Color KavoriaPalette[256];
std::atomic<UWORD> Fade{0};
std::atomic<UWORD> FadeAktiv{0};
void (*PalettePushHook)(const SDL_Color *palette) = nullptr;
void (*FadeDelayHook)(ULONG ticks) = nullptr;

namespace {

constexpr int kRings = 20;
constexpr LONG kBlockW = 16, kBlockH = 12;

void FadeDelay(ULONG ticks)
{
    if (FadeDelayHook)
        FadeDelayHook(ticks);
    else
        Delay(ticks);
}

// Calls f(x, y) for the top-left corner of every block of ring k (0 innermost)
// in its order: top row rightwards, right column down, bottom row leftwards,
// left column up.
template <class F>
void ForEachRingBlock(int k, F f)
{
    const LONG top = 228 - kBlockH * k, bottom = 240 + kBlockH * k;
    const LONG left = 304 - kBlockW * k, right = 320 + kBlockW * k;
    for (LONG x = left; x <= 304 + kBlockW * k; x += kBlockW) f(x, top);
    for (LONG y = top; y <= 228 + kBlockH * k; y += kBlockH) f(right, y);
    for (LONG x = right; x >= 320 - kBlockW * k; x -= kBlockW) f(x, bottom);
    for (LONG y = bottom; y >= 240 - kBlockH * k; y -= kBlockH) f(left, y);
}

RastPort *VisibleRastPort()
{
    Screen *s = TitelScreenPtr;
    return s && s->FirstWindow ? s->FirstWindow->RPort : nullptr;
}

RastPort *HiddenRastPort()
{
    Screen *s = TitelScreenPtr;
    return s && s->FirstWindow && s->FirstWindow->NextWindow ? s->FirstWindow->NextWindow->RPort : nullptr;
}

void SetDisplayRastPort(RastPort *rp)
{
    if (UserSystem.Display) UserSystem.Display->RastPort_ = rp;
    VekDisplay.RastPort_ = rp;
}

bool EightBit() { return VekDisplay.VekScreen_Tiefe <= 8; }

void FadeInBody()
{
    Fade = 1;
    if (EightBit()) {
        if (bScreenFadeInDeactivate) {
            PushPalette(KavoriaPalette);
        } else {
            // Every channel rises by one per step once the step count passes
            // 256 - target, so all reach their target at the last step.
            SDL_Color work[256] = {};
            for (int k = 1; k <= 256; k++) {
                const int c = 256 - k;
                for (int i = 0; i < 256; i++) {
                    if (KavoriaPalette[i].r > c) work[i].r++;
                    if (KavoriaPalette[i].g > c) work[i].g++;
                    if (KavoriaPalette[i].b > c) work[i].b++;
                }
                if ((k >= 9 && (k - 9) % 8 == 0) || k == 256) PushPalette(work);
            }
        }
    } else {
        RastPort *hidden = HiddenRastPort(), *visible = VisibleRastPort();
        if (hidden && visible) {
            if (bScreenFadeInDeactivate) {
                ClipBlit(hidden, 0, 0, visible, 0, 0, 640, 480, 0xC0);
            } else {
                for (int k = 0; k < kRings; k++) {
                    FadeDelay(1);
                    ForEachRingBlock(k, [&](LONG x, LONG y) {
                        ClipBlit(hidden, x, y, visible, x, y, kBlockW, kBlockH, 0xC0);
                    });
                }
            }
            visible->FgPen = hidden->FgPen;
            visible->DrawMode = hidden->DrawMode;
            visible->Font = hidden->Font;
            visible->TxHeight = hidden->TxHeight;
            visible->TxBaseline = hidden->TxBaseline;
            SetDisplayRastPort(visible);
        }
    }
    VekDisplay.VekScreen_FadeIn = 1;
    Fade = 0;
}

void FadeOutBody()
{
    Fade = 1;
    if (EightBit()) {
        if (bScreenFadeInDeactivate) {
            for (SDL_Color &c : KavoriaPalette) c.r = c.g = c.b = 0;
            PushPalette(KavoriaPalette);
        } else {
            for (int k = 1; k <= 256; k++) {
                for (SDL_Color &c : KavoriaPalette) {
                    if (c.r) c.r--;
                    if (c.g) c.g--;
                    if (c.b) c.b--;
                }
                if (k % 8 == 0) PushPalette(KavoriaPalette);
            }
        }
    } else if (RastPort *rp = DisplayRastPort()) {
        SetAPen(rp, 0);
        if (bScreenFadeInDeactivate) {
            RectFill(rp, 0, 0, 639, 479);
        } else {
            for (int k = 0; k < kRings; k++)
                ForEachRingBlock(k, [&](LONG x, LONG y) { RectFill(rp, x, y, x + kBlockW - 1, y + kBlockH - 1); });
        }
    }
    Fade = 0;
}

SDL_Color *Entries(ViewPort *vp)
{
    return vp && vp->ColorMap ? vp->ColorMap->PaletteEntry : nullptr;
}

// The compiled cycling data: per range its registers with their offset in
// the cycle and the colour of every step.
struct CycleRange {
    UBYTE Length, Speed, StartStep, Registers;
    UBYTE Tick, Pos;
    UBYTE Reg[256];
    UBYTE Offset[256];
    SDL_Color Steps[256];
};
struct CycleData {
    ULONG Count;
    CycleRange Range[1];  // Count of them
};

// Compiles one range record; false when it does not describe a cycle.
bool CompileRange(const UBYTE *rec, ULONG size, CycleRange *r)
{
    if (size < 6) return false;
    *r = CycleRange{};
    r->Length = rec[0];
    r->Speed = rec[1];
    r->StartStep = rec[3];
    if (r->Length == 0) return false;
    struct Key {
        int step;
        SDL_Color colour;
    };
    std::vector<Key> keys;
    int firstStep = -1;
    for (ULONG p = 4; p + 1 < size && rec[p] != 255; p += 2) {
        const int step = rec[p];
        const UBYTE reg = rec[p + 1];
        if (step >= r->Length || (!keys.empty() && step <= keys.back().step)) return false;
        ULONG rgb[3];
        const ColorMap current = {KavoriaPalette};
        GetRGB32(&current, reg, 1, rgb);
        keys.push_back({step, {(Uint8)(rgb[0] >> 24), (Uint8)(rgb[1] >> 24), (Uint8)(rgb[2] >> 24), 0}});
        if (firstStep < 0) firstStep = step;
        bool known = false;
        for (int k = 0; k < r->Registers; k++) known = known || r->Reg[k] == reg;
        if (!known && r->Registers < rec[2]) {
            r->Reg[r->Registers] = reg;
            r->Offset[r->Registers] = (UBYTE)(step - firstStep);
            r->Registers++;
        }
    }
    if (keys.empty()) return false;
    // Linear steps between keyframes, the last one running round to the first.
    const int L = r->Length;
    for (size_t k = 0; k < keys.size(); k++) {
        const Key &a = keys[k];
        const Key &b = keys[(k + 1) % keys.size()];
        int span = b.step - a.step;
        if (span <= 0) span += L;
        for (int t = 0; t < span; t++) {
            auto mix = [&](int ca, int cb) { return (Uint8)(ca + (cb - ca) * t / span); };
            r->Steps[(a.step + t) % L] = {mix(a.colour.r, b.colour.r), mix(a.colour.g, b.colour.g),
                                          mix(a.colour.b, b.colour.b), 0};
        }
    }
    return true;
}

}  // namespace

void PushPalette(const SDL_Color *palette)
{
    if (PalettePushHook) {
        PalettePushHook(palette);
        return;
    }
    if (!SDLViewSurface) return;
    const int locked = ScreenLock();
    SDL_SetPalette(SDLViewSurface, SDL_PHYSPAL, const_cast<SDL_Color *>(palette), 0, 256);
    if (locked) ScreenUnlock();
}

int SetKavorPalette(const char *indexpath, ULONG id, ULONG first, ULONG count, ULONG beforefade)
{
    std::printf("SetKavorPalette: start (%s,%i,%i,%i,%i)\n", indexpath ? indexpath : "", (int)id, (int)first,
                (int)count, (int)beforefade);
    if (count == 0) count = 256;
    if (first > 255) first = 256;  // nothing to copy
    if (count > 256 - first) count = 256 - first;
    GfxIndex idx;
    if (!OpenGfxIndex(indexpath, &idx)) {
        std::printf("SetKavorPalette: Konnte den Index %s nicht oeffnen\n", indexpath ? indexpath : "");
        return 0;
    }
    GfxEntry e;
    std::string path, name;
    const ULONG n = GfxIndexCount(&idx);
    int ok = 0;
    if (id - 1 >= n || id - 1 > GFX_CACHE_SLOTS - 1 || !GfxIndexEntry(&idx, id, &e)) {
        std::printf("SetKavorPlatte:001\n");
    } else {
        GfxIndexText(&idx, e.CmapPathOffset, GFX_CMAP_PATH_MAX, &path);
        std::printf("SetKavorPaletteConvertName: start %s, %c\n", path.c_str(), '2');
        MakeGfxFileName(path.c_str(), 2, 1, &name);
        UBYTE rgb[768];
        std::FILE *f = name.empty() ? nullptr : std::fopen(name.c_str(), "rb");
        if (!f) {
            std::printf("SetKavorPalette:002 %s\n", name.c_str());
        } else {
            if (std::fread(rgb, 1, sizeof rgb, f) != sizeof rgb) {
                std::printf("SetKavorPalette:003 %s ist zu kurz\n", name.c_str());
            } else {
                for (ULONG i = first; i < first + count; i++)
                    KavoriaPalette[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
                ok = 1;
            }
            std::fclose(f);
        }
    }
    if (ok && id >= 1 && id <= GFX_CACHE_SLOTS) {
        BitMap *bmp = BitMapPtrArray[id - 1];
        if (bmp && bmp->Surface &&
            !SDL_SetPalette(bmp->Surface, SDL_PHYSPAL, &KavoriaPalette[first], (int)first, (int)count))
            std::printf("SetKavorPalette: Konnte Palette nicht setzen.\n");
    }
    CloseGfxIndex(&idx);
    return ok;
}

void LoadRGB32(ViewPort *vp, const ULONG *list)
{
    SDL_Color *pal = Entries(vp);
    if (!pal || !list) return;
    const UBYTE *p = (const UBYTE *)list;
    for (;;) {
        UWORD count, first;
        std::memcpy(&count, p, 2);
        std::memcpy(&first, p + 2, 2);
        p += 4;
        if (!count) break;
        for (ULONG j = 0; j < count; j++, p += 12) {
            ULONG c[3];
            std::memcpy(c, p, 12);
            const ULONG reg = (ULONG)first + j;
            if (reg < 256) pal[reg] = {(Uint8)(c[0] >> 24), (Uint8)(c[1] >> 24), (Uint8)(c[2] >> 24), 0};
        }
    }
    if (EightBit()) std::printf("LoadRGB32: Konnte Palette nicht setzen. Meldung %s\n", "N/A");
}

void SetRGB4(ViewPort *vp, ULONG reg, ULONG r, ULONG g, ULONG b)
{
    SDL_Color *pal = Entries(vp);
    if (!pal || reg > 255) return;
    pal[reg] = {(Uint8)(r * 16), (Uint8)(g * 16), (Uint8)(b * 16), 0};
    if (EightBit()) std::printf("SetRGB4: Konnte Palette nicht setzen. Meldung %s\n", "N/A");
}

void SetRGB32(ViewPort *vp, ULONG reg, ULONG r, ULONG g, ULONG b)
{
    SDL_Color *pal = Entries(vp);
    if (!pal || reg > 255) return;
    pal[reg] = {(Uint8)r, (Uint8)g, (Uint8)b, 0};
    if (EightBit()) std::printf("SetRGB32: Konnte Palette nicht setzen. Meldung %s\n", "N/A");
}

void GetRGB32(const ColorMap *cm, ULONG first, ULONG count, ULONG *buffer)
{
    if (!cm || !cm->PaletteEntry || !buffer) return;
    for (ULONG i = 0; i < count; i++) {
        const ULONG reg = first + i;
        const SDL_Color c = reg < 256 && reg >= first ? cm->PaletteEntry[reg] : SDL_Color{0, 0, 0, 0};
        buffer[3 * i] = c.r * 0x01010101u;
        buffer[3 * i + 1] = c.g * 0x01010101u;
        buffer[3 * i + 2] = c.b * 0x01010101u;
    }
}

void FadeIn()
{
    Fade = 1;
    FadeAktiv = 1;
    FadeInBody();
    while (Fade) FadeDelay(10);
}

void FadeOut()
{
    if (FadeAktiv == 1) {
        while (Fade) FadeDelay(1);
        Fade = 1;
        FadeOutBody();
        if (!bScreenFadeInDeactivate)
            while (Fade) FadeDelay(10);
        FadeAktiv = 0;
    }
    VekDisplay.VekScreen_FadeIn = 0;
}

ColorCycleHandle *InitColorCycle(ULONG ranges, ULONG size, const UBYTE *table)
{
    if (!EightBit()) return nullptr;
    void *mem = AllocVec(sizeof(ColorCycleHandle), MEMF_PUBLIC | MEMF_CLEAR);
    if (!mem) {
        std::printf("InitColorCycle : Konnte Speicher f\374r ColorCyle-Struktur nicht speichern...\n");
        return nullptr;
    }
    ColorCycleHandle *h = new (mem) ColorCycleHandle{};
    if (!table || ranges == 0 || size == 0) return h;
    while (Fade) FadeDelay(1);
    const size_t bytes = sizeof(CycleData) + (ranges - 1) * sizeof(CycleRange);
    CycleData *data = (CycleData *)AllocVec((ULONG)bytes, MEMF_PUBLIC | MEMF_CLEAR);
    if (!data) {
        std::printf("InitColorCycle : Konnte Speicher nicht allokieren...\n");
        return h;
    }
    for (ULONG i = 0; i < ranges; i++) {
        if (CompileRange(table + (size_t)i * size, size, &data->Range[data->Count]))
            data->Count++;
        else
            std::printf("InitColorCycle : Bereich %u ist fehlerhaft und wird uebergangen\n", i);
    }
    h->ColorCycleDaten = data;
    return h;
}

void ColorCycle(ColorCycleHandle *handle)
{
    if (!handle) return;
    if (CycleData *data = (CycleData *)handle->ColorCycleDaten) {
        for (ULONG i = 0; i < data->Count; i++) {
            CycleRange &r = data->Range[i];
            if (r.Tick != r.Speed) {
                r.Tick++;
                continue;
            }
            r.Tick = 0;
            r.Pos = (UBYTE)((r.Pos + 1) % r.Length);
            // One record per register, then the end mark.
            ULONG list[256 * 4 + 1] = {};
            ULONG *p = list;
            for (int k = 0; k < r.Registers; k++) {
                const SDL_Color &c = r.Steps[(r.Pos + r.Offset[k]) % r.Length];
                const UWORD head[2] = {1, r.Reg[k]};
                std::memcpy(p++, head, 4);
                *p++ = (ULONG)c.r << 24;
                *p++ = (ULONG)c.g << 24;
                *p++ = (ULONG)c.b << 24;
            }
            LoadRGB32(TitelScreenPtr ? &TitelScreenPtr->ViewPort : nullptr, list);
        }
    }
    handle->HasFinished = 1;
}

void ExitColorCycle(ColorCycleHandle *handle)
{
    if (!handle) return;
    handle->Stop = 1;
    for (int i = 0; i < 9 && !handle->HasFinished; i++) FadeDelay(10);
    FreeVec(handle->ColorCycleDaten);
    handle->~ColorCycleHandle();
    FreeVec(handle);
}
