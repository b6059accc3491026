// The realm's rules without pixels: research, gods and specialists.
#include "world/reichsregeln.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "store/converters.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/figures.h"
#include "store/store.h"

namespace {

// The level byte of each field number, in the screen's order.
UBYTE *StufeFeld(st_FORS &f, int feld)
{
    switch (feld) {
    case 0: return &f.Astronomie;
    case 1: return &f.Alchemie;
    case 2: return &f.Naturkunde;
    case 3: return &f.Theologie;
    case 4: return &f.Medizin;
    case 5: return &f.Kampftechnik;
    case 6: return &f.Technik;
    default: return nullptr;
    }
}

template <class F> void JederSpezialist(ListHeader *liste, F f)
{
    if (!liste || !liste->FirstNode) return;
    ListNode *n = liste->FirstNode;
    for (ULONG i = 0; i < liste->Elemente; ++i, n = n->Next)
        if (!f(((SpezialistenListEntry *)n)->Spezialist)) return;
}

bool Frei(const st_SPEZ_EXT &s) { return s.Status <= SPEZ_FREI_MAX; }
bool Angeheuert(const st_SPEZ_EXT &s) { return s.Status == SPEZ_ANGEHEUERT; }

}  // namespace

st_FORS NeueForschung()
{
    st_FORS f{};
    f.Head.ChunkID = ID_FORS;
    f.Head.Version = VERSION_V001;
    f.Head.Length = sizeof(st_FORS) - sizeof(st_ChunkHead);
    return f;
}

UBYTE ForschungsStufe(const st_FORS &f, int feld)
{
    const UBYTE *p = StufeFeld(const_cast<st_FORS &>(f), feld);
    return p ? *p : 0;
}

UBYTE ForschungsStufeGezeigt(const st_FORS &f, int feld)
{
    return std::min(ForschungsStufe(f, feld), FORSCHUNG_MAX_STUFE);
}

uint64_t ForschungsKosten(ULONG volk, ULONG vertrauen, ULONG ziel)
{
    const uint64_t v = vertrauen ? vertrauen : 1;
    return (uint64_t)volk * 25 / 100 * (25000 / v) / 100 * 4 * ziel * ziel;
}

ULONG ForschungsKostenGezeigt(uint64_t kosten) { return (ULONG)std::min<uint64_t>(kosten, 0xFFFFFFFFu); }

UWORD ForschungsFortschrittBild(const st_FORS &f, int feld)
{
    if (feld < 0 || feld >= FORSCHUNG_FELDER || f.AktiveForschung != feld + 1 || !f.ForschungsZeit ||
        !f.ForschungsCounter)
        return FORSCHUNG_BILD_FORTSCHRITT;
    const int schritt = (-12 / (int)f.ForschungsZeit) * (int)f.ForschungsCounter + 13;
    return (UWORD)(FORSCHUNG_BILD_FORTSCHRITT + std::clamp(schritt, 0, 13));
}

int ForschungsTextIndex(int feld, UBYTE stufe)
{
    if (feld < 0 || feld >= FORSCHUNG_FELDER) return -1;
    return feld * 8 + std::min(stufe, FORSCHUNG_MAX_STUFE);
}

ForschungsStart ForschungPruefen(const st_FORS &f, int feld, ULONG volk, ULONG vertrauen, uint64_t *kosten)
{
    if (f.AktiveForschung) return FS_LAEUFT_SCHON;
    const ULONG ziel = (ULONG)ForschungsStufe(f, feld) + 1;
    if (ziel > FORSCHUNG_MAX_STUFE || feld < 0 || feld >= FORSCHUNG_FELDER) return FS_NICHT_HOEHER;
    if (kosten) *kosten = ForschungsKosten(volk, vertrauen, ziel);
    return FS_FRAGEN;
}

void ForschungStarten(st_FORS *f, int feld)
{
    if (f && feld >= 0 && feld < FORSCHUNG_FELDER) f->AktiveForschung = (UBYTE)(feld + 1);
}

GoetterAusgang GoetterVerlassen(BOOL symbol, BOOL name, UBYTE gespeichert, ULONG vertrauen)
{
    if (!symbol || !name) return GA_VERLASSENFRAGE;
    if (!gespeichert) return GA_SPEICHERN;
    return vertrauen > GOETTER_VERTRAUEN_MIN ? GA_WECHSELFRAGE : GA_WARNUNG;
}

void GoetterNameKopieren(char (&ziel)[80], const char *quelle, size_t quelleMax)
{
    std::memset(ziel, 0, sizeof ziel);
    if (!quelle) return;
    const size_t n = std::min(quelleMax, sizeof ziel - 1);
    for (size_t i = 0; i < n && quelle[i]; ++i) ziel[i] = quelle[i];
}

void GoetterSetzen(st_LAND *land, UBYTE gottheit, const char *name)
{
    if (!land) return;
    land->Gottheit = gottheit;
    GoetterNameKopieren(land->Goettername, name, name ? std::strlen(name) : 0);
}

st_SPEZ_EXT *SpezialistNr(ListHeader *liste, BOOL frei, ULONG n)
{
    st_SPEZ_EXT *treffer = nullptr;
    ULONG i = 0;
    JederSpezialist(liste, [&](st_SPEZ_EXT &s) {
        if (!(frei ? Frei(s) : Angeheuert(s))) return true;
        if (i++ == n) treffer = &s;
        return treffer == nullptr;
    });
    return treffer;
}

ULONG SpezialistenAnzahl(ListHeader *liste, BOOL frei)
{
    ULONG n = 0;
    JederSpezialist(liste, [&](st_SPEZ_EXT &s) {
        n += frei ? Frei(s) : Angeheuert(s);
        return true;
    });
    return n;
}

ULONG SpezialistenLohnSumme(ListHeader *liste)
{
    uint64_t summe = 0;
    JederSpezialist(liste, [&](st_SPEZ_EXT &s) {
        if (Angeheuert(s)) summe += s.Lohn;
        return true;
    });
    return (ULONG)std::min<uint64_t>(summe, 0xFFFFFFFFu);
}

UWORD SpezialistFigurArt(UBYTE klasse)
{
    return klasse == SPEZ_KLERIKER ? FIGUR_KLERIKER : klasse == SPEZ_GEOLOGE ? FIGUR_GEOLOGE : 0;
}

BOOL SpezialistAnheuern(ListHeader *liste, ULONG n, ULONG x, ULONG y, ULONG spielerID)
{
    st_SPEZ_EXT *s = SpezialistNr(liste, 1, n);
    if (!s) return 0;
    s->Status = SPEZ_ANGEHEUERT;
    s->X_Pos = x;
    s->Y_Pos = y;
    s->SpielerID = spielerID;
    return 1;
}

SpezEntlassen SpezialistEntlassen(ListHeader *liste, ULONG n, ULONG x, ULONG y)
{
    st_SPEZ_EXT *s = SpezialistNr(liste, 0, n);
    if (!s) return SE_KEINER;
    if (s->X_Pos != x || s->Y_Pos != y) return SE_ANDERE_STADT;
    s->Status = SPEZ_ENTLASSEN;
    return SE_ENTLASSEN;
}

ULONG SpezialistenInStadt(ListHeader *liste, UWORD art, ULONG x, ULONG y)
{
    ULONG n = 0;
    JederSpezialist(liste, [&](st_SPEZ_EXT &s) {
        n += Angeheuert(s) && s.X_Pos == x && s.Y_Pos == y && art && SpezialistFigurArt(s.Klasse) == art;
        return true;
    });
    return n;
}

void SpezialistenFigurSetzen(ListHeader *liste, UWORD art, ULONG x, ULONG y, ULONG figur)
{
    JederSpezialist(liste, [&](st_SPEZ_EXT &s) {
        if (Angeheuert(s) && s.X_Pos == x && s.Y_Pos == y && art && SpezialistFigurArt(s.Klasse) == art)
            s.ID = figur;
        return true;
    });
}

BOOL SpezialistenFigurenSetzen(ListHeader *liste, ULONG x, ULONG y)
{
    // One read and one write of the figure file: the figures change in a list.
    auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
    ListHeader *figuren = move ? CreateList(LISTE_FIGUREN) : nullptr;
    const bool gelesen = figuren && ScanFigur2List(figuren, move);
    FreeVec(move);
    if (!gelesen) {
        std::printf("SpezialistenScreenWriteData: Konnte Figuren nicht entfernen !!!\n");
        DeleteList(figuren, 1);
        return 0;
    }
    auto eigene = [&](const st_MOVE_EXT &f) { return f.SpielerID == PlayerInfo.SpielerID; };
    ListNode *n = figuren->FirstNode;
    for (ULONG i = 0, anzahl = figuren->Elemente; i < anzahl; ++i) {
        ListNode *naechster = n->Next;
        const st_MOVE_EXT &f = *(const st_MOVE_EXT *)NodeData(n);
        if (eigene(f) && f.X_Pos == x && f.Y_Pos == y && (f.FigurArt == FIGUR_KLERIKER || f.FigurArt == FIGUR_GEOLOGE)) {
            figuren->ActNode = n;
            DeleteNode(figuren, LIST_ACT, 0, LIST_FREE_OWNED);
        }
        n = naechster;
    }
    std::vector<bool> belegt(0x10000, false);
    n = figuren->FirstNode;
    for (ULONG i = 0; i < figuren->Elemente; ++i, n = n->Next) {
        const st_MOVE_EXT &f = *(const st_MOVE_EXT *)NodeData(n);
        if (eigene(f)) belegt[f.FigurNummer] = true;
    }
    BOOL ok = 1;
    for (UWORD art : {FIGUR_KLERIKER, FIGUR_GEOLOGE}) {
        if (!SpezialistenInStadt(liste, art, x, y)) continue;
        ULONG nr = 1;
        while (nr < belegt.size() && belegt[nr]) ++nr;
        auto *node = nr < belegt.size() && figuren->Elemente < 0xFFFF
                         ? (ListNode *)AllocVec(figuren->TypSize, MEMF_CLEAR)
                         : nullptr;
        if (!node) {
            std::printf("SpezialistenScreenWriteData: Konnte Kleriker nicht im MoveChunk abspeichern...\n");
            ok = 0;
            break;
        }
        st_MOVE_EXT &f = *(st_MOVE_EXT *)NodeData(node);
        f.SpielerID = PlayerInfo.SpielerID;
        f.FigurArt = art;
        f.FigurNummer = (UWORD)nr;
        f.X_Pos = x;
        f.Y_Pos = y;
        InsertNode(figuren, node, LIST_LAST, 0);
        belegt[nr] = true;
        SpezialistenFigurSetzen(liste, art, x, y, nr);
    }
    if (ok) {
        ok = WriteList2MapPrefs(figuren);
        if (!ok) std::printf("SpezialistenScreenWriteData: Konnte Kleriker nicht im MoveChunk abspeichern...\n");
    }
    DeleteList(figuren, 1);
    return ok;
}
