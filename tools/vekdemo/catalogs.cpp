// The German catalogs in catalogs/deutsch/: a selection of game strings, and
// all 45 stories of the bard in their page markup. Texts are Latin-1.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "kit.h"
#include "platform/strings.h"

namespace vekdemo {

namespace {

using Entry = std::pair<uint32_t, std::string>;

// Catalog entries name table positions (which equal the IDs except for two
// swapped neighbours).
uint32_t Pos(const LocStr &s) { return (uint32_t)(&s - VekStrings); }

std::vector<Entry> GameStrings()
{
    std::vector<Entry> s = {
        {Pos(_VEK_SCREENMODEREQUESTER_TEXT), "Bildschirmmodus w\xE4hlen"},
        {Pos(_VEK_SCREENMODEREQUESTER_ABBRUCH), "Abbruch !"},
        {Pos(_VEK_SCREENMODEREQUESTER_OK), "Ok !"},
        {Pos(_VEK_NVC_TITEL), "Beraternachricht"},
        {Pos(_VEK_NVC_NOONLINE), "Leider konnten wir nicht online gehen!"},
        {Pos(_VEK_RESITBAR_OPTIONS), "Optionen"},
        {Pos(_VEK_TITEL_NEU), "neu"},
        {Pos(_VEK_TITEL_LADEN), "laden"},
        {Pos(_VEK_TITEL_SPEICHERN), "speichern"},
        {Pos(_VEK_WAREN_KORN), "Korn"},
        {Pos(_VEK_ZUKUNFT_ERWEITERT), "Dieser Teil des Spiels wird noch ausgebaut. Bitte haben Sie Geduld."},
        {Pos(_VEK_KARTE_BEFEHL_ERFORSCHEN), "erforschen"},
        {Pos(_VEK_DUNGEON), "Verlies"},
    };
    const char *titles[] = {"Lord", "Baron", "Vicomte", "Graf", "Marquis", "Herzog", "Erzherzog", "K\xF6nig",
                            "Kaiser"};
    for (uint32_t i = 0; i < 9; ++i) s.push_back({Pos(_VEK_TITEL1) + i, titles[i]});
    const char *peoples[] = {"Orks", "Kobolde", "Goblins", "Elfen", "Zwerge", "Halblinge", "Gnome"};
    for (uint32_t i = 0; i < 7; ++i) s.push_back({Pos(_VEK_ORKS) + i, peoples[i]});
    const char *luxury[] = {"Balsam", "Bernstein", "Brokat", "Edelsteine", "Elfenbein", "Gew\xFCrze",
                            "Marmor", "Myrrhe", "\xD6l", "Pergament", "Pelze", "Schmuck", "Seide",
                            "Teppiche", "Weihrauch", "Zucker"};
    for (uint32_t i = 0; i < 16; ++i) s.push_back({Pos(_VEK_WAREN_BALSAM) + i, luxury[i]});
    const char *tips[] = {
        "Tipp: Ein gef\xFCllter Kornspeicher h\xE4lt das Volk bei Laune.",
        "Tipp: Gro\xDF\x65 St\xE4\x64te brauchen einen Marktplatz.",
        "Tipp: Die G\xF6tter h\xF6ren auf das Vertrauen Ihres Volkes.",
        "Tipp: Kundschafter sehen weiter als Soldaten.",
        "Tipp: Schiffe laufen nur in St\xE4\x64ten am Wasser vom Stapel.",
        "Tipp: Forschung kostet Gold, aber sie lohnt sich.",
        "Tipp: \xA7 12 der Zollordnung: Zoll bringt Gold, aber weniger H\xE4ndler.",
        "Tipp: Ein Vertrag mit dem Nachbarn sch\xFCtzt die Grenze.",
        "Tipp: Spezialisten kosten Lohn, jedes Quartal.",
    };
    for (uint32_t i = 0; i < 9; ++i) s.push_back({Pos(_VEK_TIPPS1) + i, tips[i]});
    for (uint32_t i = 0; i < 18; ++i)
        s.push_back({Pos(_VEK_TUTORIAL1) + i, "Anleitung " + std::to_string(i + 1) + ": \xDC" "ber die Regeln des Reiches."});
    std::sort(s.begin(), s.end());
    return s;
}

// The stories: pages ended by the page mark, link buttons, a picture, a pen
// change and a change of the grain stores, as the bard's box reads them.
std::vector<Entry> Stories()
{
    std::vector<Entry> s = {
        {0, "Die Erz\xE4hlung des Barden"},
        {1, "Kommt n\xE4her, Herr, setzt Euch ans Feuer. \xA7(#1,8,8,120,90)Heute hat Euer Volk die ersten "
            "H\xFCtten gebaut, und am Abend brannte das erste Feuer in der Mitte der neuen Stadt. \xA7($1,>)\xA7\xA7"
            "(!12)Vergesst nie: Das Vertrauen Eures Volkes ist der Grund, auf dem jedes Reich gebaut wird. "
            "\xA7($1,-1)\xA7\xA7"},
    };
    for (uint32_t k = 2; k < BT_STRING_COUNT; ++k) {
        std::string t = "Geschichte " + std::to_string(k) + ". ";
        t += "Es war einmal ein Reich am gro\xDF" "en Flu\xDF, und der Barde sang von seinen F\xFCrsten. ";
        t += "\xA7($1,>)\xA7\xA7";
        t += "(!12)Die zweite Seite erz\xE4hlt, was danach geschah. ";
        if (k == 14) t += "\xA7(%0,-10%,0)";
        t += "\xA7($2,<,-1)\xA7\xA7";
        s.push_back({k, t});
    }
    return s;
}

void PutChunk(Bytes &out, const char *id, const Bytes &data)
{
    PutTag(out, id);
    PutBE32(out, (uint32_t)data.size());
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
}

Bytes Catalog(const std::vector<Entry> &strings, const std::string &version)
{
    Bytes body;
    PutTag(body, "CTLG");
    auto text = [](const std::string &t) {
        Bytes b;
        PutText(b, t, true);
        return b;
    };
    PutChunk(body, "FVER", text(version));
    PutChunk(body, "LANG", text("deutsch"));
    PutChunk(body, "AUTH", text("Vek-Demo"));
    Bytes strs;
    for (const Entry &e : strings) {
        PutBE32(strs, e.first);
        PutBE32(strs, (uint32_t)e.second.size() + 1);  // the text with its NUL
        PutText(strs, e.second, true);
        while (strs.size() % 4) strs.push_back(0);
    }
    PutChunk(body, "STRS", strs);
    Bytes file;
    PutTag(file, "FORM");
    PutBE32(file, (uint32_t)body.size());
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

}  // namespace

void WriteCatalogs(Output &out)
{
    out.Write("catalogs/deutsch/VekBrowser.catalog", Catalog(GameStrings(), "$VER: VekBrowser.catalog 1.0 (01.01.2010)"));
    out.Write("catalogs/deutsch/RoredIdez.catalog", Catalog(Stories(), "$VER: RoredIdez.catalog 1.0 (01.01.2010)"));
}

}  // namespace vekdemo
