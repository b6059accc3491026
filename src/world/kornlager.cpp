// Granary numbers and the KORN order.
#include "world/kornlager.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "store/store.h"

ULONG (*KornWuerfel)(ULONG n) = Wuerfel;

namespace {

LONG Saettigen(int64_t v) { return (LONG)std::clamp<int64_t>(v, 0, KORN_GRENZE); }

}  // namespace

LONG KornKapazitaet(ULONG AnzKornlager, ULONG AnzKontore)
{
    return Saettigen((int64_t)AnzKornlager * 40000 + (int64_t)AnzKontore * 200000);
}

BOOL ReadKornLagerData(LokaleDatenKornLager *d)
{
    *d = LokaleDatenKornLager{};
    d->TransferKorn = -1;
    d->Maxpixel = KORN_MAXPIXEL;
    d->Status_Erntevorhersage = 50;
    const char *pool = IsChunkPresent(ChunkBit(CN_KORN), POOL_OUT) ? POOL_OUT
                       : IsChunkPresent(ChunkBit(CN_KORN), POOL_IN) ? POOL_IN
                                                                    : nullptr;
    if (pool) {
        auto *k = (st_KORN *)LoadChunk2Mem(ID_KORN, pool);
        if (!k) {
            std::printf("ReadKornLagerData : Konnte KornChunk nicht \366ffnen !\n");
            return 0;
        }
        std::memcpy(&d->Gelesen, k, sizeof(st_KORN));
        FreeVec(k);
    }
    const st_KORN &k = d->Gelesen;
    const ULONG werte[3] = {k.Saatlager, k.Kornlager, k.BevLager};
    const LONG kap = KornKapazitaet(k.AnzKornlager, k.AnzKontore);
    for (int i = 0; i < 3; ++i) {
        d->AktMenge_KornSpeicher[i] = d->OrgMenge_KornSpeicher[i] = Saettigen(werte[i]);
        d->MaxMenge_KornSpeicher[i] = kap;
    }
    d->Status_Anno = (UWORD)k.Jahr;
    d->Status_Season = k.Quartal;
    d->Status_Ratten = (k.KornFlag & 0x04) != 0;
    d->AnzKornlager = k.AnzKornlager;
    d->AnzMuehlen = k.AnzMuehlen;
    d->Wetter = k.Wetter;
    d->Zustand_Ernte = k.Wetter / 2;
    d->AusfallSaatlager = k.AusfallSaatlager;
    d->AusfallBevLager = k.AusfallBevLager;
    if (IsChunkPresent(ChunkBit(CN_LAND), POOL_IN)) {
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
        if (!land) {
            std::printf("ReadKornLagerData : Konnte LandChunk nicht \366ffnen !\n");
            return 0;
        }
        d->AnzVolk = land->AnzVolk;
        d->Status_Vertrauen = land->Vertrauen * 100ull / 500;
        FreeVec(land);
    }
    d->Maxwert = kap;
    return 1;
}

LONG KornBalkenOffset(LONG v, LONG Maxwert, LONG Maxpixel)
{
    if (Maxwert <= 0) return 0;
    int64_t wert = std::max<LONG>(v, 0), max = Maxwert;
    if (wert > 10000000) wert /= 100, max /= 100;
    if (max <= 0) return 0;
    return (LONG)std::clamp<int64_t>(Maxpixel - wert * Maxpixel / max, 0, Maxpixel);
}

LONG KornVerschieben(LokaleDatenKornLager *d, int von, int nach)
{
    LONG &quelle = d->AktMenge_KornSpeicher[von];
    const LONG schritt = d->MaxMenge_KornSpeicher[von] / 100;
    d->TransferKorn = std::min(std::max<LONG>(quelle, 0), schritt);
    quelle -= d->TransferKorn;
    const LONG bewegt = d->TransferKorn;
    d->AktMenge_KornSpeicher[nach] = Saettigen((int64_t)d->AktMenge_KornSpeicher[nach] + bewegt);
    d->TransferKorn = -1;
    return bewegt;
}

void KornPfeil(LokaleDatenKornLager *d, int Pfeil)
{
    switch (Pfeil) {
    case 0: KornVerschieben(d, KORN_LAGER, KORN_SAAT); break;
    case 1: KornVerschieben(d, KORN_SAAT, KORN_LAGER); break;
    case 2:
        KornVerschieben(d, KORN_SAAT, KORN_LAGER);
        KornVerschieben(d, KORN_BEV, KORN_LAGER);
        break;
    case 3:
        KornVerschieben(d, KORN_LAGER, KORN_SAAT);
        KornVerschieben(d, KORN_LAGER, KORN_BEV);
        break;
    case 4: KornVerschieben(d, KORN_LAGER, KORN_BEV); break;
    case 5: KornVerschieben(d, KORN_BEV, KORN_LAGER); break;
    default: break;
    }
}

void KornEingabe(LokaleDatenKornLager *d, int Speicher, LONG v)
{
    LONG *a = d->AktMenge_KornSpeicher;
    v = std::max<LONG>(v, 0);
    if (Speicher == KORN_SAAT || Speicher == KORN_BEV) {
        const int64_t o = a[Speicher], lager = a[KORN_LAGER];
        if (v < o) {
            a[KORN_LAGER] = Saettigen(lager + (o - v));
            a[Speicher] = v;
        } else if (v - o < lager) {
            a[KORN_LAGER] = (LONG)(lager - (v - o));
            a[Speicher] = v;
        } else {
            a[KORN_LAGER] = 0;
            a[Speicher] = Saettigen(lager + o);
        }
        return;
    }
    if (Speicher != KORN_LAGER) return;
    const int64_t s = a[KORN_SAAT], p = a[KORN_BEV], o = a[KORN_LAGER], T = s + p + o;
    if (v >= T) {
        a[KORN_SAAT] = a[KORN_BEV] = 0;
        a[KORN_LAGER] = Saettigen(T);
        return;
    }
    // What the stock gains or loses comes half from each other store, and
    // their sum changes by exactly that: no grain from rounding.
    const int64_t dd = v - o, h = dd >> 1, rest = s + p - dd;
    int64_t saat;
    if (s < h) saat = 0;
    else if (p < h) saat = rest;
    else saat = s - h;
    a[KORN_LAGER] = v;
    a[KORN_SAAT] = Saettigen(saat);
    a[KORN_BEV] = Saettigen(rest - saat);
}

LONG KornZahl(const char *text)
{
    if (!text) return 0;
    errno = 0;
    const long long v = std::strtoll(text, nullptr, 10);
    return Saettigen(v);
}

ULONG KornFuellstand(LONG Lager, LONG Kapazitaet)
{
    if (Kapazitaet < 10) return 0;
    return (ULONG)std::min<int64_t>((int64_t)std::max<LONG>(Lager, 0) * 10 / (Kapazitaet / 10), 0xFFFFFFFF);
}

UWORD KornKammerBand(ULONG F) { return F >= 76 ? 3 : F >= 51 ? 2 : F >= 26 ? 1 : 0; }

ULONG KornBedarfVolk(ULONG AnzVolk) { return (ULONG)std::min<uint64_t>((uint64_t)AnzVolk * 150 / 100, 0xFFFFFFFF); }
ULONG KornBedarfSaat(ULONG AnzVolk) { return KornBedarfVolk(AnzVolk) / 10; }

ULONG KornAusfall(LONG Menge, ULONG W, ULONG Gelesen)
{
    if (Menge <= 0) return Gelesen;
    return (ULONG)((uint64_t)Menge * (90 + (uint64_t)W) / 100);
}

st_KORN KornChunk(const LokaleDatenKornLager *d, ULONG W)
{
    st_KORN k = d->Gelesen;
    k.Head = {ID_KORN, VERSION_V001, sizeof(st_KORN) - sizeof(st_ChunkHead)};
    k.Jahr = d->Status_Anno;
    k.Quartal = d->Status_Season;
    k.Saatlager = (ULONG)d->AktMenge_KornSpeicher[KORN_SAAT];
    k.Kornlager = (ULONG)d->AktMenge_KornSpeicher[KORN_LAGER];
    k.BevLager = (ULONG)d->AktMenge_KornSpeicher[KORN_BEV];
    k.AnzKornlager = d->AnzKornlager;
    k.HighErnte = KORN_HIGHERNTE;
    k.Wetter = (UBYTE)d->Wetter;
    k.AusfallSaatlager = KornAusfall(d->AktMenge_KornSpeicher[KORN_SAAT], W, d->AusfallSaatlager);
    k.AusfallBevLager = KornAusfall(d->AktMenge_KornSpeicher[KORN_BEV], W, d->AusfallBevLager);
    return k;
}

BOOL WriteKornLagerData(LokaleDatenKornLager *d)
{
    const ULONG W = KornWuerfel(20);
    const st_KORN k = KornChunk(d, W);
    if (!AddChunkPool(&k, POOL_OUT)) return 0;
    d->AusfallSaatlager = k.AusfallSaatlager;
    d->AusfallBevLager = k.AusfallBevLager;
    for (int i = 0; i < 3; ++i) d->OrgMenge_KornSpeicher[i] = d->AktMenge_KornSpeicher[i];
    return 1;
}
