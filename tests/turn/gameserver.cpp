#include "gameserver.h"

#include "common/testutil.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "net/gamemail.h"
#include "net/net.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "store/chunks.h"
#include "store/packer.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace turntest {

namespace {

const std::string NUL(1, '\0');

std::string FileText(const std::string &path)
{
    std::string s;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

ULONG BE32(const std::string &b, size_t at)
{
    return (ULONG)(UBYTE)b[at] << 24 | (ULONG)(UBYTE)b[at + 1] << 16 | (ULONG)(UBYTE)b[at + 2] << 8 | (UBYTE)b[at + 3];
}

std::string Unpack(const std::string &mail)
{
    std::string out = "stand-in.unpacked";
    if (!DecrunchOneEmail((const UBYTE *)mail.data(), (ULONG)mail.size(), out.c_str())) return "";
    std::string pool = FileText(out);
    DeleteFile(out.c_str());
    return pool;
}

// The pool packed as a game mail from the server to the player.
std::string PackedMail(const std::string &pool, const char *subject, std::time_t when)
{
    VekMailInfo info{};
    auto *data = (UBYTE *)AllocVec((ULONG)pool.size(), 0);
    std::memcpy(data, pool.data(), pool.size());
    info.VekMailData = data;
    info.VekMailLength = (ULONG)pool.size();
    EXPECT_EQ(Implode(&info), IMPLODE_OK);
    std::string packed((const char *)info.VekMailData, info.VekMailLength);
    FreeVec(info.VekMailData);
    FreeVec(data);
    char from[] = "server@game.test", to[] = "player@game.test";
    VekMailInfo hdr{};
    hdr.VekMailAbsender = from;
    hdr.VekMailAdressat = to;
    hdr.VekMailSubject = (char *)subject;
    char *header = GameMailHeader("answer", &hdr, when);
    std::string text = header;
    FreeVec(header);
    size_t cc = text.find("CC: ");  // the server keeps no archive copy of its answers
    text.erase(cc, text.find("\r\n", cc) + 2 - cc);
    text += packed;
    return text;
}

}  // namespace

GameServerStandIn::GameServerStandIn(const std::string &turnMaildir) : maildir_(turnMaildir) {}

GameServerStandIn::~GameServerStandIn() { StopPackets(); }

namespace {

// The dice lie in INFO at the pool's start; the next chunk added sums the
// pool's checksum again.
void PatchDice(const std::string &pool, const std::vector<UBYTE> &dice)
{
    if (dice.empty()) return;
    ASSERT_EQ(dice.size(), 8u);
    FILE *f = std::fopen(pool.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    const bool ok = std::fseek(f, offsetof(st_INFO, Wuerfelwert), SEEK_SET) == 0 && std::fwrite(dice.data(), 1, 8, f) == 8;
    EXPECT_EQ(std::fclose(f), 0);
    EXPECT_TRUE(ok);
}

void TwistLand(const std::string &pool, const AnswerTwist &twist)
{
    if (twist.Vertrauen < 0 && twist.Reichspunkte < 0 && twist.AnzVolk < 0) return;
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, pool.c_str());
    ASSERT_NE(land, nullptr);
    if (twist.Vertrauen >= 0) land->Vertrauen = (decltype(land->Vertrauen))twist.Vertrauen;
    if (twist.Reichspunkte >= 0) land->Reichspunkte = (decltype(land->Reichspunkte))twist.Reichspunkte;
    if (twist.AnzVolk >= 0) land->AnzVolk = (decltype(land->AnzVolk))twist.AnzVolk;
    EXPECT_TRUE(AddChunkPool(land, pool.c_str()));
    FreeVec(land);
}

}  // namespace

std::string GameServerStandIn::MakeAnswer(const std::string &poolPath, ULONG player, std::time_t when,
                                          const AnswerTwist &twist)
{
    const std::string work = "stand-in.pool";
    fs::copy_file(poolPath, work, fs::copy_options::overwrite_existing);
    PatchDice(work, twist.Wuerfelwert);
    TwistLand(work, twist);
    // The next quarter.
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, work.c_str());
    if (korn) {
        if (++korn->Quartal > 4) {
            korn->Quartal = 1;
            ++korn->Jahr;
        }
        if (!AddChunkPool(korn, work.c_str())) std::fprintf(stderr, "stand-in server: korn not stored\n");
        FreeVec(korn);
    }
    // A sale: the first offer has found its buyer.
    auto *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, work.c_str());
    if (ware && ware->AnzWaren) {
        auto *w = (st_WARE_EXT *)((UBYTE *)ware + 14);
        w->Info = 3;
        w->Kaeufer = 99;
        w->KaeuferAnzahl = w->WarenAnzahl;
        if (!AddChunkPool(ware, work.c_str())) std::fprintf(stderr, "stand-in server: ware not stored\n");
    }
    FreeVec(ware);
    // A moved figure.
    auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, work.c_str());
    if (move && move->AnzFiguren) {
        auto *f = (st_MOVE_EXT *)((UBYTE *)move + 14);
        f->X_Pos = f->X_Pos + 1;
        if (!AddChunkPool(move, work.c_str())) std::fprintf(stderr, "stand-in server: move not stored\n");
    }
    FreeVec(move);
    // A letter from player 8.
    auto *smal = (st_SMAL *)AllocChunk(CN_SMAL, 40, 1);
    std::snprintf(smal->Betreff, sizeof smal->Betreff, "Grain for sale");
    smal->AbsenderID = 8;
    smal->EmpfaengerID = 1;
    std::snprintf((char *)smal + sizeof(st_SMAL), 40, "Forty loads at a fair price.");
    const ULONG smalSize = 12 + smal->Head.Length;
    SwapByteOrderInChunk(smal, 1);
    auto *mail = (UBYTE *)AllocVec(16 + smalSize, MEMF_CLEAR);
    auto *head = (st_MAIL *)mail;
    head->Head.ChunkID = ID_MAIL;
    head->Head.Version = VERSION_V001;
    head->Head.Length = 4 + smalSize;
    head->AnzahlEmails = 1;
    std::memcpy(mail + 16, smal, smalSize);
    FreeChunk(smal);
    if (!AddChunkPool(mail, work.c_str())) std::fprintf(stderr, "stand-in server: mail not stored\n");
    FreeVec(mail);

    std::string pool = FileText(work);
    DeleteFile(work.c_str());
    char subject[16];
    std::snprintf(subject, sizeof subject, "@%8.8u", (unsigned)player);
    return PackedMail(pool, subject, when);
}

bool GameServerStandIn::MailAnswer(const std::string &smtp, const std::string &mail)
{
    char *r = SendEmail(smtp.c_str(), "server@game.test", "player@game.test", mail.c_str(), nullptr);
    bool ok = r && std::strcmp(r, "ok") == 0;
    FreeVec(r);
    return ok;
}

void GameServerStandIn::Serve(int fd)
{
    using namespace nettest;
    long sid = -1;
    for (;;) {
        std::string cmd = ReadUntil(fd, NUL);
        if (cmd.empty() || cmd.back() != '\0') return;
        std::string word = cmd.substr(0, 4);
        if (word == "+SID") {
            sid = std::stol(cmd.substr(5));
            WriteAll(fd, "+ACK" + NUL);
        } else if (word == "+MSG") {
            WriteAll(fd, "+ACK" + NUL);
            std::string block = ReadCount(fd, std::stoul(cmd.substr(5)));
            {
                std::lock_guard<std::mutex> g(lock_);
                letters_.push_back({sid, block});
            }
            WriteAll(fd, "+ACK" + NUL);
        } else if (word == "+MAL") {
            std::vector<std::string> out;
            {
                std::lock_guard<std::mutex> g(lock_);
                out.swap(waiting_);
            }
            for (const std::string &l : out) WriteAll(fd, "+ACK " + std::to_string(l.size()) + NUL + l);
            WriteAll(fd, "+END" + NUL);
        } else if (word == "+PUT") {
            WriteAll(fd, "+ACK" + NUL);
            std::string block = ReadCount(fd, std::stoul(cmd.substr(5)));
            {
                std::lock_guard<std::mutex> g(lock_);
                putBlocks_.push_back(block);
            }
            WriteAll(fd, "+ACK" + NUL);
        } else if (word == "+GET") {
            std::string m;
            {
                std::lock_guard<std::mutex> g(lock_);
                m = mail_;
            }
            WriteAll(fd, "+ACK " + std::to_string(m.size()) + NUL + m);
        } else {
            WriteAll(fd, "+ACK" + NUL);
            if (word == "+QUI") return;
        }
    }
}

std::string GameServerStandIn::ServePackets(const std::string &mail, int connections)
{
    StopPackets();
    mail_ = mail;
    peer_ = new nettest::LoopPeer([this](int fd) { Serve(fd); }, connections);
    return peer_->server();
}

void GameServerStandIn::QueueLetters(const std::vector<std::string> &letters)
{
    std::lock_guard<std::mutex> g(lock_);
    waiting_.insert(waiting_.end(), letters.begin(), letters.end());
}

std::vector<GameServerStandIn::Letter> GameServerStandIn::TakeLetters()
{
    std::lock_guard<std::mutex> g(lock_);
    std::vector<Letter> out;
    out.swap(letters_);
    return out;
}

void GameServerStandIn::StopPackets()
{
    delete peer_;
    peer_ = nullptr;
}

std::vector<GameServerStandIn::Signup> GameServerStandIn::TakeSignups()
{
    std::vector<Signup> out;
    vektest::WaitFor(
        [&] {
            std::error_code ec;
            for (auto &e : fs::directory_iterator(maildir_ + "/new", ec)) {
                const std::string mail = FileText(e.path().string());
                const size_t at = mail.find("Subject: @");
                if (at == std::string::npos || mail.compare(at + 10, 1, "I") != 0) continue;
                out.push_back({mail.substr(at + 10, 8), Unpack(mail)});
                fs::rename(e.path(), maildir_ + "/cur/" + e.path().filename().string(), ec);
            }
            return !out.empty();
        },
        "a sign-up mail in the game server's mailbox " + maildir_);
    return out;
}

std::string GameServerStandIn::MakeSignupAnswer(const std::string &id, const std::string &poolPath,
                                                const std::string &refusal, std::time_t when)
{
    std::string pool;
    if (!poolPath.empty()) {
        pool = FileText(poolPath);
    } else {
        const ULONG n = (ULONG)refusal.size();
        pool = "EROR" "V001";
        for (int k = 3; k >= 0; --k) pool += (char)(n >> (8 * k));
        pool += refusal;
    }
    const std::string subject = "@" + id;
    return PackedMail(pool, subject.c_str(), when);
}

std::vector<std::string> GameServerStandIn::TakeTurns()
{
    std::vector<std::string> out;
    vektest::WaitFor(
        [&] {
            {
                std::lock_guard<std::mutex> g(lock_);
                for (const auto &b : putBlocks_) out.push_back(Unpack(b));
                putBlocks_.clear();
            }
            std::error_code ec;
            for (auto &e : fs::directory_iterator(maildir_ + "/new", ec)) {
                out.push_back(Unpack(FileText(e.path().string())));
                fs::rename(e.path(), maildir_ + "/cur/" + e.path().filename().string(), ec);
            }
            return !out.empty();
        },
        "a turn at the game server (by mail into " + maildir_ + " or by \"+PUT\")");
    return out;
}

std::string GameServerStandIn::CheckTurn(const std::string &pool, ULONG player, ULONG turnTime)
{
    if (pool.size() < sizeof(st_INFO)) return "no pool";
    if (pool.compare(0, 4, "INFO") != 0) return "no INFO first";
    if (BE32(pool, offsetof(st_INFO, SpielerID)) != player) return "another player's turn";
    if (BE32(pool, offsetof(st_INFO, TurnTime)) != turnTime) return "not stamped with its sending time";
    std::vector<std::string> ids;
    for (size_t pos = 0; pos + 12 <= pool.size(); pos += 12 + BE32(pool, pos + 8)) ids.push_back(pool.substr(pos, 4));
    size_t end = 0;
    for (size_t pos = 0; pos + 12 <= pool.size(); pos += 12 + BE32(pool, pos + 8)) end = pos + 12 + BE32(pool, pos + 8);
    if (end != pool.size()) return "cut or padded";
    auto at = [&](const char *id) { return std::find(ids.begin(), ids.end(), id) - ids.begin(); };
    if (at("LAND") == (long)ids.size() || at("KORN") == (long)ids.size()) return "no LAND or KORN";
    if (at("LAND") > at("KORN")) return "LAND after KORN";
    if (at("WARE") != (long)ids.size() && at("WARE") != (long)ids.size() - 1) return "WARE not last";
    return "";
}

}  // namespace turntest
