#include "app/tray_menu.h"

#include "app/ids.h"

namespace {

struct Row {
    TrayMenuEntry entry;
    int readme_only;
};

// The gaps in the two-character texts are ideographic spaces, and the
// katakana of the about and status entries are half-width.
const Row rows[TRAY_MENU_MAX_ENTRIES] = {
    {{IDM_STOP, "停　止 (&E)"}, 0},
    {{0, nullptr}, 0},
    {{IDM_START, "開　始 (&G)"}, 0},
    {{0, nullptr}, 0},
    {{IDM_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報 (&A)"}, 0},
    {{0, nullptr}, 0},
    {{IDM_STATUS, "ｽﾃｰﾀｽ表示 (&T)"}, 0},
    {{0, nullptr}, 0},
    {{IDM_SETTINGS, "設　定 (&S)"}, 0},
    {{0, nullptr}, 1},
    {{IDM_README, "Readme.txt の表示 (&B)"}, 1},
    {{0, nullptr}, 0},
    {{IDM_EXIT, "終　了 (&X)"}, 0},
};

}  // namespace

int tray_menu_entries(int readme_available, TrayMenuEntry *out) {
    int count = 0;
    for (const Row &row : rows) {
        if (row.readme_only && readme_available != 1)
            continue;
        out[count++] = row.entry;
    }
    return count;
}
