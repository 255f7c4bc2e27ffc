/* Test-only templates and controls of the skin tests; the program's own ids are in res/resource.h. */
#pragma once

#define IDD_BUTTON_HOST 900 /* bitmap buttons at template sizes unlike their images */
#define IDC_EMPTY_CAPTION 910
#define IDC_NO_IMAGES 911
#define IDC_NO_SUCH_CONTROL 912
