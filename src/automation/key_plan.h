// The window messages that type a text and Enter into a browser's page
// window: which messages, with which key codes and lParams, for each kind of
// frame. No window system: the keyboard layout is asked through KeyLayout.
#ifndef YARROWMELD_KEY_PLAN_H
#define YARROWMELD_KEY_PLAN_H

#include "text/text_rules.h"

// The message numbers and key codes of the window system, spelled out here
// so that the plan needs no window headers.
enum {
    KEY_MSG_KEYDOWN = 0x0100,
    KEY_MSG_KEYUP = 0x0101,
    KEY_MSG_CHAR = 0x0102,
    KEY_VK_RETURN = 0x0D
};

enum KeyStyle {
    // WM_KEYDOWN, WM_CHAR and WM_KEYUP with the byte as code and lParam 0:
    // what the frames of the ten rules have always been sent.
    KEYS_TRIPLE = 0,
    // As a keyboard makes them: the key's virtual-key code and scan code,
    // the byte in WM_CHAR between. Frames of "Chrome_WidgetWin_1".
    KEYS_KEYBOARD = 1,
    // WM_CHAR per character, Enter as a key press without WM_CHAR. Frames
    // of "MozillaWindowClass".
    KEYS_CHARS = 2
};

// The style for the class of the frame that was found.
KeyStyle key_style_for_frame(const char *frame_class);

// The current keyboard layout, as VkKeyScanA and MapVirtualKeyA give it.
struct KeyLayout {
    // The virtual-key code in the low byte and the shift state in the high
    // byte (1 Shift, 2 Ctrl, 4 Alt); -1 when no key gives the byte.
    int (*key_for_char)(void *context, unsigned char c);
    // The scan code of a virtual-key code, 0 when there is none.
    unsigned (*scan_for_key)(void *context, unsigned vk);
    void *context;
};

struct KeyMessage {
    unsigned msg;
    unsigned wparam;
    unsigned lparam;
};

// The most messages one plan holds: three per byte of a 127-byte text and
// three for Enter.
enum { KEY_PLAN_MAX = 3 * 127 + 3 };

// The messages for text (possibly empty) and then Enter, into out (room for
// capacity messages); returns how many. A lead byte that lost its trail
// byte at the end of the text is left out: the system would hold it back
// and join it with the Enter. Stops at capacity.
int key_plan(const char *text, KeyStyle style, const KeyLayout *layout, const TextRules *tr,
             KeyMessage *out, int capacity);

#endif
