// Screen 39: the active town as one picture of its level, with the sky by
// the weather, its ford, water wheel and mill moving, rain and the sounds of
// the town, darkness by the time of day at 8 bits, and the ways into the
// town's buildings, to another town and back to the residence.
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/movie.h"
#include "media/sound.h"
#include "net/net.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "town/stadtbild.h"
#include "town/stadtscreen.h"
#include "town/town.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/screendat.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kSfxPath = "./Data/SfxPath";
constexpr const char *kChooseBox = "./Data/screendat/ChooseBox.dat";
constexpr UWORD kBoxPic = 66, kBoxX = 168, kBoxY = 180, kBoxPen = 7;
constexpr UWORD kWahlX = 440, kWahlY = 240;
constexpr UWORD kNameMax = 49;
constexpr int kLeereEingaben = 10;
constexpr UWORD kLoopSfx = 20;
constexpr UWORD kSfx[] = {20, 17, 19, 21, 22, 23, 18, 24, REGEN_SFX};
constexpr UWORD kAmbiente[7] = {17, 18, 19, 21, 22, 23, 24};
constexpr UWORD kPrefStadt = 4;
constexpr int kErsteFarbe = 36, kFarben = 220;
constexpr LONG kBauenX = 32, kBauenY = 394, kBauenW = 64, kBauenH = 62;
constexpr LONG kNameX = 566, kNameY = 403, kNameW = 48, kNameH = 46;

// The slots the gadgets look at.
constexpr int SLOT_KORNSPEICHER = 0, SLOT_TAVERNE = 14, SLOT_RESIDENZ = 15, SLOT_HANDELSREGISTER = 16,
              SLOT_KASERNE = 19, SLOT_MARKTPLATZ = 25, SLOT_HAFEN = 51;

// What the rain spares: the title, the two buttons; and an advisor box or
// the town chooser while one is open.
Rechteck kVerschont[] = {{183, 0, 458, 57}, {32, 394, 82, 455}, {564, 403, 602, 449}, {0xFFFF, 0, 0, 0}};
Rechteck kVerschontBox[] = {{183, 0, 458, 57}, {32, 394, 82, 455}, {564, 403, 602, 449}, {168, 180, 472, 298},
                            {0xFFFF, 0, 0, 0}};
Rechteck kVerschontWahl[] = {{183, 0, 458, 57}, {32, 394, 82, 455}, {564, 403, 602, 449}, {440, 240, 640, 480},
                             {0xFFFF, 0, 0, 0}};

void MeldungEcht(const char *text) { ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, text, kBoxPen); }
ChiefStruktur1 *OffenEcht(const char *text)
{
    return ChiefMessageOpen(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_NONMODAL, text, kBoxPen);
}
char *EingabeEcht(char *buffer, const char *prompt, const char *info)
{
    return EingabeBox(buffer, kBoxX, kBoxY, prompt, info, 0);
}
LONG AuswahlEcht(UWORD n, const char *lines, const char *heading, const char *info)
{
    return ChooseBox(kChooseBox, kWahlX, kWahlY, n, heading, lines, info);
}

bool Gebaut(const Stadt *t, int slot) { return (t->GebaeudeAbhaengigkeiten[slot].GfxBitfeld & GFX_THISIMAGEISSET) != 0; }

void PauseAnims(LokaleDatenStadtScreen *ld, signed char pause)
{
    for (st_Movie *m : {ld->Movie1, ld->Movie2, ld->Movie3})
        if (m) PauseMovie(m, pause);
}

// An advisor box over the town: the rain spares it while it is open.
void Melde(LokaleDatenStadtScreen *ld, const LocStr &text)
{
    RegenVerschonen(&ld->Regen, kVerschontBox);
    StadtDialogHooks.Meldung(GetString(&text));
    RegenVerschonen(&ld->Regen, ld->RebellionBox ? kVerschontBox : kVerschont);
}

void RebellionSchliessen(LokaleDatenStadtScreen *ld)
{
    if (!ld->RebellionBox) return;
    StadtDialogHooks.Schliessen(ld->RebellionBox);
    ld->RebellionBox = nullptr;
    RegenVerschonen(&ld->Regen, kVerschont);
}

// The image of graphic Auf (or Ab) over the town at (x, y) goes into the
// graphics cache in its place, so the gadget shows the button on this
// town's picture. Ab is made first and taken off again; Auf stays drawn.
// Eingesetzt gets the numbers whose images went into the cache (0 others).
BOOL MakeStadtObjects(UWORD Auf, UWORD Ab, LONG x, LONG y, LONG w, LONG h, UWORD Eingesetzt[2])
{
    Eingesetzt[0] = Eingesetzt[1] = 0;
    int k = 0;
    for (UWORD n : {Ab, Auf}) {
        BitMap *unter = ScreenSaveClip(x, y, w, h);
        if (!unter) {
            std::printf("MakeStadtObjects : Konnte Bitmap nicht retten...\n");
            return 0;
        }
        BlitObjektMask(nullptr, n, 0, x, y, w, h);
        BitMap *bild = ScreenSaveClip(x, y, w, h);
        if (!bild) {
            std::printf("MakeStadtObjects : Konnte Bitmap nicht kopieren...\n");
            ScreenRestoreClip(unter, x, y, w, h);
            return 0;
        }
        if (BitMapPtrArray[n - 1]) CloseKavorGfx(n);  // a copy loaded earlier gives way to this one
        if (BitMapPtrArray[n - 1]) {
            FreeBitMap(bild);  // still in use elsewhere: the gadget shows the plain graphic
        } else {
            BitMapPtrArray[n - 1] = bild;
            Eingesetzt[k] = n;
        }
        ++k;
        if (n == Ab)
            ScreenRestoreClip(unter, x, y, w, h);
        else
            FreeBitMap(unter);
    }
    return 1;
}

void FreeAllThings(LokaleDatenStadtScreen *ld)
{
    for (UWORD &n : ld->Objekte)
        if (n) {
            CloseKavorGfx(n);
            n = 0;
        }
}

BOOL InitAllThings(LokaleDatenStadtScreen *ld)
{
    const StadtLevelBild &lv = *ld->Level;
    if (ld->Wetter <= 1) {
        BlitObjekt(nullptr, lv.Himmel, 0, 0, 640, 123);
    } else if (ld->Wetter >= 4 && ld->Wetter <= 6) {
        BlitObjekt(nullptr, lv.Unwetter, 0, 0, 640, 123);
        BlitObjekt(nullptr, lv.Unterstadt, 0, 123, 640, 357);
    }
    if (DrawTown(ld->Stadt) != 0) return 0;
    if (lv.BauenAuf) {
        if (!MakeStadtObjects(lv.BauenAuf, lv.BauenAb, kBauenX, kBauenY, kBauenW, kBauenH, &ld->Objekte[0]) ||
            !MakeStadtObjects(lv.NameAuf, lv.NameAb, kNameX, kNameY, kNameW, kNameH, &ld->Objekte[2])) {
            std::printf("InitAllThings : Konnte Stadtobjekte nicht anlegen...\n");
            return 0;
        }
    }
    DrawAllGadgets(nullptr, ld->ScreenRegion);
    BlitObjektMask(nullptr, lv.Vordergrund, 0, 183, 0, 0, 0);
    return 1;
}

BOOL InitStadtAnims(LokaleDatenStadtScreen *ld)
{
    ld->MovieBase = AllocMovieBase(TitelScreenPtr, 0, 0, 0);
    if (!ld->MovieBase) {
        std::printf("InitStadtAnims: AllocMovieBase fehlgeschlagen...\n");
        return 0;
    }
    const Stadt *t = ld->Stadt;
    const bool d = ld->Wetter >= 4;
    const char *furt = nullptr, *rad = nullptr, *muehle = nullptr;
    UWORD furtX = 64, furtY = 306;
    switch (ld->Level->Level) {
    case 2:
        furt = Gebaut(t, 102) ? (d ? "./Anims/FurtD-L2Haus.cban" : "./Anims/Furt-L2Haus.cban")
                              : (d ? "./Anims/FurtD-L2.cban" : "./Anims/Furt-L2.cban");
        rad = d ? "./Anims/WasserradD-L2.cban" : "./Anims/Wasserrad-L2.cban";
        muehle = "./Anims/Muehle_o_Zaun-L2.cban";
        break;
    case 3:
        if (Gebaut(t, 141)) {
            furt = d ? "./Anims/FurtD-L3B.cban" : "./Anims/Furt-L3B.cban";
            furtX = d ? 79 : 80;
            furtY = d ? 307 : 306;
        } else {
            furt = d ? "./Anims/FurtD-L3.cban" : "./Anims/Furt-L3.cban";
        }
        rad = d ? "./Anims/WasserradD-L3.cban" : "./Anims/Wasserrad-L3.cban";
        muehle = "./Anims/Muehle_o_Zaun-L3.cban";
        break;
    case 4:
        if (Gebaut(t, 141)) {
            furt = d ? "./Anims/FurtD-L4B.cban" : "./Anims/Furt-L4B.cban";
            furtY = d ? 315 : 306;
        } else {
            furt = d ? "./Anims/FurtD-L4.cban" : "./Anims/Furt-L4.cban";
        }
        rad = d ? "./Anims/WasserradD-L4.cban" : "./Anims/Wasserrad-L4.cban";
        muehle = "./Anims/Muehle_o_Zaun-L4.cban";
        break;
    default:
        furt = d ? "./Anims/FurtD.cban" : "./Anims/Furt.cban";
        rad = d ? "./Anims/WasserradD.cban" : "./Anims/Wasserrad.cban";
        muehle = Gebaut(t, 30) ? "./Anims/Muehle_m_Zaun.cban" : "./Anims/Muehle_o_Zaun.cban";
        break;
    }
    // A missing animation is left out; the town works without it.
    if ((ld->Movie1 = LoadMovie(ld->MovieBase, furt, nullptr, nullptr))) PlayMovie(ld->MovieBase, ld->Movie1, furtX, furtY, 68, 2);
    if (Gebaut(t, 26) && (ld->Movie2 = LoadMovie(ld->MovieBase, rad, nullptr, nullptr)))
        PlayMovie(ld->MovieBase, ld->Movie2, 608, 214, 68, 4);
    if (Gebaut(t, 1) && (ld->Movie3 = LoadMovie(ld->MovieBase, muehle, nullptr, nullptr)))
        PlayMovie(ld->MovieBase, ld->Movie3, 576, 96, 68, 2);
    return 1;
}

void FreeStadtAnims(LokaleDatenStadtScreen *ld)
{
    if (ld->MovieBase) FreeMovieBase(ld->MovieBase);
    ld->MovieBase = nullptr;
    ld->Movie1 = ld->Movie2 = ld->Movie3 = nullptr;
}

BOOL LoadStadtScreenSfx(LokaleDatenStadtScreen *ld)
{
    for (UWORD s : kSfx)
        if (!OpenKavorSfx(kSfxPath, s)) {
            std::printf("LoadStadtScreenSfx : Konnte Sound-FX nicht \366ffnen!\n");
            for (UWORD t : kSfx) {
                if (t == s) break;
                CloseKavorSfx(t);
            }
            return 0;
        }
    ld->Sounds = 1;
    return 1;
}

void FreeStadtScreenSfx(LokaleDatenStadtScreen *ld)
{
    if (!ld->Sounds) return;
    for (UWORD s : kSfx) {
        StopSfx(s);
        CloseKavorSfx(s);
    }
    ld->Sounds = 0;
}

// The weather of the season from the received harvest chunk; 0 without one.
void ReadStadtScreenData(LokaleDatenStadtScreen *ld)
{
    if (!IsChunkPresent(ChunkBit(CN_KORN), POOL_IN)) return;
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
    if (!korn) {
        std::printf("StadtScreen: Konnte Daten nicht \366ffnen !\n");
        return;
    }
    ld->Wetter = korn->Wetter;
    FreeVec(korn);
}

void ZeigeName(LokaleDatenStadtScreen *ld)
{
    char name[STADTNAME_MAX + 1];
    std::memcpy(name, ld->Stadt->Stadtname, STADTNAME_MAX);
    name[STADTNAME_MAX] = 0;
    StadtNameDeconvert(name);
    RastPort *rp = DisplayRastPort();
    if (!rp) return;
    SetFont(rp, ld->Font);
    SetDrMd(rp, JAM1);
    PrintText(rp, 212, 8, 212 + 428, 8 + 30, name, 0, 37, PT_CENTER | PT_VCENTER | PT_BASELINE);
    SetDrMd(rp, JAM2);
}

}  // namespace

StadtDialoge StadtDialogHooks = {MeldungEcht, OffenEcht, QuitChiefMessage, EingabeEcht, AuswahlEcht};

void Lumiere()
{
    RastPort *rp = DisplayRastPort();
    if (!rp) return;
    SetAPen(rp, 7);
    static constexpr WORD kKaesten[][4] = {{521, 268, 523, 270}, {532, 269, 534, 271}, {521, 281, 523, 284},
                                           {522, 282, 525, 285}, {540, 283, 542, 285}, {549, 268, 551, 270},
                                           {560, 266, 563, 269}, {566, 265, 568, 267}, {548, 281, 550, 283}};
    for (const auto &k : kKaesten) RectFill(rp, k[0], k[1], k[2], k[3]);
    static constexpr WORD kPunkte[][2] = {{540, 286}, {542, 282}, {549, 271}, {551, 267}, {563, 265},
                                          {560, 270}, {568, 264}, {566, 268}, {550, 280}, {548, 284}};
    for (const auto &p : kPunkte) WritePixel(rp, p[0], p[1]);
    PresentRect(rp->BitMap, 540, 264, 29, 23);
    static constexpr WORD kLinien[][4] = {{540, 270, 540, 272}, {544, 269, 544, 271}, {422, 137, 422, 138},
                                          {427, 136, 427, 137}};
    for (const auto &l : kLinien) {
        Move(rp, l[0], l[1]);
        Draw(rp, l[2], l[3]);
    }
}

void CheckSysTime(LokaleDatenStadtScreen *ld, int SetBeforeFade)
{
    int stunde = 12, minute = 0;
    StadtUhrHook(&stunde, &minute);
    const UBYTE ziel = DunkelZiel(stunde, minute);
    if (ziel == ld->AktProzent) return;
    ld->AktProzent = DunkelSchritt(ld->AktProzent, ziel);
    if (ld->AktProzent >= 40 && !ld->Lumiere) {
        Lumiere();
        ld->Lumiere = 1;
    }
    if (!ld->ScreenColorMemPtr) {
        ld->ScreenColorMemPtr = (ULONG *)AllocVec(kFarben * 3 * sizeof(ULONG), MEMF_CLEAR);
        if (!ld->ScreenColorMemPtr) {
            std::printf("CheckSysTime : Konnte Speicher nicht allokieren...\n");
            return;
        }
        ColorMap cm{KavoriaPalette};
        GetRGB32(&cm, kErsteFarbe, kFarben, ld->ScreenColorMemPtr);
    }
    // The list LoadRGB32 reads: count, first entry, the triples, an end mark.
    ULONG liste[1 + kFarben * 3 + 1] = {};
    const UWORD kopf[2] = {kFarben, kErsteFarbe};
    std::memcpy(&liste[0], kopf, sizeof kopf);
    for (int i = 0; i < kFarben * 3; ++i) {
        const UBYTE k = (UBYTE)(ld->ScreenColorMemPtr[i] >> 24);
        liste[1 + i] = (ULONG)Abdunkeln(k, ld->AktProzent) * 0x01010101u;
    }
    ColorMap cm{KavoriaPalette};
    ViewPort vp{&cm};
    LoadRGB32(&vp, liste);
    if (!SetBeforeFade) PushPalette(KavoriaPalette);
}

BOOL CheckTownName(LokaleDatenStadtScreen *ld)
{
    Stadt *t = ld->Stadt;
    if (!(t->Event & STADTEVENT_NEWTOWN)) return 1;
    if (ld->Movie3) PauseMovie(ld->Movie3, 1);
    RegenVerschonen(&ld->Regen, kVerschontBox);
    BOOL ok = 0;
    for (int leer = 0;;) {
        char puffer[EINGABE_MAX + 1] = {};
        const char *name = StadtDialogHooks.Eingabe(puffer, GetString(&_VEK_STADT_GIVECITYNAME),
                                                    GetString(&_VEK_STADT_GIVECITYNAME_INFO));
        // A box left without a name asks again; one that keeps coming back
        // empty (it cannot be shown) gives up until the next visit.
        if (!name) {
            if (++leer < kLeereEingaben) continue;
            std::printf("CheckTownName : Kein Name eingegeben...\n");
            break;
        }
        leer = 0;
        char neu[EINGABE_MAX + 1] = {};
        std::snprintf(neu, kNameMax + 1, "%s", name);
        int abgelehnt = 0;
        if (ChangeTownName(t->StadtID, neu, &abgelehnt)) {
            std::memcpy(t->Stadtname, neu, sizeof t->Stadtname - 1);
            t->Stadtname[sizeof t->Stadtname - 1] = 0;
            ok = 1;
            break;
        }
        if (!abgelehnt) {
            // The name was fine but could not be stored: the town stays
            // unnamed and is asked for again at the next visit.
            std::printf("CheckTownName : Konnte den Namen der Stadt nicht speichern...\n");
            break;
        }
        StadtDialogHooks.Meldung(GetString(&_VEK_STADT_CITYNAMETWICE));
    }
    t->Event &= (UWORD)~STADTEVENT_NEWTOWN;
    RegenVerschonen(&ld->Regen, kVerschont);
    if (ld->Movie3) PauseMovie(ld->Movie3, 0);
    return ok;
}

BOOL ChangeTown(LokaleDatenStadtScreen *ld)
{
    ULONG n = 0;
    TownList *liste = LadeTownList(&n, nullptr);
    FreeVec(liste);
    if (n <= 1) {
        Melde(ld, _VEK_STADT_NOOTHERARMYS);
        return 0;
    }
    char *puffer = CreateStadtListBuffer();
    if (!puffer) {
        std::printf("ChangeTown : Konnte StadtBuffer nicht anlegen...\n");
        return 0;
    }
    liste = LadeTownList(&n, nullptr);
    PauseAnims(ld, 1);
    RegenVerschonen(&ld->Regen, kVerschontWahl);
    const LONG wahl = StadtDialogHooks.Auswahl((UWORD)n, puffer, GetString(&_VEK_STADT_STADTAUSSUCHEN),
                                               GetString(&_VEK_STADT_STADTAUSSUCHEN_INFO));
    RegenVerschonen(&ld->Regen, ld->RebellionBox ? kVerschontBox : kVerschont);
    PauseAnims(ld, 0);
    BOOL anders = 0;
    if (liste && wahl >= 0 && (ULONG)wahl < n && liste[wahl].TownID != (LONG)ld->Stadt->StadtID) {
        PlayerInfo.AktStadtID = liste[wahl].TownID;
        anders = 1;
    }
    FreeVec(liste);
    FreeVec(puffer);
    return anders;
}

LONG StadtScreen()
{
    std::printf("Routine: StadtScreen\n");
    auto *ld = (LokaleDatenStadtScreen *)AllocVec(sizeof(LokaleDatenStadtScreen), MEMF_CLEAR);
    ld->Stadt = GetActiveTown(PlayerInfo.AktStadtID);
    if (!ld->Stadt) {
        std::printf("StadtScreen: Konnte Stadt nicht laden!\n");
        FreeVec(ld);
        return -1;
    }
    ld->Level = &StadtLevelDaten(ld->Stadt->Level);
    ld->InitStatus = (UWORD)CheckPrefs(0, PREFS_READ, 0);
    const UWORD bild = ld->Level->Bild;
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 5, 5);
    Send2IRCPanel(2);
    RegenStart(&ld->Regen, kVerschont);

    LONG next = -1;
    bool laeuft = false;
    const bool bildOffen = OpenKavorPic(kPath, bild, PIC_NOFADE) >= 0;
    if (!bildOffen) {
        std::printf("StadtScreen: Konnte HintergrundBild nicht laden !\n");
    } else if (!(ld->ScreenRegion = GetScreenRegion(ld->Level->ScreenDat, SR_TITLEBAR | SR_GADGETDATA))) {
        std::printf("StadtScreen: Kann TitelbarDaten nicht laden!\n");
    } else if (ReadStadtScreenData(ld), !(ld->Font = OpenDiskFont("Fonts/KavorC1.fnt"))) {
        std::printf("StadtScreen: Konnte Kavor-Font nicht \366ffnen !\n");
    } else if (!InitAllThings(ld)) {
        // printed where it failed
    } else if (Send2IRCPanel(1), !InitStadtAnims(ld) || !LoadStadtScreenSfx(ld)) {
        // printed where it failed
    } else {
        laeuft = true;
    }
    const bool achtBit = DisplayRastPort() && DisplayRastPort()->BitMap && DisplayRastPort()->BitMap->Tiefe == 8;
    if (laeuft) {
        if (achtBit) CheckSysTime(ld, 1);
        FadeIn();
        CheckTownName(ld);
        ZeigeName(ld);
        SfxPlayer(kLoopSfx, 0, 1);
        if (ld->Stadt->Event & STADTEVENT_REBELLION) {
            ld->RebellionBox = StadtDialogHooks.Offen(GetString(&_VEK_STADT_REBELLION));
            RegenVerschonen(&ld->Regen, kVerschontBox);
        }
    }
    ULONG dunkelTicks = 0, dunkelIntervall = 10, klangTicks = 0, klangIntervall = 100;
    RastPort *rp = DisplayRastPort();
    while (laeuft && next == -1) {
        CheckTitleBar(ld->ScreenRegion->TitleBar, ld->Font, ld->Level->TitelStift);
        const ULONG code = GetKey(GETKEY_TICKS | 0x01);
        if (code == EVENT_TICK) {
            if (Fade) continue;
            if (achtBit && ++dunkelTicks >= dunkelIntervall) {
                CheckSysTime(ld, 0);
                dunkelTicks = 0;
                dunkelIntervall = 50;
            }
            if (++klangTicks >= klangIntervall) {
                SfxPlayer(kAmbiente[Wuerfel(6)], 0, 0);
                klangTicks = 0;
                klangIntervall = Wuerfel(5) * 40 + 40;
            }
            RegenTick(&ld->Regen, ld->Wetter);
            continue;
        }
        GadgetData *g = CheckGadgets(rp, ld->ScreenRegion, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        const Stadt *t = ld->Stadt;
        const bool wahl = id == MakeGadgetID("NAME") ||
                          (id == GADGET_EXIT && !Gebaut(t, SLOT_RESIDENZ) && !t->Hauptstadt);
        if (ld->RebellionBox) {
            // The rebels leave the player only the ways out of the town.
            if (id != GADGET_EXIT && id != MakeGadgetID("NAME")) continue;
            RebellionSchliessen(ld);
        }
        if (wahl) {
            if (ChangeTown(ld)) next = 39;
        } else if (id == GADGET_EXIT) {
            next = 2;
        } else if (id == MakeGadgetID("BAUS")) {
            next = 43;
        } else if (id == MakeGadgetID("RESI")) {
            if (Gebaut(t, SLOT_RESIDENZ)) next = 2;
        } else if (id == MakeGadgetID("HAFE")) {
            if (Gebaut(t, SLOT_HAFEN)) next = 519;
        } else if (id == MakeGadgetID("HARE")) {
            if (Gebaut(t, SLOT_HANDELSREGISTER)) next = 919;
        } else if (id == MakeGadgetID("KASE")) {
            if (Gebaut(t, SLOT_KASERNE)) next = 152;
            else Melde(ld, _VEK_STADT_NOCAMP);
        } else if (id == MakeGadgetID("KOLA")) {
            if (Gebaut(t, SLOT_KORNSPEICHER)) next = 56;
        } else if (id == MakeGadgetID("MAPL")) {
            if (Gebaut(t, SLOT_MARKTPLATZ)) next = 108;
            else Melde(ld, _VEK_STADT_NOMARKTPLATZ);
        } else if (id == MakeGadgetID("TAVE")) {
            if (Gebaut(t, SLOT_TAVERNE)) next = 59;
        }
        // A rebellion not yet ended comes back with the box when the player stays.
        if (next == -1 && (t->Event & STADTEVENT_REBELLION) && !ld->RebellionBox) {
            ld->RebellionBox = StadtDialogHooks.Offen(GetString(&_VEK_STADT_REBELLION));
            RegenVerschonen(&ld->Regen, kVerschontBox);
        }
    }

    RebellionSchliessen(ld);
    RegenEnde(&ld->Regen);
    FreeStadtScreenSfx(ld);
    FreeStadtAnims(ld);
    FreeAllThings(ld);
    FreeAllGadgets();
    CloseFont(ld->Font);
    ClearScreenRegion(ld->ScreenRegion);
    CloseKavorPic(bild, laeuft ? 1 : 0);
    // The mask of the picture now belongs to this town.
    if (laeuft && !CheckPrefsWrite(kPrefStadt, ld->Stadt->StadtID))
        std::printf("StadtScreen: Konnte Preferences nicht schreiben...\n");
    FreeVec(ld->Stadt);
    FreeVec(ld->ScreenColorMemPtr);
    FreeVec(ld);
    return laeuft ? next : -1;
}
