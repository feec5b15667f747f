// Which top-level windows are chat browsers, and which of their descendants
// receives the keystrokes.
#include "automation/finder_rules.h"

#include "platform/platform.h"

namespace {

// A window title is read into 1024 bytes by the window system, so whatever
// lies beyond its first 1023 bytes is never looked at.
enum { TITLE_BUFFER = 1024 };

struct FrameRule {
    const char *class_name;  // null: the GUID-shaped class test
    TitleRule title_rule;
    BrowserKind kind;
};

const FrameRule frame_rules[] = {
    {"IEFrame", TITLE_WHOLE, BROWSER_IE},
    {"Lunascape4MainWnd", TITLE_BRACKETED, BROWSER_IE},
    {"Lunascape5MainWnd", TITLE_BRACKETED, BROWSER_IE},
    {"Lunascape6MainWnd", TITLE_BRACKETED, BROWSER_IE},
    {"SleipnirMainWindow", TITLE_BRACKETED, BROWSER_IE},
    {"Chrome_XPFrame", TITLE_WHOLE, BROWSER_CHROME},
    {"Chrome_WidgetWin_0", TITLE_WHOLE, BROWSER_CHROME},
    {0, TITLE_WHOLE, BROWSER_WEBKIT},
    {"OpWindow", TITLE_WHOLE, BROWSER_OPERA},
    {"MozillaUIWindowClass", TITLE_WHOLE, BROWSER_MOZILLA},
};

// The frame class of today's browsers, tried only as a fallback.
const char fallback_class[] = "Chrome_WidgetWin_1";
// Today's Firefox frame, tried after that.
const char firefox_class[] = "MozillaWindowClass";

const char *const page_classes[] = {
    0,
    "Internet Explorer_Server",
    "Chrome_RenderWidgetHostHWND",
    "OperaWindowClass",
    "MozillaWindowClass",
    "WebViewWindowClass",
};

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}": only the braces and dashes are
// looked at. The first 38 bytes are checked for the terminator first, so a
// shorter name is never read past its end.
int is_guid_shaped(const char *name) {
    for (int i = 0; i < 38; i++) {
        if (name[i] == 0)
            return 0;
    }
    return name[0] == '{' && name[9] == '-' && name[14] == '-' && name[19] == '-' &&
           name[24] == '-' && name[37] == '}';
}

int is_dbcs(const TextRules *tr) {
    return tr && tr->dbcs;
}

// Offset of the character after the one at text + i. A lead byte right
// before the terminator counts alone, so the walk never steps over the end.
int next_char(const char *text, int i, const TextRules *tr) {
    int bytes = text_char_bytes(text + i, tr);
    return i + (bytes ? bytes : 1);
}

int byte_length(const char *text) {
    int n = 0;
    while (text[n]) n++;
    return n;
}

// Copies at most size - 1 bytes and terminates.
void copy_bounded(char *out, int size, const char *text, int length) {
    if (length > size - 1)
        length = size - 1;
    for (int i = 0; i < length; i++) out[i] = text[i];
    out[length] = 0;
}

int starts_with_configured(const char *text, const char *configured, const TextRules *tr) {
    return title_find(text, configured, tr) == 0;
}

// The text after the first '-' (less the '-' and the two bytes after it, the
// usual " [" of "Browser - [Page]"), up to the first ']'.
int bracketed_holds(const char *title, const char *configured, const TextRules *tr) {
    int dash = title_find_char(title, '-', tr);
    int bracket = title_find_char(title, ']', tr);
    if (dash < 0 || bracket < 0)
        return 0;

    int length = byte_length(title);
    int start = dash + 3;
    // A ']' before the start does not end the candidate: it then runs to the
    // end of the whole title.
    int end = bracket >= start ? bracket : length;
    if (start >= end)
        return 0;

    char candidate[TITLE_BUFFER];
    copy_bounded(candidate, sizeof candidate, title + start, end - start);
    return starts_with_configured(candidate, configured, tr);
}

}  // namespace

int match_frame_class(const char *class_name, TitleRule *rule) {
    if (!class_name)
        return BROWSER_UNSET;
    for (const FrameRule &r : frame_rules) {
        int passes =
            r.class_name ? plat_stricmp(class_name, r.class_name) == 0 : is_guid_shaped(class_name);
        if (passes) {
            if (rule)
                *rule = r.title_rule;
            return r.kind;
        }
    }
    return BROWSER_UNSET;
}

int title_rule_holds(TitleRule rule, const char *window_title, const char *configured,
                     const TextRules *tr) {
    char title[TITLE_BUFFER];
    const char *t = window_title ? window_title : "";
    int length = 0;
    while (length < TITLE_BUFFER - 1 && t[length]) length++;
    copy_bounded(title, sizeof title, t, length);
    if (!configured)
        configured = "";

    switch (rule) {
        case TITLE_WHOLE:
            return starts_with_configured(title, configured, tr);
        case TITLE_BRACKETED:
            return bracketed_holds(title, configured, tr);
    }
    return 0;
}

int match_frame_window(const char *class_name, const char *window_title, const char *configured,
                       const TextRules *tr) {
    TitleRule rule = TITLE_WHOLE;
    int kind = match_frame_class(class_name, &rule);
    if (kind == BROWSER_UNSET)
        return BROWSER_UNSET;
    return title_rule_holds(rule, window_title, configured, tr) ? kind : BROWSER_UNSET;
}

// A frame of today's browsers: its class without regard to case, then the
// whole-title rule.
static int match_class_and_whole_title(const char *wanted, int kind, const char *class_name,
                                       const char *window_title, const char *configured,
                                       const TextRules *tr) {
    if (!class_name || plat_stricmp(class_name, wanted) != 0)
        return BROWSER_UNSET;
    return title_rule_holds(TITLE_WHOLE, window_title, configured, tr) ? kind : BROWSER_UNSET;
}

int match_fallback_window(const char *class_name, const char *window_title, const char *configured,
                          const TextRules *tr) {
    return match_class_and_whole_title(fallback_class, BROWSER_CHROME, class_name, window_title,
                                       configured, tr);
}

int match_firefox_window(const char *class_name, const char *window_title, const char *configured,
                         const TextRules *tr) {
    return match_class_and_whole_title(firefox_class, BROWSER_FIREFOX, class_name, window_title,
                                       configured, tr);
}

void frame_search_begin(FrameSearch *s, const char *configured, const TextRules *tr,
                        const FrameProbe *probe) {
    s->configured = configured;
    s->tr = tr;
    s->probe = probe;
    s->frame = 0;
    s->kind = BROWSER_UNSET;
    s->fallback = 0;
    s->fallback_pageless = 0;
    s->firefox = 0;
    s->cut_short = 0;
}

int frame_search_offer(FrameSearch *s, void *window, const char *class_name) {
    // A window that vanished mid-search ends it without a frame: a window
    // of the ten rules might have come later, so the fallback cannot be
    // trusted either.
    if (!class_name) {
        s->cut_short = 1;
        return 0;
    }
    char title[TITLE_BUFFER];
    TitleRule rule = TITLE_WHOLE;
    int kind = match_frame_class(class_name, &rule);
    if (kind != BROWSER_UNSET) {
        // The title is read only for a frame class: most windows are not.
        title[0] = 0;
        s->probe->read_title(window, title, sizeof title);
        if (!title_rule_holds(rule, title, s->configured, s->tr))
            return 1;
        s->frame = window;
        s->kind = kind;
        return 0;
    }
    // Firefox keeps hidden windows of its frame class too: only a visible
    // one counts, and the first is kept while the ten rules go on.
    if (plat_stricmp(class_name, firefox_class) == 0) {
        if (s->firefox || !s->probe->is_visible(window))
            return 1;
        title[0] = 0;
        s->probe->read_title(window, title, sizeof title);
        if (match_firefox_window(class_name, title, s->configured, s->tr))
            s->firefox = window;
        return 1;
    }
    // The fallback's class is shared by many hidden helper windows, some of
    // them titled like the page: only a visible one with a page window
    // counts. The first such one is kept while the ten rules go on.
    if (s->fallback || plat_stricmp(class_name, fallback_class) != 0)
        return 1;
    if (!s->probe->is_visible(window))
        return 1;
    title[0] = 0;
    s->probe->read_title(window, title, sizeof title);
    if (!match_fallback_window(class_name, title, s->configured, s->tr))
        return 1;
    if (s->probe->has_page(window, BROWSER_CHROME))
        s->fallback = window;
    else if (!s->fallback_pageless)
        s->fallback_pageless = window;
    return 1;
}

void *frame_search_result(const FrameSearch *s, int *kind) {
    void *frame = 0;
    int found = BROWSER_UNSET;
    if (s->cut_short) {
        // no frame
    } else if (s->frame) {
        frame = s->frame;
        found = s->kind;
    } else if (s->fallback) {
        frame = s->fallback;
        found = BROWSER_CHROME;
    } else if (s->firefox) {
        // A Chromium frame still without its page window does not keep a
        // Firefox that is ready from the keys.
        frame = s->firefox;
        found = BROWSER_FIREFOX;
    } else if (s->fallback_pageless) {
        frame = s->fallback_pageless;
        found = BROWSER_CHROME;
    }
    if (kind)
        *kind = found;
    return frame;
}

const char *page_class_for(int kind) {
    if (kind < BROWSER_IE || kind > BROWSER_WEBKIT)
        return 0;
    return page_classes[kind];
}

int match_page_class(int kind, const char *class_name) {
    const char *page = page_class_for(kind);
    return page && class_name && plat_stricmp(class_name, page) == 0;
}

int title_find(const char *text, const char *needle, const TextRules *tr) {
    if (!text)
        text = "";
    if (!needle)
        needle = "";
    // Under a double-byte code page the search finds nothing in an empty
    // text, not even the empty needle; under a single-byte one the empty
    // needle is found at 0 everywhere.
    if (text[0] == 0)
        return (needle[0] == 0 && !is_dbcs(tr)) ? 0 : -1;
    for (int i = 0; text[i]; i = next_char(text, i, tr)) {
        int k = 0;
        while (needle[k] && text[i + k] == needle[k]) k++;
        if (needle[k] == 0)
            return i;
    }
    return -1;
}

int title_find_char(const char *text, char ch, const TextRules *tr) {
    if (!text)
        return -1;
    for (int i = 0; text[i]; i = next_char(text, i, tr)) {
        if (text[i] == ch && !text_is_lead(tr, (unsigned char)text[i]))
            return i;
    }
    return -1;
}
