#include "ui/ui_logic.h"

namespace {

const unsigned max_interval = 2147483647u;

const char hex_digits[] = "0123456789abcdef";

}  // namespace

const unsigned short version_codepages[12] = {0,    932,  949,  950,  1200, 1250,
                                              1251, 1252, 1253, 1254, 1255, 1256};

const unsigned short version_languages[45] = {
    1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039,
    1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053, 1054,
    1055, 1056, 1057, 2052, 2055, 2057, 2058, 2060, 2064, 2067, 2068, 2070, 2074, 3084, 4108};

int center_x(int screen_w, int w) {
    // Rounded to the nearest multiple of 8, a remainder of 4 rounding up.
    return ((screen_w - w) / 2 + 4) & ~7;
}

int center_y(int screen_h, int h) {
    return (screen_h - h) / 2;
}

int validate_intervals(int update_ok, unsigned update_value, int post_ok, unsigned post_value) {
    // The intervals are signed: a value above the largest int would turn
    // into a negative interval and timer period.
    if (!update_ok || update_value > max_interval)
        return 3;
    if (!post_ok || post_value > max_interval)
        return 4;
    if (update_value == 0 && post_value == 0)
        return 5;
    if (post_value != 0 && (int)update_value >= (int)post_value)
        return 6;
    return 0;
}

int scroll_delta(int code, int thumb, int pos, int page) {
    switch (code) {
        case 0:  // SB_LINEUP
            return -1;
        case 1:  // SB_LINEDOWN
            return 1;
        case 2:  // SB_PAGEUP
            return -page;
        case 3:  // SB_PAGEDOWN
            return page;
        case 5:  // SB_THUMBTRACK
            return thumb - pos;
    }
    return 0;  // SB_THUMBPOSITION and the rest: the track already moved it
}

int scroll_clamp(int delta, int pos, int max) {
    int room = max - pos;
    int smaller = delta < room ? delta : room;
    if (smaller < -pos)
        return -pos;
    if (delta >= room)
        return room;
    return delta;
}

ReadmeMetrics readme_metrics(int pitch_and_family, int ave_char_width, int height,
                             int external_leading, int client_height) {
    ReadmeMetrics m;
    // Bit 0 of the pitch-and-family byte set means a variable-pitch font,
    // whose capitals are taken as half as wide again as the average.
    int caps_width = ((pitch_and_family & 1) | 2) * ave_char_width / 2;
    m.line_height = height + external_leading;
    int total = caps_width > 0 ? 369 / caps_width : 0;
    int lines = m.line_height > 0 ? client_height / m.line_height : 0;
    if (lines > 0) {
        m.lines_per_page = lines;
        m.max = total / lines;
    } else {
        // A font or control of no height: nothing to scroll, and a page of
        // one line so that paging still moves.
        m.lines_per_page = 1;
        m.max = 0;
    }
    return m;
}

int format_version_path(char *out, size_t out_size, unsigned lang, unsigned codepage,
                        const char *field) {
    if (out_size == 0)
        return 0;
    char digits[9];
    // Each number as exactly four hex digits: a 16-bit language, then a
    // 16-bit code page, as the keys of a version block's string tables.
    unsigned pair = ((lang & 0xFFFFu) << 16) | (codepage & 0xFFFFu);
    for (int i = 0; i < 8; i++) digits[i] = hex_digits[(pair >> (28 - 4 * i)) & 0xF];
    digits[8] = 0;

    const char *parts[] = {"\\StringFileInfo\\", digits, "\\", field ? field : ""};
    size_t n = 0;
    for (const char *part : parts) {
        for (; *part; part++) {
            if (n + 1 >= out_size) {
                out[n] = 0;
                return 0;
            }
            out[n++] = *part;
        }
    }
    out[n] = 0;
    return 1;
}

void status_default_origin(int desk_right, int desk_bottom, int taskbar_height, int w, int h,
                           int *x, int *y) {
    int bottom = desk_bottom;
    // The taskbar is taken to stand along the bottom; the window overlaps
    // its top edge by 2 pixels.
    if (taskbar_height >= 0)
        bottom = desk_bottom - taskbar_height + 2;
    *x = desk_right - w;
    *y = bottom - h;
}

void status_origin(const UiRect *desk, const UiRect *taskbar, const UiRect *work, int w, int h,
                   int *x, int *y) {
    int taskbar_height = taskbar ? taskbar->bottom - taskbar->top : -1;
    status_default_origin(desk->right, desk->bottom, taskbar_height, w, h, x, y);
    // A taskbar at the left or right edge is as high as the screen and one at
    // the top leaves its height free at the bottom: the place above would be
    // off the screen or beside the corner.
    int along_bottom = !taskbar || (taskbar->top > desk->top && taskbar->bottom >= desk->bottom);
    int on_desk = *x >= desk->left && *y >= desk->top && *x + w <= desk->right &&
                  *y + h <= desk->bottom;
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
                c = (char)(c - 'a' + 'A');
            if (c != needle[k])
                break;
        }
        if (needle[k] == 0)
            return 1;
    }
    return 0;
}
