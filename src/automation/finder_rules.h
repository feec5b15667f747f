// Which top-level windows are chat browsers, and which of their descendants
// receives the keystrokes. Pure text processing, no window system.
#ifndef YARROWMELD_FINDER_RULES_H
#define YARROWMELD_FINDER_RULES_H

#include "text/text_rules.h"

enum BrowserKind {
    BROWSER_NONE = -1,  // set after a page window was found
    BROWSER_UNSET = 0,  // before the first search
    BROWSER_IE = 1,
    BROWSER_CHROME = 2,
    BROWSER_OPERA = 3,
    BROWSER_MOZILLA = 4,
    BROWSER_WEBKIT = 5,
    // A frame of today's Firefox, found by its own fallback: it takes the
    // keys itself, so the page window is the frame and there is no page
    // class.
    BROWSER_FIREFOX = 6
};

enum TitleRule { TITLE_WHOLE = 1, TITLE_BRACKETED = 2 };

// Frame class test over the ten rules in their order. Returns the kind of
// the first rule whose class test passes (and its title rule in *rule), or
// BROWSER_UNSET (0) when no class test passes.
int match_frame_class(const char *class_name, TitleRule *rule);

// Whether a window title passes a title rule for the configured title.
int title_rule_holds(TitleRule rule, const char *window_title, const char *configured,
                     const TextRules *tr);

// Both together: the kind of the first rule whose class test passes and
// whose title rule holds, or BROWSER_UNSET (0) for no match.
int match_frame_window(const char *class_name, const char *window_title, const char *configured,
                       const TextRules *tr);

// The fallback frame rule, for the browsers of today whose frames share the
// class "Chrome_WidgetWin_1" with many hidden helper windows and with other
// programs: the class (compared without regard to case) with the title rule
// TITLE_WHOLE gives BROWSER_CHROME, or BROWSER_UNSET (0). It is none of the
// ten rules above: the search tries it only when no window passes those.
int match_fallback_window(const char *class_name, const char *window_title, const char *configured,
                          const TextRules *tr);

// The fallback after that, for today's Firefox: a frame of class
// "MozillaWindowClass" (without regard to case) whose title passes
// TITLE_WHOLE gives BROWSER_FIREFOX, or BROWSER_UNSET (0). The old frame
// class of the ten rules is another one; this class was their page class.
int match_firefox_window(const char *class_name, const char *window_title, const char *configured,
                         const TextRules *tr);

// What the frame search asks the window system about one top-level window,
// once its class makes it a candidate.
struct FrameProbe {
    // The title, at most size - 1 bytes and a terminator ("" when none).
    void (*read_title)(void *window, char *out, int size);
    int (*is_visible)(void *window);
    // 1 when some descendant has the page class of kind.
    int (*has_page)(void *window, int kind);
};

// The frame search over the top-level windows in window order. The first
// window that passes one of the ten rules is the frame; only when none does,
// the first visible fallback frame whose title passes and that holds a page
// window is; and when fallback frames pass the title but none of the visible
// ones holds a page window, the first visible Firefox frame whose title
// passes is, and failing that the first visible fallback frame (its page
// search then finds nothing: a lost target).
struct FrameSearch {
    const char *configured;
    const TextRules *tr;
    const FrameProbe *probe;
    void *frame;  // passed one of the ten rules
    int kind;
    void *fallback;           // visible, title passes, holds a page window
    void *fallback_pageless;  // visible, title passes, no page window
    void *firefox;            // visible Firefox frame, title passes
    int cut_short;            // a window's class could not be read
};

void frame_search_begin(FrameSearch *s, const char *configured, const TextRules *tr,
                        const FrameProbe *probe);
// One top-level window, in order; class_name null when it cannot be read.
// Returns 1 to go on with the next window, 0 to end the enumeration.
int frame_search_offer(FrameSearch *s, void *window, const char *class_name);
// The frame found (null for none) and its kind in *kind.
void *frame_search_result(const FrameSearch *s, int *kind);

// Page window class of a kind 1 to 5; null for every other value.
const char *page_class_for(int kind);
// 1 when class_name is the page class of kind, compared without regard to
// case; 0 for a kind without a page class.
int match_page_class(int kind, const char *class_name);

// Character-wise search: byte offset of the first occurrence of needle in
// text that starts on a character boundary, or -1. Under a double-byte code
// page an empty text contains nothing (not even the empty needle) and an
// empty needle is found at 0 in any non-empty text; under a single-byte one
// the empty needle is found at 0 in every text.
int title_find(const char *text, const char *needle, const TextRules *tr);
// Byte offset of the first character equal to the single byte ch, or -1.
int title_find_char(const char *text, char ch, const TextRules *tr);

#endif
