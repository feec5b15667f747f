// The screen's DPI, for what the windows place and draw in pixels.
#ifndef YARROWMELD_DPI_WIN_H
#define YARROWMELD_DPI_WIN_H

// Dots per inch of the screen as the program sees it: the system's setting,
// since the manifest declares the program DPI-aware (96 at 100 %, 144 at
// 150 %). 96 when no screen context can be had.
int screen_dpi(void);

#endif
