// Trading on working copies: every sum of gold is taken in 64 bits, so a
// bid or purchase the realm cannot pay is refused instead of wrapping into
// a small number, and a value typed or stepped stops at 2^32 - 1.
#include "world/handel.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "world/warehouse.h"

namespace {

constexpr uint64_t MAX32 = 0xFFFFFFFFu;
ULONG Sat(uint64_t v) { return (ULONG)std::min(v, MAX32); }

LONG StandardMeldung(const char *text, int question) { return ChiefMessage(66, 168, 180, 0, 0, 0, question ? 1 : 0, text, 7); }
std::time_t StandardUhr() { return std::time(nullptr); }

st_WARE_EXT &Ware(ListNode *n) { return ((WareListEntry *)n)->Ware; }
const char *WarenName(ULONG typ) { return typ < (ULONG)WAREN_COUNT ? GetString(Waren[typ]) : ""; }

template <class F> void JedeWare(ListHeader *l, F f)
{
    if (!l || !l->FirstNode) return;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) f(n);
}

bool EigenesGebot(const st_WARE_EXT &w)
{
    return w.Info == WARE_INFO_FREMD && w.Kaeufer == PlayerInfo.SpielerID && w.KaeuferAnzahl && w.KaeuferPreis;
}

LONG Meldung(const char *text, int question) { return HandelMeldungHook(text, question); }

void NichtGenugGold()
{
    char text[256];
    std::snprintf(text, sizeof text, "%s %s%s", GetString(&_VEK_HANDELSSCREEN_MEIN), GetString(&_VEK_TITEL1),
                  GetString(&_VEK_HANDELSSCREEN_NICHTGENUG));
    Meldung(text, 0);
}

ListNode *NeueWare(LokaleDatenHandelsScreen *d, UWORD Info, ULONG typ, ULONG units, ULONG preis)
{
    ListHeader *l = d->WareListPtr;
    if (!l || l->Elemente >= WARE_LISTE_MAX) return nullptr;
    auto *n = (WareListEntry *)AllocVec(l->TypSize, MEMF_CLEAR);
    if (!n) return nullptr;
    n->Ware.Info = Info;
    n->Ware.Herkunft = PlayerInfo.SpielerID;
    n->Ware.WarenTyp = typ;
    n->Ware.WarenAnzahl = units;
    n->Ware.Preis = preis;
    n->Ware.DateInSec = (ULONG)HandelUhrHook();
    InsertNode(l, &n->Node, LIST_LAST, 0);
    return &n->Node;
}

// Reads a typed number: blanks, a sign, digits; negatives are 0 and
// anything past 2^32 - 1 stops there.
ULONG ZahlAusText(const char *t)
{
    if (!t) return 0;
    while (*t == ' ') ++t;
    bool negativ = false;
    if (*t == '-' || *t == '+') negativ = *t++ == '-';
    uint64_t v = 0;
    for (; *t >= '0' && *t <= '9'; ++t) v = std::min<uint64_t>(v * 10 + (uint64_t)(*t - '0'), MAX32 + 1);
    return negativ ? 0 : Sat(v);
}

void SchrittZaehlen(HaltZaehler *z, UWORD knopf)
{
    GetIndexOnGadget(z, knopf, 0, 0);
    for (UWORD i = 0; i < 4; ++i)
        if (i != knopf) z->Gadget[i] = 0;
}

// The partial steps of a press, smallest first: 1 for the first 20 presses,
// then 10, from the 41st also 100, from the 61st also 1000.
int Teilschritte(ULONG n, ULONG s[3])
{
    if (n <= 20) return s[0] = 1, 1;
    int k = 0;
    s[k++] = 10;
    if (n > 40) s[k++] = 100;
    if (n > 60) s[k++] = 1000;
    return k;
}

}  // namespace

LONG (*HandelMeldungHook)(const char *text, int question) = &StandardMeldung;
std::time_t (*HandelUhrHook)() = &StandardUhr;

// ---- loading and saving ----

BOOL ReadHandelsScreenData(LokaleDatenHandelsScreen *d)
{
    d->Auswahl1 = d->Auswahl2 = d->Auswahl3 = -1;
    d->WishToTakeUnits = -1;
    d->WishToBuyEntry = d->WishToSellEntry = -1;
    d->Markt.Marktangebote = -1;

    auto *land = (st_LAND *)LoadCurrentChunk(ID_LAND);
    if (!land) {
        std::printf("ReadHandelsScreenData : Fataler Fehler ! Kein LAND-Chunk vorhanden !\n");
        return 0;
    }
    d->Markt.Land = *land;
    d->AnzGold = land->AnzGold;
    FreeVec(land);

    if (!IsChunkPresent(ChunkBit(CN_FORS), POOL_IN)) {
        std::printf("ReadHandelsScreenData : ForschungsChunk nicht vorhanden !\n");
        return 0;
    }
    auto *fors = (st_FORS *)LoadChunk2Mem(ID_FORS, POOL_IN);
    if (!fors) {
        std::printf("ReadHandelsScreenData : Konnte ForschungsChunk nicht \366ffnen \n");
        return 0;
    }
    d->Markt.Forschung = *fors;
    FreeVec(fors);

    if (auto *taxe = (st_TAXE *)LoadChunk2Mem(ID_TAXE, POOL_IN)) {
        d->Markt.Zoll100 = (UWORD)(taxe->Zoll100 & 0xFFFF);
        FreeVec(taxe);
    }

    auto *korn = (st_KORN *)LoadCurrentChunk(ID_KORN);
    if (!korn) {
        std::printf("ReadHandelsScreenData : KornChunk nicht vorhanden !\n");
        return 0;
    }
    d->Korn = *korn;
    FreeVec(korn);
    d->AnzKorn = d->Korn.Kornlager;
    d->MaxKornPossible = (uint64_t)d->Korn.AnzKornlager * KORN_PRO_LAGER;

    d->WareListPtr = CreateList(LISTE_WAREN);
    if (!d->WareListPtr) return 0;
    if (IsFilePresent(WAREN_FILE)) {
        auto *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
        const BOOL ok = ware && ScanWare2List(d->WareListPtr, ware);
        FreeVec(ware);
        if (!ok) {
            std::printf("ReadHandelsScreenData : Konnte WarenChunk nicht laden !\n");
            return 0;
        }
    }
    if (IsFilePresent(SPIELERLISTE_FILE)) d->SpielerChunkPtr = (st_ANTW *)LoadChunk2Mem(ID_ANTW, SPIELERLISTE_FILE);

    d->AktStadtPtr = GetActiveTown((LONG)PlayerInfo.AktStadtID);
    if (!d->AktStadtPtr) {
        std::printf("ReadHandelsScreenData : Konnte Stadt nicht laden...\n");
        return 0;
    }
    d->Markt.AktStadt = d->AktStadtPtr;
    ULONG f = 0;
    d->Markt.FaktorTier = CheckPrefsRead(PREF_FAKTOR_TIER, &f) ? (LONG)f : 0;
    d->Markt.FaktorPflanz = CheckPrefsRead(PREF_FAKTOR_PFLANZ, &f) ? (LONG)f : 0;
    d->Markt.FaktorMineral = CheckPrefsRead(PREF_FAKTOR_MINERAL, &f) ? (LONG)f : 0;
    d->Gesamtpreis = HandelGesamtpreis(d);
    return 1;
}

void FreeHandelsScreenData(LokaleDatenHandelsScreen *d)
{
    DeleteList(d->WareListPtr, 1);
    FreeVec(d->SpielerChunkPtr);
    FreeVec(d->AktStadtPtr);
    d->WareListPtr = nullptr;
    d->SpielerChunkPtr = nullptr;
    d->AktStadtPtr = nullptr;
    d->Markt.AktStadt = nullptr;
    d->WarenNode2Ptr = d->WarenNode3Ptr = nullptr;
}

BOOL WriteHandelsScreenData(LokaleDatenHandelsScreen *d)
{
    auto *korn = (st_KORN *)LoadCurrentChunk(ID_KORN);
    auto *land = (st_LAND *)LoadCurrentChunk(ID_LAND);
    st_TAXE *taxe = nullptr;
    if (d->Markt.Marktangebote != -1 && SlotGebaut(d->AktStadtPtr, SLOT_MARKTHALLE))
        taxe = (st_TAXE *)LoadCurrentChunk(ID_TAXE);
    st_WARE *ware = d->WareListPtr ? MakeWareChunkFromList(d->WareListPtr) : nullptr;
    BOOL ok = korn && land && ware;
    if (!ok) std::printf("WriteHandelsScreenData : Konnte Chunk nicht anlegen\n");
    if (ok) {
        korn->Kornlager = d->AnzKorn;
        land->AnzGold = d->AnzGold;
        if (taxe) taxe->Marktangebote = (ULONG)d->Markt.Marktangebote;
        // The home market is written only when this visit holds it: an
        // empty array must not replace the turn's offer.
        const char *dateien[3] = {POOL_OUT, WAREN_FILE, WARENDAT_FILE};
        const ULONG anzahl = d->Markt.WarenGeladen ? 3 : 2;
        ok = OkJournalBegin(dateien, anzahl);
        if (ok) {
            const void *chunks[3] = {korn, land, taxe};
            ok = OkJournalBefore(0) && AddChunksPool(chunks, taxe ? 3 : 2, POOL_OUT);
        }
        if (ok) {
            ok = OkJournalBefore(1) && SaveChunk2File(WAREN_FILE, ware);
            if (!ok) std::printf("WriteHandelsScreenData : Konnte Chunk nicht anlegen\n");
        }
        if (ok && anzahl == 3) {
            ok = OkJournalBefore(2) && HeimMarktSpeichern(&d->Markt);
            if (!ok) std::printf("WriteHandelsScreenData : Konnte Waren.dat nicht abspeichern !\n");
        }
        if (ok) ok = OkJournalBefore(anzahl);
        if (ok)
            OkJournalCommit();
        else
            OkJournalRestore();
    }
    FreeVec(ware);
    FreeVec(taxe);
    FreeVec(land);
    FreeVec(korn);
    if (ok && taxe) d->Markt.Marktangebote = -1;
    return ok;
}

// ---- the ware list ----

ListNode *GetWarenNode(LokaleDatenHandelsScreen *d, LONG Line, UWORD Info)
{
    if (Line < 0) return nullptr;
    ListNode *treffer = nullptr;
    LONG i = 0;
    JedeWare(d->WareListPtr, [&](ListNode *n) {
        if (!treffer && Ware(n).Info == Info && i++ == Line) treffer = n;
    });
    return treffer;
}

ListNode *GetLagerNode(LokaleDatenHandelsScreen *d, ULONG WarenTyp)
{
    ListNode *treffer = nullptr;
    JedeWare(d->WareListPtr, [&](ListNode *n) {
        if (!treffer && Ware(n).Info == WARE_INFO_LAGER && Ware(n).WarenTyp == WarenTyp) treffer = n;
    });
    return treffer;
}

ListNode *AddWare2List(LokaleDatenHandelsScreen *d, UWORD Info, ULONG WarenTyp, ULONG Units, ULONG Preis)
{
    if (!d->WareListPtr || Units == 0) return nullptr;
    if (Info == WARE_INFO_LAGER) {
        if (ListNode *n = GetLagerNode(d, WarenTyp)) {
            Ware(n).WarenAnzahl = Sat((uint64_t)Ware(n).WarenAnzahl + Units);
            return n;
        }
        return NeueWare(d, WARE_INFO_LAGER, WarenTyp, Units, Preis);
    }
    if (Info != WARE_INFO_ANGEBOT) return nullptr;
    if (WarenTyp == 0) return NeueWare(d, WARE_INFO_ANGEBOT, 0, Units, Preis);
    ListNode *lager = GetLagerNode(d, WarenTyp);
    if (!lager || Ware(lager).WarenAnzahl == 0) return nullptr;
    if (Units >= Ware(lager).WarenAnzahl) {
        st_WARE_EXT &w = Ware(lager);
        w.Info = WARE_INFO_ANGEBOT;
        w.Herkunft = PlayerInfo.SpielerID;
        w.Preis = Preis;
        w.DateInSec = (ULONG)HandelUhrHook();
        w.Kaeufer = w.KaeuferAnzahl = w.KaeuferPreis = 0;
        w.Zustand = 0;
        return lager;
    }
    ListNode *n = NeueWare(d, WARE_INFO_ANGEBOT, WarenTyp, Units, Preis);
    if (n) Ware(lager).WarenAnzahl -= Units;
    return n;
}

void DeleteWareFromList(LokaleDatenHandelsScreen *d, ListNode *Node)
{
    if (!d->WareListPtr || !Node) return;
    bool drin = false;
    JedeWare(d->WareListPtr, [&](ListNode *n) { drin = drin || n == Node; });
    if (!drin) return;
    d->WareListPtr->ActNode = Node;
    DeleteNode(d->WareListPtr, LIST_ACT, 0, LIST_FREE_OWNED);
    if (d->WarenNode2Ptr == Node) d->WarenNode2Ptr = nullptr;
    if (d->WarenNode3Ptr == Node) d->WarenNode3Ptr = nullptr;
}

uint64_t HandelGesamtpreis(LokaleDatenHandelsScreen *d)
{
    uint64_t summe = 0;
    JedeWare(d->WareListPtr, [&](ListNode *n) {
        const st_WARE_EXT &w = Ware(n);
        if (EigenesGebot(w)) summe += (uint64_t)w.KaeuferAnzahl * w.KaeuferPreis;
    });
    return summe;
}

// ---- selections ----

LONG HeimwareTyp(const LokaleDatenHandelsScreen *d, LONG Line)
{
    if (Line < 0) return -1;
    for (LONG t = 0, i = 0; t < WAREN_TYPES; ++t)
        if (d->Markt.Waren[t] && i++ == Line) return t;
    return -1;
}

BOOL HandelWaehleHeimware(LokaleDatenHandelsScreen *d, LONG Line)
{
    const LONG t = HeimwareTyp(d, Line);
    if (t < 0) return 0;
    d->Auswahl1 = (WORD)Line;
    d->WishToTakeUnits = d->WishToTakeMaxUnits = d->Markt.Waren[t];
    d->WishToTakePrice = d->Markt.Waren[WAREN_TYPES + t];
    return 1;
}

BOOL HandelWaehleFremdangebot(LokaleDatenHandelsScreen *d, LONG Line)
{
    ListNode *n = GetWarenNode(d, Line, WARE_INFO_FREMD);
    if (!n) return 0;
    const st_WARE_EXT &w = Ware(n);
    d->Auswahl2 = (WORD)Line;
    d->WarenNode2Ptr = n;
    d->WishToBuyEntry = (WORD)w.WarenTyp;
    d->WishToBuyMaxUnits = w.WarenAnzahl;
    d->WishToBuyMinPreis = w.Preis;
    if (EigenesGebot(w)) {
        d->WishToBuyUnits = w.KaeuferAnzahl;
        d->WishToBuyPreis = w.KaeuferPreis;
    } else {
        d->WishToBuyUnits = w.WarenAnzahl;
        d->WishToBuyPreis = w.Preis;
    }
    return 1;
}

BOOL HandelWaehleEigenangebot(LokaleDatenHandelsScreen *d, LONG Line)
{
    ListNode *n = GetWarenNode(d, Line, WARE_INFO_ANGEBOT);
    if (!n) return 0;
    const st_WARE_EXT &w = Ware(n);
    d->Auswahl3 = (WORD)Line;
    d->WarenNode3Ptr = n;
    d->WishToSellEntry = (WORD)std::min<ULONG>(+w.WarenTyp, 0x7FFF);
    d->WishToSellUnits = w.WarenAnzahl;
    d->WishToSellPreis = w.Preis;
    d->WishToSellMaxUnits = w.WarenTyp == 0 ? d->AnzKorn : w.WarenAnzahl;
    return 1;
}

BOOL HandelWaehleVerkaufsware(LokaleDatenHandelsScreen *d, LONG Wahl)
{
    if (Wahl < 0 || d->Auswahl3 >= 0) return 0;
    if (Wahl == 0) {
        d->WishToSellEntry = 0;
        d->WishToSellMaxUnits = d->AnzKorn;
    } else {
        ListNode *n = GetWarenNode(d, Wahl - 1, WARE_INFO_LAGER);
        if (!n) return 0;
        d->WishToSellEntry = (WORD)std::min<ULONG>(+Ware(n).WarenTyp, 0x7FFF);
        d->WishToSellMaxUnits = Ware(n).WarenAnzahl;
    }
    d->WishToSellUnits = std::min(d->WishToSellUnits, d->WishToSellMaxUnits);
    return 1;
}

// ---- actions ----

BOOL MakeNewWarenNode(LokaleDatenHandelsScreen *d)
{
    const LONG t = HeimwareTyp(d, d->Auswahl1);
    if (t < 0 || d->WishToTakeUnits <= 0) return 0;
    const ULONG units = Sat((uint64_t)d->WishToTakeUnits), preis = Sat((uint64_t)d->WishToTakePrice);
    const uint64_t kosten = (uint64_t)units * preis;
    char text[512];
    std::snprintf(text, sizeof text, "%s %lu %s %s %s %lu %s %" PRIu64 " %s...", GetString(&_VEK_HANDELSSCREEN_FRAGETEXT1),
                  (unsigned long)units, GetString(&_VEK_KASREQ1_STAT_EINHEITEN), WarenName((ULONG)t),
                  GetString(&_VEK_HANDELSSCREEN_FRAGETEXT2), (unsigned long)preis, GetString(&_VEK_HANDELSSCREEN_FRAGETEXT3),
                  kosten, GetString(&_VEK_HANDELSSCREEN_FRAGETEXT4));
    if (Meldung(text, 1) != 0) return 0;
    if (kosten > d->AnzGold) {
        NichtGenugGold();
        return 0;
    }
    if (!AddWare2List(d, WARE_INFO_LAGER, (ULONG)t, units, preis)) {
        std::printf("MakeNewWarenNode : Konnte neue Node nicht hinzuf\374gen...\n");
        return 0;
    }
    d->Markt.Waren[t] -= std::min(units, d->Markt.Waren[t]);
    d->AnzGold -= (ULONG)kosten;
    d->WishToTakeUnits = d->WishToTakeMaxUnits = 0;
    d->Auswahl1 = -1;  // the list is rebuilt; a ware sold out leaves it
    return 1;
}

BOOL SetAngebot2Node(LokaleDatenHandelsScreen *d)
{
    ListNode *n = d->WarenNode2Ptr;
    if (!n) return 0;
    st_WARE_EXT &w = Ware(n);
    const uint64_t kosten = (uint64_t)d->WishToBuyPreis * d->WishToBuyUnits;
    // A changed bid replaces the old one: its cost is free again.
    const uint64_t alt = EigenesGebot(w) ? (uint64_t)w.KaeuferAnzahl * w.KaeuferPreis : 0;
    const uint64_t andere = d->Gesamtpreis - std::min(alt, d->Gesamtpreis);
    if (kosten > d->AnzGold || kosten + andere > d->AnzGold) {
        NichtGenugGold();
        return 0;
    }
    w.Kaeufer = PlayerInfo.SpielerID;
    w.KaeuferAnzahl = d->WishToBuyUnits;
    w.KaeuferPreis = d->WishToBuyPreis;
    d->Gesamtpreis = HandelGesamtpreis(d);
    d->WishToBuyUnits = d->WishToBuyPreis = 0;
    return 1;
}

BOOL HandelGebotZurueck(LokaleDatenHandelsScreen *d)
{
    ListNode *n = d->WarenNode2Ptr;
    if (!n) return 0;
    if (Meldung(GetString(&_VEK_HANDEL_CANCELORDER), 1) != 0) return 0;
    st_WARE_EXT &w = Ware(n);
    w.Kaeufer = w.KaeuferAnzahl = w.KaeuferPreis = 0;
    d->Gesamtpreis = HandelGesamtpreis(d);
    d->WishToBuyUnits = d->WishToBuyPreis = 0;
    return 1;
}

BOOL HandelAngebotSetzen(LokaleDatenHandelsScreen *d)
{
    if (d->WishToSellEntry < 0 || d->WishToSellUnits == 0) return 0;
    const ULONG typ = (ULONG)d->WishToSellEntry;
    if (d->Auswahl3 >= 0 && d->WarenNode3Ptr) {
        st_WARE_EXT &w = Ware(d->WarenNode3Ptr);
        if (d->WishToSellUnits < w.WarenAnzahl) {
            const ULONG zurueck = w.WarenAnzahl - d->WishToSellUnits;
            if (typ == 0)
                d->AnzKorn = Sat((uint64_t)d->AnzKorn + zurueck);
            else if (!AddWare2List(d, WARE_INFO_LAGER, typ, zurueck, w.Preis))
                return 0;
            w.WarenAnzahl = d->WishToSellUnits;
        }
        w.Preis = d->WishToSellPreis;
    } else {
        ULONG units = d->WishToSellUnits;
        if (typ == 0) {
            units = std::min(units, d->AnzKorn);
            if (units == 0) return 0;
        }
        if (!AddWare2List(d, WARE_INFO_ANGEBOT, typ, units, d->WishToSellPreis)) return 0;
        if (typ == 0) d->AnzKorn -= units;  // corn on offer leaves the granary at once
    }
    d->WishToSellEntry = -1;
    d->WishToSellUnits = d->WishToSellMaxUnits = d->WishToSellPreis = 0;
    d->Auswahl3 = -1;
    d->WarenNode3Ptr = nullptr;
    return 1;
}

BOOL HandelAngebotZurueck(LokaleDatenHandelsScreen *d)
{
    ListNode *n = d->Auswahl3 >= 0 ? d->WarenNode3Ptr : nullptr;
    if (!n) return 0;
    st_WARE_EXT &w = Ware(n);
    if (w.WarenTyp == 0) {
        if ((uint64_t)d->AnzKorn + w.WarenAnzahl <= d->MaxKornPossible) {
            d->AnzKorn += w.WarenAnzahl;
            DeleteWareFromList(d, n);
        } else {
            Meldung(GetString(&_VEK_MAKTPLATZ_MAXKORNLAGER), 0);
            // Only what fits returns; a granary already over its room keeps its corn.
            if (d->AnzKorn < d->MaxKornPossible) {
                const ULONG passt = (ULONG)(d->MaxKornPossible - d->AnzKorn);
                w.WarenAnzahl -= passt;
                d->AnzKorn += passt;
            }
        }
    } else {
        if (!AddWare2List(d, WARE_INFO_LAGER, w.WarenTyp, w.WarenAnzahl, w.Preis)) return 0;
        DeleteWareFromList(d, n);
    }
    d->Auswahl3 = -1;
    d->WarenNode3Ptr = nullptr;
    d->WishToSellEntry = -1;
    d->WishToSellUnits = d->WishToSellMaxUnits = d->WishToSellPreis = 0;
    return 1;
}

// ---- steppers and typed values ----

void HandelSchritt(LokaleDatenHandelsScreen *d, HandelStepper s)
{
    const int gruppe = s < HS_BUY_UNITS_DOWN ? 0 : s < HS_SELL_UNITS_DOWN ? 1 : 2;
    const UWORD knopf = (UWORD)(s - (gruppe == 0 ? 0 : gruppe == 1 ? HS_BUY_UNITS_DOWN : HS_SELL_UNITS_DOWN));
    if (s == HS_TAKE_UNITS_DOWN || s == HS_TAKE_UNITS_UP) {
        if (d->WishToTakeUnits < 0) return;
    }
    HaltZaehler *z = &d->Zaehler[gruppe];
    SchrittZaehlen(z, knopf);
    ULONG teil[3];
    const int k = Teilschritte(z->Gadget[knopf], teil);
    const bool hoch = knopf & 1;

    auto einheitenRunter = [&](uint64_t v) {  // a step only above its size
        for (int i = 0; i < k; ++i)
            if (v > teil[i]) v -= teil[i];
        return v;
    };
    auto bisGrenze = [&](uint64_t v, uint64_t max) {  // a step only while it fits
        for (int i = 0; i < k; ++i)
            if (v + teil[i] <= max) v += teil[i];
        return v;
    };
    auto frei = [&](uint64_t v) {
        for (int i = 0; i < k; ++i) v += teil[i];
        return Sat(v);
    };
    auto bisNull = [&](uint64_t v) {  // a step where the value holds it
        for (int i = 0; i < k; ++i)
            if (v >= teil[i]) v -= teil[i];
        return (ULONG)v;
    };

    switch (s) {
    case HS_TAKE_UNITS_DOWN: d->WishToTakeUnits = (int64_t)einheitenRunter((uint64_t)d->WishToTakeUnits); break;
    case HS_TAKE_UNITS_UP:
        d->WishToTakeUnits = (int64_t)bisGrenze((uint64_t)d->WishToTakeUnits, (uint64_t)std::max<int64_t>(d->WishToTakeMaxUnits, 0));
        break;
    case HS_BUY_UNITS_DOWN: d->WishToBuyUnits = (ULONG)einheitenRunter(d->WishToBuyUnits); break;
    case HS_BUY_UNITS_UP: d->WishToBuyUnits = (ULONG)bisGrenze(d->WishToBuyUnits, d->WishToBuyMaxUnits); break;
    case HS_BUY_PREIS_DOWN: {
        uint64_t v = d->WishToBuyPreis;
        for (int i = 0; i < k; ++i)
            if (v >= teil[i] && v - teil[i] >= d->WishToBuyMinPreis) v -= teil[i];
        d->WishToBuyPreis = (ULONG)v;
        break;
    }
    case HS_BUY_PREIS_UP: d->WishToBuyPreis = frei(d->WishToBuyPreis); break;
    case HS_SELL_UNITS_DOWN: d->WishToSellUnits = bisNull(d->WishToSellUnits); break;
    case HS_SELL_UNITS_UP: d->WishToSellUnits = std::min(frei(d->WishToSellUnits), d->WishToSellMaxUnits); break;
    case HS_SELL_PREIS_DOWN: d->WishToSellPreis = bisNull(d->WishToSellPreis); break;
    case HS_SELL_PREIS_UP: d->WishToSellPreis = frei(d->WishToSellPreis); break;
    }
    (void)hoch;
}

void HandelTick(LokaleDatenHandelsScreen *d)
{
    for (HaltZaehler &z : d->Zaehler) HaltZaehlerTick(&z);
}

BOOL HandelBoxText(const LokaleDatenHandelsScreen *d, HandelBox b, char *Text, ULONG Size)
{
    uint64_t v = 0;
    switch (b) {
    case HB_TAKE_UNITS:
        if (d->WishToTakeUnits < 0) return 0;
        v = (uint64_t)d->WishToTakeUnits;
        break;
    case HB_SELL_UNITS: v = d->WishToSellUnits; break;
    case HB_SELL_PREIS: v = d->WishToSellPreis; break;
    case HB_BUY_UNITS: v = d->WishToBuyUnits; break;
    case HB_BUY_PREIS: v = d->WishToBuyPreis; break;
    default: return 0;
    }
    std::snprintf(Text, Size, "%" PRIu64, v);
    return 1;
}

void HandelBoxWert(LokaleDatenHandelsScreen *d, HandelBox b, const char *Text)
{
    const ULONG v = ZahlAusText(Text);
    switch (b) {
    case HB_TAKE_UNITS:
        if (d->WishToTakeUnits >= 0) d->WishToTakeUnits = std::min<int64_t>(v, std::max<int64_t>(d->WishToTakeMaxUnits, 0));
        break;
    case HB_SELL_UNITS: d->WishToSellUnits = std::min(v, d->WishToSellMaxUnits); break;
    case HB_SELL_PREIS: d->WishToSellPreis = v; break;
    case HB_BUY_UNITS: d->WishToBuyUnits = std::min(v, d->WishToBuyMaxUnits); break;
    case HB_BUY_PREIS: d->WishToBuyPreis = std::max(v, d->WishToBuyMinPreis); break;
    }
}

// ---- list lines ----

char *CreateWarenReqListBuffer(LokaleDatenHandelsScreen *d, int Art, ULONG *Anzahl)
{
    *Anzahl = 0;
    if (Art == 0) {
        if (!HeimMarktBauen(&d->Markt)) return nullptr;
        const ULONG n = HeimMarktAnzahl(&d->Markt);
        if (!n) return nullptr;
        char *buf = (char *)AllocVec(n * HANDEL_ZEILE, MEMF_CLEAR);
        if (!buf) {
            std::printf("CreateWarenReqListBuffer: Konnte Speicher f\374r WarenBuffer nicht allokieren !\n");
            return nullptr;
        }
        for (ULONG t = 0, i = 0; t < (ULONG)WAREN_TYPES; ++t)
            if (d->Markt.Waren[t]) std::snprintf(buf + HANDEL_ZEILE * i++, HANDEL_ZEILE, "%s", WarenName(t));
        *Anzahl = n;
        return buf;
    }
    const UWORD info = Art == 5 ? WARE_INFO_ANGEBOT : WARE_INFO_FREMD;
    ULONG n = 0;
    JedeWare(d->WareListPtr, [&](ListNode *e) { n += Ware(e).Info == info; });
    if (!n || Art < 1 || Art > 5) return nullptr;
    char *buf = (char *)AllocVec(n * HANDEL_ZEILE, MEMF_CLEAR);
    if (!buf) return nullptr;
    ULONG i = 0;
    JedeWare(d->WareListPtr, [&](ListNode *e) {
        const st_WARE_EXT &w = Ware(e);
        if (w.Info != info) return;
        char *z = buf + HANDEL_ZEILE * i++;
        const bool gebot = EigenesGebot(w);
        switch (Art) {
        case 1: GetPlayerName_GetName(w.Herkunft, z, d->SpielerChunkPtr); z[39] = 0; break;
        case 2: std::snprintf(z, HANDEL_ZEILE, "%s", WarenName(w.WarenTyp)); break;
        case 3:
            if (gebot) std::snprintf(z, HANDEL_ZEILE, "%lu/(%lu)", (unsigned long)w.WarenAnzahl, (unsigned long)w.KaeuferAnzahl);
            else std::snprintf(z, HANDEL_ZEILE, "%lu", (unsigned long)w.WarenAnzahl);
            break;
        case 4:
            if (gebot) std::snprintf(z, HANDEL_ZEILE, "%lu/(%lu)", (unsigned long)w.Preis, (unsigned long)w.KaeuferPreis);
            else std::snprintf(z, HANDEL_ZEILE, "%lu", (unsigned long)w.Preis);
            break;
        case 5:
            std::snprintf(z, HANDEL_ZEILE, "%s ( %lu %s %lu GS )", WarenName(w.WarenTyp), (unsigned long)w.WarenAnzahl,
                          GetString(&_VEK_HANDELSSCREEN_EINHZUPREIS), (unsigned long)w.Preis);
            break;
        }
    });
    *Anzahl = n;
    return buf;
}

void HandelVerkaufsZeile(const LokaleDatenHandelsScreen *d, char *Zeile, ULONG Size)
{
    const char *name = d->WishToSellEntry >= 0 ? WarenName((ULONG)d->WishToSellEntry) : GetString(&_VEK_HANDELSSCREEN_WAREWAEHLEN);
    const ULONG units = d->WishToSellEntry >= 0 ? d->WishToSellUnits : 0;
    const ULONG preis = d->WishToSellEntry >= 0 ? d->WishToSellPreis : 0;
    std::snprintf(Zeile, Size, "%s ( %lu %s %lu %s )", name, (unsigned long)units, GetString(&_VEK_HANDELSSCREEN_EINHZUPREIS),
                  (unsigned long)preis, GetString(&_VEK_GS));
}
