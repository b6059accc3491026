// Sound effects by number, the sound environment, music modules with their
// music thread, CD audio and the rain over a screen: what the screens call.
#pragma once
#include <SDL/SDL_mixer.h>

#include "platform/types.h"

struct Rechteck;
struct SDL_Thread;

// Sound bits, alike in the options' SoundBits and in SoundMask and SoundStatus.
constexpr ULONG SOUND_16BIT = 0x01;
constexpr ULONG SOUND_WAVETABLE = 0x02;
constexpr ULONG SOUND_CDROMSOUND = 0x04;
constexpr ULONG SOUND_FASTTRACKER = 0x08;
constexpr ULONG SOUND_SOUNDFX = 0x10;
constexpr ULONG SOUND_MUSIC = 0x20;
constexpr ULONG SOUND_CD_VOLUME = 0x40;
constexpr ULONG SOUND_SFX_VOLUME = 0x80;
constexpr ULONG SOUND_MODULES = SOUND_16BIT | SOUND_FASTTRACKER | SOUND_MUSIC;  // 0x29
constexpr ULONG SOUND_CDAUDIO = SOUND_CDROMSOUND | SOUND_MUSIC;                 // 0x24

// Sound environment. Flags 0 means the options' SoundBits. 1 when ready, else
// the result of loading effect 1.
int InitSoundEnv(ULONG Flags, const char *Modfilename);
// Halts every channel, frees every effect, stops the CD and ends the music thread.
void ExitSoundEnv();

// Effects. OpenKavorSfx: 1 when loaded or effects are off, 0 when refused
// (the slot stays free).
int OpenKavorSfx(const char *Path, UWORD SfxID);
void CloseKavorSfx(UWORD SfxID);
int SfxPlayer(UWORD SfxID, ULONG Frequency, int LoopSound);  // 1 when started; Frequency not used
void StopSfx(UWORD SfxID);
int IsSfxReady(UWORD SfxID);  // 0 while the effect still plays on its channel
// Values from 0x10000 carry 0-8 in bits 16-20; smaller ones are the old scale.
void SetVolume(ULONG Volume);

// Music modules. LoadModule: null when the file does not load or ten modules are held.
Mix_Music *LoadModule(const char *name, int mode, int freq);
void StartModule(Mix_Music *module);   // fades in, looping
void StopModule(Mix_Music *module);    // fades out when it plays
void UnloadModule(Mix_Music *module);  // fades out and frees
int SetModuleVolume(Mix_Music *module, int volume);  // 0 for null, else 1
// Ends a running music thread and starts one for the module. 1 when started.
int SetModule(const char *Modfilename);

// CD audio on the options' unit; device and unit arguments play no part.
int PlayCDTrack(const char *device, ULONG unit, UWORD Start, UWORD End);  // 1 when playing started
int StopCD(const char *device, ULONG unit);
int IsCDReady(const char *device, ULONG unit);  // 1 when CD sound or music is off, else 0
int IsCD(const char *device, ULONG unit);       // opens and closes the unit; 0
int SetCDVolume(UBYTE volume);                  // not supported; 0

// Rain over the display. The spared rectangles end with X0 0xFFFF and must
// live until the rain has finished; the owner may replace RechteckPtr.
struct Rain {
    UWORD Stop;                // set by the owner
    UWORD HasFinished;         // set by the rain thread at its end
    UWORD Dauer;               // steps
    Rechteck *RechteckPtr;     // spared rectangles, or null
    SDL_Thread *Garrulously;   // the rain thread
};
Rain *StartTheRain(UWORD Dauer, Rechteck *Spared);  // null when no memory
BOOL ItsStillRaining(Rain *rain);
void StopTheRain(Rain *rain);  // stops, waits for the thread and frees the handle
