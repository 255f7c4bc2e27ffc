// The list box control.
#include "framework/ListBox.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)
