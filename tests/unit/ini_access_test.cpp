// Gets, sets and what a save writes; the engine short of memory.
#include "ini/ini.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "ini_test_support.h"
#include "platform_test.h"

namespace {

class IniAccess : public IniTest {};

std::string get(const char *section, const char *key, const char *def = "(def)", int max = 256) {
    char out[256];
    memset(out, '#', sizeof out);
    int n = ini_get_string(section, key, def, out, max);
    EXPECT_EQ(n, (int)strlen(out));
    EXPECT_LT(n, max);
    return out;
}

const char *stored(int section, int entry) {
    return ini_document()->sections[section].entries[entry].value;
}

TEST_F(IniAccess, GetStringCleansTheStoredValue) {
    const struct {
        const char *value, *got;
    } rows[] = {
        {"\"  Lobby\"", "  Lobby"},
        {" \t\"a\" \t", "a"},
        {"\"a\"b\"", "a\"b"},
        {"\"\"", ""},
        {"\"", ""},
        {"a\"", "a"},
        {"\"a", "a"},
        {"\t x \t", "x"},
        {"\" x \"", " x "},
        {"", ""},
    };
    for (const auto &row : rows) {
        ASSERT_EQ(load(std::string("[s]\nk=") + row.value), 1);
        EXPECT_EQ(get("S", "K"), row.got) << "stored " << row.value;
    }
}

TEST_F(IniAccess, GetStringLimitsAndDefaults) {
    EXPECT_EQ(get("s", "k", "  \"raw\" "), "  \"raw\" ");  // no document; default as given
    ASSERT_EQ(load("[s]\nk=\"abcdef\""), 1);
    EXPECT_EQ(get("s", "k", "", 4), "abc");
    EXPECT_EQ(get("s", "k", "", 1), "");
    EXPECT_EQ(get("s", "none", "defaults", 4), "def");
    EXPECT_EQ(get("s", "none", nullptr), "");
    EXPECT_EQ(get("none", "k"), "(def)");
    EXPECT_EQ(get(nullptr, "k"), "(def)");
    EXPECT_EQ(get("s", nullptr), "(def)");
    char out[4] = "xyz";
    EXPECT_EQ(ini_get_string("s", "k", "", out, 0), 0);
    EXPECT_STREQ(out, "xyz");  // nothing may be written without room
    EXPECT_EQ(ini_get_string("s", "k", "", nullptr, 10), 0);
}

TEST_F(IniAccess, GetIntReadsLikeAtoiButSaturates) {
    const struct {
        const char *value;
        int got;
    } rows[] = {
        {"15", 15},
        {" 15 ", 15},
        {"\"42\"", 42},
        {"\" -7 \"", -7},
        {"12ab", 12},
        {"abc", 0},
        {"", 0},
        {"+5", 5},
        {"- 5", 0},
        {"010", 10},
        {"0x10", 0},
        {"\v\f9", 9},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-99999999999999999999999", INT_MIN},
        {"00000000000000000000012", 12},
    };
    for (const auto &row : rows) {
        ASSERT_EQ(load(std::string("[s]\nk=") + row.value), 1);
        EXPECT_EQ(ini_get_int("s", "k", -1), row.got) << "stored " << row.value;
    }
    EXPECT_EQ(ini_get_int("s", "missing", -1), -1);
    EXPECT_EQ(ini_get_int("missing", "k", 77), 77);
    ini_free();
    EXPECT_EQ(ini_get_int("s", "k", 5), 5);
}

TEST_F(IniAccess, SetsQuoteStringsAndFormatNumbers) {
    ASSERT_EQ(ini_set_string("s", "pad", "  two blanks  "), 1);
    ASSERT_EQ(ini_set_string("s", "empty", ""), 1);
    ASSERT_EQ(ini_set_string("s", "none", nullptr), 1);
    ASSERT_EQ(ini_set_string("s", "q", "a\"b"), 1);
    ASSERT_EQ(ini_set_int("s", "min", INT_MIN), 1);
    ASSERT_EQ(ini_set_int("s", "max", INT_MAX), 1);
    ASSERT_EQ(ini_set_int("s", "zero", 0), 1);
    ASSERT_EQ(ini_set_int("s", "neg", -20), 1);
    EXPECT_EQ(written(),
              "[s]\r\npad=\"  two blanks  \"\r\nempty=\r\nnone=\r\nq=\"a\"b\"\r\n"
              "min=-2147483648\r\nmax=2147483647\r\nzero=0\r\nneg=-20\r\n\r\n");
    std::string text = written();
    ASSERT_EQ(load(text), 1);
    EXPECT_EQ(get("s", "pad"), "  two blanks  ");
    EXPECT_EQ(get("s", "q"), "a\"b");
    EXPECT_EQ(ini_get_int("s", "min", 0), INT_MIN);
    EXPECT_EQ(ini_get_int("s", "max", 0), INT_MAX);
}

TEST_F(IniAccess, SetValueReplacesEmptiesAndAppends) {
    ASSERT_EQ(load("[A]\nTiTle=old\nk=1\n[B]\nx=1\n"), 1);
    EXPECT_EQ(ini_set_string("a", "title", "new"), 1);  // keeps the stored spelling
    EXPECT_EQ(ini_set_value("a", "k", nullptr), 1);     // the key vanishes
    EXPECT_EQ(ini_get_int("a", "k", -1), -1);
    EXPECT_EQ(ini_document()->sections[1].entry_count, 2);  // its slot stays
    EXPECT_EQ(ini_set_value("B", nullptr, nullptr), 1);     // the section is emptied
    EXPECT_EQ(ini_find_section("b"), 2);
    EXPECT_EQ(ini_set_value("C", "y", "2"), 1);  // appended after all others
    EXPECT_EQ(ini_find_section("C"), 3);
    EXPECT_EQ(written(), "[A]\r\nTiTle=\"new\"\r\n\r\n[C]\r\ny=2\r\n\r\n");
    EXPECT_EQ(ini_set_value("B", "z", "3"), 1);  // written again once it has an entry
    EXPECT_EQ(written(), "[A]\r\nTiTle=\"new\"\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\ny=2\r\n\r\n");
    EXPECT_EQ(ini_set_value("C", "new", nullptr), 0);  // nothing to add
    EXPECT_EQ(ini_set_value("C", "", "v"), 0);
}

// A name or value with line breaks in it is stored without them, so that
// the text written reads back as the same sections and keys.
TEST_F(IniAccess, LineBreaksNeverReachTheFile) {
    ASSERT_EQ(ini_set_string("Setting", "Title", "Chat\r\n[Window]\r\nLeft=7"), 1);
    ASSERT_EQ(ini_set_string("Setting", "Charcter", "x\ry\nz"), 1);
    ASSERT_EQ(ini_set_int("Set\r\nting", "Up\ndate", 3), 1);
    ASSERT_EQ(ini_set_int("Setting", "Update", 4), 1);  // the same key again
    ASSERT_EQ(ini_add_entry(0, "Top\r\n[Window]", "1\r\nLeft=9", 0), 1);
    const std::string text =
        "Top[Window]=1Left=9\r\n\r\n"
        "[Setting]\r\nTitle=\"Chat[Window]Left=7\"\r\nCharcter=\"xyz\"\r\nUpdate=4\r\n\r\n";
    EXPECT_EQ(written(), text);
    ASSERT_EQ(load(text), 1);
    EXPECT_EQ(ini_find_section("Window"), -1);
    EXPECT_EQ(ini_document()->section_count, 2);
    EXPECT_EQ(get("Setting", "Title"), "Chat[Window]Left=7");
    EXPECT_EQ(written(), text);
}

TEST_F(IniAccess, OnlyASuccessfulSetStartsADocument) {
    EXPECT_EQ(ini_load("ignored", 0), 1);
    EXPECT_EQ(ini_write("/nonexistent/never-written.ini"), 0);  // no document
    EXPECT_EQ(ini_set_value("", "k", "v"), 0);
    EXPECT_EQ(ini_set_value(nullptr, "k", "v"), 0);
    EXPECT_EQ(ini_set_value("s", "k", nullptr), 0);
    EXPECT_EQ(ini_add_section("s"), 0);
    EXPECT_EQ(ini_add_entry(0, "k", "v", 0), 0);
    EXPECT_EQ(ini_document()->sections, nullptr);
    EXPECT_EQ(ini_set_value("s", "k", "v"), 1);
    EXPECT_EQ(ini_document()->section_count, 2);
    EXPECT_EQ(ini_document()->section_capacity, 10);
}

// A name may come from the document itself, even when adding it makes
// the array move.
TEST_F(IniAccess, AddsTakeNamesFromTheDocument) {
    ASSERT_EQ(load("[a]\nk0\nk1\nk2\nk3\nk4\nk5\nk6\nk7\nk8\nlast\n[b]\n[c]\n[d]\n[e]\n[f]\n[g]\n["
                   "h]\n[i]"),
              1);
    const IniDocument *doc = ini_document();
    ASSERT_EQ(doc->section_count, doc->section_capacity);
    ASSERT_EQ(ini_add_section(doc->sections[9].name), 1);
    EXPECT_STREQ(doc->sections[10].name, "i");
    const IniSection &a = doc->sections[1];
    ASSERT_EQ(a.entry_count, a.entry_capacity);
    ASSERT_EQ(ini_add_entry(1, a.entries[9].name, a.entries[9].name, 0), 1);
    EXPECT_STREQ(a.entries[10].name, "last");
    EXPECT_STREQ(a.entries[10].value, "last");
}

// What the settings save does: an empty start, seven sets, one write.
TEST_F(IniAccess, SettingsSaveWritesOnlyItsKeysInOrder) {
    ASSERT_EQ(load("[Setting]\nOther=1\n"), 1);
    ASSERT_EQ(ini_load("ignored", 0), 1);
    ini_set_int("Setting", "Update", 10);
    ini_set_int("Setting", "NewLine", 240);
    ini_set_int("Multi", "Run", 1);
    ini_set_string("Setting", "Title", "Chat room");
    ini_set_string("Setting", "Charcter", ".");
    ini_set_int("Window", "Left", -1);
    ini_set_int("Window", "Top", 200);
    std::string text = written();
    EXPECT_EQ(text,
              "[Setting]\r\nUpdate=10\r\nNewLine=240\r\nTitle=\"Chat room\"\r\nCharcter=\".\"\r\n"
              "\r\n[Multi]\r\nRun=1\r\n\r\n[Window]\r\nLeft=-1\r\nTop=200\r\n\r\n");
    ASSERT_EQ(load(text), 1);
    EXPECT_EQ(get("Setting", "TiTle", "", 1023), "Chat room");
    EXPECT_EQ(get("Setting", "Charcter", ".", 127), ".");
}

TEST_F(IniAccess, ShortOfMemory) {
    // A failed add leaves the document as it was.
    ASSERT_EQ(load("[s]\nk=old\n"), 1);
    std::string before = written();
    plat_test_fail_allocs(0, -1);
    EXPECT_EQ(ini_add_entry(1, "n", "v", 0), 0);
    EXPECT_EQ(ini_add_section("t"), 1);  // room left in the section array
    EXPECT_EQ(ini_set_value("s", "k", "new"), 0);
    plat_test_fail_allocs(0, 0);
    EXPECT_EQ(get("s", "k"), "old") << "a failed replace must keep the old value";
    EXPECT_EQ(written(), before);

    // Without the quoting buffer the value is stored as it is.
    plat_test_fail_allocs(0, 1);
    EXPECT_EQ(ini_set_string("s", "k", " x "), 1);
    EXPECT_STREQ(stored(1, 0), " x ");

    // Without memory for the document nothing is held.
    ini_free();
    plat_test_fail_allocs(0, -1);
    EXPECT_EQ(load("[s]\nk=1"), 0);
    EXPECT_EQ(ini_set_value("s", "k", "1"), 0);
    EXPECT_EQ(ini_document()->sections, nullptr);
}

// Every allocation of a whole session failing in turn: no crash, no leak,
// and whatever is held stays consistent and writable.
TEST_F(IniAccess, EveryAllocationMayFail) {
    const std::string text = "#c\n[Setting]\nUpdate=15\nTitle=\"x\"\n[Window]\nLeft=1\nTop=2\n";
    int completed = 0;
    for (long skip = 0; skip < 60; ++skip) {
        plat_test_fail_allocs(skip, 1);
        int loaded = load(text);
        ini_set_string("Setting", "Title", "new title");
        ini_set_int("Window", "Left", -5);
        ini_set_int("Extra", "Key", 3);
        ini_set_value("Window", "Top", nullptr);
        plat_test_fail_allocs(0, 0);
        const IniDocument *doc = ini_document();
        if (loaded) {
            ASSERT_NE(doc->sections, nullptr) << skip;
        }
        for (int s = 0; doc->sections && s < doc->section_count; ++s) {
            const IniSection &sec = doc->sections[s];
            ASSERT_LE(doc->section_count, doc->section_capacity);
            ASSERT_EQ(sec.entries == nullptr, sec.entry_capacity == 0) << skip;
            ASSERT_LE(sec.entry_count, sec.entry_capacity);
            for (int i = 0; i < sec.entry_count; ++i)
                ASSERT_TRUE(sec.entries[i].value || !sec.entries[i].name[0]);
        }
        std::string out = written();
        if (out ==
            "#c\r\n\r\n[Setting]\r\nUpdate=15\r\nTitle=\"new title\"\r\n\r\n"
            "[Window]\r\nLeft=-5\r\n\r\n[Extra]\r\nKey=3\r\n\r\n")
            ++completed;
        ini_free();
        EXPECT_EQ(plat_test_live_blocks(), live_) << "leak with allocation " << skip << " failing";
    }
    EXPECT_GT(completed, 40) << "the session should succeed once the failure comes late enough";
}

}  // namespace
