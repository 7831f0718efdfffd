// Where the window writes the output database unless the user chose a place: the program's own
// folder, as a portable copy keeps it, when files can be created there; otherwise (a program
// installed in /usr/bin) the same file name in the user's documents folder.
#pragma once

#include <QString>
#include <functional>

namespace ipmdb::ui {

// Whether a file can be created in `folder`, found out by creating (and removing) one: permission
// bits alone are wrong for root, on read-only mounts and in folders such as /proc.
bool CanCreateFilesIn(const QString& folder);

// The user's documents folder; the home folder when the desktop names none.
QString DocumentsFolder();

struct TOutputLocation {
  QString FPath;
  // The program's folder was refused, so the documents folder was taken.
  bool FMovedToDocuments = false;
};

using TFolderCheck = std::function<bool(const QString& folder)>;

TOutputLocation DefaultOutputLocation(const QString& programFolder, const QString& documentsFolder,
                                      const TFolderCheck& canCreate = CanCreateFilesIn);

}  // namespace ipmdb::ui
