// The open-file dialog and its test hook.
#include "ui/OpenDialog.h"

#include <QFileDialog>
#include <utility>

namespace ipmdb::ui {
namespace {

TOpenDialog::THook& Hook() {
  static TOpenDialog::THook hook;
  return hook;
}

std::optional<QString> AskUser(const TOpenDialog& request, QWidget* owner) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Any name may be typed, also one that does not exist.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(request.Filters());
  dialog.selectNameFilter(request.Filters().front());
  dialog.setDirectory(request.InitialDir());
  if (!request.FileName().isEmpty()) dialog.selectFile(request.FileName());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.front();
}

}  // namespace

QStringList TOpenDialog::Filters() const {
  return {QString::fromUtf8(kTextDatabaseFilter), QString::fromUtf8(kAllFilesFilter)};
}

bool TOpenDialog::Execute(QWidget* owner) {
  const std::optional<QString> chosen = Hook() ? Hook()(*this) : AskUser(*this, owner);
  if (!chosen) return false;
  FFileName = *chosen;
  return true;
}

void TOpenDialog::SetTestHook(THook hook) { Hook() = std::move(hook); }

}  // namespace ipmdb::ui
