// The residence's own rules: the old-turn warning, the tutorial's steps, the
// tips and the comment sounds, and the turn figures they read.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "world/cultivation.h"
#include "media/movie.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/letters.h"
#include "store/lists.h"
#include "store/store.h"
#include "town/residenz.h"
#include "world/towns.h"
#include "turn/turn.h"

namespace {

constexpr UWORD kPrefTip = 28, kPrefTutorial = 30, kPrefTurnDate = 31, kPrefNewTurn = 35;
constexpr ULONG kTutorialDone = 18;
constexpr ULONG kTipCount = 9;
constexpr ULONG kDay = 86400;

std::time_t SystemClock() { return std::time(nullptr); }

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    return CheckPrefsRead(id, &v) ? v : 0;
}

bool Present(ULONG chunk, const char *pool) { return IsChunkPresent(ChunkBit(chunk), pool) != 0; }

// A chunk the pool's INFO marks present; ok turns false when it cannot be read.
APTR LoadMarked(ULONG chunk, const char *pool, bool *ok)
{
    if (!Present(chunk, pool)) return nullptr;
    APTR c = LoadChunk2Mem(ChunkIDOf(chunk), pool);
    if (!c) *ok = false;
    return c;
}

bool FirstTownNamed()
{
    ULONG n = 0;
    TownList *list = LadeTownList(&n, nullptr);
    const bool named = list && n > 0 && std::strcmp(list[0].TownName, "NewTown") != 0;
    FreeVec(list);
    return named;
}

bool SuppliesSet()
{
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_OUT);
    const bool set = korn && korn->AusfallSaatlager != 0 && korn->AusfallBevLager != 0;
    FreeVec(korn);
    return set;
}

bool PeopleFed()
{
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_OUT);
    const bool fed = korn && korn->BevLager != 0;
    FreeVec(korn);
    return fed;
}

bool FieldsCultivated()
{
    Stadt *t = GetActiveTown((LONG)PlayerInfo.AktStadtID);
    if (!t) return false;
    ListHeader *list = CreateList(14);
    const bool any = list && ScanMapCult2List(list, t->XPos / 40, t->YPos / 20) && list->Elemente > 0;
    DeleteList(list, LIST_FREE_OWNED);
    FreeVec(t);
    return any;
}

bool FigureTired()
{
    auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, "./Data/MapPrefs.vek");
    if (!move) {
        std::printf("ShowTutorial: Konnte MOVE-Chunk nicht in Speicher laden!\n");
        return false;
    }
    const ULONG n = GetChunkEntryCount(move);
    bool found = false;
    for (ULONG i = 0; i < n && !found; ++i) {
        st_MOVE_EXT f;
        std::memcpy(&f, (const UBYTE *)move + sizeof(st_MOVE) + (size_t)i * sizeof f, sizeof f);
        found = f.SpielerID == PlayerInfo.SpielerID && f.Bewegungspunkte <= 7;
    }
    FreeVec(move);
    return found;
}

bool LetterWaiting()
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(MAILOUT_DIR, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".smal") return true;
    return false;
}

bool ResearchRunning()
{
    auto *fors = (st_FORS *)LoadChunk2Mem(ID_FORS, POOL_IN);
    const bool running = fors && fors->AktiveForschung != 0;
    FreeVec(fors);
    return running;
}

// Whether the step's condition holds; step 0 asks the player.
bool StepDue(ULONG step, bool newTurn)
{
    switch (step) {
    case 0: case 7: case 11: case 13: case 14: case 15: case 16: case 17: return newTurn;
    case 1: return FirstTownNamed();
    case 2: return PeopleFed();
    case 3: return Present(CN_BAUE, POOL_OUT);
    case 4: return SuppliesSet();
    case 5: return FieldsCultivated();
    case 6: return Present(CN_TAXE, POOL_OUT);
    case 8: return FigureTired();
    case 9: return Present(CN_ANFR, POOL_OUT);
    case 10: return LetterWaiting();
    case 12: return ResearchRunning();
    default: return false;
    }
}

}  // namespace

void PauseResidenzAnims(LokaleDatenResidenzScreen *ld, BOOL pause)
{
    PauseMovie((st_Movie *)ld->Movie1, (signed char)pause);
    PauseMovie((st_Movie *)ld->Movie2, (signed char)pause);
}

std::time_t (*ResidenzClockHook)() = SystemClock;

uint64_t PseudoSeconds(std::time_t t)
{
    std::tm tm{};
    gmtime_r(&t, &tm);
    return (uint64_t)tm.tm_year * 32140800u + (uint64_t)tm.tm_mon * 2678400u + (uint64_t)tm.tm_mday * kDay +
           (uint64_t)tm.tm_hour * 3600u + (uint64_t)tm.tm_min * 60u + (uint64_t)tm.tm_sec;
}

BOOL TurnIsOld(LokaleDatenResidenzScreen *ld)
{
    if (PlayerInfo.TurnChecked) return 0;
    const uint64_t last = Pref(kPrefTurnDate);
    // In 64 bits: a date near the top of 32 bits plus one day must not wrap to "long ago".
    if (last != 0 && last + kDay < PseudoSeconds(ResidenzClockHook())) {
        if (ResidenzDialogHooks.Ask(GetString(&_VEK_RESIDENZ_SPIELZUG_ALT)) == 0) {
            if (ResidenzDownload(ld->Movie1, ld->Movie2) == 1) {
                PlayerInfo.TurnChecked = 1;
                return 1;
            }
        } else {
            PauseResidenzAnims(ld, 1);
            ResidenzDialogHooks.Text(GetString(&_VEK_RESIDENZ_SPIELZUG_WARNUNG));
            PauseResidenzAnims(ld, 0);
        }
    }
    PlayerInfo.TurnChecked = 1;
    return 0;
}

void ShowTutorial(LokaleDatenResidenzScreen *ld)
{
    const ULONG step = Pref(kPrefTutorial);
    if (step >= kTutorialDone) return;
    const bool newTurn = Pref(kPrefNewTurn) != 0;
    if (!StepDue(step, newTurn)) return;
    if (step == 0 && ResidenzDialogHooks.Ask(GetString(&_VEK_RESIDENZ_TUTORIAL)) != 0) {
        CheckPrefsWrite(kPrefTutorial, kTutorialDone);
        return;
    }
    if (step < 17) {
        PauseResidenzAnims(ld, 1);
        ResidenzDialogHooks.Text(GetStringFromID(1545 + step));  // text step + 1
        PauseResidenzAnims(ld, 0);
    }
    CheckPrefsWrite(kPrefTutorial, step + 1);
}

void ShowTipps(LokaleDatenResidenzScreen *)
{
    if (Pref(kPrefTutorial) != kTutorialDone) return;
    // One byte: 255 is the -1 of "no tip shown yet".
    const ULONG raw = Pref(kPrefTip);
    const ULONG index = raw == 0xFF || raw == PREFS_FAIL ? 0 : raw;
    if (index >= kTipCount) return;
    ResidenzDialogHooks.Message(GetStringFromID(1480 + index));
    CheckPrefsWrite(kPrefTip, index + 1);
}

UWORD ResidenzSfxFor(const LokaleDatenResidenzScreen *ld, ULONG roll)
{
    switch (roll) {
    case 0: return ld->BuildingFinish && ld->GotSpielzug ? 28 : 0;
    case 1: return ld->GotSpielzug ? 29 : 0;
    case 2: return (ld->Quartal == 0 && ld->Saatlager == 0) || (ld->Bevlager == 0 && !ld->GotSpielzug) ? 30 : 0;
    case 3: return ld->AktiveForschung == 0 && ld->GotSpielzug ? 31 : 0;
    case 4: return ld->Grundsteuer >= 76 ? 32 : 0;
    case 5: return ld->Wetter == 5 || ld->Wetter == 6 ? 33 : 0;
    case 6: return ld->Wetter <= 1 ? 34 : 0;
    default: return 0;
    }
}

BOOL ReadResidenzChunks(LokaleDatenResidenzScreen *ld)
{
    bool ok = true;
    if (Present(CN_KORN, POOL_OUT)) {
        auto *in = (st_KORN *)LoadMarked(CN_KORN, POOL_IN, &ok);
        auto *out = (st_KORN *)LoadMarked(CN_KORN, POOL_OUT, &ok);
        if (in) {
            ld->Wetter = in->Wetter;
            ld->Quartal = in->Quartal;
        }
        if (out) {
            ld->Saatlager = out->Saatlager;
            ld->Bevlager = out->BevLager;
            ld->AusfallSaatlager = out->AusfallSaatlager;
            ld->AusfallBevlager = out->AusfallBevLager;
        }
        FreeVec(in);
        FreeVec(out);
    }
    auto *taxe = (st_TAXE *)LoadMarked(CN_TAXE, POOL_OUT, &ok);
    if (taxe) ld->Grundsteuer = taxe->Grundsteuer;
    FreeVec(taxe);
    auto *fors = (st_FORS *)LoadMarked(CN_FORS, POOL_IN, &ok);
    if (fors) ld->AktiveForschung = fors->AktiveForschung;
    FreeVec(fors);
    ld->BuildingFinish = Present(CN_GEBA, POOL_IN);
    return ok;
}

