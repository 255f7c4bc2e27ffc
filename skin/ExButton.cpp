// Bitmap buttons: the focused, unfocused and disabled pictures, lit by focus or pointer, and the hand cursor.
#include "skin/ExButton.h"
#include "framework/App.h"
#include "framework/SystemFolders.h"

BEGIN_MESSAGE_MAP(CStateBitmapButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_KILLFOCUS()
    ON_WM_SETFOCUS()
END_MESSAGE_MAP()

CStateBitmapButton::CStateBitmapButton() : m_bHot(FALSE) {}

bool CStateBitmapButton::LoadFromCaption(UINT nID, CWnd* pParent) {
    if (!m_hWnd && !SubclassDlgItem(nID, pParent)) return false;
    CString caption;
    GetWindowText(caption);
    if (caption.IsEmpty()) return false;
    LoadStateBitmaps(caption + "_FOCUS", caption + "_NOTFOCUS", caption + "_DISABLE");
    return true;
}

bool CStateBitmapButton::LoadStateBitmaps(const char* focusName, const char* notFocusName, const char* disableName) {
    m_bmpFocus.DeleteObject();
    m_bmpNotFocus.DeleteObject();
    m_bmpDisable.DeleteObject();
    HINSTANCE module = AfxGetInstanceHandle();
    if (!m_bmpFocus.LoadMappedBitmap(module, focusName)) return false;
    if (!m_bmpNotFocus.LoadMappedBitmap(module, notFocusName)) return false;
    m_bmpDisable.LoadMappedBitmap(module, disableName);
    return FitToBitmap();
}

bool CStateBitmapButton::FitToBitmap() {
    BITMAP size;
    if (!m_bmpNotFocus.GetBitmap(&size)) return false;
    if (!SetWindowPos(0, 0, 0, size.bmWidth, size.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE))
        return false;
    m_rcHit.SetRect(0, 0, size.bmWidth, size.bmHeight);
    return true;
}

// Neither the pressed state nor the platform's focus flag counts: a pressed button looks hot,
// and a hot button shows its focus image even when disabled.
void CStateBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    const CBitmap& image = m_bHot                                         ? m_bmpFocus
                           : (lpDrawItemStruct->itemState & ODS_DISABLED) ? m_bmpDisable
                                                                          : m_bmpNotFocus;
    CDC target(lpDrawItemStruct->hDC);
    CDC memory;
    if (!memory.CreateCompatibleDC(&target)) return;
    HGDIOBJ previous = memory.SelectObject(image.m_hObject);
    if (!previous) return;   // no image for this state: nothing is drawn
    const RECT& item = lpDrawItemStruct->rcItem;
    target.BitBlt(item.left, item.top, item.right - item.left, item.bottom - item.top, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(previous);
}

void CStateBitmapButton::OnMouseMove(UINT nFlags, CPoint point) {
    if (::GetCapture() != m_hWnd) {
        SetFocus();
        m_bHot = TRUE;
        SetCapture();
        Invalidate(FALSE);
    } else if (!m_rcHit.PtInRect(point)) {
        ::ReleaseCapture();
        m_bHot = FALSE;
        Invalidate(FALSE);
    }
    Default();
}

void CStateBitmapButton::OnSetFocus(CWnd* pOldWnd) {
    Default();
    m_bHot = TRUE;
    Invalidate(FALSE);
}

void CStateBitmapButton::OnKillFocus(CWnd* pNewWnd) {
    Default();
    m_bHot = FALSE;
    Invalidate(FALSE);
}

IMPLEMENT_DYNAMIC(CExButton, CButton)

BEGIN_MESSAGE_MAP(CExButton, CStateBitmapButton)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CExButton::CExButton() : m_hHandCursor(0) {}

CExButton::~CExButton() {
    if (m_hHandCursor) DestroyCursor(m_hHandCursor);
}

void CExButton::LoadHandCursor() {
    if (m_hHandCursor) return;
    static const char kHelpProgram[] = "\\winhlp32.exe";
    char path[MAX_PATH];
    if (!WindowsFolderPath(kHelpProgram, path, sizeof path)) return;
    HMODULE help = LoadLibraryA(path);
    if (!help) return;
    if (HCURSOR hand = LoadCursorA(help, MAKEINTRESOURCEA(106))) m_hHandCursor = (HCURSOR)CopyIcon((HICON)hand);
    FreeLibrary(help);
}

BOOL CExButton::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    if (!m_hHandCursor) return (BOOL)Default();
    ::SetCursor(m_hHandCursor);
    return TRUE;
}

IMPLEMENT_DYNAMIC(NCExButton, CButton)
