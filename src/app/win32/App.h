#pragma once
// The program-wide objects: they live from the start of the process to its end.
#include "engine/PlayerCore.h"
#include "settings/AppSettings.h"

class CTimeView;

extern AppSettings g_settings;
extern CPlayerCore g_player;
extern CTimeView g_timeView;
