// The scan settings and counters: plain data, shared by the driver, the walk, the matcher,
// the disinfection and the cleaning code (and linked alone by their tests).
#include "app/ScanState.h"

char g_scanTarget[260];
int g_action;
int g_filesScanned;
int g_filesInfected;
int g_filesRemoved;
int g_restartNeeded;
int g_notScanned;
char g_pendingFolder[260];
int g_pendingFolderSet;
int g_pendingFolderSeen;
