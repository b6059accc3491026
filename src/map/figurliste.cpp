// The figure list beside the map (armies, ships, settlers and caravans,
// scouts, specialists: two text lines per figure), the minimap click, and the
// town menu from which the player raises or disbands figures or enters the
// town. A raise is counted against the town's quarter only once the figure
// stands in the figure file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "map/figures_map.h"
#include "world/hex.h"
#include "map/kartenscreen.h"
#include "map/mapview.h"
#include "world/towns.h"
#include "platform/catalog.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/mapnames.h"
#include "ui/dialogs.h"
#include "ui/input.h"
#include "ui/requester.h"

namespace {

constexpr ULONG kZeile = REQ_LINE_SIZE;       // one line of the list text
constexpr ULONG kEintrag = 2 * REQ_LINE_SIZE; // one figure: name line and position line
constexpr UWORD kKeineGruppe = 0xFFFF;
constexpr UWORD kKartenform = 1166;           // the minimap's shape above 8 bits
constexpr int kRathaus = 55;                  // the town hall's building slot
constexpr ULONG kMindestVolk = 10000;         // inhabitants a town needs to raise a figure
constexpr UWORD kMaxKundschafter = 10;        // scouts a town raises per quarter

bool Hoch() { return VekDisplay.VekScreen_Tiefe > 8; }

// The n-th rectangle of the active description, or null.
const Rechteck *Rechteck_(const LokaleDatenKartenScreen *st, ULONG n)
{
    const ScreenRegion *r = st->ScreenRegion;
    return r && r->Rechteck && n < r->CountRechteck ? &r->Rechteck[n] : nullptr;
}

// The group's button: normal (866 + 2 x group) or pressed picture at its
// gadget's top-left corner.
void Knopf(const LokaleDatenKartenScreen *st, UWORD gruppe, bool gedrueckt)
{
    if (gruppe > 4) return;
    const ScreenRegion *r = st->ScreenRegion;
    const ULONG g = (Hoch() ? 13u : 7u) + gruppe;
    if (!r || !r->GadgetData || g >= r->CountGadgetData) return;
    BlitObjekt(DisplayRastPort(), 866u + 2u * gruppe + (gedrueckt ? 1u : 0u), r->GadgetData[g].X0,
               r->GadgetData[g].Y0, 0, 0);
}

// Text of figure entry i: the name with its movement points, the position,
// and for ships damage and points.
void Eintrag(char *text, ULONG i, const char *name, size_t nameMax, const st_MOVE_EXT &f, const st_SHIP_EXT *schiff)
{
    char *z = text + (size_t)i * kEintrag;
    const int n = (int)strnlen(name, nameMax);
    std::snprintf(z, kZeile, "%.*s [%uP]", n, name, (unsigned)f.Bewegungspunkte);
    if (schiff)
        std::snprintf(z + kZeile, kZeile, "...->(%u/%u) [%u/%u]", (unsigned)f.X_Pos, (unsigned)f.Y_Pos,
                      (unsigned)schiff->Schaden, (unsigned)schiff->Punkte);
    else
        std::snprintf(z + kZeile, kZeile, "...->(%u/%u)", (unsigned)f.X_Pos, (unsigned)f.Y_Pos);
}

// The player's figures of the view, in memory order.
std::vector<const st_MOVE_EXT *> EigeneFiguren(const VekMapInfo *v)
{
    std::vector<const st_MOVE_EXT *> r;
    if (!v || !v->PeopleMemPtr) return r;
    const ULONG n = FigurenImBlock(v->PeopleMemPtr, v->PeopleMemSize);
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT *f = FigurImBlock(v->PeopleMemPtr, i);
        if (f->SpielerID == PlayerInfo.SpielerID) r.push_back(f);
    }
    return r;
}

const char *SchiffsArtName(UWORD art)
{
    return art >= 14 && art <= 19 ? GetString(FigurArtName(art)) : "";
}

// The ship's own name from the add-on list, or null.
const char *SchiffsName(const ListHeader *addOn, UWORD id)
{
    if (!addOn) return nullptr;
    ListNode *n = addOn->FirstNode;
    for (ULONG i = 0; n && i < addOn->Elemente; ++i, n = n->Next) {
        const auto *a = (const ShipAddOn *)NodeData(n);
        if (a->SchiffsID == id && a->Name[0]) return a->Name;
    }
    return nullptr;
}

ULONG Anzahl(const ListHeader *l) { return l ? l->Elemente : 0; }

// The list text is held to what a requester can address.
constexpr ULONG kMaxEintraege = 0x7FFF;

struct Liste {
    char *text = nullptr;
    ULONG eintraege = 0;
    bool fehler = false;
};

Liste Neu(ULONG eintraege, const char *meldung)
{
    Liste l;
    l.eintraege = std::min(eintraege, kMaxEintraege);
    if (!l.eintraege) return l;
    l.text = (char *)AllocVec(l.eintraege * kEintrag, MEMF_CLEAR);
    if (!l.text) {
        std::printf("%s", meldung);
        l.fehler = true;
        l.eintraege = 0;
    }
    return l;
}

// List positions by number, so that each figure finds its entries without
// walking the whole list (the list is rebuilt after every redraw).
using Stellen = std::vector<std::pair<ULONG, ULONG>>;  // number, position

template <class F> void JedeStelle(const Stellen &stellen, ULONG nummer, F f)
{
    auto it = std::lower_bound(stellen.begin(), stellen.end(), std::make_pair(nummer, (ULONG)0));
    for (; it != stellen.end() && it->first == nummer; ++it) f(it->second);
}

Liste Armeen(const LokaleDatenKartenScreen *st, const std::vector<const st_MOVE_EXT *> &eigene)
{
    Liste l = Neu(Anzahl(st->ArmeeListe), "UpdateFigurRequester: Konnte ArmyListBuffer nicht allokieren...\n");
    if (!l.text) return l;
    std::vector<Armee> armeen;
    Stellen stellen;
    ListNode *n = st->ArmeeListe->FirstNode;
    for (ULONG i = 0; n && i < l.eintraege; ++i, n = n->Next) {
        Armee a;
        std::memcpy(&a, &((const ArmeeList *)n)->Army, sizeof a);
        armeen.push_back(a);
        stellen.emplace_back(a.ArmeeID, i);
    }
    std::sort(stellen.begin(), stellen.end());
    for (const st_MOVE_EXT *f : eigene)
        JedeStelle(stellen, f->FigurNummer,
                   [&](ULONG i) { Eintrag(l.text, i, armeen[i].Name, sizeof armeen[i].Name, *f, nullptr); });
    return l;
}

Liste Schiffe(const LokaleDatenKartenScreen *st, const std::vector<const st_MOVE_EXT *> &eigene)
{
    Liste l = Neu(Anzahl(st->ShipListPtr), "UpdateFigurRequester: Konnte ShipListBuffer nicht allokieren...\n");
    if (!l.text) return l;
    std::vector<const st_SHIP_EXT *> schiffe;
    Stellen stellen;
    ListNode *n = st->ShipListPtr->FirstNode;
    for (ULONG i = 0; n && i < l.eintraege; ++i, n = n->Next) {
        schiffe.push_back(&((const ShipListEntry *)n)->Schiff);
        stellen.emplace_back(schiffe.back()->SchiffsID, i);
    }
    std::sort(stellen.begin(), stellen.end());
    for (const st_MOVE_EXT *f : eigene)
        JedeStelle(stellen, f->FigurNummer, [&](ULONG i) {
            const char *name = SchiffsName(st->ShipAddOnListPtr, schiffe[i]->SchiffsID);
            Eintrag(l.text, i, name ? name : SchiffsArtName(f->FigurArt), sizeof ShipAddOn::Name, *f, schiffe[i]);
        });
    return l;
}

// Settlers and caravans, or scouts: the player's figures of those kinds.
Liste Arten(const std::vector<const st_MOVE_EXT *> &eigene, bool siedler)
{
    auto passt = [&](const st_MOVE_EXT *f) {
        return siedler ? f->FigurArt == FID_SIEDLER || f->FigurArt == FID_KARAWANE : f->FigurArt == FID_KUNDSCHAFTER;
    };
    const ULONG anzahl = (ULONG)std::count_if(eigene.begin(), eigene.end(), passt);
    Liste l = Neu(anzahl, siedler ? "UpdateFigurRequester: Konnte FigurListBuffer nicht allokieren...\n"
                                  : "UpdateFigurRequester: Konnte KundschafterListBuffer nicht allokieren...\n");
    if (!l.text) return l;
    ULONG i = 0;
    for (const st_MOVE_EXT *f : eigene) {
        if (!passt(f) || i >= l.eintraege) continue;
        const LocStr *name = f->FigurArt == FID_SIEDLER    ? &_VEK_KARTE_SIEDLER
                             : f->FigurArt == FID_KARAWANE ? &_VEK_KARTE_KARAWANE
                                                           : &_VEK_KARTE_KUNDSCHAFTER;
        Eintrag(l.text, i++, GetString(name), kZeile, *f, nullptr);
    }
    return l;
}

// Hired specialists only, and only when the list starts with a hired one.
Liste Spezialisten(const LokaleDatenKartenScreen *st, const std::vector<const st_MOVE_EXT *> &eigene)
{
    const ListHeader *sl = st->SpezListPtr;
    if (!Anzahl(sl) || !sl->FirstNode || ((const SpezialistenListEntry *)sl->FirstNode)->Spezialist.Status != 5)
        return {};
    Liste l = Neu(Anzahl(sl), "UpdateFigurRequester: Konnte SpezListBuffer nicht allokieren...\n");
    if (!l.text) return l;
    ULONG frei = 0;
    ListNode *n = sl->FirstNode;
    for (ULONG i = 0; n && i < sl->Elemente; ++i, n = n->Next) {
        const st_SPEZ_EXT &s = ((const SpezialistenListEntry *)n)->Spezialist;
        if (s.Status != 5) continue;
        for (const st_MOVE_EXT *f : eigene)
            if (f->FigurNummer == s.ID && frei < l.eintraege) {
                Eintrag(l.text, frei++, s.Name, 17, *f, nullptr);
                break;
            }
    }
    return l;
}

// A minimap click: the view moves towards the clicked side, unless above 8
// bits the click lies outside the minimap's shape.
void MiniMapKlick(LokaleDatenKartenScreen *st)
{
    const Rechteck *r = Rechteck_(st, Hoch() ? 5 : 2);
    if (!r || !st->VekMapInfoPtr) return;
    const LONG mx = GetMouseX(), my = GetMouseY();
    const LONG x0 = r->X0, y0 = r->Y0, x1 = r->X1, y1 = r->Y1;
    const BitMap *form = Hoch() ? BitMapPtrArray[kKartenform - 1] : nullptr;
    if (form && form->Surface) {
        // A byte per pixel; a point beyond the picture is outside the shape.
        SDL_Surface *s = form->Surface;
        const LONG px = mx - x0, py = my - y0;
        if (s->format->BytesPerPixel != 1 || px < 0 || py < 0 || px >= s->w || py >= s->h) return;
        if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return;
        const UBYTE b = ((const UBYTE *)s->pixels)[(size_t)py * s->pitch + (size_t)px];
        if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
        if (b == 0) return;
    }
    const LONG dy = (my - (y1 - y0) / 2 - y0) >> 2;
    const LONG dx = ((mx - x0 - (x1 - x0) / 2) / 3) >> 1;
    SetPos(st->VekMapInfoPtr, dx, dy);
}

// The first list shown: the armies, else the ships, else the scouts.
ULONG ErsteGruppe(const LokaleDatenKartenScreen *st)
{
    if (st->ArmeeListe && st->ArmeeListe->Elemente == 0)
        return st->ShipListPtr && st->ShipListPtr->Elemente == 0 ? MakeGadgetID("BUT4") : MakeGadgetID("BUT2");
    return MakeGadgetID("BUT1");
}

}  // namespace

int UpdateFigurRequester(LokaleDatenKartenScreen *st, ULONG code)
{
    if (!st) return 0;
    if (code == MakeGadgetID("MAP1")) {
        // The list on show stays; the view's redraw brings it up to date.
        MiniMapKlick(st);
        return 0;
    }
    // Only the default list gives way to the first group that has figures: a
    // group the player asked for is shown even while none was shown yet.
    if (st->FigurTyp == kKeineGruppe && code == MakeGadgetID("BUT1")) code = ErsteGruppe(st);
    const std::vector<const st_MOVE_EXT *> eigene = EigeneFiguren(st->VekMapInfoPtr);
    Liste neu;
    UWORD gruppe = kKeineGruppe;
    if (code == MakeGadgetID("BUT1")) {
        neu = Armeen(st, eigene), gruppe = 0;
    } else if (code == MakeGadgetID("BUT2")) {
        neu = Schiffe(st, eigene), gruppe = 1;
    } else if (code == MakeGadgetID("BUT3")) {
        neu = Arten(eigene, true), gruppe = 2;
    } else if (code == MakeGadgetID("BUT4")) {
        neu = Arten(eigene, false), gruppe = 3;
    } else if (code == MakeGadgetID("BUT5")) {
        neu = Spezialisten(st, eigene), gruppe = 4;
    }
    // A text that could not be had leaves the list as it is.
    if (neu.fehler) return 0;

    RastPort *rp = DisplayRastPort();
    if (st->FigurTyp != kKeineGruppe) Knopf(st, st->FigurTyp, false);
    const ULONG zeilen = 2 * neu.eintraege;
    if (!zeilen) {
        ClearRequester(st->FigurRequester);
        st->FigurRequester = nullptr;
        const Rechteck *liste = Rechteck_(st, Hoch() ? 6 : 0), *regler = Rechteck_(st, Hoch() ? 7 : 1);
        if (liste) {
            SetAPen(rp, 6);
            RectFill(rp, liste->X0, liste->Y0, liste->X1, liste->Y1);
        }
        if (regler) {
            SetAPen(rp, 22);
            RectFill(rp, regler->X0, regler->Y0, regler->X1, regler->Y1);
        }
        FreeVec(neu.text);
        return 0;
    }
    Knopf(st, gruppe, true);
    st->FigurTyp = gruppe;
    char *alt = st->FigurListBuffer;
    st->FigurListBuffer = neu.text;
    if (st->FigurRequester) {
        if (rp && st->VekFont3Ptr) SetFont(rp, st->VekFont3Ptr);
        st->FigurRequester = UpdateRequesterText(st->FigurRequester, st->FigurListBuffer, (UWORD)zeilen);
        if (!st->FigurRequester) std::printf("UpdateFigurRequester: Konnte Requester nicht erneuern...\n");
    } else {
        const Rechteck *liste = Rechteck_(st, Hoch() ? 6 : 0), *regler = Rechteck_(st, Hoch() ? 7 : 1);
        if (liste) {
            const UWORD breite = (UWORD)(liste->X1 - liste->X0), hoehe = (UWORD)(liste->Y1 - liste->Y0);
            st->FigurRequester = InitRequesterBox(breite, (UWORD)zeilen, st->VekFont3Ptr, st->FigurListBuffer,
                                                  liste->X0, liste->Y0, breite, hoehe, 6, 78);
        }
        if (!st->FigurRequester) {
            std::printf("UpdateFigurRequester: Konnte Requester nicht initalisieren...\n");
        } else if (regler && !InitSlider(st->FigurRequester, (UWORD)(regler->X1 - regler->X0),
                                         (UWORD)(regler->Y1 - regler->Y0), 26, 22, 25, 24, regler->X0, regler->Y0)) {
            std::printf("UpdateFigurRequester: Konnte Slider nicht initalisieren...\n");
        }
    }
    FreeVec(alt);
    return 0;
}

// ---- the town menu ----

namespace {

void Ratgeber(const LocStr &text)
{
    const UWORD x = (UWORD)((VekDisplay.VekScreen_Breite - 640) / 2 + 168);
    const UWORD y = (UWORD)((VekDisplay.VekScreen_Hoehe - 480) / 2 + 180);
    ChiefMessage(66, x, y, 0, 0, 0, CHIEF_OK, GetString(&text), 7);
}

// The eight choices of the menu, 80 bytes each.
std::vector<char> Auswahl()
{
    std::vector<char> c(8 * kZeile, 0);
    const LocStr *arten[3] = {&_VEK_KARTE_SIEDLER, &_VEK_KARTE_KARAWANE, &_VEK_KARTE_KUNDSCHAFTER};
    for (int k = 0; k < 3; ++k) {
        std::snprintf(&c[(size_t)(2 * k) * kZeile], kZeile, "%s %s", GetString(arten[k]),
                      GetString(&_VEK_KASREQ3_STAT_EINSETZEN));
        std::snprintf(&c[(size_t)(2 * k + 1) * kZeile], kZeile, "%s %s", GetString(arten[k]),
                      GetString(&_VEK_KASREQ1_BUTTEXT_CLEAR));
    }
    std::snprintf(&c[6 * kZeile], kZeile, "%s", GetString(&_VEK_KARTE_STADTBETRETEN));
    std::snprintf(&c[7 * kZeile], kZeile, "%s", GetString(&_VEK_KARTE_BEFEHL_NICHTS));
    return c;
}

// The quarter's counter of the kind a raise choice (1, 3, 5) spends, with
// its limit; whether one more may be raised.
UWORD *Zaehler(Stadt *t, LONG wahl, UWORD *grenze, const LocStr **zuviel)
{
    switch (wahl) {
    case 1: *grenze = 1, *zuviel = &_VEK_KARTE_ZUVIELESIEDLER; return &t->AusgehobeneSiedler;
    case 3: *grenze = 1, *zuviel = &_VEK_KARTE_ZUVIELEKARAWANEN; return &t->AusgehobeneKarawanen;
    default: *grenze = kMaxKundschafter, *zuviel = &_VEK_KARTE_ZUVIELEKUNDSCHAFTER; return &t->AusgehobeneKundschafter;
    }
}

// Raise (wahl 1, 3, 5) or disband (2, 4, 6) a figure on town t's hex: the
// view's figures and the lists are written first, so the figure file is
// current, then it is changed and read back.
int AushebenOderEntlassen(LokaleDatenKartenScreen *st, Stadt *t, LONG wahl)
{
    VekMapInfo *v = st->VekMapInfoPtr;
    static const UWORD arten[3] = {FID_SIEDLER, FID_KARAWANE, FID_KUNDSCHAFTER};
    const UWORD art = arten[(wahl - 1) / 2];
    const bool ausheben = wahl & 1;
    if (!ExitPosWriteMapPrefs(v)) {
        // Changing the file now and reading it back would lose what the view
        // holds that the file does not.
        std::printf("SetOtherFigur : Konnte MapPrefs nicht abspeichern...\n");
        return 0;
    }
    int ergebnis = 1;
    if (!WriteKartenScreenData(st, 0)) std::printf("SetOtherFigur : Konnte Listen nicht abspeichern...\n");
    UWORD nummer = FIGUR_FEHLER;
    if (ausheben) {
        nummer = AddFigur2MapPrefs(MAPPREFS_FILE, art, t->XPos, t->YPos);
        if (nummer == FIGUR_FEHLER) {
            std::printf("SetOtherFigur : Konnte Figur nicht in MapPrefs eintragen...\n");
            ergebnis = 0;
        } else {
            UWORD grenze;
            const LocStr *zuviel;
            ++*Zaehler(t, wahl, &grenze, &zuviel);
            if (!SpeichereStadt(t)) std::printf("SetOtherFigur : Konnte Stadt nicht abspeichern...\n");
        }
    } else if (!RemoveFigurFromMapPrefs(MAPPREFS_FILE, art, t->XPos, t->YPos, FIGUR_NICHT_AN_BORD)) {
        std::printf("SetOtherFigur : Konnte Figur nicht aus MapPrefs entfernen...\n");
        ergebnis = 0;
    }
    // The selection points into the memory the reload replaces.
    st->AktPerson = nullptr;
    st->BlueHex = 0;
    if (!InitPosLoadPeopleMem(v))
        std::printf("SetOtherFigur : Konnte Speicher f\374r Move-Chunk nicht reservieren...\n");
    if (nummer != FIGUR_FEHLER && v->PeopleMemPtr) {
        const ULONG n = FigurenImBlock(v->PeopleMemPtr, v->PeopleMemSize);
        for (ULONG i = 0; i < n; ++i) {
            st_MOVE_EXT *f = FigurImBlock(v->PeopleMemPtr, i);
            if (f->SpielerID == PlayerInfo.SpielerID && f->FigurNummer == nummer) {
                st->AktPerson = f;
                st->BlueHex = 1;
                st->YellowHex = 0;
                break;
            }
        }
    }
    SetPos(v, 0, 0);
    return ergebnis;
}

}  // namespace

int SetOtherFigur(LokaleDatenKartenScreen *st)
{
    VekMapInfo *v = st ? st->VekMapInfoPtr : nullptr;
    if (!v) return 1;
    ULONG anzahl = 0;
    TownList *liste = LadeTownList(&anzahl, nullptr);
    if (!liste) return 1;
    const ULONG spalte = (ULONG)CheckWrap(v->X_Hex + st->X_Pos, WELT_BREITE);
    const ULONG zeile = (ULONG)CheckWrap(v->Y_Hex + st->Y_Pos, WELT_HOEHE);
    for (ULONG i = 0; i < anzahl; ++i) {
        Stadt *t = LadeStadt(liste[i].TownName);
        if (!t) continue;
        if (t->XPos != spalte || t->YPos != zeile) {
            FreeVec(t);
            continue;
        }
        if (t->Event & STADTEVENT_REBELLION) {
            Ratgeber(_VEK_STADT_REBELLION);
            FreeVec(t);
            continue;
        }
        if (!(t->GebaeudeAbhaengigkeiten[kRathaus].GfxBitfeld & GFX_THISIMAGEISSET)) {
            Ratgeber(_VEK_KARTE_KEIN_RATHAUS);
            FreeVec(t);
            continue;
        }
        const std::vector<char> wahlen = Auswahl();
        const LONG wahl = SwitchBox(8, wahlen.data());
        if (wahl < 1) {
            FreeVec(t);
            continue;
        }
        if (wahl == 7) {
            PlayerInfo.AktStadtID = t->StadtID;
            st->Quit = 1;
        }
        const bool entlassen = wahl == 2 || wahl == 4 || wahl == 6;
        bool weiter = entlassen;
        if (!entlassen && t->StadtVolk < kMindestVolk) {
            Ratgeber(_VEK_KARTE_ZUWENIG_VOLK);
        } else if (wahl == 1 || wahl == 3 || wahl == 5) {
            UWORD grenze;
            const LocStr *zuviel;
            if (*Zaehler(t, wahl, &grenze, &zuviel) < grenze)
                weiter = true;
            else
                Ratgeber(*zuviel);
        }
        if (weiter) {
            const int ergebnis = AushebenOderEntlassen(st, t, wahl);
            FreeVec(t);
            FreeVec(liste);
            return ergebnis;
        }
        FreeVec(t);
    }
    FreeVec(liste);
    return 1;
}
