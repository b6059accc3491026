// Sound effects by number from the sound index ./Data/SfxPath, played on the
// mixer that start-up opened (22,050 Hz, 16 bits, mono), and the sound
// environment: which kinds of sound are on, its start and its end.
#include "media/sound.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "media/sound_local.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

ULONG BE32(const UBYTE *p) { return (ULONG)p[0] << 24 | (ULONG)p[1] << 16 | (ULONG)p[2] << 8 | p[3]; }

SfxSound &Sfx() { return UserSystem.Sfx; }

bool EffectsOn() { return (UserSystem.SoundStatus & SOUND_SOUNDFX) != 0; }

int FindSlot(ULONG id)
{
    for (int i = 0; i < SFX_SLOTS; ++i)
        if (Sfx().SfxIdOnSlot[i] == id) return i;
    return -1;
}

// The chunk does not own its samples (Mix_QuickLoad_RAW): they go back after it.
void FreeSlot(int i)
{
    SfxSound &s = Sfx();
    if (Mix_Chunk *chunk = s.SampleSlots[i]) {
        UBYTE *data = chunk->abuf;
        Mix_FreeChunk(chunk);  // halts the channels that play it
        FreeVec(data);
    }
    s.SampleSlots[i] = nullptr;
    s.SfxIdOnSlot[i] = 0;
    s.SfxLength[i] = 0;
    s.SfxOnChannel[i] = -1;
}

void FreeAllSlots()
{
    if (Mix_QuerySpec(nullptr, nullptr, nullptr)) Mix_HaltChannel(-1);
    for (int i = 0; i < SFX_SLOTS; ++i) FreeSlot(i);
}

void PrintBits(const char *title, ULONG bits)
{
    static const char *const labels[8] = {"16BIT Sound ?", "Wavetable   ?", "CDROM Sound ?", "Fasttracker ?",
                                          "Sound FX    ?", "Musik       ?", "CD Volume   ?", "SFX Volume  ?"};
    std::printf("%s\n", title);
    for (int b = 0; b < 8; ++b) std::printf("%s: %s\n", labels[b], bits & (1u << b) ? "yes" : "no");
}

// The samples of a record: read whole, big-endian to host order. Empty after
// a message when the file is missing or shorter than the record says.
std::vector<WORD> ReadSample(const SfxRecord &rec)
{
    std::vector<WORD> samples;
    BPTR f = Open(rec.path, MODE_OLDFILE);
    if (!f) {
        std::printf("Couldn't load %s\n", rec.path);
        return samples;
    }
    // The file's size bounds what the index may claim.
    if (GetFileSize(rec.path) < rec.length) {
        Close(f);
        std::printf("OpenKavorSfx: %s ist k\xFCrzer als %lu Bytes\n", rec.path, (unsigned long)rec.length);
        return samples;
    }
    std::vector<UBYTE> raw(rec.length);
    const LONG got = Read(f, raw.data(), (LONG)raw.size());
    Close(f);
    if (got < 0 || (size_t)got != raw.size()) {
        std::printf("OpenKavorSfx: %s ist k\xFCrzer als %lu Bytes\n", rec.path, (unsigned long)rec.length);
        return samples;
    }
    samples.resize(rec.length / 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = (WORD)(raw[2 * i] << 8 | raw[2 * i + 1]);
    return samples;
}

// Sample paths are relative and never climb out of the game directory.
bool InsideGameDir(const char *path)
{
    if (path[0] == '/') return false;
    for (const char *p = path; *p;) {
        const char *end = std::strchr(p, '/');
        const size_t n = end ? (size_t)(end - p) : std::strlen(p);
        if (n == 2 && p[0] == '.' && p[1] == '.') return false;
        p += n;
        if (*p == '/') ++p;
    }
    return true;
}

}  // namespace

int ReadSfxRecord(const UBYTE *index, ULONG size, UWORD id, SfxRecord *out)
{
    if (!index || size < 36) {
        std::printf("OpenKavorSfx: Index zu kurz (%lu Bytes)\n", (unsigned long)size);
        return 0;
    }
    if (BE32(index + 32) < id) {
        std::printf("OpenKavorSfx:003\n");
        return 0;
    }
    const unsigned long long at = 16ull + 20ull * id;
    if (at + 20 > size) {
        std::printf("OpenKavorSfx: Eintrag %u liegt hinter dem Index\n", id);
        return 0;
    }
    out->length = BE32(index + at + 4);
    out->rate = BE32(index + at + 8);
    const unsigned long long name = 32ull + BE32(index + at + 12);
    if (name >= size) {
        std::printf("OpenKavorSfx: Name von %u liegt hinter dem Index\n", id);
        return 0;
    }
    const UBYTE *n = index + name;
    const UBYTE *nul = (const UBYTE *)std::memchr(n, 0, size - name);
    if (!nul) {
        std::printf("OpenKavorSfx: Name von %u ohne Ende\n", id);
        return 0;
    }
    // The first four bytes name the volume; at most 80 bytes of the name count.
    const size_t len = std::min<size_t>((size_t)(nul - n), SFX_PATH_MAX);
    if (len <= 4) {
        std::printf("OpenKavorSfx: Name von %u zu kurz\n", id);
        return 0;
    }
    char expanded[2 * SFX_PATH_MAX];
    size_t e = 0;
    for (size_t i = 0; i < len; ++i) {
        if (n[i] == 0xDF) {
            expanded[e++] = (char)0xC3;
            expanded[e++] = (char)0x9F;
        } else if (n[i] == 0xFC) {
            expanded[e++] = (char)0xC3;
            expanded[e++] = (char)0xBC;
        } else {
            expanded[e++] = (char)n[i];
        }
    }
    if (e > SFX_PATH_MAX) {
        std::printf("OpenKavorSfx: Name von %u zu lang\n", id);
        return 0;
    }
    std::memcpy(out->path, expanded + 4, e - 4);
    out->path[e - 4] = 0;
    if (!InsideGameDir(out->path)) {
        std::printf("OpenKavorSfx: Name von %u verl\xE4sst das Spielverzeichnis\n", id);
        return 0;
    }
    if (out->rate == 0) {
        std::printf("OpenKavorSfx: Frequenz 0 bei %u\n", id);
        return 0;
    }
    if (out->length % 2) {
        std::printf("OpenKavorSfx: ungerade L\xE4nge %lu bei %u\n", (unsigned long)out->length, id);
        return 0;
    }
    return 1;
}

std::vector<WORD> ConvertSampleRate(const WORD *in, ULONG count, ULONG rate)
{
    std::vector<WORD> out;
    if (rate == 0) {
        std::printf("OpenKavorSfx: Frequenz 0\n");
        return out;
    }
    if (rate == SFX_RATE) return std::vector<WORD>(in, in + count);
    std::printf("Routine OpenKavorSfx: Sample muss angepasst werden!\n");
    if (rate == 2 * SFX_RATE) {
        std::printf("Routine convert_sample_rate_div_2\n");
        out.resize(count / 2);
        for (size_t j = 0; j < out.size(); ++j) out[j] = in[2 * j];
        return out;
    }
    std::printf("Routine convert_sample_rate\n");
    // Nearest lower input sample, stepping in extended precision.
    const long double q = (long double)SFX_RATE / rate;
    const unsigned long long bytes = (unsigned long long)(q * (2.0L * count));
    if (bytes > SFX_MAX_BYTES) {
        std::printf("OpenKavorSfx: %llu Bytes nach der Umrechnung sind zu viel\n", bytes);
        return out;
    }
    out.resize(bytes / 2);
    long double s = 0;
    for (size_t j = 0; j < out.size(); ++j, s += 1 / q) {
        const unsigned long long k = (unsigned long long)s;
        if (k >= count) {
            std::printf("OpenKavorSfx: Umrechnung liest hinter dem letzten Wert (%llu von %lu)\n", k,
                        (unsigned long)count);
            return {};
        }
        out[j] = in[k];
    }
    return out;
}

int SfxVolumeFor(ULONG Volume)
{
    if (Volume >= 0x10000) return std::min<int>((int)((Volume >> 16) & 31) * 16, MIX_MAX_VOLUME);
    return std::min(2 * (int)std::min<ULONG>(2 * Volume, 128), MIX_MAX_VOLUME);
}

int OpenKavorSfx(const char *Path, UWORD SfxID)
{
    if (!EffectsOn()) return 1;
    if (SfxID == 0 || !Path) {
        std::printf("OpenKavorSfx:000\n");
        return 0;
    }
    const bool kept = UserSystem.CachePath && UserSystem.SfxPathPtr;
    const UBYTE *index = kept ? (const UBYTE *)UserSystem.SfxPathPtr : nullptr;
    ULONG size = kept ? UserSystem.SfxPathLength : 0;
    UBYTE *loaded = nullptr;
    if (!kept) {
        size = GetFileSize(Path);
        loaded = (UBYTE *)LoadFile2Mem(Path, 0);
        if (!loaded) {
            std::printf("OpenKavorSfx: Konnte Daten nicht einlesen !\n");
            return 0;
        }
        index = loaded;
    }
    int result = 0;
    SfxRecord rec;
    const int slot = FindSlot(0);
    if (ReadSfxRecord(index, size, SfxID, &rec)) {
        if (slot < 0) {
            std::printf("OpenKavorSfx:004\n");
        } else {
            std::printf("load_sample: filename='%s' length=%d\n", rec.path, (int)rec.length);
            if (rec.length == 0) {
                // Nothing to play; the slot stays free.
                BPTR f = Open(rec.path, MODE_OLDFILE);
                result = f ? 1 : 0;
                if (f)
                    Close(f);
                else
                    std::printf("Couldn't load %s\n", rec.path);
            } else {
                const std::vector<WORD> raw = ReadSample(rec);
                if (!raw.empty()) {
                    std::printf("Routine OpenKavorSfx: Frequency: %i\n", (int)rec.rate);
                    std::printf("Routine OpenKavorSfx: Length: %i\n", (int)rec.length);
                    std::printf("Routine OpenKavorSfx: Sizeof: %i\n", 4);
                    const std::vector<WORD> pcm = ConvertSampleRate(raw.data(), (ULONG)raw.size(), rec.rate);
                    if (!pcm.empty()) {
                        const ULONG bytes = (ULONG)(pcm.size() * 2);
                        UBYTE *data = (UBYTE *)AllocVec(bytes, 0);
                        std::memcpy(data, pcm.data(), bytes);
                        Mix_Chunk *chunk = Mix_QuickLoad_RAW(data, bytes);
                        if (chunk) {
                            SfxSound &s = Sfx();
                            s.SfxIdOnSlot[slot] = SfxID;
                            s.SfxLength[slot] = bytes;
                            s.SampleSlots[slot] = chunk;
                            s.SfxOnChannel[slot] = -1;
                            std::printf("Routine OpenKavorSfx: Frequency: %i\n", (int)SFX_RATE);
                            std::printf("Routine OpenKavorSfx: Length: %i\n", (int)bytes);
                            result = 1;
                        } else {
                            std::printf("OpenKavorSfx: %s\n", Mix_GetError());
                            FreeVec(data);
                        }
                    }
                }
            }
        }
    }
    FreeVec(loaded);
    return result;
}

void CloseKavorSfx(UWORD SfxID)
{
    const int i = SfxID ? FindSlot(SfxID) : -1;
    if (i < 0) {
        std::printf("CloseKavorSfx000: %d nicht gefunden\n", SfxID);
        return;
    }
    FreeSlot(i);
}

int SfxPlayer(UWORD SfxID, ULONG, int LoopSound)
{
    if (!EffectsOn() || SfxID == 0) return 0;
    const int i = FindSlot(SfxID);
    if (i < 0) {
        std::printf("SfxPlayer000: %d nicht gefunden\n", SfxID);
        return 0;
    }
    Sfx().SfxOnChannel[i] = Mix_PlayChannelTimed(-1, Sfx().SampleSlots[i], LoopSound ? -1 : 0, -1);
    return 1;
}

namespace {

// The slot's channel still plays the slot's chunk (a channel may have been
// given to another effect since).
bool SlotPlaying(int i)
{
    const int ch = Sfx().SfxOnChannel[i];
    return ch >= 0 && Mix_Playing(ch) && Mix_GetChunk(ch) == Sfx().SampleSlots[i];
}

}  // namespace

void StopSfx(UWORD SfxID)
{
    if (!EffectsOn() || SfxID == 0) return;
    const int i = FindSlot(SfxID);
    if (i < 0) {
        std::printf("StopSfx: %d nicht gefunden\n", SfxID);
        return;
    }
    if (SlotPlaying(i)) Mix_HaltChannel(Sfx().SfxOnChannel[i]);
}

int IsSfxReady(UWORD SfxID)
{
    if (SfxID == 0) return 1;
    const int i = FindSlot(SfxID);
    if (i < 0) return 1;
    if (SlotPlaying(i)) return 0;
    Sfx().SfxOnChannel[i] = -1;
    return 1;
}

void SetVolume(ULONG Volume)
{
    if (!EffectsOn()) return;
    std::printf("SetVolume: %lu\n", (unsigned long)Volume);
    Mix_Volume(-1, SfxVolumeFor(Volume));
}

int InitSoundEnv(ULONG Flags, const char *Modfilename)
{
    if (Flags == 0) Flags = UserSystem.OP.SoundBits;
    UserSystem.SoundStatus = Flags & UserSystem.SoundMask;
    if ((UserSystem.SoundStatus & SOUND_MODULES) == SOUND_MODULES) {
        if (SetModule(Modfilename))
            UserSystem.SoundStatus &= ~SOUND_CDROMSOUND;
        else
            UserSystem.SoundStatus &= ~(SOUND_FASTTRACKER | SOUND_MUSIC);
    }
    // A restart after the options changed finds the effects of the last run freed.
    FreeAllSlots();
    PrintBits("SoundMaske   :", UserSystem.SoundMask);
    PrintBits("SoundStatus  :", UserSystem.SoundStatus);
    PrintBits("SoundOptionen: (or wanted)", UserSystem.OP.SoundBits);
    if (EffectsOn() && !OpenKavorSfx("./Data/SfxPath", 1)) {
        // The caller goes on, or ends, without ExitSoundEnv: the music started
        // above must not outlive the audio, or its thread crashes the exit
        // while it still loads its module.
        EndMusicThread();
        UserSystem.SoundModulePtr = nullptr;
        return 0;
    }
    return 1;
}

void ExitSoundEnv()
{
    std::printf("Exit Soundmaske   : %u\n", (unsigned)UserSystem.SoundMask);
    std::printf("Exit Soundstatus  : %u\n", (unsigned)UserSystem.SoundStatus);
    std::printf("Exit Soundoptions : %u\n", (unsigned)UserSystem.OP.SoundBits);
    FreeAllSlots();
    if ((UserSystem.SoundStatus & SOUND_CDAUDIO) == SOUND_CDAUDIO) StopCD(nullptr, 0);
    ReleaseCDDrive();
    // The music thread stops and unloads its own module.
    EndMusicThread();
    UserSystem.SoundModulePtr = nullptr;
}
