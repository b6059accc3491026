// The map motion thread and the lock that keeps it off the view while the
// main thread rewrites the figures or the tile window.
#include "map/motion.h"

#include <SDL/SDL.h>
#include <SDL/SDL_thread.h>

#include <cassert>
#include <cstdio>
#include <new>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "world/hex.h"
#include "media/movie.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"

void (*MotionDelay)(ULONG) = Delay;
void (*MotionFrameHook)(UWORD, UWORD, LONG, LONG) = nullptr;
std::atomic<ULONG> MotionDurchgaenge{0};
std::atomic<ULONG> MotionDoppelteSperren{0};

namespace {

constexpr ULONG MINDEST_SPEICHER = 499999;
constexpr LONG BILD_BREITE = 64, BILD_HOEHE = 56, OBJEKT_HOEHE = 54;

// The running motion (one map view at a time).
std::atomic<Motion *> gMotion{nullptr};
thread_local int tSperrTiefe = 0;
// The motion whose semaphore this thread holds through LockMotionProcess,
// and how often it asked for it.
thread_local Motion *tGehalten = nullptr;
thread_local int tGehaltenTiefe = 0;

struct Objekt {
    UWORD grafik, frames;
};

Objekt Umgebungsobjekt(UWORD art)
{
    switch (art) {
    case 1000: return {493, 10};
    case 1003: return {839, 24};
    case 1004: return {838, 18};
    default: return art >= 1007 && art <= 1013 ? Objekt{(UWORD)(884 + art - 1007), 24} : Objekt{0, 0};
    }
}

template <class T>
T Lies(T &wert)
{
    return std::atomic_ref<T>(wert).load();
}

bool Gesperrt(VekMapInfo *v) { return Lies(v->MapLock) != 0; }

// One pass: pick a hex, and if an ambient object stands there alone at the
// head of its hex's figures, in sight and explored, play it.
void Durchgang(Motion *m)
{
    VekMapInfo *v = m->VekMapInfoPtr;
    const bool tief8 = VekDisplay.VekScreen_Tiefe <= 8;
    const LONG xh = Lies(v->X_Hex), yh = Lies(v->Y_Hex);
    const LONG xt = v->XTiles, yt = v->YTiles;
    LONG x, y;
    if (tief8) {
        x = xh + (LONG)Wuerfel(8) + 1;
        y = yh + (LONG)Wuerfel(6) + 1;
    } else {
        if (xt < 4 || yt < 6) return;
        x = xh + (LONG)Wuerfel((ULONG)(xt - 3)) + 1;
        y = yh + (LONG)Wuerfel((ULONG)(yt - 5)) + 1;
    }
    x = CheckWrap(x, WELT_BREITE);
    y = CheckWrap(y, WELT_HOEHE);
    UBYTE *block = v->LocalPeopleMemPtr;
    if (!block) return;
    const ULONG n = FigurenImBlock(block, v->PeopleMemSize);
    ULONG zahl = 0;
    Objekt obj{0, 0};
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT *f = FigurImBlock(block, i);
        if (f->X_Pos != (ULONG)x || f->Y_Pos != (ULONG)y || f->Kommando == KOMMANDO_AN_BORD) continue;
        if (zahl == 0 && !obj.grafik) obj = Umgebungsobjekt(f->FigurArt);
        ++zahl;
    }
    if (!obj.grafik) return;
    const LONG vx = CheckWrap(x - xh, WELT_BREITE), vy = CheckWrap(y - yh, WELT_HOEHE);
    if (vx >= SICHT_MAX_X || vy >= SICHT_MAX_Y) return;
    if (CheckFogofWar(v, n, FigurImBlock(block, 0), vx, vy) != 1 || !GetBMapBit(v, vx, vy)) return;
    const MapEntry *e = FensterHex(v, v->IndeX + vx, v->IndeY + vy);
    if (!e || e->Art == 0 || e->Art >= KARTEN_ELEMENTE) return;
    LONG px = vx * HEX_SCHRITT, py = (vx & 1) ? vy * HEX_HOEHE + 16 : vy * HEX_HOEHE - 12;
    if (!tief8) px -= 16, py -= 16;
    RastPort *schirm = VekDisplay.RastPort_;
    if (!schirm || !schirm->BitMap || px < 0 || py < 0) return;
    if (Gesperrt(v)) return;
    BltBitMapRastPort(schirm->BitMap, px, py, m->MotionRastPort, 0, 0, BILD_BREITE, BILD_HOEHE, 0xC0);
    if (Gesperrt(v)) return;
    const UWORD terrain = KartenElemente[e->Art][Lies(v->Jahreszeit) & 3];
    if (terrain && BitMapPtrArray[terrain - 1]) BlitObjektMask(m->MotionRastPort, terrain, 0, 0, 0, BILD_BREITE, BILD_HOEHE);
    if (zahl >= 2) {
        char text[16];
        std::snprintf(text, sizeof text, "%u", (unsigned)zahl);
        SetFont(m->MotionRastPort, v->MapFontPtr);
        PrintText(m->MotionRastPort, 40, 2, 51, 10, text, 0, 7, 549);
    }
    if (v->Status & MAPSTATUS_GRENZEN) BlitFrontier(v, vx, vy, m->MotionRastPort, 0, 0);
    for (UWORD frame = 0; frame < obj.frames; ++frame) {
        if (Gesperrt(v) || Lies(v->X_Hex) != xh || Lies(v->Y_Hex) != yh || m->Stop) break;
        if (MotionFrameHook) MotionFrameHook(obj.grafik, frame, px, py);
        AnimObjektMask(m->MotionRastPort, 0, 0, schirm, (UWORD)px, (UWORD)py, obj.grafik, 0, frame, BILD_BREITE,
                       OBJEKT_HOEHE);
        if (MotionDelay) MotionDelay(3);
    }
}

int TheresMotionAgain(void *daten)
{
    Motion *m = (Motion *)daten;
    std::printf("TheresMotionAgain\n");
    if (m->VekMapInfoPtr->LocalPeopleMemPtr) {
        while (!m->Stop) {
            SDL_SemWait(m->MotionSemaphore);
            if (AvailMem(0x20002) > MINDEST_SPEICHER) Durchgang(m);
            ++MotionDurchgaenge;
            SDL_SemPost(m->MotionSemaphore);
            // A second between passes, cut short by a stop.
            for (int i = 0; i < 10 && !m->Stop; ++i)
                if (MotionDelay) MotionDelay(5);
        }
    }
    m->HasFinished = 1;
    std::printf("TheresMotionAgain Quit\n");
    return 0;
}

void Freigeben(Motion *m)
{
    if (m->MotionSemaphore) SDL_DestroySemaphore(m->MotionSemaphore);
    FreeVec(m->MotionRastPort);
    FreeBitMap(m->MotionBitMap);
    delete m;
}

}  // namespace

Motion *StartTheMotion(VekMapInfo *View)
{
    if (!View || AvailMem(0x20002) <= MINDEST_SPEICHER) return nullptr;
    Motion *m = new (std::nothrow) Motion;
    if (!m) {
        std::printf("StartTheMotion : Konnte Speicher nicht allokieren\n");
        return nullptr;
    }
    m->VekMapInfoPtr = View;
    const ULONG tiefe = VekDisplay.VekScreen_Tiefe > 8 ? VekDisplay.VekScreen_Tiefe : 8;
    m->MotionBitMap = AllocBitMap(BILD_BREITE, BILD_HOEHE, tiefe, 1, nullptr);
    if (!m->MotionBitMap) {
        std::printf("StartTheMotion : Konnte BitMap nicht allokieren\n");
        Freigeben(m);
        return nullptr;
    }
    m->MotionRastPort = (RastPort *)AllocVec(sizeof(RastPort), MEMF_CLEAR);
    if (!m->MotionRastPort) {
        std::printf("StartTheMotion : Konnte RastPort nicht allokieren\n");
        Freigeben(m);
        return nullptr;
    }
    InitRastPort(m->MotionRastPort);
    m->MotionRastPort->BitMap = m->MotionBitMap;
    m->MotionSemaphore = SDL_CreateSemaphore(1);
    if (!m->MotionSemaphore) {
        std::printf("StartTheMotion : Konnte Semaphore nicht anlegen...\n");
        Freigeben(m);
        return nullptr;
    }
    gMotion = m;
    m->MotionProcess = SDL_CreateThread(TheresMotionAgain, m);
    if (!m->MotionProcess) {
        std::printf("StartTheMotion : Konnte MotionProzess nicht anlegen...\n");
        gMotion = nullptr;
        Freigeben(m);
        return nullptr;
    }
    return m;
}

void StopTheMotion(Motion *M)
{
    if (!M) return;
    M->Stop = 1;
    while (!M->HasFinished) SDL_Delay(10);
    SDL_WaitThread(M->MotionProcess, nullptr);
    Motion *erwartet = M;
    gMotion.compare_exchange_strong(erwartet, nullptr);
    Freigeben(M);
}

void LockMotionProcess(Motion *M)
{
    if (!M || !M->MotionSemaphore) return;
    if (tGehalten == M) {
        // The semaphore counts, it has no owner: a second wait by its holder
        // would never end. The fault is counted and the wait left out, so the
        // player keeps a working screen; a debug build stops here.
        ++MotionDoppelteSperren;
        ++tGehaltenTiefe;
        std::printf("LockMotionProcess : Sperre vom selben Thread doppelt genommen !\n");
        assert(!"motion lock taken twice by one thread");
        return;
    }
    SDL_SemWait(M->MotionSemaphore);
    tGehalten = M;
    tGehaltenTiefe = 1;
}

void UnLockMotionProcess(Motion *M)
{
    if (!M || !M->MotionSemaphore) return;
    if (tGehalten == M && --tGehaltenTiefe > 0) return;
    if (tGehalten == M) tGehalten = nullptr;
    SDL_SemPost(M->MotionSemaphore);
}

namespace {

// The map model holds this thread off through its hooks while it rewrites
// the figure blocks.
void *NimmFigurenSperre(VekMapInfo *View) { return new (std::nothrow) MotionSperre(View); }
void LassFigurenSperre(void *Sperre) { delete static_cast<MotionSperre *>(Sperre); }
[[maybe_unused]] const bool gFigurenSperreGesetzt =
    (FigurenSperreNehmen = NimmFigurenSperre, FigurenSperreLassen = LassFigurenSperre, true);

}  // namespace

MotionSperre::MotionSperre(VekMapInfo *View) : view_(View), motion_(nullptr), alterLock_(0), gezaehlt_(false)
{
    Motion *m = gMotion.load();
    if (!View || !m || m->VekMapInfoPtr != View) return;
    gezaehlt_ = true;
    if (tSperrTiefe++ > 0) return;
    motion_ = m;
    alterLock_ = std::atomic_ref<BOOL>(View->MapLock).exchange(1);
    LockMotionProcess(m);
}

MotionSperre::~MotionSperre()
{
    if (gezaehlt_) --tSperrTiefe;
    if (!motion_) return;
    UnLockMotionProcess(motion_);
    std::atomic_ref<BOOL>(view_->MapLock).store(alterLock_);
}
