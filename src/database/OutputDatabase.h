// Where the output database lives: a fixed file name in the folder of the running executable.
// Nothing of the chosen text database enters the path.
#pragma once

#include <string>

namespace ipmdb::database {

inline constexpr char kOutputDatabaseName[] = "MorvaneIP数据库.MDB";

// The folder of the running executable (platform::ExecutableFolder), without a trailing
// separator; the root folder is "/". Empty when the system does not tell.
std::string ExecutableFolder();

// ExecutableFolder() + "/" + kOutputDatabaseName. For an executable in the root folder this holds
// two separators in a row, which the file system accepts; Windows accepts "/" after a folder
// given with "\\" too.
std::string OutputDatabasePath();

}  // namespace ipmdb::database
