// The barracks: the working state of one visit and every rule that turns the
// town's recruits into armies and keeps them in order before the turn is
// sent (recruiting, founding, subjoin, join, split, disband, raise up,
// rename, training, equipping), plus the reading of armies, stock and town
// and the one journalled writing of figures, orders pool, stock and town.
// No pixels here: whatever a rule asks the player goes through KasernenFragen.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>
#include "platform/types.h"
#include "store/chunks.h"
#include "store/converters.h"
#include "world/towns.h"

struct LocStr;
struct Stadt;

constexpr ULONG KASERNE_ARTILLERIE = 1, KASERNE_INFANTERIE = 2, KASERNE_KAVALLERIE = 3;
constexpr ULONG KASERNE_MAX_TEILE = 35;      // a subjoin stops here; a join at 34
constexpr ULONG KASERNE_NAME_MAX = 19;       // characters of an army's name
constexpr LONG KASERNE_MIN_EINHEIT = 50;     // units are 0 or at least this
constexpr int KASERNE_SLOT_PROZENT20 = 163, KASERNE_SLOT_PROZENT15 = 96;
constexpr int KASERNE_SLOT_ARTILLERIE = 57, KASERNE_SLOT_KAVALLERIE = 27, KASERNE_SLOT_TRAINING = 48;
constexpr UBYTE KASERNE_MAX_RUNDEN = 10;

// One army with its parts, as the chunk holds them.
struct KaserneArmee {
    Armee Kopf;
    std::vector<ArmeeEntry> Teile;
};

// The working state of one visit.
struct LokalDataKaserne {
    ULONG Volk = 0;              // AnzVolk of the received LAND chunk
    ULONG Vertrauen = 0;         // the people's faith
    LONG Rekruten = 0;
    LONG NewArmy = 0;            // units set aside
    LONG PeopleInArmy = 0;
    LONG Prozent = 0;
    LONG Sold = 0;
    UBYTE TrainingRunden = 0;
    ULONG TrainingKosten = 0;
    ULONG ArmeeTyp = KASERNE_INFANTERIE;
    std::vector<KaserneArmee> Armeen;
    std::vector<Waffen> WaffenListe;       // derived from the own stock of weapon wares
    std::vector<st_WARE_EXT> WarenListe;   // the stock file's records
    Stadt *AktiveStadt = nullptr;          // owned (FreeVec)
    LONG SelArmee = -1;                    // index into Armeen, -1 none
    LONG SelTeil = -1;                     // part index of SelArmee, -1 the whole army
    LONG SelWaffe = -1;                    // index into WaffenListe
    // An ARMY chunk or a stock file that is there but cannot be read must
    // not be overwritten by an Ok: the armies (with their figures) or the
    // stock would be lost.
    BOOL ArmeenNurLesen = 0;
    BOOL WarenNurLesen = 0;
    // Kept when a requester opens; Exit puts them back.
    ULONG MerkArmeeVolk = 0;
    std::vector<Waffen> MerkWaffen;
    std::vector<st_WARE_EXT> MerkWaren;
};

// What a rule asks the player. The screen gives the advisor's boxes and its
// list requester; tests give recorders.
struct KasernenFragen {
    std::function<void(const LocStr &)> Message;        // advisor box, Ok only
    std::function<BOOL(const LocStr &)> Confirm;        // 1 Ok, 0 Cancel
    // The name typed into the input box; 0 when cancelled.
    std::function<BOOL(const LocStr &prompt, const LocStr &info, std::string &name)> Name;
    // The line the player clicks in the army list showing these lines; -1 on Escape.
    std::function<LONG(const std::vector<std::string> &lines)> Zeile;
};

// ---- recruiting figures ----
ULONG GetPeopleInArmy(const std::vector<KaserneArmee> &armeen);   // saturated
// PeopleInArmy, Prozent, Sold and Rekruten as a requester opens them.
void KaserneRekrutenBerechnen(LokalDataKaserne *ld);
int KaserneProzentDecke(const Stadt *town);                       // 10, 15 or 20

enum KaserneKnopf { KASERNE_PROZENT_WENIGER, KASERNE_PROZENT_MEHR, KASERNE_EINHEITEN_WENIGER, KASERNE_EINHEITEN_MEHR };
void ArmyManagmentCalculations(LokalDataKaserne *ld, KaserneKnopf knopf, const KasernenFragen &f);
// The typed units: decimal, saturated, a sign or junk reads as 0.
void ArmyManagmentInputBox(LokalDataKaserne *ld, const char *eingabe);

// ---- army operations: 1 when the state changed ----
BOOL ArmyManagmentCreateNewArmy(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL ArmyManagmentInsertInArmy(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL ArmyManagmentConnectTwoArmys(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL ArmyManagmentSplitArmy(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL ArmyManagmentDeleteArmy(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL ArmyManagmentRaiseUpArmy(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL ArmyManagmentRenameArmy(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL KaserneInDerStadt(const LokalDataKaserne *ld, const Armee &a);
// The lines an army's parts are picked from: "<name>  ( n )".
std::vector<std::string> KaserneTeileZeilen(const KaserneArmee &a);

// ---- training ----
void ArmyTrainingCalculations(LokalDataKaserne *ld, BOOL mehr, const KasernenFragen &f);
BOOL ArmyTrainingActivate(LokalDataKaserne *ld, const KasernenFragen &f);
BOOL ArmyTrainingStop(LokalDataKaserne *ld);
// A new line of the army-and-parts list is selected: turns and cost go to 0.
void KaserneTrainingAuswahl(LokalDataKaserne *ld, LONG armee, LONG teil);

// ---- equipment ----
const Waffen *WaffeVonId(ULONG id);          // the table row, null outside 1..70
void ArmyWeaponsRuestungsklasse(ArmeeEntry *teil);
ULONG KaserneStueckFuer(ULONG id, ULONG maenner);   // pieces m men need of item id
// Takes pieces of item id from both lists; 0 (lists unchanged) on a shortage.
BOOL ArmyManagmentSubWeaponFromList(LokalDataKaserne *ld, ULONG id, ULONG stueck);
// Returns the pieces m men carry of item id to both lists.
BOOL ArmyWeaponsAddWeapon2List(LokalDataKaserne *ld, ULONG id, ULONG maenner);
BOOL ArmyWeaponsInsertInArmy(LokalDataKaserne *ld, const KasernenFragen &f);
// Attribute shown in the weapons requester's box (0 experience, 1 men, 2
// WaffeI, 3 WaffeII, 4 Schild, 5 Helm, 6 Ruestung, 7 type, 8 exhaustion);
// zeigtTeil 0 when the box shows a weapon.
BOOL ArmyWeaponsRemoveFromArmy(LokalDataKaserne *ld, ULONG attribut, BOOL zeigtTeil, const KasernenFragen &f);

// Kommando of the army's figure in the figure file; 0 none, -1 unreadable.
LONG CheckArmyKommando(const Armee &a);
extern ULONG (*KaserneZeit)();   // seconds for a new stock record (time() by default)

// ---- files ----
// Volk and Vertrauen from the received LAND chunk, the stock with its
// weapons, the active town. 0 when the town cannot be loaded.
BOOL InitKasernenData(LokalDataKaserne *ld);
// Reads the stock file into both lists (missing: empty; unreadable: empty
// and read-only). 1 unless unreadable.
BOOL KaserneLadeWaren(LokalDataKaserne *ld);
// The armies of the orders pool, sorted (in the town first, then by name),
// and the recruiting figures; with NewWaren the stock again. 0 without a town.
BOOL ReadKasernenData(LokalDataKaserne *ld, BOOL NewWaren);
void sortArmyList(LokalDataKaserne *ld);
// Keeps ArmeeVolk and the stock lists for KaserneExit; NewArmy to 0.
void KaserneOeffnen(LokalDataKaserne *ld);
void KaserneExit(LokalDataKaserne *ld);
// Figures, ARMY, stock and town as one change (all or nothing). 1 or 0.
BOOL WriteKasernenData(LokalDataKaserne *ld);
void FreeKasernenData(LokalDataKaserne *ld);

// ---- the information panel (10 + 13 lines per part, each at most 79 characters) ----
std::vector<std::string> KaserneArmeePanel(const KaserneArmee &a);
std::vector<std::string> KaserneTeilZeilen(const KaserneArmee &a, size_t n);  // the 13 lines of part n
std::string KaserneKeineInfo();
const char *KaserneTypName(ULONG typ);                 // "not implemented" outside 1..3
const char *KaserneWarenName(ULONG id);                // the item's ware name, "" for none
