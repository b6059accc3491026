// Screen 33: the advisors' reports. Six buttons each compose one report from
// the received turn and show it in the scrolling box beside the waterfall.
// The screen only reads.
#include <cstdio>
#include <string>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/berichte.h"
#include "realm/realm.h"
#include "store/store.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/warehouse.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kPlayerList = "./Data/SpielerList.vek";
constexpr ULONG kPicture = 33, kGfx = 283;
constexpr UWORD kSfx = 168;
constexpr UWORD kBoxX = 258, kBoxY = 83, kBoxW = 292, kBoxH = 257;
constexpr UWORD kSliderX = 567, kSliderY = 105, kSliderW = 14, kSliderH = 215;

// Shows text in the screen's box, the previous box freed first. who names
// the report in the failure lines.
BOOL ShowText(LokalDataBerichte *ld, std::string text, const char *who)
{
    ClearRequester(ld->VekReqPtr);
    ld->VekReqPtr = nullptr;
    *ld->Text = std::move(text);
    ld->VekReqPtr = InitRequesterTextBox(kBoxW, ld->VekFont4Ptr, ld->Text->c_str(), kBoxX, kBoxY, kBoxW, kBoxH, 55, 7,
                                         nullptr);
    if (!ld->VekReqPtr) {
        std::printf("%s : Konnte Requester nicht initalisieren!\n", who);
        return 0;
    }
    if (!InitSlider(ld->VekReqPtr, kSliderW, kSliderH, 26, 22, 25, 24, kSliderX, kSliderY)) {
        std::printf("%s : Konnte Slider nicht initalisieren!\n", who);
        return 0;
    }
    return 1;
}

bool Present(ULONG num) { return IsChunkPresent(ChunkBit(num), POOL_IN); }

}  // namespace

BOOL ShowContryData(LokalDataBerichte *ld)
{
    auto *land = static_cast<st_LAND *>(LoadChunk2Mem(ID_LAND, POOL_IN));
    if (!land) {
        std::printf("ShowContryData : LandChunk nicht vorhanden !\n");
        return 0;
    }
    // Trust as the orders stand, when the player changed it this turn.
    ULONG vertrauen = land->Vertrauen;
    if (auto *out = static_cast<st_LAND *>(LoadChunk2Mem(ID_LAND, POOL_OUT))) {
        vertrauen = out->Vertrauen;
        FreeChunk(out);
    }
    std::string text = ComposeCountryReport(*land, vertrauen, GetSizeOfWarehouse(), GetHowMuchGoods());
    FreeChunk(land);
    return ShowText(ld, std::move(text), "ShowContryData");
}

BOOL ShowHarvestData(LokalDataBerichte *ld)
{
    if (!Present(CN_KORN)) {
        std::printf("ShowContryData : LandChunk nicht vorhanden !\n");
        return 0;
    }
    auto *korn = static_cast<st_KORN *>(LoadChunk2Mem(ID_KORN, POOL_IN));
    if (!korn) {
        std::printf("ShowContryData : Konnte KornChunk nicht \xF6" "ffnen !\n");
        return 0;
    }
    std::string text = ComposeHarvestReport(*korn);
    FreeChunk(korn);
    return ShowText(ld, std::move(text), "ShowContryData");
}

BOOL ShowBuildingData(LokalDataBerichte *ld)
{
    if (!IsFilePresent(GEBAEUDE_FILE)) return 1;
    auto *geba = static_cast<st_GEBA *>(LoadChunk2Mem(ID_GEBA, GEBAEUDE_FILE));
    if (!geba) {
        std::printf("ShowBuildingData : Konnte LandChunk nicht \xF6" "ffnen !\n");
        return 0;
    }
    std::string text = ComposeBuildingReport(geba);
    FreeChunk(geba);
    return ShowText(ld, std::move(text), "ShowBuildingData");
}

BOOL ShowTaxesData(LokalDataBerichte *ld)
{
    auto *land = static_cast<st_LAND *>(LoadChunk2Mem(ID_LAND, POOL_IN));
    if (!land) {
        std::printf("ShowTaxesData : Konnte LandChunk nicht \xF6" "ffnen !\n");
        return 0;
    }
    FreeChunk(land);
    st_TAXE *taxe = nullptr;
    if (Present(CN_TAXE) && !(taxe = static_cast<st_TAXE *>(LoadChunk2Mem(ID_TAXE, POOL_IN)))) {
        std::printf("ShowTaxesData : Konnte TaxeChunk nicht \xF6" "ffnen !\n");
        return 0;
    }
    std::string text = ComposeTaxesReport(taxe);
    FreeChunk(taxe);
    return ShowText(ld, std::move(text), "ShowTaxesData");
}

BOOL ShowResearchData(LokalDataBerichte *ld)
{
    if (!Present(CN_FORS)) return 1;
    auto *fors = static_cast<st_FORS *>(LoadChunk2Mem(ID_FORS, POOL_IN));
    if (!fors) {
        std::printf("ShowResearchData : Konnte KornChunk nicht \xF6" "ffnen !\n");
        return 0;
    }
    std::string text = ComposeResearchReport(*fors);
    FreeChunk(fors);
    return ShowText(ld, std::move(text), "ShowResearchData");
}

BOOL ShowTradeData(LokalDataBerichte *ld)
{
    st_ANTW *players = nullptr;
    if (IsFilePresent(kPlayerList) && !(players = static_cast<st_ANTW *>(LoadChunk2Mem(ID_ANTW, kPlayerList)))) {
        std::printf("ShowTradeData : Konnte SpielerList nicht \xF6" "ffnen !\n");
        return 0;
    }
    st_WARE *ware = nullptr;
    if (Present(CN_WARE) && !(ware = static_cast<st_WARE *>(LoadChunk2Mem(ID_WARE, POOL_IN)))) {
        std::printf("ShowTradeData : Konnte WareChunk nicht \xF6" "ffnen !\n");
        FreeChunk(players);
        return 0;
    }
    std::string text;
    const BOOL composed = ComposeTradeReport(ware, players, PlayerInfo.SpielerID, PlayerInfo.Spielname, &text);
    FreeChunk(ware);
    FreeChunk(players);
    return composed ? ShowText(ld, std::move(text), "ShowTradeData") : 0;
}

LONG BerichteScreen()
{
    std::printf("Routine: BerichteScreen\n");
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 4, 4);
    if (OpenKavorPic(kPath, kPicture, PIC_NOFADE) < 0) {
        std::printf("BerichteScreen: Konnte Pic nicht \xF6" "ffnen!\n");
        CloseKavorPic(kPicture, 0);
        return -1;
    }
    auto *ld = static_cast<LokalDataBerichte *>(AllocVec(sizeof(LokalDataBerichte), MEMF_CLEAR));
    std::string text;
    ld->Text = &text;
    bool gfx = false, sfx = false;
    LONG result = -1;
    if (!(ld->VekFont4Ptr = OpenDiskFont("Fonts/XHelvetica11.fnt"))) {
        std::printf("BerichteScreen: Konnte Font nicht laden!\n");
    } else if (!(ld->VekFontPtr = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("BerichteScreen: Konnte Kavor-Font nicht \xF6" "ffnen !\n");
    } else if (!(gfx = OpenKavorGfx(kPath, kGfx) == 1)) {
        std::printf("LoadBerichteScreenGfx : Konnte Grafik nicht \xF6" "ffnen!\n");
        std::printf("BerichteScreen: Konnte Grafik nicht \xF6" "ffnen !\n");
    } else if (!(sfx = OpenKavorSfx(kSfxPath, kSfx))) {
        std::printf("LoadBerichteScreenSfx : Konnte Sound-FX nicht \xF6" "ffnen!\n");
        std::printf("TitelScreen: Konnte Sfx nicht laden...\n");
    } else if (!(ld->MovieBase = AllocMovieBase(TitelScreenPtr, (char)InitAnimGfx(), (char)InitAnimProz(), 0))) {
        std::printf("InitRoredIdezAnims: AllocMovieBase fehlgeschlagen...\n");
        std::printf("BerichteScreen: Konnte AnimBase nicht laden!\n");
    } else {
        auto *base = static_cast<st_MovieBase *>(ld->MovieBase);
        // A waterfall that does not load is left out.
        if (st_Movie *m = LoadMovie(base, "./Anims/BerichteWasserfall.cban", nullptr, nullptr)) {
            PlayMovie(base, m, 448, 396, 69, 2);
            ld->Movie1 = m;
        }
        ld->ScreenRegionPtr = GetScreenRegion("./Data/screendat/Berichte.dat", SR_TITLEBAR | SR_GADGETDATA);
        if (!ld->ScreenRegionPtr) {
            std::printf("BerichteScreen: Kann TitelbarDaten nicht laden!\n");
        } else {
            result = 2;
        }
    }
    if (result == 2) {
        RastPort *rp = DisplayRastPort();
        SetFont(rp, ld->VekFontPtr);
        PrintText(rp, 325, 59, 482, 75, GetString(&_VEK_RESITBAR_REPORT), 0, 0, PT_CENTER | PT_BASELINE | PT_VCENTER);
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, ld->VekFont4Ptr);
        DrawAllGadgets(rp, ld->ScreenRegionPtr);
        FadeIn();
        SfxPlayer(kSfx, 0, 0);
        ScreenRegion *region = ld->ScreenRegionPtr;
        while (!ld->Fertig) {
            CheckTitleBar(region->TitleBar, ld->VekFontPtr, 6);
            const ULONG code = GetKey(GETKEY_TICKS);
            if (code == EVENT_TICK) continue;
            GadgetData *g = CheckGadgets(rp, region, code);
            if (!g) continue;
            const ULONG id = g->ReturnID;
            if (id == MakeGadgetID("BU00")) {
                ShowContryData(ld);
            } else if (id == MakeGadgetID("BU01")) {
                ShowHarvestData(ld);
            } else if (id == MakeGadgetID("BU02")) {
                ShowBuildingData(ld);
            } else if (id == MakeGadgetID("BU03")) {
                ShowTaxesData(ld);
            } else if (id == MakeGadgetID("BU04")) {
                ShowResearchData(ld);
            } else if (id == MakeGadgetID("BU05")) {
                ShowTradeData(ld);
            } else if ((id == MakeGadgetID("UP00") || id == MakeGadgetID("DO00")) && ld->VekReqPtr) {
                SetSlider(ld->VekReqPtr, id == MakeGadgetID("UP00") ? SLIDER_UP10 : SLIDER_DOWN10);
                SetRequesterBox(ld->VekReqPtr, 0, 0);
            } else if (id == MakeGadgetID("SL00") && ld->VekReqPtr) {
                SetSlider(ld->VekReqPtr, (UWORD)(GetMouseY() > 0 ? GetMouseY() : 0));
                SetRequesterBox(ld->VekReqPtr, 0, 0);
            } else if (id == GADGET_EXIT) {
                ld->Fertig = TRUE;
            }
        }
    }
    ClearRequester(ld->VekReqPtr);
    FreeAllGadgets();
    ClearScreenRegion(ld->ScreenRegionPtr);
    if (auto *base = static_cast<st_MovieBase *>(ld->MovieBase)) {
        if (ld->Movie1) UnloadMovie(base, static_cast<st_Movie *>(ld->Movie1));
        FreeMovieBase(base);
    }
    if (sfx) {
        StopSfx(kSfx);
        CloseKavorSfx(kSfx);
    }
    if (gfx) CloseKavorGfx(kGfx);
    CloseFont(ld->VekFontPtr);
    CloseFont(ld->VekFont4Ptr);
    FreeVec(ld);
    CloseKavorPic(kPicture, result == 2 ? 1 : 0);
    return result;
}
