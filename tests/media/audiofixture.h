// Sound tests: the mixer opened as start-up opens it, on a chosen SDL audio
// driver, with every sound bit offered; the sound state put back afterwards.
#pragma once
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

#include <cstdlib>
#include <string>

#include "media/sound.h"
#include "media/sound_local.h"
#include "platform/system.h"

namespace vektest {

class Mixer {
public:
    // driver "dummy" or "disk" (then file receives the PCM); extraEnv pairs are
    // set before SDL starts (the emulated CD drive reads its folder then).
    explicit Mixer(const char *driver = "dummy", const std::string &file = "",
                   const char *envName = nullptr, const std::string &envValue = "")
    {
        oldDriver_ = getenv("SDL_AUDIODRIVER") ? getenv("SDL_AUDIODRIVER") : "";
        setenv("SDL_AUDIODRIVER", driver, 1);
        if (!file.empty()) setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        if (envName) setenv(envName, envValue.c_str(), 1);
        envName_ = envName;
        ok_ = SDL_Init(SDL_INIT_AUDIO | SDL_INIT_CDROM) == 0 && Mix_OpenAudio(22050, AUDIO_S16LSB, 1, 2048) == 0;
        if (ok_) Mix_AllocateChannels(16);
        UserSystem.SoundMask = 0xFF;
        UserSystem.SoundStatus = 0xFF;
        UserSystem.CachePath = 0;
        timing_ = musicTiming;
    }
    ~Mixer()
    {
        ExitSoundEnv();
        musicTiming = timing_;
        UserSystem.SoundStatus = 0;
        UserSystem.SoundModuleName = nullptr;
        UserSystem.SoundModuleChange = 0;
        if (Mix_QuerySpec(nullptr, nullptr, nullptr)) Mix_CloseAudio();
        SDL_Quit();
        if (envName_) unsetenv(envName_);
        unsetenv("SDL_DISKAUDIOFILE");
        setenv("SDL_AUDIODRIVER", oldDriver_.c_str(), 1);
    }
    Mixer(const Mixer &) = delete;
    Mixer &operator=(const Mixer &) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
    std::string oldDriver_;
    const char *envName_ = nullptr;
    MusicTiming timing_;
};

// Waits up to ms for cond, checking every millisecond.
template <class F> bool WaitFor(F cond, int ms = 3000)
{
    for (int i = 0; i < ms; ++i) {
        if (cond()) return true;
        SDL_Delay(1);
    }
    return cond();
}

}  // namespace vektest
