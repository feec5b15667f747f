// Finds the chat's page window: the first top-level window of a known
// browser frame class whose title passes its rule, then the first
// descendant of that browser's page class.
#include "app/app.h"
#include "automation/finder_rules.h"

static int browser_kind;

static BOOL CALLBACK match_frame(HWND window, LPARAM) {
    char class_name[1024];
    // A window that vanished mid-search ends the search without a frame.
    if (!GetClassNameA(window, class_name, sizeof class_name)) return FALSE;
    TitleRule rule;
    int kind = match_frame_class(class_name, &rule);
    if (!kind) return TRUE;
    // The title is read only for a frame class: most windows are not.
    char title[1024];
    title[0] = 0;
    GetWindowTextA(window, title, sizeof title);
    if (!title_rule_holds(rule, title, g.title, system_text_rules())) return TRUE;
    g.target_frame = window;
    browser_kind = kind;
    return FALSE;
}

static BOOL CALLBACK match_page(HWND window, LPARAM) {
    char class_name[1024];
    if (!GetClassNameA(window, class_name, sizeof class_name)) return FALSE;
    if (!match_page_class(browser_kind, class_name)) return TRUE;
    g.target_page = window;
    browser_kind = BROWSER_NONE;
    return FALSE;
}

HWND find_target_window(void) {
    g.target_frame = nullptr;
    EnumWindows(match_frame, 0);
    if (!g.target_frame) return nullptr;
    g.target_page = nullptr;
    EnumChildWindows(g.target_frame, match_page, 0);
    return g.target_page;
}
