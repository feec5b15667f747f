// Window-free arithmetic and rules of the dialogs.
#ifndef YARROWMELD_UI_LOGIC_H
#define YARROWMELD_UI_LOGIC_H

#include <stddef.h>

// center_window: x = ((screen_w - w) / 2 + 4) & ~7, y = (screen_h - h) / 2,
// both divisions truncating toward zero.
int center_x(int screen_w, int w);
int center_y(int screen_h, int h);

// The number checks of the settings dialog, given what an unsigned
// conversion of each field gave (ok flag and value). Values above
// 2147483647 are refused as a conversion failure, so that no negative
// interval or timer period can come from the fields. Returns 0 when all
// pass, else the number of the failing check: 3 update field, 4 post field,
// 5 both zero, 6 update not below a non-zero post.
int validate_intervals(int update_ok, unsigned update_value, int post_ok, unsigned post_value);

// Readme viewer scrolling. scroll_delta turns a scroll code (SB_LINEUP 0,
// SB_LINEDOWN 1, SB_PAGEUP 2, SB_PAGEDOWN 3, SB_THUMBPOSITION 4,
// SB_THUMBTRACK 5, others) into a step; scroll_clamp keeps pos + delta
// within 0 .. max.
int scroll_delta(int code, int thumb, int pos, int page);
int scroll_clamp(int delta, int pos, int max);

// Scroll range of the viewer, never dividing by zero: a zero caps width,
// line height or line count gives a range of 0 and a page of at least 1.
struct ReadmeMetrics {
    int line_height;
    int lines_per_page;
    int max;
};
ReadmeMetrics readme_metrics(int pitch_and_family, int ave_char_width, int height,
                             int external_leading, int client_height);

// "\StringFileInfo\%04x%04x\%s" into out (out_size bytes, always
// terminated); returns 1 when it fitted, 0 when cut.
int format_version_path(char *out, size_t out_size, unsigned lang, unsigned codepage,
                        const char *field);
// The fallback tables of the version search.
extern const unsigned short version_codepages[12];
extern const unsigned short version_languages[45];

// Status window default origin from the desktop rectangle (right, bottom),
// the taskbar's height (or -1 without a taskbar) and the window size.
void status_default_origin(int desk_right, int desk_bottom, int taskbar_height, int w, int h,
                           int *x, int *y);

// A rectangle in screen coordinates, as Win32's RECT.
struct UiRect {
    int left, top, right, bottom;
};

// The status window's first place: status_default_origin's, which takes the
// taskbar to stand along the bottom, as long as it does (or there is none,
// taskbar null) and that place lies wholly on the desktop; otherwise the
// bottom right corner of the work area.
void status_origin(const UiRect *desk, const UiRect *taskbar, const UiRect *work, int w, int h,
                   int *x, int *y);

// Upper-case ASCII containment test of find_taskbar_window.
int class_is_taskbar(const char *class_name);

#endif
