/* Templates and controls of the framework tests (FrameworkTest.rc). The probe dialog stands at
   (0, 0) without a centring style, so only the framework can centre it. */
#pragma once

#define IDD_PROBE 100
#define IDD_VISIBLE 101 /* extended template that asks to be visible, also at (0, 0) */
#define IDD_MISSING 199 /* no such template */
#define IDB_GREYS 200   /* 4 x 1, 8 bits: grey 128, grey 192, grey 223, pure red */

#define IDC_THIRD 3        /* a push button whose click the tests map to the base OnOK */
#define IDC_LABEL 1001     /* static text bound to a member */
#define IDC_BARE 1002      /* static text without an object of its own */
#define IDC_PLAIN 1003     /* push button with its own click handler */
#define IDC_LIST 1004      /* list box bound to a member */
#define IDC_NOHANDLER 1005 /* push button nobody handles */
