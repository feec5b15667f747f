// The readme viewer on its real template with the system's rich-edit
// library: the file shown read-only, the system menu, the scroll subclass's
// own position, the about dialog over the viewer, and the closing order.
#include <windows.h>

#include <imm.h>
#include <richedit.h>

#include "dialog_test_support.h"

// Whether a window made now gets the thread's default IME window: no once
// the IME is off for the process.
static bool new_window_has_ime(void) {
    HWND window =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    bool has = ImmGetDefaultIMEWnd(window) != nullptr;
    DestroyWindow(window);
    return has;
}
static HWND open_viewer(void) {
    calls = Calls();
    readme_viewer_open();
    return g.readme_viewer;
}

static std::string control_text(HWND edit) {
    int n = GetWindowTextLengthA(edit);
    std::string text(n + 1, '\0');
    n = GetWindowTextA(edit, &text[0], n + 1);
    text.resize(n > 0 ? n : 0);
    return text;
}

static std::string readme_text(void) {
    std::string text;
    for (int i = 1; i <= 200; i++) {
        char line[64];
        snprintf(line, sizeof line, "line %d of the readme\r\n", i);
        text += line;
    }
    return text;
}

// The viewer over the long readme; returns its control, null (a failed
// check) when there is none.
static HWND open_long_readme(HWND *viewer) {
    write_file("Readme.txt", readme_text());
    *viewer = open_viewer();
    CHECK(g.rich_edit != nullptr);
    return g.rich_edit;
}

static void test_shows_the_file(void) {
    write_file("Readme.txt", readme_text());
    bool ime_at_first = new_window_has_ime();
    HWND viewer = open_viewer();
    CHECK(viewer != nullptr);
    CHECK(g.rich_edit_module != nullptr);
    CHECK(g.rich_edit != nullptr);
    if (!g.rich_edit)
        return;
    CHECK(GetParent(g.rich_edit) == viewer);
    std::string shown = control_text(g.rich_edit);
    // The control may keep lines ending in CR alone.
    std::string want = readme_text(), got;
    for (char c : shown)
        if (c != '\r')
            got += c;
    std::string want_lf;
    for (char c : want)
        if (c != '\r')
            want_lf += c;
    CHECK_EQ(got.substr(0, 40), want_lf.substr(0, 40));
    CHECK_EQ(got.size(), want_lf.size());
    // White text in the fixed face, on black, for the text streamed in.
    SendMessageA(g.rich_edit, EM_SETSEL, 0, -1);
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    SendMessageA(g.rich_edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    CHECK((format.dwMask & (CFM_COLOR | CFM_FACE | CFM_SIZE | CFM_CHARSET)) ==
          (CFM_COLOR | CFM_FACE | CFM_SIZE | CFM_CHARSET));  // one format for all
    CHECK_EQ(format.crTextColor, RGB(255, 255, 255));
    CHECK_EQ(format.yHeight, 175);
    CHECK_EQ(format.bCharSet, SHIFTJIS_CHARSET);
    CHECK_EQ(format.szFaceName, "ＭＳ ゴシック");
    CHECK((format.dwEffects & CFE_PROTECTED) != 0);
    SendMessageA(g.rich_edit, EM_SETSEL, 0, 0);
    LONG style = GetWindowLongA(g.rich_edit, GWL_STYLE);
    CHECK((style & ES_READONLY) != 0);
    CHECK((style & WS_VSCROLL) != 0);
    CHECK_EQ(SendMessageA(g.rich_edit, EM_GETMODIFY, 0, 0), 0);
    // The click at the top left leaves the caret in the first line (where
    // exactly depends on the font's first letter), nothing selected.
    CHARRANGE sel = {-1, -2};
    SendMessageA(g.rich_edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    CHECK_EQ(sel.cpMin, sel.cpMax);
    CHECK_EQ(SendMessageA(g.rich_edit, EM_EXLINEFROMCHAR, 0, sel.cpMin), 0);
    CHECK(sel.cpMin >= 0 && sel.cpMin <= 1);
    // The control is 502 x 373 at the top left of the viewer.
    RECT r;
    GetWindowRect(g.rich_edit, &r);
    CHECK_EQ(r.right - r.left, 502);
    CHECK_EQ(r.bottom - r.top, 373);
    CHECK(ime_at_first && !new_window_has_ime());
    CHECK((GetWindowLongA(viewer, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    HMENU menu = GetSystemMenu(viewer, FALSE);
    CHECK_EQ(menu_entry(menu, 0), "1114 ﾊﾞｰｼﾞｮﾝ情報 (&V)");
    CHECK_EQ(menu_entry(menu, 1), "-");
    CHECK_EQ(GetMenuItemID(menu, 1), IDM_SYS_SEPARATOR);
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
    DeleteFileA("Readme.txt");
}

static void test_missing_file(void) {
    DeleteFileA("Readme.txt");
    HWND viewer = open_viewer();
    CHECK(g.rich_edit != nullptr);
    if (g.rich_edit)
        CHECK_EQ(GetWindowTextLengthA(g.rich_edit), 0);
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
    CHECK(!IsWindow(viewer));
}

// The control is placed in pixels: at 150 % it is half as large again,
// 753 x 560, as the dialog around it grows with its font.
static void test_size_follows_the_dpi(void) {
    test_dpi = 144;
    HWND viewer = open_viewer();
    CHECK(g.rich_edit != nullptr);
    RECT r = {};
    if (g.rich_edit)
        GetWindowRect(g.rich_edit, &r);
    CHECK_EQ(r.right - r.left, 753);
    CHECK_EQ(r.bottom - r.top, 560);
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
    test_dpi = 96;
}

// The subclass keeps the position within 0 .. nMax.
static void test_scroll_position(void) {
    HWND viewer;
    HWND edit = open_long_readme(&viewer);
    if (!edit)
        return;
    CHECK(GetWindowLongPtrA(edit, GWLP_WNDPROC) !=
          static_cast<LONG_PTR>(GetClassLongPtrA(edit, GCLP_WNDPROC)));
    SCROLLINFO scroll = readme_viewer_scroll();
    CHECK(scroll.nPage >= 1);
    int max = scroll.nMax;
    CHECK_EQ(readme_viewer_scroll().nPos, 0);
    SendMessageA(edit, WM_VSCROLL, SB_LINEUP, 0);
    CHECK_EQ(readme_viewer_scroll().nPos, 0);
    SendMessageA(edit, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, max), 0);
    CHECK_EQ(readme_viewer_scroll().nPos, max);
    SendMessageA(edit, WM_VSCROLL, SB_LINEDOWN, 0);
    CHECK_EQ(readme_viewer_scroll().nPos, max);
    SendMessageA(edit, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    CHECK_EQ(readme_viewer_scroll().nPos, max);
    SendMessageA(edit, WM_VSCROLL, SB_PAGEUP, 0);
    CHECK_EQ(readme_viewer_scroll().nPos,
             max - static_cast<int>(scroll.nPage) < 0 ? 0 : max - static_cast<int>(scroll.nPage));
    SendMessageA(edit, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), 0);
    CHECK_EQ(readme_viewer_scroll().nPos, 0);
    SendMessageA(edit, WM_VSCROLL, SB_PAGEDOWN, 0);
    CHECK_EQ(readme_viewer_scroll().nPos,
             static_cast<int>(scroll.nPage) > max ? max : static_cast<int>(scroll.nPage));
    // The wheel is the control's own business.
    int before = readme_viewer_scroll().nPos;
    SendMessageA(edit, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    CHECK_EQ(readme_viewer_scroll().nPos, before);
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
    DeleteFileA("Readme.txt");
}

// The pixels of the control's client area as they stand on the screen.
static std::vector<DWORD> capture(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.right;
    info.bmiHeader.biHeight = -r.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(r.right) * r.bottom);
    GetDIBits(memory, bitmap, 0, r.bottom, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

// After a scroll step the control shows what a full repaint would show: no
// line twice, none overlapping.
static void test_scroll_display(void) {
    HWND viewer;
    HWND edit = open_long_readme(&viewer);
    if (!edit)
        return;
    SetWindowPos(viewer, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(edit);
    CHECK(readme_viewer_scroll().nMax > 0);  // the subclass has room to step
    std::vector<DWORD> before = capture(edit);
    SendMessageA(edit, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageA(edit, WM_VSCROLL, SB_LINEDOWN, 0);
    std::vector<DWORD> shown = capture(edit);
    CHECK(shown != before);
    InvalidateRect(edit, nullptr, TRUE);
    UpdateWindow(edit);
    CHECK(capture(edit) == shown);
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
    DeleteFileA("Readme.txt");
}

// The control is gone and its procedure restored before the main window is
// asked to unload the library; then the viewer is gone too.
static void test_closing(void) {
    static const struct {
        const char *how;
        UINT message;
        WPARAM wparam;
        LRESULT result;
    } ways[] = {
        {"OK", WM_COMMAND, IDOK, 0},
        {"cancel", WM_COMMAND, IDCANCEL, 0},
        {"close", WM_CLOSE, 0, -1},
        {"end of session", WM_QUERYENDSESSION, 0, 1},
    };
    for (const auto &way : ways) {
        printf("closing by %s\n", way.how);
        HWND viewer = open_viewer();
        calls.closing_rich_edit = g.rich_edit;
        LRESULT result = SendMessageA(viewer, way.message, way.wparam, 0);
        // The end of the session is let through; the viewer closes after
        // answering.
        if (way.result == 1) {
            CHECK(result != 0);
            CHECK(pump_until([&] { return !IsWindow(viewer); }));
        }
        CHECK_EQ(calls.rich_edit_alive_at_close, 0);
        CHECK(!calls.main_commands.empty() && calls.main_commands.back() == IDM_CLOSE_README);
        CHECK(!IsWindow(viewer));
        CHECK(g.readme_viewer == nullptr);
        CHECK(g.rich_edit == nullptr);
        CHECK(g.rich_edit_module == nullptr);
    }

    // A viewer the search has lost track of (readme_viewer null) still goes.
    HWND viewer = open_viewer();
    g.readme_viewer = nullptr;
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
    CHECK(!IsWindow(viewer));
    readme_viewer_close();

    // Destroyed from outside (the program ending): no handle left behind.
    viewer = open_viewer();
    DestroyWindow(viewer);
    CHECK(g.readme_viewer == nullptr);
    CHECK(g.rich_edit == nullptr);
    readme_viewer_close();

    // Other commands leave it open.
    viewer = open_viewer();
    SendMessageA(viewer, WM_COMMAND, IDC_ACCEL_ENTER, 0);
    SendMessageA(viewer, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0);
    CHECK(IsWindow(viewer));
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
}

static void test_about_over_viewer(void) {
    static const MessageWay ways[] = {
        {"system menu Close", WM_SYSCOMMAND, SC_CLOSE},
        {"system menu Move", WM_SYSCOMMAND, SC_MOVE},
        {"click into the viewer", WM_ACTIVATE, WA_CLICKACTIVE},
        {"activation", WM_ACTIVATE, WA_ACTIVE},
    };
    for (const auto &way : ways) {
        printf("about dialog and %s\n", way.how);
        HWND viewer = open_viewer();
        about_dialog_open();
        HWND about = g.about_dialog;
        SendMessageA(viewer, way.message, way.wparam, 0);
        CHECK(IsWindow(viewer));
        CHECK(!IsWindow(about));
        CHECK(g.about_dialog == nullptr);
        pump_queued();
        CHECK(g.about_dialog != nullptr && g.about_dialog != about);
        about_dialog_close();
        SendMessageA(viewer, WM_COMMAND, IDOK, 0);
    }

    // Without it, the version entry opens it and deactivation does nothing.
    HWND viewer = open_viewer();
    SendMessageA(viewer, WM_ACTIVATE, WA_INACTIVE, 0);
    pump_queued();
    CHECK(g.about_dialog == nullptr);
    SendMessageA(viewer, WM_SYSCOMMAND, IDM_SYS_ABOUT, 0);
    CHECK(g.about_dialog != nullptr);
    about_dialog_close();
    SendMessageA(viewer, WM_COMMAND, IDOK, 0);
}

int main(void) {
    return run_tests({test_shows_the_file, test_missing_file, test_size_follows_the_dpi,
                      test_scroll_position, test_scroll_display, test_closing,
                      test_about_over_viewer});
}
