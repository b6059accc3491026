// The six report composers of the reports screen: figures and catalog texts
// in, text out. Sums that can pass 32 bits are kept in 64.
#include "realm/berichte.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/strings.h"
#include "store/converters.h"
#include "store/lists.h"
#include "store/store.h"

namespace {

const char *S(const LocStr &s) { return GetString(&s); }


std::string Column(uint64_t v, UWORD width) { return MakeBetterString(v, width); }

// The building types the report names: the singular as the building screen
// calls it, the plural of the reports.
struct GebaeudeName {
    UWORD typ;
    const LocStr *one;
    const LocStr *more;
};
const GebaeudeName kGebaeudeNamen[] = {
    {0, &_VEK_BAUSCREEN_KORNLAGER, &_VEK_BERICHTE_KORNLAGER_MORE},
    {1, &_VEK_BAUSCREEN_MUEHLE, &_VEK_BERICHTE_MUEHLE_MORE},
    {2, &_VEK_BAUSCREEN_BANK, &_VEK_BERICHTE_BANK_MORE},
    {14, &_VEK_BAUSCREEN_TAVERNE, &_VEK_BERICHTE_TAVERNE_MORE},
    {15, &_VEK_BAUSCREEN_BUERGERHAUS, &_VEK_BERICHTE_BUERGERHAUS_MORE},
    {16, &_VEK_BAUSCREEN_HANDELSREGISTER, &_VEK_BERICHTE_HANDELSREGISTER_MORE},
    {17, &_VEK_BAUSCREEN_SCHULE, &_VEK_BERICHTE_SCHULE_MORE},
    {19, &_VEK_BAUSCREEN_UEBUNGSPLATZ, &_VEK_BERICHTE_UEBUNGSPLATZ_MORE},
    {20, &_VEK_BAUSCREEN_SCHMIEDE, &_VEK_BERICHTE_SCHMIEDE_MORE},
    {21, &_VEK_BAUSCREEN_FRIEDHOF, &_VEK_BERICHTE_FRIEDHOF_MORE},
    {22, &_VEK_BAUSCREEN_LAZARETT, &_VEK_BERICHTE_LAZARETT_MORE},
    {23, &_VEK_BAUSCREEN_KAPELLE, &_VEK_BERICHTE_KAPELLE_MORE},
    {24, &_VEK_BAUSCREEN_SCHREIN, &_VEK_BERICHTE_SCHREIN_MORE},
    {25, &_VEK_BAUSCREEN_MARKTPLATZ, &_VEK_BERICHTE_MARKTPLATZ_MORE},
    {26, &_VEK_BAUSCREEN_SAEGEWERK, &_VEK_BERICHTE_SAEGEWERK_MORE},
    {27, &_VEK_BAUSCREEN_STALLUNGEN, &_VEK_BERICHTE_STALLUNGEN_MORE},
    {47, &_VEK_BAUSCREEN_HEILER, &_VEK_BERICHTE_HEILER_MORE},
    {48, &_VEK_BAUSCREEN_BARACKE, &_VEK_BERICHTE_BARACKE_MORE},
    {49, &_VEK_BAUSCREEN_MARKTHALLE, &_VEK_BERICHTE_MARKTHALLE_MORE},
    {50, &_VEK_BAUSCREEN_BIBLIOTHEK, &_VEK_BERICHTE_BIBLIOTHEK_MORE},
    {51, &_VEK_BAUSCREEN_HAFEN, &_VEK_BERICHTE_HAFEN_MORE},
    {55, &_VEK_BAUSCREEN_RATHAUS, &_VEK_BERICHTE_RATHAUS_MORE},
    {56, &_VEK_BAUSCREEN_AKADEMIE, &_VEK_BERICHTE_AKADEMIE_MORE},
    {57, &_VEK_BAUSCREEN_APELLHOF, &_VEK_BERICHTE_APELLHOF_MORE},
    {78, &_VEK_BAUSCREEN_CHARITE, &_VEK_BERICHTE_CHARITE_MORE},
    {91, &_VEK_BAUSCREEN_GERICHT, &_VEK_BERICHTE_GERICHT_MORE},
    {95, &_VEK_BAUSCREEN_KERKER, &_VEK_BERICHTE_KERKER_MORE},
    {96, &_VEK_BAUSCREEN_KIRCHE, &_VEK_BERICHTE_KIRCHE_MORE},
    {98, &_VEK_BAUSCREEN_KONTOR, &_VEK_BERICHTE_KONTOR_MORE},
    {108, &_VEK_BAUSCREEN_RESIDENZ, &_VEK_BERICHTE_RESIDENZ_MORE},
    {115, &_VEK_BAUSCREEN_UNI, &_VEK_BERICHTE_UNI_MORE},
    {139, &_VEK_BAUSCREEN_BURG, &_VEK_BERICHTE_BURG_MORE},
    {158, &_VEK_BAUSCREEN_HANDELSHOF, &_VEK_BERICHTE_HANDELSHOF_MORE},
    {160, &_VEK_BAUSCREEN_HOSPITAL, &_VEK_BERICHTE_HOSPITAL_MORE},
    {162, &_VEK_BAUSCREEN_KASERNE, &_VEK_BERICHTE_KASERNE_MORE},
    {163, &_VEK_BAUSCREEN_DOM, &_VEK_BERICHTE_DOM_MORE},
    {195, &_VEK_BAUSCREEN_CIRCUS, &_VEK_BERICHTE_CIRCUS_MORE},
    {231, &_VEK_BAUSCREEN_SCHLOSS, &_VEK_BERICHTE_SCHLOSS_MORE},
};

constexpr UWORD kGebaeudeTypen = 235;
constexpr UWORD kAbgerissen = 0xFFFF;

// The building that replaces a type in its town, or kGebaeudeTypen for none.
UWORD Nachfolger(UWORD typ)
{
    switch (typ) {
    case 15:
    case 55: return 108;
    case 19: return 48;
    case 22: return 78;
    case 23: return 96;
    case 25: return 49;
    case 48: return 57;
    case 50: return 56;
    case 56: return 115;
    case 57: return 162;
    case 78: return 160;
    case 96: return 163;
    case 108: return 139;
    case 139: return 231;
    default: return kGebaeudeTypen;
    }
}

const char *ForschungsName(ULONG feld)
{
    static const LocStr *const names[7] = {&_VEK_FORSCHUNG_ASTRONOMIE, &_VEK_FORSCHUNG_CHEMIE,
                                           &_VEK_FORSCHUNG_NATURKUNDE, &_VEK_FORSCHUNG_THEOLOGIE,
                                           &_VEK_FORSCHUNG_HEILKUNDE, &_VEK_FORSCHUNG_KAMPFKUNST,
                                           &_VEK_FORSCHUNG_TECHNIK};
    return feld >= 1 && feld <= 7 ? S(*names[feld - 1]) : "";
}

}  // namespace

void MakeBetterString(char *buffer, ULONG length, uint64_t value, UWORD width)
{
    if (!buffer || length == 0) return;
    const std::string s = MakeBetterString(value, width);
    const size_t n = s.size() < length - 1 ? s.size() : length - 1;
    std::memcpy(buffer, s.data(), n);
    buffer[n] = 0;
}

std::string MakeBetterString(uint64_t value, UWORD width)
{
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%" PRIu64, value);
    std::string s;
    if (n < width) s.assign(2 * (size_t)(width - n), ' ');
    return s + digits;
}

std::string ComposeCountryReport(const st_LAND &land, ULONG vertrauen, ULONG capacity, ULONG stock)
{
    std::string t = S(_VEK_BERICHTE_REICHSTEXT1);
    const std::pair<ULONG, const LocStr *> people[] = {
        {(ULONG)land.AnzVolk, &_VEK_BERICHTE_REICHSTEXT2},    {(ULONG)land.Einwanderer, &_VEK_BERICHTE_REICHSTEXT3},
        {(ULONG)land.Auswanderer, &_VEK_BERICHTE_REICHSTEXT4}, {(ULONG)land.Geborene, &_VEK_BERICHTE_REICHSTEXT5},
        {(ULONG)land.Gestorbene, &_VEK_BERICHTE_REICHSTEXT6},  {(ULONG)land.Kriegstote, &_VEK_BERICHTE_REICHSTEXT8},
        {(ULONG)land.Desertierte, &_VEK_BERICHTE_REICHSTEXT9}};
    for (const auto &p : people) AppendFormat(&t, " %s %s", Column(p.first, 6).c_str(), S(*p.second));
    AppendFormat(&t, " %s %s\n\n", Column(vertrauen, 6).c_str(), S(_VEK_KORNLAGER_VERTRAUEN));
    AppendFormat(&t, " %s %s\n", Column(capacity, 9).c_str(), S(_VEK_BERICHTE_LAGER_KAPAZITAET));
    AppendFormat(&t, " %s %s\n", Column(stock, 9).c_str(), S(_VEK_BERICHTE_LAGER_BESTAND));
    if (stock > capacity)
        AppendFormat(&t, " -%s %s\n\n", Column(stock - capacity, 8).c_str(), S(_VEK_BERICHTE_LAGER_RESERVE));
    else
        AppendFormat(&t, " %s %s\n\n", Column(capacity - stock, 9).c_str(), S(_VEK_BERICHTE_LAGER_RESERVE));
    AppendFormat(&t, "%s %s", Column(land.AnzGold, 8).c_str(), S(_VEK_BERICHTE_REICHSTEXT7));
    AppendFormat(&t, "%s %s", Column((uint64_t)land.AnzahlKundschafter * 100, 8).c_str(), S(_VEK_BERICHTE_REICHTEXT13));
    AppendFormat(&t, "%s %s", Column((uint64_t)land.AnzahlSiedler * 5000, 8).c_str(), S(_VEK_BERICHTE_REICHTEXT14));
    // The magnitude in 64 bits: the most negative gold still prints whole.
    if (land.Piratengold > 0)
        AppendFormat(&t, "%s %s\n\n", Column((uint64_t)land.Piratengold, 8).c_str(), S(_VEK_BERICHTE_REICHTEXT12));
    else if (land.Piratengold < 0)
        AppendFormat(&t, "-%s %s\n\n", Column((uint64_t)(-(int64_t)land.Piratengold), 7).c_str(),
               S(_VEK_BERICHTE_REICHTEXT11));
    AppendFormat(&t, "%s %s", Column(land.AnzMorgen, 8).c_str(), S(_VEK_BERICHTE_REICHSTEXT10));
    return t;
}

std::string ComposeHarvestReport(const st_KORN &korn)
{
    static const LocStr *const seasons[4] = {&_VEK_BERICHTE_KORNTEXT23, &_VEK_BERICHTE_KORNTEXT24,
                                             &_VEK_BERICHTE_KORNTEXT25, &_VEK_BERICHTE_KORNTEXT26};
    static const LocStr *const weather[7] = {&_VEK_BERICHTE_KORNTEXT16, &_VEK_BERICHTE_KORNTEXT17,
                                             &_VEK_BERICHTE_KORNTEXT18, &_VEK_BERICHTE_KORNTEXT19,
                                             &_VEK_BERICHTE_KORNTEXT20, &_VEK_BERICHTE_KORNTEXT21,
                                             &_VEK_BERICHTE_KORNTEXT22};
    std::string t = S(_VEK_BERICHTE_KORNTEXT1);
    // A quarter the server never sends has no season to name.
    AppendFormat(&t, " %u %s %s\n\n", (unsigned)korn.Jahr, S(_VEK_BERICHTE_KORNTEXT2),
           korn.Quartal <= 3 ? S(*seasons[korn.Quartal]) : "");
    AppendFormat(&t, " %s %u %s %s", S(_VEK_BERICHTE_KORNTEXT3), (unsigned)korn.Saatlager, S(_VEK_BERICHTE_KORNTEXT4),
           S(_VEK_BERICHTE_KORNTEXT5));
    AppendFormat(&t, " %s %u %s %s", S(_VEK_BERICHTE_KORNTEXT6), (unsigned)korn.Kornlager, S(_VEK_BERICHTE_KORNTEXT4),
           S(_VEK_BERICHTE_KORNTEXT7));
    if (korn.Fishes) AppendFormat(&t, " %u %s", (unsigned)korn.Fishes, S(_VEK_BERICHTE_KORNTEXT41));
    AppendFormat(&t, " %s %u %s", S(_VEK_BERICHTE_KORNTEXT8), (unsigned)korn.BevLager, S(_VEK_BERICHTE_KORNTEXT9));
    AppendFormat(&t, " %s %u %s %u %s", S(_VEK_BERICHTE_KORNTEXT10), (unsigned)korn.AnzKornlager, S(_VEK_BERICHTE_KORNTEXT11),
           (unsigned)korn.AnzMuehlen, S(_VEK_BERICHTE_KORNTEXT12));
    if (korn.KornVerrottet) AppendFormat(&t, " %u %s\n\n", (unsigned)korn.KornVerrottet, S(_VEK_BERICHTE_KORNTEXT40));
    AppendFormat(&t, " %s %u %s", S(_VEK_BERICHTE_KORNTEXT13), (unsigned)korn.HighErnte, S(_VEK_BERICHTE_KORNTEXT14));
    AppendFormat(&t, " %s %u %s", S(_VEK_BERICHTE_KORNTEXT42), (unsigned)korn.MaxHarvest, S(_VEK_BERICHTE_KORNTEXT43));
    AppendFormat(&t, " %s", S(_VEK_BERICHTE_KORNTEXT15));
    AppendFormat(&t, " %s\n", korn.Wetter <= 6 ? S(*weather[korn.Wetter]) : "eigentlich unm\xF6glich ;-)");
    if (korn.Quartal == 1) {
        static const LocStr *const warnings[3] = {&_VEK_BERICHTE_KORNTEXT30, &_VEK_BERICHTE_KORNTEXT31,
                                                  &_VEK_BERICHTE_KORNTEXT32};
        const unsigned flag = korn.KornFlag & 3u;
        if (flag) AppendFormat(&t, "%s\n\n", S(*warnings[flag - 1]));
    }
    return t;
}

std::string ComposeBuildingReport(const st_GEBA *geba)
{
    std::string t = S(_VEK_BERICHTE_KORNTEXT27);
    if (!geba) return t;
    const ULONG n = GetChunkEntryCount(geba);
    const auto *b = (const st_BAUE_EXT *)((const UBYTE *)geba + sizeof(st_GEBA));
    ULONG anzahl[kGebaeudeTypen] = {};
    uint64_t kosten[kGebaeudeTypen] = {};
    // The successor test per town once, however many buildings of a type stand there.
    std::map<std::pair<UWORD, UWORD>, bool> steht;
    for (ULONG i = 0; i < n; ++i) {
        const st_BAUE_EXT &e = b[i];
        if (e.GebID >= kGebaeudeTypen || e.Restbauzeit == kAbgerissen) continue;
        const UWORD next = Nachfolger(e.GebID);
        if (next < kGebaeudeTypen) {
            const auto key = std::make_pair(next, e.Stadt);
            auto it = steht.find(key);
            if (it == steht.end()) it = steht.emplace(key, CheckOtherBuilding(geba, next, e.Stadt) != 0).first;
            if (it->second) continue;
        }
        ++anzahl[e.GebID];
        kosten[e.GebID] += e.Betriebskosten;
    }
    for (UWORD typ = 0; typ < kGebaeudeTypen; ++typ) {
        if (!anzahl[typ]) continue;
        const char *name = "";
        const GebaeudeName *known = nullptr;
        for (const GebaeudeName &g : kGebaeudeNamen)
            if (g.typ == typ) known = &g;
        if (known)
            name = S(anzahl[typ] == 1 ? *known->one : *known->more);
        else
            std::printf("ShowBuildingData : Geb\xE4ude Nr.: %u ist unbekannt...\n", (unsigned)typ);
        AppendFormat(&t, " %u ", (unsigned)anzahl[typ]);
        t += name;
        AppendFormat(&t, " %s %" PRIu64 " %s\n", S(_VEK_BERICHTE_GEBAEUDETEXT1), kosten[typ], S(_VEK_BERICHTE_GEBAEUDETEXT2));
    }
    AppendFormat(&t, "\n %s %u %s...\n", S(_VEK_BERICHTE_GEBAEUDETEXT3), (unsigned)geba->Gesamtkosten,
           S(_VEK_BERICHTE_GEBAEUDETEXT4));
    return t;
}

std::string ComposeTaxesReport(const st_TAXE *taxe)
{
    if (!taxe) return S(_VEK_BERICHTE_NOSTEUERN);
    std::string t = S(_VEK_BERICHTE_KORNTEXT28);
    AppendFormat(&t, " %06" PRIu64 " %s...\n", (uint64_t)taxe->GrundsteuerLast, S(_VEK_BERICHTE_STEUERNTEXT1));
    const std::pair<ULONG, const LocStr *> more[] = {{(ULONG)taxe->JustizLast, &_VEK_BERICHTE_STEUERNTEXT2},
                                                     {(ULONG)taxe->ZollLast, &_VEK_BERICHTE_STEUERNTEXT3},
                                                     {(ULONG)taxe->HQLast, &_VEK_BERICHTE_STEUERNTEXT4},
                                                     {(ULONG)taxe->KirchensteuerLast, &_VEK_BERICHTE_STEUERNTEXT6}};
    uint64_t summe = taxe->GrundsteuerLast;
    for (const auto &m : more) {
        AppendFormat(&t, " %6.6" PRIu64 " %s...\n", (uint64_t)m.first, S(*m.second));
        summe += m.first;
    }
    t += " --------------------------------------------\n";
    AppendFormat(&t, " %6.6" PRIu64 " %s...\n\n", summe, S(_VEK_BERICHTE_STEUERNTEXT5));
    const std::pair<ULONG, const LocStr *> rest[] = {{(ULONG)taxe->Markthallen, &_VEK_BERICHTE_STEUERNTEXT7},
                                                     {(ULONG)taxe->Schiffskosten, &_VEK_BERICHTE_STEUERNTEXT8},
                                                     {(ULONG)taxe->ZehnteEinnahme, &_VEK_BERICHTE_STEUERNTEXT9},
                                                     {(ULONG)taxe->ZehnteAusgabe, &_VEK_BERICHTE_STEUERNTEXT10}};
    for (const auto &r : rest) AppendFormat(&t, " %6.6" PRIu64 " %s...\n\n", (uint64_t)r.first, S(*r.second));
    t += S(_VEK_BERICHTE_KORNTEXT29);
    return t;
}

std::string ComposeResearchReport(const st_FORS &fors)
{
    std::string t;
    const UBYTE levels[7] = {fors.Astronomie, fors.Alchemie, fors.Naturkunde, fors.Theologie,
                             fors.Medizin,    fors.Kampftechnik, fors.Technik};
    bool allDone = true;
    for (UBYTE l : levels) allDone = allDone && l == 7;
    if (fors.Besonderheiten & 1) {
        t = S(_VEK_BERICHTE_RESEARCHTEXT1);
    } else if (fors.AktiveForschung) {
        t = S(_VEK_BERICHTE_RESEARCHTEXT3);
        AppendFormat(&t, " %s.\n\n", ForschungsName(fors.AktiveForschung));
        AppendFormat(&t, "%s %u %s %u %s", S(_VEK_BERICHTE_RESEARCHTEXT4), (unsigned)fors.ForschungsCounter,
               S(_VEK_BERICHTE_RESEARCHTEXT5), (unsigned)fors.ForschungsZeit, S(_VEK_BERICHTE_RESEARCHTEXT6));
        AppendFormat(&t, "%s %u %s", S(_VEK_BERICHTE_RESEARCHTEXT7), (unsigned)fors.KostenProRunde,
               S(_VEK_BERICHTE_RESEARCHTEXT8));
    } else if (!allDone) {
        t = S(_VEK_BERICHTE_RESEARCHTEXT2);
    }
    t += S(_VEK_BERICHTE_RESEARCHTEXT9);
    for (ULONG f = 0; f < 7; ++f)
        AppendFormat(&t, "%s %u %s %s\n", S(_VEK_BERICHTE_RESEARCHTEXT10), (unsigned)levels[f],
               S(_VEK_BERICHTE_RESEARCHTEXT11), ForschungsName(f + 1));
    return t;
}

BOOL ComposeTradeReport(const st_WARE *ware, const st_ANTW *players, ULONG ownID, const char *ownName,
                        std::string *text)
{
    if (!text) return FALSE;
    if (!ware) {
        *text = S(_VEK_BERICHTE_HANDELTEXT1);
        return TRUE;
    }
    ListHeader *list = CreateList(LISTE_WAREN);
    if (!list) {
        std::printf("ShowTradeData : kein Speicher f\xFCr ListHeader vorhanden...\n");
        return FALSE;
    }
    if (!ScanWare2List(list, ware)) {
        std::printf("ShowTradeData : Ware konnte nicht in eine Liste eingescannt werden...\n");
        DeleteList(list, LIST_FREE_OWNED);
        return FALSE;
    }
    // Newest offers first, each offer's best bids first: descending on Info,
    // DateInSec, KaeuferPreis and WarenAnzahl, as SortList orders on those
    // keys. The list's own selection sort needs minutes for a full chunk.
    std::vector<st_WARE_EXT> wares;
    wares.reserve(list->Elemente);
    ListNode *node = list->FirstNode;
    for (ULONG i = 0; i < list->Elemente; ++i, node = node->Next)
        wares.push_back(reinterpret_cast<WareListEntry *>(node)->Ware);
    DeleteList(list, LIST_FREE_OWNED);
    auto key = [](const st_WARE_EXT &w) {
        return std::make_tuple((ULONG)w.Info, (ULONG)w.DateInSec, (ULONG)w.KaeuferPreis, (ULONG)w.WarenAnzahl);
    };
    std::stable_sort(wares.begin(), wares.end(),
                     [&](const st_WARE_EXT &a, const st_WARE_EXT &b) { return key(a) > key(b); });
    auto nameOf = [&](ULONG id, char *name) {
        std::memset(name, 0, 80);
        if (id == ownID)
            std::snprintf(name, 80, "%s", ownName ? ownName : "");
        else
            GetPlayerName_GetName(id, name, players);
    };
    std::string t = S(_VEK_BERICHTE_HANDELTEXT2);
    const size_t n = wares.size();
    for (size_t i = 0; i < n; ++i) {
        const st_WARE_EXT &w = wares[i];
        if (w.Info != 4) continue;
        if (i == 0 || n == 1 || wares[i - 1].Info != 4 || wares[i - 1].DateInSec != w.DateInSec) {
            char seller[80];
            nameOf(w.Herkunft, seller);
            AppendFormat(&t, " %s %s %s %u %s %s %s %u %s", S(_VEK_TITEL1), seller, S(_VEK_BERICHTE_HANDEL_ANDEREKAUF1),
                   (unsigned)w.WarenAnzahl, S(_VEK_BERICHTE_HANDEL_ANDEREKAUF2),
                   w.WarenTyp < (ULONG)WAREN_COUNT ? GetString(Waren[w.WarenTyp]) : "",
                   S(_VEK_BERICHTE_HANDEL_ANDEREKAUF3), (unsigned)w.Preis, S(_VEK_BERICHTE_HANDEL_ANDEREKAUF4));
        }
        char buyer[80];
        if (w.Kaeufer == ownID)
            std::snprintf(buyer, sizeof buyer, "%s", S(_VEK_BERICHTE_HANDEL_ANDEREKAUF6));
        else
            nameOf(w.Kaeufer, buyer);
        const std::string preis = MakeBetterString(w.KaeuferPreis, 8);
        const std::string anzahl = MakeBetterString(w.WarenAnzahl, 8);
        AppendFormat(&t, "%s %s%s     %s\n", preis.c_str(), S(_VEK_GS), anzahl.c_str(), buyer);
        if (i + 1 < n && wares[i + 1].DateInSec != w.DateInSec) t += "\n";
    }
    *text = std::move(t);
    return TRUE;
}

void AppendFormat(std::string *out, const char *fmt, ...)
{
    char small[512];
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n > 0 && (size_t)n < sizeof small) {
        out->append(small, (size_t)n);
    } else if (n > 0) {
        const size_t at = out->size();
        out->resize(at + (size_t)n + 1);
        std::vsnprintf(&(*out)[at], (size_t)n + 1, fmt, again);
        out->resize(at + (size_t)n);
    }
    va_end(again);
}
