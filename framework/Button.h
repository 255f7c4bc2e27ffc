// A push button; owner-drawn buttons get their parent's draw requests in DrawItem.
#pragma once
#include "framework/Wnd.h"

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}
    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};
