#include "shell_stub.h"

#include "app/app_win.h"
#include "ui/dpi_win.h"

Settings g;
ShellCalls shell_calls;
int test_dpi = 96;

void report_fatal(HWND, const char *text) {
    shell_calls.fatal.push_back(text);
}

BOOL tray_notify(DWORD message) {
    shell_calls.tray_messages.push_back(message);
    shell_calls.tray_tips.push_back(g.tray_icon.szTip);
    return TRUE;
}

int screen_dpi(void) {
    return test_dpi;
}
