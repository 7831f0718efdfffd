// TFrmMain's layout: the controls in layout pixels (96 DPI) scaled to the window's DPI, the
// panels' bevels, the controls' colours and fonts, and where the window opens.
#include "ui/win32/FrmMain.h"

#include <commctrl.h>

#include "engine/Branding.h"
#include "platform/win32/Wide.h"
#include "ui/core/LogLines.h"
#include "ui/core/Texts.h"
#include "ui/core/WindowPlace.h"
#include "ui/win32/FlatButton.h"
#include "ui/win32/HyperLink.h"
#include "ui/win32/ProgressBar.h"

namespace ipmdb::ui::win32 {
namespace {

constexpr int kClientWidth = 476;
// The top panel: the text database row, the output row and the output path under it.
constexpr int kTopPanelHeight = 105;
constexpr int kLogPanelHeight = 194;
constexpr int kStatusBarHeight = 20;
constexpr int kClientHeight = kTopPanelHeight + kLogPanelHeight + kStatusBarHeight;
constexpr int kStatusBarTop = kTopPanelHeight + kLogPanelHeight;
// The log and the progress bar fill their panel inside the panel's two one-pixel bevels.
constexpr int kBevelWidth = 2;
constexpr int kProgressHeight = 18;
constexpr int kLogHeight = kLogPanelHeight - 2 * kBevelWidth - kProgressHeight;
// Character heights in layout pixels: the window's font and the log's.
constexpr int kWindowFontPixels = 12;
constexpr int kLogFontPixels = 13;

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_ACCEPTFILES | WS_EX_CONTROLPARENT;

const COLORREF kGreen = RGB(0, 128, 0);

// Each control's place in layout pixels. The link's size comes from its text.
struct TPlace {
  TControlId FId;
  RECT FBox;  // left, top, width, height
};
constexpr TPlace kPlaces[] = {
    {kEdtTxtDbLabel, {0, 15, 117, 20}},
    {kEdtTxtDb, {120, 15, 280, 20}},
    {kBtnSelTxt, {407, 14, 54, 23}},
    {kLabel1, {23, 51, 134, 14}},
    {kBtnOutput, {160, 44, 60, 23}},
    {kBtnFolder, {224, 44, 90, 23}},
    {kBtnDo, {407, 44, 54, 23}},
    {kLabel2, {120, 78, kClientWidth - 15 - 120, 20}},
    {kMemInfo, {kBevelWidth, kTopPanelHeight + kBevelWidth, kClientWidth - 2 * kBevelWidth, kLogHeight}},
    {kPbProgress,
     {kBevelWidth, kTopPanelHeight + kBevelWidth + kLogHeight, kClientWidth - 2 * kBevelWidth, kProgressHeight}},
    {kLabel3, {22, kStatusBarTop + 4, 90, 14}},
    // The link's text starts inside its focus frame.
    {kHyperLink1, {111, kStatusBarTop + 2, 0, 0}},
};

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
  AddControl(L"STATIC", kEdtTxtDbLabel, texts::TextDatabaseLabel(), SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX);
  edt_txt_db = AddControl(L"EDIT", kEdtTxtDb, "", WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
  AddControl(L"BUTTON", kBtnSelTxt, texts::Select(), WS_TABSTOP | BS_OWNERDRAW);
  AddControl(L"STATIC", kLabel1, texts::OutputLabel(), SS_NOPREFIX);
  AddControl(L"BUTTON", kBtnOutput, texts::ChangeOutput(), WS_TABSTOP | BS_OWNERDRAW);
  btnfolder = AddControl(L"BUTTON", kBtnFolder, texts::OpenFolder(), WS_TABSTOP | BS_OWNERDRAW);
  btndo = AddControl(L"BUTTON", kBtnDo, CaptionOf(FRunState), WS_TABSTOP | BS_OWNERDRAW);
  Label2 = AddControl(L"STATIC", kLabel2, "", SS_PATHELLIPSIS | SS_CENTERIMAGE | SS_NOPREFIX);
  meminfo = AddControl(L"EDIT", kMemInfo, WelcomeLogLine(),
                       WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL);
  FLogLines = 1;
  // An edit holds about 32,000 characters unless told otherwise; the log has no limit of its own.
  SendMessageW(meminfo, EM_SETLIMITTEXT, 0, 0);
  pbProgress = CreateProgressBar(FHandle, kPbProgress, &FWindowFont);
  AddControl(L"STATIC", kLabel3, texts::MakerLabel(), SS_NOPREFIX);
  AddControl(HyperLinkClass(), kHyperLink1, MakerUrl(), WS_TABSTOP);
  PlaceControls();
}

void TFrmMain::MakeFonts() {
  const HFONT oldWindowFont = FWindowFont;
  const HFONT oldLogFont = FLogFont;
  FWindowFont = SongFont(Scale(kWindowFontPixels));
  FLogFont = SongFont(Scale(kLogFontPixels));
  // The controls hold the old fonts until PlaceControls gives them the new ones.
  if (oldWindowFont != nullptr) {
    PlaceControls();
    DeleteObject(oldWindowFont);
    DeleteObject(oldLogFont);
  }
}

void TFrmMain::PlaceControls() {
  for (const TPlace& place : kPlaces) {
    const HWND control = GetDlgItem(FHandle, place.FId);
    const HFONT font = place.FId == kMemInfo ? FLogFont : FWindowFont;
    SetWindowPos(control, nullptr, Scale(place.FBox.left), Scale(place.FBox.top), Scale(place.FBox.right),
                 Scale(place.FBox.bottom), SWP_NOZORDER | SWP_NOACTIVATE | (place.FId == kHyperLink1 ? SWP_NOSIZE : 0));
    SendMessageW(control, WM_SETFONT, WPARAM(font), TRUE);
  }
  InvalidateRect(FHandle, nullptr, TRUE);
}

// At the layout's place when the window, frame included, fits the work area of the monitor
// there; otherwise moved inside it, so that no part (the status bar first) is off screen at any
// scale.
void TFrmMain::PlaceOnScreen() {
  RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
  AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, kWindowExStyle, FDpi);
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
  RECT logPanel{0, Scale(kTopPanelHeight), Scale(kClientWidth), Scale(kStatusBarTop)};
  DrawEdge(dc, &logPanel, EDGE_ETCHED, BF_RECT);
  RECT statusBar{0, Scale(kStatusBarTop), Scale(kClientWidth), Scale(kClientHeight)};
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
    SetTextColor(dc, kGreen);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return LRESULT(GetSysColorBrush(COLOR_WINDOW));
  }
  if (control == Label2) SetTextColor(dc, kGreen);
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
