// SDL set-up: the subsystems, the video mode with its surfaces, the pointer,
// the audio device and the 100 ms tick; and its orderly end.
#pragma once
#include <SDL/SDL.h>

int initSDL();   // 1 or 0
void exitSDL();  // idempotent
Uint32 GETKEY_TIMEVAL_TimerCallback(Uint32 interval, void *param);

// The display and the work surfaces above 8 bits, the pointers and timers.
extern SDL_Surface *SDLViewSurface;
extern SDL_Surface *PrimaryScreen;
extern SDL_Surface *BobScreen;
extern SDL_Surface *BobScreen2;
extern SDL_Surface *DBScreen;
extern SDL_Surface *MousePointer;
extern SDL_Surface *MousePointerCopy;
extern SDL_Cursor *SystemCursor;
extern SDL_TimerID TickTimer;
extern SDL_TimerID CursorBlinkTimer;
