// Windows and message pumping for the in-process test programs, shared by
// the dialog tests and the main window's test.
#ifndef YARROWMELD_TEST_WINDOWS_H
#define YARROWMELD_TEST_WINDOWS_H

#include <windows.h>

// Registers a window class of the test program with proc (a second
// registration of the same name fails harmlessly) and creates a window of it.
static inline HWND make_window(const char *class_name, WNDPROC proc, const char *title, DWORD style,
                               int x, int y, int width, int height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = class_name;
    RegisterClassA(&wc);
    return CreateWindowExA(0, class_name, title, style, x, y, width, height, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

// Handles what is already queued (posted commands and the like).
static inline void pump_queued(void) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Handles the thread's messages until done() holds or ms have passed.
template <typename Done>
static inline bool pump_until(Done done, DWORD ms = 5000) {
    DWORD start = GetTickCount();
    pump_queued();
    while (!done()) {
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
        pump_queued();
    }
    return true;
}

// True when a WM_QUIT is waiting; takes it off the queue.
static inline bool take_quit(void) {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

#endif
