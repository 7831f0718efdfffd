// The output database path derived from the executable's folder.
#include "database/OutputDatabase.h"

#include "platform/Process.h"

namespace ipmdb::database {

std::string ExecutableFolder() { return platform::ExecutableFolder(); }

std::string OutputDatabasePath() { return ExecutableFolder() + "/" + kOutputDatabaseName; }

}  // namespace ipmdb::database
