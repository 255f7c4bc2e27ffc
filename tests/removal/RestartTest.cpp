// RestartSystem really asks Wine to restart: run only in a throwaway prefix. Wine's
// ExitWindowsEx returns and has wineboot end the prefix's processes moments later, so a
// process still alive after a generous wait was not restarted. run_removal.py checks that the
// first marker exists and the second does not.
#include "tests/removal/RemovalHarness.h"

#include "cleaner/Restart.h"

TEST(Restart, EndsTheProcess) {
    CreateDirectoryA("C:\\removal", NULL);
    WriteFileBytes("C:\\removal\\restart-called", "");
    RestartSystem();
    Sleep(20000);
    WriteFileBytes("C:\\removal\\restart-returned", "");
    FAIL() << "still running long after RestartSystem";
}
