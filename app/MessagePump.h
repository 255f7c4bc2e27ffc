// Keeps the window alive during the scan and turns Esc, quit and destroy into an abort.
#pragma once
#include <windows.h>

extern unsigned char g_abortScan;

void PumpMessages();
// Asks "Terminate the Scan now?" in the program's question dialog; returns its answer
// (IDYES, IDNO, or -1 when the dialog cannot be shown).
int AskToTerminateScan(const char* caption);

// Every wait of the scan: up to the given time for the object (a process) to be signalled, or
// the whole time when object is null, in steps short enough that the window keeps answering
// (Windows calls a window that has not answered for 5 s "Not Responding" and offers to end the
// program). True when the object was signalled, always for null. A wait is part of a removal
// step: an abort that the pump sets meanwhile is for the caller to honour once its step is done.
inline bool WaitPumping(HANDLE object, DWORD milliseconds) {
    const DWORD kStepMs = 20;
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        const DWORD elapsed = GetTickCount() - start;
        const DWORD left = elapsed >= milliseconds ? 0 : milliseconds - elapsed;
        const DWORD step = left < kStepMs ? left : kStepMs;
        if (object == NULL)
            Sleep(step);
        else if (WaitForSingleObject(object, step) == WAIT_OBJECT_0)
            return true;
        if (step == 0) return object == NULL;
    }
}
