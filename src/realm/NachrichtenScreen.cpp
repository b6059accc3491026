// Screen 36: the battles of the last turn. One battle at a time as the
// advisor's letter beside a small map view of its place; a detail view
// replays the battle's figures with sound. On entry army.csv is written.
#include <cstdio>
#include <string>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "map/mapview.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "realm/schlacht.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/mapinfo.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kPlayerList = "./Data/SpielerList.vek";
constexpr ULONG kPicture = 36;
constexpr LONG kMapX = 102, kMapY = 238, kMapW = 160, kMapH = 168;
constexpr UWORD kMapStatus = 22;
constexpr UWORD kSfxFirst = 94, kSfxLast = 98;

const char *S(const LocStr &s) { return GetString(&s); }

void CloseMapView(LokaleDatenNachrichten *ld)
{
    if (!ld->VekMapInfoPtr) return;
    ExitPos(ld->VekMapInfoPtr);
    ExitKarte(ld->VekMapInfoPtr);
    CloseAllPattern(0);
    ld->VekMapInfoPtr = nullptr;
    ld->XOldPos = ld->YOldPos = -1;
}

void ShowMapView(LokaleDatenNachrichten *ld)
{
    if (!ld->KriegsPtr) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 11);
        RectFill(rp, kMapX, kMapY, kMapX + kMapW, kMapY + kMapH);
        PresentRect(rp->BitMap, kMapX, kMapY, kMapW + 1, kMapH + 1);
        return;
    }
    ULONG X, Y;
    SchlachtOrt(*ld->KriegsPtr, &X, &Y);
    const SchlachtKarte m = SchlachtKartenPos(X, Y);
    if (ld->VekMapInfoPtr && ld->XOldPos == m.BlockX && ld->YOldPos == m.BlockY) {
        VekMapInfo *v = ld->VekMapInfoPtr;
        v->IndeX = (WORD)m.IndexX;
        v->IndeY = (WORD)m.IndexY;
        v->X_Hex = m.X;
        v->Y_Hex = m.Y;
        v->QuickUpdate = QU_ALLES;
        SetPos(v, 0, 0);
        return;
    }
    CloseMapView(ld);
    VekMapInfo *v = LadeKarte(kMapStatus, m.BlockX, m.BlockY, "./Map");
    if (!v) return;  // the area stays as it was
    if (!InitPos(v, m.X, m.Y, kMapX, kMapY, kMapW, kMapH, kMapStatus)) {
        ExitPos(v);
        ExitKarte(v);
        CloseAllPattern(0);
        return;
    }
    ld->VekMapInfoPtr = v;
    ld->XOldPos = m.BlockX;
    ld->YOldPos = m.BlockY;
}

// A framed box of the detail view, 40 pixels high, with its text.
void ZeichneGrundbox40(RastPort *rp, LONG x, LONG y, LONG w, UWORD colour, const char *text)
{
    static const UWORD frame[4] = {114, 134, 96, 149}, fill[4] = {82, 163, 159, 214};
    const UWORD c = colour < 4 ? colour : 3;
    SetAPen(rp, frame[c]);
    RectFill(rp, x, y, x + w - 1, y + 39);
    SetAPen(rp, 0);
    RectFill(rp, x + 2, y + 2, x + w - 3, y + 37);
    SetAPen(rp, fill[c]);
    RectFill(rp, x + 3, y + 3, x + w - 4, y + 36);
    PrintText(rp, (UWORD)(x + 3), (UWORD)(y + 3), (UWORD)(x + w - 4), (UWORD)(y + 36), text, fill[c], 162,
              PT_CENTER | PT_BASELINE | PT_FILL | PT_VCENTER | PT_OUTLINE);
    PresentRect(rp->BitMap, x, y, w, 40);
}

std::string Zeile(const LocStr &label, ULONG value)
{
    char b[200];
    std::snprintf(b, sizeof b, "%s: %u", S(label), (unsigned)value);
    return b;
}

void DrawRows(RastPort *rp, UWORD rows, const SchlachtZaehler &z, const st_KRIG_EXT &k, UWORD c)
{
    const UWORD ang = (UWORD)(c + 1), ver = c;
    if (rows & ROW_KLASSE) {
        const LocStr &l = z.Sea ? _VEK_SCHIFFSKLASSE : _VEK_NACHRICHTEN_ARMOURCLASS;
        ZeichneGrundbox40(rp, 20, 120, 176, ang, Zeile(l, k.AngRuestungsklasse).c_str());
        ZeichneGrundbox40(rp, 444, 120, 176, ver, Zeile(l, k.VerRuestungsklasse).c_str());
    }
    if (rows & ROW_ERSCHOEPFUNG) {
        const LocStr &l = z.Sea ? _VEK_KASREQ3_STAT_SCHADEN : _VEK_NACHRICHTEN_ERSCHOEPFUNG;
        ZeichneGrundbox40(rp, 20, 180, 240, ang, Zeile(l, k.AngErschoepfung).c_str());
        ZeichneGrundbox40(rp, 380, 180, 240, ver, Zeile(l, k.VerErschoepfung).c_str());
    }
    if (rows & ROW_TOTE) {
        if (z.Sea) {
            ZeichneGrundbox40(rp, 444, 240, 176, ver, Zeile(_VEK_NACHRICHTEN_TOTE, z.AngLebende).c_str());
        } else {
            ZeichneGrundbox40(rp, 20, 240, 176, ang, Zeile(_VEK_NACHRICHTEN_TOTE, z.AngTote).c_str());
            ZeichneGrundbox40(rp, 444, 240, 176, ver, Zeile(_VEK_NACHRICHTEN_TOTE, z.VerTote).c_str());
        }
    }
    if (rows & ROW_LEBENDE) {
        if (z.Sea) {
            char b[200];
            std::snprintf(b, sizeof b, "%s: %u/%u", S(_VEK_NACHRICHTEN_LEBENDE), (unsigned)k.AngTote,
                          (unsigned)z.VerLebende);
            ZeichneGrundbox40(rp, 380, 300, 240, ver, b);
        } else {
            ZeichneGrundbox40(rp, 20, 300, 240, ang, Zeile(_VEK_NACHRICHTEN_LEBENDE, z.AngLebende).c_str());
            ZeichneGrundbox40(rp, 380, 300, 240, ver, Zeile(_VEK_NACHRICHTEN_LEBENDE, z.VerLebende).c_str());
        }
    }
    if (rows & ROW_AUSGANG) {
        const ULONG r = k.Result;
        const bool angSiegt = r == 1 || r == 3 || r == 5, verSiegt = r == 0 || r == 4 || r == 6;
        const LocStr &l = angSiegt   ? _VEK_NACHRICHTEN_ANGREIFER_SIEGT
                          : verSiegt ? _VEK_NACHRICHTEN_VERTEIDIGER_SIEGT
                                     : _VEK_NACHRICHTEN_UNENTSCHIEDEN;
        char b[200];
        std::snprintf(b, sizeof b, "%s !", S(l));
        ZeichneGrundbox40(rp, 200, 400, 240, verSiegt ? ver : ang, b);
    }
}

void ShowSchlachtLoadSfx(bool *loaded)
{
    for (UWORD n = kSfxFirst; n <= kSfxLast; ++n) loaded[n - kSfxFirst] = OpenKavorSfx(kSfxPath, n);
}

void ShowSchlachtFreeSfx(const bool *loaded)
{
    for (UWORD n = kSfxFirst; n <= kSfxLast; ++n) {
        if (!loaded[n - kSfxFirst]) continue;
        StopSfx(n);
        CloseKavorSfx(n);
    }
}

void InitAllThings(LokaleDatenNachrichten *ld)
{
    RastPort *rp = DisplayRastPort();
    ScreenRegion *r = ld->ScreenRegionPtr;
    SetFont(rp, ld->VekFontPtr);
    for (ULONG i = 0; i < r->CountLocaleTextBox; ++i) {
        const LocaleTextBox &b = r->LocaleTextBox[i];
        PrintText(rp, b.X0, b.Y0, b.X1, b.Y1, b.LocaleID ? b.LocaleID : "", 0, 7,
                  PT_CENTER | PT_BASELINE | PT_VCENTER);
    }
    SetFont(rp, ld->VekFont4Ptr);
    const LocStr *headings[3] = {&_VEK_NACHRICHTEN_KRIEGE, &_VEK_NACHRICHTEN_STAEDTE, &_VEK_NACHRICHTEN_SCHIFFE};
    for (ULONG i = 0; i < 3; ++i) {
        const Rechteck &b = r->Rechteck[i];
        PrintText(rp, b.X0, b.Y0, b.X1, b.Y1, S(*headings[i]), 0, 7, PT_CENTER | PT_BASELINE | PT_VCENTER);
    }
}

void ExitAllThings(LokaleDatenNachrichten *ld)
{
    FreeVec(ld->KriegsPtr);
    ld->KriegsPtr = nullptr;
}

}  // namespace

BOOL ShowBattles(LokaleDatenNachrichten *ld, ULONG category)
{
    st_KRIG *krig = nullptr;
    if (IsChunkPresent(ChunkBit(CN_KRIG), POOL_IN) && !(krig = static_cast<st_KRIG *>(LoadChunk2Mem(ID_KRIG, POOL_IN))))
        std::printf("ShowBattles : Konnte TaxeChunk nicht \xF6" "ffnen !\n");
    st_ANTW *players = IsFilePresent(kPlayerList) ? static_cast<st_ANTW *>(LoadChunk2Mem(ID_ANTW, kPlayerList))
                                                   : nullptr;
    ld->Typ = category;
    const st_KRIG_EXT *record = nullptr;
    BOOL detail = FALSE;
    *ld->Brief = ComposeSchlachtBrief(krig, category, &ld->KriegNr,
                                      {PlayerInfo.SpielerID, PlayerInfo.Spielname, players}, &record, &detail);
    ExitAllThings(ld);
    if (record) {
        ld->KriegsPtr = static_cast<st_KRIG_EXT *>(AllocVec(sizeof(st_KRIG_EXT), MEMF_CLEAR));
        *ld->KriegsPtr = *record;
    }
    ld->Active = detail;
    FreeVec(players);
    FreeChunk(krig);

    ClearRequester(ld->VekReqPtr);
    ld->VekReqPtr = nullptr;
    const Rechteck &box = ld->ScreenRegionPtr->Rechteck[4], &track = ld->ScreenRegionPtr->Rechteck[5];
    const UWORD w = (UWORD)(box.X1 - box.X0), h = (UWORD)(box.Y1 - box.Y0);
    ld->VekReqPtr = InitRequesterTextBox(w, ld->VekFont4Ptr, ld->Brief->c_str(), box.X0, box.Y0, w, h, 11, 7, nullptr);
    BOOL ok = 1;
    if (!ld->VekReqPtr) {
        std::printf("ShowBattles : Konnte Requester nicht initalisieren!\n");
        ok = 0;
    } else if (!InitSlider(ld->VekReqPtr, (UWORD)(track.X1 - track.X0), (UWORD)(track.Y1 - track.Y0), 26, 22, 25, 24,
                           track.X0, track.Y0)) {
        std::printf("ShowBattles : Konnte Slider nicht initalisieren!\n");
        ok = 0;
    }
    ShowMapView(ld);
    return ok;
}

void ShowSchlacht(LokaleDatenNachrichten *ld)
{
    if (!ld->Active || !ld->KriegsPtr) return;
    const st_KRIG_EXT k = *ld->KriegsPtr;
    CloseMapView(ld);
    BitMap *saved = ScreenSaveClip(0, 0, 640, 480);
    if (!saved) {
        std::printf("ShowSchlacht: Konnte Pic nicht retten!\n");
        return;
    }
    CloseKavorPic(kPicture, 1);
    const SchlachtBild bild = SchlachtBildFuer(k.Result, k.Angreifer.SpielerID == PlayerInfo.SpielerID);
    TextFont *font = nullptr;
    bool sfx[kSfxLast - kSfxFirst + 1] = {};
    const bool pic = bild.Picture && OpenKavorPic(kPath, bild.Picture, 0) >= 0;
    if (!pic) {
        std::printf("ShowSchlacht: Konnte Pic nicht laden!\n");
    } else if (!(font = OpenDiskFont("Fonts/Times30.fnt"))) {
        std::printf("NachrichtenScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
    } else {
        ShowSchlachtLoadSfx(sfx);
        if (!sfx[0]) {
            std::printf("ShowSchlachtLoadSfx : Konnte Sound-FX nicht \xF6" "ffnen!\n");
            std::printf("NachrichtenScreen: Konnte SoundSfx nicht \xF6" "ffnen !\n");
        }
        RastPort *rp = DisplayRastPort();
        SetFont(rp, font);
        st_ANTW *players = IsFilePresent(kPlayerList) ? static_cast<st_ANTW *>(LoadChunk2Mem(ID_ANTW, kPlayerList))
                                                       : nullptr;
        const SchlachtNamen names{PlayerInfo.SpielerID, PlayerInfo.Spielname, players};
        const std::string ang = SchlachtName(names, k.Angreifer.SpielerID);
        const std::string ver = SchlachtName(names, k.Verteidiger.SpielerID);
        FreeVec(players);
        ZeichneGrundbox40(rp, 20, 20, 240, (UWORD)(bild.Colour + 1), ang.c_str());
        ZeichneGrundbox40(rp, 380, 20, 240, bild.Colour, ver.c_str());
        if (sfx[0]) SfxPlayer(kSfxFirst, 0, 1);
        SchlachtZaehler z{};
        z.Sea = bild.Sea;
        ULONG countdown = 10;
        for (bool done = false; !done;) {
            const ULONG code = GetKey(GETKEY_TICKS);
            if (code == EVENT_TICK) {
                DrawRows(rp, SchlachtTick(&z, k), z, k, bild.Colour);
                if (--countdown == 0) {
                    countdown = Wuerfel(5) * 5 + 5;
                    const ULONG n = Wuerfel(4);
                    if (n < 4 && sfx[n + 1]) SfxPlayer((UWORD)(kSfxFirst + 1 + n), 0, 0);
                }
            } else if (code == KEY_ESCAPE) {
                // The first press shows everything at once, the next one leaves.
                if (z.t >= 50)
                    done = true;
                else
                    DrawRows(rp, SchlachtAlles(&z, k), z, k, bild.Colour);
            }
        }
    }
    ShowSchlachtFreeSfx(sfx);
    CloseFont(font);
    if (pic) CloseKavorPic(bild.Picture, 0);
    OpenKavorPic(kPath, kPicture, PIC_NOFADE);
    ScreenRestoreClip(saved, 0, 0, 640, 480);
    FadeIn();
}

LONG NachrichtenScreen()
{
    std::printf("Routine: NachrichtenScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 10, 10);
    if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("NachrichtenScreen: Konnte Pic nicht laden!\n");
        CloseKavorPic(kPicture, 0);
        StopCD(nullptr, 0);
        return -1;
    }
    auto *ld = static_cast<LokaleDatenNachrichten *>(AllocVec(sizeof(LokaleDatenNachrichten), MEMF_CLEAR));
    std::string brief;
    ld->Brief = &brief;
    ld->XOldPos = ld->YOldPos = -1;
    LONG result = -1;
    if (!(ld->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("NachrichtenScreen: Konnte Font nicht laden!\n");
    } else if (!(ld->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("NachrichtenScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
    } else if (!(ld->ScreenRegionPtr = GetScreenRegion("./Data/screendat/Nachrichten.dat",
                                                       SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_RECHTECK)) ||
               ld->ScreenRegionPtr->CountRechteck < 6) {
        std::printf("NachrichtenScreen: Kann TitelbarDaten nicht laden!\n");
    } else {
        result = 2;
    }
    if (result == 2) {
        InitAllThings(ld);
        CreateSchlachtCVS(ld);
        DrawAllGadgets(DisplayRastPort(), ld->ScreenRegionPtr);
        FadeIn();
        ScreenRegion *region = ld->ScreenRegionPtr;
        while (!ld->Fertig) {
            CheckTitleBar(region->TitleBar, ld->VekFontPtr, 6);
            const ULONG code = GetKey(GETKEY_TICKS);
            if (code == EVENT_TICK) continue;
            if (code == KEY_ESCAPE) {
                ld->Fertig = TRUE;
                continue;
            }
            // The detail view opens another picture: the display's port is asked anew.
            GadgetData *g = CheckGadgets(DisplayRastPort(), region, code);
            if (!g) continue;
            const ULONG id = g->ReturnID;
            if (id == MakeGadgetID("BU00") || id == MakeGadgetID("BU01") || id == MakeGadgetID("BU02")) {
                ShowBattles(ld, (ULONG)(id & 0xFF) - '0');
            } else if (id == MakeGadgetID("FORW")) {
                ++ld->KriegNr;
                ShowBattles(ld, ld->Typ);
            } else if (id == MakeGadgetID("BACK")) {
                --ld->KriegNr;
                ShowBattles(ld, ld->Typ);
            } else if (id == MakeGadgetID("AUGE")) {
                ShowSchlacht(ld);
            } else if ((id == MakeGadgetID("UP00") || id == MakeGadgetID("DO00")) && ld->VekReqPtr) {
                SetSlider(ld->VekReqPtr, id == MakeGadgetID("UP00") ? SLIDER_UP10 : SLIDER_DOWN10);
                SetRequesterBox(ld->VekReqPtr, 0, 0);
            } else if (id == MakeGadgetID("SL00") && ld->VekReqPtr) {
                SetSlider(ld->VekReqPtr, (UWORD)(GetMouseY() > 0 ? GetMouseY() : 0));
                SetRequesterBox(ld->VekReqPtr, 0, 0);
            } else if (id == MakeGadgetID("INFO")) {
                TextBox(S(_VEK_NACHRICHTEN_INFORMATION));
            } else if (id == GADGET_EXIT) {
                ld->Fertig = TRUE;
            }
        }
    }
    ExitAllThings(ld);
    ClearRequester(ld->VekReqPtr);
    CloseMapView(ld);
    FreeAllGadgets();
    ClearScreenRegion(ld->ScreenRegionPtr);
    CloseFont(ld->VekFontPtr);
    CloseFont(ld->VekFont4Ptr);
    FreeVec(ld);
    StopCD(nullptr, 0);
    CloseKavorPic(kPicture, result == 2 ? 1 : 0);
    return result;
}
