// The file dialogs: the open-file dialog through which the user chooses the text database, and
// the save dialog that chooses the output database. The open-file dialog remembers the full name
// of the last file chosen and starts every later opening with that name filled in; before the
// first choice it opens in its initial folder.
//
// Tests set hooks that answer in place of the real dialogs, so that no test ever waits on one.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace ipmdb::ui {

class TOpenDialog {
 public:
  // The two filter entries; the first is selected when the dialog opens. On this platform "*.*"
  // matches the names that contain a dot.
  QStringList Filters() const;

  const QString& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const QString& folder) { FInitialDir = folder; }

  // The full name of the last file chosen; empty before the first choice. A file chosen another
  // way (dropped, or named on the command line) is set here, so the dialog starts from it too.
  const QString& FileName() const { return FFileName; }
  void SetFileName(const QString& path) { FFileName = path; }

  // Shows the dialog, modal to `owner`. True when the user chose a name (which FileName then
  // holds), false when they cancelled (FileName keeps the earlier choice). The name need not
  // exist: checking it is the caller's business.
  bool Execute(QWidget* owner);

  // While a hook is set, Execute asks it instead of showing the dialog: a name means the user
  // chose it, nothing means they cancelled. An empty hook restores the real dialog.
  using THook = std::function<std::optional<QString>(const TOpenDialog&)>;
  static void SetTestHook(THook hook);

 private:
  QString FInitialDir;
  QString FFileName;
};

// The save dialog for the output database, modal to `owner`, starting at `current`. It asks before
// replacing an existing file. The chosen name, or nothing when the user cancelled.
std::optional<QString> AskOutputPath(QWidget* owner, const QString& current);

// While a hook is set, AskOutputPath asks it instead of showing the dialog. An empty hook restores
// the real dialog.
using TSaveDialogHook = std::function<std::optional<QString>(const QString& current)>;
void SetSaveDialogTestHook(TSaveDialogHook hook);

}  // namespace ipmdb::ui
