// What the settings dialog does when the settings file is in the way: a file
// that start-up could not read is left by the saves the user did not ask
// for, a save that fails is told once and loses nothing of the settings, and
// the fields keep whole characters. Also the start-up read on Win32 itself:
// a held file, a file saved as UTF-8 by an editor.
#include "dialog_test_support.h"

static const char kept_bytes[] = "[Setting]\r\nUpdate=7\r\nNewLine=70\r\nTitle=\"Mine\"\r\n";

static void reset(void) {
    reset_settings();
    SetFileAttributesA(g.ini_path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(g.ini_path);
    g.ini_unreadable = 0;
}

static HWND open_settings(void) {
    settings_dialog_open();
    pump_queued();
    return g.settings_dialog;
}

static std::string repeat(const char *piece, int count) {
    std::string s;
    for (int i = 0; i < count; i++) s += piece;
    return s;
}

// The start-up read through the Win32 seam: a file held without sharing is
// there but unreadable, not missing; an editor's UTF-8 file gives its values.
static void test_start_up_read(void) {
    reset();
    StoredSettings s;
    CHECK_EQ(settings_file_read(g.ini_path, &s), SETTINGS_FILE_MISSING);

    write_file(g.ini_path, kept_bytes);
    HANDLE held = CreateFileA(g.ini_path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK_EQ(settings_file_read(g.ini_path, &s), SETTINGS_FILE_UNREADABLE);
    CHECK_EQ(s.update_secs, 10);
    CloseHandle(held);
    CHECK_EQ(settings_file_read(g.ini_path, &s), SETTINGS_FILE_READ);
    CHECK_EQ(s.update_secs, 7);

    // "ロビー" in UTF-8 after the mark, and a comment hiding a NUL.
    static const char utf8[] =
        "\xEF\xBB\xBF#note\0hidden\r\n[Setting]\r\n"
        "TiTle=\"\xE3\x83\xAD\xE3\x83\x93\xE3\x83\xBC\"\r\nUpdate=4\r\n";
    write_file(g.ini_path, std::string(utf8, sizeof utf8 - 1));
    CHECK_EQ(settings_file_read(g.ini_path, &s), SETTINGS_FILE_READ);
    CHECK_EQ(s.title, "\x83\x8D\x83\x72\x81\x5B");
    CHECK_EQ(s.update_secs, 4);
}

// The closing saves would put the defaults shown over the user's file; the
// user's own save puts what was entered there.
static void test_unreadable_file_is_kept(void) {
    reset();
    write_file(g.ini_path, kept_bytes);
    g.ini_unreadable = 1;
    HWND dialog = open_settings();
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    CHECK(!IsWindow(dialog));
    CHECK_EQ(file_text(g.ini_path), kept_bytes);
    CHECK_EQ(boxes.size(), 0);

    dialog = open_settings();
    SendMessageA(dialog, WM_QUERYENDSESSION, 0, 0);
    pump_until([&] { return !IsWindow(dialog); });
    CHECK_EQ(file_text(g.ini_path), kept_bytes);

    dialog = open_settings();
    SendMessageA(dialog, WM_COMMAND, IDC_EXIT, 0);
    take_quit();
    CHECK_EQ(file_text(g.ini_path), kept_bytes);
    CHECK_EQ(boxes.size(), 0);

    dialog = open_settings();
    MoveWindow(dialog, 8, 16, 200, 100, FALSE);
    SetDlgItemTextA(dialog, IDC_TITLE, "Typed");
    SendMessageA(dialog, WM_COMMAND, IDC_SAVE, 0);
    CHECK_EQ(file_text(g.ini_path),
             "[Setting]\r\nUpdate=10\r\nNewLine=240\r\nTitle=\"Typed\"\r\nCharcter=\".\"\r\n\r\n"
             "[Window]\r\nLeft=8\r\nTop=16\r\n\r\n");
    CHECK_EQ(g.ini_unreadable, 0);
    CHECK_EQ(boxes.size(), 0);
}

// A read-only file: each way of leaving the dialog tells it once, although
// each saves twice; the file stays whole and the settings stay in memory.
static void test_failed_save(void) {
    static const MessageWay ways[] = {
        {"save button", WM_COMMAND, IDC_SAVE},
        {"start button", WM_COMMAND, IDC_START},
        {"close box", WM_CLOSE, 0},
    };
    for (const auto &way : ways) {
        reset();
        write_file(g.ini_path, kept_bytes);
        SetFileAttributesA(g.ini_path, FILE_ATTRIBUTE_READONLY);
        int failed_before = checks::failures();
        // What the dialog holds: the closing saves the settings as they
        // stand, the buttons the fields.
        lstrcpyA(g.title, way.message == WM_CLOSE ? "Other" : "Lobby");
        g.update_secs = way.message == WM_CLOSE ? 5 : 10;
        HWND dialog = open_settings();
        SetDlgItemTextA(dialog, IDC_TITLE, "Other");
        SetDlgItemTextA(dialog, IDC_UPDATE_SECS, "5");
        SendMessageA(dialog, way.message, way.wparam, 0);
        CHECK(!IsWindow(dialog));
        CHECK_EQ(boxes.size(), 1);
        if (!boxes.empty()) {
            CHECK_EQ(boxes[0].caption, "Yarrowmeld - 設定エラー");
            CHECK_EQ(boxes[0].text, std::string("設定ファイルに書き込めません。\n") + g.ini_path);
            CHECK(boxes[0].topmost);
        }
        CHECK_EQ(file_text(g.ini_path), kept_bytes);
        CHECK_EQ(g.title, "Other");
        CHECK_EQ(g.update_secs, 5);
        dialog = open_settings();
        CHECK_EQ(item_text(dialog, IDC_TITLE), "Other");
        CHECK_EQ(item_text(dialog, IDC_UPDATE_SECS), "5");
        DestroyWindow(dialog);
        boxes.clear();
        if (checks::failures() != failed_before)
            printf("  (leaving by the %s)\n", way.how);
    }
    reset();
}

// Cut to its limit by bytes, a field ending in "あ" keeps a lone lead byte.
static void test_fields_keep_whole_characters(void) {
    reset();
    const std::string title = "a" + repeat("あ", 600);
    const std::string text = "a" + repeat("あ", 63);
    HWND dialog = open_settings();
    SetDlgItemTextA(dialog, IDC_TITLE, title.c_str());
    SetDlgItemTextA(dialog, IDC_POST_TEXT, text.c_str());
    SendMessageA(dialog, WM_COMMAND, IDC_SAVE, 0);
    CHECK_EQ(g.title, title.substr(0, 1021));
    CHECK_EQ(g.post_text, text.substr(0, 125));
}

int main(void) {
    // The last reset takes the read-only mark off the file before the
    // folder is removed.
    return run_tests({watch_boxes, test_start_up_read, test_unreadable_file_is_kept,
                      test_failed_save, test_fields_keep_whole_characters, reset});
}
