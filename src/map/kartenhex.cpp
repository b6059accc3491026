// The marked hex of the map screen: its outline (cut at the window frame at 8
// bits), the small action menu on a hex without own figures, the names the
// player gives to places, and the questions the loop asks about a hex and
// its neighbours. Also the removal of a figure together with its army.
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "world/mapinfo.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/mapnames.h"
#include "ui/dialogs.h"
#include "ui/input.h"

namespace {

constexpr const char kPfad[] = "./Data/Path";
constexpr int kMaxPunkte = 16;

// Steps of the whole outline from the hex's left corner.
constexpr WORD kVoll[9][2] = {{16, -27}, {32, 0}, {16, 27}, {0, 1}, {-16, 27}, {0, 1}, {-32, 0}, {0, -1}, {-16, -27}};

// At 8 bits the view is an 11 x 9 window at (16, 16)-(495, 463); hexes on its
// edges are outlined only as far as they show.
constexpr LONG kFensterSpalten = 11, kFensterZeilen = 9;
constexpr WORD kObenLinks[6][2] = {{0, 1}, {32, 0}, {0, -1}, {13, -22}, {1, -1}, {1, -3}};
constexpr WORD kObenUngerade[14][2] = {{-1, 3}, {-1, 1}, {-10, 17}, {-3, 5},  {0, 1},   {16, 27}, {0, 1},
                                       {32, 0}, {0, -1}, {16, -27}, {0, -1}, {-13, -22}, {-1, -1}, {-1, -3}};
constexpr WORD kObenRechts[6][2] = {{1, 3}, {1, 1}, {7, 12}, {3, 5}, {1, 1}, {1, 3}};
constexpr WORD kObenGerade[10][2] = {{1, 3}, {1, 1}, {10, 17}, {3, 5}, {0, 1}, {32, 0}, {0, -1}, {13, -22}, {1, -1}, {1, -3}};
constexpr WORD kUntenLinks[3][2] = {{32, 0}, {16, 27}, {0, 1}};
constexpr WORD kLinks[7][2] = {{0, 1}, {32, 0}, {0, -1}, {16, -27}, {0, -1}, {-16, -27}, {-32, 0}};
constexpr WORD kUntenRechts[5][2] = {{-1, 3}, {-1, 1}, {-10, 17}, {-3, 5}, {0, 1}};
constexpr WORD kRechts[8][2] = {{-1, 3}, {-1, 1}, {-10, 17}, {-3, 5}, {0, 1}, {13, 22}, {1, 1}, {1, 3}};
constexpr WORD kUntenGerade[5][2] = {{0, -1}, {16, -27}, {32, 0}, {16, 27}, {0, 1}};
// An odd column's last-row hex shows no more than its top edge.
constexpr WORD kUntenUngerade[1][2] = {{32, 0}};

template <size_t N>
void Umriss(LONG x, LONG y, const WORD (&schritte)[N][2])
{
    const WORD start[2] = {(WORD)x, (WORD)y};
    SetPolyDraw((int)N, start, &schritte[0][0]);
}

bool CursorImBlick(const LokaleDatenKartenScreen *st, const VekMapInfo *v)
{
    return st->X_Pos >= 0 && st->Y_Pos >= 0 && st->X_Pos < v->XTiles && st->Y_Pos < v->YTiles;
}

// The great-map entry under the cursor, or null.
MapEntry *CursorHex(const LokaleDatenKartenScreen *st)
{
    const VekMapInfo *v = st->VekMapInfoPtr;
    if (!v || !CursorImBlick(st, v)) return nullptr;
    return FensterHex(v, v->IndeX + st->X_Pos, v->IndeY + st->Y_Pos);
}

HexPos CursorWelt(const LokaleDatenKartenScreen *st)
{
    const VekMapInfo *v = st->VekMapInfoPtr;
    return HexPos{CheckWrap(v->X_Hex + st->X_Pos, WELT_BREITE), CheckWrap(v->Y_Hex + st->Y_Pos, WELT_HOEHE)};
}

// Terrain class of a graphic without the complaint about graphics past the table.
UWORD Klasse(UWORD art) { return art && art <= MAX_HEX_GRAFIK ? GetTypeOfHex(art) : (UWORD)GK_NICHTS; }

// A figure of that owner on world hex p. The owner is asked for directly:
// the motion thread reads the player's ID meanwhile.
bool FigurVon(const VekMapInfo *v, HexPos p, LONG besitzer)
{
    const UBYTE *block = v->LocalPeopleMemPtr;
    if (!block) return false;
    const ULONG anzahl = FigurenImBlock(block, v->PeopleMemSize);
    for (ULONG i = 0; i < anzahl; ++i) {
        const st_MOVE_EXT *f = FigurImBlock((UBYTE *)block, i);
        if (f->SpielerID == (ULONG)besitzer && f->X_Pos == (ULONG)p.x && f->Y_Pos == (ULONG)p.y) return true;
    }
    return false;
}

// ---- the action menu ----

constexpr ULONG kMenueBild = 448;
constexpr LONG kMenueBreite = 80, kZeilenHoehe = 12;
constexpr size_t kEintragGroesse = 20;
constexpr UWORD kModus = PT_CENTER | PT_BASELINE | PT_VCENTER | PT_SHADOW;  // 293
constexpr UWORD kModusHell = kModus | PT_FILL;                            // 301
constexpr UWORD kHell = 96, kNormal = 98;

struct Menue {
    RastPort *rp = nullptr;
    LONG x = 0, y = 0;
    int n = 0;
    const char *text = nullptr;

    void Zeile(int i, UWORD hintergrund, UWORD modus) const
    {
        const LONG oben = y + kZeilenHoehe * i;
        PrintText(rp, (UWORD)(x + 2), (UWORD)(oben + 2), (UWORD)(x + 77), (UWORD)(oben + 9),
                  text + (size_t)i * kEintragGroesse, hintergrund, 7, modus);
    }
    int Unter(LONG mx, LONG my) const
    {
        if (mx < x || mx >= x + kMenueBreite || my < y || my >= y + kZeilenHoehe * n) return -1;
        return (int)((my - y) / kZeilenHoehe);
    }
};

// What the menu changed on the display port, put back when it closes.
struct PortZustand {
    RastPort *rp;
    UWORD fg, bg;
    UBYTE modus;
    TextFont *font;
    explicit PortZustand(RastPort *p) : rp(p), fg(p->FgPen), bg(p->BgPen), modus(p->DrawMode), font(p->Font) {}
    ~PortZustand()
    {
        SetAPen(rp, fg);
        SetBPen(rp, bg);
        SetDrMd(rp, modus);
        SetFont(rp, font);
    }
};

}  // namespace

int SetPolyDraw(int count, const WORD *points, const WORD *steps)
{
    RastPort *rp = DisplayRastPort();
    if (!rp || !points || !steps || count <= 0 || count > kMaxPunkte) return 0;
    WORD punkte[2 * kMaxPunkte];
    LONG x = points[0], y = points[1];
    Move(rp, x, y);
    for (int i = 0; i < count; ++i) {
        x += steps[2 * i], y += steps[2 * i + 1];
        punkte[2 * i] = (WORD)x, punkte[2 * i + 1] = (WORD)y;
    }
    PolyDraw(rp, count, punkte);
    return 1;
}

int SetColorHex(LONG x, LONG y)
{
    const LokaleDatenKartenScreen *st = LDKS;
    const VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v || !CursorImBlick(st, v)) return 1;
    const LONG links = x / 2 * 96;
    if (VekDisplay.VekScreen_Tiefe > 8) {
        if (x <= 0 || x >= v->XTiles || y <= 0 || y >= (LONG)v->YTiles - 5) return 1;
        if (x & 1)
            Umriss(links + 32, y * 56 + 26, kVoll);
        else
            Umriss(links - 16, y * 56 - 2, kVoll);
        return 1;
    }
    if (x < 0 || y < 0 || x >= kFensterSpalten || y >= kFensterZeilen) return 1;
    const LONG rechts = kFensterSpalten - 1, unten = kFensterZeilen - 1;
    if (y == 0) {
        if (x == 0) Umriss(16, 42, kObenLinks);
        else if (x == rechts) Umriss(481, 16, kObenRechts);
        else if (x & 1) Umriss(links + 63, 16, kObenUngerade);
        else Umriss(x * 48 + 1, 16, kObenGerade);
    } else if (y == unten) {
        if (x == 0) Umriss(16, 435, kUntenLinks);
        else if (x == rechts) Umriss(495, 436, kUntenRechts);
        else if (x & 1) Umriss(links + 64, 463, kUntenUngerade);
        else Umriss(links, 463, kUntenGerade);
    } else if (x == 0) {
        Umriss(16, y * 56 + 42, kLinks);
    } else if (x == rechts) {
        Umriss(495, y * 56 - 12, kRechts);
    } else if (x & 1) {
        Umriss(links + 48, y * 56 + 42, kVoll);
    } else {
        Umriss(links, y * 56 + 14, kVoll);
    }
    return 1;
}

int AktionsMenu(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    RastPort *rp = DisplayRastPort();
    if (!v || !rp) return -1;
    const LONG cx = st->X_Pos, cy = st->Y_Pos;
    if (cx < 0 || cy < 0 || cx >= (LONG)v->XTiles - 1 || cy >= (LONG)v->YTiles - 1) return -1;
    const MapEntry *hex = FensterHex(v, v->IndeX + cx, v->IndeY + cy);
    const HexPos welt = CursorWelt(st);

    char *texte = (char *)AllocVec(3 * kEintragGroesse, MEMF_CLEAR);
    if (!texte) {
        std::printf("FigurMenu : Konnte Speicher f\374r FigurMenu nicht erstellen !\n");
        return -1;
    }
    int ergebnis[3];
    Menue m;
    auto Eintrag = [&](const LocStr &s, int e) {
        std::snprintf(texte + (size_t)m.n * kEintragGroesse, kEintragGroesse, "%s", GetString(&s));
        ergebnis[m.n++] = e;
    };
    Eintrag(_VEK_AKTION_NAMEZUWEISEN, 0);
    if (hex && hex->BesitzerID == PlayerInfo.SpielerID) Eintrag(_VEK_AKTION_BEWIRTSCHAFTUNG, 1);
    if (welt.x == 28 && welt.y == 14) Eintrag(_VEK_KASREQ2_STAT_INFO, 2);

    const bool hoch = VekDisplay.VekScreen_Tiefe > 8;
    m.rp = rp;
    m.text = texte;
    m.x = cx * 48 + (hoch ? 16 : 32);
    m.y = cy * 56 + (hoch ? 0 : 16) + ((cx & 1) ? 28 : 0);
    const LONG hoehe = kZeilenHoehe * m.n;
    BitMap *hintergrund = ScreenSaveClip(m.x, m.y, kMenueBreite, hoehe);
    if (!hintergrund) {
        std::printf("FigurMenu : Konnte ein Rechteck des Hintergrundes nicht retten !\n");
        FreeVec(texte);
        return -1;
    }
    const bool bild = OpenKavorGfx(kPfad, kMenueBild) == 1;
    int gewaehlt = -1;
    {
        PortZustand alt(rp);
        if (st->VekFont3Ptr) SetFont(rp, st->VekFont3Ptr);
        for (int i = 0; i < m.n; ++i) {
            if (bild) BlitObjektMask(rp, kMenueBild, 0, m.x, m.y + kZeilenHoehe * i, 0, 0);
            m.Zeile(i, 0, kModus);
        }
        int hell = -1;
        for (;;) {
            const ULONG code = GetKey(0);
            if (code == KEY_ESCAPE) break;
            if (code == EVENT_MOVE || code == EVENT_LEFTDOWN || code == EVENT_LEFTUP) {
                const int unter = m.Unter(GetMouseX(), GetMouseY());
                if (unter != hell) {
                    if (hell >= 0) m.Zeile(hell, kNormal, kModusHell);
                    if (unter >= 0) m.Zeile(unter, kHell, kModusHell);
                    hell = unter;
                }
            }
            if (code == EVENT_LEFTUP) {
                gewaehlt = hell;
                break;
            }
        }
    }
    ScreenRestoreClip(hintergrund, m.x, m.y, kMenueBreite, hoehe);
    if (bild) CloseKavorGfx(kMenueBild);
    FreeVec(texte);
    return gewaehlt >= 0 ? ergebnis[gewaehlt] : -1;
}

int EnterMapNames(LokaleDatenKartenScreen *st)
{
    ListHeader *namen = st ? st->OtherMapNamesList : nullptr;
    if (!namen) return 1;
    const MapEntry *hex = CursorHex(st);
    if (!hex) return 1;
    if (Klasse(hex->Art) == GK_STADT && hex->BesitzerID == PlayerInfo.SpielerID) return 1;
    const HexPos welt = CursorWelt(st);

    char puffer[EINGABE_MAX + 1] = {};
    const UWORD bx = (UWORD)((VekDisplay.VekScreen_Breite - 304) / 2);
    const UWORD by = (UWORD)((VekDisplay.VekScreen_Hoehe - 119) / 2);
    const char *antwort = EingabeBox(puffer, bx, by, GetString(&_VEK_KARTE_NAMESTEXT),
                                     GetString(&_VEK_KARTE_NAMESTEXT_INFO), 0);

    ListNode *n = namen->FirstNode, *eintrag = nullptr;
    for (ULONG i = 0; n && i < namen->Elemente && !eintrag; ++i, n = n->Next) {
        st_TOWN_EXT ort;
        std::memcpy(&ort, NodeData(n), sizeof ort);
        if (ort.XPos == (UWORD)welt.x && ort.YPos == (UWORD)welt.y) eintrag = n;
    }
    if (!antwort || !*antwort) {
        if (eintrag) {
            namen->ActNode = eintrag;
            DeleteNode(namen, LIST_ACT, 0, LIST_FREE_OWNED);
        }
        return 1;
    }
    if (!eintrag) {
        eintrag = (ListNode *)AllocVec(namen->TypSize, MEMF_CLEAR);
        if (!eintrag) {
            std::printf("EnterMapNames: Konnte Speicher nicht allokieren...\n");
            return 0;
        }
        auto *ort = (st_TOWN_EXT *)NodeData(eintrag);
        ort->XPos = (UWORD)welt.x, ort->YPos = (UWORD)welt.y;
        InsertNode(namen, eintrag, LIST_LAST, 0);
    }
    auto *ort = (st_TOWN_EXT *)NodeData(eintrag);
    std::snprintf(ort->Name, sizeof ort->Name, "%s", antwort);
    return 1;
}

ULONG CheckLand(LokaleDatenKartenScreen *st, LONG x, LONG y, LONG search, LONG own)
{
    const VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v || !CursorImBlick(st, v)) return 0;
    const MapEntry *hex = FensterHex(v, x, y);
    if (!hex) return 0;
    UWORD art = hex->Art;
    if (art == 11 || art == 23 || art == 28 || art == 29 || art >= 1616) art = 0;
    ULONG ergebnis = art;
    if (search == 99)
        ergebnis = IsRuine(art);
    else if (search != 0 && Klasse(art) != search)
        return 0;
    if (own && hex->BesitzerID != PlayerInfo.SpielerID) return 0;
    return ergebnis;
}

int CheckHexAndPlaySfx(LokaleDatenKartenScreen *st, UWORD klasse, LONG player)
{
    const VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v || !CursorImBlick(st, v)) return 0;
    const HexPos fenster{v->IndeX + st->X_Pos, v->IndeY + st->Y_Pos};
    const HexPos welt = CursorWelt(st);
    for (int r = HEX_N; r < HEX_RICHTUNGEN; ++r) {
        const HexPos f = HexNachbar(fenster, r);
        const MapEntry *hex = FensterHex(v, f.x, f.y);
        if (!hex || (klasse != 0 && Klasse(hex->Art) != klasse)) continue;
        if (player == -1 || FigurVon(v, WeltNachbar(welt, r), player)) return 1;
    }
    return 0;
}

int RemoveFigurAndArmy(LokaleDatenKartenScreen *st, st_MOVE_EXT *figur, const char *prefs)
{
    if (!figur) return 1;
    int ergebnis = 1;
    if (figur->FigurArt >= 1 && figur->FigurArt <= 9) {
        ListHeader *armeen = st ? st->ArmeeListe : nullptr;
        ListNode *n = armeen ? armeen->FirstNode : nullptr;
        ArmeeList *gefunden = nullptr;
        for (ULONG i = 0; n && i < armeen->Elemente && !gefunden; ++i, n = n->Next) {
            auto *a = (ArmeeList *)n;
            if (a->Army.ArmeeID == figur->FigurNummer && a->Army.PosX == figur->X_Pos && a->Army.PosY == figur->Y_Pos)
                gefunden = a;
        }
        if (gefunden) {
            std::printf("RemoveFigurAndArmy: Armee mit ArmeeID %u mit X %u & Y %u wird gel\366scht\n",
                        (unsigned)gefunden->Army.ArmeeID, (unsigned)gefunden->Army.PosX,
                        (unsigned)gefunden->Army.PosY);
            ListHeader *teile = gefunden->ArmyListEntryHeader;
            if (teile && teile->Typ == LISTE_ARMEETEILE) {
                ListNode *t = teile->FirstNode;
                for (ULONG i = 0; t && i < teile->Elemente; ++i, t = t->Next) {
                    ListHeader *saboteure = ((ArmeeListEntry *)t)->SaboteurListHeader;
                    if (saboteure) DeleteList(saboteure, 0);
                }
            }
            DeleteList(teile, 0);
            armeen->ActNode = (ListNode *)gefunden;
            DeleteNode(armeen, LIST_ACT, 0, 0);
        } else {
            std::printf("RemoveFigurAndArmy: Fataler Fehler ! Konnte die Armeedaten nicht entfernen !!!\n");
            ergebnis = 0;
        }
    }
    if (!RemoveFigurFromMapPrefs(prefs ? prefs : MAPPREFS_FILE, figur->FigurArt, figur->X_Pos, figur->Y_Pos,
                                 figur->FigurNummer)) {
        std::printf("RemoveFigurAndArmy: Konnte die Armeefigur nicht entfernen !!!\n");
        ergebnis = 0;
    }
    return ergebnis;
}
