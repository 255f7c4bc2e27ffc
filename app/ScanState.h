// Scan settings prepared by SCAN (or by a quiet run's start), and the counters every part of the scan moves.
#pragma once

enum { ACTION_REMOVE = 100, ACTION_RENAME = 101, ACTION_REMOVE_TOO = 102, ACTION_REPORT_ONLY = 103 };

extern char g_scanTarget[260];   // "!:" walks every fixed drive; "?:" the quick scan's places; else the first /path folder
extern int g_action;             // one of the ACTION_ codes
extern int g_filesScanned;
extern int g_filesInfected;
extern int g_filesRemoved;
extern int g_restartNeeded;         // how many removals wait for the next restart
extern int g_notScanned;            // how many places asked for were not examined ("not scanned" lines)
extern char g_pendingFolder[260];   // the drive's "\Program Files\*.*" pattern for the second pass
extern int g_pendingFolderSet;
extern int g_pendingFolderSeen;

int StartScan();
// The scan's settings from the command line (every fixed drive and removal without switches),
// reported to the given window.
struct HWND__;
void PrepareScan(HWND__* mainWindow);
