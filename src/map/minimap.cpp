// The minimap of the map screen: 41 x 31 explored hexes round the middle of
// the view, each a 4 x 4 blob in its terrain class's pen, drawn into the
// minimap frame of the screen description on the display port.
#include <cstdio>

#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "map/kartenscreen.h"
#include "world/hex.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

constexpr ULONG kKartenform = 870;  // the frame's shape, 8-bit pixels
constexpr LONG kSpalten = 41, kZeilen = 31;

bool AchtBit() { return VekDisplay.VekScreen_Tiefe <= 8; }

const Rechteck *Rahmen(const MiniMap *mini)
{
    const ULONG nr = AchtBit() ? 2 : 5;
    if (!mini || !mini->Rect || mini->AnzRect <= nr) return nullptr;
    return &mini->Rect[nr];
}

}  // namespace

UWORD MiniMapStift(UWORD klasse)
{
    static const UWORD stift[12] = {0, 15, 1, 3, 68, 76, 76, 136, 167, 7, 40, 105};
    return klasse < 12 ? stift[klasse] : 0;
}

MiniMap *InitMiniMap(Rechteck *rects, ULONG count)
{
    MiniMap *mini = (MiniMap *)AllocVec(sizeof(MiniMap), MEMF_CLEAR);
    if (!mini) return nullptr;
    mini->Rect = rects;
    mini->AnzRect = count;
    const Rechteck *r = Rahmen(mini);
    if (r && r->X1 >= r->X0 && r->Y1 >= r->Y0) {
        mini->OffsetBreite = (UWORD)((r->X1 - r->X0 + 15) & ~15);
        mini->OffsetHoehe = (UWORD)(r->Y1 - r->Y0 + 1);
    }
    const ULONG flaeche = (ULONG)mini->OffsetBreite * mini->OffsetHoehe;
    mini->MapArray = (UBYTE *)AllocVec(flaeche ? flaeche : 1, MEMF_CLEAR);
    if (!mini->MapArray) std::printf("InitMiniMap: Fehler beim allokieren des Arrays.\n");
    mini->TempRastPort = (RastPort *)AllocVec(sizeof(RastPort), MEMF_CLEAR);
    if (!mini->TempRastPort) std::printf("InitMiniMap: Fehler beim allokieren des RastPorts\n");
    else InitRastPort(mini->TempRastPort);
    if (flaeche) mini->TempBitMap = AllocBitMap(mini->OffsetBreite, mini->OffsetHoehe, 8, 1, nullptr);
    if (!mini->TempBitMap) std::printf("InitMiniMap: Fehler beim allokieren der Bitmap\n");
    else if (mini->TempRastPort) mini->TempRastPort->BitMap = mini->TempBitMap;
    return mini;
}

void ExitMiniMap(MiniMap *mini)
{
    if (!mini) return;
    FreeBitMap(mini->TempBitMap);
    FreeVec(mini->TempRastPort);
    FreeVec(mini->MapArray);
    FreeVec(mini);
}

namespace {

// One blob; form is the frame's shape (8-bit pixels of the picture formBm)
// or null.
void MiniHex(const MiniMap *mini, LONG spalte, LONG zeile, UWORD klasse, const UBYTE *form, const BitMap *formBm)
{
    const UWORD stift = MiniMapStift(klasse);
    const Rechteck *r = Rahmen(mini);
    RastPort *rp = VekDisplay.RastPort_;
    if (!stift || !r || !rp) return;
    LONG x, y;
    if (AchtBit()) {
        x = 3 * spalte + 508;
        y = 4 * zeile + 14;
    } else {
        x = 3 * spalte + r->X0 + 3;
        y = 4 * zeile + r->Y0 + 3;
    }
    if (spalte & 1) y += 2;
    SetAPen(rp, stift);
    static const LONG von[4] = {1, 0, 0, 1}, bis[4] = {2, 3, 3, 2};
    for (LONG dy = 0; dy < 4; ++dy)
        for (LONG dx = von[dy]; dx <= bis[dy]; ++dx) {
            const LONG px = x + dx, py = y + dy;
            if (px < r->X0 || px > r->X1 || py < r->Y0 || py > r->Y1) continue;
            if (form) {
                // Only what lies inside the shape picture is looked at.
                const LONG fx = px - r->X0, fy = py - r->Y0;
                if (fx >= (LONG)formBm->Breite || fy >= (LONG)formBm->Hoehe) continue;
                if (!form[(size_t)fy * formBm->BytesPerRow + fx]) continue;
            }
            WritePixel(rp, px, py);
        }
}

// Above 8 bits the frame's shape says which pixels belong to the minimap.
BitMap *Form()
{
    BitMap *form = AchtBit() ? nullptr : BitMapPtrArray[kKartenform - 1];
    return form && form->Tiefe == 8 ? form : nullptr;
}

}  // namespace

int SetMiniHex(UBYTE *array, const MiniMap *mini, LONG spalte, LONG zeile, LONG breite, UWORD klasse)
{
    (void)array;
    (void)breite;
    BitMap *form = Form();
    const UBYTE *pixel = form ? GetKavorGfxData(form) : nullptr;
    MiniHex(mini, spalte, zeile, klasse, pixel, form);
    if (pixel) FreeKavorGfxLock(form);
    return 1;
}

void SetMiniMap(VekMapInfo *view, MiniMap *mini, LONG dx, LONG dy)
{
    if (!view || !mini) return;
    const Rechteck *r = Rahmen(mini);
    RastPort *rp = VekDisplay.RastPort_;
    if (!r || !rp) return;
    if (AchtBit()) {
        SetAPen(rp, 0);
        RectFill(rp, r->X0, r->Y0, r->X1, r->Y1);
    }
    BitMap *form = Form();
    const UBYTE *pixel = form ? GetKavorGfxData(form) : nullptr;
    const LONG zeile0 = view->IndeY + view->YTiles / 2 - dy - 15;
    const LONG spalte0 = view->IndeX + (view->XTiles / 4) * 2 - dx - 20;
    for (LONG z = 0; z < kZeilen; ++z)
        for (LONG s = 0; s < kSpalten; ++s) {
            const LONG gx = spalte0 + s, gy = zeile0 + z;
            const MapEntry *e = FensterHex(view, gx, gy);
            if (!e || e->Art == 0 || !GetBMapBit(view, gx - view->IndeX, gy - view->IndeY)) continue;
            MiniHex(mini, s, z, GetTypeOfHex(e->Art), pixel, form);
        }
    if (pixel) FreeKavorGfxLock(form);
    if (AchtBit()) PresentRect(rp->BitMap, r->X0, r->Y0, r->X1 - r->X0, r->Y1 - r->Y0);
}
