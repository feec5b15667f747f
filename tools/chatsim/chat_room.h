// A chat room in a pretend browser window: the one implementation that the
// simulator (chatsim.exe) and the end-to-end harness both show.
//
// The frame (a top-level window of the given class and title) holds, in
// this order: a static and an edit (decoys), a "Shell DocObject View" that
// holds another static and then the page window, and a list box that shows
// the chat. In the style of a browser of today (chromium) the page window is
// instead a direct child of the frame, titled "Chrome Legacy Window", that
// hands every keyboard message (WM_KEYFIRST to WM_KEYLAST) on to the frame,
// as that browser's window does, and the frame feeds the chat; three hidden
// top-level windows of the frame's class stand for the browser's helpers.
// Like that browser, the frame types only while it is active, and a key-down
// that the chat input does not take goes to the browser's own keys (F5
// reloads the page). In the style of today's Firefox (firefox) the frame,
// of class "MozillaWindowClass", is itself the page window: its one child is
// disabled and takes no keys, and hidden frames of its class lie beside it.
//
// Typed characters followed by Enter post a line; a lone Enter is an update,
// shown as "(update)". A Unicode page window gets one UTF-16 unit per
// WM_CHAR, an ANSI one a byte of the ANSI code page. Every room keeps its
// state in its windows, so several rooms, on several threads, can be open
// in one process. Builds with and without UNICODE: it names the W and A
// calls itself.
#ifndef YARROWMELD_CHAT_ROOM_H
#define YARROWMELD_CHAT_ROOM_H

#include <windows.h>

// Called for every message the page window receives (before it is
// handled), and for every chat line.
typedef void (*ChatPageHook)(void *context, HWND page, UINT msg, WPARAM wp, LPARAM lp);
typedef void (*ChatLineHook)(void *context, const wchar_t *line, int length);

struct ChatRoomOptions {
    const wchar_t *frame_class = L"IEFrame";
    const wchar_t *title = L"Chat room";  // the frame's whole title
    const wchar_t *page_class = nullptr;  // null: the one of the frame class
    bool chromium = false;
    bool firefox = false;
    bool nested = true;  // page inside the "Shell DocObject View"
    bool no_page = false;
    bool ansi_page = false;
    bool visible = true;
    bool minimized = false;
    bool quit_on_close = false;  // the frame's end posts the quit message
    ChatPageHook on_page = nullptr;
    ChatLineHook on_line = nullptr;
    void *context = nullptr;
};

struct ChatRoom {
    ChatRoomOptions opt;
    HWND frame, page, list;
    HWND helpers[3];
    wchar_t line[512];
    int line_length;
    int caret;            // where the next character goes into line
    bool active;          // the frame of a browser of today has the activation
    char ansi_line[512];  // the bytes of a line typed into an ANSI page window
    int ansi_length;
};

// The page class that goes with a frame class, as the browsers have them.
const wchar_t *chat_default_page_class(const wchar_t *frame_class);

// Opens the room's windows on the calling thread; 0 when that failed (the
// room then holds no windows). The room must stay where it is until it is
// closed.
int chat_room_open(ChatRoom *room, const ChatRoomOptions &opt);
// Destroys the frame (and so the room's windows) and its helper windows.
void chat_room_close(ChatRoom *room);

#endif
