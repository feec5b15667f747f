// Loading and saving real files, saves that fail, and files that are not
// what an INI file should be.
#include "ini/ini.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ini_test_support.h"
#include "platform_test.h"

namespace {

// Each test gets a fresh folder, removed afterwards.
class IniFiles : public IniTest {
protected:
    void SetUp() override {
        char name[] = "/tmp/ini_files_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        path_ = dir_ + "/Yarrowmeld.ini";
        IniTest::SetUp();
    }
    void TearDown() override {
        IniTest::TearDown();
        std::string command = "rm -rf '" + dir_ + "'";
        EXPECT_EQ(system(command.c_str()), 0);
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        DIR *d = opendir(dir_.c_str());
        while (dirent *e = d ? readdir(d) : nullptr)
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        if (d)
            closedir(d);
        return names;
    }

    std::string dir_, path_;
};

void put_file(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string file_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(IniFiles, LoadAndSave) {
    EXPECT_EQ(ini_load(path_.c_str(), 1), 0);  // missing
    EXPECT_EQ(ini_get_int("Setting", "Update", 10), 10);
    EXPECT_EQ(ini_load(dir_.c_str(), 1), 0);  // a folder
    EXPECT_EQ(ini_load(nullptr, 1), 0);

    put_file(path_, "");
    ASSERT_EQ(ini_load(path_.c_str(), 1), 1);
    EXPECT_EQ(ini_document()->section_count, 1);
    put_file(path_, "old text that is longer than the new one\r\n");
    EXPECT_EQ(ini_write(path_.c_str()), 1);  // nothing to write: an empty file
    EXPECT_EQ(file_bytes(path_), "");

    ASSERT_EQ(ini_set_string("Setting", "Title", "t"), 1);
    // A failed load keeps the document held before it.
    EXPECT_EQ(ini_load((dir_ + "/missing.ini").c_str(), 1), 0);
    ASSERT_EQ(ini_write(path_.c_str()), 1);
    EXPECT_EQ(file_bytes(path_), "[Setting]\r\nTitle=\"t\"\r\n\r\n");
    ini_free();
    ASSERT_EQ(ini_load(path_.c_str(), 1), 1);
    char out[16];
    EXPECT_EQ(ini_get_string("setting", "TITLE", "", out, sizeof out), 1);
    EXPECT_EQ(files(), std::vector<std::string>{"Yarrowmeld.ini"});
}

// A save either replaces the file completely or leaves it as it was, with
// no temporary file left behind.
TEST_F(IniFiles, FailedSaveKeepsTheOldFile) {
    const std::string old = "[Setting]\r\nTitle=\"keep me\"\r\n\r\n";
    const struct {
        PlatWriteFault fault;
        size_t bytes;
    } faults[] = {
        {PLAT_WRITE_FAIL_CREATE, 0}, {PLAT_WRITE_FAIL_WRITE, 0},   {PLAT_WRITE_FAIL_WRITE, 7},
        {PLAT_WRITE_FAIL_SYNC, 0},   {PLAT_WRITE_FAIL_REPLACE, 0},
    };
    ASSERT_EQ(ini_set_string("Setting", "Title", "a new and longer title"), 1);
    for (const auto &f : faults) {
        put_file(path_, old);
        plat_test_fail_write(f.fault, f.bytes);
        EXPECT_EQ(ini_write(path_.c_str()), 0) << "fault " << f.fault;
        EXPECT_EQ(file_bytes(path_), old) << "fault " << f.fault;
        EXPECT_EQ(files(), std::vector<std::string>{"Yarrowmeld.ini"}) << "fault " << f.fault;
    }
    plat_test_fail_write(PLAT_WRITE_NO_FAULT, 0);
    ASSERT_EQ(ini_write(path_.c_str()), 1);
    EXPECT_EQ(file_bytes(path_), "[Setting]\r\nTitle=\"a new and longer title\"\r\n\r\n");

    // Saving onto a folder or into a missing one fails and changes nothing.
    std::string sub = dir_ + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    EXPECT_EQ(ini_write(sub.c_str()), 0);
    struct stat st;
    EXPECT_TRUE(stat(sub.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_EQ(ini_write((dir_ + "/missing/x.ini").c_str()), 0);
    EXPECT_EQ(files().size(), 2u);
}

// The temporary file of a save must fit wherever the file itself fits: a
// name at the file system's limit of 255 bytes is saved like any other.
TEST_F(IniFiles, SaveBesideANameOfTheLongestLength) {
    std::string longest = dir_ + "/" + std::string(251, 'y') + ".ini";
    put_file(longest, "old");
    ASSERT_EQ(file_bytes(longest), "old");
    ASSERT_EQ(ini_set_int("Window", "Left", 5), 1);
    EXPECT_EQ(ini_write(longest.c_str()), 1);
    EXPECT_EQ(file_bytes(longest), "[Window]\r\nLeft=5\r\n\r\n");
    EXPECT_EQ(files().size(), 1u);
}

// An empty path is no file: the save fails without creating anything, not
// even for a moment in the current folder.
TEST_F(IniFiles, EmptyPathCreatesNoFile) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, ".", IN_CREATE), 0);
    ASSERT_EQ(ini_set_string("Setting", "Title", "t"), 1);
    EXPECT_EQ(ini_write(""), 0);
    EXPECT_EQ(plat_write_file("", "x", 1), 0);
    char events[4096];
    EXPECT_LT(read(watch, events, sizeof events), 0) << "a file was created";
    close(watch);
    EXPECT_EQ(chdir(previous), 0);
    EXPECT_TRUE(files().empty());
}

// Bad files load without a crash, give defaults where nothing is found, and
// hold memory in proportion to the file: the text, its values and one slot
// per line, with no second copy of an array while it grows.
TEST_F(IniFiles, BadFilesStayBounded) {
    const size_t mib = 1 << 20;
    struct Case {
        const char *what;
        std::string text;
        int sections;  // expected section count, 0: any
    };
    std::vector<Case> cases;
    cases.push_back({"a 10 MiB line", "[s]\r\nk=" + std::string(10 * mib, 'v') + "\r\n", 2});
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "[Section" + std::to_string(i) + "]\r\n";
    cases.push_back({"100000 sections", many, 100001});
    std::string keys;
    for (int i = 0; i < 200000; ++i) keys += "k\n";
    cases.push_back({"200000 keys in one section", keys, 1});
    std::string garbage(mib, '\0');
    std::mt19937 random(7);
    for (char &c : garbage) c = (char)(1 + random() % 255);  // no NUL to end it early
    cases.push_back({"binary garbage", garbage, 0});
    cases.push_back({"CR-only and LF-CR lines", "[s]\rk=1\r\n\r\n\rj=2\n\r", 2});
    cases.push_back({"a NUL in front", std::string("\0[s]\nk=1", 8), 1});

    for (const Case &c : cases) {
        put_file(path_, c.text);
        plat_test_reset_peak();
        size_t base = plat_test_peak_bytes();
        ASSERT_EQ(ini_load(path_.c_str(), 1), 1) << c.what;
        const IniDocument *doc = ini_document();
        if (c.sections) {
            EXPECT_EQ(doc->section_count, c.sections) << c.what;
        }
        EXPECT_LT(doc->section_capacity, doc->section_count + INI_GROW_STEP);
        // The text and its values, a list of the lines while they are
        // counted (24 bytes each, and at most one block of 4096 of them to
        // spare), and the arrays: nothing grows by copying itself.
        size_t lines = 1;
        for (size_t i = 1; i < c.text.size(); ++i)
            lines += strchr("\r\n", c.text[i - 1]) && !strchr("\r\n", c.text[i]);
        size_t bound = 2 * c.text.size() + 24 * (lines + 4096) + 4096 +
                       (size_t)doc->section_capacity * sizeof(IniSection);
        for (int s = 0; s < doc->section_count; ++s) {
            const IniSection &sec = doc->sections[s];
            EXPECT_LT(sec.entry_capacity, sec.entry_count + INI_GROW_STEP);
            bound += (size_t)sec.entry_capacity * sizeof(IniEntry) + (size_t)sec.entry_count * 64;
        }
        EXPECT_LE(plat_test_peak_bytes() - base, bound) << c.what;
        EXPECT_EQ(ini_get_int("Setting", "Update", 10), 10) << c.what;
        char out[8];
        EXPECT_EQ(ini_get_string("Setting", "Title", "", out, sizeof out), 0) << c.what;
        ASSERT_EQ(ini_write(path_.c_str()), 1) << c.what;
        ini_free();
    }
    put_file(path_, cases[0].text);
    ASSERT_EQ(ini_load(path_.c_str(), 1), 1);
    std::vector<char> out(11 * mib);
    EXPECT_EQ(ini_get_string("s", "k", "", out.data(), (int)out.size()), (int)(10 * mib));
}

}  // namespace
