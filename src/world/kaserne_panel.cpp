// The text of the barracks' information panel: an army's head and, per
// part, its thirteen lines. Every line fits the requesters' 80-byte lines.
#include <cstdio>

#include "platform/catalog.h"
#include "platform/strings.h"
#include "store/converters.h"
#include "world/kaserne.h"

namespace {

template <class... A> std::string Zeile(const char *fmt, A... a)
{
    char line[80];
    std::snprintf(line, sizeof line, fmt, a...);
    return line;
}

}  // namespace

const char *KaserneTypName(ULONG typ)
{
    switch (typ) {
    case KASERNE_ARTILLERIE: return GetString(&_VEK_KASERNE_ARTILLERIE);
    case KASERNE_INFANTERIE: return GetString(&_VEK_KASERNE_INFANTRIE);
    case KASERNE_KAVALLERIE: return GetString(&_VEK_KASERNE_KAVALLERIE);
    default: return GetString(&_VEK_KASERNE_NOTIMPLEMENTED);
    }
}

const char *KaserneWarenName(ULONG id)
{
    const Waffen *w = WaffeVonId(id);
    if (!w || w->WarenStringID >= (ULONG)WAREN_COUNT) return "";
    return GetString(Waren[w->WarenStringID]);
}

std::string KaserneKeineInfo() { return Zeile("           %s    ", GetString(&_VEK_KASERNE_NOINFORMATION)); }

std::vector<std::string> KaserneTeilZeilen(const KaserneArmee &a, size_t n)
{
    std::vector<std::string> z;
    if (n >= a.Teile.size()) return z;
    const ArmeeEntry t = a.Teile[n];
    const char *keine = GetString(&_VEK_KASERNE_KEINE), *nein = GetString(&_VEK_KASERNE_NEIN);
    auto name = [&](ULONG id, const char *leer) { return id ? KaserneWarenName(id) : leer; };
    const Waffen *w1 = WaffeVonId(t.WaffeI);
    const bool ditto = t.WaffeII && t.WaffeII == t.WaffeI && w1 && w1->Waffenart == 1;
    z.push_back(Zeile("    %.19s   (%lu)", a.Kopf.Name, (unsigned long)n + 1));
    z.push_back("---------------------");
    z.push_back(Zeile("%s: %s", GetString(&_VEK_KASERNE_TYP), KaserneTypName(t.Typ)));
    z.push_back(Zeile("%s: %lu", GetString(&_VEK_KASERNE_ERFAHRUNG), (unsigned long)t.Erfahrung));
    z.push_back(Zeile("%s: %s", GetString(&_VEK_KASERNE_WAFFEI), name(t.WaffeI, keine)));
    z.push_back(Zeile("%s: %s", GetString(&_VEK_KASERNE_WAFFEII), ditto ? "  \"\"" : name(t.WaffeII, keine)));
    z.push_back(Zeile("%s: %s", GetString(&_VEK_KASERNE_RUESTUNG), name(t.Ruestung, keine)));
    z.push_back(Zeile("%s: %s", GetString(&_VEK_KASERNE_SCHILD), name(t.Schild, nein)));
    z.push_back(Zeile("%s: %s", GetString(&_VEK_KASERNE_HELM), t.Helm ? GetString(&_VEK_KASERNE_JA) : nein));
    z.push_back(Zeile("%s: %lu", GetString(&_VEK_KASERNE_ERSCHOEPFUNG), (unsigned long)t.Erschoepfung));
    z.push_back(Zeile("%s : %lu", GetString(&_VEK_KASERNE_RUESTUNGSKLASSE), (unsigned long)t.RuestungsKlasse));
    z.push_back(Zeile("%s: %lu", GetString(&_VEK_KASERNE_LEUTE), (unsigned long)t.Anzahl));
    z.push_back("");
    return z;
}

std::vector<std::string> KaserneArmeePanel(const KaserneArmee &a)
{
    std::vector<std::string> z;
    z.reserve(10 + 13 * a.Teile.size());
    const Armee k = a.Kopf;
    z.push_back(Zeile("       -> %s <-   ", GetString(&_VEK_KASREQ2_STAT_INFO)));
    z.push_back("");
    z.push_back(Zeile("         %.19s", k.Name));
    z.push_back("---------------------");
    z.push_back(Zeile("%s %s :%lu", GetString(&_VEK_KARTE_XPOS), GetString(&_VEK_KASERNE_IMREICH), (unsigned long)k.PosX));
    z.push_back(Zeile("%s %s :%lu", GetString(&_VEK_KARTE_YPOS), GetString(&_VEK_KASERNE_IMREICH), (unsigned long)k.PosY));
    z.push_back(Zeile("%s :%lu", GetString(&_VEK_KASERNE_VERHALTEN), (unsigned long)k.Verhalten));
    z.push_back(Zeile("%s :%lu", GetString(&_VEK_KASERNE_VERTRAUEN), (unsigned long)k.Vertrauen));
    z.push_back(Zeile("%s :%lu", GetString(&_VEK_KASERNE_ARMEETEILE), (unsigned long)a.Teile.size()));
    z.push_back("");
    for (size_t n = 0; n < a.Teile.size(); ++n) {
        std::vector<std::string> t = KaserneTeilZeilen(a, n);
        z.insert(z.end(), t.begin(), t.end());
    }
    return z;
}
