// What the INI engine's tests share: every test ends with the document freed,
// no fault left armed and every block given back, and a text loads as the
// file's bytes would.
#ifndef YARROWMELD_TESTS_INI_TEST_SUPPORT_H
#define YARROWMELD_TESTS_INI_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ini/ini.h"
#include "platform/platform.h"
#include "platform_test.h"

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override { live_ = plat_test_live_blocks(); }
    void TearDown() override {
        plat_test_fail_allocs(0, 0);
        plat_test_fail_write(PLAT_WRITE_NO_FAULT, 0);
        ini_free();
        EXPECT_EQ(plat_test_live_blocks(), live_) << "blocks leaked";
    }
    long live_ = 0;
};

[[maybe_unused]] int load(const std::string &text) {
    return ini_load_buffer(text.data(), text.size());
}

// What a save would write, or "(no text)" when it cannot be built.
[[maybe_unused]] std::string written() {
    size_t size = 0;
    char *text = ini_build_text(&size);
    if (!text)
        return "(no text)";
    std::string out(text, size);
    EXPECT_EQ(strlen(text), size) << "size worked out differs from the text built";
    plat_free(text);
    return out;
}

}  // namespace

#endif
