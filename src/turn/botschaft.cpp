// The two packet exchanges of letters and the subject check.
#include "turn/botschaft.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/net.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "store/letters.h"
#include "store/mapnames.h"
#include "ui/dialogs.h"

namespace {

LONG AdvisorQuestion(const char *text) { return ChiefMessage(66, 168, 180, 0, 0, 0, 1, text, 7); }

constexpr ULONG kEmpfaengerAt = 280;  // the recipient's id in a letter file, big-endian

void Server(Vek_TCPData *data, ULONG id)
{
    std::memset(data, 0, sizeof *data);
    std::snprintf(data->IPAdresse, sizeof data->IPAdresse, "%s", NetCfg.GameServer);
    data->SpielerID = id;
}

}  // namespace

LONG (*BotschaftFrageHook)(const char *text) = AdvisorQuestion;

BOOL CheckBetreff(const char *Betreff)
{
    if (!Betreff) return 0;
    for (const char *p = Betreff; *p; ++p)
        if (*p != ' ') return 1;
    return 0;
}

BOOL SendBotschaftPerTCPIP()
{
    const UWORD anzahl = GetDirEntries(MAILOUT_DIR);
    if (!anzahl) return 0;
    if (BotschaftFrageHook("Wollen sie die Botschaften direkt auf den Weg schicken ?") != 0) return 0;
    char *namen = GetDirBuffer(MAILOUT_DIR, anzahl);
    if (!namen) {
        std::printf("SendBotschaftPerTCPIP: Konnte Directory-Buffer nicht einlesen\n");
        return 0;
    }
    std::vector<std::string> dateien;
    for (ULONG i = 0; i < anzahl; ++i) {
        const char *name = namen + i * 80;
        // Files being written lie beside their target as hidden names.
        if (name[0] && name[0] != '.') dateien.push_back(std::string(MAILOUT_DIR) + "/" + name);
    }
    FreeVec(namen);
    if (dateien.empty()) return 0;
    if (!GoOnline()) return 0;

    BOOL result = 0;
    for (const std::string &datei : dateien) {
        const ULONG groesse = GetFileSize(datei.c_str());
        auto *buffer = groesse >= kEmpfaengerAt + 4 ? (UBYTE *)LoadFile2Mem(datei.c_str(), 0) : nullptr;
        if (!buffer) {
            std::printf("SendBotschaftPerTCPIP: Konnte File nicht laden! <%s>\n", datei.c_str());
            result = 0;
            GoOffline();
            continue;
        }
        const UBYTE *e = buffer + kEmpfaengerAt;
        Vek_TCPData data;
        Server(&data, (ULONG)e[0] << 24 | (ULONG)e[1] << 16 | (ULONG)e[2] << 8 | e[3]);
        data.Buffer = buffer;
        data.BufferLen = groesse;
        if (!SendPacket_Connect(&data)) {
            FreeVec(buffer);  // the letter waits for the turn
            GoOffline();
            continue;
        }
        bool weiter = true;
        if (!SendPacket_SetSID(&data)) {
            std::printf("SendBotschaftPerTCPIP: Fehler beim senden der SpielerID aufgetreten\n");
            SendPacket_Quit(&data);
            weiter = false;
        } else if (!SendPacket_Msg(&data)) {
            std::printf("SendBotschaftPerTCPIP: Fehler beim senden des DatenBuffers aufgetreten\n");
            SendPacket_Quit(&data);
            weiter = false;
        } else if (!SendPacket_Quit(&data)) {
            std::printf("SendBotschaftPerTCPIP: Fehler beim dekonnektieren aufgetreten\n");
            result = 1;
            weiter = false;
        } else {
            DeleteFile(datei.c_str());
            result = 1;
        }
        FreeVec(buffer);
        GoOffline();
        if (!weiter) break;
    }
    return result;
}

BOOL HoleBotschaftPerTCPIP()
{
    if (BotschaftFrageHook("Wollen sie nach neuen Boten ausschau halten ?") != 0) return 0;
    Vek_TCPData data;
    Server(&data, CheckPrefs(9, PREFS_READ, 0));
    std::snprintf(data.Dir, sizeof data.Dir, "%s", MAILIN_DIR);
    if (!GoOnline()) return 0;
    BOOL result = 0;
    if (SendPacket_Connect(&data)) {
        if (!SendPacket_SetSID(&data)) {
            std::printf("HoleBotschaftPerTCPIP: Fehler beim senden der SpielerID aufgetreten\n");
        } else if (!SendPacket_Mal(&data)) {
            std::printf("HoleBotschaftPerTCPIP: Fehler beim senden des DatenBuffers aufgetreten\n");
        } else {
            result = 1;
        }
        if (!SendPacket_Quit(&data)) std::printf("HoleBotschaftPerTCPIP: Fehler beim dekonnektieren aufgetreten\n");
    }
    GoOffline();
    return result;
}

// ---- the letter text ----

ULONG BriefZeilen(const char *Text, ULONG Laenge, ULONG Breite)
{
    if (!Breite) Breite = 1;
    ULONG zeilen = 1, spalte = 0;
    for (ULONG i = 0; i < Laenge; ++i) {
        if (Text[i] == '\n') {
            ++zeilen;
            spalte = 0;
        } else if (++spalte > Breite) {
            ++zeilen;
            spalte = 1;
        }
    }
    return zeilen;
}

namespace {

ULONG ZeilenAnfang(const BriefText *b, ULONG pos)
{
    while (pos > 0 && b->Text[pos - 1] != '\n') --pos;
    return pos;
}

ULONG ZeilenEnde(const BriefText *b, ULONG pos)
{
    while (pos < b->Laenge && b->Text[pos] != '\n') ++pos;
    return pos;
}

}  // namespace

ULONG BriefCursorZeile(const BriefText *b) { return BriefZeilen(b->Text, b->Cursor, b->Breite) - 1; }

BOOL BriefTaste(BriefText *b, ULONG code, BOOL extended)
{
    if (b->Cursor > b->Laenge) b->Cursor = b->Laenge;
    if (extended) {
        const ULONG anfang = ZeilenAnfang(b, b->Cursor), spalte = b->Cursor - anfang;
        switch (code) {
        case 37:
            if (!b->Cursor) return 0;
            --b->Cursor;
            return 1;
        case 39:
            if (b->Cursor >= b->Laenge) return 0;
            ++b->Cursor;
            return 1;
        case 38: {
            if (!anfang) return 0;
            const ULONG vorher = ZeilenAnfang(b, anfang - 1);
            b->Cursor = vorher + std::min(spalte, anfang - 1 - vorher);
            return 1;
        }
        case 40: {
            const ULONG ende = ZeilenEnde(b, b->Cursor);
            if (ende >= b->Laenge) return 0;
            const ULONG naechste = ende + 1;
            b->Cursor = naechste + std::min(spalte, ZeilenEnde(b, naechste) - naechste);
            return 1;
        }
        default: return 0;
        }
    }
    if (code == 8) {
        if (!b->Cursor) return 0;
        std::memmove(b->Text + b->Cursor - 1, b->Text + b->Cursor, b->Laenge - b->Cursor + 1);
        --b->Cursor;
        --b->Laenge;
        return 1;
    }
    char c;
    if (code == 13) c = '\n';
    else if ((code >= 32 && code < 127) || (code >= 160 && code <= 255)) c = (char)code;
    else return 0;
    if (b->Laenge >= BRIEF_ZEICHEN || b->Laenge + 1 >= sizeof b->Text) return 0;
    std::memmove(b->Text + b->Cursor + 1, b->Text + b->Cursor, b->Laenge - b->Cursor + 1);
    b->Text[b->Cursor] = c;
    if (BriefZeilen(b->Text, b->Laenge + 1, b->Breite) > BRIEF_ZEILEN) {
        std::memmove(b->Text + b->Cursor, b->Text + b->Cursor + 1, b->Laenge - b->Cursor + 1);
        return 0;
    }
    ++b->Laenge;
    ++b->Cursor;
    return 1;
}

LONG BriefWeg(const LONG *Absender, LONG N, LONG Pos, int Richtung, BOOL Filter, LONG Von)
{
    if (N <= 0) return -1;
    if (Pos < 0 || Pos >= N) Pos = 0;
    const LONG schritt = Richtung < 0 ? -1 : 1;
    if (Richtung != 0) Pos = (Pos + schritt + N) % N;
    for (LONG k = 0; Filter && k < N && Absender[Pos] != Von; ++k) Pos = (Pos + schritt + N) % N;
    return Pos;
}
