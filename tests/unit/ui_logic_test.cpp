#include "ui/ui_logic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CenterWindow, XRoundsToAMultipleOfEight) {
    EXPECT_EQ(center_x(1024, 300), 360);
    EXPECT_EQ(center_x(1024, 1024), 0);
    EXPECT_EQ(center_x(1024, 1016), 8);  // centre 4 rounds up to 8
    EXPECT_EQ(center_x(1024, 1018), 0);  // centre 3 rounds down
    EXPECT_EQ(center_x(1024, 994), 16);  // centre 15
    EXPECT_EQ(center_x(1024, 998), 16);  // centre 13
    EXPECT_EQ(center_x(1024, 1002), 8);  // centre 11
    EXPECT_EQ(center_x(800, 640), 80);
}

TEST(CenterWindow, WiderThanTheScreenTruncatesTowardZero) {
    // (0 - 9) / 2 is -4, not -5: -4 + 4 = 0. A floor division or a shift
    // would give -5 + 4 = -1 and so -8.
    EXPECT_EQ(center_x(0, 9), 0);
    EXPECT_EQ(center_x(1024, 1125), -48);  // -50 + 4 = -46, low bits cleared
    EXPECT_EQ(center_y(100, 101), 0);      // -1 / 2 is 0
    EXPECT_EQ(center_y(100, 103), -1);
}

TEST(CenterWindow, YIsPlainHalf) {
    EXPECT_EQ(center_y(768, 200), 284);
    EXPECT_EQ(center_y(768, 201), 283);
    EXPECT_EQ(center_y(768, 768), 0);
}

struct IntervalCase {
    int update_ok;
    unsigned update;
    int post_ok;
    unsigned post;
    int failing_step;
};

TEST(Intervals, ChecksInOrder) {
    const IntervalCase cases[] = {
        {1, 10, 1, 240, 0},
        {1, 0, 1, 5, 0},  // posting only
        {1, 5, 1, 0, 0},  // updates only
        {1, 5, 1, 5, 6},
        {1, 240, 1, 10, 6},
        {1, 0, 1, 0, 5},
        {0, 0, 1, 5, 3},  // empty update field
        {1, 5, 0, 0, 4},  // empty post field
        {0, 0, 0, 0, 3},  // the update field is checked first
        {1, 0, 0, 0, 4},  // a bad post field before "both zero"
        {1, 2147483646, 1, 2147483647, 0},
        {1, 2147483647, 1, 0, 0},
        {1, 0, 1, 2147483647, 0},
    };
    for (const IntervalCase &c : cases) {
        EXPECT_EQ(validate_intervals(c.update_ok, c.update, c.post_ok, c.post), c.failing_step)
            << c.update_ok << " " << c.update << " " << c.post_ok << " " << c.post;
    }
}

TEST(Intervals, ValuesBeyondTheSignedRangeAreConversionFailures) {
    // Taken as signed, 4294967295 would be -1 and pass "update below post".
    EXPECT_EQ(validate_intervals(1, 4294967295u, 1, 10), 3);
    EXPECT_EQ(validate_intervals(1, 2147483648u, 1, 0), 3);
    EXPECT_EQ(validate_intervals(1, 5, 1, 2147483648u), 4);
    EXPECT_EQ(validate_intervals(1, 0, 1, 4294967295u), 4);
}

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

TEST(VersionPath, FourLowerCaseHexDigitsEach) {
    char out[128];
    EXPECT_EQ(format_version_path(out, sizeof out, 0x0411, 0x04B0, "FileVersion"), 1);
    EXPECT_STREQ(out, "\\StringFileInfo\\041104b0\\FileVersion");
    EXPECT_EQ(format_version_path(out, sizeof out, 0xABCD, 0xEF, "ProductName"), 1);
    EXPECT_STREQ(out, "\\StringFileInfo\\abcd00ef\\ProductName");
    EXPECT_EQ(format_version_path(out, sizeof out, 1033, 0, ""), 1);
    EXPECT_STREQ(out, "\\StringFileInfo\\04090000\\");
}

TEST(VersionPath, CutTextIsTerminatedAndReported) {
    const std::string full = "\\StringFileInfo\\041104b0\\LegalCopyright";
    for (size_t size = 1; size <= full.size() + 1; size++) {
        char buffer[64];
        memset(buffer, '#', sizeof buffer);
        int ok = format_version_path(buffer, size, 0x0411, 0x04B0, "LegalCopyright");
        EXPECT_EQ(ok, size == full.size() + 1 ? 1 : 0) << size;
        EXPECT_EQ(std::string(buffer), full.substr(0, size - 1)) << size;
        EXPECT_EQ(buffer[size], '#') << size;
    }
    char untouched = '#';
    EXPECT_EQ(format_version_path(&untouched, 0, 1, 2, "x"), 0);
    EXPECT_EQ(untouched, '#');
}

TEST(VersionPath, FallbackTables) {
    const unsigned short codepages[12] = {0,    932,  949,  950,  1200, 1250,
                                          1251, 1252, 1253, 1254, 1255, 1256};
    for (int i = 0; i < 12; i++) EXPECT_EQ(version_codepages[i], codepages[i]) << i;

    for (int i = 0; i < 33; i++) EXPECT_EQ(version_languages[i], 1025 + i) << i;
    const unsigned short tail[12] = {2052, 2055, 2057, 2058, 2060, 2064,
                                     2067, 2068, 2070, 2074, 3084, 4108};
    for (int i = 0; i < 12; i++) EXPECT_EQ(version_languages[33 + i], tail[i]) << i;
}

TEST(StatusWindow, DefaultOriginAboveTheTaskbar) {
    int x = 0, y = 0;
    status_default_origin(1024, 768, 30, 200, 60, &x, &y);
    EXPECT_EQ(x, 824);
    EXPECT_EQ(y, 768 - 30 + 2 - 60);
    // No taskbar: the bottom of the screen.
    status_default_origin(1024, 768, -1, 200, 60, &x, &y);
    EXPECT_EQ(x, 824);
    EXPECT_EQ(y, 708);
    // A taskbar along the left edge is as high as the screen, and all of
    // its height still counts.
    status_default_origin(1280, 1024, 1024, 210, 64, &x, &y);
    EXPECT_EQ(x, 1070);
    EXPECT_EQ(y, 2 - 64);
}

// status_default_origin's place stands only for a taskbar along the bottom;
// at any other edge the window goes to the work area's bottom right corner.
TEST(StatusWindow, OriginKeepsToTheWorkArea) {
    const UiRect desk = {0, 0, 1024, 768};
    const struct {
        const char *edge;
        UiRect bar, work;
        int x, y;
    } rows[] = {
        {"bottom", {0, 738, 1024, 768}, {0, 0, 1024, 738}, 824, 768 - 30 + 2 - 60},
        {"left", {0, 0, 60, 768}, {60, 0, 1024, 768}, 824, 708},
        {"right", {964, 0, 1024, 768}, {0, 0, 964, 768}, 764, 708},
        {"top", {0, 0, 1024, 30}, {0, 30, 1024, 768}, 824, 708},
    };
    for (const auto &row : rows) {
        int x = 0, y = 0;
        status_origin(&desk, &row.bar, &row.work, 200, 60, &x, &y);
        EXPECT_EQ(x, row.x) << row.edge;
        EXPECT_EQ(y, row.y) << row.edge;
    }
    // No taskbar: the bottom right corner of the screen, as before.
    int x = 0, y = 0;
    status_origin(&desk, nullptr, &desk, 200, 60, &x, &y);
    EXPECT_EQ(x, 824);
    EXPECT_EQ(y, 708);
}

TEST(StatusWindow, TaskbarClassByUpperCaseContainment) {
    for (const char *yes : {"Shell_TrayWnd", "shell_traywnd", "SHELL_TRAYWND", "xShell_TrayWndx",
                            "Shell_Shell_TrayWnd", "SHELL_SHELL_TRAYWND"}) {
        EXPECT_TRUE(class_is_taskbar(yes)) << yes;
    }
    for (const char *no : {"Shell_SecondaryTrayWnd", "Shell_TrayWn", "Shell TrayWnd", "",
                           "Wine System Tray", "SHELL_TRAYWN\xc4"}) {
        EXPECT_FALSE(class_is_taskbar(no)) << no;
    }
    EXPECT_FALSE(class_is_taskbar(nullptr));
}

}  // namespace
