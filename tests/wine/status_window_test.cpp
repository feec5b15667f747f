// The status window on its real template: the taskbar search, the first
// placement above the taskbar, the remembered place, dragging by the
// surface, the two tooltips and every way of closing.
#include <windows.h>

#include <commctrl.h>

#include "dialog_test_support.h"
#include "ui/placement.h"

static HWND open_status(void) {
    status_window_open();
    return g.status_window;
}

static bool status_checked(void) {
    return (GetMenuState(g.tray_menu, IDM_STATUS, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

struct Tips {
    std::vector<HWND> list;
};

static BOOL CALLBACK collect_tip(HWND window, LPARAM param) {
    char class_name[64];
    GetClassNameA(window, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, TOOLTIPS_CLASSA) == 0 && IsWindow(window))
        reinterpret_cast<Tips *>(param)->list.push_back(window);
    return TRUE;
}

static std::vector<HWND> thread_tooltips(void) {
    Tips tips;
    EnumThreadWindows(GetCurrentThreadId(), collect_tip, reinterpret_cast<LPARAM>(&tips));
    return tips.list;
}

// Text and window of the one tool of a tooltip.
static std::string tool_text(HWND tip, HWND *tool_window) {
    char text[256] = "";
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.lpszText = text;
    if (!SendMessageA(tip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)))
        return "<none>";
    *tool_window = info.hwnd;
    return text;
}

// A top-level window whose class holds the taskbar's name in mixed case, as
// high as a taskbar and standing along the bottom of the screen.
static HWND make_taskbar(int height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Test_shell_TrayWnd_Bar";
    RegisterClassA(&wc);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, sh - height, sw, height, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

// The taskbar is found by its class, whatever the case of the name.
static void test_first_placement(HWND taskbar) {
    CHECK(class_is_taskbar("Test_shell_TrayWnd_Bar"));
    ZeroMemory(&g.status_window_rect, sizeof g.status_window_rect);
    HWND status = open_status();
    CHECK(status != nullptr);
    RECT desk = window_rect(GetDesktopWindow());
    RECT bar = window_rect(taskbar);
    RECT r = window_rect(status);
    CHECK_EQ(r.right, desk.right);
    CHECK_EQ(r.bottom, desk.bottom - (bar.bottom - bar.top) + 2);
    CHECK(IsWindowVisible(status));
    CHECK((GetWindowLongA(status, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    DestroyWindow(status);
}

// A taskbar at the left edge is as high as the screen: the window goes to
// the bottom right corner of the work area, not above the taskbar's top.
static void test_placement_beside_a_side_taskbar(HWND bottom_taskbar) {
    SetWindowPos(bottom_taskbar, nullptr, 0, 0, 40, GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ZeroMemory(&g.status_window_rect, sizeof g.status_window_rect);
    HWND status = open_status();
    RECT work;
    CHECK(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    RECT r = window_rect(status);
    CHECK_EQ(r.right, work.right);
    CHECK_EQ(r.bottom, work.bottom);
    DestroyWindow(status);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(bottom_taskbar, nullptr, 0, sh - 40, sw, 40, SWP_NOZORDER | SWP_NOACTIVATE);
}

static void test_drag_surface(void) {
    HWND status = open_status();
    RECT r = window_rect(status);
    LPARAM middle = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    CHECK_EQ(SendMessageA(status, WM_NCHITTEST, 0, middle), HTCAPTION);
    DestroyWindow(status);
}

// Record sizes of the tools as the tooltips are given them.
static std::vector<UINT> added_tool_sizes;
static HHOOK add_tool_hook;

static LRESULT CALLBACK watch_add_tool(int code, WPARAM wparam, LPARAM lparam) {
    const CWPSTRUCT *sent = reinterpret_cast<const CWPSTRUCT *>(lparam);
    if (code == HC_ACTION && sent->message == TTM_ADDTOOLA)
        added_tool_sizes.push_back(reinterpret_cast<const TOOLINFOA *>(sent->lParam)->cbSize);
    return CallNextHookEx(add_tool_hook, code, wparam, lparam);
}

static void test_tooltips(void) {
    add_tool_hook =
        SetWindowsHookExA(WH_CALLWNDPROC, watch_add_tool, nullptr, GetCurrentThreadId());
    HWND status = open_status();
    UnhookWindowsHookEx(add_tool_hook);
    // The 44-byte record, lParam included.
    CHECK_EQ(added_tool_sizes.size(), 2);
    for (UINT size : added_tool_sizes) CHECK_EQ(size, 44);
    HWND close_button = GetDlgItem(status, IDC_STATUS_CLOSE);
    std::vector<HWND> tips = thread_tooltips();
    CHECK_EQ(tips.size(), 2);
    int found_window = 0, found_close = 0;
    for (HWND tip : tips) {
        CHECK_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
        CHECK_EQ(SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 400);
        HWND tool_window = nullptr;
        std::string text = tool_text(tip, &tool_window);
        LRESULT delay = SendMessageA(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0);
        if (tool_window == status) {
            found_window++;
            CHECK_EQ(text, "Yarrowmeld Status Window");
            CHECK_EQ(delay, 300);
        } else if (tool_window == close_button) {
            found_close++;
            CHECK_EQ(text, "閉じる");
            CHECK_EQ(delay, 100);
        }
    }
    CHECK_EQ(found_window, 1);
    CHECK_EQ(found_close, 1);
    DestroyWindow(status);
    CHECK_EQ(thread_tooltips().size(), 0);
}

// Every way of closing clears the state, forgets the tooltips, remembers the
// rectangle and unticks the menu entry.
static void test_closing(void) {
    static const MessageWay ways[] = {
        {"close button", WM_COMMAND, IDC_STATUS_CLOSE},
        {"cancel", WM_COMMAND, IDCANCEL},
        {"close", WM_CLOSE, 0},
        {"end of session", WM_QUERYENDSESSION, 0},
        {"destroyed by the main window", 0, 0},
    };
    for (const auto &way : ways) {
        printf("closing by %s\n", way.how);
        HWND status = open_status();
        MoveWindow(status, 100 + 8 * way.message, 50, 210, 60, TRUE);
        RECT before = window_rect(status);
        CHECK(status_checked());
        if (way.message) {
            LRESULT result = SendMessageA(status, way.message, way.wparam, 0);
            // The end of the session is let through; the window closes
            // after answering.
            if (way.message == WM_QUERYENDSESSION) {
                CHECK(result != 0);
                CHECK(pump_until([&] { return !IsWindow(status); }));
            }
        } else {
            DestroyWindow(status);
        }
        CHECK(!IsWindow(status));
        CHECK(g.status_window == nullptr);
        CHECK_EQ(g.status_shown, 0);
        RECT kept = g.status_window_rect;
        CHECK(EqualRect(&kept, &before));
        CHECK(!status_checked());
        CHECK_EQ(thread_tooltips().size(), 0);
    }

    // Other commands leave it open.
    HWND status = open_status();
    SendMessageA(status, WM_COMMAND, IDOK, 0);
    SendMessageA(status, WM_COMMAND, IDC_STATUS_TITLE, 0);
    CHECK(IsWindow(status));
    CHECK(g.status_window == status);
    CHECK_EQ(g.status_shown, 1);
    DestroyWindow(status);
}

static void test_reopening(void) {
    // Reopens at the remembered top-left corner, 2 pixels wider than made.
    ZeroMemory(&g.status_window_rect, sizeof g.status_window_rect);
    HWND status = open_status();
    RECT made = window_rect(status);
    MoveWindow(status, 120, 80, made.right - made.left, made.bottom - made.top, TRUE);
    SendMessageA(status, WM_COMMAND, IDC_STATUS_CLOSE, 0);
    status = open_status();
    RECT r = window_rect(status);
    CHECK_EQ(r.left, 120);
    CHECK_EQ(r.top, 80);
    CHECK_EQ(r.right - r.left, made.right - made.left + 2);
    CHECK_EQ(r.bottom - r.top, made.bottom - made.top);
    DestroyWindow(status);

    // Left and top 0 still count as remembered when another value is not.
    g.status_window_rect = RECT{0, 0, 5, 0};
    status = open_status();
    r = window_rect(status);
    CHECK_EQ(r.left, 0);
    CHECK_EQ(r.top, 0);
    DestroyWindow(status);
}

// At 150 % the pixels the window adds to its own size and to the taskbar's
// edge grow with the DPI: 3 where 96 DPI has 2.
static void test_pixels_follow_the_dpi(HWND taskbar) {
    test_dpi = 144;
    ZeroMemory(&g.status_window_rect, sizeof g.status_window_rect);
    HWND status = open_status();
    RECT made = window_rect(status);
    RECT desk = window_rect(GetDesktopWindow());
    RECT bar = window_rect(taskbar);
    CHECK_EQ(made.right, desk.right);
    CHECK_EQ(made.bottom, desk.bottom - (bar.bottom - bar.top) + 3);
    SendMessageA(status, WM_COMMAND, IDC_STATUS_CLOSE, 0);
    status = open_status();
    RECT r = window_rect(status);
    CHECK_EQ(r.left, made.left);
    CHECK_EQ(r.right - r.left, made.right - made.left + 3);
    DestroyWindow(status);
    test_dpi = 96;
}

int main(void) {
    if (!set_up())
        return 1;
    // The tooltip class comes with the common controls.
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    typedef void(WINAPI * InitFn)(void);
    InitFn init = comctl ? reinterpret_cast<InitFn>(reinterpret_cast<void *>(
                               GetProcAddress(comctl, "InitCommonControls")))
                         : nullptr;
    if (init)
        init();
    CHECK(init != nullptr);

    HWND taskbar = make_taskbar(40);
    test_first_placement(taskbar);
    test_placement_beside_a_side_taskbar(taskbar);
    test_drag_surface();
    test_tooltips();
    test_closing();
    test_reopening();
    test_pixels_follow_the_dpi(taskbar);
    DestroyWindow(taskbar);
    remove_temp_folder();
    return checks::finish();
}
