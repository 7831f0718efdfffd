// The atomic reset of a database file (see DatabaseReset.h). What a crash leaves at each step:
//
//   1. temporary file created, given the old file's attributes and written, not yet synced: the
//      database name still holds the old file; the temporary file may be partial or gone.
//      Harmless: nothing reads it, and the next reset removes it before it creates its own.
//   2. temporary file synced, renamed over the database, folder not yet synced: the name holds
//      either the old file or the whole new content, never a mixture, because a rename is one
//      step of the folder and the new content was durable before it. The old journal is still
//      there, for the old file if the rename is lost.
//   3. folder synced: the name holds the new content. The old journal, if its removal is lost, is
//      foreign to the new file: it records the inode number and birth time of the old one, which
//      still existed when the new file was created, so the new file's differ (Journal.cpp), and
//      recovery removes it unplayed.
//
// The old journal goes only after step 3. Before it, a crash can give the name back to the old
// file, and the old file needs its journal if a crash left that hot.
//
// What the old file carried besides its bytes is carried over to the new one before it is
// written: its permissions, its owner and group as far as the process may set them, and its
// extended attributes, the access control lists among them. A database shared through a group
// (mode 660, or an ACL entry) stays shared after one of its members resets it. The other way to
// keep them, writing the new content into the old file through the journal as one commit that
// also cuts the file short, keeps the inode and so everything attached to it by construction. It
// is not taken: the file being reset may be anything (a database cut short or damaged, a file in
// another format, a length that is no whole number of pages), which a journal of pages cannot
// describe, and a commit that shrinks the file would add a state to the recovery that every open
// runs, for the benefit of a reset that the rename already makes atomic. What the rename cannot
// keep is an owner other than the process's own when the process may not give files away, and a
// group it does not belong to: those are the system's rules for any file a user creates, and the
// one who resets the file becomes its owner, as with any program that saves by renaming. The
// file's other names are not kept either, which is why a file with a second name is refused.
//
// Every failure names the file or folder it concerns (ResetError) when that is not the database
// file itself: the temporary file, the journal's name, the folder. The names the database will
// need beside it are checked before anything is written, so that a name too long for the file
// system is refused while the old file is still there.
#include "jet/DatabaseReset.h"

#include <cerrno>
#include <memory>
#include <utility>

#include "jet/Error.h"
#include "jet/JournalPath.h"

namespace ipmdb::jet {
namespace {

std::string Quoted(const std::string& path) { return "“" + path + "”"; }

#ifdef _WIN32
constexpr char kSeparators[] = "\\/";  // Windows takes either
#else
constexpr char kSeparators[] = "/";
#endif

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of(kSeparators);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Runs step; a JetError it throws is rethrown as one about subject (a description with the path,
// such as 临时文件“/data/out.mdb-reset”). A lack of room stays about the file system, a held lock
// about the database.
template <typename Step>
auto About(const std::string& subject, Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const ResetError&) {
    throw;
  } catch (const JetError& e) {
    if (e.Kind() == ErrorKind::DiskFull || e.Kind() == ErrorKind::Locked) throw;
    throw ResetError(e, subject);
  }
}

[[noreturn]] void ThrowBusy(const std::string& path) {
  throw JetError(ErrorKind::Locked, "数据库文件" + Quoted(path) + "正被另一个连接或程序使用，不能重置。", EWOULDBLOCK);
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
// A failure to create the name is the folder's (its permissions, a read-only file system); a
// failure with what lies under the name is the temporary file's (a folder there, another user's
// file in a folder with the sticky bit).
std::unique_ptr<File> CreateTemporary(Vfs& vfs, const std::string& path, const std::string& owner) {
  const std::string folder = "文件夹" + Quoted(FolderOf(path));
  const std::string temporary = "临时文件" + Quoted(path);
  for (bool leftoverRemoved = false;; leftoverRemoved = true) {
    try {
      std::unique_ptr<File> file = About(folder, [&] { return vfs.Open(path, Vfs::OpenMode::CreateNew); });
      if (!file->TryLockExclusive()) ThrowBusy(owner);
      // Another reset may have taken the fresh file for a leftover and removed it before the lock
      // was ours; the name then leads elsewhere.
      const std::unique_ptr<File> named = About(temporary, [&] { return OpenIfExists(vfs, path); });
      if (!named || named->Identity() != file->Identity()) ThrowBusy(owner);
      return file;
    } catch (const ResetError& e) {
      if (e.SystemError() != EEXIST) throw;
      if (leftoverRemoved) ThrowBusy(owner);
    }
    About(temporary, [&] {
      const std::unique_ptr<File> leftover = OpenAndLock(vfs, path, owner);
      vfs.Remove(path);
    });
  }
}

// Fails as the first use of the name would, before anything is written: a name longer than the
// file system takes, or a path the system cannot follow.
void CheckName(Vfs& vfs, const std::string& path, const std::string& subject) {
  About(subject + Quoted(path), [&] { vfs.Exists(path); });
}

}  // namespace

ResetError::ResetError(const JetError& cause, std::string subject)
    : JetError(cause.Kind(), cause.what(), cause.SystemError()), FSubject(std::move(subject)) {}

void ResetDatabaseFile(Vfs& vfs, const std::string& path, std::span<const uint8_t> content) {
  const std::string real = vfs.ResolvePath(path);
  const std::string temporary = ResetPathFor(real);
  const std::string journal = JournalPathFor(real);
  CheckName(vfs, temporary, "临时文件");
  CheckName(vfs, journal, "回滚日志");
  // Held until the end (on Windows until the rename), so that no connection opens the old file
  // while it is being replaced.
  std::unique_ptr<File> old = OpenAndLock(vfs, real, path);
  if (old && old->LinkCount() > 1) {
    throw JetError(ErrorKind::Unsupported, "数据库文件" + Quoted(path) + "有 " + std::to_string(old->LinkCount()) +
                                               " 个名字（硬链接），不能重置：重置只会替换其中一个名字下的文件。"
                                               "请删除多余的名字只保留一个。");
  }
  std::unique_ptr<File> file = CreateTemporary(vfs, temporary, path);
  try {
    About("临时文件" + Quoted(temporary), [&] {
      if (old) file->SetAttributes(old->Attributes());
      file->WriteAt(0, content);
      file->Sync();
    });
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
  const std::string folder = "文件夹" + Quoted(FolderOf(real));
  About(folder, [&] { vfs.SyncDirectoryOf(real); });
  if (vfs.Exists(journal)) {
    About("回滚日志" + Quoted(journal), [&] { vfs.Remove(journal); });
    About(folder, [&] { vfs.SyncDirectoryOf(real); });
  }
}

}  // namespace ipmdb::jet
