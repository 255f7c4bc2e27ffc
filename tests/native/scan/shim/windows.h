// Just enough of the platform header for the scanning core and its test doubles to build on
// Linux: the handle types the shared headers name, and a clock that only waits move on, so
// that a wait passes at once (the forced action's pause is timed by the Wine tests).
#pragma once
#include <stddef.h>
typedef void* HWND;
typedef void* HKEY;
typedef void* HANDLE;
typedef unsigned long DWORD;
typedef DWORD REGSAM;
#define WAIT_OBJECT_0 0
inline DWORD& FakeClock() {
    static DWORD now;
    return now;
}
inline void Sleep(DWORD milliseconds) { FakeClock() += milliseconds; }
inline DWORD GetTickCount() { return FakeClock(); }
inline DWORD WaitForSingleObject(HANDLE, DWORD) { return WAIT_OBJECT_0; }
