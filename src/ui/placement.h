// Where the dialogs and the status window go on the screen.
#ifndef YARROWMELD_PLACEMENT_H
#define YARROWMELD_PLACEMENT_H

// center_window: x = ((screen_w - w) / 2 + 4) & ~7, y = (screen_h - h) / 2,
// both divisions truncating toward zero.
int center_x(int screen_w, int w);
int center_y(int screen_h, int h);

// A length of px pixels at 96 DPI, at dpi dots per inch: rounded to the
// nearest pixel, halves away from zero as MulDiv does; a dpi of 0 or less
// (none could be had) keeps px.
int dpi_px(int px, int dpi);

// Status window default origin from the desktop rectangle (right, bottom),
// the taskbar's height (or -1 without a taskbar), the window size and the
// pixels by which the window overlaps the taskbar's top edge.
void status_default_origin(int desk_right, int desk_bottom, int taskbar_height, int w, int h,
                           int overlap, int *x, int *y);

// A rectangle in screen coordinates, as Win32's RECT.
struct UiRect {
    int left, top, right, bottom;
};

// The status window's first place: status_default_origin's, which takes the
// taskbar to stand along the bottom, as long as it does (or there is none,
// taskbar null) and that place lies wholly on the desktop; otherwise the
// bottom right corner of the work area. The overlap of 2 pixels at 96 DPI
// grows with dpi.
void status_origin(const UiRect *desk, const UiRect *taskbar, const UiRect *work, int w, int h,
                   int dpi, int *x, int *y);

// Upper-case ASCII containment test of find_taskbar_window.
int class_is_taskbar(const char *class_name);

#endif
