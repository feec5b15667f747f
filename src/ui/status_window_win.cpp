// The status window: a small topmost window with the title and the two
// countdowns, dragged by any point of its surface, with two tooltips.
#include "ui/status_window_win.h"

#include "app/app_win.h"

#include <commctrl.h>

#include "ui/dpi_win.h"
#include "ui/dialog_common_win.h"
#include "ui/placement.h"

// Any fixed value; the same identifies the tool when it is removed.
static const UINT_PTR TOOL_ID = 1;

// The window-wide tooltip and the close button's, with the descriptions
// they were added with (TTM_DELTOOL needs the same window and id).
static HWND window_tip;
static HWND close_tip;
static TOOLINFOA window_tool;
static TOOLINFOA close_tool;

static BOOL CALLBACK find_taskbar_step(HWND window, LPARAM param) {
    HWND *found = reinterpret_cast<HWND *>(param);
    *found = nullptr;
    char class_name[128];
    if (GetClassNameA(window, class_name, sizeof class_name) == 0)
        return TRUE;
    if (!class_is_taskbar(class_name))
        return TRUE;
    *found = window;
    return FALSE;
}

static HWND find_taskbar_window(void) {
    HWND found = nullptr;
    EnumWindows(find_taskbar_step, reinterpret_cast<LPARAM>(&found));
    return found;
}

// One tooltip window with one tool covering the client area of tool_window.
static HWND add_tooltip(HWND tool_window, TOOLINFOA *tool, const char *text, int delay) {
    HWND tip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, tool_window, nullptr, g.instance, nullptr);
    if (!tip)
        return nullptr;
    ZeroMemory(tool, sizeof *tool);
    // The 44-byte form of the record (up to lParam), which every version of
    // the common controls since 4.70 accepts.
    tool->cbSize = TTTOOLINFOA_V2_SIZE;
    tool->uFlags = TTF_SUBCLASS;
    tool->hwnd = tool_window;
    tool->uId = TOOL_ID;
    GetClientRect(tool_window, &tool->rect);
    tool->hinst = g.instance;
    tool->lpszText = const_cast<char *>(text);
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(tool));
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 400);
    SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(delay, 0));
    return tip;
}

static void place_window(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    const RECT &last = g.status_window_rect;
    int dpi = screen_dpi();
    if (last.left || last.top || last.right || last.bottom) {
        MoveWindow(window, last.left, last.top, w + dpi_px(2, dpi), h, TRUE);
        return;
    }
    RECT desktop, work, bar = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        work = desktop;
    HWND taskbar = find_taskbar_window();
    if (taskbar)
        GetWindowRect(taskbar, &bar);
    const UiRect desk_area = {desktop.left, desktop.top, desktop.right, desktop.bottom};
    const UiRect work_area = {work.left, work.top, work.right, work.bottom};
    const UiRect bar_area = {bar.left, bar.top, bar.right, bar.bottom};
    int x, y;
    status_origin(&desk_area, taskbar ? &bar_area : nullptr, &work_area, w, h, dpi, &x, &y);
    MoveWindow(window, x, y, w, h, TRUE);
}

static void init_window(HWND window) {
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    place_window(window);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    window_tip = add_tooltip(window, &window_tool, "Yarrowmeld Status Window", 300);
    close_tip = add_tooltip(GetDlgItem(window, IDC_STATUS_CLOSE), &close_tool, "閉じる", 100);
}

static void remove_tooltip(HWND *tip, TOOLINFOA *tool) {
    // The tooltips are owned by the window, so the system may already have
    // destroyed them when the window itself is being destroyed.
    if (*tip && IsWindow(*tip)) {
        SendMessageA(*tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(tool));
        DestroyWindow(*tip);
    }
    *tip = nullptr;
}

void show_status_counts(void) {
    SetDlgItemTextA(g.status_window, IDC_STATUS_TITLE, g.title);
    SetDlgItemInt(g.status_window, IDC_STATUS_UPDATE_LEFT, static_cast<UINT>(g.update_left), FALSE);
    SetDlgItemInt(g.status_window, IDC_STATUS_POST_LEFT, static_cast<UINT>(g.post_left), FALSE);
}

// Runs for every way the window goes; destroying is left out when the
// window is already on its way (WM_DESTROY).
static void close_window(HWND window, int destroy) {
    if (g.status_window == window)
        g.status_window = nullptr;
    g.status_shown = 0;
    remove_tooltip(&window_tip, &window_tool);
    remove_tooltip(&close_tip, &close_tool);
    // Kept for the next opening in this run of the program.
    GetWindowRect(window, &g.status_window_rect);
    CheckMenuItem(g.tray_menu, IDM_STATUS, MF_BYCOMMAND | MF_UNCHECKED);
    if (destroy)
        DestroyWindow(window);
}

INT_PTR CALLBACK status_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            init_window(window);
            return FALSE;
        case WM_NCHITTEST:
            // The whole surface acts as a caption, so a press anywhere drags.
            SetWindowLongPtrA(window, DWLP_MSGRESULT, HTCAPTION);
            return TRUE;
        case WM_LBUTTONDOWN:
            SendMessageA(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lparam);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDC_STATUS_CLOSE)
                close_window(window, 1);
            return FALSE;
        case WM_CLOSE:
            close_window(window, 1);
            return TRUE;
        case WM_QUERYENDSESSION:
            return answer_end_of_session(window);
        case WM_DESTROY:
            close_window(window, 0);
            return FALSE;
    }
    return FALSE;
}

void status_window_open(void) {
    g.status_shown = 1;
    if (g.status_window)
        return;
    g.status_window = open_dialog("IDD_STATUS", status_window_proc);
    // A window closed while it initialised leaves nothing to tick.
    if (g.status_window)
        CheckMenuItem(g.tray_menu, IDM_STATUS, MF_BYCOMMAND | MF_CHECKED);
    else
        g.status_shown = 0;
}

void status_window_close(void) {
    g.status_shown = 0;
    if (!g.status_window)
        return;
    // Its WM_DESTROY keeps the rectangle.
    HWND window = g.status_window;
    g.status_window = nullptr;
    DestroyWindow(window);
    CheckMenuItem(g.tray_menu, IDM_STATUS, MF_BYCOMMAND | MF_UNCHECKED);
}
