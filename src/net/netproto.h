// The protocol dialogues as state machines over net/netconn.h: each Begin
// fills the first output, each Feed takes one line, reply or block and fills
// the next; D.Want == NETWANT_DONE ends the dialogue. They never wait.
#pragma once
#include "net/net.h"
#include "net/netconn.h"

// Longest data a peer may announce or send: game mails and web replies.
constexpr ULONG NET_MAIL_MAX = 32u * 1024 * 1024;
constexpr ULONG NET_LETTER_MAX = 64u * 1024;      // one letter of the packet protocol
constexpr ULONG NET_SUBJECT_MAX = 64;             // a game mail's subject, used as a file name

// ---- SMTP ------------------------------------------------------------------
constexpr ULONG SMTP_REPLY_MAX = 1000;
struct SmtpMachine {
    NetDialog D;
    char Host[64];               // the hello argument
    const char *From, *To;
    const char *Body;            // null: log in and quit
    const char *User, *Pass;     // null User: no login
    UWORD State;
    UWORD AuthKind;              // 0 none, 1 PLAIN, 2 LOGIN
    BOOL AuthPlainSeen, AuthLoginSeen;
    BOOL MailAccepted;           // the server took the data
    const char *CcScan;          // where the search for the next "CC: <" goes on
    char Reply[SMTP_REPLY_MAX];  // the reply being collected, all its lines
    ULONG ReplyLen;
    BOOL MidLine;                // the last piece did not end its line
    BOOL LineFinal;              // the current line is the reply's last
    char Refusal[SMTP_REPLY_MAX];
    char Result[SMTP_REPLY_MAX];
    UBYTE *Stuffed;              // the body with dot-stuffing, when it needed any
    ULONG StuffedLen;
};
// body may be null; user null means no login.
void SmtpBegin(SmtpMachine *m, const char *host, const char *from, const char *to, const char *body,
               const char *user, const char *pass);
void SmtpFeed(void *machine, const NetInput *in);
void SmtpEnd(SmtpMachine *m);    // frees what the machine allocated
// The body as it goes on the wire: a line that begins with "." gets a second
// one. A new buffer (caller frees) or null when nothing needs stuffing.
UBYTE *SmtpDotStuff(const char *body, ULONG length, ULONG *outLength);

// ---- POP3 ------------------------------------------------------------------
constexpr ULONG POP3_CODE_MAX = 128;
struct Pop3Machine {
    NetDialog D;
    const char *User, *Pass, *Prefix, *Path;
    BOOL DeleteOther, DeleteOwn;
    UWORD State;
    BOOL LoggedIn;
    ULONG Count, Current, Size;
    BOOL AtLineStart;            // the next piece begins a line
    BOOL Overflow;               // the message passed NET_MAIL_MAX
    BOOL SubjectFound, SubjectBad;
    char Subject[NET_SUBJECT_MAX + 1];
    UBYTE *Msg;
    ULONG MsgLen, MsgCap;
    char SavedName[512];
    BOOL Unflushed;              // files saved since the last flush to disk
    char Code[POP3_CODE_MAX];    // the first error of the session, or "OK"
    ULONG Saved, Deleted;        // counts, for the diagnostics
};
void Pop3Begin(Pop3Machine *m, const char *user, const char *pass, const char *prefix, const char *path,
               BOOL deleteOther, BOOL deleteOwn);
void Pop3Feed(void *machine, const NetInput *in);
void Pop3End(Pop3Machine *m);
// A subject that may become a file name: printable, no "/", "\" or "..",
// 1..NET_SUBJECT_MAX characters.
BOOL Pop3SubjectIsSafe(const char *subject, ULONG length);

// ---- Game-server packets ---------------------------------------------------
enum PacketJob : UWORD { PJ_HELLO = 1, PJ_SID, PJ_PUT, PJ_MSG, PJ_GET, PJ_MAL, PJ_QUIT };
struct PacketMachine {
    NetDialog D;
    Vek_TCPData *Data;
    UWORD Job, Step;
    BOOL Result;
    UBYTE *Block;
    ULONG BlockLen;
    ULONG Stored;                // files written by this job
};
void PacketBegin(PacketMachine *m, Vek_TCPData *data, UWORD job);
void PacketFeed(void *machine, const NetInput *in);
void PacketEnd(PacketMachine *m);
// The number from the sixth character of "+ACK <n> ..." on (what follows it
// is ignored): 1 with *length, 0 when missing, not a number or above max.
BOOL PacketAckLength(const char *reply, ULONG replyLen, ULONG max, ULONG *length);

// ---- HTTP ------------------------------------------------------------------
constexpr ULONG HTTP_REQUEST_MAX = 2560;
constexpr ULONG HTTP_HEADER_MAX = 65536;
constexpr ULONG HTTP_GROW = 100000;
struct HttpMachine {
    NetDialog D;
    UBYTE *Reply;                // status line, headers and body so far
    ULONG Len, Cap;
    BOOL HaveLength;
    ULONG BodyLen;
    BOOL InHeader;
    BOOL Complete;               // all announced bytes arrived, or the peer closed
    BOOL Refused;                // an absurd length or size: no reply at all
    char Request[HTTP_REQUEST_MAX];
};
// 0 when the request does not fit (nothing to send).
BOOL HttpBegin(HttpMachine *m, const char *escapedUrl);
void HttpFeed(void *machine, const NetInput *in);
char *HttpTakeReply(HttpMachine *m);  // the NUL-terminated reply (caller frees) or null
void HttpEnd(HttpMachine *m);

// ---- FTP -------------------------------------------------------------------
constexpr ULONG FTP_REPLY_MAX = 1024;
// Collects one reply of the control connection from its lines: a reply of
// several lines ("230-" ... "230 ") ends at the line that repeats its code
// with a blank. Text holds the last line (its first FTP_REPLY_MAX - 1 bytes).
struct FtpReply {
    char Text[FTP_REPLY_MAX];
    ULONG Len;
    int Code;              // the reply's code once complete, 0 before
    int MultiCode;         // the code of an open reply of several lines
    BOOL MidLine;          // the last piece did not end its line
};
void FtpReplyReset(FtpReply *r);
// One line piece (as NetReadLine hands it out); 1 when the reply is complete.
BOOL FtpReplyFeed(FtpReply *r, const UBYTE *piece, ULONG length);
// 1 when the complete reply answers what was expected: its code, a "125"
// where "150" is expected (the data connection was already open).
BOOL FtpReplyIs(const FtpReply *r, int expected);
// The passive reply's "(a,b,c,d,p1,p2)": the address "a.b.c.d" into address
// (16 bytes) and the port p1 * 256 + p2; the address's length, or 0 when the
// brackets do not hold exactly six numbers of 0-255.
ULONG ConvertFTPAddress(const char *string, UWORD *port, char *address);
// Builds FTPList from a listing text of length bytes (no NUL needed): 1, or
// 0 when a line is neither a directory nor a file (the list is then empty).
BOOL CreateFTPNodes(const char *Buff, ULONG length);
// One listing line without its line end: 1 taken or skipped, 0 invalid.
int MakeFTPNode(const char *line, ULONG length);
// Each ".txt" entry becomes the description of the first archive whose name
// begins with its stem, and leaves the list.
void SortFTPNode();
