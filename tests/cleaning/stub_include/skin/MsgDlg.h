// Used only until the skin's own header exists: the declaration the memory scan calls.
#pragma once
int ToolMessageBox(const char* text, const char* caption, unsigned flags);
