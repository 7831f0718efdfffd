// The hyperlink window class.
#include "ui/win32/HyperLink.h"

#include <string>

#include "platform/win32/Wide.h"
#include "ui/core/Layout.h"
#include "ui/win32/Shell.h"
#include "ui/win32/WindowText.h"

namespace ipmdb::ui::win32 {
namespace {

constexpr wchar_t kClassName[] = L"IpmdbHyperLink";
const COLORREF kRestColor = RGB(layout::kLinkColor.FRed, layout::kLinkColor.FGreen, layout::kLinkColor.FBlue);
const COLORREF kEnterColor =
    RGB(layout::kLinkHoverColor.FRed, layout::kLinkHoverColor.FGreen, layout::kLinkHoverColor.FBlue);
// Room around the text for the focus frame, in device pixels.
constexpr int kFocusMargin = 2;

struct TLinkState {
  HFONT FFont = nullptr;       // the parent's, not owned
  HFONT FEnterFont = nullptr;  // bold and underlined, owned
  bool FEntered = false;
  bool FPressed = false;
};

TLinkState* StateOf(HWND link) { return reinterpret_cast<TLinkState*>(GetWindowLongPtrW(link, GWLP_USERDATA)); }

void SetFont(HWND link, TLinkState& state, HFONT font) {
  if (state.FEnterFont != nullptr) DeleteObject(state.FEnterFont);
  state.FFont = font;
  LOGFONTW look{};
  GetObjectW(font != nullptr ? HGDIOBJ(font) : GetStockObject(DEFAULT_GUI_FONT), sizeof(look), &look);
  look.lfWeight = FW_BOLD;
  look.lfUnderline = TRUE;
  state.FEnterFont = CreateFontIndirectW(&look);

  const HDC dc = GetDC(link);
  const HGDIOBJ old = SelectObject(dc, state.FEnterFont);
  const std::wstring text = WindowText(link);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(link, dc);
  SetWindowPos(link, nullptr, 0, 0, size.cx + 2 * kFocusMargin, size.cy + 2 * kFocusMargin,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Paint(HWND link, const TLinkState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(link, &paint);
  RECT box;
  GetClientRect(link, &box);
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  const HGDIOBJ old = SelectObject(dc, state.FEntered ? state.FEnterFont : state.FFont);
  SetTextColor(dc, state.FEntered ? kEnterColor : kRestColor);
  SetBkMode(dc, TRANSPARENT);
  RECT textBox = box;
  InflateRect(&textBox, -kFocusMargin, -kFocusMargin);
  const std::wstring text = WindowText(link);
  DrawTextW(dc, text.c_str(), int(text.size()), &textBox, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  if (GetFocus() == link) DrawFocusRect(dc, &box);
  EndPaint(link, &paint);
}

void Click(HWND link) {
  if (OpenWithShell(platform::Utf8FromWide(WindowText(link)))) return;
  const int id = GetDlgCtrlID(link);
  SendMessageW(GetParent(link), WM_COMMAND, MAKEWPARAM(id, kLinkOpenFailed), LPARAM(link));
}

void SetEntered(HWND link, TLinkState& state, bool entered) {
  if (state.FEntered == entered) return;
  state.FEntered = entered;
  if (entered) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, link, 0};
    TrackMouseEvent(&track);
  }
  InvalidateRect(link, nullptr, TRUE);
}

LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam) {
  TLinkState* state = StateOf(link);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(link, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TLinkState));
      break;
    case WM_NCDESTROY:
      if (state != nullptr) {
        if (state->FEnterFont != nullptr) DeleteObject(state->FEnterFont);
        delete state;
        SetWindowLongPtrW(link, GWLP_USERDATA, 0);
      }
      break;
    case WM_SETFONT:
      SetFont(link, *state, HFONT(wParam));
      if (LOWORD(lParam) != 0) InvalidateRect(link, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return LRESULT(state->FFont);
    case WM_PAINT:
      Paint(link, *state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    case WM_MOUSEMOVE:
      SetEntered(link, *state, true);
      return 0;
    case WM_MOUSELEAVE:
      SetEntered(link, *state, false);
      return 0;
    case WM_LBUTTONDOWN:
      state->FPressed = true;
      SetFocus(link);
      SetCapture(link);
      return 0;
    case WM_LBUTTONUP: {
      const bool pressed = state->FPressed;
      state->FPressed = false;
      ReleaseCapture();
      RECT box;
      GetClientRect(link, &box);
      const POINT at{short(LOWORD(lParam)), short(HIWORD(lParam))};
      if (pressed && PtInRect(&box, at)) Click(link);
      return 0;
    }
    case WM_GETDLGCODE:
      // Enter and Space come to the link instead of the dialog manager's default button.
      return DLGC_WANTCHARS | (wParam == VK_RETURN ? DLGC_WANTMESSAGE : 0);
    case WM_KEYDOWN:
      if (wParam == VK_SPACE || wParam == VK_RETURN) Click(link);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(link, nullptr, TRUE);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(link, message, wParam, lParam);
}

}  // namespace

const wchar_t* HyperLinkClass() {
  static const ATOM registered = [] {
    WNDCLASSEXW link{};
    link.cbSize = sizeof(link);
    link.lpfnWndProc = LinkProc;
    link.hInstance = GetModuleHandleW(nullptr);
    link.lpszClassName = kClassName;
    return RegisterClassExW(&link);
  }();
  (void)registered;
  return kClassName;
}

}  // namespace ipmdb::ui::win32
