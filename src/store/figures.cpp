// The figure file ./Data/MapPrefs.vek: an MREF chunk of 28 bytes, then the
// MOVE chunk with every known figure. Every change writes the MREF bytes and
// the new MOVE chunk as a complete new file that replaces the old one.
#include "store/figures.h"
#include "store/converters.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/memfile.h"
#include "platform/files.h"
#include "platform/system.h"
#include "store/store.h"

namespace {

constexpr ULONG kMrefBytes = sizeof(st_MREF);
constexpr ULONG kMaxFiguren = 0xFFFF;  // the count is 16 bits wide

const st_MOVE_EXT *Figur(const st_MOVE *m, ULONG i)
{
    return (const st_MOVE_EXT *)((const UBYTE *)m + sizeof(st_MOVE)) + i;
}

// A zero-filled host-order MOVE chunk for n figures.
st_MOVE *NeuerMoveChunk(ULONG version, ULONG n)
{
    const ULONG laenge = 2 + (ULONG)sizeof(st_MOVE_EXT) * n;
    st_MOVE *m = (st_MOVE *)AllocVec(sizeof(st_ChunkHead) + laenge + 1, MEMF_CLEAR);
    if (!m) return nullptr;
    m->Head.ChunkID = ID_MOVE;
    m->Head.Version = version ? version : VERSION_V001;
    m->Head.Length = laenge;
    m->AnzFiguren = (UWORD)n;
    return m;
}

bool IstMref(const UBYTE *b)
{
    return std::memcmp(b, "MREF", 4) == 0 && b[8] == 0 && b[9] == 0 && b[10] == 0 && b[11] == 16;
}

// Writes the old file's MREF chunk and the host-order MOVE chunk (converted
// in place to file order) as the new file. 1 or 0; on 0 the old file stays.
int SchreibeMapPrefs(const char *datei, st_MOVE *move, const char *routine)
{
    UBYTE mref[kMrefBytes];
    BPTR f = datei ? Open(datei, MODE_OLDFILE) : nullptr;
    if (!f) {
        // Each caller has its own spelling of the line.
        std::printf(std::strcmp(routine, "RemoveFigurFromMapPrefs") == 0 ? "%s: Konnte MapPrefs nicht \366ffnen\n"
                                                                          : "%s : Konnte MapPrefs nicht \366ffnen\n",
                    routine);
        return 0;
    }
    LONG gelesen = Read(f, mref, kMrefBytes);
    Close(f);
    if (gelesen != (LONG)kMrefBytes || !IstMref(mref)) {
        std::printf("%s : MapPrefs beginnt nicht mit dem MREF-Chunk !\n", routine);
        return 0;
    }
    const ULONG chunkBytes = (ULONG)sizeof(st_ChunkHead) + move->Head.Length;
    std::vector<UBYTE> neu(kMrefBytes + chunkBytes);
    std::memcpy(neu.data(), mref, kMrefBytes);
    SwapByteOrderInChunk(move, 1);
    std::memcpy(neu.data() + kMrefBytes, move, chunkBytes);
    if (WriteFileAtomic(datei, neu.data(), (ULONG)neu.size(), -1) != (int)neu.size()) {
        std::printf("%s : Konnte MapPrefs nicht schreiben\n", routine);
        return 0;
    }
    return 1;
}

// The player's figures of a chunk and the smallest free number (0: none left).
UWORD FreieNummer(const st_MOVE *Move, ULONG *eigene)
{
    *eigene = 0;
    ULONG n = Move ? GetChunkEntryCount(Move) : 0;
    std::vector<bool> belegt(kMaxFiguren + 1, false);
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT *f = Figur(Move, i);
        if (f->SpielerID != PlayerInfo.SpielerID) continue;
        ++*eigene;
        belegt[f->FigurNummer] = true;
    }
    for (ULONG nr = 1; nr <= kMaxFiguren; ++nr) {
        if (!belegt[nr]) return (UWORD)nr;
    }
    return 0;
}

}  // namespace

UWORD GetFigurID(const st_MOVE *Move)
{
    ULONG eigene;
    UWORD nr = FreieNummer(Move, &eigene);
    std::printf("Anzahl der Figuren %u\n", (unsigned)eigene);
    std::printf("Nummer f\374r diese Figur %u\n", (unsigned)nr);
    return nr;
}

UWORD AddFigur2MapPrefs(const char *PrefsFile, UWORD FigurArt, ULONG XPos, ULONG YPos)
{
    st_MOVE *alt = PrefsFile ? (st_MOVE *)LoadChunk2Mem(ID_MOVE, PrefsFile) : nullptr;
    if (!alt) {
        std::printf("AddFigur2MapPrefs : Konnte MOVE-Chunk nicht in Speicher laden!\n");
        return FIGUR_FEHLER;
    }
    const UWORD nr = GetFigurID(alt);
    const ULONG n = GetChunkEntryCount(alt);
    if (nr == 0 || n >= kMaxFiguren) {
        std::printf("AddFigur2MapPrefs : Keine weitere Figur m\366glich !\n");
        FreeVec(alt);
        return FIGUR_FEHLER;
    }
    st_MOVE *neu = NeuerMoveChunk(alt->Head.Version, n + 1);
    if (!neu) {
        std::printf("AddFigur2MapPrefs : Konnte keinen Speicher fuer MOVE_EXT bekommen!\n");
        FreeVec(alt);
        return FIGUR_FEHLER;
    }
    std::memcpy((UBYTE *)neu + sizeof(st_MOVE), Figur(alt, 0), sizeof(st_MOVE_EXT) * n);
    FreeVec(alt);
    st_MOVE_EXT *f = (st_MOVE_EXT *)((UBYTE *)neu + sizeof(st_MOVE)) + n;
    f->SpielerID = PlayerInfo.SpielerID;
    f->FigurArt = FigurArt;
    f->FigurNummer = nr;
    f->X_Pos = XPos;
    f->Y_Pos = YPos;
    int ok = SchreibeMapPrefs(PrefsFile, neu, "AddFigur2MapPrefs");
    FreeVec(neu);
    return ok ? nr : FIGUR_FEHLER;
}

int RemoveFigurFromMapPrefs(const char *PrefsFile, UWORD FigurArt, ULONG XPos, ULONG YPos, LONG AnzahlID)
{
    st_MOVE *alt = PrefsFile ? (st_MOVE *)LoadChunk2Mem(ID_MOVE, PrefsFile) : nullptr;
    if (!alt) {
        std::printf("RemoveFigurFromMapPrefs: Konnte MOVE-Chunk nicht in Speicher laden!\n");
        return 0;
    }
    ListHeader *liste = CreateList(LISTE_FIGUREN);
    if (liste && !ScanFigur2List(liste, alt)) {
        DeleteList(liste, 1);
        liste = nullptr;
    }
    FreeVec(alt);
    if (!liste) {
        std::printf("RemoveFigurFromMapPrefs: Konnte Liste nicht anlegen !\n");
        return 0;
    }

    const ULONG anzahl = liste->Elemente;
    ListNode *node = liste->FirstNode;
    bool fertig = false;
    for (ULONG i = 0; i < anzahl && !fertig; ++i) {
        ListNode *naechster = node->Next;
        const st_MOVE_EXT *f = (const st_MOVE_EXT *)NodeData(node);
        const bool hier = f->SpielerID == PlayerInfo.SpielerID && f->X_Pos == XPos && f->Y_Pos == YPos;
        const bool schiff = f->FigurArt >= FID_HANDELSSCHIFF_KLEIN && f->FigurArt <= FID_KRIEGSSCHIFF_GROSS;
        bool weg = false;
        if (FigurArt == FID_ARMEE) {
            if (AnzahlID == FIGUREN_ALLE)
                weg = hier && f->FigurArt >= FID_LEICHTE_INFANTRIE && f->FigurArt <= FID_SCHWERE_ARTILLERIE;
            else
                std::printf("RemoveFigurFromMapPrefs: Eine ID ist hier Unsinn !\n");
        } else if (FigurArt == FID_SCHIFFE) {
            if (AnzahlID == FIGUREN_ALLE) {
                weg = hier && schiff;
            } else if (AnzahlID >= 0) {
                weg = fertig = hier && schiff && f->FigurNummer == AnzahlID;
            }
        } else if (hier && f->FigurArt == FigurArt) {
            if (AnzahlID == FIGUREN_ALLE)
                weg = true;
            else if (AnzahlID == FIGUR_NICHT_AN_BORD)
                weg = fertig = f->Kommando != KOMMANDO_AN_BORD;
            else if (AnzahlID >= 0)
                weg = fertig = f->FigurNummer == AnzahlID;
        }
        if (weg) {
            std::printf("RemoveFigurFromMapPrefs: L\366sche eine Figur auf Position X:%u Y:%u...\n", (unsigned)XPos,
                        (unsigned)YPos);
            liste->ActNode = node;
            DeleteNode(liste, LIST_ACT, 0, LIST_FREE_OWNED);
        }
        node = naechster;
    }
    if (!fertig && FigurArt != FID_ARMEE && FigurArt != FID_SCHIFFE)
        std::printf("RemoveFigurFromMapPrefs: Fataler Fehler ! Konnte gesuchte Figur nicht entfernen !\n");

    st_MOVE *neu = MakeMoveChunkFromList(liste);
    DeleteList(liste, 1);
    if (!neu) {
        std::printf("RemoveFigurFromMapPrefs: Konnte neuen Move-Chunk nicht anlegen!\n");
        return 0;
    }
    int ok = SchreibeMapPrefs(PrefsFile, neu, "RemoveFigurFromMapPrefs");
    FreeVec(neu);
    return ok;
}

int WriteList2MapPrefs(ListHeader *FigurList)
{
    st_MOVE *neu = MakeMoveChunkFromList(FigurList);
    if (!neu) {
        std::printf("AddFigur2MapPrefs : Konnte neuen Move-Chunk nicht anlegen!\n");
        return 0;
    }
    int ok = SchreibeMapPrefs(MAPPREFS_FILE, neu, "AddFigur2MapPrefs");
    FreeVec(neu);
    return ok;
}
