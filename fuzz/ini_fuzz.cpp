// Fuzz target of the INI engine (libFuzzer with AddressSanitizer and
// UndefinedBehaviorSanitizer).
//
// The input is an INI file up to its first NUL byte; whatever follows that
// NUL drives a script of gets, sets, adds, frees,
// failing allocations and failing saves. Then the document is written and
// read back in rounds:
//  - a document without constructs the format cannot express (a key that
//    starts with "[" or "#" or holds "=", a comment that does not start with
//    "#", a line break inside a name or a value, a section with an empty
//    name) reads back with the same sections, keys and values;
//  - a document that came straight from a file is such a document after one
//    write and read, and any document after two;
//  - from then on the written text is a fixed point, on disk as in memory.
// Every input ends with the document freed and no block left.
#include <dirent.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform_test.h"
#include "ini/ini.h"

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            abort();                                                                 \
        }                                                                            \
    } while (0)

namespace {

std::string g_dir;
std::string g_path;

struct Entry {
    std::string name, value;
    bool comment;
    bool operator==(const Entry &o) const {
        return name == o.name && value == o.value && comment == o.comment;
    }
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
    bool operator==(const Section &o) const { return name == o.name && entries == o.entries; }
};

// What a write keeps of the document: the entries of section 0, then every
// other section that has an entry to write, each with its named entries.
std::vector<Section> written_view() {
    const IniDocument *doc = ini_document();
    std::vector<Section> view;
    for (int s = 0; doc->sections && s < doc->section_count; ++s) {
        const IniSection &sec = doc->sections[s];
        Section out{sec.name, {}};
        for (int i = 0; sec.entries && i < sec.entry_count; ++i) {
            const IniEntry &e = sec.entries[i];
            if (!e.name[0])
                continue;
            out.entries.push_back(
                {e.name, e.is_comment ? "" : (e.value ? e.value : ""), e.is_comment != 0});
        }
        if (s == 0 || !out.entries.empty())
            view.push_back(out);
    }
    return view;
}

std::string describe(const std::vector<Section> &view) {
    std::string out;
    for (const Section &s : view) {
        out += "[" + s.name + "]\n";
        for (const Entry &e : s.entries)
            out += (e.comment ? "  comment " : "  key ") + e.name + " = " + e.value + "\n";
    }
    return out;
}

// Round trip of one write and read; a mismatch is shown before the abort.
void check_same_view(const std::vector<Section> &before, const std::string &text) {
    std::vector<Section> after = written_view();
    if (after == before)
        return;
    fprintf(stderr, "before:\n%s\ntext:\n%s\nafter:\n%s\n", describe(before).c_str(), text.c_str(),
            describe(after).c_str());
    CHECK(after == before);
}

bool has_break(const char *text) {
    return strpbrk(text, "\r\n") != nullptr;
}

// Whether the written text reads back as the same document.
// A text that starts with a UTF-8 byte-order mark reads back as UTF-8: a
// first named entry that begins with the mark's bytes has no fixed point.
bool begins_with_mark() {
    const IniDocument *doc = ini_document();
    const IniSection *first = doc->sections ? &doc->sections[0] : nullptr;
    for (int i = 0; first && first->entries && i < first->entry_count; ++i) {
        if (!first->entries[i].name[0])
            continue;
        return strncmp(first->entries[i].name, "\xEF\xBB\xBF", 3) == 0;
    }
    return false;
}

bool expressible() {
    const IniDocument *doc = ini_document();
    if (begins_with_mark())
        return false;
    for (int s = 0; doc->sections && s < doc->section_count; ++s) {
        const IniSection &sec = doc->sections[s];
        bool written = false;
        for (int i = 0; sec.entries && i < sec.entry_count; ++i) {
            const IniEntry &e = sec.entries[i];
            if (!e.name[0])
                continue;
            written = true;
            if (has_break(e.name))
                return false;
            if (e.is_comment && e.name[0] != '#')
                return false;
            if (!e.is_comment) {
                if (e.name[0] == '[' || e.name[0] == '#' || strchr(e.name, '='))
                    return false;
                if (e.value && has_break(e.value))
                    return false;
            }
        }
        // The header goes out with the entry array, named entries or not.
        if (s > 0 && sec.entries && has_break(sec.name))
            return false;
        if (s > 0 && written && !sec.name[0])
            return false;
    }
    return true;
}

void check_document() {
    const IniDocument *doc = ini_document();
    if (!doc->sections) {
        CHECK(doc->section_count == 0 && doc->section_capacity == 0);
        return;
    }
    CHECK(doc->section_count >= 1 && doc->section_count <= doc->section_capacity);
    CHECK(doc->section_capacity % INI_GROW_STEP == 0);
    CHECK(doc->sections[0].name[0] == '\0' && doc->sections[0].hash == 0);
    for (int s = 0; s < doc->section_count; ++s) {
        const IniSection &sec = doc->sections[s];
        CHECK(strnlen(sec.name, sizeof sec.name) <= INI_NAME_MAX);
        CHECK(sec.hash == ini_hash(sec.name));
        CHECK((sec.entries == nullptr) == (sec.entry_capacity == 0));
        CHECK(sec.entry_count >= 0 && sec.entry_count <= sec.entry_capacity);
        CHECK(sec.entry_capacity % INI_GROW_STEP == 0);
        for (int i = 0; i < sec.entry_count; ++i) {
            const IniEntry &e = sec.entries[i];
            CHECK(strnlen(e.name, sizeof e.name) <= INI_NAME_MAX);
            CHECK(e.is_comment == 0 || e.is_comment == 1);
            CHECK(e.hash == (e.is_comment ? 0 : ini_hash(e.name)));
            CHECK(e.value != nullptr || !e.name[0]);
        }
    }
}

std::string build() {
    size_t size = 0;
    char *text = ini_build_text(&size);
    CHECK(text != nullptr);
    CHECK(strlen(text) == size);
    std::string out(text, size);
    plat_free(text);
    // Every line, the empty ones too, ends in CR LF.
    CHECK(out.empty() || (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0));
    return out;
}

void reload(const std::string &text) {
    CHECK(ini_load_buffer(text.data(), text.size()) == 1);
    check_document();
}

std::string file_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t files_in_dir() {
    size_t n = 0;
    DIR *d = opendir(g_dir.c_str());
    while (dirent *e = d ? readdir(d) : nullptr) n += e->d_name[0] != '.';
    if (d)
        closedir(d);
    return n;
}

// A name for a set or a get: often one that the document holds.
std::string pick_name(FuzzedDataProvider &in, bool key) {
    const IniDocument *doc = ini_document();
    if (doc->sections && in.ConsumeBool()) {
        const IniSection &sec =
            doc->sections[in.ConsumeIntegralInRange<int>(0, doc->section_count - 1)];
        if (!key || !sec.entry_count)
            return sec.name;
        return sec.entries[in.ConsumeIntegralInRange<int>(0, sec.entry_count - 1)].name;
    }
    return in.ConsumeRandomLengthString(300);
}

void check_get_string(FuzzedDataProvider &in) {
    std::string section = pick_name(in, false), key = pick_name(in, true);
    std::string def = in.ConsumeRandomLengthString(40);
    int max = in.ConsumeIntegralInRange<int>(-1, 300);
    char out[300 + 16];
    memset(out, 0x5A, sizeof out);
    int n = ini_get_string(section.c_str(), key.c_str(), in.ConsumeBool() ? def.c_str() : nullptr,
                           out, max);
    for (size_t i = max > 0 ? (size_t)max : 0; i < sizeof out; ++i) CHECK(out[i] == 0x5A);
    if (max <= 0) {
        CHECK(n == 0);
    } else {
        CHECK(n >= 0 && n < max && (size_t)n == strlen(out));
    }
}

// A save that fails must leave the file as it was and nothing beside it.
void check_failed_save(FuzzedDataProvider &in) {
    std::string before = file_bytes(g_path);
    size_t files = files_in_dir();
    size_t size = build().size();
    PlatWriteFault fault = (PlatWriteFault)in.ConsumeIntegralInRange<int>(1, 4);
    // A full disk needs something to fill it with.
    if (fault == PLAT_WRITE_FAIL_WRITE && size == 0)
        fault = PLAT_WRITE_FAIL_SYNC;
    plat_test_fail_write(fault, size ? in.ConsumeIntegralInRange<size_t>(0, size - 1) : 0);
    CHECK(ini_write(g_path.c_str()) == 0);
    plat_test_fail_write(PLAT_WRITE_NO_FAULT, 0);
    CHECK(file_bytes(g_path) == before);
    CHECK(files_in_dir() == files);
}

void run_script(FuzzedDataProvider &in) {
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 12)) {
            case 0:
                check_get_string(in);
                break;
            case 1: {
                std::string s = pick_name(in, false), k = pick_name(in, true);
                ini_get_int(s.c_str(), k.c_str(), in.ConsumeIntegral<int>());
                break;
            }
            case 2: {
                std::string s = pick_name(in, false), k = pick_name(in, true);
                std::string v = in.ConsumeRandomLengthString(300);
                ini_set_string(s.c_str(), k.c_str(), in.ConsumeBool() ? v.c_str() : nullptr);
                break;
            }
            case 3: {
                std::string s = pick_name(in, false), k = pick_name(in, true);
                ini_set_int(s.c_str(), k.c_str(), in.ConsumeIntegral<int>());
                break;
            }
            case 4: {
                std::string s = pick_name(in, false), k = pick_name(in, true);
                std::string v = in.ConsumeRandomLengthString(300);
                ini_set_value(s.c_str(), in.ConsumeBool() ? k.c_str() : nullptr,
                              in.ConsumeBool() ? v.c_str() : nullptr);
                break;
            }
            case 5:
                if (in.ConsumeBool() && ini_document()->sections) {
                    // A name of the document's own, which a growing array moves.
                    const IniDocument *doc = ini_document();
                    ini_add_section(
                        doc->sections[in.ConsumeIntegralInRange<int>(0, doc->section_count - 1)]
                            .name);
                } else {
                    ini_add_section(in.ConsumeRandomLengthString(300).c_str());
                }
                break;
            case 6: {
                int count = ini_document()->section_count;
                int s = in.ConsumeIntegralInRange<int>(-1, count);
                std::string k = in.ConsumeRandomLengthString(300);
                std::string v = in.ConsumeRandomLengthString(300);
                ini_add_entry(s, k.c_str(), in.ConsumeBool() ? v.c_str() : nullptr,
                              in.ConsumeIntegralInRange<int>(0, 2));
                break;
            }
            case 7: {
                std::string s = pick_name(in, false), k = pick_name(in, true);
                int found = ini_find_section(s.c_str());
                CHECK(found >= -1 && found < ini_document()->section_count);
                int e =
                    ini_find_entry(in.ConsumeBool() ? found : in.ConsumeIntegral<int>(), k.c_str());
                CHECK(e >= -1);
                break;
            }
            case 8: {
                std::string t = in.ConsumeRandomLengthString(300);
                std::vector<char> buffer(t.c_str(), t.c_str() + strlen(t.c_str()) + 1);
                CHECK(ini_trim(buffer.data()) == 1);
                CHECK(strlen(buffer.data()) <= strlen(t.c_str()));
                CHECK(ini_hash(buffer.data()) == ini_hash(t.c_str()) || strchr(t.c_str(), '\t'));
                break;
            }
            case 9:
                ini_free();
                break;
            case 10:
                if (in.ConsumeBool()) {
                    std::string t = in.ConsumeRandomLengthString(200);
                    ini_load_buffer(t.data(), t.size());
                } else {
                    CHECK(ini_load(g_path.c_str(), 0) == 1);
                    CHECK(ini_document()->sections == nullptr);
                }
                break;
            case 11: {
                long skip = in.ConsumeIntegralInRange<long>(0, 20);
                plat_test_fail_allocs(
                    skip, in.ConsumeBool() ? -1 : in.ConsumeIntegralInRange<long>(1, 3));
                break;
            }
            case 12:
                plat_test_fail_allocs(0, 0);
                if (ini_document()->sections)
                    check_failed_save(in);
                break;
        }
        check_document();
    }
    plat_test_fail_allocs(0, 0);
}

void cleanup() {
    unlink(g_path.c_str());
    rmdir(g_dir.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // In memory where there is such a file system: a disk one may wait for
    // the data of a file renamed over another even without fsync.
    char dir[] = "/dev/shm/ini_fuzz_XXXXXX";
    char fallback[] = "/tmp/ini_fuzz_XXXXXX";
    // The folder is the one mkdtemp made: its name may end in "X" as well.
    const char *made = mkdtemp(dir);
    if (!made)
        made = mkdtemp(fallback);
    if (!made)
        abort();
    g_dir = made;
    g_path = g_dir + "/fuzz.ini";
    plat_test_set_sync(0);  // a file per input: spare the disk the flushes
    atexit(cleanup);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *text = (const char *)data;
    const void *nul = memchr(data, 0, size);
    bool scripted = nul != nullptr;
    CHECK(ini_load_buffer(text, scripted ? (size_t)((const uint8_t *)nul - data) : size) == 1);
    check_document();
    if (scripted) {
        const uint8_t *script = (const uint8_t *)nul + 1;
        FuzzedDataProvider in(script, size - (size_t)(script - data));
        run_script(in);
    }

    if (!ini_document()->sections) {
        size_t n = 1;
        CHECK(ini_build_text(&n) == nullptr);
        CHECK(ini_write(g_path.c_str()) == 0);
        CHECK(plat_test_live_blocks() == 0);
        return 0;
    }

    // Round one: from the file or the script's document.
    std::vector<Section> view = written_view();
    bool same = expressible();
    std::string text1 = build();
    reload(text1);
    if (same)
        check_same_view(view, text1);
    // A first section without a header whose first entry begins with the
    // mark's bytes is written in front of every header: the mark starts the
    // file then (or the first line but blank ones), and such a text has no
    // fixed point. A reload takes a mark at the very start off, so the text
    // tells that case and the reloaded document the others.
    if (text1.compare(0, 3, "\xEF\xBB\xBF") == 0 || begins_with_mark()) {
        ini_free();
        CHECK(plat_test_live_blocks() == 0);
        return 0;
    }
    if (!scripted)
        CHECK(expressible());

    // Round two: any other document is expressible by now.
    view = written_view();
    same = expressible();
    std::string text2 = build();
    reload(text2);
    if (same)
        check_same_view(view, text2);
    CHECK(expressible());

    // Round three: a fixed point, through a real file as well.
    std::string fixed = build();
    reload(fixed);
    CHECK(build() == fixed);
    CHECK(ini_write(g_path.c_str()) == 1);
    CHECK(file_bytes(g_path) == fixed);
    ini_free();
    CHECK(ini_load(g_path.c_str(), 1) == 1);
    CHECK(build() == fixed);

    ini_free();
    CHECK(plat_test_live_blocks() == 0);
    return 0;
}
