// Replacing a database file wholesale with new content, as the converter resets its output to the
// empty template before every run. The replacement is atomic: the content is written to a file of
// its own beside the database ("<file>-reset"), synced, and renamed over the database; the old
// journal goes once the rename is durable.
//
// Threads: any, one reset of a file at a time (a second one is refused, not waited for).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/File.h"

namespace ipmdb::jet {

// Makes the file at path hold exactly content, durably, with no journal beside it. Symbolic
// links are followed: the file they lead to is replaced, the links stay. A missing file is
// created; its folder must exist.
//
// Refused with ErrorKind::Locked (errno EWOULDBLOCK) while another connection or program holds
// the file's lock, or another reset of the same file is under way. Every other failure carries
// the system's reason (JetError::SystemError). A failure before the rename leaves the old file
// untouched and its temporary file removed; a failure after it (removing the old journal, syncing
// the folder) leaves the new content in place. A crash at any moment leaves either the whole old
// file or the whole new content; a temporary file it leaves behind is removed by the next reset.
void ResetDatabaseFile(Vfs& vfs, const std::string& path, std::span<const uint8_t> content);

}  // namespace ipmdb::jet
