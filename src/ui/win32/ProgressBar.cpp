// The progress bar with its text.
#include "ui/win32/ProgressBar.h"

#include <commctrl.h>

#include <string>

#include "ui/win32/WindowText.h"

namespace ipmdb::ui::win32 {
namespace {

constexpr UINT_PTR kTextSubclass = 1;

// The bar paints itself into a memory bitmap (WM_PRINTCLIENT), the text goes over it, and the
// result reaches the screen in one copy, so the text never flickers.
void Paint(HWND bar, const HFONT* font) {
  PAINTSTRUCT paint;
  const HDC screen = BeginPaint(bar, &paint);
  RECT box;
  GetClientRect(bar, &box);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, box.right, box.bottom);
  const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  DefSubclassProc(bar, WM_PRINTCLIENT, WPARAM(memory), PRF_CLIENT | PRF_ERASEBKGND);

  const std::wstring text = WindowText(bar);
  const HGDIOBJ oldFont = SelectObject(memory, *font);
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(memory, text.c_str(), int(text.size()), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(memory, oldFont);

  BitBlt(screen, 0, 0, box.right, box.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(bar, &paint);
}

LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR font) {
  switch (message) {
    case WM_PAINT:
      Paint(bar, reinterpret_cast<const HFONT*>(font));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      RemoveWindowSubclass(bar, BarProc, kTextSubclass);
      break;
    default:
      break;
  }
  return DefSubclassProc(bar, message, wParam, lParam);
}

}  // namespace

HWND CreateProgressBar(HWND parent, int id, const HFONT* font) {
  const HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  SetWindowSubclass(bar, BarProc, kTextSubclass, reinterpret_cast<DWORD_PTR>(font));
  return bar;
}

void ShowProgress(HWND bar, int percent, const wchar_t* text) {
  SendMessageW(bar, PBM_SETPOS, WPARAM(percent), 0);
  SetWindowTextW(bar, text);
  InvalidateRect(bar, nullptr, FALSE);
}

}  // namespace ipmdb::ui::win32
