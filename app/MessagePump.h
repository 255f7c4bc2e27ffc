// Keeps the window alive during the scan and turns Esc, quit and destroy into an abort.
#pragma once

extern unsigned char g_abortScan;

void PumpMessages();
// Asks "Terminate the Scan now?" in the program's question dialog; returns its answer
// (IDYES, IDNO, or -1 when the dialog cannot be shown).
int AskToTerminateScan(const char* caption);
