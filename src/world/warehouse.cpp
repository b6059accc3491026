// Warehouse capacity, goods weights and luxury needs.
#include "world/warehouse.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/memfile.h"
#include "store/store.h"

namespace {

constexpr ULONG kResidenz = 15;  // GebID of the residence

// Weight of one unit by ware type; single precision, as the market computes it.
constexpr float kGewicht[116] = {
    0.01f, 0.1f,  0.1f, 0.1f,  0,     0,     0,    4,     8,     7,     0.5f,  0.65f,
    0.5f,  0.8f,  1,    1.5f,  2,     0.3f,  0.6f, 0.85f, 1,     0.25f, 0.5f,  0.4f,
    0.5f,  0.6f,  0.55f, 1,    0.6f,  0.5f,  0.4f, 0.6f,  0.4f,  0.6f,  0.35f, 0.4f,
    0.75f, 0.75f, 1.5f, 2,     0.5f,  0.5f,  1,    1.5f,  0.7f,  1,     1,     0.2f,
    0.25f, 0.35f, 50,   150,   300,   100,   300,  500,   0.01f, 0.01f, 0.01f, 0.01f,
    0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f,
    0.01f, 0.01f, 0.5f, 0.55f, 0.6f,  1,     0.5f, 0.5f,  1.5f,  10,    0.3f,  0.4f,
    0.3f,  0.2f,  0.4f, 0.2f,  0.2f,  0.3f,  0.05f, 0.3f, 0.1f,  0.2f,  0.05f, 0.1f,
    0.3f,  0.1f,  0.02f, 0.02f, 0.55f, 0.9f, 0.5f, 0.6f,  0.7f,  0.5f,  0.7f,  0.5f,
    0.7f,  0.9f,  1.75f, 0.9f, 0.7f,  0.8f,  1.7f, 0.55f};

ULONG Saturate(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : (ULONG)v; }
void AddSat(UWORD &field, ULONG v) { field = (UWORD)std::min<ULONG>(0xFFFF, (ULONG)field + v); }

// The building records of ./Data/Gebaeude.dat (empty when unreadable).
std::vector<st_BAUE_EXT> Gebaeude()
{
    std::vector<st_BAUE_EXT> v;
    st_GEBA *geba = (st_GEBA *)LoadChunk2Mem(ID_GEBA, GEBAEUDE_FILE);
    if (!geba) return v;
    const ULONG n = GetChunkEntryCount(geba);
    v.resize(n);
    if (n) std::memcpy(v.data(), (const UBYTE *)geba + sizeof(st_GEBA), n * sizeof(st_BAUE_EXT));
    FreeVec(geba);
    return v;
}

}  // namespace

ULONG GetSizeOfWarehouse()
{
    uint64_t residenzen = 0, kontore = 0;
    for (const st_BAUE_EXT &g : Gebaeude())
        if (g.GebID == kResidenz) ++residenzen;
    if (st_KORN *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN)) {
        kontore = korn->AnzKontore;
        FreeVec(korn);
    }
    return Saturate(std::max<uint64_t>(residenzen, 1) * 200000u + kontore * 100000u);
}

ULONG GetHowMuchGoods()
{
    st_WARE *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
    if (!ware) {
        std::printf("InitWarenRequester : Konnte WarenChunk nicht einladen...");
        return 0;
    }
    const ULONG n = GetChunkEntryCount(ware);
    const st_WARE_EXT *w = (const st_WARE_EXT *)((const UBYTE *)ware + sizeof(st_WARE));
    uint64_t summe = 0;
    for (ULONG i = 0; i < n; ++i) {
        if (w[i].Info != 0 && w[i].Info != 5) continue;
        const float gewicht = w[i].WarenTyp < 116 ? kGewicht[w[i].WarenTyp] : 0.0f;
        const float produkt = gewicht * (float)w[i].WarenAnzahl;
        const ULONG teil = produkt >= 4294967296.0f ? 0xFFFFFFFFu : (ULONG)produkt;
        std::printf("Ware : (%u %u %u =>%u)", (unsigned)w[i].WarenTyp, (unsigned)w[i].WarenAnzahl,
                    (unsigned)(gewicht * 100), (unsigned)teil);
        summe = std::min<uint64_t>(summe + teil, 0xFFFFFFFFu);
        std::printf("Ware : => %u\n", (unsigned)summe);
    }
    FreeVec(ware);
    return (ULONG)summe;
}

LuxusResources *GetLuxusResources()
{
    LuxusResources *r = (LuxusResources *)AllocVec(sizeof(LuxusResources), MEMF_CLEAR);
    if (!r) {
        std::printf("GetLuxusResources: Konnte Speicher f\374r LuxusResourcen nicht allokieren...");
        return nullptr;
    }
    if (st_TAXE *taxe = (st_TAXE *)LoadChunk2Mem(ID_TAXE, POOL_IN)) {
        r->KirchenPunkte = taxe->KirchenPunkte;
        FreeVec(taxe);
    }
    if (!IsChunkPresent(ChunkBit(CN_GEBA), POOL_IN)) return r;
    const std::vector<st_BAUE_EXT> geb = Gebaeude();
    r->AnzahlGebaeude = (UWORD)std::min<size_t>(geb.size(), 0xFFFF);
    for (const st_BAUE_EXT &g : geb) {
        switch (g.GebID) {
        case 16: case 17: case 93: case 159: AddSat(r->SchulPunkte, 1); break;
        case 50: case 77: case 138: AddSat(r->SchulPunkte, 2); break;
        case 56: case 116: case 180: AddSat(r->SchulPunkte, 3); break;
        case 115: case 179: case 234: AddSat(r->SchulPunkte, 4); break;
        case 47: AddSat(r->GesundheitsPunkte, 1); break;
        case 22: case 100: case 169: AddSat(r->GesundheitsPunkte, 2); break;
        case 78: case 140: case 194: AddSat(r->GesundheitsPunkte, 3); break;
        case 160: case 217: AddSat(r->GesundheitsPunkte, 4); break;
        case 108: case 175: AddSat(r->GebaeudeStufe2, 25); break;
        case 139: case 193: AddSat(r->GebaeudeStufe2, 50); break;
        case 163: case 219: AddSat(r->GebaeudeStufe2, 100); break;
        case 231: AddSat(r->GebaeudeStufe2, 150); break;
        default: break;
        }
        AddSat(g.GebID < 56 ? r->GebaeudeStufe1 : r->GebaeudeStufe2, 1);
    }
    return r;
}

ULONG LuxusNeeded(short Offset, long TierQuellen, long PflanzenQuellen, long MineralQuellen,
                  const LuxusResources *Res, ULONG Volk)
{
    const LuxusResources leer{};
    const LuxusResources &r = Res ? *Res : leer;
    const int64_t v = Volk, s1 = r.GebaeudeStufe1, s2 = r.GebaeudeStufe2, kirche = r.KirchenPunkte;
    // A deficit of raw sources needs ten times its size; a huge one saturates
    // before the product could leave 64 bits.
    auto quelle = [](long q) -> int64_t { return q >= 0 ? 0 : q < -0x7FFFFFFFL ? 0xFFFFFFFFLL : -10 * (int64_t)q; };
    int64_t need = 0;
    switch (Offset) {
    case 0: need = quelle(TierQuellen); break;
    case 1: need = quelle(PflanzenQuellen); break;
    case 2: need = quelle(MineralQuellen); break;
    case 3: need = 4 * (int64_t)r.GesundheitsPunkte; break;
    case 4: need = v / 100000; break;
    case 5: need = (v + 7 * s2) / 15000; break;
    case 6: need = 17 * s2 / 10; break;
    case 7: need = v / 120000; break;
    case 8: need = v / 3410; break;
    case 9: need = 27 * s2 / 10; break;
    case 10: need = 25 * kirche / 10; break;
    case 11: need = 15 * (int64_t)r.AnzahlGebaeude / 10; break;
    case 12: need = 5 * (int64_t)r.SchulPunkte; break;
    case 13: need = (v + 10 * s1) / 1500; break;
    case 14: need = 14 * s2 / 10; break;
    case 15: need = v / 100000 + 10 * s2; break;
    case 16: need = 5 * s2; break;
    case 17: need = 35 * kirche / 10; break;
    case 18: need = v / 1500; break;
    default: return 0;
    }
    return Saturate((uint64_t)need);
}

BOOL LoadLuxusZuweisung(ULONG Zuweisung[LUXUS_LINIEN])
{
    std::memset(Zuweisung, 0, sizeof(ULONG) * LUXUS_LINIEN);
    constexpr ULONG kBytes = sizeof(ULONG) * LUXUS_LINIEN;
    if (GetFileSize(LUXUS_FILE) != kBytes) return 0;
    UBYTE *daten = (UBYTE *)LoadFile2Mem(LUXUS_FILE, 0);
    if (!daten) return 0;
    std::memcpy(Zuweisung, daten, kBytes);
    FreeVec(daten);
    return 1;
}

ULONG LuxusBasis(ULONG need)
{
    return need > 10000 ? 250 : need > 5000 ? 170 : need > 1000 ? 130 : need > 100 ? 110 : 100;
}

ULONG LuxusWare(int Linie) { return Linie < 0 || Linie >= LUXUS_LINIEN ? 0 : Linie < 3 ? (ULONG)Linie + 1 : (ULONG)Linie + 79; }
