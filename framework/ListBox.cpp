// The list box control: its lines read back as strings.
#include "framework/ListBox.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)

void CListBox::GetText(int index, CString& text) const {
    int length = GetTextLen(index);
    if (length < 0) {
        text = "";
        return;
    }
    char* buffer = text.GetBuffer(length);
    if (!buffer) return;
    buffer[0] = 0;
    SendMessage(LB_GETTEXT, index, (LPARAM)buffer);
    buffer[length] = 0;
    text.ReleaseBuffer();
}
