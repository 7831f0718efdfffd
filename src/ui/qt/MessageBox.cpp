// The message boxes, the list of open ones and the test hook.
#include "ui/qt/MessageBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPointer>
#include <QSpacerItem>
#include <QStyle>
#include <algorithm>
#include <utility>
#include <vector>

namespace ipmdb::ui {
namespace {

// Room the title bar takes besides the caption: the window icon on the left and the close,
// minimise and maximise buttons on the right, each about two lines of text wide.
constexpr int kTitleBarControls = 4;
constexpr int kLinesPerControl = 2;

TMessageBox::THook& Hook() {
  static TMessageBox::THook hook;
  return hook;
}

// The boxes whose event loop runs now; a box leaves the list when it is destroyed.
std::vector<QPointer<QMessageBox>>& OpenBoxes() {
  static std::vector<QPointer<QMessageBox>> boxes;
  return boxes;
}

// A message box sizes itself to its text; a spacer as wide as the caption needs, across all its
// columns, keeps it from growing narrower than that.
void WidenForCaption(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  grid->addItem(new QSpacerItem(TMessageBox::CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

int ShowBox(const TMessageBoxRequest& request, QWidget* owner) {
  const QMessageBox::StandardButtons buttons =
      request.FYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::StandardButtons(QMessageBox::Ok);
  QMessageBox box(request.FIcon, request.FCaption, request.FText, buttons, owner);
  WidenForCaption(box);
  OpenBoxes().emplace_back(&box);
  // A question waits modally for its owner's sake. A plain box has no parent, so it is a window
  // of its own that disables no other; QMessageBox makes itself application-modal unless told
  // otherwise.
  int pressed = 0;
  if (request.FYesNo) {
    pressed = box.exec();
  } else {
    box.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    box.show();
    loop.exec();
  }
  std::erase_if(OpenBoxes(), [&box](const QPointer<QMessageBox>& open) { return open == &box || open.isNull(); });
  if (!request.FYesNo) return kIdOk;
  return pressed == QMessageBox::Yes ? kIdYes : kIdNo;
}

}  // namespace

QMessageBox::Icon IconOfKind(uint8_t kind) {
  switch (kind) {
    case kMsgWarning:
      return QMessageBox::Warning;
    case kMsgError:
      return QMessageBox::Critical;
    case kMsgQuestion:
      return QMessageBox::Question;
    default:
      return QMessageBox::Information;
  }
}

int TMessageBox::Show(const TMessageBoxRequest& request, QWidget* owner) {
  if (Hook()) {
    if (const std::optional<int> answer = Hook()(request)) return *answer;
  }
  return ShowBox(request, owner);
}

void TMessageBox::CloseAllBoxes() {
  // Copied first: closing a box may run code that shows or removes others.
  const std::vector<QPointer<QMessageBox>> boxes = OpenBoxes();
  for (const QPointer<QMessageBox>& box : boxes) {
    if (box) box->close();
  }
}

int TMessageBox::CaptionWidth(const QString& caption) {
  const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
  return metrics.horizontalAdvance(caption) + kTitleBarControls * kLinesPerControl * metrics.height();
}

void TMessageBox::SetTestHook(THook hook) { Hook() = std::move(hook); }

int ShowMsg(const QString& text, uint8_t kind) {
  return TMessageBox::Show({QCoreApplication::applicationName(), text, IconOfKind(kind)});
}

bool AskYesNo(QWidget* owner, const QString& question) {
  return TMessageBox::Show({QCoreApplication::applicationName(), question, QMessageBox::Question, true}, owner) ==
         kIdYes;
}

}  // namespace ipmdb::ui
