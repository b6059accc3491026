// The barracks' files: the armies of the orders pool, the stock, the town
// and, on Ok, all four of figures, orders pool, stock and town as one
// journalled change.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/lists.h"
#include "store/store.h"
#include "world/hex.h"
#include "world/kaserne.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "world/towns_local.h"
#include "world/warehouse.h"

namespace {

template <class F> void ForEach(ListHeader *l, F fn)
{
    if (!l) return;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0; i < l->Elemente && n; ++i, n = n->Next) fn(n);
}

ListNode *NeuerKnoten(const ListHeader *l, size_t bytes)
{
    return (ListNode *)AllocVec((ULONG)std::max<size_t>(l->TypSize, bytes), MEMF_CLEAR);
}

// The army list the converters take, in the order of the vector.
ListHeader *ArmeeListe(const std::vector<KaserneArmee> &armeen)
{
    ListHeader *l = CreateList(LISTE_ARMEEN);
    if (!l) return nullptr;
    for (const KaserneArmee &a : armeen) {
        auto *knoten = (ArmeeList *)NeuerKnoten(l, sizeof(ArmeeList));
        Armee kopf = a.Kopf;
        kopf.ArmeeTypAnzahl = (ULONG)a.Teile.size();
        knoten->Army = kopf;
        ListHeader *teile = CreateList(LISTE_ARMEETEILE);
        knoten->ArmyListEntryHeader = teile;
        InsertNode(l, (ListNode *)knoten, LIST_LAST, 0);
        for (const ArmeeEntry &t : a.Teile) {
            auto *tk = (ArmeeListEntry *)NeuerKnoten(teile, sizeof(ArmeeListEntry));
            tk->ArmyEntry = t;
            InsertNode(teile, (ListNode *)tk, LIST_LAST, 0);
        }
    }
    return l;
}

ListHeader *WarenListe(const std::vector<st_WARE_EXT> &waren)
{
    ListHeader *l = CreateList(LISTE_WAREN);
    if (!l) return nullptr;
    for (const st_WARE_EXT &w : waren) {
        auto *k = (WareListEntry *)NeuerKnoten(l, sizeof(WareListEntry));
        k->Ware = w;
        InsertNode(l, (ListNode *)k, LIST_LAST, 0);
    }
    return l;
}

// A MOVE chunk of the figures, for the number search.
std::vector<UBYTE> MoveChunk(const std::vector<st_MOVE_EXT> &figuren)
{
    std::vector<UBYTE> c(sizeof(st_MOVE) + figuren.size() * sizeof(st_MOVE_EXT) + 1, 0);
    st_MOVE kopf = {};
    kopf.Head.ChunkID = ID_MOVE;
    kopf.Head.Version = VERSION_V001;
    kopf.Head.Length = (ULONG)(c.size() - 1 - sizeof(st_ChunkHead));
    kopf.AnzFiguren = (UWORD)std::min<size_t>(figuren.size(), 0xFFFF);
    std::memcpy(c.data(), &kopf, sizeof kopf);
    if (!figuren.empty()) std::memcpy(c.data() + sizeof(st_MOVE), figuren.data(), figuren.size() * sizeof(st_MOVE_EXT));
    return c;
}

}  // namespace

BOOL KaserneLadeWaren(LokalDataKaserne *ld)
{
    ld->WarenListe.clear();
    ld->WaffenListe.clear();
    ld->SelWaffe = -1;
    ld->WarenNurLesen = 0;
    if (!IsFilePresent(WAREN_FILE)) return 1;
    auto *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, WAREN_FILE);
    ListHeader *wl = CreateList(LISTE_WAREN);
    ListHeader *fl = CreateList(LISTE_WAFFEN);
    BOOL ok = ware && wl && fl && ScanWare2List(wl, ware) && ConvertWare2Waffe(wl, fl);
    if (ok) {
        ForEach(wl, [&](ListNode *n) { ld->WarenListe.push_back(((WareListEntry *)n)->Ware); });
        ForEach(fl, [&](ListNode *n) { ld->WaffenListe.push_back(((WaffenListEntry *)n)->Waffe); });
    } else {
        std::printf("ReadKasernenData: Ware konnt nicht in eine Liste eingescannt werden...\n");
        ld->WarenNurLesen = 1;
    }
    DeleteList(fl, 0);
    DeleteList(wl, 0);
    FreeVec(ware);
    return ok;
}

BOOL InitKasernenData(LokalDataKaserne *ld)
{
    if (IsChunkPresent(ChunkBit(CN_LAND), POOL_IN)) {
        auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
        if (land) {
            ld->Volk = land->AnzVolk;
            ld->Vertrauen = land->Vertrauen;
            FreeVec(land);
        } else {
            std::printf("InitKasernenScreen : Konnte LandChunk nicht \366ffnen !\n");
        }
    }
    KaserneLadeWaren(ld);
    ld->AktiveStadt = GetActiveTown((LONG)PlayerInfo.AktStadtID);
    if (!ld->AktiveStadt) {
        std::printf("ReadKasernenData: Konnte Stadt nicht laden! B\366ser Fehler !\n");
        return 0;
    }
    return 1;
}

void sortArmyList(LokalDataKaserne *ld)
{
    std::stable_sort(ld->Armeen.begin(), ld->Armeen.end(), [ld](const KaserneArmee &a, const KaserneArmee &b) {
        const bool ia = KaserneInDerStadt(ld, a.Kopf), ib = KaserneInDerStadt(ld, b.Kopf);
        if (ia != ib) return ia;
        return std::strncmp(a.Kopf.Name, b.Kopf.Name, 20) < 0;
    });
}

BOOL ReadKasernenData(LokalDataKaserne *ld, BOOL NewWaren)
{
    ld->Armeen.clear();
    ld->SelArmee = ld->SelTeil = -1;
    ld->ArmeenNurLesen = 0;
    if (!ld->AktiveStadt) {
        std::printf("ReadKasernenData: Konnte Stadt nicht laden! B\366ser Fehler !\n");
        return 0;
    }
    if (IsChunkPresent(ChunkBit(CN_ARMY), POOL_OUT)) {
        auto *army = (st_ARMY *)LoadChunk2Mem(ID_ARMY, POOL_OUT);
        ListHeader *l = army ? ScanArmy2List(army) : nullptr;
        if (!l) {
            std::printf("ReadKasernenData: Konnte den Army Chunk nicht aus dem PoP3Out File lesen.\n");
            ld->ArmeenNurLesen = 1;
        }
        ForEach(l, [&](ListNode *n) {
            auto *k = (ArmeeList *)n;
            KaserneArmee a;
            a.Kopf = k->Army;
            a.Kopf.Name[KASERNE_NAME_MAX] = 0;   // a name sent without its end
            ForEach(k->ArmyListEntryHeader, [&](ListNode *p) { a.Teile.push_back(((ArmeeListEntry *)p)->ArmyEntry); });
            a.Kopf.ArmeeTypAnzahl = (ULONG)a.Teile.size();
            ld->Armeen.push_back(std::move(a));
        });
        DeleteArmyList(l);
        FreeVec(army);
    }
    sortArmyList(ld);
    KaserneRekrutenBerechnen(ld);
    if (NewWaren) KaserneLadeWaren(ld);
    return 1;
}

void KaserneOeffnen(LokalDataKaserne *ld)
{
    ld->NewArmy = 0;
    ld->MerkArmeeVolk = ld->AktiveStadt ? ld->AktiveStadt->ArmeeVolk : 0;
    ld->MerkWaffen = ld->WaffenListe;
    ld->MerkWaren = ld->WarenListe;
}

void KaserneExit(LokalDataKaserne *ld)
{
    if (ld->AktiveStadt) ld->AktiveStadt->ArmeeVolk = ld->MerkArmeeVolk;
    ld->WaffenListe = ld->MerkWaffen;
    ld->WarenListe = ld->MerkWaren;
    ld->Armeen.clear();
    ld->SelArmee = ld->SelTeil = ld->SelWaffe = -1;
    ld->NewArmy = 0;
}

void FreeKasernenData(LokalDataKaserne *ld)
{
    FreeVec(ld->AktiveStadt);
    ld->AktiveStadt = nullptr;
    ld->Armeen.clear();
    ld->WaffenListe.clear();
    ld->WarenListe.clear();
}

namespace {

// Places, updates and removes the figures of the armies in the town. 1 when
// the list changed; armies get the numbers of their new figures.
bool FigurenAbgleichen(LokalDataKaserne *ld, std::vector<st_MOVE_EXT> &figuren, ListHeader *armeen, bool *fehler)
{
    const Stadt *s = ld->AktiveStadt;
    const ULONG ich = PlayerInfo.SpielerID;
    bool geaendert = false;
    auto passt = [&](const st_MOVE_EXT &f, const Armee &a) {
        return f.SpielerID == ich && f.X_Pos == a.PosX && f.Y_Pos == a.PosY && f.FigurNummer == a.ArmeeID;
    };
    ListNode *n = armeen->FirstNode;
    for (size_t i = 0; i < ld->Armeen.size(); ++i, n = n->Next) {
        KaserneArmee &a = ld->Armeen[i];
        if (!KaserneInDerStadt(ld, a.Kopf)) continue;
        const ULONG art = CheckTypeOfArmy((const ArmeeList *)n);
        auto f = std::find_if(figuren.begin(), figuren.end(), [&](const st_MOVE_EXT &x) { return passt(x, a.Kopf); });
        if (art == 0) {
            // An army of no known kind keeps its figure as it is and gets
            // none; the others go on.
            std::printf("WriteKasernenData : Konnte Typ der Armee nicht bestimmen...\n");
            continue;
        }
        if (f != figuren.end()) {
            const ULONG alt = HoleBewegungspunkte(f->FigurArt), neu = HoleBewegungspunkte((UWORD)art);
            const ULONG p = alt ? (ULONG)f->Bewegungspunkte * 100 / alt : 0;
            const UBYTE rest = (UBYTE)std::min<ULONG>(neu * p / 100, 255);
            if (f->FigurArt != art || f->Bewegungspunkte != rest) geaendert = true;
            f->FigurArt = (UWORD)art;
            f->Bewegungspunkte = rest;
            continue;
        }
        const std::vector<UBYTE> chunk = MoveChunk(figuren);
        const UWORD nr = GetFigurID((const st_MOVE *)chunk.data());
        if (nr == 0) {
            std::printf("WriteKasernenData : Konnte keinen Speicher fuer MOVE_EXT bekommen!\n");
            *fehler = true;
            continue;
        }
        st_MOVE_EXT neu = {};
        neu.SpielerID = ich;
        neu.FigurArt = (UWORD)art;
        neu.FigurNummer = nr;
        neu.X_Pos = s->XPos;
        neu.Y_Pos = s->YPos;
        figuren.push_back(neu);
        a.Kopf.ArmeeID = nr;
        ((ArmeeList *)n)->Army.ArmeeID = nr;
        geaendert = true;
    }
    const size_t vorher = figuren.size();
    figuren.erase(std::remove_if(figuren.begin(), figuren.end(),
                                 [&](const st_MOVE_EXT &f) {
                                     if (f.SpielerID != ich || f.X_Pos != s->XPos || f.Y_Pos != s->YPos ||
                                         f.FigurArt < 1 || f.FigurArt > 9)
                                         return false;
                                     for (const KaserneArmee &a : ld->Armeen)
                                         if (passt(f, a.Kopf)) return false;
                                     return true;
                                 }),
                  figuren.end());
    return geaendert || figuren.size() != vorher;
}

}  // namespace

BOOL WriteKasernenData(LokalDataKaserne *ld)
{
    if (!ld->AktiveStadt) return 0;
    // Items moved while the stock could not be read would be lost (or made)
    // when the armies are written without it.
    const auto gleich = [](const std::vector<st_WARE_EXT> &a, const std::vector<st_WARE_EXT> &b) {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
    };
    if (ld->WarenNurLesen && !gleich(ld->WarenListe, ld->MerkWaren)) {
        std::printf("WriteKaserneData: Das Lager ist unlesbar, die Waffen koennen nicht zurueck!\n");
        return 0;
    }
    char stadtPfad[160];
    if (!StadtDatei(stadtPfad, sizeof stadtPfad, ld->AktiveStadt->Stadtname, ".vek")) {
        std::printf("WriteKaserneData: Konnte Stadt nicht abspeichern!\n");
        return 0;
    }
    ListHeader *armeen = ArmeeListe(ld->Armeen);
    if (!armeen) return 0;

    // Everything is made before the first file changes.
    bool fehler = false, figurenSchreiben = false;
    ListHeader *figurListe = nullptr;
    if (!ld->ArmeenNurLesen) {
        auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
        if (!move) {
            std::printf("WriteKasernenData: Konnte MOVE-Chunk nicht in Speicher laden!\n");
        } else {
            const ULONG n = GetChunkEntryCount(move);
            const auto *r = (const st_MOVE_EXT *)((const UBYTE *)move + sizeof(st_MOVE));
            std::vector<st_MOVE_EXT> figuren(r, r + n);
            if (FigurenAbgleichen(ld, figuren, armeen, &fehler)) {
                figurListe = CreateList(LISTE_FIGUREN);
                for (const st_MOVE_EXT &f : figuren) {
                    auto *k = (FigurListEntry *)NeuerKnoten(figurListe, sizeof(FigurListEntry));
                    k->Figur = f;
                    InsertNode(figurListe, (ListNode *)k, LIST_LAST, 0);
                }
                figurenSchreiben = true;
            }
            FreeVec(move);
        }
    }
    st_ARMY *army = nullptr;
    if (!ld->ArmeenNurLesen && !ld->Armeen.empty() && !(army = MakeArmyChunkFromList(armeen))) {
        std::printf("WriteKaserneData: Konnte Chunk nicht anlegen!\n");
        fehler = true;
    }
    st_WARE *ware = nullptr;
    const bool warenSchreiben = !ld->WarenNurLesen && (!ld->WarenListe.empty() || IsFilePresent(WAREN_FILE));
    if (warenSchreiben) {
        ListHeader *wl = WarenListe(ld->WarenListe);
        ware = wl ? MakeWareChunkFromList(wl) : nullptr;
        DeleteList(wl, 0);
        if (!ware) fehler = true;
    }

    const char *dateien[4] = {MAPPREFS_FILE, POOL_OUT, WAREN_FILE, stadtPfad};
    BOOL ok = !fehler && OkJournalBegin(dateien, 4);
    if (ok && figurenSchreiben) {
        ok = OkJournalBefore(0) && WriteList2MapPrefs(figurListe);
        if (!ok) std::printf("WriteKaserneData: Konnte neue Map-Prefs nicht abspeichern!\n");
    }
    if (ok && !ld->ArmeenNurLesen) {
        ok = OkJournalBefore(1) && (army ? AddChunkPool(army, POOL_OUT) : RemChunkPool(ID_ARMY, POOL_OUT));
        if (!ok) std::printf("WriteKaserneData: Konnte die Armee Daten nicht Speichern!\n");
    }
    if (ok && ware) {
        ok = OkJournalBefore(2) && SaveChunk2File(WAREN_FILE, ware);
        if (!ok) std::printf("WriteKaserneData: Konnte die Waren nicht Speichern!\n");
    }
    if (ok) {
        ok = OkJournalBefore(3) && SpeichereStadt(ld->AktiveStadt);
        if (!ok) std::printf("WriteKaserneData: Konnte Stadt nicht abspeichern!\n");
    }
    if (ok) ok = OkJournalBefore(4);
    if (ok)
        OkJournalCommit();
    else if (!fehler)
        OkJournalRestore();
    FreeVec(ware);
    FreeVec(army);
    DeleteList(figurListe, 0);
    DeleteArmyList(armeen);
    return ok;
}
