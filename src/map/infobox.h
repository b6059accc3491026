// Inside the map info box: what it will show, built apart from the drawing
// so that the texts can be checked without reading pixels.
#pragma once
#include "platform/types.h"

struct LokaleDatenKartenScreen;

constexpr size_t INFO_TEXT_GROESSE = 256;  // the box's text with its NUL

struct InfoInhalt {
    char Text[INFO_TEXT_GROESSE];  // the box's text; cut at a line end when it would not fit
    bool Figur;                    // about the selected figure, else about the marked hex
    LONG X, Y;                     // the marked hex in view coordinates
    // High colour only: the panel round the box.
    char Status[192];              // terrain class and owner of the marked hex
    char Stufe[3][16];             // animal, plant and mineral levels
    UWORD Bild, Frame;             // figure strip and frame, 0 none
    UWORD Gelaende;                // terrain picture, 0 none
};

// Fills out for the state's view; hoch chooses the high-colour layout.
// 0 when there is no view, else 1.
int BaueInfoInhalt(LokaleDatenKartenScreen *st, bool hoch, InfoInhalt *out);
