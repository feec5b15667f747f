/* Every command, control, timer, message and resource number of the
 * program. Included by the C++ code and by res/yarrowmeld.rc, so it holds
 * nothing but #define lines that windres understands. */
#ifndef YARROWMELD_IDS_H
#define YARROWMELD_IDS_H

/* Tray menu commands */
#define IDM_STOP 258
#define IDM_START 259
#define IDM_ABOUT 260
#define IDM_STATUS 261
#define IDM_SETTINGS 262
#define IDM_README 263
#define IDM_EXIT 264

/* Settings dialog "IDD_SETTINGDLG" */
#define IDC_SAVE 1006
#define IDC_LABEL_TITLE 1007
#define IDC_LABEL_UPDATE 1008
#define IDC_LABEL_POST 1009
#define IDC_LABEL_TEXT 1010
#define IDC_EXIT 1103
#define IDC_TITLE 1104
#define IDC_UPDATE_SECS 1105
#define IDC_POST_SECS 1106
#define IDC_POST_TEXT 1107
#define IDC_START 1115

/* Status window "IDD_STATUS" */
#define IDC_STATUS_TITLE 1011
#define IDC_STATUS_UPDATE_LEFT 1012
#define IDC_STATUS_POST_LEFT 1013
#define IDC_STATUS_CLOSE 1014

/* About dialog "IDD_ABOUTDLG" */
#define IDC_ABOUT_COPYRIGHT 1108
#define IDC_ABOUT_VERSION 1110
#define IDC_ABOUT_PRODUCT 1111
#define IDC_ABOUT_ICON 1112

/* Commands from the accelerator table, the system menus and the viewer */
#define IDC_ACCEL_ENTER 1109
#define IDC_ACCEL_ESC 1113
#define IDC_ACCEL_ENTER_UNUSED 1020
#define IDM_SYS_ABOUT 1114
#define IDM_SYS_README 1116
#define IDM_CLOSE_README 1117

/* System-menu separators are inserted as entries with this id and no text */
#define IDM_SYS_SEPARATOR 2048

/* Timers */
#define IDT_UPDATE 1
#define IDT_POST 2
#define IDT_ABOUT_BLINK 3
#define IDT_POST_GUARD 4
#define IDT_TICK 5
#define IDT_TITLE_TRACK 6

/* Resources */
#define IDI_RUNNING 1100
#define IDI_STOPPED 1101
#define IDR_ACCEL 1102

/* Callback message of the tray icon: WM_APP + 0x64 */
#define WM_TRAYNOTIFY 0x8064

#endif
