// A list box, by its messages.
#pragma once
#include "framework/Wnd.h"

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    int AddString(const char* text) { return (int)SendMessage(LB_ADDSTRING, 0, (LPARAM)text); }
    int GetCount() const { return (int)SendMessage(LB_GETCOUNT); }
    int SetCurSel(int index) { return (int)SendMessage(LB_SETCURSEL, index); }
    int GetCurSel() const { return (int)SendMessage(LB_GETCURSEL); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetHorizontalExtent() const { return (int)SendMessage(LB_GETHORIZONTALEXTENT); }
    void SetHorizontalExtent(int extent) { SendMessage(LB_SETHORIZONTALEXTENT, extent); }
};
