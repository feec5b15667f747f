#include "ui/version_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(VersionPath, FourLowerCaseHexDigitsEach) {
    char out[128];
    EXPECT_EQ(format_version_path(out, sizeof out, 0x0411, 0x04B0, "FileVersion"), 1);
    EXPECT_STREQ(out, "\\StringFileInfo\\041104b0\\FileVersion");
    EXPECT_EQ(format_version_path(out, sizeof out, 0xABCD, 0xEF, "ProductName"), 1);
    EXPECT_STREQ(out, "\\StringFileInfo\\abcd00ef\\ProductName");
    EXPECT_EQ(format_version_path(out, sizeof out, 1033, 0, ""), 1);
    EXPECT_STREQ(out, "\\StringFileInfo\\04090000\\");
}

TEST(VersionPath, CutTextIsTerminatedAndReported) {
    const std::string full = "\\StringFileInfo\\041104b0\\LegalCopyright";
    for (size_t size = 1; size <= full.size() + 1; size++) {
        char buffer[64];
        memset(buffer, '#', sizeof buffer);
        int ok = format_version_path(buffer, size, 0x0411, 0x04B0, "LegalCopyright");
        EXPECT_EQ(ok, size == full.size() + 1 ? 1 : 0) << size;
        EXPECT_EQ(std::string(buffer), full.substr(0, size - 1)) << size;
        EXPECT_EQ(buffer[size], '#') << size;
    }
    char untouched = '#';
    EXPECT_EQ(format_version_path(&untouched, 0, 1, 2, "x"), 0);
    EXPECT_EQ(untouched, '#');
}

TEST(VersionPath, FallbackTables) {
    const unsigned short codepages[12] = {0,    932,  949,  950,  1200, 1250,
                                          1251, 1252, 1253, 1254, 1255, 1256};
    for (int i = 0; i < 12; i++) EXPECT_EQ(version_codepages[i], codepages[i]) << i;

    for (int i = 0; i < 33; i++) EXPECT_EQ(version_languages[i], 1025 + i) << i;
    const unsigned short tail[12] = {2052, 2055, 2057, 2058, 2060, 2064,
                                     2067, 2068, 2070, 2074, 3084, 4108};
    for (int i = 0; i < 12; i++) EXPECT_EQ(version_languages[33 + i], tail[i]) << i;
}

}  // namespace
