// Cutting texts of the ANSI code page in whole characters.
#include "text/text_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "code_pages.h"

namespace {

TEST(TextWholeLength, CutsBeforeASplitCharacter) {
    const std::string a63 = "a" + [] {
        std::string s;
        for (int i = 0; i < 63; i++) s += "\x82\xA0";  // "あ"
        return s;
    }();
    const struct {
        std::string text;
        int limit;
        int cp932_length, single_byte_length;
    } rows[] = {
        {a63, 126, 125, 126},  // the limit falls between lead and trail byte
        {a63, 127, 127, 127},  // the whole text fits
        {a63, 200, 127, 127},  // the terminator comes first
        {"\x82\xA0"
         "b",
         2, 2, 2},
        {"\x82\xA0"
         "b",
         1, 0, 1},
        {"ab\x82", 10, 2, 3},   // a lone lead byte at the end is half a character
        {"a\x82\\b", 3, 3, 3},  // 0x5C as a trail byte belongs to its lead byte
        {"", 5, 0, 0},
        {"abc", 0, 0, 0},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(text_whole_length(row.text.c_str(), row.limit, &cp932), row.cp932_length)
            << row.limit << " " << row.text.size();
        EXPECT_EQ(text_whole_length(row.text.c_str(), row.limit, &single_byte),
                  row.single_byte_length)
            << row.limit << " " << row.text.size();
    }
}

}  // namespace
