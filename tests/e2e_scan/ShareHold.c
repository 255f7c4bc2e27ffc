/* ShareHold.exe FILE: opens FILE for reading, sharing reading only, and keeps it open until it
 * is ended. Other processes can still read FILE (so a scanner can recognise it), but deleting
 * it fails with ERROR_SHARING_VIOLATION (32) until the holder ends. Exit code 2 when FILE
 * cannot be opened. It has a (hidden) window, as the programs a user runs have: a restart asks
 * it to close, and it agrees.
 * ShareHold.exe /write FILE holds FILE open for writing instead, sharing reading and writing,
 * as another machine appending to the same log would.
 * ShareHold.exe /mutex NAME holds a mutex of that name that no other process may open, as one
 * made by another account (or program) is to an administrator. */
#include <windows.h>
#include <string.h>

/* Revision 1, DACL present, self-relative; an empty DACL: nobody is granted anything. */
static const unsigned char kNobody[] = {1, 0, 0x04, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,
                                        2, 0, 8, 0, 0, 0, 0, 0};

static HANDLE Hold(int argc, char** argv) {
    if (argc == 2)
        return CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (argc == 3 && strcmp(argv[1], "/write") == 0)
        return CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (argc == 3 && strcmp(argv[1], "/mutex") == 0) {
        SECURITY_ATTRIBUTES nobody = {sizeof nobody, (void*)kNobody, FALSE};
        HANDLE mutex = CreateMutexA(&nobody, FALSE, argv[2]);
        return mutex ? mutex : INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

int main(int argc, char** argv) {
    if (Hold(argc, argv) == INVALID_HANDLE_VALUE) return 2;
    CreateWindowA("STATIC", "ShareHold", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
