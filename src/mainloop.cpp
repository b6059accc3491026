#include "mainloop.h"

#include <cstdio>
#include <cstdlib>

#include "frontend/frontend.h"
#include "map/kartenscreen.h"
#include "world/towns.h"
#include "media/media.h"
#include "media/movie.h"
#include "platform/memfile.h"
#include "store/store.h"
#include "turn/turn.h"
#include "ui/input.h"
#include "map/map.h"
#include "military/military.h"
#include "net/net.h"
#include "online/online.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "frontend/titelscreen.h"
#include "gfx/gfxnumber.h"
#include "platform/endsignal.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "ui/gadgets.h"
#include "world/okjournal.h"
#include "gfx/sdlinit.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "town/town.h"

namespace {

// The chat panel draws over the screen; these screens need the whole of it.
LONG WithoutChatPanel(LONG (*screen)())
{
    Send2IRCPanel(2);
    LONG next = screen();
    Send2IRCPanel(1);
    return next;
}

}  // namespace

void SetProgramHooks()
{
    SetupSystemHooks.ReadReceivedPoolInfo = ReadPlayerInfoFromPool;
    SetupSystemHooks.IsCD = [] { return IsCD(nullptr, 0); };
    GetKeyClickHook = [] { SfxPlayer(1, 0, 0); };
    SetupSystemHooks.EnsureTownFiles = EnsureTownFiles;
    PoolMacAddressHook = GetMacAddress;
    KartenStadtPosHook = [](LONG id, ULONG *x, ULONG *y) {
        Stadt *town = GetActiveTown(id);
        if (!town) return 0;
        *x = town->XPos;
        *y = town->YPos;
        FreeVec(town);
        return 1;
    };
    FreeMovieBaseHook = FreeGlobalMovieBase;
    // The turn's work writes the files the kept map screen holds.
    TurnMapUnlockHook = KartenScreenUnlockSetup;
    TurnMapNewSetupHook = KartenScreenNewSetup;
    TurnMoviePauseHook = [](APTR movie, BOOL pause) { PauseMovie((st_Movie *)movie, (signed char)pause); };
}

LONG RunScreen(LONG id, LONG *from)
{
    switch (id) {
    case 1: return TitelScreen();
    case 2: *from = 2; return ResidenzScreen();
    case 1139: return ResidenzScreen();
    case 3:
    case 1293: return KartenScreen(*from, 1);
    case 32: return WithoutChatPanel(InitScreen);
    case 33: return BerichteScreen();
    case 34: return DiplomatScreen();
    case 35: return ForschungScreen();
    case 36: return NachrichtenScreen();
    case 38: return SpezialistenScreen();
    case 39: *from = 39; return StadtScreen();
    case 40: return StammbaumScreen();
    case 41: return StatistikScreen();
    case 42: return SteuernScreen();
    case 43: return BauScreen();
    case 56: return KornlagerScreen();
    case 59: return (LONG)TaverneScreen();
    case 61: return LagerScreen();
    case 108: return WithoutChatPanel(HandelsScreen);
    case 133: return OptionScreen();
    case 134: return Option1Screen();
    case 151: return WithoutChatPanel(CreditScreen);
    case 152: *from = 152; return (LONG)KaserneScreen();
    case 278: return GeheimScreen();
    case 499: return WithoutChatPanel(AnarchieScreen);
    case 505: return RoredIdez();
    case 519: return HafenScreen();
    case 876: return WithoutChatPanel(KroenungsScreen);
    case 919: return LuxusScreen();
    case 1085: return GoetterScreen();
    case 1141: return Option3Screen();
    default:
        std::printf("Unbekannter Buldschirm (%i)!!!\n", (int)id);
        return ResidenzScreen();
    }
}

LONG AfterTitle(LONG next)
{
    // Any value but 0 asks for the bard's tale once; a file that cannot be
    // read asks for nothing.
    ULONG first = 0;
    if (next != 133 && RoredIdezPrefsRead(1, &first) && first != 0) {
        RoredIdezPrefs(1, PREFS_WRITE, 0);
        return 505;
    }
    return next;
}

void MainLoop()
{
    if (currentScreenID == 61) {
        LagerScreen();
        return;
    }
    LONG from = 0;
    LONG next = TitelScreen();
    if (next <= 0) return;
    currentScreenID = AfterTitle(next);
    while (currentScreenID != -1) currentScreenID = RunScreen(currentScreenID, &from);
}

RunParts RunStarted = {};

void EndRun()
{
    // The kept map screen is built only with sound set up; unbuilt, it has nothing to let go.
    if (VekDisplay.VekScreen_Tiefe > 8) KartenScreen(0, 0);
    if (GChannelPtr) EndIRCPanel(GChannelPtr);
    GChannelPtr = nullptr;
    if (RunStarted.Sound) {
        ExitSoundEnv();
        RunStarted.Sound = false;
    }
    if (RunStarted.Network) {
        Quit_TCP_IP();
        RunStarted.Network = false;
    }
    FreeCache(3);
    ClearRunMarker();
    FreeRoredIdezTab();
    ExitSystem();
    CloseGlobalCatalog();
}

void EndRunOnSignal(int signal)
{
    std::printf("Main: Signal %d, das Programm endet\n", signal);
    // The screen that waited never returns: what it runs beside itself stops here.
    if (FreeMovieBaseHook) FreeMovieBaseHook();
    LokaleDatenKartenScreen *karte = LDKS;
    if (karte->MotionPtr) StopTheMotion(karte->MotionPtr);
    karte->MotionPtr = nullptr;
    // A map visit ends as leaving the map ends it: above 8 bits the kept
    // screen goes back to the background (EndRun lets it go), at 8 bits the
    // screen built for the visit is torn down.
    if (karte->Status == 2 || (VekDisplay.VekScreen_Tiefe <= 8 && karte->VekMapInfoPtr)) KartenScreenDestruktor();
    // The player asked to go: the music stops at once instead of fading out
    // for a second (the music thread then skips its fade).
    if (RunStarted.Sound) Mix_HaltMusic();
    EndRun();
    exitSDL();
    std::fflush(stdout);
    std::exit(0);
}

int VekClientMain(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // Before SDL starts, which leaves the two signals to us then.
    InstallEndSignals();
    OrderlyEndHook = EndRunOnSignal;
    SetProgramHooks();
    UseKavorGadgetPainter();
    SetDefaults();
    PrintBanner();
    if (!CheckByteOrder()) return 1;
    if (!ReadVekCfg("./vek.cfg")) return 1;
    int status = 0;
    if (!ParseArguments(argc, argv, &status)) return status;

    if (!initSDL()) {
        std::printf("SDLInit Error\n");
        exitSDL();
        return 1;
    }
    std::atexit(exitSDL);

    std::printf("OpenLibraries()\n");
    if (OpenLibraries() != 0) return 1;
    FinishInterruptedLoad();
    FinishFilesTogether(KARTE_VERLUST_NOTIZ);
    FinishInterruptedNewGame();
    OkJournalRestore();
    std::printf("CheckSystem()\n");
    CheckSystem();
    std::printf("SetupSystem()\n");
    SetupSystem();
    std::printf("MakeRoredIdezTab()\n");
    MakeRoredIdezTab();
    std::printf("CheckPrefs()\n");

    // A set run marker means the last run did not reach its end.
    SetRunMarker();

    if (Start_TCP_IP() != 0) {
        RunStarted.Network = true;
        const char *music = Wuerfel(1) == 0 ? "./Mods/VekMain.xm" : "./Mods/VekMain2.xm";
        if (InitSoundEnv(0, music)) {
            RunStarted.Sound = true;
            GChannelPtr = StartIRCPanel();
            if (VekDisplay.VekScreen_Tiefe > 8) currentScreenID = KartenScreen(1, 0);
            MainLoop();
        } else {
            std::printf("Main: Konnte Sound nicht einrichten\n");
        }
    }
    EndRun();
    return 0;
}
