// Where a window writes the output database unless the user chose a place: the program's own
// folder, as a portable copy keeps it, when files can be created there; otherwise (a program
// installed in /usr/bin or under Program Files) the same file name in the user's documents
// folder, and the log says so (texts::OutputMovedToDocuments).
//
// The core does not look at folders itself: each window hands in its documents folder and the
// check whether a file can be created in a folder, which must try it (create a file and remove
// it), as permission bits alone are wrong for root, on read-only mounts, in folders such as /proc
// and under Windows' access lists.
#pragma once

#include <functional>
#include <string>

namespace ipmdb::ui {

struct TOutputLocation {
  std::string FPath;
  // The program's folder was refused, so the documents folder was taken.
  bool FMovedToDocuments = false;
};

using TFolderCheck = std::function<bool(const std::string& folder)>;

// The output database's default path; asks `canCreate` about the program's folder only. Paths
// are UTF-8 and joined with the system's separator.
TOutputLocation DefaultOutputLocation(const std::string& programFolder, const std::string& documentsFolder,
                                      const TFolderCheck& canCreate);

}  // namespace ipmdb::ui
