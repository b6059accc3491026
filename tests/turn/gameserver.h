// A stand-in for the game server: it makes the next quarter's answer from a
// realm's received pool (a sale, a letter, a moved figure), mails it packed
// through an SMTP server or serves it on "+GET", takes hand-ins by "+PUT",
// and reads and checks the turns that reach its mailbox.
#pragma once
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "../net/nettest.h"
#include "platform/types.h"

namespace turntest {

// What an answer changes besides the next quarter: the LAND chunk's trust,
// realm points and people, and the server's dice in INFO. -1 and an empty
// dice list keep what the realm's pool holds.
struct AnswerTwist {
    long Vertrauen = -1;
    long Reichspunkte = -1;
    long AnzVolk = -1;
    std::vector<UBYTE> Wuerfelwert;  // the eight INFO dice bytes
};

class GameServerStandIn {
public:
    // turnMaildir: where the SMTP server delivers the turn mailbox.
    explicit GameServerStandIn(const std::string &turnMaildir);
    ~GameServerStandIn();

    // The answer to the realm whose received pool is poolPath: its next
    // quarter, dated `when`, as a whole game mail text.
    std::string MakeAnswer(const std::string &poolPath, ULONG player, std::time_t when, const AnswerTwist &twist = {});
    // Mails it to player@game.test through smtp ("host:port"): 1 when taken.
    bool MailAnswer(const std::string &smtp, const std::string &mail);
    // Starts the packet service for `connections` sessions; "+GET" gets mail.
    std::string ServePackets(const std::string &mail, int connections);
    void StopPackets();
    // Letters waiting for "+MAL" (each a whole letter file), served in order.
    void QueueLetters(const std::vector<std::string> &letters);
    // The letters handed in by "+MSG" since the last call, with the id the
    // session gave by "+SID"; no wait.
    struct Letter {
        long sid;
        std::string bytes;
    };
    std::vector<Letter> TakeLetters();
    // The turn pools handed in (by "+PUT" or into the turn mailbox) since
    // the last call, unpacked; waits up to 10 s for the first one.
    std::vector<std::string> TakeTurns();
    // The sign-up mails that reached the mailbox since the last call: the
    // sign-up id of each (its subject without "@") and its unpacked record;
    // waits up to 10 s for the first one.
    struct Signup {
        std::string id, record;
    };
    std::vector<Signup> TakeSignups();
    // The answer to sign-up `id`: the pool file at poolPath (the first realm)
    // or, with poolPath empty, a refusal with `refusal` as its EROR text;
    // dated `when`, as a whole game mail text to player@game.test.
    std::string MakeSignupAnswer(const std::string &id, const std::string &poolPath, const std::string &refusal,
                                 std::time_t when);
    // Why a turn pool is not a whole turn of this player, or "".
    static std::string CheckTurn(const std::string &pool, ULONG player, ULONG turnTime);

private:
    std::string maildir_;
    std::mutex lock_;
    std::vector<std::string> putBlocks_;
    std::string mail_;
    std::vector<std::string> waiting_;
    std::vector<Letter> letters_;
    nettest::LoopPeer *peer_ = nullptr;
    void Serve(int fd);
};

}  // namespace turntest
