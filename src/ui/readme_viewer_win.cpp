// The readme viewer: Readme.txt of the current directory, read-only, white
// on black in a rich-edit control that is created at run time.
#include "ui/readme_viewer_win.h"

#include "app/app_win.h"

#include <imm.h>
#include <richedit.h>

#include "ui/dpi_win.h"
#include "ui/placement.h"
#include "ui/about_dialog_win.h"
#include "ui/dialog_common_win.h"
#include "ui/readme_scroll.h"

// The control's window procedure before the scroll subclass, and the
// subclass's own idea of the scroll position.
static WNDPROC previous_proc;
static int line_height;
static SCROLLINFO scroll;

// The control's size at 96 DPI; the dialog around it grows with its font,
// so the control grows with the DPI.
static const int EDIT_WIDTH = 502;
static const int EDIT_HEIGHT = 373;

static DWORD CALLBACK read_file(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG *got) {
    DWORD read = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(wanted), &read,
                  nullptr))
        read = 0;
    // Zero bytes end the transfer: end of file and read errors alike.
    *got = static_cast<LONG>(read);
    return 0;
}

static void load_readme(HWND edit) {
    HANDLE file = CreateFileA("Readme.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file);
    stream.dwError = 0;
    stream.pfnCallback = read_file;
    SendMessageA(edit, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    CloseHandle(file);
}

static LRESULT CALLBACK scroll_subclass(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
    // The wheel goes straight to the control: its low word holds key
    // flags, not a scroll code, and the control scrolls by its own rules.
    if (message != WM_VSCROLL)
        return CallWindowProcA(previous_proc, edit, message, wparam, lparam);
    int pos = scroll.nPos;
    int delta = scroll_delta(LOWORD(wparam), HIWORD(wparam), pos, static_cast<int>(scroll.nPage));
    delta = scroll_clamp(delta, pos, scroll.nMax);
    if (delta != 0) {
        scroll.nPos = pos + delta;
        SetScrollInfo(edit, SB_VERT, &scroll, TRUE);
        ScrollWindow(edit, 0, -(line_height * delta), nullptr, nullptr);
        UpdateWindow(edit);
    }
    LRESULT result = CallWindowProcA(previous_proc, edit, message, wparam, lparam);
    if (delta != 0) {
        // The control has scrolled the picture once more by its own rules
        // and repainted only the strip it uncovered: the whole picture is
        // painted again from where the text really stands.
        InvalidateRect(edit, nullptr, TRUE);
        UpdateWindow(edit);
    }
    return result;
}

SCROLLINFO readme_viewer_scroll(void) {
    return scroll;
}

// Measures the control's font and sets the scroll range that the subclass
// works with. readme_metrics never divides by zero: a font of no width or
// height leaves nothing to scroll.
static void set_scroll_range(HWND edit) {
    HDC dc = GetDC(edit);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    ReleaseDC(edit, dc);
    RECT client;
    GetClientRect(edit, &client);
    ReadmeMetrics m = readme_metrics(tm.tmPitchAndFamily, tm.tmAveCharWidth, tm.tmHeight,
                                     tm.tmExternalLeading, client.bottom - client.top);
    line_height = m.line_height;
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    scroll.nMin = 0;
    scroll.nMax = m.max;
    scroll.nPage = static_cast<UINT>(m.lines_per_page);
    scroll.nPos = 0;
    SetScrollInfo(edit, SB_VERT, &scroll, TRUE);
}

static void fill_control(HWND edit) {
    set_scroll_range(edit);

    CHARFORMATA format;
    ZeroMemory(&format, sizeof format);
    format.cbSize = sizeof format;
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_PROTECTED;
    format.dwEffects = CFE_PROTECTED;
    format.yHeight = 175;
    format.crTextColor = RGB(255, 255, 255);
    format.bCharSet = SHIFTJIS_CHARSET;
    lstrcpynA(format.szFaceName, "ＭＳ ゴシック", sizeof format.szFaceName);

    SendMessageA(edit, EM_SETBKGNDCOLOR, 0, RGB(0, 0, 0));
    SendMessageA(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    load_readme(edit);
    // Once more over the text now in the control: the text takes the white
    // face only from a format set after it is in, as some rich edits give
    // streamed-in text the default format rather than the empty control's.
    SendMessageA(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageA(edit, EM_SETOPTIONS, ECOOP_OR, ECO_READONLY | ECO_AUTOVSCROLL);
    SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
    SendMessageA(edit, EM_SETREADONLY, TRUE, 0);
    // A click at the top left: caret at the start, nothing selected.
    SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(edit, WM_LBUTTONUP, MK_LBUTTON, MAKELPARAM(5, 5));
}

static void init_dialog(HWND viewer) {
    set_dialog_icon(viewer);

    g.rich_edit_module = LoadLibraryA("RICHED32.DLL");
    int dpi = screen_dpi();
    g.rich_edit = CreateWindowExA(WS_EX_CLIENTEDGE, "RICHEDIT", "",
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_READONLY |
                                      ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE,
                                  0, 0, dpi_px(EDIT_WIDTH, dpi), dpi_px(EDIT_HEIGHT, dpi), viewer,
                                  nullptr, g.instance, nullptr);

    add_system_menu_entries(viewer, 1, 0);

    // Without the control (the library or the window could not be had) the
    // viewer stays up empty, with its OK button and menus working.
    if (g.rich_edit)
        fill_control(g.rich_edit);

    // Off for every thread of the process, for the rest of the run.
    ImmDisableIME(static_cast<DWORD>(-1));

    if (g.rich_edit) {
        previous_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            g.rich_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(scroll_subclass)));
    }
    SetWindowPos(viewer, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    if (g.rich_edit)
        SetWindowPos(g.rich_edit, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

// Another copy of the program (with the single-instance rule lifted) has a
// viewer of the same caption, which may come first among the windows; that
// one is not ours to hold, so every window of the caption is looked at.
static HWND own_readme_window(void) {
    const char caption[] = PRODUCT_NAME " - Readme.txt";
    HWND found = nullptr;
    while ((found = FindWindowExA(nullptr, found, "#32770", caption)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(found, &process);
        if (process == GetCurrentProcessId())
            return found;
    }
    return nullptr;
}

void search_readme_window(void) {
    HWND found = own_readme_window();
    g.readme_viewer = found;
    if (found) {
        g.readme_search = 0;
    } else if (--g.readme_search_ticks == 0) {
        g.readme_search = 0;
    }
}

// The control goes before the library is unloaded; the main window's
// command unloads it and destroys the viewer.
static void close_viewer(HWND viewer) {
    if (g.rich_edit) {
        if (previous_proc)
            SetWindowLongPtrA(g.rich_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_proc));
        previous_proc = nullptr;
        DestroyWindow(g.rich_edit);
        g.rich_edit = nullptr;
    }
    SendMessageA(g.main_window, WM_COMMAND, IDM_CLOSE_README, 0);
    if (IsWindow(viewer))
        DestroyWindow(viewer);
    if (g.readme_viewer == viewer)
        g.readme_viewer = nullptr;
}

INT_PTR CALLBACK readme_viewer_proc(HWND viewer, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            init_dialog(viewer);
            return FALSE;
        case WM_COMMAND:
            if (wparam == IDOK || wparam == IDCANCEL)
                close_viewer(viewer);
            return FALSE;
        case WM_SYSCOMMAND:
            if (about_dialog_reopen(viewer))
                return TRUE;
            if (wparam == IDM_SYS_ABOUT)
                about_dialog_open();
            return FALSE;
        case WM_ACTIVATE:
            if (LOWORD(wparam) == WA_ACTIVE || LOWORD(wparam) == WA_CLICKACTIVE)
                about_dialog_reopen(viewer);
            return FALSE;
        case WM_CLOSE:
            close_viewer(viewer);
            return TRUE;
        case WM_QUERYENDSESSION:
            return answer_end_of_session(viewer);
        case WM_DESTROY:
            if (g.readme_viewer == viewer)
                g.readme_viewer = nullptr;
            // The control goes with the viewer; the message loop must not keep
            // hiding the caret of a window that no longer exists.
            // The subclass stays on it (with its previous procedure) until it
            // is gone.
            if (g.rich_edit && GetParent(g.rich_edit) == viewer)
                g.rich_edit = nullptr;
            return FALSE;
    }
    return FALSE;
}

void readme_viewer_open(void) {
    if (g.readme_viewer)
        return;
    g.readme_viewer = open_dialog("IDD_README", readme_viewer_proc);
    g.readme_search = 1;
    g.readme_search_ticks = 30;
}

void readme_viewer_close(void) {
    // The viewer, and with it any rich-edit control still in it, goes
    // before the library: any program can post the closing command while
    // the control lives, and its window procedure is the library's code.
    if (g.readme_viewer) {
        HWND viewer = g.readme_viewer;
        g.readme_viewer = nullptr;
        DestroyWindow(viewer);
    }
    if (g.rich_edit_module) {
        FreeLibrary(g.rich_edit_module);
        g.rich_edit_module = nullptr;
    }
}
