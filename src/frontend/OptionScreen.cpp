// Screen 133: the sound option page. The player switches the sound sources,
// sets the CD and effects volumes and sees the program's version and his id.
// Every switch change restarts the sound system at once; NEXT and PREV store
// the page and go round the option ring, OKOK stores and saves, EXIT leaves.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/frontend.h"
#include "frontend/optionpage_local.h"
#include "frontend/optionrules.h"
#include "gfx/font.h"
#include "gfx/gfxnumber.h"
#include "gfx/graphics.h"
#include "gfx/palette.h"
#include "gfx/printing.h"
#include "gfx/screen.h"
#include "media/sound.h"
#include "platform/memfile.h"
#include "platform/prefs.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "ui/dialogs.h"
#include "ui/gadgets.h"
#include "ui/input.h"

int (*OptionInitSoundHook)(ULONG Flags, const char *Modfilename) = InitSoundEnv;

namespace {

constexpr const char *kLayout = "./Data/screendat/Optionen0.dat";
constexpr const char *kPath = "./Data/Path";
constexpr UWORD kPicture = 133, kNotch = 354;
constexpr ULONG kMask = 411;
constexpr LONG kNotchW = 32, kNotchH = 18;
constexpr UWORD kBoxPic = 66, kBoxX = 168, kBoxY = 180;
constexpr ULONG kSkipLabels = 1u << 10 | 1u << 12;
constexpr ULONG kAllOff = 0x100;

const OptionPageTexts kTexts = {
    "OptionScreen",
    "OptionScreen: Kein Speicher f\374r locale Daten!\n",
    "OptionScreen: Konnte Font nicht laden!\n",
    "OptionenScreen: Konnte Kavor-Font nicht \366ffnen !\n",
    "OptionScreen: Konnte Pic nicht laden!\n",
    "OptionenScreen: Konnte gr\374nen Button nicht laden!\n",
    "OptionenScreen: Konnte roten Button nicht laden!\n",
    "OptionenScreen: Kann TitelbarDaten <%s> nicht laden!\n",
};

struct LocalData {
    ULONG SoundBits;  // the page's bits
    OptionPage Page;
    LONG ActiveInputID;  // -1 none
    LONG XPos[2], YPos[2];
    BitMap *BitMapPtr[2];  // the background under each notch
    BOOL NotchLoaded;
    OptionField Field[OPTION0_FIELDS];
};

void Message(const char *text) { ChiefMessage(kBoxPic, kBoxX, kBoxY, 0, 0, 0, CHIEF_OK, text, OPTION_LABEL_PEN); }

// "V0.58Z1" from the version string: from its "V" up to the blank before "(".
std::string VersionText()
{
    const std::string v = Version;
    size_t from = v.find(" V");
    from = from == std::string::npos ? 0 : from + 1;
    size_t to = v.find(" (", from);
    return v.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

void PrintCentred(LocalData *ld, ULONG box, const char *text)
{
    RastPort *rp = DisplayRastPort();
    const StringInputBox *b = OptionFieldBox(&ld->Page, box);
    if (!rp || !b) return;
    SetFont(rp, ld->Page.VekFont1Ptr);
    SetDrMd(rp, JAM1);
    PrintText(rp, b->X0, b->Y0, b->X1, b->Y1, text, 0, OPTION_LABEL_PEN, PT_CENTER | PT_VCENTER | PT_BASELINE);
}

void BlitSwitchButton(LocalData *ld, ULONG bit)
{
    DrawOptionSwitch(&ld->Page, bit, (ld->SoundBits >> bit) & 1);
}

const GadgetData *Slider(LocalData *ld, int which)
{
    return OptionGadget(&ld->Page, which ? MakeGadgetID("SL01") : MakeGadgetID("SL00"));
}

// The notch of slider which (0 CD, 1 effects) at its volume, over the
// background it covers.
void VisualizeNotch(LocalData *ld, int which)
{
    const GadgetData *s = Slider(ld, which);
    if (!s || !ld->NotchLoaded) return;
    LONG v = which ? UserSystem.OP.SFX_Volume : UserSystem.OP.CD_Volume;
    if (v > 100) v = 100;
    if (ld->BitMapPtr[which]) {
        ScreenRestoreClip(ld->BitMapPtr[which], ld->XPos[which], ld->YPos[which], kNotchW, kNotchH);
        ld->BitMapPtr[which] = nullptr;
    }
    ld->XPos[which] = s->X1 - s->X0 > 7 ? NotchX(s->X0, s->X1, v) : s->X0;
    ld->YPos[which] = s->Y0;
    if (!(ld->BitMapPtr[which] = ScreenSaveClip(ld->XPos[which], ld->YPos[which], kNotchW, kNotchH)))
        std::printf("VisualizeNotch: Kann KornRequester nicht initialisieren !\n");
    BlitObjektMask(nullptr, kNotch, 0, ld->XPos[which], ld->YPos[which], 0, 0);
}

// A click on slider which at x; nothing while its enable bit is off.
void SetNotch(LocalData *ld, int which, LONG x)
{
    if (!(ld->SoundBits & (which ? SOUND_SFX_VOLUME : SOUND_CD_VOLUME))) return;
    const GadgetData *s = Slider(ld, which);
    if (!s) return;
    // A click lands only inside the gadget's borders: the travel runs between
    // them, so both ends can be reached.
    const LONG v = SliderVolume(x, s->X0 + 1, s->X1 - 1);
    if (v < 0) return;
    if (which) {
        UserSystem.OP.SFX_Volume = (UBYTE)v;
        SetVolume(SfxVolumeWord((ULONG)v));
    } else {
        UserSystem.OP.CD_Volume = (UBYTE)v;
        SetCDVolume((UBYTE)v);
    }
    VisualizeNotch(ld, which);
}

// The sound system anew with the page's bits; 0 when it cannot start.
BOOL RestartSound(LocalData *ld)
{
    ExitSoundEnv();
    static const char *const kLabels[8] = {"AHI ?        : %s\n", "Wavetable ?  : %s\n", "CDROM ?      : %s\n",
                                           "Module ?     : %s\n", "SoundFX ?    : %s\n", "Musik ?      : %s\n",
                                           "CD-Volume ?  : %s\n", "SFX-Volume ? : %s\n"};
    for (int b = 0; b < 8; ++b) std::printf(kLabels[b], (ld->SoundBits >> b & 1) ? "yes" : "no");
    // Flags 0 would start the sound with the stored bits: every switch off
    // is asked for by a bit that no sound feature has.
    const ULONG flags = ld->SoundBits ? ld->SoundBits : kAllOff;
    if (!OptionInitSoundHook || !OptionInitSoundHook(flags, "./Mods/VekMain.xm")) {
        std::printf("AHI-Switch: InitSoundEnv() failed!\n");
        return 0;
    }
    const OptionenPrefs &op = UserSystem.OP;
    if (!OptionCDAnswerHook || !OptionCDAnswerHook(op.CDDevicename, op.CDDeviceUnit))
        StopCD(op.CDDevicename, op.CDDeviceUnit);
    else if (IsCDReady(op.CDDevicename, op.CDDeviceUnit) == 1)
        PlayCDTrack(op.CDDevicename, op.CDDeviceUnit, 4, 4);
    return 1;
}

// A switch click: 1 to stay on the page, 0 when the sound cannot restart.
BOOL Switch(LocalData *ld, int sw)
{
    const ULONG before = ld->SoundBits;
    const SoundSwitchResult r = SoundSwitch(before, UserSystem.SoundMask, sw, ld->Field[0].Text,
                                            (ULONG)std::strtoul(ld->Field[1].Text, nullptr, 10));
    UserSystem.SoundMask = r.Mask;
    if (r.TakeCDUnit) {
        OptionenPrefs &op = UserSystem.OP;
        std::memset(op.CDDevicename, 0, sizeof op.CDDevicename);
        std::memcpy(op.CDDevicename, ld->Field[0].Text, strnlen(ld->Field[0].Text, OPTION_TEXT_MAX));
        op.CDDeviceUnit = (UWORD)std::strtoul(ld->Field[1].Text, nullptr, 10);
    }
    ld->SoundBits = r.Bits;
    for (ULONG b = 0; b < 8; ++b)
        if (((before ^ r.Bits) >> b) & 1) BlitSwitchButton(ld, b);
    if (r.Meldung) Message(GetString(r.Meldung));
    return r.Restart ? RestartSound(ld) : 1;
}

void UpdateOptionenPrefs(LocalData *ld)
{
    char fields[OPTION0_FIELDS][OPTION_FIELD_BYTES];
    for (int i = 0; i < OPTION0_FIELDS; ++i) std::memcpy(fields[i], ld->Field[i].Text, OPTION_FIELD_BYTES);
    SoundFieldsToOptions(fields, ld->SoundBits, &UserSystem.OP);
}

void EndEntry(LocalData *ld)
{
    EndOptionField();
    ld->ActiveInputID = -1;
}

// The page's loop: the next screen.
LONG Run(LocalData *ld)
{
    RastPort *rp = DisplayRastPort();
    for (;;) {
        const ULONG code = GetKey(0);
        GadgetData *g = CheckGadgets(rp, ld->Page.Region, code);
        if (!g) continue;
        const ULONG id = g->ReturnID;
        if (id >= MakeGadgetID("BU00") && id <= MakeGadgetID("BU07")) {
            if (!Switch(ld, (int)(id - MakeGadgetID("BU00")))) return -1;
            continue;
        }
        switch (id) {
        case MakeGadgetID("SL00"): SetNotch(ld, 0, GetMouseX()); break;
        case MakeGadgetID("SL01"): SetNotch(ld, 1, GetMouseX()); break;
        case MakeGadgetID("ST01"):
            ld->ActiveInputID = 1;
            ActivateOptionField(&ld->Page, 1, &ld->Field[1]);
            break;
        case GADGET_KEY: {
            const ULONG key = g->Flags;
            if (ld->ActiveInputID < 0) break;
            if (key == KEY_RETURN) EndEntry(ld);
            else if (key >= 1 && key <= 255 && key != 9)
                TypeOptionField(&ld->Page, (ULONG)ld->ActiveInputID, &ld->Field[ld->ActiveInputID], key);
            break;
        }
        case MakeGadgetID("INFO"): TextBox(GetString(&_VEK_OPTION0_INFOTEXT1)); break;
        case MakeGadgetID("NEXT"): UpdateOptionenPrefs(ld); return 134;
        case MakeGadgetID("PREV"): UpdateOptionenPrefs(ld); return 1141;
        case MakeGadgetID("OKOK"):
            UpdateOptionenPrefs(ld);
            if (!OptionenPrefsSave()) std::printf("OptionScreen: Fehler beim Speichern der OptionenPrefs!\n");
            return 2;
        case GADGET_EXIT: return 2;
        default: break;
        }
    }
}

}  // namespace

LONG OptionScreen()
{
    std::printf("Routine: OptionScreen\n");
    auto *ld = static_cast<LocalData *>(AllocVec(sizeof(LocalData), MEMF_CLEAR));
    if (!ld) {
        std::printf("%s", kTexts.NoMemory);
        return 0;
    }
    ld->ActiveInputID = -1;
    LONG result = 0;
    if (OpenOptionPage(&ld->Page, kTexts, kPicture, kLayout, kMask)) {
        PrintOptionLabels(&ld->Page, kSkipLabels);
        // Every field from the options, so that a store writes back what was there.
        char fields[OPTION0_FIELDS][OPTION_FIELD_BYTES];
        SoundFieldsFromOptions(UserSystem.OP, fields);
        for (int i = 0; i < OPTION0_FIELDS; ++i) std::memcpy(ld->Field[i].Text, fields[i], OPTION_FIELD_BYTES);
        for (ULONG i = 0; i < 3; ++i) PrintOptionField(&ld->Page, i, ld->Field[i].Text, 0);
        PrintCentred(ld, 3, VersionText().c_str());
        PrintCentred(ld, 4, std::to_string(PlayerInfo.SpielerID).c_str());
        ld->SoundBits = UserSystem.SoundStatus;
        for (ULONG b = 0; b < 8; ++b) BlitSwitchButton(ld, b);
        if (OpenKavorGfx(kPath, kNotch) != 1) {
            std::printf("LoadKornLagerGfx : Konnte Grafik nicht \366ffnen!\n");
            std::printf("OptionenScreen: Konnte Grafiken nicht laden\n");
            result = 2;
        } else {
            ld->NotchLoaded = 1;
            VisualizeNotch(ld, 0);
            VisualizeNotch(ld, 1);
            FadeIn();
            result = Run(ld);
        }
    }
    EndOptionField();
    for (BitMap *&saved : ld->BitMapPtr) {
        FreeKavorBitMap(saved);
        saved = nullptr;
    }
    if (ld->NotchLoaded) CloseKavorGfx(kNotch);
    CloseOptionPage(&ld->Page, result != -1);
    FreeVec(ld);
    return result;
}
