// The battle news without a screen: the table file, the letters, the map
// view's place and the detail view's counters.
#include "realm/schlacht.h"
#include "realm/berichte.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/files.h"
#include "platform/memfile.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/store.h"
#include "world/hex.h"

namespace {

const char *S(const LocStr &s) { return GetString(&s); }


constexpr char kPlayerList[] = "./Data/SpielerList.vek";

// Counts up by step toward the end value.
void StepTo(ULONG *shown, ULONG end, ULONG step)
{
    *shown = end - *shown <= step ? end : *shown + step;
}

}  // namespace

ULONG KriegAnzahl(const st_KRIG *krig) { return krig ? GetChunkEntryCount(krig) : 0; }

const st_KRIG_EXT *KriegEintraege(const st_KRIG *krig)
{
    return krig ? reinterpret_cast<const st_KRIG_EXT *>((const UBYTE *)krig + sizeof(st_KRIG)) : nullptr;
}

LONG SchlachtKategorie(ULONG result)
{
    if (result <= 2) return 0;
    if (result <= 4) return 1;
    if (result <= 8) return 2;
    return -1;
}

std::string SchlachtName(const SchlachtNamen &names, ULONG id)
{
    if (id == names.OwnID) return names.OwnName ? names.OwnName : "";
    char name[80] = {};
    GetPlayerName_GetName(id, name, names.Players);
    return name;
}

std::string ComposeSchlachtCSV(const st_KRIG *krig, const SchlachtNamen &names)
{
    std::string t = "Angreifer;Verteidiger;XPos;YPos;Angreifer Tote;Angreifer Lebende;Angreifer Erschoepfung;"
                    "Verteidiger Tote;Verteidiger Lebende;Verteidiger Erschoepfung;\n"
                    "Attacker;Defender;XPos;YPos;Attacker dead people;Attacker survivors;Attacker fatigue;"
                    "Defender dead people;Defender survivors;Defender fatigue;\n";
    // A field separator or line end inside a name would shift every later column.
    auto field = [](std::string s) {
        for (char &c : s)
            if (c == ';' || c == '\n' || c == '\r') c = ' ';
        return s;
    };
    // Each player's name is looked up once, however many battles he fought.
    std::map<ULONG, std::string> known;
    auto name = [&](ULONG id) -> const std::string & {
        auto it = known.find(id);
        if (it == known.end()) it = known.emplace(id, field(SchlachtName(names, id))).first;
        return it->second;
    };
    const ULONG n = KriegAnzahl(krig);
    const st_KRIG_EXT *k = KriegEintraege(krig);
    for (ULONG i = 0; i < n; ++i) {
        if (k[i].Result > 4) continue;
        t += name(k[i].Angreifer.SpielerID);
        t += ';';
        t += name(k[i].Verteidiger.SpielerID);
        t += ';';
        for (LONG v : {(LONG)k[i].Verteidiger.X_Pos, (LONG)k[i].Verteidiger.Y_Pos, (LONG)k[i].AngTote,
                       (LONG)k[i].AngLebende, (LONG)k[i].AngErschoepfung, (LONG)k[i].VerTote, (LONG)k[i].VerLebende,
                       (LONG)k[i].VerErschoepfung}) {
            char digits[16];
            const auto r = std::to_chars(digits, digits + sizeof digits, v);
            t.append(digits, r.ptr);
            t += ';';
        }
        t += '\n';
    }
    return t;
}

BOOL CreateSchlachtCVS(LokaleDatenNachrichten *ld)
{
    (void)ld;
    auto *krig = static_cast<st_KRIG *>(LoadChunk2Mem(ID_KRIG, POOL_IN));
    if (!krig) return 0;
    // Names from the player list as it is: the screen asks the server nothing.
    st_ANTW *players = IsFilePresent(kPlayerList) ? static_cast<st_ANTW *>(LoadChunk2Mem(ID_ANTW, kPlayerList))
                                                   : nullptr;
    const std::string csv = ComposeSchlachtCSV(krig, {PlayerInfo.SpielerID, PlayerInfo.Spielname, players});
    FreeVec(players);
    FreeChunk(krig);
    // A file that cannot be written is left out without a word.
    (void)WriteFileAtomic(ARMY_CSV, csv.data(), (ULONG)csv.size(), -1);
    return 1;
}

const char *KampfWort(ULONG e)
{
    if (e < 4) return S(_VEK_NACHRICHTEN_LEICHT);
    if (e <= 7) return S(_VEK_NACHRICHTEN_NORMAL);
    return S(_VEK_NACHRICHTEN_HART);
}

const char *VerlustSatz(ULONG tote, ULONG lebende)
{
    // In 64 bits: a hundred times the dead must not wrap.
    const uint64_t all = (uint64_t)tote + lebende;
    const uint64_t p = all ? (uint64_t)tote * 100 / all : 0;
    if (p <= 16) return S(_VEK_NACHRICHTEN_KRIEGE5);
    if (p <= 33) return S(_VEK_NACHRICHTEN_KRIEGE6);
    if (p <= 49) return S(_VEK_NACHRICHTEN_KRIEGE7);
    if (p <= 66) return S(_VEK_NACHRICHTEN_KRIEGE8);
    if (p <= 83) return S(_VEK_NACHRICHTEN_KRIEGE9);
    return S(_VEK_NACHRICHTEN_KRIEGE10);
}

void SchlachtOrt(const st_KRIG_EXT &k, ULONG *X, ULONG *Y)
{
    const bool town = SchlachtKategorie(k.Result) == 1;
    *X = town ? k.Angreifer.X_Pos : k.Verteidiger.X_Pos;
    *Y = town ? k.Angreifer.Y_Pos : k.Verteidiger.Y_Pos;
}

std::string ComposeSchlachtBrief(const st_KRIG *krig, ULONG category, WORD *index, const SchlachtNamen &names,
                                 const st_KRIG_EXT **record, BOOL *detail)
{
    *record = nullptr;
    *detail = FALSE;
    const ULONG all = KriegAnzahl(krig);
    const st_KRIG_EXT *k = KriegEintraege(krig);
    ULONG n = 0;
    for (ULONG i = 0; i < all; ++i) n += SchlachtKategorie(k[i].Result) == (LONG)category;
    std::string t;
    if (n == 0) {
        if (category == 2)
            AppendFormat(&t, " %s %s,", S(_VEK_HANDELSSCREEN_MEIN), S(_VEK_TITEL1));
        else
            AppendFormat(&t, " %s %s,\n\n", S(_VEK_HANDELSSCREEN_MEIN), S(_VEK_TITEL1));
        t += S(_VEK_NACHRICHTEN_NOFIGHT);
        return t;
    }
    if (*index < 0) *index = (WORD)(n - 1);
    if ((ULONG)*index >= n) *index = 0;
    const st_KRIG_EXT *r = nullptr;
    for (ULONG i = 0, seen = 0; i < all && !r; ++i)
        if (SchlachtKategorie(k[i].Result) == (LONG)category && seen++ == (ULONG)*index) r = &k[i];
    *record = r;
    const ULONG result = r->Result;
    const bool ship = result == 5 || result == 6;
    if (ship) {
        AppendFormat(&t, "%s %u %s %u\n\n", S(_VEK_NACHRICHTEN_SCHLACHT), (unsigned)*index + 1,
               S(_VEK_NACHRICHTEN_VONINGESAMT), (unsigned)n);
        AppendFormat(&t, "%s %s,", S(_VEK_HANDELSSCREEN_MEIN), S(_VEK_TITEL1));
    } else {
        AppendFormat(&t, " %s %u %s %u\n\n", S(_VEK_NACHRICHTEN_SCHLACHT), (unsigned)*index + 1,
               S(_VEK_NACHRICHTEN_VONINGESAMT), (unsigned)n);
        AppendFormat(&t, " %s %s,", S(_VEK_HANDELSSCREEN_MEIN), S(_VEK_TITEL1));
    }
    const bool own = r->Angreifer.SpielerID == names.OwnID;
    ULONG X, Y;
    SchlachtOrt(*r, &X, &Y);
    const std::string angreifer = SchlachtName(names, r->Angreifer.SpielerID);
    const std::string verteidiger = SchlachtName(names, r->Verteidiger.SpielerID);
    auto piece = [&](const LocStr &s) { AppendFormat(&t, " %s", S(s)); };
    const unsigned x = (unsigned)X, y = (unsigned)Y;
    switch (category) {
    case 0:
        if (own) {
            AppendFormat(&t, " %s X: %u %s Y: %u %s %s %s", S(_VEK_NACHRICHTEN_KRIEGE1), x, S(_VEK_AND), y,
                   S(_VEK_NACHRICHTEN_KRIEGE2), verteidiger.c_str(), S(_VEK_NACHRICHTEN_KRIEGE3));
            AppendFormat(&t, " %s", KampfWort(r->AngErschoepfung));
            piece(_VEK_NACHRICHTEN_KRIEGE4);
            AppendFormat(&t, " %s.", VerlustSatz(r->AngTote, r->AngLebende));
            piece(_VEK_NACHRICHTEN_KRIEGE11);
            piece(result == 1 ? _VEK_NACHRICHTEN_BEFREIEN : _VEK_NACHRICHTEN_NICHTBEFREIEN);
        } else {
            AppendFormat(&t, " %s %s %s X: %u %s Y: %u %s", S(_VEK_NACHRICHTEN_KRIEGE13), angreifer.c_str(),
                   S(_VEK_NACHRICHTEN_KRIEGE14), x, S(_VEK_AND), y, S(_VEK_NACHRICHTEN_KRIEGE3));
            AppendFormat(&t, " %s", KampfWort(r->VerErschoepfung));
            piece(_VEK_NACHRICHTEN_KRIEGE4);
            AppendFormat(&t, " %s.", VerlustSatz(r->VerTote, r->VerLebende));
            piece(_VEK_NACHRICHTEN_KRIEGE11A);
            piece(result == 1 ? _VEK_NACHRICHTEN_NICHTBESCHUETZEN : _VEK_NACHRICHTEN_BESCHUETZEN);
        }
        piece(_VEK_NACHRICHTEN_KRIEGE12);
        *detail = TRUE;
        break;
    case 1:
        if (own) {
            AppendFormat(&t, " %s X: %u %s Y: %u %s %s", S(_VEK_NACHRICHTEN_KRIEGE1), x, S(_VEK_AND), y,
                   S(_VEK_NACHRICHTEN_STAEDTE2), S(_VEK_NACHRICHTEN_KRIEGE3));
            AppendFormat(&t, " %s", KampfWort(r->AngErschoepfung));
            piece(_VEK_NACHRICHTEN_KRIEGE4);
            AppendFormat(&t, " %s.", VerlustSatz(r->AngTote, r->AngLebende));
            piece(_VEK_NACHRICHTEN_STAEDTE11);
            piece(result == 3 ? _VEK_NACHRICHTEN_BEFREIEN : _VEK_NACHRICHTEN_NICHTBEFREIEN);
        } else {
            AppendFormat(&t, " %s X:%u %s Y:%u %s %s %s", S(_VEK_NACHRICHTEN_STAEDTE13), x, S(_VEK_AND), y,
                   S(_VEK_NACHRICHTEN_STAEDTE14), angreifer.c_str(), S(_VEK_NACHRICHTEN_KRIEGE3));
            AppendFormat(&t, " %s", KampfWort(r->VerErschoepfung));
            piece(_VEK_NACHRICHTEN_KRIEGE4);
            AppendFormat(&t, " %s.", VerlustSatz(r->VerTote, r->VerLebende));
            piece(_VEK_NACHRICHTEN_KRIEGE11A);
            // The town is lost when its attacker won (3).
            piece(result == 3 ? _VEK_NACHRICHTEN_NICHTBESCHUETZEN : _VEK_NACHRICHTEN_BESCHUETZEN);
        }
        piece(_VEK_NACHRICHTEN_KRIEGE12);
        *detail = TRUE;
        break;
    default:
        if (ship && own) {
            const ULONG E = r->AngErschoepfung, R = r->AngRuestungsklasse;
            AppendFormat(&t, " %s X: %u %s Y: %u %s %s", S(_VEK_NACHRICHTEN_SCHIFFE6), x, S(_VEK_AND), y,
                   verteidiger.c_str(), S(_VEK_NACHRICHTEN_KRIEGE3));
            AppendFormat(&t, " %s.", E == R ? S(_VEK_NACHRICHTEN_HART)
                               : 2 * E <= R ? S(_VEK_NACHRICHTEN_LEICHT)
                                            : S(_VEK_NACHRICHTEN_NORMAL));
            piece(_VEK_NACHRICHTEN_SCHIFFE3);
            piece(result == 5 ? _VEK_NACHRICHTEN_SCHIFFE4 : _VEK_NACHRICHTEN_SCHIFFE5);
            piece(_VEK_NACHRICHTEN_SCHIFFE8);
            if (E == R)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_SCHIFFE12));
            else if (4 * E < R)
                piece(_VEK_NACHRICHTEN_SCHIFFE9);
            else if (4 * E > R)
                piece(_VEK_NACHRICHTEN_SCHIFFE10);
            piece(_VEK_NACHRICHTEN_KRIEGE12);
            *detail = TRUE;
        } else if (ship) {
            const ULONG E = r->VerErschoepfung, R = r->VerRuestungsklasse;
            AppendFormat(&t, " %s %s %s X:%u %s Y:%u %s", S(_VEK_NACHRICHTEN_KRIEGE13), angreifer.c_str(),
                   S(_VEK_NACHRICHTEN_SCHIFFE7), x, S(_VEK_AND), y, S(_VEK_NACHRICHTEN_KRIEGE3));
            if (E == R)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_HART));
            else if (4 * E < R)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_LEICHT));
            else if (R < 2 * E)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_NORMAL));
            piece(_VEK_NACHRICHTEN_SCHIFFE8);
            if (E == R)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_SCHIFFE12));
            else if (8 * E < R)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_SCHIFFE9));
            else if (R < 4 * E)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_SCHIFFE10));
            else if (R < 2 * E)
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_SCHIFFE11));
            piece(_VEK_NACHRICHTEN_KRIEGE12);
            *detail = TRUE;
        } else if (own) {
            AppendFormat(&t, " %s X:%u %s Y:%u %s %s.", S(_VEK_NACHRICHTEN_SCHIFFE6), x, S(_VEK_AND), y,
                   verteidiger.c_str(), S(_VEK_NACHRICHTEN_PIRAT1));
            piece(result == 8 ? _VEK_NACHRICHTEN_PIRAT2 : _VEK_NACHRICHTEN_PIRAT3);
        } else {
            AppendFormat(&t, " %s %s %s X:%u %s Y:%u %s", S(_VEK_NACHRICHTEN_KRIEGE13), S(_VEK_PIRATEN),
                   S(_VEK_NACHRICHTEN_SCHIFFE7), x, S(_VEK_AND), y, S(_VEK_NACHRICHTEN_KRIEGE3));
            if (result == 8) {
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_LEICHT));
                piece(_VEK_NACHRICHTEN_PIRAT4);
            } else {
                AppendFormat(&t, " %s.", S(_VEK_NACHRICHTEN_HART));
                piece(_VEK_NACHRICHTEN_PIRAT2);
            }
        }
        break;
    }
    return t;
}

SchlachtKarte SchlachtKartenPos(ULONG X, ULONG Y)
{
    SchlachtKarte m{};
    m.X = CheckWrap((LONG)(X & ~1u), WELT_BREITE);
    m.Y = CheckWrap((LONG)Y - 1, WELT_HOEHE);
    m.BlockX = m.X / 80;
    m.BlockY = m.Y / 40;
    m.IndexX = m.X - 80 * m.BlockX + 80;
    m.IndexY = m.Y % 40 + 40;
    return m;
}

SchlachtBild SchlachtBildFuer(ULONG result, BOOL ownAttacker)
{
    static const UWORD angPic[7] = {498, 472, 472, 499, 499, 837, 837};
    static const UWORD angCol[7] = {2, 0, 0, 0, 0, 0, 0};
    static const UWORD verPic[7] = {472, 498, 498, 499, 499, 837, 837};
    static const UWORD verCol[7] = {0, 2, 2, 0, 0, 0, 0};
    if (result > 6) return {0, 0, FALSE};
    return {ownAttacker ? angPic[result] : verPic[result], ownAttacker ? angCol[result] : verCol[result],
            result >= 5};
}

BOOL SchlachtGezaehlt(const SchlachtZaehler &z, const st_KRIG_EXT &k)
{
    if (z.Sea) return z.AngLebende == k.AngLebende && z.VerLebende == k.VerLebende;
    return z.AngTote == k.AngTote && z.VerTote == k.VerTote && z.AngLebende == k.AngLebende &&
           z.VerLebende == k.VerLebende;
}

UWORD SchlachtTick(SchlachtZaehler *z, const st_KRIG_EXT &k)
{
    UWORD rows = 0;
    if (z->t >= 50) return 0;
    if (z->t >= 28) {
        // At sea the right box counts the attacker's crew toward its total.
        if (z->Sea) {
            StepTo(&z->AngLebende, k.AngLebende, k.AngLebende / 50 + 1);
        } else {
            StepTo(&z->AngTote, k.AngTote, k.AngTote / 50 + 1);
            StepTo(&z->VerTote, k.VerTote, k.VerTote / 50 + 1);
        }
        rows |= ROW_TOTE;
    }
    if (z->t >= 39) {
        if (!z->Sea) StepTo(&z->AngLebende, k.AngLebende, k.AngLebende / 100 + 1);
        StepTo(&z->VerLebende, k.VerLebende, k.VerLebende / 100 + 1);
        rows |= ROW_LEBENDE;
    }
    // The counter holds short of the outcome while anything still counts.
    if (z->t + 1 < 50 || SchlachtGezaehlt(*z, k)) ++z->t;
    if (z->t == 9) rows |= ROW_KLASSE;
    if (z->t == 19) rows |= ROW_ERSCHOEPFUNG;
    if (z->t == 50) rows |= ROW_AUSGANG;
    return rows;
}

UWORD SchlachtAlles(SchlachtZaehler *z, const st_KRIG_EXT &k)
{
    if (z->Sea) {
        z->AngLebende = k.AngLebende;
        z->VerLebende = k.VerLebende;
    } else {
        z->AngTote = k.AngTote, z->VerTote = k.VerTote;
        z->AngLebende = k.AngLebende, z->VerLebende = k.VerLebende;
    }
    z->t = 50;
    return ROW_KLASSE | ROW_ERSCHOEPFUNG | ROW_TOTE | ROW_LEBENDE | ROW_AUSGANG;
}
