// A static control: texts, group labels and pictures.
#pragma once
#include "framework/Wnd.h"

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
};
