// Replacing a database file wholesale with new content, as the converter resets its output to the
// empty template before every run. The replacement is atomic: the content is written to a file of
// its own beside the database ("<file>-reset") that carries the old file's permissions, owner,
// group and extended attributes (its access control lists among them), synced, and renamed over
// the database; the old journal goes once the rename is durable.
//
// Threads: any, one reset of a file at a time (a second one is refused, not waited for).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/Error.h"
#include "jet/File.h"

namespace ipmdb::jet {

// A failure of the reset that concerns another file or folder than the database file itself.
class ResetError : public JetError {
 public:
  ResetError(const JetError& cause, std::string subject);
  // What the failure concerns, described and named: 文件夹“/data”, 临时文件“/data/out.mdb-reset”,
  // 回滚日志“/data/out.mdb-journal”.
  const std::string& Subject() const { return FSubject; }

 private:
  std::string FSubject;
};

// Makes the file at path hold exactly content, durably, with no journal beside it. Symbolic
// links are followed: the file they lead to is replaced, the links stay. A missing file is
// created; its folder must exist.
//
// Refused with ErrorKind::Locked (errno EWOULDBLOCK) while another connection or program holds
// the file's lock, or another reset of the same file is under way, and with ErrorKind::Unsupported
// when the file has a second name (a hard link), which a replacement would leave on the old file.
// Every other failure carries the system's reason (JetError::SystemError), and is a ResetError
// when it concerns the temporary file, the journal's name or the folder: a folder where the
// temporary file goes, a folder the user may not write, a name too long for the file system,
// which is found before anything is written. A failure before the rename leaves the old file
// untouched and its temporary file removed; a failure after it (removing the old journal, syncing
// the folder) leaves the new content in place. A crash at any moment leaves either the whole old
// file or the whole new content; a temporary file it leaves behind is removed by the next reset.
void ResetDatabaseFile(Vfs& vfs, const std::string& path, std::span<const uint8_t> content);

}  // namespace ipmdb::jet
