// The application object: reads the command line, refuses a second copy, then runs the scan
// in the main window or, in a quiet run, without one; the run's exit code is the program's.
#pragma once
#include "framework/App.h"
#include "framework/KernelHandles.h"

class CToolApp : public CWinApp {
public:
    CToolApp() : m_exitCode(0) {}
    BOOL InitInstance() override;
    int ExitInstance() override { return m_exitCode; }
    DECLARE_MESSAGE_MAP()

private:
    int Run();
    bool AnotherCopyRuns();

    int m_exitCode;
    CHandle m_instanceMutex;   // held until the program ends
};
