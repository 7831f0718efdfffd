// The files that live beside a database file, under its name with a suffix: the rollback journal
// ("-journal") and the new content that a reset writes before it renames it over the file
// ("-reset"). Whoever replaces a database file wholesale must remove its journal too.
#pragma once

#include <string>

namespace ipmdb::jet {

inline constexpr char kJournalSuffix[] = "-journal";
inline constexpr char kResetSuffix[] = "-reset";

inline std::string JournalPathFor(const std::string& databasePath) { return databasePath + kJournalSuffix; }
inline std::string ResetPathFor(const std::string& databasePath) { return databasePath + kResetSuffix; }

}  // namespace ipmdb::jet
