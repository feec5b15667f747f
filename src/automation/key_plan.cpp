// The window messages that type a text and Enter into a page window.
#include "automation/key_plan.h"

#include "platform/platform.h"

namespace {

// lParam of a key message: repeat count 1 and the scan code; a key-up adds
// the previous key state (bit 30) and the transition (bit 31).
const unsigned kRepeatOne = 1u;
const unsigned kKeyUpBits = (1u << 30) | (1u << 31);

// The shift state bits of a layout's answer that a sent message cannot give:
// a key that needs Ctrl or Alt pressed alone is another key, so such a
// character goes as WM_CHAR only. Shift does not change the key code, and
// the page takes the character from WM_CHAR, so a key that needs Shift is
// sent without Shift messages (the browser reads the shift state from the
// real keyboard, which a sent message does not change either way).
const int kCtrlOrAlt = 0x600;

struct Plan {
    KeyMessage *out;
    int capacity;
    int n;
};

void put(Plan *p, unsigned msg, unsigned wparam, unsigned lparam) {
    if (p->n < p->capacity)
        p->out[p->n] = KeyMessage{msg, wparam, lparam};
    p->n++;
}

unsigned scan_code(const KeyLayout *layout, unsigned vk) {
    return layout && layout->scan_for_key ? layout->scan_for_key(layout->context, vk) & 0xFF : 0;
}

// The key of a single-byte character, or -1 when it has none (or needs
// Ctrl or Alt).
int key_of(const KeyLayout *layout, unsigned char c) {
    if (!layout || !layout->key_for_char)
        return -1;
    int key = layout->key_for_char(layout->context, c);
    if (key == -1 || (key & 0xFF) == 0xFF || (key & kCtrlOrAlt))
        return -1;
    return key & 0xFF;
}

// A key press that carries the character c between its down and up.
void press(Plan *p, const KeyLayout *layout, unsigned vk, int c) {
    unsigned lp = kRepeatOne | scan_code(layout, vk) << 16;
    put(p, KEY_MSG_KEYDOWN, vk, lp);
    if (c >= 0)
        put(p, KEY_MSG_CHAR, static_cast<unsigned>(c), lp);
    put(p, KEY_MSG_KEYUP, vk, lp | kKeyUpBits);
}

void triple(Plan *p, unsigned char c) {
    put(p, KEY_MSG_KEYDOWN, c, 0);
    put(p, KEY_MSG_CHAR, c, 0);
    put(p, KEY_MSG_KEYUP, c, 0);
}

// One character of one or two bytes.
void character(Plan *p, const unsigned char *c, int bytes, KeyStyle style,
               const KeyLayout *layout) {
    if (style == KEYS_TRIPLE) {
        for (int i = 0; i < bytes; i++) triple(p, c[i]);
        return;
    }
    int vk = bytes == 1 ? key_of(layout, c[0]) : -1;
    if (style == KEYS_KEYBOARD && vk >= 0) {
        press(p, layout, static_cast<unsigned>(vk), c[0]);
        return;
    }
    // WM_CHAR alone: both bytes of a double-byte character, one after the
    // other, so that the system gives a Unicode window one character.
    unsigned lp = kRepeatOne | (vk >= 0 ? scan_code(layout, static_cast<unsigned>(vk)) << 16 : 0);
    for (int i = 0; i < bytes; i++) put(p, KEY_MSG_CHAR, c[i], lp);
}

}  // namespace

KeyStyle key_style_for_frame(const char *frame_class) {
    if (frame_class && plat_stricmp(frame_class, "Chrome_WidgetWin_1") == 0)
        return KEYS_KEYBOARD;
    if (frame_class && plat_stricmp(frame_class, "MozillaWindowClass") == 0)
        return KEYS_CHARS;
    return KEYS_TRIPLE;
}

int key_plan(const char *text, KeyStyle style, const KeyLayout *layout, const TextRules *tr,
             KeyMessage *out, int capacity) {
    Plan p = {out, capacity, 0};
    const unsigned char *t = reinterpret_cast<const unsigned char *>(text ? text : "");
    for (int i = 0; t[i];) {
        int bytes = text_char_bytes(reinterpret_cast<const char *>(t + i), tr);
        if (bytes == 0)
            break;
        character(&p, t + i, bytes, style, layout);
        i += bytes;
    }
    switch (style) {
        case KEYS_TRIPLE:
            triple(&p, '\r');
            break;
        case KEYS_KEYBOARD:
            press(&p, layout, KEY_VK_RETURN, '\r');
            break;
        case KEYS_CHARS:
            // No WM_CHAR: some releases take a lone '\r' as Enter too, and
            // would see two.
            press(&p, layout, KEY_VK_RETURN, -1);
            break;
    }
    return p.n < capacity ? p.n : capacity;
}
