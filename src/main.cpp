// vekclient: start-up, the main loop and the orderly end.
#include <cstdio>
#include <cstdlib>

#include "frontend/titelscreen.h"
#include "mainloop.h"
#include "map/kartenscreen.h"
#include "map/map.h"
#include "media/media.h"
#include "media/movie.h"
#include "net/net.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "gfx/gfxnumber.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "platform/gamevalues.h"
#include "platform/prefs.h"
#include "gfx/sdlinit.h"
#include "platform/system.h"
#include "store/store.h"
#include "world/towns.h"
#include "turn/turn.h"

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
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
        const char *music = Wuerfel(1) == 0 ? "./Mods/VekMain.xm" : "./Mods/VekMain2.xm";
        if (InitSoundEnv(0, music)) {
            GChannelPtr = StartIRCPanel();
            if (VekDisplay.VekScreen_Tiefe > 8) currentScreenID = KartenScreen(1, 0);
            MainLoop();
            if (VekDisplay.VekScreen_Tiefe > 8) KartenScreen(0, 0);
            if (GChannelPtr) EndIRCPanel(GChannelPtr);
            GChannelPtr = nullptr;
            ExitSoundEnv();
        } else {
            std::printf("Main: Konnte Sound nicht einrichten\n");
        }
        Quit_TCP_IP();
    }

    FreeCache(3);
    ClearRunMarker();
    FreeRoredIdezTab();
    ExitSystem();
    CloseGlobalCatalog();
    return 0;
}
