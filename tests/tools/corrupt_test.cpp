// Every hostile variant of the corrupt-variant table breaks the rule it is
// named for: the format readers refuse the mutated file, and the demo set is
// whole again once the variant is put back.
#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "common/demo_corrupt.h"
#include "common/testutil.h"
#include "formats.h"
#include "platform/catalog.h"
#include "platform/files.h"
#include "platform/datakit.h"
#include "gfx/font.h"
#include "ui/screendat.h"

using vektest::Bytes;
using vektest::ReadBytes;

namespace {

// The first broken rule of the variant's file, or "" when it keeps them all.
std::string Check(const std::string &dir, const vektest::CorruptVariant &v)
{
    const std::string format = v.format, file = v.file;
    const Bytes bytes = ReadBytes(dir + "/" + file);
    if (!vektest::Exists(dir + "/" + file)) return "missing";
    if (format == "index") {
        std::vector<formats::IndexRecord> index;
        return formats::ReadIndex(dir, "Data/Path", index);
    }
    if (format == "sound") {
        std::vector<formats::SoundRecord> sounds;
        return formats::ReadSoundIndex(dir, 181, sounds);
    }
    if (format == "font") {
        formats::FontInfo f;
        return formats::ReadFont(bytes, f);
    }
    if (format == "screen") {
        formats::ScreenFile f;
        std::vector<formats::IndexRecord> index;
        std::string why = formats::ReadScreenFile(bytes, f);
        if (why.empty()) why = formats::ReadIndex(dir, "Data/Path", index);
        return why.empty() ? formats::CheckLayout(file.substr(file.rfind('/') + 1), f, index, 197) : why;
    }
    if (format == "catalog") {
        std::map<uint32_t, std::string> strings;
        return formats::ReadCatalog(bytes, file.find("RoredIdez") != std::string::npos ? 45 : 1581, strings);
    }
    if (format == "anim") {
        formats::AnimResult r;
        return formats::DecodeAnim(bytes, true, r);
    }
    if (format == "pool") {
        std::vector<std::string> ids;
        return formats::ReadPool(bytes, ids);
    }
    if (format == "map") return formats::CheckMapFiles(dir);
    if (format == "startup" && file.compare(0, 5, "Mods/") == 0) {
        if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(22050, AUDIO_S16LSB, 1, 2048) != 0) return "no audio";
        Mix_Music *m = Mix_LoadMUS((dir + "/" + file).c_str());
        const std::string why = m ? "" : "the mixer refuses the module";
        if (m) Mix_FreeMusic(m);
        Mix_CloseAudio();
        SDL_Quit();
        return why;
    }
    return "";
}

}  // namespace

TEST(CorruptVariants, EachBreaksItsRuleAndIsPutBack)
{
    vektest::ScratchDir scratch;
    const std::string dir = scratch.path() + "/demo";
    vektest::MakeDemoData(dir);
    std::set<std::string> formatsSeen;
    for (const vektest::CorruptVariant &v : vektest::CorruptVariants()) {
        SCOPED_TRACE(std::string(v.format) + ": " + v.name);
        formatsSeen.insert(v.format);
        ASSERT_EQ(Check(dir, v), "") << "the valid file must pass first";
        const Bytes previous = vektest::ApplyCorruptVariant(dir, v);
        const std::string why = Check(dir, v);
        EXPECT_NE(why, "");
        vektest::RestoreCorruptVariant(dir, v, previous);
        EXPECT_EQ(ReadBytes(dir + "/" + v.file), previous);
    }
    EXPECT_EQ(formatsSeen,
              (std::set<std::string>{"anim", "catalog", "font", "index", "map", "pool", "screen", "sound", "startup"}));
}


// Where the client's loader of a format is built, it refuses exactly the
// variants the table marks as refused and loads the others.
TEST(CorruptVariants, ClientLoadersRefuseWhatTheTableSays)
{
    vektest::ScratchDir scratch;
    const std::string dir = scratch.path() + "/demo";
    vektest::MakeDemoData(dir);
    vektest::MakeDirs("catalogs");
    ASSERT_EQ(symlink((dir + "/catalogs/deutsch").c_str(), "catalogs/deutsch"), 0);
    const char *lang = std::getenv("LANG");
    const std::string oldLang = lang ? lang : "";
    setenv("LANG", "de_DE.UTF-8", 1);
    ForgetSysLanguage();
    for (const char *format : {"font", "screen", "catalog"})
        for (const vektest::CorruptVariant &v : vektest::CorruptVariantsOf(format)) {
            SCOPED_TRACE(std::string(v.format) + ": " + v.name);
            const Bytes previous = vektest::ApplyCorruptVariant(dir, v);
            const std::string path = dir + "/" + v.file, name = path.substr(path.rfind('/') + 1);
            bool refused = false;
            if (std::string(format) == "font") {
                TextFont *f = OpenDiskFont(path.c_str());
                refused = !f;
                CloseFont(f);
            } else if (std::string(format) == "screen") {
                const datakit::ScreenLayout *l = datakit::FindScreenLayout(name.c_str());
                ASSERT_NE(l, nullptr);
                ScreenRegion *r = GetScreenRegion(path.c_str(), l->mask ? l->mask : 0x7BF);
                refused = !r;
                if (r) ClearScreenRegion(r);
            } else {
                LocStr *table = name == "RoredIdez.catalog" ? RoredIdezStrings : VekStrings;
                Catalog *c = OpenCatalog(name.c_str(), &table[0], &table[1]);
                refused = !c;
                CloseCatalog(c);
            }
            EXPECT_EQ(refused, v.refused);
            vektest::RestoreCorruptVariant(dir, v, previous);
        }
    if (lang) setenv("LANG", oldLang.c_str(), 1);
    else unsetenv("LANG");
    ForgetSysLanguage();
}
