// Frame and page recognition over records of (class, title, descendants),
// under a double-byte (932) and a single-byte code page.
#include "automation/finder_rules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform_test.h"
#include "guarded_text.h"
#include "code_pages.h"

namespace {

// ---------------------------------------------------------------------------
// The two-stage search as the window-system side runs it, over records.

struct Window {
    const char *cls;  // null: the class name cannot be read (window gone)
    std::string title;
    std::vector<Window> children;
    bool hidden = false;
};

struct Search {
    const Window *frame = nullptr;
    const Window *page = nullptr;
    int browser_kind = BROWSER_UNSET;
};

// Descendants in the order EnumChildWindows gives them: each child, then
// its own descendants. Returns 0 when the walk was stopped.
int walk_descendants(const Window &w, Search &s) {
    for (const Window &child : w.children) {
        if (!child.cls)
            return 0;
        if (page_class_for(s.browser_kind) && match_page_class(s.browser_kind, child.cls)) {
            s.page = &child;
            s.browser_kind = BROWSER_NONE;
            return 0;
        }
        if (!walk_descendants(child, s))
            return 0;
    }
    return 1;
}

// The window-system side of the frame search, over records.
void record_title(void *window, char *out, int size) {
    const std::string &t = static_cast<const Window *>(window)->title;
    snprintf(out, size, "%s", t.c_str());
}
int record_visible(void *window) {
    return !static_cast<const Window *>(window)->hidden;
}
int record_has_page(void *window, int kind) {
    Search s;
    s.browser_kind = kind;
    walk_descendants(*static_cast<const Window *>(window), s);
    return s.page != nullptr;
}
const FrameProbe record_probe = {record_title, record_visible, record_has_page};

Search find_target(const std::vector<Window> &top, const char *configured, const TextRules *tr) {
    Search s;
    FrameSearch fs;
    frame_search_begin(&fs, configured, tr, &record_probe);
    for (const Window &w : top) {
        if (!frame_search_offer(&fs, const_cast<Window *>(&w), w.cls))
            break;
    }
    int kind = BROWSER_UNSET;
    s.frame = static_cast<const Window *>(frame_search_result(&fs, &kind));
    if (!s.frame)
        return s;
    s.browser_kind = kind;
    walk_descendants(*s.frame, s);
    return s;
}

Window ie(const char *title, std::vector<Window> children = {}) {
    return {"IEFrame", title, std::move(children)};
}
Window page(const char *cls) {
    return {cls, "", {}};
}

// ---------------------------------------------------------------------------

struct ClassCase {
    const char *name;
    int kind;
    TitleRule rule;
};

TEST(FrameClass, EachRuleChoosesItsKindAndTitleRule) {
    const ClassCase cases[] = {
        {"IEFrame", BROWSER_IE, TITLE_WHOLE},
        {"iEfRaMe", BROWSER_IE, TITLE_WHOLE},
        {"Lunascape4MainWnd", BROWSER_IE, TITLE_BRACKETED},
        {"Lunascape5MainWnd", BROWSER_IE, TITLE_BRACKETED},
        {"LUNASCAPE6MAINWND", BROWSER_IE, TITLE_BRACKETED},
        {"SleipnirMainWindow", BROWSER_IE, TITLE_BRACKETED},
        {"Chrome_XPFrame", BROWSER_CHROME, TITLE_WHOLE},
        {"Chrome_WidgetWin_0", BROWSER_CHROME, TITLE_WHOLE},
        {"{12345678-1234-1234-1234-123456789abc}", BROWSER_WEBKIT, TITLE_WHOLE},
        {"OpWindow", BROWSER_OPERA, TITLE_WHOLE},
        {"mozillauiwindowclass", BROWSER_MOZILLA, TITLE_WHOLE},
    };
    for (const ClassCase &c : cases) {
        TitleRule rule = c.rule == TITLE_WHOLE ? TITLE_BRACKETED : TITLE_WHOLE;
        EXPECT_EQ(match_frame_class(c.name, &rule), c.kind) << c.name;
        EXPECT_EQ(rule, c.rule) << c.name;
    }
}

TEST(FrameClass, OnlyWholeNamesCount) {
    const char *const others[] = {
        "IEFram",
        "IEFrame ",
        " IEFrame",
        "Chrome_WidgetWin_1",
        "Lunascape3MainWnd",
        "",
        "OpWindow2",
        "MozillaWindowClass",
        "Internet Explorer_Server",
    };
    for (const char *name : others) {
        EXPECT_EQ(match_frame_class(name, nullptr), BROWSER_UNSET) << name;
    }
    EXPECT_EQ(match_frame_class(nullptr, nullptr), BROWSER_UNSET);
}

TEST(FrameClass, GuidShapeLooksAtBracesAndDashesOnly) {
    EXPECT_EQ(match_frame_class("{zzzzzzzz-\xff\xff\xff\xff-....-    -############}", nullptr),
              BROWSER_WEBKIT);
    // The name may go on after byte 37.
    EXPECT_EQ(match_frame_class("{12345678-1234-1234-1234-123456789abc}tail", nullptr),
              BROWSER_WEBKIT);
    const char *const misses[] = {
        "{12345678-1234-1234-1234-123456789abc",    // 37 bytes
        "(12345678-1234-1234-1234-123456789abc}",   // no '{'
        "{12345678-1234-1234-1234-123456789abc)",   // no '}' at 37
        "{123456789-234-1234-1234-123456789abc}",   // dash moved from 9
        "{12345678-1234-1234-12341-23456789abc}",   // dash moved from 24
        "{12345678-1234-1234-1234-123456789abcd}",  // '}' at 38, not 37
    };
    for (const char *name : misses) {
        EXPECT_EQ(match_frame_class(name, nullptr), BROWSER_UNSET) << name;
    }
}

TEST(FrameClass, ShortNameIsNeverReadPastItsEnd) {
    // A buffer holding a GUID whose terminator was moved forward: the bytes
    // after it must not count.
    char buffer[64] = "{12345678-1234-1234-1234-123456789abc}";
    buffer[20] = 0;
    EXPECT_EQ(match_frame_class(buffer, nullptr), BROWSER_UNSET);

    // Names right before an inaccessible page: an overread crashes here.
    const char *const names[] = {"{", "{12345678-1234-1234-1234-123456789ab",
                                 "{12345678-1234-1234-1234-123456789abc}"};
    for (const char *name : names) {
        GuardedText g(name);
        EXPECT_EQ(match_frame_class(g.get(), nullptr),
                  strlen(name) >= 38 ? BROWSER_WEBKIT : BROWSER_UNSET);
    }
}

TEST(PageClass, KindsOneToFiveOnly) {
    EXPECT_STREQ(page_class_for(BROWSER_IE), "Internet Explorer_Server");
    EXPECT_STREQ(page_class_for(BROWSER_CHROME), "Chrome_RenderWidgetHostHWND");
    EXPECT_STREQ(page_class_for(BROWSER_OPERA), "OperaWindowClass");
    EXPECT_STREQ(page_class_for(BROWSER_MOZILLA), "MozillaWindowClass");
    EXPECT_STREQ(page_class_for(BROWSER_WEBKIT), "WebViewWindowClass");
    for (int kind : {(int)BROWSER_NONE, (int)BROWSER_UNSET, 6, -2, 1000}) {
        EXPECT_EQ(page_class_for(kind), nullptr) << kind;
        EXPECT_FALSE(match_page_class(kind, "Internet Explorer_Server")) << kind;
    }
    EXPECT_TRUE(match_page_class(BROWSER_IE, "internet explorer_server"));
    EXPECT_FALSE(match_page_class(BROWSER_IE, "Internet Explorer_Server2"));
    EXPECT_FALSE(match_page_class(BROWSER_CHROME, "Internet Explorer_Server"));
}

// ---------------------------------------------------------------------------
// Character-wise search.

struct FindCase {
    const char *text;
    const char *needle;
    int in_cp932;
    int in_single_byte;
};

TEST(TitleFind, StepsByCharacterAndTreatsEmptyTextsPerCodePage) {
    const FindCase cases[] = {
        {"abc", "b", 1, 1},
        {"abc", "abc", 0, 0},
        {"ab", "abc", -1, -1},
        {"ABC", "abc", -1, -1},  // titles keep their case
        {"abc", "", 0, 0},
        {"", "", -1, 0},  // an empty text holds nothing under code page 932
        {"", "a", -1, -1},
        // 0x82 0x61 is one character: its 'a' is not a character of its own
        {"\x82"
         "a"
         "a",
         "a", 2, 1},
        {"\x82"
         "a",
         "a", -1, 1},
        {"x\x82\xa0"
         "Chat",
         "\xa0"
         "Chat",
         -1, 2},
        {"\x82\xa0\x82\xa2", "\x82\xa2", 2, 2},
        // a lead byte at the very end stands alone
        {"ab\x82", "\x82", 2, 2},
    };
    for (const FindCase &c : cases) {
        EXPECT_EQ(title_find(c.text, c.needle, &cp932), c.in_cp932)
            << "'" << c.text << "' / '" << c.needle << "'";
        EXPECT_EQ(title_find(c.text, c.needle, &single_byte), c.in_single_byte)
            << "'" << c.text << "' / '" << c.needle << "'";
    }
}

TEST(TitleFind, NeverReadsPastATrailingLeadByte) {
    GuardedText text("abc\x82");
    EXPECT_EQ(title_find(text.get(), "x", &cp932), -1);
    EXPECT_EQ(title_find(text.get(), "c\x82\x82", &cp932), -1);
    EXPECT_EQ(title_find_char(text.get(), ']', &cp932), -1);
}

TEST(TitleFindChar, SkipsTrailBytes) {
    // 0x83 0x5D is a katakana whose second byte is ']'.
    EXPECT_EQ(title_find_char("a\x83]]", ']', &cp932), 3);
    EXPECT_EQ(title_find_char("a\x83]]", ']', &single_byte), 2);
    EXPECT_EQ(title_find_char("\x88-x-", '-', &cp932), 3);
    EXPECT_EQ(title_find_char("a-b", '-', &cp932), 1);
    EXPECT_EQ(title_find_char("", '-', &cp932), -1);
    EXPECT_EQ(title_find_char("abc", '-', &single_byte), -1);
}

// ---------------------------------------------------------------------------
// Title rules.

struct RuleCase {
    TitleRule rule;
    const char *title;
    const char *configured;
    int in_cp932;
    int in_single_byte;
};

// Each row under both code pages.
template <size_t N>
void expect_rule_cases(const RuleCase (&cases)[N]) {
    for (const RuleCase &c : cases) {
        EXPECT_EQ(title_rule_holds(c.rule, c.title, c.configured, &cp932), c.in_cp932)
            << "'" << c.title << "' / '" << c.configured << "'";
        EXPECT_EQ(title_rule_holds(c.rule, c.title, c.configured, &single_byte), c.in_single_byte)
            << "'" << c.title << "' / '" << c.configured << "'";
    }
}

TEST(TitleRule, WholeTitleMustBeginWithTheConfiguredText) {
    const RuleCase cases[] = {
        {TITLE_WHOLE, "Chat room 2", "Chat", 1, 1},
        {TITLE_WHOLE, "My Chat room", "Chat", 0, 0},
        {TITLE_WHOLE, "chat room", "Chat", 0, 0},
        {TITLE_WHOLE, "Chat", "Chat room", 0, 0},
        {TITLE_WHOLE, "Chat room", "", 1, 1},
        {TITLE_WHOLE, "", "", 0, 1},
        {TITLE_WHOLE, "", "Chat", 0, 0},
        {TITLE_WHOLE, "\x83\x60\x83\x83\x83\x62\x83\x67", "\x83\x60\x83\x83", 1, 1},
    };
    expect_rule_cases(cases);
}

TEST(TitleRule, BracketedTakesTheTextAfterTheDashUpToTheBracket) {
    const RuleCase cases[] = {
        {TITLE_BRACKETED, "Lunascape - [Chat room]", "Chat", 1, 1},
        {TITLE_BRACKETED, "Lunascape - [Chat room]", "Chat room", 1, 1},
        {TITLE_BRACKETED, "Lunascape - [Chat room]", "Chat room]", 0, 0},
        {TITLE_BRACKETED, "Lunascape - [Chat room]", "Lunascape", 0, 0},
        {TITLE_BRACKETED, "Lunascape - [Chat room]", "[Chat", 0, 0},
        // ']' before the '-': the candidate runs to the end of the title
        {TITLE_BRACKETED, "[x] - [Chat]", "Chat", 1, 1},
        {TITLE_BRACKETED, "[x] - [Chat]", "Chat]", 1, 1},
        // ']' among the two bytes skipped after the '-'
        {TITLE_BRACKETED, "a-]Chat", "hat", 1, 1},
        {TITLE_BRACKETED, "a-]Chat", "Chat", 0, 0},
        // the second '-' does not matter, the first one does
        {TITLE_BRACKETED, "a - [b - [Chat]", "b - [Chat", 1, 1},
        // no '-', no ']', or an empty candidate
        {TITLE_BRACKETED, "Lunascape [Chat]", "Chat", 0, 0},
        {TITLE_BRACKETED, "Lunascape - [Chat", "Chat", 0, 0},
        {TITLE_BRACKETED, "a-b]", "", 0, 0},
        {TITLE_BRACKETED, "a-b]", "b", 0, 0},
        {TITLE_BRACKETED, "a - []", "", 0, 0},
        {TITLE_BRACKETED, "]-", "", 0, 0},
        {TITLE_BRACKETED, "", "", 0, 0},
        // an empty configured title takes any non-empty candidate
        {TITLE_BRACKETED, "a - [b]", "", 1, 1},
        // 0x83 0x5D: its second byte is no ']' under code page 932
        {TITLE_BRACKETED, "L - [\x83] room]", "\x83] room", 1, 0},
        {TITLE_BRACKETED, "L - [\x83] room]", "\x83", 1, 1},
    };
    expect_rule_cases(cases);
}

TEST(TitleRule, CandidateStartingPastTheEndIsNotRead) {
    // The '-' is the last byte: the candidate would start two bytes after
    // the terminator.
    for (const char *title : {"]-", "]x-", "]-x"}) {
        GuardedText g(title);
        EXPECT_FALSE(title_rule_holds(TITLE_BRACKETED, g.get(), "", &cp932)) << title;
        EXPECT_FALSE(title_rule_holds(TITLE_BRACKETED, g.get(), "", &single_byte)) << title;
    }
}

TEST(TitleRule, OnlyTheFirst1023BytesOfATitleCount) {
    // "L - [Chat" then padding, the ']' at byte 1022 (seen) or 1023 (cut off).
    std::string seen = "L - [Chat" + std::string(1022 - 9, 'x') + "]";
    std::string cut = "L - [Chat" + std::string(1023 - 9, 'x') + "]";
    ASSERT_EQ(seen.find(']'), 1022u);
    ASSERT_EQ(cut.find(']'), 1023u);
    EXPECT_TRUE(title_rule_holds(TITLE_BRACKETED, seen.c_str(), "Chat", &cp932));
    EXPECT_FALSE(title_rule_holds(TITLE_BRACKETED, cut.c_str(), "Chat", &cp932));

    std::string long_title(1100, 'C');
    EXPECT_TRUE(title_rule_holds(TITLE_WHOLE, long_title.c_str(), std::string(1023, 'C').c_str(),
                                 &single_byte));
    EXPECT_FALSE(title_rule_holds(TITLE_WHOLE, long_title.c_str(), std::string(1024, 'C').c_str(),
                                  &single_byte));
}

TEST(FrameWindow, ClassAndTitleTogether) {
    EXPECT_EQ(match_frame_window("IEFrame", "Chat room 2", "Chat", &cp932), BROWSER_IE);
    EXPECT_EQ(match_frame_window("IEFrame", "My Chat room", "Chat", &cp932), BROWSER_UNSET);
    EXPECT_EQ(match_frame_window("Lunascape6MainWnd", "Lunascape - [Chat room]", "Chat", &cp932),
              BROWSER_IE);
    // The same title under a whole-title class does not begin with "Chat".
    EXPECT_EQ(match_frame_window("IEFrame", "Lunascape - [Chat room]", "Chat", &cp932),
              BROWSER_UNSET);
    EXPECT_EQ(match_frame_window("Notepad", "Chat room", "Chat", &cp932), BROWSER_UNSET);
    EXPECT_EQ(match_frame_window("{12345678-1234-1234-1234-123456789abc}", "Chat", "Chat", &cp932),
              BROWSER_WEBKIT);
}

// ---------------------------------------------------------------------------
// The whole search.

TEST(Search, FirstMatchingFrameAndItsFirstPageWindow) {
    std::vector<Window> top = {
        {"Shell_TrayWnd", "", {}},
        ie("My Chat room", {page("Internet Explorer_Server")}),
        ie("Chat room 1", {{"Shell DocObject View", "", {page("internet explorer_server")}},
                           page("Internet Explorer_Server")}),
        ie("Chat room 2", {page("Internet Explorer_Server")}),
    };
    Search s = find_target(top, "Chat", &cp932);
    ASSERT_EQ(s.frame, &top[2]);
    // The nested page window comes first in the walk.
    ASSERT_EQ(s.page, &top[2].children[0].children[0]);
    EXPECT_EQ(s.browser_kind, BROWSER_NONE);
}

TEST(Search, UnreadableClassNameEndsTheFrameSearch) {
    std::vector<Window> top = {
        {"Static", "Chat", {}},
        {nullptr, "", {}},
        ie("Chat room", {page("Internet Explorer_Server")}),
    };
    Search s = find_target(top, "Chat", &cp932);
    EXPECT_EQ(s.frame, nullptr);
    EXPECT_EQ(s.page, nullptr);
    EXPECT_EQ(s.browser_kind, BROWSER_UNSET);
}

TEST(Search, FrameWithoutPageKeepsItsKind) {
    std::vector<Window> top = {
        {"Chrome_WidgetWin_0",
         "Chat - Browser",
         {{"Static", "", {}}, page("Internet Explorer_Server")}},
    };
    Search s = find_target(top, "Chat", &cp932);
    EXPECT_EQ(s.frame, &top[0]);
    EXPECT_EQ(s.page, nullptr);
    EXPECT_EQ(s.browser_kind, BROWSER_CHROME);
}

TEST(Search, UnreadableDescendantEndsThePageSearch) {
    std::vector<Window> top = {
        {"OpWindow", "Chat", {{nullptr, "", {}}, page("OperaWindowClass")}},
    };
    Search s = find_target(top, "Chat", &cp932);
    EXPECT_EQ(s.frame, &top[0]);
    EXPECT_EQ(s.page, nullptr);
    EXPECT_EQ(s.browser_kind, BROWSER_OPERA);
}

TEST(Search, FailedBracketedTitleGoesOnToTheNextWindow) {
    std::vector<Window> top = {
        {"SleipnirMainWindow", "a-b]", {page("Internet Explorer_Server")}},
        {"Lunascape5MainWnd", "Lunascape [Chat]", {page("Internet Explorer_Server")}},
        {"MozillaUIWindowClass", "Chat - Mozilla", {page("MozillaWindowClass")}},
    };
    Search s = find_target(top, "Chat", &cp932);
    EXPECT_EQ(s.frame, &top[2]);
    EXPECT_EQ(s.page, &top[2].children[0]);
}

TEST(Search, EmptyConfiguredTitleDependsOnTheCodePage) {
    std::vector<Window> top = {
        ie("", {page("Internet Explorer_Server")}),
        {"Lunascape4MainWnd", "x - []", {page("Internet Explorer_Server")}},
        {"{00000000-0000-0000-0000-000000000000}", "Any", {page("WebViewWindowClass")}},
    };
    Search dbcs = find_target(top, "", &cp932);
    EXPECT_EQ(dbcs.frame, &top[2]);
    EXPECT_EQ(dbcs.page, &top[2].children[0]);

    Search sbcs = find_target(top, "", &single_byte);
    EXPECT_EQ(sbcs.frame, &top[0]);
    EXPECT_EQ(sbcs.page, &top[0].children[0]);
}

// ---------------------------------------------------------------------------
// The fallback for today's browsers: frames of class "Chrome_WidgetWin_1".

TEST(FallbackFrame, ClassWithoutRegardToCaseAndTheWholeTitle) {
    const char *const classes[] = {"Chrome_WidgetWin_1", "chrome_widgetwin_1",
                                   "CHROME_WIDGETWIN_1"};
    for (const char *cls : classes) {
        EXPECT_EQ(match_fallback_window(cls, "Chat room - Chromium", "Chat room", &cp932),
                  BROWSER_CHROME)
            << cls;
        EXPECT_EQ(match_fallback_window(cls, "My Chat room - Chromium", "Chat room", &cp932),
                  BROWSER_UNSET)
            << cls;
        EXPECT_EQ(match_fallback_window(cls, "chat room - Chromium", "Chat room", &cp932),
                  BROWSER_UNSET)
            << cls;
        EXPECT_EQ(match_fallback_window(cls, "", "", &cp932), BROWSER_UNSET) << cls;
        EXPECT_EQ(match_fallback_window(cls, "Any", "", &cp932), BROWSER_CHROME) << cls;
    }
    const char *const others[] = {"Chrome_WidgetWin_0", "Chrome_WidgetWin_10", "Chrome_WidgetWin_",
                                  "IEFrame", ""};
    for (const char *cls : others) {
        EXPECT_EQ(match_fallback_window(cls, "Chat room", "Chat room", &cp932), BROWSER_UNSET)
            << cls;
    }
    EXPECT_EQ(match_fallback_window(nullptr, "Chat room", "Chat room", &cp932), BROWSER_UNSET);
    // The ten rules themselves do not know the class.
    EXPECT_EQ(match_frame_window("Chrome_WidgetWin_1", "Chat room", "Chat room", &cp932),
              BROWSER_UNSET);
}

Window chromium(const char *title, bool with_page = true, bool hidden = false) {
    Window w = {"Chrome_WidgetWin_1", title, {}};
    w.children.push_back(page("Intermediate D3D Window"));
    if (with_page)
        w.children.push_back(page("Chrome_RenderWidgetHostHWND"));
    w.hidden = hidden;
    return w;
}

TEST(FallbackFrame, OnlyWhenNoWindowPassesTheTenRules) {
    // A matching frame of the ten rules wins wherever it comes, even after
    // a matching frame of the fallback and even when it is hidden.
    std::vector<Window> top = {chromium("Chat room - Chromium"),
                               ie("Lobby", {page("Internet Explorer_Server")}),
                               ie("Chat room", {page("Internet Explorer_Server")})};
    top[2].hidden = true;
    Search s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, &top[2]);
    EXPECT_EQ(s.page, &top[2].children[0]);

    // A frame of the ten rules without a page window still ends the search
    // there: lost, as before.
    top = {chromium("Chat room - Chromium"), ie("Chat room", {page("Shell Embedding")})};
    s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, &top[1]);
    EXPECT_EQ(s.page, nullptr);
    EXPECT_EQ(s.browser_kind, BROWSER_IE);

    // None passes: the fallback frame and its page window.
    top = {ie("Lobby", {page("Internet Explorer_Server")}), chromium("Chat room - Chromium")};
    s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, &top[1]);
    EXPECT_EQ(s.page, &top[1].children[1]);
    EXPECT_EQ(s.browser_kind, BROWSER_NONE);
}

TEST(FallbackFrame, FirstVisibleFrameThatHoldsAPageWindow) {
    // Hidden helpers, one titled like the page, and a visible frame of
    // another page; a visible matching frame without a page window; then
    // two that would do.
    std::vector<Window> top = {
        chromium("", false, true),          chromium("Chat room - Chromium", true, true),
        chromium("Lobby - Chromium"),       chromium("Chat room - Chromium", false),
        chromium("Chat room 2 - Chromium"), chromium("Chat room 3 - Chromium")};
    Search s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, &top[4]);
    EXPECT_EQ(s.page, &top[4].children[1]);

    // Matching frames but none with a page window: the first visible one is
    // the frame and the search ends without a page (lost target).
    top = {chromium("Chat room - Chromium", true, true), chromium("Chat room A", false),
           chromium("Chat room B", false)};
    s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, &top[1]);
    EXPECT_EQ(s.page, nullptr);
    EXPECT_EQ(s.browser_kind, BROWSER_CHROME);

    // Only hidden ones: no frame at all.
    top = {chromium("Chat room - Chromium", true, true)};
    s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, nullptr);

    // A window that vanishes mid-search ends it without a frame, although a
    // fallback frame came before it: a frame of the ten rules might have
    // come after.
    top = {chromium("Chat room - Chromium"), {nullptr, "", {}}};
    s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, nullptr);
    EXPECT_EQ(s.browser_kind, BROWSER_UNSET);
}

// The fallback for today's Firefox: visible top-level "MozillaWindowClass"
// frames, tried after the ten rules and the Chromium frames. Its titles end
// in an em dash that code page 932 has no byte for: the window system gives
// '?' in its place.

Window firefox(const char *title, bool hidden = false) {
    Window w = {"MozillaWindowClass", title, {page("MozillaCompositorWindowClass")}};
    w.hidden = hidden;
    return w;
}

TEST(FirefoxFrame, ClassWithoutRegardToCaseAndTheWholeTitle) {
    for (const char *cls : {"MozillaWindowClass", "mozillawindowclass"}) {
        EXPECT_EQ(match_firefox_window(cls, "Chat room ? Mozilla Firefox", "Chat room", &cp932),
                  BROWSER_FIREFOX)
            << cls;
        EXPECT_EQ(match_firefox_window(cls, "My Chat room", "Chat room", &cp932), BROWSER_UNSET);
        EXPECT_EQ(match_firefox_window(cls, "", "", &cp932), BROWSER_UNSET);
    }
    for (const char *cls : {"MozillaUIWindowClass", "MozillaCompositorWindowClass",
                            "Chrome_WidgetWin_1", "MozillaWindowClass2"}) {
        EXPECT_EQ(match_firefox_window(cls, "Chat room", "Chat room", &cp932), BROWSER_UNSET)
            << cls;
    }
    EXPECT_EQ(match_firefox_window(nullptr, "Chat room", "Chat room", &cp932), BROWSER_UNSET);
    EXPECT_EQ(match_frame_window("MozillaWindowClass", "Chat room", "Chat room", &cp932),
              BROWSER_UNSET);
}

TEST(FirefoxFrame, FirstVisibleOneWhenNoOtherFrameQualifies) {
    // Hidden ones of the class, one titled like the page, and one of
    // another page come first.
    std::vector<Window> top = {firefox("", true), firefox("Chat room ? Mozilla Firefox", true),
                               firefox("Lobby ? Mozilla Firefox"),
                               firefox("Chat room ? Mozilla Firefox"),
                               firefox("Chat room 2 ? Mozilla Firefox")};
    Search s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, &top[3]);
    EXPECT_EQ(s.browser_kind, BROWSER_FIREFOX);
    EXPECT_EQ(s.page, nullptr);  // no page class: the frame takes the keys itself

    // A frame of the ten rules, or a Chromium frame with its page window,
    // wins wherever it comes.
    top = {firefox("Chat room"), ie("Chat room", {page("Internet Explorer_Server")})};
    EXPECT_EQ(find_target(top, "Chat room", &cp932).frame, &top[1]);
    top = {firefox("Chat room"), chromium("Chat room - Chromium")};
    EXPECT_EQ(find_target(top, "Chat room", &cp932).frame, &top[1]);

    // A Chromium frame without its page window does not keep Firefox from
    // the keys; alone it is a lost target, as before.
    top = {chromium("Chat room - Chromium", false), firefox("Chat room")};
    s = find_target(top, "Chat room", &cp932);
    EXPECT_EQ(s.frame, &top[1]);
    EXPECT_EQ(s.browser_kind, BROWSER_FIREFOX);

    // Only hidden ones: no frame.
    top = {firefox("Chat room", true)};
    EXPECT_EQ(find_target(top, "Chat room", &cp932).frame, nullptr);
}

TEST(SystemTextRules, FollowTheCodePageOfTheSystem) {
    plat_set_test_code_page(932);
    const TextRules *tr = system_text_rules();
    EXPECT_EQ(tr->dbcs, 1);
    EXPECT_EQ(title_find("\x82"
                         "a",
                         "a", tr),
              -1);
    EXPECT_EQ(title_find("", "", tr), -1);

    plat_set_test_code_page(1252);
    tr = system_text_rules();
    EXPECT_EQ(tr->dbcs, 0);
    EXPECT_EQ(title_find("\x82"
                         "a",
                         "a", tr),
              1);
    EXPECT_EQ(title_find("", "", tr), 0);

    plat_set_test_code_page(932);
}

}  // namespace
