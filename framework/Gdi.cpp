// Graphics objects that own their handles, and device contexts that are owned or viewed.
#include "framework/Gdi.h"
#include "framework/Wnd.h"

void CGdiObject::Attach(HGDIOBJ hObject) {
    if (hObject == m_hObject) return;
    DeleteObject();
    m_hObject = hObject;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ hObject = m_hObject;
    m_hObject = 0;
    return hObject;
}

bool CGdiObject::DeleteObject() {
    if (!m_hObject) return false;
    bool deleted = ::DeleteObject(m_hObject) != 0;
    m_hObject = 0;
    return deleted;
}

bool CBitmap::LoadMappedBitmap(HINSTANCE hInstance, const char* name) {
    Attach(LoadImageA(hInstance, name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    return m_hObject != 0;
}

bool CBitmap::GetBitmap(BITMAP* info) const { return m_hObject && GetObjectA(m_hObject, sizeof(BITMAP), info) != 0; }

bool CFont::CreateFontIndirect(const LOGFONTA* logFont) {
    Attach(::CreateFontIndirectA(logFont));
    return m_hObject != 0;
}

bool CBrush::CreateSolidBrush(COLORREF color) {
    Attach(::CreateSolidBrush(color));
    return m_hObject != 0;
}

CDC::~CDC() {
    if (m_bOwned && m_hDC) ::DeleteDC(m_hDC);
}

bool CDC::CreateCompatibleDC(CDC* pDC) {
    if (m_bOwned && m_hDC) ::DeleteDC(m_hDC);
    m_hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : 0);
    m_bOwned = m_hDC != 0;
    return m_bOwned;
}

SIZE CDC::GetTextExtent(const char* text, int length) const {
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(m_hDC, text, length, &size);
    return size;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
    m_hDC = 0;
}

// A null window gives the screen's device context, as GetDC does.
CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : 0) { m_hDC = ::GetDC(m_hWnd); }
CClientDC::~CClientDC() {
    ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = 0;
}
