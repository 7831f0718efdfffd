// ShowMsg, the program's message box, AskYesNo, its question, and the wrapper that shows both.
//
// ShowMsg's box has no owner window and is not modal: while it is open the main window keeps
// handling its events, progress lines keep arriving in the log and the buttons respond. It
// returns only once the user has acknowledged the box, because it waits in an event loop of its
// own; CloseAllBoxes ends every such wait, so that closing the main window is not held up by a
// box. The question is modal to its owner: the window waits for the answer.
//
// A box is at least as wide as its caption needs, so that the title bar does not cut the title.
//
// Tests set a hook in place of the real box, so that no test ever waits on one.
#pragma once

#include <QMessageBox>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace ipmdb::ui {

// What the boxes return: the button pressed (OK also when a box was closed without a button).
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

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
  // OK alone, or Yes and No for a question.
  bool FYesNo = false;
};

class TMessageBox {
 public:
  // Shows the box: without an owner, not modal, for a plain box; modal to `owner` for a question.
  // Returns the pressed button: kIdOk for a plain box, kIdYes or kIdNo for a question (kIdNo when
  // it was closed without an answer).
  static int Show(const TMessageBoxRequest& request, QWidget* owner = nullptr);

  // Closes every box that is open now, as if its window had been closed.
  static void CloseAllBoxes();

  // The width a box needs so that its title bar shows the whole caption.
  static int CaptionWidth(const QString& caption);

  // While a hook is set, Show hands each request to it instead of opening a box and returns what
  // the hook returns; a hook that returns nothing lets the real box show. An empty hook restores
  // the real box for every request.
  using THook = std::function<std::optional<int>(const TMessageBoxRequest&)>;
  static void SetTestHook(THook hook);
};

// The text in a box with the icon of `kind`, captioned with the application title (the
// application name; FormCreate sets it). Returns the pressed button.
int ShowMsg(const QString& text, uint8_t kind);

// The question in a Yes/No box modal to `owner`, captioned with the application title. True for
// Yes.
bool AskYesNo(QWidget* owner, const QString& question);

}  // namespace ipmdb::ui
