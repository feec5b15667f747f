// The settings file beside the program: where it is, and the keys of the
// settings record that it keeps, read at start-up and written by the
// settings dialog. Every key name is here, in the spellings the file has
// always had ("TiTle" read, "Title" written, "Charcter" both ways).
#ifndef YARROWMELD_SETTINGS_FILE_H
#define YARROWMELD_SETTINGS_FILE_H

#include <stddef.h>

#include "text/text_rules.h"

// The INI path: the directory of module_path (cut at its last backslash,
// found with a scan that never takes the trail byte of a double-byte
// character for a separator) followed by "\Yarrowmeld.ini". A module path
// without a backslash gives "\Yarrowmeld.ini". When the result does not fit
// into out_size bytes, out becomes the empty text and the result is 0 (the
// program then reads defaults and never writes a file somewhere else);
// otherwise 1.
int build_ini_path(char *out, size_t out_size, const char *module_path, const TextRules *tr);

// The names of the hidden single-instance override are stored with bit 7
// set on every byte; this clears bit 7 of each byte in place up to the
// terminator.
void reveal_hidden_name(char *name);

// The part of the settings record that the file keeps.
struct StoredSettings {
    int update_secs;
    int post_secs;
    int instance_override;  // the hidden override of the single-instance rule
    char title[1024];
    char post_text[128];
};

// Longest texts kept, in bytes without the terminator.
#define SETTINGS_TITLE_MAX 1022
#define SETTINGS_POST_TEXT_MAX 126

enum SettingsFileRead {
    SETTINGS_FILE_READ,        // read; missing keys took their defaults
    SETTINGS_FILE_MISSING,     // no file: all defaults
    SETTINGS_FILE_UNREADABLE,  // a file is there but could not be read: all defaults
};

// Reads the file at path; a missing file or key gives the default (10, 240,
// 0, "", "."). A longer title or post text is cut to its limit in whole
// characters of the ANSI code page.
SettingsFileRead settings_file_read(const char *path, StoredSettings *s);
// The settings dialog's saved place; -1 for a key that is missing.
void settings_file_read_place(const char *path, int *left, int *top);
// Replaces the file with exactly these keys; the override only when it is
// not 0. 1 when the file holds them now; 0 when it could not be written,
// and the old file then stays as it was.
int settings_file_write(const char *path, const StoredSettings *s, int left, int top);

#endif
