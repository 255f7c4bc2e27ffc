// The painted label: white text on the main window's blue band.
#include "skin/ColorLabel.h"
#include "app/Settings.h"

// The blue of the top band of the main window's background.
static const COLORREF kBandBlue = RGB(2, 77, 246);

BEGIN_MESSAGE_MAP(CColorLabel, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CColorLabel::CColorLabel() : m_crText(RGB(255, 255, 255)) {}

// The paint DC keeps its opaque background, so the character cells take the band's blue and
// the rest of the rectangle is left to what lies beneath. Centred horizontally only: vertical
// centring needs single-line output, which is not asked for.
void CColorLabel::OnPaint() {
    CPaintDC dc(this);
    GetClientRect(&m_rcLabel);
    GetWindowText(m_strLabel);
    dc.SetTextColor(m_crText);
    HGDIOBJ previousFont = dc.SelectObject(g_labelFont.GetSafeHandle());
    dc.SetBkColor(kBandBlue);
    dc.DrawText(m_strLabel, -1, &m_rcLabel, DT_CENTER | DT_VCENTER);
    if (previousFont) dc.SelectObject(previousFont);
}
