// Global records, the start-up steps before SDL, system information and the
// orderly and fatal ends.
#include "platform/system.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/catalog.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/pointer.h"

const char Version[] = "$VER: vekclient V0.58Z1 (Nov 26 2010/19:02:27)";

PcSystem UserSystem;
PcSystem *const UserSystemPtr = &UserSystem;
st_Display VekDisplay;
st_PlayerInfo PlayerInfo;
st_PlayerInfo *const PlayerInfoPtr = &PlayerInfo;
LONG currentScreenID = 2;
ULONG bScreenFadeInDeactivate = 0;
VekChannel *GChannelPtr = nullptr;
const LocStr **GlobalRoredIdezTab = nullptr;
APTR GfxCacheArray[GFX_CACHE_SLOTS];
APTR SfxCacheArray[SFX_CACHE_SLOTS];
void (*FreeMovieBaseHook)() = nullptr;
void (*ScreenSemaphoreExitHook)() = nullptr;
void (*ExitSDLHook)() = nullptr;
SetupHooks SetupSystemHooks{};

void SetDefaults()
{
    VekDisplay.VekScreen_Breite = 640;
    VekDisplay.VekScreen_Hoehe = 480;
    VekDisplay.VekScreen_Tiefe = 8;
    VekDisplay.VekScreen_Window = 0;
    UserSystem.Sfx.IsEnabled = 1;
    UserSystem.Display = &VekDisplay;
}

void PrintBanner()
{
    const std::string dashes(57, '-');
    std::printf("%s\n| Kavoria Version: %s (DEBUG)\n%s\n", dashes.c_str(), Version, dashes.c_str());
}

int CheckByteOrder()
{
    const UWORD probe = 0xDDEE;
    UBYTE first;
    std::memcpy(&first, &probe, 1);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    if (first == 0xDD) return 1;
    std::printf("Kavoria kann nicht mit diesem Betriebssystem ausgefuehrt werden. Bitte starten Sie die Vek "
                "Little Endian Version.\n\nIt's not possible to start Vek with this operating system. Please "
                "start the Vek little endian version.\n");
#else
    if (first == 0xEE) return 1;
    std::printf("Kavoria kann nicht mit diesem Betriebssystem ausgefuehrt werden. Bitte starten Sie die Vek "
                "Big Endian Version.\n\nIt's not possible to start Vek with this operating system. Please "
                "start the Vek big endian version.\n");
#endif
    return 0;
}

namespace {

constexpr size_t CFG_LINE_MAX = 498;

void ApplyCfgLine(const std::string &line)
{
    auto starts = [&](const char *key) { return line.compare(0, std::strlen(key), key) == 0; };
    auto rest = [&](const char *key) { return line.substr(std::strlen(key)); };
    if (starts("width=")) {
        std::string v = rest("width=");
        VekDisplay.VekScreen_Breite = (UWORD)std::strtol(v.c_str(), nullptr, 10);
        std::printf("Screen: Breite=%s\n", v.c_str());
    } else if (starts("height=")) {
        std::string v = rest("height=");
        VekDisplay.VekScreen_Hoehe = (UWORD)std::strtol(v.c_str(), nullptr, 10);
        std::printf("Screen: Hoehe=%s\n", v.c_str());
    } else if (starts("depth=")) {
        std::string v = rest("depth=");
        VekDisplay.VekScreen_Tiefe = (UWORD)std::strtol(v.c_str(), nullptr, 10);
        std::printf("Screen: Tiefe=%s\n", v.c_str());
    } else if (starts("window=")) {
        std::string v = rest("window=");
        std::printf("Screen: Window=%s\n", v.c_str());
        if (v == "on") VekDisplay.VekScreen_Window = 1;
    } else if (starts("fading=")) {
        std::string v = rest("fading=");
        std::printf("Screen: Fading=%s\n", v.c_str());
        if (v == "off") bScreenFadeInDeactivate = 1;
    }
}

int ValidateDisplay()
{
    const UWORD w = VekDisplay.VekScreen_Breite, h = VekDisplay.VekScreen_Hoehe, d = VekDisplay.VekScreen_Tiefe;
    if (d == 8) {
        if (w == 640 && h == 480) return 1;
        std::printf("8Bit: Es wird leider nur die Aufloesung von 640x480 in 8 Bit unterstuetzt.\n"
                    "8Bit: Only 640x480 is supported.\n");
        return 0;
    }
    if (d == 16 || d == 32) {
        if (w >= 800 && h >= 600) return 1;
        std::printf("%iBit: Bitte verwenden Sie eine Aufl\366sung groesser/gleich 800x600.\n"
                    "%iBit: Please use a screen size equal or greater then 800x600.\n", d, d);
        return 0;
    }
    std::printf("Bitte verwenden Sie eine Farbtiefe von 8/16 oder 32 Bit.\n"
                "Please use a screen depth with 8/16 or 32 bit.\n");
    return 0;
}

void PrintUsage(const char *program)
{
    std::printf("Syntax:\n%s [-nosound] [-window]\n\n"
                "-help     prints this page\n"
                "-nosound  deactivates sounds\n"
                "-update   shows download screen\n"
                "-version  prints version information\n"
                "-window   enable window mode\n"
                "-w        same as -window\n\n",
                program);
}

}  // namespace

int ReadVekCfg(const char *path)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f) return 1;
    std::printf("Main: ./vek.cfg ok\n");
    std::string line;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c == '\n') {
            ApplyCfgLine(line);
            line.clear();
        } else if (c != ' ' && line.size() < CFG_LINE_MAX) {
            line.push_back((char)c);
        }
    }
    std::fclose(f);  // a last line without a line feed is not a line
    return ValidateDisplay();
}

int ParseArguments(int argc, char **argv, int *exitStatus)
{
    for (int i = 0; i < argc; ++i) {
        const char *a = argv[i];
        if (!std::strcmp(a, "-window") || !std::strcmp(a, "-w")) {
            VekDisplay.VekScreen_Window = 1;
        } else if (!std::strcmp(a, "-classic")) {
            VekDisplay.VekScreen_Breite = 640;
            VekDisplay.VekScreen_Hoehe = 480;
            VekDisplay.VekScreen_Tiefe = 8;
            VekDisplay.VekScreen_Window = 1;
        } else if (!std::strcmp(a, "-nosound")) {
            UserSystem.Sfx.IsEnabled = 0;
        } else if (!std::strcmp(a, "-version")) {
            std::printf("\n%s\n", Version);
            *exitStatus = 0;
            return 0;
        } else if (!std::strcmp(a, "-update")) {
            currentScreenID = 61;
            VekDisplay.VekScreen_Breite = 640;
            VekDisplay.VekScreen_Hoehe = 480;
            VekDisplay.VekScreen_Tiefe = 8;
            VekDisplay.VekScreen_Window = 1;
        } else if (!std::strcmp(a, "-help")) {
            PrintUsage(argv[0]);
            *exitStatus = 0;
            return 0;
        } else if (i > 0) {
            PrintUsage(argv[0]);
            *exitStatus = 1;  // a wrong argument is a refusal, not a success
            return 0;
        }
    }
    return 1;
}

void CheckSystem()
{
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    std::snprintf(UserSystem.ProzIdentifier, sizeof UserSystem.ProzIdentifier, "BIGENDIAN");
    std::snprintf(UserSystem.ProzVendor, sizeof UserSystem.ProzVendor, "PPC");
#else
    std::snprintf(UserSystem.ProzIdentifier, sizeof UserSystem.ProzIdentifier, "LITTLEENDIAN");
    std::snprintf(UserSystem.ProzVendor, sizeof UserSystem.ProzVendor, "x86");
#endif
    std::snprintf(UserSystem.Version, sizeof UserSystem.Version, "Version LINUX");
    std::snprintf(UserSystem.WindowsTyp, sizeof UserSystem.WindowsTyp, "LINUX");
    std::snprintf(UserSystem.RegOrg, sizeof UserSystem.RegOrg, "UNKNOWN");
    std::snprintf(UserSystem.RegOwner, sizeof UserSystem.RegOwner, "UNKNOWN");
    std::printf("----------------------\nSystem\nProzessor    :   %s\nHersteller   :   %s\nOS\n"
                "Windows-Typ  :   %s\nSDL\n",
                UserSystem.ProzIdentifier, UserSystem.ProzVendor, UserSystem.WindowsTyp);
    if (const SDL_version *v = SDL_Linked_Version())
        std::printf("SDL          :   %u.%u.%u\n", v->major, v->minor, v->patch);
    if (const SDL_version *v = Mix_Linked_Version())
        std::printf("SDL_Mixer    :   %u.%u.%u\n", v->major, v->minor, v->patch);
    if (UserSystem.Sfx.IsEnabled) UserSystem.SoundMask |= 0x6D;
}

int SetupSystem()
{
    if (!std::strcmp(GetSysLanguage(), "German")) OpenGlobalCatalog();

    // Options: a missing or short file is rebuilt from the defaults and read back.
    UserSystem.VekFlags &= ~VEKFLAG_OPTIONS_REBUILT;
    if (!OptionenPrefsLoad()) {
        OptionPrefsDefault();
        if (!OptionenPrefsSave()) {
            std::printf("SetupSystem:000\n");
            return 0;
        }
        if (!OptionenPrefsLoad()) {
            std::printf("SetupSystem:001\n");
            return 0;
        }
    }

    GetMouse(UserSystem.OP.ColorCursor ? "./Pics/SDLCursor01.chk" : "./Pics/SDLCursor02.chk");

    UserSystem.TCPIP_ID = (char)UserSystem.OP.TCPIP_ID;
    if (SetupSystemHooks.IsCD && SetupSystemHooks.IsCD()) UserSystem.SoundMask |= 4;

    ULONG value = 0;
    PlayerInfo.SpielerID = CheckPrefsRead(9, &value) ? value : 0;

    if (SetupSystemHooks.ReadReceivedPoolInfo && Lock("./Data/POP3In/GameChunk.vek", ACCESS_READ))
        SetupSystemHooks.ReadReceivedPoolInfo();
    if (SetupSystemHooks.EnsureTownFiles && CheckPrefsRead(0, &value) && value == 2)
        SetupSystemHooks.EnsureTownFiles();

    // Graphics and sound index into memory.
    ExitSystem();
    ULONG gfxLen = GetFileSize("./Data/Path"), sfxLen = GetFileSize("./Data/SfxPath");
    UserSystem.GfxPathPtr = (char *)LoadFile2Mem("./Data/Path", MEMF_CLEAR);
    UserSystem.SfxPathPtr = (char *)LoadFile2Mem("./Data/SfxPath", MEMF_CLEAR);
    UserSystem.GfxPathLength = UserSystem.GfxPathPtr ? gfxLen : 0;
    UserSystem.SfxPathLength = UserSystem.SfxPathPtr ? sfxLen : 0;
    UserSystem.CachePath = UserSystem.GfxPathPtr && UserSystem.SfxPathPtr;

    // Game name and e-mail address; the record's fields keep 39 characters and the NUL.
    int result = 1;
    char *text = CheckPrefsReadText(10);
    if (text) {
        std::snprintf(PlayerInfo.Spielname, sizeof PlayerInfo.Spielname, "%s", text);
        FreeVec(text);
    } else {
        std::printf("SetupSystem:002\n");
        result = 0;
    }
    text = CheckPrefsReadText(8);
    if (!text) {
        std::printf("SetupSystem:003\n");
        return 0;
    }
    std::snprintf(PlayerInfo.Email, sizeof PlayerInfo.Email, "%s", text);
    FreeVec(text);
    return result;
}

void ExitSystem()
{
    FreeVec(UserSystem.GfxPathPtr);
    FreeVec(UserSystem.SfxPathPtr);
    UserSystem.GfxPathPtr = nullptr;
    UserSystem.SfxPathPtr = nullptr;
    UserSystem.GfxPathLength = UserSystem.SfxPathLength = 0;
    UserSystem.CachePath = 0;
}

constexpr int STORY_COUNT = 45;

void MakeRoredIdezTab()
{
    GlobalRoredIdezTab = (const LocStr **)AllocVec(STORY_COUNT * sizeof(LocStr *), MEMF_CLEAR);
    for (int id = 0; id < STORY_COUNT; ++id)
        for (const LocStr &s : RoredIdezStrings)
            if (s.ID == id) GlobalRoredIdezTab[id] = &s;
}

void FreeRoredIdezTab()
{
    FreeVec((APTR)GlobalRoredIdezTab);
    GlobalRoredIdezTab = nullptr;
}

void FreeCache(int mode)
{
    if (mode & 1)
        for (APTR &slot : GfxCacheArray) {
            FreeVec(slot);
            slot = nullptr;
        }
    if (mode & 2)
        for (APTR &slot : SfxCacheArray) {
            FreeVec(slot);
            slot = nullptr;
        }
}

int Copy2SfxCache(int id, ULONG size, const void *address)
{
    // Copies are kept only when memory is plentiful (7 x free memory above 50,000,009 bytes).
    const unsigned long long avail = AvailMem(0);
    if (id <= 1 || id > SFX_CACHE_SLOTS || !address || size == 0 || avail * 7ull <= 50000009ull) return 0;
    FreeVec(SfxCacheArray[id - 1]);
    SfxCacheArray[id - 1] = AllocVec(size, 0);
    CopyMem(address, SfxCacheArray[id - 1], size);
    return 0;
}

void ShutdownSystem()
{
    std::printf("%s\n", std::string(89, '#').c_str());
    std::printf("SHUTDOWN SHUTDOWN SHUTDOWN SHUTDOWN SHUTDOWN SHUTDOWN SHUTDOWN SHUTDOWN SHUTDOWN SHUTDOWN\n");
    if (FreeMovieBaseHook) FreeMovieBaseHook();
    ExitSystem();
    CloseGlobalCatalog();
    CloseLibraries();
    std::printf("MemAllocatedCounter %u\n", MemAllocatedCounter.load());
    std::printf("MemFreedCounter     %u\n", MemFreedCounter.load());
}

void Error(const char *text, ...)
{
    std::printf("FATAL ERROR.");
    if (text) {
        std::printf(" ");
        va_list ap;
        va_start(ap, text);
        std::vprintf(text, ap);
        va_end(ap);
    }
    std::printf("\n");
    std::fflush(stdout);
    ShutdownSystem();
    std::fflush(stdout);
    std::exit(1);
}

void DOutput(const char *text)
{
    if (text) std::fputs(text, stdout);
}

void Output(const char *text, ...)
{
    if (!text) return;
    std::fputs(text, stdout);
    std::FILE *f = std::fopen("Orvel.dbg", "ab");
    if (!f) return;
    va_list ap;
    va_start(ap, text);
    std::vfprintf(f, text, ap);
    va_end(ap);
    std::fputs("\r\n", f);
    std::fclose(f);
}

void InitDebugConsole() {}
void ExitDebugConsole() {}

LONG ScreenNotBuilt(const char *name, LONG next)
{
    std::printf("%s: noch nicht eingebaut\n", name);
    return next;
}

int OpenLibraries() { return 0; }

void CloseLibraries()
{
    if (ExitSDLHook) ExitSDLHook();  // idempotent: SDL is closed again at exit
}
