// A new game from the server's first answer, and the end of a game. Every
// step runs even after one failed; the result says whether all went through.
// A folder counts as cleared only when nothing it should lose is left in it.
#include "turn/gameinit.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "world/cultivation.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/chunkmachine.h"
#include "ui/dialogs.h"

namespace {

constexpr UWORD PREF_BILDSCHIRM = 1;
constexpr UWORD PREF_SPIELNAME = 10;
constexpr UWORD PREF_DUNGEON = 37, PREF_DUNGEON_X = 38, PREF_DUNGEON_Y = 39;
constexpr ULONG DUNGEON = 2;

// Removes the files of dir whose names begin with prefix (all with null);
// true when none is left.
bool Leeren(const char *dir, const char *prefix)
{
    DeleteDir(dir, prefix);
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(dir, ec)) return true;
    const size_t n = prefix ? std::strlen(prefix) : 0;
    for (fs::directory_iterator it(dir, ec), ende; !ec && it != ende; it.increment(ec))
        if (it->path().filename().string().compare(0, n, prefix ? prefix : "") == 0) return false;
    return !ec;
}

bool Vorhanden(ULONG chunk, const char *path) { return IsChunkPresent(ChunkBit(chunk), path); }

// The dungeon on one of the six hexes round the capital that is neither
// water nor town, chosen by the dice.
BOOL Dungeon()
{
    st_MREF *mref = (st_MREF *)LoadChunk2Mem(ID_MREF, MAPPREFS_FILE);
    if (!mref) {
        std::printf("GameInit : Konnte MapPrefs nicht laden !!!\n");
        return 0;
    }
    const LONG cx = (LONG)(mref->X_Capital % WELT_BREITE), cy = (LONG)(mref->Y_Capital % WELT_HOEHE);
    FreeVec(mref);
    VekMapInfo *map = LadeKarte(0, cx / TEIL_BREITE, cy / TEIL_HOEHE, "./Map");
    if (!map) {
        std::printf("GameInit : Konnte Karte nicht \366ffnen \n");
        return 0;
    }
    // The capital's tile is the middle one of the window.
    const HexPos mitte = {cx % TEIL_BREITE + TEIL_BREITE, cy % TEIL_HOEHE + TEIL_HOEHE};
    static const int reihenfolge[6] = {HEX_NO, HEX_SO, HEX_S, HEX_SW, HEX_NW, HEX_N};
    MapEntry *hex[6];
    bool geht[6];
    ULONG n = 0;
    for (int i = 0; i < 6; ++i) {
        const HexPos p = HexNachbar(mitte, reihenfolge[i]);
        hex[i] = FensterHex(map, p.x, p.y);
        const UWORD klasse = hex[i] ? GetTypeOfHex(hex[i]->Art) : (UWORD)GK_WASSER;
        geht[i] = klasse != GK_WASSER && klasse != GK_STADT;
        if (geht[i]) {
            ++n;
            std::printf("GameInit: %utes  Feld: geht...\n", (unsigned)(i + 1));
        } else {
            std::printf("GameInit: %utes  Feld: Wasser oder Stadt...\n", (unsigned)(i + 1));
        }
    }
    std::printf("GameInit: %u Felder von 6 Feldern sind f\374r das Dungeon ok...\n", (unsigned)n);
    int gewaehlt = -1;
    for (ULONG i = 0, k = 0; i < 6 && gewaehlt < 0; ++i) {
        if (!geht[i]) continue;
        ++k;
        std::printf("GameInit: %utes ZielFeld wird gepr\374ft...\n", (unsigned)(i + 1));
        if (Wuerfel(n - 1) == 0 || k == n) gewaehlt = (int)i;
    }
    BOOL ok = 1;
    if (gewaehlt >= 0) {
        MapEntry &e = *hex[gewaehlt];
        std::printf("GameInit: %utes ausgew\344hlt...\n", (unsigned)(gewaehlt + 1));
        e.Spezial |= DUNGEON;
        ok = CheckPrefsWrite(PREF_DUNGEON, 1) && CheckPrefsWrite(PREF_DUNGEON_X, e.X) &&
             CheckPrefsWrite(PREF_DUNGEON_Y, e.Y);
        std::printf("GameInit: Position X: %u Y: %u ausgew\344hlt...\n", (unsigned)e.X, (unsigned)e.Y);
    }
    ExitKarte(map);
    return ok;
}

// The starting stock: wood, stone, grain and cattle.
BOOL StartWaren()
{
    ListHeader *liste = CreateList(LISTE_WAREN);
    if (!liste) {
        std::printf("GameInit : kein Speicher f\374r ListHeader vorhanden...\n");
        return 0;
    }
    const ULONG waren[4][2] = {{98, 400}, {99, 250}, {12, 1000}, {78, 1000}};
    for (const auto &w : waren) {
        WareListEntry *e = (WareListEntry *)AllocVec(liste->TypSize, MEMF_CLEAR);
        if (!e) {
            std::printf("GameInit : Konnte Node nicht \366ffnen !\n");
            DeleteList(liste, 1);
            return 0;
        }
        e->Ware.Info = 5;
        e->Ware.Herkunft = PlayerInfo.SpielerID;
        e->Ware.WarenTyp = w[0];
        e->Ware.WarenAnzahl = w[1];
        InsertNode(liste, &e->Node, LIST_LAST, 0);
    }
    st_WARE *chunk = MakeWareChunkFromList(liste);
    DeleteList(liste, 1);
    const BOOL ok = chunk && SaveChunk2File("./Data/WarenChunk.vek", chunk);
    if (!ok) std::printf("GameInit : Konnte neuen WarenChunk nicht abspeichern : !\n");
    FreeVec(chunk);
    return ok;
}

}  // namespace

BOOL GameInit(const char *Path)
{
    BOOL ok = 1;
    const bool imap = Vorhanden(CN_IMAP, Path);
    if (Vorhanden(CN_INFO, Path)) {
        ok = ChunkMachine(Path, ChunkBit(CN_INFO), 1) && ok;
    } else {
        std::printf("GameInit : INFO-Chunk in der Initialisierung nicht vorhanden !!!\n");
        ok = 0;
    }
    if (imap) {
        ok = ChunkMachine(Path, ChunkBit(CN_IMAP), 1) && ok;
    } else {
        std::printf("GameInit : IMAP-Chunk in der Initialisierung nicht vorhanden !!!\n");
        ok = 0;
    }
    // A new game has no dungeon yet. The map steps mark the one these
    // preferences name in every tile they write, so a position left by an
    // earlier or cut-off attempt would land in the new world beside the
    // dungeon rolled below.
    if (!CheckPrefsWrite(PREF_DUNGEON, 0) || !CheckPrefsWrite(PREF_DUNGEON_X, 0) ||
        !CheckPrefsWrite(PREF_DUNGEON_Y, 0)) {
        std::printf("GameInit : Konnte das alte Dungeon nicht vergessen !\n");
        ok = 0;
    }
    // Tiles of an earlier game go only when the server sends a new world.
    const struct {
        ULONG chunk;
        const char *praefix, *loeschFehler, *fehlt;
    } karten[] = {
        {CN_PMAP, "M", "GameInit : Konnte M-Maps nicht l\366schen !!!\n",
         "GameInit : PMAP-Chunk in der Initialisierung nicht vorhanden !!!\n"},
        {CN_BMAP, "B", "GameInit : Konnte B-Maps nicht l\366schen !!!\n",
         "GameInit : BMAP-Chunk in der Initialisierung nicht vorhanden !!!\n"},
    };
    for (const auto &k : karten) {
        if (!Vorhanden(k.chunk, Path)) {
            std::printf("%s", k.fehlt);
            ok = 0;
            continue;
        }
        if (imap && !Leeren("./Map", k.praefix)) {
            std::printf("%s", k.loeschFehler);
            ok = 0;
        }
        ok = ChunkMachine(Path, ChunkBit(k.chunk), 1) && ok;
    }
    ok = Dungeon() && ok;
    DeleteFile("./Data/Gebaeude.dat");
    ok = ChunkMachine(Path, ChunkBit(CN_GEBA), 1) && ok;
    ok = StartWaren() && ok;
    if (!CheckMapCultWorld()) {
        std::printf("GameInit : CheckMapCultWorld fehlgeschlagen... !\n");
        ok = 0;
    }
    for (const char *datei : {"./Data/BauScreenGeb.dat", "./Data/HiScore.dat", "./Data/Waren.dat", "./Data/WarenChunk.dat"})
        DeleteFile(datei);
    if (!Leeren("./Data/Cities", nullptr)) {
        std::printf("GameInit : Konnte die St\344dte nicht l\366schen !\n");
        ok = 0;
    }
    if (!Leeren("./Data/MailIn", nullptr) || !Leeren("./Data/MailOut", nullptr)) {
        std::printf("GameInit : Konnte die Mails nicht l\366schen !\n");
        ok = 0;
    }
    if (!Leeren("./Data", "I")) {
        std::printf("GameInit : Konnte die Inits nicht l\366schen !\n");
        ok = 0;
    }
    PlayerInfo.AktStadtID = (ULONG)-2;
    if (char *name = CheckPrefsReadText(PREF_SPIELNAME)) {
        std::memset(PlayerInfo.Spielname, 0, sizeof PlayerInfo.Spielname);
        std::memcpy(PlayerInfo.Spielname, name, strnlen(name, sizeof PlayerInfo.Spielname - 1));
        FreeVec(name);
    }
    return ok;
}

BOOL GameExit()
{
    ULONG modus = 0;
    const bool modusDa = CheckPrefsRead(PREF_BILDSCHIRM, &modus);
    for (const char *datei :
         {"./Data/MapPrefs.vek", "./Data/Prefs.vek", "./Data/SpielerList.vek", "./Data/WarenChunk.vek",
          "./Data/BTPrefs.vek", "./Data/Statistikdaten.vek", "./Data/BauScreenGeb.dat", "./Data/Gebaeude.dat",
          "./Data/HiScore.dat", "./Data/Waren.dat", "./Data/Luxus.dat", "./Data/MapNames.dat"})
        DeleteFile(datei);
    BOOL ok = 1;
    const struct {
        const char *dir, *praefix, *fehler;
    } ordner[] = {
        {"./Map", "M", "GameExit : Konnte die Karten nicht l\366schen !\n"},
        {"./Map", "B", "GameExit : Konnte die Bekanntheitskarten nicht l\366schen !\n"},
        {"./Map", "C", "GameExit : Konnte die bebauten Felder nicht l\366schen !\n"},
        {"./Data/Cities", nullptr, "GameExit : Konnte die St\344dte nicht l\366schen !\n"},
        {"./Data/MailIn", nullptr, "GameExit : Konnte die Mails nicht l\366schen !\n"},
        {"./Data/MailOut", nullptr, "GameExit : Konnte die Mails nicht l\366schen !\n"},
        {"./Data/POP3In", nullptr, "GameExit : Konnte die Spielz\374ge nicht l\366schen !\n"},
        {"./Data/POP3Out", nullptr, "GameExit : Konnte die Spielz\374ge nicht l\366schen !\n"},
        {"./Data", "I", "GameExit : Konnte die Inits nicht l\366schen !\n"},
    };
    for (const auto &o : ordner) {
        if (Leeren(o.dir, o.praefix)) continue;
        std::printf("%s", o.fehler);
        ok = 0;
    }
    std::error_code ec;
    std::filesystem::remove("./Data/Cities", ec);
    if (ec) {
        std::printf("GameExit : Konnte das Verzeichnis der St\344dte nicht l\366schen !\n");
        ok = 0;
    }
    const LONG antwort = ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, GetString(&_VEK_RESCUE_OPTIONEN), 7);
    if (antwort != 0) DeleteFile("./Data/Optionen.prefs");
    else if (modusDa && !CheckPrefsWrite(PREF_BILDSCHIRM, modus)) ok = 0;
    return ok;
}
