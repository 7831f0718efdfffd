// The system's side of the console streams, used inside the platform layer only.
#pragma once

#include <cstdio>

namespace ipmdb::platform {

// The width in columns of the terminal or console window `out` writes to; 0 when it is none or
// does not tell.
int WindowColumns(std::FILE* out);

}  // namespace ipmdb::platform
