// The default output path.
#include "ui/OutputLocation.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "database/OutputDatabase.h"

namespace ipmdb::ui {

bool CanCreateFilesIn(const QString& folder) {
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".ipmdb-probe-XXXXXX")));
  return probe.open();
}

QString DocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.isEmpty() ? QDir::homePath() : documents;
}

TOutputLocation DefaultOutputLocation(const QString& programFolder, const QString& documentsFolder,
                                      const TFolderCheck& canCreate) {
  const QString name = QString::fromUtf8(database::kOutputDatabaseName);
  if (canCreate(programFolder)) return {QDir(programFolder).filePath(name), false};
  return {QDir(documentsFolder).filePath(name), true};
}

}  // namespace ipmdb::ui
