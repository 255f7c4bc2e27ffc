// Windows: runtime classes, message maps and their dispatch, subclassing and views of foreign handles.
#include "framework/Wnd.h"
#include "framework/App.h"
#include "framework/Gdi.h"

// The window property that links a handle to its permanent object.
static const char kObjectProp[] = "SweepwrightCWnd";

// The innermost message being processed; saved and restored around nested dispatch.
static MSG s_currentMsg;

const MSG* AfxCurrentMessage() { return &s_currentMsg; }

// CObject and CCmdTarget

const CRuntimeClass CObject::classCObject = {"CObject", 0};
const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
        if (cls == base) return true;
    return false;
}

const AfxMsgMap* CCmdTarget::GetThisMessageMap() {
    static const AfxMsgMapEntry entries[] = {{0, 0, 0, 0, 0}};
    static const AfxMsgMap map = {0, entries};
    return &map;
}

const AfxMsgMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AfxMsgMapEntry* CCmdTarget::FindEntry(UINT nMessage, UINT nCode, UINT nID) const {
    for (const AfxMsgMap* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : 0) {
        for (const AfxMsgMapEntry* e = map->lpEntries; e->pfn; ++e) {
            if (nMessage < e->nMessage || nMessage > e->nMessageLast) continue;
            if (nMessage == WM_COMMAND && (e->nCode != nCode || e->nID != nID)) continue;
            return e;
        }
    }
    return 0;
}

bool CCmdTarget::OnCmdMsg(UINT nID, UINT nCode) {
    const AfxMsgMapEntry* e = FindEntry(WM_COMMAND, nCode, nID);
    if (!e) return false;
    e->pfn(this, s_currentMsg.wParam, s_currentMsg.lParam);
    return true;
}

// CWnd

const CRuntimeClass CWnd::classCWnd = {"CWnd", &CObject::classCObject};
const CRuntimeClass* CWnd::GetRuntimeClass() const { return &classCWnd; }

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(0), m_pfnSuper(0), m_bView(false) {}

CWnd::CWnd(HWND hWndView) : m_hWnd(hWndView), m_pfnSuper(0), m_bView(true) {}

CWnd::~CWnd() {
    if (m_hWnd && !m_bView) UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return hWnd ? (CWnd*)GetPropA(hWnd, kObjectProp) : 0; }

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    SetPropA(hWnd, kObjectProp, (HANDLE)this);
}

void CWnd::Detach() {
    RemovePropA(m_hWnd, kObjectProp);
    m_hWnd = 0;
}

bool CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return false;
    Attach(hWnd);
    m_pfnSuper = (WNDPROC)SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)AfxWndProc);
    return true;
}

bool CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent && SubclassWindow(::GetDlgItem(pParent->m_hWnd, nID));
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (!hWnd) return 0;
    if ((WNDPROC)GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == AfxWndProc)
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    Detach();
    m_pfnSuper = 0;
    return hWnd;
}

void CWnd::GetWindowText(CString& text) const {
    int length = ::GetWindowTextLengthA(m_hWnd);
    char* buffer = text.GetBuffer(length);
    if (!buffer) return;
    ::GetWindowTextA(m_hWnd, buffer, length + 1);
    buffer[length] = 0;
    text.ReleaseBuffer();
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    SendMessage(WM_SETFONT, (WPARAM)(pFont ? (HFONT)*pFont : 0), bRedraw);
}

void CWnd::ModifyStyle(DWORD remove, DWORD add) {
    DWORD style = (DWORD)GetWindowLongA(m_hWnd, GWL_STYLE);
    SetWindowLongA(m_hWnd, GWL_STYLE, (style & ~remove) | add);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    HWND center = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    RECT area, self;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT over = area;
    if (center && ::IsWindowVisible(center) && !::IsIconic(center)) ::GetWindowRect(center, &over);
    GetWindowRect(&self);
    int width = self.right - self.left, height = self.bottom - self.top;
    int x = (over.left + over.right) / 2 - width / 2;
    int y = (over.top + over.bottom) / 2 - height / 2;
    // Keep the window inside the work area.
    if (x + width > area.right) x = area.right - width;
    if (x < area.left) x = area.left;
    if (y + height > area.bottom) y = area.bottom - height;
    if (y < area.top) y = area.top;
    SetWindowPos(0, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(s_currentMsg.message, s_currentMsg.wParam, s_currentMsg.lParam); }

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

// Commands go to this window's map first, then to the application's.
bool CWnd::OnCommand(WPARAM wParam, LPARAM) {
    UINT nID = LOWORD(wParam), nCode = HIWORD(wParam);
    if (OnCmdMsg(nID, nCode)) return true;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) return 0;
        return DefWindowProc(message, wParam, lParam);
    }
    if (const AfxMsgMapEntry* e = FindEntry(message, 0, 0)) return e->pfn(this, wParam, lParam);
    if (message == WM_DRAWITEM) {
        // Owner drawing is the control's own business: reflect the request to it.
        CWnd* child = FromHandlePermanent(((DRAWITEMSTRUCT*)lParam)->hwndItem);
        LRESULT result = 0;
        if (child && child->OnChildNotify(message, wParam, lParam, &result)) return result;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd) return ::DefWindowProcA(hWnd, message, wParam, lParam);
    MSG saved = s_currentMsg;
    s_currentMsg.hwnd = hWnd;
    s_currentMsg.message = message;
    s_currentMsg.wParam = wParam;
    s_currentMsg.lParam = lParam;
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) wnd->UnsubclassWindow();   // the handle is gone; the object may live on
    s_currentMsg = saved;
    return result;
}
