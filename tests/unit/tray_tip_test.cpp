#include "app/tray_tip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "code_pages.h"

namespace {

// Formats into a buffer with a fence behind its TRAY_TIP_MAX + 1 bytes.
std::string tip(const char *title, int running, const TextRules *tr) {
    char buffer[TRAY_TIP_MAX + 1 + 16];
    memset(buffer, '#', sizeof buffer);
    int length = format_tray_tip(buffer, title, running, tr);
    for (size_t i = TRAY_TIP_MAX + 1; i < sizeof buffer; i++) {
        EXPECT_EQ(buffer[i], '#') << "written past the tip at " << i;
    }
    EXPECT_EQ(length, (int)strlen(buffer));
    return std::string(buffer);
}

TEST(TrayTip, StateAndTitle) {
    EXPECT_EQ(tip("Chat", 1, &cp932), "Yarrowmeld[ON] - Chat");
    EXPECT_EQ(tip("Chat", 0, &cp932), "Yarrowmeld[OFF] - Chat");
    EXPECT_EQ(tip("", 1, &cp932), "Yarrowmeld[ON]");
    EXPECT_EQ(tip("", 0, &single_byte), "Yarrowmeld[OFF]");
    EXPECT_EQ(tip(nullptr, 0, &cp932), "Yarrowmeld[OFF]");
    // The run flag is tested against 1.
    EXPECT_EQ(tip("Chat", 2, &cp932), "Yarrowmeld[OFF] - Chat");
}

TEST(TrayTip, LongTitleIsCutTo63Bytes) {
    std::string title(1023, 'x');
    std::string on = tip(title.c_str(), 1, &cp932);
    EXPECT_EQ(on.size(), 63u);
    EXPECT_EQ(on, "Yarrowmeld[ON] - " + std::string(63 - 17, 'x'));
    EXPECT_EQ(tip(title.c_str(), 0, &single_byte).size(), 63u);
}

TEST(TrayTip, CutNeverSplitsADoubleByteCharacter) {
    // "Yarrowmeld[ON] - " is 17 bytes: 45 bytes of title fill bytes 17 to
    // 61, so the next character takes bytes 62 and 63, one too many.
    std::string split = std::string(45, 'a') +
                        "\x82\xa0"
                        "b";
    std::string on = tip(split.c_str(), 1, &cp932);
    EXPECT_EQ(on, "Yarrowmeld[ON] - " + std::string(45, 'a'));
    // Under a single-byte code page the same bytes are characters of their own.
    EXPECT_EQ(tip(split.c_str(), 1, &single_byte),
              "Yarrowmeld[ON] - " + std::string(45, 'a') + "\x82");

    // One byte earlier the character fits exactly.
    std::string fits = std::string(44, 'a') +
                       "\x82\xa0"
                       "b";
    EXPECT_EQ(tip(fits.c_str(), 1, &cp932), "Yarrowmeld[ON] - " + fits.substr(0, 46));

    // "[OFF]" moves the boundary by one byte.
    EXPECT_EQ(tip(fits.c_str(), 0, &cp932), "Yarrowmeld[OFF] - " + std::string(44, 'a'));

    // A run of double-byte characters from the start of the title: the
    // result always ends on a whole character.
    std::string kana;
    for (int i = 0; i < 40; i++) kana += "\x83\x41";
    for (int running : {0, 1}) {
        std::string t = tip(kana.c_str(), running, &cp932);
        size_t head = running ? 17 : 18;
        EXPECT_EQ((t.size() - head) % 2, 0u) << t.size();
        EXPECT_GE(t.size(), 62u);
    }
}

TEST(TrayTip, LoneLeadByteAtTheEndIsLeftOut) {
    EXPECT_EQ(tip("Chat\x82", 1, &cp932), "Yarrowmeld[ON] - Chat");
    EXPECT_EQ(tip("Chat\x82", 1, &single_byte), "Yarrowmeld[ON] - Chat\x82");
}

}  // namespace
