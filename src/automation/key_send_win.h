// One key message to the page window.
#ifndef YARROWMELD_KEY_SEND_WIN_H
#define YARROWMELD_KEY_SEND_WIN_H

#include <windows.h>

#include "automation/key_plan.h"

// One key message; 0 when it did not reach the page window (time-out, a
// window that is gone or hung, access denied by a browser of higher
// integrity, or any other failure), in which case the rest of the burst is
// dropped: the page must never get the tail of a text without its
// beginning.
int send_key_message(HWND page, const KeyMessage &m);

#endif
