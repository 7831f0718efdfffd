// The window's dialogs and message boxes, with the system's own wide functions.
//
// ShowMsg's box has no owner window: the main window stays enabled while it is open, and since
// the box's own message loop dispatches the window's messages, progress lines keep arriving in
// the log and the buttons respond. The question box is modal to its owner.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace ipmdb::ui::win32 {

// Message box kinds, the icons they select.
inline constexpr uint8_t kMsgWarning = 0;
inline constexpr uint8_t kMsgError = 1;
inline constexpr uint8_t kMsgInformation = 2;
inline constexpr uint8_t kMsgQuestion = 3;

// The text (UTF-8) in a box without owner, captioned with the application title. Returns the
// button pressed.
int ShowMsg(const std::string& text, uint8_t kind);

// The question in a Yes/No box modal to `owner`, captioned with the application title. True for
// Yes.
bool AskYesNo(HWND owner, const std::string& question);

// The open-file dialog of the text database. It keeps the full name of the last file chosen and
// starts every later opening with it; before the first choice it opens in its initial folder.
class TOpenDialog {
 public:
  void SetInitialDir(const std::string& folder) { FInitialDir = folder; }
  const std::string& FileName() const { return FFileName; }
  // A file chosen another way (dropped, or named on the command line) is set here too.
  void SetFileName(const std::string& path) { FFileName = path; }

  // Shows the dialog, modal to `owner`. True when the user chose a name, which FileName then
  // holds; the name need not exist.
  bool Execute(HWND owner);

 private:
  std::string FInitialDir;
  std::string FFileName;
};

// The save dialog of the output database, modal to `owner`, starting at `current`; it asks
// before replacing an existing file. Nothing when the user cancelled.
std::optional<std::string> AskOutputPath(HWND owner, const std::string& current);

}  // namespace ipmdb::ui::win32
