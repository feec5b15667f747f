#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadmeOption, ExactlyTwoBytes) {
    for (const char *yes : {"-?", "-H", "-h"}) {
        EXPECT_TRUE(is_readme_option(yes)) << yes;
    }
    for (const char *no : {"/?", "--h", "-x", "-hh", "-", "", "h", "-?x", "?", "- h", "--"}) {
        EXPECT_FALSE(is_readme_option(no)) << no;
    }
    EXPECT_FALSE(is_readme_option(nullptr));
}

}  // namespace
