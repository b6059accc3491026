// The numbered preference files (./Data/Prefs.vek, ./Data/BTPrefs.vek), the
// options record in ./Data/Optionen.prefs and the run marker. Each preference
// call opens, checks, uses and closes its file, so any screen may call at any
// time; a damaged file is rewritten around the values it still holds.
#include "platform/prefs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr ULONG HEADER_SIZE = 12;  // magic, version, payload length
constexpr UWORD TEXT_WRITE_MAX = 40;

struct PrefsSlot {
    UWORD offset;  // from the start of the file
    UWORD size;    // 1, 2 or 4: number, little-endian; larger: NUL-padded text
};

constexpr PrefsSlot prefsSlots[PREFS_COUNT] = {
    {12, 2},   {14, 4},   {18, 4},   {22, 4},   {26, 1},   {27, 1},   {28, 40},  {68, 40},
    {108, 40}, {148, 4},  {152, 40}, {192, 4},  {196, 2},  {198, 2},  {200, 1},  {201, 1},
    {202, 1},  {203, 1},  {204, 4},  {208, 4},  {212, 4},  {216, 4},  {220, 4},  {224, 4},
    {228, 1},  {229, 1},  {230, 2},  {232, 1},  {233, 1},  {234, 1},  {235, 1},  {236, 4},
    {240, 1},  {241, 1},  {242, 1},  {243, 1},  {244, 1},  {245, 1},  {246, 2},  {248, 2},
};

constexpr PrefsSlot btPrefsSlots[BTPREFS_COUNT] = {
    {12, 4}, {16, 1},
    // 2 to 12, then byte 28 lies unused
    {17, 1}, {18, 1}, {19, 1}, {20, 1}, {21, 1}, {22, 1}, {23, 1}, {24, 1}, {25, 1}, {26, 1}, {27, 1},
    // 13 to 45
    {29, 1}, {30, 1}, {31, 1}, {32, 1}, {33, 1}, {34, 1}, {35, 1}, {36, 1}, {37, 1}, {38, 1}, {39, 1},
    {40, 1}, {41, 1}, {42, 1}, {43, 1}, {44, 1}, {45, 1}, {46, 1}, {47, 1}, {48, 1}, {49, 1}, {50, 1},
    {51, 1}, {52, 1}, {53, 1}, {54, 1}, {55, 1}, {56, 1}, {57, 1}, {58, 1}, {59, 1}, {60, 1}, {61, 1},
    {62, 80},
};

// Slots follow one another (with the gaps named) and stay inside the file.
constexpr bool SlotsFit(const PrefsSlot *slots, int count, ULONG fileSize, UWORD gapAt)
{
    ULONG next = HEADER_SIZE;
    for (int i = 0; i < count; ++i) {
        if (slots[i].offset == gapAt && next + 1 == gapAt) ++next;
        const UWORD size = slots[i].size;
        if (slots[i].offset != next || !(size == 1 || size == 2 || size == 4 || size == 40 || size == 80))
            return false;
        next += size;
    }
    return next <= fileSize;
}
static_assert(SlotsFit(prefsSlots, PREFS_COUNT, PREFS_FILE_SIZE, 0));
static_assert(prefsSlots[PREFS_COUNT - 1].offset + prefsSlots[PREFS_COUNT - 1].size == PREFS_FILE_SIZE);
static_assert(SlotsFit(btPrefsSlots, BTPREFS_COUNT, BTPREFS_FILE_SIZE, 29));

struct PrefsFile {
    const char *path;
    const char *magic;         // 4 characters, followed by "V001"
    ULONG size;                // the whole file
    const PrefsSlot *slots;
    UWORD count;
    const char *routine;       // names the messages of this file
    const char *standardRoutine;
    const char *createFailText;  // printed when a new file cannot get its content, or null
};

const PrefsFile prefsFile = {"./Data/Prefs.vek", "PREF", PREFS_FILE_SIZE, prefsSlots, PREFS_COUNT,
                             "CheckPrefs", "SaveStandardCheckPrefs", nullptr};
const PrefsFile btPrefsFile = {"./Data/BTPrefs.vek", "BTPR", BTPREFS_FILE_SIZE, btPrefsSlots, BTPREFS_COUNT,
                               "RoredIdezPrefs", "SaveStandardRoredIdezPrefs",
                               "RoredIdezPrefs:Konnte Standard Prefs nicht abspeichern!\n"};

void MakeHeader(const PrefsFile &pf, UBYTE *out)
{
    const ULONG payload = pf.size - HEADER_SIZE;
    std::memcpy(out, pf.magic, 4);
    std::memcpy(out + 4, "V001", 4);
    for (int i = 0; i < 4; ++i) out[8 + i] = (UBYTE)(payload >> (8 * i));
}

long FileLength(BPTR f)
{
    struct stat st;
    std::fflush(f);
    if (fstat(fileno(f), &st) != 0) return -1;
    return (long)st.st_size;
}

// Rewrites header and payload from offset 0, keeping the payload bytes the
// file still holds; missing bytes become 0.
int SaveStandard(const PrefsFile &pf, BPTR f)
{
    if (!f) return 0;
    UBYTE image[PREFS_FILE_SIZE > BTPREFS_FILE_SIZE ? PREFS_FILE_SIZE : BTPREFS_FILE_SIZE] = {};
    MakeHeader(pf, image);
    const long length = FileLength(f);
    if (length > (long)HEADER_SIZE) {
        const size_t want = (size_t)std::min<long>(length - (long)HEADER_SIZE, (long)(pf.size - HEADER_SIZE));
        if (Seek(f, HEADER_SIZE, OFFSET_BEGINNING) < 0 || std::fread(image + HEADER_SIZE, 1, want, f) != want)
            std::printf("%s : Konnte alte Prefs-Datei nicht auslesen !\n", pf.standardRoutine);
    }
    if (Seek(f, 0, OFFSET_BEGINNING) < 0 || std::fwrite(image, 1, pf.size, f) != pf.size || std::fflush(f) != 0) {
        std::printf("%s : Konnte Prefs-Datei nicht schreiben !\n", pf.standardRoutine);
        return 0;
    }
    return 1;
}

// 1 when the file is at least as long as its layout and its header is right.
int HeaderSound(const PrefsFile &pf, BPTR f)
{
    UBYTE want[HEADER_SIZE], have[HEADER_SIZE];
    MakeHeader(pf, want);
    if (FileLength(f) < (long)pf.size) return 0;
    if (Seek(f, 0, OFFSET_BEGINNING) < 0 || std::fread(have, 1, HEADER_SIZE, f) != HEADER_SIZE) return 0;
    return std::memcmp(want, have, HEADER_SIZE) == 0;
}

// Opens the file ready for use: created when missing, repaired when short
// or its header is wrong. A file the player may not change is opened for
// reading only, and only to be read as it is. Null after a printed failure.
BPTR OpenPrefs(const PrefsFile &pf, UWORD mode)
{
    BPTR f = Open(pf.path, MODE_OLDFILE);
    if (!f && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        f = mode == PREFS_READ ? OpenToRead(pf.path) : nullptr;
        if (f && HeaderSound(pf, f)) return f;
        if (f) Close(f);
        std::printf("%s: %s ist schreibgesch\374tzt !\n", pf.routine, pf.path);
        return nullptr;
    }
    if (!f) {
        f = Open(pf.path, MODE_NEWFILE);
        if (!f) {
            std::printf("CheckPrefs: Couldn\264t make Prefs-File !\n");
            return nullptr;
        }
        if (!SaveStandard(pf, f)) {
            if (pf.createFailText) std::printf("%s", pf.createFailText);
            Close(f);
            return nullptr;
        }
        return f;
    }
    if (!HeaderSound(pf, f)) {
        std::printf("%s: %s ist besch\344digt und wird mit den lesbaren Werten neu geschrieben !\n", pf.routine,
                    pf.path);
        if (!SaveStandard(pf, f)) {
            Close(f);
            return nullptr;
        }
    }
    return f;
}

const PrefsSlot *FindSlot(const PrefsFile &pf, UWORD id, UWORD mode, bool text)
{
    if (id >= pf.count) {
        std::printf("%s: Unbekannte Prefs-Nummer %u !\n", pf.routine, (unsigned)id);
        return nullptr;
    }
    if (mode != PREFS_READ && mode != PREFS_WRITE) {
        std::printf("%s: Unbekannter Modus %u !\n", pf.routine, (unsigned)mode);
        return nullptr;
    }
    const PrefsSlot *slot = &pf.slots[id];
    if ((slot->size > 4) != text) {
        std::printf(text ? "%s: Prefs-Wert %u ist kein Text !\n" : "%s: Prefs-Wert %u ist ein Text !\n",
                    pf.routine, (unsigned)id);
        return nullptr;
    }
    return slot;
}

// Reads or writes the slot's bytes in place. 1 or 0.
int Transfer(const PrefsFile &pf, const PrefsSlot &slot, UWORD mode, UBYTE *bytes)
{
    BPTR f = OpenPrefs(pf, mode);
    if (!f) return 0;
    if (Seek(f, slot.offset, OFFSET_BEGINNING) < 0) {
        if (!SaveStandard(pf, f) || Seek(f, slot.offset, OFFSET_BEGINNING) < 0) {
            Close(f);
            return 0;
        }
    }
    int ok;
    if (mode == PREFS_READ) {
        ok = std::fread(bytes, 1, slot.size, f) == slot.size;
        if (!ok) std::printf("CheckPrefs: Konnte Prefs-Wert nicht lesen !\n");
    } else {
        // Flushed here so that a full disk shows as a failure of this call.
        ok = std::fwrite(bytes, 1, slot.size, f) == slot.size && std::fflush(f) == 0;
        if (!ok) std::printf("CheckPrefs: Konnte Prefs-Wert nicht schreiben !\n");
    }
    Close(f);
    return ok;
}

int Number(const PrefsFile &pf, UWORD id, UWORD mode, ULONG *value)
{
    const PrefsSlot *slot = FindSlot(pf, id, mode, false);
    if (!slot || !value) return 0;
    UBYTE bytes[4] = {};
    if (mode == PREFS_WRITE)
        for (int i = 0; i < slot->size; ++i) bytes[i] = (UBYTE)(*value >> (8 * i));
    if (!Transfer(pf, *slot, mode, bytes)) return 0;
    if (mode == PREFS_READ) {
        ULONG v = 0;
        for (int i = slot->size - 1; i >= 0; --i) v = (v << 8) | bytes[i];
        *value = v;
    }
    return 1;
}

ULONG Classic(const PrefsFile &pf, UWORD id, UWORD mode, ULONG value)
{
    return Number(pf, id, mode, &value) ? value : PREFS_FAIL;
}

char *ReadText(const PrefsFile &pf, UWORD id)
{
    const PrefsSlot *slot = FindSlot(pf, id, PREFS_READ, true);
    if (!slot) return nullptr;
    // One byte more than the field, so that a full field is still terminated.
    char *text = (char *)AllocVec(slot->size + 1u, MEMF_CLEAR);
    if (!Transfer(pf, *slot, PREFS_READ, (UBYTE *)text)) {
        FreeVec(text);
        return nullptr;
    }
    return text;
}

int WriteText(const PrefsFile &pf, UWORD id, const char *text)
{
    const PrefsSlot *slot = FindSlot(pf, id, PREFS_WRITE, true);
    if (!slot) return 0;
    if (!text) {
        std::printf("%s: Kein Text f\374r Prefs-Wert %u !\n", pf.routine, (unsigned)id);
        return 0;
    }
    UBYTE buffer[80] = {};
    static_assert(sizeof buffer >= 80 && TEXT_WRITE_MAX <= 80);
    std::strncpy((char *)buffer, text, TEXT_WRITE_MAX);
    return Transfer(pf, *slot, PREFS_WRITE, buffer);
}

}  // namespace

ULONG CheckPrefs(UWORD id, UWORD mode, ULONG value) { return Classic(prefsFile, id, mode, value); }
int CheckPrefsRead(UWORD id, ULONG *value) { return Number(prefsFile, id, PREFS_READ, value); }
int CheckPrefsWrite(UWORD id, ULONG value) { return Number(prefsFile, id, PREFS_WRITE, &value); }
char *CheckPrefsReadText(UWORD id) { return ReadText(prefsFile, id); }
int CheckPrefsWriteText(UWORD id, const char *text) { return WriteText(prefsFile, id, text); }
int SaveStandardCheckPrefs(BPTR file) { return SaveStandard(prefsFile, file); }

ULONG RoredIdezPrefs(UWORD id, UWORD mode, ULONG value) { return Classic(btPrefsFile, id, mode, value); }
int RoredIdezPrefsRead(UWORD id, ULONG *value) { return Number(btPrefsFile, id, PREFS_READ, value); }
int RoredIdezPrefsWrite(UWORD id, ULONG value) { return Number(btPrefsFile, id, PREFS_WRITE, &value); }
char *RoredIdezPrefsReadText(UWORD id) { return ReadText(btPrefsFile, id); }
int RoredIdezPrefsWriteText(UWORD id, const char *text) { return WriteText(btPrefsFile, id, text); }
int SaveStandardRoredIdezPrefs(BPTR file) { return SaveStandard(btPrefsFile, file); }

int SetRunMarker()
{
    ULONG marker = 0;
    // A marker that cannot be read says nothing about the last run.
    const int unclean = CheckPrefsRead(PREF_RUN_MARKER, &marker) && marker != 0;
    if (unclean) PlayerInfo.Event = 2;
    CheckPrefsWrite(PREF_RUN_MARKER, 1);
    return unclean;
}

void ClearRunMarker() { CheckPrefsWrite(PREF_RUN_MARKER, 0); }

namespace {

constexpr char OPTIONEN_PATH[] = "./Data/Optionen.prefs";

struct OptionField {
    UWORD fileOffset;
    size_t memOffset;
    size_t size;  // 1, 2, 4: number in host byte order; 40: text
};

#define VEK_OPTION(offset, field) {offset, offsetof(OptionenPrefs, field), sizeof(OptionenPrefs::field)}
constexpr OptionField optionFields[] = {
    VEK_OPTION(0, SoundBits),          VEK_OPTION(4, TCPIP_ID),           VEK_OPTION(5, TCPIP_Flags),
    VEK_OPTION(6, CDDevicename),       VEK_OPTION(46, CDDeviceUnit),      VEK_OPTION(48, CDDeviceLUN),
    VEK_OPTION(50, AHI_ModeID),        VEK_OPTION(54, AHI_Frequency),     VEK_OPTION(58, SFX_Volume),
    VEK_OPTION(59, CD_Volume),         VEK_OPTION(60, InterPOPName),      VEK_OPTION(100, InterSMTPName),
    VEK_OPTION(140, InterUsername),    VEK_OPTION(180, InterPassword),    VEK_OPTION(220, EmailAdresse),
    VEK_OPTION(260, SMTPUsername),     VEK_OPTION(300, SMTPPassword),     VEK_OPTION(340, ModemDeviceName),
    VEK_OPTION(380, ModemDeviceUnit),  VEK_OPTION(384, ModemInitString),  VEK_OPTION(424, ModemDialString),
    VEK_OPTION(464, ModemExitString),  VEK_OPTION(504, ModemResetString), VEK_OPTION(544, Modem_io_ExtFlags),
    VEK_OPTION(548, Modem_io_Baud),    VEK_OPTION(552, Modem_io_BrkTime), VEK_OPTION(556, ModemParity),
    VEK_OPTION(558, ModemProtocol),    VEK_OPTION(560, ModemStopbits),    VEK_OPTION(561, ModemBytesize),
    VEK_OPTION(562, Modem_io_ReadLen), VEK_OPTION(563, Modem_io_WriteLen), VEK_OPTION(564, Modem_io_StopBits),
    VEK_OPTION(565, Modem_io_SerFlag), VEK_OPTION(566, ColorCursor),
};
#undef VEK_OPTION

// Every byte of the file belongs to exactly one field, in order, and each
// field lies in memory where the file has it.
constexpr bool OptionFieldsCoverFile()
{
    size_t next = 0;
    for (const OptionField &f : optionFields) {
        if (f.fileOffset != next || f.memOffset != f.fileOffset) return false;
        if (f.size != 1 && f.size != 2 && f.size != 4 && f.size != 40) return false;
        next += f.size;
    }
    return next == OPTIONEN_PREFS_SIZE && next == sizeof(OptionenPrefs);
}
static_assert(OptionFieldsCoverFile());

void SetText(char (&field)[40], const char *text)
{
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, sizeof field - 1);
}

// The placeholder word of both password fields, eight lower-case letters.
void PlaceholderPassword(char (&field)[40]) { SetText(field, "password"); }

}  // namespace

void OptionenPrefsEncode(const OptionenPrefs &op, UBYTE out[OPTIONEN_PREFS_SIZE])
{
    const UBYTE *mem = (const UBYTE *)&op;
    for (const OptionField &f : optionFields) std::memcpy(out + f.fileOffset, mem + f.memOffset, f.size);
}

void OptionenPrefsDecode(const UBYTE *in, ULONG length, OptionenPrefs *op)
{
    if (!in || !op) return;
    UBYTE *mem = (UBYTE *)op;
    for (const OptionField &f : optionFields)
        if (f.fileOffset + f.size <= length) std::memcpy(mem + f.memOffset, in + f.fileOffset, f.size);
}

int OptionenPrefsSave()
{
    std::printf("OptionenPrefsSave: %s\n", OPTIONEN_PATH);
    UBYTE image[OPTIONEN_PREFS_SIZE];
    OptionenPrefsEncode(UserSystem.OP, image);
    // Owner only: the record holds the mail passwords.
    const int written = WriteFileAtomic(OPTIONEN_PATH, image, OPTIONEN_PREFS_SIZE, 0600);
    if (written < 0) {
        std::printf("OptionenPrefsSave: Konnte Prefs-File nicht \366ffnen!\n");
        return 0;
    }
    if (written != (int)OPTIONEN_PREFS_SIZE) {
        std::printf("OptionenPrefsSave: Fehler beim speichern!\n");
        return 0;
    }
    return 1;
}

int OptionenPrefsLoad()
{
    BPTR f = OpenToRead(OPTIONEN_PATH);
    if (!f) return 0;  // a missing file is rebuilt without a message
    UBYTE image[OPTIONEN_PREFS_SIZE];
    const size_t got = std::fread(image, 1, sizeof image, f);
    Close(f);
    OptionenPrefsDecode(image, (ULONG)got, &UserSystem.OP);
    // The texts are used as C strings: a full field must not run on.
    UBYTE *mem = (UBYTE *)&UserSystem.OP;
    for (const OptionField &f : optionFields)
        if (f.size == 40) mem[f.memOffset + 39] = 0;
    if (got < OPTIONEN_PREFS_SIZE) {
        std::printf("OptionenPrefsLoad: Ladefehler: Filegr\366\337e stimmt nicht!\n");
        return 0;
    }
    return 1;
}

void OptionPrefsDefault()
{
    OptionenPrefs &op = UserSystem.OP;
    SetText(op.CDDevicename, "nobody.device");
    op.CDDeviceUnit = 1;
    op.CDDeviceLUN = 0;
    if (SetupSystemHooks.IsCD && SetupSystemHooks.IsCD()) UserSystem.SoundMask |= 4;
    op.TCPIP_ID = 4;
    op.TCPIP_Flags = 0x01;
    op.AHI_ModeID = 0xFFFFFFFFu;
    op.AHI_Frequency = 22100;
    op.SFX_Volume = 50;
    op.CD_Volume = 50;
    SetText(op.InterPOPName, OPTIONEN_POP_PLATZHALTER);
    SetText(op.InterSMTPName, OPTIONEN_SMTP_PLATZHALTER);
    SetText(op.InterUsername, "username");
    PlaceholderPassword(op.InterPassword);
    SetText(op.EmailAdresse, OPTIONEN_EMAIL_PLATZHALTER);
    SetText(op.SMTPUsername, "username");
    PlaceholderPassword(op.SMTPPassword);
    SetText(op.ModemDeviceName, "serial.device");
    op.ModemDeviceUnit = 1;
    SetText(op.ModemInitString, "AT&F");
    op.Modem_io_Baud = 22800;
    op.ModemParity = 0;
    op.ModemProtocol = 1;
    op.ModemStopbits = 0;
    op.ModemBytesize = 1;
    // The wanted set is stored whole: a start without sound (-nosound, no
    // audio device) must not switch sound off for later runs. The mask
    // limits only what is in force now.
    op.SoundBits = OPTIONEN_SOUNDBITS;
    UserSystem.SoundStatus = (UserSystem.SoundMask & 0x3D) | 0xC0;
    UserSystem.VekFlags |= VEKFLAG_OPTIONS_REBUILT;
}
