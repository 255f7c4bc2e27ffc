// Program-wide settings fixed before any window exists.
#pragma once
#include "framework/Gdi.h"

extern char g_toolTitle[260];    // "Sweepwright Ver 1.0": window title, question captions, instance test
extern char g_trojanName[260];   // "W32/Drellmoxin": heading texts
extern int g_scanTimerId;        // 100
extern int g_showRemovedTotal;   // 1: the statistics carry "Total files removed"
extern CFont g_labelFont;        // created by the main window, drawn with by the family label
