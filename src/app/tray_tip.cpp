#include "app/tray_tip.h"

namespace {

const char product_name[] = "Yarrowmeld";

// Appends text while it fits; returns the new length.
int append(char *out, int length, const char *text) {
    while (*text && length < TRAY_TIP_MAX) out[length++] = *text++;
    return length;
}

}  // namespace

int format_tray_tip(char *out, const char *title, int running, const TextRules *tr) {
    int length = append(out, 0, product_name);
    length = append(out, length, "[");
    length = append(out, length, running == 1 ? "ON" : "OFF");
    length = append(out, length, "]");

    if (title && title[0]) {
        length = append(out, length, " - ");
        // The title goes in whole characters: a double-byte character that
        // would not fit completely is left out, and so is a lead byte without
        // its trail byte.
        const char *p = title;
        while (*p) {
            int size = text_char_bytes(p, tr);
            if (size == 0 || length + size > TRAY_TIP_MAX)
                break;
            for (int i = 0; i < size; i++) out[length++] = p[i];
            p += size;
        }
    }
    out[length] = 0;
    return length;
}
