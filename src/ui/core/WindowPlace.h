// Where the window opens on a screen, in the screen's pixels.
#pragma once

namespace ipmdb::ui {

struct TPoint {
  int FX = 0;
  int FY = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int FWidth = 0;
  int FHeight = 0;
};

struct TRect {
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
};

// Where the layout puts the window's frame: its top left corner.
inline constexpr TPoint kWindowTopLeft{257, 259};

// Where a window whose frame has `frameSize` opens: at `wanted` when it fits inside `available`
// (the screen less its task bars), else moved the least that fits it, its top left corner kept
// inside when it is larger.
TPoint PlaceInside(TPoint wanted, TSize frameSize, const TRect& available);

}  // namespace ipmdb::ui
