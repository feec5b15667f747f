// The text rules the tests read their texts by: code page 932, whose lead
// bytes start a two-byte character, and a single-byte code page.
#ifndef YARROWMELD_TESTS_CODE_PAGES_H
#define YARROWMELD_TESTS_CODE_PAGES_H

#include "text/text_rules.h"

namespace {

int cp932_lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

[[maybe_unused]] const TextRules cp932 = {cp932_lead, 1};
[[maybe_unused]] const TextRules single_byte = {nullptr, 0};

}  // namespace

#endif
