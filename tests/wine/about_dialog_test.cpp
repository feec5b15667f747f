// The version-block helpers on the program's real version block, and the
// about dialog on its real template: texts, system menu, the blinking icon
// and the ways of closing.
#include "dialog_test_support.h"
#include "ui/version_info_win.h"

static void test_version_block(void) {
    DWORD *translation = nullptr;
    void *block = load_version_block(program_path, &translation);
    CHECK(block != nullptr);
    if (!block)
        return;
    CHECK_EQ(*translation, 0x04B00411);  // Japanese, Unicode
    char text[256];
    CHECK_EQ(query_version_string(text, sizeof text, block, *translation, "FileVersion"), 1);
    CHECK_EQ(text, "1.0.0.0");
    CHECK_EQ(query_version_string(text, sizeof text, block, *translation, "ProductName"), 1);
    CHECK_EQ(text, "Yarrowmeld");
    CHECK_EQ(query_version_string(text, sizeof text, block, *translation, "LegalCopyright"), 1);
    CHECK(text[0] != 0);

    // A translation that names no table: the search over the usual
    // languages and code pages still finds the Japanese one.
    CHECK_EQ(query_version_string(text, sizeof text, block, 0x04E40409, "ProductName"), 1);
    CHECK_EQ(text, "Yarrowmeld");
    // A field that no table has.
    lstrcpyA(text, "stale");
    CHECK_EQ(query_version_string(text, sizeof text, block, *translation, "NoSuchField"), 0);
    CHECK_EQ(text, "");

    // A small buffer is filled and terminated, never overrun.
    char small[8];
    memset(small, 'x', sizeof small);
    CHECK_EQ(query_version_string(small, 5, block, *translation, "ProductName"), 1);
    CHECK_EQ(small, "Yarr");
    CHECK(small[5] == 'x');
    // Under code page 932 a cut never leaves half a character.
    if (GetACP() == 932) {
        char whole[256];
        query_version_string(whole, sizeof whole, block, *translation, "FileDescription");
        std::string description = whole;
        size_t first_wide = description.find_first_of(
            "\x81\x82\x83\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99"
            "\x9A\x9B\x9C\x9D\x9E\x9F\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA");
        CHECK(first_wide != std::string::npos);
        if (first_wide != std::string::npos) {
            // Room for the text up to the first wide character plus one byte.
            size_t size = first_wide + 2;
            char cut[256];
            query_version_string(cut, size, block, *translation, "FileDescription");
            CHECK_EQ(cut, description.substr(0, first_wide));
        }
    }
    free(block);

    // No block: the test program itself has none, a missing file neither.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    translation = nullptr;
    CHECK(load_version_block(self, &translation) == nullptr);
    CHECK(load_version_block("Z:\\no\\such\\file.exe", &translation) == nullptr);
}

static HWND open_about(void) {
    about_dialog_open();
    return g.about_dialog;
}

static void test_opening(void) {
    g.readme_available = 1;
    HWND about = open_about();
    CHECK(about != nullptr);
    // This test program has no version block of its own.
    CHECK_EQ(item_text(about, IDC_ABOUT_VERSION), "Version  : Unkown");
    CHECK_EQ(item_text(about, IDC_ABOUT_COPYRIGHT), "");
    CHECK_EQ(item_text(about, IDC_ABOUT_PRODUCT), "");
    HMENU menu = GetSystemMenu(about, FALSE);
    CHECK_EQ(menu_entry(menu, 0), "1116 Readme.txt の表示 (&B)");
    CHECK_EQ(menu_entry(menu, 1), "-");
    CHECK(menu_entry(menu, 2) != "-");
    RECT kept = g.about_window_rect;
    RECT now = window_rect(about);
    CHECK(EqualRect(&kept, &now));
    CHECK((GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    CHECK(shell_calls.fatal.empty());
    DestroyWindow(about);

    g.readme_available = 0;
    about = open_about();
    menu = GetSystemMenu(about, FALSE);
    CHECK(menu_entry(menu, 0).compare(0, 4, "1116") != 0);
    DestroyWindow(about);
}

// Colour of a pixel of the icon control, as drawn.
static COLORREF icon_pixel(HWND about, int x, int y) {
    HWND control = GetDlgItem(about, IDC_ABOUT_ICON);
    HDC dc = GetDC(control);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return c;
}

// The icon's upper panel is red in the running picture, its lower one blue
// in the stopped picture (see res/make_icons.py).
static bool shows_running(HWND about) {
    return icon_pixel(about, 10, 5) == RGB(255, 0, 0) &&
           icon_pixel(about, 10, 17) != RGB(0, 0, 255);
}
static bool shows_stopped(HWND about) {
    return icon_pixel(about, 10, 17) == RGB(0, 0, 255) &&
           icon_pixel(about, 10, 5) != RGB(255, 0, 0);
}

static void test_blinking(void) {
    HWND about = open_about();
    // The blink timer alternates the two pictures.
    CHECK(pump_until([&] { return shows_running(about); }, 10000));
    CHECK(pump_until([&] { return shows_stopped(about); }, 10000));
    CHECK(pump_until([&] { return shows_running(about); }, 10000));
    // Every paint draws the current picture and switches to the other.
    SendMessageA(about, WM_PAINT, 0, 0);
    bool first = shows_running(about);
    CHECK(first || shows_stopped(about));
    SendMessageA(about, WM_PAINT, 0, 0);
    CHECK(first ? shows_stopped(about) : shows_running(about));
    DestroyWindow(about);
}

static void test_closing(void) {
    static const MessageWay ways[] = {
        {"OK", WM_COMMAND, IDOK},
        {"cancel", WM_COMMAND, IDCANCEL},
        {"close", WM_CLOSE, 0},
        {"end of session", WM_QUERYENDSESSION, 0},
    };
    for (const auto &way : ways) {
        printf("closing by %s\n", way.how);
        // A plain window in the settings dialog's place: the real one would
        // open the about dialog anew in front of itself when activated.
        HWND settings = CreateWindowExA(0, "STATIC", "settings", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                        50, nullptr, nullptr, nullptr, nullptr);
        g.settings_dialog = settings;
        HWND about = open_about();
        // Wine hands the activation over in its own time; under load that has
        // taken more than 2 s.
        CHECK(pump_until([&] { return GetForegroundWindow() == about; }, 20000));
        LRESULT result = SendMessageA(about, way.message, way.wparam, 0);
        // The end of the session is let through; the dialog closes after
        // answering.
        if (way.message == WM_QUERYENDSESSION) {
            CHECK(result != 0);
            CHECK(pump_until([&] { return !IsWindow(about); }));
        }
        CHECK(!IsWindow(about));
        CHECK(g.about_dialog == nullptr);
        // The settings dialog comes forward again.
        CHECK(GetForegroundWindow() == settings);
        g.settings_dialog = nullptr;
        DestroyWindow(settings);
    }

    // Enter and Esc arrive as the accelerator commands and change nothing.
    HWND about = open_about();
    SendMessageA(about, WM_COMMAND, IDC_ACCEL_ENTER, 0);
    SendMessageA(about, WM_COMMAND, IDC_ACCEL_ESC, 0);
    SendMessageA(about, WM_COMMAND, IDC_SAVE, 0);
    CHECK(IsWindow(about));
    CHECK(g.about_dialog == about);
    DestroyWindow(about);
    CHECK(g.about_dialog == nullptr);
}

static void test_readme_entry(void) {
    g.readme_available = 1;
    HWND about = open_about();
    SendMessageA(about, WM_SYSCOMMAND, IDM_SYS_README, 0);
    HWND viewer = g.readme_viewer;
    CHECK(viewer != nullptr);
    CHECK_EQ(g.readme_search_ticks, 30);
    // The viewer, activated, has the about dialog open anew in front of it.
    CHECK(pump_until([] { return g.about_dialog != nullptr; }));
    // Once open, the entry does nothing.
    if (g.about_dialog)
        SendMessageA(g.about_dialog, WM_SYSCOMMAND, IDM_SYS_README, 0);
    CHECK(g.readme_viewer == viewer);
    about_dialog_close();
    readme_viewer_close();
}

int main(void) {
    return run_tests(
        {test_version_block, test_opening, test_blinking, test_closing, test_readme_entry});
}
