#ifndef YARROWMELD_TRAY_TIP_H
#define YARROWMELD_TRAY_TIP_H

#include "text/text_rules.h"

enum { TRAY_TIP_MAX = 63 };  // szTip of the 88-byte NOTIFYICONDATAA, less the terminator

// "Yarrowmeld[ON] - title", "Yarrowmeld[OFF]" without a title. out has room
// for TRAY_TIP_MAX + 1 bytes; a longer text is cut at a character boundary
// of the code page so that the tip never ends in half a character.
// Returns the length written.
int format_tray_tip(char *out, const char *title, int running, const TextRules *tr);

#endif
