#include "app/settings_file.h"

#include "ini/ini.h"
#include "platform/platform.h"

namespace {

const char ini_name[] = "\\Yarrowmeld.ini";

// "Startup" and "Dual" with bit 7 set on every byte, so that the names of
// the override cannot be found in the exe as plain text. They are revealed
// in place before each use.
char hidden_section[8] = "\xD3\xF4\xE1\xF2\xF4\xF5\xF0";  // Startup
char hidden_key[5] = "\xC4\xF5\xE1\xEC";                  // Dual

void reveal_hidden_names(void) {
    reveal_hidden_name(hidden_key);
    reveal_hidden_name(hidden_section);
}

}  // namespace

int build_ini_path(char *out, size_t out_size, const char *module_path, const TextRules *tr) {
    if (!module_path)
        module_path = "";

    // Last backslash that is a character of its own: the second byte of a
    // double-byte character may be 0x5C too and must not cut a folder name.
    size_t cut = 0;
    size_t i = 0;
    while (module_path[i]) {
        int bytes = text_char_bytes(module_path + i, tr);
        if (bytes == 0)
            break;
        if (bytes == 1 && module_path[i] == '\\')
            cut = i;
        i += bytes;
    }

    size_t name_length = sizeof ini_name - 1;
    if (out_size == 0)
        return 0;
    if (cut + name_length + 1 > out_size) {
        out[0] = 0;
        return 0;
    }
    for (size_t k = 0; k < cut; k++) out[k] = module_path[k];
    for (size_t k = 0; k <= name_length; k++) out[cut + k] = ini_name[k];
    return 1;
}

void reveal_hidden_name(char *name) {
    for (; *name; name++) *name = (char)((unsigned char)*name & 0x7F);
}

// A text cut to its limit by bytes may end in the lead byte of a character
// whose trail byte fell away; shown or written, that byte would take the
// next byte (the terminator, or the closing quote in the file) for its own.
static void keep_whole_characters(char *text, int limit) {
    text[text_whole_length(text, limit, system_text_rules())] = 0;
}

SettingsFileRead settings_file_read(const char *path, StoredSettings *s) {
    int loaded = ini_load(path, 1);
    s->update_secs = ini_get_int("Setting", "Update", 10);
    s->post_secs = ini_get_int("Setting", "NewLine", 240);
    reveal_hidden_names();
    s->instance_override = ini_get_int(hidden_section, hidden_key, 0);
    ini_get_string("Setting", "TiTle", "", s->title, SETTINGS_TITLE_MAX + 1);
    keep_whole_characters(s->title, SETTINGS_TITLE_MAX);
    ini_get_string("Setting", "Charcter", ".", s->post_text, SETTINGS_POST_TEXT_MAX + 1);
    keep_whole_characters(s->post_text, SETTINGS_POST_TEXT_MAX);
    ini_free();
    if (loaded)
        return SETTINGS_FILE_READ;
    // Held by another program, denied, or short of memory: the file is
    // there all the same, and what it holds must not be taken for nothing.
    return path && plat_path_present(path) ? SETTINGS_FILE_UNREADABLE : SETTINGS_FILE_MISSING;
}

void settings_file_read_place(const char *path, int *left, int *top) {
    ini_load(path, 1);
    *left = ini_get_int("Window", "Left", -1);
    *top = ini_get_int("Window", "Top", -1);
    ini_free();
}

int settings_file_write(const char *path, const StoredSettings *s, int left, int top) {
    // A fresh document: the file ends up holding exactly these keys. A key
    // that could not be set (memory short) would be lost from the file, so
    // then nothing is written and the old file stays.
    ini_load(path, 0);
    int ok = ini_set_int("Setting", "Update", s->update_secs);
    ok &= ini_set_int("Setting", "NewLine", s->post_secs);
    if (s->instance_override != 0) {
        reveal_hidden_names();
        ok &= ini_set_int(hidden_section, hidden_key, s->instance_override);
    }
    ok &= ini_set_string("Setting", "Title", s->title);
    ok &= ini_set_string("Setting", "Charcter", s->post_text);
    ok &= ini_set_int("Window", "Left", left);
    ok &= ini_set_int("Window", "Top", top);
    ok = ok && ini_write(path);
    ini_free();
    return ok;
}
