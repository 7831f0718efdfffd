// Painting the flat buttons and their pictures.
#include "ui/win32/FlatButton.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "ui/core/Layout.h"

namespace ipmdb::ui::win32 {
namespace {

// The picture's side and the gap after it, in layout pixels (96 DPI).
constexpr double kPictureSize = layout::kButtonPictureSize;
constexpr double kPictureGap = 4.0;
constexpr int kLayoutDpi = 96;

const COLORREF kPlusFill = RGB(230, 30, 30);
const COLORREF kPlusRim = RGB(128, 0, 0);
const COLORREF kArrowColor = RGB(0, 150, 0);
const COLORREF kCaptionColor =
    RGB(layout::kButtonTextColor.FRed, layout::kButtonTextColor.FGreen, layout::kButtonTextColor.FBlue);

// Maps the picture's 16 x 16 units onto the button at `left`, `top` (device pixels).
struct TPictureFrame {
  double FLeft;
  double FTop;
  double FScale;
  POINT At(double x, double y) const { return {LONG(std::lround(FLeft + x * FScale)), LONG(std::lround(FTop + y * FScale))}; }
};

// Two crossing bars three units wide, drawn as one outline so that the rim does not cross the
// middle.
void DrawPlus(HDC dc, const TPictureFrame& frame) {
  const std::array<POINT, 12> outline = {
      frame.At(6.5, 2.5),  frame.At(9.5, 2.5),  frame.At(9.5, 6.5),   frame.At(13.5, 6.5),
      frame.At(13.5, 9.5), frame.At(9.5, 9.5),  frame.At(9.5, 13.5),  frame.At(6.5, 13.5),
      frame.At(6.5, 9.5),  frame.At(2.5, 9.5),  frame.At(2.5, 6.5),   frame.At(6.5, 6.5)};
  const HBRUSH fill = CreateSolidBrush(kPlusFill);
  const HPEN rim = CreatePen(PS_SOLID, 1, kPlusRim);
  const HGDIOBJ oldBrush = SelectObject(dc, fill);
  const HGDIOBJ oldPen = SelectObject(dc, rim);
  Polygon(dc, outline.data(), int(outline.size()));
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(fill);
  DeleteObject(rim);
}

// Two thirds of a circle running clockwise from the lower left over the top to 15 degrees below
// three o'clock, where a head continues along the tangent.
void DrawArrow(HDC dc, const TPictureFrame& frame) {
  constexpr double kCentre = 7.5;
  constexpr double kRadius = 5.0;
  constexpr double kWidth = 2.2;
  constexpr double kPi = 3.14159265358979;
  const double startAngle = 225.0 * kPi / 180.0;
  const double endAngle = 15.0 * kPi / 180.0;  // below three o'clock, y growing downwards

  LOGBRUSH stroke{BS_SOLID, kArrowColor, 0};
  const HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT,
                                DWORD(std::max(1L, std::lround(kWidth * frame.FScale))), &stroke, 0, nullptr);
  const HGDIOBJ oldPen = SelectObject(dc, pen);
  const int oldDirection = SetArcDirection(dc, AD_CLOCKWISE);
  const POINT topLeft = frame.At(kCentre - kRadius, kCentre - kRadius);
  const POINT bottomRight = frame.At(kCentre + kRadius, kCentre + kRadius);
  const POINT start = frame.At(kCentre + kRadius * std::cos(startAngle), kCentre - kRadius * std::sin(startAngle));
  const POINT end = frame.At(kCentre + kRadius * std::cos(endAngle), kCentre + kRadius * std::sin(endAngle));
  Arc(dc, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y, start.x, start.y, end.x, end.y);
  SetArcDirection(dc, oldDirection);
  SelectObject(dc, oldPen);
  DeleteObject(pen);

  const double endX = kCentre + kRadius * std::cos(endAngle);
  const double endY = kCentre + kRadius * std::sin(endAngle);
  const double normalX = std::cos(endAngle), normalY = std::sin(endAngle);
  const double tangentX = -std::sin(endAngle), tangentY = std::cos(endAngle);
  const std::array<POINT, 3> head = {frame.At(endX + tangentX * kWidth * 1.8, endY + tangentY * kWidth * 1.8),
                                     frame.At(endX + normalX * kWidth * 1.5, endY + normalY * kWidth * 1.5),
                                     frame.At(endX - normalX * kWidth * 1.5, endY - normalY * kWidth * 1.5)};
  const HBRUSH fill = CreateSolidBrush(kArrowColor);
  const HGDIOBJ oldBrush = SelectObject(dc, fill);
  const HGDIOBJ noPen = SelectObject(dc, GetStockObject(NULL_PEN));
  Polygon(dc, head.data(), int(head.size()));
  SelectObject(dc, oldBrush);
  SelectObject(dc, noPen);
  DeleteObject(fill);
}

}  // namespace

void DrawFlatButton(const DRAWITEMSTRUCT& item, TButtonPicture picture, UINT dpi) {
  const HDC dc = item.hDC;
  RECT box = item.rcItem;
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  if (pressed) DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
  // A pressed button's contents move one pixel down and right, as a raised button's do.
  const int shift = pressed ? 1 : 0;
  const double scale = double(dpi) / kLayoutDpi;

  wchar_t caption[64] = {};
  GetWindowTextW(item.hwndItem, caption, int(std::size(caption)));
  const HGDIOBJ oldFont = SelectObject(dc, HGDIOBJ(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
  SIZE text{};
  GetTextExtentPoint32W(dc, caption, int(wcslen(caption)), &text);
  const int pictureWidth = picture == TButtonPicture::None ? 0 : int(std::lround((kPictureSize + kPictureGap) * scale));
  const int contentLeft = box.left + (box.right - box.left - pictureWidth - text.cx) / 2 + shift;
  const int middle = (box.top + box.bottom) / 2 + shift;

  const TPictureFrame frame{double(contentLeft), middle - kPictureSize * scale / 2, scale};
  if (picture == TButtonPicture::Plus) DrawPlus(dc, frame);
  if (picture == TButtonPicture::Arrow) DrawArrow(dc, frame);

  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : kCaptionColor);
  SetBkMode(dc, TRANSPARENT);
  RECT captionBox{contentLeft + pictureWidth, box.top + shift, box.right, box.bottom + shift};
  DrawTextW(dc, caption, -1, &captionBox, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);

  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = box;
    InflateRect(&focus, -2, -2);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace ipmdb::ui::win32
