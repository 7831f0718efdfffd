// The window's layout, which every window draws the same: the client area, its three bands (the
// top panel with the text database row, the output row and the output path; the log with its
// progress bar; the status bar with the maker's link), each control's place, the fonts' sizes and
// the colours. In layout pixels (96 DPI), which a window scales to its screen; a control's place
// is in its band's coordinates.
#pragma once

#include "ui/core/WindowPlace.h"

namespace ipmdb::ui::layout {

inline constexpr int kClientWidth = 476;
inline constexpr int kTopPanelHeight = 105;
inline constexpr int kLogPanelHeight = 194;
inline constexpr int kStatusBarHeight = 20;
inline constexpr int kClientHeight = kTopPanelHeight + kLogPanelHeight + kStatusBarHeight;
inline constexpr int kStatusBarTop = kTopPanelHeight + kLogPanelHeight;

// The log and the progress bar fill their band inside its two one-pixel bevels, the log above.
inline constexpr int kBevelWidth = 2;
inline constexpr int kProgressHeight = 18;
inline constexpr TRect kLog{kBevelWidth, kBevelWidth, kClientWidth - 2 * kBevelWidth,
                            kLogPanelHeight - 2 * kBevelWidth - kProgressHeight};
inline constexpr TRect kProgress{kBevelWidth, kLog.FTop + kLog.FHeight, kLog.FWidth, kProgressHeight};

// The top panel. The edit's label stands on its left, right-aligned against it with this much
// space between, and centred on its height; the output path lines up with the edit.
inline constexpr TRect kTextDatabaseEdit{120, 15, 280, 20};
inline constexpr int kLabelSpacing = 3;
inline constexpr TRect kSelectButton{407, 14, 54, 23};
inline constexpr TPoint kOutputLabel{23, 51};
inline constexpr TRect kChangeOutputButton{160, 44, 60, 23};
inline constexpr TRect kOpenFolderButton{224, 44, 90, 23};
inline constexpr TRect kConvertButton{407, 44, 54, 23};
inline constexpr TRect kOutputPath{kTextDatabaseEdit.FLeft, 78, kClientWidth - 15 - kTextDatabaseEdit.FLeft,
                                   kTextDatabaseEdit.FHeight};
// The pictures before the captions of "选择" and the convert button.
inline constexpr int kButtonPictureSize = 16;

// The status bar: the maker's label and the link, at their texts' own sizes.
inline constexpr TPoint kMakerLabel{22, 4};
inline constexpr TPoint kMakerLink{113, 4};

// Character heights in pixels: the window's font (the Song typeface, 宋体) and the log's.
inline constexpr int kWindowFontPixels = 12;
inline constexpr int kLogFontPixels = 13;

struct TColor {
  int FRed = 0;
  int FGreen = 0;
  int FBlue = 0;
};
// The log's text and the output path.
inline constexpr TColor kGreen{0, 128, 0};
// The link, and the link under the mouse.
inline constexpr TColor kLinkColor{0, 0, 255};
inline constexpr TColor kLinkHoverColor{255, 0, 0};
// The flat buttons' captions.
inline constexpr TColor kButtonTextColor{0, 0, 0};

}  // namespace ipmdb::ui::layout
