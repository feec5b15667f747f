// How texts of the ANSI code page are stepped through, character by
// character: under a double-byte code page a lead byte and the byte after it
// are one character. Every walk over such a text goes through here.
#ifndef YARROWMELD_TEXT_RULES_H
#define YARROWMELD_TEXT_RULES_H

// dbcs is 1 under a double-byte code page (which also decides how empty
// texts match in the title search), 0 under a single-byte one.
struct TextRules {
    int (*is_lead)(unsigned char c);
    int dbcs;
};

// The rules of the running system (the platform seam's lead-byte test).
const TextRules *system_text_rules(void);

// 1 when c is a lead byte under tr; no rules (null) know no lead bytes.
int text_is_lead(const TextRules *tr, unsigned char c);

// Bytes of the character that text starts with (text is not at its
// terminator): 2 for a lead byte and its trail byte, 1 for any other byte,
// and 0 for a lead byte right before the terminator, half a character.
int text_char_bytes(const char *text, const TextRules *tr);

// Bytes of the longest start of text, at most limit, that ends with a whole
// character: where a cut to limit bytes would split a double-byte
// character, or a lone lead byte ends the text, that byte is left out.
int text_whole_length(const char *text, int limit, const TextRules *tr);

#endif
