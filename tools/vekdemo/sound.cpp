// The sound index ./Data/SfxPath with a short tone behind every effect
// number, one small tracker module under each module name the program uses,
// and the CD tracks as MP3 files for SDL's emulated drive.
#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "kit.h"

namespace vekdemo {

namespace {

// Every number the sample cache can hold has a sample; the screens use 1 to 181.
constexpr uint32_t SOUND_COUNT = 197;

// Names as stored in the index (Latin-1); the first four bytes are the volume.
std::string SoundName(uint32_t n)
{
    switch (n) {
    case 1: return "Vek:Sfx/Klick.raw";
    case 93: return "Vek:Sfx/Regengu\xDF.raw";  // becomes UTF-8 on disk
    case 125: return "Vek:Sfx/T\xFCr.raw";
    case 168: return "Vek:Sfx/Fanfare.raw";
    default: return "Vek:Sfx/Ton_" + std::to_string(n) + ".raw";
    }
}

std::string SoundFile(const std::string &name)
{
    std::string out;
    for (unsigned char c : name) {
        if (c == 0xDF) out += "\xC3\x9F";
        else if (c == 0xFC) out += "\xC3\xBC";
        else out += (char)c;
    }
    return out.substr(4);
}

// Most samples are at the mixer's rate; some at twice and half of it, one at
// a rate that needs the general conversion.
uint32_t SoundRate(uint32_t n)
{
    if (n == 50) return 16000;
    if (n % 10 == 3) return 44100;
    if (n % 10 == 7) return 11025;
    return 22050;
}

// A twentieth of a second of a triangle tone with a fade in and out, signed
// 16-bit big-endian, all in integer arithmetic.
Bytes Tone(uint32_t n, uint32_t rate)
{
    const uint32_t samples = rate / 20;
    const uint32_t pitch = 220 + (n * 37) % 660;  // Hz
    const uint32_t period = rate / pitch;
    Bytes b;
    for (uint32_t i = 0; i < samples; ++i) {
        const uint32_t phase = i % period;
        const int32_t tri = (int32_t)(phase < period / 2 ? phase * 4 * 8000 / period : (period - phase) * 4 * 8000 / period) - 8000;
        const uint32_t edge = std::min<uint32_t>(std::min<uint32_t>(i, samples - 1 - i), samples / 8);
        const int32_t v = tri * (int32_t)edge / (int32_t)(samples / 8);
        PutBE16(b, (uint32_t)(uint16_t)(int16_t)v);
    }
    return b;
}

Bytes SoundIndex(Output &out)
{
    Bytes index;
    PutZeros(index, 32);
    PutBE32(index, SOUND_COUNT);
    PutZeros(index, 20 * (size_t)SOUND_COUNT);  // record n at 16 + 20 n
    for (uint32_t n = 1; n <= SOUND_COUNT; ++n) {
        const std::string name = SoundName(n);
        const uint32_t rate = SoundRate(n);
        const Bytes sample = Tone(n, rate);
        const size_t at = 16 + 20 * (size_t)n;
        SetBE32(index, at + 4, (uint32_t)sample.size());
        SetBE32(index, at + 8, rate);
        SetBE32(index, at + 12, (uint32_t)(index.size() - 32));
        PutText(index, name, true);
        out.Write(SoundFile(name), sample);
    }
    return index;
}

// A four-channel module ("M.K."): one looped instrument and one pattern of a
// melody picked from the name.
Bytes Module(const std::string &title)
{
    static const uint16_t periods[] = {428, 381, 339, 320, 285, 254, 226, 214};
    Bytes b;
    PutText(b, title.substr(0, 20), false);
    PutZeros(b, 20 - std::min<size_t>(20, title.size()));
    const int waveBytes = 64;
    for (int s = 0; s < 31; ++s) {
        const std::string name = s == 0 ? "Vek-Demo Ton" : "";
        PutText(b, name, false);
        PutZeros(b, 22 - name.size());
        PutBE16(b, s == 0 ? waveBytes / 2 : 0);  // length in words
        b.push_back(0);                           // finetune
        b.push_back(s == 0 ? 48 : 0);             // volume
        PutBE16(b, 0);                            // loop start in words
        PutBE16(b, s == 0 ? waveBytes / 2 : 1);   // loop length in words
    }
    b.push_back(1);    // song length
    b.push_back(127);  // restart
    PutZeros(b, 128);  // order: pattern 0
    PutTag(b, "M.K.");
    Rng rng(SeedOf(title));
    for (int row = 0; row < 64; ++row)
        for (int ch = 0; ch < 4; ++ch) {
            const bool note = ch == 0 ? row % 4 == 0 : ch == 1 && row % 16 == 8;
            const uint16_t period = note ? periods[rng.Below(8)] : 0;
            b.push_back((uint8_t)(period >> 8));
            b.push_back((uint8_t)period);
            b.push_back(note ? 0x10 : 0);  // instrument 1
            b.push_back(0);
        }
    for (int i = 0; i < waveBytes; ++i) {
        const int tri = i < waveBytes / 2 ? i * 8 - 128 : (waveBytes - i) * 8 - 128;
        b.push_back((uint8_t)(int8_t)std::max(-127, std::min(127, tri)));
    }
    return b;
}

// CD tracks: the screens ask for indices up to 14, the emulated drive reads
// track01.mp3 onwards and refuses to play its last track, so one more follows.
constexpr int CD_TRACKS = 16;
constexpr int CD_RATE = 22050;

// Four tenths of a second of a triangle tone for track n (1-based), 16-bit
// host order, in integer arithmetic.
std::vector<short> TrackTone(int n)
{
    const int samples = CD_RATE * 4 / 10;
    const int period = CD_RATE / (330 + 55 * n);
    std::vector<short> pcm((size_t)samples);
    for (int i = 0; i < samples; ++i) {
        const int phase = i % period;
        const int tri = (phase < period / 2 ? phase * 4 * 6000 / period : (period - phase) * 4 * 6000 / period) - 6000;
        const int edge = std::min(std::min(i, samples - 1 - i), samples / 10);
        pcm[(size_t)i] = (short)(tri * edge / (samples / 10));
    }
    return pcm;
}

// Constant-rate mono MP3 without tags, so the bytes depend on the samples only.
Bytes EncodeMp3(const std::vector<short> &pcm)
{
    Bytes out;
    lame_global_flags *gf = lame_init();
    if (!gf) return out;
    lame_set_in_samplerate(gf, CD_RATE);
    lame_set_out_samplerate(gf, CD_RATE);
    lame_set_num_channels(gf, 1);
    lame_set_mode(gf, MONO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, 32);
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return out;
    }
    std::vector<unsigned char> buf(pcm.size() * 5 / 4 + 7200 + 7200);
    std::vector<short> samples = pcm;
    int n = lame_encode_buffer(gf, samples.data(), samples.data(), (int)samples.size(), buf.data(), (int)buf.size());
    if (n >= 0) out.insert(out.end(), buf.begin(), buf.begin() + n);
    n = n >= 0 ? lame_encode_flush(gf, buf.data(), (int)buf.size()) : n;
    if (n >= 0) out.insert(out.end(), buf.begin(), buf.begin() + n);
    lame_close(gf);
    if (n < 0) out.clear();
    return out;
}

}  // namespace

void WriteCDTracks(Output &out)
{
    for (int n = 1; n <= CD_TRACKS; ++n) {
        const Bytes mp3 = EncodeMp3(TrackTone(n));
        if (mp3.empty()) {
            out.Fail();
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "CD/track%02d.mp3", n);
        out.Write(name, mp3);
    }
}

void WriteSounds(Output &out) { out.Write("Data/SfxPath", SoundIndex(out)); }

void WriteModules(Output &out)
{
    for (const char *name : {"Secret.xm", "VekMain.DBM", "VekMain.xm", "VekMain2.DBM", "VekMain2.xm"})
        out.Write(std::string("Mods/") + name, Module(name));
}

}  // namespace vekdemo
