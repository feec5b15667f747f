#include "app/tray_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The menu as "id:text" rows, a separator as "-".
std::vector<std::string> menu(int readme_available) {
    TrayMenuEntry entries[TRAY_MENU_MAX_ENTRIES + 1];
    const TrayMenuEntry fence = {-1, "fence"};
    entries[TRAY_MENU_MAX_ENTRIES] = fence;
    int count = tray_menu_entries(readme_available, entries);
    EXPECT_EQ(entries[TRAY_MENU_MAX_ENTRIES].id, -1) << "written past the entries";
    std::vector<std::string> rows;
    for (int i = 0; i < count; ++i) {
        if (entries[i].id == 0) {
            EXPECT_EQ(entries[i].text, nullptr) << "separator " << i << " carries a text";
            rows.push_back("-");
        } else {
            rows.push_back(std::to_string(entries[i].id) + ":" + entries[i].text);
        }
    }
    return rows;
}

// The texts as this build stores them (UTF-8 here, code page 932 in the
// program), with the gaps and the katakana spelled out: U+3000 is the
// ideographic space, U+FF61 to U+FF9F the half-width katakana.
const std::string stop = "258:停\u3000止 (&E)";
const std::string start = "259:開\u3000始 (&G)";
const std::string about = "260:\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D情報 (&A)";
const std::string status = "261:\uFF7D\uFF83\uFF70\uFF80\uFF7D表示 (&T)";
const std::string settings = "262:設\u3000定 (&S)";
const std::string readme = "263:Readme.txt の表示 (&B)";
const std::string exit_ = "264:終\u3000了 (&X)";

TEST(TrayMenu, ElevenEntriesWithoutReadme) {
    const std::vector<std::string> expected = {stop,   "-", start,    "-", about, "-",
                                               status, "-", settings, "-", exit_};
    EXPECT_EQ(menu(0), expected);
    // The flag is tested against 1.
    EXPECT_EQ(menu(2), expected);
}

TEST(TrayMenu, ThirteenEntriesWithReadme) {
    const std::vector<std::string> expected = {stop, "-",      start, "-",    about, "-",  status,
                                               "-",  settings, "-",   readme, "-",   exit_};
    EXPECT_EQ(menu(1), expected);
}

}  // namespace
