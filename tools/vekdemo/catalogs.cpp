// The German catalogs in catalogs/deutsch/: a selection of game strings, and
// all 45 stories of the bard in their page markup. Texts are Latin-1.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "kit.h"

namespace vekdemo {

namespace {

using Entry = std::pair<uint32_t, std::string>;

// IDs of the game string table (table positions).
std::vector<Entry> GameStrings()
{
    std::vector<Entry> s = {
        {0, "Bildschirmmodus w\xE4hlen"},
        {1, "Abbruch !"},
        {2, "Ok !"},
        {84, "Hofmeister"},
        {85, "Leider konnte keine Verbindung aufgebaut werden!"},
        {817, "Korn"},
        {1154, "Dieser Teil des Spiels wird noch ausgebaut. Bitte haben Sie Geduld."},
        {1566, "Erforschen"},
        {1567, "Verlies"},
    };
    const char *titles[] = {"Herr", "Baron", "Vicomte", "Graf", "Markgraf", "Herzog", "Erzherzog", "K\xF6nig",
                            "Kaiser"};
    for (uint32_t i = 0; i < 9; ++i) s.push_back({657 + i, titles[i]});
    const char *peoples[] = {"Orks", "Kobolde", "Goblins", "Elfen", "Zwerge", "Halblinge", "Gnome"};
    for (uint32_t i = 0; i < 7; ++i) s.push_back({982 + i, peoples[i]});
    const char *luxury[] = {"Balsam", "Bernstein", "Brokat", "Edelsteine", "Elfenbein", "Gew\xFCrze",
                            "Marmor", "Myrrhe", "\xD6l", "Pergament", "Pelze", "Schmuck", "Seide",
                            "Teppiche", "Weihrauch", "Zucker"};
    for (uint32_t i = 0; i < 16; ++i) s.push_back({1291 + i, luxury[i]});
    const char *tips[] = {
        "Tipp: Ein gef\xFCllter Kornspeicher h\xE4lt das Volk bei Laune.",
        "Tipp: Gro\xDF""e St\xE4""dte brauchen einen Marktplatz.",
        "Tipp: Die G\xF6tter h\xF6ren auf das Vertrauen Ihres Volkes.",
        "Tipp: Kundschafter sehen weiter als Soldaten.",
        "Tipp: Schiffe laufen nur in St\xE4""dten am Wasser vom Stapel.",
        "Tipp: Forschung kostet Gold, aber sie lohnt sich.",
        "Tipp: \xA7 12 der Zollordnung: Zoll bringt Gold, aber weniger H\xE4ndler.",
        "Tipp: Ein Vertrag mit dem Nachbarn sch\xFCtzt die Grenze.",
        "Tipp: Spezialisten kosten Lohn, jedes Quartal.",
    };
    for (uint32_t i = 0; i < 9; ++i) s.push_back({1480 + i, tips[i]});
    for (uint32_t i = 0; i < 18; ++i)
        s.push_back({1545 + i, "Anleitung " + std::to_string(i + 1) + ": \xDC" "ber die Regeln des Reiches."});
    std::sort(s.begin(), s.end());
    return s;
}

// Story k: pages ended by the page mark, link buttons, one picture, one pen
// change and one change of the grain stores, as the bard's box reads them.
std::vector<Entry> Stories()
{
    std::vector<Entry> s = {{0, "Die Geschichten des Barden"}};
    for (uint32_t k = 1; k <= 44; ++k) {
        std::string t = "Geschichte " + std::to_string(k) + ". ";
        if (k == 1) t += "\xA7(#1,8,8,120,90)";
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
