/* A harmless program whose image file carries the size and the two entry-relative signatures
 * of the W32/Drellmoxin.Pyz.Worm sample, so that the scanner's matcher and its kill routes have
 * a real running process to work on. It only sleeps until it is ended.
 *
 * Built without the C runtime so the image is one small .text section: the entry function
 * first, then the pad below, into which patch_lookalike.py writes the signatures after linking
 * (never into code), before it appends an overlay up to the sample's exact size. */
#include <windows.h>

void LookalikeMain(void) {
    for (;;) Sleep(1000);
}

/* ".text$zpad" sorts after ".text" in the linker's .text output section, so the pad follows the
 * entry function. 0x5A bytes mark what the patcher may overwrite: the second signature lies
 * 63234 bytes past the entry point, so the pad must reach beyond that. */
__attribute__((section(".text$zpad"), used)) static const unsigned char g_signaturePad[65536] = {[0 ... 65535] = 0x5A};
