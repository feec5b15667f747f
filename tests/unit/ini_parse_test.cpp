// Reading INI text: the hash and trim helpers, the line rules of the parser,
// and the document they build.
#include "ini/ini.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ini_test_support.h"
#include "platform_test.h"

namespace {

class IniParse : public IniTest {};

// The document in one line per section: "[name]" followed by " key=value"
// or " {comment}" per entry; "=(none)" marks a key without a value.
std::string dump() {
    const IniDocument *doc = ini_document();
    std::string out;
    for (int s = 0; doc->sections && s < doc->section_count; ++s) {
        const IniSection &sec = doc->sections[s];
        out += "[" + std::string(sec.name) + "]";
        for (int i = 0; i < sec.entry_count; ++i) {
            const IniEntry &e = sec.entries[i];
            if (e.is_comment)
                out += " {" + std::string(e.name) + "}";
            else
                out += " " + std::string(e.name) + "=" + (e.value ? e.value : "(none)");
        }
        out += "\n";
    }
    return out;
}

TEST(IniHash, Examples) {
    EXPECT_EQ(ini_hash("Setting"), 14119);
    EXPECT_EQ(ini_hash("sEtTiNg"), 14119);
    EXPECT_EQ(ini_hash(" Set ting "), 14119);
    EXPECT_EQ(ini_hash("Update"), 7057);
    EXPECT_EQ(ini_hash("Top"), 798);
    EXPECT_EQ(ini_hash(""), 0);
    EXPECT_EQ(ini_hash("   "), 0);
    EXPECT_EQ(ini_hash("\x82\xA0"), -348);
    // A tab counts (9), only blanks are skipped.
    EXPECT_EQ(ini_hash("\ta"), 2 * 9 + 97);
    // Wraps like a 32-bit register instead of overflowing.
    EXPECT_EQ(ini_hash(std::string(40, 'z').c_str()), (int)(122u * 0xFFFFFFFFu));
}

TEST(IniTrim, BlanksAndTabsOnly) {
    const struct {
        const char *in, *out;
    } rows[] = {
        {"  a b \t", "a b"}, {"\t\t", ""}, {"", ""}, {"x", "x"}, {" \r\nx\r\n ", "\r\nx\r\n"},
    };
    for (const auto &row : rows) {
        char buffer[32];
        strcpy(buffer, row.in);
        EXPECT_EQ(ini_trim(buffer), 1);
        EXPECT_STREQ(buffer, row.out) << "from \"" << row.in << "\"";
    }
}

const char kExample[] =
    "#hand-edited\r\n[Setting]\r\nUpdate = 15\r\nTitle=\"  Lobby\"\r\n#note\r\n\r\nNoValue\r\n"
    "=orphan\r\n[Empty]\r\n[Window]\r\nLeft=-20\r\n  [Indented]\r\nTop=7\r\n";

TEST_F(IniParse, WorkedExample) {
    ASSERT_EQ(load(kExample), 1);
    EXPECT_EQ(dump(),
              "[] {#hand-edited}\n"
              "[Setting] Update= 15 Title=\"  Lobby\" {#note} NoValue=\n"
              "[Empty]\n"
              "[Window] Left=-20 [Indented]= Top=7\n");
    const IniDocument *doc = ini_document();
    EXPECT_EQ(doc->sections[1].hash, 14119);
    EXPECT_EQ(doc->sections[1].entries[0].hash, 7057);
    EXPECT_EQ(doc->sections[1].entries[2].hash, 0);  // comment
    EXPECT_EQ(doc->sections[2].entries, nullptr);

    char out[1024];
    EXPECT_EQ(ini_get_int("setting", "UPDATE", 10), 15);
    EXPECT_EQ(ini_get_string("Setting", "title", "", out, 1024), 7);
    EXPECT_STREQ(out, "  Lobby");
    EXPECT_EQ(ini_get_string("Setting", "Title", "", out, 5), 4);
    EXPECT_STREQ(out, "  Lo");
    EXPECT_EQ(ini_get_string("Setting", "#note", "x", out, 1024), 1);
    EXPECT_STREQ(out, "x");
    EXPECT_EQ(ini_get_string("Setting", "NoValue", "x", out, 1024), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(ini_get_string("Empty", "Left", "d", out, 1024), 1);
    EXPECT_STREQ(out, "d");
    EXPECT_EQ(ini_get_int("Window", "Top", -1), 7);

    std::string text = written();
    EXPECT_EQ(text.size(), 117u);
    EXPECT_EQ(text,
              "#hand-edited\r\n\r\n[Setting]\r\nUpdate= 15\r\nTitle=\"  Lobby\"\r\n#note\r\n"
              "NoValue=\r\n\r\n[Window]\r\nLeft=-20\r\n[Indented]=\r\nTop=7\r\n\r\n");
}

TEST_F(IniParse, LineRules) {
    const struct {
        const char *why;
        std::string text;
        const char *doc;
    } rows[] = {
        {"CR, LF, LF CR and CR LF all end a line; empty lines vanish",
         "a=1\rb=2\nc=3\n\rd=4\r\n\r\n\n\re=5", "[] a=1 b=2 c=3 d=4 e=5\n"},
        {"a break at the very start is skipped", "\r\n\n[s]\nk=v", "[]\n[s] k=v\n"},
        {"a NUL at the start of a line ends the parse", std::string("a=1\n\0b=2\n", 9), "[] a=1\n"},
        {"a NUL inside a line ends its value, not the text", std::string("a=1\nb=x\0y\nc=3", 13),
         "[] a=1 b=x c=3\n"},
        {"a NUL inside a comment ends the comment only",
         std::string("#note\0hidden\n[Setting]\nUpdate=5", 31), "[] {#note}\n[Setting] Update=5\n"},
        {"a NUL inside a key or header name ends the name", std::string("[se\0x]\nke\0y=1", 15),
         "[]\n[se] ke=1\n"},
        {"header and comment only in the first column", " [s]\n\t#c\n[t]\n #d=1",
         "[] [s]= #c=\n[t] #d=1\n"},
        {"a blank after ] drops the header; keys stay in the section before", "[a]\nk=1\n[b] \nm=2",
         "[]\n[a] k=1 m=2\n"},
        {"[] defines nothing; [ ] defines a section with an empty name", "[a]\n[]\nk=1\n[ ]\nm=2",
         "[]\n[a] k=1\n[] m=2\n"},
        {"names are trimmed; brackets and = inside the header are kept",
         "[  x y \t]\n[[a]=b]\n  key \t= v ", "[]\n[x y]\n[[a]=b] key= v \n"},
        {"= at the start drops the line; only the first = splits", "=x\na==b=\n \t\nc",
         "[] a==b= = c=\n"},
        {"a UTF-8 byte-order mark is no part of the first line", "\xEF\xBB\xBF[s]\nk=1",
         "[]\n[s] k=1\n"},
        {"only a whole mark at the very start counts", "\xEF\xBB[s]\n \xEF\xBB\xBF[t]",
         "[] \xEF\xBB[s]= \xEF\xBB\xBF[t]=\n"},
        {"comments keep their text, trailing blanks trimmed", "#  a = b  \n#\n",
         "[] {#  a = b} {#}\n"},
        {"repeated names stay apart", "[s]\nk=1\nk=2\n[S]\nk=3", "[]\n[s] k=1 k=2\n[S] k=3\n"},
    };
    for (const auto &row : rows) {
        ASSERT_EQ(load(row.text), 1) << row.why;
        EXPECT_EQ(dump(), row.doc) << row.why;
        ini_free();
    }
}

// A file with a byte-order mark is UTF-8; the program's texts are in the
// ANSI code page, so it is converted (the seam emulates the code pages).
TEST_F(IniParse, Utf8WithByteOrderMarkIsConverted) {
    const std::string text =
        "\xEF\xBB\xBF[Setting]\r\nTitle=\"\xE3\x83\xAD\xE3\x83\x93\xE3\x83\xBC\"\r\n"
        "Charcter=caf\xC3\xA9\r\nBad=\xFFx\r\nMissing=\xE2\x82\xAC\xF0\x9F\x98\x80\r\n";
    char out[64];
    ASSERT_EQ(load(text), 1);
    ini_get_string("Setting", "Title", "", out, sizeof out);
    EXPECT_STREQ(out, "\x83\x8D\x83\x72\x81\x5B");  // "ロビー" in code page 932
    ini_get_string("Setting", "Bad", "", out, sizeof out);
    EXPECT_STREQ(out, "?x");  // a byte that is no UTF-8
    ini_get_string("Setting", "Missing", "", out, sizeof out);
    EXPECT_STREQ(out, "??");  // neither the euro sign nor an emoji is in code page 932
    plat_set_test_code_page(1252);
    ASSERT_EQ(load(text), 1);
    plat_set_test_code_page(932);
    ini_get_string("Setting", "Charcter", "", out, sizeof out);
    EXPECT_STREQ(out, "caf\xE9");
    // Short of memory for the converted text, the load fails and holds
    // nothing.
    plat_test_fail_allocs(0, 1);
    EXPECT_EQ(load(text), 0);
    plat_test_fail_allocs(0, 0);
    EXPECT_EQ(ini_document()->sections, nullptr);
}

TEST_F(IniParse, LookupsSkipCommentsBlankKeysAndTakeTheFirstMatch) {
    ASSERT_EQ(load("[s]\n#k=9\na b=1\nab=2\nk=3\nK=4\n[S]\nk=5\n"), 1);
    EXPECT_EQ(ini_hash("a b"), ini_hash("ab"));
    EXPECT_EQ(ini_get_int("s", "ab", -1), 2);  // equal hashes, different names
    EXPECT_EQ(ini_get_int("s", "a b", -1), 1);
    EXPECT_EQ(ini_get_int("s", "k", -1), 3);
    EXPECT_EQ(ini_get_int("S", "K", -1), 3);
    EXPECT_EQ(ini_get_int("s", "#k", -1), -1);
    EXPECT_EQ(ini_get_int("s", " k", -1), -1);  // the argument is not trimmed
    EXPECT_EQ(ini_find_section(""), -1);        // section 0 cannot be found
    EXPECT_EQ(ini_find_entry(99, "k"), -1);
    EXPECT_EQ(ini_find_entry(-1, "k"), -1);
}

TEST_F(IniParse, NamesKeepTheirFirst255Bytes) {
    std::string key(300, 'k'), section(300, 's'), comment = "#" + std::string(299, 'c');
    std::string value(100000, 'v');
    ASSERT_EQ(load("[" + section + "]\n" + key + "=" + value + "\n" + comment), 1);
    const IniSection &sec = ini_document()->sections[1];
    EXPECT_EQ(std::string(sec.name), section.substr(0, 255));
    EXPECT_EQ(std::string(sec.entries[0].name), key.substr(0, 255));
    EXPECT_EQ(std::string(sec.entries[0].value), value);
    EXPECT_EQ(std::string(sec.entries[1].name), comment.substr(0, 255));
    EXPECT_EQ(ini_get_int(section.substr(0, 255).c_str(), key.substr(0, 255).c_str(), -1), 0);
    EXPECT_EQ(ini_find_section(section.c_str()), -1);  // the long name no longer matches
    // Cut first, then trimmed: the blanks at the cut go too.
    ASSERT_EQ(load("x" + std::string(260, ' ') + "y=1"), 1);
    EXPECT_STREQ(ini_document()->sections[0].entries[0].name, "x");
}

// The arrays grow by 10 slots. A load sizes them at once, so compare it with
// the same document built entry by entry.
TEST_F(IniParse, CapacitiesStepByTen) {
    std::string text;
    for (int s = 0; s < 23; ++s) {
        text += "[s" + std::to_string(s) + "]\n";
        for (int k = 0; k < s; ++k) text += "k=" + std::to_string(k) + "\n";
    }
    ASSERT_EQ(load(""), 1);
    EXPECT_EQ(ini_document()->section_count, 1);
    EXPECT_EQ(ini_document()->section_capacity, 10);
    ASSERT_EQ(load(text), 1);
    std::string loaded = dump();
    std::vector<int> capacities;
    for (int s = 0; s < ini_document()->section_count; ++s)
        capacities.push_back(ini_document()->sections[s].entry_capacity);
    EXPECT_EQ(ini_document()->section_count, 24);
    EXPECT_EQ(ini_document()->section_capacity, 30);
    EXPECT_EQ(capacities[1], 0);  // [s0] has no entries, so no array
    EXPECT_EQ(capacities[2], 10);
    EXPECT_EQ(capacities[11], 10);
    EXPECT_EQ(capacities[12], 20);
    EXPECT_EQ(capacities[23], 30);

    ini_free();
    ASSERT_EQ(ini_set_value("s0", "k", "x"), 1);  // a document from nothing
    ASSERT_EQ(ini_set_value("s0", nullptr, nullptr), 1);
    for (int s = 1; s < 23; ++s) {
        ASSERT_EQ(ini_add_section(("s" + std::to_string(s)).c_str()), 1);
        for (int k = 0; k < s; ++k) ini_add_entry(s + 1, "k", std::to_string(k).c_str(), 0);
    }
    EXPECT_EQ(dump(), loaded);
    EXPECT_EQ(ini_document()->section_capacity, 30);
    for (int s = 0; s < ini_document()->section_count; ++s)
        EXPECT_EQ(ini_document()->sections[s].entry_capacity, capacities[s]) << s;
    ini_free();
    EXPECT_EQ(ini_document()->sections, nullptr);
    EXPECT_EQ(ini_document()->section_capacity, 0);
}

}  // namespace
