#include "ui/readme_scroll.h"

#include <gtest/gtest.h>

namespace {

TEST(Scroll, DeltaPerCode) {
    const int pos = 7, page = 5, thumb = 12;
    EXPECT_EQ(scroll_delta(0, thumb, pos, page), -1);
    EXPECT_EQ(scroll_delta(1, thumb, pos, page), 1);
    EXPECT_EQ(scroll_delta(2, thumb, pos, page), -5);
    EXPECT_EQ(scroll_delta(3, thumb, pos, page), 5);
    EXPECT_EQ(scroll_delta(4, thumb, pos, page), 0);  // SB_THUMBPOSITION
    EXPECT_EQ(scroll_delta(5, thumb, pos, page), 5);  // SB_THUMBTRACK: to the thumb
    EXPECT_EQ(scroll_delta(5, 2, pos, page), -5);
    for (int other : {6, 7, 8, -1, 0x20}) {
        EXPECT_EQ(scroll_delta(other, thumb, pos, page), 0) << other;
    }
}

TEST(Scroll, ClampKeepsThePositionWithinTheRange) {
    struct {
        int delta, pos, max, clamped;
    } const cases[] = {
        {-1, 0, 10, 0},                                   // line up at the top
        {1, 10, 10, 0},                                   // line down at the bottom
        {5, 8, 10, 2},                                    // page down near the end stops at max
        {-5, 3, 10, -3},                                  // page up near the start stops at 0
        {1, 3, 10, 1},   {-1, 3, 10, -1}, {2, 8, 10, 2},  // exactly to max
        {-3, 3, 10, -3},                                  // exactly to 0
        {100, 0, 0, 0},                                   // nothing to scroll
        {-100, 0, 0, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(scroll_clamp(c.delta, c.pos, c.max), c.clamped)
            << c.delta << " at " << c.pos << " of " << c.max;
    }
    // Whatever the step, the new position lies within 0 .. max.
    for (int pos = 0; pos <= 6; pos++) {
        for (int delta = -9; delta <= 9; delta++) {
            int next = pos + scroll_clamp(delta, pos, 6);
            EXPECT_GE(next, 0);
            EXPECT_LE(next, 6);
        }
    }
}

TEST(ReadmeMetrics, ScrollRangeFromTheFont) {
    // Fixed pitch (bit 0 clear): caps width = average width.
    ReadmeMetrics m = readme_metrics(0, 7, 13, 2, 60);
    EXPECT_EQ(m.line_height, 15);
    EXPECT_EQ(m.lines_per_page, 4);
    EXPECT_EQ(m.max, 369 / 7 / 4);
    // Variable pitch: 3/2 of the average, truncated: 3 * 7 / 2 = 10.
    m = readme_metrics(1, 7, 13, 2, 60);
    EXPECT_EQ(m.max, 369 / 10 / 4);
    // Only bit 0 decides.
    EXPECT_EQ(readme_metrics(0x31, 7, 13, 2, 60).max, 369 / 10 / 4);
    EXPECT_EQ(readme_metrics(0x32, 7, 13, 2, 60).max, 369 / 7 / 4);
    // The control's real size with a 12-pixel font.
    m = readme_metrics(0, 6, 12, 0, 369);
    EXPECT_EQ(m.lines_per_page, 30);
    EXPECT_EQ(m.max, 61 / 30);
}

TEST(ReadmeMetrics, ZeroDivisorsGiveNoRangeAndAPageOfOne) {
    // A zero caps width: nothing to scroll.
    ReadmeMetrics m = readme_metrics(0, 0, 13, 2, 60);
    EXPECT_EQ(m.max, 0);
    EXPECT_EQ(m.lines_per_page, 4);
    m = readme_metrics(0, 1, 13, 2, 60);  // 2 * 1 / 2 = 1
    EXPECT_EQ(m.max, 369 / 4);
    // No line height.
    m = readme_metrics(0, 7, 0, 0, 60);
    EXPECT_EQ(m.max, 0);
    EXPECT_EQ(m.lines_per_page, 1);
    // A client area lower than one line (or none, when there is no control).
    for (int client : {14, 0, -20}) {
        m = readme_metrics(0, 7, 13, 2, client);
        EXPECT_EQ(m.max, 0) << client;
        EXPECT_EQ(m.lines_per_page, 1) << client;
    }
}

}  // namespace
