// Game data store: chunks, chunk pools, lists and the mail-safe text packer.
#pragma once
#include "platform/types.h"
