#include "app/win32/App.h"

#include "timeview/win32/TimeView.h"

AppSettings g_settings;
CPlayerCore g_player(g_settings);
CTimeView g_timeView;
