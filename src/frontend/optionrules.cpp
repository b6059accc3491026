// The option pages' rules: see optionrules.h.
#include "frontend/optionrules.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/signup.h"
#include "media/sound.h"
#include "platform/strings.h"

int (*OptionCDAnswerHook)(const char *device, ULONG unit) = IsCD;

namespace {

bool CDAnswers(const char *device, ULONG unit) { return OptionCDAnswerHook && OptionCDAnswerHook(device, unit); }

// A text of at most 39 characters from a 40-byte field that may lack its NUL.
void CopyField(char *dest, size_t destSize, const char *src, size_t srcSize)
{
    size_t n = strnlen(src, srcSize);
    if (n > OPTION_TEXT_MAX) n = OPTION_TEXT_MAX;
    if (n >= destSize) n = destSize - 1;
    std::memcpy(dest, src, n);
    dest[n] = 0;
}

ULONG Number(const char *text, int base) { return (ULONG)std::strtoul(text, nullptr, base); }

}  // namespace

SoundSwitchResult SoundSwitch(ULONG bits, ULONG mask, int sw, const char *device, ULONG unit)
{
    SoundSwitchResult r{bits, mask, nullptr, 0, 0};
    ULONG &b = r.Bits;
    switch (sw) {
    case 0:  // AHI
        if (!(mask & SOUND_16BIT)) {
            r.Meldung = &_VEK_OPTION0_AHINOTPOSSIBLE;
            return r;
        }
        b ^= SOUND_16BIT;
        if (!(b & SOUND_16BIT) && (b & SOUND_MUSIC)) {
            r.Meldung = &_VEK_OPTION0_NOAHINURPAULA;
            b &= ~(SOUND_MUSIC | SOUND_FASTTRACKER);
        }
        break;
    case 1:  // wavetable
        r.Meldung = &_VEK_OPTION0_WAVETABLE;
        return r;
    case 2:  // CD-ROM
        if ((b & SOUND_CDROMSOUND) || CDAnswers(device, unit)) {
            r.TakeCDUnit = 1;
            r.Mask |= SOUND_CDROMSOUND;
            b ^= SOUND_CDROMSOUND;
            if (b & SOUND_CDROMSOUND) b = (b | SOUND_MUSIC) & ~SOUND_FASTTRACKER;
            else b &= ~SOUND_CD_VOLUME;
        } else {
            r.Mask &= ~SOUND_CDROMSOUND;
            r.Meldung = &_VEK_OPTION0_DEVICEUNITNOTCORRECT;
            return r;
        }
        break;
    case 3:  // modules
        if (!(b & SOUND_16BIT)) {
            r.Meldung = &_VEK_OPTION0_NOAHIKEINEMODULE;
            return r;
        }
        b |= SOUND_MUSIC;
        b ^= SOUND_FASTTRACKER;
        if ((b & SOUND_CDROMSOUND) && (b & SOUND_FASTTRACKER)) b &= ~SOUND_CDROMSOUND;
        break;
    case 4:  // effects
        b ^= SOUND_SOUNDFX;
        if (!(b & SOUND_SOUNDFX)) b &= ~SOUND_SFX_VOLUME;
        break;
    case 5:  // music
        if (b & (SOUND_FASTTRACKER | SOUND_CDROMSOUND)) {
            b ^= SOUND_MUSIC;
            if ((b & SOUND_MUSIC) && !(b & SOUND_FASTTRACKER) && CDAnswers(device, unit)) {
                r.Mask |= SOUND_CDROMSOUND;
                b |= SOUND_CDROMSOUND;
            }
        } else if (b & SOUND_MUSIC) {
            b &= ~SOUND_MUSIC;
        } else {
            r.Meldung = &_VEK_OPTION0_MUSICNOTPOSSIBLE;
            return r;
        }
        break;
    case 6: b ^= SOUND_CD_VOLUME; break;
    case 7: b ^= SOUND_SFX_VOLUME; break;
    default: return r;
    }
    r.Restart = 1;
    return r;
}

LONG SliderVolume(LONG x, LONG left, LONG right)
{
    // A slider too narrow for its notch has no travel to read a volume from.
    if (right - left <= 7) return -1;
    if (x < left) x = left;
    if (x > right) x = right;
    return (x - left) * 100 / (right - left);
}

LONG NotchX(LONG left, LONG right, LONG v) { return left + v * (right - left - 7) / 100; }

ULONG SfxVolumeWord(ULONG v) { return ((v * 2 / 25) & 31) << 16; }

void SoundFieldsFromOptions(const OptionenPrefs &op, char fields[OPTION0_FIELDS][OPTION_FIELD_BYTES])
{
    CopyField(fields[0], OPTION_FIELD_BYTES, op.CDDevicename, sizeof op.CDDevicename);
    std::snprintf(fields[1], OPTION_FIELD_BYTES, "%u", (unsigned)op.CDDeviceUnit);
    std::snprintf(fields[2], OPTION_FIELD_BYTES, "%u", (unsigned)op.CDDeviceLUN);
    std::snprintf(fields[3], OPTION_FIELD_BYTES, "0x%08X", (unsigned)op.AHI_ModeID);
    std::snprintf(fields[4], OPTION_FIELD_BYTES, "%u", (unsigned)op.AHI_Frequency);
}

void SoundFieldsToOptions(const char fields[OPTION0_FIELDS][OPTION_FIELD_BYTES], ULONG bits, OptionenPrefs *op)
{
    op->SoundBits = bits;
    char name[sizeof op->CDDevicename];
    CopyField(name, sizeof name, fields[0], OPTION_FIELD_BYTES);
    std::memset(op->CDDevicename, 0, sizeof op->CDDevicename);
    std::memcpy(op->CDDevicename, name, std::strlen(name));
    op->CDDeviceUnit = (UWORD)Number(fields[1], 10);
    op->CDDeviceLUN = (UWORD)Number(fields[2], 10);
    const bool hex = std::strncmp(fields[3], "0x", 2) == 0;
    op->AHI_ModeID = hex ? Number(fields[3] + 2, 16) : Number(fields[3], 10);
    op->AHI_Frequency = Number(fields[4], 10);
}

UBYTE TransportFlags(UBYTE flags, TransportSwitch which)
{
    switch (which) {
    case SWITCH_TURNS_BY_MAIL: return (UBYTE)((flags & 0xFA) | 0x01);
    case SWITCH_TURNS_BY_PACKETS: return (UBYTE)((flags & 0xFA) | 0x04);
    case SWITCH_CHAT_PANEL: return (UBYTE)(flags ^ 0x10);
    }
    return flags;
}

BOOL MailDomainMatches(const char *email, const char *popServer)
{
    const char *at = std::strrchr(email, '@');
    if (!at) return 0;
    const char *domain = at + 1;
    if (!*domain || !std::strstr(popServer, domain)) return 0;
    const char *first = std::strchr(popServer, '.');
    const bool oneLabelMore = first && std::strchr(first + 1, '.');
    const char *rest = oneLabelMore ? first + 1 : popServer;
    return std::strlen(rest) == std::strlen(domain);
}

BOOL PasswordKey(char (&real)[40], ULONG key, size_t shownLen)
{
    const size_t len = strnlen(real, sizeof real);
    if (key == 8) {
        if (shownLen < len) std::memset(real + shownLen, 0, sizeof real - shownLen);
        return 0;
    }
    if (key < 1 || key > 255 || len >= OPTION_TEXT_MAX) return 0;
    real[len] = (char)key;
    real[len + 1] = 0;
    return 1;
}

st_INIT AddressChangeRecord(const char *email)
{
    st_INIT rec = NewSignupRecord();
    SetSignupField(rec.Email, email);
    return rec;
}
