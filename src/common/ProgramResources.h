// Resource identifiers of vistrel.exe, shared by its resource script, the
// tray program, the wizard and the about box.
#pragma once

// The wizard's banner, 149 x 270 (res/banner.bmp).
#define IDB_BANNER 101
// The about box's banner, 360 x 90 (res/about.bmp).
#define IDB_ABOUT_BANNER 102
