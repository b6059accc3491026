// The game's chat: one connection to one IRC server and one channel, run by a
// reader thread that logs in, joins, answers pings and keeps the channel's
// nicknames, with a queue of received batches for the consumer and a queue
// of lines to send; and the chat panel, a thread that shows the channel's
// lines one at a time in a strip at the bottom of every screen.
#pragma once
#include <atomic>

#include "platform/types.h"

struct SDL_semaphore;
struct SDL_Thread;
struct VekConn;
struct RastPort;
struct TextFont;

// One queue entry: a received batch (the consumer takes it over) or a line
// to send with its command code.
struct EavesMessage {
    EavesMessage *eaves_Next;
    ULONG Flags;                // outgoing: the command code; 0 nothing to send
    char *eaves_MessageText;
    ULONG eaves_MessageLen;
};

// Status bits of a connection.
constexpr UWORD IRC_RECEIVED = 0x0001;     // a batch came; cleared once the server's name is known
constexpr UWORD IRC_WAITING = 0x0002;      // the login is not through (or was refused)
constexpr UWORD IRC_PARSING = 0x0004;      // the batch in hand is being parsed
constexpr UWORD IRC_SERVERNAME = 0x0008;   // the server's own name was adopted
constexpr UWORD IRC_NAMESDONE = 0x0010;    // end of the names list
constexpr UWORD IRC_QUITTING = 0x0020;     // batches are taken unparsed
constexpr UWORD IRC_LOST = 0x0040;         // kicked, killed, refused: the connection is of no use
constexpr UWORD IRC_JOINED = 0x0080;
constexpr UWORD IRC_IDENTIFY = 0x0100;     // NickServ asked the nickname to identify
constexpr UWORD IRC_LEFT = 0x0200;         // somebody left the channel
constexpr UWORD IRC_MOTDEND = 0x0400;
constexpr UWORD IRC_MOTDSTART = 0x0800;
constexpr UWORD IRC_CLOSING = 0x1000;      // "ERROR :Closing Link:"

// Command codes of SendIRC and SendIRCExt.
constexpr ULONG IRC_CHANNEL = 2;   // PRIVMSG to the channel (NOTICE to a user when one is given)
constexpr ULONG IRC_NOTICE = 3;    // NOTICE to Adressat
constexpr ULONG IRC_NICK = 4;      // NICK
constexpr ULONG IRC_PRIVATE = 5;   // PRIVMSG to Adressat

// Chat panel flags (IRCPanel of the panel's own record).
constexpr UWORD IRCPANEL_ACTIVE = 0x01;
constexpr UWORD IRCPANEL_ONLINE = 0x02;
constexpr UWORD IRCPANEL_SHOW = 0x04;
constexpr UWORD IRCPANEL_QUIT = 0x08;

constexpr ULONG IRC_BATCH = 20000;          // receive buffer; a batch is at most IRC_BATCH - 1 bytes
constexpr ULONG IRC_LINE = 512;             // a line sent, and a line kept across batches
constexpr ULONG IRC_NAME = 80;              // a nickname table slot
constexpr ULONG IRC_QUEUE_MAX = 1024 * 1024;  // unread batches kept; the oldest go first
constexpr UWORD IRC_PORT = 6667;

struct VekChannel {
    SDL_semaphore *Semaphore;            // guards the queues and ErrorText
    EavesMessage *SemaphoreMessage;      // received batches, oldest first
    EavesMessage *SemaphoreReturn;       // lines to send, oldest first
    SDL_Thread *EavesDrop;               // the reader (or the panel) thread
    std::atomic<UWORD> Status;
    char *IOMemPtr;                      // the batch the consumer holds
    char *IOMessagePtr;                  // the batch received last (the reader's)
    UWORD IOMemLen;
    UWORD IOMessageLen;
    UWORD UserAnzahl;
    char *NamesPtr;                      // UserAnzahl slots of IRC_NAME bytes
    char *Host;                          // 100 bytes: the server, then the name it gives itself
    char Channel[160];
    char Nick[80];
    char *ErrorText;                     // what ended or spoilt the connection; under Semaphore
    char Adressat[80];                   // addressee of the next NOTICE or private message
    std::atomic<UWORD> IRCPanel;         // panel flags (the panel's record)
    VekChannel *IRCPanelChannel;         // the panel's connection (the panel's record)
    char *Restzeile;                     // a line the last batch cut off
    char *Patchzeile;                    // Restzeile joined with its end
    char IOBackupPtr[512];               // the nickname or line the parser noted last
    void *MessagePort;
    VekConn *Socket;
    int CallerThreadID, ThreadID;
    std::atomic<BOOL> Stop;
    std::atomic<BOOL> HasFinished;
    ULONG SocketSetTimeout;              // milliseconds to wait for data
    // Looked up by the caller, so that the reader thread resolves no names.
    ULONG Address;
    UWORD Port;
    BOOL Resolved;
    ULONG QueuedBytes;                   // of the unread received batches
    UWORD PingDepth;                     // pings answered inside the batch being parsed
};

// Connections. Every routine prints a German line on failure.
// A new connection (logged in and joined when IRC_NAMESDONE is set, else
// ErrorText tells why); null only when the record, semaphore or thread
// cannot be made. host is "name[:port]", port 6667 by default.
VekChannel *InitIRC(const char *Host, const char *Channel, const char *Nick, APTR Getkey);
void ExitIRC(VekChannel *Channel);  // ends the reader (within 2 s) and frees the record; null accepted
// Queues one line: "Broken pipe !" when the connection is lost, else the
// consumer's batch.
const char *SendIRC(VekChannel *Channel, const char *Message, const char *User, ULONG Command);
char *GetIRC(VekChannel *Channel);  // the next received batch (lines ending in NUL), or null
void ChangeNick(char *Nick, int FehlerNummer);  // Nick holds at least 80 bytes
void AddIRCNameExt(VekChannel *Channel, const char *User);
void DeleteIRCNameExt(VekChannel *Channel, const char *User);
const char *CheckOpChars(const char *String);
void SendExitMessage(VekChannel *Channel, const char *Message);
// A copy of ErrorText (caller frees with FreeVec), or null while all is well.
char *IRCErrorText(VekChannel *Channel);
// Reader-thread side: the line of a command code sent at once; 1 or 0.
BOOL SendIRCExt(VekChannel *Channel, const char *Message, ULONG Command);
// Receives one batch (waiting at most SocketSetTimeout) and parses it.
void ListenIRCExt(VekChannel *Channel);
// Parses a received batch (NUL-terminated, IOMessageLen bytes) line by line.
void ParseExt(VekChannel *Channel, char *Message);
int QuitIRCExt(VekChannel *Channel);
// Builds the line of a command code into out (IRC_LINE bytes), CR LF
// always fitting; CR, LF and NUL of the text become blanks. Its length.
ULONG IrcBuildLine(const VekChannel *Channel, const char *Message, ULONG Command, char *out);

// Tests and the panel: the dice of the 432 rename, and how long the reader
// waits in its login steps (IRC_RECEIVES receives of SocketSetTimeout each).
extern ULONG (*IrcWuerfelHook)(ULONG n);
extern ULONG IrcWaitMs;  // the reader's wait for data: 1000 ms

// The chat panel.
// Draws one received line into the panel's strip, piece by piece (each
// shown for IRCPanelPieceMs): 1 when it was a chat line.
BOOL IRCPanel_SetText(RastPort *PanelRP, VekChannel *Channel, const char *Text, TextFont *Font);
// The label and message of a chat line of channel, and the pen of the
// message (3 for an action, 7 else); 0 when the line is no chat line.
BOOL IrcChatLine(const char *line, const char *channel, char *label, ULONG labelSize, char *message,
                 ULONG messageSize, UWORD *pen);
// The pieces a message of the given label width falls into (character
// widths from widthOf), as (start, length) pairs.
struct IrcPiece {
    ULONG Start, Length;
};
ULONG IrcWrapMessage(const char *message, ULONG labelWidth, ULONG (*widthOf)(void *ctx, UBYTE c), void *ctx,
                     IrcPiece *pieces, ULONG maxPieces);
extern ULONG IRCPanelPieceMs;    // how long a piece stays: 3000 ms
extern ULONG IRCPanelIdleMs;     // the panel's pause with nothing to draw: 200 ms
