// Screen 32: a player without a realm signs up. The form (or the easy
// registration) fills the sign-up record, the record travels to the game
// server as a game mail, and the server's answer - the first realm or a
// refusal - is fetched, kept until the realm is set up, and set up.
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "frontend/frontend.h"
#include "frontend/signup.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/files.h"
#include "platform/gamevalues.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/lists.h"
#include "store/store.h"
#include "turn/gameinit.h"
#include "turn/turn.h"
#include "ui/dialogs.h"
#include "ui/input.h"

namespace {

constexpr const char *kPath = "./Data/Path";
constexpr ULONG kPic = 32;
constexpr UWORD kBoxPic = 66, kBoxX = 168, kBoxY = 180;
constexpr UWORD kTextPen = 7, kFieldPen = 44, kButtonPen = 40;
constexpr LONG kLabelX = 25, kLabelW = 309, kLabelH = 19, kInputX = 132, kInputH = 15;
constexpr LONG kHintX = 336, kHintBottom = 440;
constexpr LONG kButtonY = 455, kButtonW = 130, kButtonH = 20;
constexpr LONG kCancelX = 474, kRegisterX = 336, kGetMailX = 198;
constexpr LONG kRemarkX = 25, kRemarkY = 407, kRemarkW = 307, kRemarkH = 48;

// One input box of the form: its field in the record and where it lies.
struct FormBox {
    UWORD Nummer;
    const LocStr *Label, *Hinweis;
    LONG LabelY, Pixels;
    size_t Offset, Breite;  // the record field; Breite - 1 characters fit
    UWORD Zeilen;
};

const FormBox kBoxes[] = {
    {1, &_VEK_REG_FIRSTNAME, &_VEK_INITANLEITUNG_TEXT1, 40, 200, offsetof(st_INIT, Vorname), 40, 1},
    {2, &_VEK_REG_LASTNAME, &_VEK_INITANLEITUNG_TEXT2, 60, 200, offsetof(st_INIT, Nachname), 40, 1},
    {3, &_VEK_REG_STREET, &_VEK_INITANLEITUNG_TEXT3, 80, 200, offsetof(st_INIT, Strasse), 80, 1},
    {4, &_VEK_REG_POSTALNUMBER, &_VEK_INITANLEITUNG_TEXT4, 100, 100, offsetof(st_INIT, PLZ), 10, 1},
    {5, &_VEK_REG_TOWN, &_VEK_INITANLEITUNG_TEXT5, 120, 200, offsetof(st_INIT, Ort), 40, 1},
    {6, &_VEK_REG_COUNTRY, &_VEK_INITANLEITUNG_TEXT6, 140, 200, offsetof(st_INIT, Land), 40, 1},
    {7, &_VEK_REG_PHONENUMBER, &_VEK_INITANLEITUNG_TEXT7, 160, 200, offsetof(st_INIT, Telefon), 20, 1},
    {8, &_VEK_REG_NICKNAME, &_VEK_INITANLEITUNG_TEXT8, 180, 200, offsetof(st_INIT, SpielName), 40, 1},
    {9, &_VEK_REG_EMAILADR, &_VEK_INITANLEITUNG_TEXT9, 200, 200, offsetof(st_INIT, Email), 40, 1},
    {14, &_VEK_REG_EMAILADR2, &_VEK_INITANLEITUNG_TEXT10, 320, 200, offsetof(st_INIT, SecondEmail), 40, 1},
    {15, &_VEK_REG_HANDY, &_VEK_INITANLEITUNG_TEXT11, 340, 200, offsetof(st_INIT, Handy), 40, 1},
    {16, &_VEK_REG_REMARK, &_VEK_INITANLEITUNG_TEXT12, 388, kRemarkW, offsetof(st_INIT, Anmerkung), 256, 4},
};
constexpr int kBoxCount = sizeof kBoxes / sizeof kBoxes[0];
constexpr int kEmailBox = 8;  // box 9

// Replies of the mail server after which the player may fill in what is missing.
const char *const kRetryCodes[] = {"421", "451", "501", "521", "530", "535", "550", "553", "554"};

struct InitDaten {
    st_INIT *Rec;
    TextFont *Font, *Font1;
    int Active;                 // index into kBoxes, -1 none
    ChiefStruktur1 *Hint;       // the instruction of the active box
    bool GetMail;               // the "get mail" button is shown
};

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...)
{
    char buf[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    return buf;
}

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    return CheckPrefsRead(id, &v) ? v : 0;
}

char *FieldOf(st_INIT *rec, const FormBox &b) { return reinterpret_cast<char *>(rec) + b.Offset; }

std::string SignupFile(ULONG id) { return Format("./Data/I%7.7u.vek", (unsigned)id); }

void Message(const char *text) { ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, text, kTextPen); }
// 0 Ok, 1 Cancel.
LONG Ask(const char *text) { return ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL, text, kTextPen); }

// One input box; the entered text goes into dest (width bytes, NUL kept).
// 0 when the player cancelled.
BOOL AskText(const LocStr *prompt, char *dest, size_t width, ULONG flags)
{
    char buffer[EINGABE_MAX + 1] = {};
    std::snprintf(buffer, sizeof buffer, "%s", dest);
    if (!EingabeBox(buffer, kBoxX, kBoxY, GetString(prompt), nullptr, flags)) return 0;
    SetSignupField(dest, width, buffer);
    return 1;
}

bool StartsWithRetryCode(const char *reply)
{
    for (const char *c : kRetryCodes)
        if (std::strncmp(reply, c, 3) == 0) return true;
    return false;
}

// ---- drawing ----------------------------------------------------------------

void Present(LONG x, LONG y, LONG w, LONG h) { UpdateRectangle(x, y, w, h); }

void DrawField(InitDaten *ld, int i)
{
    RastPort *rp = DisplayRastPort();
    const FormBox &b = kBoxes[i];
    const char *text = FieldOf(ld->Rec, b);
    SetFont(rp, ld->Font1);
    SetDrMd(rp, JAM1);
    if (b.Zeilen > 1) {
        SetAPen(rp, kFieldPen);
        RectFill(rp, kRemarkX, kRemarkY, kRemarkX + kRemarkW - 1, kRemarkY + kRemarkH - 1);
        SetAPen(rp, kTextPen);
        std::string shown = text;
        if (ld->Active == i) shown += "_";
        PrintStringWrapInput(rp, shown.c_str(), kRemarkX + 2, kRemarkY + 1, 257, b.Zeilen, kRemarkW - 4);
        Present(kRemarkX, kRemarkY, kRemarkW, kRemarkH);
        return;
    }
    std::string shown = text;
    if (ld->Active == i) shown += "_";
    PrintText(rp, (UWORD)kInputX, (UWORD)b.LabelY, (UWORD)(kInputX + b.Pixels - 1), (UWORD)(b.LabelY + kInputH - 1),
              shown.c_str(), kFieldPen, kTextPen, PT_FILL | PT_VCENTER | PT_BASELINE);
    Present(kInputX, b.LabelY, b.Pixels, kInputH);
}

void DrawButton(InitDaten *ld, LONG x, const LocStr *label)
{
    RastPort *rp = DisplayRastPort();
    SetFont(rp, ld->Font);
    SetDrMd(rp, JAM1);
    PrintText(rp, (UWORD)x, (UWORD)kButtonY, (UWORD)(x + kButtonW - 1), (UWORD)(kButtonY + kButtonH - 1),
              GetString(label), kButtonPen, kTextPen, PT_FILL | PT_CENTER | PT_VCENTER | PT_BASELINE);
    Present(x, kButtonY, kButtonW, kButtonH);
}

void DrawForm(InitDaten *ld)
{
    RastPort *rp = DisplayRastPort();
    for (int i = 0; i < kBoxCount; ++i) {
        const FormBox &b = kBoxes[i];
        SetFont(rp, ld->Font1);
        SetDrMd(rp, JAM1);
        const LONG right = b.Zeilen > 1 ? kLabelX + kLabelW - 1 : kInputX - 4;
        PrintText(rp, (UWORD)kLabelX, (UWORD)b.LabelY, (UWORD)right, (UWORD)(b.LabelY + kLabelH - 1),
                  GetString(b.Label), 0, kTextPen, PT_VCENTER | PT_BASELINE);
        Present(kLabelX, b.LabelY, kLabelW, kLabelH);
        DrawField(ld, i);
    }
    DrawButton(ld, kCancelX, &_VEK_RESIBUTTON_CANCEL);
    DrawButton(ld, kRegisterX, &_VEK_RESIBUTTON_REGISTER);
    if (ld->GetMail) DrawButton(ld, kGetMailX, &_VEK_RESIBUTTON_GETMAIL);
}

void CloseHint(InitDaten *ld)
{
    QuitChiefMessage(ld->Hint);
    ld->Hint = nullptr;
}

// Makes box i the active one (-1 none); leaving the e-mail box offers the
// preset postbox first.
void Activate(InitDaten *ld, int i)
{
    const int before = ld->Active;
    CloseHint(ld);
    ld->Active = -1;
    if (before >= 0) DrawField(ld, before);
    if (before == kEmailBox && i != kEmailBox) {
        SetKavorPostbox(ld->Rec);
        DrawField(ld, kEmailBox);
    }
    if (i < 0) return;
    ld->Active = i;
    DrawField(ld, i);
    LONG y = kBoxes[i].LabelY;
    if (y + 120 > kHintBottom) y = kHintBottom - 120;
    ld->Hint = ChiefMessageOpen(kBoxPic, (UWORD)kHintX, (UWORD)y, 0, 0, 0, CHIEF_NONMODAL,
                                GetString(kBoxes[i].Hinweis), kTextPen);
}

// A typed key in the active box.
void TypeKey(InitDaten *ld, ULONG code)
{
    const int i = ld->Active;
    const FormBox &b = kBoxes[i];
    char *field = FieldOf(ld->Rec, b);
    const size_t len = strnlen(field, b.Breite);
    if (code == 9) {
        Activate(ld, (i + 1) % kBoxCount);
        return;
    }
    if (code == KEY_BACKSPACE) {
        if (len) field[len - 1] = 0;
    } else if (code == KEY_RETURN) {
        int lines = 1;
        for (size_t k = 0; k < len; ++k) lines += field[k] == '\n';
        if (b.Zeilen == 1 || lines >= b.Zeilen) {
            Activate(ld, -1);
            return;
        }
        if (len + 1 < b.Breite) field[len] = '\n';
    } else if (code >= 32 && code <= 255 && code != 127 && len + 1 < b.Breite) {
        RastPort *rp = DisplayRastPort();
        SetFont(rp, ld->Font1);
        std::string next = std::string(field, len) + (char)code + "_";
        // One-line boxes end at their right edge; the remark wraps.
        if (b.Zeilen > 1 || TextLength(rp, next.c_str(), (ULONG)next.size()) <= (UWORD)(b.Pixels - 2))
            field[len] = (char)code;
    }
    DrawField(ld, i);
}

int BoxAt(LONG x, LONG y)
{
    for (int i = 0; i < kBoxCount; ++i) {
        const FormBox &b = kBoxes[i];
        if (b.Zeilen > 1) {
            if (x >= kRemarkX && x < kRemarkX + kRemarkW && y >= kRemarkY && y < kRemarkY + kRemarkH) return i;
        } else if (x >= kInputX && x < kInputX + b.Pixels && y >= b.LabelY && y < b.LabelY + kInputH) {
            return i;
        }
    }
    return -1;
}

bool OnButton(LONG x, LONG y, LONG bx) { return x >= bx && x < bx + kButtonW && y >= kButtonY && y < kButtonY + kButtonH; }

// ---- the sign-up file and the answer -------------------------------------------

bool WriteSignupFile(const st_INIT *rec, ULONG id)
{
    if (SaveChunk2File(SignupFile(id).c_str(), rec)) return true;
    std::printf("InitScreen: Konnte Anmeldung %s nicht speichern!\n", SignupFile(id).c_str());
    return false;
}

// Step 3: a new sign-up id, the record stamped and written, the preferences
// that the turns need.
bool MakeSignup(st_INIT *rec)
{
    const ULONG old = Pref(11);
    if (old) DeleteFile(SignupFile(old).c_str());
    const ULONG now = (ULONG)GameMailClock();
    const ULONG id = GeneriereChecksumme(*rec, now);
    CheckPrefsWrite(11, id);
    rec->DateInSec = now;
    rec->VekSystem = 2;
    CheckPrefsWriteText(10, rec->SpielName);
    CheckPrefsWriteText(6, rec->Vorname);
    CheckPrefsWriteText(7, rec->Nachname);
    CheckPrefsWriteText(8, rec->Email);
    return WriteSignupFile(rec, id);
}

// The sign-up mail: "ok" or the server's reply; "" when it could not be made.
std::string SendSignupMail(st_INIT *rec)
{
    VekMailInfo info{};
    info.VekMailAbsender = rec->Email;
    info.VekMailAdressat = NetCfg.SignupMailbox;
    info.VekMailSMTPUserName = UserSystem.OP.SMTPUsername;
    info.VekMailSMTPPasswort = UserSystem.OP.SMTPPassword;
    info.VekMailVorname = rec->Vorname;
    info.VekMailNachnahme = rec->Nachname;
    const char *r = SendFileAsEmail(SignupFile(Pref(11)).c_str(), &info, 1);
    return r ? r : "";
}

// Unpacks the newest answer mail into the received pool and deletes the mail
// once the pool is whole; its date key goes to preference 31. 1 when one was
// taken.
bool TakeNewestAnswer()
{
    ListHeader *list = CreateList(EMAIL_LIST_TYPE);
    if (!list) return false;
    bool taken = false;
    if (ScanEmails2List(list, "./Data/POP3In", "I       .email") > 0) {
        DeleteNotNeededNodes(list);
        if (auto *e = (EmailListEntry *)GetNode(list, LIST_INDEX, 0)) {
            const std::string file = e->FileName;
            const ULONG key = e->DateInSecs;
            const ULONG size = GetFileSize(file.c_str());
            auto *raw = (UBYTE *)LoadFile2Mem(file.c_str(), 0);
            if (raw && DecrunchOneEmail(raw, size, POOL_IN)) {
                CheckPrefsWrite(31, key);
                DeleteFile(file.c_str());
                taken = true;
            } else {
                std::printf("InitScreen: Konnte Antwort %s nicht entpacken!\n", file.c_str());
            }
            FreeVec(raw);
        }
    }
    DeleteList(list, LIST_FREE_OWNED);
    return taken;
}

bool PoolHoldsRealm()
{
    return IsChunkPresent(ChunkBit(CN_BMAP) | ChunkBit(CN_IMAP) | ChunkBit(CN_PMAP), POOL_IN);
}

// Steps 8 and 9 on the received pool: 2 when the realm is set up, 0 otherwise.
LONG SetUpFromAnswer()
{
    if (auto *eror = static_cast<st_ChunkHead *>(LoadChunk2Mem(ID_EROR, POOL_IN))) {
        // The server's text: at most the chunk's length, never past its end.
        const char *text = reinterpret_cast<const char *>(eror) + sizeof(st_ChunkHead);
        const std::string why(text, strnlen(text, eror->Length));
        FreeVec(eror);
        Message(GetString(&_VEK_INITSCREEN_REGREJECTED));
        TextBox(why.c_str());
        DeleteFile(POOL_IN);
        CheckPrefsWrite(0, 0);
        return 0;
    }
    if (!PoolHoldsRealm()) {
        Message(GetString(&_VEK_INITSCREEN_NOEMAILS));
        return 0;
    }
    // GameInit clears the sign-up files with the rest of an earlier game; a
    // failed set-up must leave this one for the next attempt.
    const std::string file = SignupFile(Pref(11));
    auto *kept = static_cast<st_INIT *>(LoadChunk2Mem(ID_INIT, file.c_str()));
    const bool deep = VekDisplay.VekScreen_Tiefe > 8;
    if (deep && TurnMapUnlockHook) TurnMapUnlockHook();
    const BOOL ok = GameInit(POOL_IN);
    if (deep && TurnMapNewSetupHook) TurnMapNewSetupHook(1);
    if (!ok) {
        if (kept && !IsFilePresent(file.c_str()) && !SaveChunk2File(file.c_str(), kept))
            std::printf("InitScreen: Konnte Anmeldung %s nicht wieder anlegen!\n", file.c_str());
        FreeVec(kept);
        Message(GetString(&_VEK_INITSCREEN_VEKINITFAILED));
        return 0;
    }
    FreeVec(kept);
    CheckPrefsWrite(0, 2);
    Message(GetString(&_VEK_INITSCREEN_VEKINITOK));
    Message(GetString(&_VEK_INITSCREEN_NEUESPIELZUEGE));
    DeleteFile(file.c_str());
    DeleteFile(POOL_OUT);
    NeuerSpielzug();
    ResidenzDownload(nullptr, nullptr);
    return 2;
}

// Steps 6 to 10: fetch the answer and set up from it, or from the answer a
// former visit kept. 2 when the realm is set up.
LONG FetchAnswer()
{
    const std::string prefix = Format("I%7.7u", (unsigned)Pref(11));
    if (GoOnline()) {
        ChiefStruktur1 *box = ChiefMessageOpen(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_NONMODAL,
                                               GetString(&_VEK_INIT_SCANPOSTFACH), kTextPen);
        const OptionenPrefs &op = UserSystem.OP;
        const char *r = GetEmail(op.InterPOPName, op.InterUsername, op.InterPassword, prefix.c_str(),
                                 "./Data/POP3In/", 0, 1);
        if (!r || std::strcmp(r, "ok") != 0) {
            const std::string text = Format("%s : %s", GetString(&_VEK_INITSCREEN_FEHLERMELDUNG2), r ? r : "-");
            if (box) {
                SetChiefMessageText(box, text.c_str());
                ChiefMessageGetInput(box);
            } else {
                Message(text.c_str());
            }
        } else if (!OptionenPrefsSave()) {
            std::printf("InitScreen: Konnte OptionenPrefs nicht speichern!\n");
        }
        QuitChiefMessage(box);
    }
    TakeNewestAnswer();
    LONG result = 0;
    if (IsFilePresent(POOL_IN)) result = SetUpFromAnswer();
    else Message(GetString(&_VEK_INITSCREEN_NOEMAILS));
    GoOffline();
    return result;
}

// Asks for the data a refused send lacks; 0 when the player cancelled.
BOOL AskMissing(const char *reply)
{
    if (!std::strncmp(reply, "530", 3) || !std::strncmp(reply, "535", 3)) return SMTPAuth();
    if (!std::strncmp(reply, "550", 3) || !std::strncmp(reply, "553", 3) || !std::strncmp(reply, "554", 3))
        return SMTPAfterPOP();
    return GetSMTPServer();
}

// Steps 1 to 5, then the fetch. 2 when the realm is set up, 0 back to the form.
LONG Register(InitDaten *ld)
{
    st_INIT *rec = ld->Rec;
    if (!CheckStringsForFaults(rec, 1)) return 0;
    if (Pref(0) == 1 && Ask(GetString(&_VEK_INIT_SECONDINIT)) != 0) return 0;
    ChiefStruktur1 *box = ChiefMessageOpen(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_NONMODAL,
                                           GetString(&_VEK_INITSCREEN_BLOCKIEREN), kTextPen);
    auto stop = [&](LONG result) {
        QuitChiefMessage(box);
        return result;
    };
    OptionenPrefs &op = UserSystem.OP;
    bool providerSmtp = false;
    if (!std::strcmp(op.InterSMTPName, OPTIONEN_SMTP_PLATZHALTER)) {
        if (SetDefaultProviderServer(rec->Email, 1)) {
            providerSmtp = true;
        } else {
            Message(GetString(&_VEK_INITANLEITUNG_TEXT15));
            if (!GetSMTPServer()) {
                Message(GetString(&_VEK_INITANLEITUNG_TEXT18));
                return stop(0);
            }
        }
    }
    if (!MakeSignup(rec)) return stop(0);
    if (!GoOnline()) return stop(0);
    if (!CheckPlayernameInForum(rec)) {
        GoOffline();
        return stop(0);
    }
    // A preset postbox that fails is not offered again: the form is the way on.
    bool presetUsed = IsOperatorAddress(rec->Email);
    for (;;) {
        const std::string reply = SendSignupMail(rec);
        if (reply == "ok") break;
        if (reply.empty() || !StartsWithRetryCode(reply.c_str()) || presetUsed) {
            Message(Format("%s : %s", GetString(&_VEK_INITSCREEN_FEHLERMELDUNG), reply.c_str()).c_str());
            GoOffline();
            return stop(0);
        }
        const std::string ask = Format("%s : %s  - %s", GetString(&_VEK_INITSCREEN_FEHLERMELDUNG), reply.c_str(),
                                       GetString(&_VEK_INIT_TRYAGAIN));
        if (Ask(ask.c_str()) == 0) {
            if (!AskMissing(reply.c_str())) {
                GoOffline();
                return stop(0);
            }
        } else {
            SetKavorPostboxNumber(rec, PostboxNumber());
            presetUsed = true;
            providerSmtp = false;
            CheckPrefsWriteText(8, rec->Email);
            if (!WriteSignupFile(rec, Pref(11))) {
                GoOffline();
                return stop(0);
            }
            DrawField(ld, kEmailBox);
        }
    }
    if (providerSmtp) SetDefaultProviderServer(rec->Email, 0);
    CheckPrefsWrite(0, 1);
    GoOffline();
    QuitChiefMessage(box);
    if (!ld->GetMail) {
        ld->GetMail = true;
        DrawButton(ld, kGetMailX, &_VEK_RESIBUTTON_GETMAIL);
    }
    return FetchAnswer();
}

// The easy registration: a player name, a preset postbox and, if wanted, a
// second address and a mobile number. 2 when the realm is set up, 0 back to
// the form.
LONG EasyRegistration(InitDaten *ld)
{
    st_INIT *rec = ld->Rec;
    for (;;) {
        if (!AskText(&_VEK_INIT_EASYREGISTRATION2, rec->SpielName, sizeof rec->SpielName, EINGABE_LETTERS)) return 0;
        if (CheckStringsForFaults(rec, 0)) break;
    }
    SetKavorPostboxNumber(rec, PostboxNumber());
    auto offer = [&](const LocStr *question, const LocStr *prompt, char *field, size_t width, ULONG flags) {
        if (Ask(GetString(question)) != 0) return;
        while (AskText(prompt, field, width, flags) && !CheckStringsForFaults(rec, 0)) {
        }
        if (!SignupFault(*rec, 0).empty()) SetSignupField(field, width, "");
    };
    offer(&_VEK_INIT_EASYREGISTRATION3, &_VEK_INIT_EASYREGISTRATION5, rec->SecondEmail, sizeof rec->SecondEmail,
          EINGABE_ALNUM | EINGABE_MAILCHARS);
    offer(&_VEK_INIT_EASYREGISTRATION4, &_VEK_INIT_EASYREGISTRATION6, rec->Handy, sizeof rec->Handy, EINGABE_DIGITS);
    for (int i = 0; i < kBoxCount; ++i) DrawField(ld, i);
    return Register(ld);
}

void Release(InitDaten *ld)
{
    if (!ld) return;
    CloseHint(ld);
    RastPort *rp = DisplayRastPort();
    if (rp) SetFont(rp, nullptr);
    CloseFont(ld->Font);
    CloseFont(ld->Font1);
    FreeVec(ld->Rec);
    FreeVec(ld);
}

}  // namespace

BOOL CheckStringsForFaults(st_INIT *rec, int Full)
{
    const std::string fault = SignupFault(*rec, Full);
    if (fault.empty()) return 1;
    Message(fault.c_str());
    return 0;
}

void SetKavorPostbox(st_INIT *rec)
{
    if (rec->Email[0] && !IsOperatorAddress(rec->Email)) {
        TextBox(GetString(&_VEK_INIT_OWNEMAIL));
        if (Ask(GetString(&_VEK_INIT_VEKPOSTBOX)) == 0) SetKavorPostboxNumber(rec, PostboxNumber());
    }
    SetSignupField(UserSystem.OP.EmailAdresse, rec->Email);
}

BOOL CheckPlayernameInForum(st_INIT *rec)
{
    // Without the forum the name cannot be checked; the game server has the
    // last word on it anyway.
    if (!PlayerInfo.ForumServer[0]) {
        std::printf("CheckPlayernameInForum: Forum nicht erreichbar, Anmeldung geht weiter.\n");
        return 1;
    }
    ChiefStruktur1 *box = ChiefMessageOpen(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_NONMODAL,
                                           GetString(&_VEK_INITSCREEN_CHECKPLAYERNAME), kTextPen);
    auto query = [&](const char *password) {
        const std::string side = ForumUserQuery(PlayerInfo.ForumURL, rec->SpielName, rec->Email, password);
        char *reply = CallPHP(PlayerInfo.ForumServer, side.c_str());
        long number = -1;
        if (const char *body = reply ? std::strstr(reply, "\r\n\r\n") : nullptr) number = std::strtol(body + 4, nullptr, 10);
        FreeVec(reply);
        return number;
    };
    long answer = query(nullptr);
    QuitChiefMessage(box);
    if (answer == 401) {
        if (Ask(GetString(&_VEK_INITSCREEN_USERRESERVED)) != 0) return 0;
        char password[40] = {};
        if (!AskText(&_VEK_INITSCREEN_GETPASSWORD, password, sizeof password, 0)) return 0;
        answer = query(password);
        if (answer == 401) {
            Message(GetString(&_VEK_INITANLEITUNG_TEXT21));
            return 0;
        }
    }
    switch (answer) {
    case 403: Message(GetString(&_VEK_INITANLEITUNG_TEXT36)); return 0;
    case 409: Message(GetString(&_VEK_INITSCREEN_EMAILALREADYUSED)); return 0;
    default:
        // 200, and every answer that is no refusal (also no answer at all).
        if (answer != 200) std::printf("CheckPlayernameInForum: Forum antwortet %ld, Anmeldung geht weiter.\n", answer);
        return 1;
    }
}

BOOL SMTPAfterPOP()
{
    OptionenPrefs &op = UserSystem.OP;
    return AskText(&_VEK_INITSCREEN_POPSERVER, op.InterPOPName, sizeof op.InterPOPName, EINGABE_NOSPACE) &&
           AskText(&_VEK_INITSCREEN_POPUSER, op.InterUsername, sizeof op.InterUsername, EINGABE_NOSPACE) &&
           AskText(&_VEK_INITSCREEN_POPPASSWORD, op.InterPassword, sizeof op.InterPassword, 0);
}

BOOL GetSMTPServer()
{
    OptionenPrefs &op = UserSystem.OP;
    return AskText(&_VEK_INITSCREEN_SMTPSERVER, op.InterSMTPName, sizeof op.InterSMTPName, EINGABE_NOSPACE);
}

BOOL SMTPAuth()
{
    OptionenPrefs &op = UserSystem.OP;
    return AskText(&_VEK_INITSCREEN_SMTPUSER, op.SMTPUsername, sizeof op.SMTPUsername, EINGABE_NOSPACE) &&
           AskText(&_VEK_INITSCREEN_SMTPPASSWORD, op.SMTPPassword, sizeof op.SMTPPassword, 0);
}

LONG InitScreen()
{
    std::printf("Routine: InitScreen\n");
    if (OpenKavorPic(kPath, kPic, 0) < 0) {
        std::printf("InitScreen: Konnte Pic nicht laden!\n");
        CloseKavorPic(kPic, 0);
        return -1;
    }
    auto *ld = static_cast<InitDaten *>(AllocVec(sizeof(InitDaten), MEMF_CLEAR));
    if (ld) {
        ld->Active = -1;
        ld->Rec = static_cast<st_INIT *>(AllocVec(sizeof(st_INIT), MEMF_CLEAR));
        ld->Font = OpenDiskFont("Fonts/KavorC1.fnt");
        ld->Font1 = OpenDiskFont("Fonts/XHelvetica11.fnt");
    }
    if (!ld || !ld->Rec || !ld->Font || !ld->Font1) {
        std::printf("InitScreen: Konnte Font oder Speicher nicht bekommen!\n");
        Release(ld);
        CloseKavorPic(kPic, 0);
        return -1;
    }
    auto leave = [&](LONG result) {
        Release(ld);
        CloseKavorPic(kPic, 1);
        return result;
    };
    st_INIT *rec = ld->Rec;
    const ULONG state = Pref(0);
    const ULONG id = Pref(11);
    st_INIT *loaded = id ? static_cast<st_INIT *>(LoadChunk2Mem(ID_INIT, SignupFile(id).c_str())) : nullptr;
    if (loaded) {
        std::memcpy(rec, loaded, sizeof *rec);
        FreeVec(loaded);
        // Whatever the file held, every text keeps its terminator.
        for (const FormBox &b : kBoxes) FieldOf(rec, b)[b.Breite - 1] = 0;
    } else {
        *rec = NewSignupRecord();
    }
    OptionenPrefs &op = UserSystem.OP;
    if (state == 0 && op.EmailAdresse[0] && std::strcmp(op.EmailAdresse, OPTIONEN_EMAIL_PLATZHALTER) != 0)
        SetSignupField(rec->Email, op.EmailAdresse);
    char mac[12];
    ULONG macLength = 0;
    if (GetMacAddress(mac, &macLength)) std::memcpy(rec->MacAdresse, mac, sizeof rec->MacAdresse);
    // The sign-up travels by mail: the game server's packet service knows no
    // player yet.
    if (op.TCPIP_Flags & TRANSPORT_GAMESERVER) op.TCPIP_Flags = (UBYTE)((op.TCPIP_Flags & ~TRANSPORT_GAMESERVER) | TRANSPORT_MAIL);
    ld->GetMail = state != 0;

    while (Fade) SDL_Delay(20);
    FadeIn();
    DrawForm(ld);

    if (state == 0) {
        TextBox(GetString(&_VEK_INITSCREEN_TEXT1));
        TextBox(GetString(&_VEK_INITSCREEN_DISCLAIMER));
        if (Ask(GetString(&_VEK_INIT_EASYREGISTRATION)) == 0 && EasyRegistration(ld) == 2) return leave(2);
    } else if (state == 1) {
        if (FetchAnswer() == 2) return leave(2);
    }

    for (;;) {
        const ULONG code = GetKey(0);
        if (code == KEY_ESCAPE) return leave(1);
        if (code >= 1 && code <= 255) {
            if (ld->Active >= 0 && !KeyExtended) TypeKey(ld, code);
            continue;
        }
        if (code != EVENT_LEFTUP) continue;
        const LONG x = MousePosition.X, y = MousePosition.Y;
        if (OnButton(x, y, kCancelX)) return leave(1);
        if (OnButton(x, y, kRegisterX)) {
            Activate(ld, -1);
            if (Register(ld) == 2) return leave(2);
            continue;
        }
        if (ld->GetMail && OnButton(x, y, kGetMailX)) {
            Activate(ld, -1);
            if (FetchAnswer() == 2) return leave(2);
            continue;
        }
        const int box = BoxAt(x, y);
        if (box >= 0 && box != ld->Active) Activate(ld, box);
    }
}
