// The barracks' rules over the working state. Men move between the town's
// ArmeeVolk, the units set aside (NewArmy) and the armies' parts; weapons
// between the stock and the parts. Every move keeps those sums whole: what
// one pool loses another gains, or nothing changes.
#include "world/kaserne.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/catalog.h"
#include "platform/strings.h"
#include "platform/system.h"
#include "store/converters.h"
#include "store/figures.h"
#include "store/store.h"
#include "world/towns.h"

namespace {

ULONG Jetzt() { return (ULONG)std::time(nullptr); }

LONG Kappe(int64_t v)
{
    if (v < 0) return 0;
    return v > 0x7FFFFFFF ? 0x7FFFFFFF : (LONG)v;
}

ULONG Kappe32(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : (ULONG)v; }

LONG ArmeeVolk(const LokalDataKaserne *ld) { return ld->AktiveStadt ? Kappe(ld->AktiveStadt->ArmeeVolk) : 0; }

// Recruits the percentage allows, never below 0 nor above the town's pool.
void RekrutenNachProzent(LokalDataKaserne *ld)
{
    const int64_t r = (int64_t)(ld->Volk / 100) * ld->Prozent - ld->PeopleInArmy;
    ld->Rekruten = std::min(Kappe(r), ArmeeVolk(ld));
}

void Sold(LokalDataKaserne *ld) { ld->Sold = Kappe((int64_t)ld->PeopleInArmy * 25); }

void ArmeeVolkWeniger(LokalDataKaserne *ld, ULONG n)
{
    if (!ld->AktiveStadt) return;
    const ULONG v = ld->AktiveStadt->ArmeeVolk;
    ld->AktiveStadt->ArmeeVolk = v > n ? v - n : 0;
}

void ArmeeVolkMehr(LokalDataKaserne *ld, ULONG n)
{
    if (ld->AktiveStadt) ld->AktiveStadt->ArmeeVolk = Kappe32((uint64_t)ld->AktiveStadt->ArmeeVolk + n);
}

KaserneArmee *Gewaehlt(LokalDataKaserne *ld)
{
    if (ld->SelArmee < 0 || (size_t)ld->SelArmee >= ld->Armeen.size()) return nullptr;
    return &ld->Armeen[(size_t)ld->SelArmee];
}

bool ImTraining(const KaserneArmee &a) { return a.Kopf.TrainingsRunden != 0; }
bool AnBord(const KaserneArmee &a) { return CheckArmyKommando(a.Kopf) == KOMMANDO_AN_BORD; }

// Asks for a name until it is free; the name is cut to its 19 characters
// before the check, so a longer name cannot slip past an army it matches.
bool NameFragen(const LokalDataKaserne *ld, const KasernenFragen &f, const LocStr &prompt, const LocStr &info,
                char out[20])
{
    for (;;) {
        std::string name;
        if (!f.Name || !f.Name(prompt, info, name)) return false;
        char kurz[20] = {};
        std::strncpy(kurz, name.c_str(), KASERNE_NAME_MAX);
        bool frei = true;
        for (const KaserneArmee &a : ld->Armeen)
            if (strnlen(a.Kopf.Name, 20) == std::strlen(kurz) && std::memcmp(a.Kopf.Name, kurz, std::strlen(kurz)) == 0)
                frei = false;
        if (frei) {
            std::memcpy(out, kurz, 20);
            return true;
        }
        f.Message(_VEK_KASERNE_ARMYNAME);
    }
}

KaserneArmee NeueArmee(const Armee &vorbild, const char name[20])
{
    KaserneArmee a;
    a.Kopf = vorbild;
    a.Kopf.ArmeeID = 0;
    a.Kopf.TrainingsRunden = 0;
    a.Kopf.ArmeeTypAnzahl = 1;
    std::memcpy(a.Kopf.Name, name, 20);
    return a;
}

bool BeideSlots(ULONG id)
{
    const Waffen *w = WaffeVonId(id);
    return w && (w->Waffenart == 1 || w->Waffenart == 3 || (id >= 2 && id <= 5));
}

// A part's item slots by number (the records are packed: no references).
enum { S_W1, S_W2, S_RUE, S_SCH, S_HELM };
ULONG Slot(const ArmeeEntry &t, int s)
{
    switch (s) {
    case S_W1: return t.WaffeI;
    case S_W2: return t.WaffeII;
    case S_RUE: return t.Ruestung;
    case S_SCH: return t.Schild;
    default: return t.Helm;
    }
}
void SetSlot(ArmeeEntry &t, int s, ULONG v)
{
    switch (s) {
    case S_W1: t.WaffeI = v; break;
    case S_W2: t.WaffeII = v; break;
    case S_RUE: t.Ruestung = v; break;
    case S_SCH: t.Schild = v; break;
    default: t.Helm = v; break;
    }
}

bool IstHelm(ULONG id) { return id == 13 || id == 58 || id == 61 || id == 63 || id == 64 || id == 66 || id == 67 || id == 68; }
bool IstRuestung(ULONG id) { return (id >= 14 && id <= 20) || id == 65 || id == 69; }
bool IstSchild(ULONG id) { return (id >= 21 && id <= 24) || id == 59; }
bool NichtFuerKavallerie(ULONG id) { return id == 61 || id == 63 || id == 64 || id == 65 || id == 68 || id == 69; }

// The slots a part's items fill, in the order they are taken and returned.
std::vector<ULONG> Ausruestung(const ArmeeEntry &t, bool schildVorHelm)
{
    std::vector<ULONG> ids;
    if (t.WaffeI) ids.push_back(t.WaffeI);
    if (t.WaffeII && !(t.WaffeI && BeideSlots(t.WaffeI))) ids.push_back(t.WaffeII);
    if (schildVorHelm) {
        for (ULONG id : {t.Schild, t.Helm, t.Ruestung})
            if (id) ids.push_back(id);
    } else {
        for (ULONG id : {t.Ruestung, t.Schild, t.Helm})
            if (id) ids.push_back(id);
    }
    return ids;
}

void ItemsZurueck(LokalDataKaserne *ld, const ArmeeEntry &t)
{
    for (ULONG id : Ausruestung(t, false)) ArmyWeaponsAddWeapon2List(ld, id, t.Anzahl);
}

Waffen *WaffenRecord(LokalDataKaserne *ld, ULONG id, size_t *at = nullptr)
{
    for (size_t i = 0; i < ld->WaffenListe.size(); ++i)
        if (ld->WaffenListe[i].Id == id) {
            if (at) *at = i;
            return &ld->WaffenListe[i];
        }
    return nullptr;
}

st_WARE_EXT *LagerRecord(LokalDataKaserne *ld, ULONG warenTyp, size_t *at = nullptr)
{
    for (size_t i = 0; i < ld->WarenListe.size(); ++i)
        if (ld->WarenListe[i].Info == 5 && ld->WarenListe[i].WarenTyp == warenTyp) {
            if (at) *at = i;
            return &ld->WarenListe[i];
        }
    return nullptr;
}

}  // namespace

ULONG (*KaserneZeit)() = Jetzt;

// ---- recruiting ----

ULONG GetPeopleInArmy(const std::vector<KaserneArmee> &armeen)
{
    uint64_t n = 0;
    for (const KaserneArmee &a : armeen)
        for (const ArmeeEntry &t : a.Teile) n += t.Anzahl;
    return Kappe32(n);
}

int KaserneProzentDecke(const Stadt *town)
{
    if (SlotGebaut(town, KASERNE_SLOT_PROZENT20)) return 20;
    if (SlotGebaut(town, KASERNE_SLOT_PROZENT15)) return 15;
    return 10;
}

void KaserneRekrutenBerechnen(LokalDataKaserne *ld)
{
    ld->PeopleInArmy = 0;
    ld->Prozent = 0;
    if (!ld->Armeen.empty()) {
        ld->PeopleInArmy = Kappe(GetPeopleInArmy(ld->Armeen));
        // Without people there is no share to tell.
        if (ld->Volk) {
            const uint64_t p = (uint64_t)ld->PeopleInArmy * 100;
            ld->Prozent = Kappe(p / ld->Volk + (p % ld->Volk ? 1 : 0));
        }
    }
    Sold(ld);
    RekrutenNachProzent(ld);
}

void ArmyManagmentCalculations(LokalDataKaserne *ld, KaserneKnopf knopf, const KasernenFragen &f)
{
    switch (knopf) {
    case KASERNE_PROZENT_MEHR:
        if (ld->Prozent >= KaserneProzentDecke(ld->AktiveStadt)) break;
        if (ld->Prozent == 10) f.Message(_VEK_KASERNE_HEILIGERKRIEG);
        if ((int64_t)ArmeeVolk(ld) < (int64_t)ld->Rekruten + ld->Volk / 100 + ld->NewArmy) {
            f.Message(_VEK_KASERNE_NICHT_GENUG_ARMEEVOLK);
            ld->NewArmy = 0;
            ld->Rekruten = ArmeeVolk(ld);
        } else {
            ld->NewArmy = 0;
            ++ld->Prozent;
            RekrutenNachProzent(ld);
        }
        break;
    case KASERNE_PROZENT_WENIGER:
        if (ld->Prozent > 0 && (int64_t)(ld->Prozent - 1) * (ld->Volk / 100) >= ld->PeopleInArmy) {
            ld->NewArmy = 0;
            --ld->Prozent;
            RekrutenNachProzent(ld);
        }
        break;
    case KASERNE_EINHEITEN_MEHR:
        if (ld->Rekruten <= 0) break;
        if (ld->NewArmy == 0) {
            if (ld->Rekruten < KASERNE_MIN_EINHEIT) {
                f.Message(_VEK_KASERNE_50REKRUTEN);
            } else {
                ld->Rekruten -= KASERNE_MIN_EINHEIT;
                ld->NewArmy = KASERNE_MIN_EINHEIT;
            }
        } else {
            const LONG n = ld->Rekruten > 9 ? 10 : ld->Rekruten;
            ld->Rekruten -= n;
            ld->NewArmy += n;
        }
        break;
    case KASERNE_EINHEITEN_WENIGER:
        if (ld->NewArmy <= 0) break;
        if (ld->NewArmy >= 60) {
            ld->NewArmy -= 10;
            ld->Rekruten += 10;
        } else {
            ld->Rekruten += ld->NewArmy;
            ld->NewArmy = 0;
        }
        break;
    }
}

void ArmyManagmentInputBox(LokalDataKaserne *ld, const char *eingabe)
{
    ld->Rekruten += ld->NewArmy;
    ld->NewArmy = 0;
    int64_t v = 0;
    const char *p = eingabe ? eingabe : "";
    while (*p == ' ') ++p;
    for (; *p >= '0' && *p <= '9'; ++p) v = std::min<int64_t>(v * 10 + (*p - '0'), 0x7FFFFFFF);
    if (v < KASERNE_MIN_EINHEIT || ld->Rekruten < KASERNE_MIN_EINHEIT) v = 0;
    if (v > ld->Rekruten) v = ld->Rekruten;
    ld->Rekruten -= (LONG)v;
    ld->NewArmy = (LONG)v;
}

// ---- army operations ----

BOOL KaserneInDerStadt(const LokalDataKaserne *ld, const Armee &a)
{
    return ld->AktiveStadt && a.PosX == ld->AktiveStadt->XPos && a.PosY == ld->AktiveStadt->YPos;
}

std::vector<std::string> KaserneTeileZeilen(const KaserneArmee &a)
{
    std::vector<std::string> z;
    char line[80];
    for (size_t i = 0; i < a.Teile.size(); ++i) {
        std::snprintf(line, sizeof line, "%.19s  ( %zu )", a.Kopf.Name, i + 1);
        z.push_back(line);
    }
    return z;
}

BOOL ArmyManagmentCreateNewArmy(LokalDataKaserne *ld, const KasernenFragen &f)
{
    if (ld->NewArmy <= 0) {
        f.Message(_VEK_KASERNE_MOREVOLK);
        return 0;
    }
    if (!ld->AktiveStadt) return 0;
    char name[20];
    if (!NameFragen(ld, f, _VEK_KASERNE_INSERTNAMEOFARMY, _VEK_KASERNE_INSERTNAMEOFARMY_INFO, name)) return 0;
    Armee kopf = {};
    kopf.PosX = ld->AktiveStadt->XPos;
    kopf.PosY = ld->AktiveStadt->YPos;
    kopf.HerrscherID = PlayerInfo.SpielerID;
    kopf.Vertrauen = ld->Vertrauen;
    KaserneArmee a = NeueArmee(kopf, name);
    ArmeeEntry t = {};
    t.Typ = ld->ArmeeTyp;
    t.Anzahl = (ULONG)ld->NewArmy;
    a.Teile.push_back(t);
    ld->Armeen.push_back(a);
    ArmeeVolkWeniger(ld, (ULONG)ld->NewArmy);
    ld->PeopleInArmy = Kappe((int64_t)ld->PeopleInArmy + ld->NewArmy);
    ld->NewArmy = 0;
    Sold(ld);
    ld->SelArmee = (LONG)ld->Armeen.size() - 1;
    ld->SelTeil = -1;
    return 1;
}

BOOL ArmyManagmentInsertInArmy(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (ld->Armeen.empty()) f.Message(_VEK_KASERNE_YOUHAVENOARMY);
    else if (!a) f.Message(_VEK_KASERNE_CHOOSEARMY);
    else if (!KaserneInDerStadt(ld, a->Kopf)) f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
    else if (ImTraining(*a)) f.Message(_VEK_KASERNE_ARMYINTRAINING);
    else if (ld->NewArmy <= 0) f.Message(_VEK_KASERNE_NOTENOUGHREKRUTEN);
    else if (a->Teile.size() >= KASERNE_MAX_TEILE) f.Message(_VEK_KASERNE_ARMYTOLARGE);
    else {
        ArmeeEntry t = {};
        t.Typ = ld->ArmeeTyp;
        t.Anzahl = (ULONG)ld->NewArmy;
        a->Teile.push_back(t);
        a->Kopf.ArmeeTypAnzahl = (ULONG)a->Teile.size();
        // The army keeps its faith: blending in the newcomers' would take
        // the integer quotient A / (A + N) first, which leaves it as it is.
        ArmeeVolkWeniger(ld, (ULONG)ld->NewArmy);
        ld->PeopleInArmy = Kappe((int64_t)ld->PeopleInArmy + ld->NewArmy);
        ld->NewArmy = 0;
        Sold(ld);
        return 1;
    }
    return 0;
}

BOOL ArmyManagmentConnectTwoArmys(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (ld->Armeen.size() < 2) f.Message(_VEK_KASERNE_MINDESTENS2ARMEEN);
    else if (!a) f.Message(_VEK_KASERNE_CHOOSEARMY2);
    else if (!KaserneInDerStadt(ld, a->Kopf)) f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
    else if (ImTraining(*a)) f.Message(_VEK_KASERNE_ARMYINTRAINING);
    else {
        std::vector<std::string> namen;
        for (const KaserneArmee &x : ld->Armeen) namen.emplace_back(x.Kopf.Name, strnlen(x.Kopf.Name, 20));
        const LONG zweite = f.Zeile ? f.Zeile(namen) : -1;
        if (zweite < 0 || (size_t)zweite >= ld->Armeen.size()) return 0;
        KaserneArmee &b = ld->Armeen[(size_t)zweite];
        if (!KaserneInDerStadt(ld, b.Kopf)) f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
        else if (ImTraining(b)) f.Message(_VEK_KASERNE_ARMYINTRAINING);
        else if (zweite == ld->SelArmee) f.Message(_VEK_KASERNE_SAMEARMY);
        else if (AnBord(*a)) f.Message(_VEK_KASERNE_ARMYVERFRACHTET);
        else if (a->Teile.size() + b.Teile.size() > KASERNE_MAX_TEILE - 1) f.Message(_VEK_KASERNE_ARMYTOLARGE);
        else {
            char name[20];
            if (!NameFragen(ld, f, _VEK_KASERNE_INSERTNAMEOFARMY, _VEK_KASERNE_INSERTNAMEOFARMY_INFO2, name)) return 0;
            a->Teile.insert(a->Teile.end(), b.Teile.begin(), b.Teile.end());
            a->Kopf.ArmeeTypAnzahl = (ULONG)a->Teile.size();
            std::memcpy(a->Kopf.Name, name, 20);
            ld->Armeen.erase(ld->Armeen.begin() + zweite);
            if (zweite < ld->SelArmee) --ld->SelArmee;
            ld->SelTeil = -1;
            return 1;
        }
    }
    return 0;
}

BOOL ArmyManagmentSplitArmy(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (ld->Armeen.empty()) f.Message(_VEK_KASERNE_CANTSPLITARMY);
    else if (!a) f.Message(_VEK_KASERNE_CHOOSEARMY);
    else if (!KaserneInDerStadt(ld, a->Kopf)) f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
    else if (ImTraining(*a)) f.Message(_VEK_KASERNE_ARMYINTRAINING);
    else if (a->Teile.size() < 2) f.Message(_VEK_KASERNE_CANTSPLITARMY2);
    else {
        const LONG teil = f.Zeile ? f.Zeile(KaserneTeileZeilen(*a)) : -1;
        if (teil < 0 || (size_t)teil >= a->Teile.size()) return 0;
        if (!f.Confirm(_VEK_KASERNE_AREYOUSURETOSPLIT)) return 0;
        char name[20];
        if (!NameFragen(ld, f, _VEK_KASERNE_INSERTNAMEOFARMY, _VEK_KASERNE_INSERTNAMEOFARMY_INFO, name)) return 0;
        KaserneArmee neu = NeueArmee(a->Kopf, name);
        neu.Teile.push_back(a->Teile[(size_t)teil]);
        a->Teile.erase(a->Teile.begin() + teil);
        a->Kopf.ArmeeTypAnzahl = (ULONG)a->Teile.size();
        ld->Armeen.push_back(neu);
        return 1;
    }
    return 0;
}

BOOL ArmyManagmentDeleteArmy(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (ld->Armeen.empty()) f.Message(_VEK_KASERNE_COUDNOTDELETE);
    else if (!a) f.Message(_VEK_KASERNE_CHOOSEARMY3);
    else if (!KaserneInDerStadt(ld, a->Kopf)) f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
    else if (AnBord(*a)) f.Message(_VEK_KASERNE_ARMYVERFRACHTET);
    else if (f.Confirm(_VEK_KASERNE_AREYOUSURETODELETE)) {
        for (const ArmeeEntry &t : a->Teile) {
            ld->Rekruten = Kappe((int64_t)ld->Rekruten + t.Anzahl);
            ArmeeVolkMehr(ld, t.Anzahl);
            ld->PeopleInArmy = Kappe((int64_t)ld->PeopleInArmy - t.Anzahl);
            ItemsZurueck(ld, t);
        }
        Sold(ld);
        ld->Armeen.erase(ld->Armeen.begin() + ld->SelArmee);
        if ((size_t)ld->SelArmee >= ld->Armeen.size()) ld->SelArmee = -1;
        ld->SelTeil = -1;
        return 1;
    }
    return 0;
}

BOOL ArmyManagmentRaiseUpArmy(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (ld->Armeen.empty()) f.Message(_VEK_KASERNE_AUFSTOCKENGEHTNICHT);
    else if (!a) f.Message(_VEK_KASERNE_CHOOSEARMY4);
    else if (!KaserneInDerStadt(ld, a->Kopf)) f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
    else if (AnBord(*a)) f.Message(_VEK_KASERNE_ARMYVERFRACHTET);
    else if (ImTraining(*a)) f.Message(_VEK_KASERNE_ARMYINTRAINING);
    else if (ld->NewArmy <= 0) f.Message(_VEK_KASERNE_MOREVOLK2);
    else {
        f.Message(_VEK_KASERNE_BESTANDTEILE);
        const LONG n = f.Zeile ? f.Zeile(KaserneTeileZeilen(*a)) : -1;
        if (n < 0 || (size_t)n >= a->Teile.size()) return 0;
        ArmeeEntry &t = a->Teile[(size_t)n];
        if (t.Typ != ld->ArmeeTyp) {
            f.Message(_VEK_KASERNE_OTHERARMYTYP);
            return 0;
        }
        const ULONG neu = (ULONG)ld->NewArmy;
        // Every slot is checked before any piece is taken (two slots of one
        // item need both their shares), so a shortage takes nothing.
        std::vector<std::pair<ULONG, uint64_t>> bedarf;
        for (ULONG id : Ausruestung(t, false)) {
            auto it = std::find_if(bedarf.begin(), bedarf.end(), [id](auto &p) { return p.first == id; });
            if (it == bedarf.end()) bedarf.push_back({id, KaserneStueckFuer(id, neu)});
            else it->second += KaserneStueckFuer(id, neu);
        }
        for (auto &[id, stueck] : bedarf) {
            const Waffen *w = WaffenRecord(ld, id);
            const Waffen *row = WaffeVonId(id);
            if (!w || w->Anzahl < stueck || !row || !LagerRecord(ld, row->WarenStringID)) {
                f.Message(_VEK_KASERNE_NOTENOUGHWEAPONS);
                return 0;
            }
        }
        for (auto &[id, stueck] : bedarf) ArmyManagmentSubWeaponFromList(ld, id, (ULONG)stueck);
        a->Kopf.Vertrauen = ld->Vertrauen;
        const uint64_t alt = t.Anzahl;
        t.Erfahrung = (ULONG)(alt * t.Erfahrung / (alt + neu));
        t.Erschoepfung = (ULONG)(alt * t.Erschoepfung / (alt + neu));
        t.Anzahl = Kappe32(alt + neu);
        ArmeeVolkWeniger(ld, neu);
        ld->PeopleInArmy = Kappe((int64_t)ld->PeopleInArmy + neu);
        ld->NewArmy = 0;
        Sold(ld);
        return 1;
    }
    return 0;
}

BOOL ArmyManagmentRenameArmy(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (ld->Armeen.empty()) f.Message(_VEK_KASERNE_CANTRENAME);
    else if (!a) f.Message(_VEK_KASERNE_CHOOSEARMY4);
    else if (!KaserneInDerStadt(ld, a->Kopf)) f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
    else {
        char name[20];
        if (!NameFragen(ld, f, _VEK_KASERNE_GIVENEWNAME, _VEK_KASERNE_GIVENEWNAME_INFO, name)) return 0;
        std::memcpy(a->Kopf.Name, name, 20);
        return 1;
    }
    return 0;
}

// ---- training ----

void KaserneTrainingAuswahl(LokalDataKaserne *ld, LONG armee, LONG teil)
{
    ld->SelArmee = armee;
    ld->SelTeil = teil;
    ld->TrainingRunden = 0;
    ld->TrainingKosten = 0;
}

void ArmyTrainingCalculations(LokalDataKaserne *ld, BOOL mehr, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (!a) {
        f.Message(_VEK_KASREQ2_TRAININGTEXT1);
        return;
    }
    if (!KaserneInDerStadt(ld, a->Kopf)) {
        f.Message(_VEK_KASERNE_ARMYNOTINTOWN);
        return;
    }
    if (mehr && ld->TrainingRunden < KASERNE_MAX_RUNDEN) ++ld->TrainingRunden;
    if (!mehr && ld->TrainingRunden > 0) --ld->TrainingRunden;
    uint64_t maenner = 0;
    if (ld->SelTeil >= 0 && (size_t)ld->SelTeil < a->Teile.size())
        maenner = a->Teile[(size_t)ld->SelTeil].Anzahl;
    else
        for (const ArmeeEntry &t : a->Teile) maenner += t.Anzahl;
    ld->TrainingKosten = Kappe32(ld->TrainingRunden * 10ull * maenner);
}

BOOL ArmyTrainingActivate(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    BOOL ok = 0;
    if (ld->Armeen.empty()) f.Message(_VEK_KASERNE_HAVENOARMY);
    else if (!a) f.Message(_VEK_KASREQ2_TRAININGTEXT1);
    else if (ld->TrainingRunden == 0) f.Message(_VEK_KASREQ2_TRAININGTEXT2);
    else if (ImTraining(*a)) f.Message(_VEK_KASREQ2_TRAININGTEXT3);
    else if (ld->SelTeil < 0 || a->Teile.size() < 2) {
        a->Kopf.TrainingsRunden = ld->TrainingRunden;
        ok = 1;
    } else if ((size_t)ld->SelTeil < a->Teile.size() && f.Confirm(_VEK_KASREQ2_TRAININGTEXT4)) {
        char name[20];
        if (NameFragen(ld, f, _VEK_KASERNE_INSERTNAMEOFARMY, _VEK_KASERNE_INSERTNAMEOFARMY_INFO, name)) {
            KaserneArmee neu = NeueArmee(a->Kopf, name);
            neu.Kopf.TrainingsRunden = ld->TrainingRunden;
            neu.Teile.push_back(a->Teile[(size_t)ld->SelTeil]);
            a->Teile.erase(a->Teile.begin() + ld->SelTeil);
            a->Kopf.ArmeeTypAnzahl = (ULONG)a->Teile.size();
            ld->Armeen.push_back(neu);
            ld->SelArmee = -1;
            ld->SelTeil = -1;
            ok = 1;
        }
    }
    if (ok) {
        ld->TrainingRunden = 0;
        ld->TrainingKosten = 0;
    }
    return ok;
}

BOOL ArmyTrainingStop(LokalDataKaserne *ld)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (!a) return 0;
    a->Kopf.TrainingsRunden = 0;
    ld->TrainingRunden = 0;
    ld->TrainingKosten = 0;
    return 1;
}

// ---- equipment ----

const Waffen *WaffeVonId(ULONG id) { return id >= 1 && id <= WAFFEN_ANZAHL ? &WaffenData[id - 1] : nullptr; }

void ArmyWeaponsRuestungsklasse(ArmeeEntry *t)
{
    ULONG basis = 0, helm = 0, schild = 0;
    switch (t->Ruestung) {
    case 15: basis = 1; break;
    case 14: basis = 2; break;
    case 16: basis = 3; break;
    case 17: basis = 4; break;
    case 18: basis = 5; break;
    case 19: basis = 6; break;
    case 20: basis = 7; break;
    case 65: case 69: basis = 8; break;
    default: break;
    }
    switch (t->Helm) {
    case 13: helm = 1; break;
    case 58: case 61: case 63: case 67: helm = 2; break;
    case 64: case 66: case 68: helm = 3; break;
    default: break;
    }
    switch (t->Schild) {
    case 21: schild = 1; break;
    case 22: schild = 2; break;
    case 23: case 59: schild = 3; break;
    case 24: schild = 4; break;
    default: break;
    }
    t->RuestungsKlasse = basis + helm + schild;
}

ULONG KaserneStueckFuer(ULONG id, ULONG m)
{
    if (id >= 9 && id <= 12) return m / (id - 7);
    return m;
}

BOOL ArmyManagmentSubWeaponFromList(LokalDataKaserne *ld, ULONG id, ULONG stueck)
{
    size_t wi = 0, li = 0;
    Waffen *w = WaffenRecord(ld, id, &wi);
    const Waffen *row = WaffeVonId(id);
    if (!w || w->Anzahl < stueck || !row) return 0;
    st_WARE_EXT *lager = LagerRecord(ld, row->WarenStringID, &li);
    if (!lager || lager->WarenAnzahl < stueck) {
        std::printf("ArmyManagmentSubWeaponFromList: Fataler Fehler ! Konnte WarenNode nicht finden !\n");
        return 0;
    }
    w->Anzahl -= stueck;
    lager->WarenAnzahl -= stueck;
    if (w->Anzahl == 0) {
        ld->WaffenListe.erase(ld->WaffenListe.begin() + (ptrdiff_t)wi);
        if (ld->SelWaffe == (LONG)wi) ld->SelWaffe = -1;
        else if (ld->SelWaffe > (LONG)wi) --ld->SelWaffe;
    }
    if (lager->WarenAnzahl == 0) ld->WarenListe.erase(ld->WarenListe.begin() + (ptrdiff_t)li);
    return 1;
}

BOOL ArmyWeaponsAddWeapon2List(LokalDataKaserne *ld, ULONG id, ULONG m)
{
    const Waffen *row = WaffeVonId(id);
    if (!row) {
        std::printf("ArmyWeaponsAddWeapon2List: Unbekannte Waffe %u !\n", id);
        return 0;
    }
    const ULONG stueck = KaserneStueckFuer(id, m);
    if (stueck == 0) return 1;
    if (Waffen *w = WaffenRecord(ld, id)) {
        w->Anzahl = Kappe32((uint64_t)w->Anzahl + stueck);
    } else {
        Waffen neu = *row;
        neu.Anzahl = stueck;
        ld->WaffenListe.push_back(neu);
    }
    // Only the stock reaches the disk: without its record the pieces
    // would be lost, so one is made.
    if (st_WARE_EXT *lager = LagerRecord(ld, row->WarenStringID)) {
        lager->WarenAnzahl = Kappe32((uint64_t)lager->WarenAnzahl + stueck);
    } else {
        st_WARE_EXT neu = {};
        neu.Info = 5;
        neu.Herkunft = PlayerInfo.SpielerID;
        neu.WarenTyp = row->WarenStringID;
        neu.WarenAnzahl = stueck;
        neu.DateInSec = KaserneZeit();
        ld->WarenListe.push_back(neu);
    }
    return 1;
}

BOOL ArmyWeaponsInsertInArmy(LokalDataKaserne *ld, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    const bool waffe = ld->SelWaffe >= 0 && (size_t)ld->SelWaffe < ld->WaffenListe.size();
    if (ld->WaffenListe.empty()) return f.Message(_VEK_KASERNE_CANTINSERTWEAPON), 0;
    if (ld->Armeen.empty()) return f.Message(_VEK_KASERNE_HAVENOARMY), 0;
    if (!waffe) return f.Message(_VEK_KASERNE_CHOOSEWEAPON), 0;
    if (!a) return f.Message(_VEK_KASERNE_CHOOSEWEAPONFORARMY), 0;
    if (!KaserneInDerStadt(ld, a->Kopf)) return f.Message(_VEK_KASERNE_ARMYNOTINTOWN), 0;
    if (AnBord(*a)) return f.Message(_VEK_KASERNE_ARMYVERFRACHTET), 0;
    if (ld->SelTeil < 0 || (size_t)ld->SelTeil >= a->Teile.size()) return f.Message(_VEK_KASERNE_WEAPONFORPARTS), 0;
    const Waffen w = ld->WaffenListe[(size_t)ld->SelWaffe];
    ArmeeEntry &t = a->Teile[(size_t)ld->SelTeil];
    const ULONG id = w.Id, m = t.Anzahl;
    const uint64_t dient = (uint64_t)w.Anzahl * (id >= 9 && id <= 12 ? id - 7 : 1);
    if (dient < m) return f.Message(_VEK_KASERNE_NOTENOUGHWEAPONFORPARTS), 0;

    const LocStr *nein = nullptr;
    int slot = -1;          // the slot the pieces are taken for
    switch (w.Waffenart) {
    case 0:
        if (t.Typ == KASERNE_ARTILLERIE) nein = &_VEK_KASERNE_ARTILLERIENOWEAPONS;
        else if (t.Typ == KASERNE_INFANTERIE && id >= 49 && id <= 51) nein = &_VEK_KASERNE_NOLANZENFORINFANTRIE;
        else if (t.Typ != KASERNE_INFANTERIE && t.Typ != KASERNE_KAVALLERIE) nein = &_VEK_KASERNE_ONLYINFANTRIE;
        else if (!t.WaffeI) slot = S_W1;
        else if (!t.WaffeII) slot = S_W2;
        else nein = &_VEK_KASERNE_NOMOREWEAPONFORPARTS;
        if (slot >= 0) SetSlot(t, slot, id);
        break;
    case 1:
        if (t.Typ != KASERNE_INFANTERIE) nein = &_VEK_KASERNE_ONLYINFANTRIE;
        else if (t.WaffeI || t.WaffeII) nein = &_VEK_KASERNE_NOZWEIHAENDER;
        else t.WaffeI = t.WaffeII = id, slot = S_W1;
        break;
    case 2:
        if (t.Typ != KASERNE_INFANTERIE && t.Typ != KASERNE_KAVALLERIE) nein = &_VEK_KASERNE_ONLYINFANTRIE;
        else if (id >= 2 && id <= 5) {
            if (t.Typ == KASERNE_KAVALLERIE && id != 3) nein = &_VEK_KASERNE_ONLYINFANTRIE;
            else if (t.WaffeI || t.WaffeII) nein = &_VEK_KASERNE_NOZWEIHAENDER;
            else t.WaffeI = t.WaffeII = id, slot = S_W1;
        } else if (!t.WaffeI) t.WaffeI = id, slot = S_W1;
        else if (!t.WaffeII) t.WaffeII = id, slot = S_W2;
        else nein = &_VEK_KASERNE_NOMOREWEAPONFORPARTS;
        break;
    case 3:
        if (t.Typ != KASERNE_ARTILLERIE) nein = &_VEK_KASERNE_ONLYBELAGERUNGFORARTILLERIE;
        else if (t.WaffeI || t.WaffeII) nein = &_VEK_KASERNE_NOMOREBELAGERUNGFORPARTS;
        else t.WaffeI = t.WaffeII = id, slot = S_W1;
        break;
    case 4:
        if (t.Typ == KASERNE_ARTILLERIE) nein = &_VEK_KASERNE_NORUESTUNGFORARTILLERIE;
        else if (t.Typ == KASERNE_KAVALLERIE && NichtFuerKavallerie(id)) nein = &_VEK_KASERNE_ONLYINFANTRIE;
        else if (t.Typ != KASERNE_INFANTERIE && t.Typ != KASERNE_KAVALLERIE) nein = &_VEK_KASERNE_ONLYINFANTRIE;
        else if (IstHelm(id) && !t.Helm) t.Helm = id, slot = S_HELM;
        else if (IstRuestung(id) && !t.Ruestung) t.Ruestung = id, slot = S_RUE;
        else if (IstSchild(id) && !t.Schild) t.Schild = id, slot = S_SCH;
        ArmyWeaponsRuestungsklasse(&t);
        break;
    default: break;
    }
    if (nein) {
        f.Message(*nein);
        return 0;
    }
    if (slot < 0) return 0;
    if (!ArmyManagmentSubWeaponFromList(ld, id, KaserneStueckFuer(id, m))) {
        std::printf("ArmyWeaponsInsertInArmy : Konnte Waffen oder Waren nicht subtrahieren...\n");
        // The part does not keep what the stock could not give.
        if (slot == S_W1 && BeideSlots(id)) t.WaffeII = 0;
        SetSlot(t, slot, 0);
        ArmyWeaponsRuestungsklasse(&t);
        return 0;
    }
    return 1;
}

BOOL ArmyWeaponsRemoveFromArmy(LokalDataKaserne *ld, ULONG attribut, BOOL zeigtTeil, const KasernenFragen &f)
{
    KaserneArmee *a = Gewaehlt(ld);
    if (ld->Armeen.empty()) return f.Message(_VEK_KASERNE_HAVENOARMY), 0;
    if (!a) return f.Message(_VEK_KASERNE_CHOOSEWEAPONFORARMY), 0;
    if (!KaserneInDerStadt(ld, a->Kopf)) return f.Message(_VEK_KASERNE_ARMYNOTINTOWN), 0;
    if (ld->SelTeil < 0 || (size_t)ld->SelTeil >= a->Teile.size()) return f.Message(_VEK_KASERNE_WEAPONFORPARTS), 0;
    // The box shows a weapon: its counter names no slot of the part.
    if (!zeigtTeil) return f.Message(_VEK_KASERNE_CHOOSEWEAPON1OR2), 0;
    ArmeeEntry &t = a->Teile[(size_t)ld->SelTeil];
    auto weg = [&](int s) {
        const ULONG id = Slot(t, s);
        if (!id) return;
        if ((s == S_W1 || s == S_W2) && BeideSlots(id)) t.WaffeI = t.WaffeII = 0;
        else SetSlot(t, s, 0);
        ArmyWeaponsAddWeapon2List(ld, id, t.Anzahl);
    };
    BOOL ok = 1;
    switch (attribut) {
    case 1:
        if (!f.Confirm(_VEK_KASERNE_RUESTUNGENTFERNEN)) return 0;
        for (int s : {S_W1, S_W2, S_SCH, S_HELM, S_RUE}) weg(s);
        break;
    case 2:
        if (!t.WaffeI) f.Message(_VEK_KASERNE_THISPARTHASNOWEAPON), ok = 0;
        else weg(S_W1);
        break;
    case 3:
        if (!t.WaffeII) f.Message(_VEK_KASERNE_THISPARTHASNOWEAPON2), ok = 0;
        else weg(S_W2);
        break;
    case 4: weg(S_SCH); break;
    case 5: weg(S_HELM); break;
    case 6: weg(S_RUE); break;
    case 7:
    case 8: f.Message(_VEK_KASERNE_CHOOSEWEAPON1OR2), ok = 0; break;
    default: ok = 0; break;
    }
    ArmyWeaponsRuestungsklasse(&t);
    return ok;
}

LONG CheckArmyKommando(const Armee &a)
{
    auto *move = (st_MOVE *)LoadChunk2Mem(ID_MOVE, MAPPREFS_FILE);
    if (!move) {
        std::printf("WriteKasernenData: Konnte MOVE-Chunk nicht in Speicher laden!\n");
        return -1;
    }
    const ULONG n = GetChunkEntryCount(move);
    const auto *r = (const st_MOVE_EXT *)((const UBYTE *)move + sizeof(st_MOVE));
    LONG k = 0;
    for (ULONG i = 0; i < n; ++i) {
        const st_MOVE_EXT fig = r[i];
        if (fig.X_Pos == a.PosX && fig.Y_Pos == a.PosY && fig.FigurNummer == a.ArmeeID) {
            k = fig.Kommando;
            break;
        }
    }
    FreeVec(move);
    return k;
}
