// Contract rules: lists, lines, orders, documents and the terms of an offer.
#include "world/vertrag.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "world/warehouse.h"

namespace {

LONG AdvisorBox(const char *text, int question) { return ChiefMessage(66, 168, 180, 0, 0, 0, question ? 1 : 0, text, 7); }
std::time_t SystemZeit() { return std::time(nullptr); }

constexpr ULONG kVertBit = 0x1000000;  // VERT in a pool's INFO chunk bits

LONG Sat32(long long v)
{
    if (v > 0x7FFFFFFFLL) return 0x7FFFFFFF;
    if (v < -0x7FFFFFFFLL - 1) return (LONG)(-0x7FFFFFFFLL - 1);
    return (LONG)v;
}

std::vector<ListNode *> Knoten(ListHeader *l)
{
    std::vector<ListNode *> out;
    if (!l || !l->FirstNode) return out;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente; ++i, n = n->Next) out.push_back(n);
    return out;
}

st_VERT_EXT &Rec(ListNode *n) { return ((VertragListEntry *)n)->Vertrag; }

void Meldung(const LocStr &s) { VertragMeldungHook(GetString(&s), 0); }

// Copies at most max characters of a field that may lack its NUL.
void KopiereZeile(char *line, const char *text, ULONG max)
{
    ULONG n = 0;
    while (n < max && n < VERTRAG_ZEILE - 1 && text[n]) ++n;
    std::memcpy(line, text, n);
    line[n] = 0;
}

void Name(ULONG id, char *name)
{
    std::memset(name, 0, 40);
    GetPlayerName(id, name, 0);
}

// Unlinks a node and frees it.
void Entferne(ListHeader *l, ListNode *n)
{
    l->ActNode = n;
    DeleteNode(l, LIST_ACT, 0, LIST_FREE_OWNED);
}

BOOL SchreibeAusgang(ListHeader *liste)
{
    st_VERT *chunk = MakeVertragChunkFromList(liste);
    if (!chunk) {
        std::printf("SendVertrag : Konnte aus VertragsListe keinen Chunk generieren...\n");
        return 0;
    }
    BOOL ok = AddChunkPool(chunk, POOL_OUT);
    FreeVec(chunk);
    if (!ok) {
        std::printf("SendVertrag : Konnte aus VertragsListe keinen Chunk generieren...\n");
        return 0;
    }
    std::printf("neuen Chunk abgespeichert...\n");
    return 1;
}

// Appends one record to the outgoing list and stores it: 1 stored.
BOOL Anhaengen(const st_VERT_EXT &rec)
{
    ListHeader *liste = CreateList(LISTE_VERTRAEGE);
    if (!liste) {
        std::printf("SendVertrag : konnte alte Liste nicht anlegen...\n");
        return 0;
    }
    if (!SendVertragHoleListe(liste)) {
        DeleteList(liste, 1);
        return 0;
    }
    auto *node = (ListNode *)AllocVec(liste->TypSize, MEMF_CLEAR);
    if (!node) {
        std::printf("SendVertrag : Speicher f\374r Liste konnte nicht angefordert werden...\n");
        DeleteList(liste, 1);
        return 0;
    }
    Rec(node) = rec;
    InsertNode(liste, node, LIST_LAST, 0);
    BOOL ok = SchreibeAusgang(liste);
    DeleteList(liste, 1);
    return ok;
}

// A kind-0 record of the outgoing list reserves Dauer x Anzahl of its ware.
unsigned long long Reserviert(ListHeader *ausgang, ULONG typ)
{
    unsigned long long sum = 0;
    for (ListNode *n : Knoten(ausgang)) {
        const st_VERT_EXT &v = Rec(n);
        if (v.VertragsArt != VA_HANDELSANGEBOT || v.WarenTyp != typ) continue;
        const unsigned long long teil = (unsigned long long)v.Dauer * v.Anzahl;
        sum = sum > ~0ULL - teil ? ~0ULL : sum + teil;
    }
    return sum;
}

const char *WarenName(ULONG typ) { return typ < (ULONG)WAREN_COUNT ? GetString(Waren[typ]) : ""; }

const char *Label(UWORD art)
{
    switch (art) {
    case VA_HANDELSANGEBOT: return GetString(&_VEK_DIPLO0_HANDELSANGEBOT);
    case VA_WERBUNG: return GetString(&_VEK_DIPLO0_HANDELSBEWERBUNG);
    case VA_ANNAHME:
    case VA_HANDELSVERTRAG: return GetString(&_VEK_DIPLO0_HANDELSABSCHLUSS);
    case VA_VERTRAGSBRUCH: return GetString(&_VEK_DIPLO0_VERTRAGSBRUCH);
    case VA_LEHNSANGEBOT:
    case VA_LEHNSANNAHME:
    case VA_LEHNSBESTAETIGUNG: return GetString(&_VEK_DIPLO3_LEHNSHERREN_3);
    default: return nullptr;
    }
}

BOOL ZeilenPuffer(char **buffer, ListNode ***table, ULONG n)
{
    FreeVec(*buffer);
    FreeVec(*table);
    *buffer = (char *)AllocVec((n ? n : 1) * VERTRAG_ZEILE, MEMF_CLEAR);
    *table = (ListNode **)AllocVec((n ? n : 1) * sizeof(ListNode *), MEMF_CLEAR);
    return *buffer && *table;
}

void Anfuegen(char *buffer, const char *text)
{
    const size_t have = std::strlen(buffer);
    if (have >= VERTRAG_ZEILE - 1) return;
    std::strncat(buffer, text, VERTRAG_ZEILE - 1 - have);
}

}  // namespace

LONG (*VertragMeldungHook)(const char *text, int question) = AdvisorBox;
std::time_t (*VertragUhrHook)() = SystemZeit;

// ---- held buttons ----

LONG GetIndexOnGadget(HaltZaehler *z, UWORD button, LONG value, LONG floor)
{
    z->TimeControl = 0;
    if (button > 5) return value;
    if (z->Gadget[button] < 0xFFFFFFFFu) ++z->Gadget[button];
    z->Gadget[button ^ 1] = 0;
    const ULONG n = z->Gadget[button];
    long long v = value;
    if (button & 1) {
        v += n <= 20 ? 1 : n <= 40 ? 10 : n <= 60 ? 110 : 1110;
    } else if (n <= 20) {
        if (v > floor) v -= 1;
    } else {
        if (v > 10) v -= 10;
        if (n >= 41 && v > 100) v -= 100;
        if (n >= 61 && v > 1000) v -= 1000;
    }
    return Sat32(v);
}

void HaltZaehlerTick(HaltZaehler *z)
{
    if (z->TimeControl < 0xFFFF) ++z->TimeControl;
    if (z->TimeControl > 10) std::memset(z->Gadget, 0, sizeof z->Gadget);
}

// ---- lists ----

void VertragsDatenFrei(VertragsDaten *d)
{
    DeleteList(d->SpielerListPtr, 1);
    DeleteList(d->WarenListPtr, 1);
    DeleteList(d->VertragListPtr, 1);
    FreeVec(d->SpielerListBuffer);
    FreeVec(d->WarenListBuffer);
    FreeVec(d->VertragListBuffer);
    FreeVec(d->VertragZeilen);
    FreeVec(d->Waren2ListBuffer);
    FreeVec(d->Waren2Zeilen);
    d->SpielerListPtr = d->WarenListPtr = d->VertragListPtr = nullptr;
    d->SpielerListBuffer = d->WarenListBuffer = d->VertragListBuffer = d->Waren2ListBuffer = nullptr;
    d->VertragZeilen = d->Waren2Zeilen = nullptr;
    d->SpielerBufferCount = d->WarenBufferCount = d->VertragBufferCount = d->Waren2Count = 0;
    d->AktVertragNodePtr = nullptr;
    d->VertragGelesen = d->VertragGeaendert = 0;
}

BOOL SendVertragHoleListe(ListHeader *List)
{
    // Loaded first: the pool's bits are asked only to tell a missing chunk
    // from one that cannot be read.
    auto *vert = (st_VERT *)LoadChunk2Mem(ID_VERT, POOL_OUT);
    if (!vert) {
        if (!IsChunkPresent(kVertBit, POOL_OUT)) return 1;
        std::printf("SendVertrag : Konnte VertragsChunk nicht \366ffnen !");
        return 0;
    }
    std::printf("alten Chunk geladen...\n");
    BOOL ok = ScanVertrag2List(List, vert);
    FreeVec(vert);
    if (!ok) std::printf("SendVertrag : Konnte alte Vertr\344ge nicht einscannen...\n");
    return ok;
}

BOOL AllocVertragList(VertragsDaten *d, UWORD Seite)
{
    BOOL result = 1;
    if (!d->VertragListPtr) {
        d->VertragListPtr = CreateList(LISTE_VERTRAEGE);
        if (!d->VertragListPtr) {
            std::printf("AllocVertragList : Konnte Liste nicht anlegen...\n");
            return 0;
        }
        d->VertragGelesen = 1;
        d->VertragGeaendert = 0;
        auto *vert = (st_VERT *)LoadChunk2Mem(ID_VERT, POOL_IN);
        if (!vert) {
            if (IsChunkPresent(kVertBit, POOL_IN)) {
                std::printf("AllocVertragList : Konnte SpielerChunk nicht einladen...\n");
                d->VertragGelesen = 0;
                result = 0;
            }
        } else if (!ScanVertrag2List(d->VertragListPtr, vert)) {
            std::printf("AllocVertragList : Konnte VertragListe nicht einscannen...\n");
            d->VertragGelesen = 0;
            result = 0;
        }
        FreeVec(vert);
        // Sorted by kind, then offerer; equal records keep the pool's order.
        std::vector<ListNode *> nodes = Knoten(d->VertragListPtr);
        std::stable_sort(nodes.begin(), nodes.end(), [](ListNode *a, ListNode *b) {
            if (Rec(a).VertragsArt != Rec(b).VertragsArt) return Rec(a).VertragsArt < Rec(b).VertragsArt;
            return Rec(a).AnbieterID < Rec(b).AnbieterID;
        });
        for (ListNode *n : nodes) {
            d->VertragListPtr->ActNode = n;
            DeleteNode(d->VertragListPtr, LIST_ACT, 0, LIST_UNLINK_ONLY);
        }
        for (ListNode *n : nodes) InsertNode(d->VertragListPtr, n, LIST_LAST, 0);
        d->VertragListPtr->ActNode = nullptr;
    }

    const ULONG ich = PlayerInfo.SpielerID;
    std::vector<ListNode *> nodes = Knoten(d->VertragListPtr);
    std::vector<ListNode *> zeilen;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const st_VERT_EXT &v = Rec(nodes[i]);
        if (Seite == 2) {
            if (v.VertragsArt != VA_HANDELSANGEBOT) continue;
            if (i > 0 && Rec(nodes[i - 1]).VertragsArt == VA_HANDELSANGEBOT &&
                Rec(nodes[i - 1]).AnbieterID == v.AnbieterID)
                continue;
        } else if (Seite == 3) {
            if (v.VertragsArt != VA_FRIEDEN && v.VertragsArt != VA_LEHNSANGEBOT) continue;
            if (i > 0 && Rec(nodes[i - 1]).VertragsArt == v.VertragsArt && Rec(nodes[i - 1]).AnbieterID == v.AnbieterID)
                continue;
        }
        zeilen.push_back(nodes[i]);
    }
    if (zeilen.size() > 0xFFFF) zeilen.resize(0xFFFF);
    if (!ZeilenPuffer(&d->VertragListBuffer, &d->VertragZeilen, (ULONG)zeilen.size())) {
        std::printf("AllocVertragList : Konnte Liste nicht anlegen...\n");
        FreeVec(d->VertragListBuffer);
        FreeVec(d->VertragZeilen);
        d->VertragListBuffer = nullptr;
        d->VertragZeilen = nullptr;
        d->VertragBufferCount = 0;
        return 0;
    }
    d->VertragSeite = Seite;
    d->DummyReqVertrag = zeilen.empty();
    if (zeilen.empty()) {
        KopiereZeile(d->VertragListBuffer, GetString(&_VEK_DIPLO0_NOVERTRAG), VERTRAG_ZEILE);
        d->VertragBufferCount = 1;
        return result;
    }
    char name[40];
    for (size_t i = 0; i < zeilen.size(); ++i) {
        const st_VERT_EXT &v = Rec(zeilen[i]);
        char *line = d->VertragListBuffer + i * VERTRAG_ZEILE;
        d->VertragZeilen[i] = zeilen[i];
        if (Seite == 1 || Seite == 4) {
            const char *label = Label(v.VertragsArt);
            if (label) {
                Anfuegen(line, label);
                Anfuegen(line, " ");
            }
            Name(v.AnbieterID == ich ? v.PartnerID : v.AnbieterID, name);
        } else {
            Name(v.AnbieterID, name);
        }
        Anfuegen(line, name);
    }
    d->VertragBufferCount = (UWORD)zeilen.size();
    return result;
}

BOOL FreeVertragList(VertragsDaten *d)
{
    BOOL result = 1;
    if (d->VertragListPtr && d->VertragGelesen && d->VertragGeaendert) {
        if (d->VertragListPtr->Elemente) {
            st_VERT *chunk = MakeVertragChunkFromList(d->VertragListPtr);
            if (!chunk || !AddChunkPool(chunk, POOL_IN)) {
                std::printf("FreeVertragList : Konnte aus VertragsListe keinen Chunk generieren...\n");
                result = 0;
            } else {
                std::printf("neuen Chunk abgespeichert...\n");
            }
            FreeVec(chunk);
        } else if (!RemChunkPool(ID_VERT, POOL_IN)) {
            result = 0;
        }
    }
    DeleteList(d->VertragListPtr, 1);
    FreeVec(d->VertragListBuffer);
    FreeVec(d->VertragZeilen);
    FreeVec(d->Waren2ListBuffer);
    FreeVec(d->Waren2Zeilen);
    d->VertragListPtr = nullptr;
    d->VertragListBuffer = d->Waren2ListBuffer = nullptr;
    d->VertragZeilen = d->Waren2Zeilen = nullptr;
    d->VertragBufferCount = d->Waren2Count = 0;
    d->AktVertragNodePtr = nullptr;
    d->VertragGelesen = d->VertragGeaendert = 0;
    return result;
}

st_VERT_EXT *VertragAufZeile(VertragsDaten *d, LONG Zeile)
{
    if (!d->VertragZeilen || d->DummyReqVertrag || Zeile < 0 || Zeile >= d->VertragBufferCount) return nullptr;
    return &Rec(d->VertragZeilen[Zeile]);
}

BOOL VertragAngebotsZeilen(VertragsDaten *d, LONG Zeile)
{
    FreeVec(d->Waren2ListBuffer);
    FreeVec(d->Waren2Zeilen);
    d->Waren2ListBuffer = nullptr;
    d->Waren2Zeilen = nullptr;
    d->Waren2Count = 0;
    d->AktVertragNodePtr = nullptr;
    const st_VERT_EXT *erster = VertragAufZeile(d, Zeile);
    if (!erster) return 0;
    const ULONG anbieter = erster->AnbieterID;
    const bool handel = d->VertragSeite == 2;
    std::vector<ListNode *> auswahl;
    for (ListNode *n : Knoten(d->VertragListPtr)) {
        const st_VERT_EXT &v = Rec(n);
        if (v.AnbieterID != anbieter) continue;
        if (handel ? v.VertragsArt != VA_HANDELSANGEBOT
                   : v.VertragsArt != VA_FRIEDEN && v.VertragsArt != VA_LEHNSANGEBOT)
            continue;
        auswahl.push_back(n);
    }
    if (auswahl.size() > 0xFFFF) auswahl.resize(0xFFFF);
    if (auswahl.empty() || !ZeilenPuffer(&d->Waren2ListBuffer, &d->Waren2Zeilen, (ULONG)auswahl.size())) return 0;
    for (size_t i = 0; i < auswahl.size(); ++i) {
        const st_VERT_EXT &v = Rec(auswahl[i]);
        const char *text = handel ? WarenName(v.WarenTyp)
                                  : v.VertragsArt == VA_FRIEDEN ? GetString(&_VEK_DIPLO3_FRIEDEN_1)
                                                                : GetString(&_VEK_DIPLO3_LEHNSHERREN_7);
        KopiereZeile(d->Waren2ListBuffer + i * VERTRAG_ZEILE, text, VERTRAG_ZEILE);
        d->Waren2Zeilen[i] = auswahl[i];
    }
    d->Waren2Count = (UWORD)auswahl.size();
    d->AktVertragNodePtr = auswahl[0];
    return 1;
}

BOOL SpielerListeLaden(VertragsDaten *d)
{
    DeleteList(d->SpielerListPtr, 1);
    FreeVec(d->SpielerListBuffer);
    d->SpielerListBuffer = nullptr;
    d->SpielerListPtr = CreateList(LISTE_SPIELER);
    if (!d->SpielerListPtr) return 0;
    BOOL result = 1;
    if (IsFilePresent(SPIELERLISTE_FILE)) {
        auto *antw = (st_ANTW *)LoadChunk2Mem(ID_ANTW, SPIELERLISTE_FILE);
        if (!antw || !ScanSpieler2List(d->SpielerListPtr, antw)) result = 0;
        FreeVec(antw);
    }
    std::vector<ListNode *> nodes = Knoten(d->SpielerListPtr);
    auto name = [](ListNode *n) { return ((SpielerListEntry *)n)->SpielName; };
    std::stable_sort(nodes.begin(), nodes.end(),
                     [&](ListNode *a, ListNode *b) { return std::strncmp(name(a), name(b), 80) < 0; });
    for (ListNode *n : nodes) {
        d->SpielerListPtr->ActNode = n;
        DeleteNode(d->SpielerListPtr, LIST_ACT, 0, LIST_UNLINK_ONLY);
    }
    for (ListNode *n : nodes) InsertNode(d->SpielerListPtr, n, LIST_LAST, 0);
    d->SpielerListPtr->ActNode = nullptr;
    const ULONG count = nodes.size() > 0xFFFF ? 0xFFFF : (ULONG)nodes.size();
    d->SpielerListBuffer = (char *)AllocVec((count ? count : 1) * VERTRAG_ZEILE, MEMF_CLEAR);
    if (!d->SpielerListBuffer) return 0;
    d->DummyReqSpieler = count == 0;
    if (!count) {
        KopiereZeile(d->SpielerListBuffer, GetString(&_VEK_KASERNE_NOINFORMATION), VERTRAG_ZEILE);
        d->SpielerBufferCount = 1;
        return result;
    }
    for (ULONG i = 0; i < count; ++i) KopiereZeile(d->SpielerListBuffer + i * VERTRAG_ZEILE, name(nodes[i]), 80);
    d->SpielerBufferCount = (UWORD)count;
    return result;
}

BOOL GewaehlterSpieler(const VertragsDaten *d, ULONG *SpielerID, char *Name, ULONG NameSize)
{
    if (!d->SpielerListPtr || d->DummyReqSpieler || d->Auswahl1 < 0 || (ULONG)d->Auswahl1 >= d->SpielerBufferCount)
        return 0;
    ListNode *n = d->SpielerListPtr->FirstNode;
    for (LONG i = 0; i < d->Auswahl1; ++i) n = n->Next;
    auto *e = (SpielerListEntry *)n;
    *SpielerID = e->SpielerID;
    if (Name && NameSize) {
        ULONG k = 0;
        while (k + 1 < NameSize && k < 80 && e->SpielName[k]) ++k;
        std::memcpy(Name, e->SpielName, k);
        Name[k] = 0;
    }
    return 1;
}

BOOL WarenListeLaden(VertragsDaten *d)
{
    DeleteList(d->WarenListPtr, 1);
    FreeVec(d->WarenListBuffer);
    d->WarenListPtr = nullptr;
    d->WarenListBuffer = nullptr;
    d->WarenBufferCount = 0;
    BOOL result = 1;
    if (IsFilePresent(WAREN_FILE)) {
        d->WarenListPtr = CreateList(LISTE_WAREN);
        auto *w = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
        if (!d->WarenListPtr || !w || !ScanWare2List(d->WarenListPtr, w)) {
            std::printf("InitWarenRequester : Konnte WarenListe nicht einscannen...\n");
            DeleteList(d->WarenListPtr, 1);
            d->WarenListPtr = nullptr;
            result = 0;
        }
        FreeVec(w);
    }
    std::vector<const char *> namen;
    if (d->Korn) namen.push_back(WarenName(0));
    for (ListNode *n : Knoten(d->WarenListPtr)) {
        const st_WARE_EXT &w = ((WareListEntry *)n)->Ware;
        if (w.Info == 5) namen.push_back(WarenName(w.WarenTyp));
    }
    if (namen.size() > 0xFFFF) namen.resize(0xFFFF);
    if (namen.empty()) return result;
    d->WarenListBuffer = (char *)AllocVec((ULONG)namen.size() * VERTRAG_ZEILE, MEMF_CLEAR);
    if (!d->WarenListBuffer) return 0;
    for (size_t i = 0; i < namen.size(); ++i) KopiereZeile(d->WarenListBuffer + i * VERTRAG_ZEILE, namen[i], VERTRAG_ZEILE);
    d->WarenBufferCount = (UWORD)namen.size();
    return result;
}

BOOL WareAufZeile(const VertragsDaten *d, LONG Zeile, ULONG *Typ, ULONG *Verfuegbar, UWORD *Zustand)
{
    *Verfuegbar = 0;
    *Zustand = 0;
    *Typ = 0;
    if (Zeile < 0) return 0;
    if (d->Korn) {
        if (Zeile == 0) {
            *Verfuegbar = d->Korn;
            return 1;
        }
        --Zeile;
    }
    LONG k = 0;
    for (ListNode *n : Knoten(d->WarenListPtr)) {
        const st_WARE_EXT &w = ((WareListEntry *)n)->Ware;
        if (w.Info != 5) continue;
        if (k++ == Zeile) {
            *Typ = w.WarenTyp;
            *Verfuegbar = w.WarenAnzahl;
            *Zustand = w.Zustand;
            return 1;
        }
    }
    return 0;
}

// ---- orders ----

namespace {

BOOL Handelsangebot(VertragsDaten *d)
{
    ULONG partner = 0;
    if (!GewaehlterSpieler(d, &partner, nullptr, 0)) {
        Meldung(_VEK_DIPLO1_CHOOSEPLAYER);
        return 1;
    }
    if (d->Auswahl2 < 0) {
        Meldung(_VEK_DIPLO1_CHOOSEWARE);
        return 1;
    }
    if (d->Anzahl <= 0) {
        Meldung(_VEK_DIPLO1_NOAMOUNT);
        return 1;
    }
    ULONG typ = 0, verfuegbar = 0;
    UWORD zustand = 0;
    WareAufZeile(d, d->Auswahl2, &typ, &verfuegbar, &zustand);
    ListHeader *ausgang = CreateList(LISTE_VERTRAEGE);
    if (!ausgang) {
        std::printf("SendVertrag : konnte alte Liste nicht anlegen...\n");
        return 0;
    }
    if (!SendVertragHoleListe(ausgang)) {
        DeleteList(ausgang, 1);
        return 0;
    }
    const LONG dauer = std::clamp<LONG>(d->Dauer, 1, VERTRAG_MAXDAUER);
    const unsigned long long reserviert = Reserviert(ausgang, typ);
    const unsigned long long frei = verfuegbar > reserviert ? verfuegbar - reserviert : 0;
    if (frei < (unsigned long long)dauer * (ULONG)d->Anzahl) {
        DeleteList(ausgang, 1);
        Meldung(_VEK_DIPLO1_DOPPELTERVERTRAG);
        return 1;
    }
    auto *node = (ListNode *)AllocVec(ausgang->TypSize, MEMF_CLEAR);
    if (!node) {
        std::printf("SendVertrag : Speicher f\374r Liste konnte nicht angefordert werden...\n");
        DeleteList(ausgang, 1);
        return 0;
    }
    st_VERT_EXT &v = Rec(node);
    v.VertragsArt = VA_HANDELSANGEBOT;
    v.AnbieterID = PlayerInfo.SpielerID;
    v.PartnerID = partner;
    v.WarenTyp = typ;
    v.Identifier = (ULONG)VertragUhrHook();
    v.Dauer = (UWORD)dauer;
    v.Anzahl = (ULONG)d->Anzahl;
    v.Preis = (ULONG)std::max<LONG>(d->Preis, 0);
    v.Zustand = typ == 0 && d->Korn && d->Auswahl2 == 0 ? 0 : zustand;
    InsertNode(ausgang, node, LIST_LAST, 0);
    BOOL ok = SchreibeAusgang(ausgang);
    DeleteList(ausgang, 1);
    if (ok) Meldung(_VEK_DIPLO0_DOKUMENTTEXT13);
    return ok;
}

BOOL Werbung()
{
    ListHeader *ausgang = CreateList(LISTE_VERTRAEGE);
    if (!ausgang) {
        std::printf("SendVertrag : konnte alte Liste nicht anlegen...\n");
        return 0;
    }
    if (!SendVertragHoleListe(ausgang)) {
        DeleteList(ausgang, 1);
        return 0;
    }
    bool schon = false;
    for (ListNode *n : Knoten(ausgang)) schon = schon || Rec(n).VertragsArt == VA_WERBUNG;
    DeleteList(ausgang, 1);
    BOOL ok = 1;
    if (!schon) {
        st_VERT_EXT v{};
        v.VertragsArt = VA_WERBUNG;
        v.AnbieterID = PlayerInfo.SpielerID;
        v.PartnerID = VERTRAG_ALLE;
        v.Identifier = (ULONG)VertragUhrHook();
        ok = Anhaengen(v);
    }
    if (ok) Meldung(_VEK_DIPLO0_DOKUMENTTEXT14);
    return ok;
}

BOOL Annahme(VertragsDaten *d)
{
    if (!d->Waren2Zeilen || d->Auswahl2 < 0 || d->Auswahl2 >= d->Waren2Count) return 1;
    ListNode *node = d->Waren2Zeilen[d->Auswahl2];
    if (Rec(node).VertragsArt != VA_HANDELSANGEBOT) return 1;
    st_VERT_EXT v = Rec(node);
    v.VertragsArt = VA_ANNAHME;
    if (!Anhaengen(v)) return 0;
    // Only a stored acceptance takes the offer off the received list.
    Entferne(d->VertragListPtr, node);
    d->VertragGeaendert = 1;
    d->Auswahl2 = -1;
    FreeVec(d->Waren2ListBuffer);
    FreeVec(d->Waren2Zeilen);
    d->Waren2ListBuffer = nullptr;
    d->Waren2Zeilen = nullptr;
    d->Waren2Count = 0;
    d->AktVertragNodePtr = nullptr;
    if (!AllocVertragList(d, 2)) std::printf("SendVertrag : Konnte VertragListe nicht anlegen !\n");
    if (d->Auswahl1 >= d->VertragBufferCount || d->DummyReqVertrag) d->Auswahl1 = -1;
    if (d->Auswahl1 >= 0) VertragAngebotsZeilen(d, d->Auswahl1);
    return 1;
}

BOOL Lehnsangebot(VertragsDaten *d)
{
    ULONG partner = 0;
    char name[81];
    if (!GewaehlterSpieler(d, &partner, name, sizeof name)) {
        Meldung(_VEK_DIPLO1_CHOOSEPLAYER);
        return 1;
    }
    char frage[400];
    std::snprintf(frage, sizeof frage, "%s %s %s", GetString(&_VEK_DIPLO3_LEHNSHERREN_4), name,
                  GetString(&_VEK_DIPLO3_LEHNSHERREN_5));
    if (VertragMeldungHook(frage, 1) != 0) return 1;
    st_VERT_EXT v{};
    v.VertragsArt = VA_LEHNSANGEBOT;
    v.AnbieterID = PlayerInfo.SpielerID;
    v.PartnerID = partner;
    v.Identifier = (ULONG)VertragUhrHook();
    return Anhaengen(v);
}

// The vassalage offer the chosen lines name: the right line when it is one,
// else the first of the chosen offerer's; a peace offer names none.
ListNode *GewaehltesLehnsangebot(VertragsDaten *d)
{
    if (d->Waren2Zeilen && d->Auswahl2 >= 0 && d->Auswahl2 < d->Waren2Count) {
        ListNode *n = d->Waren2Zeilen[d->Auswahl2];
        return Rec(n).VertragsArt == VA_LEHNSANGEBOT ? n : nullptr;
    }
    const st_VERT_EXT *zeile = VertragAufZeile(d, d->Auswahl1);
    if (!zeile) return nullptr;
    for (ListNode *n : Knoten(d->VertragListPtr))
        if (Rec(n).VertragsArt == VA_LEHNSANGEBOT && Rec(n).AnbieterID == zeile->AnbieterID) return n;
    return nullptr;
}

BOOL Lehnsannahme(VertragsDaten *d)
{
    if (!VertragAufZeile(d, d->Auswahl1)) {
        Meldung(_VEK_DIPLO1_CHOOSEPLAYER);
        return 1;
    }
    if (VertragMeldungHook(GetString(&_VEK_DIPLO3_LEHNSHERREN_1), 1) != 0) return 1;
    ListNode *angebot = GewaehltesLehnsangebot(d);
    if (!angebot) return 1;
    std::printf("Nehme Lehnsherrenvertrag von Spieler %u an...\n", (unsigned)Rec(angebot).AnbieterID);
    st_VERT_EXT v{};
    v.VertragsArt = VA_LEHNSANNAHME;
    v.AnbieterID = Rec(angebot).AnbieterID;
    v.PartnerID = PlayerInfo.SpielerID;
    return Anhaengen(v);
}

}  // namespace

BOOL SendVertrag(VertragsDaten *d, UWORD Art)
{
    switch (Art) {
    case VA_HANDELSANGEBOT: return Handelsangebot(d);
    case VA_WERBUNG: return Werbung();
    case VA_ANNAHME: return Annahme(d);
    case VA_LEHNSANGEBOT: return Lehnsangebot(d);
    case VA_LEHNSANNAHME: return Lehnsannahme(d);
    default: return 1;
    }
}

UWORD KuendigungsArt(UWORD Art)
{
    switch (Art) {
    case VA_HANDELSVERTRAG: return VA_VERTRAGSBRUCH;
    case VA_LEHNSANNAHME:
    case VA_LEHNSBESTAETIGUNG: return VA_LEHNSKUENDIGUNG;
    default: return 0;
    }
}

BOOL VertragKuendigen(VertragsDaten *d, LONG Zeile, BOOL *Gekuendigt)
{
    *Gekuendigt = 0;
    st_VERT_EXT *v = VertragAufZeile(d, Zeile);
    if (!v) return 1;
    const UWORD art = KuendigungsArt(v->VertragsArt);
    if (!art) return 1;
    if (VertragMeldungHook("Mylord, wollen Sie diesen Vertrag wirklich k\374ndigen ?", 1) != 0) return 1;
    st_VERT_EXT kopie = *v;
    kopie.VertragsArt = art;
    if (!Anhaengen(kopie)) {
        std::printf("DiplomatScreenDeleteContracts_SendCancel: Konnte Vertrag nicht senden...\n");
        return 0;
    }
    Entferne(d->VertragListPtr, d->VertragZeilen[Zeile]);
    d->VertragGeaendert = 1;
    *Gekuendigt = 1;
    return AllocVertragList(d, 4);
}

// ---- documents ----

void VertragDokument(const st_VERT_EXT *v, char *Text, ULONG Size)
{
    if (!Size) return;
    Text[0] = 0;
    const ULONG ich = PlayerInfo.SpielerID;
    char eigen[40], anbieter[40], partner[40];
    Name(ich, eigen);
    Name(v->AnbieterID, anbieter);
    Name(v->PartnerID, partner);
    const char *andere = v->AnbieterID == ich ? partner : anbieter;
    char gruss[200];
    std::snprintf(gruss, sizeof gruss, "%s %s %s...\n\n", GetString(&_VEK_ANREDE), GetString(&_VEK_TITEL1), eigen);
    const char *ware = WarenName(v->WarenTyp);
    auto T = [](const LocStr &s) { return GetString(&s); };
    switch (v->VertragsArt) {
    case VA_HANDELSANGEBOT:
        std::snprintf(Text, Size, "%s%s %u %s\n\n%s\n\n%s %u %s %u %s\n%s", gruss, T(_VEK_DIPLO0_DOKUMENTTEXT1),
                      (unsigned)v->Dauer, T(_VEK_DIPLO0_DOKUMENTTEXT2), ware, T(_VEK_DIPLO0_DOKUMENTTEXT3),
                      (unsigned)v->Preis, T(_VEK_DIPLO0_DOKUMENTTEXT4), (unsigned)v->Anzahl,
                      T(_VEK_DIPLO0_DOKUMENTTEXT5), anbieter);
        break;
    case VA_WERBUNG:
        std::snprintf(Text, Size, "%s%s\n%s", gruss, T(_VEK_DIPLO0_DOKUMENTTEXT6), anbieter);
        break;
    case VA_HANDELSVERTRAG:
        std::snprintf(Text, Size, "%s%s & %s\n\n%s%u %s %u %s%s %s %u %s%s    %s", T(_VEK_DIPLO0_DOKUMENTTEXT7), andere,
                      eigen, T(_VEK_DIPLO0_DOKUMENTTEXT8), (unsigned)v->Dauer, T(_VEK_DIPLO0_DOKUMENTTEXT9),
                      (unsigned)v->Anzahl, T(_VEK_DIPLO0_DOKUMENTTEXT10), ware, T(_VEK_DIPLO0_DOKUMENTTEXT11),
                      (unsigned)v->Preis, T(_VEK_DIPLO0_DOKUMENTTEXT12), andere, eigen);
        break;
    case VA_VERTRAGSBRUCH:
        std::snprintf(Text, Size, "%s%s & %s%s %s%s%u%s%u%s %u %s\n", T(_VEK_DIPLO0_DOKUMENTTEXT15), andere, eigen,
                      T(_VEK_DIPLO0_DOKUMENTTEXT16), ware, T(_VEK_DIPLO0_DOKUMENTTEXT17), (unsigned)v->Anzahl,
                      T(_VEK_DIPLO0_DOKUMENTTEXT18), (unsigned)v->Preis, T(_VEK_DIPLO0_DOKUMENTTEXT19),
                      (unsigned)v->Dauer, T(_VEK_DIPLO0_DOKUMENTTEXT20));
        break;
    case VA_LEHNSANGEBOT:
        std::snprintf(Text, Size, "%s%s\n%s", gruss, T(_VEK_DIPLO0_DOKUMENTTEXT21), anbieter);
        break;
    case VA_LEHNSANNAHME:
        std::snprintf(Text, Size, "%s%s\n%s", gruss, T(_VEK_DIPLO0_DOKUMENTTEXT22), partner);
        break;
    case VA_LEHNSBESTAETIGUNG:
        std::snprintf(Text, Size, "%s%s\n%s", gruss, T(_VEK_DIPLO0_DOKUMENTTEXT23), anbieter);
        break;
    default: break;
    }
}

// ---- terms ----

void InitVertragsWerte(VertragsDaten *d)
{
    d->Auswahl1 = d->Auswahl2 = -1;
    d->MaxAnzahl = 1;
    std::memset(&d->Zaehler, 0, sizeof d->Zaehler);
    StelleDauer(d, 1);
    StelleAnzahl(d, 1);
}

void ResetDaten(VertragsDaten *d)
{
    d->Auswahl1 = d->Auswahl2 = -1;
    d->Dauer = 1;
    d->Anzahl = 0;
    d->Preis = 0;
}

namespace {

void MaxMeldung(const VertragsDaten *d)
{
    if (d->Meldungen) Meldung(_VEK_DIPLO1_MAXANZAHL);
}

// The longest duration the amount leaves within MaxAnzahl, 1..65535.
LONG DauerGrenze(LONG dauer, LONG anzahl, ULONG max)
{
    long long v = dauer;
    if (anzahl > 0 && (unsigned long long)v * (ULONG)anzahl > max) v = max / (ULONG)anzahl;
    else if (v > (long long)max) v = max;
    return (LONG)std::clamp<long long>(v, 1, VERTRAG_MAXDAUER);
}

LONG AnzahlGrenze(LONG anzahl, LONG dauer, ULONG max)
{
    long long v = std::max<long long>(anzahl, 0);
    if (v > (long long)max) v = max;
    if (dauer > 0 && (unsigned long long)v * (ULONG)dauer > max) v = max / (ULONG)dauer;
    return Sat32(v);
}

}  // namespace

void StelleDauer(VertragsDaten *d, LONG value)
{
    const unsigned long long gesamt = (unsigned long long)std::max<LONG>(d->Dauer, 0) * (ULONG)std::max<LONG>(d->Anzahl, 0);
    if (value == 1) {
        if (gesamt < d->MaxAnzahl && (ULONG)std::max<LONG>(d->Dauer, 0) < d->MaxAnzahl)
            d->Dauer = GetIndexOnGadget(&d->Zaehler, 1, d->Dauer, 1);
        else MaxMeldung(d);
    } else if (value == -1) {
        d->Dauer = GetIndexOnGadget(&d->Zaehler, 0, d->Dauer, 1);
    } else {
        d->Dauer = Sat32((long long)d->Dauer + value);
    }
    d->Dauer = DauerGrenze(d->Dauer, d->Anzahl, d->MaxAnzahl);
}

void StelleAnzahl(VertragsDaten *d, LONG value)
{
    const unsigned long long gesamt = (unsigned long long)std::max<LONG>(d->Dauer, 0) * (ULONG)std::max<LONG>(d->Anzahl, 0);
    if ((value == 1 && (ULONG)std::max<LONG>(d->Anzahl, 0) == d->MaxAnzahl) || gesamt > d->MaxAnzahl) MaxMeldung(d);
    if (value == 1) d->Anzahl = GetIndexOnGadget(&d->Zaehler, 3, d->Anzahl, 0);
    else if (value == -1) d->Anzahl = GetIndexOnGadget(&d->Zaehler, 2, d->Anzahl, 0);
    else d->Anzahl = Sat32((long long)d->Anzahl + value);
    d->Anzahl = AnzahlGrenze(d->Anzahl, d->Dauer, d->MaxAnzahl);
}

void StellePreis(VertragsDaten *d, LONG value)
{
    if (value == 1) d->Preis = GetIndexOnGadget(&d->Zaehler, 5, d->Preis, 0);
    else if (value == -1) d->Preis = GetIndexOnGadget(&d->Zaehler, 4, d->Preis, 0);
    else d->Preis = Sat32((long long)d->Preis + value);
    if (d->Preis < 0) d->Preis = 0;
}

LONG DiplomatieZahl(const char *text)
{
    const char *p = text;
    while (*p == ' ') ++p;
    bool negativ = false;
    if (*p == '-' || *p == '+') negativ = *p++ == '-';
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = std::min<long long>(v * 10 + (*p - '0'), 0x7FFFFFFFLL);
    return negativ ? 0 : (LONG)v;
}

void SetzeGetippt(VertragsDaten *d, int Feld, LONG value)
{
    value = std::max<LONG>(value, 0);
    if (Feld == 0) d->Dauer = DauerGrenze(value, d->Anzahl, d->MaxAnzahl);
    else if (Feld == 1) d->Anzahl = AnzahlGrenze(value, d->Dauer, d->MaxAnzahl);
    else d->Preis = value;
}
