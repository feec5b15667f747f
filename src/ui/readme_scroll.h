// The readme viewer's own scrolling.
#ifndef YARROWMELD_README_SCROLL_H
#define YARROWMELD_README_SCROLL_H

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

#endif
