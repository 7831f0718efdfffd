// TFrmMain's layout: the controls in layout pixels (96 DPI) scaled to the window's DPI, the
// panels' bevels, the controls' colours and fonts, and where the window opens.
#include "ui/win32/FrmMain.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "engine/Branding.h"
#include "platform/win32/Wide.h"
#include "ui/core/Layout.h"
#include "ui/core/LogLines.h"
#include "ui/core/Texts.h"
#include "ui/core/WindowPlace.h"
#include "ui/win32/FlatButton.h"
#include "ui/win32/HyperLink.h"
#include "ui/win32/ProgressBar.h"
#include "ui/win32/WindowText.h"

namespace ipmdb::ui::win32 {
namespace {

// The link draws its text inside a frame for the keyboard focus this wide (HyperLink.h).
constexpr int kLinkFocusMargin = 2;

// The layout's places that a control takes as they are, moved from their band into the client
// area. The labels and the link take their texts' sizes (PlaceControls).
struct TPlace {
  TControlId FId;
  TRect FBox;
  int FBandTop;
};
constexpr TPlace kPlaces[] = {
    {kEdtTxtDb, layout::kTextDatabaseEdit, 0},
    {kBtnSelTxt, layout::kSelectButton, 0},
    {kBtnOutput, layout::kChangeOutputButton, 0},
    {kBtnFolder, layout::kOpenFolderButton, 0},
    {kBtnDo, layout::kConvertButton, 0},
    {kLabel2, layout::kOutputPath, 0},
    {kMemInfo, layout::kLog, layout::kTopPanelHeight},
    {kPbProgress, layout::kProgress, layout::kTopPanelHeight},
};

COLORREF ColorRef(layout::TColor color) { return RGB(color.FRed, color.FGreen, color.FBlue); }

// The size of the control's text in `font`, in device pixels.
SIZE TextSize(HWND control, HFONT font) {
  const std::wstring text = WindowText(control);
  const HDC dc = GetDC(control);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

void Move(HWND control, int left, int top, int width, int height) {
  SetWindowPos(control, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string MakerUrl() { return std::string(engine::kMakerUrl); }

// The Song typeface the layout asks for; the font mapper substitutes where it is missing.
HFONT SongFont(int pixels) {
  return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"SimSun");
}

}  // namespace

int TFrmMain::Scale(int layoutPixels) const { return MulDiv(layoutPixels, int(FDpi), USER_DEFAULT_SCREEN_DPI); }

HWND TFrmMain::AddControl(const wchar_t* className, TControlId id, const std::string& text, DWORD style,
                          DWORD exStyle) {
  return CreateWindowExW(exStyle, className, platform::WideFromUtf8(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0,
                         0, 0, 0, FHandle, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
}

// The controls are made in tab order.
void TFrmMain::BuildLayout() {
  FDpi = GetDpiForWindow(FHandle);
  MakeFonts();
  AddControl(L"STATIC", kEdtTxtDbLabel, texts::TextDatabaseLabel(), SS_LEFTNOWORDWRAP | SS_NOPREFIX);
  edt_txt_db = AddControl(L"EDIT", kEdtTxtDb, "", WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
  AddControl(L"BUTTON", kBtnSelTxt, texts::Select(), WS_TABSTOP | BS_OWNERDRAW);
  AddControl(L"STATIC", kLabel1, texts::OutputLabel(), SS_LEFTNOWORDWRAP | SS_NOPREFIX);
  AddControl(L"BUTTON", kBtnOutput, texts::ChangeOutput(), WS_TABSTOP | BS_OWNERDRAW);
  btnfolder = AddControl(L"BUTTON", kBtnFolder, texts::OpenFolder(), WS_TABSTOP | BS_OWNERDRAW);
  btndo = AddControl(L"BUTTON", kBtnDo, CaptionOf(FRunState), WS_TABSTOP | BS_OWNERDRAW);
  // SS_NOTIFY: a static control lets the mouse through to its parent without it, and the tip
  // would never see the pointer.
  Label2 = AddControl(L"STATIC", kLabel2, "", SS_PATHELLIPSIS | SS_CENTERIMAGE | SS_NOPREFIX | SS_NOTIFY);
  FOutputTip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FHandle, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = FHandle;
  tool.uId = reinterpret_cast<UINT_PTR>(Label2);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(FOutputTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  meminfo = AddControl(L"EDIT", kMemInfo, WelcomeLogLine(),
                       WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL);
  FLogLines = 1;
  // An edit holds about 32,000 characters unless told otherwise; the log has no limit of its own.
  SendMessageW(meminfo, EM_SETLIMITTEXT, 0, 0);
  pbProgress = CreateProgressBar(FHandle, kPbProgress, &FWindowFont);
  AddControl(L"STATIC", kLabel3, texts::MakerLabel(), SS_LEFTNOWORDWRAP | SS_NOPREFIX);
  AddControl(HyperLinkClass(), kHyperLink1, MakerUrl(), WS_TABSTOP);
  PlaceControls();
}

void TFrmMain::MakeFonts() {
  const HFONT oldWindowFont = FWindowFont;
  const HFONT oldLogFont = FLogFont;
  FWindowFont = SongFont(Scale(layout::kWindowFontPixels));
  FLogFont = SongFont(Scale(layout::kLogFontPixels));
  // The controls hold the old fonts until PlaceControls gives them the new ones.
  if (oldWindowFont != nullptr) {
    PlaceControls();
    DeleteObject(oldWindowFont);
    DeleteObject(oldLogFont);
  }
}

void TFrmMain::PlaceControls() {
  for (const HWND control : {GetDlgItem(FHandle, kEdtTxtDbLabel), GetDlgItem(FHandle, kLabel1),
                             GetDlgItem(FHandle, kLabel3), GetDlgItem(FHandle, kHyperLink1)}) {
    SendMessageW(control, WM_SETFONT, WPARAM(FWindowFont), TRUE);
  }
  for (const TPlace& place : kPlaces) {
    const HWND control = GetDlgItem(FHandle, place.FId);
    Move(control, Scale(place.FBox.FLeft), Scale(place.FBandTop + place.FBox.FTop), Scale(place.FBox.FWidth),
         Scale(place.FBox.FHeight));
    SendMessageW(control, WM_SETFONT, WPARAM(place.FId == kMemInfo ? FLogFont : FWindowFont), TRUE);
  }

  // The edit's label ends the spacing before the edit, centred on its height. A substitute font
  // may make it wider than the room there; it then starts at the panel's edge, giving up the
  // spacing rather than its letters.
  const HWND label = GetDlgItem(FHandle, kEdtTxtDbLabel);
  const SIZE labelSize = TextSize(label, FWindowFont);
  const TRect& edit = layout::kTextDatabaseEdit;
  const int labelRight = Scale(edit.FLeft - layout::kLabelSpacing);
  const int labelLeft = std::max(0, labelRight - int(labelSize.cx));
  Move(label, labelLeft, Scale(edit.FTop) + (Scale(edit.FHeight) - labelSize.cy) / 2, labelSize.cx, labelSize.cy);
  for (const auto& [id, at, bandTop] : {std::tuple{kLabel1, layout::kOutputLabel, 0},
                                        std::tuple{kLabel3, layout::kMakerLabel, layout::kStatusBarTop}}) {
    const HWND text = GetDlgItem(FHandle, id);
    const SIZE size = TextSize(text, FWindowFont);
    Move(text, Scale(at.FX), Scale(bandTop + at.FY), size.cx, size.cy);
  }
  // The link has sized itself to its text with the font.
  SetWindowPos(GetDlgItem(FHandle, kHyperLink1), nullptr, Scale(layout::kMakerLink.FX) - kLinkFocusMargin,
               Scale(layout::kStatusBarTop + layout::kMakerLink.FY) - kLinkFocusMargin, 0, 0,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  InvalidateRect(FHandle, nullptr, TRUE);
}

// At the layout's place when the window, frame included, fits the work area of the monitor
// there; otherwise moved inside it, so that no part (the status bar first) is off screen at any
// scale.
void TFrmMain::PlaceOnScreen() {
  RECT frame{0, 0, Scale(layout::kClientWidth), Scale(layout::kClientHeight)};
  AdjustWindowRectExForDpi(&frame, DWORD(GetWindowLongW(FHandle, GWL_STYLE)), FALSE,
                           DWORD(GetWindowLongW(FHandle, GWL_EXSTYLE)), FDpi);
  const TSize size{int(frame.right - frame.left), int(frame.bottom - frame.top)};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromPoint({kWindowTopLeft.FX, kWindowTopLeft.FY}, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const TPoint place = PlaceInside(kWindowTopLeft, size,
                                   {int(work.left), int(work.top), int(work.right - work.left), int(work.bottom - work.top)});
  SetWindowPos(FHandle, nullptr, place.FX, place.FY, size.FWidth, size.FHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The new DPI's fonts and places; the system suggests the frame's new rectangle.
void TFrmMain::ChangeDpi(UINT dpi, const RECT& suggested) {
  FDpi = dpi;
  MakeFonts();
  SetWindowPos(FHandle, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The log's panel: a raised inner bevel inside a lowered outer one. The status bar: a lowered one.
void TFrmMain::PaintPanels() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(FHandle, &paint);
  RECT logPanel{0, Scale(layout::kTopPanelHeight), Scale(layout::kClientWidth), Scale(layout::kStatusBarTop)};
  DrawEdge(dc, &logPanel, EDGE_ETCHED, BF_RECT);
  RECT statusBar{0, Scale(layout::kStatusBarTop), Scale(layout::kClientWidth), Scale(layout::kClientHeight)};
  DrawEdge(dc, &statusBar, BDR_SUNKENOUTER, BF_RECT);
  EndPaint(FHandle, &paint);
}

// WM_CTLCOLORSTATIC, which read-only edits send too: the path edit on the tooltip colour, the log
// and the output path in green, everything else on the button face.
LRESULT TFrmMain::ColorOf(HDC dc, HWND control) {
  if (control == edt_txt_db) {
    SetBkColor(dc, GetSysColor(COLOR_INFOBK));
    return LRESULT(GetSysColorBrush(COLOR_INFOBK));
  }
  if (control == meminfo) {
    SetTextColor(dc, ColorRef(layout::kGreen));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return LRESULT(GetSysColorBrush(COLOR_WINDOW));
  }
  if (control == Label2) SetTextColor(dc, ColorRef(layout::kGreen));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return LRESULT(GetSysColorBrush(COLOR_BTNFACE));
}

void TFrmMain::DrawButton(const DRAWITEMSTRUCT& item) {
  const TButtonPicture picture = item.CtlID == kBtnSelTxt ? TButtonPicture::Plus
                                 : item.CtlID == kBtnDo   ? TButtonPicture::Arrow
                                                          : TButtonPicture::None;
  DrawFlatButton(item, picture, FDpi);
}

}  // namespace ipmdb::ui::win32
