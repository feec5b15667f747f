// Whole files by path, for the test programs that run under Wine.
#ifndef YARROWMELD_TEST_FILES_H
#define YARROWMELD_TEST_FILES_H

#include <string>

// Reads the whole file, shared with any writer; false when it cannot be
// opened.
bool read_file(const std::string &path, std::string *bytes);
// Creates or replaces the file with the bytes; false when any is missing.
bool write_file(const std::string &path, const std::string &bytes);
// The file's bytes, or "<missing>" when it cannot be opened.
std::string file_text(const std::string &path);

#endif
