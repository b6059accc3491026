// Byte-order conversion of every chunk layout. Each record is described once
// by a table of its fields (store/fieldorder.h); one walker converts any
// record by its table.
#include <cstdio>

#include "store/chunks_local.h"
#include "store/fieldorder.h"
#include "store/store.h"

namespace chunkio {
namespace {

using fieldorder::Covers;
using fieldorder::Field;
using fieldorder::Record;

constexpr Field kHeadFields[] = {F_32(st_ChunkHead, ChunkID), F_32(st_ChunkHead, Version), F_32(st_ChunkHead, Length)};
constexpr Record kHead = RECORD(kHeadFields, st_ChunkHead, 0);

constexpr Field kInitFields[] = {
    F_BYTES(st_INIT, Vorname), F_BYTES(st_INIT, Nachname), F_BYTES(st_INIT, Strasse), F_BYTES(st_INIT, PLZ),
    F_BYTES(st_INIT, Ort), F_BYTES(st_INIT, Land), F_BYTES(st_INIT, Telefon), F_BYTES(st_INIT, SpielName),
    F_BYTES(st_INIT, Email), F_32(st_INIT, Reserved1), F_BYTES(st_INIT, Anmerkung), F_BYTES(st_INIT, Reserved2),
    F_32(st_INIT, DateInSec), F_16(st_INIT, VekSystem), F_BYTES(st_INIT, SecondEmail), F_BYTES(st_INIT, Handy),
    F_BYTES(st_INIT, MacAdresse)};
constexpr Record kInit = RECORD(kInitFields, st_INIT, 12);

constexpr Field kInfoFields[] = {
    F_32(st_INFO, SpielerID), F_32(st_INFO, ChunkBits), F_32(st_INFO, RestRunden),
    F_BYTES(st_INFO, VekSystem), F_BYTES(st_INFO, VekVersion),  // host order in the file
    F_16(st_INFO, Misc), F_32(st_INFO, TurnTime), F_BYTES(st_INFO, Wuerfelwert), F_32(st_INFO, Checksumme),
    F_BYTES(st_INFO, MacAdresse)};
constexpr Record kInfo = RECORD(kInfoFields, st_INFO, 12);

constexpr Field kImapFields[] = {F_32(st_IMAP, SizeX), F_32(st_IMAP, SizeY), F_32(st_IMAP, X_Capital),
                                 F_32(st_IMAP, Y_Capital)};
constexpr Record kImap = RECORD(kImapFields, st_IMAP, 12);

constexpr Field kMrefFields[] = {F_32(st_MREF, WeltSizeX), F_32(st_MREF, WeltSizeY), F_32(st_MREF, X_Capital),
                                 F_32(st_MREF, Y_Capital)};
constexpr Record kMref = RECORD(kMrefFields, st_MREF, 12);

constexpr Field kKornFields[] = {
    F_32(st_KORN, Jahr), F_16(st_KORN, Quartal), F_32(st_KORN, Saatlager), F_32(st_KORN, Kornlager),
    F_32(st_KORN, BevLager), F_32(st_KORN, AnzKornlager), F_16(st_KORN, AnzMuehlen), F_32(st_KORN, HighErnte),
    F_BYTES(st_KORN, Wetter), F_BYTES(st_KORN, KornFlag), F_32(st_KORN, AusfallSaatlager),
    F_32(st_KORN, AusfallBevLager), F_16(st_KORN, AnzKontore), F_32(st_KORN, KornVerrottet),
    F_32(st_KORN, MaxHarvest), F_32(st_KORN, Fishes)};
constexpr Record kKorn = RECORD(kKornFields, st_KORN, 12);

constexpr Field kLandFields[] = {
    F_16(st_LAND, PlayerID), F_32(st_LAND, AnzVolk), F_32(st_LAND, Einwanderer), F_32(st_LAND, Auswanderer),
    F_32(st_LAND, Geborene), F_32(st_LAND, Gestorbene), F_32(st_LAND, AnzGold), F_32(st_LAND, AnzPflanzHq),
    F_32(st_LAND, AnzTierHq), F_32(st_LAND, AnzMineralHq), F_32(st_LAND, FaktorPflanzHq),
    F_32(st_LAND, FaktorTierHq), F_32(st_LAND, FaktorMineralHq), F_32(st_LAND, Vertrauen),
    F_32(st_LAND, Kriegstote), F_32(st_LAND, Desertierte), F_32(st_LAND, AnzMorgen), F_32(st_LAND, Piratengold),
    F_16(st_LAND, Reichspunkte), F_16(st_LAND, Luxusgueter), F_16(st_LAND, AnzahlKundschafter),
    F_16(st_LAND, AnzahlSiedler), F_BYTES(st_LAND, Gottheit), F_BYTES(st_LAND, nop), F_BYTES(st_LAND, Goettername)};
constexpr Record kLand = RECORD(kLandFields, st_LAND, 12);

constexpr Field kTaxeFields[] = {
    F_32(st_TAXE, Grundsteuer), F_16(st_TAXE, Justizia), F_32(st_TAXE, JustizLast), F_32(st_TAXE, Zoll100),
    F_32(st_TAXE, ZollLast), F_16(st_TAXE, HQPflanzeGold), F_16(st_TAXE, HQTierGold), F_16(st_TAXE, HQMineralGold),
    F_32(st_TAXE, HQLast), F_32(st_TAXE, GrundsteuerLast), F_32(st_TAXE, Kirchensteuer),
    F_32(st_TAXE, KirchensteuerLast), F_16(st_TAXE, KirchenPunkte), F_32(st_TAXE, Markthallen),
    F_32(st_TAXE, Marktangebote), F_32(st_TAXE, Schiffskosten), F_BYTES(st_TAXE, ZehnteProzent),
    F_32(st_TAXE, ZehnteID), F_32(st_TAXE, ZehnteEinnahme), F_32(st_TAXE, ZehnteAusgabe), F_32(st_TAXE, Spezikosten)};
constexpr Record kTaxe = RECORD(kTaxeFields, st_TAXE, 12);

constexpr Field kForsFields[] = {
    F_BYTES(st_FORS, AktiveForschung), F_BYTES(st_FORS, ForschungsCounter), F_BYTES(st_FORS, ForschungsZeit),
    F_BYTES(st_FORS, Alchemie), F_BYTES(st_FORS, Astronomie), F_BYTES(st_FORS, Kampftechnik),
    F_BYTES(st_FORS, Naturkunde), F_BYTES(st_FORS, Medizin), F_BYTES(st_FORS, Technik), F_BYTES(st_FORS, Theologie),
    F_32(st_FORS, KostenProRunde), F_16(st_FORS, Besonderheiten)};
constexpr Record kFors = RECORD(kForsFields, st_FORS, 12);

constexpr Field kSmalFields[] = {F_BYTES(st_SMAL, DateString), F_BYTES(st_SMAL, Betreff),
                                 F_BYTES(st_SMAL, AbsenderName), F_BYTES(st_SMAL, EmpfaengerName),
                                 F_32(st_SMAL, AbsenderID), F_32(st_SMAL, EmpfaengerID)};
constexpr Record kSmal = RECORD(kSmalFields, st_SMAL, 12);

// Fixed parts of the chunks with repeated entries.
constexpr Field kMoveFields[] = {F_16(st_MOVE, AnzFiguren)};
constexpr Record kMove = RECORD(kMoveFields, st_MOVE, 12);
constexpr Field kBmapFields[] = {F_16(st_BMAP, AnzKarten)};
constexpr Record kBmap = RECORD(kBmapFields, st_BMAP, 12);
constexpr Field kMailFields[] = {F_32(st_MAIL, AnzahlEmails)};
constexpr Record kMail = RECORD(kMailFields, st_MAIL, 12);
constexpr Field kWareFields[] = {F_16(st_WARE, AnzWaren)};
constexpr Record kWare = RECORD(kWareFields, st_WARE, 12);
constexpr Field kBaueFields[] = {F_16(st_BAUE, AnzGeb)};
constexpr Record kBaue = RECORD(kBaueFields, st_BAUE, 12);
constexpr Field kGebaFields[] = {F_32(st_GEBA, Gesamtkosten), F_16(st_GEBA, AnzGeb)};
constexpr Record kGeba = RECORD(kGebaFields, st_GEBA, 12);
constexpr Field kTownFields[] = {F_16(st_TOWN, Anzahl)};
constexpr Record kTown = RECORD(kTownFields, st_TOWN, 12);
constexpr Field kArmyFields[] = {F_32(st_ARMY, AnzahlArmeen)};
constexpr Record kArmy = RECORD(kArmyFields, st_ARMY, 12);
constexpr Field kAnfrExtFields[] = {F_16(st_ANFR_EXT, Typ), F_32(st_ANFR_EXT, Anzahl), F_32(st_ANFR_EXT, Length)};
constexpr Record kAnfrExt = RECORD(kAnfrExtFields, st_ANFR_EXT, 0);
constexpr Field kAnfrFields[] = {F_SUB(st_ANFR, Anfrage, kAnfrExt)};
constexpr Record kAnfr = RECORD(kAnfrFields, st_ANFR, 12);
constexpr Field kAntwFields[] = {F_SUB(st_ANTW, Antwort, kAnfrExt)};
constexpr Record kAntw = RECORD(kAntwFields, st_ANTW, 12);
constexpr Field kKrigFields[] = {F_32(st_KRIG, AnzahlKriege)};
constexpr Record kKrig = RECORD(kKrigFields, st_KRIG, 12);
constexpr Field kVertFields[] = {F_32(st_VERT, Anzahl)};
constexpr Record kVert = RECORD(kVertFields, st_VERT, 12);
constexpr Field kShipFields[] = {F_32(st_SHIP, Anzahl)};
constexpr Record kShip = RECORD(kShipFields, st_SHIP, 12);
constexpr Field kSpezFields[] = {F_32(st_SPEZ, Anzahl)};
constexpr Record kSpez = RECORD(kSpezFields, st_SPEZ, 12);
constexpr Field kHerbFields[] = {F_32(st_HERB, Anzahl)};
constexpr Record kHerb = RECORD(kHerbFields, st_HERB, 12);

// Entries.
constexpr Field kMoveExtFields[] = {F_32(st_MOVE_EXT, SpielerID), F_16(st_MOVE_EXT, FigurArt),
                                    F_16(st_MOVE_EXT, FigurNummer), F_32(st_MOVE_EXT, X_Pos),
                                    F_32(st_MOVE_EXT, Y_Pos), F_BYTES(st_MOVE_EXT, Kommando),
                                    F_BYTES(st_MOVE_EXT, Bewegungspunkte)};
constexpr Record kMoveExt = RECORD(kMoveExtFields, st_MOVE_EXT, 0);

constexpr Field kBmapExtFields[] = {F_BYTES(st_BMAP_EXT, X), F_BYTES(st_BMAP_EXT, Y), F_BYTES(st_BMAP_EXT, Karte)};
constexpr Record kBmapExt = RECORD(kBmapExtFields, st_BMAP_EXT, 0);

constexpr Field kWareExtFields[] = {
    F_16(st_WARE_EXT, Info), F_32(st_WARE_EXT, Herkunft), F_32(st_WARE_EXT, WarenTyp),
    F_32(st_WARE_EXT, WarenAnzahl), F_32(st_WARE_EXT, Preis), F_32(st_WARE_EXT, DateInSec),
    F_32(st_WARE_EXT, Kaeufer), F_32(st_WARE_EXT, KaeuferAnzahl), F_32(st_WARE_EXT, KaeuferPreis),
    F_16(st_WARE_EXT, Zustand)};
constexpr Record kWareExt = RECORD(kWareExtFields, st_WARE_EXT, 0);

constexpr Field kBaueExtFields[] = {F_16(st_BAUE_EXT, GebID), F_16(st_BAUE_EXT, Jahr), F_16(st_BAUE_EXT, Quartal),
                                    F_16(st_BAUE_EXT, Restbauzeit), F_32(st_BAUE_EXT, Preis),
                                    F_16(st_BAUE_EXT, Betriebskosten), F_16(st_BAUE_EXT, Stadt)};
constexpr Record kBaueExt = RECORD(kBaueExtFields, st_BAUE_EXT, 0);

constexpr Field kTownExtFields[] = {F_16(st_TOWN_EXT, XPos), F_16(st_TOWN_EXT, YPos), F_BYTES(st_TOWN_EXT, Name),
                                    F_16(st_TOWN_EXT, Level), F_32(st_TOWN_EXT, StadtVolk),
                                    F_16(st_TOWN_EXT, StadtID)};
constexpr Record kTownExt = RECORD(kTownExtFields, st_TOWN_EXT, 0);

constexpr Field kTownExtV2Fields[] = {
    F_16(st_TOWN_EXT_V2, XPos), F_16(st_TOWN_EXT_V2, YPos), F_BYTES(st_TOWN_EXT_V2, Name),
    F_16(st_TOWN_EXT_V2, Level), F_32(st_TOWN_EXT_V2, StadtVolk), F_16(st_TOWN_EXT_V2, StadtID),
    F_16(st_TOWN_EXT_V2, Event), F_BYTES(st_TOWN_EXT_V2, Nop)};
constexpr Record kTownExtV2 = RECORD(kTownExtV2Fields, st_TOWN_EXT_V2, 0);

constexpr Field kArmeeFields[] = {F_32(Armee, PosX), F_32(Armee, PosY), F_32(Armee, HerrscherID),
                                  F_32(Armee, Verhalten), F_32(Armee, Vertrauen), F_32(Armee, ArmeeID),
                                  F_32(Armee, ArmeeTypAnzahl), F_32(Armee, TrainingsRunden), F_BYTES(Armee, Name)};
constexpr Record kArmee = RECORD(kArmeeFields, Armee, 0);
constexpr Field kArhdFields[] = {F_SUB(st_ARHD, Head, kHead), F_SUB(st_ARHD, ArmeeHeader, kArmee)};
constexpr Record kArhd = RECORD(kArhdFields, st_ARHD, 0);

constexpr Field kArmeeEntryFields[] = {
    F_32(ArmeeEntry, Typ), F_32(ArmeeEntry, Erfahrung), F_32(ArmeeEntry, WaffeI), F_32(ArmeeEntry, WaffeII),
    F_32(ArmeeEntry, Ruestung), F_32(ArmeeEntry, Schild), F_32(ArmeeEntry, Helm), F_32(ArmeeEntry, Erschoepfung),
    F_32(ArmeeEntry, RuestungsKlasse), F_32(ArmeeEntry, Anzahl), F_32(ArmeeEntry, SaboteurAnzahl)};
constexpr Record kArmeeEntry = RECORD(kArmeeEntryFields, ArmeeEntry, 0);
constexpr Field kArenFields[] = {F_SUB(st_AREN, Head, kHead), F_SUB(st_AREN, ArmeeEntry, kArmeeEntry)};
constexpr Record kAren = RECORD(kArenFields, st_AREN, 0);

constexpr Field kPlayerIdFields[] = {Field{0, 4, 4, nullptr}};
constexpr Record kPlayerId{kPlayerIdFields, 1, 0, 4};

constexpr Field kAntwExtFields[] = {F_32(st_ANTW_EXT_1, SpielerID), F_BYTES(st_ANTW_EXT_1, SpielName)};
constexpr Record kAntwExt = RECORD(kAntwExtFields, st_ANTW_EXT_1, 0);

constexpr Field kKrigExtFields[] = {
    F_32(st_KRIG_EXT, Length), F_SUB(st_KRIG_EXT, Angreifer, kMoveExt), F_SUB(st_KRIG_EXT, Verteidiger, kMoveExt),
    F_32(st_KRIG_EXT, Result), F_16(st_KRIG_EXT, AngRuestungsklasse), F_16(st_KRIG_EXT, VerRuestungsklasse),
    F_16(st_KRIG_EXT, AngErschoepfung), F_16(st_KRIG_EXT, VerErschoepfung), F_32(st_KRIG_EXT, AngTote),
    F_32(st_KRIG_EXT, VerTote), F_32(st_KRIG_EXT, AngLebende), F_32(st_KRIG_EXT, VerLebende),
    F_32(st_KRIG_EXT, ProtokollLength)};
constexpr Record kKrigExt = RECORD(kKrigExtFields, st_KRIG_EXT, 0);

constexpr Field kVertExtFields[] = {
    F_16(st_VERT_EXT, VertragsArt), F_32(st_VERT_EXT, AnbieterID), F_32(st_VERT_EXT, PartnerID),
    F_32(st_VERT_EXT, WarenTyp), F_32(st_VERT_EXT, Identifier), F_16(st_VERT_EXT, Status), F_16(st_VERT_EXT, Dauer),
    F_32(st_VERT_EXT, Anzahl), F_32(st_VERT_EXT, Preis), F_16(st_VERT_EXT, Zustand)};
constexpr Record kVertExt = RECORD(kVertExtFields, st_VERT_EXT, 0);

constexpr Field kShipExtFields[] = {
    F_16(st_SHIP_EXT, SchiffsID), F_16(st_SHIP_EXT, Schaden), F_16(st_SHIP_EXT, Punkte), F_32(st_SHIP_EXT, X_Pos),
    F_32(st_SHIP_EXT, Y_Pos), F_SUB(st_SHIP_EXT, Figur1, kMoveExt), F_SUB(st_SHIP_EXT, Figur2, kMoveExt),
    F_SUB(st_SHIP_EXT, Figur3, kMoveExt)};
constexpr Record kShipExt = RECORD(kShipExtFields, st_SHIP_EXT, 0);

constexpr Field kSpezExtFields[] = {
    F_BYTES(st_SPEZ_EXT, Name), F_32(st_SPEZ_EXT, ID), F_32(st_SPEZ_EXT, X_Pos), F_32(st_SPEZ_EXT, Y_Pos),
    F_16(st_SPEZ_EXT, Status), F_BYTES(st_SPEZ_EXT, Klasse), F_BYTES(st_SPEZ_EXT, RK), F_BYTES(st_SPEZ_EXT, TP),
    F_BYTES(st_SPEZ_EXT, TPakt), F_BYTES(st_SPEZ_EXT, Staerke), F_BYTES(st_SPEZ_EXT, Weisheit),
    F_BYTES(st_SPEZ_EXT, Intelligenz), F_BYTES(st_SPEZ_EXT, Gewandheit), F_BYTES(st_SPEZ_EXT, Konstitution),
    F_BYTES(st_SPEZ_EXT, Charisma), F_BYTES(st_SPEZ_EXT, Gottheit), F_BYTES(st_SPEZ_EXT, Loyalitaet),
    F_32(st_SPEZ_EXT, Lohn), F_32(st_SPEZ_EXT, SpielerID), F_32(st_SPEZ_EXT, Erfahrung), F_32(st_SPEZ_EXT, Item)};
constexpr Record kSpezExt = RECORD(kSpezExtFields, st_SPEZ_EXT, 0);

constexpr Field kHerbExtFields[] = {F_32(st_HERB_EXT, X_Pos), F_32(st_HERB_EXT, Y_Pos), F_BYTES(st_HERB_EXT, Art),
                                    F_BYTES(st_HERB_EXT, Entnommen), F_16(st_HERB_EXT, Anzahl)};
constexpr Record kHerbExt = RECORD(kHerbExtFields, st_HERB_EXT, 0);

static_assert(Covers(kHead) && Covers(kInit) && Covers(kInfo) && Covers(kImap) && Covers(kMref));
static_assert(Covers(kKorn) && Covers(kLand) && Covers(kTaxe) && Covers(kFors) && Covers(kSmal));
static_assert(Covers(kMove) && Covers(kBmap) && Covers(kMail) && Covers(kWare) && Covers(kBaue));
static_assert(Covers(kGeba) && Covers(kTown) && Covers(kArmy) && Covers(kAnfrExt) && Covers(kAnfr));
static_assert(Covers(kAntw) && Covers(kKrig) && Covers(kVert) && Covers(kShip) && Covers(kSpez));
static_assert(Covers(kHerb) && Covers(kMoveExt) && Covers(kBmapExt) && Covers(kWareExt) && Covers(kBaueExt));
static_assert(Covers(kTownExt) && Covers(kTownExtV2) && Covers(kArmee) && Covers(kArhd) && Covers(kArmeeEntry));
static_assert(Covers(kAren) && Covers(kPlayerId) && Covers(kAntwExt) && Covers(kKrigExt) && Covers(kVertExt));
static_assert(Covers(kShipExt) && Covers(kSpezExt) && Covers(kHerbExt));

// How one chunk is laid out: its fixed part, where its count lies and what
// it counts.
struct Layout {
    ULONG num;               // chunk number
    const Record *fixed;     // from 12 to the first entry
    UBYTE countOffset;       // 0: no count
    UBYTE countWidth;        // 2 or 4
    const Record *entry;     // null: no entries to walk
    bool army;               // ARHD/AREN records follow
};

constexpr Layout kLayouts[] = {
    {CN_INIT, &kInit, 0, 0, nullptr, false},
    {CN_INFO, &kInfo, 0, 0, nullptr, false},
    {CN_MOVE, &kMove, 12, 2, &kMoveExt, false},
    {CN_BMAP, &kBmap, 12, 2, &kBmapExt, false},
    {CN_IMAP, &kImap, 0, 0, nullptr, false},
    {CN_MREF, &kMref, 0, 0, nullptr, false},
    {CN_MAIL, &kMail, 0, 0, nullptr, false},  // the letters stay in file order
    {CN_SMAL, &kSmal, 0, 0, nullptr, false},
    {CN_KORN, &kKorn, 0, 0, nullptr, false},
    {CN_LAND, &kLand, 0, 0, nullptr, false},
    {CN_WARE, &kWare, 12, 2, &kWareExt, false},
    {CN_BAUE, &kBaue, 12, 2, &kBaueExt, false},
    {CN_GEBA, &kGeba, 16, 2, &kBaueExt, false},
    {CN_TAXE, &kTaxe, 0, 0, nullptr, false},
    {CN_FORS, &kFors, 0, 0, nullptr, false},
    {CN_TOWN, &kTown, 12, 2, &kTownExt, false},
    {CN_ARMY, &kArmy, 12, 4, nullptr, true},
    {CN_ANFR, &kAnfr, 14, 4, &kPlayerId, false},
    {CN_ANTW, &kAntw, 14, 4, &kAntwExt, false},
    {CN_KRIG, &kKrig, 12, 4, &kKrigExt, false},
    {CN_VERT, &kVert, 12, 4, &kVertExt, false},
    {CN_SHIP, &kShip, 12, 4, &kShipExt, false},
    {CN_SPEZ, &kSpez, 12, 4, &kSpezExt, false},
    {CN_HERB, &kHerb, 12, 4, &kHerbExt, false},
};
constexpr Layout kTownV2 = {CN_TOWN, &kTown, 12, 2, &kTownExtV2, false};

const Layout *FindLayout(ULONG num)
{
    for (const Layout &l : kLayouts)
        if (l.num == num) return &l;
    return nullptr;
}

// Converts the fields of the record at offset base of chunk; bytes at or
// beyond end stay as they are. File order is host order on a big-endian
// host, where the walks still run to check the counts and records.
void SwapRecord(UBYTE *chunk, size_t base, const Record &r, size_t end)
{
    if (kLittleHost) fieldorder::SwapFields(chunk, base, r, end);
}

ULONG ReadCount(const UBYTE *p, UBYTE width, bool toHost)
{
    if (width == 2) return toHost ? LoadBE16(p) : LoadHost16(p);
    return toHost ? LoadBE32(p) : LoadHost32(p);
}

bool ArmyWalk(UBYTE *chunk, ULONG armies, size_t end, bool toHost)
{
    size_t at = sizeof(st_ARMY);
    for (ULONG a = 0; a < armies; ++a) {
        if (end < at + sizeof(st_ARHD) || ReadCount(chunk + at, 4, toHost) != ID_ARHD) {
            std::printf("SwapByteOrderInChunk: ARMY-Chunk endet vor Armee %u von %u oder enthaelt einen fremden "
                        "Eintrag, Rest bleibt ungeswappt!\n", a + 1, armies);
            return false;
        }
        ULONG parts = ReadCount(chunk + at + offsetof(st_ARHD, ArmeeHeader.ArmeeTypAnzahl), 4, toHost);
        SwapRecord(chunk, at, kArhd, end);
        at += sizeof(st_ARHD);
        for (ULONG k = 0; k < parts; ++k) {
            if (end < at + sizeof(st_AREN) || ReadCount(chunk + at, 4, toHost) != ID_AREN) {
                std::printf("SwapByteOrderInChunk: ARMY-Chunk endet vor Teil %u von %u der Armee %u oder enthaelt "
                            "einen fremden Eintrag, Rest bleibt ungeswappt!\n", k + 1, parts, a + 1);
                return false;
            }
            SwapRecord(chunk, at, kAren, end);
            at += sizeof(st_AREN);
        }
    }
    return true;
}

// The layout for a chunk of this ID and version, or null with the message.
const Layout *SelectLayout(ULONG id, ULONG version)
{
    LONG num = ChunkIndex(id);
    const Layout *l = num >= 0 ? FindLayout((ULONG)num) : nullptr;
    if (l && (version == VERSION_V001 || version == VERSION_V000)) return l;
    if (l && version != VERSION_V002) {
        std::printf("SwapByteOrderInChunk:Die Version des Chunks '%s' ist noch nicht implementiert!\n",
                    IdText(id).c_str());
        return nullptr;
    }
    if (l && num == CN_TOWN) return &kTownV2;
    std::printf("SwapByteOrderInChunk:Der Chunk '%s' konnte nicht geswappt wurden da er noch nicht implementiert "
                "ist!\n", IdText(id).c_str());
    return nullptr;
}

}  // namespace

bool HasLayout(ULONG id, ULONG version)
{
    LONG num = ChunkIndex(id);
    const Layout *l = num >= 0 ? FindLayout((ULONG)num) : nullptr;
    return l && (version == VERSION_V001 || version == VERSION_V000 || (version == VERSION_V002 && num == CN_TOWN));
}

bool SwapPayload(UBYTE *chunk, ULONG id, ULONG version, ULONG length, bool toHost)
{
    std::printf("Routine: SwapByteOrderInChunk\n");
    const Layout *l = SelectLayout(id, version);
    if (!l) return false;
    size_t end = sizeof(st_ChunkHead) + (size_t)length;
    ULONG count = 0;
    if (l->countOffset && (size_t)l->countOffset + l->countWidth <= end)
        count = ReadCount(chunk + l->countOffset, l->countWidth, toHost);
    SwapRecord(chunk, 0, *l->fixed, end);
    if (l->army) return ArmyWalk(chunk, count, end, toHost);
    if (!l->entry) return true;
    size_t first = l->fixed->size;
    ULONG fit = end > first ? (ULONG)((end - first) / l->entry->size) : 0;
    if (count > fit) {
        if (l->num == CN_MOVE)
            std::printf("SwapByteOrderInChunk: Fataler Fehler! Gr\366sse des Move-Chunks stimmt nicht beim swappen! "
                        "Anzahl Figuren %u berechnet %u\n", count, length / (ULONG)sizeof(st_MOVE_EXT));
        else
            std::printf("SwapByteOrderInChunk: Fataler Fehler! Gr\366sse des %s-Chunks stimmt nicht beim swappen! "
                        "Anzahl %u berechnet %u\n", ChunkNamen[l->num], count, fit);
        count = fit;
    }
    for (ULONG i = 0; i < count; ++i) SwapRecord(chunk, first + (size_t)i * l->entry->size, *l->entry, end);
    return true;
}

bool ChunkToFileOrder(UBYTE *chunk, ULONG size)
{
    if (size < sizeof(st_ChunkHead)) return true;
    ULONG length = LoadHost32(chunk + 8);
    if (length > size - sizeof(st_ChunkHead)) length = size - (ULONG)sizeof(st_ChunkHead);
    const ULONG id = LoadHost32(chunk), version = LoadHost32(chunk + 4);
    const bool whole = SwapPayload(chunk, id, version, length, false) || !HasLayout(id, version);
    if (kLittleHost) SwapRecord(chunk, 0, kHead, size);
    return whole;
}

ULONG EntryCount(const UBYTE *chunk, ULONG size, ULONG *firstEntry, ULONG *entrySize)
{
    if (firstEntry) *firstEntry = 0;
    if (entrySize) *entrySize = 0;
    if (!chunk || size < sizeof(st_ChunkHead)) return 0;
    ULONG id = LoadHost32(chunk), length = LoadHost32(chunk + 8);
    size_t end = length > size - sizeof(st_ChunkHead) ? size : length + sizeof(st_ChunkHead);
    size_t first, esize;
    ULONG count;
    if (id == ID_PMAP) {
        first = sizeof(st_PMAP);
        esize = PMAP_ENTRY_SIZE;
        count = 0xFFFFFFFFu;
    } else {
        LONG num = ChunkIndex(id);
        const Layout *l = num >= 0 ? FindLayout((ULONG)num) : nullptr;
        if (!l || !l->entry) return 0;
        if (num == CN_TOWN && LoadHost32(chunk + 4) == VERSION_V002) l = &kTownV2;
        if (end < (size_t)l->countOffset + l->countWidth) return 0;
        first = l->fixed->size;
        esize = l->entry->size;
        count = ReadCount(chunk + l->countOffset, l->countWidth, false);
    }
    if (firstEntry) *firstEntry = (ULONG)first;
    if (entrySize) *entrySize = (ULONG)esize;
    ULONG fit = end > first ? (ULONG)((end - first) / esize) : 0;
    return count < fit ? count : fit;
}

}  // namespace chunkio

void SwapByteOrderInChunk(APTR Chunk, int Head)
{
    using namespace chunkio;
    if (!Chunk) {
        std::printf("Routine: SwapByteOrderInChunk\n");
        return;
    }
    UBYTE *p = (UBYTE *)Chunk;
    // The order of the ID tells the direction: an ID that reads as host
    // order is converted to file order, one that reads as its letters
    // (file order) to host order. The version may come in either order.
    ULONG raw = LoadHost32(p);
    bool toHost = false;
    ULONG id = raw;
    if (ChunkIndex(raw) < 0 && ChunkIndex(FileToHost32(raw)) >= 0) {
        toHost = true;
        id = FileToHost32(raw);
    }
    ULONG version = LoadHost32(p + 4);
    auto known = [](ULONG v) { return v == VERSION_V001 || v == VERSION_V002 || v == VERSION_V000; };
    if (!known(version) && (known(FileToHost32(version)) || toHost)) version = FileToHost32(version);
    // A caller that presents the whole head in file order (Head = 1) has the
    // length in file order too; a loaded chunk keeps its length in host order.
    ULONG length = LoadHost32(p + 8);
    if (toHost && Head) length = FileToHost32(length);
    // The routine has no result to give; the chunk writers and the loader
    // convert through the checked calls instead.
    (void)SwapPayload(p, id, version, length, toHost);
    if (Head && kLittleHost) {
        for (int i = 0; i < 3; ++i) StoreHost32(p + 4 * i, Swap32(LoadHost32(p + 4 * i)));
    }
}

ULONG GetChunkEntryCount(const void *Chunk)
{
    if (!Chunk) return 0;
    ULONG length = chunkio::LoadHost32((const UBYTE *)Chunk + 8);
    ULONG size = length > 0xFFFFFFFFu - 12 ? 0xFFFFFFFFu : length + 12;
    return chunkio::EntryCount((const UBYTE *)Chunk, size, nullptr, nullptr);
}
