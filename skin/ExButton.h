// Owner-drawn push buttons that show one of three bitmaps named after their caption
// (caption + "_FOCUS", "_NOTFOCUS", "_DISABLE"), size themselves to them and light up while
// they have the keyboard focus or the pointer. CExButton can also show a hand cursor;
// NCExButton, the message dialog's button, keeps the default cursor.
#pragma once
#include "framework/Button.h"
#include "framework/Gdi.h"

// What both bitmap buttons share; they differ only in the cursor.
class CStateBitmapButton : public CButton {
public:
    CStateBitmapButton();

    // Attaches to control nID of pParent unless already attached, then loads the images named
    // after the caption. False for no control or an empty caption; missing images are not
    // reported here.
    bool LoadFromCaption(UINT nID, CWnd* pParent);
    // False when the focus or the not-focus image is missing; the disable image is optional.
    bool LoadStateBitmaps(const char* focusName, const char* notFocusName, const char* disableName);
    // Gives the window the not-focus image's size.
    bool FitToBitmap();
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    BOOL m_bHot;     // the focus image shows: keyboard focus, or the pointer captured over it
    CRect m_rcHit;   // (0, 0, image width, image height) once the images are loaded
    CBitmap m_bmpDisable;
    CBitmap m_bmpNotFocus;
    CBitmap m_bmpFocus;

protected:
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnKillFocus(CWnd* pNewWnd);
    void OnSetFocus(CWnd* pOldWnd);
    DECLARE_MESSAGE_MAP()
};

class CExButton : public CStateBitmapButton {
    DECLARE_DYNAMIC(CExButton)
public:
    CExButton();
    ~CExButton() override;
    // Copies cursor 106 of the Windows help program, once; without it the cursor stays the default.
    void LoadHandCursor();

    HCURSOR m_hHandCursor;   // the button's own copy, destroyed with the button

protected:
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    DECLARE_MESSAGE_MAP()
};

class NCExButton : public CStateBitmapButton {
    DECLARE_DYNAMIC(NCExButton)
};
