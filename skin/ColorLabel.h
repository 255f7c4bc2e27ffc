// A static text painted by itself: white on the main window's blue band, in g_labelFont.
#pragma once
#include "framework/Static.h"

class CColorLabel : public CStatic {
public:
    CColorLabel();

    CString m_strLabel;   // the window text, read again at every paint
    CRect m_rcLabel;      // the client rectangle, read again at every paint
    COLORREF m_crText;

protected:
    void OnPaint();
    DECLARE_MESSAGE_MAP()
};
