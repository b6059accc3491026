// The chat panel drawing one piece of a chat line into its strip and onto
// the screen, set against what a piece cannot do without: two blits of the
// strip's width, the label and the text printed, and the strip copied to
// the screen and presented. On a 640 x 480 dummy display at 8 and 32 bits
// in a copy of the demo set; the panel's art is made as at start-up, its
// thread finds no server and ends, and the piece is drawn without its hold.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <cstring>

#include "benchmain.h"
#include "common/sdlharness.h"
#include "common/shareddemo.h"
#include "common/testutil.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "net/irc.h"
#include "net/net.h"
#include "net/netconn.h"
#include "platform/memfile.h"
#include "platform/system.h"

namespace {

constexpr const char *kLine = ":Bob!b@h.test PRIVMSG #Orvel :The harbour is open again.\r";
constexpr LONG kStripW = 320, kStripH = 17;

struct Panel {
    vektest::ScratchDir dir;
    std::unique_ptr<vektest::SdlScreen> display;
    VekChannel *panel = nullptr;
    VekChannel *chat = nullptr;
    bool ok = false;
    explicit Panel(int depth)
    {
        CopyDemoGameFiles(".");
        display = std::make_unique<vektest::SdlScreen>(depth, 640, 480);
        if (!display->Ok()) return;
        // Every name is loopback, where nothing answers on the chat port:
        // the panel's thread gives up at once and leaves the art standing.
        NetResolveHook = [](const char *, ULONG *address) -> BOOL {
            *address = htonl(INADDR_LOOPBACK);
            return 1;
        };
        std::snprintf(NetCfg.IrcServer, sizeof NetCfg.IrcServer, "irc.game.test:1");
        std::snprintf(NetCfg.IrcFallback, sizeof NetCfg.IrcFallback, "irc.game.test:1");
        UserSystem.OP.TCPIP_Flags = 0x11;
        panel = StartIRCPanel();
        if (!panel) return;
        if (!vektest::WaitFor([&] { return !(panel->IRCPanel.load() & IRCPANEL_ACTIVE); }, "the panel's thread", 30))
            return;
        chat = new (AllocVec(sizeof(VekChannel), MEMF_CLEAR)) VekChannel();
        std::strcpy(chat->Channel, "#Orvel");
        IRCPanelPieceMs = 0;
        ok = true;
    }
    ~Panel()
    {
        IRCPanelPieceMs = 3000;
        if (chat) {
            chat->~VekChannel();
            FreeVec(chat);
        }
        EndIRCPanel(panel);
        NetResolveHook = nullptr;
    }
};

void BM_PanelPiece(benchmark::State &state)
{
    Panel p((int)state.range(0));
    if (!p.ok) return state.SkipWithError("panel not set up");
    for (auto _ : state) benchmark::DoNotOptimize(IRCPanel_SetText(nullptr, p.chat, kLine, nullptr));
}
BENCHMARK(BM_PanelPiece)->Arg(8)->Arg(32);

// The same work by hand: the strip graphic blitted twice over a strip of
// the display's format, the label and the text printed, the strip copied
// into the display and presented.
void BM_PanelPieceBaseline(benchmark::State &state)
{
    Panel p((int)state.range(0));
    if (!p.ok || OpenKavorGfx("./Data/Path", 1140) != 1) return state.SkipWithError("panel not set up");
    BitMap *gfx = BitMapPtrArray[1140 - 1];
    SDL_Surface *d = UserSystem.Display->RastPort_->BitMap->Surface;
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, kStripW, kStripH, d->format->BitsPerPixel, d->format->Rmask,
                                          d->format->Gmask, d->format->Bmask, d->format->Amask);
    BitMap strip{};
    InitSurfaceBitMap(&strip, s);
    RastPort rp{};
    InitRastPort(&rp);
    rp.BitMap = &strip;
    TextFont *font = OpenDiskFont("Fonts/XHelvetica9.fnt");
    SetFont(&rp, font);
    BitMap *view = UserSystem.Display->RastPort_->BitMap;
    for (auto _ : state) {
        BltBitMap(gfx, 0, 0, &strip, 0, 0, kStripW, kStripH, 0xC0, 0xFF, nullptr);
        BltBitMap(gfx, 0, 0, &strip, 0, 0, kStripW, kStripH, 0xC0, 0xFF, nullptr);
        PrintText(&rp, 18, 3, 60, 13, "(Bob)", 6, 3, 556);
        PrintText(&rp, 61, 3, 302, 13, "The harbour is open again.", 6, 7, 556);
        const int locked = ScreenLock();
        if (SDL_LockSurface(d) == 0 && SDL_LockSurface(s) == 0) {
            const int bpp = s->format->BytesPerPixel;
            for (LONG y = 0; y < kStripH; ++y)
                std::memcpy((Uint8 *)d->pixels + (463 + y) * d->pitch + 16 * bpp, (Uint8 *)s->pixels + y * s->pitch,
                            (size_t)kStripW * bpp);
            SDL_UnlockSurface(s);
            SDL_UnlockSurface(d);
        }
        PresentRectHeld(view, 16, 463, kStripW, kStripH);
        if (locked) ScreenUnlock();
    }
    CloseFont(font);
    SDL_FreeSurface(s);
    CloseKavorGfx(1140);
}
BENCHMARK(BM_PanelPieceBaseline)->Arg(8)->Arg(32);

}  // namespace

int main(int argc, char **argv) { return RunBenchmarksQuietly(argc, argv); }
