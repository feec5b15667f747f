#include "ui/placement.h"

int center_x(int screen_w, int w) {
    // Rounded to the nearest multiple of 8, a remainder of 4 rounding up.
    return ((screen_w - w) / 2 + 4) & ~7;
}

int center_y(int screen_h, int h) {
    return (screen_h - h) / 2;
}

int dpi_px(int px, int dpi) {
    if (dpi <= 0)
        return px;
    // In 64 bits: a screen coordinate times a DPI can pass 2^31.
    long long scaled = static_cast<long long>(px) * dpi;
    long long half = scaled < 0 ? -48 : 48;
    return static_cast<int>((scaled + half) / 96);
}

void status_default_origin(int desk_right, int desk_bottom, int taskbar_height, int w, int h,
                           int overlap, int *x, int *y) {
    int bottom = desk_bottom;
    // The taskbar is taken to stand along the bottom; the window overlaps
    // its top edge a little.
    if (taskbar_height >= 0)
        bottom = desk_bottom - taskbar_height + overlap;
    *x = desk_right - w;
    *y = bottom - h;
}

void status_origin(const UiRect *desk, const UiRect *taskbar, const UiRect *work, int w, int h,
                   int dpi, int *x, int *y) {
    int taskbar_height = taskbar ? taskbar->bottom - taskbar->top : -1;
    status_default_origin(desk->right, desk->bottom, taskbar_height, w, h, dpi_px(2, dpi), x, y);
    // A taskbar at the left or right edge is as high as the screen and one at
    // the top leaves its height free at the bottom: the place above would be
    // off the screen or beside the corner.
    int along_bottom = !taskbar || (taskbar->top > desk->top && taskbar->bottom >= desk->bottom);
    int on_desk =
        *x >= desk->left && *y >= desk->top && *x + w <= desk->right && *y + h <= desk->bottom;
    if (along_bottom && on_desk)
        return;
    *x = work->right - w;
    *y = work->bottom - h;
}

int class_is_taskbar(const char *class_name) {
    static const char needle[] = "SHELL_TRAYWND";
    if (!class_name)
        return 0;
    for (const char *p = class_name; *p; p++) {
        int k = 0;
        for (; needle[k]; k++) {
            char c = p[k];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            if (c != needle[k])
                break;
        }
        if (needle[k] == 0)
            return 1;
    }
    return 0;
}
