// The program's own INI engine. It holds one document at a time,
// program-wide: every operation works on that document, which none takes as
// an argument. A use is a short sequence: ini_load (reading the file, or
// starting empty), gets and sets, ini_write when saving, and ini_free.
//
// The engine works on bytes in the ANSI code page; it knows nothing of
// double-byte characters. A text that starts with a UTF-8 byte-order mark is
// read as UTF-8 and converted to the ANSI code page first; what is written
// is always ANSI without a mark. Lines read may end in any run of CR and LF;
// lines written end in CR LF. A NUL byte at the start of a line ends the
// text; one inside a line ends the name or value it is in. Names compare without regard to
// case; the hash folds only A to Z and skips blanks, and the comparison runs
// only when the hashes agree.
//
// Results: 1 for success and 0 for failure; lookups give an index or -1.
#ifndef YARROWMELD_INI_H
#define YARROWMELD_INI_H

#include <stddef.h>

// Longest section, key or comment name kept; longer ones are cut.
#define INI_NAME_MAX 255
// Arrays of sections and entries grow by this many slots at a time.
#define INI_GROW_STEP 10

struct IniEntry {
    char name[INI_NAME_MAX + 1];  // key (trimmed), or the whole comment line
    int hash;                     // ini_hash(name) for a key, 0 for a comment
    char *value;                  // own copy; text after the first "=" as it stood
    int is_comment;
};

struct IniSection {
    char name[INI_NAME_MAX + 1];  // without brackets, trimmed; empty for section 0
    int hash;
    IniEntry *entries;  // none until the first entry, and again once emptied
    int entry_count;
    int entry_capacity;
};

struct IniDocument {
    IniSection *sections;  // none: no document is held
    int section_count;     // section 0 included
    int section_capacity;
};

// read != 0: reads the file and parses it; 0 when it cannot be read (the
// document held before stays). read == 0: starts with no document (a save
// begins so) and does not touch the file; returns 1.
int ini_load(const char *path, int read);
// Frees the document; nothing happens when none is held.
void ini_free(void);
// Writes the whole document to path through a temporary file in the same
// folder that replaces the old file only once it is complete on disk.
// 0 without a document or on any failure (the old file then stays whole).
// An empty path (no place for the file) writes nothing anywhere.
int ini_write(const char *path);

// The cleaned value (outer blanks and tabs, then one pair of double quotes
// removed) or, when the section, the key or its value is missing, def. At
// most max - 1 bytes and a terminator go to out. Returns the length in out.
int ini_get_string(const char *section, const char *key, const char *def, char *out, int max);
// The cleaned value converted like atoi (white space, sign, digits), but
// saturated to INT_MIN..INT_MAX; def only when the key or value is missing.
int ini_get_int(const char *section, const char *key, int def);

// Stores value between double quotes (an empty or missing one as "").
int ini_set_string(const char *section, const char *key, const char *value);
// Stores value as decimal text.
int ini_set_int(const char *section, const char *key, int value);
// Stores value as given, but without its CR and LF bytes: a line break
// inside a name or value would give the file lines that read back as other
// sections and keys. Creates the document and the section as needed. A
// missing value empties the key, a missing key empties the section.
int ini_set_value(const char *section, const char *key, const char *value);

// Appends a section or an entry (names and value without CR and LF, as for
// the sets); lookups find the first of equal names.
int ini_add_section(const char *name);
int ini_add_entry(int section, const char *name, const char *value, int is_comment);
// Index of the first section or key (comments never match) of that name,
// or -1.
int ini_find_section(const char *name);
int ini_find_entry(int section, const char *key);

// Removes leading and trailing blanks and tabs in place. Returns 1.
int ini_trim(char *text);
// Hash of a name: blanks skipped, A to Z folded, h = 2h + (signed byte).
int ini_hash(const char *text);

// Parses size bytes of INI text from memory, as ini_load does after reading
// the file. Replaces the document held before; 0 when memory is short.
int ini_load_buffer(const char *data, size_t size);
// The text ini_write would write, in a new block of *size + 1 bytes whose
// last byte is NUL (free with plat_free). Null when no document is held or
// memory is short.
char *ini_build_text(size_t *size);
// The document, for reading (sections is null when none is held).
const IniDocument *ini_document(void);

#endif
