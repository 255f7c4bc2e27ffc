// The application object: refuses a second copy, then runs the main window modally.
#pragma once
#include "framework/App.h"

class CToolApp : public CWinApp {
public:
    BOOL InitInstance() override;
    DECLARE_MESSAGE_MAP()
};
