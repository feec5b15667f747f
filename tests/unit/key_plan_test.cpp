// The key messages of a post for each kind of frame, over a fake keyboard
// layout (a US layout's keys for the characters used here).
#include "automation/key_plan.h"

#include <gtest/gtest.h>

#include <vector>

#include "code_pages.h"

// Found by argument lookup, so beside KeyMessage.
bool operator==(const KeyMessage &a, const KeyMessage &b) {
    return a.msg == b.msg && a.wparam == b.wparam && a.lparam == b.lparam;
}

std::ostream &operator<<(std::ostream &os, const KeyMessage &m) {
    return os << std::hex << "{0x" << m.msg << ", 0x" << m.wparam << ", 0x" << m.lparam << "}";
}

namespace {

struct FakeKey {
    unsigned char c;
    int key;  // as VkKeyScanA answers
    unsigned scan;
};
const FakeKey us_keys[] = {
    {'t', 0x054, 0x14},  {'e', 0x045, 0x12}, {'s', 0x053, 0x1F}, {'.', 0x0BE, 0x34},
    {' ', 0x020, 0x39},  {'A', 0x141, 0x1E}, {'a', 0x041, 0x1E}, {'%', 0x135, 0x06},
    {'@', 0x651, 0x10},  // as under a layout where it takes Ctrl+Alt+Q
    {'\r', 0x00D, 0x1C},
};

int fake_key_for_char(void *, unsigned char c) {
    for (const FakeKey &k : us_keys) {
        if (k.c == c)
            return k.key;
    }
    return -1;
}

unsigned fake_scan_for_key(void *, unsigned vk) {
    for (const FakeKey &k : us_keys) {
        if (static_cast<unsigned>(k.key & 0xFF) == vk)
            return k.scan;
    }
    return 0;
}

const KeyLayout us = {fake_key_for_char, fake_scan_for_key, nullptr};

std::vector<KeyMessage> plan(const char *text, KeyStyle style) {
    KeyMessage out[KEY_PLAN_MAX];
    int n = key_plan(text, style, &us, &cp932, out, KEY_PLAN_MAX);
    return std::vector<KeyMessage>(out, out + n);
}

const unsigned D = KEY_MSG_KEYDOWN, C = KEY_MSG_CHAR, U = KEY_MSG_KEYUP;

// A key press: down, the character, up, as a keyboard gives them.
void press(std::vector<KeyMessage> &v, unsigned vk, unsigned scan, int c) {
    unsigned lp = 1 | scan << 16;
    v.push_back({D, vk, lp});
    if (c >= 0)
        v.push_back({C, static_cast<unsigned>(c), lp});
    v.push_back({U, vk, lp | 0xC0000000u});
}

const char kText[] = "test. Aa%\x82\xA0";  // ends in "あ"

}  // namespace

TEST(KeyPlan, TheTenRulesKeepTheByteAsKeyCodeWithLParamZero) {
    std::vector<KeyMessage> expected;
    for (const char *p = kText; *p; ++p) {
        unsigned b = static_cast<unsigned char>(*p);
        expected.insert(expected.end(), {{D, b, 0}, {C, b, 0}, {U, b, 0}});
    }
    expected.insert(expected.end(), {{D, 13, 0}, {C, 13, 0}, {U, 13, 0}});
    EXPECT_EQ(plan(kText, KEYS_TRIPLE), expected);
    // An update is Enter alone.
    EXPECT_EQ(plan("", KEYS_TRIPLE), std::vector<KeyMessage>(expected.end() - 3, expected.end()));
}

TEST(KeyPlan, KeyboardStyleCarriesKeyCodesAndScanCodes) {
    std::vector<KeyMessage> e;
    press(e, 0x54, 0x14, 't');
    press(e, 0x45, 0x12, 'e');
    press(e, 0x53, 0x1F, 's');
    press(e, 0x54, 0x14, 't');
    press(e, 0xBE, 0x34, '.');  // VK_OEM_PERIOD, not VK_DELETE
    press(e, 0x20, 0x39, ' ');
    press(e, 0x41, 0x1E, 'A');  // no Shift messages: the character is in WM_CHAR
    press(e, 0x41, 0x1E, 'a');  // not VK_NUMPAD1
    press(e, 0x35, 0x06, '%');  // '5', not VK_LEFT
    e.push_back({C, 0x82, 1});  // "あ": no key, both bytes as WM_CHAR
    e.push_back({C, 0xA0, 1});
    press(e, KEY_VK_RETURN, 0x1C, '\r');
    EXPECT_EQ(plan(kText, KEYS_KEYBOARD), e);
}

TEST(KeyPlan, KeyboardStyleSendsCharactersWithoutAPlainKeyAsCharOnly) {
    std::vector<KeyMessage> e;
    e.push_back({C, '~', 1});  // not in the layout
    e.push_back({C, '@', 1});  // needs Ctrl+Alt: Q alone is another key
    press(e, KEY_VK_RETURN, 0x1C, '\r');
    EXPECT_EQ(plan("~@", KEYS_KEYBOARD), e);
}

TEST(KeyPlan, CharStyleTypesWmCharOnlyAndEnterWithoutChar) {
    std::vector<KeyMessage> e;
    e.push_back({C, 't', 1 | 0x14 << 16});
    e.push_back({C, '.', 1 | 0x34 << 16});
    e.push_back({C, '~', 1});
    e.push_back({C, 0x82, 1});
    e.push_back({C, 0xA0, 1});
    press(e, KEY_VK_RETURN, 0x1C, -1);
    EXPECT_EQ(plan("t.~\x82\xA0", KEYS_CHARS), e);
}

TEST(KeyPlan, LeadByteAtTheEndIsLeftOutInEveryStyle) {
    for (KeyStyle style : {KEYS_TRIPLE, KEYS_KEYBOARD, KEYS_CHARS})
        EXPECT_EQ(plan("t\x82", style), plan("t", style)) << style;
}

TEST(KeyPlan, LongestTextFitsAndASmallBufferIsNotOverrun) {
    char text[128];
    for (int i = 0; i < 127; i++) text[i] = 't';
    text[127] = 0;
    KeyMessage out[KEY_PLAN_MAX + 1];
    out[KEY_PLAN_MAX].msg = 0xDEAD;
    EXPECT_EQ(key_plan(text, KEYS_TRIPLE, &us, &cp932, out, KEY_PLAN_MAX), KEY_PLAN_MAX);
    EXPECT_EQ(out[KEY_PLAN_MAX].msg, 0xDEADu);
    EXPECT_EQ(out[KEY_PLAN_MAX - 1], (KeyMessage{U, 13, 0}));
    KeyMessage small[4];
    small[3].msg = 0xBEEF;
    EXPECT_EQ(key_plan("test", KEYS_KEYBOARD, &us, &cp932, small, 3), 3);
    EXPECT_EQ(small[3].msg, 0xBEEFu);
}

TEST(KeyPlan, StyleFollowsTheFrameClass) {
    EXPECT_EQ(key_style_for_frame("Chrome_WidgetWin_1"), KEYS_KEYBOARD);
    EXPECT_EQ(key_style_for_frame("chrome_widgetwin_1"), KEYS_KEYBOARD);
    EXPECT_EQ(key_style_for_frame("MozillaWindowClass"), KEYS_CHARS);
    const char *const ten_rules[] = {
        "IEFrame", "Chrome_WidgetWin_0", "Chrome_XPFrame", "MozillaUIWindowClass", "OpWindow", ""};
    for (const char *cls : ten_rules) EXPECT_EQ(key_style_for_frame(cls), KEYS_TRIPLE) << cls;
    EXPECT_EQ(key_style_for_frame(nullptr), KEYS_TRIPLE);
}
