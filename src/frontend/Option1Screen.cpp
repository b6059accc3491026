// Screen 134: the mail and transport option page. The player's mail account
// (POP3 user, password and server, SMTP server, address, SMTP user and
// password), the network stack, the way turns travel and the chat panel.
// Changed account data are tried on the real servers before they are kept;
// a changed address goes to the game server with the next turn.
#include <cstdio>
#include <cstring>
#include <string>

#include "frontend/frontend.h"
#include "frontend/optionpage_local.h"
#include "frontend/optionrules.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "net/net.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "turn/turn.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"

namespace {

// The misspelt folder name stays in the message; the file is read from where it lies.
constexpr const char *kLayout = "./Data/screendat/Optionen1.dat";
constexpr UWORD kPicture = 134;
constexpr ULONG kMask = 411;
constexpr UWORD kBoxPic = 66, kBoxX = 168, kBoxY = 180;
constexpr int kFields = 7;
constexpr LONG kPopPassword = 1, kEmail = 4, kSmtpPassword = 6;

const OptionPageTexts kTexts = {
    "Option1Screen",
    "Option1Screen: Kein Speicher f\374r locale Daten!\n",
    "Option1Screen: Konnte Font nicht laden!\n",
    "Option1Screen: Konnte Kavor-Font nicht \366ffnen !",
    "Option1Screen: Konnte Pic nicht laden!\n",
    "Option1Screen: Konnte gr\374nen Button nicht laden!\n",
    "Option1Screen: Konnte roten Button nicht laden!\n",
    "OptionenScreen: Kann TitelbarDaten <./Data/ScreenDat/Optionen1.dat> nicht laden!\n%.0s",
};

struct LocalData {
    UBYTE TCPIP_Flags;
    ULONG TCPIP_ID;
    OptionPage Page;
    char InterPassword[40];  // the real passwords; the fields show stars
    char SMTPPassword[40];
    LONG ActiveInputID;  // -1 none
    BOOL Changed;
    OptionField Field[kFields];
};

void Message(const char *text) { ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, text, OPTION_LABEL_PEN); }
// 0 Ok, 1 Cancel.
LONG Ask(const char *text)
{
    return ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OKCANCEL, text, OPTION_LABEL_PEN);
}

bool IsPassword(LONG i) { return i == kPopPassword || i == kSmtpPassword; }
char (&RealPassword(LocalData *ld, LONG i))[40] { return i == kPopPassword ? ld->InterPassword : ld->SMTPPassword; }

// A text of at most 39 characters from a 40-byte field that may lack its NUL.
void SetText(char *dest, size_t size, const char *src, size_t srcSize)
{
    size_t n = strnlen(src, srcSize);
    if (n > OPTION_TEXT_MAX) n = OPTION_TEXT_MAX;
    if (n >= size) n = size - 1;
    std::memset(dest, 0, size);
    std::memcpy(dest, src, n);
}
template <size_t N> void SetOption(char (&dest)[N], const char *src) { SetText(dest, N, src, OPTION_FIELD_BYTES); }

void Stars(OptionField *f, const char *password)
{
    const size_t n = strnlen(password, OPTION_TEXT_MAX);
    std::memset(f->Text, 0, sizeof f->Text);
    std::memset(f->Text, '*', n);
}

void FillFields(LocalData *ld)
{
    const OptionenPrefs &op = UserSystem.OP;
    SetText(ld->Field[0].Text, OPTION_FIELD_BYTES, op.InterUsername, sizeof op.InterUsername);
    SetText(ld->InterPassword, sizeof ld->InterPassword, op.InterPassword, sizeof op.InterPassword);
    Stars(&ld->Field[1], ld->InterPassword);
    SetText(ld->Field[2].Text, OPTION_FIELD_BYTES, op.InterPOPName, sizeof op.InterPOPName);
    SetText(ld->Field[3].Text, OPTION_FIELD_BYTES, op.InterSMTPName, sizeof op.InterSMTPName);
    if (op.EmailAdresse[0]) {
        SetText(ld->Field[4].Text, OPTION_FIELD_BYTES, op.EmailAdresse, sizeof op.EmailAdresse);
    } else if (char *pref = CheckPrefsReadText(8)) {
        SetText(ld->Field[4].Text, OPTION_FIELD_BYTES, pref, 41);
        FreeVec(pref);
    }
    SetText(ld->Field[5].Text, OPTION_FIELD_BYTES, op.SMTPUsername, sizeof op.SMTPUsername);
    SetText(ld->SMTPPassword, sizeof ld->SMTPPassword, op.SMTPPassword, sizeof op.SMTPPassword);
    Stars(&ld->Field[6], ld->SMTPPassword);
}

void BlitSwitchButton(LocalData *ld)
{
    for (ULONG i = 0; i < 5; ++i) DrawOptionSwitch(&ld->Page, i, ld->TCPIP_ID == i);
    DrawOptionSwitch(&ld->Page, 5, (ld->TCPIP_Flags & 0x01) != 0);
    DrawOptionSwitch(&ld->Page, 6, (ld->TCPIP_Flags & 0x04) != 0);
    DrawOptionSwitch(&ld->Page, 7, (ld->TCPIP_Flags & 0x10) != 0);
}

// After a switch change: the stack restarted with the page's choice.
void ApplySwitches(LocalData *ld)
{
    BlitSwitchButton(ld);
    Quit_TCP_IP();
    UserSystem.OP.TCPIP_ID = (UBYTE)ld->TCPIP_ID;
    UserSystem.TCPIP_ID = (char)ld->TCPIP_ID;
    UserSystem.OP.TCPIP_Flags = ld->TCPIP_Flags;
    Start_TCP_IP();
}

void SetActiveString(LocalData *ld)
{
    const LONG i = ld->ActiveInputID;
    if (i < 0) return;
    ActivateOptionField(&ld->Page, (ULONG)i, &ld->Field[i], IsPassword(i) ? (UWORD)OPTION_TEXT_MAX : 0);
}

void EndEntry(LocalData *ld)
{
    EndOptionField();
    ld->ActiveInputID = -1;
}

// The domain check with its question: 1 go on, 0 the player cancelled.
BOOL DomainAccepted(const char *email, const char *pop)
{
    if (MailDomainMatches(email, pop)) return 1;
    return Ask(GetString(&_VEK_OPTION1_TESTDOMAIN)) == 0;
}

// A failed server step: the reply in the advisor's box until a click.
void ShowFailure(ChiefStruktur1 *box, const char *format, const char *reply)
{
    char text[1200];
    std::snprintf(text, sizeof text, format, GetString(&_VEK_RESIDOWNLOAD_FEHLER), reply ? reply : "-");
    std::printf("Option1Screen: %s\n", text);
    if (box && SetChiefMessageText(box, text)) ChiefMessageGetInput(box);
    else Message(text);
}

BOOL CheckOptionenEmailSettings(LocalData *ld)
{
    const char *email = ld->Field[kEmail].Text;
    if (!std::strchr(email, '@')) return 0;
    if (!DomainAccepted(email, ld->Field[2].Text)) return 0;
    if (!GoOnline()) return 1;
    ChiefStruktur1 *box = ChiefMessageOpen(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_NONMODAL,
                                           GetString(&_VEK_OPTION1_TESTPOP), OPTION_LABEL_PEN);
    const char *pop = GetEmail(ld->Field[2].Text, ld->Field[0].Text, ld->InterPassword, "XYZ", "./Data/POP3In/", 0, 0);
    if (!pop || std::strcmp(pop, "ok") != 0) {
        ShowFailure(box, "%s : %s", pop);
        QuitChiefMessage(box);
        return 0;
    }
    if (box) SetChiefMessageText(box, GetString(&_VEK_OPTION1_TESTSMTP));
    Delay(50);
    // NUL, user, NUL, password.
    char auth[2 + 2 * 40] = {};
    const size_t user = strnlen(ld->Field[5].Text, OPTION_TEXT_MAX);
    std::memcpy(auth + 1, ld->Field[5].Text, user);
    std::memcpy(auth + 2 + user, ld->SMTPPassword, strnlen(ld->SMTPPassword, OPTION_TEXT_MAX));
    char *smtp = SendEmail(ld->Field[3].Text, email, email, "", auth);
    const bool ok = smtp && std::strcmp(smtp, "ok") == 0;
    if (!ok) ShowFailure(box, "%s: %s", smtp);
    FreeVec(smtp);
    QuitChiefMessage(box);
    if (!ok) return 0;
    GoOffline();
    return 1;
}

BOOL UpdateOptionenPrefs(LocalData *ld)
{
    if (!CheckOptionenEmailSettings(ld)) return 0;
    OptionenPrefs &op = UserSystem.OP;
    op.TCPIP_Flags = ld->TCPIP_Flags;
    SetOption(op.InterUsername, ld->Field[0].Text);
    SetOption(op.InterPassword, ld->InterPassword);
    SetOption(op.InterPOPName, ld->Field[2].Text);
    SetOption(op.InterSMTPName, ld->Field[3].Text);
    SetOption(op.EmailAdresse, ld->Field[kEmail].Text);
    SetOption(op.SMTPUsername, ld->Field[5].Text);
    SetOption(op.SMTPPassword, ld->SMTPPassword);
    if (!CheckPrefsWriteText(8, op.EmailAdresse)) std::printf("Option1Screen: Konnte Pref 8 nicht schreiben!\n");
    ULONG realm = 0;
    if (CheckPrefsRead(0, &realm) && realm == 2) ResidenzUpload();
    return 1;
}

// The address in field 4 offered as the player's new one: 1 when taken.
BOOL ChangeEmailPostfach(LocalData *ld)
{
    const char *email = ld->Field[kEmail].Text;
    bool taken = Ask(GetString(&_VEK_OPTION1_MAILAENDERN)) == 0;
    // An address without "@" would reach the game server as the player's.
    if (taken) taken = std::strchr(email, '@') && DomainAccepted(email, ld->Field[2].Text);
    if (taken) {
        auto *rec = static_cast<st_INIT *>(AllocVec(sizeof(st_INIT), MEMF_CLEAR));
        if (!rec) {
            std::printf("ChangeEmailPostfach : Konnte Speicher nicht allokieren...\n");
            return 0;
        }
        *rec = AddressChangeRecord(email);
        const BOOL added = AddChunkPool(rec, POOL_OUT);
        FreeVec(rec);
        if (added) {
            SetOption(UserSystem.OP.EmailAdresse, email);
            if (!CheckPrefsWriteText(8, UserSystem.OP.EmailAdresse))
                std::printf("Option1Screen: Konnte Pref 8 nicht schreiben!\n");
            return 1;
        }
        std::printf("ChangeEmailPostfach : Konnte Chunk nicht anh\344ngen!\n");
    }
    SetText(ld->Field[kEmail].Text, OPTION_FIELD_BYTES, UserSystem.OP.EmailAdresse, sizeof UserSystem.OP.EmailAdresse);
    PrintOptionField(&ld->Page, kEmail, ld->Field[kEmail].Text, 1);
    return 0;
}

void Key(LocalData *ld, ULONG key)
{
    ld->Changed = 1;
    LONG i = ld->ActiveInputID;
    if (i == kEmail && (key == 9 || key == KEY_RETURN)) {
        EndOptionField();
        if (!ChangeEmailPostfach(ld)) {
            SetActiveString(ld);
            return;
        }
    }
    if (key == KEY_RETURN) {
        EndEntry(ld);
        return;
    }
    if (key == 9) {
        ld->ActiveInputID = i < 0 ? 0 : (i + 1) % kFields;
        SetActiveString(ld);
        return;
    }
    if (i < 0 || key < 1 || key > 255) return;
    OptionField *f = &ld->Field[i];
    if (key == KEY_BACKSPACE) {
        TypeOptionField(&ld->Page, (ULONG)i, f, key);
        if (IsPassword(i)) PasswordKey(RealPassword(ld, i), key, strnlen(f->Text, sizeof f->Text));
    } else if (IsPassword(i)) {
        const size_t stars = strnlen(f->Text, sizeof f->Text);
        if (PasswordKey(RealPassword(ld, i), key, stars)) {
            f->Text[stars] = '*';
            f->Text[stars + 1] = 0;
            SetActiveString(ld);
        }
    } else {
        TypeOptionField(&ld->Page, (ULONG)i, f, key);
    }
}

// Leaving by NEXT, PREV or OKOK: 1 when the page may close.
BOOL Store(LocalData *ld)
{
    if (!ld->Changed) return 1;
    EndEntry(ld);
    if (!UpdateOptionenPrefs(ld)) return 0;
    ld->Changed = 0;
    return 1;
}

LONG Run(LocalData *ld)
{
    RastPort *rp = DisplayRastPort();
    for (;;) {
        const ULONG code = GetKey(0);
        GadgetData *g = CheckGadgets(rp, ld->Page.Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id >= MakeGadgetID("BU10") && id <= MakeGadgetID("BU14")) {
            const ULONG stack = id - MakeGadgetID("BU10");
            if (ld->TCPIP_ID != stack) {
                ld->TCPIP_ID = stack;
                ApplySwitches(ld);
            }
            continue;
        }
        if (id >= MakeGadgetID("ST10") && id <= MakeGadgetID("ST16")) {
            ld->ActiveInputID = (LONG)(id - MakeGadgetID("ST10"));
            SetActiveString(ld);
            continue;
        }
        switch (id) {
        case MakeGadgetID("BU18"):
        case MakeGadgetID("BU19"):
        case MakeGadgetID("IRCP"): {
            const TransportSwitch which = id == MakeGadgetID("BU18")   ? SWITCH_TURNS_BY_MAIL
                                          : id == MakeGadgetID("BU19") ? SWITCH_TURNS_BY_PACKETS
                                                                       : SWITCH_CHAT_PANEL;
            const UBYTE flags = TransportFlags(ld->TCPIP_Flags, which);
            if (flags != ld->TCPIP_Flags) {
                ld->TCPIP_Flags = flags;
                ApplySwitches(ld);
            }
            break;
        }
        case GADGET_KEY: Key(ld, g->Flags); break;
        case MakeGadgetID("INFO"): TextBox(GetString(&_VEK_OPTION1_INFOTEXT1)); break;
        case MakeGadgetID("NEXT"):
            if (Store(ld)) return 1141;
            break;
        case MakeGadgetID("PREV"):
            if (Store(ld)) return 133;
            break;
        case MakeGadgetID("OKOK"):
            if (!Store(ld)) break;
            if (!OptionenPrefsSave()) std::printf("OptionScreen: Fehler beim Speichern der OptionenPrefs!\n");
            return 2;
        case GADGET_EXIT: return 2;
        default: break;
        }
    }
}

}  // namespace

LONG Option1Screen()
{
    std::printf("Routine: Option1Screen\n");
    auto *ld = static_cast<LocalData *>(AllocVec(sizeof(LocalData), MEMF_CLEAR));
    if (!ld) {
        std::printf("%s", kTexts.NoMemory);
        return 0;
    }
    ld->ActiveInputID = -1;
    LONG result = 0;
    if (OpenOptionPage(&ld->Page, kTexts, kPicture, kLayout, kMask)) {
        PrintOptionLabels(&ld->Page, 0);
        ld->TCPIP_ID = UserSystem.OP.TCPIP_ID;
        ld->TCPIP_Flags = UserSystem.OP.TCPIP_Flags;
        FillFields(ld);
        for (ULONG i = 0; i < kFields; ++i) PrintOptionField(&ld->Page, i, ld->Field[i].Text, 0);
        BlitSwitchButton(ld);
        FadeIn();
        result = Run(ld);
    }
    CloseOptionPage(&ld->Page, 1);
    FreeVec(ld);
    return result;
}
