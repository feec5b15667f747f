// The native platform seam where it stands in for Win32: name comparison and
// the lead bytes of the emulated code page.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform_test.h"

namespace {

TEST(PlatformPosix, CompareFoldsOnlyAToZ) {
    EXPECT_EQ(plat_stricmp("Setting", "sETTING"), 0);
    EXPECT_EQ(plat_stricmp("", ""), 0);
    EXPECT_LT(plat_stricmp("a", "ab"), 0);
    EXPECT_GT(plat_stricmp("ab", "A"), 0);
    EXPECT_NE(plat_stricmp("a b", "ab"), 0);
    // Bytes of the upper half compare as they are, after all ASCII bytes.
    EXPECT_NE(plat_stricmp("\xC4", "\xE4"), 0);
    EXPECT_GT(plat_stricmp("\x82\xA0", "z"), 0);
    EXPECT_NE(plat_stricmp("[", "{"), 0);  // 0x5B and 0x7B are no letters
}

TEST(PlatformPosix, LeadBytesFollowTheCodePage) {
    const struct {
        int code_page, dbcs;
        unsigned char lead[4], other[4];
    } rows[] = {
        {932, 1, {0x81, 0x9F, 0xE0, 0xFC}, {0x80, 0xA0, 0xDF, 0xFD}},
        {936, 1, {0x81, 0xA0, 0xDF, 0xFE}, {0x80, 0xFF, 0x41, 0x00}},
        {1252, 0, {0, 0, 0, 0}, {0x81, 0x9F, 0xE0, 0xFC}},
    };
    for (const auto &row : rows) {
        plat_set_test_code_page(row.code_page);
        EXPECT_EQ(plat_is_dbcs(), row.dbcs) << row.code_page;
        for (int i = 0; i < 4; ++i) {
            if (row.dbcs) {
                EXPECT_TRUE(plat_is_lead_byte(row.lead[i])) << row.code_page << " " << i;
            }
            EXPECT_FALSE(plat_is_lead_byte(row.other[i])) << row.code_page << " " << i;
        }
    }
    plat_set_test_code_page(932);
}

}  // namespace
