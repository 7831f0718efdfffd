// The window's flat push buttons: owner-drawn BUTTON controls (BS_OWNERDRAW), painted on the
// button face without a raised edge, sunken while pressed, with the keyboard focus shown by a
// dotted frame, and with an optional picture of 16 x 16 layout pixels before the caption. The
// pictures are drawn with GDI from coordinates, scaled to the window's DPI.
#pragma once

#include <windows.h>

namespace ipmdb::ui::win32 {

enum class TButtonPicture {
  None,
  Plus,   // a red plus sign: choose a file
  Arrow,  // a green curved arrow: convert
};

// Paints the button `item` describes (from WM_DRAWITEM) with its caption and `picture`; `dpi` is
// the window's.
void DrawFlatButton(const DRAWITEMSTRUCT& item, TButtonPicture picture, UINT dpi);

}  // namespace ipmdb::ui::win32
