// The button control: draw-item requests reflected back to the button.
#include "framework/Button.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

bool CButton::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM) return false;
    DrawItem((LPDRAWITEMSTRUCT)lParam);
    *pResult = TRUE;
    return true;
}
