// Just enough of the platform header for the scanning core and its test doubles to build on
// Linux: the handle types the shared headers name, and a Sleep that does not wait (the
// forced action's pause is timed by the Wine tests).
#pragma once
typedef void* HWND;
typedef void* HKEY;
typedef unsigned long DWORD;
typedef DWORD REGSAM;
inline void Sleep(DWORD) {}
