// The application object: the one global the program start finds and runs.
#pragma once
#include "framework/Wnd.h"

#define ID_HELP 0xE146   // 57670, the standard help command

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;
    // A dialog-based program does all its work here and returns false to end.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    CWnd* m_pMainWnd;
    HINSTANCE m_hInstance;

protected:
    // Opens the program's help file (its name with the extension .HLP) in the help program.
    void OnHelp();
    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// The program start: runs the application object's InitInstance and ExitInstance.
int AfxWinMain(HINSTANCE hInstance);
