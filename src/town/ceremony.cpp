// Typing the ceremonies' texts and the titles of the realm.
#include "town/ceremony.h"

#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/graphics.h"
#include "platform/strings.h"
#include "store/chunks.h"
#include "store/store.h"

namespace {

constexpr LONG kCentreX = 320;

struct Title {
    ULONG Points;
    const LocStr *Text;
};
const Title kTitles[] = {
    {1, &_VEK_TITEL2}, {3, &_VEK_TITEL3}, {7, &_VEK_TITEL4}, {11, &_VEK_TITEL5},
    {15, &_VEK_TITEL6}, {20, &_VEK_TITEL7}, {25, &_VEK_TITEL8}, {30, &_VEK_TITEL9},
};

}  // namespace

void CeremonyTypeCharacter(RastPort *rp, const char *text, ULONG n, LONG startY, UWORD outlinePen, UWORD textPen)
{
    if (!rp || !text || n == 0) return;
    const size_t length = std::strlen(text);
    if (n > length) return;
    const LONG step = (LONG)rp->TxHeight + 3;
    LONG offset = 0;
    size_t lineStart = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (text[i] == '\n') {
            offset += step;
            lineStart = i + 1;
        }
    }
    const size_t at = n - 1;
    if (text[at] == '\n') return;
    const char *end = std::strchr(text + lineStart, '\n');
    const size_t lineLength = end ? (size_t)(end - text) - lineStart : length - lineStart;
    const LONG start = kCentreX - (LONG)TextLength(rp, text + lineStart, (ULONG)lineLength) / 2;
    const LONG x = start + (LONG)TextLength(rp, text + lineStart, (ULONG)(at - lineStart + 1)) -
                   (LONG)TextLength(rp, text + at, 1);
    const LONG y = startY + offset;
    SetDrMd(rp, JAM1);
    SetAPen(rp, outlinePen);
    const LONG around[4][2] = {{x + 1, y}, {x + 1, y + 2}, {x, y + 1}, {x + 2, y + 1}};
    for (const auto &p : around) {
        Move(rp, p[0], p[1]);
        Text(rp, text + at, 1);
    }
    SetAPen(rp, textPen);
    Move(rp, x + 1, y + 1);
    Text(rp, text + at, 1);
}

void AnarchiePrintText(const char *text, UWORD Tick, UWORD StartY)
{
    CeremonyTypeCharacter(DisplayRastPort(), text, Tick, StartY, 97, 1);
}

void KroenungPrintText(const char *text, UWORD Tick, UWORD StartY)
{
    CeremonyTypeCharacter(DisplayRastPort(), text, Tick, StartY, 0, 163);
}

const char *KroenungTitleForPoints(ULONG points)
{
    for (const Title &t : kTitles)
        if (t.Points == points) return GetString(t.Text);
    return nullptr;
}

const char *KroenungCheckTitleOfPlayer()
{
    auto *land = static_cast<st_LAND *>(LoadChunk2Mem(ID_LAND, "./Data/POP3In/GameChunk.vek"));
    if (!land) return nullptr;
    const ULONG points = land->Reichspunkte;
    FreeChunk(land);
    std::printf("KroenungCheckTitleOfPlayer: Reichspunkte %u\n", (unsigned)points);
    return KroenungTitleForPoints(points);
}
