// Brings a window back to the middle of the screen, on the grid the tray
// and the settings dialog use.
#include "ui/center_window_win.h"

#include "ui/placement.h"

void center_window(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    int x = center_x(GetSystemMetrics(SM_CXSCREEN), w);
    int y = center_y(GetSystemMetrics(SM_CYSCREEN), h);
    if (r.left == x && r.top == y)
        return;
    ShowWindow(window, SW_HIDE);
    MoveWindow(window, x, y, w, h, FALSE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
}
