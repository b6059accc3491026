// The rune-stone game's rules: hidden runes, rows, scoring and the stake.
#include "world/runestone.h"

#include <cstdio>
#include <cstring>

#include "platform/gamevalues.h"
#include "platform/system.h"
#include "store/store.h"

ULONG (*RuneWuerfelHook)(ULONG n) = Wuerfel;

BOOL RuneReiheWerten(const UBYTE *Versteckt, const UBYTE *Reihe, RuneWertung *Wertung)
{
    if (!Versteckt || !Reihe || !Wertung) return 0;
    for (UWORD i = 0; i < RUNE_SPALTEN; ++i) {
        if (Reihe[i] == 0) return 0;
    }
    bool verstecktWeg[RUNE_SPALTEN] = {}, geratenWeg[RUNE_SPALTEN] = {};
    RuneWertung w{};
    for (UWORD i = 0; i < RUNE_SPALTEN; ++i) {
        if (Reihe[i] == Versteckt[i]) {
            ++w.Platz;
            verstecktWeg[i] = geratenWeg[i] = true;
        }
    }
    for (UWORD i = 0; i < RUNE_SPALTEN; ++i) {
        if (verstecktWeg[i]) continue;
        for (UWORD j = 0; j < RUNE_SPALTEN; ++j) {
            if (!geratenWeg[j] && Reihe[j] == Versteckt[i]) {
                ++w.Art;
                verstecktWeg[i] = geratenWeg[j] = true;
                break;
            }
        }
    }
    *Wertung = w;
    return 1;
}

void ClearGame(RuneStoneData *d)
{
    std::memset(d->GameStones, 0, sizeof d->GameStones);
    std::memset(d->RuneStones, 0, sizeof d->RuneStones);
    d->X_Pos = d->Y_Pos = 0;
    d->RowFull = 0;
    d->GamesStonesCounter = 0;
    d->GameStonesPtr = d->GameStones;
}

void SetRuneStones(RuneStoneData *d)
{
    ClearGame(d);
    for (UWORD i = 0; i < RUNE_SPALTEN; ++i) d->RuneStones[i] = (UBYTE)(RuneWuerfelHook(7) % RUNE_ARTEN + 1);
}

void ClearLine(RuneStoneData *d)
{
    if (d->Y_Pos >= RUNE_REIHEN) return;
    std::memset(d->GameStones + d->Y_Pos * RUNE_SPALTEN, 0, RUNE_SPALTEN);
    d->X_Pos = 0;
    d->RowFull = 0;
    d->GameStonesPtr = d->GameStones + d->Y_Pos * RUNE_SPALTEN;
}

BOOL RuneSetzen(RuneStoneData *d, UBYTE Art)
{
    if (d->Y_Pos >= RUNE_REIHEN || Art < 1 || Art > RUNE_ARTEN) return 0;
    UBYTE *reihe = d->GameStones + d->Y_Pos * RUNE_SPALTEN;
    reihe[d->X_Pos] = Art;
    ++d->GamesStonesCounter;
    if (d->X_Pos < RUNE_SPALTEN - 1) ++d->X_Pos;
    d->GameStonesPtr = reihe + d->X_Pos;
    d->RowFull = std::memchr(reihe, 0, RUNE_SPALTEN) == nullptr;
    return 1;
}

RuneStand SetRuneStonePoints(RuneStoneData *d, RuneWertung *Wertung)
{
    RuneWertung w{};
    if (d->Y_Pos >= RUNE_REIHEN || !RuneReiheWerten(d->RuneStones, d->GameStones + d->Y_Pos * RUNE_SPALTEN, &w))
        return RUNE_OFFEN;
    if (Wertung) *Wertung = w;
    d->RowFull = 0;
    if (w.Platz == RUNE_SPALTEN) return RUNE_GEWONNEN;
    ++d->Y_Pos;
    d->X_Pos = 0;
    d->GameStonesPtr = d->Y_Pos < RUNE_REIHEN ? d->GameStones + d->Y_Pos * RUNE_SPALTEN : nullptr;
    return d->Y_Pos >= RUNE_REIHEN ? RUNE_VERLOREN : RUNE_NAECHSTE_REIHE;
}

BOOL RuneEinsatzMoeglich(const st_LAND *Land)
{
    return Land && Land->AnzGold > RUNE_EINSATZ && Land->AnzGold < 100000u;
}

void RuneEinsatzBuchen(st_LAND *Land, BOOL Gesetzt, RuneAusgang Ausgang)
{
    if (!Land || !Gesetzt) return;
    if (Ausgang == RUNE_SIEG) {
        Land->AnzGold += RUNE_EINSATZ;
    } else {
        Land->AnzGold = Land->AnzGold > RUNE_EINSATZ ? Land->AnzGold - RUNE_EINSATZ : 0;
    }
}

st_LAND *LoadRuneStoneData()
{
    if (auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_OUT)) return land;
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    if (!land) std::printf("LoadRuneStoneData : Konnte LandChunk nicht \366ffnen !\n");
    return land;
}

BOOL WriteRuneStoneData(st_LAND *Land)
{
    if (!Land) return 0;
    const BOOL ok = AddChunkPool(Land, POOL_OUT);
    FreeVec(Land);
    return ok;
}
