#include "jet/CheckCommand.h"

#include "jet/Error.h"
#include "jet/IntegrityCheck.h"

namespace ipmdb::jet {

int RunCheckCommand(const std::string& path, bool quiet, std::ostream& out, std::ostream& err, const char* program) {
  CheckSummary summary;
  try {
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
