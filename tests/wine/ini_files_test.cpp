// The INI engine's file operations with the real Win32 calls: loading,
// saving through a temporary file, and saves that must fail without harm
// (a file held open without sharing, a read-only file, a folder in the
// way). Runs in a fresh folder, prints "N passed, M failed" and exits
// non-zero on a failure.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "checks.h"
#include "test_files.h"
#include "ini/ini.h"
#include "platform/platform.h"

namespace {

std::string g_dir;

std::string in_dir(const char *name) {
    return g_dir + "\\" + name;
}

// Names in the folder, so that a temporary file left behind shows.
std::string listing() {
    std::string names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(in_dir("*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")) {
            names += found.cFileName;
            names += ";";
        }
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

const char kExample[] =
    "#hand-edited\r\n[Setting]\r\nUpdate = 15\r\nTitle=\"  Lobby\"\r\n#note\r\n\r\nNoValue\r\n"
    "=orphan\r\n[Empty]\r\n[Window]\r\nLeft=-20\r\n  [Indented]\r\nTop=7\r\n";
const char kExampleWritten[] =
    "#hand-edited\r\n\r\n[Setting]\r\nUpdate= 15\r\nTitle=\"  Lobby\"\r\n#note\r\nNoValue=\r\n"
    "\r\n[Window]\r\nLeft=-20\r\n[Indented]=\r\nTop=7\r\n\r\n";

void load_and_write() {
    std::string ini = in_dir("Yarrowmeld.ini");
    CHECK(ini_load(ini.c_str(), 1) == 0);  // missing
    CHECK(ini_get_int("Setting", "Update", 10) == 10);
    char out[1024];
    CHECK(ini_get_string("Setting", "Charcter", ".", out, 127) == 1 && !strcmp(out, "."));

    CHECK(write_file(ini, kExample));
    CHECK(ini_load(ini.c_str(), 1) == 1);
    CHECK(ini_get_int("setting", "UPDATE", 10) == 15);
    CHECK(ini_get_string("Setting", "TiTle", "", out, 1023) == 7 && !strcmp(out, "  Lobby"));
    std::string copy = in_dir("copy.ini");
    CHECK(ini_write(copy.c_str()) == 1);
    CHECK(file_text(copy) == kExampleWritten);
    CHECK(file_text(copy).size() == 117);
    ini_free();

    // A save replaces a longer file whole, and a document with nothing to
    // write gives an empty file.
    CHECK(ini_load(copy.c_str(), 0) == 1);
    CHECK(ini_set_int("Window", "Top", 7) == 1);
    CHECK(ini_write(copy.c_str()) == 1);
    CHECK(file_text(copy) == "[Window]\r\nTop=7\r\n\r\n");
    ini_free();
    CHECK(write_file(ini, ""));
    CHECK(ini_load(ini.c_str(), 1) == 1);
    CHECK(ini_write(copy.c_str()) == 1);
    CHECK(file_text(copy).empty());
    ini_free();
    CHECK(listing() == "copy.ini;Yarrowmeld.ini;" || listing() == "Yarrowmeld.ini;copy.ini;");
    DeleteFileA(copy.c_str());
}

// Shift-JIS text passes byte for byte, a trail byte 0x5C included, and
// names compare without regard to the case of A to Z.
void double_byte_text() {
    std::string ini = in_dir("Yarrowmeld.ini");
    const char *title = "\x83\x60\x83\x83\x83\x62\x83\x67 \x95\x5C";  // "チャット 表"
    CHECK(ini_load(ini.c_str(), 0) == 1);
    CHECK(ini_set_string("\x90\xdd\x92\xe8", "Title", title) == 1);  // section "設定"
    CHECK(ini_write(ini.c_str()) == 1);
    ini_free();
    CHECK(file_text(ini) == std::string("[\x90\xdd\x92\xe8]\r\nTitle=\"") + title + "\"\r\n\r\n");
    CHECK(ini_load(ini.c_str(), 1) == 1);
    char out[64];
    CHECK(ini_get_string("\x90\xdd\x92\xe8", "tItLe", "", out, sizeof out) == (int)strlen(title));
    CHECK(!strcmp(out, title));
    ini_free();
}

// Every failed save leaves the old file as it was and nothing beside it.
void failed_saves() {
    std::string ini = in_dir("Yarrowmeld.ini");
    const std::string old = "[Setting]\r\nTitle=\"keep me\"\r\n\r\n";
    CHECK(write_file(ini, old));
    CHECK(ini_load(ini.c_str(), 0) == 1);
    CHECK(ini_set_string("Setting", "Title", "a new and longer title") == 1);
    std::string before = listing();

    // Held open by another handle that shares nothing.
    HANDLE held = CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK(ini_write(ini.c_str()) == 0);
    CloseHandle(held);
    CHECK(file_text(ini) == old);
    CHECK(listing() == before);

    // Marked read-only. Wine keeps the attribute in the Unix permissions,
    // which do not bind root: there the attribute does not stick.
    CHECK(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    if (GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_READONLY) {
        CHECK(ini_write(ini.c_str()) == 0);
        CHECK(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL));
        CHECK(file_text(ini) == old);
        CHECK(listing() == before);
    } else {
        printf("skipped: the read-only attribute does not hold here\n");
        SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // A folder where the file should be, and a folder that is missing.
    std::string sub = in_dir("sub");
    CHECK(CreateDirectoryA(sub.c_str(), nullptr));
    CHECK(ini_write(sub.c_str()) == 0);
    CHECK(GetFileAttributesA(sub.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    CHECK(ini_write(in_dir("missing\\x.ini").c_str()) == 0);
    CHECK(ini_load(sub.c_str(), 1) == 0);
    RemoveDirectoryA(sub.c_str());
    CHECK(listing() == before);

    // With the obstacles gone the same save goes through.
    CHECK(ini_write(ini.c_str()) == 1);
    CHECK(file_text(ini) == "[Setting]\r\nTitle=\"a new and longer title\"\r\n\r\n");
    CHECK(listing() == before);
    ini_free();
}

// Reading shares the file with writers, as settings editors expect, but
// not with a handle that shares nothing.
void sharing_on_load() {
    std::string ini = in_dir("Yarrowmeld.ini");
    CHECK(write_file(ini, "[Window]\r\nLeft=5\r\n"));
    HANDLE writer = CreateFileA(ini.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(writer != INVALID_HANDLE_VALUE);
    CHECK(ini_load(ini.c_str(), 1) == 1);
    CHECK(ini_get_int("Window", "Left", -1) == 5);
    ini_free();
    CloseHandle(writer);
    HANDLE exclusive = CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(exclusive != INVALID_HANDLE_VALUE);
    CHECK(ini_load(ini.c_str(), 1) == 0);
    CHECK(ini_get_int("Window", "Left", -1) == -1);
    CloseHandle(exclusive);
}

// A scanner that holds the file without sharing for a moment.
DWORD WINAPI hold_then_release(void *handle) {
    Sleep(400);
    CloseHandle(handle);
    return 0;
}

// A file held only for a moment at start-up is read once it is free,
// rather than taken for missing.
void short_lock_on_load() {
    std::string ini = in_dir("Yarrowmeld.ini");
    CHECK(write_file(ini, "[Window]\r\nLeft=5\r\n"));
    HANDLE exclusive = CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(exclusive != INVALID_HANDLE_VALUE);
    HANDLE releaser = CreateThread(nullptr, 0, hold_then_release, exclusive, 0, nullptr);
    CHECK(releaser != nullptr);
    CHECK(ini_load(ini.c_str(), 1) == 1);
    CHECK(ini_get_int("Window", "Left", -1) == 5);
    ini_free();
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);
}

// A settings file whose path takes nearly all of MAX_PATH is saved like any
// other: the temporary file beside it must fit too.
void save_near_max_path() {
    std::string folder = g_dir + "\\";
    folder += std::string(MAX_PATH - 5 - 15 - folder.size(), 'd');
    std::string ini = folder + "\\Yarrowmeld.ini";
    CHECK(ini.size() == MAX_PATH - 5);
    CHECK(CreateDirectoryA(folder.c_str(), nullptr));
    CHECK(write_file(ini, "old"));
    CHECK(ini_load(ini.c_str(), 0) == 1);
    CHECK(ini_set_int("Window", "Left", 3) == 1);
    CHECK(ini_write(ini.c_str()) == 1);
    ini_free();
    CHECK(file_text(ini) == "[Window]\r\nLeft=3\r\n\r\n");
    CHECK(DeleteFileA(ini.c_str()));
    CHECK(RemoveDirectoryA(folder.c_str()));  // nothing else was left in it
}

void remove_folder() {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(in_dir("*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string path = in_dir(found.cFileName);
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(g_dir.c_str());
}

}  // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[64];
    sprintf(name, "ini_files_test_%lu_%lu", GetCurrentProcessId(), GetTickCount());
    g_dir = std::string(temp) + name;
    if (!CreateDirectoryA(g_dir.c_str(), nullptr)) {
        printf("cannot create %s\n", g_dir.c_str());
        return 2;
    }
    load_and_write();
    double_byte_text();
    failed_saves();
    sharing_on_load();
    short_lock_on_load();
    save_near_max_path();
    remove_folder();
    return checks::finish();
}
