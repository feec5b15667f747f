#include "text/bounded_copy.h"

void copy_whole_chars(char *out, size_t size, const char *text, const TextRules *tr) {
    if (size == 0)
        return;
    size_t n = 0;
    while (text[n]) {
        size_t step = text_char_bytes(text + n, tr) == 2 ? 2 : 1;
        if (n + step >= size)
            break;
        for (size_t k = 0; k < step; k++) out[n + k] = text[n + k];
        n += step;
    }
    out[n] = 0;
}
