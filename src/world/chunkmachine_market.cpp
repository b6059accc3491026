// The chunk machine's market and contract cases: the player's wares are
// settled against the turn's sales and purchases, grain rots, the realm uses
// its luxury goods, and delivery contracts move goods between stocks.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/store.h"
#include "world/chunkmachine_local.h"
#include "world/warehouse.h"

using namespace chunkmachine;

namespace {

constexpr UWORD WARE_ANGEBOT = 0, WARE_ANDEREKAUF = 4, WARE_LAGER = 5, WARE_EIGENGEBOT = 2;
// A delivered contract goes back to the server as kind 5; its status is the
// server's own field and goes back as it came.
constexpr UWORD VERTRAG_LIEFERUNG = 4, VERTRAG_VASALL = 8, VERTRAG_ZURUECK = 5;
constexpr UWORD PREF_ROHSTOFFE_AUS = 5, PREF_FAKTOR_TIER = 21;

ULONG AddSat(ULONG a, uint64_t b) { return (ULONG)std::min<uint64_t>((uint64_t)a + b, 0xFFFFFFFFu); }

st_WARE_EXT &Ware(ListNode *n) { return ((WareListEntry *)n)->Ware; }

// The first stock entry of a ware type among the nodes still in the list.
ListNode *FirstStock(const std::vector<ListNode *> &v, const std::vector<bool> &gone, ULONG typ)
{
    for (size_t i = 0; i < v.size(); ++i)
        if (!gone[i] && Ware(v[i]).Info == WARE_LAGER && Ware(v[i]).WarenTyp == typ) return v[i];
    return nullptr;
}
size_t IndexOf(const std::vector<ListNode *> &v, ListNode *n) { return (size_t)(std::find(v.begin(), v.end(), n) - v.begin()); }

// Takes grain the offers did not cover from the pool's granary.
BOOL TakeGrain(const char *Path, ULONG rest)
{
    st_KORN *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, Path);
    if (!korn) {
        std::printf("ChunkMachine : Konnte KornChunk nicht laden um verrottetes Korn abzuziehen !\n");
        return 0;
    }
    if (korn->Kornlager < rest) {
        std::printf("Korn im Kornlager reicht auch nicht aus...\n");
        korn->Kornlager = 0;
    } else {
        korn->Kornlager -= rest;
        std::printf("%u Einheiten an Korn vom Kornlager subtrahiert...\n", (unsigned)rest);
    }
    const BOOL ok = AddChunkPool(korn, Path);
    FreeVec(korn);
    return ok;
}

// Sales of the player's goods against the player's offers, then the stock;
// purchases into the stock.
BOOL Settle(const char *Path, ListHeader *list)
{
    BOOL result = 1;
    list->TypDef[5].Priority = 2;  // DateInSec
    list->TypDef[0].Priority = 1;  // Info
    if (!SortList(list, LIST_ASCENDING)) std::printf("ChunkMachine : Konnte die Waren nicht sortieren !\n");
    for (ULONG i = 0; i < list->TypEntries; ++i) list->TypDef[i].Priority = 0;

    std::vector<ListNode *> v = Nodes(list);
    std::vector<bool> gone(v.size(), false);
    const ULONG ich = PlayerInfo.SpielerID;
    std::printf("L\366sche alle verkauften Waren und subtrahiere Waren die nur zum Teil verkauft wurden...\n");
    for (size_t i = 0; i < v.size(); ++i) {
        const st_WARE_EXT &verkauf = Ware(v[i]);
        if (gone[i] || verkauf.Info != WARE_ANDEREKAUF || verkauf.WarenAnzahl == 0 || verkauf.Herkunft != ich)
            continue;
        std::printf("Node Nr. %u ist ANDEREKAUF...\n", (unsigned)i);
        ULONG rest = verkauf.KaeuferAnzahl;
        for (size_t j = 0; j < v.size() && rest; ++j) {
            st_WARE_EXT &angebot = Ware(v[j]);
            if (gone[j] || angebot.Info != WARE_ANGEBOT || angebot.DateInSec != verkauf.DateInSec) continue;
            std::printf("Node Nr. %u ist gleich...", (unsigned)j);
            if (angebot.WarenAnzahl > rest) {
                angebot.WarenAnzahl -= rest;
                std::printf("und wird subtrahiert... Einheiten %u\n", (unsigned)rest);
                rest = 0;
            } else {
                rest -= angebot.WarenAnzahl;
                gone[j] = true;
                std::printf("und wird gel\366scht... Einheiten %u\n", (unsigned)angebot.WarenAnzahl);
            }
        }
        if (!rest) continue;
        std::printf("Keine oder nicht genug Ware am Markt gefunden. Suche am Lager... Node %x\n", (unsigned)i);
        if (verkauf.WarenTyp == 0) {
            result &= TakeGrain(Path, rest);
        } else if (ListNode *s = FirstStock(v, gone, verkauf.WarenTyp)) {
            std::printf("ziehe Ware vom Lager ab...");
            if (Ware(s).WarenAnzahl <= rest) {
                gone[IndexOf(v, s)] = true;
                std::printf("und wird gel\366scht... Einheiten %u\n", (unsigned)Ware(s).WarenAnzahl);
            } else {
                Ware(s).WarenAnzahl -= rest;
                std::printf("und wird subtrahiert... Einheiten %u\n", (unsigned)rest);
            }
        }
    }

    std::printf("\304ndere Ware die woanders gekauft wurde in eigene Ware...\n");
    for (size_t i = 0; i < v.size(); ++i) {
        st_WARE_EXT &w = Ware(v[i]);
        if (gone[i]) continue;
        if (w.Info == WARE_ANDEREKAUF && w.Kaeufer == ich) {
            if (w.WarenTyp == 0 || w.WarenAnzahl == 0) {
                gone[i] = true;
            } else if (ListNode *s = FirstStock(v, gone, w.WarenTyp)) {
                Ware(s).WarenAnzahl = AddSat(Ware(s).WarenAnzahl, w.WarenAnzahl);
                gone[i] = true;
            } else {
                w.Info = WARE_LAGER;
                w.Herkunft = ich;
                w.Kaeufer = w.KaeuferAnzahl = w.KaeuferPreis = 0;
            }
        } else if (w.Info == WARE_EIGENGEBOT && w.Herkunft == ich) {
            gone[i] = true;
        }
    }
    for (size_t i = 0; i < v.size(); ++i)
        if (gone[i]) Remove(list, v[i]);
    return result;
}

// Grain offered on the market rots by 1 to 6 percent; the loss is reported in
// the pool's KORN chunk.
BOOL RotGrain(const char *Path, ListHeader *list)
{
    uint64_t total = 0;
    for (ListNode *n : Nodes(list)) {
        st_WARE_EXT &w = Ware(n);
        if (w.Info != WARE_ANGEBOT || w.WarenTyp != 0) continue;
        std::printf("ChunkMachine : Es liegen %u Einheiten Korn zum Verkauf bereit...\n", (unsigned)w.WarenAnzahl);
        const uint64_t faul = (uint64_t)(Wuerfel(5) + 1) * w.WarenAnzahl / 100;
        std::printf("ChunkMachine : davon verrotten %u Einheiten Korn ...\n", (unsigned)faul);
        w.WarenAnzahl -= (ULONG)faul;
        total += faul;
    }
    if (!total) return 1;
    st_KORN *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, Path);
    if (!korn) {
        std::printf("ChunkMachine : Konnte KornChunk nicht laden um verrottetes Korn abzuziehen !\n");
        return 0;
    }
    korn->KornVerrottet = (ULONG)std::min<uint64_t>(total, 0xFFFFFFFFu);
    const BOOL ok = AddChunkPool(korn, Path);
    FreeVec(korn);
    return ok;
}

// The realm uses the luxury goods the player assigned to it.
BOOL UseLuxury(ListHeader *list)
{
    st_LAND *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    if (!land) {
        std::printf("ChunkMachine: Konnte LandChunk nicht \366ffnen !");
        return 1;
    }
    BOOL result = 1;
    const LONG faktor[3] = {land->FaktorTierHq, land->FaktorPflanzHq, land->FaktorMineralHq};
    for (int i = 0; i < 3; ++i) result &= CheckPrefsWrite(PREF_FAKTOR_TIER + i, (ULONG)faktor[i]);
    ULONG zuweisung[LUXUS_LINIEN];
    if (!LoadLuxusZuweisung(zuweisung)) {
        FreeVec(land);
        return result;
    }
    LuxusResources *res = GetLuxusResources();
    if (!res) std::printf("ChunkMachine: Konnte LuxusDaten nicht bestimmen...\n");
    ULONG rohstoffeAus = 0;
    CheckPrefsRead(PREF_ROHSTOFFE_AUS, &rohstoffeAus);
    int luxus = 0;
    bool changed = false;
    for (int idx = 0; idx < LUXUS_LINIEN; ++idx) {
        const ULONG typ = idx < 3 ? (ULONG)idx + 1 : (ULONG)idx + 79;
        const ULONG need = LuxusNeeded((short)idx, faktor[0], faktor[1], faktor[2], res, land->AnzVolk);
        std::printf("Ware %u Needed %u\n", (unsigned)typ, (unsigned)need);
        ULONG used = 0;
        ListNode *stock = nullptr;
        if (idx >= 3 || rohstoffeAus == 0)
            for (ListNode *n : Nodes(list))
                if (Ware(n).Info == WARE_LAGER && Ware(n).WarenTyp == typ) {
                    stock = n;
                    break;
                }
        if (stock) {
            const ULONG assigned = zuweisung[idx];
            std::printf("Ware %u Zugewiesen %u\n", (unsigned)typ, (unsigned)assigned);
            if (assigned < Ware(stock).WarenAnzahl) {
                Ware(stock).WarenAnzahl -= assigned;
                used = assigned;
                if (assigned && idx >= 3) {
                    const uint64_t preis = GetWarenPreis((LONG)typ, (LONG)LuxusBasis(need), land->AnzTierHq,
                                                         land->AnzPflanzHq, land->AnzMineralHq);
                    land->AnzGold = AddSat(land->AnzGold, preis * assigned);
                } else if (assigned) {
                    result &= CheckPrefsWrite(PREF_FAKTOR_TIER + idx, (ULONG)(assigned / 10 + faktor[idx]));
                }
                changed = true;
            } else {
                used = Ware(stock).WarenAnzahl;
                Remove(list, stock);
            }
        }
        if (used < need)
            --luxus;
        else
            luxus += (uint64_t)used > 4 * (uint64_t)need ? 4 : (uint64_t)used > 2 * (uint64_t)need ? 2 : 1;
        luxus = std::clamp(luxus, -32768, 32767);
        std::printf("LandPtr_MW->Luxusgueter %d\n", luxus);
    }
    land->Luxusgueter = (WORD)luxus;
    FreeVec(res);
    if (changed && !AddChunkPool(land, POOL_IN)) {
        std::printf("ChunkMachine : Konnte neuen LandChunk nicht abspeichern !\n");
        result = 0;
    }
    FreeVec(land);
    return result;
}

}  // namespace

namespace chunkmachine {

BOOL CaseWare(const char *Path, ULONG Modus)
{
    BOOL result = 1;
    ListHeader *list = CreateList(LISTE_WAREN);
    if (IsFilePresent(WAREN_FILE)) {
        std::printf("----------------------------------------------------------\n");
        std::printf("Bearbeite alte Waren. L\366sche alles ausser EIGENVERKAUF & EIGENANGEBOT ...\n");
        st_WARE *alt = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
        if (!alt || !ScanWare2List(list, alt)) {
            std::printf("ChunkMachine : Konnte alten WarenChunk nicht in die Liste einscannen...\n");
            result = 0;
        }
        FreeVec(alt);
        for (ListNode *n : Nodes(list))
            if (Ware(n).DateInSec >= PlayerInfo.TurnTime || Ware(n).Info > 1) Remove(list, n);
    }
    bool broken = false;
    st_WARE *neu = (st_WARE *)LoadFromPool(CN_WARE, Path, &broken);
    if (broken) {
        std::printf("ChunkMachine : B\366ser Fehler ! Konnte WARE-Chunk nicht laden obwohl es angeblich im GameChunk "
                    "ist\n");
        result = 0;
    }
    if (neu && !ScanWare2List(list, neu)) {
        std::printf("ChunkMachine : Konnte Ware aus GameChunk nicht in Liste einscannen...\n");
        result = 0;
    }
    FreeVec(neu);

    if (Modus & 1) {
        if (list->Elemente) result &= Settle(Path, list);
    } else {
        for (ListNode *n : Nodes(list)) {
            const UWORD info = Ware(n).Info;
            if (info != 0 && info != 1 && info != WARE_ANDEREKAUF) Remove(list, n);
        }
    }
    if (list->Elemente == 0) {
        DeleteList(list, 1);
        return result;
    }
    result &= RotGrain(Path, list);
    result &= UseLuxury(list);
    st_WARE *chunk = MakeWareChunkFromList(list);
    DeleteList(list, 1);
    if (!chunk || !SaveChunk2File(WAREN_FILE, chunk)) {
        std::printf("ChunkMachine : Konnte neuen WarenChunk nicht abspeichern : !\n");
        result = 0;
    }
    FreeVec(chunk);
    return result;
}

BOOL CaseVert(const char *Path)
{
    bool broken = false;
    st_VERT *vert = (st_VERT *)LoadFromPool(CN_VERT, Path, &broken);
    if (!vert) {
        if (broken) std::printf("ChunkMachine : Konnte VertChunk nicht in den Speicher laden !\n");
        return broken ? 0 : 1;
    }
    ListHeader *vertraege = CreateList(LISTE_VERTRAEGE);
    if (!ScanVertrag2List(vertraege, vert)) {
        std::printf("ChunkMachine : kein konnte Liste nicht einscannen...\n");
        DeleteList(vertraege, 1);
        FreeVec(vert);
        return 0;
    }
    FreeVec(vert);

    BOOL result = 1;
    const ULONG ich = PlayerInfo.SpielerID;
    ListHeader *waren = nullptr;  // the ware file, loaded on first use
    bool warenOk = true, warenGeaendert = false;
    auto ladeWaren = [&]() {
        if (waren || !warenOk) return warenOk;
        waren = CreateList(LISTE_WAREN);
        if (IsFilePresent(WAREN_FILE)) {
            st_WARE *w = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
            warenOk = w && ScanWare2List(waren, w);
            FreeVec(w);
            if (!warenOk) std::printf("ChunkMachine : Konnte WarenChunk nicht in die Liste einscannen...\n");
        }
        return warenOk;
    };

    for (ListNode *n : Nodes(vertraege)) {
        st_VERT_EXT &v = ((VertragListEntry *)n)->Vertrag;
        if (v.VertragsArt == VERTRAG_LIEFERUNG && v.AnbieterID == ich) {
            std::printf("Vertrag gefunden. Versuche Ware abzuziehen...\n");
            if (v.WarenTyp == 0) {
                v.VertragsArt = VERTRAG_ZURUECK;
                continue;
            }
            if (!ladeWaren()) {
                result = 0;
                continue;
            }
            // The whole amount from as many stock entries as it takes, or nothing.
            std::vector<ListNode *> lager;
            uint64_t vorrat = 0;
            for (ListNode *w : Nodes(waren))
                if (Ware(w).Info == WARE_LAGER && Ware(w).WarenTyp == v.WarenTyp) {
                    lager.push_back(w);
                    vorrat += Ware(w).WarenAnzahl;
                }
            if (vorrat < v.Anzahl) {
                std::printf("Zu wenig Ware f\374r den Vertrag / Ziel : %u Warentyp : %u Anzahl : %u Lager : %u\n",
                            (unsigned)v.PartnerID, (unsigned)v.WarenTyp, (unsigned)v.Anzahl, (unsigned)vorrat);
                continue;
            }
            ULONG rest = v.Anzahl;
            for (ListNode *w : lager) {
                if (!rest) break;
                if (Ware(w).WarenAnzahl > rest) {
                    std::printf("Ware durch Vertrag subtrahiert (1) / Ziel : %u Warentyp : %u Anzahl : %u Preis : "
                                "%u\n", (unsigned)v.PartnerID, (unsigned)v.WarenTyp, (unsigned)v.Anzahl,
                                (unsigned)v.Preis);
                    Ware(w).WarenAnzahl -= rest;
                    rest = 0;
                } else {
                    std::printf("Ware durch Vertrag subtrahiert (2) / Ziel : %u Warentyp : %u Anzahl : %u Preis : "
                                "%u\n", (unsigned)v.PartnerID, (unsigned)v.WarenTyp, (unsigned)v.Anzahl,
                                (unsigned)v.Preis);
                    rest -= Ware(w).WarenAnzahl;
                    Remove(waren, w);
                }
            }
            v.VertragsArt = VERTRAG_ZURUECK;
            warenGeaendert = true;
        } else if (v.VertragsArt == VERTRAG_LIEFERUNG && v.PartnerID == ich) {
            std::printf("Vertrag gefunden. Versuche Ware hinzuzuf\374gen...\n");
            if (v.WarenTyp == 0) continue;
            if (!ladeWaren()) {
                result = 0;
                continue;
            }
            ListNode *stock = nullptr;
            for (ListNode *w : Nodes(waren))
                if (Ware(w).Info == WARE_LAGER && Ware(w).WarenTyp == v.WarenTyp) {
                    stock = w;
                    break;
                }
            if (stock) {
                std::printf("Ware durch Vertrag addiert / Herkunft : %u Warentyp : %u Anzahl : %u Preis : %u\n",
                            (unsigned)v.AnbieterID, (unsigned)v.WarenTyp, (unsigned)v.Anzahl, (unsigned)v.Preis);
                Ware(stock).WarenAnzahl = AddSat(Ware(stock).WarenAnzahl, v.Anzahl);
            } else {
                std::printf("Neue Ware durch Vertrag addiert / Herkunft : %u Warentyp : %u Anzahl : %u Preis : %u\n",
                            (unsigned)v.AnbieterID, (unsigned)v.WarenTyp, (unsigned)v.Anzahl, (unsigned)v.Preis);
                ListNode *node = (ListNode *)AllocVec(waren->TypSize, MEMF_CLEAR);
                st_WARE_EXT &w = Ware(node);
                w.Info = WARE_LAGER;
                w.Herkunft = v.AnbieterID;
                w.WarenTyp = v.WarenTyp;
                w.WarenAnzahl = v.Anzahl;
                w.Preis = v.Preis;
                w.DateInSec = v.Identifier;
                InsertNode(waren, node, LIST_LAST, 0);
            }
            warenGeaendert = true;
        } else if (v.VertragsArt == VERTRAG_LIEFERUNG) {
            std::printf("ChunkMachine : Dieser VertragsChunk geh\366rt nicht zu diesem Spieler...\n");
            result = 0;
        } else if (v.VertragsArt == VERTRAG_VASALL) {
            st_TAXE *taxe = (st_TAXE *)LoadChunk2Mem(ID_TAXE, Path);
            if (!taxe) continue;
            taxe->ZehnteID = v.AnbieterID + 1;
            std::printf("Vasallenvertrag mit Spieler %u gefunden. Ab der n\344chsten Runde kann der Zehnt eingestellt "
                        "werden...\n", (unsigned)taxe->ZehnteID);
            if (!AddChunkPool(taxe, POOL_OUT)) {
                std::printf("ChunkMachine : Konnte TaxeChunk nicht abspeichern !\n");
                result = 0;
            }
            FreeVec(taxe);
        }
    }

    if (warenGeaendert && warenOk) {
        if (waren->Elemente) {
            st_WARE *chunk = MakeWareChunkFromList(waren);
            if (!chunk || !SaveChunk2File(WAREN_FILE, chunk)) {
                std::printf("ChunkMachine : Konnte neuen WarenChunk nicht abspeichern : !\n");
                result = 0;
            }
            FreeVec(chunk);
        } else {
            DeleteFile(WAREN_FILE);
        }
    }
    DeleteList(waren, 1);

    for (ListNode *n : Nodes(vertraege))
        if (((VertragListEntry *)n)->Vertrag.VertragsArt != VERTRAG_ZURUECK) Remove(vertraege, n);
    if (vertraege->Elemente) {
        st_VERT *chunk = MakeVertragChunkFromList(vertraege);
        if (!chunk || !AddChunkPool(chunk, POOL_OUT)) {
            std::printf("ChunkMachine : Konnte VertChunk nicht abspeichern !\n");
            result = 0;
        }
        FreeVec(chunk);
    }
    DeleteList(vertraege, 1);
    return result;
}

}  // namespace chunkmachine
