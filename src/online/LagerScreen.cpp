// Screen 61, the tavern's store room: the program updates on the update
// server stand as barrels; a click shows an update's note with both versions
// and its size, and Ok downloads the archive into the program's folder.
// Nothing is installed: the archive is only stored. Also the only screen of
// a run started with "-update".
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "net/net.h"
#include "net/netconn.h"
#include "online/online.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kNote = "./ftptemp.txt";
constexpr ULONG kPicture = 61;
constexpr ULONG kBoxGfx = 69, kBarrelGfx = 109, kStackGfx = 110;
constexpr LONG kBoxX = 144, kBoxY = 64, kBoxW = 352, kBoxH = 352;
constexpr LONG kBarrelW = 115, kBarrelH = 95;
constexpr LONG kStackX = 448, kStackY = 284, kStackW = 48, kStackH = 90;
constexpr ULONG kNoteMax = 2024;
constexpr ULONG kMaxUpdates = 10;
constexpr const char *kPassword = "Rudoz";
constexpr UWORD kTextPen = 7, kBackPen = 21, kFramePen = 146, kBarPen = 72;
constexpr const char *kDashes = "---------------------------";

struct LocalData {
    BOOL IsDownload;
    BOOL DownloadAktiv;
    WORD AnzahlUpdates;
    WORD Fassnummer;
    UWORD DownloadFehler;
    ULONG Prozent;
    ULONG UpdateVersion;
    ULONG BrowserVersion;
    st_MovieBase *MovieBase;
    st_Movie *MovieLinks, *MovieRechts;
    struct ScreenRegion *ScreenRegion;
    struct ScreenRegion *ScreenRegionReq;
    char str_UpdateVersion[160];
    char str_BrowserVersion[160];
    const char *FTPError;
    char FTPFileName[256];
    char ftp_FileName[kMaxUpdates][256];
    char ftp_TextName[kMaxUpdates][256];
    ULONG ftp_FileSize[kMaxUpdates];
    ULONG ftp_TextSize[kMaxUpdates];
    TextFont *VekFontPtr;
};

// The bar's right end drawn last, so that a piece that does not move it
// draws nothing.
ULONG gBalken = 0;

void Gfx(ULONG n, LONG x, LONG y, LONG w, LONG h, bool mask)
{
    if (OpenKavorGfx(kPath, n) != 1) {
        std::printf("LagerScreen: Konnte Grafik %u nicht laden!\n", (unsigned)n);
        return;
    }
    if (mask)
        BlitObjektMask(DisplayRastPort(), n, 0, x, y, w, h);
    else
        BlitObjekt(DisplayRastPort(), n, x, y, w, h);
    CloseKavorGfx(n);
}

void Print(LocalData *d, LONG x0, LONG y0, LONG x1, LONG y1, const char *text, bool centred)
{
    RastPort *rp = DisplayRastPort();
    SetFont(rp, d->VekFontPtr);
    SetAPen(rp, kFramePen);
    SetBPen(rp, kBackPen);
    PrintText(rp, (UWORD)x0, (UWORD)y0, (UWORD)x1, (UWORD)y1, text, kBackPen, kTextPen,
              centred ? (UWORD)(PT_CENTER | PT_BASELINE) : (UWORD)0);
}

void PrintCentred(LocalData *d, LONG y, const char *text) { Print(d, kBoxX, y, kBoxX + kBoxW, y + 10, text, true); }

// The box's frame below the text: the versions and the size.
void PrintFoot(LocalData *d, ULONG size, const char *sizeFormat)
{
    char line[200];
    PrintCentred(d, 284, kDashes);
    Print(d, 172, 308, 372, 318, GetString(&_VEK_LAGERSCREEN_YOURVERSION), false);
    std::snprintf(line, sizeof line, ": V %4s", d->str_BrowserVersion);
    Print(d, 380, 308, 490, 318, line, false);
    Print(d, 172, 320, 372, 330, GetString(&_VEK_LAGERSCREEN_SERVERVERSION), false);
    std::snprintf(line, sizeof line, ": V %4s", d->str_UpdateVersion);
    Print(d, 380, 320, 490, 330, line, false);
    std::snprintf(line, sizeof line, sizeFormat, GetString(&_VEK_LAGERSCREEN_SIZE), (long)(size / 1024));
    Print(d, 172, 380, 490, 390, line, false);
}

// Saves the box's area and draws the box over it; null when either fails.
BitMap *OpenBox(LocalData *d)
{
    BitMap *saved = ScreenSaveClip(kBoxX, kBoxY, kBoxW, kBoxH);
    if (!saved) {
        std::printf("LagerScreen: Konnte Speicher f\374r Layer nicht allokieren !\n");
        return nullptr;
    }
    if (d->MovieRechts) PauseMovie(d->MovieRechts, 1);
    if (OpenKavorGfx(kPath, kBoxGfx) != 1) {
        std::printf("Konnte Requestergrafik nicht laden!\n");
        ScreenRestoreClip(saved, kBoxX, kBoxY, kBoxW, kBoxH);
        if (d->MovieRechts) PauseMovie(d->MovieRechts, 0);
        return nullptr;
    }
    BlitObjekt(DisplayRastPort(), kBoxGfx, kBoxX, kBoxY, kBoxW, kBoxH);
    CloseKavorGfx(kBoxGfx);
    return saved;
}

void CloseBox(LocalData *d, BitMap *saved)
{
    ScreenRestoreClip(saved, kBoxX, kBoxY, kBoxW, kBoxH);
    if (d->MovieRechts) PauseMovie(d->MovieRechts, 0);
}

// Waits in the box until EXIT, OKOK or escape; 1 for OKOK.
BOOL BoxAnswer(LocalData *d)
{
    ScreenRegion *req = d->ScreenRegionReq;
    if (!req) return 0;
    RastPort *rp = DisplayRastPort();
    DrawAllGadgets(rp, req);
    for (;;) {
        if (req->TitleBar) CheckTitleBar(req->TitleBar, d->VekFontPtr, 6);
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(rp, req, code);
        if (!g) continue;
        if (g->ReturnID == MakeGadgetID("OKOK")) return 1;
        if (g->ReturnID == GADGET_EXIT) return 0;
    }
}

void ProcessingFTP(ULONG Total, ULONG Done)
{
    const ULONG ende = LagerBalkenEnde(Total, Done);
    if (ende == 0 || ende == gBalken) return;
    RastPort *rp = DisplayRastPort();
    SetAPen(rp, kBarPen);
    RectFill(rp, 175, 328, (LONG)ende, 336);
    gBalken = ende;
}

}  // namespace

ULONG LagerVersion(const char *text, char *out)
{
    // Three digits d.dd, taken as the number ddd.
    if (!text || !(text[0] >= '0' && text[0] <= '9') || !(text[1] >= '0' && text[1] <= '9') ||
        !(text[2] >= '0' && text[2] <= '9')) {
        if (out) std::strcpy(out, "----");
        return 0;
    }
    if (out) std::snprintf(out, 5, "%c.%c%c", text[0], text[1], text[2]);
    return (ULONG)(text[0] - '0') * 100 + (ULONG)(text[1] - '0') * 10 + (ULONG)(text[2] - '0');
}

ULONG ProgrammVersion(char *out)
{
    // "V0.58Z1": the digits after the V, its point skipped.
    const char *v = std::strstr(Version, " V");
    char digits[4] = "";
    if (v && v[2] && v[3] == '.' && v[4] && v[5]) {
        digits[0] = v[2];
        digits[1] = v[4];
        digits[2] = v[5];
    }
    return LagerVersion(digits, out);
}

ULONG LagerBalkenEnde(ULONG Total, ULONG Done)
{
    if (Total < 1024) return 0;
    unsigned long long w = (unsigned long long)(Done / 10) * 290 / (Total / 10);
    if (w > 290) w = 290;
    return 175 + (ULONG)w;
}

BOOL LagerFassTrifft(LONG px, LONG py, LONG mx, LONG my)
{
    return mx >= px + 2 && mx <= px + 70 && my >= py + 26 && my <= py + 94;
}

UWORD CountUpdates(char (*Namen)[256], char (*Texte)[256], ULONG *Groessen, ULONG *TextGroessen)
{
    UWORD n = 0;
    if (!FTPList || !FTPList->FirstNode) return 0;
    ListNode *node = FTPList->FirstNode;
    for (ULONG i = 0; i < FTPList->Elemente && n < kMaxUpdates; ++i, node = node->Next) {
        const auto *e = (const FTPListEntry *)node;
        char name[128], text[128];
        std::memcpy(name, e->DataName, sizeof e->DataName);
        name[127] = 0;
        std::memcpy(text, e->CommentName, sizeof e->CommentName);
        text[127] = 0;
        if (!std::strstr(text, ".txt") || (!std::strstr(name, ".zip") && !std::strstr(name, ".exe"))) continue;
        std::snprintf(Namen[n], 256, "%s", name);
        std::snprintf(Texte[n], 256, "%s", text);
        Groessen[n] = e->DataSize;
        TextGroessen[n] = e->CommentSize;
        ++n;
    }
    return n;
}

namespace {

BOOL PrintInfotext(LocalData *d, ULONG Size);

BOOL InitUpdateData(LocalData *d, const Punkt *points, ULONG count)
{
    if (!(UserSystem.VekFlags & VEKFLAG_ONLINE)) {
        std::printf("InitUpdateData:ONLINE FLAG NICHT GESETZT!\n");
        return 0;
    }
    char host[64];
    UWORD port = FTP_PORT;
    if (!NetSplitServer(NetCfg.UpdateServer, host, sizeof host, &port, FTP_PORT)) {
        std::printf("InitUpdateData: Update-Server %s unbrauchbar\n", NetCfg.UpdateServer);
        return 0;
    }
    d->FTPError = OpenFTP(host, port, NetCfg.UpdateAccount, kPassword, "/");
    if (std::strcmp(d->FTPError, "FTP OK") != 0) {
        std::printf("InitUpdateData: 1. OpenFTP reported : %s\n", d->FTPError);
        return 0;
    }
    d->AnzahlUpdates = (WORD)CountUpdates(d->ftp_FileName, d->ftp_TextName, d->ftp_FileSize, d->ftp_TextSize);
    if (d->AnzahlUpdates == 0) return 0;
    for (WORD i = 0; i < d->AnzahlUpdates && (ULONG)i < count; ++i) {
        Gfx(kBarrelGfx, points[i].X0, points[i].Y0, kBarrelW, kBarrelH, true);
        if (i == 3) Gfx(kStackGfx, kStackX, kStackY, kStackW, kStackH, false);
    }
    return 1;
}

void DoNoServerRequester(LocalData *d)
{
    BitMap *saved = OpenBox(d);
    if (!saved) return;
    PrintCentred(d, 100, GetString(&_VEK_LAGERSCREEN_SERVERMESSAGE));
    PrintCentred(d, 124, kDashes);
    PrintCentred(d, 136, GetString(&_VEK_LAGERSCREEN_SORRY_CONNECTING));
    PrintCentred(d, 148, GetString(&_VEK_LAGERSCREEN_IS_IMPOSSIBLE));
    PrintCentred(d, 160, GetString(&_VEK_LAGERSCREEN_AT_THE_MOMENT));
    std::strcpy(d->str_UpdateVersion, "----");
    PrintFoot(d, 0, "%-8s%6li KB");
    BoxAnswer(d);
    CloseBox(d, saved);
}

void DoUpdateRequester(LocalData *d, WORD Barrel)
{
    DeleteFile(kNote);
    if (!GetFTPData(d->ftp_TextName[Barrel], "/", d->ftp_TextSize[Barrel], kNote, nullptr)) {
        std::printf("Load_Txt2Ram: GetFTPData() failed!\n");
        DoNoServerRequester(d);
        return;
    }
    BitMap *saved = OpenBox(d);
    if (!saved) return;
    PrintInfotext(d, d->ftp_FileSize[Barrel]);
    if (BoxAnswer(d)) {
        std::snprintf(d->FTPFileName, sizeof d->FTPFileName, "./%s", d->ftp_FileName[Barrel]);
        gBalken = 0;
        ProcessingFTPHook = ProcessingFTP;
        const BOOL ok = GetFTPData(d->ftp_FileName[Barrel], "//", d->ftp_FileSize[Barrel], d->FTPFileName, nullptr);
        ProcessingFTPHook = nullptr;
        if (!ok) std::printf("Download2Ram:002\n");
        ChiefMessage(66, 168, 180, 0, 0, 0, 0, GetString(ok ? &_VEK_LAGER_FTPTEXT4 : &_VEK_LAGER_FTPTEXT2), 7);
    }
    CloseBox(d, saved);
}

BOOL PrintInfotext(LocalData *d, ULONG Size)
{
    ULONG length = GetFileSize(kNote);
    if (!IsFilePresent(kNote)) {
        std::printf("PrintInfotext: Konnte File nicht \366ffnen!!\n");
        return 0;
    }
    if (length > kNoteMax) length = kNoteMax;
    char *text = (char *)AllocVec(kNoteMax + 1, MEMF_CLEAR);
    if (length > 0) {
        FILE *f = std::fopen(kNote, "rb");
        if (!f) {
            std::printf("PrintInfotext: Konnte File nicht \366ffnen!!\n");
            FreeVec(text);
            return 0;
        }
        length = (ULONG)std::fread(text, 1, length, f);
        std::fclose(f);
        text[length] = 0;
    }
    // A note too short to hold the version shows none.
    d->UpdateVersion = length >= 8 ? LagerVersion(text + 5, d->str_UpdateVersion) : LagerVersion(nullptr, d->str_UpdateVersion);
    PrintCentred(d, 100, GetString(&_VEK_LAGERSCREEN_SERVERMESSAGE));
    PrintCentred(d, 124, kDashes);
    LONG y = 148;
    ULONG pos = 9;
    while (pos < length && y + 10 < 284) {
        ULONG end = pos;
        while (end < length && text[end] != '\n') ++end;
        if (end > pos) {
            char line[256];
            ULONG n = end - pos;
            if (n > sizeof line - 1) n = sizeof line - 1;
            std::memcpy(line, text + pos, n);
            line[n] = 0;
            if (n > 0 && line[n - 1] == '\r') line[n - 1] = 0;
            if (line[0]) PrintCentred(d, y, line);
        }
        y += 12;
        pos = end + 1;
    }
    FreeVec(text);
    PrintFoot(d, Size, "%-8s %6li KB");
    return 1;
}

}  // namespace

LONG LagerScreen()
{
    std::printf("Routine: LagerScreen\n");
    auto *d = (LocalData *)AllocVec(sizeof(LocalData), MEMF_CLEAR);
    bool picture = false;
    d->ScreenRegion = GetScreenRegion("./Data/screendat/Lager.dat", SR_TITLEBAR | SR_GADGETDATA | SR_PUNKT);
    d->ScreenRegionReq = GetScreenRegion("./Data/screendat/LagerReq.dat", SR_TITLEBAR | SR_GADGETDATA);
    if (!d->ScreenRegion || !d->ScreenRegionReq) {
        std::printf("LagerScreen: Kann TitelbarDaten nicht laden!\n");
    } else {
        if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 3, 3);
        if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
            std::printf("LagerScreen: Konnte Pic nicht laden!\n");
        } else {
            picture = true;
            if (!(d->MovieBase = AllocMovieBase(TitelScreenPtr, 0, 0, 0))) {
                std::printf("LagerScreen: Kann Animationen nicht initalisieren!\n");
            } else {
                if ((d->MovieLinks = LoadMovie(d->MovieBase, "./Anims/LagerFackelLinks.CBAN", nullptr, nullptr)))
                    PlayMovie(d->MovieBase, d->MovieLinks, 80, 61, 68, 10);
                else
                    std::printf("LagerScreen: Kann Animation 1 nicht laden!\n");
                if ((d->MovieRechts = LoadMovie(d->MovieBase, "./Anims/LagerFackelRechts.CBAN", nullptr, nullptr)))
                    PlayMovie(d->MovieBase, d->MovieRechts, 432, 53, 68, 10);
                else
                    std::printf("LagerScreen: Kann Animation 2 nicht laden!\n");
            }
        }
    }
    if (picture && d->ScreenRegion) {
        d->IsDownload = InitUpdateData(d, d->ScreenRegion->Punkt, d->ScreenRegion->CountPunkt);
        d->BrowserVersion = ProgrammVersion(d->str_BrowserVersion);
        FadeIn();
        if (!(d->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt")))
            std::printf("LagerScreen: Konnte Kavor-Font nicht \366ffnen !\n");
        RastPort *rp = DisplayRastPort();
        DrawAllGadgets(rp, d->ScreenRegion);
        d->Fassnummer = -1;
        for (;;) {
            if (d->ScreenRegion->TitleBar) CheckTitleBar(d->ScreenRegion->TitleBar, d->VekFontPtr, 6);
            const ULONG code = GetKey(0x01);
            GadgetData *g = CheckGadgets(rp, d->ScreenRegion, code);
            if (!g) continue;
            if (g->ReturnID == GADGET_EXIT) break;
            if (g->ReturnID != MakeGadgetID("CH00")) continue;
            d->Fassnummer = -1;
            if (UserSystem.VekFlags & VEKFLAG_ONLINE) {
                const LONG mx = GetMouseX(), my = GetMouseY();
                for (WORD i = 0; i < d->AnzahlUpdates && (ULONG)i < d->ScreenRegion->CountPunkt; ++i) {
                    const Punkt &p = d->ScreenRegion->Punkt[i];
                    if (LagerFassTrifft(p.X0, p.Y0, mx, my)) {
                        d->Fassnummer = i;
                        break;
                    }
                }
            }
            if (d->Fassnummer >= 0 && d->IsDownload)
                DoUpdateRequester(d, d->Fassnummer);
            else
                DoNoServerRequester(d);
        }
    }
    CloseFont(d->VekFontPtr);
    DeleteFile(kNote);
    if ((UserSystem.VekFlags & VEKFLAG_ONLINE) && d->FTPError && std::strcmp(d->FTPError, "FTP OK") == 0) {
        std::printf("Schlie\337e FTP\n");
        CloseFTP();
        std::printf("FTP geschlossen\n");
    }
    FreeFTPList();
    if (d->MovieBase) FreeMovieBase(d->MovieBase);
    FreeAllGadgets();
    if (picture) CloseKavorPic(kPicture, 1);
    ClearScreenRegion(d->ScreenRegion);
    ClearScreenRegion(d->ScreenRegionReq);
    FreeVec(d);
    return 59;
}
