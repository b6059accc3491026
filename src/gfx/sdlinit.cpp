// Opening and closing SDL: display, work surfaces, pointer, audio, timers.
#include <SDL/SDL_net.h>

#include "gfx/sdlinit.h"
#include "gfx/palette.h"
#include "platform/pointer.h"
#include "platform/system.h"

SDL_Surface *SDLViewSurface = nullptr;
SDL_Surface *PrimaryScreen = nullptr;
SDL_Surface *BobScreen = nullptr;
SDL_Surface *BobScreen2 = nullptr;
SDL_Surface *DBScreen = nullptr;
SDL_Surface *MousePointer = nullptr;
SDL_Surface *MousePointerCopy = nullptr;
SDL_Cursor *SystemCursor = nullptr;
SDL_TimerID TickTimer = nullptr;
SDL_TimerID CursorBlinkTimer = nullptr;

namespace {

bool sdlOpen = false;

struct Masks {
    Uint32 r, g, b;
};

Masks MasksFor(int depth)
{
    if (depth == 16) return {0xF800, 0x07E0, 0x001F};
    return {0xFF0000, 0x00FF00, 0x0000FF};
}

// A work surface of the display depth, converted to the display format.
SDL_Surface *WorkSurface(int w, int h, int depth)
{
    const Masks m = MasksFor(depth);
    SDL_Surface *raw = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, depth, m.r, m.g, m.b, 0);
    if (!raw) return nullptr;
    SDL_Surface *conv = SDL_DisplayFormat(raw);
    SDL_FreeSurface(raw);
    if (conv) SDL_SetPalette(conv, SDL_LOGPAL | SDL_PHYSPAL, KavoriaPalette, 0, 256);
    return conv;
}

void FreeSurface(SDL_Surface *&s)
{
    if (s) SDL_FreeSurface(s);
    s = nullptr;
}

}  // namespace

Uint32 GETKEY_TIMEVAL_TimerCallback(Uint32 interval, void *)
{
    SDL_Event ev{};
    ev.type = SDL_USEREVENT;
    ev.user.code = TICK_EVENT;
    SDL_PushEvent(&ev);
    return interval;
}

int initSDL()
{
    std::printf("InitalizeSDL(): start\n");
    std::printf("InitalizeSDL(): calling SDL_Init()\n");
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_CDROM) < 0) {
        std::printf("SDL_Init() failed with: %s\n", SDL_GetError());
        std::exit(1);
    }
    sdlOpen = true;
    ExitSDLHook = exitSDL;
    std::printf("SDL_Init() done!\n");
    if (SDLNet_Init() < 0) {
        std::printf("SDL_Init() failed with: %s\n", SDLNet_GetError());
        return 0;
    }

    st_Display &d = VekDisplay;
    Uint32 flags = SDL_HWSURFACE | SDL_HWPALETTE | (d.VekScreen_Window ? 0 : SDL_FULLSCREEN);
    SDLViewSurface = SDL_SetVideoMode(d.VekScreen_Breite, d.VekScreen_Hoehe, d.VekScreen_Tiefe, flags);
    if (!SDLViewSurface) {
        std::printf("SDL_SetVideoMode() failed with: %s\n", SDL_GetError());
        return 0;
    }

    if (SDL_Surface *icon = SDL_LoadBMP("./Pics/icon.chk")) {
        SDL_SetColorKey(icon, SDL_SRCCOLORKEY, SDL_MapRGB(icon->format, 0, 0, 0));
        SDL_WM_SetIcon(icon, nullptr);
        SDL_FreeSurface(icon);
    } else {
        std::printf("initSDL: Couldn't load %s!\n", "./Pics/icon.chk");
    }
    SDL_WM_SetCaption("Kavoria", "Kavoria");

    SDL_SetPalette(SDLViewSurface, SDL_LOGPAL | SDL_PHYSPAL, KavoriaPalette, 0, 256);
    BobScreen = SDLViewSurface;
    if ((SystemCursor = GetSDLMouse())) SDL_SetCursor(SystemCursor);

    if (d.VekScreen_Tiefe == 8) {
        d.VekScreen_ViewMode = 1;
        d.VekScreen_ScreenFormat = 1;
    } else {
        d.VekScreen_ViewMode = 2;
        d.VekScreen_ScreenFormat = d.VekScreen_Tiefe == 16 ? 32 : 2048;
    }
    d.VekScreen_GLMode = 0;
    d.VekScreen_Window = (SDLViewSurface->flags & SDL_FULLSCREEN) ? 0 : 1;

    if (d.VekScreen_Tiefe > 8) {
        PrimaryScreen = SDLViewSurface;
        BobScreen = WorkSurface(640, 480, d.VekScreen_Tiefe);
        BobScreen2 = BobScreen ? WorkSurface(640, 480, d.VekScreen_Tiefe) : nullptr;
        DBScreen = BobScreen2 ? WorkSurface(d.VekScreen_Breite, d.VekScreen_Hoehe, d.VekScreen_Tiefe) : nullptr;
        if (!BobScreen || !BobScreen2 || !DBScreen) {
            std::printf("InitializeSDL(): no work surface due to <%s>\n", SDL_GetError());
            return 0;
        }
    }

    SDL_Surface *pointer = SDL_LoadBMP("./Pics/CursorSDL.chk");
    if (pointer) {
        SDL_SetColorKey(pointer, SDL_SRCCOLORKEY, SDL_MapRGB(pointer->format, 255, 255, 255));
        MousePointer = SDL_DisplayFormatAlpha(pointer);
        if (MousePointer) {
            const Masks m = MasksFor(d.VekScreen_Tiefe);
            SDL_Surface *raw = SDL_CreateRGBSurface(SDL_SWSURFACE, MousePointer->w, MousePointer->h,
                                                    d.VekScreen_Tiefe, m.r, m.g, m.b, 0);
            if (raw) {
                MousePointerCopy = SDL_DisplayFormat(raw);
                SDL_FreeSurface(raw);
            }
        }
        SDL_FreeSurface(pointer);
    }
    if (!MousePointer || !MousePointerCopy) {
        std::printf("InitializeSDL(): no mouse surface due to <%s>\n", SDL_GetError());
        return 0;
    }

    SDL_WarpMouse(d.VekScreen_Breite / 2 - 16, d.VekScreen_Hoehe / 2 - 13);
    SDL_EnableKeyRepeat(500, 30);
    SDL_EnableUNICODE(1);

    UserSystem.SoundMask = 0;
    if (UserSystem.Sfx.IsEnabled) {
        std::printf("InitalizeSDL(): call Mix_AudioOpen()\n");
        if (Mix_OpenAudio(22050, AUDIO_S16LSB, 1, 2048) == 0) {
            std::printf("Mix_OpenAudio() is ok!\n");
            Mix_AllocateChannels(16);
            UserSystem.SoundMask |= 0x91;
        } else {
            std::printf("Mix_OpenAudio() failed with: %s\n", Mix_GetError());
        }
    }
    UserSystem.SoundStatus = UserSystem.SoundMask & UserSystem.OP.SoundBits;

    TickTimer = SDL_AddTimer(100, GETKEY_TIMEVAL_TimerCallback, nullptr);
    std::printf("InitalizeSDL(): End!\n");
    return 1;
}

void exitSDL()
{
    if (CursorBlinkTimer) SDL_RemoveTimer(CursorBlinkTimer);
    if (TickTimer) SDL_RemoveTimer(TickTimer);
    CursorBlinkTimer = TickTimer = nullptr;
    if (SystemCursor) SDL_FreeCursor(SystemCursor);
    SystemCursor = nullptr;
    FreeSurface(DBScreen);
    if (BobScreen == SDLViewSurface) BobScreen = nullptr;
    FreeSurface(BobScreen);
    FreeSurface(BobScreen2);
    FreeSurface(MousePointer);
    FreeSurface(MousePointerCopy);
    PrimaryScreen = SDLViewSurface = nullptr;
    if (ScreenSemaphoreExitHook) ScreenSemaphoreExitHook();
    if (!sdlOpen) return;
    sdlOpen = false;
    if (Mix_QuerySpec(nullptr, nullptr, nullptr)) Mix_CloseAudio();
    SDLNet_Quit();
    SDL_Quit();
}
