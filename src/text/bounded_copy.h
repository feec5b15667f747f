// Copying a text into a buffer of fixed size.
#ifndef YARROWMELD_BOUNDED_COPY_H
#define YARROWMELD_BOUNDED_COPY_H

#include <stddef.h>

#include "text/text_rules.h"

// Copies text into out (size bytes, always terminated), cutting before a
// double-byte character that would not fit whole. Half a character at the
// very end of text is copied as it is.
void copy_whole_chars(char *out, size_t size, const char *text, const TextRules *tr);

#endif
