// The demo data set as the program writes it: the same bytes on every run,
// preferences read back through the client's own routines, and every other
// file read back against its format's rules (the client's own loaders of
// those formats are not built yet) and against the shared tables.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <chrono>
#include <filesystem>

#include "common/testutil.h"
#include "formats.h"
#include "common/shareddemo.h"
#include "kit.h"
#include "platform/memfile.h"
#include "platform/datakit.h"
#include "platform/gamevalues.h"
#include "platform/prefs.h"

using namespace datakit;
using vektest::Bytes;
using vektest::ReadBytes;

namespace fs = std::filesystem;

namespace {

class DemoSet : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = SharedDemoSet();
        ASSERT_EQ(formats::ReadIndex(dir, "Data/Path", index), "");
    }
    static std::string dir;
    static std::vector<formats::IndexRecord> index;
};

std::string DemoSet::dir;
std::vector<formats::IndexRecord> DemoSet::index;

std::vector<std::string> FilesBelow(const std::string &root)
{
    std::vector<std::string> files;
    for (const auto &e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST_F(DemoSet, SameBytesOnEveryRunSmallAndQuick)
{
    vektest::ScratchDir scratch;
    const std::string again = scratch.path() + "/again";
    const auto start = std::chrono::steady_clock::now();
    vektest::MakeDemoData(again);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<std::string> a = FilesBelow(dir), b = FilesBelow(again);
    a.erase(std::remove(a.begin(), a.end(), ".complete"), a.end());
    ASSERT_EQ(a, b);
    uint64_t total = 0;
    for (const std::string &f : a) {
        const Bytes x = ReadBytes(dir + "/" + f);
        ASSERT_EQ(x, ReadBytes(again + "/" + f)) << f;
        total += x.size();
    }
    std::printf("demo set: %zu files, %.1f MB, written in %.2f s\n", a.size(), total / 1048576.0, seconds);
    EXPECT_LT(seconds, *VEK_LAUNCHER ? 60.0 : 30.0);  // a guard against a generator gone slow, also under the sanitizers on a loaded machine
    EXPECT_LT(total, 28u << 20);
}

TEST_F(DemoSet, PreferencesReadBackThroughTheClient)
{
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    const struct {
        UWORD id;
        ULONG value;
    } rows[] = {{0, 2}, {2, 1}, {3, 1}, {9, 7}, {16, 1}, {24, 0}, {27, 50}, {28, 9}, {30, 18}, {38, 119}, {39, 59}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.id);
        ULONG v = 0;
        ASSERT_TRUE(CheckPrefsRead(r.id, &v));
        EXPECT_EQ(v, r.value);
    }
    char *name = CheckPrefsReadText(10), *mail = CheckPrefsReadText(8);
    ASSERT_TRUE(name && mail);
    EXPECT_STREQ(name, "Demoland");
    EXPECT_STREQ(mail, OPTIONEN_EMAIL_PLATZHALTER);
    FreeVec(name);
    FreeVec(mail);
    ULONG story = 0;
    EXPECT_TRUE(RoredIdezPrefsRead(0, &story));
    EXPECT_EQ(story, 13u);
    fs::current_path(cwd);
    EXPECT_EQ(ReadBytes(dir + "/Data/Prefs.vek").size(), PREFS_FILE_SIZE);
    EXPECT_EQ(ReadBytes(dir + "/Data/BTPrefs.vek").size(), BTPREFS_FILE_SIZE);
}

TEST_F(DemoSet, EveryPictureNumberHasItsRoleSizeAndFiles)
{
    ASSERT_EQ(index.size(), PICTURE_COUNT);
    for (const formats::IndexRecord &r : index) {
        SCOPED_TRACE(r.n);
        const PicRange *range = PictureRange((UWORD)r.n);
        if (!range) continue;
        if (range->role == PicRole::Face) {
            // A face shows a gadget's code at the gadget's size; the rest of the pool is spare.
            if (const vekdemo::FaceSpec *f = vekdemo::FindFace((UWORD)r.n)) {
                EXPECT_EQ(r.w, (uint32_t)f->w);
                EXPECT_EQ(r.h, (uint32_t)f->h);
            }
            continue;
        }
        EXPECT_EQ(r.w, range->width);
        EXPECT_EQ(r.h, (uint32_t)range->height * range->frames);
        EXPECT_EQ(r.flags, range->flags);
    }
    // The goods table names its pictures by number; each must be a ware picture.
    for (int t = 0; t < WAREN_TYPES; ++t) {
        const LONG n = WarenWerte[t][WW_BILD];
        EXPECT_TRUE(n == 0 || PictureRole((UWORD)n) == PicRole::Ware) << t;
    }
    // Raw tables: never converted, and graphic 31 in the state the map recognises.
    for (UWORD n : {31, 870, 1166}) EXPECT_EQ(index[n - 1].flags, FORMAT_RAW) << n;
    const Bytes mask = ReadBytes(dir + "/" + index[30].file);
    EXPECT_EQ(Bytes(mask.begin(), mask.begin() + 4), Bytes(HEXMASK_MARK, HEXMASK_MARK + 4));
}

TEST_F(DemoSet, IndexPathsExerciseTheNameRules)
{
    bool sharp = false, umlaut = false, doubled = false, rawb = false;
    for (const formats::IndexRecord &r : index) {
        sharp = sharp || r.path.find('\xDF') != std::string::npos;
        umlaut = umlaut || r.path.find('\xFC') != std::string::npos;
        doubled = doubled || r.path.find("//") != std::string::npos;
        if (r.path.find("RAWB") != std::string::npos) {
            rawb = true;
            EXPECT_EQ(r.file.substr(r.file.size() - 4), ".CHK");
        }
        for (unsigned char c : r.path) EXPECT_TRUE(c < 0x80 || c == 0xDF || c == 0xFC) << r.path;
    }
    EXPECT_TRUE(sharp && umlaut && doubled && rawb);
    EXPECT_TRUE(vektest::Exists(dir + "/Bobs/Waren/Ro\xC3\x9F" "schinder.chk"));
    EXPECT_TRUE(vektest::Exists(dir + "/Bobs/Waren/Lederr\xC3\xBC" "stung.chk"));
}

TEST_F(DemoSet, OnePaletteWithBlackAtZeroAndNoTwoEntriesAlike)
{
    const Bytes pal = ReadBytes(dir + "/Pics/Kavoria.cma");
    ASSERT_EQ(pal.size(), 768u);
    EXPECT_EQ(pal[0] | pal[1] | pal[2], 0);
    std::set<uint32_t> colours;
    for (int i = 0; i < 256; ++i) colours.insert((uint32_t)pal[3 * i] << 16 | pal[3 * i + 1] << 8 | pal[3 * i + 2]);
    EXPECT_EQ(colours.size(), 256u);
    for (const formats::IndexRecord &r : index)
        EXPECT_EQ(r.cmapFile, r.n == 470 ? "Pics/Regen.cma" : "Pics/Kavoria.cma") << r.n;
}

TEST_F(DemoSet, HighColourVariantsHoldTheirPictureInRgb)
{
    const Bytes pal = ReadBytes(dir + "/Pics/Kavoria.cma");
    int found = 0;
    for (const std::string &f : FilesBelow(dir + "/24BIT")) {
        SCOPED_TRACE(f);
        std::string stem = f.substr(0, f.find('.'));
        const bool winter = stem.find("/Winter/") != std::string::npos;
        if (winter) stem.erase(stem.find("/Winter"), 7);
        const formats::IndexRecord *r = nullptr;
        for (const formats::IndexRecord &x : index)
            if (x.file.substr(0, x.file.find('.')) == stem) r = &x;
        ASSERT_NE(r, nullptr);
        const Bytes rgb = ReadBytes(dir + "/24BIT/" + f), pic = ReadBytes(dir + "/" + r->file);
        ASSERT_EQ(rgb.size(), 3u * r->w * r->h);
        for (size_t i = 0; i < pic.size(); ++i) {
            const bool black = rgb[3 * i] == 0 && rgb[3 * i + 1] == 0 && rgb[3 * i + 2] == 0;
            if (!winter) {
                // Pure black only where the picture is transparent.
                EXPECT_EQ(black, pic[i] == 0) << i;
                EXPECT_EQ(Bytes(rgb.begin() + 3 * i, rgb.begin() + 3 * i + 3),
                          Bytes(pal.begin() + 3 * pic[i], pal.begin() + 3 * pic[i] + 3));
            } else {
                EXPECT_EQ(black, pic[i] == 0) << "the winter hex keeps the hex shape";
            }
            if (HasFailure()) return;
        }
        ++found;
    }
    EXPECT_EQ(found, 4);
}

TEST_F(DemoSet, StoryIndexHoldsItsTwoPictures)
{
    std::vector<formats::IndexRecord> story;
    ASSERT_EQ(formats::ReadIndex(dir, "Data/RoredIdezPath", story), "");
    EXPECT_EQ(story.size(), 2u);
}

TEST_F(DemoSet, EveryScreenFileHasWhatItsScreenActsOn)
{
    std::vector<formats::SoundRecord> sounds;
    ASSERT_EQ(formats::ReadSoundIndex(dir, 181, sounds), "");
    for (const ScreenLayout &l : ScreenLayouts) {
        SCOPED_TRACE(l.file);
        formats::ScreenFile f;
        ASSERT_EQ(formats::ReadScreenFile(ReadBytes(dir + "/Data/screendat/" + l.file), f), "");
        EXPECT_EQ(formats::CheckLayout(l.file, f, index, (uint32_t)sounds.size()), "");
    }
    EXPECT_EQ(FilesBelow(dir + "/Data/screendat").size(), SCREEN_LAYOUT_COUNT);
}

// Where a dialog draws its list or slider itself, the gadget of its
// description must cover that place, or clicks land on the wrong gadget or on
// none; no other gadget and no rectangle may lie over it.
TEST_F(DemoSet, DialogGadgetsCoverWhatTheDialogDraws)
{
    struct Rect {
        int x0, y0, x1, y1;  // inclusive
        bool Overlaps(const Rect &o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
    };
    for (const DialogArea &d : DialogAreas) {
        SCOPED_TRACE(std::string(d.file) + " " + d.code);
        formats::ScreenFile f;
        ASSERT_EQ(formats::ReadScreenFile(ReadBytes(dir + "/Data/screendat/" + d.file), f), "");
        const Rect drawn{d.x, d.y, d.x + d.w - 1, d.y + d.h - 1};
        const uint32_t code = (uint32_t)(uint8_t)d.code[0] << 24 | (uint32_t)(uint8_t)d.code[1] << 16 |
                              (uint32_t)(uint8_t)d.code[2] << 8 | (uint8_t)d.code[3];
        int covering = 0;
        for (const Bytes &g : f.records[KIND_GADGET]) {
            const Rect box{formats::BE16(g, 8), formats::BE16(g, 10), formats::BE16(g, 12), formats::BE16(g, 14)};
            const uint32_t c = (uint32_t)formats::BE16(g, 16) << 16 | formats::BE16(g, 18);
            if (c == code) {
                ++covering;
                EXPECT_TRUE(box.x0 <= drawn.x0 && box.y0 <= drawn.y0 && box.x1 >= drawn.x1 && box.y1 >= drawn.y1)
                    << box.x0 << "," << box.y0 << "-" << box.x1 << "," << box.y1;
            } else {
                EXPECT_FALSE(box.Overlaps(drawn)) << "gadget " << std::string((const char *)&g[16], 4);
            }
        }
        EXPECT_EQ(covering, 1);
        for (const Bytes &r : f.records[KIND_RECHTECK]) {
            const Rect box{formats::BE16(r, 0), formats::BE16(r, 2), formats::BE16(r, 4), formats::BE16(r, 6)};
            EXPECT_FALSE(box.Overlaps(drawn)) << "rectangle " << box.x0 << "," << box.y0 << "-" << box.x1 << "," << box.y1;
        }
    }
}

TEST_F(DemoSet, BackgroundsOutlineTheGadgetsOfTheirScreen)
{
    for (const vekdemo::LayoutPlan &p : vekdemo::GetPlans().layouts) {
        const ScreenLayout &l = *p.layout;
        if (!l.picture || PictureRole(l.picture) != PicRole::Screen) continue;
        SCOPED_TRACE(l.file);
        const formats::IndexRecord &r = index[l.picture - 1];
        const Bytes pic = ReadBytes(dir + "/" + r.file);
        for (size_t i = 0; i < p.gadgets.size(); ++i) {
            const vekdemo::GadgetPlan &g = p.gadgets[i];
            if ((l.flags & LAYOUT_FULL_AREA_LAST) && i + 1 == p.gadgets.size()) continue;
            const int x = g.box.x0 - 1 - l.originX, y = g.box.y0 - 1 - l.originY;
            // A gadget of a panel not on show (the map's 8-bit figure panel)
            // lies wholly beyond the display, where no click reaches it.
            if (x >= (int)r.w && l.originX == 0 && g.box.x0 >= (int)r.w) continue;
            ASSERT_TRUE(x >= 0 && y >= 0 && x < (int)r.w && y < (int)r.h);
            EXPECT_EQ(pic[(size_t)y * r.w + x], g.hidden ? vekdemo::pen::Area : vekdemo::pen::Outline) << g.label;
        }
    }
}

TEST_F(DemoSet, FontsRenderEveryLatin1LetterTheGameShows)
{
    const struct {
        const char *name;
        int height;
        bool colour, proportional;
    } fonts[] = {
        {"KavorC1", 22, true, true},   {"KavorN", 12, false, true},  {"Times24", 24, false, true},
        {"Times30", 30, false, true},  {"Topaz", 8, false, false},   {"XHelvetica11", 11, false, true},
        {"XHelvetica13", 13, false, true}, {"XHelvetica9", 9, false, true}, {"Xen8", 8, false, true},
    };
    EXPECT_EQ(FilesBelow(dir + "/Fonts").size(), std::size(fonts));
    for (const auto &want : fonts) {
        SCOPED_TRACE(want.name);
        formats::FontInfo f;
        ASSERT_EQ(formats::ReadFont(ReadBytes(dir + "/Fonts/" + want.name + ".fnt"), f), "");
        EXPECT_EQ(f.height, want.height);
        EXPECT_EQ(f.colour, want.colour);
        EXPECT_EQ(f.proportional, want.proportional);
        EXPECT_EQ(f.lo, 32);
        EXPECT_EQ(f.hi, 255);
        for (int c : {(int)'A', (int)'z', (int)'g', (int)'0', 0xE4, 0xF6, 0xFC, 0xC4, 0xD6, 0xDC, 0xDF, 0xA7})
            EXPECT_TRUE(f.HasInk((uint8_t)c)) << c;
        // An umlaut is not its plain letter.
        auto glyph = [&](uint8_t c) {
            Bytes g;
            const int i = c - f.lo;
            for (int y = 0; y < f.height; ++y)
                for (int x = f.offset[i]; x < f.offset[i] + f.glyphWidth[i]; ++x) g.push_back(f.bitmap[(size_t)y * f.width + x]);
            return g;
        };
        EXPECT_NE(glyph(0xC4), glyph('A'));
        EXPECT_NE(glyph(0xFC), glyph('u'));
        EXPECT_GT(f.space[' ' - f.lo], 0);
        if (!want.proportional) {
            EXPECT_EQ(f.glyphWidth['A' - f.lo], f.glyphWidth['i' - f.lo]);
        }
        std::set<uint8_t> inks(f.bitmap.begin(), f.bitmap.end());
        EXPECT_EQ(inks.size() > 2, want.colour) << "a colour font shades its letters";
    }
}

TEST_F(DemoSet, CatalogsHoldGermanTextsAndStoryPages)
{
    std::map<uint32_t, std::string> game, stories;
    ASSERT_EQ(formats::ReadCatalog(ReadBytes(dir + "/catalogs/deutsch/VekBrowser.catalog"), 1581, game), "");
    ASSERT_EQ(formats::ReadCatalog(ReadBytes(dir + "/catalogs/deutsch/RoredIdez.catalog"), 45, stories), "");
    EXPECT_EQ(game.at(664), "K\xF6nig");
    EXPECT_EQ(game.at(1567), "Verlies") << "by table position, not by the swapped ID";
    ASSERT_EQ(stories.size(), 45u);
    for (uint32_t k = 1; k < 45; ++k) {
        const std::string &s = stories.at(k);
        SCOPED_TRACE(k);
        EXPECT_EQ(s.substr(s.size() - 2), "\xA7\xA7") << "the last page ends with the page mark";
        EXPECT_NE(s.find("\xA7($"), std::string::npos);
    }
    EXPECT_NE(stories.at(1).find("\xA7(#1,"), std::string::npos);
}

TEST_F(DemoSet, SoundIndexNamesASampleForEveryNumberInUse)
{
    std::vector<formats::SoundRecord> sounds;
    ASSERT_EQ(formats::ReadSoundIndex(dir, 181, sounds), "");
    std::set<uint32_t> rates;
    bool sharp = false, umlaut = false;
    for (const formats::SoundRecord &s : sounds) {
        rates.insert(s.rate);
        sharp = sharp || s.name.find('\xDF') != std::string::npos;
        umlaut = umlaut || s.name.find('\xFC') != std::string::npos;
        const Bytes sample = ReadBytes(dir + "/" + s.file);
        int16_t peak = 0;
        for (size_t i = 0; i + 1 < sample.size(); i += 2) peak = std::max<int16_t>(peak, (int16_t)(sample[i] << 8 | sample[i + 1]));
        EXPECT_GT(peak, 1000) << s.file;
    }
    EXPECT_EQ(rates, (std::set<uint32_t>{11025, 16000, 22050, 44100}));
    EXPECT_TRUE(sharp && umlaut);
}

TEST_F(DemoSet, ModulesLoadThroughTheMixer)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 1, 2048), 0) << Mix_GetError();
    for (const char *name : {"Secret.xm", "VekMain.DBM", "VekMain.xm", "VekMain2.DBM", "VekMain2.xm"}) {
        Mix_Music *m = Mix_LoadMUS((dir + "/Mods/" + name).c_str());
        EXPECT_NE(m, nullptr) << name << ": " << Mix_GetError();
        if (m) Mix_FreeMusic(m);
    }
    Mix_CloseAudio();
    SDL_Quit();
}

TEST_F(DemoSet, CDTracksAreMonoMp3At22050Hz)
{
    // Frame header: sync and MPEG-2 layer III without CRC, 32 kbit/s at
    // 22,050 Hz, single channel. Sixteen tracks: the screens ask up to index 14.
    for (int n = 1; n <= 16; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/CD/track%02d.mp3", n);
        SCOPED_TRACE(name);
        const Bytes b = ReadBytes(dir + name);
        ASSERT_GT(b.size(), 1000u);
        EXPECT_EQ(b[0], 0xFF);
        EXPECT_EQ(b[1], 0xF3);
        EXPECT_EQ(b[2] & 0xFC, 0x40);
        EXPECT_EQ(b[3] & 0xC0, 0xC0);
    }
    EXPECT_FALSE(fs::exists(dir + "/CD/track17.mp3"));
}

TEST_F(DemoSet, AnimationsDecodeToTheFramesTheyWereMadeOf)
{
    const Bytes pal = ReadBytes(dir + "/Pics/Kavoria.cma");
    size_t count = 0;
    for (const vekdemo::AnimSpec &a : vekdemo::AnimList()) {
        SCOPED_TRACE(a.name);
        formats::AnimResult r;
        ASSERT_EQ(formats::DecodeAnim(ReadBytes(dir + "/Anims/" + a.name), true, r), "");
        ASSERT_EQ(r.frames, a.frames);
        EXPECT_EQ(r.w, a.w);
        EXPECT_EQ(r.h, a.h);
        const std::vector<vekdemo::Canvas> frames = vekdemo::AnimFrames(a);
        for (int f = 0; f < a.frames; ++f) ASSERT_EQ(r.shown[f], frames[f].px) << "frame " << f;
        EXPECT_EQ(Bytes(r.colours.begin(), r.colours.end()), pal);
        ++count;
    }
    EXPECT_EQ(FilesBelow(dir + "/Anims").size(), count);
    // Every name the building and ware tables and the screens play.
    for (const char *name : {"Anims/Lager.CBAN", "Anims/Festung.CBAN", "Anims/Ballista_gro\xC3\x9F.cban",
                             "Anims/Zweihaender.CBAN", "Anims/Luxus/Pflanzen.cban", "Anims/Kraut18.cban",
                             "Anims/FurtD-L4B.cban", "Anims/TitelWasserfall.cban", "Anims/RoredIdez-Laute.CBAN"})
        EXPECT_TRUE(vektest::Exists(dir + "/" + name)) << name;
}

TEST(AnimScramble, UnscramblingUndoesScramblingUnderEveryKey)
{
    const uint32_t pairs[][2] = {{AnimScrambledId(AnimFourCC("FORM")), 418}, {0x12345678, 0x9ABCDEF0}, {0, 1}, {0xFFFFFFFF, 0}};
    for (uint32_t key = 1; key <= 0xFFFF; ++key)
        for (const auto &p : pairs) {
            uint32_t id = p[0], len = p[1];
            vekdemo::AnimScramble((uint16_t)key, id, len);
            AnimDecrypt2((uint16_t)key, id, len);
            ASSERT_EQ(id, p[0]) << key;
            ASSERT_EQ(len, p[1]) << key;
        }
}

TEST_F(DemoSet, PointerAndIconAreBmpPictures)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    for (const char *name : {"CursorSDL.chk", "icon.chk", "SDLCursor01.chk", "SDLCursor02.chk"}) {
        SCOPED_TRACE(name);
        int w = 0, h = 0;
        EXPECT_EQ(formats::CheckBmp(ReadBytes(dir + "/Pics/" + name), w, h), "");
        SDL_Surface *s = SDL_LoadBMP((dir + "/Pics/" + name).c_str());
        ASSERT_NE(s, nullptr) << SDL_GetError();
        EXPECT_EQ(s->w, 32);
        EXPECT_EQ(s->h, 32);
        SDL_FreeSurface(s);
    }
    SDL_Quit();
}

TEST_F(DemoSet, FoldersOfTheGameFilesExist)
{
    for (const char *d : {"Data/screendat", "Data/POP3In", "Data/POP3Out", "Data/MailIn", "Data/MailOut", "Data/Cities", "Map"})
        EXPECT_TRUE(fs::is_directory(dir + "/" + d)) << d;
    EXPECT_FALSE(vektest::Exists(dir + "/vek.cfg"));
    EXPECT_FALSE(vektest::Exists(dir + "/Data/Optionen.prefs")) << "the client builds its own defaults";
}
