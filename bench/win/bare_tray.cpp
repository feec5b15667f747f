// The least a tray program can be: one window class, one hidden window and
// one tray icon, then the message loop. Built with the same toolchain and
// flags as Yarrowmeld.exe, it is the baseline of the start-up, memory, size
// and idle figures.
//
// For the leak figure it can load and unload the rich-edit library, as a
// baseline for what that costs under Wine. For the memory figure it also
// knows the least form of a post: sent
// BARE_POST with the page window in lParam, it sends that window the first
// wParam bytes of the bench text and Enter as key triples (381 SendMessageA
// calls for the whole 126 bytes), with no search and no activation.
#include <windows.h>
#include <shellapi.h>

#include "bench_ids.h"

static LRESULT CALLBACK bare_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case BARE_POST: {
            HWND page = reinterpret_cast<HWND>(lparam);
            int length =
                wparam < BENCH_POST_TEXT_LENGTH ? static_cast<int>(wparam) : BENCH_POST_TEXT_LENGTH;
            for (int i = 0; i < length + 1; ++i) {
                WPARAM code = i < length ? BENCH_POST_TEXT[i] : '\r';
                SendMessageA(page, WM_KEYDOWN, code, 0);
                SendMessageA(page, WM_CHAR, code, 0);
                SendMessageA(page, WM_KEYUP, code, 0);
            }
            return 0;
        }
        case BARE_RICHEDIT:
            for (WPARAM i = 0; i < wparam; ++i) {
                HMODULE library = LoadLibraryA("RICHED32.DLL");
                HWND edit = CreateWindowExA(0, "RICHEDIT", "", WS_POPUP, 0, 0, 100, 100, window,
                                            nullptr, GetModuleHandleA(nullptr), nullptr);
                DestroyWindow(edit);
                FreeLibrary(library);
            }
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = bare_window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = BARE_TRAY_NAME;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, BARE_TRAY_NAME, BARE_TRAY_NAME, WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, nullptr);

    // The 88-byte record, as Yarrowmeld uses.
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_APP + 0x64;
    icon.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    lstrcpyA(icon.szTip, BARE_TRAY_NAME);
    Shell_NotifyIconA(NIM_ADD, &icon);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
