// The records behind a figure that moved: its army, its specialist, a ship
// with its cargo, all in the map screen's lists.
#include <cstdio>

#include "map/figures_map.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/lists.h"


namespace {


// Was (x, y) the figure's hex before it stepped by (dx, dy)?
bool WarDort(ULONG x, ULONG y, const st_MOVE_EXT *f, LONG dx, LONG dy)
{
    return (ULONG)CheckWrap((LONG)x + dx, WELT_BREITE) == f->X_Pos &&
           (ULONG)CheckWrap((LONG)y + dy, WELT_HOEHE) == f->Y_Pos;
}

template <class F>
void Jeder(ListHeader *l, F f)
{
    if (!l || !l->FirstNode) return;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente && n; ++i, n = n->Next)
        if (f(n)) return;
}

void FolgeArmee(LokaleDatenKartenScreen *st, st_MOVE_EXT *f, LONG dx, LONG dy)
{
    bool fertig = false;
    Jeder(st->ArmeeListe, [&](ListNode *n) {
        auto *a = (ArmeeList *)n;
        if (a->Army.ArmeeID != f->FigurNummer || !WarDort(a->Army.PosX, a->Army.PosY, f, dx, dy)) return false;
        if (a->Army.ArmeeID != 0 && CheckTypeOfArmy(a) == f->FigurArt) {
            a->Army.PosX = f->X_Pos;
            a->Army.PosY = f->Y_Pos;
            a->Army.TrainingsRunden = 0;
            fertig = true;
        }
        return true;
    });
    if (fertig) return;
    std::printf("SetFigurDependence: Fehler ! Diese Armee sollte in der Stadt aufgel\366st werden...!\n");
    std::printf("SetFigurDependence: FigurID %u ...!\n", (unsigned)f->FigurNummer);
    Jeder(st->ArmeeListe, [&](ListNode *n) {
        auto *a = (ArmeeList *)n;
        if (!WarDort(a->Army.PosX, a->Army.PosY, f, dx, dy) || CheckTypeOfArmy(a) != f->FigurArt) return false;
        f->FigurArt = (UWORD)CheckTypeOfArmy(a);
        f->FigurNummer = (UWORD)a->Army.ArmeeID;
        a->Army.PosX = f->X_Pos;
        a->Army.PosY = f->Y_Pos;
        a->Army.TrainingsRunden = 0;
        fertig = true;
        return true;
    });
    if (!fertig)
        std::printf("SetFigurDependence: Fehler ! Konnte Armee nicht finden... Bewegungspunkte : %u\n",
                    (unsigned)f->Bewegungspunkte);
}

void Ladung(LokaleDatenKartenScreen *st, ShipListEntry *s, LONG dx, LONG dy)
{
    st_MOVE_EXT *slots[3] = {&s->Schiff.Figur1, &s->Schiff.Figur2, &s->Schiff.Figur3};
    for (st_MOVE_EXT *slot : slots) {
        st_MOVE_EXT *fracht = SearchPeopleInShip(st, s, slot);
        if (!fracht) continue;
        fracht->X_Pos = slot->X_Pos = s->Schiff.X_Pos;
        fracht->Y_Pos = slot->Y_Pos = s->Schiff.Y_Pos;
        // A slot naming a ship (its own, in a corrupt file) is not followed.
        if (fracht->FigurArt < FID_HANDELSSCHIFF_KLEIN || fracht->FigurArt > FID_KRIEGSSCHIFF_GROSS)
            SetFigurDependence(fracht, dx, dy);
    }
}

}  // namespace

st_MOVE_EXT *SearchPeopleInShip(LokaleDatenKartenScreen *st, ShipListEntry *, st_MOVE_EXT *Figur1)
{
    if (!st || !Figur1 || Figur1->Kommando != KOMMANDO_AN_BORD) return nullptr;
    for (LONG i = 1;; ++i) {
        st_MOVE_EXT *f = GetActivePeople(st->VekMapInfoPtr, (LONG)Figur1->X_Pos, (LONG)Figur1->Y_Pos, i);
        if (!f) break;
        if (f->SpielerID == PlayerInfo.SpielerID && f->FigurNummer == Figur1->FigurNummer) return f;
    }
    std::printf("Fataler Fehler ! Konnte die Figur zur Ladung nicht finden !!\n");
    return nullptr;
}

int SetFigurDependence(st_MOVE_EXT *f, LONG dx, LONG dy)
{
    LokaleDatenKartenScreen *st = LDKS;
    if (!f || !st) return 1;
    if (f->FigurArt >= 1 && f->FigurArt <= 9) {
        FolgeArmee(st, f, dx, dy);
    } else if (f->FigurArt == 12) {
        Jeder(st->SpezListPtr, [&](ListNode *n) {
            auto *s = (SpezialistenListEntry *)n;
            if (s->Spezialist.ID == f->FigurNummer && WarDort(s->Spezialist.X_Pos, s->Spezialist.Y_Pos, f, dx, dy)) {
                s->Spezialist.X_Pos = f->X_Pos;
                s->Spezialist.Y_Pos = f->Y_Pos;
            }
            return false;
        });
    } else if (f->FigurArt >= 14 && f->FigurArt <= 19) {
        ShipListEntry *schiff = nullptr;
        Jeder(st->ShipListPtr, [&](ListNode *n) {
            auto *s = (ShipListEntry *)n;
            if (s->Schiff.SchiffsID != f->FigurNummer || !WarDort(s->Schiff.X_Pos, s->Schiff.Y_Pos, f, dx, dy))
                return false;
            schiff = s;
            return true;
        });
        if (!schiff) {
            std::printf("SetFigurDependence: Fehler ! Konnte Schiffsnode nicht finden... Versuche Daten zu "
                        "reparieren!\n");
            Jeder(st->ShipListPtr, [&](ListNode *n) {
                auto *s = (ShipListEntry *)n;
                if (s->Schiff.SchiffsID != f->FigurNummer) return false;
                schiff = s;
                return true;
            });
            if (!schiff) {
                std::printf("SetFigurDependence: Fehler ! Stufe eins der Reparatur hat nicht funktioniert. "
                            "Schiffsdaten sind defekt!! Dieses Schiff mu\337 in den Hafen zur\374ck !!\n");
                return 1;
            }
            std::printf("Schiffseintrag von X: %u Y: %u", (unsigned)schiff->Schiff.X_Pos,
                        (unsigned)schiff->Schiff.Y_Pos);
            std::printf("korrigiert auf X: %u Y: %u\n", (unsigned)f->X_Pos, (unsigned)f->Y_Pos);
        }
        schiff->Schiff.X_Pos = f->X_Pos;
        schiff->Schiff.Y_Pos = f->Y_Pos;
        Ladung(st, schiff, dx, dy);
    }
    return 1;
}
