// Window objects. A CWnd is attached to a window handle either permanently (by subclassing:
// its message map then sees the window's messages) or as a view of a handle, an object of its
// own that takes nothing over and lives as long as whoever made it (CWndArg: one handler call).
#pragma once
#include <windows.h>
#include "framework/MsgMap.h"
#include "framework/String.h"

class CFont;

class CWnd : public CCmdTarget {
public:
    static const CRuntimeClass classCWnd;
    const CRuntimeClass* GetRuntimeClass() const override;

    CWnd();
    // A view of a window that another party owns: it never subclasses or releases it.
    explicit CWnd(HWND hWndView);
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The permanent object of a window, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Routes the window's messages through this object's message map.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    void GetWindowText(CString& text) const;
    void MoveWindow(int x, int y, int width, int height, BOOL bRepaint = TRUE) {
        ::MoveWindow(m_hWnd, x, y, width, height, bRepaint);
    }
    BOOL SetWindowPos(HWND hWndAfter, int x, int y, int cx, int cy, UINT nFlags) {
        return ::SetWindowPos(m_hWnd, hWndAfter, x, y, cx, cy, nFlags);
    }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, 0, bErase); }
    void SetRedraw(BOOL bRedraw = TRUE) { SendMessage(WM_SETREDRAW, bRedraw); }
    BOOL RedrawWindow(UINT flags) { return ::RedrawWindow(m_hWnd, 0, 0, flags); }
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    HFONT GetFont() const { return (HFONT)SendMessage(WM_GETFONT); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, 0); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    void SetIcon(HICON hIcon, BOOL bBigIcon) {
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, (LPARAM)hIcon);
    }
    void ModifyStyle(DWORD remove, DWORD add);
    int SetWindowRgn(HRGN hRgn, BOOL bRedraw) { return ::SetWindowRgn(m_hWnd, hRgn, bRedraw); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    HWND SetCapture() { return ::SetCapture(m_hWnd); }
    // Centres over the owner (or pAlternateOwner) when that is visible, else on the screen's work area.
    void CenterWindow(CWnd* pAlternateOwner = 0);

    // The message map's entry point; unhandled messages go to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's own processing before it was subclassed.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message currently being handled.
    LRESULT Default();
    // A child's chance to handle the notification its parent received for it (owner drawing).
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

protected:
    // Handlers whose default is the window's own processing; derived maps name them.
    void OnTimer(UINT_PTR nIDEvent) { Default(); }
    void OnPaint() { Default(); }
    void OnLButtonDown(UINT nFlags, CPoint point) { Default(); }
    void OnMouseMove(UINT nFlags, CPoint point) { Default(); }
    void OnSetFocus(CWnd* pOldWnd) { Default(); }
    void OnKillFocus(CWnd* pNewWnd) { Default(); }
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) { return (BOOL)Default(); }
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) { return (HBRUSH)Default(); }

    bool OnCommand(WPARAM wParam, LPARAM lParam);
    void Attach(HWND hWnd);
    void Detach();

    WNDPROC m_pfnSuper;   // the window's procedure before subclassing
    bool m_bView;         // made by the view constructor: holds its handle without owning it

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// A window handed to a handler by the message map: its permanent object, else a view of the
// handle that lives in the dispatching call until the handler returns, so that no other
// message, nested or not, can make it mean another window (null for a null handle).
class CWndArg {
public:
    explicit CWndArg(HWND hWnd) : m_view(hWnd), m_pWnd(CWnd::FromHandlePermanent(hWnd)) {
        if (!m_pWnd && hWnd) m_pWnd = &m_view;
    }
    CWndArg(const CWndArg&) = delete;
    CWndArg& operator=(const CWndArg&) = delete;
    operator CWnd*() { return m_pWnd; }

private:
    CWnd m_view;
    CWnd* m_pWnd;
};
