// Sign-up rules: checks, sign-up id, preset postboxes, provider presets.
#include "frontend/signup.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "net/gamemail.h"
#include "net/net.h"
#include "platform/gamevalues.h"
#include "platform/strings.h"
#include "platform/system.h"

namespace {

const char *const kTitles[] = {"Lord",   "Baron",   "Vicomte",  "Graf",      "Marquis",
                               "Herzog", "Erzherzog", "K\366nig", "Kaiser",  "Viscount",
                               "Earl",   "Duke",    "Arch duke", "King",     "Emperor"};

// A NUL-terminated copy of a field that may fill its width.
template <size_t N> std::string Field(const char (&f)[N]) { return std::string(f, strnlen(f, N)); }

bool HasPrefixAt(const std::string &email, const char *prefix)
{
    return *prefix && strcasestr(email.c_str(), prefix) != nullptr;
}

ULONG SumBytes(const char *p, size_t n)
{
    ULONG sum = 0;
    for (size_t i = 0; i < n; ++i) sum += (UBYTE)p[i];
    return sum;
}

}  // namespace

st_INIT NewSignupRecord()
{
    st_INIT rec{};
    rec.Head.ChunkID = ID_INIT;
    rec.Head.Version = ('V' << 24) | ('0' << 16) | ('0' << 8) | '1';
    rec.Head.Length = sizeof(st_INIT) - sizeof(st_ChunkHead);
    return rec;
}

void SetSignupField(char *field, size_t width, const char *text)
{
    std::memset(field, 0, width);
    if (!text || !width) return;
    std::memcpy(field, text, strnlen(text, width - 1));
}

std::string SignupFault(const st_INIT &rec, int Full)
{
    const std::string name = Field(rec.SpielName);
    for (const char *t : kTitles)
        if (name.find(t) != std::string::npos) return GetString(&_VEK_INIT_TITEL);
    if (name.empty()) return "Bitte tragen einen Spielernamen ein!";
    if (name.size() < 3) return "Ein Spielername mu\337 mindestens \374ber 3 Buchstaben verf\374gen!";
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return std::string(GetString(&_VEK_INITSCREEN_NOT_ALLOWED_CHARS)) + " " + name;
    if (Full) {
        const std::string email = Field(rec.Email);
        const size_t at = email.find('@');
        if (at == std::string::npos || at == 0 || email.find('.', at + 1) == std::string::npos ||
            email.back() == '.')
            return GetString(&_VEK_INIT_NOEMAIL);
        for (const auto &d : NetCfg.NoServiceDomains)
            if (HasPrefixAt(email, d)) return GetString(&_VEK_INITSCREEN_HOTMAIL);
        for (const auto &d : NetCfg.SslDomains)
            if (HasPrefixAt(email, d)) return GetString(&_VEK_INITSCREEN_GOOGLEMAIL);
    }
    if (IsOperatorAddress(Field(rec.SecondEmail).c_str())) return GetString(&_VEK_INITANLEITUNG_TEXT34);
    for (char c : Field(rec.Handy))
        if (c < '0' || c > '9') return GetString(&_VEK_INITANLEITUNG_TEXT35);
    return "";
}

ULONG GeneriereChecksumme(const st_INIT &rec, ULONG now)
{
    ULONG sum = now + SumBytes(rec.Vorname, sizeof rec.Vorname);
    sum = (sum << 4) + SumBytes(rec.Nachname, sizeof rec.Nachname);
    sum = (sum << 3) + SumBytes(rec.Strasse, sizeof rec.Strasse);
    sum = (sum << 2) + SumBytes(rec.Telefon, sizeof rec.Telefon);
    sum = (sum << 1) + SumBytes(rec.SpielName, sizeof rec.SpielName);
    return sum % 9999999;
}

ULONG PostboxNumber() { return Wuerfel(49) + 1; }

BOOL IsOperatorAddress(const char *Email)
{
    const char *at = Email ? std::strrchr(Email, '@') : nullptr;
    return at && *GameMailCfg.OperatorDomain && !strcasecmp(at + 1, GameMailCfg.OperatorDomain);
}

void SetKavorPostboxNumber(st_INIT *rec, ULONG n)
{
    const std::string address =
        std::string(GameMailCfg.PresetStem) + std::to_string(n) + "@" + GameMailCfg.OperatorDomain;
    OptionenPrefs &op = UserSystem.OP;
    SetSignupField(op.InterSMTPName, NetCfg.OperatorMailHost);
    SetSignupField(op.InterPOPName, NetCfg.OperatorMailHost);
    SetSignupField(op.SMTPUsername, address.c_str());
    SetSignupField(op.InterUsername, address.c_str());
    SetSignupField(op.SMTPPassword, GameMailCfg.PresetStem);
    SetSignupField(op.InterPassword, GameMailCfg.PresetStem);
    SetSignupField(rec->Email, address.c_str());
    SetSignupField(op.EmailAdresse, address.c_str());
}

BOOL SetDefaultProviderServer(const char *Email, int Send)
{
    if (!Email) return 0;
    for (const auto &p : NetCfg.Providers) {
        if (!*p.Key || !strcasestr(Email, p.Key)) continue;
        OptionenPrefs &op = UserSystem.OP;
        if (Send) {
            SetSignupField(op.InterSMTPName, p.Smtp);
        } else {
            SetSignupField(op.InterPOPName, p.Pop);
            const char *at = std::strchr(Email, '@');
            std::string user = p.LocalUser && at ? std::string(Email, (size_t)(at - Email)) : std::string(Email);
            SetSignupField(op.InterUsername, user.c_str());
            SetSignupField(op.InterPassword, "Passwort");
        }
        return 1;
    }
    return 0;
}

std::string ForumUserQuery(const char *base, const char *name, const char *email, const char *password)
{
    auto encode = [](const char *s) {
        std::string out;
        for (; s && *s; ++s) {
            const UBYTE c = (UBYTE)*s;
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                c == '_' || c == '~') {
                out += (char)c;
            } else {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                out += hex;
            }
        }
        return out;
    };
    std::string q = std::string(base ? base : "") + "check_user.php?username=" + encode(name) + "&email=" + encode(email);
    if (password) q += "&password=" + encode(password);
    return q;
}
