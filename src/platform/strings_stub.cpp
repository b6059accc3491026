// Empty string tables until the built-in texts are written.
#include "platform/catalog.h"

LocStr VekStrings[VEK_STRING_COUNT];
LocStr RoredIdezStrings[BT_STRING_COUNT];
