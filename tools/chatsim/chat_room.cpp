// A chat room in a pretend browser window (see chat_room.h).
#include "chat_room.h"

namespace {

const wchar_t doc_view_class[] = L"Shell DocObject View";
const wchar_t chromium_frame_class[] = L"Chrome_WidgetWin_1";
const wchar_t firefox_frame_class[] = L"MozillaWindowClass";
const wchar_t firefox_child_class[] = L"MozillaCompositorWindowClass";

ChatRoom *room_of(HWND window) {
    return reinterpret_cast<ChatRoom *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Windows created with the room as their creation parameter keep it.
void keep_room(HWND window, UINT msg, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto *cs = reinterpret_cast<CREATESTRUCTW *>(lp);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
}

void add_chat_line(ChatRoom *room) {
    if (room->opt.ansi_page && !room->opt.chromium) {
        room->line_length =
            room->ansi_length
                ? MultiByteToWideChar(CP_ACP, 0, room->ansi_line, room->ansi_length, room->line,
                                      sizeof room->line / sizeof room->line[0] - 1)
                : 0;
        room->ansi_length = 0;
    }
    const wchar_t *shown = room->line;
    int length = room->line_length;
    if (length == 0) {
        shown = L"(update)";
        length = lstrlenW(shown);
    }
    room->line[room->line_length] = 0;
    SendMessageW(room->list, LB_ADDSTRING, 0, (LPARAM)shown);
    int count = (int)SendMessageW(room->list, LB_GETCOUNT, 0, 0);
    SendMessageW(room->list, LB_SETTOPINDEX, count > 0 ? count - 1 : 0, 0);
    if (room->opt.on_line)
        room->opt.on_line(room->opt.context, shown, length);
    room->line_length = 0;
    room->caret = 0;
}

// A line in the chat that is not a post: what the browser did instead.
void show_event(ChatRoom *room, const wchar_t *event) {
    SendMessageW(room->list, LB_ADDSTRING, 0, (LPARAM)event);
    if (room->opt.on_line)
        room->opt.on_line(room->opt.context, event, lstrlenW(event));
}

// byte: wp is a byte of the ANSI code page (an ANSI page window; a
// double-byte character comes in two messages), else a UTF-16 unit.
void take_char(ChatRoom *room, WPARAM wp, bool byte) {
    if (wp == '\r') {
        add_chat_line(room);
        return;
    }
    if (byte) {
        if (room->ansi_length < (int)sizeof room->ansi_line)
            room->ansi_line[room->ansi_length++] = (char)wp;
    } else if (room->line_length < (int)(sizeof room->line / sizeof room->line[0]) - 1) {
        for (int i = room->line_length; i > room->caret; i--) room->line[i] = room->line[i - 1];
        room->line[room->caret++] = (wchar_t)wp;
        room->line_length++;
    }
}

// A key-down that reaches the frame of a browser of today. The chat input
// takes the editing keys; F1 to F12 go on to the browser.
// Chromium: ui/views/win/hwnd_message_handler.cc (OnKeyEvent handles
// WM_KEYDOWN at the frame), and a key the page does not consume goes to the
// browser's shortcuts, where F5 reloads.
void take_key_down(ChatRoom *room, WPARAM vk) {
    if (vk == VK_LEFT && room->caret > 0) {
        room->caret--;
    } else if (vk == VK_RIGHT && room->caret < room->line_length) {
        room->caret++;
    } else if (vk == VK_DELETE && room->caret < room->line_length) {
        for (int i = room->caret; i + 1 < room->line_length; i++) room->line[i] = room->line[i + 1];
        room->line_length--;
    } else if (vk == VK_F5) {
        // The page is loaded anew: what was typed is gone.
        room->line_length = room->caret = 0;
        show_event(room, L"(reload)");
    } else if (vk >= VK_F1 && vk <= VK_F12) {
        wchar_t name[8];
        wsprintfW(name, L"(F%d)", (int)(vk - VK_F1 + 1));
        show_event(room, name);
    }
}

LRESULT page_message(HWND window, UINT msg, WPARAM wp, LPARAM lp, bool ansi) {
    keep_room(window, msg, lp);
    ChatRoom *room = room_of(window);
    if (room && room->opt.on_page)
        room->opt.on_page(room->opt.context, window, msg, wp, lp);
    if (room && room->opt.chromium && msg >= WM_KEYFIRST && msg <= WM_KEYLAST)
        return ansi ? SendMessageA(GetParent(window), msg, wp, lp)
                    : SendMessageW(GetParent(window), msg, wp, lp);
    if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_KEYUP) {
        if (room && msg == WM_CHAR)
            take_char(room, wp, ansi);
        return 0;
    }
    return ansi ? DefWindowProcA(window, msg, wp, lp) : DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK page_proc_w(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    return page_message(window, msg, wp, lp, false);
}

LRESULT CALLBACK page_proc_a(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    return page_message(window, msg, wp, lp, true);
}

// Today's Firefox: widget/windows/nsWindow.cpp takes WM_CHAR
// (ProcessCharMessage) and WM_KEYDOWN (ProcessKeyDownMessage) at the frame,
// with no look at the foreground window. A WM_CHAR '\r' without a key
// press is taken as Enter by newer releases (dropped by older ones), and a
// key-down of VK_RETURN is Enter in all of them
// (widget/windows/KeyboardLayout.cpp, NativeKey).
LRESULT firefox_key(ChatRoom *room, UINT msg, WPARAM wp) {
    if (msg == WM_CHAR)
        take_char(room, wp, false);
    else if (msg == WM_KEYDOWN && wp == VK_RETURN)
        add_chat_line(room);
    return 0;
}

LRESULT CALLBACK frame_proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    keep_room(window, msg, lp);
    ChatRoom *room = room_of(window);
    // Helper windows share the class but hold no room.
    if (!room || room->frame != window)
        return DefWindowProcW(window, msg, wp, lp);
    if (room->opt.firefox) {
        if (room->opt.on_page)
            room->opt.on_page(room->opt.context, window, msg, wp, lp);
        if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_KEYUP)
            return firefox_key(room, msg, wp);
    }
    switch (msg) {
        case WM_CHAR:
            // The page window of a browser of today hands its keys on to
            // here, turned into UTF-16 on the way by the system.
            if (!room->opt.chromium)
                break;
            // Chromium: the character goes to the input method
            // (ui/base/ime/win/input_method_win_base.cc, OnChar), which
            // inserts it only while a text client is attached; the client
            // goes when the frame is deactivated.
            if (room->active)
                take_char(room, wp, false);
            return 0;
        case WM_KEYDOWN:
            if (!room->opt.chromium)
                break;
            take_key_down(room, wp);
            return 0;
        // Chromium follows its activation from these messages, not from a
        // look at the foreground window.
        case WM_ACTIVATE:
            if (room->opt.chromium)
                room->active = LOWORD(wp) != WA_INACTIVE;
            break;
        case WM_ACTIVATEAPP:
            if (room->opt.chromium && !wp)
                room->active = false;
            break;
        case WM_SETFOCUS:
            if (room->opt.chromium)
                room->active = true;
            break;
        case WM_KILLFOCUS:
            if (room->opt.chromium)
                room->active = false;
            break;
        case WM_SIZE: {
            int w = LOWORD(lp), h = HIWORD(lp);
            HWND view = FindWindowExW(window, nullptr, doc_view_class, nullptr);
            if (view)
                MoveWindow(view, 0, 30, w, h / 2, TRUE);
            if (room->page && room->page != window)
                MoveWindow(room->page, 0, GetParent(room->page) == view ? 0 : 30, w, h / 2, TRUE);
            if (room->list)
                MoveWindow(room->list, 0, 30 + h / 2, w, h - 30 - h / 2, TRUE);
            return 0;
        }
        case WM_DESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            room->frame = nullptr;
            if (room->opt.quit_on_close)
                PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

bool same_text(const wchar_t *a, const wchar_t *b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

bool guid_shaped(const wchar_t *name) {
    for (int i = 0; i < 38; i++) {
        if (!name[i])
            return false;
    }
    return name[0] == '{' && name[9] == '-' && name[14] == '-' && name[19] == '-' &&
           name[24] == '-' && name[37] == '}';
}

// A class is registered once per process, with the procedure of the first
// use; a test never uses one name for two kinds of window.
bool register_class(const wchar_t *name, WNDPROC proc, HBRUSH background) {
    WNDCLASSW wc = {};
    if (GetClassInfoW(GetModuleHandleW(nullptr), name, &wc))
        return true;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool register_ansi_class(const wchar_t *name, WNDPROC proc) {
    char ansi[256];
    if (!WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof ansi, nullptr, nullptr))
        return false;
    WNDCLASSA wc = {};
    if (GetClassInfoA(GetModuleHandleA(nullptr), ansi, &wc))
        return true;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = ansi;
    return RegisterClassA(&wc) != 0;
}

HWND child(ChatRoom *room, const wchar_t *cls, const wchar_t *text, DWORD style, HWND parent,
           int y) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, y, 200, 24, parent,
                           nullptr, GetModuleHandleW(nullptr), room);
}

bool create_page(ChatRoom *room, HWND view) {
    const wchar_t *page_class = room->opt.page_class
                                    ? room->opt.page_class
                                    : chat_default_page_class(room->opt.frame_class);
    bool registered = room->opt.ansi_page
                          ? register_ansi_class(page_class, page_proc_a)
                          : register_class(page_class, page_proc_w, (HBRUSH)(COLOR_WINDOW + 1));
    if (!registered)
        return false;
    HWND parent = view ? view : room->frame;
    const wchar_t *text = room->opt.chromium ? L"Chrome Legacy Window" : L"";
    // An ANSI class is created through the A call so that the window gets
    // the ANSI procedure's messages.
    if (room->opt.ansi_page) {
        char ansi[256], ansi_text[64];
        WideCharToMultiByte(CP_ACP, 0, page_class, -1, ansi, sizeof ansi, nullptr, nullptr);
        WideCharToMultiByte(CP_ACP, 0, text, -1, ansi_text, sizeof ansi_text, nullptr, nullptr);
        room->page = CreateWindowExA(0, ansi, ansi_text, WS_CHILD | WS_VISIBLE, 0, 0, 200, 24,
                                     parent, nullptr, GetModuleHandleA(nullptr), room);
    } else {
        room->page = child(room, page_class, text, 0, parent, 0);
    }
    return room->page != nullptr;
}

}  // namespace

const wchar_t *chat_default_page_class(const wchar_t *frame) {
    static const struct {
        const wchar_t *frame, *page;
    } table[] = {
        {L"IEFrame", L"Internet Explorer_Server"},
        {L"Lunascape4MainWnd", L"Internet Explorer_Server"},
        {L"Lunascape5MainWnd", L"Internet Explorer_Server"},
        {L"Lunascape6MainWnd", L"Internet Explorer_Server"},
        {L"SleipnirMainWindow", L"Internet Explorer_Server"},
        {L"Chrome_XPFrame", L"Chrome_RenderWidgetHostHWND"},
        {L"Chrome_WidgetWin_0", L"Chrome_RenderWidgetHostHWND"},
        {L"Chrome_WidgetWin_1", L"Chrome_RenderWidgetHostHWND"},
        {L"OpWindow", L"OperaWindowClass"},
        {L"MozillaUIWindowClass", L"MozillaWindowClass"},
        {L"MozillaWindowClass", L"MozillaWindowClass"},
    };
    for (const auto &row : table) {
        if (same_text(frame, row.frame))
            return row.page;
    }
    if (guid_shaped(frame))
        return L"WebViewWindowClass";
    return L"Internet Explorer_Server";
}

int chat_room_open(ChatRoom *room, const ChatRoomOptions &opt) {
    *room = ChatRoom();
    room->opt = opt;
    if (room->opt.chromium)
        room->opt.frame_class = chromium_frame_class;
    if (room->opt.firefox) {
        room->opt.chromium = false;
        room->opt.frame_class = firefox_frame_class;
        room->opt.ansi_page = false;
    }
    const ChatRoomOptions &o = room->opt;
    if (!register_class(o.frame_class, frame_proc, (HBRUSH)(COLOR_BTNFACE + 1)) ||
        !register_class(doc_view_class, DefWindowProcW, (HBRUSH)(COLOR_WINDOW + 1)) ||
        (o.firefox && !register_class(firefox_child_class, DefWindowProcW, nullptr))) {
        return 0;
    }
    // Clear of Wine's tray window in the top left corner, which shows a
    // caption of its own where Wine draws every frame itself (the test
    // display): tests compare the tray icons by their pictures on the screen.
    HWND frame =
        CreateWindowExW(0, o.frame_class, o.title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 100,
                        480, 360, nullptr, nullptr, GetModuleHandleW(nullptr), room);
    if (!frame)
        return 0;
    room->frame = frame;

    // Decoys first: the page window is not the first descendant (nor, but
    // in the style of today, a direct child of the frame).
    child(room, L"STATIC", L"Address", 0, frame, 0);
    child(room, L"EDIT", L"http://chat.invalid/room", WS_BORDER, frame, 0);
    HWND view = nullptr;
    if (o.firefox) {
        // The compositor's window: disabled, it runs DefWindowProc and
        // takes no keys; the frame is the page.
        child(room, firefox_child_class, L"", WS_DISABLED, frame, 30);
        room->page = o.no_page ? nullptr : frame;
    } else if (!o.chromium && o.nested) {
        view = child(room, doc_view_class, L"", WS_CLIPCHILDREN, frame, 30);
        child(room, L"STATIC", L"", 0, view, 0);
    }
    if (!o.no_page && !o.firefox && !create_page(room, view)) {
        chat_room_close(room);
        return 0;
    }
    room->list =
        child(room, L"LISTBOX", L"", WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, frame, 200);

    RECT r;
    GetClientRect(frame, &r);
    SendMessageW(frame, WM_SIZE, 0, MAKELPARAM(r.right, r.bottom));
    if (o.visible) {
        ShowWindow(frame, o.minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
        UpdateWindow(frame);
    }
    // Created after the frame, so they come before it in window order.
    if (o.chromium || o.firefox) {
        const wchar_t *const titles[] = {L"", L"", o.firefox ? L"Mozilla Firefox" : L"Chromium"};
        for (int i = 0; i < 3; i++) {
            room->helpers[i] =
                CreateWindowExW(0, o.frame_class, titles[i], WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        }
    }
    return 1;
}

void chat_room_close(ChatRoom *room) {
    for (HWND &helper : room->helpers) {
        if (helper)
            DestroyWindow(helper);
        helper = nullptr;
    }
    if (room->frame)
        DestroyWindow(room->frame);
    room->frame = room->page = room->list = nullptr;
}
