// The chunk machine's army and ship cases: deserters and armies the people
// can no longer feed leave, armies and their figures are matched both ways,
// ships sink, are repaired and keep their cargo figures right behind them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/memfile.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/mapnames.h"
#include "store/store.h"
#include "world/chunkmachine_local.h"

using namespace chunkmachine;

namespace {

constexpr ULONG kMindestTeil = 50;  // a part with fewer soldiers deserts
constexpr UBYTE KOMMANDO_REPARATUR = 16;

st_MOVE_EXT &Fig(ListNode *n) { return ((FigurListEntry *)n)->Figur; }
ArmeeList *Army(ListNode *n) { return (ArmeeList *)n; }
ListHeader *Parts(ListNode *n)
{
    ListHeader *p;
    std::memcpy(&p, &Army(n)->ArmyListEntryHeader, sizeof p);
    return p;
}
bool Own(const st_MOVE_EXT &f) { return f.SpielerID == PlayerInfo.SpielerID; }

// Takes an army with its parts out of the list and frees it.
void DropArmy(ListHeader *armies, ListNode *n)
{
    armies->ActNode = n;
    ListNode *node = DeleteNode(armies, LIST_ACT, 0, LIST_UNLINK_ONLY);
    ListHeader *single = CreateList(LISTE_ARMEEN);
    InsertNode(single, node, LIST_LAST, 0);
    DeleteArmyList(single);
}

uint64_t Soldiers(ListNode *army)
{
    uint64_t s = 0;
    for (ListNode *p : Nodes(Parts(army))) s += ((ArmeeListEntry *)p)->ArmyEntry.Anzahl;
    return s;
}

BOOL RemoveArmyFigure(ListNode *n, ULONG art)
{
    const Armee &a = Army(n)->Army;
    if (RemoveFigurFromMapPrefs(MAPPREFS_FILE, (UWORD)art, a.PosX, a.PosY, (LONG)a.ArmeeID))
        return 1;
    std::printf("ChunkMachine : Konnte Figuren nicht enfernen !!!\n");
    return 0;
}

// Parts of fewer than 50 soldiers desert; their soldiers are counted in the
// received LAND chunk.
BOOL Deserters(const char *Path, ListHeader *armies, uint64_t *total)
{
    BOOL result = 1;
    uint64_t desertiert = 0;
    std::printf("L\366sche Armeeteil wenn Anzahl der Soldaten unter 50 gerutscht ist...\n");
    for (ListNode *n : Nodes(armies)) {
        const ULONG art = CheckTypeOfArmy(Army(n));
        if (!art) {
            std::printf("ChunkMachine : Konnte Typ der Armee nicht bestimmen !\n");
            result = 0;
            continue;
        }
        ListHeader *parts = Parts(n);
        for (ListNode *p : Nodes(parts)) {
            ArmeeListEntry *teil = (ArmeeListEntry *)p;
            if (teil->ArmyEntry.Anzahl >= kMindestTeil) {
                *total += teil->ArmyEntry.Anzahl;
                continue;
            }
            desertiert += teil->ArmyEntry.Anzahl;
            ListHeader *sab;
            std::memcpy(&sab, &teil->SaboteurListHeader, sizeof sab);
            DeleteList(sab, 0);
            parts->ActNode = p;
            DeleteNode(parts, LIST_ACT, 0, 0);
            --Army(n)->Army.ArmeeTypAnzahl;
        }
        if (parts->Elemente == 0) {
            result &= RemoveArmyFigure(n, art);
            DropArmy(armies, n);
        }
    }
    if (!desertiert) return result;
    std::printf("Trage Desertierte in den LAND-Chunk ein...\n");
    st_LAND *land = (st_LAND *)LoadChunk2Mem(ID_LAND, Path);
    if (!land) {
        std::printf("ChunkMachine : Konnte LandChunk nicht \366ffnen !");
        return 0;
    }
    land->Desertierte = (ULONG)std::min<uint64_t>(land->Desertierte + desertiert, 0xFFFFFFFFu);
    if (!AddChunkPool(land, POOL_IN)) {
        std::printf("ChunkMachine : Konnte neuen LandChunk nicht abspeichern !\n");
        result = 0;
    }
    FreeVec(land);
    return result;
}

// Armies leave in list order while they outnumber half the people.
BOOL TooManySoldiers(const char *Path, ListHeader *armies, uint64_t total)
{
    std::printf("L\366sche Armee wenn die Bev\366lkerung zu klein geworden ist...\n");
    std::printf("Anzahl der Soldaten in der Armee %u\n", (unsigned)std::min<uint64_t>(total, 0xFFFFFFFFu));
    st_LAND *land = (st_LAND *)LoadChunk2Mem(ID_LAND, Path);
    if (!land) return 1;
    const uint64_t grenze = land->AnzVolk >> 1;
    FreeVec(land);
    BOOL result = 1;
    for (ListNode *n : Nodes(armies)) {
        if (grenze >= total) break;
        const ULONG art = CheckTypeOfArmy(Army(n));
        if (!art) {
            std::printf("ChunkMachine : Konnte Typ der Armee nicht bestimmen !\n");
            result = 0;
            continue;
        }
        total -= std::min(total, Soldiers(n));
        result &= RemoveArmyFigure(n, art);
        DropArmy(armies, n);
    }
    return result;
}

// Each army figure shows its army, and each army has exactly one figure.
BOOL MatchFigures(ListHeader *armies)
{
    BOOL result = 1;
    std::printf("\334berpr\374fe die Figuren und deren Armeen auf die gleiche ID und das richtige Aussehen...\n");
    ListHeader *figuren = chunkmachine::LoadFigurList();
    if (!figuren) {
        std::printf("ChunkMachine : Konnte Figuren nicht einlesen !\n");
        return 0;
    }
    std::vector<ListNode *> erledigt;  // armies already given their figure in this pass
    for (ListNode *f : Nodes(figuren)) {
        const st_MOVE_EXT fig = Fig(f);
        if (!Own(fig) || fig.FigurArt < FID_LEICHTE_INFANTRIE || fig.FigurArt > FID_SCHWERE_ARTILLERIE) continue;
        ListNode *a = nullptr;
        for (ListNode *n : Nodes(armies))
            if (Army(n)->Army.ArmeeID == fig.FigurNummer &&
                std::find(erledigt.begin(), erledigt.end(), n) == erledigt.end()) {
                a = n;
                break;
            }
        if (!a) {
            std::printf("Zu dieser Figur wurde keine Armee gefunden !!! PosX %u PosY %u\n", (unsigned)fig.X_Pos,
                        (unsigned)fig.Y_Pos);
            if (!RemoveFigurFromMapPrefs(MAPPREFS_FILE, fig.FigurArt, fig.X_Pos, fig.Y_Pos, fig.FigurNummer)) {
                std::printf("ChunkMachine : Konnte Figur auf PosX %u PosY %u nicht enfernen !!!\n",
                            (unsigned)fig.X_Pos, (unsigned)fig.Y_Pos);
                result = 0;
            }
            continue;
        }
        Armee &army = Army(a)->Army;
        const ULONG art = CheckTypeOfArmy(Army(a));
        if (art == fig.FigurArt || art == 0) {
            std::printf("Armee ist richtig !!! PosX %u PosY %u ID %u Name %.20s\n", (unsigned)fig.X_Pos,
                        (unsigned)fig.Y_Pos, (unsigned)army.ArmeeID, army.Name);
            army.PosX = fig.X_Pos;
            army.PosY = fig.Y_Pos;
            erledigt.push_back(a);
            continue;
        }
        if (!RemoveFigurFromMapPrefs(MAPPREFS_FILE, fig.FigurArt, fig.X_Pos, fig.Y_Pos, fig.FigurNummer)) {
            std::printf("ChunkMachine : Konnte Figur auf PosX %u PosY %u nicht enfernen !!!\n", (unsigned)fig.X_Pos,
                        (unsigned)fig.Y_Pos);
            result = 0;
            continue;
        }
        const UWORD nr = AddFigur2MapPrefs(MAPPREFS_FILE, (UWORD)art, fig.X_Pos, fig.Y_Pos);
        if (nr == FIGUR_FEHLER) {
            std::printf("ChunkMachine : Konnte Figur nicht zum MoveChunk hinzuf\374gen !\n");
            result = 0;
            continue;
        }
        army.ArmeeID = nr;
        army.PosX = fig.X_Pos;
        army.PosY = fig.Y_Pos;
        erledigt.push_back(a);
    }
    DeleteList(figuren, 1);

    std::printf("\334berpr\374fe ob alle Armeen noch eine Figur haben... Reparatur-Modus !!! Bitte berichten falls ein "
                "Fehler vorliegt!\n");
    figuren = chunkmachine::LoadFigurList();
    if (!figuren) {
        std::printf("ChunkMachine : Konnte Figuren nicht einlesen !\n");
        return 0;
    }
    for (ListNode *a : Nodes(armies)) {
        Armee &army = Army(a)->Army;
        const ULONG art = CheckTypeOfArmy(Army(a));
        if (!art) continue;
        ListNode *f = nullptr;
        for (ListNode *n : Nodes(figuren))
            if (Own(Fig(n)) && Fig(n).FigurNummer == army.ArmeeID && Fig(n).FigurArt == art) {
                f = n;
                break;
            }
        if (f) {
            std::printf("Alles klar. Figur zur Armee gefunden ! FigurX %u FigurY %u PosX %u PosY %u ID %u Name "
                        "%.20s\n", (unsigned)Fig(f).X_Pos, (unsigned)Fig(f).Y_Pos, (unsigned)army.PosX,
                        (unsigned)army.PosY, (unsigned)army.ArmeeID, army.Name);
            Remove(figuren, f);
            continue;
        }
        std::printf("\033[1mChunkMachine : Armee %u ohne Figur! Bitte diesen Fehler berichten!\033[0m\n",
                    (unsigned)army.ArmeeID);
        const UWORD nr = AddFigur2MapPrefs(MAPPREFS_FILE, (UWORD)art, army.PosX, army.PosY);
        if (nr == FIGUR_FEHLER) {
            std::printf("ChunkMachine : Konnte Figur nicht zum MoveChunk hinzuf\374gen !\n");
            result = 0;
            continue;
        }
        army.ArmeeID = nr;
    }
    DeleteList(figuren, 1);
    return result;
}

// ---- ships ----

st_SHIP_EXT &Ship(ListNode *n) { return ((ShipListEntry *)n)->Schiff; }
bool IsTrader(UWORD art) { return art >= FID_HANDELSSCHIFF_KLEIN && art <= FID_HANDELSSCHIFF_GROSS; }
bool IsShip(UWORD art) { return art >= FID_HANDELSSCHIFF_KLEIN && art <= FID_KRIEGSSCHIFF_GROSS; }
const st_MOVE_EXT &Slot(const st_SHIP_EXT &s, int i) { return i == 0 ? s.Figur1 : i == 1 ? s.Figur2 : s.Figur3; }
bool SameFigure(const st_MOVE_EXT &a, const st_MOVE_EXT &b)
{
    return a.SpielerID == b.SpielerID && a.X_Pos == b.X_Pos && a.Y_Pos == b.Y_Pos && a.FigurNummer == b.FigurNummer &&
           a.FigurArt == b.FigurArt;
}

ListNode *ShipFigure(ListHeader *figuren, const st_SHIP_EXT &s, bool atPosition)
{
    for (ListNode *n : Nodes(figuren)) {
        const st_MOVE_EXT &f = Fig(n);
        if (Own(f) && IsShip(f.FigurArt) && f.FigurNummer == s.SchiffsID &&
            (!atPosition || (f.X_Pos == s.X_Pos && f.Y_Pos == s.Y_Pos)))
            return n;
    }
    return nullptr;
}

void Warn(const char *text) { std::printf("\033[1m%s Bitte einen Debug-Bericht schicken!\033[0m\n", text); }

// Repair times run down; a repair ends when the ship's figure no longer holds
// the order. Returns whether figures changed.
BOOL Repairs(ListHeader *ships, ListHeader *figuren, bool *changed)
{
    std::printf("SchiffAddOn-Daten werden untersucht...\n");
    ListHeader *addons = ScanShipAddOn2List();
    if (!addons) {
        std::printf("ChunkMachine: Konnte ShipAddOnDaten nicht \366ffnen \n");
        return 0;
    }
    for (ListNode *a : Nodes(addons)) {
        ShipAddOn &add = *(ShipAddOn *)NodeData(a);
        ListNode *s = nullptr;
        for (ListNode *n : Nodes(ships))
            if (Ship(n).SchiffsID == add.SchiffsID) s = n;
        if (!s) {
            Remove(addons, a);
            continue;
        }
        if (add.ReparaturDauer) {
            std::printf("Schiff %u mit Schaden %u wird repariert...\n", (unsigned)add.SchiffsID,
                        (unsigned)Ship(s).Schaden);
            --add.ReparaturDauer;
            if (Ship(s).Schaden) --Ship(s).Schaden;
            std::printf("Schiff ReparaturDauer %u \n", (unsigned)add.ReparaturDauer);
            std::printf("Schiff Schaden %u \n", (unsigned)Ship(s).Schaden);
        }
        ListNode *f = ShipFigure(figuren, Ship(s), false);
        if (!f) continue;
        std::printf("Schiff %u als Figur gefunden...\n", (unsigned)add.SchiffsID);
        if (add.ReparaturDauer == 0 && Fig(f).Kommando) {
            std::printf("Kommando Reparatur wird gel\366scht...\n");
            Fig(f).Kommando = 0;
            *changed = true;
        }
        if (add.ReparaturDauer == 0 || Fig(f).Kommando != KOMMANDO_REPARATUR) {
            std::printf("Schiff gefunden bei dem der Befehl REPARIEREN nicht mehr gesetzt ist...\n");
            add.ReparaturDauer = 0;
            if (!add.Name[0]) {
                std::printf("Eintrag soll gel\366scht werden\n");
                Remove(addons, a);
            }
        }
    }
    BOOL ok = SaveShipAddOnList(addons);
    if (!ok) std::printf("ChunkMachine : Konnte ShipAddOnDaten nicht abspeichern !\n");
    DeleteList(addons, 1);
    return ok;
}

}  // namespace

namespace chunkmachine {

BOOL CaseArmy(const char *Path)
{
    bool broken = false;
    st_ARMY *chunk = (st_ARMY *)LoadFromPool(CN_ARMY, Path, &broken);
    if (!chunk) {
        if (broken) std::printf("ChunkMachine : Konnte neuen ArmyChunk nicht laden !\n");
        return broken ? 0 : 1;
    }
    ListHeader *armies = ScanArmy2List(chunk);
    FreeVec(chunk);
    if (!armies) {
        std::printf("ChunkMachine : Konnte ArmyListe nicht anlegen !\n");
        return 0;
    }
    uint64_t total = 0;
    BOOL result = Deserters(Path, armies, &total);
    result &= TooManySoldiers(Path, armies, total);
    result &= MatchFigures(armies);

    std::printf("Neuen ArmyChunk abspeichern...\n");
    if (armies->Elemente) {
        st_ARMY *neu = MakeArmyChunkFromList(armies);
        if (!neu || !AddChunkPool(neu, POOL_OUT)) {
            std::printf("ChunkMachine : Konnte die Armee Daten nicht Speichern!");
            result = 0;
        }
        FreeVec(neu);
    } else if (!RemChunkPool(ID_ARMY, POOL_OUT) && IsChunkPresent(ChunkBit(CN_ARMY), POOL_OUT)) {
        result = 0;
    }
    DeleteArmyList(armies);
    return result;
}

BOOL CaseShip(const char *Path, ULONG Modus)
{
    bool broken = false;
    st_SHIP *chunk = (st_SHIP *)LoadFromPool(CN_SHIP, Path, &broken);
    if (!chunk) {
        if (broken) std::printf("ChunkMachine : Konnte SHIP-Chunk nicht laden !\n");
        return broken ? 0 : 1;
    }
    ListHeader *ships = CreateList(LISTE_SCHIFFE);
    const BOOL scanned = ScanShip2List(ships, chunk);
    FreeVec(chunk);
    if (!scanned) {
        std::printf("ChunkMachine : konnte Schiffs-Liste nicht einscannen...\n");
        DeleteList(ships, 1);
        return 0;
    }
    BOOL result = 1;
    for (ListNode *n : Nodes(ships)) {
        const st_SHIP_EXT &s = Ship(n);
        std::printf("Schiff auf X: %u Y: %u gefunden...\n", (unsigned)s.X_Pos, (unsigned)s.Y_Pos);
        if (s.Schaden < s.Punkte) continue;
        std::printf("M\366chte das Schiff auf X: %u Y: %u entfernen...\n", (unsigned)s.X_Pos, (unsigned)s.Y_Pos);
        if (!RemoveFigurFromMapPrefs(MAPPREFS_FILE, FID_SCHIFFE, s.X_Pos, s.Y_Pos, s.SchiffsID)) {
            std::printf("ChunkMachine : Konnte Figuren nicht entfernen !!!\n");
            result = 0;
        }
        Remove(ships, n);
    }

    ListHeader *figuren = LoadFigurList();
    if (!figuren) {
        std::printf("ChunkMachine : Konnte Figuren nicht einlesen !\n");
        DeleteList(ships, 1);
        return 0;
    }
    const ULONG laenge = figuren->Elemente;
    bool changed = false;
    if (!(Modus & 2)) result &= Repairs(ships, figuren, &changed);

    std::printf("Reparaturmodus f\374r Schiffe...\n");
    for (ListNode *n : Nodes(ships)) {
        const st_SHIP_EXT &s = Ship(n);
        std::printf("Schiff auf X: %u Y: %u mit ID %u wird untersucht...\n", (unsigned)s.X_Pos, (unsigned)s.Y_Pos,
                    (unsigned)s.SchiffsID);
        ListNode *f = ShipFigure(figuren, s, true);
        if (!f) {
            Warn("Schiff ohne Figur wird gel\366scht!");
            Remove(ships, n);
            continue;
        }
        std::printf("Figur zum Schiff gefunden. Nun wird eventuelle Ladung \374berpr\374ft\n");
        if (!IsTrader(Fig(f).FigurArt)) {
            std::printf("Schiff ist kein Handelsschiff\n");
            continue;
        }
        bool ok = true;
        for (int i = 0; i < 3 && ok; ++i) {
            const st_MOVE_EXT &l = Slot(s, i);
            if (l.Kommando != KOMMANDO_AN_BORD) continue;
            std::printf("Ladung im Schiff gefunden. Figur-Position auf X:%u Y:%u wird \374berpr\374ft\n",
                        (unsigned)l.X_Pos, (unsigned)l.Y_Pos);
            if (l.X_Pos != s.X_Pos || l.Y_Pos != s.Y_Pos) {
                std::printf("Ladung befindet sich nicht an der Schiffs-Position !!!\n");
                ok = false;
                break;
            }
            bool found = false;
            for (ListNode *m : Nodes(figuren))
                if (Own(Fig(m)) && Fig(m).X_Pos == l.X_Pos && Fig(m).Y_Pos == l.Y_Pos &&
                    Fig(m).FigurNummer == l.FigurNummer && Fig(m).FigurArt == l.FigurArt)
                    found = true;
            if (found) {
                std::printf("Figur zur Ladung ebenfalls ok...\n");
            } else {
                std::printf("Figur zur Ladung konnte nicht an der richtigen Position gefunden werden. Schiff wird "
                            "versenkt...\n");
                ok = false;
            }
        }
        if (ok)
            std::printf("Entweder keine Ladung vorhanden oder alles in Ordung mit der Ladung...\n");
        else
            Remove(ships, n);
    }

    std::printf("Reparaturmodus f\374r verfrachtete Figuren...\n");
    for (ListNode *f : Nodes(figuren)) {
        const st_MOVE_EXT fig = Fig(f);
        if (!Own(fig) || fig.Kommando != KOMMANDO_AN_BORD) continue;
        std::printf("Verfrachtete Figur auf X:%u Y:%u gefunden. Suche Schiff dazu...\n", (unsigned)fig.X_Pos,
                    (unsigned)fig.Y_Pos);
        bool found = false;
        for (ListNode *n : Nodes(ships)) {
            const st_SHIP_EXT &s = Ship(n);
            if (s.X_Pos != fig.X_Pos || s.Y_Pos != fig.Y_Pos) continue;
            std::printf("Schiff auf der Position gefunden...\n");
            for (int i = 0; i < 3; ++i)
                if (Slot(s, i).Kommando == KOMMANDO_AN_BORD && SameFigure(Slot(s, i), fig)) found = true;
        }
        if (found) {
            std::printf("Schiff mit dem Ladungseintrag gefunden. Alles in Ordung...\n");
            continue;
        }
        Warn("Verfrachtete Figur ohne Schiff wird gel\366scht!");
        Remove(figuren, f);
        result = 0;
    }

    std::printf("Reparaturmodus f\374r Schiffe ohne Schiffsnode...\n");
    for (ListNode *f : Nodes(figuren)) {
        const st_MOVE_EXT fig = Fig(f);
        if (!Own(fig) || !IsShip(fig.FigurArt)) continue;
        std::printf("Schiffsfigur auf X:%u Y:%u gefunden. Node dazu wird gesucht\n", (unsigned)fig.X_Pos,
                    (unsigned)fig.Y_Pos);
        ListNode *s = nullptr;
        for (ListNode *n : Nodes(ships))
            if (Ship(n).X_Pos == fig.X_Pos && Ship(n).Y_Pos == fig.Y_Pos && Ship(n).SchiffsID == fig.FigurNummer)
                s = n;
        if (!s) {
            Warn("Schiffsfigur ohne Schiff wird gel\366scht!");
            Remove(figuren, f);
            result = 0;
            continue;
        }
        std::printf("Schiffsnode zum Schiff gefunden...\n");
        if (!IsTrader(fig.FigurArt)) continue;
        ListNode *hinter = f;
        for (int i = 0; i < 3; ++i) {
            const st_MOVE_EXT &l = Slot(Ship(s), i);
            if (l.Kommando != KOMMANDO_AN_BORD) continue;
            std::printf("Handelsschiff mit Ladung %u gefunden. Ladung wird zu den Schiffen sortiert...\n",
                        (unsigned)i);
            for (ListNode *m : Nodes(figuren)) {
                if (m == f || !SameFigure(Fig(m), l)) continue;
                if (hinter->Next != m || m == figuren->FirstNode) {
                    MoveAfter(figuren, m, hinter);
                    changed = true;
                }
                hinter = m;
                break;
            }
        }
    }

    std::printf("Reparaturmodus zu Ende...\n");
    if (changed || figuren->Elemente != laenge) {
        std::printf("Figurliste ver\344ndert. Deshalb neu abgespeichert...\n");
        if (!WriteList2MapPrefs(figuren)) {
            std::printf("Fehler beim abspeichern der Figuren aufgetreten...\n");
            result = 0;
        }
    }
    DeleteList(figuren, 1);

    if (ships->Elemente) {
        st_SHIP *neu = MakeShipChunkFromList(ships);
        if (!neu || !AddChunkPool(neu, POOL_OUT)) {
            std::printf("ChunkMachine : Konnte SHIP-Chunk nicht abspeichern !\n");
            result = 0;
        }
        FreeVec(neu);
    } else {
        RemChunkPool(ID_SHIP, Path);
        if (IsChunkPresent(ChunkBit(CN_SHIP), POOL_OUT)) RemChunkPool(ID_SHIP, POOL_OUT);
    }
    DeleteList(ships, 1);
    return result;
}

}  // namespace chunkmachine
