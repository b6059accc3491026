// The turn upload and download, the statistics file, the reminder for the
// preset postbox and the forum news.
#include "turn/turn.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "net/gamemail.h"
#include "net/net.h"
#include "platform/catalog.h"
#include "platform/endsignal.h"
#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/lists.h"
#include "world/cultivation.h"
#include "store/letters.h"
#include "store/store.h"
#include "world/chunkmachine.h"
#include "world/okjournal.h"
#include "world/towns.h"
#include "ui/dialogs.h"

namespace {

APTR BoxOpen(const char *text) { return ChiefMessageOpen(66, 168, 180, 0, 0, 0, 2, text, 7); }
void BoxSetText(APTR box, const char *text) { SetChiefMessageText((ChiefStruktur1 *)box, text); }
void BoxConfirm(APTR box) { ChiefMessageGetInput((ChiefStruktur1 *)box); }
void BoxClose(APTR box) { QuitChiefMessage((ChiefStruktur1 *)box); }
void BoxMessage(const char *text) { ChiefMessage(66, 168, 180, 0, 0, 0, 0, text, 7); }

BOOL AllTownsStatus() { return ChangeTownStatus(nullptr); }
BOOL FieldsAfterTurn() { return CheckMapCultWorld() ? 1 : 0; }
BOOL HarvestIntoOrders() { return GetHarvestFromMapCult() ? 1 : 0; }

}  // namespace

TurnSteps TurnStepHooks = {ChunkMachine, CreateMailChunk, CheckPlayerTown, AllTownsStatus, FieldsAfterTurn,
                           HarvestIntoOrders};
LONG (*TurnMapUnlockHook)() = nullptr;
BOOL (*TurnMapNewSetupHook)(BOOL complete) = nullptr;
void (*TurnMoviePauseHook)(APTR movie, BOOL pause) = nullptr;
TurnBoxes TurnBoxHooks = {BoxOpen, BoxSetText, BoxConfirm, BoxClose, BoxMessage, TextBox, Delay};

namespace {

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...)
{
    char line[512];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    return line;
}

void SetText(APTR box, const std::string &text)
{
    if (box && TurnBoxHooks.SetText) TurnBoxHooks.SetText(box, text.c_str());
}
void Confirm(APTR box)
{
    if (box && TurnBoxHooks.Confirm) TurnBoxHooks.Confirm(box);
}
void Close(APTR box)
{
    if (box && TurnBoxHooks.Close) TurnBoxHooks.Close(box);
}
APTR Open(const std::string &text) { return TurnBoxHooks.Open ? TurnBoxHooks.Open(text.c_str()) : nullptr; }

bool DeepScreen() { return VekDisplay.VekScreen_Tiefe > 8; }

void PauseMovies(APTR m1, APTR m2, BOOL pause)
{
    if (!TurnMoviePauseHook) return;
    if (m1) TurnMoviePauseHook(m1, pause);
    if (m2) TurnMoviePauseHook(m2, pause);
}

ULONG Pref(UWORD id)
{
    ULONG v = 0;
    return CheckPrefsRead(id, &v) ? v : 0;
}

void StoreBE32(UBYTE *p, ULONG v)
{
    p[0] = (UBYTE)(v >> 24);
    p[1] = (UBYTE)(v >> 16);
    p[2] = (UBYTE)(v >> 8);
    p[3] = (UBYTE)v;
}

// The number at the start of a web reply's body, or -1 without a body.
long BodyNumber(const char *reply, const char **bodyOut = nullptr)
{
    const char *body = reply ? std::strstr(reply, "\r\n\r\n") : nullptr;
    if (!body) return -1;
    body += 4;
    if (bodyOut) *bodyOut = body;
    return std::strtol(body, nullptr, 10);
}

std::string TurnPoolName()
{
    return Format("./Data/POP3Out/%8.8u", (unsigned)PlayerInfo.SpielerID);
}

// The letters the turn pool takes along, with their sizes.
std::vector<std::pair<std::string, uintmax_t>> OutgoingLetters()
{
    std::vector<std::pair<std::string, uintmax_t>> out;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("./Data/MailOut", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (it->is_regular_file(ec) && name.size() > 5 && name.compare(name.size() - 5, 5, ".smal") == 0)
            out.push_back({name, it->file_size(ec)});
    }
    return out;
}

bool AddChunkFrom(ULONG id, const char *source, const char *pool)
{
    APTR chunk = source ? LoadChunk2Mem(id, source) : LoadCurrentChunk(id);
    if (!chunk) return true;  // nothing of this kind: left out
    bool ok = AddChunkPool(chunk, pool);
    FreeVec(chunk);
    if (!ok) std::printf("ResidenzUpload: Konnte Chunk nicht in den Spielzug packen!\n");
    return ok;
}

// The sending time at byte 30 and the pool's checksum made anew, put in
// place whole.
bool StampTurnTime(const std::string &pool)
{
    ULONG size = GetFileSize(pool.c_str());
    auto *data = (UBYTE *)LoadFile2Mem(pool.c_str(), 0);
    if (!data || size < sizeof(st_INFO)) {
        FreeVec(data);
        return false;
    }
    StoreBE32(data + offsetof(st_INFO, TurnTime), (ULONG)GameMailClock());
    ULONG sum = CalcChunkSumme(data, size);
    std::memcpy(data + offsetof(st_INFO, Checksumme), &sum, 4);
    bool ok = WriteFileAtomic(pool.c_str(), data, size, -1) == (int)size;
    FreeVec(data);
    return ok;
}

// Steps 3 to 6 of the upload: the harvest, the pool in its order, the stamp
// and the goods. 1, or the result of the failure (0 or 1) in *result.
bool BuildTurnPool(const std::string &pool, int *result)
{
    *result = 0;
    if (!TurnStepHooks.GetHarvestFromMapCult || !TurnStepHooks.GetHarvestFromMapCult()) {
        std::printf("ResidenzUpload : Konnte MapCult nicht \374berpr\374fen...\n");
        return false;
    }
    // Built from nothing: a chunk withdrawn since the last attempt must not go.
    DeleteFile(pool.c_str());
    if (!TurnStepHooks.CreateMailChunk || !TurnStepHooks.CreateMailChunk(pool.c_str(), "./Data/MailOut")) {
        std::printf("ResidenzUpload: Konnte MAIL-Chunk nicht generieren!\n");
        return false;
    }
    APTR land = LoadCurrentChunk(ID_LAND);
    bool landOk = land && AddChunkPool(land, pool.c_str());
    FreeVec(land);
    if (!landOk) {
        std::printf("ResidenzUpload: B\366ser Fehler ! Konnte Land-Chunk nicht laden...\n");
        return false;
    }
    APTR korn = LoadCurrentChunk(ID_KORN);
    bool kornOk = korn && AddChunkPool(korn, pool.c_str());
    FreeVec(korn);
    if (!kornOk) {
        std::printf("ResidenzUpload: B\366ser Fehler ! Konnte Korn-Chunk nicht laden...\n");
        return false;
    }
    for (ULONG id : {ID_BAUE, ID_TAXE, ID_FORS})
        if (!AddChunkFrom(id, POOL_OUT, pool.c_str())) return false;
    if (!AddChunkFrom(ID_MOVE, "./Data/MapPrefs.vek", pool.c_str())) return false;
    for (ULONG id : {ID_ANFR, ID_INIT, ID_ARMY, ID_TOWN, ID_KRIG, ID_VERT, ID_SHIP, ID_SPEZ, ID_HERB})
        if (!AddChunkFrom(id, POOL_OUT, pool.c_str())) return false;
    if (!StampTurnTime(pool)) {
        // The old pool stays whole; a turn without its stamp is still a turn.
        std::printf("ResidenzUpload: Konnte ChunkPool nicht abspeichern !\n");
    }
    if (!ResidenzUploadWarenCheck(pool.c_str())) {
        std::printf("ResidenzUpload : Konnte Ware nicht in GameChunk packen...\n");
        return false;
    }
    return true;
}

// 1 when the web server names a newer client than this one may be.
bool ClientTooOld()
{
    std::string side = std::string("http://") + NetCfg.WebServer + "/clientversion/" + CLIENT_PLATFORM;
    char *reply = CallPHP(NetCfg.WebServer, side.c_str());
    long wanted = BodyNumber(reply);
    FreeVec(reply);
    return wanted >= 0 && (long)CLIENT_VERSION + 1 < wanted;
}

}  // namespace

int ResidenzUploadWarenCheck(const char *ChunkpoolName)
{
    if (!IsFilePresent("./Data/WarenChunk.vek")) return 1;
    auto *ware = (st_WARE *)LoadChunk2Mem(ID_WARE, "./Data/WarenChunk.vek");
    if (!ware) return 1;
    ListHeader *list = CreateList(7);
    if (!list) {
        std::printf("ResidenzUploadWarenCheck : kein Speicher f\374r ListHeader vorhanden...\n");
        FreeVec(ware);
        return 0;
    }
    if (!ScanWare2List(list, ware)) {
        std::printf("ResidenzUploadWarenCheck : Ware konnte nicht in eine Liste eingescannt werden...\n");
        FreeVec(ware);
        DeleteList(list, LIST_FREE_OWNED);
        return 0;
    }
    FreeVec(ware);
    for (ULONG i = 0; i < list->Elemente;) {
        auto *e = (WareListEntry *)GetNode(list, LIST_INDEX, i);
        st_WARE_EXT &w = e->Ware;
        bool keep = w.Info == 0 || w.Info == 1 || w.Info == 5;
        if (w.Info == 2 && w.Kaeufer == PlayerInfo.SpielerID && w.KaeuferAnzahl != 0) {
            w.Info = 1;
            keep = true;
        }
        if (keep) ++i;
        else DeleteNode(list, LIST_INDEX, i, LIST_FREE_OWNED);
    }
    int result = 1;
    if (list->Elemente) {
        st_WARE *chunk = MakeWareChunkFromList(list);
        result = chunk && AddChunkPool(chunk, ChunkpoolName);
        FreeVec(chunk);
    }
    DeleteList(list, LIST_FREE_OWNED);
    return result;
}

int ResidenzUpload()
{
    const ULONG sent = Pref(15);
    APTR box = Open(Format("%s %u", GetString(&_VEK_RESIDOWNLOAD_BEARBEITESPIELZUG), (unsigned)(sent + 1)));
    if (!box) return 0;  // nothing was sent
    if (DeepScreen() && TurnMapUnlockHook) TurnMapUnlockHook();
    const std::string pool = TurnPoolName();
    int failed = 0;
    const auto letters = OutgoingLetters();
    bool built = BuildTurnPool(pool, &failed);
    if (!built) DeleteFile(pool.c_str());  // half a turn is no turn
    if (DeepScreen() && TurnMapNewSetupHook) TurnMapNewSetupHook(0);
    Close(box);
    if (!built) return failed;
    if (!GoOnline()) return 1;  // the turn pool waits for the next attempt

    char *address = CheckPrefsReadText(8);
    if (!address || !address[0]) {
        FreeVec(address);
        GoOffline();
        return 0;
    }
    char *first = CheckPrefsReadText(6), *last = CheckPrefsReadText(7);
    VekMailInfo info;
    std::memset(&info, 0, sizeof info);
    info.VekMailAbsender = address;
    info.VekMailAdressat = GameMailCfg.TurnMailbox;
    info.VekMailSMTPUserName = UserSystem.OP.SMTPUsername;
    info.VekMailSMTPPasswort = UserSystem.OP.SMTPPassword;
    info.VekMailVorname = first ? first : (char *)"";
    info.VekMailNachnahme = last ? last : (char *)"";

    int result = 1;
    if (ClientTooOld()) {
        if (TurnBoxHooks.Message) TurnBoxHooks.Message(GetString(&_VEK_RESIDENZ_CLIENT_ALT));
        result = 0;
    } else {
        box = Open(GetString(&_VEK_RESIUPLOAD_SENDESPIELZUG));
        const char *r = SendFileAsEmail(pool.c_str(), &info, 1);
        if (r && std::strcmp(r, "ok") == 0) {
            CheckPrefsWrite(15, sent + 1);
            // Remember what went, so that the answer lets go of these letters only.
            std::string list;
            for (const auto &l : letters) list += l.first + " " + std::to_string(l.second) + "\n";
            // An empty list is written too: 0 bytes is its success.
            if (WriteFileAtomic(SENT_LETTERS_LIST, list.data(), (ULONG)list.size(), -1) != (int)list.size())
                std::printf("ResidenzUpload: Konnte die Liste der gesendeten Briefe nicht schreiben!\n");
            SetText(box, GetString(&_VEK_NVC_MAILSEND));
            DeleteFile(pool.c_str());
        } else {
            SetText(box, GetString(&_VEK_NVC_MAILNOTSEND));
        }
        Confirm(box);
        Close(box);
    }
    FreeVec(first);
    FreeVec(last);
    FreeVec(address);
    GoOffline();
    return result;
}

// ---- download ------------------------------------------------------------

void PlanTurns(const ULONG *keys, ULONG count, ULONG applied, TurnAction *plan)
{
    LONG lastApplied = -1;
    for (ULONG i = 0; i < count; ++i) {
        if (i + 1 < count && keys[i] / 86400 == keys[i + 1] / 86400) plan[i] = TURN_DUPLICATE;
        else if (keys[i] <= applied) plan[i] = TURN_OUTDATED;
        else {
            plan[i] = TURN_APPLY;
            lastApplied = (LONG)i;
        }
    }
    if (lastApplied >= 0) plan[lastApplied] = TURN_APPLY_LAST;
}

BOOL NeuerSpielzug()
{
    if (!IsFilePresent(POOL_IN)) return 1;
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
    if (!korn) {
        std::printf("NeuerSpielzug: Fehler. Kein KornChunk im Ausgang vorhanden...\n");
        return 0;
    }
    PlayerInfo.Quartal = korn->Quartal;
    const ULONG now = korn->Jahr * 4 + korn->Quartal, seen = Pref(2) * 4 + Pref(3);
    BOOL fresh = now > seen;
    if (fresh) {
        CheckPrefsWrite(33, Pref(33) + 1);
        CheckPrefsWrite(2, korn->Jahr);
        CheckPrefsWrite(3, korn->Quartal);
        CheckPrefsWrite(35, 1);
    }
    FreeVec(korn);
    return fresh;
}

namespace {

constexpr char STAT_FILE[] = "./Data/Statistikdaten.vek";
constexpr ULONG STAT_HEAD = 10, STAT_RECORD = 40, STAT_VALUES = 10;

ULONG LoadLE32(const UBYTE *p) { return p[0] | (ULONG)p[1] << 8 | (ULONG)p[2] << 16 | (ULONG)p[3] << 24; }
void PutLE32(std::vector<UBYTE> &v, ULONG x)
{
    for (int i = 0; i < 4; ++i) v.push_back((UBYTE)(x >> (8 * i)));
}

}  // namespace

BOOL SaveStatistikData()
{
    ULONG size = GetFileSize(STAT_FILE);
    std::vector<UBYTE> file(size);
    if (size) {
        auto *data = (UBYTE *)LoadFile2Mem(STAT_FILE, 0);
        if (!data) {
            std::printf("SaveStatistikData: Konnte StatistikHeader nicht laden!\n");
            return 0;
        }
        std::memcpy(file.data(), data, size);
        FreeVec(data);
    }
    ULONG records = 0, lastQuarter = 0;
    if (size) {
        // The file's own count is not trusted: only whole records count.
        if (size < STAT_HEAD || LoadLE32(&file[6]) != STAT_VALUES) {
            std::printf("SaveStatistikData: Konnte StatistikHeader nicht laden!\n");
            return 0;
        }
        records = std::min(LoadLE32(&file[0]), (size - STAT_HEAD) / STAT_RECORD);
        lastQuarter = (ULONG)file[4] | (ULONG)file[5] << 8;
    }
    auto *land = (st_LAND *)LoadChunk2Mem(ID_LAND, POOL_IN);
    if (!land) {
        std::printf("SaveStatistikData: Konnte den LAND-Chunk nicht laden!\n");
        return 0;
    }
    auto *korn = (st_KORN *)LoadChunk2Mem(ID_KORN, POOL_IN);
    if (!korn) {
        std::printf("SaveStatistikData: Konnte den KORN-Chunk nicht laden!\n");
        FreeVec(land);
        return 0;
    }
    const ULONG quarter = (korn->Jahr * 4 + korn->Quartal) & 0xFFFF;
    BOOL result = 1;
    if (quarter != lastQuarter || records == 0) {
        std::vector<UBYTE> out;
        PutLE32(out, records + 1);
        out.push_back((UBYTE)quarter);
        out.push_back((UBYTE)(quarter >> 8));
        PutLE32(out, STAT_VALUES);
        out.insert(out.end(), file.begin() + (size ? STAT_HEAD : 0),
                   file.begin() + (size ? STAT_HEAD + records * STAT_RECORD : 0));
        for (ULONG v : {korn->Kornlager, land->AnzGold, land->AnzVolk, land->Einwanderer, land->Auswanderer,
                        land->Geborene, land->Gestorbene, (ULONG)land->AnzPflanzHq, (ULONG)land->AnzTierHq,
                        (ULONG)land->AnzMineralHq})
            PutLE32(out, v);
        if (WriteFileAtomic(STAT_FILE, out.data(), (ULONG)out.size(), -1) != (int)out.size()) {
            std::printf("SaveStatistikData: Konnte StatistikDaten nicht speichern!\n");
            result = 0;
        }
    }
    FreeVec(korn);
    FreeVec(land);
    return result;
}

ULONG StatistikWert(const StatistikDaten &d, ULONG i)
{
    const ULONG v[STATISTIK_WERTE] = {d.Korn,       d.Gold,       d.Volk,        d.Einwanderer, d.Auswanderer,
                                      d.Geborene,   d.Gestorbene, d.AnzPflanzHq, d.AnzTierHq,   d.AnzMineralHq};
    return i < STATISTIK_WERTE ? v[i] : 0;
}

BOOL ReadStatistikDaten(const char *file, StatistikDaten **data, ULONG *count, UWORD *lastQuarter)
{
    *data = nullptr;
    *count = 0;
    *lastQuarter = 0;
    if (!IsFilePresent(file)) return 1;
    const ULONG size = GetFileSize(file);
    auto *bytes = size >= STAT_HEAD ? (UBYTE *)LoadFile2Mem(file, 0) : nullptr;
    if (!bytes) {
        std::printf("ReadStatistikDaten: Konnte den Header des Statistik-Files nicht laden\n");
        return 0;
    }
    StatistikHeader head;
    head.AnzahlQuartale = LoadLE32(bytes);
    head.LetzteQuartal = (UWORD)(bytes[4] | bytes[5] << 8);
    head.AnzahlEntries = LoadLE32(bytes + 6);
    BOOL ok = 0;
    if (head.AnzahlEntries != STATISTIK_WERTE) {
        std::printf("ReadStatistikDaten: Die Anzahl der Daten im StatistikScreen haben sich ge\344ndert. Das "
                    "StatistikDatenFile mu\337 gel\366scht werden..\n");
    } else if (head.AnzahlQuartale > (size - STAT_HEAD) / STAT_RECORD) {
        // Checked before anything is allocated: a count the file cannot hold is damage.
        std::printf("ReadStatistikDaten: Das Statistikdatenfile scheint korrupt zu sein!\n");
    } else if (head.AnzahlQuartale == 0) {
        ok = 1;
    } else {
        auto *d = (StatistikDaten *)AllocVec(head.AnzahlQuartale * STAT_RECORD, MEMF_CLEAR);
        if (!d) {
            std::printf("ReadStatistikDaten: Konnte keinen Speicher fuer die StatistikDaten allokieren!\n");
        } else {
            for (ULONG r = 0; r < head.AnzahlQuartale; ++r) {
                const UBYTE *p = bytes + STAT_HEAD + r * STAT_RECORD;
                ULONG v[STATISTIK_WERTE];
                for (ULONG i = 0; i < STATISTIK_WERTE; ++i) v[i] = LoadLE32(p + 4 * i);
                d[r] = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
            }
            *data = d;
            *count = head.AnzahlQuartale;
            *lastQuarter = head.LetzteQuartal;
            ok = 1;
        }
    }
    FreeVec(bytes);
    return ok;
}

void ShowNervReq()
{
    const OptionenPrefs &op = UserSystem.OP;
    const char *domain = GameMailCfg.OperatorDomain;
    char *address = CheckPrefsReadText(8);
    bool preset = std::strstr(op.InterSMTPName, domain) &&
                  std::strncmp(op.SMTPUsername, GameMailCfg.PresetStem, std::strlen(GameMailCfg.PresetStem)) == 0 &&
                  std::strcmp(op.SMTPPassword, GameMailCfg.PresetStem) == 0;
    if (address && std::strstr(address, domain)) preset = true;
    FreeVec(address);
    if (!preset) return;
    ULONG seconds = Pref(26);
    seconds = seconds ? seconds + 1 : 10;
    CheckPrefsWrite(26, seconds);
    APTR box = Open(Format("%s %u", GetString(&_VEK_NERV_REQ), (unsigned)seconds));
    while (seconds > 0) {
        // Nothing is under way yet: an end signal need not sit out the count.
        EndIfRequested();
        if (TurnBoxHooks.Delay) TurnBoxHooks.Delay(50);
        --seconds;
        SetText(box, Format("%s %u", GetString(&_VEK_NERV_REQ), (unsigned)seconds));
    }
    Confirm(box);
    Close(box);
}

BOOL ShowForumMessage(APTR Movie1, APTR Movie2)
{
    if (!PlayerInfo.ForumServer[0]) return 0;
    std::string side = std::string(PlayerInfo.ForumURL) + "fetch_news.php?username=" + PlayerInfo.Spielname;
    char *reply = CallPHP(PlayerInfo.ForumServer, side.c_str());
    if (!reply) return 0;
    const char *body = nullptr;
    BOOL shown = 0;
    if (BodyNumber(reply, &body) == 200 && std::strlen(body) >= 7) {
        PauseMovies(Movie1, Movie2, 1);
        if (TurnBoxHooks.Text) TurnBoxHooks.Text(body + 7);
        PauseMovies(Movie1, Movie2, 0);
        shown = 1;
    }
    FreeVec(reply);
    return shown;
}

namespace {

struct ChunkStep {
    ULONG Num;
    const LocStr *Text;  // null: the fixed text or none
    const char *Fixed;
};

void RunStep(APTR box, ULONG index, const ChunkStep &s, const char *pool, BOOL last)
{
    const char *text = s.Text ? GetString(s.Text) : s.Fixed;
    if (text)
        SetText(box, Format("%s : %u  ...%s...", GetString(&_VEK_RESIDOWNLOAD_BEARBEITESPIELZUG), (unsigned)index, text));
    BOOL ok = TurnStepHooks.ChunkMachine && TurnStepHooks.ChunkMachine(pool, ChunkBit(s.Num), last ? 1 : 0);
    if (!ok) std::printf("ResidenzDownload: Fehler von ChunkMachine (%s) !\n", ChunkNamen[s.Num]);
    else std::printf("%s passed...\n", ChunkNamen[s.Num]);
}

void StepText(APTR box, ULONG index, const LocStr *text)
{
    SetText(box, Format("%s : %u  ...%s...", GetString(&_VEK_RESIDOWNLOAD_BEARBEITESPIELZUG), (unsigned)index,
                        GetString(text)));
}

// Letters of the last sent turn leave ./Data/MailOut; later ones stay.
void DropSentLetters()
{
    ULONG size = GetFileSize(SENT_LETTERS_LIST);
    auto *text = (char *)(size ? LoadFile2Mem(SENT_LETTERS_LIST, MEMF_CLEAR) : nullptr);
    if (text) {
        std::string all(text, size);
        FreeVec(text);
        size_t pos = 0;
        while (pos < all.size()) {
            size_t end = all.find('\n', pos);
            if (end == std::string::npos) end = all.size();
            std::string line = all.substr(pos, end - pos);
            pos = end + 1;
            size_t blank = line.rfind(' ');
            if (blank == std::string::npos) continue;
            std::string name = line.substr(0, blank);
            if (name.find('/') != std::string::npos || name.empty() || name[0] == '.') continue;
            std::string path = "./Data/MailOut/" + name;
            if (IsFilePresent(path.c_str()) && std::to_string(GetFileSize(path.c_str())) == line.substr(blank + 1) &&
                !DeleteFile(path.c_str()))
                std::printf("ResidenzDownload: Konnte ausgehende Mails nicht l\366schen !\n");
        }
    }
    DeleteFile(SENT_LETTERS_LIST);
}

// The end of a download: the letters the server took (bit 0 of Misc) leave
// ./Data/MailOut, and no sent turn is waiting any more.
void FinishDownload()
{
    if (PlayerInfo.Misc & 1) DropSentLetters();
    CheckPrefsWrite(15, 0);
}

// Applies one answer as one transaction. mailFile is the received mail, or
// the journal's copy when an interrupted apply is repeated (journalled = 1).
// 1 when applied.
BOOL ApplyAnswer(APTR box, ULONG index, const char *mailFile, const char *original, ULONG key, BOOL last,
                 BOOL journalled)
{
    if (!journalled && !TurnJournalBegin(mailFile, key, last)) {
        std::printf("ResidenzDownload: Konnte das Journal nicht anlegen !\n");
        return 0;
    }
    ULONG size = GetFileSize(mailFile);
    auto *mail = (UBYTE *)LoadFile2Mem(mailFile, 0);
    if (!mail) {
        std::printf("ResidenzDownload: Konnte Email nicht in den Speicher laden !\n");
        TurnJournalCommit();
        return 0;
    }
    std::printf("Folgende Email wird verwendet : %s Gr\366\337e %u\n", original, (unsigned)size);
    BOOL unpacked = DecrunchOneEmail(mail, size, POOL_IN);
    FreeVec(mail);
    if (!unpacked) {
        // The received pool is as it was: nothing to undo.
        std::printf("ResidenzDownload: Konnte Email nicht entpacken !\n");
        TurnJournalCommit();
        return 0;
    }
    RunStep(box, index, {CN_INFO, &_VEK_RESIDOWNLOAD_INFOS, nullptr}, POOL_IN, last);
    RunStep(box, index, {CN_INIT, nullptr, nullptr}, POOL_OUT, last);
    if (NeuerSpielzug()) {
        DeleteFile("./Data/BauScreenGeb.dat");
        DeleteFile("./Data/Waren.dat");
        CheckPrefsWrite(12, 0);
        static const ChunkStep fresh[] = {{CN_WARE, &_VEK_RESIDOWNLOAD_WAREN, nullptr},
                                          {CN_VERT, &_VEK_RESIDOWNLOAD_VERTRAEGE, nullptr},
                                          {CN_MOVE, &_VEK_RESIDOWNLOAD_SPIELERFIGUREN, nullptr},
                                          {CN_ARMY, &_VEK_RESIDOWNLOAD_ARMEE, nullptr},
                                          {CN_SHIP, &_VEK_RESIDOWNLOAD_SHIP, nullptr}};
        for (const ChunkStep &s : fresh) RunStep(box, index, s, POOL_IN, last);
    }
    static const ChunkStep always[] = {{CN_LAND, nullptr, "Reichsdaten werden \xFC" "bertragen"},
                                       {CN_MAIL, &_VEK_RESIDOWNLOAD_MITTEILUNGEN, nullptr},
                                       {CN_GEBA, &_VEK_RESIDOWNLOAD_GEBAEUDE, nullptr},
                                       {CN_PMAP, &_VEK_RESIDOWNLOAD_KARTENELEMENTE, nullptr},
                                       {CN_ANTW, &_VEK_RESIDOWNLOAD_SERVERANTWORTEN, nullptr}};
    for (const ChunkStep &s : always) RunStep(box, index, s, POOL_IN, last);

    StepText(box, index, &_VEK_RESIDOWNLOAD_STADTCHECK);
    if (!TurnStepHooks.CheckPlayerTown || !TurnStepHooks.CheckPlayerTown())
        std::printf("ResidenzDownload: konnte die St\344dte nicht \374berpr\374fen... !\n");
    StepText(box, index, &_VEK_RESIDOWNLOAD_STADT);
    if (!TurnStepHooks.ChangeTownStatusAll || !TurnStepHooks.ChangeTownStatusAll())
        std::printf("ResidenzDownload: ChangeTownStatus fehlgeschlagen... !\n");
    StepText(box, index, &_VEK_RESIDOWNLOAD_BEWIRTSCHAFTUNG);
    if (!TurnStepHooks.CheckMapCultWorld || !TurnStepHooks.CheckMapCultWorld())
        std::printf("ResidenzDownload: CheckMapCultWorld fehlgeschlagen... !\n");
    StepText(box, index, &_VEK_RESIDOWNLOAD_STATISTIK);
    if (!SaveStatistikData()) std::printf("ResidenzDownload: SaveStatistikData fehlgeschlagen... !\n");

    // The end of the transaction: the download's own end rides with the last
    // answer, so that a kill after it cannot leave the sent letters for a
    // second sending; the mail goes and the key advances only now.
    ReadPlayerInfoFromPool();
    if (last) FinishDownload();
    std::printf("L\366sche EMAIL : %s\n", original);
    DeleteFile(original);
    CheckPrefsWrite(31, key);
    TurnJournalCommit();
    return 1;
}

// An apply that a crash or a kill interrupted: put the files back and apply
// the journalled mail again.
BOOL RepeatInterruptedAnswer(APTR box)
{
    char mail[256];
    ULONG key = 0;
    BOOL last = 0;
    if (!TurnJournalRestore(mail, sizeof mail, &key, &last)) return 0;
    if (!mail[0]) {
        TurnJournalCommit();
        return 0;
    }
    char original[300];
    std::snprintf(original, sizeof original, "%s", mail);
    return ApplyAnswer(box, 0, mail, original, key, last, 1);
}

}  // namespace

BOOL ResidenzDownload(APTR Movie1, APTR Movie2)
{
    // A screen's Ok cut off goes back before a turn journals the realm.
    OkJournalRestore();
    BOOL applied = RepeatInterruptedAnswer(nullptr);
    ListHeader *list = CreateList(EMAIL_LIST_TYPE);
    if (!list) {
        std::printf("ResidenzDownload : kein Speicher f\374r ListHeader vorhanden...\n");
        return applied;
    }
    ShowNervReq();
    if (!GoOnline()) {
        DeleteList(list, LIST_FREE_OWNED);
        return applied;
    }
    ShowForumMessage(Movie1, Movie2);
    APTR box = Open(GetString(&_VEK_RESIDOWNLOAD_SCANNE));
    if (!box) {
        GoOffline();
        DeleteList(list, LIST_FREE_OWNED);
        return applied;
    }
    const std::string id = Format("%8.8u", (unsigned)PlayerInfo.SpielerID);
    char buffer[256] = {};
    const char *r = GetTurn(id.c_str(), buffer);
    GoOffline();
    if (!r || std::strcmp(r, "ok") != 0) {
        SetText(box, Format("%s : %s", GetString(&_VEK_RESIDOWNLOAD_FEHLER), r ? r : "-"));
        Confirm(box);
    }
    SetText(box, GetString(&_VEK_RESIDOWNLOAD_LESESPIELZUEGE));
    const ULONG count = ScanEmails2List(list, "./Data/POP3In", (id + ".email").c_str());
    if (count == 0) {
        // An answer whose apply a kill cut off was just finished above.
        SetText(box, GetString(applied ? &_VEK_RESIDOWNLOAD_GETSPIELZUG : &_VEK_INITSCREEN_NOEMAILS));
        Confirm(box);
        Close(box);
        DeleteList(list, LIST_FREE_OWNED);
        return applied;
    }
    SetText(box, Format("%s : %u", GetString(&_VEK_RESIDOWNLOAD_ANZAHLGEFUNDEN), (unsigned)count));
    if (count > 1) {
        SetText(box, GetString(&_VEK_RESIDOWNLOAD_SORTIERE));
        list->TypDef[EMAIL_FIELD_DATE].Priority = 1;
        SortList(list, LIST_ASCENDING);
        list->TypDef[EMAIL_FIELD_DATE].Priority = 0;
    }
    if (DeepScreen() && TurnMapUnlockHook) TurnMapUnlockHook();

    std::vector<ULONG> keys;
    std::vector<std::string> files;
    for (ULONG i = 0; i < list->Elemente; ++i) {
        auto *e = (EmailListEntry *)GetNode(list, LIST_INDEX, i);
        keys.push_back(e->DateInSecs);
        files.push_back(e->FileName);
    }
    DeleteList(list, LIST_FREE_OWNED);
    std::vector<TurnAction> plan(keys.size());
    PlanTurns(keys.data(), (ULONG)keys.size(), Pref(31), plan.data());
    const char *turnText = GetString(&_VEK_RESIDOWNLOAD_BEARBEITESPIELZUG);
    // Skipped mails go only after the download's end is done: a run cut off
    // before it finds them again and ends the download once more.
    std::vector<std::string> skipped;
    bool finished = false;
    for (ULONG i = 0; i < keys.size(); ++i) {
        SetText(box, Format("%s : %u", turnText, (unsigned)i));
        if (plan[i] == TURN_DUPLICATE || plan[i] == TURN_OUTDATED) {
            const LocStr *why = plan[i] == TURN_DUPLICATE ? &_VEK_RESIDOWNLOAD_DOPPELTER : &_VEK_RESIDOWNLOAD_ALTER;
            SetText(box, Format("%s : %u %s", turnText, (unsigned)i, GetString(why)));
            skipped.push_back(files[i]);
            continue;
        }
        const BOOL last = plan[i] == TURN_APPLY_LAST;
        if (ApplyAnswer(box, i, files[i].c_str(), files[i].c_str(), keys[i], last, 0)) {
            applied = 1;
            finished = finished || last;
        }
    }
    if (DeepScreen() && TurnMapNewSetupHook) {
        PauseMovies(Movie1, Movie2, 1);
        TurnMapNewSetupHook(1);
        PauseMovies(Movie1, Movie2, 0);
    }
    SetText(box, GetString(&_VEK_RESIDOWNLOAD_GETSPIELZUG));
    if (!finished) FinishDownload();
    for (const std::string &f : skipped) DeleteFile(f.c_str());
    Confirm(box);
    Close(box);
    GoOffline();
    return applied;
}
