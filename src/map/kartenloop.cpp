// One visit of the map screen: the player scrolls, marks hexes, selects an
// own figure or town, gives orders with the right button, walks a figure
// with the digit keys; around the input the view scrolls at the edges, the
// land sounds, and the hidden area plays its own music.
#include "map/kartenloop.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <cstring>

#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "map/figures_map.h"
#include "world/hex.h"
#include "world/mapinfo.h"
#include "map/mapview.h"
#include "map/motion.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/chunks.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"

namespace {

constexpr UBYTE KOMMANDO_AN_BORD_ = 7;
constexpr UWORD kStiftMarke = 105, kStiftFigur = 46, kStiftStadt = 7, kStiftWeg = 6;


void Umrande(LONG x, LONG y, UWORD stift)
{
    SetAPen(DisplayRastPort(), stift);
    SetColorHex(x, y);
}

bool ImBlick(const VekMapInfo *v, LONG x, LONG y) { return x >= 0 && y >= 0 && x < v->XTiles && y < v->YTiles; }

// Land for a ship's search: a hex graphic that is neither nothing, water nor
// beyond the table.
bool IstLand(UWORD art) { return art != 0 && art != 23 && art != 28 && art != 29 && art < 1616; }

// Known water: the only ground a figure drowns on.
bool IstWasser(const MapEntry *e)
{
    return e && e->Art != 0 && e->Art <= MAX_HEX_GRAFIK && GetTypeOfHex(e->Art) == GK_WASSER;
}

bool IstSchiff(UWORD art) { return art >= 14 && art <= 19; }

// The step of one hex in direction r (0 SE, 1 S, 2 SW, 3 NW, 4 N, 5 NE)
// from a column of parity ungerade.
void Richtung(int r, bool ungerade, LONG *dx, LONG *dy)
{
    static const LONG gerade[6][2] = {{1, 0}, {0, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    static const LONG odd[6][2] = {{1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, -1}, {1, 0}};
    *dx = ungerade ? odd[r][0] : gerade[r][0];
    *dy = ungerade ? odd[r][1] : gerade[r][1];
}

// Land within a ring of 1 ... a hexes round window hex (x, y); cells outside
// the window are not looked at.
bool LandInRingen(const VekMapInfo *v, LONG x, LONG y, int a)
{
    for (int d = 1; d <= a; ++d) {
        LONG cx = x, cy = y - d;
        for (int r = 0; r < 6; ++r)
            for (int s = 0; s < d; ++s) {
                const MapEntry *e = FensterHex(v, cx, cy);
                if (e && IstLand(e->Art)) return true;
                LONG dx, dy;
                Richtung(r, (CheckWrap(v->X_Hex - v->IndeX + cx, WELT_BREITE) & 1) != 0, &dx, &dy);
                cx += dx, cy += dy;
            }
    }
    return false;
}

// The copies of the figure file and the outgoing pool that a loss changes.
struct Verlust {
    char prefs[512];
    char pool[512];
};

// Before a figure is removed: the view's figures into the map prefs and the
// lists into the outgoing pool, then copies of both for the change. -1 when
// no copy could be made (nothing may be removed then), else 1, or 0 when the
// saving failed.
int Sichern(LokaleDatenKartenScreen *st, Verlust *w)
{
    int ok = 1;
    if (!ExitPosWriteMapPrefs(st->VekMapInfoPtr)) {
        std::printf("CheckPersonEvent : Konnte MapPrefs nicht abspeichern...\n");
        ok = 0;
    }
    if (!WriteKartenScreenData(st, 0)) ok = 0;
    if (!StageFileBeside(MAPPREFS_FILE, w->prefs, sizeof w->prefs) ||
        !StageFileBeside(POOL_OUT, w->pool, sizeof w->pool)) {
        std::printf("CheckPersonEvent : Konnte die Dateien f\374r den Verlust nicht vorbereiten...\n");
        DropStagedFile(MAPPREFS_FILE);
        DropStagedFile(POOL_OUT);
        return -1;
    }
    return ok;
}

// The lists as they now are into the pool's copy, then both copies in place
// as one change: a kill leaves the figure and its record both or neither.
// When the change cannot be made the figure is not lost: the lists are read
// again as the unchanged files hold them, and 0 is returned.
int Festschreiben(LokaleDatenKartenScreen *st, Verlust *w)
{
    const char *const ziele[2] = {MAPPREFS_FILE, POOL_OUT};
    if (!WriteFigurListen(st, w->pool) || !CommitFilesTogether(KARTE_VERLUST_NOTIZ, ziele, 2)) {
        std::printf("CheckPersonEvent : Konnte den Verlust nicht abspeichern !!!\n");
        DropStagedFile(MAPPREFS_FILE);
        DropStagedFile(POOL_OUT);
        ReadKartenScreenData(st);
        return 0;
    }
    return 1;
}

// After the event: the view's figures from the file again, no selection.
void Nachher(LokaleDatenKartenScreen *st)
{
    if (!InitPosLoadPeopleMem(st->VekMapInfoPtr))
        std::printf("CheckPersonEvent : Konnte Speicher f\374r Move-Chunk nicht reservieren...");
    st->AktPerson = nullptr;
    st->BlueHex = 0;
    SetPos(st->VekMapInfoPtr, 0, 0);
}

int SchiffVerloren(LokaleDatenKartenScreen *st, ULONG x, ULONG y)
{
    // The motion thread stays off the view for the whole event; the routines
    // below take the same lock again through MotionSperre, which nests.
    MotionSperre sperre(st->VekMapInfoPtr);
    Verlust w;
    int ok = Sichern(st, &w);
    if (ok < 0) {
        Nachher(st);
        return 0;
    }
    ListHeader *l = st->ShipListPtr;
    ListNode *n = l->FirstNode;
    for (ULONG i = 0, anzahl = l->Elemente; n && i < anzahl; ++i) {
        ListNode *weiter = n->Next;
        auto *s = (ShipListEntry *)n;
        if (s->Schiff.X_Pos == x && s->Schiff.Y_Pos == y) {
            st_MOVE_EXT *ladung[3] = {&s->Schiff.Figur1, &s->Schiff.Figur2, &s->Schiff.Figur3};
            for (int k = 0; k < 3; ++k) {
                if (ladung[k]->Kommando != KOMMANDO_AN_BORD_) continue;
                st_MOVE_EXT f = *ladung[k];
                if (!RemoveFigurAndArmy(st, &f, w.prefs))
                    std::printf("CheckPersonEvent : Konnte Schiffs-Ladung %d nicht entfernen !!!\n", k + 1);
            }
            l->ActNode = n;
            DeleteNode(l, LIST_ACT, 0, LIST_FREE_OWNED);
        }
        n = l->Elemente ? weiter : nullptr;
    }
    if (!RemoveFigurFromMapPrefs(w.prefs, 31, x, y, -1)) {
        std::printf("CheckPersonEvent : Konnte Figuren nicht entfernen !!!\n");
        ok = 0;
    }
    if (!Festschreiben(st, &w)) {
        Nachher(st);
        return 0;
    }
    TextBox(GetString(&_VEK_KARTE_SCHIFFE_UNTERGANG));
    Nachher(st);
    return ok;
}

int Ertrunken(LokaleDatenKartenScreen *st, const st_MOVE_EXT *f)
{
    MotionSperre sperre(st->VekMapInfoPtr);  // for the whole event, as above
    std::printf("CheckPersonEvent: Figur im Wasser gefunden. Figur und eventuelle Figur wird entfernt...\n");
    st_MOVE_EXT kopie = *f;  // the view's figures are written and read again below
    Verlust w;
    int ok = Sichern(st, &w);
    if (ok < 0) {
        Nachher(st);
        return 0;
    }
    if (!RemoveFigurAndArmy(st, &kopie, w.prefs)) {
        std::printf("CheckPersonEvent : Konnte Figur und ev. Armee nicht entfernen !!!\n");
        ok = 0;
    }
    if (!Festschreiben(st, &w)) {
        Nachher(st);
        return 0;
    }
    const UWORD bx = (UWORD)((VekDisplay.VekScreen_Breite - 640) / 2 + 168);
    const UWORD by = (UWORD)((VekDisplay.VekScreen_Hoehe - 480) / 2 + 180);
    ChiefMessage(66, bx, by, 0, 0, 0, CHIEF_OK, GetString(&_VEK_FIGUREN_UNTERGANG), 7);
    Nachher(st);
    return ok;
}

}  // namespace

int ZiffernSchritt(ULONG taste, ULONG spalte, LONG *dx, LONG *dy)
{
    const bool ungerade = spalte & 1;
    switch (taste) {
    case '8': *dx = 0, *dy = -1; return 1;
    case '2': *dx = 0, *dy = 1; return 1;
    case '7': *dx = -1, *dy = ungerade ? 0 : -1; return 1;
    case '9': *dx = 1, *dy = ungerade ? 0 : -1; return 1;
    case '1': *dx = -1, *dy = ungerade ? 1 : 0; return 1;
    case '3': *dx = 1, *dy = ungerade ? 1 : 0; return 1;
    default: return 0;
    }
}

bool ImVerstecktenGebiet(LONG x, LONG y) { return x >= 103 && x <= 175 && y >= 6298 && y <= 6346; }

void VersteckteMusik(LokaleDatenKartenScreen *st, LONG x, LONG y, bool *an)
{
    if ((UserSystem.SoundStatus & 0x29) != 0x29) return;
    if (ImVerstecktenGebiet(x, y)) {
        if (*an) return;
        const char *alt = UserSystem.SoundModuleName ? UserSystem.SoundModuleName : "";
        std::snprintf(st->OldModuleName, sizeof st->OldModuleName, "%s", alt);
        UserSystem.SoundModuleName = "./Mods/Secret.xm";
        UserSystem.SoundModuleChange = 1;
        *an = true;
    } else if (*an) {
        UserSystem.SoundModuleName = st->OldModuleName;
        UserSystem.SoundModuleChange = 1;
        *an = false;
    }
}

int SetHex(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v) return 1;
    const LONG x = st->X_Pos, y = st->Y_Pos;
    if (st->OldX_Pos != -1 && st->OldY_Pos != -1) {
        if (x == st->OldX_Pos && y == st->OldY_Pos) {
            if (!st->BlueHex) {
                const LONG ax = CheckWrap(v->X_Hex + x, WELT_BREITE), ay = CheckWrap(v->Y_Hex + y, WELT_HOEHE);
                st_MOVE_EXT *f = GetActivePeople(v, ax, ay, 0);
                if (f && f->SpielerID == PlayerInfo.SpielerID && ImBlick(v, x, y)) {
                    st->AktPerson = f;
                    CheckFigurAndPlaySfx(st, 1);
                    Umrande(x, y, kStiftFigur);
                    st->BlueHex = 1;
                    CheckPersonEvent(st);
                    return 1;
                }
            }
            if (!st->YellowHex && CheckLand(st, v->IndeX + x, v->IndeY + y, GK_STADT, 1)) {
                Umrande(x, y, kStiftStadt);
                st->YellowHex = 1;
                return 1;
            }
        } else {
            st->YellowHex = st->BlueHex = 0;
            st->AktPerson = nullptr;
            if (GetBMapBit(v, st->OldX_Pos, st->OldY_Pos)) Umrande(st->OldX_Pos, st->OldY_Pos, kStiftWeg);
        }
    }
    if (GetBMapBit(v, x, y)) {
        st->YellowHex = st->BlueHex = 0;
        st->AktPerson = nullptr;
        Umrande(x, y, kStiftMarke);
        st->OldX_Pos = (WORD)x, st->OldY_Pos = (WORD)y;
    }
    return 1;
}

int CheckPersonEvent(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    st_MOVE_EXT *f = st ? st->AktPerson : nullptr;
    if (!v || !f) return 1;
    const ULONG ax = (ULONG)CheckWrap(v->X_Hex + st->X_Pos, WELT_BREITE), ay = (ULONG)CheckWrap(v->Y_Hex + st->Y_Pos, WELT_HOEHE);
    if (f->X_Pos != ax || f->Y_Pos != ay) return 1;
    const LONG wx = v->IndeX + st->X_Pos, wy = v->IndeY + st->Y_Pos;
    const MapEntry *hex = FensterHex(v, wx, wy);
    if (IstSchiff(f->FigurArt)) {
        if (!st->ShipListPtr || !st->ShipListPtr->Elemente) return 1;
        // A ship on land or in a town is in port, whatever its crew knows.
        if (hex && IstLand(hex->Art)) return 1;
        // Without research received nothing is known of the ship's reach:
        // it is not put at risk.
        if (!IsChunkPresent(ChunkBit(CN_FORS), POOL_IN)) return 1;
        auto *fors = (st_FORS *)LoadChunk2Mem(ID_FORS, POOL_IN);
        if (!fors) {
            std::printf("CheckPersonEvent : Konnte FORS-Chunk nicht \366ffnen \n");
            return 0;
        }
        const int a = fors->Astronomie;
        FreeVec(fors);
        if (LandInRingen(v, wx, wy, a)) return 1;
        return SchiffVerloren(st, ax, ay);
    }
    if (f->Kommando == KOMMANDO_AN_BORD_ || !IstWasser(hex)) return 1;
    return Ertrunken(st, f);
}

int JumpToFigur(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v || !st->FigurRequester) return 1;
    RastPort *display = DisplayRastPort();
    if (st->VekFont3Ptr) SetFont(display, st->VekFont3Ptr);
    const LONG zeile = SetStringHighLite(st->FigurRequester, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), 78, 6);
    if (zeile < 0) return 1;
    if (zeile & 1) SetStringHighLite(st->FigurRequester, 0, (UWORD)std::max<LONG>(GetMouseY() - 1, 0), 78, 6);
    const ULONG n = (ULONG)zeile / 2;
    int ergebnis = 1;
    LONG nummer = -1;
    ULONG fx = 0, fy = 0;
    auto NterKnoten = [&](ListHeader *l) -> ListNode * {
        if (!l || n >= l->Elemente) return nullptr;
        ListNode *k = l->FirstNode;
        for (ULONG i = 0; k && i < n; ++i) k = k->Next;
        return k;
    };
    auto NteFigur = [&](std::initializer_list<UWORD> arten) -> st_MOVE_EXT * {
        const UBYTE *block = v->PeopleMemPtr;
        const ULONG anzahl = FigurenImBlock(block, v->PeopleMemSize);
        ULONG gefunden = 0;
        for (ULONG i = 0; i < anzahl; ++i) {
            st_MOVE_EXT *f = FigurImBlock((UBYTE *)block, i);
            if (f->SpielerID != PlayerInfo.SpielerID) continue;
            bool passt = false;
            for (UWORD a : arten) passt |= f->FigurArt == a;
            if (passt && gefunden++ == n) return f;
        }
        return nullptr;
    };
    switch (st->FigurTyp) {
    case 0: {
        auto *a = (ArmeeList *)NterKnoten(st->ArmeeListe);
        if (!a) break;
        Armee armee;
        std::memcpy(&armee, &a->Army, sizeof armee);
        nummer = armee.ArmeeID, fx = armee.PosX, fy = armee.PosY;
        std::printf("Position der Armee X:%u Y:%u\n", (unsigned)fx, (unsigned)fy);
        break;
    }
    case 1: {
        auto *s = (ShipListEntry *)NterKnoten(st->ShipListPtr);
        if (!s) break;
        nummer = s->Schiff.SchiffsID, fx = s->Schiff.X_Pos, fy = s->Schiff.Y_Pos;
        std::printf("Position des Schiffes X:%u Y:%u\n", (unsigned)fx, (unsigned)fy);
        break;
    }
    case 2:
    case 3: {
        st_MOVE_EXT *f = st->FigurTyp == 2 ? NteFigur({10, 20}) : NteFigur({0});
        if (!f) return 1;
        nummer = f->FigurNummer, fx = f->X_Pos, fy = f->Y_Pos;
        std::printf(st->FigurTyp == 2 ? "Position des Siedlers X:%u Y:%u\n" : "Position des Kundschafters X:%u Y:%u\n",
                    (unsigned)fx, (unsigned)fy);
        break;
    }
    default: {
        auto *s = (SpezialistenListEntry *)NterKnoten(st->SpezListPtr);
        if (!s) return 1;
        nummer = (LONG)s->Spezialist.ID, fx = s->Spezialist.X_Pos, fy = s->Spezialist.Y_Pos;
        std::printf("Position des Spezialisten X:%u Y:%u\n", (unsigned)fx, (unsigned)fy);
        break;
    }
    }
    if (nummer < 0) {
        std::printf("JumpToFigur : Konnte NodePtr nicht besorgen!\n");
        return 0;
    }
    // The own figure with that number at that place.
    st_MOVE_EXT *ziel = nullptr;
    {
        const UBYTE *block = v->PeopleMemPtr;
        const ULONG anzahl = FigurenImBlock(block, v->PeopleMemSize);
        for (ULONG i = 0; i < anzahl && !ziel; ++i) {
            st_MOVE_EXT *f = FigurImBlock((UBYTE *)block, i);
            if (f->SpielerID == PlayerInfo.SpielerID && f->FigurNummer == (UWORD)nummer && f->X_Pos == fx &&
                f->Y_Pos == fy)
                ziel = f;
        }
    }
    const bool anders = ziel != st->AktPerson;
    const LONG dx = ((LONG)(WORD)((LONG)fx - v->X_Hex) >> 1) - v->XTiles / 4;
    const LONG dy = (LONG)fy - v->Y_Hex - v->YTiles / 2;
    if (dx || dy)
        SetPos(v, dx, dy);
    else if (st->OldX_Pos != -1 && st->OldY_Pos != -1)
        Umrande(st->OldX_Pos, st->OldY_Pos, kStiftWeg);
    st->X_Pos = (WORD)CheckWrap((LONG)fx - v->X_Hex, WELT_BREITE);
    st->Y_Pos = (WORD)CheckWrap((LONG)fy - v->Y_Hex, WELT_HOEHE);
    st->OldX_Pos = st->X_Pos, st->OldY_Pos = st->Y_Pos;
    st->BlueHex = st->YellowHex = 0;
    SetHex(st);
    if (ziel) st->AktPerson = ziel;
    if (anders) UpdateInfoBox(st);
    return ergebnis;
}

LONG KartenScreenLoop(LokaleDatenKartenScreen *st, LONG from)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    int zaehler = 0, ticks = 0, countdown = 100;
    bool versteckt = false;
    auto Ton = [](UWORD n) {
        if (IsSfxReady(n)) SfxPlayer(n, 0, 0);
    };
    for (;;) {
        const ULONG code = GetKey(GETKEY_TICKS | 0x01);
        const bool raus = code == KEY_ESCAPE;
        if (code == EVENT_RIGHTDOWN) {
            v->MapLock = 1;
            if (st->YellowHex) {
                SetOtherFigur(st);
                if (st->Quit) {
                    v->MapLock = 0;
                    return 39;
                }
            } else if (st->BlueHex) {
                if (FigurMenu(st) == 1 && st->AktPerson) {
                    if (st->AktPerson->Kommando == 20) {
                        v->MapLock = 0;
                        return 1293;
                    }
                    CheckAktionsFeld(st);
                }
            } else {
                switch (AktionsMenu(st)) {
                case 1: ArbeiterReq(st); break;
                case 2: ShowHexInfo(st); break;
                case 0: EnterMapNames(st); break;
                default: break;
                }
            }
            v->MapLock = 0;
            continue;
        }
        if (code == EVENT_TICK) {
            if (st->ScreenRegion && st->ScreenRegion->CountRechteck > 4)
                KartenRand(st->ScreenRegion->Rechteck, GetMouseX(), GetMouseY(), &zaehler,
                           [&](LONG dx, LONG dy) { SetPos(v, dx, dy); });
            if (!Fade) {
                if (CheckHexAndPlaySfx(st, GK_WASSER, -1)) Ton(78);
                if (CheckHexAndPlaySfx(st, GK_BERGE, -1) || CheckHexAndPlaySfx(st, GK_GEBIRGE, -1)) Ton(101);
                if (CheckHexAndPlaySfx(st, 0, -2)) Ton(105);
                if (++ticks >= countdown) {
                    if (IsCDReady(UserSystem.OP.CDDevicename, UserSystem.OP.CDDeviceUnit)) {
                        static const UWORD spuren[3] = {11, 10, 14};
                        const ULONG w = Wuerfel(3);
                        if (w < 3) PlayCDTrack(UserSystem.OP.CDDevicename, UserSystem.OP.CDDeviceUnit, spuren[w], spuren[w]);
                    }
                    countdown = (int)Wuerfel(5) * 10 + 10;
                    const ULONG w = Wuerfel(3);
                    if (st->Jahreszeit == 3) {
                        static const UWORD winter[3] = {103, 104, 102};
                        if (w < 3) Ton(winter[w]);
                    } else if (w <= 1) {
                        if (CheckHexAndPlaySfx(st, GK_WALD, -1)) Ton(w == 0 ? 24 : 27);
                    } else if (w == 2) {
                        if (CheckHexAndPlaySfx(st, GK_STEPPE, -1)) Ton(15);
                    } else if (IsSfxReady(166) && IsSfxReady(167) && CheckHexAndPlaySfx(st, 0, -9)) {
                        SfxPlayer(Wuerfel(1) ? 167 : 166, 0, 0);
                    }
                    ticks = 0;
                }
                VersteckteMusik(st, v->X_Hex, v->Y_Hex, &versteckt);
            }
        }
        GadgetData *g = st->ScreenRegion ? CheckGadgets(nullptr, st->ScreenRegion, code) : nullptr;
        if (!g) {
            if (raus) return from;
            continue;
        }
        st->ScreenRegion->AktGadget = g;
        v->MapLock = 1;
        const ULONG id = g->ReturnID;
        if (g != &st->ScreenRegion->GlobalGadget.KeyAsGadget)
            std::printf("KartenScreen: Gadget %c%c%c%c\n", (int)(id >> 24 & 0xFF), (int)(id >> 16 & 0xFF),
                        (int)(id >> 8 & 0xFF), (int)(id & 0xFF));
        const LONG mx = GetMouseX(), my = GetMouseY();
        bool ende = id == GADGET_EXIT;
        if (id == MakeGadgetID("BUT1") || id == MakeGadgetID("BUT2") || id == MakeGadgetID("BUT3") ||
            id == MakeGadgetID("BUT4") || id == MakeGadgetID("BUT5") || id == MakeGadgetID("MAP1")) {
            UpdateFigurRequester(st, id);
        } else if (id == MakeGadgetID("MAP0")) {
            if (IsGfxBoxValid(mx + 16, my + 28, mx + 16, my + 28)) {
                const ULONG hex = GetMapGadget(v, mx + 16, my + 28);
                if (hex != KEIN_HEX) {
                    st->X_Pos = (WORD)GadgetSpalte(hex), st->Y_Pos = (WORD)GadgetZeile(hex);
                    std::printf("KartenScreen: Hex X %d Y %d\n", st->X_Pos, st->Y_Pos);
                    SetHex(st);
                    UpdateInfoBox(st);
                }
            }
        } else if (id == MakeGadgetID("UPGO")) {
            SetPos(v, 0, -1);
        } else if (id == MakeGadgetID("DOWN")) {
            SetPos(v, 0, 1);
        } else if (id == MakeGadgetID("LEFT")) {
            SetPos(v, -1, 0);
        } else if (id == MakeGadgetID("RIGH")) {
            SetPos(v, 1, 0);
        } else if (id == MakeGadgetID("UPG1") || id == MakeGadgetID("DOW1") || id == MakeGadgetID("SL01")) {
            if (st->VekRequester) {
                SetSlider(st->VekRequester, id == MakeGadgetID("UPG1")   ? SLIDER_UP10
                                            : id == MakeGadgetID("DOW1") ? SLIDER_DOWN10
                                                                         : (UWORD)std::max<LONG>(my, 0));
                SetRequesterBox(st->VekRequester, 0, 0);
            }
        } else if (id == MakeGadgetID("SLUP") || id == MakeGadgetID("SLDO") || id == MakeGadgetID("SLMO")) {
            if (st->FigurRequester) {
                SetSlider(st->FigurRequester, id == MakeGadgetID("SLUP")   ? SLIDER_UP10
                                              : id == MakeGadgetID("SLDO") ? SLIDER_DOWN10
                                                                           : (UWORD)std::max<LONG>(my, 0));
                SetRequesterBox(st->FigurRequester, 0, 0);
            }
        } else if (id == MakeGadgetID("FIGU")) {
            JumpToFigur(st);
        } else if (id == MakeGadgetID("FORW")) {
            SwitchGUI(st);
        } else if (id == MakeGadgetID("GREN")) {
            SwitchMap(st, 2);
        } else if (id == MakeGadgetID("ROHS")) {
            SwitchMap(st, 0);
            ZeigeRohstoffe(st, 1);
        } else if (id == MakeGadgetID("SYMB")) {
            SwitchMap(st, 1);
            ZeigeSymbolkarte(st, 1);
        } else if (id == MakeGadgetID("INFO")) {
            TextBox(GetString(&_VEK_KARTE_INFO));
        } else if (id == GADGET_KEY) {
            const ULONG taste = g->Flags;
            LONG dx = 0, dy = 0;
            if (taste == 'a' || (taste == KEY_LEFT && KeyExtended)) SetPos(v, -1, 0);
            else if (taste == 'w' || (taste == KEY_UP && KeyExtended)) SetPos(v, 0, -1);
            else if (taste == 'd' || (taste == KEY_RIGHT && KeyExtended)) SetPos(v, 1, 0);
            else if (taste == 's' || (taste == KEY_DOWN && KeyExtended)) SetPos(v, 0, 1);
            else if (st->AktPerson && st->BlueHex && ZiffernSchritt(taste, st->AktPerson->X_Pos, &dx, &dy)) {
                CheckFigurAndPlaySfx(st, 0);
                if (SetPeople(v, st->AktPerson, dx, dy)) SetFigurDependence(st->AktPerson, dx, dy);
                UpdateInfoBox(st);
            }
        }
        v->MapLock = 0;
        if (ende || raus) return from;
    }
}
