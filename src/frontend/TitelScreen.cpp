// Screen 1: the title screen, the first screen of every run. From here the
// player starts playing, opens the options, starts a new game, saves and
// loads; a player without a realm is offered the slide show and credits.
#include <cstdio>
#include <string>

#include "frontend/frontend.h"
#include "frontend/titelscreen.h"
#include "gfx/font.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "world/cultivation.h"
#include "media/movie.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/figures.h"
#include "store/lists.h"
#include "store/store.h"
#include "world/chunkmachine.h"
#include "world/towns.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr UWORD kSfx = 168;
constexpr UWORD kBoxPic = 66, kBoxX = 168, kBoxY = 180;
constexpr UWORD kLabelPen = 37;

ULONG RealmState()
{
    ULONG v = 0;
    return CheckPrefsRead(0, &v) ? v : 0;
}

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    return CheckPrefsRead(id, &v) ? v : 0;
}

void PauseAnim(LokaleDatenTitelScreen *ld, signed char status)
{
    if (ld && ld->Movie1) PauseMovie(ld->Movie1, status);
}

void PrintLabels(ScreenRegion *region, TextFont *font, bool realm)
{
    const LocStr *labels[6] = {&_VEK_TITEL_NEU, &_VEK_TITEL_LADEN, &_VEK_TITEL_SPEICHERN,
                               realm ? &_VEK_TITEL_BATTLEARENA : &_VEK_TITELSCREEN_SLIDESHOW,
                               realm ? &_VEK_TITEL_EUERREICH : &_VEK_TITELSCREEN_CREDITS, &_VEK_RESITBAR_OPTIONS};
    RastPort *rp = DisplayRastPort();
    SetFont(rp, font);
    SetDrMd(rp, JAM1);
    for (ULONG i = 0; i < 6 && i < region->CountGadgetData; ++i) {
        const GadgetData &g = region->GadgetData[i];
        PrintText(rp, g.X0, g.Y0, g.X1, g.Y1, GetString(labels[i]), 0, kLabelPen,
                  PT_CENTER | PT_VCENTER | PT_BASELINE);
    }
}

// Any worked field in the 3 x 3 blocks around the active town. -1 when the
// list could not be made.
int TownHasWorkedFields()
{
    Stadt *town = GetActiveTown((LONG)PlayerInfo.AktStadtID);
    if (!town) return -1;
    const LONG bx = (LONG)(town->XPos / CULT_BLOCK_BREITE), by = (LONG)(town->YPos / CULT_BLOCK_HOEHE);
    FreeVec(town);
    ListHeader *list = CreateList(LISTE_MAPCULT);
    if (!list) return -1;
    int ok = 1;
    for (LONG dy = -1; dy <= 1 && ok; ++dy)
        for (LONG dx = -1; dx <= 1 && ok; ++dx)
            ok = ScanMapCult2List(list, (ULONG)((bx + dx + CULT_BLOCKS) % CULT_BLOCKS),
                                  (ULONG)((by + dy + CULT_BLOCKS) % CULT_BLOCKS));
    const int worked = list->Elemente > 0;
    DeleteList(list, 1);
    return ok ? worked : -1;
}

bool ActiveTownUnnamed()
{
    Stadt *town = GetActiveTown((LONG)PlayerInfo.AktStadtID);
    if (!town) return false;
    const bool unnamed = town->Event & STADTEVENT_NEWTOWN;
    FreeVec(town);
    return unnamed;
}

// Scouts of the player that have not moved yet; -1 when the MOVE chunk cannot be read.
int UnmovedScouts()
{
    st_MOVE *move = static_cast<st_MOVE *>(LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE));
    if (!move) return -1;
    const ULONG n = GetChunkEntryCount(move);
    const auto *fig = reinterpret_cast<const st_MOVE_EXT *>(reinterpret_cast<const UBYTE *>(move) + sizeof(st_MOVE));
    int count = 0;
    for (ULONG i = 0; i < n; ++i)
        if (fig[i].SpielerID == PlayerInfo.SpielerID && fig[i].FigurArt == 0 && fig[i].Bewegungspunkte == 8) ++count;
    FreeVec(move);
    return count;
}

bool InPool(ULONG id, const char *pool)
{
    APTR chunk = LoadChunk2Mem(id, pool);
    FreeVec(chunk);
    return chunk != nullptr;
}

bool DirEmpty(const char *dir)
{
    WIN32_FIND_DATA rec{};
    FindHandle h = FindFirstFile((std::string(dir) + "/*").c_str(), &rec);
    if (!h) return true;
    bool empty = true;
    do {
        const std::string name = rec.cFileName;
        if (name != "." && name != "..") empty = false;
    } while (empty && FindNextFile(h, &rec));
    FindClose(h);
    return empty;
}

constexpr const char *kMahnungKopf =
    "Mein Lord,\n\n Wir weisen Sie darauf hin, da\337 Sie folgende Dinge noch nicht erledigt haben und dies unser "
    "Reich gef\344hrden k\366nnte:\n\n";

}  // namespace

void InitImportantThings()
{
    static const char *const dirs[][2] = {{"./Data/POP3In", "POP3In"},
                                          {"./Data/POP3Out", "POP3Out"},
                                          {"./Data/MailIn", "MailIn"},
                                          {"./Data/MailOut", "MailOut"}};
    for (const auto &d : dirs)
        if (!Lock(d[0], ACCESS_READ) && !CreateDir(d[0]))
            std::printf("ResidenzScreen : Konnte Verzeichnis %s nicht anlegen !\n", d[1]);
}

int TitelScreenEvents(LokaleDatenTitelScreen *ld)
{
    if (RealmState() < 2 || PlayerInfo.Event != 2) return 0;
    PauseAnim(ld, 1);
    int failed = 0;
    if (ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL, GetString(&_VEK_TITELSCREEN_REPAIR1), 7) == 0) {
        const int army = ChunkMachine(POOL_OUT, ChunkBit(CN_ARMY), 0);
        const int ship = ChunkMachine(POOL_OUT, ChunkBit(CN_SHIP), 0);
        failed = !(army && ship);
        ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK,
                     GetString(failed ? &_VEK_TITELSCREEN_REPAIR2 : &_VEK_TITELSCREEN_REPAIR3), 7);
    }
    PlayerInfo.Event = 0;
    PauseAnim(ld, 0);
    return failed;
}

std::string TitelReminders()
{
    std::string text;
    auto add = [&](const char *line) {
        text += line;
        text += "\n\n";
    };
    st_KORN *korn = static_cast<st_KORN *>(LoadChunk2Mem(ID_KORN, POOL_OUT));
    if (korn) {
        if (korn->BevLager == 0)
            add("...sie haben kein Korn im Kornlager f\374r die Bev\366lkerung gelassen. Das f\374hrt dazu, da\337 "
                "unser Volk verhungern wird...");
        if (korn->Saatlager == 0 && korn->Quartal == 0)
            add("...sie haben kein Korn im Saatlager gelassen, obwohl Fr\374hjahr ist und im Sommer die Erntezeit "
                "ansteht. In diesem Falle werden sie kein Korn im n\344chsten Jahr besitzen...");
        FreeVec(korn);
    }
    // A field list that cannot be read leaves its reminder out rather than
    // keeping the player in the game.
    if (TownHasWorkedFields() == 0)
        add("...sie haben den Feldern noch keine Arbeiter zugewiesen. Wir ben\366tigen mehr beacktere Felder, "
            "Fischfang, Holz aus den W\344ldern oder Stein f\374r die weitere Entwicklung unseres Reiches...");
    if (ActiveTownUnnamed())
        add("...sie haben Ihrer Stadt noch keinen Namen gegeben. Suchen Sie in der Residenz den Weg zu Ihrer "
            "Stadt...");
    if (!InPool(ID_TAXE, POOL_OUT) && !InPool(ID_TAXE, POOL_IN))
        add("...sie haben noch keine Steuern eingestellt. Ohne Steuern werden Sie das Reich nicht weiter entwickeln "
            "k\366nnen...");
    if (!InPool(ID_BAUE, POOL_OUT) && !InPool(ID_GEBA, POOL_IN))
        add("...sie haben noch nicht genug Geb\344ude in Auftrag gegeben. Wir ben\366tigen dringend einen "
            "Marktplatz, eine Schmide, ein S\344gewerk und mehr Kornlager und M\374hlen f\374r die Ernte...");
    const ULONG step = Pref(30);
    if (step > 8 && !InPool(ID_ANFR, POOL_OUT) && !IsFilePresent("./Data/SpielerList.vek"))
        add("...sie haben auf der Karte noch keine unbekannten Nachbarn entdeckt. Bitte suchen Sie Nachbarn damit "
            "wir m\366glichst bald mit Ihnen handeln k\366nnen ...");
    if (step > 11 && !InPool(ID_FORS, POOL_OUT) && !InPool(ID_FORS, POOL_IN))
        add("...sie haben noch keine Forschung in Auftrag gegeben. Forschung wird es uns erm\366glichen in den "
            "verschiedensten Gebieten Vorteile zu erlangen. F\374r einen Marktplatz z.B. sollten sie dringend auf "
            "dem Gebiet der Technik forschen...");
    if (step > 7) {
        const int scouts = UnmovedScouts();
        if (scouts < 0) std::printf("CheckGameValues: Konnte MOVE-Chunk nicht in Speicher laden!\n");
        for (int i = 0; i < scouts; ++i)
            add("...sie haben Ihren Kundschafter noch nicht bewegt. Nur durch das erkunden neuer Landstriche k\366nnen "
                "Sie auch Ihre Nachbarn kennenlernen...");
    }
    if (Pref(33) == 0 && DirEmpty("./Data/MailOut"))
        add("...sie haben in der Taverne noch keine Willkommensbotschaft geschrieben. H\366flichkeit ist "
            "Vorraussetzung f\374r ein freundliche Antwort Ihrer Nachbarn. Es w\344re von Vorteil dies "
            "nachzuholen...");
    return text.empty() ? text : kMahnungKopf + text;
}

int CheckGameValues(LokaleDatenTitelScreen *ld)
{
    std::printf("Routine: CheckGameValues\n");
    if (Pref(15) == 0) {
        PauseAnim(ld, 1);
        const LONG answer =
            ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL, GetString(&_VEK_TITELSCREEN_NOTURN), 7);
        PauseAnim(ld, 0);
        if (answer != 0) return 0;
    }
    if (Pref(33) > 10) return 1;
    const std::string text = TitelReminders();
    if (!text.empty()) {
        PauseAnim(ld, 1);
        TextBox(text.c_str());
        PauseAnim(ld, 0);
    }
    return 1;
}

LONG TitelScreen()
{
    std::printf("Routine: TitelScreen\n");
    PlayCDTrack(nullptr, 0, Wuerfel(1) ? 13 : 2, Wuerfel(1) ? 13 : 2);
    InitImportantThings();
    bool realm = RealmState() >= 2;
    const LONG noSound = realm ? 2 : 32;
    if (OpenKavorPic(kPath, 1, 0) < 0) {
        std::printf("TitelScreen: Konnte Pic nicht laden!\n");
        CloseKavorPic(1, 0);
        return -1;
    }
    auto *ld = static_cast<LokaleDatenTitelScreen *>(AllocVec(sizeof(LokaleDatenTitelScreen), MEMF_CLEAR));
    TextFont *font = nullptr;
    ScreenRegion *region = nullptr;
    bool sfx = false;
    auto release = [&](LONG result) {
        ClearScreenRegion(region);
        if (font) {
            SetFont(DisplayRastPort(), nullptr);
            CloseFont(font);
        }
        if (sfx) {
            StopSfx(kSfx);
            CloseKavorSfx(kSfx);
        }
        if (ld) {
            if (ld->Movie1) UnloadMovie(ld->MovieBase, ld->Movie1);
            FreeMovieBase(ld->MovieBase);
        }
        FreeVec(ld);
        CloseKavorPic(1, result == -1 ? 0 : 1);
        if (result == 2 && RealmState() < 2) result = 32;
        return result;
    };
    if (!ld) {
        std::printf("TitelScreen: Kein Speicher f\374r lokale Daten!\n");
        return release(-1);
    }
    while (Fade) SDL_Delay(20);
    ld->MovieBase = AllocMovieBase(TitelScreenPtr, (char)InitAnimGfx(), (char)InitAnimProz(), 0);
    if (!ld->MovieBase) {
        std::printf("TitelScreen: Konnte AnimBase nicht laden!\n");
        return release(-1);
    }
    ld->Movie1 = LoadMovie(ld->MovieBase, "./Anims/TitelWasserfall.cban", nullptr, nullptr);
    if (ld->Movie1)
        PlayMovie(ld->MovieBase, ld->Movie1, 432, 319, 68, 1);  // looping, scrambled, one frame a second
    else
        std::printf("TitelScreen: Konnte Anim nicht laden!\n");
    if (!OpenKavorSfx("./Data/SfxPath", kSfx)) {
        std::printf("LoadTitelScreenSfx : Konnte Sound-FX nicht \366ffnen!\n");
        std::printf("TitelScreen: Konnte Sfx nicht laden...\n");
        return release(noSound);
    }
    sfx = true;
    if (!(font = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("TitelScreen: Konnte Font nicht laden!\n");
        return release(noSound);
    }
    if (!(region = GetScreenRegion("./Data/screendat/Titel.dat", SR_TITLEBAR | SR_GADGETDATA))) {
        std::printf("TitelScreen: Konnte Screendaten nicht laden!\n");
        return release(-1);
    }
    RastPort *rp = DisplayRastPort();
    FadeIn();
    // Above 8 bits the fade puts the picture on the display afresh.
    PrintLabels(region, font, realm);
    ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, "Debug-Version!", 7);
    SfxPlayer(kSfx, 0, 1);
    TitelScreenEvents(ld);

    LONG pending = 2;
    for (;;) {
        const ULONG code = GetKey(GETKEY_TICKS);
        GadgetData *g = CheckGadgets(rp, region, code);
        if (g && g->ReturnID == GADGET_EXIT) {
            if (!realm || CheckGameValues(ld)) return release(-1);
            continue;
        }
        bool stays = false;
        if (g) {
            switch (g->ReturnID) {
            case MakeGadgetID("BATL"):
                if (realm) {
                    pending = 2;
                    break;
                }
                stays = true;
                {
                    PauseAnim(ld, 1);
                    const bool captions = ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL,
                                                       GetString(&_VEK_TAVERNE_TEXT1), 7) == 0;
                    StopSfx(kSfx);
                    CloseKavorPic(1, 1);
                    SlideShow(captions ? 1 : 0);
                    if (OpenKavorPic(kPath, 1, 0) < 0) {
                        std::printf("TitelScreen: Konnte Pic nicht laden!\n");
                        return release(-1);
                    }
                    DrawAllGadgets(rp, region);
                    PrintLabels(region, font, realm);
                    SfxPlayer(kSfx, 0, 1);
                    PauseAnim(ld, 0);
                }
                break;
            case MakeGadgetID("LOAD"):
                stays = true;
                PauseAnim(ld, 1);
                if (ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL,
                                 GetString(&_VEK_TITELSCREEN_LADENINFO), 7) == 0)
                    LoadGame(ld);
                PauseAnim(ld, 0);
                {
                    // The released gadget was drawn over its label; a load
                    // that changes the realm changes two labels as well.
                    const bool vorher = realm;
                    realm = RealmState() >= 2;
                    if (realm != vorher) DrawAllGadgets(rp, region);
                    PrintLabels(region, font, realm);
                }
                break;
            case MakeGadgetID("NEU0"):
                PauseAnim(ld, 1);
                if (ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL,
                                 GetString(&_VEK_TITELSCREEN_NEUINFO), 7) == 0)
                    NewGame(ld);
                PauseAnim(ld, 0);
                break;
            case MakeGadgetID("NORM"): pending = realm ? 2 : 151; break;
            case MakeGadgetID("OPTI"): pending = 133; break;
            case MakeGadgetID("SAVE"):
                stays = true;
                SaveGame(ld, 0);
                break;
            default: break;
            }
        }
        // A release that no staying gadget took ends the screen.
        if (code == EVENT_LEFTUP && !stays) return release(pending);
    }
}
