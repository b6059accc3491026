// The two text overlays of the map screen: the workers put on each own hex
// and the names of the player's towns and named places. Both print after the
// view was copied to the screen and keep clear of the screen's panels.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "world/cultivation.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "world/towns.h"
#include "platform/memfile.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/lists.h"

int IsGfxBoxValid(LONG x0, LONG y0, LONG x1, LONG y1)
{
    const LONG breite = VekDisplay.VekScreen_Breite, hoehe = VekDisplay.VekScreen_Hoehe;
    if (breite == 640) return x0 > 16 && y0 > 16 && x1 <= 497 && y1 < 464;
    if (breite < 600) return 0;
    LONG W = 1023, H = 767;
    if (breite > 800) W = breite - 1, H = hoehe - 1;
    if (x0 <= 16 || y0 <= 16 || x1 >= W - 15 || y1 >= H - 15) return 0;
    // The panels: chronicle and figure list bottom left, info box and
    // minimap bottom right.
    if (y0 > H - 385 && x1 < 60) return 0;
    if (y0 > H - 181 && x1 < 180) return 0;
    if (x0 > W - 801 && y0 > H - 149) return 0;
    if (x0 > W - 369 && y0 > H - 247) return 0;
    return 1;
}

namespace {

// Both overlays walk the view in two passes: the odd columns in every row,
// then the even columns from the second row. Names leave out the last column
// pair and row of the second pass.
template <class Hex>
void Durchlaufe(const VekMapInfo *view, bool namen, Hex &&hex)
{
    const LONG paare = view->XTiles / 2, zeilen = view->YTiles;
    const bool hoch = VekDisplay.VekScreen_Tiefe > 8;
    const LONG dx = hoch ? 16 : 0, dy = hoch ? 28 : 12;
    auto Eins = [&](LONG c, LONG r) {
        const MapEntry *e = FensterHex(view, view->IndeX + c, view->IndeY + r);
        if (e) hex(*e, c * HEX_SCHRITT - dx, r * HEX_HOEHE + ((c & 1) ? HEX_HOEHE / 2 : 0) - dy);
    };
    for (LONG r = 0; r < zeilen; ++r)
        for (LONG k = 0; k < paare; ++k) Eins(2 * k + 1, r);
    const LONG paare2 = namen ? paare - 1 : paare, bis = namen ? zeilen - 1 : zeilen;
    for (LONG r = 1; r <= bis; ++r)
        for (LONG k = 0; k < paare2; ++k) Eins(2 * k + 2, r);
}

bool Eigen(const MapEntry &e) { return e.BesitzerID == PlayerInfo.SpielerID; }

const MapCultivation *SucheFeld(ListHeader *liste, ULONG x, ULONG y)
{
    ListNode *n = liste->FirstNode;
    for (ULONG i = 0; n && i < liste->Elemente; ++i, n = n->Next) {
        const auto *f = (const MapCultivation *)NodeData(n);
        if (f->X == x && f->Y == y) return f;
    }
    return nullptr;
}

// Prints a name centred on (cx, cy) when its whole box is on the free map.
void DruckeName(RastPort *rp, LONG cx, LONG cy, const char *name)
{
    const LONG l = TextLength(rp, name, (ULONG)std::strlen(name));
    const LONG h = rp->Font ? rp->Font->tf_YSize : rp->TxHeight;
    const LONG x0 = cx - 4 - l / 2, y0 = cy - h / 2, x1 = cx + l / 2, y1 = cy + h / 2;
    if (x0 < 0 || y0 < 0 || !IsGfxBoxValid(x0, y0, x1, y1)) return;
    PrintText(rp, (UWORD)x0, (UWORD)y0, (UWORD)x1, (UWORD)y1, name, 0, 105, 37);
}

struct OrtName {
    ULONG X, Y;
    char Name[80];
};

// What tells a file apart from the one read before: files are replaced
// whole by a rename, so a new file has a new inode and change time.
struct Stempel {
    dev_t Geraet = 0;
    ino_t Inode = 0;
    off_t Groesse = 0;
    long MSek = 0, MNsek = 0, CSek = 0, CNsek = 0;
    bool operator==(const Stempel &) const = default;
};

bool StempelVon(const char *pfad, Stempel *s)
{
    struct stat b{};
    if (stat(pfad, &b) != 0) return false;
    *s = Stempel{b.st_dev, b.st_ino, b.st_size, (long)b.st_mtim.tv_sec, b.st_mtim.tv_nsec,
                 (long)b.st_ctim.tv_sec, b.st_ctim.tv_nsec};
    return true;
}

// The towns' places and names as the overlay last read them: the list and
// each town file are read again only when the file on disk is another one.
// The overlay is drawn on every scroll step; reading every town file then
// costs more than the drawing.
struct StadtSpeicher {
    bool ListeDa = false;
    Stempel Liste;
    std::vector<std::string> Namen;
    struct Eintrag {
        bool Gelesen = false, Da = false;
        Stempel Datei;
        OrtName Ort{};
    };
    std::vector<Eintrag> Staedte;
};

StadtSpeicher gStaedte;

bool LadeOrt(const char *name, OrtName *o)
{
    Stadt *t = LadeStadt(name);
    if (!t) return false;
    *o = OrtName{t->XPos, t->YPos, {}};
    std::memcpy(o->Name, t->Stadtname, sizeof o->Name);
    o->Name[sizeof o->Name - 1] = 0;
    FreeVec(t);
    return true;
}

// The towns of Town.list with their places, each town file read at most
// once per call; 0 when the list is missing.
int StadtOrte(std::vector<OrtName> &staedte)
{
    StadtSpeicher &sp = gStaedte;
    Stempel liste;
    const bool gestempelt = StempelVon(TOWNLIST_FILE, &liste);
    if (!gestempelt || !sp.ListeDa || !(liste == sp.Liste)) {
        sp.ListeDa = false;
        sp.Namen.clear();
        sp.Staedte.clear();
        ULONG anzahl = 0;
        TownList *l = LadeTownList(&anzahl, nullptr);
        if (!l) return 0;
        for (ULONG i = 0; i < anzahl; ++i) sp.Namen.emplace_back(l[i].TownName);
        FreeVec(l);
        sp.Staedte.resize(sp.Namen.size());
        sp.Liste = liste;
        sp.ListeDa = gestempelt;
    }
    for (size_t i = 0; i < sp.Namen.size(); ++i) {
        const std::string &name = sp.Namen[i];
        StadtSpeicher::Eintrag &e = sp.Staedte[i];
        // Names that name no file go to the loader every time, which says so.
        Stempel s;
        const bool dateiname = !name.empty() && name[0] != '.' && name.find_first_of("/\\") == std::string::npos;
        const std::string pfad = std::string(CITIES_DIR) + "/" + name + ".vek";
        if (!dateiname || !StempelVon(pfad.c_str(), &s)) {
            e.Gelesen = false;
            OrtName o;
            if (LadeOrt(name.c_str(), &o)) staedte.push_back(o);
            continue;
        }
        if (!e.Gelesen || !(s == e.Datei)) {
            e.Da = LadeOrt(name.c_str(), &e.Ort);
            e.Datei = s;
            e.Gelesen = true;
        }
        if (e.Da) staedte.push_back(e.Ort);
    }
    if (!sp.ListeDa) sp.Namen.clear(), sp.Staedte.clear();
    return 1;
}

}  // namespace

int ZeigeRohstoffe(LokaleDatenKartenScreen *st, int buffer)
{
    RastPort *rp = KavorGetDBRastPort(buffer);
    VekMapInfo *view = st ? st->VekMapInfoPtr : nullptr;
    if (!rp || !view) return 0;
    if (!st->Rohstoffe) {
        SetPos(view, 0, 0);
        return 0;
    }
    ListHeader *liste = CreateList(LISTE_MAPCULT);
    if (!liste) {
        std::printf("ArbeiterReq: Konnte keine leere ArmyListe anlegen...\n");
        return 0;
    }
    TextFont *alt = rp->Font;
    SetFont(rp, view->MapFontPtr);
    LONG blockX = -1, blockY = -1;
    Durchlaufe(view, false, [&](const MapEntry &e, LONG x, LONG y) {
        if (!Eigen(e)) return;
        const MapCultivation *f = SucheFeld(liste, e.X, e.Y);
        const LONG bx = (LONG)(e.X / CULT_BLOCK_BREITE), by = (LONG)(e.Y / CULT_BLOCK_HOEHE);
        if (!f && (bx != blockX || by != blockY)) {
            blockX = bx, blockY = by;
            if (ScanMapCult2List(liste, (ULONG)bx, (ULONG)by)) f = SucheFeld(liste, e.X, e.Y);
        }
        const ULONG n = f ? (ULONG)f->WorkersForHarvest + f->WorkersForWood + f->WorkersForStone : 0;
        if (!n || x + 11 < 0 || y + 45 < 0 || !IsGfxBoxValid(x + 11, y + 45, x + 51, y + 54)) return;
        char text[16];
        std::snprintf(text, sizeof text, "%u", (unsigned)n);
        PrintText(rp, (UWORD)(x + 11), (UWORD)(y + 45), (UWORD)(x + 51), (UWORD)(y + 54), text, 0, 7, 549);
    });
    if (alt) SetFont(rp, alt);
    DeleteList(liste, LIST_FREE_OWNED);
    return 0;
}

int ZeigeSymbolkarte(LokaleDatenKartenScreen *st, int buffer)
{
    RastPort *rp = KavorGetDBRastPort(buffer);
    VekMapInfo *view = st ? st->VekMapInfoPtr : nullptr;
    if (!rp || !view) return 0;
    if (!st->Stadtnamen) {
        SetPos(view, 0, 0);
        return 0;
    }
    // Each town file at most once per call: the towns' places and names first.
    std::vector<OrtName> staedte;
    if (!StadtOrte(staedte)) return 0;
    if (st->VekFontPtr) SetFont(rp, st->VekFontPtr);
    ListHeader *namen = st->OtherMapNamesList;
    Durchlaufe(view, true, [&](const MapEntry &e, LONG x, LONG y) {
        const LONG cx = x + 34, cy = y + 27;
        if (Eigen(e) && e.Art && e.Art <= MAX_HEX_GRAFIK && GetTypeOfHex(e.Art) == GK_STADT)
            for (const OrtName &o : staedte)
                if (o.X == e.X && o.Y == e.Y) DruckeName(rp, cx, cy, o.Name);
        if (!namen) return;
        ListNode *n = namen->FirstNode;
        for (ULONG i = 0; n && i < namen->Elemente; ++i, n = n->Next) {
            st_TOWN_EXT ort;
            std::memcpy(&ort, NodeData(n), sizeof ort);
            if (ort.XPos != e.X || ort.YPos != e.Y) continue;
            ort.Name[sizeof ort.Name - 1] = 0;
            DruckeName(rp, cx, cy, ort.Name);
        }
    });
    return 0;
}
