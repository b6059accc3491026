// Byte order, dice, the letter date stamp, goods prices and computer race
// names.
#include "platform/gamevalues.h"

#include <cstdlib>
#include <cstring>

#include "platform/strings.h"

ULONG SwapLong(ULONG value)
{
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return value;
#else
    return __builtin_bswap32(value);
#endif
}

UWORD SwapWord(UWORD value)
{
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return value;
#else
    return __builtin_bswap16(value);
#endif
}

void SwapPCAmiga2(void *buffer, ULONG count, int mode)
{
    if (!buffer) return;
    UBYTE *p = (UBYTE *)buffer;
    // Byte by byte: the buffer need not be aligned for its values.
    if (mode == 1) {
        for (ULONG i = 0; i < count; ++i, p += 4) {
            UBYTE t = p[0];
            p[0] = p[3];
            p[3] = t;
            t = p[1];
            p[1] = p[2];
            p[2] = t;
        }
    } else {
        for (ULONG i = 0; i < count; ++i, p += 2) {
            UBYTE t = p[0];
            p[0] = p[1];
            p[1] = t;
        }
    }
}

void SwapPCAmiga(void *buffer, UWORD count, int mode) { SwapPCAmiga2(buffer, count, mode); }

ULONG FileReadLong(BPTR file, int *ok)
{
    ULONG value = 0;
    int complete = file != nullptr;
    for (int i = 0; i < 4; ++i) {
        int c = file ? std::fgetc(file) : EOF;
        if (c == EOF) {
            complete = 0;
            c = 0;
        }
        value = (value << 8) | (ULONG)c;
    }
    if (ok) *ok = complete;
    return value;
}

namespace {
bool SRANDOK = false;
}

void WuerfelSeed(unsigned int seed)
{
    std::srand(seed);
    SRANDOK = true;
}

ULONG Wuerfel(ULONG n)
{
    if (!SRANDOK) WuerfelSeed((unsigned int)std::time(nullptr));
    // n + 1 in 64 bits: Wuerfel(0xFFFFFFFF) must not divide by zero.
    return (ULONG)((unsigned long long)std::rand() % ((unsigned long long)n + 1));
}

void FormatDateString(char *buffer, const struct tm &when)
{
    static const char *const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!buffer) return;
    const char *month = (when.tm_mon >= 0 && when.tm_mon < 12) ? months[when.tm_mon] : "???";
    // Formatted in full first: a field out of its range cannot run past the 21 bytes.
    char full[80];
    std::snprintf(full, sizeof full, "%2.2d-%3s-%4.4d %2.2d:%2.2d:%2.2d", when.tm_mday, month,
                  when.tm_year + 1900, when.tm_hour, when.tm_min, when.tm_sec);
    std::memcpy(buffer, full, DATE_STRING_SIZE - 1);
    buffer[DATE_STRING_SIZE - 1] = 0;
}

void MakeDateString(char *buffer)
{
    std::time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    FormatDateString(buffer, local);
}

// Columns: people per unit; animal, plant, mineral weight; research levels in
// Alchemie, Astronomie, Kampftechnik, Naturkunde, Medizin, Technik, Theologie;
// base price; picture. Ware pictures without a fixed number lie at 1300 + type.
LONG WarenWerte[WAREN_TYPES][WARENWERTE_SPALTEN] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1300},  //   0 corn
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1301},  //   1 animal units
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1302},  //   2 plant units
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1303},  //   3 mineral units
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  //   4 soldiers
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  //   5 soldiers
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  //   6 soldiers
    {2500, 0, 1, 0, 0, 0, 2, 1, 0, 1, 0, 150, 390},  //   7 small ballista
    {5000, 0, 1, 1, 0, 0, 3, 1, 0, 2, 0, 300, 1308},  //   8 big ballista
    {8000, 0, 1, 1, 0, 0, 4, 2, 0, 3, 0, 600, 1309},  //   9 catapult
    {100, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 5, 1310},  //  10 helmet
    {150, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 10, 1311},  //  11 leather armour
    {120, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 8, 1312},  //  12 leather jerkin
    {400, 0, 0, 1, 1, 0, 3, 0, 0, 1, 0, 40, 1313},  //  13 chain shirt
    {600, 0, 0, 1, 2, 0, 4, 0, 0, 2, 0, 60, 1314},  //  14 chain armour
    {800, 0, 0, 1, 3, 0, 5, 0, 0, 2, 0, 90, 1315},  //  15 scale armour
    {1000, 0, 0, 1, 4, 0, 6, 0, 0, 3, 0, 120, 1316},  //  16 plate armour
    {150, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 12, 1317},  //  17 tower shield
    {100, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 6, 1318},  //  18 wooden shield
    {300, 0, 0, 1, 1, 0, 2, 0, 0, 1, 0, 25, 1319},  //  19 battle shield
    {500, 0, 0, 1, 2, 0, 3, 0, 0, 2, 0, 45, 1320},  //  20 war shield
    {80, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 4, 1321},  //  21 dagger
    {120, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 7, 1322},  //  22 hand axe
    {200, 0, 0, 1, 1, 0, 2, 0, 0, 0, 0, 15, 1323},  //  23 short sword
    {350, 0, 0, 1, 1, 0, 3, 0, 0, 1, 0, 30, 1324},  //  24 broadsword
    {500, 0, 0, 1, 2, 0, 4, 0, 0, 1, 0, 45, 1325},  //  25 bastard sword
    {450, 0, 0, 1, 2, 0, 3, 0, 0, 1, 0, 40, 1326},  //  26 long sword
    {700, 0, 0, 1, 3, 0, 5, 0, 0, 2, 0, 65, 1327},  //  27 claymore
    {400, 0, 0, 1, 1, 0, 3, 0, 0, 1, 0, 35, 1328},  //  28 war axe
    {400, 0, 1, 1, 1, 0, 3, 0, 0, 1, 0, 35, 1329},  //  29 war hammer
    {300, 0, 0, 1, 1, 0, 2, 0, 0, 1, 0, 25, 1330},  //  30 small morning star
    {550, 0, 0, 1, 2, 0, 4, 0, 0, 2, 0, 50, 1331},  //  31 big morning star
    {450, 0, 0, 1, 2, 0, 3, 0, 0, 1, 0, 40, 1332},  //  32 sabre
    {500, 0, 0, 1, 2, 0, 4, 0, 0, 1, 0, 45, 1333},  //  33 battle axe
    {500, 0, 1, 1, 2, 0, 4, 0, 0, 1, 0, 45, 1334},  //  34 battle hammer
    {350, 0, 0, 1, 1, 0, 3, 0, 0, 1, 0, 30, 1335},  //  35 mace
    {600, 0, 0, 1, 2, 0, 4, 0, 0, 2, 0, 55, 1336},  //  36 halberd
    {250, 0, 0, 1, 1, 0, 2, 0, 0, 0, 0, 20, 1337},  //  37 small lance
    {400, 0, 0, 1, 1, 0, 3, 0, 0, 1, 0, 35, 1338},  //  38 medium lance
    {600, 0, 0, 1, 2, 0, 4, 0, 0, 2, 0, 55, 1339},  //  39 big lance
    {300, 0, 1, 1, 1, 0, 2, 1, 0, 1, 0, 25, 1340},  //  40 war scythe
    {150, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 10, 1341},  //  41 spear
    {600, 1, 1, 1, 1, 0, 3, 1, 0, 2, 0, 60, 1342},  //  42 light crossbow
    {900, 1, 1, 1, 2, 0, 4, 1, 0, 3, 0, 90, 1343},  //  43 heavy crossbow
    {250, 0, 1, 0, 0, 0, 2, 1, 0, 0, 0, 20, 1344},  //  44 short bow
    {450, 0, 1, 0, 0, 0, 3, 2, 0, 1, 0, 40, 1345},  //  45 long bow
    {700, 0, 1, 0, 1, 0, 4, 2, 0, 2, 0, 65, 1346},  //  46 composite bow
    {60, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 3, 1347},  //  47 sling
    {100, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 6, 1348},  //  48 throwing dagger
    {120, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 8, 1349},  //  49 javelin
    {20000, 1, 1, 1, 3, 3, 1, 3, 2, 3, 1, 40000, 399},  //  50 small trade ship
    {50000, 1, 1, 1, 4, 4, 2, 4, 3, 4, 2, 120000, 1351},  //  51 medium trade ship
    {100000, 1, 1, 1, 5, 5, 3, 5, 3, 5, 2, 300000, 1352},  //  52 big trade ship
    {40000, 1, 1, 1, 3, 3, 3, 3, 2, 3, 1, 80000, 1353},  //  53 small war ship
    {100000, 1, 1, 1, 4, 4, 4, 4, 3, 4, 2, 240000, 1354},  //  54 medium war ship
    {200000, 1, 1, 1, 5, 5, 5, 5, 4, 5, 3, 680000, 1355},  //  55 big war ship
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1356},  //  56 herb 1
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1357},  //  57 herb 2
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1358},  //  58 herb 3
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1359},  //  59 herb 4
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1360},  //  60 herb 5
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1361},  //  61 herb 6
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1362},  //  62 herb 7
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1363},  //  63 herb 8
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1364},  //  64 herb 9
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1365},  //  65 herb 10
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1366},  //  66 herb 11
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1367},  //  67 herb 12
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1368},  //  68 herb 13
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1369},  //  69 herb 14
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1370},  //  70 herb 15
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1371},  //  71 herb 16
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1372},  //  72 herb 17
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1373},  //  73 herb 18
    {800, 0, 0, 1, 3, 0, 5, 0, 0, 3, 0, 70, 1374},  //  74 army sword
    {1200, 0, 0, 1, 3, 1, 5, 1, 0, 3, 1, 100, 1375},  //  75 northern sword
    {1500, 0, 0, 1, 3, 0, 6, 1, 0, 3, 0, 130, 1376},  //  76 barbarian sword
    {2000, 0, 0, 1, 4, 0, 6, 0, 0, 4, 0, 160, 1377},  //  77 two-handed sword
    {1000, 0, 1, 1, 2, 1, 5, 2, 0, 3, 0, 90, 1378},  //  78 trident
    {1800, 0, 1, 1, 3, 0, 6, 2, 0, 4, 0, 150, 1379},  //  79 horse flayer
    {1600, 1, 0, 1, 4, 0, 6, 1, 0, 4, 0, 140, 1380},  //  80 ring armour
    {22000, 1, 1, 1, 2, 0, 6, 4, 0, 4, 0, 1500, 1381},  //  81 war catapult
    {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1382},  //  82 balm
    {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1383},  //  83 amber
    {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1384},  //  84 brocade
    {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1385},  //  85 gems
    {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1386},  //  86 ivory
    {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1387},  //  87 spices
    {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1388},  //  88 marble
    {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1389},  //  89 myrrh
    {0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 928},  //  90 oil
    {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1391},  //  91 parchment
    {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1392},  //  92 furs
    {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1393},  //  93 jewellery
    {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1394},  //  94 silk
    {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1395},  //  95 carpets
    {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1396},  //  96 incense
    {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1397},  //  97 sugar
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1398},  //  98 wood
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1399},  //  99 stone
    {50000, 0, 0, 1, 5, 4, 5, 3, 3, 4, 5, 200, 1400},  // 100 Alberich
    {60000, 0, 0, 1, 5, 5, 6, 3, 3, 5, 4, 220, 1401},  // 101 Arbanor
    {0, 1, 1, 1, 8, 8, 8, 8, 8, 8, 8, 175, 1124},  // 102 dragon axe
    {0, 1, 1, 1, 8, 8, 8, 8, 8, 8, 8, 150, 1403},  // 103 elven helmet
    {0, 1, 1, 1, 8, 8, 8, 8, 8, 8, 8, 160, 1404},  // 104 elven shield
    {0, 1, 1, 1, 8, 8, 8, 8, 8, 8, 8, 200, 1405},  // 105 elven sword
    {80000, 0, 0, 1, 4, 3, 6, 4, 3, 4, 3, 110, 1406},  // 106 frog helmet
    {150000, 0, 0, 1, 6, 5, 5, 4, 5, 4, 7, 250, 1407},  // 107 hand of god
    {90000, 0, 0, 1, 4, 2, 7, 2, 2, 4, 2, 115, 1408},  // 108 war helmet
    {100000, 0, 0, 1, 5, 3, 7, 3, 3, 4, 3, 120, 1409},  // 109 knight's helmet
    {120000, 0, 0, 1, 5, 3, 7, 3, 3, 5, 3, 250, 1410},  // 110 knight's armour
    {110000, 0, 0, 1, 5, 4, 7, 3, 3, 4, 4, 130, 1411},  // 111 Skar's helmet
    {70000, 1, 0, 1, 4, 3, 6, 3, 2, 4, 3, 100, 1412},  // 112 tournament helmet
    {0, 1, 1, 1, 8, 8, 8, 8, 8, 8, 8, 140, 1413},  // 113 dwarven helmet
    {0, 1, 1, 1, 8, 8, 8, 8, 8, 8, 8, 300, 1414},  // 114 dwarven armour
    {0, 1, 1, 1, 8, 8, 8, 8, 8, 8, 8, 220, 1415},  // 115 dwarven sword
};

ULONG GetWarenPreis(LONG type, LONG basePrice, LONG tier, LONG pflanze, LONG mineral)
{
    // A negative base price is no price; products in 64 bits so that a large
    // base price cannot wrap.
    const unsigned long long g = basePrice > 0 ? (unsigned long long)basePrice : 0;
    if (type < 0 || type >= WAREN_TYPES) {
        std::printf("GetWarenPreis: Unbekannter Warentyp %d !\n", (int)type);
        return g ? (ULONG)g : 1;
    }
    const LONG *row = WarenWerte[type];
    // The weighted sum is 32-bit arithmetic that wraps, as the market rules expect.
    const LONG w = (LONG)((ULONG)tier * (ULONG)row[WW_TIER] + (ULONG)pflanze * (ULONG)row[WW_PFLANZE] +
                          2u * (ULONG)mineral * (ULONG)row[WW_MINERAL]);
    unsigned long long p;
    if (w < -90)
        p = g + (10 * g) / 100;
    else if (w <= 0)
        p = g + ((unsigned long long)(w + 100) * g) / 100;
    else if (w <= 90)
        p = ((unsigned long long)(100 - w) * g) / 100;
    else
        p = (10 * g) / 100;
    if (type >= 82 && type <= 97) {
        p /= 2;
        if (type == 90) p /= 4;
        if (type == 92) p /= 5;
    }
    if (p > 0xFFFFFFFFull) p = 0xFFFFFFFFull;
    return p ? (ULONG)p : 1;
}

namespace {

struct ComputerRace {
    const LocStr *string;  // entry of the game string table
    const char *builtin;   // the text when the table has none
};

// IDs -1 to -11 in order.
const ComputerRace computerRaces[] = {
    {&_VEK_UNBEKANNT, "unknown"}, {&_VEK_ORKS, "orcs"},       {&_VEK_KOBOLDE, "imps"},
    {&_VEK_GOBLINS, "goblins"},   {&_VEK_ELFEN, "elves"},     {&_VEK_ZWERGE, "dwarfes"},
    {&_VEK_HALBLINGE, "halflings"}, {&_VEK_GNOME, "gnomes"},  {&_VEK_DRACHEN, "Dragons"},
    {&_VEK_UNTOTE, "Undead"},     {&_VEK_PIRATEN, "Pirates"},
};

const char *GameString(const LocStr *string, const char *builtin)
{
    return string->Str ? string->Str : builtin;
}

}  // namespace

int GetComputerName(LONG id, char *name)
{
    if (id > -1 || id < -11 || !name) return 0;
    const ComputerRace &race = computerRaces[-id - 1];
    std::strncpy(name, GameString(race.string, race.builtin), 39);
    name[39] = 0;
    return 1;
}
