#include "jet/CheckCommand.h"

#include "jet/Error.h"
#include "jet/File.h"
#include "jet/IntegrityCheck.h"
#include "jet/Journal.h"
#include "jet/JournalPath.h"

namespace ipmdb::jet {
namespace {

enum class JournalFound { None, CutShort, InUse };
struct JournalBeside {
  JournalFound FFound = JournalFound::None;
  std::string FPath;  // the journal's name: beside the file a symbolic link leads to
};

// Judges the journal beside the file as opening the file would, without writing to either: a
// journal that is not hot (none, invalidated, its commit complete, or written for another file)
// is ignored, as recovery ignores it. A hot journal beside a file that another connection holds
// belongs to a commit under way. Opening the file first refuses a folder, a FIFO or a device
// at once.
JournalBeside ExamineJournalOf(const std::string& path) {
  Vfs& vfs = Vfs::Posix();
  const std::unique_ptr<File> database = vfs.Open(path, Vfs::OpenMode::ExistingReadOnly);
  JournalBeside result{JournalFound::None, JournalPathFor(vfs.ResolvePath(path))};
  if (!vfs.Exists(result.FPath)) return result;
  const std::unique_ptr<File> journal = vfs.Open(result.FPath, Vfs::OpenMode::ExistingReadOnly);
  if (ExamineJournal(*journal, *database).FState != JournalState::Hot) return result;
  result.FFound = database->TryLockExclusive() ? JournalFound::CutShort : JournalFound::InUse;
  return result;
}

}  // namespace

int RunCheckCommand(const std::string& path, bool quiet, std::ostream& out, std::ostream& err, const char* program) {
  CheckSummary summary;
  try {
    const JournalBeside journal = ExamineJournalOf(path);
    switch (journal.FFound) {
      case JournalFound::None:
        break;
      case JournalFound::CutShort:
        // The file holds part of a commit: its problems would be those of the unfinished commit.
        if (!quiet)
          out << "“" << path << "”的上一次提交没有完成，日志“" << journal.FPath
              << "”保存着提交前的内容。运行 ipmdb-convert --recover " << path
              << " 即可恢复到最后一次完成的提交；恢复之前不检查此文件。\n" << std::flush;
        return kCheckCommitCutShort;
      case JournalFound::InUse:
        if (!quiet) err << program << ": 数据库文件“" << path << "”正被另一个连接写入，请在它完成后再检查。\n";
        return kCheckUnreadable;
    }
    summary = CheckDatabaseFile(path, [&](const std::string& problem) {
      if (!quiet) out << problem << '\n';
    });
  } catch (const JetError& e) {
    if (!quiet) err << program << ": " << e.what() << '\n';
    return kCheckUnreadable;
  }
  if (!quiet) {
    if (summary.problems == 0) {
      out << "OK: " << summary.pages << " pages, " << summary.tables << " tables, " << summary.rows << " rows\n";
    } else {
      out << "发现 " << summary.problems << " 处问题（共 " << summary.pages << " 页，" << summary.tables << " 个表，"
          << summary.rows << " 行）。\n";
    }
    out.flush();
  }
  return summary.problems == 0 ? kCheckClean : kCheckProblems;
}

}  // namespace ipmdb::jet
