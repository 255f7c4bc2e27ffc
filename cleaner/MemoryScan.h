// Before the drive walk: examines the image of every running process and ends infected ones.
#pragma once

extern int g_osFamily;
extern int g_memoryRestartNeeded;

void ScanMemory();
void ScanProcessesToolhelp();
short ScanProcessesPsapi();
