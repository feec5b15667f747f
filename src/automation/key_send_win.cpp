// One key message to the page window, and what counts as its failure.
#include "automation/key_send_win.h"

#include "platform/platform.h"

// A page window that stops answering must not hold the program for ever,
// but a page busy with a script or a garbage collection for a few seconds
// is not hung: the system itself calls a window hung only after 5 s without
// answering, and SMTO_ABORTIFHUNG gives up at once on such a window. Past
// that, each key message waits this long, well beyond a slow page's pause,
// since a message given up still arrives later and the rest of its burst
// would be missing.
static const UINT KEY_SEND_TIMEOUT_MS = 10000;

int send_key_message(HWND page, const KeyMessage &m) {
    DWORD_PTR result;
    SetLastError(0);
    if (SendMessageTimeoutA(page, m.msg, m.wparam, m.lparam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            KEY_SEND_TIMEOUT_MS, &result))
        return 1;
    // The WM_CHAR of a lead byte to a Unicode window is held back by the
    // system, without an error, until the trail byte joins it: not a
    // failure but half of a character on its way.
    return m.msg == WM_CHAR && plat_is_lead_byte(static_cast<unsigned char>(m.wparam)) &&
           GetLastError() == 0;
}
