#include "ui/readme_scroll.h"

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
