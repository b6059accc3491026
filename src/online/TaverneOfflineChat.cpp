// The tavern's letter window: the public letters of MailIn in a list box, a
// reader, the letter editor for a new letter or a reply, three sort orders,
// and MailIn pruned to the 51 newest letters when the window closes.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "military/briefeditor.h"
#include "net/gamemail.h"
#include "online/online.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/lists.h"
#include "store/mapnames.h"
#include "turn/botschaft.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"
#include "ui/requester.h"
#include "ui/screendat.h"
#include "world/briefliste.h"

void (*TaverneMeldungHook)(const char *text) = nullptr;

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr const char *kMaske = "        _  .smal";
constexpr ULONG kFenster = 45;
constexpr LONG kX = 66, kY = 68, kW = 516, kH = 390;
constexpr UWORD kListeHoehe = 171;
constexpr int kVersuche = 3;
constexpr UWORD kRahmenPen = 146, kGrundPen = 21, kMarkText = 7, kMarkGrund = 21;

void Meldung(const char *text)
{
    if (TaverneMeldungHook) TaverneMeldungHook(text);
    else ChiefMessage(66, 168, 180, 0, 0, 0, 0, text, 7);
}

const Rechteck *Rect(LokalDataTaverneOfflineChat *d, ULONG n)
{
    ScreenRegion *r = d->ScreenRegion;
    if (!r || !r->Rechteck || n >= r->CountRechteck) return nullptr;
    const Rechteck *q = &r->Rechteck[n];
    return q->X1 > q->X0 && q->Y1 > q->Y0 ? q : nullptr;
}

void Zeile(LokalDataTaverneOfflineChat *d, ULONG rect, const char *text)
{
    const Rechteck *r = Rect(d, rect);
    if (!r) return;
    RastPort *rp = DisplayRastPort();
    SetFont(rp, d->VekFont3Ptr);
    SetAPen(rp, d->BackgroundColor);
    RectFill(rp, r->X0, r->Y0, r->X1, r->Y1);
    PrintText(rp, r->X0, r->Y0, r->X1, r->Y1, text, d->BackgroundColor, d->TextColor, PT_BASELINE);
}

SmalListEntry *Gewaehlt(LokalDataTaverneOfflineChat *d)
{
    if (!d->SmalListPtr || d->Entry < 0 || (ULONG)d->Entry >= d->SmalListPtr->Elemente) return nullptr;
    ListNode *n = d->SmalListPtr->FirstNode;
    for (WORD i = 0; i < d->Entry; ++i) n = n->Next;
    return (SmalListEntry *)NodeData(n);
}

void ListeFreigeben(LokalDataTaverneOfflineChat *d)
{
    ClearRequester(d->VekRequester);
    d->VekRequester = nullptr;
    FreeVec(d->ReqBuffer);
    d->ReqBuffer = nullptr;
}

// The list lines and their box with its slider over the current order. 0
// when one of them cannot be made.
BOOL ListeZeigen(LokalDataTaverneOfflineChat *d, const char **fehler)
{
    ListeFreigeben(d);
    ListHeader *l = d->SmalListPtr;
    const Rechteck *box = Rect(d, 2), *regler = Rect(d, 6);
    d->ReqBuffer = CreateListReqBuffer(l, ListFieldOffset(l, 1), 0);
    if (!d->ReqBuffer) {
        *fehler = "konnte ListReqBuffer nicht anlegen...\n";
        return 0;
    }
    if (!box) {
        *fehler = "Konnte Requester nicht initalisieren!\n";
        return 0;
    }
    const UWORD w = (UWORD)(box->X1 - box->X0);
    const UWORD n = (UWORD)std::min<ULONG>(l->Elemente, 0xFFFF);
    d->VekRequester = InitRequesterBox(w, n, d->VekFont3Ptr, d->ReqBuffer, box->X0, box->Y0, w, kListeHoehe,
                                       d->BackgroundColor, d->TextColor);
    if (!d->VekRequester) {
        *fehler = "Konnte Requester nicht initalisieren!\n";
        return 0;
    }
    if (regler && !InitSlider(d->VekRequester, (UWORD)(regler->X1 - regler->X0), (UWORD)(regler->Y1 - regler->Y0), 26,
                              22, 25, 24, regler->X0, regler->Y0)) {
        *fehler = "Konnte Slider nicht initalisieren!\n";
        return 0;
    }
    return 1;
}

void Markieren(LokalDataTaverneOfflineChat *d)
{
    if (d->VekRequester && d->Entry >= 0) SetStringHighLite(d->VekRequester, 1, (UWORD)d->Entry, kMarkText, kMarkGrund);
}

void Schieben(VekRequester *req, ULONG id)
{
    if (!req) return;
    if (id == MakeGadgetID("U000")) SetSlider(req, SLIDER_UP10);
    else if (id == MakeGadgetID("D000")) SetSlider(req, SLIDER_DOWN10);
    else SetSlider(req, (UWORD)std::max<LONG>(GetMouseY(), 0));
    SetRequesterBox(req, 0, 0);
}

void Schliessen(LokalDataTaverneOfflineChat *d, ULONG gelesen)
{
    ListeFreigeben(d);
    if (gelesen > 50) DeleteOverFifty(d->SmalListPtr);
    DeleteList(d->SmalListPtr, LIST_FREE_OWNED);
    d->SmalListPtr = nullptr;
}

// The list until a gadget closes the window. 1 to build the list again.
int ListeLaufen(LokalDataTaverneOfflineChat *d)
{
    d->Entry = -1;
    d->SortMode = BRIEF_NACH_DATUM;
    RastPort *rp = DisplayRastPort();
    if (d->ScreenRegion->TitleBar && d->ScreenRegion->CountTitleBar) CheckTitleBar(d->ScreenRegion->TitleBar, d->TitleBarFontPtr, 6);
    DrawMailLine1(d, 0);
    if (UserSystem.OP.TCPIP_Flags & TRANSPORT_GAMESERVER) HoleBotschaftPerTCPIP();
    d->SmalListPtr = CreateList(LISTE_BRIEFE);
    if (!d->SmalListPtr) {
        std::printf("TaverneOfflineChatHandleEvents : kein Speicher f\374r ListHeader vorhanden...\n");
        return 0;
    }
    ULONG gelesen = ScanSmals2List(d->SmalListPtr, MAILIN_DIR, kMaske, 0);
    if (!gelesen) Meldung(GetString(&_VEK_OFFLINE_NOMAILS));
    BriefeSortieren(d->SmalListPtr, BRIEF_NACH_DATUM);
    if (gelesen) {
        const char *fehler = nullptr;
        if (!ListeZeigen(d, &fehler)) {
            std::printf("TaverneOfflineChatHandleEvents : %s", fehler);
            Schliessen(d, gelesen);
            return 1;
        }
        d->Entry = 0;
        Markieren(d);
    }
    WORD letzteZeile = -1;
    for (;;) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(rp, d->ScreenRegion, code);
        const ULONG id = code == KEY_ESCAPE ? GADGET_EXIT : g ? g->ReturnID : 0;
        if (!id) continue;
        int weiter = 1;
        if (id == GADGET_EXIT) {
            weiter = 0;
        } else if (id == MakeGadgetID("TF01")) {
            if (!d->VekRequester) continue;
            const LONG z = SetStringHighLite(d->VekRequester, 0, (UWORD)std::max<LONG>(GetMouseY(), 0), kMarkText,
                                             kMarkGrund);
            if (z < 0) continue;
            if (z == d->Entry && z == letzteZeile) {
                if (SmalListEntry *e = Gewaehlt(d)) weiter = TaverneOfflineViewMail(d, e);
                letzteZeile = -1;
            } else {
                d->Entry = (WORD)z;
                letzteZeile = (WORD)z;
            }
            if (!weiter) break;
            continue;
        } else if (id == MakeGadgetID("B000")) {
            if (SmalListEntry *e = Gewaehlt(d)) weiter = TaverneOfflineViewMail(d, e);
        } else if (id == MakeGadgetID("B001")) {
            d->EmpfaengerID = -1;
            d->EmpfaengerName = GetString(&_VEK_MAIL_ALL);
            weiter = TaverneOfflineWriteMail(d, Gewaehlt(d));
            DrawMailLine1(d, 0);
            if (weiter && BriefGeschrieben) {
                // The new letter's copy lies in MailIn: the list is read again.
                weiter = TaverneOfflineBuildNewReq(d, 1) != nullptr;
                if (d->SmalListPtr) gelesen = d->SmalListPtr->Elemente;
            } else if (weiter && d->VekRequester) {
                SetRequesterBox(d->VekRequester, 0, 0);
                Markieren(d);
            } else if (weiter) {
                if (const Rechteck *r = Rect(d, 2)) {
                    SetAPen(rp, d->BackgroundColor);
                    RectFill(rp, r->X0, r->Y0, r->X1, r->Y1);
                }
            }
        } else if (id == MakeGadgetID("B002")) {
            weiter = TaverneOfflineBuildNewReq(d, 0) != nullptr;
        } else if (id == MakeGadgetID("B003")) {
            if (d->VekRequester) SetRequesterBox(d->VekRequester, 0, 0);
            d->Entry = -1;
        } else if (id == MakeGadgetID("U000") || id == MakeGadgetID("D000") || id == MakeGadgetID("S000")) {
            Schieben(d->VekRequester, id);
            Markieren(d);
        } else if (id == MakeGadgetID("INF1")) {
            TextBox(GetString(&_VEK_OFFLINE_INFOTEXT1));
        }
        letzteZeile = -1;
        if (!weiter) break;
    }
    Schliessen(d, gelesen);
    return 0;
}

}  // namespace

void DrawMailLine1(LokalDataTaverneOfflineChat *d, UWORD Number)
{
    static const LocStr *const kKopf[] = {&_VEK_MAIL_MAILSRECEIVED, &_VEK_MAIL_MAILSTOSEND,
                                          &_VEK_MAIL_MAILSALRRECEIVED, &_VEK_MAIL_MAILALREADYSENT};
    RastPort *rp = DisplayRastPort();
    if (const Rechteck *r = Rect(d, 1)) {
        SetAPen(rp, d->BackgroundColor);
        RectFill(rp, r->X0, r->Y0, r->X1, r->Y1);
    }
    if (!d->CompleteHeader) return;
    const char *text = Number < 4 ? GetString(kKopf[Number]) : Number == 4 ? "Mail schreiben" : "Mail lesen";
    if (const Rechteck *r = Rect(d, 3)) {
        SetFont(rp, d->VekFont3Ptr);
        PrintText(rp, r->X0, r->Y0, r->X1, r->Y1, text, d->BackgroundColor, d->TextColor,
                  PT_CENTER | PT_BASELINE | PT_VCENTER);
    }
}

ListHeader *TaverneOfflineBuildNewReq(LokalDataTaverneOfflineChat *d, BOOL New)
{
    if (!d) return nullptr;
    if (New) {
        ListeFreigeben(d);
        DeleteList(d->SmalListPtr, LIST_FREE_OWNED);
        d->SmalListPtr = CreateList(LISTE_BRIEFE);
        if (!d->SmalListPtr || !ScanSmals2List(d->SmalListPtr, MAILIN_DIR, kMaske, 0)) {
            Meldung(GetString(&_VEK_MAIL_NOMAIL));
            return nullptr;
        }
        d->SortMode = BRIEF_NACH_DATUM;
    } else {
        if (!d->SmalListPtr || !d->SmalListPtr->Elemente) return nullptr;
        d->SortMode = BriefNaechsteSortierung(d->SortMode);
    }
    if (!BriefeSortieren(d->SmalListPtr, d->SortMode)) {
        std::printf("TaverneOfflineBuildNewReq : konnte Liste nicht sortieren...\n");
        return nullptr;
    }
    const char *fehler = nullptr;
    if (!ListeZeigen(d, &fehler)) {
        std::printf("TaverneOfflineBuildNewReq : %s",
                    d->ReqBuffer ? "konnte neuen Requester nicht anlegen...\n" : "konnte ListReqBuffer nicht anlegen...\n");
        return nullptr;
    }
    d->Entry = -1;
    return d->SmalListPtr;
}

void TaverneOfflineLeseZeilen(const SmalListEntry *e, char *absender, size_t na, char *betreff, size_t nb)
{
    std::snprintf(absender, na, "%s : %-15.*s %s : %.11s", GetString(&_VEK_OFFLINE_ABSENDER),
                  (int)strnlen(e->AbsenderName, sizeof e->AbsenderName), e->AbsenderName,
                  GetString(&_VEK_OFFLINE_ABSENDERDATUM), e->DateString);
    std::snprintf(betreff, nb, "%s  : %.52s", GetString(&_VEK_OFFLINE_BETREFF), e->Betreff);
}

int TaverneOfflineViewMail(LokalDataTaverneOfflineChat *d, SmalListEntry *e)
{
    if (!d || !e) return 1;
    DrawMailLine1(d, 5);
    char absender[160], betreff[240];
    TaverneOfflineLeseZeilen(e, absender, sizeof absender, betreff, sizeof betreff);
    Zeile(d, 4, absender);
    Zeile(d, 5, betreff);
    const Rechteck *box = Rect(d, 2), *regler = Rect(d, 6);
    VekRequester *text = nullptr;
    if (!box) {
        std::printf("TaverneOfflineViewMail : Konnte Requester nicht initalisieren!\n");
    } else {
        const UWORD w = (UWORD)(box->X1 - box->X0);
        text = InitRequesterTextBox(w, d->VekFont3Ptr, e->MailPtr && e->MailPtr[0] ? e->MailPtr : " ", box->X0, box->Y0,
                                    w, kListeHoehe, d->BackgroundColor, d->TextColor, nullptr);
        if (!text) std::printf("TaverneOfflineViewMail : Konnte Requester nicht initalisieren!\n");
        else if (regler && !InitSlider(text, (UWORD)(regler->X1 - regler->X0), (UWORD)(regler->Y1 - regler->Y0), 26, 22,
                                       25, 24, regler->X0, regler->Y0))
            std::printf("TaverneOfflineViewMail : Konnte Slider nicht initalisieren!\n");
    }
    d->VekRequester2 = text;
    RastPort *rp = DisplayRastPort();
    while (text) {
        const ULONG code = GetKey(0x01);
        GadgetData *g = CheckGadgets(rp, d->ScreenRegion, code);
        const ULONG id = code == KEY_ESCAPE ? GADGET_EXIT : g ? g->ReturnID : 0;
        if (id == GADGET_EXIT || id == MakeGadgetID("B003")) break;
        if (id == MakeGadgetID("U000") || id == MakeGadgetID("D000") || id == MakeGadgetID("S000")) Schieben(text, id);
        else if (id == MakeGadgetID("INF1")) TextBox(GetString(&_VEK_OFFLINE_INFOTEXT1));
    }
    ClearRequester(text);
    d->VekRequester2 = nullptr;
    Zeile(d, 4, "");
    Zeile(d, 5, "");
    DrawMailLine1(d, 0);
    if (d->VekRequester) {
        SetRequesterBox(d->VekRequester, 0, 0);
        Markieren(d);
    }
    return 1;
}

int TaverneOfflineChat()
{
    auto *d = (LokalDataTaverneOfflineChat *)AllocVec(sizeof(LokalDataTaverneOfflineChat), MEMF_CLEAR);
    if (!d) {
        std::printf("TaverneOfflineChat: Kein Speicher f\374r lokale Variablen!\n");
        return 0;
    }
    d->BackgroundColor = 35;
    d->TextColor = 7;
    d->CompleteHeader = 1;
    d->ScreenRegion = GetScreenRegion("./Data/screendat/TaverneOffchatReq.dat",
                                      SR_TITLEBAR | SR_GADGETDATA | SR_LOCALETEXTBOX | SR_RECHTECK);
    if (!d->ScreenRegion) {
        std::printf("TaverneOfflineChat: Kann TitelbarDaten nicht laden!\n");
        FreeVec(d);
        return 0;
    }
    d->TitleBarFontPtr = OpenDiskFont("Fonts/KavorC1.fnt");
    if (!d->TitleBarFontPtr) std::printf("TaverneOfflineChat: Konnte Kavor-Font nicht \366ffnen!\n");
    d->SaveBitMap = d->TitleBarFontPtr ? ScreenSaveClip(kX, kY, kW, kH) : nullptr;
    if (d->TitleBarFontPtr && !d->SaveBitMap) std::printf("TaverneOfflineChat: Kein Speicher f\374r BitMap!\n");
    if (d->SaveBitMap && OpenKavorGfx(kPath, kFenster) == 1) {
        BlitObjekt(DisplayRastPort(), kFenster, kX, kY, kW, kH);
        CloseKavorGfx(kFenster);
    }
    if (d->SaveBitMap) d->VekFont3Ptr = OpenDiskFont("Fonts/Topaz.fnt");
    if (d->SaveBitMap && !d->VekFont3Ptr) std::printf("TaverneOfflineChat: Konnte Kavor-Font nicht \366ffnen!\n");
    if (d->VekFont3Ptr) {
        RastPort *rp = DisplayRastPort();
        SetAPen(rp, kRahmenPen);
        SetBPen(rp, kGrundPen);
        DrawAllGadgets(rp, d->ScreenRegion);
        // A list whose lines or box cannot be made is built again, but not
        // for ever: a failure that stays (no memory, a broken layout) closes
        // the window after a few tries.
        for (int versuch = 0; versuch < kVersuche && ListeLaufen(d); ++versuch) {
        }
    }
    CloseFont(d->VekFont3Ptr);
    CloseFont(d->TitleBarFontPtr);
    if (d->SaveBitMap) ScreenRestoreClip(d->SaveBitMap, kX, kY, kW, kH);
    ClearScreenRegion(d->ScreenRegion);
    FreeVec(d);
    return 0;
}
