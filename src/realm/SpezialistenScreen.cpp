// Screen 38: specialists. Lists the free and the hired clerics and
// geologists with class and wage, shows one person's values, hires a free one
// into the current town and disbands a hired one standing there. Ok writes
// the SPEZ record and the town's specialist figures as one change.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "map/kartenscreen.h"
#include "media/sound.h"
#include "platform/catalog.h"
#include "platform/gamevalues.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "realm/realm.h"
#include "realm/reichdialoge.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/okjournal.h"
#include "world/reichsregeln.h"
#include "world/towns.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kLayout = "./Data/screendat/Spezialisten.dat";
constexpr UWORD kPicture = 38, kWertBild = 1096;
constexpr ULONG kMaske = SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_DISPLAYSTATUSBOX | SR_RECHTECK | SR_PUNKT;
constexpr UWORD kHintergrund = 6, kSchrift = 7;
constexpr LONG kKlasseX = 54, kKlasseX1 = 103, kLohnX = 107;
constexpr const char *kNichtInStadt = "Werter Lord, dieser Spezialist befindet sich leider nicht in dieser Stadt...\n";
// Status boxes: the wage sum, then the values panel.
enum { SB_SUMME, SB_STAERKE, SB_WEISHEIT, SB_INTELLIGENZ, SB_GEWANDHEIT, SB_KONSTITUTION, SB_CHARISMA, SB_LOHN };

void AdvisorMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OK, text, 7); }
LONG AdvisorAsk(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, CHIEF_OKCANCEL, text, 7); }

struct Liste {
    VekRequester *Req = nullptr;
    BOOL Leer = 1;
    UWORD Eintraege = 0;
    WORD Auswahl = -1;
    std::vector<char> Namen, Klassen, Loehne;  // REQ_LINE_SIZE bytes per line
};

struct LokalDataSpezialisten {
    BOOL Fertig = 0;
    Liste Frei, Angestellt;  // list 1, list 2
    TextFont *FontKavor = nullptr, *Font11 = nullptr, *Font9 = nullptr;
    ScreenRegion *Region = nullptr;
    ListHeader *Spezis = nullptr;
    Stadt *AktStadt = nullptr;
};

const char *KlassenText(UBYTE klasse)
{
    return klasse == SPEZ_KLERIKER ? GetString(&_VEK_SPEZIS_KLERIKER)
           : klasse == SPEZ_GEOLOGE ? GetString(&_VEK_SPEZIS_GEOLOGE)
                                    : "";
}

// A name field need not end within its 80 bytes: at most 79 characters.
void NameZeile(char *zeile, const st_SPEZ_EXT &s) { std::snprintf(zeile, REQ_LINE_SIZE, "%.79s", s.Name); }

// The class and wage columns of lines von..bis-1 on rp, line von's top at
// y; the separators run down the whole height at once.
void Spalten(RastPort *rp, const Liste &l, LONG von, LONG bis, LONG y, LONG h, LONG rechts, UWORD hinten, UWORD vorn)
{
    const LONG unten = y + (bis - von) * h - 1;
    SetAPen(rp, hinten);
    RectFill(rp, 51, y, rechts, unten);
    for (LONG i = von; i < bis; ++i) {
        const LONG z = y + (i - von) * h;
        PrintText(rp, (UWORD)kKlasseX, (UWORD)z, (UWORD)kKlasseX1, (UWORD)(z + h - 1),
                  &l.Klassen[(size_t)i * REQ_LINE_SIZE], hinten, vorn, PT_TOP);
        PrintText(rp, (UWORD)kLohnX, (UWORD)z, (UWORD)rechts, (UWORD)(z + h - 1), &l.Loehne[(size_t)i * REQ_LINE_SIZE],
                  hinten, vorn, PT_TOP);
    }
    const UWORD stifte[3] = {25, 29, 30};
    for (int k = 0; k < 3; ++k) {
        SetAPen(rp, stifte[k]);
        RectFill(rp, 51 + k, y, 51 + k, unten);
        RectFill(rp, 104 + k, y, 104 + k, unten);
    }
}

LONG SpezRequesterBackroundHook(VekRequester *req, APTR daten)
{
    const Liste &l = *(const Liste *)daten;
    if (l.Leer || !req->ReqFontPtr) return 0;
    const LONG h = req->ReqFontPtr->tf_YSize + 1;
    SetFont(req->ReqRastPortPtr, req->ReqFontPtr);
    Spalten(req->ReqRastPortPtr, l, 0, l.Eintraege, 0, h, req->ReqBreiteBitmap - 1, req->ReqOldBackColor,
            req->ReqOldFontColor);
    return 0;
}

// One whole line on the display, selected or normal.
void ZeileZeigen(VekRequester *req, const Liste &l, BOOL hell)
{
    const LONG e = req->ReqOldEntry;
    if (e < 0 || e >= l.Eintraege || !req->ReqFontPtr) return;
    const LONG h = req->ReqFontPtr->tf_YSize + 1;
    const LONG top = e * h - req->ReqPixel;
    if (top < 0 || top + h > req->ReqHoehe) return;
    BitMap *copy = ScreenSaveClip(req->ReqXPos, req->ReqYPos + top, req->ReqBreite, h);
    RastPort *rp = copy ? ScreenMakeClipRP(copy) : nullptr;
    if (!rp) {
        if (copy) FreeKavorBitMap(copy);
        return;
    }
    const UWORD hinten = hell ? kSchrift : kHintergrund, vorn = hell ? kHintergrund : kSchrift;
    SetFont(rp, req->ReqFontPtr);
    SetAPen(rp, hinten);
    RectFill(rp, 0, 0, req->ReqBreite - 1, h - 1);
    PrintText(rp, 0, 0, 50, (UWORD)(h - 1), &l.Namen[(size_t)e * REQ_LINE_SIZE], hinten, vorn, PT_TOP);
    Spalten(rp, l, e, e + 1, 0, h, req->ReqBreite - 1, hinten, vorn);
    ScreenRestoreClip(copy, req->ReqXPos, req->ReqYPos + top, req->ReqBreite, h);
    PresentRect(DisplayRastPort()->BitMap, req->ReqXPos, req->ReqYPos + top, req->ReqBreite, h);
    FreeVec(rp);
}
LONG SetReq1Highlite(VekRequester *req, APTR d) { return ZeileZeigen(req, *(Liste *)d, 1), 0; }
LONG SetReq1Lowlite(VekRequester *req, APTR d) { return ZeileZeigen(req, *(Liste *)d, 0), 0; }

const Rechteck *Box(ScreenRegion *r, ULONG i) { return r && i < r->CountRechteck ? &r->Rechteck[i] : nullptr; }

// Rebuilds list frei (1) or hired (0) from the specialists; 1 or 0.
BOOL InitSpezRequester(LokalDataSpezialisten *ld, BOOL frei)
{
    Liste &l = frei ? ld->Frei : ld->Angestellt;
    const Rechteck *b = Box(ld->Region, frei ? 0 : 2), *s = Box(ld->Region, frei ? 1 : 3);
    if (!b) return 0;
    const ULONG n = std::min<ULONG>(SpezialistenAnzahl(ld->Spezis, frei), 0x7FFF);
    l.Leer = n == 0;
    l.Eintraege = (UWORD)std::max<ULONG>(n, 1);
    l.Auswahl = -1;
    l.Namen.assign((size_t)l.Eintraege * REQ_LINE_SIZE, 0);
    l.Klassen.assign(l.Namen.size(), 0);
    l.Loehne.assign(l.Namen.size(), 0);
    if (l.Leer) std::snprintf(l.Namen.data(), REQ_LINE_SIZE, "keiner");
    for (ULONG i = 0; i < n; ++i) {
        const st_SPEZ_EXT *p = SpezialistNr(ld->Spezis, frei, i);
        NameZeile(&l.Namen[i * REQ_LINE_SIZE], *p);
        std::snprintf(&l.Klassen[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%s", KlassenText(p->Klasse));
        std::snprintf(&l.Loehne[i * REQ_LINE_SIZE], REQ_LINE_SIZE, "%u", (unsigned)p->Lohn);
    }
    ClearRequester(l.Req);
    const UWORD w = (UWORD)(b->X1 - b->X0), h = (UWORD)(b->Y1 - b->Y0);
    l.Req = InitOwnRequesterBox(SpezRequesterBackroundHook, &l, w, l.Eintraege, ld->Font9, l.Namen.data(), b->X0,
                                b->Y0, w, h, kHintergrund, kSchrift);
    if (!l.Req) {
        std::printf(frei ? "InitSpezRequester1: Konnte Requester 2 nicht updaten !\n"
                         : "InitSpezRequester2: Konnte Requester 2 nicht updaten !\n");
        return 0;
    }
    if (s) InitSlider(l.Req, (UWORD)(s->X1 - s->X0), (UWORD)(s->Y1 - s->Y0), 26, 22, 25, 24, s->X0, s->Y0);
    if (!frei && ld->Region->CountDisplayStatusBox > SB_SUMME) {
        char t[16];
        std::snprintf(t, sizeof t, "%u", (unsigned)SpezialistenLohnSumme(ld->Spezis));
        PrintDisplayStatus(DisplayRastPort(), &ld->Region->DisplayStatusBox[SB_SUMME], t);
    }
    return 1;
}

BOOL BeideListen(LokalDataSpezialisten *ld) { return InitSpezRequester(ld, 1) & InitSpezRequester(ld, 0); }

void PlotDataOfCharakter(LokalDataSpezialisten *ld, BOOL frei)
{
    const Liste &l = frei ? ld->Frei : ld->Angestellt;
    const st_SPEZ_EXT *p = l.Auswahl >= 0 ? SpezialistNr(ld->Spezis, frei, (ULONG)l.Auswahl) : nullptr;
    ScreenRegion *r = ld->Region;
    if (!p) return;
    RastPort *rp = DisplayRastPort();
    const UBYTE werte[] = {p->Staerke, p->Weisheit, p->Intelligenz, p->Gewandheit, p->Konstitution, p->Charisma};
    char t[REQ_LINE_SIZE];
    for (ULONG i = 0; i < 6 && SB_STAERKE + i < r->CountDisplayStatusBox; ++i) {
        std::snprintf(t, sizeof t, "%u", (unsigned)werte[i]);
        PrintDisplayStatus(rp, &r->DisplayStatusBox[SB_STAERKE + i], t);
    }
    if (SB_LOHN < r->CountDisplayStatusBox) {
        std::snprintf(t, sizeof t, "%u", (unsigned)p->Lohn);
        PrintDisplayStatus(rp, &r->DisplayStatusBox[SB_LOHN], t);
    }
    if (!r->CountPunkt) return;
    const LONG x = r->Punkt[0].X0, y = r->Punkt[0].Y0;
    BlitObjekt(rp, kWertBild, x, y, 64, 64);
    // Name and class beside the picture, armour class and hit points below it.
    SetAPen(rp, kHintergrund);
    RectFill(rp, x + 68, y, x + 220, y + 63);
    SetDrMd(rp, JAM1);
    SetFont(rp, ld->Font11);
    NameZeile(t, *p);
    PrintText(rp, (UWORD)(x + 68), (UWORD)y, (UWORD)(x + 220), (UWORD)(y + 14), t, kHintergrund, kSchrift, PT_TOP);
    PrintText(rp, (UWORD)(x + 68), (UWORD)(y + 16), (UWORD)(x + 220), (UWORD)(y + 30), KlassenText(p->Klasse),
              kHintergrund, kSchrift, PT_TOP);
    SetFont(rp, ld->FontKavor);
    std::snprintf(t, sizeof t, "%s %u", GetString(&_VEK_SPEZIS_RK), (unsigned)p->RK);
    PrintText(rp, (UWORD)(x + 68), (UWORD)(y + 32), (UWORD)(x + 220), (UWORD)(y + 46), t, kHintergrund, kSchrift, PT_TOP);
    std::snprintf(t, sizeof t, "%s %u", GetString(&_VEK_SPEZIS_TP), (unsigned)p->TP);
    PrintText(rp, (UWORD)(x + 68), (UWORD)(y + 48), (UWORD)(x + 220), (UWORD)(y + 62), t, kHintergrund, kSchrift, PT_TOP);
}

void Auswaehlen(LokalDataSpezialisten *ld, BOOL frei)
{
    Liste &l = frei ? ld->Frei : ld->Angestellt;
    if (l.Leer || !l.Req) return;
    const LONG e = SetOwnStringHighLite(l.Req, SetReq1Highlite, SetReq1Lowlite, &l, 0,
                                        (UWORD)std::max<LONG>(GetMouseY(), 0), kSchrift, kHintergrund);
    if (e < 0 || e >= l.Eintraege) return;
    l.Auswahl = (WORD)e;
    PlotDataOfCharakter(ld, frei);
}

void HireFire(LokalDataSpezialisten *ld, BOOL hire)
{
    const WORD wahl = hire ? ld->Frei.Auswahl : ld->Angestellt.Auswahl;
    if (wahl < 0) return;
    const Stadt *s = ld->AktStadt;
    if (hire) {
        SpezialistAnheuern(ld->Spezis, (ULONG)wahl, s->XPos, s->YPos, PlayerInfo.SpielerID);
    } else if (SpezialistEntlassen(ld->Spezis, (ULONG)wahl, s->XPos, s->YPos) == SE_ANDERE_STADT) {
        SpezialistenDialogHooks.Message(kNichtInStadt);
    }
    BeideListen(ld);
}

void Scrollen(Liste &l, ULONG id, ULONG hoch, ULONG runter)
{
    if (!l.Req) return;
    if (id == hoch || id == runter)
        SetSlider(l.Req, id == hoch ? SLIDER_UP10 : SLIDER_DOWN10);
    else
        SetSlider(l.Req, (UWORD)std::max<LONG>(GetMouseY(), 0));
    SetRequesterBox(l.Req, 0, 0);
    l.Auswahl = -1;
}

BOOL SpezialistenScreenLoadData(LokalDataSpezialisten *ld)
{
    ld->Spezis = CreateList(LISTE_SPEZIALISTEN);
    if (!ld->Spezis) return 0;
    const char *pool = IsChunkPresent(ChunkBit(CN_SPEZ), POOL_OUT)  ? POOL_OUT
                       : IsChunkPresent(ChunkBit(CN_SPEZ), POOL_IN) ? POOL_IN
                                                                    : nullptr;
    if (pool) {
        auto *spez = (st_SPEZ *)LoadChunk2Mem(ID_SPEZ, pool);
        if (!spez) {
            std::printf("SpezialistenScreenLoadData: Konnte SpezChunk nicht \366ffnen !");
            return 0;
        }
        const BOOL ok = ScanSpezialisten2List(ld->Spezis, spez);
        FreeVec(spez);
        if (!ok) {
            std::printf("SpezialistenScreenLoadData: Spezis konnten nicht in die Liste eingescannt werden...\n");
            return 0;
        }
    }
    if (!(ld->AktStadt = GetActiveTown((LONG)PlayerInfo.AktStadtID))) {
        std::printf("SpezialistenScreenLoadData: Konnte Stadt nicht laden!\n");
        return 0;
    }
    return 1;
}

bool Tief()
{
    RastPort *rp = DisplayRastPort();
    return rp && rp->BitMap && rp->BitMap->Tiefe > 8;
}

}  // namespace

ReichDialoge SpezialistenDialogHooks = {AdvisorMessage, AdvisorAsk, TextBox};

BOOL SpezialistenScreenWriteData(ListHeader *spezis, ULONG x, ULONG y)
{
    // The record first: when it cannot be made, nothing changes.
    st_SPEZ *spez = nullptr;
    if (spezis && spezis->Elemente) {
        std::printf("SpezialistenScreenWriteData: SpezChunk soll addiert werden auf den ChunkPool...\n");
        if (!(spez = MakeSpezialistenChunkFromList(spezis))) {
            std::printf("SpezialistenScreenWriteData: Konnte SpezChunk nicht anlegen...\n");
            return 0;
        }
    }
    // The figure numbers as they were, for a change that does not go through.
    std::vector<ULONG> ids;
    for (ULONG i = 0; spezis && i < spezis->Elemente; ++i)
        ids.push_back(((SpezialistenListEntry *)GetNode(spezis, LIST_INDEX, i))->Spezialist.ID);
    const bool tief = Tief();
    if (tief) KartenScreenUnlockSetup();
    const char *dateien[2] = {MAPPREFS_FILE, POOL_OUT};
    BOOL ok = OkJournalBegin(dateien, 2);
    if (!ok) std::printf("SpezialistenScreenWriteData: Konnte das Journal nicht anlegen !\n");
    if (ok) ok = OkJournalBefore(0) && SpezialistenFigurenSetzen(spezis, x, y);
    if (ok && spez) {
        // The new figure numbers into the record made above (list order).
        auto *eintrag = (st_SPEZ_EXT *)((UBYTE *)spez + sizeof(st_SPEZ));
        for (ULONG i = 0; i < spez->Anzahl && i < spezis->Elemente; ++i)
            eintrag[i].ID = ((SpezialistenListEntry *)GetNode(spezis, LIST_INDEX, i))->Spezialist.ID;
    }
    if (ok) {
        ok = OkJournalBefore(1) && (spez ? AddChunkPool(spez, POOL_OUT) : RemChunkPool(ID_SPEZ, POOL_OUT));
        if (!ok) std::printf("SpezialistenScreenWriteData: Konnte den Pool nicht schreiben !\n");
    }
    if (ok) ok = OkJournalBefore(2);
    if (ok) {
        OkJournalCommit();
    } else {
        OkJournalRestore();
        for (ULONG i = 0; i < ids.size(); ++i)
            ((SpezialistenListEntry *)GetNode(spezis, LIST_INDEX, i))->Spezialist.ID = ids[i];
    }
    if (tief) KartenScreenNewSetup(0);
    FreeVec(spez);
    return ok;
}

LONG SpezialistenScreen()
{
    std::printf("Routine: SpezialistenScreen\n");
    auto *ld = new LokalDataSpezialisten{};
    if (IsCDReady(nullptr, 0) == 1) PlayCDTrack(nullptr, 0, 4, 4);
    bool bild = false, laeuft = false;
    if (!(bild = OpenKavorPic(kPath, kPicture, PIC_NOFADE) >= 0)) {
        std::printf("SpezialistenScreen: Konnte Pic nicht \366ffnen!\n");
    } else if (!(ld->FontKavor = OpenDiskFont("Fonts/KavorC1.fnt")) ||
               !(ld->Font11 = OpenDiskFont("Fonts/XHelvetica11.fnt")) ||
               !(ld->Font9 = OpenDiskFont("Fonts/XHelvetica9.fnt"))) {
        std::printf("SpezialistenScreen: Konnte Font nicht laden!\n");
    } else if (!SpezialistenScreenLoadData(ld)) {
        // printed where it failed
    } else if (!(ld->Region = GetScreenRegion(kLayout, kMaske))) {
        std::printf("SpezialistenScreenInitAllThings: Kann TitelbarDaten nicht laden!\n");
    } else if (OpenKavorGfx(kPath, kWertBild) != 1) {
        std::printf("SpezialistenScreenInitAllThings: Konnte Bild nicht laden!\n");
    } else {
        laeuft = true;
    }
    if (laeuft) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, 7);
        SetDrMd(rp, JAM1);
        SetFont(rp, ld->Font11);
        DrawAllGadgets(rp, ld->Region);
        for (ULONG i = 0; i < ld->Region->CountLocaleTextBox; ++i) {
            const LocaleTextBox &t = ld->Region->LocaleTextBox[i];
            PrintText(rp, t.X0, t.Y0, t.X1, t.Y1, t.LocaleID ? t.LocaleID : "", 0, 7, PT_TOP);
        }
        BeideListen(ld);
        FadeIn();
    }
    LONG next = 2;
    while (laeuft && !ld->Fertig) {
        CheckTitleBar(ld->Region->TitleBar, ld->FontKavor, 6);
        const ULONG code = GetKey(GETKEY_TICKS);
        if (code == EVENT_TICK) continue;
        if (code == KEY_ESCAPE) break;
        GadgetData *g = CheckGadgets(DisplayRastPort(), ld->Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id == MakeGadgetID("BOX1")) {
            Auswaehlen(ld, 1);
        } else if (id == MakeGadgetID("BOX2")) {
            Auswaehlen(ld, 0);
        } else if (id == MakeGadgetID("NEXT")) {
            HireFire(ld, 1);
        } else if (id == MakeGadgetID("LAST")) {
            HireFire(ld, 0);
        } else if (id == MakeGadgetID("UP00") || id == MakeGadgetID("DO00") || id == MakeGadgetID("SL00")) {
            Scrollen(ld->Frei, id, MakeGadgetID("UP00"), MakeGadgetID("DO00"));
        } else if (id == MakeGadgetID("UP01") || id == MakeGadgetID("DO01") || id == MakeGadgetID("SL01")) {
            Scrollen(ld->Angestellt, id, MakeGadgetID("UP01"), MakeGadgetID("DO01"));
        } else if (id == MakeGadgetID("OKOK")) {
            // A change that did not go through changed nothing: the lists stay.
            if (SpezialistenScreenWriteData(ld->Spezis, ld->AktStadt->XPos, ld->AktStadt->YPos))
                ld->Fertig = 1;
            else
                std::printf("SpezialistenScreen: Die Spezialisten konnten nicht gespeichert werden !\n");
        } else if (id == GADGET_EXIT) {
            break;
        }
    }
    ClearRequester(ld->Frei.Req);
    ClearRequester(ld->Angestellt.Req);
    if (laeuft) CloseKavorGfx(kWertBild);
    FreeAllGadgets();
    if (ld->Region) ClearScreenRegion(ld->Region);
    DeleteList(ld->Spezis, 1);
    FreeVec(ld->AktStadt);
    CloseFont(ld->FontKavor);
    CloseFont(ld->Font11);
    CloseFont(ld->Font9);
    delete ld;
    if (bild) CloseKavorPic(kPicture, laeuft ? 1 : 0);
    return laeuft ? next : -1;
}
