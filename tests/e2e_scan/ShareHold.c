/* ShareHold.exe FILE: opens FILE for reading, sharing reading only, and keeps it open until it
 * is ended. Other processes can still read FILE (so a scanner can recognise it), but deleting
 * it fails with ERROR_SHARING_VIOLATION (32) until the holder ends. Exit code 2 when FILE
 * cannot be opened. It has a (hidden) window, as the programs a user runs have: a restart asks
 * it to close, and it agrees. */
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 2;
    CreateWindowA("STATIC", "ShareHold", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
