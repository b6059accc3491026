// The global system and player records, start-up, the SDL set-up and the
// orderly and fatal ends of the program.
#pragma once
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include "platform/memfile.h"
#include "platform/prefs.h"

struct RastPort;
struct VekChannel;
struct LocStr;

constexpr int SFX_SLOTS = 38;

// Sound-effect state; its first field is the master sound switch. A slot is
// free while its effect number is 0; the mixer chunk's sample data belongs to
// the slot.
struct SfxSound {
    BOOL IsEnabled;
    int SfxOnChannel[SFX_SLOTS];       // mixer channel of the slot's last playback, -1 none
    Mix_Chunk *SampleSlots[SFX_SLOTS];  // null when free
    ULONG SfxIdOnSlot[SFX_SLOTS];      // effect number held, 0 when free
    ULONG SfxLength[SFX_SLOTS];        // bytes of sample data
};

struct st_Display {
    UWORD VekScreen;               // background picture last opened; 3 while the map is shown
    UWORD VekScreen_Breite;        // display width, default 640
    UWORD VekScreen_Hoehe;         // display height, default 480
    UWORD VekScreen_Tiefe;         // bits per pixel: 8, 16 or 32
    ULONG VekScreen_ScreenID;      // screen mode number
    UWORD VekScreen_ScreenFormat;  // pixel format code of the work surfaces
    UWORD VekScreen_ViewMode;      // 1 colour table, 2 high colour
    BOOL VekScreen_GLMode;         // always 0
    BOOL VekScreen_Window;         // 1 window, 0 full screen
    BOOL VekScreen_FadeIn;
    BOOL VekScreen_DBFlag;
    RastPort *RastPort_;           // the display's drawing port
};

struct PcSystem {
    SfxSound Sfx;
    char TCPIP_ID;
    OptionenPrefs OP;
    Mix_Music *SoundModulePtr;
    const char *SoundModuleName;
    BOOL SoundModuleChange;
    ULONG SoundMask;               // sound capabilities found at start
    ULONG SoundStatus;             // SoundMask AND OP.SoundBits
    ULONG VekFlags;                // bit 0 options rebuilt this start, bit 1 online
    st_Display *Display;
    char WindowsTyp[100];
    char Version[100];
    char ProzIdentifier[50];
    char ProzVendor[50];
    char RegOrg[50];
    char RegOwner[50];
    BOOL CachePath;                // both index files loaded
    char *GfxPathPtr;              // ./Data/Path in memory
    char *SfxPathPtr;              // ./Data/SfxPath in memory
    ULONG GfxPathLength;           // bytes behind GfxPathPtr
    ULONG SfxPathLength;           // bytes behind SfxPathPtr
};

struct st_PlayerInfo {
    ULONG SpielerID;
    char Spielname[40];
    char Email[40];
    ULONG AktStadtID;
    ULONG Spielstopp;
    ULONG RestRunden;
    UWORD Event;                   // 1 coronation due, 2 last run did not end cleanly
    UWORD Misc;
    ULONG TurnTime;
    UWORD TryRecvTurn;
    UWORD Quartal;
    BOOL TurnChecked;
    char ForumURL[80];
    char ForumServer[40];
};

constexpr ULONG VEKFLAG_OPTIONS_REBUILT = 0x1;
constexpr ULONG VEKFLAG_ONLINE = 0x2;
constexpr int GFX_CACHE_SLOTS = 1615;
constexpr int SFX_CACHE_SLOTS = 197;
constexpr int TICK_EVENT = 2000;
constexpr int CURSOR_BLINK_EVENT = 2004;

extern const char Version[];
extern PcSystem UserSystem;
extern PcSystem *const UserSystemPtr;
extern st_Display VekDisplay;
extern st_PlayerInfo PlayerInfo;
extern st_PlayerInfo *const PlayerInfoPtr;
extern LONG currentScreenID;
extern ULONG bScreenFadeInDeactivate;
extern VekChannel *GChannelPtr;
extern const LocStr **GlobalRoredIdezTab;

extern APTR GfxCacheArray[GFX_CACHE_SLOTS];
extern APTR SfxCacheArray[SFX_CACHE_SLOTS];

// Upper subsystems register their release routines here so that the fatal
// path can reach them without the platform depending on them.
extern void (*FreeMovieBaseHook)();
extern void (*ScreenSemaphoreExitHook)();
extern void (*ExitSDLHook)();  // set once SDL is opened, so the fatal path can close it

// Steps of SetupSystem that belong to upper subsystems; main registers them.
struct SetupHooks {
    int (*ReadReceivedPoolInfo)();     // PlayerInfo Misc, RestRunden, Quartal from the received pool
    int (*EnsureTownFiles)();          // town list and a valid town file when a game is set up
    int (*IsCD)();                     // 1 when a CD drive answers
};
extern SetupHooks SetupSystemHooks;  // destroys the game screen semaphore when the screen exists

// Start-up steps of main, in their order.
void SetDefaults();                                   // 640 x 480 x 8, full screen, sound on
void PrintBanner();
int CheckByteOrder();                                 // 1 when the host has this build's byte order
int ReadVekCfg(const char *path);                     // 1 valid or absent, 0 refused (message printed)
int ParseArguments(int argc, char **argv, int *exitStatus);  // 1 go on, 0 end with *exitStatus

int OpenLibraries();                                  // 0
void CloseLibraries();                                // closes SDL through ExitSDLHook
void CheckSystem();
int SetupSystem();                                    // 1 when game name and e-mail were read
void ExitSystem();
void MakeRoredIdezTab();
void FreeRoredIdezTab();
void FreeCache(int mode);                             // bit 0 graphics, bit 1 sound
int Copy2SfxCache(int id, ULONG size, const void *address);

[[noreturn]] void Error(const char *text, ...) __attribute__((format(printf, 1, 2)));
void ShutdownSystem();
void DOutput(const char *text);
void Output(const char *text, ...);
void InitDebugConsole();
void ExitDebugConsole();

// Stand-in for a screen that is not built yet: says so and returns next.
LONG ScreenNotBuilt(const char *name, LONG next);
