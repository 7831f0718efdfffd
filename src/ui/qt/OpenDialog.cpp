// The file dialogs and their test hooks.
#include "ui/qt/OpenDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <utility>

#include "ui/core/Texts.h"
#include "ui/qt/QtText.h"

namespace ipmdb::ui {
namespace {

TOpenDialog::THook& Hook() {
  static TOpenDialog::THook hook;
  return hook;
}

TSaveDialogHook& SaveHook() {
  static TSaveDialogHook hook;
  return hook;
}

// Qt's own dialog asks before an existing file is replaced (no DontConfirmOverwrite).
std::optional<QString> AskUserForOutput(QWidget* owner, const QString& current) {
  QFileDialog dialog(owner, ToQString(texts::OutputDialogTitle()));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({ToQString(texts::AccessDatabaseFilter()), ToQString(texts::AllFilesFilter())});
  dialog.setDefaultSuffix(QStringLiteral("MDB"));
  dialog.setDirectory(QFileInfo(current).absolutePath());
  dialog.selectFile(QFileInfo(current).fileName());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.front();
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
  return {ToQString(texts::TextDatabaseFilter()), ToQString(texts::AllFilesFilter())};
}

bool TOpenDialog::Execute(QWidget* owner) {
  const std::optional<QString> chosen = Hook() ? Hook()(*this) : AskUser(*this, owner);
  if (!chosen) return false;
  FFileName = *chosen;
  return true;
}

void TOpenDialog::SetTestHook(THook hook) { Hook() = std::move(hook); }

std::optional<QString> AskOutputPath(QWidget* owner, const QString& current) {
  return SaveHook() ? SaveHook()(current) : AskUserForOutput(owner, current);
}

void SetSaveDialogTestHook(TSaveDialogHook hook) { SaveHook() = std::move(hook); }

}  // namespace ipmdb::ui
