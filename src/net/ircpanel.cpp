// The chat panel: a thread that keeps the game's channel open for the whole
// run and shows its chat lines, one piece at a time, in a strip at the
// bottom of whatever screen is up. The strip is a copy of its own of
// graphic 1140, made on the main thread before the panel starts, so the
// panel never touches the shared graphics cache.
#include <SDL/SDL.h>
#include <SDL/SDL_thread.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "net/irc.h"
#include "net/net.h"
#include "platform/memfile.h"
#include "platform/system.h"

ULONG IRCPanelPieceMs = 3000;
ULONG IRCPanelIdleMs = 200;

namespace {

constexpr const char *kChannel = "#Orvel";
constexpr ULONG kStripGfx = 1140;
constexpr LONG kStripX = 16, kStripY = 463, kStripW = 320, kStripH = 17;
constexpr LONG kTextX = 18, kTextY = 3, kTextW = 284, kTextH = 13;
constexpr LONG kShowX = 34, kShowY = 466;
constexpr ULONG kNickMax = 18;
constexpr UWORD kLabelPen = 3, kActionPen = 3, kTextPen = 7, kBackPen = 6;
constexpr UWORD kPrintMode = 556;
constexpr ULONG kStep = 50;  // the panel looks at its flags this often while it waits

// What the panel thread draws with, made by StartIRCPanel.
struct PanelArt {
    SDL_Surface *Surface = nullptr;  // the strip, in the display's format
    BitMap *Bmp = nullptr;
    RastPort Rp{};
    TextFont *Font = nullptr;
};
PanelArt *gArt = nullptr;

bool Quitting(const VekChannel *panel) { return panel && (panel->IRCPanel.load() & IRCPANEL_QUIT); }

// Waits ms, looking at the panel's quit flag; 0 when told to end.
bool Wait(const VekChannel *panel, ULONG ms)
{
    for (ULONG waited = 0; waited < ms; waited += kStep) {
        if (Quitting(panel)) return false;
        SDL_Delay(ms - waited < kStep ? ms - waited : kStep);
    }
    return !Quitting(panel);
}

// The strip and its text area onto the screen, under the screen semaphore.
void ShowStrip(const PanelArt *art)
{
    if (!art || !art->Surface) return;
    const int locked = ScreenLock();
    RastPort *rp = UserSystem.Display ? UserSystem.Display->RastPort_ : nullptr;
    BitMap *bmp = rp ? rp->BitMap : nullptr;
    SDL_Surface *d = bmp ? bmp->Surface : nullptr;
    SDL_Surface *s = art->Surface;
    if (d && d->format->BytesPerPixel == s->format->BytesPerPixel && d->w >= kStripX + kStripW &&
        d->h >= kStripY + kStripH && SDL_LockSurface(d) == 0) {
        if (SDL_LockSurface(s) == 0) {
            const int bpp = s->format->BytesPerPixel;
            for (LONG y = 0; y < kStripH; ++y)
                std::memcpy((Uint8 *)d->pixels + (kStripY + y) * d->pitch + kStripX * bpp,
                            (Uint8 *)s->pixels + y * s->pitch, (size_t)kStripW * bpp);
            SDL_UnlockSurface(s);
        }
        SDL_UnlockSurface(d);
        PresentRectHeld(bmp, kStripX, kStripY, kStripW, kStripH);
    }
    if (locked) ScreenUnlock();
}

ULONG FontWidth(void *ctx, UBYTE c)
{
    auto *art = static_cast<PanelArt *>(ctx);
    char s[2] = {(char)c, 0};
    return TextLength(&art->Rp, s, 1);
}

// One piece: the label and the piece into the strip, shown, then held.
bool DrawPiece(const VekChannel *panel, PanelArt *art, const char *label, ULONG labelW, const char *text, UWORD pen)
{
    RastPort *rp = &art->Rp;
    PrintText(rp, kTextX, kTextY, (UWORD)(kTextX + labelW), kTextY + 10, label, kBackPen, kLabelPen, kPrintMode);
    PrintText(rp, (UWORD)(labelW + 19), kTextY, kTextX + kTextW, kTextY + 10, text, kBackPen, pen, kPrintMode);
    ShowStrip(art);
    return Wait(panel, IRCPanelPieceMs);
}

VekChannel *PanelRecord() { return GChannelPtr; }

int PanelThread(void *arg)
{
    auto *panel = static_cast<VekChannel *>(arg);
    char nick[80];
    std::snprintf(nick, sizeof nick, "%s_Vek", PlayerInfo.Spielname);
    VekChannel *c = nullptr;
    if (!Quitting(panel)) c = InitIRC(NetCfg.IrcServer, kChannel, nick, nullptr);
    if (c && !(c->Status.load() & IRC_NAMESDONE) && !Quitting(panel)) {
        ExitIRC(c);
        std::printf("IRCPanel: Fehler bei Connect \374ber %s. Versuche \374ber %s...\n", NetCfg.IrcServer,
                    NetCfg.IrcFallback);
        c = InitIRC(NetCfg.IrcFallback, kChannel, nick, nullptr);
    }
    char *err = c ? IRCErrorText(c) : nullptr;
    if (!c || err || Quitting(panel) || !(c->Status.load() & IRC_NAMESDONE)) {
        if (err) std::printf("IRCPanel: Fehler %s\n", err);
        FreeVec(err);
        UserSystem.OP.TCPIP_Flags &= (UBYTE)~0x10;
        ExitIRC(c);
        panel->IRCPanel.fetch_and((UWORD) ~(IRCPANEL_ONLINE | IRCPANEL_ACTIVE));
        return 0;
    }
    panel->IRCPanelChannel = c;
    panel->IRCPanel.fetch_or(IRCPANEL_ONLINE);
    PanelArt *art = gArt;
    ULONG next = 0;  // offset of the next line in the batch in hand
    while (art && !Quitting(panel)) {
        if (char *e = IRCErrorText(c)) {
            std::printf("IRCPanel: Fehler %s\n", e);
            FreeVec(e);
            panel->IRCPanel.fetch_or(IRCPANEL_QUIT);
            break;
        }
        if (!(panel->IRCPanel.load() & IRCPANEL_ACTIVE)) {
            Wait(panel, 3000);
            continue;
        }
        const char *line = nullptr;
        if (c->IOMemPtr && next < c->IOMemLen) {
            line = c->IOMemPtr + next;
        } else if (panel->IRCPanel.load() & IRCPANEL_SHOW) {
            next = 0;
            line = GetIRC(c);
        }
        if (!line) {
            // Nothing to show: the queue is asked again a little later.
            Wait(panel, IRCPanelIdleMs);
            continue;
        }
        const ULONG len = (ULONG)strnlen(line, c->IOMemLen - (ULONG)(line - c->IOMemPtr));
        next = (ULONG)(line - c->IOMemPtr) + len + 1;
        char text[IRC_BATCH];
        std::memcpy(text, line, len);
        text[len] = 0;
        IRCPanel_SetText(&art->Rp, c, text, art->Font);
    }
    std::printf("IRCPanel hat gequittet...\n");
    ExitIRC(c);
    panel->IRCPanelChannel = nullptr;
    panel->IRCPanel.fetch_and((UWORD) ~(IRCPANEL_ONLINE | IRCPANEL_ACTIVE));
    return 0;
}

PanelArt *MakeArt()
{
    auto *art = new (std::nothrow) PanelArt();
    if (!art) return nullptr;
    // The display's drawing surface, or before any screen is up the video
    // surface, gives the strip its pixel format.
    RastPort *rp = UserSystem.Display ? UserSystem.Display->RastPort_ : nullptr;
    SDL_Surface *d = rp && rp->BitMap ? rp->BitMap->Surface : nullptr;
    if (!d) d = SDL_GetVideoSurface();
    if (!(art->Font = OpenDiskFont("Fonts/XHelvetica9.fnt"))) {
        std::printf("IRCPanel: Konnte Font nicht finden !\n");
    } else if (!d || OpenKavorGfx("./Data/Path", kStripGfx) != 1) {
        std::printf("IRCPanel: Konnte IRC-Panel nicht laden!\n");
    } else {
        BitMap *gfx = BitMapPtrArray[kStripGfx - 1];
        art->Surface = SDL_CreateRGBSurface(SDL_SWSURFACE, kStripW, kStripH, d->format->BitsPerPixel,
                                            d->format->Rmask, d->format->Gmask, d->format->Bmask, d->format->Amask);
        if (art->Surface) {
            art->Bmp = (BitMap *)AllocVec(sizeof(BitMap), MEMF_CLEAR);
            InitSurfaceBitMap(art->Bmp, art->Surface);
            InitRastPort(&art->Rp);
            art->Rp.BitMap = art->Bmp;
            SetFont(&art->Rp, art->Font);
            if (gfx) BltBitMap(gfx, 0, 0, art->Bmp, 0, 0, kStripW, kStripH, 0xC0, 0xFF, nullptr);
        }
        CloseKavorGfx(kStripGfx);
        if (art->Surface) return art;
        std::printf("IRCPanel: Konnte RastPort nicht initialisieren!\n");
    }
    CloseFont(art->Font);
    delete art;
    return nullptr;
}

void FreeArt(PanelArt *art)
{
    if (!art) return;
    if (art->Surface) SDL_FreeSurface(art->Surface);
    FreeVec(art->Bmp);
    CloseFont(art->Font);
    delete art;
}

}  // namespace

BOOL IrcChatLine(const char *line, const char *channel, char *label, ULONG labelSize, char *message,
                 ULONG messageSize, UWORD *pen)
{
    if (!line || !*line || std::strncmp(line, "Time", 4) == 0 || line[0] != ':') return 0;
    // ":nick!user@host PRIVMSG <channel> :text"
    const char *bang = std::strchr(line, '!');
    const char *space = std::strchr(line, ' ');
    if (!bang || !space || bang > space) return 0;
    const char *at = std::strchr(bang, '@');
    if (!at || at > space) return 0;
    const char *cmd = space + 1;
    if (std::strncmp(cmd, "PRIVMSG ", 8) != 0) return 0;
    const char *target = cmd + 8;
    const size_t clen = std::strlen(channel);
    if (strncasecmp(target, channel, clen) != 0 || std::strncmp(target + clen, " :", 2) != 0) return 0;
    const char *text = target + clen + 2;
    char nick[kNickMax + 1];
    ULONG n = (ULONG)(bang - line - 1);
    if (n > kNickMax) n = kNickMax;
    std::memcpy(nick, line + 1, n);
    nick[n] = 0;
    ULONG tlen = (ULONG)std::strcspn(text, "\r\n");
    if (text[0] == '\001' && std::strstr(text, "ACTION")) {
        const char *a = std::strstr(text, "ACTION");
        text = a + 6;
        if (*text == ' ') ++text;
        tlen = (ULONG)std::strcspn(text, "\001\r\n");
        std::snprintf(label, labelSize, "%s", nick);
        *pen = kActionPen;
    } else {
        std::snprintf(label, labelSize, "(%s)", nick);
        *pen = kTextPen;
    }
    if (tlen >= messageSize) tlen = messageSize - 1;
    std::memcpy(message, text, tlen);
    message[tlen] = 0;
    return 1;
}

ULONG IrcWrapMessage(const char *message, ULONG labelWidth, ULONG (*widthOf)(void *ctx, UBYTE c), void *ctx,
                     IrcPiece *pieces, ULONG maxPieces)
{
    const ULONG len = (ULONG)std::strlen(message);
    ULONG total = 0;
    for (ULONG i = 0; i < len; ++i) total += widthOf(ctx, (UBYTE)message[i]);
    ULONG count = 0;
    if (labelWidth + total < 285) {
        if (maxPieces) pieces[count++] = {0, len};
        return count;
    }
    ULONG start = 0, width = labelWidth + 1;
    LONG blank = -1;
    for (ULONG i = 0; i < len && count < maxPieces; ++i) {
        width += widthOf(ctx, (UBYTE)message[i]);
        if (message[i] == ' ') blank = (LONG)i;
        if (width <= 283) continue;
        ULONG end = blank >= (LONG)start ? (ULONG)blank : i;
        if (end <= start) end = start + 1;  // one character wider than the strip still goes
        pieces[count++] = {start, end - start};
        start = (blank >= (LONG)start && end == (ULONG)blank) ? end + 1 : end;
        i = start - 1;
        width = labelWidth + 1;
        blank = -1;
        if (start >= len) break;
    }
    if (start < len && count < maxPieces) pieces[count++] = {start, len - start};
    return count;
}

BOOL IRCPanel_SetText(RastPort *PanelRP, VekChannel *Channel, const char *Text, TextFont *Font)
{
    (void)PanelRP;
    (void)Font;
    char label[kNickMax + 3], message[IRC_BATCH];
    UWORD pen = kTextPen;
    if (!Channel || !IrcChatLine(Text, Channel->Channel, label, sizeof label, message, sizeof message, &pen))
        return 0;
    PanelArt *art = gArt;
    if (!art) return 1;
    const VekChannel *panel = PanelRecord();
    const ULONG labelW = TextLength(&art->Rp, label, (ULONG)std::strlen(label));
    // Every line has at least one piece, and each piece fills the whole text
    // area and shows the strip: a show of the strip before it would be seen
    // for microseconds only.
    static IrcPiece pieces[IRC_BATCH];
    const ULONG n = IrcWrapMessage(message, labelW, FontWidth, art, pieces, IRC_BATCH);
    for (ULONG k = 0; k < n; ++k) {
        char piece[IRC_BATCH];
        std::memcpy(piece, message + pieces[k].Start, pieces[k].Length);
        piece[pieces[k].Length] = 0;
        if (!DrawPiece(panel, art, label, labelW, piece, pen)) break;  // the panel is ending
    }
    return 1;
}

VekChannel *StartIRCPanel()
{
    if (!(UserSystem.OP.TCPIP_Flags & 0x10)) return nullptr;
    void *mem = AllocVec(sizeof(VekChannel), MEMF_CLEAR);
    if (!mem) {
        std::printf("StartIRCPanel: Konnte Speicher nicht allokieren\n");
        return nullptr;
    }
    auto *panel = new (mem) VekChannel();
    // The probe clears the option bit when the net cannot be reached.
    if (!CheckInetConnection() || !(UserSystem.OP.TCPIP_Flags & 0x10)) {
        UserSystem.OP.TCPIP_Flags &= (UBYTE)~0x10;
        EndIRCPanel(panel);
        return nullptr;
    }
    if (!(panel->Semaphore = SDL_CreateSemaphore(1))) {
        std::printf("StartIRCPanel: Konnte IRC-Semaphore nicht anlegen !\n");
        EndIRCPanel(panel);
        return nullptr;
    }
    if (!gArt) gArt = MakeArt();
    if (!gArt) {
        EndIRCPanel(panel);
        return nullptr;
    }
    panel->IRCPanel = IRCPANEL_ACTIVE;
    // The panel's record is the one its commands reach.
    GChannelPtr = panel;
    if (!(panel->EavesDrop = SDL_CreateThread(PanelThread, panel))) {
        std::printf("StartIRCPanel: Konnte Task nicht anlegen !\n");
        GChannelPtr = nullptr;
        EndIRCPanel(panel);
        return nullptr;
    }
    return panel;
}

VekChannel *Send2IRCPanel(int command)
{
    VekChannel *panel = GChannelPtr;
    if (!panel) return nullptr;
    switch (command) {
    case 0: {
        const UWORD old = panel->IRCPanel.fetch_or(IRCPANEL_QUIT);
        if (old & IRCPANEL_ACTIVE)
            while (panel->IRCPanel.load() & IRCPANEL_ACTIVE) SDL_Delay(20);
        break;
    }
    case 1: panel->IRCPanel.fetch_or(IRCPANEL_ACTIVE | IRCPANEL_SHOW); break;
    case 2: panel->IRCPanel.fetch_and((UWORD)~IRCPANEL_SHOW); break;
    default: break;
    }
    return nullptr;
}

void EndIRCPanel(VekChannel *Record)
{
    if (!Record) return;
    Record->IRCPanel.fetch_or(IRCPANEL_QUIT);
    if (Record->EavesDrop) {
        SDL_WaitThread(Record->EavesDrop, nullptr);
        Record->EavesDrop = nullptr;
    }
    if (GChannelPtr == Record) GChannelPtr = nullptr;
    if (Record->Semaphore) SDL_DestroySemaphore(Record->Semaphore);
    Record->~VekChannel();
    FreeVec(Record);
    FreeArt(gArt);
    gArt = nullptr;
}
