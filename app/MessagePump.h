// Keeps the window alive during the scan and turns Esc, quit and destroy into an abort.
#pragma once

extern unsigned char g_abortScan;

void PumpMessages();
