// ShowMsg, the program's message box, and the wrapper that shows it. The box has no owner
// window and is not modal: while it is open the main window keeps handling its events, progress
// lines keep arriving in the log and the buttons respond. ShowMsg returns only once the user has
// acknowledged the box, because it waits in an event loop of its own.
//
// Tests set a hook in place of the real box, so that no test ever waits on one.
#pragma once

#include <QMessageBox>
#include <QString>
#include <cstdint>
#include <functional>

namespace ipmdb::ui {

// The value ShowMsg returns once the box's one button has been pressed (or the box closed).
inline constexpr int kIdOk = 1;

// Message box kinds, the icons they select.
inline constexpr uint8_t kMsgWarning = 0;
inline constexpr uint8_t kMsgError = 1;
inline constexpr uint8_t kMsgInformation = 2;
inline constexpr uint8_t kMsgQuestion = 3;

// Warning, error, information, question for kinds 0 to 3; information for any other kind.
QMessageBox::Icon IconOfKind(uint8_t kind);

struct TMessageBoxRequest {
  QString FCaption;
  QString FText;
  QMessageBox::Icon FIcon = QMessageBox::Information;
};

class TMessageBox {
 public:
  // Returns what the user pressed: always kIdOk, as the box has a single OK button.
  static int Show(const TMessageBoxRequest& request);

  // While a hook is set, Show hands each request to it instead of opening a box and returns what
  // the hook returns. An empty hook restores the real box.
  using THook = std::function<int(const TMessageBoxRequest&)>;
  static void SetTestHook(THook hook);
};

// The text in a box with the icon of `kind`, captioned with the application title (the
// application name; FormCreate sets it). Returns the pressed button.
int ShowMsg(const QString& text, uint8_t kind);

}  // namespace ipmdb::ui
