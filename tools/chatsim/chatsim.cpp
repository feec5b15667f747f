// chatsim: a chat room in a pretend browser window, for end-to-end tests.
//
//   chatsim.exe [--class NAME] [--title TEXT] [--page-class NAME | --no-page]
//               [--ansi-page] [--log FILE] [--hang-after N] [--hang-ms MS]
//               [--hidden] [--minimized]
//   chatsim.exe --chromium [--title TEXT] [--no-page] [--log FILE]
//               [--hang-after N] [--hang-ms MS] [--hidden] [--minimized]
//
// The frame (a top-level window of the given class and title) holds, in
// this order: a static and an edit (decoys), a "Shell DocObject View" that
// holds another static and then the page window, and a list box that shows
// the chat. The page window is a Unicode window unless --ansi-page is given,
// so the log shows what ANSI messages sent by another process turn into.
//
// --chromium plays a browser of today instead: a frame of class
// "Chrome_WidgetWin_1" titled "<title> - Chromium" holding a decoy child and
// the page window, of class "Chrome_RenderWidgetHostHWND" and titled "Chrome
// Legacy Window", which hands every keyboard message (WM_KEYFIRST to
// WM_KEYLAST) on to its parent, as that browser's window does; the frame
// then feeds the chat. Three hidden top-level windows of the frame's class,
// with an empty or another title, stand for the browser's helper windows.
//
// Typed characters followed by Enter post a line; a lone Enter is an update,
// shown as "(update)". Every message the page window receives is logged as
//   t=<GetTickCount> msg=0x<msg> wp=0x<wParam> lp=0x<lParam>
// and every chat line as
//   t=<ticks> chat=<text as UTF-8> units=<UTF-16 code units in hex>
// after a line "ready pid=<id> frame=0x<hwnd> page=0x<hwnd>" (page 0x0 with
// --no-page) once the windows exist; the messages of the page window's
// creation come before it. "hang" marks the start of each stall and
// "closed" the frame's destruction.
// After --hang-after N key messages (WM_KEYDOWN, WM_CHAR, WM_KEYUP) the page
// window stops answering: every further key message sleeps --hang-ms
// (default 10 minutes) inside the window procedure before it is handled.
#include <windows.h>

namespace {

struct Options {
    const wchar_t *frame_class = L"IEFrame";
    const wchar_t *title = L"Chat room";
    const wchar_t *page_class = nullptr;  // null: chosen by the frame class
    const wchar_t *log_path = nullptr;
    bool no_page = false;
    bool ansi_page = false;
    bool hidden = false;
    bool minimized = false;
    bool chromium = false;
    long hang_after = -1;
    DWORD hang_ms = 600000;
};

Options opt;
HANDLE log_file = INVALID_HANDLE_VALUE;
HWND main_frame;  // the frame that holds the chat, not a helper window
HWND chat_list;
HWND page_window;
long key_messages;
wchar_t line[512];
int line_length;
char ansi_line[512];  // the bytes of a line typed into an ANSI page window
int ansi_length;

const wchar_t doc_view_class[] = L"Shell DocObject View";
const wchar_t chromium_frame_class[] = L"Chrome_WidgetWin_1";
const wchar_t chromium_page_class[] = L"Chrome_RenderWidgetHostHWND";

// ---------------------------------------------------------------------------

void log_bytes(const char *text, int length) {
    if (log_file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    // Unbuffered: each line is in the file as soon as WriteFile returns, so
    // a test reading the log concurrently never sees half a line held back.
    WriteFile(log_file, text, (DWORD)length, &written, nullptr);
}

void log_line(const char *text) {
    log_bytes(text, lstrlenA(text));
}

void log_message(UINT msg, WPARAM wp, LPARAM lp) {
    char text[96];
    wsprintfA(text, "t=%lu msg=0x%04x wp=0x%lx lp=0x%lx\r\n", GetTickCount(), msg,
              (unsigned long)wp, (unsigned long)lp);
    log_line(text);
}

void log_chat(const wchar_t *chat, int length) {
    char utf8[1600];
    int n = WideCharToMultiByte(CP_UTF8, 0, chat, length, utf8, sizeof utf8 - 1, nullptr, nullptr);
    utf8[n > 0 ? n : 0] = 0;
    char head[48];
    wsprintfA(head, "t=%lu chat=", GetTickCount());
    log_line(head);
    log_line(utf8);
    log_line(" units=");
    for (int i = 0; i < length; i++) {
        char unit[8];
        wsprintfA(unit, i ? " %04x" : "%04x", (unsigned)chat[i]);
        log_line(unit);
    }
    log_line("\r\n");
}

// ---------------------------------------------------------------------------

void add_chat_line(void) {
    if (opt.ansi_page) {
        line_length = ansi_length ? MultiByteToWideChar(CP_ACP, 0, ansi_line, ansi_length, line,
                                                        sizeof line / sizeof line[0] - 1)
                                  : 0;
        ansi_length = 0;
    }
    const wchar_t *shown = line;
    int length = line_length;
    if (length == 0) {
        shown = L"(update)";
        length = lstrlenW(shown);
    }
    line[line_length] = 0;
    SendMessageW(chat_list, LB_ADDSTRING, 0, (LPARAM)shown);
    int count = (int)SendMessageW(chat_list, LB_GETCOUNT, 0, 0);
    SendMessageW(chat_list, LB_SETTOPINDEX, count > 0 ? count - 1 : 0, 0);
    log_chat(shown, length);
    line_length = 0;
}

void take_char(WPARAM wp) {
    if (wp == '\r') {
        add_chat_line();
        return;
    }
    // A Unicode window gets one UTF-16 unit per WM_CHAR, an ANSI one a byte
    // of the ANSI code page (a double-byte character in two messages).
    if (opt.ansi_page) {
        if (ansi_length < (int)sizeof ansi_line)
            ansi_line[ansi_length++] = (char)wp;
    } else if (line_length < (int)(sizeof line / sizeof line[0]) - 1) {
        line[line_length++] = (wchar_t)wp;
    }
}

LRESULT page_message(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    log_message(msg, wp, lp);
    if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_KEYUP) {
        if (opt.hang_after >= 0 && key_messages >= opt.hang_after) {
            log_line("hang\r\n");
            Sleep(opt.hang_ms);
        }
        key_messages++;
    }
    if (opt.chromium && msg >= WM_KEYFIRST && msg <= WM_KEYLAST)
        return SendMessageW(GetParent(window), msg, wp, lp);
    if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_KEYUP) {
        if (msg == WM_CHAR)
            take_char(wp);
        return 0;
    }
    return opt.ansi_page ? DefWindowProcA(window, msg, wp, lp)
                         : DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK page_proc_w(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    return page_message(window, msg, wp, lp);
}

LRESULT CALLBACK page_proc_a(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    return page_message(window, msg, wp, lp);
}

LRESULT CALLBACK frame_proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (window != main_frame)
        return DefWindowProcW(window, msg, wp, lp);
    switch (msg) {
        case WM_CHAR:
            // The page window of --chromium hands its keys on to here.
            if (!opt.chromium)
                break;
            take_char(wp);
            return 0;
        case WM_SIZE: {
            int w = LOWORD(lp), h = HIWORD(lp);
            HWND view = FindWindowExW(window, nullptr, doc_view_class, nullptr);
            if (view)
                MoveWindow(view, 0, 30, w, h / 2, TRUE);
            if (page_window)
                MoveWindow(page_window, 0, view ? 0 : 30, w, h / 2, TRUE);
            MoveWindow(chat_list, 0, 30 + h / 2, w, h - 30 - h / 2, TRUE);
            return 0;
        }
        case WM_DESTROY:
            log_line("closed\r\n");
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

// ---------------------------------------------------------------------------

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

// The page class that goes with a frame class, as the browsers have them.
const wchar_t *default_page_class(const wchar_t *frame) {
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
        {L"OpWindow", L"OperaWindowClass"},
        {L"MozillaUIWindowClass", L"MozillaWindowClass"},
    };
    for (const auto &row : table) {
        if (same_text(frame, row.frame))
            return row.page;
    }
    if (guid_shaped(frame))
        return L"WebViewWindowClass";
    return L"Internet Explorer_Server";
}

bool parse_options(int argc, wchar_t **argv) {
    for (int i = 1; i < argc; i++) {
        const wchar_t *a = argv[i];
        const wchar_t *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!lstrcmpW(a, L"--no-page")) {
            opt.no_page = true;
        } else if (!lstrcmpW(a, L"--ansi-page")) {
            opt.ansi_page = true;
        } else if (!lstrcmpW(a, L"--hidden")) {
            opt.hidden = true;
        } else if (!lstrcmpW(a, L"--minimized")) {
            opt.minimized = true;
        } else if (!lstrcmpW(a, L"--chromium")) {
            opt.chromium = true;
        } else if (!value) {
            return false;
        } else if (!lstrcmpW(a, L"--class")) {
            opt.frame_class = argv[++i];
        } else if (!lstrcmpW(a, L"--title")) {
            opt.title = argv[++i];
        } else if (!lstrcmpW(a, L"--page-class")) {
            opt.page_class = argv[++i];
        } else if (!lstrcmpW(a, L"--log")) {
            opt.log_path = argv[++i];
        } else if (!lstrcmpW(a, L"--hang-after")) {
            opt.hang_after = wcstol(argv[++i], nullptr, 10);
        } else if (!lstrcmpW(a, L"--hang-ms")) {
            opt.hang_ms = wcstoul(argv[++i], nullptr, 10);
        } else {
            return false;
        }
    }
    if (opt.chromium) {
        // Its page window is a Unicode window, and its classes are fixed.
        if (opt.ansi_page || opt.page_class)
            return false;
        opt.frame_class = chromium_frame_class;
        opt.page_class = chromium_page_class;
    }
    return opt.frame_class[0] != 0;
}

bool register_class(const wchar_t *name, WNDPROC proc, HBRUSH background) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool register_page_class(const wchar_t *name) {
    if (!opt.ansi_page)
        return register_class(name, page_proc_w, (HBRUSH)(COLOR_WINDOW + 1));
    char ansi[256];
    if (!WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof ansi, nullptr, nullptr)) {
        return false;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = page_proc_a;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = ansi;
    return RegisterClassA(&wc) != 0;
}

HWND child(const wchar_t *cls, const wchar_t *text, DWORD style, HWND parent, int y) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, y, 200, 24, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The page window: inside the "Shell DocObject View" (after a decoy static)
// for the older browsers, a direct child of the frame for --chromium.
bool create_page(HWND frame, HWND view) {
    const wchar_t *page_class =
        opt.page_class ? opt.page_class : default_page_class(opt.frame_class);
    if (!register_page_class(page_class))
        return false;
    if (opt.chromium) {
        page_window = child(page_class, L"Chrome Legacy Window", 0, frame, 0);
    } else {
        page_window = child(page_class, L"", 0, view, 0);
    }
    return page_window != nullptr;
}

// Hidden top-level windows of the frame's class, as a browser of today keeps
// them; created after the frame, so they come before it in window order.
void create_helper_windows(void) {
    const wchar_t *const titles[] = {L"", L"", L"Chromium"};
    for (const wchar_t *title : titles) {
        CreateWindowExW(0, chromium_frame_class, title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || !parse_options(argc, argv)) {
        MessageBoxW(nullptr,
                    L"chatsim [--class NAME] [--title TEXT] [--page-class NAME | --no-page]\n"
                    L"        [--ansi-page] [--log FILE] [--hang-after N] [--hang-ms MS]\n"
                    L"        [--hidden] [--minimized]\n"
                    L"chatsim --chromium [--title TEXT] [--no-page] [--log FILE]\n"
                    L"        [--hang-after N] [--hang-ms MS] [--hidden] [--minimized]",
                    L"chatsim", MB_OK);
        return 2;
    }
    if (opt.log_path) {
        log_file = CreateFileW(opt.log_path, FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log_file == INVALID_HANDLE_VALUE)
            return 3;
    }

    if (!register_class(opt.frame_class, frame_proc, (HBRUSH)(COLOR_BTNFACE + 1)) ||
        !register_class(doc_view_class, DefWindowProcW, (HBRUSH)(COLOR_WINDOW + 1))) {
        return 4;
    }
    wchar_t title[600];
    lstrcpynW(title, opt.title, 500);
    if (opt.chromium)
        lstrcatW(title, L" - Chromium");
    HWND frame =
        CreateWindowExW(0, opt.frame_class, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                        480, 360, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!frame)
        return 5;
    main_frame = frame;

    // Decoys first: the page window is not the first descendant (nor, but
    // for --chromium, a direct child of the frame).
    child(L"STATIC", L"Address", 0, frame, 0);
    child(L"EDIT", L"http://chat.invalid/room", WS_BORDER, frame, 0);
    HWND view = opt.chromium ? nullptr : child(doc_view_class, L"", WS_CLIPCHILDREN, frame, 30);
    if (view)
        child(L"STATIC", L"", 0, view, 0);
    if (!opt.no_page && !create_page(frame, view))
        return 6;
    chat_list = child(L"LISTBOX", L"", WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, frame, 200);

    RECT r;
    GetClientRect(frame, &r);
    SendMessageW(frame, WM_SIZE, 0, MAKELPARAM(r.right, r.bottom));
    if (!opt.hidden) {
        ShowWindow(frame, opt.minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
        UpdateWindow(frame);
    }
    if (opt.chromium)
        create_helper_windows();

    char ready[96];
    wsprintfA(ready, "ready pid=%lu frame=0x%lx page=0x%lx\r\n", GetCurrentProcessId(),
              (unsigned long)(UINT_PTR)frame, (unsigned long)(UINT_PTR)page_window);
    log_line(ready);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (log_file != INVALID_HANDLE_VALUE)
        CloseHandle(log_file);
    LocalFree(argv);
    return 0;
}
