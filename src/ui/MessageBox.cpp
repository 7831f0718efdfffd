// The message box and its test hook.
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <utility>

namespace ipmdb::ui {
namespace {

TMessageBox::THook& Hook() {
  static TMessageBox::THook hook;
  return hook;
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

int TMessageBox::Show(const TMessageBoxRequest& request) {
  if (Hook()) return Hook()(request);
  // Without a parent the box is a window of its own and disables no other window; QMessageBox
  // makes itself application-modal unless told otherwise.
  QMessageBox box(request.FIcon, request.FCaption, request.FText, QMessageBox::Ok);
  box.setWindowModality(Qt::NonModal);
  QEventLoop loop;
  QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
  box.show();
  loop.exec();
  return kIdOk;
}

void TMessageBox::SetTestHook(THook hook) { Hook() = std::move(hook); }

int ShowMsg(const QString& text, uint8_t kind) {
  return TMessageBox::Show({QCoreApplication::applicationName(), text, IconOfKind(kind)});
}

}  // namespace ipmdb::ui
