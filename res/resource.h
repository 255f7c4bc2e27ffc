/* Resource identifiers, shared by the resource script and the code. */
#pragma once

#define IDI_APP            128   /* icon group */
#define IDD_MAIN           141   /* main window template */
#define IDD_MSGBOX         142   /* the program's message dialog */

/* Message dialog pictures, 42 x 40, 24 bits, on RGB(207, 233, 254). */
#define IDB_INFORMATION    152
#define IDB_QUESTION       153
#define IDB_WARNING        154
#define IDB_ERROR          155
/* Main window background, 527 x 338, 8 bits; holds no magenta pixel, so the window region is its rectangle. */
#define IDB_BACKGROUND     156

/* Main window (template 141). OK and CANCEL share one rectangle; tab order is template order.
   The owner-drawn buttons' captions are the stems of their bitmap names. */
#define IDC_GRP_REPORT     1034
#define IDC_SCAN           1052
#define IDC_DOWNLOAD       1053
#define IDC_CLOSE_X        1054
#define IDC_REPORT_LIST    1055
#define IDC_GRP_STATUS     1064
#define IDC_STATUS         1065
#define IDC_FAMILY_LABEL   1068
#define IDC_OK             1070
#define IDC_LEGAL          1072
#define IDC_HEADING        1074
#define IDC_NOTICE         1075
#define IDC_SEARCH_LABEL   1076
#define IDC_DLINK          1077
#define IDC_ULINK          1080
#define IDC_LOGO           1085
/* IDCANCEL (2) is the main window's CANCEL button. */

/* Message dialog (template 142): IDOK 1 and IDCANCEL 2 are the OK and Cancel pair,
   IDYES 6 and IDNO 7 the question pair, and 3 the single OK. */
#define IDC_OK_ONLY        3
#define IDC_MSG_PICTURE    1085
#define IDC_MSG_TEXT       1086
