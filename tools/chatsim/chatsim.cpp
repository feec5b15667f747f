// chatsim: a chat room in a pretend browser window, for end-to-end tests.
//
//   chatsim.exe [--class NAME] [--title TEXT] [--page-class NAME | --no-page]
//               [--ansi-page] [--log FILE] [--hang-after N] [--hang-ms MS]
//               [--hidden] [--minimized]
//   chatsim.exe --chromium [--title TEXT] [--no-page] [--log FILE]
//               [--hang-after N] [--hang-ms MS] [--hidden] [--minimized]
//   chatsim.exe --firefox [--title TEXT] [--log FILE]
//               [--hang-after N] [--hang-ms MS] [--hidden] [--minimized]
//
// The windows are the chat room of chat_room.h, shared with the end-to-end
// harness. The page window is a Unicode window unless --ansi-page is given,
// so the log shows what ANSI messages sent by another process turn into.
// --chromium plays a browser of today: the frame, of class
// "Chrome_WidgetWin_1", is titled "<title> - Chromium"; it types only while
// active, and F1 to F12 reaching it act as the browser's keys ("(reload)"
// for F5, "(F1)" and so on for the others, logged as chat lines).
// --firefox plays today's Firefox: the frame, of class "MozillaWindowClass"
// and titled "<title> \u2014 Mozilla Firefox", is its own page window.
//
// Every message the page window receives is logged as
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

#include "chat_room.h"

namespace {

struct Options {
    ChatRoomOptions room;
    const wchar_t *log_path = nullptr;
    long hang_after = -1;
    DWORD hang_ms = 600000;
};

Options opt;
HANDLE log_file = INVALID_HANDLE_VALUE;
long key_messages;

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

// Every message of the page window; a key message past --hang-after stalls
// the page first.
void on_page(void *, HWND, UINT msg, WPARAM wp, LPARAM lp) {
    char text[96];
    wsprintfA(text, "t=%lu msg=0x%04x wp=0x%lx lp=0x%lx\r\n", GetTickCount(), msg,
              (unsigned long)wp, (unsigned long)lp);
    log_line(text);
    if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_KEYUP) {
        if (opt.hang_after >= 0 && key_messages >= opt.hang_after) {
            log_line("hang\r\n");
            Sleep(opt.hang_ms);
        }
        key_messages++;
    }
}

void on_line(void *, const wchar_t *chat, int length) {
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

bool parse_options(int argc, wchar_t **argv) {
    ChatRoomOptions &room = opt.room;
    for (int i = 1; i < argc; i++) {
        const wchar_t *a = argv[i];
        const wchar_t *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!lstrcmpW(a, L"--no-page")) {
            room.no_page = true;
        } else if (!lstrcmpW(a, L"--ansi-page")) {
            room.ansi_page = true;
        } else if (!lstrcmpW(a, L"--hidden")) {
            room.visible = false;
        } else if (!lstrcmpW(a, L"--minimized")) {
            room.minimized = true;
        } else if (!lstrcmpW(a, L"--chromium")) {
            room.chromium = true;
        } else if (!lstrcmpW(a, L"--firefox")) {
            room.firefox = true;
        } else if (!value) {
            return false;
        } else if (!lstrcmpW(a, L"--class")) {
            room.frame_class = argv[++i];
        } else if (!lstrcmpW(a, L"--title")) {
            room.title = argv[++i];
        } else if (!lstrcmpW(a, L"--page-class")) {
            room.page_class = argv[++i];
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
    // A browser of today has a Unicode page window of its own class.
    if ((room.chromium || room.firefox) && (room.ansi_page || room.page_class))
        return false;
    if (room.chromium && room.firefox)
        return false;
    return room.frame_class[0] != 0;
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
                    L"        [--hang-after N] [--hang-ms MS] [--hidden] [--minimized]\n"
                    L"chatsim --firefox [--title TEXT] [--log FILE]\n"
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

    wchar_t title[600];
    lstrcpynW(title, opt.room.title, 500);
    if (opt.room.chromium)
        lstrcatW(title, L" - Chromium");
    if (opt.room.firefox)
        lstrcatW(title, L" \x2014 Mozilla Firefox");
    opt.room.title = title;
    opt.room.quit_on_close = true;
    opt.room.on_page = on_page;
    opt.room.on_line = on_line;
    static ChatRoom room;
    if (!chat_room_open(&room, opt.room))
        return 5;

    char ready[96];
    wsprintfA(ready, "ready pid=%lu frame=0x%lx page=0x%lx\r\n", GetCurrentProcessId(),
              (unsigned long)(UINT_PTR)room.frame, (unsigned long)(UINT_PTR)room.page);
    log_line(ready);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    log_line("closed\r\n");
    if (log_file != INVALID_HANDLE_VALUE)
        CloseHandle(log_file);
    LocalFree(argv);
    return 0;
}
