// The file dialogs and message boxes.
#include "ui/win32/Dialogs.h"

#include <commdlg.h>

#include <vector>

#include "platform/win32/Wide.h"
#include "ui/core/Texts.h"

namespace ipmdb::ui::win32 {
namespace {

// Room for a long path in the dialogs' name buffer: the "\\?\" form allows about 32,767
// characters.
constexpr size_t kNameCapacity = 32768;

std::wstring Title() { return platform::WideFromUtf8(texts::ApplicationTitle()); }

// One entry of a dialog's filter from a text such as "文本IP数据库(*.txt)": the text as the
// entry's name, the blank-separated patterns between its last parentheses joined with ';'.
void AppendFilter(std::wstring& filter, const std::string& entry) {
  const std::wstring name = platform::WideFromUtf8(entry);
  const size_t open = name.rfind(L'(');
  const size_t close = name.rfind(L')');
  std::wstring patterns = open != std::wstring::npos && close > open ? name.substr(open + 1, close - open - 1) : L"*.*";
  for (wchar_t& c : patterns) {
    if (c == L' ') c = L';';
  }
  filter += name;
  filter += L'\0';
  filter += patterns;
  filter += L'\0';
}

// The name buffer a dialog fills, holding `start` to begin with.
std::vector<wchar_t> NameBuffer(const std::string& start) {
  std::vector<wchar_t> buffer(kNameCapacity, L'\0');
  const std::wstring wide = platform::WideFromUtf8(start);
  if (wide.size() < kNameCapacity) wide.copy(buffer.data(), wide.size());
  return buffer;
}

// Its icon and one OK button; information for any kind beyond the four.
UINT MessageBoxStyleOf(uint8_t kind) {
  switch (kind) {
    case kMsgWarning:
      return MB_OK | MB_ICONWARNING;
    case kMsgError:
      return MB_OK | MB_ICONERROR;
    case kMsgQuestion:
      return MB_OK | MB_ICONQUESTION;
    default:
      return MB_OK | MB_ICONINFORMATION;
  }
}

// A file dialog's settings common to both: owner, filter (first entry selected), name buffer,
// the explorer look with a resizable frame, no read-only box, and the working folder left alone.
OPENFILENAMEW FileDialog(HWND owner, const std::wstring& filter, std::vector<wchar_t>& name) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = DWORD(name.size());
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  return dialog;
}

}  // namespace

int ShowMsg(const std::string& text, uint8_t kind) {
  return MessageBoxW(nullptr, platform::WideFromUtf8(text).c_str(), Title().c_str(), MessageBoxStyleOf(kind));
}

bool AskYesNo(HWND owner, const std::string& question) {
  return MessageBoxW(owner, platform::WideFromUtf8(question).c_str(), Title().c_str(),
                     MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool TOpenDialog::Execute(HWND owner) {
  std::wstring filter;
  AppendFilter(filter, texts::TextDatabaseFilter());
  AppendFilter(filter, texts::AllFilesFilter());
  std::vector<wchar_t> name = NameBuffer(FFileName);
  const std::wstring initialDir = platform::WideFromUtf8(FInitialDir);

  OPENFILENAMEW dialog = FileDialog(owner, filter, name);
  dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  if (!GetOpenFileNameW(&dialog)) return false;
  FFileName = platform::Utf8FromWide(name.data());
  return true;
}

std::optional<std::string> AskOutputPath(HWND owner, const std::string& current) {
  std::wstring filter;
  AppendFilter(filter, texts::AccessDatabaseFilter());
  std::vector<wchar_t> name = NameBuffer(current);
  const std::wstring title = platform::WideFromUtf8(texts::OutputDialogTitle());

  OPENFILENAMEW dialog = FileDialog(owner, filter, name);
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = L"mdb";
  dialog.Flags |= OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return platform::Utf8FromWide(name.data());
}

}  // namespace ipmdb::ui::win32
