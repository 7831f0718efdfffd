// The atomic reset of a database file (see DatabaseReset.h). What a crash leaves at each step:
//
//   1. temporary file created and written, not yet synced: the database name still holds the old
//      file; the temporary file may be partial or gone. Harmless: nothing reads it, and the next
//      reset removes it before it creates its own.
//   2. temporary file synced, renamed over the database, folder not yet synced: the name holds
//      either the old file or the whole new content, never a mixture, because a rename is one
//      step of the folder and the new content was durable before it. The old journal is still
//      there, for the old file if the rename is lost.
//   3. folder synced: the name holds the new content. The old journal, if its removal is lost, is
//      foreign to the new file: it records the inode of the old one, which still existed when the
//      new file was created and so differs from the new file's (Journal.cpp), and recovery
//      removes it unplayed.
//
// The old journal goes only after step 3. Before it, a crash can give the name back to the old
// file, and the old file needs its journal if a crash left that hot.
#include "jet/DatabaseReset.h"

#include <cerrno>
#include <memory>

#include "jet/Error.h"
#include "jet/JournalPath.h"

namespace ipmdb::jet {
namespace {

[[noreturn]] void ThrowBusy(const std::string& path) {
  throw JetError(ErrorKind::Locked, "数据库文件“" + path + "”正被另一个连接或程序使用，不能重置。", EWOULDBLOCK);
}

// The file at path, or nothing when no file is there.
std::unique_ptr<File> OpenIfExists(Vfs& vfs, const std::string& path) {
  try {
    return vfs.Open(path, Vfs::OpenMode::ExistingReadWrite);
  } catch (const JetError& e) {
    if (e.SystemError() == ENOENT) return nullptr;
    throw;
  }
}

// The file at path, opened and locked, or nothing when no file is there. `owner` names the
// database in the message when the lock is held.
std::unique_ptr<File> OpenAndLock(Vfs& vfs, const std::string& path, const std::string& owner) {
  std::unique_ptr<File> file = OpenIfExists(vfs, path);
  if (file && !file->TryLockExclusive()) ThrowBusy(owner);
  return file;
}

// Creates the temporary file under its fixed name, locked. A file left there by a crashed reset
// is removed first, under its lock; a file whose lock is held belongs to a reset under way. The
// name is created exclusively, so that nothing planted there (a symbolic link) is written through.
std::unique_ptr<File> CreateTemporary(Vfs& vfs, const std::string& path, const std::string& owner) {
  for (bool leftoverRemoved = false;; leftoverRemoved = true) {
    try {
      std::unique_ptr<File> file = vfs.Open(path, Vfs::OpenMode::CreateNew);
      if (!file->TryLockExclusive()) ThrowBusy(owner);
      // Another reset may have taken the fresh file for a leftover and removed it before the lock
      // was ours; the name then leads elsewhere.
      const std::unique_ptr<File> named = OpenIfExists(vfs, path);
      if (!named || named->Identity() != file->Identity()) ThrowBusy(owner);
      return file;
    } catch (const JetError& e) {
      if (e.SystemError() != EEXIST) throw;
      if (leftoverRemoved) ThrowBusy(owner);
    }
    const std::unique_ptr<File> leftover = OpenAndLock(vfs, path, owner);
    vfs.Remove(path);
  }
}

}  // namespace

void ResetDatabaseFile(Vfs& vfs, const std::string& path, std::span<const uint8_t> content) {
  const std::string real = vfs.ResolvePath(path);
  // Held until the end (on Windows until the rename), so that no connection opens the old file while
  // it is being replaced.
  std::unique_ptr<File> old = OpenAndLock(vfs, real, path);
  const std::string temporary = ResetPathFor(real);
  std::unique_ptr<File> file = CreateTemporary(vfs, temporary, path);
  try {
    // The replacement keeps the old file's permissions, so that a database shared through its
    // group, or kept private, stays so.
    if (old) file->SetPermissions(old->Permissions());
    file->WriteAt(0, content);
    file->Sync();
#ifdef _WIN32
    // Windows renames over no file that is open, so the old file is closed, its lock with it. A
    // connection that opens the old file in this gap keeps it open, and the rename then fails:
    // the reset refuses rather than replace a file in use. (POSIX renames over an open file, so
    // there the lock stays to the end, or such a connection would write to a file without a name.)
    old.reset();
#endif
    vfs.Rename(temporary, real);
  } catch (...) {
    file.reset();
    try {
      vfs.Remove(temporary);
    } catch (...) {
      // Left for the next reset, which removes it; the old file is untouched either way.
    }
    throw;
  }
  vfs.SyncDirectoryOf(real);
  const std::string journal = JournalPathFor(real);
  if (vfs.Exists(journal)) {
    vfs.Remove(journal);
    vfs.SyncDirectoryOf(real);
  }
}

}  // namespace ipmdb::jet
