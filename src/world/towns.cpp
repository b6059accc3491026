// Town record and town files: codecs, names, the town list and the routines
// that find, found and rename towns. Every file is replaced whole at once;
// a record that takes a new name is written before the old file goes.
#include "world/towns.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/towns_local.h"

// ---- codecs ----

namespace {

// One row per field: where it lies, its width and how many follow.
struct Feld {
    size_t at;
    UBYTE breite;
    UWORD anzahl;
};
using G = GebaeudeAbhaengigkeiten;
constexpr Feld kSlot[] = {
    {offsetof(G, GfxBitfeld), 2, 1}, {offsetof(G, Volk), 4, 1},          {offsetof(G, Stadtlevel), 2, 1},
    {offsetof(G, GebaeudeID), 2, 1}, {offsetof(G, Prioritaet), 2, 1},    {offsetof(G, GebaeudeDaten), 2, 5},
    {offsetof(G, GebaeudeForschung), 1, 7}, {offsetof(G, Pad), 1, 1},   {offsetof(G, AndereGebaeude), 2, 7},
    {offsetof(G, AntiGebaeude), 2, 8},
};
constexpr Feld kStadtKopf[] = {
    {offsetof(Stadt, Hauptstadt), 4, 1}, {offsetof(Stadt, Event), 2, 1},   {offsetof(Stadt, Reserved), 2, 1},
    {offsetof(Stadt, TownChanged), 4, 1}, {offsetof(Stadt, Chunky), 4, 1}, {offsetof(Stadt, Version), 2, 1},
    {offsetof(Stadt, Level), 2, 1},      {offsetof(Stadt, StadtID), 4, 1}, {offsetof(Stadt, XPos), 4, 1},
    {offsetof(Stadt, YPos), 4, 1},       {offsetof(Stadt, StadtVolk), 4, 1}, {offsetof(Stadt, Stadtname), 1, 80},
};
constexpr Feld kStadtFuss[] = {
    {offsetof(Stadt, ArmeeVolk), 4, 1}, {offsetof(Stadt, AusgelaufeneSchiffe), 2, 4},
};
constexpr Feld kTownList[] = {{offsetof(TownList, TownID), 4, 1}, {offsetof(TownList, TownName), 1, 80}};

template <size_t N> constexpr size_t Breiten(const Feld (&t)[N])
{
    size_t s = 0;
    for (const Feld &f : t) s += (size_t)f.breite * f.anzahl;
    return s;
}
static_assert(Breiten(kSlot) == sizeof(G));
static_assert(Breiten(kStadtKopf) + STADT_SLOTS * sizeof(G) + Breiten(kStadtFuss) == sizeof(Stadt));
static_assert(Breiten(kTownList) == sizeof(TownList));

// Little-endian bytes into host-order fields (lesen) or back.
template <size_t N> void Wandle(const Feld (&t)[N], const UBYTE *von, UBYTE *nach, size_t basis, bool lesen)
{
    for (const Feld &f : t)
        for (size_t i = 0; i < f.anzahl; ++i) {
            const size_t at = basis + f.at + i * f.breite;
            // Byte k of the file is the k-th lowest; the host keeps it at host(k).
            UBYTE feld[8];
            std::memcpy(feld, von + at, f.breite);
            for (int k = 0; k < f.breite; ++k) {
                const int host = std::endian::native == std::endian::big ? f.breite - 1 - k : k;
                if (lesen)
                    nach[at + host] = feld[k];
                else
                    nach[at + k] = feld[host];
            }
        }
}

void StadtWandeln(const UBYTE *von, UBYTE *nach, bool lesen)
{
    Wandle(kStadtKopf, von, nach, 0, lesen);
    for (int i = 0; i < STADT_SLOTS; ++i)
        Wandle(kSlot, von, nach, offsetof(Stadt, GebaeudeAbhaengigkeiten) + (size_t)i * sizeof(G), lesen);
    Wandle(kStadtFuss, von, nach, 0, lesen);
}

}  // namespace

UWORD AntiID(const GebaeudeAbhaengigkeiten &s, int i)
{
    UWORD v;
    std::memcpy(&v, (const UBYTE *)&s + offsetof(G, AntiGebaeude) + 2 * i, 2);
    return v;
}

void DecodeStadt(const UBYTE *Bytes, Stadt *Town)
{
    StadtWandeln(Bytes, (UBYTE *)Town, true);
    Town->Stadtname[STADTNAME_MAX] = 0;
}

void EncodeStadt(const Stadt *Town, UBYTE *Bytes) { StadtWandeln((const UBYTE *)Town, Bytes, false); }

void DecodeSlot(const UBYTE *Bytes, GebaeudeAbhaengigkeiten *Slot) { Wandle(kSlot, Bytes, (UBYTE *)Slot, 0, true); }

void EncodeSlot(const GebaeudeAbhaengigkeiten *Slot, UBYTE *Bytes)
{
    Wandle(kSlot, (const UBYTE *)Slot, Bytes, 0, false);
}

void DecodeTownList(const UBYTE *Bytes, TownList *Entry)
{
    Wandle(kTownList, Bytes, (UBYTE *)Entry, 0, true);
    Entry->TownName[STADTNAME_MAX] = 0;
}

void EncodeTownList(const TownList *Entry, UBYTE *Bytes) { Wandle(kTownList, (const UBYTE *)Entry, Bytes, 0, false); }

// ---- names ----

void StadtNameConvert(char *Name)
{
    for (; Name && *Name; ++Name)
        if (*Name == ' ') *Name = '_';
}

void StadtNameDeconvert(char *Name)
{
    for (; Name && *Name; ++Name)
        if (*Name == '_') *Name = ' ';
}

UWORD StadtEvent2UWORD(StadtEvent e)
{
    return (UWORD)((e.NewTown ? STADTEVENT_NEWTOWN : 0) | (e.Rebellion ? STADTEVENT_REBELLION : 0) |
                   (e.Schwindsucht ? STADTEVENT_SCHWINDSUCHT : 0) | (e.Pest ? STADTEVENT_PEST : 0) |
                   (e.Fleckfieber ? STADTEVENT_FLECKFIEBER : 0) | (e.Blattern ? STADTEVENT_BLATTERN : 0));
}

StadtEvent UWORD2StadtEvent(UWORD v)
{
    return {(v & STADTEVENT_NEWTOWN) != 0, (v & STADTEVENT_REBELLION) != 0, (v & STADTEVENT_SCHWINDSUCHT) != 0,
            (v & STADTEVENT_PEST) != 0,    (v & STADTEVENT_FLECKFIEBER) != 0, (v & STADTEVENT_BLATTERN) != 0};
}

void KopiereName(char *Ziel, const char *Quelle)
{
    std::memset(Ziel, 0, STADTNAME_MAX + 1);
    std::memcpy(Ziel, Quelle, strnlen(Quelle, STADTNAME_MAX));
}

bool StadtDatei(char *Pfad, size_t Groesse, const char *Name, const char *Endung)
{
    // A name from a list file must not lead out of the towns' directory.
    if (!Name[0] || Name[0] == '.' || std::strchr(Name, '/') || std::strchr(Name, '\\')) {
        std::printf("Stadtname '%s' ist kein Dateiname\n", Name);
        return false;
    }
    std::snprintf(Pfad, Groesse, "%s/%s%s", CITIES_DIR, Name, Endung);
    return true;
}

// ---- files ----

Stadt *LadeStadt(const char *Name)
{
    char pfad[128];
    if (!StadtDatei(pfad, sizeof pfad, Name, ".vek")) return nullptr;
    if (GetFileSize(pfad) != STADT_BYTES) return nullptr;
    UBYTE *daten = (UBYTE *)LoadFile2Mem(pfad, 0);
    if (!daten) return nullptr;
    Stadt *t = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
    DecodeStadt(daten, t);
    FreeVec(daten);
    return t;
}

int SpeichereStadt(const Stadt *Town)
{
    char pfad[128];
    if (!Town || !StadtDatei(pfad, sizeof pfad, Town->Stadtname, ".vek")) return 0;
    std::vector<UBYTE> b(STADT_BYTES);
    EncodeStadt(Town, b.data());
    return WriteFileAtomic(pfad, b.data(), STADT_BYTES, -1) == (int)STADT_BYTES;
}

TownList *LadeTownList(ULONG *Anzahl, int *EndeFehlt)
{
    *Anzahl = 0;
    if (EndeFehlt) *EndeFehlt = 0;
    if (!IsFilePresent(TOWNLIST_FILE)) return nullptr;
    const ULONG groesse = GetFileSize(TOWNLIST_FILE);
    UBYTE *daten = groesse ? (UBYTE *)LoadFile2Mem(TOWNLIST_FILE, 0) : nullptr;
    if (groesse && !daten) return nullptr;
    const ULONG ganze = groesse / TOWNLIST_BYTES;
    TownList *liste = (TownList *)AllocVec((ganze + 1) * sizeof(TownList), MEMF_CLEAR);
    bool ende = false;
    ULONG n = 0;
    for (ULONG i = 0; i < ganze; ++i) {
        TownList e;
        const UBYTE *roh = daten + (size_t)i * TOWNLIST_BYTES;
        DecodeTownList(roh, &e);
        // A name that fills its field without an end was cut by the decoder;
        // the cut name could name another town's file, so it names none.
        if (!std::memchr(roh + offsetof(TownList, TownName), 0, sizeof e.TownName)) e.TownName[0] = 0;
        if (e.TownID == -1) {
            ende = true;
            break;
        }
        liste[n++] = e;
    }
    FreeVec(daten);
    if (EndeFehlt) *EndeFehlt = !ende || groesse % TOWNLIST_BYTES != 0 || (n + 1) * TOWNLIST_BYTES != groesse;
    *Anzahl = n;
    return liste;
}

int SpeichereTownList(const TownList *Eintraege, ULONG Anzahl)
{
    std::vector<UBYTE> b((size_t)(Anzahl + 1) * TOWNLIST_BYTES);
    for (ULONG i = 0; i < Anzahl; ++i) {
        TownList e;
        std::memset(&e, 0, sizeof e);
        e.TownID = Eintraege[i].TownID;
        KopiereName(e.TownName, Eintraege[i].TownName);
        EncodeTownList(&e, b.data() + (size_t)i * TOWNLIST_BYTES);
    }
    TownList ende;
    ende.TownID = -1;
    std::memset(ende.TownName, ' ', STADTNAME_MAX);
    ende.TownName[STADTNAME_MAX] = 0;
    EncodeTownList(&ende, b.data() + (size_t)Anzahl * TOWNLIST_BYTES);
    // The folder is made only where it is missing: a made one is no failure.
    if (!Lock(CITIES_DIR, ACCESS_READ)) CreateDir(CITIES_DIR);
    return WriteFileAtomic(TOWNLIST_FILE, b.data(), (ULONG)b.size(), -1) == (int)b.size();
}

void LoescheStadtDateien(const char *Name)
{
    char pfad[128];
    if (!StadtDatei(pfad, sizeof pfad, Name, ".vek")) return;
    DeleteFile(pfad);
    StadtDatei(pfad, sizeof pfad, Name, ".image");
    DeleteFile(pfad);
}

// ---- towns ----

Stadt *CreateTown(const char *Stadtname, UWORD Flags)
{
    Stadt *t = (Stadt *)AllocVec(sizeof(Stadt), MEMF_CLEAR);
    bool gut = true;
    KopiereName(t->Stadtname, Stadtname ? Stadtname : "");
    t->Hauptstadt = Flags & 1;
    if (Flags & 2) t->Event |= STADTEVENT_NEWTOWN;
    t->TownChanged = 1;
    t->Level = 1;

    ScreenRegion *vorlage = GetScreenRegion(INFO_STADT_FILE, INFO_STADT_MASKE);
    if (!vorlage || !vorlage->GebaeudeInfoPtr) {
        std::printf("CreateTown: Konnte Stadtdaten nicht laden!\n");
        gut = false;
    } else {
        // A template with more records than a town has slots gives only the first 235.
        const ULONG n = std::min<ULONG>(vorlage->CountGebaeudeInfoPtr, STADT_SLOTS);
        std::memcpy(t->GebaeudeAbhaengigkeiten, vorlage->GebaeudeInfoPtr, n * sizeof(GebaeudeAbhaengigkeiten));
    }
    if (vorlage) ClearScreenRegion(vorlage);
    if (gut && !Lock(CITIES_DIR, ACCESS_READ) && !CreateDir(CITIES_DIR)) {
        std::printf("CreateTown: Locken des Verzeichnisses klappt nicht !\n");
        gut = false;
    }
    if (gut && t->Hauptstadt) {
        st_MREF *mref = (st_MREF *)LoadChunk2Mem(ID_MREF, MAPPREFS_FILE);
        if (!mref) {
            std::printf("CreateTown: Fataler Fehler ! Konnte Map-Prefs nicht \366ffnen...\n");
            gut = false;
        } else {
            t->XPos = mref->X_Capital;
            t->YPos = mref->Y_Capital;
            FreeVec(mref);
            for (int slot : {0, 14, 15}) t->GebaeudeAbhaengigkeiten[slot].GfxBitfeld |= GFX_THISIMAGEISSET;
        }
    }
    if (gut) {
        for (GebaeudeAbhaengigkeiten &s : t->GebaeudeAbhaengigkeiten)
            if ((s.GfxBitfeld & GFX_DUMMYGRAFIK) && s.Volk == 0 && s.Stadtlevel == t->Level && Wuerfel(100) > 50)
                s.GfxBitfeld |= GFX_THISIMAGEISSET;
        std::printf("CreateTown: Zufallsgeb\344ude gesetzt...\n");
    }
    if (gut && (t->Event & STADTEVENT_NEWTOWN) && !SpeichereStadt(t)) {
        std::printf("CreateTown : Konnte Stadtfile nicht abspeichern...\n");
        gut = false;
    }
    if (!gut) {
        std::printf("Stadt wird freigegeben\n");
        FreeVec(t);
        t = nullptr;
    }
    std::printf("CreateTown: fertig...\n");
    return t;
}

namespace {

Stadt *ErsteHauptstadt()
{
    Stadt *t = CreateTown("NewTown", 3);
    if (!t) {
        std::printf("GetActiveTown: Konnte Stadt nicht erzeugen!\n");
        return nullptr;
    }
    TownList e;
    e.TownID = 0;
    KopiereName(e.TownName, "NewTown");
    if (!SpeichereTownList(&e, 1)) {
        std::printf("GetActiveTown: Konnte TownList nicht \366ffnen!\n");
        LoescheStadtDateien("NewTown");
        FreeVec(t);
        return nullptr;
    }
    return t;
}

// A record of the wrong size: made anew from the template, keeping what the
// old bytes hold of its identity, position, population and level, and
// written over the old file.
Stadt *NeuAufbauen(const TownList &e, const char *pfad)
{
    std::printf("GetActiveTown : Fehler ! Gr\366\337e der Stadt ist nicht richtig. Stadt wird neu generiert !\n");
    const ULONG groesse = GetFileSize(pfad);
    UBYTE *alt = groesse ? (UBYTE *)LoadFile2Mem(pfad, 0) : nullptr;
    if (!alt) {
        std::printf("GetActiveTown : Fehler ! Diese Stadt existiert nicht...!\n");
        return nullptr;
    }
    std::vector<UBYTE> b(STADT_BYTES, 0);
    std::memcpy(b.data(), alt, std::min(groesse, STADT_BYTES));
    FreeVec(alt);
    Stadt altStadt;
    DecodeStadt(b.data(), &altStadt);
    Stadt *t = CreateTown(e.TownName, altStadt.Hauptstadt ? 1 : 0);
    if (!t) return nullptr;
    if (groesse >= offsetof(Stadt, XPos) + 4) t->XPos = altStadt.XPos;
    if (groesse >= offsetof(Stadt, YPos) + 4) t->YPos = altStadt.YPos;
    if (groesse >= offsetof(Stadt, StadtVolk) + 4) t->StadtVolk = altStadt.StadtVolk;
    if (groesse >= offsetof(Stadt, Level) + 2) t->Level = altStadt.Level;
    t->StadtID = (ULONG)e.TownID;
    ChangeTownStatus(t);
    if (!SpeichereStadt(t)) {
        std::printf("GetActiveTown: Konnte Enviroment der Stadt %s nicht speichern...\n", t->Stadtname);
        FreeVec(t);
        return nullptr;
    }
    char bild[128];
    if (StadtDatei(bild, sizeof bild, t->Stadtname, ".image")) DeleteFile(bild);
    return t;
}

Stadt *LadeEintrag(const TownList &e)
{
    char pfad[128];
    if (!StadtDatei(pfad, sizeof pfad, e.TownName, ".vek")) return nullptr;
    std::printf("Lade Stadt %s\n", pfad);
    if (GetFileSize(pfad) == STADT_BYTES) {
        Stadt *t = LadeStadt(e.TownName);
        if (!t) std::printf("GetActiveTown : Fehler ! Diese Stadt existiert nicht...\n!\n");
        return t;
    }
    return NeuAufbauen(e, pfad);
}

Stadt *NeueStadt(const TownList *liste, ULONG n, bool endeFehlt)
{
    std::printf("GetActiveTown: lege neue Stadt an...\n");
    for (unsigned nr = 0; nr < 10; ++nr) {
        char name[32], pfad[128];
        std::snprintf(name, sizeof name, "NewTown.%u", nr);
        StadtDatei(pfad, sizeof pfad, name, ".vek");
        if (IsFilePresent(pfad)) {
            std::printf("Stadt gefunden... Neuer Name wird gesucht...\n");
            continue;
        }
        Stadt *t = CreateTown(name, 2);
        if (!t) return nullptr;
        t->StadtID = n ? (ULONG)(liste[n - 1].TownID + 1) : 0;
        // The list is written whole: a list that lost its end entry comes out sound.
        std::vector<TownList> neu(liste, liste + n);
        TownList e;
        e.TownID = (LONG)t->StadtID;
        KopiereName(e.TownName, name);
        neu.push_back(e);
        (void)endeFehlt;
        if (!SpeichereStadt(t) || !SpeichereTownList(neu.data(), (ULONG)neu.size())) {
            std::printf("GetActiveTown: Konnte vorhandene TownList nicht \366ffnen!\n");
            LoescheStadtDateien(name);
            FreeVec(t);
            return nullptr;
        }
        return t;
    }
    std::printf("GetActiveTown: alle Namen f\374r neue St\344dte sind vergeben!\n");
    return nullptr;
}

}  // namespace

Stadt *GetActiveTown(LONG StadtID)
{
    ULONG n = 0;
    int endeFehlt = 0;
    TownList *liste = LadeTownList(&n, &endeFehlt);
    if (!liste) return ErsteHauptstadt();
    std::printf("GetActiveTown: gesucht wird die Stadt mit der ID %d\n", (int)StadtID);
    Stadt *t = nullptr;
    ULONG i = 0;
    while (i < n && liste[i].TownID != StadtID) ++i;
    if (i < n) {
        t = LadeEintrag(liste[i]);
    } else if (StadtID == -2) {
        std::printf("GetActiveTown: lade die Hauptstadt, egal welche ID...\n");
        for (ULONG k = 0; k < n; ++k) {
            t = LadeEintrag(liste[k]);
            if (!t) {
                std::printf("GetActiveTown: Fehler ! Diese Stadt existiert nicht... '%s'\n!\n", liste[k].TownName);
                break;
            }
            if (t->Hauptstadt) {
                PlayerInfo.AktStadtID = t->StadtID;
                break;
            }
            FreeVec(t);
            t = nullptr;
        }
    } else {
        t = NeueStadt(liste, n, endeFehlt);
    }
    FreeVec(liste);
    return t;
}

int EnsureTownFiles()
{
    Stadt *t = GetActiveTown(-2);
    FreeVec(t);
    return t != nullptr;
}

BOOL ChangeTownName(ULONG StadtID, char *NewName, int *Abgelehnt)
{
    if (Abgelehnt) *Abgelehnt = 0;
    if (!NewName) return 0;
    // Only names fit for a file and not taken for unnamed towns.
    bool fit = NewName[0] != 0 && NewName[0] != '.' && std::strncmp(NewName, "NewTown", 7) != 0;
    bool blank = true;
    for (const char *p = NewName; *p; ++p) {
        const UBYTE c = (UBYTE)*p;
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') fit = false;
        if (c != ' ') blank = false;
    }
    if (!fit || blank) {
        std::printf("ChangeTownName : Name '%s' ist nicht erlaubt\n", NewName);
        if (Abgelehnt) *Abgelehnt = 1;
        return 0;
    }
    ULONG n = 0;
    TownList *liste = LadeTownList(&n, nullptr);
    if (!liste) {
        std::printf("ChangeTownName : Konnte Town.list nicht finden...\n");
        return 0;
    }
    if (std::strlen(NewName) > STADTNAME_MAX) NewName[STADTNAME_MAX] = 0;
    StadtNameConvert(NewName);
    BOOL ok = 0;
    ULONG i = 0;
    bool vergeben = false;
    for (ULONG k = 0; k < n; ++k) vergeben = vergeben || std::strcmp(liste[k].TownName, NewName) == 0;
    if (vergeben && Abgelehnt) *Abgelehnt = 1;
    while (!vergeben && i < n && !(std::strncmp(liste[i].TownName, "NewTown", 7) == 0 && liste[i].TownID == (LONG)StadtID))
        ++i;
    if (!vergeben && i < n) {
        std::printf("StadtID %u\n", (unsigned)StadtID);
        char alterName[80];
        KopiereName(alterName, liste[i].TownName);
        Stadt *t = LadeStadt(alterName);
        if (!t) {
            std::printf("ChangeTownName : Fehler ! Diese Stadt existiert nicht...\n!\n");
        } else {
            KopiereName(t->Stadtname, NewName);
            t->Event &= (UWORD)~STADTEVENT_NEWTOWN;
            t->TownChanged = 0;
            KopiereName(liste[i].TownName, NewName);
            // The renamed record and the list are written before the old
            // record goes, so a failure loses nothing.
            if (!SpeichereStadt(t)) {
                std::printf("ChangeTownName : Konnte Stadt %s nicht speichern...\n", NewName);
            } else if (!SpeichereTownList(liste, n)) {
                std::printf("ChangeTownName : Konnte Town.list nicht speichern...\n");
                char pfad[128];
                StadtDatei(pfad, sizeof pfad, NewName, ".vek");
                DeleteFile(pfad);
            } else {
                char alt[128], altBild[128], neuBild[128];
                StadtDatei(alt, sizeof alt, alterName, ".vek");
                DeleteFile(alt);
                StadtDatei(altBild, sizeof altBild, alterName, ".image");
                StadtDatei(neuBild, sizeof neuBild, NewName, ".image");
                ok = 1;
                if (IsFilePresent(altBild) && !MoveFile(altBild, neuBild)) {
                    std::printf("ChangeTownName : Konnte Name des Image-Files nicht \344ndern...\n");
                    ok = 0;
                }
            }
            FreeVec(t);
        }
    }
    FreeVec(liste);
    return ok;
}

char *CreateStadtListBuffer()
{
    ULONG n = 0;
    TownList *liste = LadeTownList(&n, nullptr);
    if (!liste) return nullptr;
    char *puffer = (char *)AllocVec((n ? n : 1) * 80, MEMF_CLEAR);
    if (!puffer) {
        std::printf("CreateStadtListBuffer: Konnte Speicher nicht allokieren !\n");
    } else {
        for (ULONG i = 0; i < n; ++i) {
            KopiereName(puffer + (size_t)i * 80, liste[i].TownName);
            StadtNameDeconvert(puffer + (size_t)i * 80);
        }
    }
    FreeVec(liste);
    return puffer;
}

BOOL SlotGebaut(const Stadt *town, int slot)
{
    return town && slot >= 0 && slot < STADT_SLOTS &&
           (town->GebaeudeAbhaengigkeiten[slot].GfxBitfeld & GFX_THISIMAGEISSET);
}
