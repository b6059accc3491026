// Animation and sound: what start-up and shutdown call.
#pragma once
#include "media/sound.h"
