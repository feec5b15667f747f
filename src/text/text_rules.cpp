#include "text/text_rules.h"

#include "platform/platform.h"

const TextRules *system_text_rules(void) {
    static TextRules rules = {plat_is_lead_byte, 0};
    rules.dbcs = plat_is_dbcs() ? 1 : 0;
    return &rules;
}

int text_is_lead(const TextRules *tr, unsigned char c) {
    return tr && tr->is_lead && tr->is_lead(c);
}

int text_char_bytes(const char *text, const TextRules *tr) {
    if (!text_is_lead(tr, (unsigned char)text[0]))
        return 1;
    return text[1] ? 2 : 0;
}

int text_whole_length(const char *text, int limit, const TextRules *tr) {
    int n = 0;
    while (n < limit && text[n]) {
        int bytes = text_char_bytes(text + n, tr);
        if (bytes == 0 || n + bytes > limit)
            break;
        n += bytes;
    }
    return n;
}
