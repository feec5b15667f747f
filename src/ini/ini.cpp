// The INI engine: one program-wide document, parsed from a file or built by
// sets, written back whole.
#include "ini/ini.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "platform/platform.h"

static IniDocument g_doc;

// The values of a loaded document share one block, filled while the load
// runs: one allocation instead of one per line. A value set later gets a
// block of its own, and only those are freed one by one.
static char *g_values;
static size_t g_values_size;
static size_t g_values_used;

static int is_blank(unsigned char c) {
    return c == ' ' || c == '\t';
}

static void trim_span(const char **begin, const char **end) {
    const char *b = *begin;
    const char *e = *end;
    while (b < e && is_blank((unsigned char)*b)) ++b;
    while (e > b && is_blank((unsigned char)e[-1])) --e;
    *begin = b;
    *end = e;
}

// Length of text, but never more than limit (the bytes past it are never
// looked at, so a name argument need not be short to be cheap).
static size_t bounded_length(const char *text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n]) ++n;
    return n;
}

static uint32_t hash_step(uint32_t h, unsigned char c) {
    if (c == ' ')
        return h;
    int v = (signed char)c;
    if (c >= 'A' && c <= 'Z')
        v += 32;
    return 2 * h + (uint32_t)v;
}

// The first INI_NAME_MAX bytes of [src, src + len), trimmed, into dst.
// Returns ini_hash of the name, worked out while copying it, or 0 without
// hashed (comments have no hash).
static int store_name(char *dst, const char *src, size_t len, int hashed) {
    // A name ends at a NUL within it, as the stored text will.
    len = bounded_length(src, len > INI_NAME_MAX ? INI_NAME_MAX : len);
    const char *b = src;
    const char *e = src + len;
    trim_span(&b, &e);
    uint32_t h = 0;
    if (hashed) {
        for (; b < e; ++b, ++dst) {
            *dst = *b;
            h = hash_step(h, (unsigned char)*b);
        }
    } else {
        memcpy(dst, b, (size_t)(e - b));
        dst += e - b;
    }
    *dst = '\0';
    return (int)h;
}

int ini_trim(char *text) {
    if (!text)
        return 1;
    const char *b = text;
    const char *e = text + strlen(text);
    trim_span(&b, &e);
    size_t n = (size_t)(e - b);
    if (b != text)
        memmove(text, b, n);
    text[n] = '\0';
    return 1;
}

int ini_hash(const char *text) {
    // Unsigned arithmetic: the sum wraps like a 32-bit register instead of
    // overflowing a signed int.
    uint32_t h = 0;
    if (!text)
        return 0;
    for (const unsigned char *p = (const unsigned char *)text; *p; ++p) h = hash_step(h, *p);
    return (int)h;
}

// ---------------------------------------------------------------------------
// Arrays

// A zero-filled array of count slots of size bytes, or null (also when the
// byte count would not fit in size_t).
static void *alloc_slots(int count, size_t size) {
    if (count <= 0 || (size_t)count > SIZE_MAX / size)
        return nullptr;
    return plat_alloc((size_t)count * size, 1);
}

// Capacity that growing in steps of INI_GROW_STEP reaches for count slots.
static int stepped_capacity(size_t count) {
    size_t steps = (count + INI_GROW_STEP - 1) / INI_GROW_STEP;
    if (steps > (size_t)(INT_MAX / INI_GROW_STEP))
        return 0;
    return (int)steps * INI_GROW_STEP;
}

static int new_document(int capacity) {
    IniSection *sections = (IniSection *)alloc_slots(capacity, sizeof(IniSection));
    if (!sections)
        return 0;
    // Section 0 is the zero-filled first slot: no name, hash 0, no entries.
    g_doc.sections = sections;
    g_doc.section_count = 1;
    g_doc.section_capacity = capacity;
    return 1;
}

// The growers hand back the old array in *old instead of freeing it, since
// the name being added may be one of the old array's own.
static int grow_sections(void **old) {
    *old = nullptr;
    if (g_doc.section_count < g_doc.section_capacity)
        return 1;
    if (g_doc.section_capacity > INT_MAX - INI_GROW_STEP)
        return 0;
    int capacity = g_doc.section_capacity + INI_GROW_STEP;
    IniSection *sections = (IniSection *)alloc_slots(capacity, sizeof(IniSection));
    if (!sections)
        return 0;
    memcpy(sections, g_doc.sections, (size_t)g_doc.section_count * sizeof(IniSection));
    *old = g_doc.sections;
    g_doc.sections = sections;
    g_doc.section_capacity = capacity;
    return 1;
}

static int grow_entries(IniSection *sec, void **old) {
    *old = nullptr;
    if (sec->entries && sec->entry_count < sec->entry_capacity)
        return 1;
    if (sec->entry_capacity > INT_MAX - INI_GROW_STEP)
        return 0;
    int capacity = sec->entry_capacity + INI_GROW_STEP;
    IniEntry *entries = (IniEntry *)alloc_slots(capacity, sizeof(IniEntry));
    if (!entries)
        return 0;
    if (sec->entries)
        memcpy(entries, sec->entries, (size_t)sec->entry_count * sizeof(IniEntry));
    *old = sec->entries;
    sec->entries = entries;
    sec->entry_capacity = capacity;
    return 1;
}

static int in_value_block(const char *value) {
    uintptr_t p = (uintptr_t)value;
    return g_values && p >= (uintptr_t)g_values && p < (uintptr_t)g_values + g_values_size;
}

static void free_value(IniEntry *entry) {
    if (!in_value_block(entry->value))
        plat_free(entry->value);
    entry->value = nullptr;
}

// Frees every value and the entry array: the section keeps its place and
// name but is written no more.
static void empty_section(IniSection *sec) {
    for (int i = 0; i < sec->entry_count; ++i) free_value(&sec->entries[i]);
    plat_free(sec->entries);
    sec->entries = nullptr;
    sec->entry_count = 0;
    sec->entry_capacity = 0;
}

void ini_free(void) {
    if (!g_doc.sections)
        return;
    for (int i = 0; i < g_doc.section_count; ++i) empty_section(&g_doc.sections[i]);
    plat_free(g_doc.sections);
    g_doc.sections = nullptr;
    g_doc.section_count = 0;
    g_doc.section_capacity = 0;
    plat_free(g_values);
    g_values = nullptr;
    g_values_size = 0;
    g_values_used = 0;
}

const IniDocument *ini_document(void) {
    return &g_doc;
}

// ---------------------------------------------------------------------------
// Adding and finding

// Line breaks never enter a stored name or value from outside: written
// out, they would start lines of their own, which read back as sections
// and keys that nobody set. Removes CR and LF bytes in place.
static void strip_breaks(char *text) {
    char *to = text;
    for (const char *from = text; *from; ++from)
        if (*from != '\r' && *from != '\n')
            *to++ = *from;
    *to = '\0';
}

// The name itself, or (when it holds a line break) its first INI_NAME_MAX
// bytes without CR and LF in buffer.
static const char *name_without_breaks(const char *name, char *buffer) {
    if (!name || !strpbrk(name, "\r\n"))
        return name;
    size_t n = bounded_length(name, INI_NAME_MAX);
    memcpy(buffer, name, n);
    buffer[n] = '\0';
    strip_breaks(buffer);
    return buffer;
}

static char *copy_text(const char *text, size_t len) {
    if (len == SIZE_MAX)
        return nullptr;
    char *copy;
    if (g_values && g_values_size - g_values_used > len) {
        copy = g_values + g_values_used;
        g_values_used += len + 1;
    } else {
        copy = (char *)plat_alloc(len + 1, 0);
    }
    if (!copy)
        return nullptr;
    memcpy(copy, text, len);
    copy[len] = '\0';
    return copy;
}

static int add_section_span(const char *name, size_t len) {
    void *old;
    if (len == 0 || !grow_sections(&old))
        return 0;
    IniSection *sec = &g_doc.sections[g_doc.section_count];
    sec->hash = store_name(sec->name, name, len, 1);
    ++g_doc.section_count;
    plat_free(old);
    return 1;
}

// strip != 0: the value comes from outside and loses its line breaks.
static int add_entry_span(int section, const char *name, size_t name_len, const char *value,
                          size_t value_len, int is_comment, int strip) {
    if (name_len == 0)
        return 0;
    IniSection *sec = &g_doc.sections[section];
    void *old;
    if (!grow_entries(sec, &old))
        return 0;
    char *copy = copy_text(value, value_len);
    if (!copy) {
        plat_free(old);
        return 0;
    }
    if (strip)
        strip_breaks(copy);
    IniEntry *entry = &sec->entries[sec->entry_count];
    entry->hash = store_name(entry->name, name, name_len, !is_comment);
    entry->value = copy;
    entry->is_comment = is_comment ? 1 : 0;
    ++sec->entry_count;
    plat_free(old);
    return 1;
}

static int valid_section(int section) {
    return g_doc.sections && section >= 0 && section < g_doc.section_count;
}

int ini_add_section(const char *name) {
    // Only a set starts a document; adding to none would put the new
    // section where section 0 belongs.
    char buffer[INI_NAME_MAX + 1];
    name = name_without_breaks(name, buffer);
    if (!g_doc.sections || !name || !*name)
        return 0;
    return add_section_span(name, bounded_length(name, INI_NAME_MAX));
}

int ini_add_entry(int section, const char *name, const char *value, int is_comment) {
    char buffer[INI_NAME_MAX + 1];
    name = name_without_breaks(name, buffer);
    if (!valid_section(section) || !name || !*name || !value)
        return 0;
    return add_entry_span(section, name, bounded_length(name, INI_NAME_MAX), value, strlen(value),
                          is_comment, 1);
}

int ini_find_section(const char *name) {
    if (!g_doc.sections || !name || !*name)
        return -1;
    int hash = ini_hash(name);
    for (int i = 0; i < g_doc.section_count; ++i) {
        const IniSection *sec = &g_doc.sections[i];
        if (sec->hash == hash && plat_stricmp(sec->name, name) == 0)
            return i;
    }
    return -1;
}

int ini_find_entry(int section, const char *key) {
    if (!valid_section(section) || !key || !*key)
        return -1;
    const IniSection *sec = &g_doc.sections[section];
    if (!sec->entries)
        return -1;
    int hash = ini_hash(key);
    for (int i = 0; i < sec->entry_count; ++i) {
        const IniEntry *entry = &sec->entries[i];
        if (entry->is_comment)
            continue;
        if (entry->hash == hash && plat_stricmp(entry->name, key) == 0)
            return i;
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Gets

static const IniEntry *lookup(const char *section, const char *key) {
    int s = ini_find_section(section);
    if (s < 0)
        return nullptr;
    int e = ini_find_entry(s, key);
    if (e < 0)
        return nullptr;
    return &g_doc.sections[s].entries[e];
}

// A stored value as the gets see it: outer blanks and tabs trimmed, then
// one leading and one trailing double quote dropped. Works on the span, so
// a get needs no copy of the value (and cannot fail for want of one).
static void clean_value(const char *value, const char **begin, const char **end) {
    const char *b = value;
    const char *e = value + strlen(value);
    trim_span(&b, &e);
    if (b < e && *b == '"')
        ++b;
    if (b < e && e[-1] == '"')
        --e;
    *begin = b;
    *end = e;
}

int ini_get_string(const char *section, const char *key, const char *def, char *out, int max) {
    if (!out || max <= 0)
        return 0;
    size_t limit = (size_t)max - 1;
    const char *src;
    size_t len;
    const IniEntry *entry = lookup(section, key);
    if (entry && entry->value) {
        const char *e;
        clean_value(entry->value, &src, &e);
        len = (size_t)(e - src);
        if (len > limit)
            len = limit;
    } else {
        src = def ? def : "";
        len = bounded_length(src, limit);
    }
    memmove(out, src, len);
    out[len] = '\0';
    return (int)len;
}

// atoi's reading (white space, an optional sign, decimal digits up to the
// first other byte) with a defined result out of range: the number
// saturates at INT_MAX or INT_MIN, as the Windows C runtime's atoi does,
// rather than wrapping into a value of the opposite sign.
static int text_to_int(const char *p, const char *end) {
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    int negative = 0;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    const long long limit = negative ? -(long long)INT_MIN : INT_MAX;
    long long n = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        n = n * 10 + (*p - '0');
        if (n > limit) {
            n = limit;
            break;
        }
    }
    return (int)(negative ? -n : n);
}

int ini_get_int(const char *section, const char *key, int def) {
    const IniEntry *entry = lookup(section, key);
    if (!entry || !entry->value)
        return def;
    const char *b;
    const char *e;
    clean_value(entry->value, &b, &e);
    return text_to_int(b, e);
}

// ---------------------------------------------------------------------------
// Sets

static int set_in_section(int s, const char *key, const char *value) {
    IniSection *sec = &g_doc.sections[s];
    if (!key) {
        empty_section(sec);
        return 1;
    }
    int e = ini_find_entry(s, key);
    if (e < 0)
        return ini_add_entry(s, key, value, 0);
    IniEntry *entry = &sec->entries[e];
    if (!value) {
        // Emptied in place: the slot stays, but no lookup finds a nameless
        // key and the writer skips it.
        free_value(entry);
        entry->name[0] = '\0';
        entry->hash = 0;
        return 1;
    }
    // The new copy is made before the old value goes, so that a failure
    // leaves the key as it was instead of without a value.
    char *copy = copy_text(value, strlen(value));
    if (!copy)
        return 0;
    strip_breaks(copy);
    free_value(entry);
    entry->value = copy;
    return 1;
}

int ini_set_value(const char *section, const char *key, const char *value) {
    // Looked up as they will be stored, so that a second set finds them.
    char section_buffer[INI_NAME_MAX + 1];
    char key_buffer[INI_NAME_MAX + 1];
    section = name_without_breaks(section, section_buffer);
    key = name_without_breaks(key, key_buffer);
    if (!section || !*section)
        return 0;
    int created = 0;
    if (!g_doc.sections) {
        if (!new_document(INI_GROW_STEP))
            return 0;
        created = 1;
    }
    int s = ini_find_section(section);
    if (s < 0) {
        if (ini_add_section(section))
            s = g_doc.section_count - 1;
    }
    int ok = s >= 0 && set_in_section(s, key, value);
    // Only a set that succeeds leaves a document behind.
    if (!ok && created)
        ini_free();
    return ok;
}

int ini_set_string(const char *section, const char *key, const char *value) {
    if (!value || !*value)
        return ini_set_value(section, key, "");
    size_t len = strlen(value);
    char *quoted = len < SIZE_MAX - 3 ? (char *)plat_alloc(len + 3, 0) : nullptr;
    if (!quoted)
        return ini_set_value(section, key, value);
    quoted[0] = '"';
    memcpy(quoted + 1, value, len);
    quoted[len + 1] = '"';
    quoted[len + 2] = '\0';
    int ok = ini_set_value(section, key, quoted);
    plat_free(quoted);
    return ok;
}

// Decimal text of value with a "-" when negative. Works on the unsigned
// magnitude, so INT_MIN needs no special case.
static void int_to_text(int value, char *out) {
    char digits[16];
    int n = 0;
    uint32_t u = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    do {
        digits[n++] = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    if (value < 0)
        *out++ = '-';
    while (n) *out++ = digits[--n];
    *out = '\0';
}

int ini_set_int(const char *section, const char *key, int value) {
    char text[16];
    int_to_text(value, text);
    return ini_set_value(section, key, text);
}

// ---------------------------------------------------------------------------
// Parsing

struct LineSpan {
    size_t start;
    size_t len;
    // For a key line the length of the key; for a header the number of
    // entry lines up to the next header.
    size_t extra;
};

// The line that starts at *pos: up to the first CR or LF or the end. *pos
// moves past the whole run of line breaks after it. 0 at the end.
static int next_line(const char *data, size_t size, size_t *pos, LineSpan *line) {
    size_t p = *pos;
    // Only a NUL where a line would start ends the text; one inside a line
    // ends no more than the name or value it stands in.
    if (p >= size || data[p] == '\0')
        return 0;
    line->start = p;
    while (p < size && data[p] != '\r' && data[p] != '\n') ++p;
    line->len = p - line->start;
    while (p < size && (data[p] == '\r' || data[p] == '\n')) ++p;
    *pos = p;
    return 1;
}

// Whether a line is a header that defines a section: "[" in the first
// column, "]" as the last byte, and something between them.
static int is_header(const char *line, size_t len) {
    return len >= 3 && line[0] == '[' && line[len - 1] == ']';
}

// Whether a line that is not a header becomes an entry: a comment, or a key
// line whose key is not empty. A "[" line without its "]" is dropped, and
// so is a line that starts with "=".
static int is_entry(const char *line, size_t len) {
    return len > 0 && line[0] != '[' && line[0] != '=';
}

// Keys are short: a plain loop beats a library call per line here.
static size_t key_length(const char *line, size_t len) {
    size_t n = 0;
    while (n < len && line[n] != '=') ++n;
    return n;
}

// One line into the document; key_len is the key's length for a key line.
static void add_line(const char *line, size_t len, size_t key_len) {
    if (len == 0)
        return;  // a line break at the very start of the text
    if (line[0] == '[') {
        if (len >= 2 && line[len - 1] == ']')
            add_section_span(line + 1, len - 2);
        return;
    }
    // Lines always go to the newest section.
    int section = g_doc.section_count - 1;
    if (line[0] == '#') {
        add_entry_span(section, line, len, "", 0, 1, 0);
        return;
    }
    const char *value = key_len < len ? line + key_len + 1 : line + len;
    add_entry_span(section, line, key_len, value, (size_t)(line + len - value), 0, 0);
}

// Gives the section its entry array at the capacity that adding count
// entries one by one would reach. Best effort: without it the adds grow
// the array themselves.
static void reserve_entries(IniSection *sec, size_t count) {
    if (count == 0 || sec->entries)
        return;
    int capacity = stepped_capacity(count);
    sec->entries = (IniEntry *)alloc_slots(capacity, sizeof(IniEntry));
    if (sec->entries)
        sec->entry_capacity = capacity;
}

// The lines of a text, in blocks that never move once filled, and what
// they will need.
struct LineBlock {
    LineBlock *next;
    size_t count;
    size_t capacity;
    LineSpan *spans;  // right after the block's head, in the same allocation
};

struct LinePlan {
    LineBlock *first;  // null when memory is short
    size_t headers;
    size_t value_bytes;    // all values with their terminators
    size_t first_entries;  // entry lines before the first header
};

static void free_blocks(LineBlock *block) {
    while (block) {
        LineBlock *next = block->next;
        plat_free(block);
        block = next;
    }
}

static void plan_lines(const char *data, size_t size, LinePlan *plan) {
    plan->first = nullptr;
    plan->headers = plan->value_bytes = plan->first_entries = 0;
    LineBlock *last = nullptr;
    size_t *entries = &plan->first_entries;  // entry lines of the newest section
    size_t pos = 0;
    LineSpan l;
    while (next_line(data, size, &pos, &l)) {
        if (!last || last->count == last->capacity) {
            // Small texts get a small first block.
            size_t capacity = last ? 4096 : size / 32 + 16;
            if (capacity > 4096)
                capacity = 4096;
            LineBlock *block =
                (LineBlock *)plat_alloc(sizeof(LineBlock) + capacity * sizeof(LineSpan), 0);
            if (!block) {
                free_blocks(plan->first);
                plan->first = nullptr;
                return;
            }
            block->next = nullptr;
            block->count = 0;
            block->capacity = capacity;
            block->spans = (LineSpan *)(block + 1);
            if (last)
                last->next = block;
            else
                plan->first = block;
            last = block;
        }
        LineSpan *span = &last->spans[last->count++];
        const char *line = data + l.start;
        *span = l;
        span->extra = 0;
        if (is_header(line, l.len)) {
            ++plan->headers;
            entries = &span->extra;
        } else if (is_entry(line, l.len)) {
            ++*entries;
            if (line[0] == '#') {
                ++plan->value_bytes;
            } else {
                span->extra = key_length(line, l.len);
                // The "=" after the key makes room for the terminator.
                plan->value_bytes += l.len - span->extra + (span->extra == l.len);
            }
        }
    }
}

// Builds a new document from the text. Added line by line, the arrays would
// grow by 10 slots at a time, copying themselves each time, which makes a
// long file quadratic, and every value would be an allocation of its own.
// So the lines are found and counted first: every array is allocated once
// at the capacity that the stepwise growth would have reached, and the
// values go into one block. The document comes out the same, only faster.
static int parse_document(const char *data, size_t size) {
    LinePlan plan;
    plan_lines(data, size, &plan);
    int capacity = stepped_capacity(plan.headers + 1);
    if (capacity < INI_GROW_STEP)
        capacity = INI_GROW_STEP;
    if (!plan.first || !new_document(capacity)) {
        if (!new_document(INI_GROW_STEP)) {
            free_blocks(plan.first);
            return 0;
        }
    }
    if (!plan.first) {
        // No line list (short of memory, or no lines): add them as they come.
        size_t pos = 0;
        LineSpan l;
        while (next_line(data, size, &pos, &l)) {
            const char *line = data + l.start;
            add_line(line, l.len, key_length(line, l.len));
        }
        return 1;
    }
    g_values = plan.value_bytes ? (char *)plat_alloc(plan.value_bytes, 0) : nullptr;
    g_values_size = g_values ? plan.value_bytes : 0;
    reserve_entries(&g_doc.sections[0], plan.first_entries);
    for (const LineBlock *block = plan.first; block; block = block->next) {
        for (size_t i = 0; i < block->count; ++i) {
            const LineSpan *l = &block->spans[i];
            int before = g_doc.section_count;
            add_line(data + l->start, l->len, l->extra);
            if (g_doc.section_count > before)
                reserve_entries(&g_doc.sections[before], l->extra);
        }
    }
    // The block is full now; values set later get blocks of their own.
    g_values_used = g_values_size;
    free_blocks(plan.first);
    return 1;
}

static const char utf8_bom[] = "\xEF\xBB\xBF";

int ini_load_buffer(const char *data, size_t size) {
    if (!data && size)
        return 0;
    ini_free();
    // Editors save UTF-8 with a byte-order mark; the program's own texts are
    // in the ANSI code page, so such a file is read as what it says it is
    // and converted. Without the conversion its first header would not be
    // recognised and every setting would read as its default.
    if (size >= 3 && memcmp(data, utf8_bom, 3) == 0) {
        char *ansi;
        size_t ansi_size;
        if (!plat_utf8_to_ansi(data + 3, size - 3, &ansi, &ansi_size))
            return 0;
        int ok = parse_document(ansi, ansi_size);
        plat_free(ansi);
        return ok;
    }
    return parse_document(data, size);
}

int ini_load(const char *path, int read) {
    if (!read) {
        ini_free();
        return 1;
    }
    char *data;
    size_t size;
    if (!path || !plat_read_file(path, &data, &size))
        return 0;
    int ok = ini_load_buffer(data, size);
    plat_free(data);
    return ok;
}

// ---------------------------------------------------------------------------
// Writing

// Bytes the text of the document takes; the builder below writes exactly
// these, line for line.
static size_t text_size(void) {
    size_t total = 0;
    for (int s = 0; s < g_doc.section_count; ++s) {
        const IniSection *sec = &g_doc.sections[s];
        if (!sec->entries)
            continue;
        if (s > 0)
            total += strlen(sec->name) + 4;  // "[" name "]" CR LF
        for (int i = 0; i < sec->entry_count; ++i) {
            const IniEntry *entry = &sec->entries[i];
            if (!entry->name[0])
                continue;
            total += strlen(entry->name) + 2;
            if (!entry->is_comment)
                total += 1 + (entry->value ? strlen(entry->value) : 0);
        }
        total += 2;  // the empty line after the section
    }
    return total;
}

static char *put(char *p, const char *text) {
    size_t n = strlen(text);
    memcpy(p, text, n);
    return p + n;
}

char *ini_build_text(size_t *size) {
    if (!g_doc.sections)
        return nullptr;
    size_t total = text_size();
    if (total == SIZE_MAX)
        return nullptr;
    char *text = (char *)plat_alloc(total + 1, 0);
    if (!text)
        return nullptr;
    char *p = text;
    for (int s = 0; s < g_doc.section_count; ++s) {
        const IniSection *sec = &g_doc.sections[s];
        if (!sec->entries)
            continue;
        if (s > 0) {
            *p++ = '[';
            p = put(p, sec->name);
            p = put(p, "]\r\n");
        }
        for (int i = 0; i < sec->entry_count; ++i) {
            const IniEntry *entry = &sec->entries[i];
            if (!entry->name[0])
                continue;
            p = put(p, entry->name);
            if (!entry->is_comment) {
                *p++ = '=';
                if (entry->value)
                    p = put(p, entry->value);
            }
            p = put(p, "\r\n");
        }
        p = put(p, "\r\n");
    }
    *p = '\0';
    *size = total;
    return text;
}

int ini_write(const char *path) {
    size_t size;
    if (!path || !*path)
        return 0;
    char *text = ini_build_text(&size);
    if (!text)
        return 0;
    int ok = plat_write_file(path, text, size);
    plat_free(text);
    return ok;
}
