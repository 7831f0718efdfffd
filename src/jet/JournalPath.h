// Where the rollback journal of a database file lives: beside it, under the same name with
// "-journal" appended. Whoever replaces a database file wholesale must remove this too.
#pragma once

#include <string>

namespace ipmdb::jet {

inline constexpr char kJournalSuffix[] = "-journal";

inline std::string JournalPathFor(const std::string& databasePath) { return databasePath + kJournalSuffix; }

}  // namespace ipmdb::jet
