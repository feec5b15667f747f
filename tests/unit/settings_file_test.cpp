#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "guarded_text.h"
#include "platform_test.h"
#include "code_pages.h"

namespace {

struct PathCase {
    const char *module;
    const char *in_cp932;
    const char *in_single_byte;
};

TEST(IniPath, BesideTheExecutable) {
    const PathCase cases[] = {
        {"C:\\Program Files\\Yarrowmeld\\Yarrowmeld.exe",
         "C:\\Program Files\\Yarrowmeld\\Yarrowmeld.ini",
         "C:\\Program Files\\Yarrowmeld\\Yarrowmeld.ini"},
        {"C:\\y.exe", "C:\\Yarrowmeld.ini", "C:\\Yarrowmeld.ini"},
        {"Yarrowmeld.exe", "\\Yarrowmeld.ini", "\\Yarrowmeld.ini"},
        {"", "\\Yarrowmeld.ini", "\\Yarrowmeld.ini"},
        {"\\\\server\\share\\y.exe", "\\\\server\\share\\Yarrowmeld.ini",
         "\\\\server\\share\\Yarrowmeld.ini"},
        // A folder whose name holds 0x95 0x5C (a kanji ending in '\').
        {"C:\\\x95\\\\y.exe", "C:\\\x95\\\\Yarrowmeld.ini", "C:\\\x95\\\\Yarrowmeld.ini"},
        // ... and a file name holding it: only code page 932 keeps the folder.
        {"C:\\dir\\\x95\\.exe", "C:\\dir\\Yarrowmeld.ini", "C:\\dir\\\x95\\Yarrowmeld.ini"},
        {"\x83\\\x83\\.exe", "\\Yarrowmeld.ini", "\x83\\\x83\\Yarrowmeld.ini"},
        // A lead byte at the very end stands alone.
        {"C:\\a\\b\x95", "C:\\a\\Yarrowmeld.ini", "C:\\a\\Yarrowmeld.ini"},
    };
    for (const PathCase &c : cases) {
        char out[1024];
        EXPECT_EQ(build_ini_path(out, sizeof out, c.module, &cp932), 1) << c.module;
        EXPECT_STREQ(out, c.in_cp932) << c.module;
        EXPECT_EQ(build_ini_path(out, sizeof out, c.module, &single_byte), 1) << c.module;
        EXPECT_STREQ(out, c.in_single_byte) << c.module;
    }
}

TEST(IniPath, ScanStopsAtTheTerminatorAfterALeadByte) {
    GuardedText module("C:\\dir\\\x95");
    char out[64];
    EXPECT_EQ(build_ini_path(out, sizeof out, module.get(), &cp932), 1);
    EXPECT_STREQ(out, "C:\\dir\\Yarrowmeld.ini");
}

TEST(IniPath, WorksInPlace) {
    // Start-up reads the module name straight into the path buffer.
    char buffer[1024] = "C:\\Tools\\Yarrowmeld.exe";
    EXPECT_EQ(build_ini_path(buffer, sizeof buffer, buffer, &cp932), 1);
    EXPECT_STREQ(buffer, "C:\\Tools\\Yarrowmeld.ini");
}

TEST(IniPath, TooLongGivesEmptyTextAndNoOverrun) {
    const size_t name = strlen("\\Yarrowmeld.ini");
    for (size_t dir_length : {size_t(0), size_t(3), size_t(1000), size_t(1008), size_t(1009)}) {
        std::string module = std::string(dir_length, 'd') + "\\y.exe";
        const size_t needed = dir_length + name + 1;
        for (size_t size : {needed - 1, needed}) {
            char buffer[1100];
            memset(buffer, '#', sizeof buffer);
            int ok = build_ini_path(buffer, size, module.c_str(), &cp932);
            for (size_t i = size; i < sizeof buffer; i++) {
                ASSERT_EQ(buffer[i], '#') << "dir " << dir_length << " size " << size;
            }
            if (size == needed) {
                EXPECT_EQ(ok, 1);
                EXPECT_EQ(std::string(buffer), std::string(dir_length, 'd') + "\\Yarrowmeld.ini");
            } else {
                EXPECT_EQ(ok, 0);
                EXPECT_STREQ(buffer, "");
            }
        }
    }
    // The whole 1024-byte buffer: a directory of 1008 bytes is the longest
    // that fits.
    char out[1024];
    EXPECT_EQ(build_ini_path(out, sizeof out, (std::string(1008, 'd') + "\\a").c_str(), &cp932), 1);
    EXPECT_EQ(build_ini_path(out, sizeof out, (std::string(1009, 'd') + "\\a").c_str(), &cp932), 0);
    EXPECT_STREQ(out, "");

    char untouched = '#';
    EXPECT_EQ(build_ini_path(&untouched, 0, "C:\\y.exe", &cp932), 0);
    EXPECT_EQ(untouched, '#');
}

TEST(HiddenName, ClearsBitSevenUpToTheTerminator) {
    const char *plain = "Private";
    char stored[16];
    memset(stored, 0xC1, sizeof stored);
    for (size_t i = 0; i <= strlen(plain); i++) {
        stored[i] = plain[i] ? (char)(plain[i] | 0x80) : 0;
    }
    reveal_hidden_name(stored);
    EXPECT_STREQ(stored, plain);
    // Bytes behind the terminator are not touched.
    EXPECT_EQ((unsigned char)stored[strlen(plain) + 1], 0xC1);

    char mixed[] = "a\xe2z\xff";
    reveal_hidden_name(mixed);
    EXPECT_STREQ(mixed, "abz\x7f");

    char empty[] = "";
    reveal_hidden_name(empty);
    EXPECT_STREQ(empty, "");
}

// The settings read, in one line: the intervals, the override, the title
// between bars and the post text.
std::string stored(const StoredSettings &s) {
    return std::to_string(s.update_secs) + " " + std::to_string(s.post_secs) + " " +
           std::to_string(s.instance_override) + " |" + s.title + "| " + s.post_text;
}

// The dialog's place as the file gives it, "left top".
std::string stored_place(const std::string &path) {
    int left = 0, top = 0;
    settings_file_read_place(path.c_str(), &left, &top);
    return std::to_string(left) + " " + std::to_string(top);
}

// The keys as the file has always spelt them, the hidden override under its
// revealed names, and what a file without them gives.
TEST(SettingsFile, KeysReadAndWrittenInTheirSpellings) {
    char dir[] = "/tmp/settings_file_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/Yarrowmeld.ini";

    StoredSettings s;
    settings_file_read(path.c_str(), &s);
    EXPECT_EQ(stored(s), "10 240 0 || .");
    EXPECT_EQ(stored_place(path), "-1 -1");

    std::ofstream(path) << "[Setting]\r\nUpdate=5\r\nNewLine=60\r\nTiTle=Lobby\r\n"
                           "Charcter=hi\r\n[Startup]\r\nDual=2\r\n[Window]\r\nLeft=7\r\nTop=9\r\n";
    settings_file_read(path.c_str(), &s);
    EXPECT_EQ(stored(s), "5 60 2 |Lobby| hi");
    EXPECT_EQ(stored_place(path), "7 9");

    settings_file_write(path.c_str(), &s, 12, -3);
    std::stringstream written;
    written << std::ifstream(path).rdbuf();
    EXPECT_EQ(written.str(),
              "[Setting]\r\nUpdate=5\r\nNewLine=60\r\nTitle=\"Lobby\"\r\nCharcter=\"hi\"\r\n\r\n"
              "[Startup]\r\nDual=2\r\n\r\n[Window]\r\nLeft=12\r\nTop=-3\r\n\r\n");
    s.instance_override = 0;
    settings_file_write(path.c_str(), &s, 12, -3);
    settings_file_read(path.c_str(), &s);
    EXPECT_EQ(s.instance_override, 0);

    unlink(path.c_str());
    EXPECT_EQ(rmdir(dir), 0);
}

// A folder of its own with the path of its Yarrowmeld.ini, removed again.
class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(dir_), nullptr);
        path_ = std::string(dir_) + "/Yarrowmeld.ini";
    }
    void TearDown() override {
        plat_set_test_code_page(932);
        plat_test_fail_allocs(0, 0);
        plat_test_fail_write(PLAT_WRITE_NO_FAULT, 0);
        rmdir(path_.c_str());
        unlink(path_.c_str());
        EXPECT_EQ(rmdir(dir_), 0);
    }
    std::string bytes() const {
        std::stringstream s;
        s << std::ifstream(path_).rdbuf();
        return s.str();
    }
    char dir_[32] = "/tmp/settings_file_XXXXXX";
    std::string path_;
};

std::string repeat(const char *piece, int count) {
    std::string s;
    for (int i = 0; i < count; i++) s += piece;
    return s;
}

// Cut by bytes, the last character of a title of 1023 bytes or a post text
// of 127 would lose its trail byte; the lone lead byte would then swallow
// whatever follows it when shown or saved.
TEST_F(SettingsFolder, LongValuesKeepWholeCharacters) {
    const std::string title = "a" + repeat("\x82\xA0", 511);  // 1023 bytes
    const std::string text = "a" + repeat("\x82\xA0", 63);    // 127 bytes
    std::ofstream(path_) << "[Setting]\r\nTiTle=" << title << "\r\nCharcter=\"" << text << "\"\r\n";
    StoredSettings s;
    ASSERT_EQ(settings_file_read(path_.c_str(), &s), SETTINGS_FILE_READ);
    EXPECT_EQ(std::string(s.title), title.substr(0, 1021));
    EXPECT_EQ(std::string(s.post_text), text.substr(0, 125));

    // Under a single-byte code page every byte is a character.
    plat_set_test_code_page(1252);
    ASSERT_EQ(settings_file_read(path_.c_str(), &s), SETTINGS_FILE_READ);
    EXPECT_EQ(std::string(s.title), title.substr(0, 1022));
    EXPECT_EQ(std::string(s.post_text), text.substr(0, 126));
}

// Only a file that is not there may be taken for no settings at all.
TEST_F(SettingsFolder, UnreadableFileIsToldFromAMissingOne) {
    StoredSettings s;
    EXPECT_EQ(settings_file_read(path_.c_str(), &s), SETTINGS_FILE_MISSING);
    EXPECT_EQ(settings_file_read((path_ + "/below.ini").c_str(), &s), SETTINGS_FILE_MISSING);
    EXPECT_EQ(settings_file_read("", &s), SETTINGS_FILE_MISSING);

    std::ofstream(path_) << "[Setting]\r\nUpdate=3\r\nTiTle=Lobby\r\n";
    EXPECT_EQ(settings_file_read(path_.c_str(), &s), SETTINGS_FILE_READ);
    EXPECT_EQ(s.update_secs, 3);
    // Short of memory for the text: the file is there, unread.
    plat_test_fail_allocs(0, -1);
    EXPECT_EQ(settings_file_read(path_.c_str(), &s), SETTINGS_FILE_UNREADABLE);
    plat_test_fail_allocs(0, 0);
    EXPECT_EQ(s.update_secs, 10);
    EXPECT_STREQ(s.title, "");

    unlink(path_.c_str());
    ASSERT_EQ(mkdir(path_.c_str(), 0700), 0);  // something that cannot be read as a file
    EXPECT_EQ(settings_file_read(path_.c_str(), &s), SETTINGS_FILE_UNREADABLE);
}

// A save that fails says so, and the file is left as it was: also when a
// key cannot be set, which would otherwise write a file without it.
TEST_F(SettingsFolder, FailedWriteIsReportedAndKeepsTheFile) {
    const std::string before = "[Setting]\r\nTiTle=Lobby\r\n";
    std::ofstream(path_) << before;
    StoredSettings s = {5, 60, 0, "Other", "x"};
    plat_test_fail_write(PLAT_WRITE_FAIL_REPLACE, 0);
    EXPECT_EQ(settings_file_write(path_.c_str(), &s, 1, 2), 0);
    plat_test_fail_write(PLAT_WRITE_NO_FAULT, 0);
    EXPECT_EQ(bytes(), before);
    int failures = 0;
    for (long skip = 0; skip < 40; skip++) {
        std::ofstream(path_) << before;
        plat_test_fail_allocs(skip, 1);
        int ok = settings_file_write(path_.c_str(), &s, 1, 2);
        plat_test_fail_allocs(0, 0);
        if (!ok) {
            failures++;
            EXPECT_EQ(bytes(), before) << "allocation " << skip;
        }
    }
    EXPECT_GT(failures, 5);
    EXPECT_EQ(settings_file_write(path_.c_str(), &s, 1, 2), 1);
    EXPECT_EQ(bytes(),
              "[Setting]\r\nUpdate=5\r\nNewLine=60\r\nTitle=\"Other\"\r\nCharcter=\"x\"\r\n\r\n"
              "[Window]\r\nLeft=1\r\nTop=2\r\n\r\n");
}

}  // namespace
