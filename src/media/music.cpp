// Music modules played in a loop by the mixer, the music thread that owns the
// module playing (restarts it every three minutes, changes it when a screen
// asks, ends when told), and CD audio through SDL's CD-ROM calls.
#include <SDL/SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <mutex>

#include "media/sound.h"
#include "media/sound_local.h"
#include "platform/system.h"

Module activeModules[MODULE_SLOTS];
int modulesLoaded = 0;
int modulePlayed = -1;
MusicTiming musicTiming;

namespace {

// The table is changed by the music thread and the main thread; waits and
// fades happen outside the lock.
std::mutex tableLock;

SDL_sem *SemModuleThread = nullptr;  // held by the running music thread
SDL_sem *SemRestartBit = nullptr;    // value 0 tells the music thread to end
SDL_sem *wakeBit = nullptr;          // cuts the thread's poll short when it is told to end
SDL_Thread *Musik = nullptr;
std::atomic<bool> threadAlive{false};

int IndexOf(Mix_Music *m)
{
    for (int i = 0; i < modulesLoaded; ++i)
        if (activeModules[i].module == m) return i;
    return -1;
}

bool EndRequested() { return SemRestartBit && SDL_SemValue(SemRestartBit) == 0; }

Mix_Music *ThreadModule() { return std::atomic_ref<Mix_Music *>(UserSystem.SoundModulePtr).load(); }
void SetThreadModule(Mix_Music *m) { std::atomic_ref<Mix_Music *>(UserSystem.SoundModulePtr).store(m); }
bool ChangePending() { return std::atomic_ref<BOOL>(UserSystem.SoundModuleChange).load() != 0; }

enum class Outcome { End, Change, Restart };

// Polls while the module plays: end, change or restart after its polls.
Outcome Watch()
{
    ULONG polls = 0;
    for (;;) {
        if (EndRequested() || !ThreadModule()) return Outcome::End;
        if (ChangePending()) return Outcome::Change;
        SDL_SemWaitTimeout(wakeBit, musicTiming.pollMs);
        if (EndRequested() || ChangePending()) continue;
        if (++polls >= musicTiming.restartPolls) return Outcome::Restart;
    }
}

int SDLCALL SetModuleThread(void *arg)
{
    SDL_SemWait(SemModuleThread);
    const char *name = (const char *)arg;
    while (name) {
        Mix_Music *m = LoadModule(name, 0, 44200);
        if (!m) {
            std::atomic_ref<ULONG>(UserSystem.SoundStatus).fetch_and(~SOUND_FASTTRACKER);
            break;
        }
        SetThreadModule(m);
        // A screen that already asks for the next module keeps its name.
        if (!ChangePending()) std::atomic_ref<const char *>(UserSystem.SoundModuleName).store(name);
        Outcome o;
        do {
            StartModule(m);
            o = Watch();
            if (o == Outcome::Restart) StopModule(m);
        } while (o == Outcome::Restart);
        // The thread's own module goes, also when someone else cleared the pointer.
        StopModule(m);
        UnloadModule(m);
        SetThreadModule(nullptr);
        if (o == Outcome::End) break;
        // The screen wrote the name before it set the flag.
        name = std::atomic_ref<const char *>(UserSystem.SoundModuleName).load();
        std::atomic_ref<BOOL>(UserSystem.SoundModuleChange).store(0);
    }
    SDL_SemPost(SemModuleThread);
    if (SDL_SemValue(SemRestartBit) == 0) SDL_SemPost(SemRestartBit);
    threadAlive = false;
    return 0;
}

// The CD unit stays open while it plays: SDL's emulated drive ends the
// playing when its handle is closed, and offers one handle at a time.
SDL_CD *heldDrive = nullptr;

SDL_CD *OpenDrive()
{
    if (heldDrive) return heldDrive;
    // A configured unit beyond the drives present means the first.
    return SDL_CDNumDrives() > 0 ? SDL_CDOpen(CDDrive()) : nullptr;
}

void CloseDrive(SDL_CD *cd)
{
    if (cd == heldDrive) heldDrive = nullptr;
    if (cd) SDL_CDClose(cd);
}

// Opens and closes the unit, unless it is open for playing.
void TouchDrive()
{
    if (!heldDrive) CloseDrive(OpenDrive());
}

bool CDAudioOn() { return (UserSystem.SoundStatus & SOUND_CDAUDIO) == SOUND_CDAUDIO; }

}  // namespace

Mix_Music *LoadModule(const char *name, int mode, int freq)
{
    if (!name) return nullptr;
    if (freq < 11050) freq = 11050;
    if (freq > 44200) freq = 44200;
    {
        std::lock_guard<std::mutex> lock(tableLock);
        if (modulesLoaded >= MODULE_SLOTS) {
            std::printf("LoadModule: Schon %d Module geladen, %s abgewiesen\n", MODULE_SLOTS, name);
            return nullptr;
        }
    }
    Mix_Music *m = Mix_LoadMUS(name);
    if (!m) {
        std::printf("LoadModule: Konnte %s nicht laden: %s\n", name, Mix_GetError());
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(tableLock);
    if (modulesLoaded >= MODULE_SLOTS) {
        std::printf("LoadModule: Schon %d Module geladen, %s abgewiesen\n", MODULE_SLOTS, name);
        Mix_FreeMusic(m);
        return nullptr;
    }
    activeModules[modulesLoaded++] = {m, 0, (ULONG)freq, (ULONG)mode};
    return m;
}

void StartModule(Mix_Music *module)
{
    if (!module) return;
    int i;
    {
        std::lock_guard<std::mutex> lock(tableLock);
        i = IndexOf(module);
    }
    if (i < 0) return;
    if (Mix_PlayingMusic()) {
        Mix_FadeOutMusic(1);
        SDL_Delay(2);
        Mix_HaltMusic();
    }
    // The mixer counts a fade in whole buffers of about 93 ms; a shorter one
    // would leave it zero steps to divide by when the next fade-out begins.
    const int fade = musicTiming.fadeMs >= 100 ? (int)musicTiming.fadeMs : 0;
    if (Mix_FadeInMusic(module, -1, fade) == 0) {
        std::lock_guard<std::mutex> lock(tableLock);
        modulePlayed = i;
    }
}

void StopModule(Mix_Music *module)
{
    if (!module) return;
    bool playing;
    {
        std::lock_guard<std::mutex> lock(tableLock);
        const int i = IndexOf(module);
        playing = i >= 0 && i == modulePlayed;
        if (playing) modulePlayed = -1;
    }
    if (playing && Mix_PlayingMusic()) {
        Mix_FadeOutMusic((int)musicTiming.fadeMs);
        SDL_Delay(musicTiming.fadeMs);
    }
    // A fade the audio thread has not finished yet ends here.
    if (playing) Mix_HaltMusic();
}

void UnloadModule(Mix_Music *module)
{
    if (!module) return;
    {
        std::lock_guard<std::mutex> lock(tableLock);
        if (modulesLoaded == 0 || IndexOf(module) < 0) return;
    }
    StopModule(module);
    Mix_FreeMusic(module);
    std::lock_guard<std::mutex> lock(tableLock);
    int i = modulesLoaded - 1;
    while (i >= 0 && activeModules[i].module != module) --i;
    if (i < 0) return;
    for (int k = i; k + 1 < modulesLoaded; ++k) activeModules[k] = activeModules[k + 1];
    activeModules[--modulesLoaded] = {};
    if (modulePlayed > i) --modulePlayed;
}

int SetModuleVolume(Mix_Music *module, int volume)
{
    if (!module) return 0;
    Mix_VolumeMusic(volume < 0 ? 0 : volume > MIX_MAX_VOLUME ? MIX_MAX_VOLUME : volume);
    return 1;
}

bool MusicThreadRunning() { return threadAlive; }

void EndMusicThread()
{
    if (!Musik) return;
    SDL_SemWaitTimeout(SemRestartBit, 10000);
    SDL_SemPost(wakeBit);
    SDL_WaitThread(Musik, nullptr);
    Musik = nullptr;
    if (SDL_SemValue(SemRestartBit) == 0) SDL_SemPost(SemRestartBit);
    while (SDL_SemTryWait(wakeBit) == 0) {
    }
}

int SetModule(const char *Modfilename)
{
    if (!SemModuleThread) {
        SemModuleThread = SDL_CreateSemaphore(1);
        SemRestartBit = SDL_CreateSemaphore(1);
        wakeBit = SDL_CreateSemaphore(0);
        // Whatever way the program ends, the music thread ends before the
        // audio closes (handlers run in reverse: the SDL's end was set first).
        std::atexit(EndMusicThread);
    }
    EndMusicThread();
    threadAlive = true;
    Musik = SemModuleThread && SemRestartBit && wakeBit ? SDL_CreateThread(SetModuleThread, (void *)Modfilename)
                                                        : nullptr;
    if (!Musik) {
        threadAlive = false;
        std::printf("SetModule: Konnte ModuleProzess nicht anlegen...\n");
        return 0;
    }
    return 1;
}

int CDDrive()
{
    const int drives = SDL_CDNumDrives();
    const int unit = UserSystem.OP.CDDeviceUnit;
    return unit < drives ? unit : 0;
}

int PlayCDTrack(const char *, ULONG, UWORD Start, UWORD End)
{
    if (!CDAudioOn()) return 0;
    SDL_CD *cd = OpenDrive();
    if (!cd) {
        std::printf("PlayCDTrack: Konnte CDRom nicht \xF6" "ffnen!\n");
        return 0;
    }
    std::printf("PlayCDTrack: Status=%d\n", (int)SDL_CDStatus(cd));
    const int ok = End >= Start && SDL_CDPlayTracks(cd, Start, 0, End - Start + 1, 0) == 0;
    if (!ok) {
        CloseDrive(cd);
        std::printf("PlayCDTrack: failure!\n");
        return 0;
    }
    heldDrive = cd;
    return 1;
}

int StopCD(const char *, ULONG)
{
    if (!CDAudioOn()) return 0;
    SDL_CD *cd = OpenDrive();
    if (!cd) {
        std::printf("StopCD: Konnte CD nicht \xF6" "ffnen!\n");
        return 0;
    }
    SDL_CDStop(cd);
    CloseDrive(cd);
    return 1;
}

int IsCDReady(const char *, ULONG)
{
    if (!CDAudioOn()) return 1;
    TouchDrive();
    return 0;
}

int IsCD(const char *, ULONG)
{
    TouchDrive();
    return 0;
}

SDL_CD *HeldCDDrive() { return heldDrive; }

void ReleaseCDDrive() { CloseDrive(heldDrive); }

int SetCDVolume(UBYTE)
{
    std::printf("SetCDVolume: SDL unterstuetzt dies leider noch nicht.\n");
    return 0;
}
