// Helpers shared by the town files and the after-turn update.
#pragma once
#include <cstddef>
#include "world/towns.h"

UWORD AntiID(const GebaeudeAbhaengigkeiten &Slot, int i);  // NotID1..8 for i 0..7
void KopiereName(char *Ziel, const char *Quelle);          // at most 79 characters, NUL-filled to 80
// ./Data/Cities/<Name><Endung> into Pfad; false for a name that is no file name.
bool StadtDatei(char *Pfad, size_t Groesse, const char *Name, const char *Endung);
void LoescheStadtDateien(const char *Name);                // the record and its picture
