// The game server's packet protocol: NUL-terminated commands, each answered
// by a reply that begins "+ACK", and raw blocks of an announced length.
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "net/netproto.h"
#include "platform/memfile.h"
#include "platform/files.h"

namespace {

const char *CommandWord(UWORD job)
{
    switch (job) {
    case PJ_SID: return "+SID";
    case PJ_PUT: return "+PUT";
    case PJ_MSG: return "+MSG";
    case PJ_GET: return "+GET";
    case PJ_MAL: return "+MAL";
    case PJ_QUIT: return "+QUI";
    default: return "+HEL";
    }
}

void Done(PacketMachine *m, BOOL result)
{
    m->Result = result;
    m->D.Want = NETWANT_DONE;
}

// A command goes out with its NUL.
void Command(PacketMachine *m, const char *text)
{
    if (!NetOutBytes(&m->D, text, (ULONG)std::strlen(text) + 1)) {
        Done(m, 0);  // never half a command
        return;
    }
    m->D.Want = NETWANT_REPLY;
}

BOOL IsAck(const NetInput *in) { return in->Length >= 4 && std::memcmp(in->Data, "+ACK", 4) == 0; }

BOOL StoreMail(PacketMachine *m)
{
    char name[512];
    std::snprintf(name, sizeof name, "%s%8.8u.email", m->Data->Dir, m->Data->SpielerID);
    if (!CheckPathName(name, sizeof name)) return 0;
    int written = WriteFileAtomic(name, m->Block, m->BlockLen, -1);
    if (written < 0 || (ULONG)written != m->BlockLen) {
        std::printf("SendPacket: Konnte %s nicht speichern\n", name);
        return 0;
    }
    return 1;
}

// A letter file keeps the bytes as received (big-endian like every letter).
BOOL StoreLetter(PacketMachine *m)
{
    const UBYTE *b = m->Block;
    if (m->BlockLen < 284 || std::memcmp(b, "SMAL", 4) != 0) {
        std::printf("SendPacket: +MAL lieferte keinen Brief (%u Bytes)\n", m->BlockLen);
        return 0;
    }
    ULONG sender = (ULONG)b[276] << 24 | (ULONG)b[277] << 16 | (ULONG)b[278] << 8 | b[279];
    char name[512];
    struct stat st;
    for (ULONG index = 0;; ++index) {
        std::snprintf(name, sizeof name, "%sE%7.7x_%2.2u.smal", m->Data->Dir, sender, index);
        if (lstat(name, &st) != 0) break;
        if (index > 100000) return 0;
    }
    int written = WriteFileAtomic(name, b, m->BlockLen, -1);
    if (written < 0 || (ULONG)written != m->BlockLen) {
        std::printf("SendPacket: Konnte %s nicht speichern\n", name);
        return 0;
    }
    return 1;
}

void WantBlock(PacketMachine *m, ULONG length)
{
    FreeVec(m->Block);
    m->Block = (UBYTE *)AllocVec(length, MEMF_CLEAR);
    m->BlockLen = length;
    m->D.BlockDest = m->Block;
    m->D.BlockLen = length;
    m->D.Want = NETWANT_BLOCK;
}

}  // namespace

BOOL PacketAckLength(const char *reply, ULONG replyLen, ULONG max, ULONG *length)
{
    if (replyLen < 6 || std::memcmp(reply, "+ACK ", 5) != 0) return 0;
    unsigned long long v = 0;
    ULONG i = 5;
    for (; i < replyLen && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        v = v * 10 + (ULONG)(reply[i] - '0');
        if (v > max) return 0;
    }
    if (i == 5) return 0;  // whatever follows the number is commentary
    *length = (ULONG)v;
    return 1;
}

void PacketBegin(PacketMachine *m, Vek_TCPData *data, UWORD job)
{
    std::memset(m, 0, sizeof *m);
    m->Data = data;
    m->Job = job;
    char text[64];
    switch (job) {
    case PJ_HELLO: Command(m, "+HEL"); break;
    case PJ_SID:
        std::snprintf(text, sizeof text, "+SID %d", (LONG)data->SpielerID);
        Command(m, text);
        break;
    case PJ_PUT:
    case PJ_MSG:
        std::snprintf(text, sizeof text, "%s %u", CommandWord(job), data->Buffer ? data->BufferLen : 0);
        Command(m, text);
        break;
    default: Command(m, CommandWord(job)); break;
    }
}

void PacketEnd(PacketMachine *m)
{
    FreeVec(m->Block);
    m->Block = nullptr;
}

void PacketFeed(void *machine, const NetInput *in)
{
    auto *m = (PacketMachine *)machine;
    const char *word = m->Job == PJ_HELLO && m->Step == 1 ? "+VER" : CommandWord(m->Job);
    if (in->Kind == NETIN_BLOCK) {
        if (in->Length < m->BlockLen) {
            std::printf("SendPacket: Fehler bei %s. Daten nicht bekommen...\n", word);
            Done(m, 0);  // a cut block is no mail and no letter: nothing is stored
            return;
        }
        if (m->Job == PJ_GET) {
            if (StoreMail(m)) ++m->Stored;
            Done(m, m->Stored > 0);
            return;
        }
        if (StoreLetter(m)) ++m->Stored;
        else m->Result = 0;
        FreeVec(m->Block);
        m->Block = nullptr;
        m->D.Want = NETWANT_REPLY;  // the next letter or the end
        return;
    }
    if (in->Kind != NETIN_LINE) {
        std::printf("SendPacket: Fehler beim %s-Kommando\n", word);
        Done(m, 0);
        return;
    }
    if (!IsAck(in)) {
        if (m->Job == PJ_MAL) {
            Done(m, m->Step == 0 ? 1 : m->Result);  // the end of the letters, maybe at once
            return;
        }
        std::printf("SendPacket: Server meldet Fehler beim %s-Kommando\n", word);
        Done(m, 0);
        return;
    }
    switch (m->Job) {
    case PJ_HELLO:
        if (m->Step++ == 0) Command(m, "+VER 0.01");
        else Done(m, 1);
        return;
    case PJ_PUT:
    case PJ_MSG:
        if (m->Step++ == 0) {
            m->D.Body = (const UBYTE *)m->Data->Buffer;
            m->D.BodyLen = m->Data->Buffer ? m->Data->BufferLen : 0;
            m->D.Want = NETWANT_REPLY;
        } else {
            Done(m, 1);
        }
        return;
    case PJ_GET:
    case PJ_MAL: {
        ULONG max = m->Job == PJ_GET ? NET_MAIL_MAX : NET_LETTER_MAX;
        ULONG length = 0;
        if (m->Step++ == 0) m->Result = 1;
        if (!PacketAckLength((const char *)in->Data, in->Length, max, &length) || length == 0) {
            std::printf("SendPacket: %s meldet eine unbrauchbare L\344nge: %.*s\n", word, (int)(in->Length > 40 ? 40 : in->Length),
                        (const char *)in->Data);
            Done(m, 0);
            return;
        }
        WantBlock(m, length);
        return;
    }
    default:
        Done(m, 1);
    }
}

namespace {

BOOL RunJob(Vek_TCPData *data, UWORD job)
{
    if (!data || !data->MainSocket) return 0;
    auto *m = (PacketMachine *)AllocVec(sizeof(PacketMachine), MEMF_CLEAR);
    PacketBegin(m, data, job);
    NetRunDialog(data->MainSocket, &m->D, PacketFeed, m);
    BOOL result = m->Result;
    PacketEnd(m);
    FreeVec(m);
    return result;
}

}  // namespace

BOOL SendPacket_Connect(Vek_TCPData *data)
{
    if (!data) return 0;
    char host[256];
    UWORD port = GAMESERVER_PORT;
    int why = 1;
    data->MainSocket = nullptr;
    if (NetSplitServer(data->IPAdresse, host, sizeof host, &port, GAMESERVER_PORT))
        data->MainSocket = NetConnect(host, port, &why);
    if (!data->MainSocket) {
        if (why == 1) std::printf("SendPacket: Konnte IP von Vek-Server nicht ermitteln\n");
        else std::printf("SendPacket: Konnte nicht zum Server konnektieren\n");
        return 0;
    }
    if (RunJob(data, PJ_HELLO)) return 1;
    NetClose(data->MainSocket);
    data->MainSocket = nullptr;
    return 0;
}

BOOL SendPacket_SetSID(Vek_TCPData *data) { return RunJob(data, PJ_SID); }
BOOL SendPacket_Put(Vek_TCPData *data) { return RunJob(data, PJ_PUT); }
BOOL SendPacket_Msg(Vek_TCPData *data) { return RunJob(data, PJ_MSG); }
BOOL SendPacket_Get(Vek_TCPData *data) { return RunJob(data, PJ_GET); }
BOOL SendPacket_Mal(Vek_TCPData *data) { return RunJob(data, PJ_MAL); }

BOOL SendPacket_Quit(Vek_TCPData *data)
{
    if (!data || !data->MainSocket) return 0;
    BOOL result = RunJob(data, PJ_QUIT);
    NetClose(data->MainSocket);
    data->MainSocket = nullptr;
    return result;
}
