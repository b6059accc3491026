// Inside the sound code: the sound index reader, the rate conversion, the
// module table and music timing, and the rain stepper, apart from SDL so that
// tests can drive them.
#pragma once
#include <SDL/SDL_mixer.h>

#include <vector>

#include "platform/types.h"

struct Rechteck;

// Sound index: a record's sample, by effect number.
constexpr int SFX_PATH_MAX = 80;  // bytes of a sample path after the UTF-8 expansion
constexpr ULONG SFX_RATE = 22050;
constexpr unsigned long long SFX_MAX_BYTES = 64ull << 20;  // of one effect at 22,050 Hz: 25 minutes
struct SfxRecord {
    ULONG length;  // bytes of big-endian 16-bit samples
    ULONG rate;    // Hz
    char path[SFX_PATH_MAX + 1];
};
// 1 with the record; 0 after its message when the index refuses it.
int ReadSfxRecord(const UBYTE *index, ULONG size, UWORD id, SfxRecord *out);
// Host-order 16-bit samples at rate into samples at 22,050 Hz. Empty (after a
// message) when rate is 0 or the conversion would read past the last sample.
std::vector<WORD> ConvertSampleRate(const WORD *in, ULONG count, ULONG rate);
// The channel volume that SetVolume gives, 0 to 128.
int SfxVolumeFor(ULONG Volume);

// Module table.
constexpr int MODULE_SLOTS = 10;
struct Module {
    Mix_Music *module;
    ULONG handle;     // not used, 0
    ULONG frequency;  // requested rate, 11,050 to 44,200; stored only
    ULONG mode;       // the caller's mode, stored
};
extern Module activeModules[MODULE_SLOTS];
extern int modulesLoaded;
extern int modulePlayed;  // index of the playing module, -1 none

// Music timing: the thread's poll period and polls before a restart, and the
// fades. Tests shorten them.
struct MusicTiming {
    ULONG pollMs = 1000;
    ULONG restartPolls = 180;
    ULONG fadeMs = 950;
};
extern MusicTiming musicTiming;
bool MusicThreadRunning();     // a music thread has started and not yet ended
void EndMusicThread();         // signals the music thread and waits for its end
int CDDrive();                 // the options' unit, or 0 when no such drive is present
struct SDL_CD;
SDL_CD *HeldCDDrive();         // the unit kept open while it plays, or null
void ReleaseCDDrive();         // closes it (which ends its playing)

// Rain.
constexpr int RAIN_DROPS = 50;
constexpr int RAIN_LIFE = 9;          // steps of one drop
constexpr int RAIN_STREAK = 16;       // pixels of a streak
constexpr UWORD RAIN_PEN = 10;
struct RainDrop {
    WORD x, y;        // y 0: free
    UWORD count;      // steps fallen
    BOOL drawn;       // drawn at the last step
    ULONG saved[RAIN_STREAK];
};
struct RainState {
    RainDrop drops[RAIN_DROPS];
    int taking;       // slots taking part, from 0
    int nextIn;       // steps until one more slot takes part
    UWORD step;       // steps done
    UWORD dauer;      // steps in all
};
// Where the stepper draws: raw pixel values of the display or of a test's
// buffer; begin and end bracket the work on one streak, present shows a
// changed rectangle in between.
struct RainCanvas {
    void *ctx;
    ULONG pen;  // pixel value of the streak
    ULONG (*read)(void *ctx, LONG x, LONG y);
    void (*write)(void *ctx, LONG x, LONG y, ULONG value);
    void (*begin)(void *ctx);
    void (*present)(void *ctx, LONG x, LONG y, LONG w, LONG h);
    void (*end)(void *ctx);
};
// The display's drawing port as a canvas: one streak's work runs under one
// hold of the screen semaphore. False when there is no port to draw on.
struct BitMap;
struct RainDisplay {
    BitMap *bmp;
    UBYTE *data;  // while held
    LONG w, h, bpp, pitch;
    int locked;
};
bool RainDisplayCanvas(RainDisplay *disp, RainCanvas *canvas);
using RainDice = ULONG (*)(ULONG n);  // 0 to n inclusive
void RainInit(RainState *st, UWORD dauer, RainDice dice);
// One step; 1 while steps remain. Stop: jump to the last ten steps (cleared
// when taken). The list is read once by the caller and passed in.
int RainStep(RainState *st, const Rechteck *spared, const RainCanvas &canvas, RainDice dice, UWORD *stop);
bool RainSpares(const Rechteck *spared, LONG x, LONG y);  // a rectangle overlaps the streak at (x, y)
extern ULONG rainStepMs;  // wait before each step, 40
