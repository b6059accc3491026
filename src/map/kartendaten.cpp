// What the map screen reads when a visit begins and writes back when it ends:
// armies, ships, ship names, specialists and place names as lists, the
// season, the realm's people, acreage and god, the player list and the
// battles of the received turn. A list whose chunk or file was there but
// could not be read whole is never written back: that would delete the
// player's armies, ships or specialists from the orders.
#include <cstdio>

#include "map/kartenscreen.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/mapnames.h"
#include "store/store.h"

namespace {

constexpr const char kSpielerListe[] = "./Data/SpielerList.vek";
constexpr ULONG kArmeeName = 8;  // descriptor of Armee.Name in the army list type

// The chunk from the outgoing pool when it holds one, else from the received
// pool when that does. *da tells whether either pool holds it.
APTR LadeAktuell(ULONG num, bool *da)
{
    const char *pool = IsChunkPresent(ChunkBit(num), POOL_OUT) ? POOL_OUT
                       : IsChunkPresent(ChunkBit(num), POOL_IN) ? POOL_IN
                                                                : nullptr;
    *da = pool != nullptr;
    return pool ? LoadChunk2Mem(ChunkIDOf(num), pool) : nullptr;
}

void FreeChunkFeld(APTR *feld)
{
    FreeVec(*feld);
    *feld = nullptr;
}

// Writes one chunk list into the outgoing pool: a non-empty list replaces
// the chunk, an empty one removes it when the pool holds it.
template <typename Chunk>
int SchreibeListe(ListHeader *liste, ULONG num, Chunk *(*mache)(ListHeader *), const char *fehler,
                  const char *pool = POOL_OUT)
{
    if (liste->Elemente) {
        Chunk *chunk = mache(liste);
        const int ok = chunk && AddChunkPool(chunk, pool);
        FreeVec(chunk);
        if (!ok) std::printf("%s", fehler);
        return ok;
    }
    if (IsChunkPresent(ChunkBit(num), pool) && !RemChunkPool(ChunkIDOf(num), pool)) {
        std::printf("%s", fehler);
        return 0;
    }
    return 1;
}

}  // namespace

int ReadKartenScreenData(LokaleDatenKartenScreen *st)
{
    if (!st) return 0;
    // A loss a kill interrupted is finished; copies a loss left before its
    // note stood never took effect.
    FinishFilesTogether(KARTE_VERLUST_NOTIZ);
    if (!IsFilePresent(KARTE_VERLUST_NOTIZ)) {
        DropStagedFile(MAPPREFS_FILE);
        DropStagedFile(POOL_OUT);
    }
    int ok = 1;
    st->Ungelesen = 0;

    // Armies only from the player's own orders: the received ones become
    // the player's once they are written back there.
    DeleteArmyList(st->ArmeeListe);
    st->ArmeeListe = nullptr;
    if (IsChunkPresent(ChunkBit(CN_ARMY), POOL_OUT)) {
        st_ARMY *armee = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
        st->ArmeeListe = armee ? ScanArmy2List(armee) : nullptr;
        FreeVec(armee);
        if (!st->ArmeeListe) {
            std::printf("ReadKartenScreenData: Konnte den Army Chunk nicht aus dem PoP3Out File lesen.\n");
            st->Ungelesen |= UNGELESEN_ARMEEN;
            ok = 0;
        } else if (st->ArmeeListe->TypEntries > kArmeeName) {
            st->ArmeeListe->TypDef[kArmeeName].Priority = 1;
            SortList(st->ArmeeListe, LIST_ASCENDING);
            st->ArmeeListe->TypDef[kArmeeName].Priority = 0;
        }
    }
    if (!st->ArmeeListe && !(st->ArmeeListe = CreateList(LISTE_ARMEEN))) {
        std::printf("ReadKartenScreenData: Konnte keine leere ArmyListe anlegen...\n");
        ok = 0;
    }

    if (st_KORN *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN)) {
        st->Jahreszeit = korn->Quartal;
        FreeVec(korn);
    } else {
        std::printf("ReadKartenScreenData: Konnte KornChunk nicht \366ffnen !\n");
    }

    bool schiffDa = false;
    st_SHIP *schiffe = (st_SHIP *)LadeAktuell(CN_SHIP, &schiffDa);
    if (schiffDa && !schiffe) {
        std::printf("ReadKartenScreenData: Konnte ShipChunk nicht \366ffnen !\n");
        st->Ungelesen |= UNGELESEN_SCHIFFE;
        ok = 0;
    }

    if (IsChunkPresent(ChunkBit(CN_LAND), POOL_IN)) {
        if (st_LAND *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN)) {
            st->OrgArbeiter = land->AnzVolk / 10;
            st->AnzMorgen = land->AnzMorgen;
            st->Gottheit = land->Gottheit;
            FreeVec(land);
        } else {
            std::printf("ReadKartenScreenData: Konnte LandChunk nicht \366ffnen !");
            ok = 0;
        }
    }

    DeleteList(st->ShipListPtr, LIST_FREE_OWNED);
    DeleteList(st->ShipAddOnListPtr, LIST_FREE_OWNED);
    st->ShipAddOnListPtr = nullptr;
    if (!(st->ShipListPtr = CreateList(LISTE_SCHIFFE))) {
        std::printf("ReadKartenScreenData: Konnte keine SchiffsListe anlegen...\n");
        ok = 0;
    } else if (schiffe) {
        // A count beyond the chunk's payload means records were lost.
        if (!ScanShip2List(st->ShipListPtr, schiffe) || st->ShipListPtr->Elemente != schiffe->Anzahl) {
            std::printf("ReadKartenScreenData: Schiffe konnten nicht in die Liste eingescannt werden...\n");
            st->Ungelesen |= UNGELESEN_SCHIFFE;
            ok = 0;
        }
        if (!(st->ShipAddOnListPtr = ScanShipAddOn2List())) {
            std::printf("ReadKartenScreenData: Konnte ShipAddOnDaten nicht laden...\n");
            ok = 0;
        }
    }
    FreeVec(schiffe);

    DeleteList(st->OtherMapNamesList, LIST_FREE_OWNED);
    if (!(st->OtherMapNamesList = CreateList(LISTE_MAPNAMES))) {
        std::printf("ReadKartenScreenData: Konnte keine MapNamesListe anlegen...\n");
        ok = 0;
    } else if (!ScanMapNames2List(st->OtherMapNamesList)) {
        std::printf("ReadKartenScreenData: Konnte die Kartennamen nicht lesen...\n");
        st->Ungelesen |= UNGELESEN_MAPNAMES;
        ok = 0;
    }

    FreeChunkFeld((APTR *)&st->SpielerChunkPtr);
    if (LONG lock = Lock(kSpielerListe, ACCESS_READ)) {
        UnLock(lock);
        if (!(st->SpielerChunkPtr = (st_ANTW *)LoadChunk2Mem(ID_ANTW, kSpielerListe))) {
            std::printf("ReadKartenScreenData: Konnte SpielerListe nicht laden...\n");
            ok = 0;
        }
    }

    bool spezDa = false;
    st_SPEZ *spez = (st_SPEZ *)LadeAktuell(CN_SPEZ, &spezDa);
    if (spezDa && !spez) {
        std::printf("ReadKartenScreenData: Konnte SpezChunk nicht \366ffnen !");
        st->Ungelesen |= UNGELESEN_SPEZIALISTEN;
        ok = 0;
    }
    DeleteList(st->SpezListPtr, LIST_FREE_OWNED);
    if (!(st->SpezListPtr = CreateList(LISTE_SPEZIALISTEN))) {
        std::printf("ReadKartenScreenData: Konnte keine SpezialistenListe anlegen...\n");
        ok = 0;
    } else if (spez && !ScanSpezialisten2List(st->SpezListPtr, spez)) {
        std::printf("ReadKartenScreenData: Spezialisten konnten nicht in die Liste eingescannt werden...\n");
        st->Ungelesen |= UNGELESEN_SPEZIALISTEN;
        ok = 0;
    }
    FreeVec(spez);

    FreeChunkFeld((APTR *)&st->KrigChunkPtr);
    if (IsChunkPresent(ChunkBit(CN_KRIG), POOL_IN) &&
        !(st->KrigChunkPtr = (st_KRIG *)LoadChunk2Mem(ID_KRIG, POOL_IN))) {
        std::printf("ReadKartenScreenData: Konnte KrigChunk nicht \366ffnen !\n");
        ok = 0;
    }
    return ok;
}

int WriteFigurListen(LokaleDatenKartenScreen *st, const char *pool)
{
    if (!st || !pool) return 0;
    int ok = 1;
    if (st->ArmeeListe && !(st->Ungelesen & UNGELESEN_ARMEEN))
        ok &= SchreibeListe<st_ARMY>(st->ArmeeListe, CN_ARMY, MakeArmyChunkFromList,
                                     "WriteFigurListen: Konnte die Armee-Daten nicht Speichern!", pool);
    if (st->ShipListPtr && !(st->Ungelesen & UNGELESEN_SCHIFFE))
        ok &= SchreibeListe<st_SHIP>(st->ShipListPtr, CN_SHIP, MakeShipChunkFromList,
                                     "WriteFigurListen: Konnte die Schiffs-Daten nicht speichern!", pool);
    return ok;
}

int WriteKartenScreenData(LokaleDatenKartenScreen *st, int release)
{
    if (!st) return 0;
    int ok = 1;
    if (st->OtherMapNamesList) {
        if (!(st->Ungelesen & UNGELESEN_MAPNAMES) && !SaveMapNamesList(st->OtherMapNamesList)) {
            std::printf("WriteKartenScreenData: Konnte die Stadtnamen nicht abspeichern!");
            ok = 0;
        }
        if (release) {
            DeleteList(st->OtherMapNamesList, LIST_FREE_OWNED);
            st->OtherMapNamesList = nullptr;
        }
    }
    if (st->ArmeeListe) {
        if (!(st->Ungelesen & UNGELESEN_ARMEEN))
            ok &= SchreibeListe<st_ARMY>(st->ArmeeListe, CN_ARMY, MakeArmyChunkFromList,
                                         "WriteKartenScreenData: Konnte die Armee-Daten nicht Speichern!");
        if (release) {
            DeleteArmyList(st->ArmeeListe);
            st->ArmeeListe = nullptr;
        }
    }
    if (st->ShipListPtr) {
        if (!(st->Ungelesen & UNGELESEN_SCHIFFE))
            ok &= SchreibeListe<st_SHIP>(st->ShipListPtr, CN_SHIP, MakeShipChunkFromList,
                                         "WriteKartenScreenData: Konnte die Schiffs-Daten nicht speichern!");
        if (release) {
            DeleteList(st->ShipListPtr, LIST_FREE_OWNED);
            st->ShipListPtr = nullptr;
        }
    }
    if (st->ShipAddOnListPtr) {
        if (!SaveShipAddOnList(st->ShipAddOnListPtr)) {
            std::printf("WriteKartenScreenData: Konnte die Schiffsnamen nicht speichern!\n");
            ok = 0;
        }
        if (release) {
            DeleteList(st->ShipAddOnListPtr, LIST_FREE_OWNED);
            st->ShipAddOnListPtr = nullptr;
        }
    }
    if (st->SpezListPtr) {
        if (!(st->Ungelesen & UNGELESEN_SPEZIALISTEN))
            ok &= SchreibeListe<st_SPEZ>(st->SpezListPtr, CN_SPEZ, MakeSpezialistenChunkFromList,
                                         "WriteKartenScreenData: Konnte die Spezialisten-Daten nicht speichern!");
        if (release) {
            DeleteList(st->SpezListPtr, LIST_FREE_OWNED);
            st->SpezListPtr = nullptr;
        }
    }
    FreeChunkFeld((APTR *)&st->SpielerChunkPtr);
    FreeChunkFeld((APTR *)&st->KrigChunkPtr);
    if (release) st->Ungelesen = 0;
    return ok;
}
