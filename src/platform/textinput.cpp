// The text cursor and the text editor of the input fields.
#include "platform/input.h"

VekCursor VekCursorStruktur;

void DrawCursor() {}
