// The open-file dialog through which the user chooses the text database. It remembers the full
// name of the last file chosen and starts every later opening with that name filled in; before
// the first choice it opens in its initial folder.
//
// Tests set a hook that answers in place of the real dialog, so that no test ever waits on one.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace ipmdb::ui {

// The dialog's two filter entries; the first is selected when it opens. On this platform "*.*"
// matches the names that contain a dot.
inline constexpr char kTextDatabaseFilter[] = "文本IP数据库(*.txt)";
inline constexpr char kAllFilesFilter[] = "所有文件(*.*)";

class TOpenDialog {
 public:
  QStringList Filters() const;

  const QString& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const QString& folder) { FInitialDir = folder; }

  // The full name of the last file chosen; empty before the first choice.
  const QString& FileName() const { return FFileName; }

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

}  // namespace ipmdb::ui
