// The application object: the one instance, its start-up and its command map.
#include "framework/App.h"
#include <string.h>

static CWinApp* s_app;

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp() : m_pMainWnd(0), m_hInstance(0) { s_app = this; }

CWinApp::~CWinApp() {
    if (s_app == this) s_app = 0;
}

void CWinApp::OnHelp() {
    char helpFile[MAX_PATH];
    DWORD length = GetModuleFileNameA(m_hInstance, helpFile, sizeof helpFile);
    char* dot = strrchr(helpFile, '.');
    if (length == 0 || length >= sizeof helpFile || !dot || (size_t)(dot - helpFile) + 5 > sizeof helpFile) return;
    strcpy(dot, ".HLP");
    WinHelpA(m_pMainWnd ? m_pMainWnd->m_hWnd : 0, helpFile, HELP_FINDER, 0);
}

CWinApp* AfxGetApp() { return s_app; }
CWnd* AfxGetMainWnd() { return s_app ? s_app->m_pMainWnd : 0; }
HINSTANCE AfxGetInstanceHandle() { return s_app && s_app->m_hInstance ? s_app->m_hInstance : GetModuleHandleA(0); }

int AfxWinMain(HINSTANCE hInstance) {
    if (!s_app) return 1;
    s_app->m_hInstance = hInstance;
    s_app->InitInstance();
    return s_app->ExitInstance();
}
