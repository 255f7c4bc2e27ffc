/* Stands in for the Windows help program in the hand cursor tests: loaded as a library only. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) { return 0; }
