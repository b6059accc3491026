// Facts about the files made outside the program that the client and the
// demo-data generator must agree on: the role and size of every picture
// number, the screen description file of every screen with the gadget codes
// the screen acts on, and the identifiers and key rule of animations with
// scrambled headers. Everything here is compile-time data; a picture number
// with two roles fails the build.
#pragma once
#include <cstddef>
#include "platform/types.h"

namespace datakit {

// ---- Picture numbers ------------------------------------------------------

constexpr UWORD PICTURE_COUNT = 1615;   // records of ./Data/Path
constexpr UWORD FIGURE_FRAME_HEIGHT = 54;  // one frame of a figure or object strip
constexpr UWORD HEX_WIDTH = 64;
constexpr UWORD HEX_HEIGHT = 56;
constexpr UWORD SCREEN_WIDTH = 640;
constexpr UWORD SCREEN_HEIGHT = 480;
constexpr ULONG FORMAT_RAW = 4;         // format flag: the bytes are data, never converted

enum class PicRole : UBYTE {
    Spare,     // no role yet: a small labelled picture so that every record loads
    Screen,    // a screen's full-size background (its screen number, or a page of one)
    Backdrop,  // other full-size pictures: slides, battle details, the high-colour map frame
    Dialog,    // background of a requester or box
    Picture,   // an element a screen draws at a place of its own
    Button,    // a button face that a screen draws itself
    Face,      // pool of gadget faces for the screen description files
    Hex,       // a terrain hex in some season, in or out of sight
    Figure,    // first strip of a figure kind: 8 frames of turning
    Walk,      // walking strip of a figure kind in one direction: 24 frames
    Ambient,   // an object strip of the map's motion effect
    Ware,      // picture of a ware, the last column of the goods table
    Still,     // still of a building on the building screen
    TownPart,  // sky, lower town and foreground of a town level
    TownSlot,  // a building or scenery picture placed by a town slot
    Overlay,   // small masked marks on the map
    Mask,      // raw data: bytes the client reads as a table, never converted
};

struct PicRange {
    UWORD first, last;  // inclusive
    PicRole role;
    UWORD width, height;  // height of one frame for strips
    UWORD frames;         // 1, or the frames of a strip stored one below the other
    ULONG flags;          // format flags of the index record
    const char *name;     // what the picture shows; also its file name stem
};

// Every assigned range in ascending order; numbers outside them are spare.
inline constexpr PicRange PictureRanges[] = {
    {1, 1, PicRole::Screen, 640, 480, 1, 0, "Titel"},
    {2, 2, PicRole::Screen, 640, 480, 1, 0, "Residenz"},
    {3, 3, PicRole::Screen, 640, 480, 1, 0, "Karte"},
    {4, 4, PicRole::Overlay, 64, 56, 1, 0, "Hexrahmen"},
    {5, 30, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {31, 31, PicRole::Mask, 8, 56, 1, FORMAT_RAW, "Hexmaske"},
    {32, 32, PicRole::Screen, 640, 480, 1, 0, "Anmeldung"},
    {33, 33, PicRole::Screen, 640, 480, 1, 0, "Berichte"},
    {34, 34, PicRole::Screen, 640, 480, 1, 0, "Diplomatie"},
    {35, 35, PicRole::Screen, 640, 480, 1, 0, "Forschung"},
    {36, 36, PicRole::Screen, 640, 480, 1, 0, "Nachrichten"},
    {38, 38, PicRole::Screen, 640, 480, 1, 0, "Spezialisten"},
    {39, 39, PicRole::Screen, 640, 480, 1, 0, "Stadt"},
    {40, 40, PicRole::Screen, 640, 480, 1, 0, "Stammbaum"},
    {41, 41, PicRole::Screen, 640, 480, 1, 0, "Statistik"},
    {42, 42, PicRole::Screen, 640, 480, 1, 0, "Steuern"},
    {43, 43, PicRole::Screen, 640, 480, 1, 0, "Bau"},
    {45, 45, PicRole::Dialog, 516, 390, 1, 0, "Briefe"},
    {56, 56, PicRole::Screen, 640, 480, 1, 0, "Kornlager"},
    {57, 58, PicRole::Button, 32, 16, 1, 0, "Schalter"},
    {59, 59, PicRole::Screen, 640, 480, 1, 0, "Taverne"},
    {61, 61, PicRole::Screen, 640, 480, 1, 0, "Lager"},
    {66, 66, PicRole::Dialog, 304, 120, 1, 0, "Ratgeber"},
    {69, 69, PicRole::Dialog, 352, 352, 1, 0, "Aktualisierung"},
    {77, 77, PicRole::Dialog, 320, 385, 1, 0, "Teilnehmer"},
    {100, 101, PicRole::Button, 43, 41, 1, 0, "Teilnehmer"},
    {108, 108, PicRole::Screen, 640, 480, 1, 0, "Handel"},
    {109, 109, PicRole::Picture, 115, 95, 1, 0, "Fortschritt"},
    {110, 110, PicRole::Picture, 48, 90, 1, 0, "Fackel"},
    {115, 116, PicRole::Button, 43, 41, 1, 0, "Barde"},
    {123, 126, PicRole::Button, 16, 16, 1, 0, "Pfeil"},
    {133, 133, PicRole::Screen, 640, 480, 1, 0, "Optionen Klang"},
    {134, 134, PicRole::Screen, 640, 480, 1, 0, "Optionen Post"},
    {142, 142, PicRole::Dialog, 304, 119, 1, 0, "Eingabe"},
    {143, 148, PicRole::Button, 22, 20, 1, 0, "Knopf"},
    {151, 151, PicRole::Screen, 640, 480, 1, 0, "Credits"},
    {152, 152, PicRole::Screen, 640, 480, 1, 0, "Kaserne"},
    {153, 154, PicRole::Button, 86, 16, 1, 0, "Ok"},
    {155, 155, PicRole::Dialog, 516, 390, 1, 0, "Kornverteilung"},
    {156, 157, PicRole::Picture, 40, 20, 1, 0, "Korn"},
    {158, 159, PicRole::Picture, 32, 116, 1, 0, "Balken"},
    {160, 160, PicRole::Picture, 7, 13, 1, 0, "Marke"},
    {162, 162, PicRole::Dialog, 516, 390, 1, 0, "Forschungsfeld"},
    {163, 169, PicRole::Picture, 195, 155, 1, 0, "Fachgebiet"},
    {170, 183, PicRole::Picture, 80, 60, 1, 0, "Stufe"},
    {184, 190, PicRole::Picture, 19, 30, 1, 0, "Kolben"},
    {192, 198, PicRole::Picture, 7, 12, 1, 0, "Punkt"},
    {199, 201, PicRole::Dialog, 516, 390, 1, 0, "Kasernenauftrag"},
    {202, 251, PicRole::TownSlot, 48, 40, 1, 0, "Haus"},
    {252, 252, PicRole::TownPart, 640, 123, 1, 0, "Himmel"},
    {254, 254, PicRole::TownPart, 640, 357, 1, 0, "Unterstadt"},
    {255, 255, PicRole::TownPart, 640, 123, 1, 0, "Regenhimmel"},
    {263, 264, PicRole::Picture, 190, 30, 1, 0, "Wahl"},
    {273, 276, PicRole::Screen, 640, 480, 1, 0, "Diplomatie Seite"},
    {278, 278, PicRole::Screen, 640, 480, 1, 0, "Geheim"},
    {283, 283, PicRole::Picture, 128, 64, 1, 0, "Bericht"},
    {285, 288, PicRole::Button, 40, 24, 1, 0, "Blaettern"},
    {293, 293, PicRole::Dialog, 507, 381, 1, 0, "Textkasten"},
    {294, 295, PicRole::Button, 40, 24, 1, 0, "Seite"},
    {296, 306, PicRole::Picture, 27, 28, 1, 0, "Stein"},
    {307, 322, PicRole::Button, 48, 24, 1, 0, "Rune"},
    {323, 323, PicRole::Dialog, 306, 420, 1, 0, "Runenbrett"},
    {324, 324, PicRole::Backdrop, 640, 480, 1, 0, "Diashow"},
    {329, 329, PicRole::Backdrop, 640, 480, 1, 0, "Diashow"},
    {331, 339, PicRole::Backdrop, 640, 480, 1, 0, "Diashow"},
    {340, 340, PicRole::Dialog, 195, 220, 1, 0, "Auswahl"},
    {341, 343, PicRole::Picture, 111, 76, 1, 0, "Markt"},
    {344, 345, PicRole::Still, 224, 200, 1, 0, "Gebaeude"},
    {346, 346, PicRole::Dialog, 304, 119, 1, 0, "Justiz"},
    {347, 347, PicRole::Dialog, 304, 165, 1, 0, "Zoll"},
    {348, 348, PicRole::Dialog, 304, 223, 1, 0, "Rohstoffe"},
    {349, 349, PicRole::Dialog, 304, 119, 1, 0, "Grundsteuer"},
    {350, 353, PicRole::Picture, 215, 20, 1, 0, "Steuerzeile"},
    {354, 354, PicRole::Picture, 8, 12, 1, 0, "Kerbe"},
    {355, 355, PicRole::Dialog, 240, 48, 1, 0, "Schalterkopf"},
    {356, 356, PicRole::Dialog, 240, 30, 1, 0, "Schalterzeile"},
    {357, 357, PicRole::Dialog, 240, 56, 1, 0, "Schalterfuss"},
    {358, 358, PicRole::TownPart, 640, 100, 1, 0, "Vordergrund"},
    {363, 377, PicRole::Still, 224, 200, 1, 0, "Gebaeude"},
    {378, 378, PicRole::Overlay, 16, 16, 1, 0, "Rohstoff"},
    {379, 379, PicRole::Dialog, 400, 300, 1, 0, "Legende"},
    {380, 380, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {381, 386, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {390, 390, PicRole::Ware, 160, 120, 1, 0, "Ware"},
    {399, 399, PicRole::Ware, 160, 120, 1, 0, "Ware"},
    {400, 438, PicRole::TownSlot, 48, 40, 1, 0, "Haus"},
    {439, 440, PicRole::Overlay, 8, 8, 1, 0, "Grenze"},
    {441, 441, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {442, 447, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {448, 449, PicRole::Picture, 80, 12, 1, 0, "Menuezeile"},
    {450, 450, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {451, 456, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {457, 457, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {458, 463, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {464, 466, PicRole::Picture, 304, 108, 1, 0, "Ernte"},
    {467, 469, PicRole::Picture, 272, 108, 1, 0, "Speicher"},
    {470, 470, PicRole::Picture, 32, 32, 1, 0, "Regenfarben"},
    {471, 471, PicRole::Overlay, 64, 56, 1, 0, "Bewegung"},
    {472, 472, PicRole::Backdrop, 640, 480, 1, 0, "Schlacht"},
    {473, 492, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {493, 493, PicRole::Ambient, 64, 54, 10, 0, "Objekt"},
    {494, 497, PicRole::Still, 224, 200, 1, 0, "Gebaeude"},
    {498, 498, PicRole::Backdrop, 640, 480, 1, 0, "Schlacht"},
    {499, 499, PicRole::Screen, 640, 480, 1, 0, "Anarchie"},
    {505, 505, PicRole::Screen, 640, 480, 1, 0, "Barde"},
    {506, 506, PicRole::Dialog, 507, 425, 1, 0, "Geschichte"},
    {507, 518, PicRole::Button, 40, 24, 1, 0, "Seitenzahl"},
    {519, 519, PicRole::Screen, 640, 480, 1, 0, "Hafen"},
    {520, 520, PicRole::Dialog, 516, 390, 1, 0, "Schiffe"},
    {521, 521, PicRole::Picture, 282, 178, 1, 0, "Werft"},
    {522, 522, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {523, 528, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {529, 529, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {530, 535, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {536, 536, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {537, 542, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {543, 543, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {544, 549, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {550, 550, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {551, 556, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {557, 557, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {558, 563, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {565, 565, PicRole::Still, 224, 200, 1, 0, "Gebaeude"},
    {566, 744, PicRole::Face, 0, 0, 1, 0, "Knopf"},
    {745, 747, PicRole::Screen, 640, 480, 1, 0, "Stadt"},
    {748, 748, PicRole::TownPart, 640, 123, 1, 0, "Himmel"},
    {749, 749, PicRole::TownPart, 640, 357, 1, 0, "Unterstadt"},
    {750, 750, PicRole::TownPart, 640, 123, 1, 0, "Regenhimmel"},
    {751, 751, PicRole::TownPart, 640, 123, 1, 0, "Himmel"},
    {752, 752, PicRole::TownPart, 640, 357, 1, 0, "Unterstadt"},
    {753, 753, PicRole::TownPart, 640, 123, 1, 0, "Regenhimmel"},
    {754, 754, PicRole::TownPart, 640, 123, 1, 0, "Himmel"},
    {755, 755, PicRole::TownPart, 640, 357, 1, 0, "Unterstadt"},
    {756, 756, PicRole::TownPart, 640, 123, 1, 0, "Regenhimmel"},
    {757, 757, PicRole::TownPart, 640, 100, 1, 0, "Vordergrund"},
    {758, 759, PicRole::Button, 64, 62, 1, 0, "Bauen"},
    {760, 761, PicRole::Button, 48, 46, 1, 0, "Name"},
    {762, 762, PicRole::TownPart, 640, 100, 1, 0, "Vordergrund"},
    {763, 764, PicRole::Button, 64, 62, 1, 0, "Bauen"},
    {765, 766, PicRole::Button, 48, 46, 1, 0, "Name"},
    {767, 767, PicRole::TownPart, 640, 100, 1, 0, "Vordergrund"},
    {768, 769, PicRole::Button, 64, 62, 1, 0, "Bauen"},
    {770, 771, PicRole::Button, 48, 46, 1, 0, "Name"},
    {772, 787, PicRole::Still, 224, 200, 1, 0, "Gebaeude"},
    {788, 788, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {789, 794, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {795, 795, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {796, 801, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {802, 802, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {803, 808, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {809, 809, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {810, 815, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {816, 816, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {817, 822, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {823, 823, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {824, 829, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {830, 830, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {831, 836, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {837, 837, PicRole::Backdrop, 640, 480, 1, 0, "Schlacht"},
    {838, 838, PicRole::Ambient, 64, 54, 18, 0, "Objekt"},
    {839, 839, PicRole::Ambient, 64, 54, 24, 0, "Objekt"},
    {840, 864, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {865, 865, PicRole::Dialog, 144, 480, 1, 0, "Figurenliste"},
    // The figure groups' buttons, released and pressed.
    {866, 867, PicRole::Picture, 44, 20, 1, 0, "Armee"},
    {868, 869, PicRole::Picture, 44, 20, 1, 0, "Schiff"},
    {870, 870, PicRole::Mask, 128, 128, 1, FORMAT_RAW, "Kartenform"},
    {871, 871, PicRole::Picture, 44, 20, 1, 0, "Siedl"},
    {872, 873, PicRole::Picture, 44, 20, 1, 0, "Kund"},
    {874, 875, PicRole::Picture, 44, 20, 1, 0, "Spez"},
    {876, 876, PicRole::Screen, 640, 480, 1, 0, "Kroenung"},
    {877, 877, PicRole::Picture, 640, 238, 1, 0, "Thronsaal"},
    {878, 883, PicRole::Picture, 160, 120, 1, 0, "Krone"},
    {884, 890, PicRole::Ambient, 64, 54, 24, 0, "Objekt"},
    {891, 918, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {919, 919, PicRole::Screen, 640, 480, 1, 0, "Luxus"},
    {928, 928, PicRole::Ware, 160, 120, 1, 0, "Ware"},
    {939, 1033, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {1034, 1036, PicRole::Button, 52, 43, 1, 0, "Post"},
    {1037, 1040, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {1041, 1041, PicRole::Dialog, 400, 300, 1, 0, "Arbeiter"},
    {1042, 1081, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {1082, 1082, PicRole::Picture, 32, 37, 1, 0, "Siegel"},
    {1085, 1085, PicRole::Screen, 640, 480, 1, 0, "Goetter"},
    {1086, 1095, PicRole::Picture, 64, 64, 1, 0, "Gott"},
    {1096, 1096, PicRole::Picture, 64, 64, 1, 0, "Spezialist"},
    {1097, 1097, PicRole::Figure, 64, 54, 8, 0, "Figur"},
    {1098, 1103, PicRole::Walk, 64, 54, 24, 0, "Figur"},
    {1104, 1123, PicRole::TownSlot, 48, 40, 1, 0, "Haus"},
    {1124, 1124, PicRole::Ware, 160, 120, 1, 0, "Ware"},
    {1138, 1138, PicRole::Dialog, 400, 300, 1, 0, "Reparatur"},
    {1140, 1140, PicRole::Picture, 320, 17, 1, 0, "Plauderleiste"},
    {1141, 1141, PicRole::Screen, 640, 480, 1, 0, "Optionen Zeiger"},
    {1142, 1142, PicRole::Backdrop, 700, 538, 1, 0, "Kartenrahmen"},
    {1143, 1143, PicRole::Picture, 220, 382, 1, 0, "Kartenleiste"},
    {1144, 1147, PicRole::Picture, 32, 32, 1, 0, "Ecke"},
    {1148, 1148, PicRole::Picture, 256, 16, 1, 0, "Kante"},
    {1149, 1149, PicRole::Picture, 16, 256, 1, 0, "Kante"},
    {1150, 1150, PicRole::Picture, 164, 178, 1, 0, "Kompass"},
    {1151, 1151, PicRole::Picture, 100, 50, 1, 0, "Kartenleiste"},
    {1153, 1153, PicRole::Button, 48, 22, 1, 0, "Hoch"},
    {1155, 1155, PicRole::Button, 48, 22, 1, 0, "Rechts"},
    {1157, 1157, PicRole::Button, 48, 22, 1, 0, "Runter"},
    {1159, 1159, PicRole::Button, 48, 22, 1, 0, "Links"},
    // The lamps of the borders, symbol map and resource map, on and off.
    {1160, 1160, PicRole::Picture, 40, 18, 1, 0, "GrAn"},
    {1161, 1161, PicRole::Picture, 40, 18, 1, 0, "GrAus"},
    {1162, 1162, PicRole::Picture, 40, 18, 1, 0, "SyAn"},
    {1163, 1163, PicRole::Picture, 40, 18, 1, 0, "SyAus"},
    {1164, 1164, PicRole::Picture, 40, 18, 1, 0, "RoAn"},
    {1165, 1165, PicRole::Picture, 40, 18, 1, 0, "RoAus"},
    {1166, 1166, PicRole::Mask, 128, 128, 1, FORMAT_RAW, "Kartenform"},
    {1167, 1167, PicRole::Picture, 400, 231, 1, 0, "Kartenleiste"},
    // The control panel's six buttons, released and pressed.
    {1168, 1169, PicRole::Button, 60, 36, 1, 0, "Grenzen"},
    {1170, 1171, PicRole::Button, 60, 36, 1, 0, "Info"},
    {1172, 1173, PicRole::Button, 60, 36, 1, 0, "Symbole"},
    {1174, 1175, PicRole::Button, 60, 36, 1, 0, "Rohstoffe"},
    {1176, 1177, PicRole::Button, 60, 36, 1, 0, "Figuren"},
    {1178, 1178, PicRole::Button, 60, 36, 1, 0, "Ende"},
    {1181, 1264, PicRole::Hex, 64, 56, 1, 0, "Hex"},
    {1265, 1265, PicRole::Dialog, 360, 200, 1, 0, "Karawane"},
    {1266, 1275, PicRole::Backdrop, 640, 480, 1, 0, "Diashow"},
    {1276, 1277, PicRole::Overlay, 16, 16, 1, 0, "Besitzer"},
    {1291, 1292, PicRole::Overlay, 16, 16, 1, 0, "Klasse"},
    {1300, 1415, PicRole::Ware, 160, 120, 1, 0, "Ware"},
    {1416, 1613, PicRole::Face, 0, 0, 1, 0, "Knopf"},
    {1614, 1614, PicRole::Picture, 256, 16, 1, 0, "Kartenleiste"},
    {1615, 1615, PicRole::Picture, 256, 32, 1, 0, "Kartenleiste"},
};

constexpr bool PictureRangesSound()
{
    UWORD next = 1;
    for (const PicRange &r : PictureRanges) {
        if (r.first < next || r.last < r.first || r.last > PICTURE_COUNT) return false;
        if (r.role != PicRole::Face && (r.width == 0 || r.height == 0 || r.frames == 0)) return false;
        next = (UWORD)(r.last + 1);
    }
    return true;
}
static_assert(PictureRangesSound(), "picture ranges overlap, are out of order or lack a size");

// The range that holds picture n, or null for a spare number.
inline const PicRange *PictureRange(UWORD n)
{
    for (const PicRange &r : PictureRanges)
        if (n >= r.first && n <= r.last) return &r;
    return nullptr;
}

constexpr PicRole PictureRole(UWORD n)
{
    for (const PicRange &r : PictureRanges)
        if (n >= r.first && n <= r.last) return r.role;
    return PicRole::Spare;
}

// Picture numbers the game's code names; the ranges above must hold each in its role.
static_assert(PictureRole(66) == PicRole::Dialog && PictureRole(142) == PicRole::Dialog &&
              PictureRole(153) == PicRole::Button && PictureRole(154) == PicRole::Button &&
              PictureRole(293) == PicRole::Dialog && PictureRole(340) == PicRole::Dialog);
static_assert(PictureRole(31) == PicRole::Mask && PictureRole(870) == PicRole::Mask &&
              PictureRole(1166) == PicRole::Mask);
static_assert(PictureRole(390) == PicRole::Ware && PictureRole(399) == PicRole::Ware &&
              PictureRole(928) == PicRole::Ware && PictureRole(1124) == PicRole::Ware);

// Raw tables stored as pictures: graphic 31 is 56 rows of two big-endian
// words whose first word marks the unconverted state; 870 and 1166 hold one
// byte per hex position, 128 to a row.
constexpr UBYTE HEXMASK_MARK[4] = {0x00, 0x01, 0xFF, 0xFF};

// ---- Screen description files -------------------------------------------

// Kinds of record, by their bit in a screen's mask.
enum LayoutKind : UBYTE {
    KIND_TITLEBAR = 0,
    KIND_GADGET = 1,
    KIND_LOCALETEXTBOX = 2,
    KIND_STRINGINPUTBOX = 3,
    KIND_STRINGINPUTINFO = 4,
    KIND_STATUSBOX = 5,
    KIND_BOXINFO = 6,
    KIND_TEXTDATA = 7,
    KIND_BUTTONDATA = 8,
    KIND_RECHTECK = 9,
    KIND_PUNKT = 10,
    KIND_SLOTS = 11,
    KIND_COUNT = 12,
};

inline constexpr ULONG LayoutTag[KIND_COUNT] = {
    0xABBDBEAD, 0xB8BBBEAB, 0xB3ABA7AB, 0xB6B1AFAA, 0xACB6B1B9, 0xACABBEAB,
    0xBDB6B1B9, 0xABBAA7AB, 0xBDAAABB1, 0xADBABCAB, 0xAFB1ABAC, 0xABB0A8B1,
};
inline constexpr UBYTE LayoutRecordSize[KIND_COUNT] = {12, 24, 12, 16, 10, 14, 12, 8, 16, 8, 4, 60};

constexpr UWORD LAYOUT_MAX_ENTRIES = 24;
constexpr UWORD LAYOUT_MAX_GADGETS = 40;
constexpr UWORD TOWN_SLOTS = 235;

// Layout flags.
constexpr UBYTE LAYOUT_RELATIVE = 0x01;      // gadgets are relative to the box's picture, not the screen
constexpr UBYTE LAYOUT_TITLE_AREA = 0x02;    // title record 0 is a click area, not a gadget's title
constexpr UBYTE LAYOUT_RECT0_SIZE = 0x04;    // rectangle 0 holds a width and height in X1, Y1
constexpr UBYTE LAYOUT_LASTPOINT_SIZE = 0x08;  // the last point holds the symbol's width and height
constexpr UBYTE LAYOUT_FULL_AREA_LAST = 0x10;  // the last gadget is the map area under all others
constexpr UBYTE LAYOUT_WIDE_LABELS = 0x20;    // the screen prints labels wider than a face on its
                                              // buttons: rows of few, spread over the whole width
constexpr UBYTE LAYOUT_POINT_GRID = 0x80;     // the first area gadget takes the whole upper band and
                                              // the points stand in a grid inside it, POINT_GRID_W x
                                              // POINT_GRID_H apart: what is drawn at them is clicked there
constexpr int POINT_GRID_W = 112, POINT_GRID_H = 100;

// One screen description file. Counts are the records the screen relies on;
// every file also holds at least one record of each kind a screen may ask
// for, so that a mask not known here cannot fail the load.
struct ScreenLayout {
    const char *file;     // name in ./Data/screendat/
    UWORD screen;         // screen number that loads it; 0 for shared boxes
    ULONG mask;           // kinds the screen asks for; 0 where that is not fixed
    UWORD picture;        // the picture the layout lies on; 0 for none
    UWORD originX, originY;  // where that picture lies on the screen
    UBYTE numbered;       // the first gadgets return 0, 1, 2 ... instead of letters
    const char *codes;    // return codes in gadget order, four characters each, '|' between
    UBYTE titles, locales, inputs, inputInfos, statusBoxes, texts, buttons, rects, points;
    UBYTE flags;
};

inline constexpr ScreenLayout ScreenLayouts[] = {
    {"BTTextBox.dat", 505, 0, 506, 64, 38, 0, "UP00|DO00|SL00|INFO|EXIT|GAD1|GAD2|GAD3|GAD4|GAD5|GAD6", 0, 0, 0, 0,
     0, 0, 0, 0, 0, 0},
    {"Bau.dat", 43, 39, 43, 0, 0, 0, "RE00|LE00|OK00|ABRI|BA00|INFO|OKOK|EXIT|SL00|UP00|UP01",
     0, 8, 0, 0, 7, 0, 0, 0, 0, 0},
    {"Berichte.dat", 33, 0, 33, 0, 0, 0, "BU00|BU01|BU02|BU03|BU04|BU05|UP00|DO00|SL00|EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 0,
     0},
    {"ChooseBox.dat", 0, 0, 340, 0, 0, 0, "CH00|UP00|DO00|REQ0|INFO|OKOK|EXIT", 0, 0, 0, 0, 0, 0, 0, 1, 0,
     LAYOUT_RELATIVE},
    {"Diplomatie0.dat", 34, 515, 273, 0, 0, 0, "DO10|UP10|SL10|TX10|EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"Diplomatie1.dat", 34, 575, 274, 0, 0, 0,
     "BL01|BR01|BL02|BR02|BL03|BR03|ST20|ST21|ST22|BU20|BU21|BU22|BU23|DO20|UP20|SL20|DO21|UP21|SL21|TX20|TX21|EXIT",
     0, 0, 0, 0, 0, 0, 0, 2, 0, 0},
    {"Diplomatie2.dat", 34, 519, 275, 0, 0, 0,
     "BU30|BU31|BU32|CH30|CH31|DO30|UP30|SL30|DO31|UP31|SL31|TX30|TX31|EXIT", 0, 0, 0, 0, 0, 0, 0, 4, 0, 0},
    {"Diplomatie3.dat", 34, 519, 276, 0, 0, 0, "BU31|LE30|RE30|TX30|DO30|UP30|SL30|EXIT", 0, 0, 0, 0, 0, 0, 0, 2, 0,
     0},
    {"Diplomatie5.dat", 34, 519, 276, 0, 0, 0,
     "TX40|CH40|LE40|RE40|BU41|CH41|CH42|DO40|UP40|SL40|DO41|UP41|SL41|EXIT|BU40", 0, 0, 0, 0, 0, 0, 0, 4, 0, 0},
    {"DiplomatieMain.dat", 34, 3, 34, 0, 0, 0, "CH00|CH01|CH02|CH03|CH04|EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"Forschung.dat", 35, 0, 35, 0, 0, 7, "EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"ForschungReq.dat", 35, 0, 162, 62, 45, 0, "UP00|DO00|SL00|INFO|OKOK|EXIT", 0, 8, 0, 0, 0, 0, 0, 8, 7, 0},
    {"Geheim.dat", 278, 3, 278, 0, 0, 0, "EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"Goetter.dat", 1085, 0, 1085, 0, 0, 0,
     "GOE0|GOE1|GOE2|GOE3|GOE4|GOE5|GOE6|GOE7|GOE8|GOE9|EING|INFO|UP00|DO00|SL00|OKOK|EXIT", 0, 1, 0, 1, 0, 0, 0, 2,
     11, LAYOUT_LASTPOINT_SIZE},
    {"Hafen.dat", 519, 3, 519, 0, 0, 0, "KONT|SCHI|REPA|MAP0|STAD", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"HafenSchiffeReq.dat", 519, 519, 520, 62, 45, 0, "B100|B101|D100|U100|S100|D101|U101|S101|OK00|EXIT", 0, 0, 0,
     0, 0, 0, 0, 0, 0, 0},
    {"HafenSchiffsRepReq.dat", 519, 519, 1138, 120, 90, 0, "B100|L100|R100|OK00|INFO|D100|U100|S100|EXIT", 0, 0, 0,
     0, 0, 0, 0, 6, 0, 0},
    {"Handel.dat", 108, 0, 108, 0, 0, 0,
     "CH00|CH10|CH20|LE00|RE00|LE10|RE10|LE11|RE11|LE20|RE20|LE21|RE21|BOX1|BOX2|BOX3|BOX4|BOX5|OK00|OK01|OK20|"
     "SX00|SX01|SX20|SX21|UP00|DO00|SL00|UP11|DO11|SL10|UP20|DO20|SL20|IN00|OKOK|EXIT",
     0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"Info_Stadt.dat", 39, 0x800, 0, 0, 0, 0, "", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"KarawaneReq.dat", 3, 530, 1265, 0, 0, 0, "DO00|EXIT|INPU|LEFT|OKOK|REQU|RIGH|SLID|UP00|INFO", 0, 0, 0,
     0, 0, 0, 0, 1, 0, LAYOUT_RELATIVE | LAYOUT_RECT0_SIZE},
    {"Karte.dat", 3, 518, 3, 0, 0, 0,
     "MAP1|UPGO|DOWN|LEFT|RIGH|UPG1|DOW1|SL01|SLUP|SLDO|SLMO|FIGU|FORW|BUT1|BUT2|BUT3|BUT4|BUT5|GREN|ROHS|SYMB|INFO|"
     "EXIT|MAP0",
     0, 1, 0, 0, 0, 0, 0, 8, 0, LAYOUT_FULL_AREA_LAST},
    {"Karte1024.dat", 3, 518, 0, 0, 0, 0,
     "MAP1|UPGO|DOWN|LEFT|RIGH|UPG1|DOW1|SL01|SLUP|SLDO|SLMO|FIGU|FORW|BUT1|BUT2|BUT3|BUT4|BUT5|GREN|ROHS|SYMB|INFO|"
     "EXIT|MAP0",
     0, 1, 0, 0, 0, 0, 0, 8, 0, LAYOUT_FULL_AREA_LAST},
    {"KarteArbeiterReq.dat", 3, 530, 1041, 120, 90, 0, "AUTO|BOX1|BOX2|BOX3|INFO|EXIT", 0, 0, 0, 3, 0, 0, 0, 34, 0,
     0},
    {"KarteArbeiterReq1024.dat", 3, 530, 0, 120, 90, 0, "AUTO|BOX1|BOX2|BOX3|INFO|EXIT", 0, 0, 0, 3, 0, 0, 0, 34, 0,
     0},
    {"KarteMenu2.dat", 3, 514, 865, 496, 0, 0,
     "FORW|FIGU|UPG1|DOW1|SL01|SLUP|SLDO|BUT1|BUT2|BUT3|BUT4|BUT5|SLMO", 0, 0, 0, 0, 0, 0, 0, 3, 0, 0},
    {"Kaserne.dat", 152, 0, 152, 0, 0, 0, "ARTI|INFA|KAVA|TRAI|SCHM|GEHE|KART|STAD", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"KaserneReq1.dat", 152, 0, 199, 66, 68, 0,
     "L100|R100|L101|R101|ST01|U100|D100|S100|U101|D101|S101|B100|B101|B102|B103|B104|B105|B106|INF1|OK01|EXIT", 0,
     0, 0, 1, 5, 0, 0, 6, 0, 0},
    {"KaserneReq2.dat", 152, 0, 200, 66, 68, 0, "L200|R200|B200|B201|U200|D200|S200|U201|D201|S201|INF2|OK02|EXIT",
     0, 0, 0, 0, 2, 0, 0, 6, 0, 0},
    {"KaserneReq3.dat", 152, 0, 201, 66, 68, 0, "B100|B101|CYCL|U300|D300|S300|U301|D301|S301|INF3|OK03|EXIT", 0, 0,
     0, 0, 1, 0, 0, 6, 0, 0},
    {"KornLager.dat", 56, 3, 56, 0, 0, 0, "EXIT|TOWN", 0, 0, 0, 0, 0, 0, 0, 0, 0, LAYOUT_TITLE_AREA},
    {"KornLagerReq.dat", 56, 55, 155, 66, 68, 0, "UP00|DO00|UP01|DO01|UP02|DO02|BOX1|BOX2|BOX3|INFO|OKOK|EXIT", 0, 8,
     0, 3, 12, 0, 0, 0, 0, 0},
    {"Lager.dat", 61, 1027, 61, 0, 0, 0, "CH00|EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 10, LAYOUT_POINT_GRID},
    {"LagerReq.dat", 61, 3, 69, 144, 64, 0, "OKOK|EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"Luxus.dat", 919, 1591, 919, 0, 0, 0, "CH00|LE00|RE00|BOX1|ROH0|ROH1|ROH2|SX00|UP00|DO00|SL00|IN00|OKOK|EXIT",
     0, 8, 0, 0, 5, 0, 0, 11, 3, 0},
    {"Nachrichten.dat", 36, 0, 36, 0, 0, 0, "BU00|BU01|BU02|FORW|BACK|AUGE|UP00|DO00|SL00|INFO|EXIT", 0, 3, 0, 0, 0,
     0, 0, 6, 0, 0},
    {"Optionen0.dat", 133, 411, 133, 0, 0, 0,
     "BU00|BU01|BU02|BU03|BU04|BU05|BU06|BU07|SL00|SL01|ST01|INFO|NEXT|PREV|OKOK|EXIT", 0, 0, 5, 0, 0, 13, 8, 0, 0,
     0},
    {"Optionen1.dat", 134, 411, 134, 0, 0, 0,
     "BU10|BU11|BU12|BU13|BU14|BU18|BU19|IRCP|ST10|ST11|ST12|ST13|ST14|ST15|ST16|INFO|NEXT|PREV|OKOK|EXIT", 0, 0, 7,
     0, 0, 0, 8, 0, 0, 0},
    {"Optionen3.dat", 1141, 387, 1141, 0, 0, 0, "CURS|INFO|NEXT|PREV|OKOK|EXIT", 0, 0, 0, 0, 0, 0, 1, 0, 0, 0},
    {"Residenz1.dat", 2, 515, 2, 0, 0, 0,
     "DIPL|DOWN|EXIT|MAP |MESS|OPTI|REGI|REPO|RESA|SPEC|STAT|TAX |TOWN|TREE|UPL ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"RuneStone.dat", 59, 0, 323, 167, 30, 0, "RUN1|RUN2|RUN3|RUN4|RUN5|RUN6|RUN7|RUN8|RESE|OKOK|INFO|EXIT", 0, 0, 0,
     0, 0, 0, 0, 0, 7, 0},
    {"Spezialisten.dat", 38, 0, 38, 0, 0, 0, "BOX1|BOX2|NEXT|LAST|UP00|DO00|SL00|UP01|DO01|SL01|OKOK|EXIT", 0, 23, 0,
     0, 8, 0, 0, 4, 1, 0},
    {"Stadt.dat", 39, 3, 39, 0, 0, 0, "BAUS|EXIT|NAME|HAFE|HARE|KASE|KOLA|MAPL|RESI|TAVE", 0, 0, 0, 0, 0, 0, 0, 0, 0,
     0},
    {"Stadt2.dat", 39, 3, 745, 0, 0, 0, "BAUS|EXIT|NAME|HAFE|HARE|KASE|KOLA|MAPL|RESI|TAVE", 0, 0, 0, 0, 0, 0, 0, 0,
     0, 0},
    {"Stadt3.dat", 39, 3, 746, 0, 0, 0, "BAUS|EXIT|NAME|HAFE|HARE|KASE|KOLA|MAPL|RESI|TAVE", 0, 0, 0, 0, 0, 0, 0, 0,
     0, 0},
    {"Stadt4.dat", 39, 3, 747, 0, 0, 0, "BAUS|EXIT|NAME|HAFE|HARE|KASE|KOLA|MAPL|RESI|TAVE", 0, 0, 0, 0, 0, 0, 0, 0,
     0, 0},
    {"Stammbaum.dat", 40, 0, 40, 0, 0, 0, "EXIT", 0, 4, 0, 0, 0, 0, 0, 0, 0, 0},
    {"Statistik.dat", 41, 0, 41, 0, 0, 0, "OK01|XX01|LAST|BACK|FORW|INFB|INFO|EXIT|LS01|LS02", 0, 0, 0, 0, 0, 0, 0, 5,
     0, 0},
    {"StatistikLegende.dat", 41, 0, 379, 120, 90, 0, "EXLG|EXIT|FORW|OK01|XX01", 0, 0, 0, 0, 0, 0, 0, 1, 0, 0},
    {"Steuern.dat", 42, 3, 42, 0, 0, 0, "GRUN|JUS1|JUS2|ZOLL|HILF|ZEHN|KIRC|INFO|EXIT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"SteuernReq1.dat", 42, 39, 346, 168, 180, 0, "EXIT", 0, 0, 0, 0, 2, 0, 0, 0, 0, 0},
    {"SteuernReq2.dat", 42, 55, 347, 168, 176, 0, "INPU|EXIT", 0, 0, 0, 1, 3, 0, 0, 0, 0, 0},
    {"SteuernReq3.dat", 42, 39, 348, 168, 129, 0, "EXIT", 0, 0, 0, 0, 5, 0, 0, 0, 0, 0},
    {"SteuernReq4.dat", 42, 39, 349, 168, 180, 0, "EXIT", 0, 0, 0, 0, 1, 0, 0, 0, 0, 0},
    {"SteuernReq5.dat", 42, 55, 347, 168, 176, 0, "INPU|EXIT", 0, 0, 0, 1, 3, 0, 0, 0, 0, 0},
    {"Taverne.dat", 59, 3, 59, 0, 0, 0, "CHAT|NETW|STOR|TEST|TOWN|WUER|EXIT", 2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {"TaverneOffchatReq.dat", 59, 519, 45, 62, 45, 0,
     "TF01|B000|B001|B002|B003|U000|D000|S000|INF1|EXIT|BU40|BU41", 0, 0, 0, 0, 0, 0, 0, 7, 0, 0},
    {"Titel.dat", 1, 3, 1, 0, 0, 0, "NEU0|LOAD|SAVE|BATL|NORM|OPTI", 0, 0, 0, 0, 0, 0, 0, 0, 0,
     LAYOUT_WIDE_LABELS},
};

constexpr size_t SCREEN_LAYOUT_COUNT = sizeof(ScreenLayouts) / sizeof(ScreenLayouts[0]);

constexpr bool ConstLess(const char *a, const char *b)
{
    while (*a && *a == *b) ++a, ++b;
    return (UBYTE)*a < (UBYTE)*b;
}

// Codes are four characters with '|' between; the table is sorted by file name.
constexpr bool ScreenLayoutsSound()
{
    for (size_t i = 0; i < SCREEN_LAYOUT_COUNT; ++i) {
        const ScreenLayout &l = ScreenLayouts[i];
        if (i > 0 && !ConstLess(ScreenLayouts[i - 1].file, l.file)) return false;
        size_t n = 0;
        while (l.codes[n]) ++n;
        if (n != 0 && (n + 1) % 5 != 0) return false;
        for (size_t k = 4; k < n; k += 5)
            if (l.codes[k] != '|') return false;
        const size_t gadgets = (n == 0 ? 0 : (n + 1) / 5) + l.numbered;
        if (gadgets > LAYOUT_MAX_GADGETS) return false;
        if (l.picture && PictureRole(l.picture) != PicRole::Screen && PictureRole(l.picture) != PicRole::Dialog)
            return false;
    }
    return true;
}
static_assert(ScreenLayoutsSound(), "screen layouts must be sorted by file with well-formed codes");

constexpr size_t LayoutGadgetCount(const ScreenLayout &l)
{
    size_t n = 0;
    while (l.codes[n]) ++n;
    return (n == 0 ? 0 : (n + 1) / 5) + l.numbered;
}

// Return code of gadget i of a layout: four letters, the first in the high byte.
constexpr ULONG LayoutGadgetCode(const ScreenLayout &l, size_t i)
{
    if (i < l.numbered) return (ULONG)i;
    const char *c = l.codes + 5 * (i - l.numbered);
    return (ULONG)(UBYTE)c[0] << 24 | (ULONG)(UBYTE)c[1] << 16 | (ULONG)(UBYTE)c[2] << 8 | (ULONG)(UBYTE)c[3];
}

// Position of a file's layout in the table; SCREEN_LAYOUT_COUNT when absent.
constexpr size_t ScreenLayoutIndex(const char *file)
{
    for (size_t i = 0; i < SCREEN_LAYOUT_COUNT; ++i) {
        const char *a = ScreenLayouts[i].file, *b = file;
        while (*a && *a == *b) ++a, ++b;
        if (*a == 0 && *b == 0) return i;
    }
    return SCREEN_LAYOUT_COUNT;
}

// The layout of a file, or null.
inline const ScreenLayout *FindScreenLayout(const char *file)
{
    const size_t i = ScreenLayoutIndex(file);
    return i < SCREEN_LAYOUT_COUNT ? &ScreenLayouts[i] : nullptr;
}

// What a dialog draws itself at fixed places of its picture: the gadget of
// that code in its description must cover the place, and nothing else of the
// description may lie over it.
struct DialogArea {
    const char *file;   // the dialog's description in ./Data/screendat/
    const char *code;   // the gadget over it, four characters
    UWORD x, y, w, h;   // relative to the dialog's picture
};
inline constexpr DialogArea CHOOSEBOX_LIST = {"ChooseBox.dat", "CH00", 39, 60, 105, 95};   // the list window
inline constexpr DialogArea CHOOSEBOX_TRACK = {"ChooseBox.dat", "REQ0", 151, 67, 14, 63};  // the slider track
// The building screen's info text slider and its arrows beside the text.
inline constexpr DialogArea DialogAreas[] = {CHOOSEBOX_LIST, CHOOSEBOX_TRACK, {"Bau.dat", "SL00", 583, 103, 14, 204},
                                             {"Bau.dat", "UP00", 582, 84, 16, 16}, {"Bau.dat", "UP01", 582, 310, 16, 16},
                                             // the harbour's lists and their sliders
                                             {"HafenSchiffeReq.dat", "B100", 80, 95, 216, 235},
                                             {"HafenSchiffeReq.dat", "S100", 300, 95, 14, 235},
                                             {"HafenSchiffeReq.dat", "B101", 336, 95, 204, 235},
                                             {"HafenSchiffeReq.dat", "S101", 544, 95, 14, 235},
                                             {"HafenSchiffsRepReq.dat", "B100", 136, 130, 164, 210},
                                             {"HafenSchiffsRepReq.dat", "S100", 304, 130, 14, 210},
                                             // The granary's arrows beside each store's bar.
                                             {"KornLagerReq.dat", "DO00", 123, 271, 16, 16},
                                             {"KornLagerReq.dat", "UP00", 192, 271, 16, 16},
                                             {"KornLagerReq.dat", "DO01", 277, 271, 16, 16},
                                             {"KornLagerReq.dat", "UP01", 346, 271, 16, 16},
                                             {"KornLagerReq.dat", "DO02", 431, 271, 16, 16},
                                             {"KornLagerReq.dat", "UP02", 500, 271, 16, 16},
                                             {"KornLagerReq.dat", "BOX1", 130, 292, 70, 12},
                                             {"KornLagerReq.dat", "BOX2", 284, 292, 70, 12},
                                             {"KornLagerReq.dat", "BOX3", 438, 292, 70, 12},
                                             {"Luxus.dat", "BOX1", 346, 305, 48, 18}};

// Gadgets over a list the screen draws itself, though their codes name no
// area: they get no face.
struct ListGadget {
    const char *file, *code;
};
inline constexpr ListGadget ListGadgets[] = {
    {"HafenSchiffeReq.dat", "B100"}, {"HafenSchiffeReq.dat", "B101"}, {"HafenSchiffsRepReq.dat", "B100"}};

// Gadgets a screen lays over records of its own description: the luxury
// list, its slider, the three scales, the view switch and the info.
inline constexpr DialogArea RecordAreas[] = {{"Luxus.dat", "CH00", 180, 60, 420, 240},
                                             {"Luxus.dat", "SL00", 604, 76, 14, 208},
                                             {"Luxus.dat", "ROH0", 196, 334, 208, 20},
                                             {"Luxus.dat", "ROH1", 196, 364, 208, 20},
                                             {"Luxus.dat", "ROH2", 196, 394, 208, 20},
                                             {"Luxus.dat", "SX00", 440, 430, 22, 20},
                                             {"Luxus.dat", "IN00", 476, 430, 22, 20}};

// Records a screen prints at fixed places: the box, and the text ID when not
// 0, replace what the plan would give. The building screen: seven labels
// beside the seven status boxes under the picture, the name box last.
struct LayoutRecordPlace {
    const char *file;
    UBYTE kind;          // LayoutKind
    UBYTE index;
    UWORD x0, y0, x1, y1;
    UWORD text;
};
inline constexpr LayoutRecordPlace LayoutRecordPlaces[] = {
    {"Bau.dat", KIND_LOCALETEXTBOX, 0, 64, 344, 168, 356, 1274},  // gold
    {"Bau.dat", KIND_LOCALETEXTBOX, 1, 64, 299, 168, 311, 1275},  // duration
    {"Bau.dat", KIND_LOCALETEXTBOX, 2, 64, 314, 168, 326, 1280},  // running cost
    {"Bau.dat", KIND_LOCALETEXTBOX, 3, 64, 359, 168, 371, 1281},  // trust
    {"Bau.dat", KIND_LOCALETEXTBOX, 4, 64, 284, 168, 296, 1282},  // price
    {"Bau.dat", KIND_LOCALETEXTBOX, 5, 64, 374, 168, 386, 1283},  // wood
    {"Bau.dat", KIND_LOCALETEXTBOX, 6, 64, 389, 168, 401, 1575},  // stone
    {"Bau.dat", KIND_LOCALETEXTBOX, 7, 387, 344, 531, 362, 0},    // the name box
    {"Bau.dat", KIND_STATUSBOX, 0, 176, 344, 287, 356, 0},
    {"Bau.dat", KIND_STATUSBOX, 1, 176, 299, 287, 311, 0},
    {"Bau.dat", KIND_STATUSBOX, 2, 176, 314, 287, 326, 0},
    {"Bau.dat", KIND_STATUSBOX, 3, 176, 359, 287, 371, 0},
    {"Bau.dat", KIND_STATUSBOX, 4, 176, 284, 287, 296, 0},
    {"Bau.dat", KIND_STATUSBOX, 5, 176, 374, 287, 386, 0},
    {"Bau.dat", KIND_STATUSBOX, 6, 176, 389, 287, 401, 0},
    // The specialists' labels: the lists' headings, the values panel's readouts, the rest beside it.
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 0, 480, 290, 630, 302, 1129},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 1, 480, 304, 630, 316, 1130},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 2, 300, 386, 396, 398, 1131},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 3, 300, 290, 396, 302, 1132},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 4, 300, 306, 396, 318, 1133},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 5, 300, 322, 396, 334, 1134},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 6, 300, 338, 396, 350, 1135},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 7, 300, 354, 396, 366, 1136},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 8, 300, 370, 396, 382, 1137},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 9, 480, 318, 630, 330, 1139},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 10, 480, 332, 630, 344, 1140},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 11, 40, 62, 200, 76, 1141},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 12, 330, 62, 490, 76, 1142},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 13, 330, 246, 470, 258, 1143},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 14, 480, 346, 630, 358, 1145},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 15, 480, 360, 630, 372, 1146},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 16, 480, 374, 630, 386, 1147},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 17, 480, 388, 630, 400, 1148},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 18, 480, 402, 630, 414, 1129},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 19, 480, 416, 630, 428, 1130},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 20, 480, 430, 630, 442, 1131},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 21, 480, 444, 630, 456, 1132},
    {"Spezialisten.dat", KIND_LOCALETEXTBOX, 22, 480, 458, 630, 470, 1133},
    // The granary requester: values, season, year, bars, notch strips; the
    // input records over the values.
    {"KornLagerReq.dat", KIND_STATUSBOX, 0, 130, 292, 200, 304, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 1, 284, 292, 354, 304, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 2, 438, 292, 508, 304, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 3, 180, 104, 290, 116, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 4, 180, 88, 290, 100, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 5, 440, 88, 560, 100, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 6, 440, 104, 560, 116, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 7, 150, 148, 181, 264, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 8, 304, 148, 335, 264, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 9, 458, 148, 489, 264, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 10, 182, 144, 190, 268, 0},
    {"KornLagerReq.dat", KIND_STATUSBOX, 11, 490, 144, 498, 268, 0},
    {"KornLagerReq.dat", KIND_STRINGINPUTINFO, 0, 134, 293, 196, 303, 0},
    {"KornLagerReq.dat", KIND_STRINGINPUTINFO, 1, 288, 293, 350, 303, 0},
    {"KornLagerReq.dat", KIND_STRINGINPUTINFO, 2, 442, 293, 504, 303, 0},
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 0, 90, 88, 176, 100, 188},   // year
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 1, 90, 104, 176, 116, 189},  // season
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 2, 120, 126, 300, 140, 190}, // granaries
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 3, 120, 310, 210, 322, 183}, // seed
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 4, 274, 310, 364, 322, 184}, // grain stock
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 5, 428, 310, 518, 322, 185}, // people
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 6, 90, 360, 214, 372, 186}, // harvest forecast
    {"KornLagerReq.dat", KIND_LOCALETEXTBOX, 7, 90, 394, 214, 406, 187}, // trust
    // The luxury screen: the list and its columns, the scales, the pointer
    // area, the switch; separators; the numbers; labels and headings.
    {"Luxus.dat", KIND_RECHTECK, 0, 180, 60, 600, 300, 0},
    {"Luxus.dat", KIND_RECHTECK, 1, 604, 76, 618, 284, 0},
    {"Luxus.dat", KIND_RECHTECK, 2, 180, 60, 350, 300, 0},
    {"Luxus.dat", KIND_RECHTECK, 3, 352, 60, 420, 300, 0},
    {"Luxus.dat", KIND_RECHTECK, 4, 422, 60, 520, 300, 0},
    {"Luxus.dat", KIND_RECHTECK, 5, 522, 60, 600, 300, 0},
    {"Luxus.dat", KIND_RECHTECK, 6, 200, 344, 400, 350, 0},
    {"Luxus.dat", KIND_RECHTECK, 7, 200, 374, 400, 380, 0},
    {"Luxus.dat", KIND_RECHTECK, 8, 200, 404, 400, 410, 0},
    {"Luxus.dat", KIND_RECHTECK, 9, 190, 334, 418, 418, 0},
    {"Luxus.dat", KIND_RECHTECK, 10, 440, 430, 462, 450, 0},
    {"Luxus.dat", KIND_PUNKT, 0, 351, 60, 351, 60, 0},
    {"Luxus.dat", KIND_PUNKT, 1, 421, 60, 421, 60, 0},
    {"Luxus.dat", KIND_PUNKT, 2, 521, 60, 521, 60, 0},
    {"Luxus.dat", KIND_STATUSBOX, 0, 100, 20, 180, 32, 0},
    {"Luxus.dat", KIND_STATUSBOX, 1, 480, 340, 560, 352, 0},
    {"Luxus.dat", KIND_STATUSBOX, 2, 480, 370, 560, 382, 0},
    {"Luxus.dat", KIND_STATUSBOX, 3, 480, 400, 560, 412, 0},
    {"Luxus.dat", KIND_STATUSBOX, 4, 260, 308, 340, 320, 0},
    {"Luxus.dat", KIND_STRINGINPUTINFO, 0, 264, 309, 336, 319, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 0, 20, 20, 98, 32, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 1, 20, 326, 180, 338, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 2, 570, 340, 630, 352, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 3, 570, 400, 630, 412, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 4, 180, 44, 350, 56, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 5, 352, 44, 420, 56, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 6, 422, 44, 520, 56, 0},
    {"Luxus.dat", KIND_LOCALETEXTBOX, 7, 522, 44, 600, 56, 0},
    // Kinds the screen does not use, kept small in a corner.
    {"Bau.dat", KIND_STRINGINPUTBOX, 0, 604, 404, 632, 410, 0},
    {"Bau.dat", KIND_STRINGINPUTINFO, 0, 604, 412, 632, 418, 0},
    {"Bau.dat", KIND_TEXTDATA, 0, 604, 420, 632, 426, 0},
    {"Bau.dat", KIND_BUTTONDATA, 0, 604, 428, 632, 434, 0},
    {"Bau.dat", KIND_RECHTECK, 0, 604, 436, 632, 442, 0},
    {"Bau.dat", KIND_PUNKT, 0, 604, 444, 604, 444, 0},
};

// Areas a screen draws into at sizes of its own: a gadget (by code) or a
// record (by kind and index), in the layout's coordinates.
struct LayoutBox {
    const char *file;
    const char *code;  // the gadget over the area, or null for a record
    UBYTE kind, index;
    UWORD x0, y0, x1, y1;
};
inline constexpr LayoutBox LayoutBoxes[] = {
    // Research requester: the whole box, heading, name, text, overview,
    // field picture, progress picture and slider; the level pictures' points.
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 0, 62, 45, 577, 434},
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 1, 80, 70, 560, 88},
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 2, 80, 92, 275, 110},
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 3, 296, 114, 536, 270},
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 4, 296, 284, 560, 384},
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 5, 80, 114, 275, 269},
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 6, 80, 284, 160, 344},
    {"ForschungReq.dat", nullptr, KIND_RECHTECK, 7, 544, 132, 558, 252},
    {"ForschungReq.dat", "SL00", 0, 0, 544, 132, 558, 252},
    {"ForschungReq.dat", "UP00", 0, 0, 543, 114, 559, 130},
    {"ForschungReq.dat", "DO00", 0, 0, 543, 254, 559, 270},
    {"ForschungReq.dat", nullptr, KIND_PUNKT, 0, 170, 350, 170, 350},
    {"ForschungReq.dat", nullptr, KIND_PUNKT, 1, 192, 350, 192, 350},
    {"ForschungReq.dat", nullptr, KIND_PUNKT, 2, 214, 350, 214, 350},
    {"ForschungReq.dat", nullptr, KIND_PUNKT, 3, 236, 350, 236, 350},
    {"ForschungReq.dat", nullptr, KIND_PUNKT, 4, 258, 350, 258, 350},
    {"ForschungReq.dat", nullptr, KIND_PUNKT, 5, 280, 350, 280, 350},
    {"ForschungReq.dat", nullptr, KIND_PUNKT, 6, 302, 350, 302, 350},
    // Specialists: the free and the hired list with their sliders and
    // arrows, the values panel's picture and readouts, the labels below.
    {"Spezialisten.dat", nullptr, KIND_RECHTECK, 0, 40, 80, 300, 240},
    {"Spezialisten.dat", nullptr, KIND_RECHTECK, 1, 304, 80, 318, 240},
    {"Spezialisten.dat", nullptr, KIND_RECHTECK, 2, 330, 80, 590, 240},
    {"Spezialisten.dat", nullptr, KIND_RECHTECK, 3, 594, 80, 608, 240},
    {"Spezialisten.dat", "BOX1", 0, 0, 40, 80, 300, 240},
    {"Spezialisten.dat", "BOX2", 0, 0, 330, 80, 590, 240},
    {"Spezialisten.dat", "SL00", 0, 0, 304, 80, 318, 240},
    {"Spezialisten.dat", "SL01", 0, 0, 594, 80, 608, 240},
    {"Spezialisten.dat", "UP00", 0, 0, 303, 62, 319, 78},
    {"Spezialisten.dat", "DO00", 0, 0, 303, 244, 319, 260},
    {"Spezialisten.dat", "UP01", 0, 0, 593, 62, 609, 78},
    {"Spezialisten.dat", "DO01", 0, 0, 593, 244, 609, 260},
    {"Spezialisten.dat", nullptr, KIND_PUNKT, 0, 40, 290, 40, 290},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 0, 480, 246, 590, 258},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 1, 400, 290, 450, 302},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 2, 400, 306, 450, 318},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 3, 400, 322, 450, 334},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 4, 400, 338, 450, 350},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 5, 400, 354, 450, 366},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 6, 400, 370, 450, 382},
    {"Spezialisten.dat", nullptr, KIND_STATUSBOX, 7, 400, 386, 450, 398},
    // Gods: ten symbols in two rows, the description with its slider, the
    // name field under them and its label.
    {"Goetter.dat", nullptr, KIND_RECHTECK, 0, 420, 60, 588, 220},
    {"Goetter.dat", nullptr, KIND_RECHTECK, 1, 594, 60, 608, 220},
    {"Goetter.dat", "SL00", 0, 0, 594, 60, 608, 220},
    {"Goetter.dat", "UP00", 0, 0, 593, 42, 609, 58},
    {"Goetter.dat", "DO00", 0, 0, 593, 224, 609, 240},
    {"Goetter.dat", "EING", 0, 0, 36, 270, 560, 290},
    {"Goetter.dat", nullptr, KIND_STRINGINPUTINFO, 0, 40, 274, 560, 286},
    {"Goetter.dat", nullptr, KIND_LOCALETEXTBOX, 0, 40, 252, 300, 266},
    {"Goetter.dat", "GOE0", 0, 0, 34, 126, 90, 144},
    {"Goetter.dat", nullptr, KIND_PUNKT, 0, 30, 60, 30, 60},
    {"Goetter.dat", "GOE1", 0, 0, 110, 126, 166, 144},
    {"Goetter.dat", nullptr, KIND_PUNKT, 1, 106, 60, 106, 60},
    {"Goetter.dat", "GOE2", 0, 0, 186, 126, 242, 144},
    {"Goetter.dat", nullptr, KIND_PUNKT, 2, 182, 60, 182, 60},
    {"Goetter.dat", "GOE3", 0, 0, 262, 126, 318, 144},
    {"Goetter.dat", nullptr, KIND_PUNKT, 3, 258, 60, 258, 60},
    {"Goetter.dat", "GOE4", 0, 0, 338, 126, 394, 144},
    {"Goetter.dat", nullptr, KIND_PUNKT, 4, 334, 60, 334, 60},
    {"Goetter.dat", "GOE5", 0, 0, 34, 216, 90, 234},
    {"Goetter.dat", nullptr, KIND_PUNKT, 5, 30, 150, 30, 150},
    {"Goetter.dat", "GOE6", 0, 0, 110, 216, 166, 234},
    {"Goetter.dat", nullptr, KIND_PUNKT, 6, 106, 150, 106, 150},
    {"Goetter.dat", "GOE7", 0, 0, 186, 216, 242, 234},
    {"Goetter.dat", nullptr, KIND_PUNKT, 7, 182, 150, 182, 150},
    {"Goetter.dat", "GOE8", 0, 0, 262, 216, 318, 234},
    {"Goetter.dat", nullptr, KIND_PUNKT, 8, 258, 150, 258, 150},
    {"Goetter.dat", "GOE9", 0, 0, 338, 216, 394, 234},
    {"Goetter.dat", nullptr, KIND_PUNKT, 9, 334, 150, 334, 150},
    // Reports: the slider beside the report's box.
    {"Berichte.dat", "SL00", 0, 0, 567, 105, 581, 320},
    // The harbour's repair dialog: its six values right of the list.
    {"HafenSchiffsRepReq.dat", nullptr, KIND_RECHTECK, 0, 446, 130, 510, 146},
    {"HafenSchiffsRepReq.dat", nullptr, KIND_RECHTECK, 1, 446, 165, 510, 181},
    {"HafenSchiffsRepReq.dat", nullptr, KIND_RECHTECK, 2, 446, 200, 510, 216},
    {"HafenSchiffsRepReq.dat", nullptr, KIND_RECHTECK, 3, 446, 235, 510, 251},
    {"HafenSchiffsRepReq.dat", nullptr, KIND_RECHTECK, 4, 446, 270, 510, 286},
    {"HafenSchiffsRepReq.dat", nullptr, KIND_RECHTECK, 5, 446, 305, 510, 321},
    // Battle news: the three headings, the letter and its slider (the map view lies at 102, 238).
    {"Nachrichten.dat", nullptr, KIND_LOCALETEXTBOX, 0, 20, 60, 250, 76},
    {"Nachrichten.dat", nullptr, KIND_LOCALETEXTBOX, 1, 20, 80, 250, 96},
    {"Nachrichten.dat", nullptr, KIND_LOCALETEXTBOX, 2, 20, 100, 250, 116},
    {"Nachrichten.dat", nullptr, KIND_RECHTECK, 0, 20, 140, 250, 156},
    {"Nachrichten.dat", nullptr, KIND_RECHTECK, 1, 20, 170, 250, 186},
    {"Nachrichten.dat", nullptr, KIND_RECHTECK, 2, 20, 200, 250, 216},
    {"Nachrichten.dat", nullptr, KIND_RECHTECK, 3, 102, 238, 262, 406},
    {"Nachrichten.dat", nullptr, KIND_RECHTECK, 4, 290, 60, 600, 400},
    {"Nachrichten.dat", nullptr, KIND_RECHTECK, 5, 604, 60, 618, 400},
    {"Nachrichten.dat", "SL00", 0, 0, 604, 60, 618, 400},
    // Statistics: the two lists with their sliders and the graph area.
    {"Statistik.dat", nullptr, KIND_RECHTECK, 0, 40, 60, 290, 200},
    {"Statistik.dat", nullptr, KIND_RECHTECK, 1, 294, 60, 308, 200},
    {"Statistik.dat", nullptr, KIND_RECHTECK, 2, 330, 60, 580, 200},
    {"Statistik.dat", nullptr, KIND_RECHTECK, 3, 584, 60, 598, 200},
    {"Statistik.dat", nullptr, KIND_RECHTECK, 4, 40, 220, 600, 420},
    {"Statistik.dat", "LS01", 0, 0, 40, 60, 290, 200},
    {"Statistik.dat", "LS02", 0, 0, 330, 60, 580, 200},
    {"StatistikLegende.dat", nullptr, KIND_RECHTECK, 0, 120, 90, 520, 390},
    // Barracks requesters over their picture at (66, 68): the area, two lists
    // with their sliders, the figures under the left list.
    {"KaserneReq1.dat", nullptr, KIND_RECHTECK, 0, 66, 68, 582, 458},
    {"KaserneReq1.dat", nullptr, KIND_RECHTECK, 1, 76, 254, 290, 258},
    {"KaserneReq1.dat", nullptr, KIND_RECHTECK, 2, 76, 100, 290, 250},
    {"KaserneReq1.dat", nullptr, KIND_RECHTECK, 3, 314, 100, 556, 370},
    {"KaserneReq1.dat", nullptr, KIND_RECHTECK, 4, 292, 100, 306, 250},
    {"KaserneReq1.dat", nullptr, KIND_RECHTECK, 5, 558, 100, 572, 370},
    {"KaserneReq1.dat", nullptr, KIND_STATUSBOX, 0, 190, 264, 290, 278},
    {"KaserneReq1.dat", nullptr, KIND_STATUSBOX, 1, 190, 282, 290, 296},
    {"KaserneReq1.dat", nullptr, KIND_STATUSBOX, 2, 190, 300, 290, 314},
    {"KaserneReq1.dat", nullptr, KIND_STATUSBOX, 3, 190, 318, 290, 332},
    {"KaserneReq1.dat", nullptr, KIND_STATUSBOX, 4, 190, 336, 290, 350},
    {"KaserneReq1.dat", nullptr, KIND_STRINGINPUTINFO, 0, 190, 336, 290, 350},
    {"KaserneReq1.dat", "ST01", 0, 0, 190, 336, 290, 350},
    {"KaserneReq1.dat", "S100", 0, 0, 292, 100, 306, 250},
    {"KaserneReq1.dat", "S101", 0, 0, 558, 100, 572, 370},
    {"KaserneReq2.dat", nullptr, KIND_RECHTECK, 0, 66, 68, 582, 458},
    {"KaserneReq2.dat", nullptr, KIND_RECHTECK, 2, 76, 100, 290, 330},
    {"KaserneReq2.dat", nullptr, KIND_RECHTECK, 3, 314, 100, 556, 370},
    {"KaserneReq2.dat", nullptr, KIND_RECHTECK, 4, 292, 100, 306, 330},
    {"KaserneReq2.dat", nullptr, KIND_RECHTECK, 5, 558, 100, 572, 370},
    {"KaserneReq2.dat", nullptr, KIND_STATUSBOX, 0, 190, 338, 290, 352},
    {"KaserneReq2.dat", nullptr, KIND_STATUSBOX, 1, 190, 356, 290, 370},
    {"KaserneReq2.dat", "S200", 0, 0, 292, 100, 306, 330},
    {"KaserneReq2.dat", "S201", 0, 0, 558, 100, 572, 370},
    {"KaserneReq3.dat", nullptr, KIND_RECHTECK, 0, 66, 68, 582, 458},
    {"KaserneReq3.dat", nullptr, KIND_RECHTECK, 2, 76, 100, 290, 330},
    {"KaserneReq3.dat", nullptr, KIND_RECHTECK, 3, 314, 100, 556, 330},
    {"KaserneReq3.dat", nullptr, KIND_RECHTECK, 4, 292, 100, 306, 330},
    {"KaserneReq3.dat", nullptr, KIND_RECHTECK, 5, 558, 100, 572, 330},
    {"KaserneReq3.dat", nullptr, KIND_STATUSBOX, 0, 314, 354, 556, 368},
    {"KaserneReq3.dat", "S300", 0, 0, 292, 100, 306, 330},
    {"KaserneReq3.dat", "S301", 0, 0, 558, 100, 572, 330},
    // The tavern's letter window: header line and text, sender and subject
    // lines, the list or letter box (171 rows) with the list click area over
    // it, and the slider beside it.
    {"TaverneOffchatReq.dat", nullptr, KIND_RECHTECK, 1, 76, 94, 572, 108},
    {"TaverneOffchatReq.dat", nullptr, KIND_RECHTECK, 3, 76, 94, 572, 108},
    {"TaverneOffchatReq.dat", nullptr, KIND_RECHTECK, 4, 76, 112, 572, 124},
    {"TaverneOffchatReq.dat", nullptr, KIND_RECHTECK, 5, 76, 128, 572, 140},
    {"TaverneOffchatReq.dat", nullptr, KIND_RECHTECK, 2, 76, 146, 552, 317},
    {"TaverneOffchatReq.dat", nullptr, KIND_RECHTECK, 6, 556, 146, 572, 317},
    {"TaverneOffchatReq.dat", "TF01", 0, 0, 76, 146, 552, 317},
    {"TaverneOffchatReq.dat", "S000", 0, 0, 556, 146, 572, 317},
    // The rune board: row r's pegs right of its runes, at point 6 - r.
    {"RuneStone.dat", nullptr, KIND_PUNKT, 0, 362, 129, 366, 133},
    {"RuneStone.dat", nullptr, KIND_PUNKT, 1, 362, 162, 366, 166},
    {"RuneStone.dat", nullptr, KIND_PUNKT, 2, 362, 195, 366, 199},
    {"RuneStone.dat", nullptr, KIND_PUNKT, 3, 362, 228, 366, 232},
    {"RuneStone.dat", nullptr, KIND_PUNKT, 4, 362, 261, 366, 265},
    {"RuneStone.dat", nullptr, KIND_PUNKT, 5, 362, 294, 366, 298},
    {"RuneStone.dat", nullptr, KIND_PUNKT, 6, 362, 327, 366, 331},
};

// Where a screen draws its lists, text boxes and values at places of its own:
// the gadget of that code, or record `index` of that kind, lies exactly
// there; code "BAND" is the band of the file that its other small records
// fill instead of the upper half. Coordinates on the screen, edges included.
struct FixedBox {
    const char *file;
    const char *code;   // a gadget, "BAND", or null for a record
    UBYTE kind, index;  // the record when code is null
    UWORD x0, y0, x1, y1;
};
inline constexpr FixedBox FixedBoxes[] = {
    // The diplomat's pages: lists on the left with their sliders, the
    // document box and the ware picture on the right (drawn at fixed places).
    {"Diplomatie0.dat", "BAND", 0, 0, 8, 372, 632, 404},
    {"Diplomatie0.dat", nullptr, KIND_RECHTECK, 0, 8, 77, 280, 360},
    {"Diplomatie0.dat", nullptr, KIND_RECHTECK, 1, 284, 77, 300, 360},
    {"Diplomatie0.dat", "TX10", 0, 0, 8, 77, 280, 360},
    {"Diplomatie0.dat", "SL10", 0, 0, 284, 77, 300, 360},
    {"Diplomatie1.dat", "BAND", 0, 0, 8, 372, 632, 404},
    {"Diplomatie1.dat", nullptr, KIND_RECHTECK, 0, 8, 77, 280, 360},
    {"Diplomatie1.dat", nullptr, KIND_RECHTECK, 1, 284, 77, 300, 360},
    {"Diplomatie1.dat", nullptr, KIND_STATUSBOX, 0, 464, 290, 624, 306},
    {"Diplomatie1.dat", "TX20", 0, 0, 8, 77, 280, 360},
    {"Diplomatie1.dat", "SL20", 0, 0, 284, 77, 300, 360},
    {"Diplomatie1.dat", "TX21", 0, 0, 311, 77, 425, 360},
    {"Diplomatie1.dat", "SL21", 0, 0, 436, 108, 451, 357},
    {"Diplomatie1.dat", "ST20", 0, 0, 464, 206, 624, 224},
    {"Diplomatie1.dat", "ST21", 0, 0, 464, 232, 624, 250},
    {"Diplomatie1.dat", "ST22", 0, 0, 464, 258, 624, 276},
    {"Diplomatie2.dat", "BAND", 0, 0, 8, 372, 632, 404},
    {"Diplomatie2.dat", nullptr, KIND_RECHTECK, 0, 8, 77, 280, 360},
    {"Diplomatie2.dat", nullptr, KIND_RECHTECK, 1, 284, 77, 300, 360},
    {"Diplomatie2.dat", nullptr, KIND_RECHTECK, 2, 311, 77, 540, 360},
    {"Diplomatie2.dat", nullptr, KIND_RECHTECK, 3, 544, 77, 560, 360},
    {"Diplomatie2.dat", "TX30", 0, 0, 8, 77, 280, 360},
    {"Diplomatie2.dat", "SL30", 0, 0, 284, 77, 300, 360},
    {"Diplomatie2.dat", "TX31", 0, 0, 311, 77, 540, 360},
    {"Diplomatie2.dat", "SL31", 0, 0, 544, 77, 560, 360},
    {"Diplomatie2.dat", "CH30", 0, 0, 570, 77, 632, 140},
    {"Diplomatie2.dat", "CH31", 0, 0, 570, 150, 632, 213},
    {"Diplomatie3.dat", "BAND", 0, 0, 8, 372, 632, 404},
    {"Diplomatie3.dat", nullptr, KIND_RECHTECK, 0, 8, 77, 280, 360},
    {"Diplomatie3.dat", nullptr, KIND_RECHTECK, 1, 284, 77, 300, 360},
    {"Diplomatie3.dat", "TX30", 0, 0, 8, 77, 280, 360},
    {"Diplomatie3.dat", "SL30", 0, 0, 284, 77, 300, 360},
    {"Diplomatie5.dat", "BAND", 0, 0, 8, 372, 632, 404},
    {"Diplomatie5.dat", nullptr, KIND_RECHTECK, 0, 313, 77, 560, 360},
    {"Diplomatie5.dat", nullptr, KIND_RECHTECK, 1, 564, 77, 580, 360},
    {"Diplomatie5.dat", nullptr, KIND_RECHTECK, 2, 8, 77, 280, 360},
    {"Diplomatie5.dat", nullptr, KIND_RECHTECK, 3, 284, 77, 300, 360},
    {"Diplomatie5.dat", "TX40", 0, 0, 8, 77, 280, 360},
    {"Diplomatie5.dat", "SL40", 0, 0, 284, 77, 300, 360},
    {"Diplomatie5.dat", "SL41", 0, 0, 564, 77, 580, 360},
    {"Diplomatie5.dat", "CH40", 0, 0, 590, 77, 632, 140},
    {"Diplomatie5.dat", "CH41", 0, 0, 590, 150, 632, 213},
    {"Diplomatie5.dat", "CH42", 0, 0, 590, 223, 632, 286},    // The market: its three lists with their scroll arrows, the values and
    // steppers under them, the buttons where the screen leaves room.
    {"Handel.dat", "BAND", 0, 0, 300, 0, 632, 16},
    {"Handel.dat", "CH00", 0, 0, 16, 178, 207, 421},
    {"Handel.dat", "UP00", 0, 0, 223, 162, 239, 178},
    {"Handel.dat", "SL00", 0, 0, 223, 181, 238, 413},
    {"Handel.dat", "DO00", 0, 0, 223, 416, 239, 432},
    {"Handel.dat", "CH10", 0, 0, 271, 48, 589, 221},
    {"Handel.dat", "UP11", 0, 0, 604, 50, 620, 66},
    {"Handel.dat", "SL10", 0, 0, 604, 71, 619, 201},
    {"Handel.dat", "DO11", 0, 0, 604, 205, 620, 221},
    {"Handel.dat", "CH20", 0, 0, 271, 306, 452, 399},
    {"Handel.dat", "UP20", 0, 0, 465, 308, 481, 324},
    {"Handel.dat", "SL20", 0, 0, 465, 328, 480, 379},
    {"Handel.dat", "DO20", 0, 0, 465, 383, 481, 399},
    {"Handel.dat", "LE00", 0, 0, 8, 445, 64, 463},
    {"Handel.dat", "BOX1", 0, 0, 68, 445, 124, 463},
    {"Handel.dat", "RE00", 0, 0, 128, 445, 184, 463},
    {"Handel.dat", "OK00", 0, 0, 188, 445, 244, 463},
    {"Handel.dat", "SX00", 0, 0, 130, 425, 207, 440},
    {"Handel.dat", "BOX4", 0, 0, 460, 226, 516, 244},
    {"Handel.dat", "BOX5", 0, 0, 537, 226, 593, 244},
    {"Handel.dat", "LE10", 0, 0, 271, 248, 327, 266},
    {"Handel.dat", "RE10", 0, 0, 331, 248, 387, 266},
    {"Handel.dat", "LE11", 0, 0, 391, 248, 447, 266},
    {"Handel.dat", "RE11", 0, 0, 451, 248, 507, 266},
    {"Handel.dat", "OK01", 0, 0, 511, 248, 567, 266},
    {"Handel.dat", "SX01", 0, 0, 571, 248, 632, 266},
    {"Handel.dat", "SX21", 0, 0, 271, 407, 452, 421},
    {"Handel.dat", "SX20", 0, 0, 456, 407, 500, 421},
    {"Handel.dat", "BOX2", 0, 0, 271, 425, 327, 443},
    {"Handel.dat", "BOX3", 0, 0, 331, 425, 387, 443},
    {"Handel.dat", "OK20", 0, 0, 391, 425, 447, 443},
    {"Handel.dat", "LE20", 0, 0, 271, 447, 327, 465},
    {"Handel.dat", "RE20", 0, 0, 331, 447, 387, 465},
    {"Handel.dat", "LE21", 0, 0, 391, 447, 447, 465},
    {"Handel.dat", "RE21", 0, 0, 451, 447, 507, 465},
    {"Handel.dat", "IN00", 0, 0, 512, 410, 560, 424},
    {"Handel.dat", "OKOK", 0, 0, 512, 425, 568, 443},
    {"Handel.dat", "EXIT", 0, 0, 572, 425, 628, 443},
};

// Orders the screens rely on: the map's buttons and area, the story box's page
// buttons, the residence's blank-padded code, the research fields.
static_assert(LayoutGadgetCount(ScreenLayouts[ScreenLayoutIndex("Karte1024.dat")]) >= 24);
static_assert(LayoutGadgetCode(ScreenLayouts[ScreenLayoutIndex("Karte1024.dat")], 13) == 0x42555431);  // "BUT1"
static_assert(LayoutGadgetCode(ScreenLayouts[ScreenLayoutIndex("Karte1024.dat")], 23) == 0x4D415030);  // "MAP0"
static_assert(LayoutGadgetCode(ScreenLayouts[ScreenLayoutIndex("KarteMenu2.dat")], 7) == 0x42555431);  // "BUT1"
static_assert(LayoutGadgetCode(ScreenLayouts[ScreenLayoutIndex("BTTextBox.dat")], 5) == 0x47414431);   // "GAD1"
static_assert(LayoutGadgetCode(ScreenLayouts[ScreenLayoutIndex("Residenz1.dat")], 3) == 0x4D415020);   // "MAP "
static_assert(LayoutGadgetCode(ScreenLayouts[ScreenLayoutIndex("Forschung.dat")], 6) == 6);

// ---- Animations with scrambled chunk headers ----------------------------

// Key of the first frame header, and again whenever a looping movie restarts.
constexpr UWORD ANIM_START_KEY = 7391;

constexpr ULONG AnimFourCC(const char (&s)[5])
{
    return (ULONG)(UBYTE)s[0] << 24 | (ULONG)(UBYTE)s[1] << 16 | (ULONG)(UBYTE)s[2] << 8 | (ULONG)(UBYTE)s[3];
}

// In a scrambled file every chunk carries, once unscrambled, the bitwise
// complement of its four letters instead of the letters themselves; a reader
// accepts either.
constexpr ULONG AnimScrambledId(ULONG fourcc) { return ~fourcc; }

inline constexpr ULONG AnimChunkKinds[] = {
    AnimFourCC("FORM"), AnimFourCC("BMHD"), AnimFourCC("BODY"), AnimFourCC("ANHD"), AnimFourCC("DLTA"),
    AnimFourCC("CMAP"), AnimFourCC("LRGB"), AnimFourCC("CAMG"), AnimFourCC("SXHD"), AnimFourCC("SBDY"),
};

// The four letters a scrambled identifier stands for, or the identifier itself.
constexpr ULONG AnimPlainId(ULONG id)
{
    for (ULONG k : AnimChunkKinds)
        if (id == AnimScrambledId(k)) return k;
    return id;
}

constexpr ULONG AnimRotl(ULONG v, unsigned n) { return n == 0 ? v : (v << n) | (v >> (32 - n)); }

constexpr ULONG AnimStage(ULONG word, UWORD key, unsigned negateBit, unsigned rotateShift)
{
    if (key >> negateBit & 1) word = 0u - word;
    return AnimRotl(word, (key >> rotateShift) & 7);
}

// Unscrambles one chunk's identifier and length in place.
constexpr void AnimDecrypt2(UWORD key, ULONG &id, ULONG &length)
{
    const ULONG s1 = AnimStage(id, key, 0, 1);
    const ULONG s2 = AnimStage((s1 & 0xFFFF) << 16 | length >> 16, key, 4, 5);
    const ULONG s3 = AnimStage((s2 & 0xFFFF) << 16 | (length & 0xFFFF), key, 8, 9);
    id = (s1 & 0xFFFF0000) | s2 >> 16;
    length = s3;
}

// The key after a frame whose payload begins with firstWord (its form type).
// The control value is the low byte of the current key rotated left by four
// within 16 bits: its bit 0 negates the word, bits 1-3 rotate it left.
constexpr UWORD AnimNextKey(UWORD key, ULONG firstWord)
{
    const UWORD rotated = (UWORD)(key << 4 | key >> 12);
    const UBYTE control = (UBYTE)rotated;
    ULONG w = firstWord;
    if (control & 1) w = 0u - w;
    w = AnimRotl(w, (control >> 1) & 7);
    return (UWORD)w;
}

static_assert(AnimNextKey(ANIM_START_KEY, AnimFourCC("ILBM")) == 0xBDB3);

}  // namespace datakit
