// What whoever opens a database may choose about it; the defaults are those of Jet 4.0 itself.
#pragma once

#include <cstdint>

#include "jet/Format.h"

namespace ipmdb::jet {

struct DatabaseOptions {
  // The engine never makes the file longer than this many bytes (whole pages): the transaction
  // that would is refused like a full disk, with ErrorKind::DiskFull. Tests choose a small limit.
  uint64_t FMaxFileSize = kMaxFileSize;
};

}  // namespace ipmdb::jet
