// The output's folders, through Qt.
#include "ui/qt/Folders.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "ui/qt/QtText.h"

namespace ipmdb::ui {

bool CanCreateFilesIn(const std::string& folder) {
  QTemporaryFile probe(QDir(ToQString(folder)).filePath(QStringLiteral(".ipmdb-probe-XXXXXX")));
  return probe.open();
}

std::string DocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return ToUtf8(documents.isEmpty() ? QDir::homePath() : documents);
}

}  // namespace ipmdb::ui
