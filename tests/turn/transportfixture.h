// Fixtures of the turn tests: a realm in a scratch directory (pools with LAND
// and KORN, goods, letters), answer mails made from pools at a fixed clock, a
// recording chunk machine, recorded advisor boxes and a loopback that is
// always online.
#pragma once
#include <string>
#include <vector>

#include "common/testutil.h"
#include "net/gamemail.h"
#include "net/net.h"
#include "platform/types.h"
#include "store/chunks.h"
#include "store/converters.h"
#include "turn/turn.h"

namespace turntest {

// A zeroed host-order chunk of this number with payload bytes.
APTR MakeChunk(ULONG num, ULONG payload);
// Adds a chunk to a pool file and frees it.
void Put(APTR chunk, const char *pool);
// A KORN chunk of that quarter and a LAND chunk with distinct values.
void PutKornLand(const char *pool, ULONG year, UWORD quarter, ULONG gold = 500);
// The chunk IDs of a pool file in their order, as four-letter texts.
std::vector<std::string> ChunkOrder(const std::string &pool);
// A goods chunk of these entries into ./Data/WarenChunk.vek.
void PutWares(const std::vector<st_WARE_EXT> &wares);

// An answer of that quarter, dated by the clock at `when`, as the mail file
// ./Data/POP3In/<name>.
void PutAnswer(const std::string &name, std::time_t when, ULONG year, UWORD quarter, UWORD misc = 0);

// Every file under ./Data, ./Map and ./TurnJournal with its bytes.
std::vector<std::pair<std::string, std::string>> Tree();
// The names of the files in which two trees differ ("-" only in a, "+" only
// in b, "~" other bytes), for a short failure; empty when equal.
std::string TreeDiff(const std::vector<std::pair<std::string, std::string>> &a,
                     const std::vector<std::pair<std::string, std::string>> &b);

// What the fakes saw.
struct Record {
    std::vector<std::string> steps;   // "INFO 0 POP3In" style: chunk, mode, pool folder
    std::vector<std::string> texts;   // every box text in order
    int opened = 0, confirmed = 0, closed = 0, delays = 0, messages = 0, textBoxes = 0;
    int mapUnlocks = 0, mapSetups = 0;
};
extern Record Seen;
// The fake chunk machine ends the process (status 9) when its call count
// reaches this number; -1 never.
extern int KillAtStep;
// The fake chunk machine's calls since the fakes were installed.
int ChunkMachineCalls();
// Installs the fakes (recording chunk machine writing ./Data/steps.log, box
// recorders, an online loopback) and clears Seen; puts everything back on
// destruction.
class Fakes {
public:
    Fakes();
    ~Fakes();

private:
    TurnSteps steps_;
    TurnBoxes boxes_;
    NetConfig net_;
    BOOL (*resolve_)(const char *, ULONG *);
    APTR (*chiefOpen_)(const char *);
    void (*chiefClose_)(APTR);
    void (*chiefMessage_)(const char *);
};

}  // namespace turntest
