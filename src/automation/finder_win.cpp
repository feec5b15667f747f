// Finds the chat's page window: the first top-level window of a known
// browser frame class whose title passes its rule (or, failing that, a
// visible frame of today's browsers that holds a page window, or a visible
// Firefox frame, which is its own page window), then the first descendant
// of that browser's page class.
#include "automation/finder_win.h"

#include "app/app_win.h"
#include "automation/finder_rules.h"

static int browser_kind;
static FrameSearch frame_search;

static void read_title(void *window, char *out, int size) {
    GetWindowTextA((HWND)window, out, size);
}

static int is_visible(void *window) {
    return IsWindowVisible((HWND)window) ? 1 : 0;
}

struct PageSearch {
    int kind;
    HWND page;
};

static BOOL CALLBACK match_page_of(HWND window, LPARAM lp) {
    PageSearch *search = (PageSearch *)lp;
    char class_name[1024];
    if (!GetClassNameA(window, class_name, sizeof class_name))
        return FALSE;
    if (!match_page_class(search->kind, class_name))
        return TRUE;
    search->page = window;
    return FALSE;
}

static int has_page(void *window, int kind) {
    PageSearch search = {kind, nullptr};
    EnumChildWindows((HWND)window, match_page_of, (LPARAM)&search);
    return search.page != nullptr;
}

static const FrameProbe probe = {read_title, is_visible, has_page};

static BOOL CALLBACK match_frame(HWND window, LPARAM) {
    char class_name[1024];
    // A window that vanished mid-search ends the search without a frame.
    int readable = GetClassNameA(window, class_name, sizeof class_name) != 0;
    return frame_search_offer(&frame_search, window, readable ? class_name : nullptr) ? TRUE
                                                                                      : FALSE;
}

static BOOL CALLBACK match_page(HWND window, LPARAM) {
    char class_name[1024];
    if (!GetClassNameA(window, class_name, sizeof class_name))
        return FALSE;
    if (!match_page_class(browser_kind, class_name))
        return TRUE;
    g.target_page = window;
    browser_kind = BROWSER_NONE;
    return FALSE;
}

HWND find_target_window(void) {
    g.target_frame = nullptr;
    frame_search_begin(&frame_search, g.title, system_text_rules(), &probe);
    EnumWindows(match_frame, 0);
    int kind = BROWSER_UNSET;
    g.target_frame = (HWND)frame_search_result(&frame_search, &kind);
    if (!g.target_frame)
        return nullptr;
    browser_kind = kind;
    g.target_page = nullptr;
    // Firefox takes its keys at the frame: its only child does not.
    if (kind == BROWSER_FIREFOX) {
        g.target_page = g.target_frame;
        browser_kind = BROWSER_NONE;
        return g.target_page;
    }
    EnumChildWindows(g.target_frame, match_page, 0);
    return g.target_page;
}
