// The rules of the three option pages (sound; mail and transport; mouse
// pointer): the sound switches and their messages, the volume sliders, the
// transport flags, the mail domain check, typed passwords, the text fields of
// the sound page and the address-change record. The screens (OptionScreen,
// Option1Screen, Option3Screen) show what these decide.
#pragma once
#include <cstddef>

#include "platform/prefs.h"
#include "platform/types.h"
#include "store/chunks.h"

struct LocStr;

// ---- sound page ----------------------------------------------------------

// Whether the CD unit answers (device, unit); IsCD unless a test puts its own.
extern int (*OptionCDAnswerHook)(const char *device, ULONG unit);

// What one switch click does to the page's bits and the system's SoundMask.
struct SoundSwitchResult {
    ULONG Bits;             // the page's bits afterwards
    ULONG Mask;             // SoundMask afterwards
    const LocStr *Meldung;  // the message to show, or null
    BOOL Restart;           // the bits changed: the sound system starts anew
    BOOL TakeCDUnit;        // fields 0 and 1 become the options' CD device and unit
};
// Switch sw (0 to 7, BU00 to BU07) clicked with the page's bits and the mask;
// the CD unit is asked (through the hook) only where the rule needs it.
SoundSwitchResult SoundSwitch(ULONG bits, ULONG mask, int sw, const char *device, ULONG unit);

// The volume of a click at x on a slider from left to right: 0 to 100, a
// click outside taken at the nearer end; -1 for a slider of 7 pixels or less.
LONG SliderVolume(LONG x, LONG left, LONG right);
// Where the notch of volume v lies on that slider.
LONG NotchX(LONG left, LONG right, LONG v);
// The effects volume 0 to 100 as SetVolume takes it: 0 to 8 in bits 16 to 20.
ULONG SfxVolumeWord(ULONG v);

// The page's five text fields (CD device, unit, LUN, AHI mode, frequency)
// from the options; at most 39 characters each.
constexpr int OPTION0_FIELDS = 5;
constexpr int OPTION_FIELD_BYTES = 80;
void SoundFieldsFromOptions(const OptionenPrefs &op, char fields[OPTION0_FIELDS][OPTION_FIELD_BYTES]);
// The fields and the page's bits into the options (AHI mode hexadecimal
// after "0x").
void SoundFieldsToOptions(const char fields[OPTION0_FIELDS][OPTION_FIELD_BYTES], ULONG bits, OptionenPrefs *op);

// ---- mail and transport page ---------------------------------------------

// Switch gadgets of the transport: BU18 turns by mail, BU19 turns by the game
// server's packets, IRCP the chat panel at the next start.
enum TransportSwitch { SWITCH_TURNS_BY_MAIL, SWITCH_TURNS_BY_PACKETS, SWITCH_CHAT_PANEL };
UBYTE TransportFlags(UBYTE flags, TransportSwitch which);

// 1 when the POP server belongs to the address's domain (the text after the
// last "@"): the server name holds the domain and is, without its first
// label (the whole name when it has one "." at most), as long as the domain.
BOOL MailDomainMatches(const char *email, const char *popServer);

constexpr size_t OPTION_TEXT_MAX = 39;  // characters of a 40-byte options field
// A key in a password field whose shown stars are now shownLen long:
// Backspace cuts the real password to that length; another key 1 to 255 is
// appended unless 39 characters stand already. 1 when a star is to be added.
BOOL PasswordKey(char (&real)[40], ULONG key, size_t shownLen);

// The record that tells the game server of a new address: "INIT", "V001",
// 772, the address (at most 39 characters) in Email, zeros elsewhere.
st_INIT AddressChangeRecord(const char *email);

// The sound page's restart of the sound system: InitSoundEnv unless a test
// puts its own.
extern int (*OptionInitSoundHook)(ULONG Flags, const char *Modfilename);
