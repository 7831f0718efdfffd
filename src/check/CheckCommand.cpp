#include "check/CheckCommand.h"

#include "jet/Error.h"
#include "jet/File.h"
#include "jet/IntegrityCheck.h"
#include "jet/Journal.h"
#include "jet/JournalPath.h"

namespace ipmdb::check {
namespace {

enum class JournalFound { None, CutShort, InUse, Unproven };
struct JournalBeside {
  JournalFound FFound = JournalFound::None;
  std::string FPath;  // the journal's name: beside the file a symbolic link leads to
  std::string FWhy;   // for Unproven: what recovery found, as ExamineJournal words it
};

// Judges the journal beside the file as opening the file would, without writing to either: a
// journal that is not hot (none, invalidated, its commit complete, or written for another file)
// is ignored, as recovery ignores it. A hot journal beside a file that another connection holds
// belongs to a commit under way. A journal that may be hot but cannot be shown to belong to this
// file is reported, since opening the file refuses it until the user decides. Opening the file
// first refuses a folder, a FIFO or a device at once.
JournalBeside ExamineJournalOf(const std::string& path) {
  jet::Vfs& vfs = jet::Vfs::System();
  const std::unique_ptr<jet::File> database = vfs.Open(path, jet::Vfs::OpenMode::ExistingReadOnly);
  JournalBeside result{JournalFound::None, jet::JournalPathFor(vfs.ResolvePath(path)), {}};
  if (!vfs.Exists(result.FPath)) return result;
  const std::unique_ptr<jet::File> journal = vfs.Open(result.FPath, jet::Vfs::OpenMode::ExistingReadOnly);
  const jet::JournalFinding finding = jet::ExamineJournal(*journal, *database);
  if (finding.FState == jet::JournalState::Unproven) {
    result.FFound = JournalFound::Unproven;
    result.FWhy = finding.FWhy;
    return result;
  }
  if (finding.FState != jet::JournalState::Hot) return result;
  result.FFound = database->TryLockExclusive() ? JournalFound::CutShort : JournalFound::InUse;
  return result;
}

}  // namespace

int RunCheckCommand(const std::string& path, bool quiet, std::ostream& out, std::ostream& err, const char* program) {
  jet::CheckSummary summary;
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
      case JournalFound::Unproven:
        if (!quiet)
          err << program << ": 日志“" << journal.FPath << "”不能证明属于数据库文件“" << path << "”：" << journal.FWhy
              << "。打开此文件会被拒绝；若文件已被替换，删除该日志即可。\n";
        return kCheckUnreadable;
    }
    summary = jet::CheckDatabaseFile(path, [&](const std::string& problem) {
      if (!quiet) out << problem << '\n';
    });
  } catch (const jet::JetError& e) {
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

}  // namespace ipmdb::check
