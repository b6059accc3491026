// The built-in string tables: size and IDs, the groups of the game strings,
// the texts the screens rely on, the numbered series that screens reach by
// arithmetic on IDs, the ware names, the story markup and the demo catalog.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/testutil.h"
#include "platform/strings.h"

namespace {

struct NamedString {
    const char *Name;
    const LocStr *Str;
};

const NamedString kVek[] = {
#include "strings_vek_names.inc"
};
const NamedString kBt[] = {
#include "strings_bt_names.inc"
};

struct Quote {
    const LocStr *Str;
    const char *Text;
};
struct PrefixCount {
    const char *Prefix;
    int Count;
};
struct GroupRow {
    std::vector<PrefixCount> Prefixes;
    std::vector<std::pair<int, int>> Ranges;
};

#include "strings_expected.inc"

// The name part after "_VEK_" up to the next "_": the group of a string.
std::string GroupOf(const char *name)
{
    std::string rest = name + 5;
    return rest.substr(0, rest.find('_'));
}

const char *NameOf(const LocStr *str)
{
    for (const NamedString &n : kVek)
        if (n.Str == str) return n.Name;
    return "?";
}

// The one entry whose built-in English text is empty: it stands between an
// axis name and a coordinate and has no word of its own in English.
bool MayBeEmpty(const LocStr *str) { return str == &_VEK_KASERNE_IMREICH; }

TEST(StringTables, HaveTheirSizesAndIdsEqualPositionsButTheSwappedPair)
{
    static_assert(sizeof(VekStrings) / sizeof(VekStrings[0]) == 1581);
    static_assert(sizeof(RoredIdezStrings) / sizeof(RoredIdezStrings[0]) == 45);
    ASSERT_EQ(sizeof(kVek) / sizeof(kVek[0]), 1581u);
    ASSERT_EQ(sizeof(kBt) / sizeof(kBt[0]), 45u);
    for (int pos = 0; pos < VEK_STRING_COUNT; ++pos) {
        int want = pos == 1566 ? 1567 : pos == 1567 ? 1566 : pos;
        EXPECT_EQ(VekStrings[pos].ID, want) << "position " << pos;
    }
    for (int pos = 0; pos < BT_STRING_COUNT; ++pos) EXPECT_EQ(RoredIdezStrings[pos].ID, pos);
    EXPECT_EQ(&VekStrings[1566], &_VEK_KARTE_BEFEHL_ERFORSCHEN);
    EXPECT_EQ(_VEK_KARTE_BEFEHL_ERFORSCHEN.ID, 1567);
    EXPECT_EQ(&VekStrings[1567], &_VEK_DUNGEON);
    EXPECT_EQ(_VEK_DUNGEON.ID, 1566);
}

TEST(StringTables, EveryNameIsOneEntryInTableOrder)
{
    std::set<std::string> names;
    for (int pos = 0; pos < VEK_STRING_COUNT; ++pos) {
        EXPECT_EQ(kVek[pos].Str, &VekStrings[pos]);
        EXPECT_EQ(std::strncmp(kVek[pos].Name, "_VEK_", 5), 0) << kVek[pos].Name;
        EXPECT_TRUE(names.insert(kVek[pos].Name).second) << kVek[pos].Name;
    }
    const char *stories[BT_STRING_COUNT] = {
        "_BT_TITLE",        "_BT_ERSTETAG",     "_BT_SAEGEWERK",     "_BT_MARKTPLATZ",
        "_BT_SCHMIEDE",     "_BT_HANDELSREG",   "_BT_HAFEN",         "_BT_LEITFADEN_1",
        "_BT_LEITFADEN_2",  "_BT_LEITFADEN_3",  "_BT_LEITFADEN_4",   "_BT_LEITFADEN_5",
        "_BT_LEITFADEN_6",  "_BT_BANK",         "_BT_DUERRE",        "_BT_STADTBESETZUNG",
        "_BT_UEBUNGSPLATZ", "_BT_SPIELSTORY1",  "_BT_SPIELSTORY2",   "_BT_SPIELSTORY3",
        "_BT_REBELLION1",   "_BT_REBELLION2",   "_BT_LUXUSGUETER",   "_BT_BLATTERN",
        "_BT_FLECKFIEBER",  "_BT_PEST",         "_BT_SCHWINDSUCHT",  "_BT_ALOE",
        "_BT_OIOLOSSE",     "_BT_ALDAKA",       "_BT_KLAGUL",        "_BT_LESTAGIL",
        "_BT_ARFANDAS",     "_BT_PARGEN",       "_BT_BERTERIN",      "_BT_MEGILLOS",
        "_BT_ANGURTH",      "_BT_TAYANGA",      "_BT_KELVENTARI",    "_BT_OLVAR",
        "_BT_BRELDIAR",     "_BT_BUKANDAS",     "_BT_GEFNUL",        "_BT_GYLVIR",
        "_BT_JEGGA"};
    for (int id = 0; id < BT_STRING_COUNT; ++id) {
        EXPECT_STREQ(kBt[id].Name, stories[id]);
        EXPECT_EQ(kBt[id].Str, &RoredIdezStrings[id]);
    }
}

TEST(StringTables, GroupsHaveTheirCountsAndIdRanges)
{
    std::map<std::string, std::vector<int>> idsByGroup;
    for (const NamedString &n : kVek) idsByGroup[GroupOf(n.Name)].push_back(n.Str->ID);
    for (const GroupRow &row : kGroups) {
        std::string label;
        std::vector<int> ids;
        for (const PrefixCount &p : row.Prefixes) {
            label += std::string(p.Prefix) + " ";
            const std::vector<int> &got = idsByGroup[p.Prefix];
            EXPECT_EQ((int)got.size(), p.Count) << "group " << p.Prefix;
            ids.insert(ids.end(), got.begin(), got.end());
        }
        SCOPED_TRACE(label);
        ASSERT_FALSE(ids.empty());
        int lo = row.Ranges.front().first, hi = row.Ranges.back().second;
        int minId = ids[0], maxId = ids[0];
        for (int id : ids) {
            bool inside = false;
            for (const auto &r : row.Ranges) inside |= id >= r.first && id <= r.second;
            EXPECT_TRUE(inside) << "ID " << id;
            minId = std::min(minId, id);
            maxId = std::max(maxId, id);
        }
        EXPECT_EQ(minId, lo);
        EXPECT_EQ(maxId, hi);
    }
}

TEST(StringTables, FixedIdsAreInPlace)
{
    const struct {
        const LocStr *Str;
        int Id;
    } fixed[] = {
        {&_VEK_SCREENMODEREQUESTER_TEXT, 0}, {&_VEK_RESITBAR_OPTIONS, 26}, {&_VEK_REG_FIRSTNAME, 37},
        {&_VEK_REG_REMARK, 46}, {&_VEK_REG_EMAILADR2, 1470}, {&_VEK_REG_HANDY, 1471},
        {&_VEK_NVC_TITEL, 84}, {&_VEK_NVC_NOONLINE, 85}, {&_VEK_KASREQ3_STAT_SCHADEN, 251},
        {&_VEK_KASREQ3_STAT_REICHWEITE, 252}, {&_VEK_KASREQ3_STAT_ANZAHL, 253},
        {&_VEK_EINGABEBOX, 329}, {&_VEK_INFOBOX, 330}, {&_VEK_TAVERNE_TEXT1, 433},
        {&_VEK_WAFFENART, 453}, {&_VEK_UNBEKANNT, 653}, {&_VEK_GS, 670},
        {&_VEK_STADT_NOCAMP, 797}, {&_VEK_STADT_NOMARKTPLATZ, 798}, {&_VEK_STADT_NOOTHERARMYS, 799},
        {&_VEK_STADT_GIVECITYNAME, 801}, {&_VEK_STADT_GIVECITYNAME_INFO, 802},
        {&_VEK_STADT_CITYNAMETWICE, 803}, {&_VEK_WAREN_KORN, 817}, {&_VEK_AND, 911},
        {&_VEK_ORKS, 982}, {&_VEK_GNOME, 988}, {&_VEK_ANARCHIE_TEXT1, 1006},
        {&_VEK_ANARCHIE_TEXT2, 1025}, {&_VEK_STADT_STADTAUSSUCHEN, 1026}, {&_VEK_CREDITS, 1035},
        {&_VEK_ZUKUNFT_ERWEITERT, 1154}, {&_VEK_STADT_REBELLION, 1254}, {&_VEK_KROENUNG_1, 1257},
        {&_VEK_KROENUNG_2, 1258}, {&_VEK_DRACHEN, 1276}, {&_VEK_UNTOTE, 1277},
        {&_VEK_PIRATEN, 1279}, {&_VEK_WAREN_BALSAM, 1291}, {&_VEK_WAREN_ZUCKER, 1306},
        {&_VEK_TITELSCREEN_REPAIR1, 1365}, {&_VEK_TITELSCREEN_REPAIR2, 1366},
        {&_VEK_TITELSCREEN_REPAIR3, 1367}, {&_VEK_TITEL_NEU, 1454}, {&_VEK_TITEL_LADEN, 1455},
        {&_VEK_TITEL_SPEICHERN, 1456}, {&_VEK_TITEL_BATTLEARENA, 1457}, {&_VEK_TITEL_EUERREICH, 1458},
        {&_VEK_TITELSCREEN_NOTURN, 1519}, {&_VEK_TITELSCREEN_NEUINFO, 1520},
        {&_VEK_TITELSCREEN_LADENINFO, 1521}, {&_VEK_TITELSCREEN_DATASAVED, 1522},
        {&_VEK_TITELSCREEN_CHOOSELORD, 1523}, {&_VEK_TITELSCREEN_SPIELSTAND, 1525},
        {&_VEK_TITELSCREEN_DATALOAD, 1527}, {&_VEK_TITELSCREEN_NOSCORE, 1535},
        {&_VEK_TITELSCREEN_NOSCOREOFPLAYER, 1536}, {&_VEK_TITELSCREEN_SLIDESHOW, 1543},
        {&_VEK_TITELSCREEN_CREDITS, 1544}, {&_VEK_RESIDENZ_SPIELZUG_ALT, 1563},
        {&_VEK_RESIDENZ_SPIELZUG_WARNUNG, 1564}, {&_VEK_RESIDENZ_TUTORIAL, 1565},
    };
    for (const auto &f : fixed) EXPECT_EQ(f.Str->ID, f.Id) << NameOf(f.Str);
    // The info lines of the two choose boxes of the title screen follow their headings.
    EXPECT_NE(VekStrings[1524].Str[0], '\0');
    EXPECT_NE(VekStrings[1526].Str[0], '\0');
    EXPECT_NE(VekStrings[1027].Str[0], '\0');
}

// Screens pick these by adding a number to the first ID, so each series must
// stand in consecutive positions.
TEST(StringTables, NumberedSeriesStandInConsecutivePositions)
{
    const struct {
        const char *Label;
        std::vector<const LocStr *> Series;
        int FirstPosition;  // -1: anywhere, but consecutive
    } series[] = {
        {"titles", {&_VEK_TITEL1, &_VEK_TITEL2, &_VEK_TITEL3, &_VEK_TITEL4, &_VEK_TITEL5,
                    &_VEK_TITEL6, &_VEK_TITEL7, &_VEK_TITEL8, &_VEK_TITEL9}, 657},
        {"peoples", {&_VEK_ORKS, &_VEK_KOBOLDE, &_VEK_GOBLINS, &_VEK_ELFEN, &_VEK_ZWERGE,
                     &_VEK_HALBLINGE, &_VEK_GNOME}, 982},
        {"tips", {&_VEK_TIPPS1, &_VEK_TIPPS2, &_VEK_TIPPS3, &_VEK_TIPPS4, &_VEK_TIPPS5,
                  &_VEK_TIPPS6, &_VEK_TIPPS7, &_VEK_TIPPS8, &_VEK_TIPPS9}, 1480},
        {"tutorial", {&_VEK_TUTORIAL1, &_VEK_TUTORIAL2, &_VEK_TUTORIAL3, &_VEK_TUTORIAL4,
                      &_VEK_TUTORIAL5, &_VEK_TUTORIAL6, &_VEK_TUTORIAL7, &_VEK_TUTORIAL8,
                      &_VEK_TUTORIAL9, &_VEK_TUTORIAL10, &_VEK_TUTORIAL11, &_VEK_TUTORIAL12,
                      &_VEK_TUTORIAL13, &_VEK_TUTORIAL14, &_VEK_TUTORIAL15, &_VEK_TUTORIAL16,
                      &_VEK_TUTORIAL17, &_VEK_TUTORIAL18}, 1545},
        {"seasons of the granary", {&_VEK_KORNLAGER_1QUARTAL, &_VEK_KORNLAGER_2QUARTAL,
                                    &_VEK_KORNLAGER_3QUARTAL, &_VEK_KORNLAGER_4QUARTAL}, 175},
        {"research fields", {&_VEK_FORSCHUNG_ASTRONOMIE, &_VEK_FORSCHUNG_CHEMIE,
                             &_VEK_FORSCHUNG_NATURKUNDE, &_VEK_FORSCHUNG_THEOLOGIE,
                             &_VEK_FORSCHUNG_HEILKUNDE, &_VEK_FORSCHUNG_KAMPFKUNST,
                             &_VEK_FORSCHUNG_TECHNIK}, 192},
        {"descriptions of the gods", {&_VEK_GOETTER_KRIEG_INFO, &_VEK_GOETTER_FRIEDEN_INFO,
                                      &_VEK_GOETTER_FRUCHTBARKEIT_INFO, &_VEK_GOETTER_FEUER_INFO,
                                      &_VEK_GOETTER_WASSER_INFO, &_VEK_GOETTER_ERDE_INFO,
                                      &_VEK_GOETTER_LUFT_INFO, &_VEK_GOETTER_ACKERBAU_INFO,
                                      &_VEK_GOETTER_VIEHZUCHT_INFO, &_VEK_GOETTER_BERGBAU_INFO}, 1396},
        {"weather", {&_VEK_BERICHTE_KORNTEXT16, &_VEK_BERICHTE_KORNTEXT17, &_VEK_BERICHTE_KORNTEXT18,
                     &_VEK_BERICHTE_KORNTEXT19, &_VEK_BERICHTE_KORNTEXT20, &_VEK_BERICHTE_KORNTEXT21,
                     &_VEK_BERICHTE_KORNTEXT22}, -1},
        {"seasons of the report", {&_VEK_BERICHTE_KORNTEXT23, &_VEK_BERICHTE_KORNTEXT24,
                                   &_VEK_BERICHTE_KORNTEXT25, &_VEK_BERICHTE_KORNTEXT26}, -1},
        {"losses in battle", {&_VEK_NACHRICHTEN_KRIEGE5, &_VEK_NACHRICHTEN_KRIEGE6,
                              &_VEK_NACHRICHTEN_KRIEGE7, &_VEK_NACHRICHTEN_KRIEGE8,
                              &_VEK_NACHRICHTEN_KRIEGE9, &_VEK_NACHRICHTEN_KRIEGE10}, -1},
        {"periods of the statistics", {&_VEK_STATISTIK_QUARTAL, &_VEK_STATISTIK_HALBJAHR,
                                       &_VEK_STATISTIK_JAHR, &_VEK_STATISTIK_5_JAHRE,
                                       &_VEK_STATISTIK_10_JAHRE}, -1},
    };
    for (const auto &s : series) {
        SCOPED_TRACE(s.Label);
        int first = (int)(s.Series[0] - VekStrings);
        if (s.FirstPosition >= 0) { EXPECT_EQ(first, s.FirstPosition); }
        for (size_t k = 0; k < s.Series.size(); ++k) EXPECT_EQ(s.Series[k], &VekStrings[first + k]) << k;
    }
    // Slide captions: caption k has the ID 342 + k.
    const LocStr *captions[] = {&_VEK_DEMO_SLIDETEXT1, &_VEK_DEMO_SLIDETEXT9, &_VEK_DEMO_SLIDETEXT12,
                                &_VEK_DEMO_SLIDETEXT20, &_VEK_DEMO_SLIDETEXT29};
    const int numbers[] = {1, 9, 12, 20, 29};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(captions[k]->ID, 342 + numbers[k]);
    // The advisers' texts of the research fields: eight per field, field by field,
    // the last of each field for a field researched to the end.
    const LocStr *fieldStarts[] = {&_VEK_FORSCHINFO_ASTRONOMIE1, &_VEK_FORSCHINFO_ALCHEMIE1,
                                   &_VEK_FORSCHINFO_NATURKUNDE1, &_VEK_FORSCHINFO_THEOLOGIE1,
                                   &_VEK_FORSCHINFO_MEDIZIN1,    &_VEK_FORSCHINFO_KAMPFTECHNIK1,
                                   &_VEK_FORSCHINFO_TECHNIK1};
    const LocStr *fieldEnds[] = {&_VEK_FORSCHINFO_ASTRONOMIE, &_VEK_FORSCHINFO_ALCHEMIE,
                                 &_VEK_FORSCHINFO_NATURKUNDE, &_VEK_FORSCHINFO_THEOLOGIE,
                                 &_VEK_FORSCHINFO_MEDIZIN,    &_VEK_FORSCHINFO_KRIEGSKUNST,
                                 &_VEK_FORSCHINFO_TECHNIK};
    for (int f = 0; f < 7; ++f) {
        EXPECT_EQ(fieldStarts[f], fieldStarts[0] + 8 * f) << f;
        EXPECT_EQ(fieldEnds[f], fieldStarts[f] + 7) << f;
    }
}

TEST(StringTables, WareNamesFollowTheWareTypes)
{
    ASSERT_EQ(Waren[0], &_VEK_WAREN_KORN);
    std::set<const LocStr *> seen;
    for (int type = 0; type < WAREN_COUNT; ++type) {
        SCOPED_TRACE(type);
        ASSERT_NE(Waren[type], nullptr);
        EXPECT_EQ(GroupOf(NameOf(Waren[type])), "WAREN");
        EXPECT_TRUE(seen.insert(Waren[type]).second);
        if (type > 0) { EXPECT_GT(Waren[type]->ID, Waren[type - 1]->ID); }
    }
    for (int herb = 0; herb < 18; ++herb) EXPECT_EQ(Waren[56 + herb]->ID, 881 + herb);
    for (int luxury = 0; luxury < 16; ++luxury) EXPECT_EQ(Waren[82 + luxury]->ID, 1291 + luxury);
    EXPECT_EQ(Waren[50], &_VEK_WAREN_HANDELSSCHIFF_KLEIN);
    EXPECT_EQ(Waren[55], &_VEK_WAREN_KRIEGSSCHIFF_GROSS);
    EXPECT_STREQ(Waren[56]->Str, "Aloe");
    EXPECT_STREQ(Waren[73]->Str, "Tayanga");
    EXPECT_STREQ(Waren[98]->Str, "wood");
    EXPECT_STREQ(Waren[99]->Str, "stone");
}

TEST(StringTexts, QuotedTextsAreKeptWordForWord)
{
    for (const Quote &q : kQuotes) EXPECT_STREQ(q.Str->Str, q.Text) << NameOf(q.Str);
}

TEST(StringTexts, EveryNameTheScreensUseHasAText)
{
    for (const LocStr *str : kNamesUsedByScreens) {
        ASSERT_GE(str, VekStrings);
        ASSERT_LT(str, VekStrings + VEK_STRING_COUNT);
        if (!MayBeEmpty(str)) { EXPECT_NE(str->Str[0], '\0') << NameOf(str); }
    }
}

bool IsPlaceholder(const std::string &text)
{
    static const char *marks[] = {"TODO", "FIXME", "XXX", "lorem", "placeholder", "???", "_VEK_", "_BT_"};
    for (const char *m : marks)
        if (text.find(m) != std::string::npos) return true;
    return false;
}

// Texts are single-byte Latin-1 for the bitmap fonts: printable ASCII, line
// feeds, and the upper half; no UTF-8 sequences left over from the data files.
bool IsLatin1Text(const char *text)
{
    for (const unsigned char *p = (const unsigned char *)text; *p; ++p) {
        if (*p == '\n') continue;
        if (*p < 0x20 || (*p >= 0x7F && *p < 0xA0)) return false;
        if ((*p == 0xC2 || *p == 0xC3) && p[1] >= 0x80 && p[1] <= 0xBF) return false;
    }
    return true;
}

TEST(StringTexts, NoEmptyPlaceholderOrFormatText)
{
    for (const NamedString &n : kVek) {
        SCOPED_TRACE(n.Name);
        ASSERT_NE(n.Str->Str, nullptr);
        if (!MayBeEmpty(n.Str)) { EXPECT_NE(n.Str->Str[0], '\0'); }
        EXPECT_FALSE(IsPlaceholder(n.Str->Str));
        EXPECT_TRUE(IsLatin1Text(n.Str->Str));
        // The screens format with their own literals and pass these texts as
        // arguments; a directive here would print garbage, or worse if a text
        // ever became a format.
        EXPECT_EQ(std::strchr(n.Str->Str, '%'), nullptr);
    }
    for (const NamedString &n : kBt) {
        SCOPED_TRACE(n.Name);
        ASSERT_NE(n.Str->Str, nullptr);
        EXPECT_NE(n.Str->Str[0], '\0');
        EXPECT_FALSE(IsPlaceholder(n.Str->Str));
        EXPECT_TRUE(IsLatin1Text(n.Str->Str));
    }
    EXPECT_NE(std::strchr(_VEK_TITELSCREEN_NOTURN.Str, '\xB4'), nullptr);  // "haven't" with an acute accent
}

// Lines the advisor's box needs for a text: it centres at most seven lines
// of about 44 characters of its message font.
int AdvisorLines(const std::string &text)
{
    int lines = 1, width = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(' ', pos);
        if (end == std::string::npos) end = text.size();
        int word = (int)(end - pos);
        if (width == 0)
            width = word;
        else if (width + 1 + word <= 44)
            width += 1 + word;
        else {
            ++lines;
            width = word;
        }
        pos = end + 1;
    }
    return lines;
}

std::string Join(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string &p : parts) text += (text.empty() ? "" : " ") + p;
    return text;
}

TEST(StringTexts, MessagesFitTheAdvisorsBox)
{
    // Every one-paragraph text may end up in the advisor's box.
    for (const NamedString &n : kVek) {
        std::string text = n.Str->Str;
        if (text.find('\n') != std::string::npos) continue;
        EXPECT_LT(text.size(), 400u) << n.Name;
        EXPECT_LE(AdvisorLines(text), 7) << n.Name;
    }
    // Messages that are put together from several strings and values.
    const std::string name = "Ravenclaw", lord = _VEK_TITEL1.Str;
    const std::vector<std::string> composed = {
        Join({_VEK_NERV_REQ.Str, "120"}),
        Join({_VEK_FORSCHUNG_STARTFRAGE1.Str, "2450000", _VEK_FORSCHUNG_STARTFRAGE2.Str}),
        Join({_VEK_HAFEN_ABWRACKEN.Str, "7500", _VEK_GS.Str}),
        Join({_VEK_HANDELSSCREEN_FRAGETEXT1.Str, "12000", _VEK_KASREQ1_STAT_EINHEITEN.Str,
              "chain-armour", _VEK_HANDELSSCREEN_FRAGETEXT2.Str, "1500",
              _VEK_HANDELSSCREEN_FRAGETEXT3.Str, "18000000", _VEK_HANDELSSCREEN_FRAGETEXT4.Str}),
        Join({_VEK_KARTE_REALLY_ATTACK1.Str, lord, name, _VEK_KARTE_REALLY_ATTACK2.Str}),
        Join({_VEK_KARTE_REALLY_ATTACK4.Str, _VEK_KARTE_SPIELER.Str, "4000123",
              _VEK_KARTE_REALLY_ATTACK2.Str}),
        Join({_VEK_KARTE_REALLY_ATTACK3.Str, lord, name, _VEK_KARTE_WIRKLICHKAPERN.Str, "?"}),
        Join({_VEK_DIPLO3_LEHNSHERREN_4.Str, name, _VEK_DIPLO3_LEHNSHERREN_5.Str}),
        Join({_VEK_KARTE_SUCHEN_KRAUT_TEXT1.Str, "250", _VEK_KARTE_SUCHEN_KRAUT_TEXT2.Str,
              "Kelventari", _VEK_KARTE_SUCHEN_KRAUT_TEXT3.Str}),
        Join({_VEK_ROREDIDEZ_STADTNAME.Str, "Northwater on the Great River!"}),
        Join({_VEK_RESIDOWNLOAD_BEARBEITESPIELZUG.Str, ":", "12", "...", _VEK_RESIDOWNLOAD_KARTENELEMENTE.Str}),
    };
    for (const std::string &text : composed) {
        EXPECT_LT(text.size(), 400u) << text;
        EXPECT_LE(AdvisorLines(text), 7) << text;
    }
    // The town message goes through a buffer of 160 bytes with a name of up to 40.
    EXPECT_LE(std::strlen(_VEK_ROREDIDEZ_STADTNAME.Str) + 1 + 40 + 1, 159u);
}

TEST(StringTexts, ShortLabelsFitTheirPlaces)
{
    // Entries of the hex action menu hold 19 characters.
    for (const LocStr *s : {&_VEK_AKTION_NAMEZUWEISEN, &_VEK_AKTION_BEWIRTSCHAFTUNG, &_VEK_KASREQ2_STAT_INFO})
        EXPECT_LE(std::strlen(s->Str), 19u) << NameOf(s);
    // Statistics categories are kept in 21-byte names.
    for (const LocStr *s : {&_VEK_STATISTIK_KORN, &_VEK_STATISTIK_GOLD, &_VEK_STATISTIK_VOLK,
                            &_VEK_STATISTIK_EINWANDERER, &_VEK_STATISTIK_AUSWANDERER,
                            &_VEK_STATISTIK_GEBORENE, &_VEK_STATISTIK_GESTORBENE,
                            &_VEK_STATISTIK_ANZPFLANZHQ, &_VEK_STATISTIK_ANZTIERHQ,
                            &_VEK_STATISTIK_ANZMINERALHQ})
        EXPECT_LE(std::strlen(s->Str), 20u) << NameOf(s);
    // Ware names go into lines of 80 bytes together with amounts and prices.
    for (int type = 0; type < WAREN_COUNT; ++type) EXPECT_LE(std::strlen(Waren[type]->Str), 30u) << type;
    // The titles go into the player's name checks and the greetings of letters.
    for (const LocStr *s : {&_VEK_TITEL1, &_VEK_TITEL9}) EXPECT_LE(std::strlen(s->Str), 20u);
}

// ---- Story markup -------------------------------------------------------------------

struct StoryPage {
    std::string Text;  // up to, not including, its page mark
};

std::vector<StoryPage> SplitPages(const std::string &story, std::string *rest)
{
    std::vector<StoryPage> pages;
    size_t pos = 0;
    for (;;) {
        size_t end = story.find("\xA7\xA7", pos);
        if (end == std::string::npos) break;
        pages.push_back({story.substr(pos, end - pos)});
        pos = end + 2;
    }
    *rest = story.substr(pos);
    return pages;
}

std::vector<std::string> Fields(const std::string &body)
{
    std::vector<std::string> fields;
    size_t pos = 0;
    for (;;) {
        size_t comma = body.find(',', pos);
        fields.push_back(body.substr(pos, comma - pos));
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return fields;
}

bool IsNumber(const std::string &s, bool percentAllowed)
{
    size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (percentAllowed && i < s.size() && s[i] == '%') ++i;
    return digits > 0 && i == s.size();
}

TEST(Stories, EveryStoryIsPagedLinkedAndMarkedUpCorrectly)
{
    EXPECT_EQ(std::strchr(_BT_TITLE.Str, '\xA7'), nullptr);
    for (int id = 1; id < BT_STRING_COUNT; ++id) {
        SCOPED_TRACE(kBt[id].Name);
        std::string rest;
        std::vector<StoryPage> pages = SplitPages(RoredIdezStrings[id].Str, &rest);
        ASSERT_FALSE(pages.empty());
        EXPECT_EQ(rest, "") << "text after the last page mark is no page";
        size_t paragraphs = 0;
        for (size_t k = 0; k < pages.size(); ++k) {
            SCOPED_TRACE("page " + std::to_string(k + 1));
            const std::string &page = pages[k].Text;
            EXPECT_LT(page.size(), 65536u);
            bool link = false, change = false;
            for (size_t pos = page.find('\xA7'); pos != std::string::npos; pos = page.find('\xA7', pos + 1)) {
                ASSERT_LT(pos + 2, page.size());
                ASSERT_EQ(page[pos + 1], '(') << "a section sign starts a mark";
                size_t close = page.find(')', pos);
                ASSERT_NE(close, std::string::npos);
                ASSERT_LE(close - pos - 3, 39u);
                char kind = page[pos + 2];
                std::vector<std::string> f = Fields(page.substr(pos + 3, close - pos - 3));
                if (kind == '$') {
                    ASSERT_FALSE(link) << "only the first link mark counts";
                    link = true;
                    ASSERT_TRUE(IsNumber(f[0], false));
                    int n = std::stoi(f[0]);
                    ASSERT_EQ((size_t)n, f.size() - 1);
                    bool ends = false;
                    for (int i = 1; i <= n; ++i) {
                        if (f[i] == "<") { EXPECT_GT(k, 0u) << "back from the first page"; }
                        else if (f[i] == ">") { EXPECT_LT(k + 1, pages.size()) << "forward from the last page"; }
                        else if (f[i] == "-1") ends = true;
                        else {
                            ASSERT_TRUE(IsNumber(f[i], false)) << f[i];
                            int target = std::stoi(f[i]);
                            EXPECT_GE(target, 1);
                            EXPECT_LE((size_t)target, pages.size());
                        }
                    }
                    // Without an end link the plain buttons lead to the next page.
                    if (!ends) { EXPECT_LT(k + 1, pages.size()) << "the last page needs an end link"; }
                } else if (kind == '#') {
                    ASSERT_EQ(f.size(), 5u);
                    EXPECT_TRUE(f[0] == "1" || f[0] == "2") << "story pictures are 1 and 2";
                    EXPECT_LT(std::stoi(f[1]) + std::stoi(f[3]), 417) << "inside the text area";
                } else if (kind == '%') {
                    ASSERT_FALSE(change) << "only the first change mark counts";
                    change = true;
                    ASSERT_EQ(f.size(), 3u);
                    EXPECT_TRUE(f[0] == "0" || f[0] == "1" || f[0] == "2") << "grain stores only";
                    EXPECT_TRUE(IsNumber(f[1], true)) << f[1];
                } else {
                    ADD_FAILURE() << "unknown mark " << kind;
                }
                pos = close;
            }
            EXPECT_TRUE(link) << "every page carries its buttons";
            EXPECT_EQ(page.find("(!"), std::string::npos) << "no stray pen marks";
            for (size_t p = page.find("\n\n"); p != std::string::npos; p = page.find("\n\n", p + 2)) ++paragraphs;
        }
        EXPECT_GE(paragraphs + pages.size(), 3u) << "a story of several paragraphs";
    }
}

// ---- The demo German catalog ----------------------------------------------------------

uint32_t BigEndian32(const vektest::Bytes &b, size_t at)
{
    return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}

// Reads a catalog file strictly; returns the STRS texts by ID, or fails the test.
std::map<uint32_t, std::string> ReadCatalog(const vektest::Bytes &file)
{
    std::map<uint32_t, std::string> texts;
    EXPECT_GE(file.size(), 12u);
    if (file.size() < 12) return texts;
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "FORM");
    EXPECT_EQ(BigEndian32(file, 4), file.size() - 8);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "CTLG");
    std::set<std::string> chunks;
    size_t pos = 12;
    while (pos + 8 <= file.size()) {
        std::string id(file.begin() + pos, file.begin() + pos + 4);
        uint32_t len = BigEndian32(file, pos + 4);
        size_t data = pos + 8;
        EXPECT_LE(data + len, file.size()) << id;
        if (data + len > file.size()) return texts;
        chunks.insert(id);
        if (id == "STRS") {
            size_t at = data;
            while (at < data + len) {
                EXPECT_LE(at + 8, data + len);
                if (at + 8 > data + len) break;
                uint32_t sid = BigEndian32(file, at), slen = BigEndian32(file, at + 4);
                size_t padded = (slen + 3) & ~3u;
                EXPECT_LE(at + 8 + padded, data + len);
                if (at + 8 + padded > data + len) break;
                const char *text = (const char *)&file[at + 8];
                EXPECT_NE(std::memchr(text, 0, padded), nullptr) << "text " << sid << " ends with a zero byte";
                texts[sid] = std::string(text, strnlen(text, padded));
                at += 8 + padded;
            }
            EXPECT_EQ(at, data + len) << "entries fill the chunk";
        }
        pos = data + ((len + 1) & ~1u);
    }
    EXPECT_EQ(pos, file.size());
    for (const char *need : {"AUTH", "FVER", "LANG", "STRS"}) EXPECT_TRUE(chunks.count(need)) << need;
    return texts;
}

TEST(DemoCatalog, GeneratorWritesWellFormedGermanCatalogs)
{
    vektest::ScratchDir dir;
    vektest::MakeDemoData(dir.path() + "/demo");
    std::map<uint32_t, std::string> game =
        ReadCatalog(vektest::ReadBytes(dir.path() + "/demo/catalogs/deutsch/VekBrowser.catalog"));
    ASSERT_FALSE(game.empty());
    for (const auto &t : game) {
        EXPECT_LT(t.first, (uint32_t)VEK_STRING_COUNT);
        EXPECT_FALSE(t.second.empty());
    }
    EXPECT_EQ(game[_VEK_TITEL1.ID], "Lord");
    EXPECT_EQ(game[_VEK_TITEL8.ID], "K\xF6nig");
    EXPECT_EQ(game[_VEK_TITEL9.ID], "Kaiser");
    std::map<uint32_t, std::string> stories =
        ReadCatalog(vektest::ReadBytes(dir.path() + "/demo/catalogs/deutsch/RoredIdez.catalog"));
    ASSERT_TRUE(stories.count(_BT_TITLE.ID));
    ASSERT_TRUE(stories.count(_BT_ERSTETAG.ID));
    std::string rest;
    std::vector<StoryPage> pages = SplitPages(stories[_BT_ERSTETAG.ID], &rest);
    EXPECT_FALSE(pages.empty());
    EXPECT_EQ(rest, "");
}

}  // namespace
