#include "ui/placement.h"

#include <gtest/gtest.h>

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

TEST(StatusWindow, DefaultOriginAboveTheTaskbar) {
    int x = 0, y = 0;
    status_default_origin(1024, 768, 30, 200, 60, 2, &x, &y);
    EXPECT_EQ(x, 824);
    EXPECT_EQ(y, 768 - 30 + 2 - 60);
    // No taskbar: the bottom of the screen.
    status_default_origin(1024, 768, -1, 200, 60, 2, &x, &y);
    EXPECT_EQ(x, 824);
    EXPECT_EQ(y, 708);
    // A taskbar along the left edge is as high as the screen, and all of
    // its height still counts.
    status_default_origin(1280, 1024, 1024, 210, 64, 2, &x, &y);
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
        status_origin(&desk, &row.bar, &row.work, 200, 60, 96, &x, &y);
        EXPECT_EQ(x, row.x) << row.edge;
        EXPECT_EQ(y, row.y) << row.edge;
    }
    // No taskbar: the bottom right corner of the screen, as before.
    int x = 0, y = 0;
    status_origin(&desk, nullptr, &desk, 200, 60, 96, &x, &y);
    EXPECT_EQ(x, 824);
    EXPECT_EQ(y, 708);
}

// At 150 % the window overlaps the taskbar by 3 pixels, not 2; without a
// taskbar the DPI changes nothing.
TEST(StatusWindow, OverlapFollowsTheDpi) {
    const UiRect desk = {0, 0, 1536, 1152};
    const UiRect bar = {0, 1107, 1536, 1152};
    const UiRect work = {0, 0, 1536, 1107};
    int x = 0, y = 0;
    status_origin(&desk, &bar, &work, 300, 90, 144, &x, &y);
    EXPECT_EQ(x, 1236);
    EXPECT_EQ(y, 1152 - 45 + 3 - 90);
    status_origin(&desk, &bar, &work, 300, 90, 192, &x, &y);
    EXPECT_EQ(y, 1152 - 45 + 4 - 90);
    status_origin(&desk, nullptr, &desk, 300, 90, 144, &x, &y);
    EXPECT_EQ(y, 1152 - 90);
}

// Lengths at 96 DPI to other DPIs: rounded to the nearest pixel, halves
// away from zero (as MulDiv), no overflow for screen-sized products, and an
// unknown DPI keeps the length.
TEST(Dpi, PixelsFollowTheDpi) {
    EXPECT_EQ(dpi_px(502, 96), 502);
    EXPECT_EQ(dpi_px(502, 144), 753);
    EXPECT_EQ(dpi_px(373, 144), 560);  // 559.5 rounds up
    EXPECT_EQ(dpi_px(16, 120), 20);
    EXPECT_EQ(dpi_px(2, 144), 3);
    EXPECT_EQ(dpi_px(1, 144), 2);  // 1.5
    EXPECT_EQ(dpi_px(-1, 144), -2);
    EXPECT_EQ(dpi_px(-3, 120), -4);  // -3.75
    EXPECT_EQ(dpi_px(0, 144), 0);
    EXPECT_EQ(dpi_px(32, 0), 32);
    EXPECT_EQ(dpi_px(32, -96), 32);
    EXPECT_EQ(dpi_px(30000000, 480), 150000000);
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
