// The system's own text for an errno value, passed on in messages as the system gives it (in
// UTF-8), and the reason a file could not be written, in the user's words where the program has
// them.
#pragma once

#include <cerrno>
#include <string>

#include "platform/SystemError.h"

namespace ipmdb::engine {

using platform::SystemErrorText;

// Why a file could not be made or written, for a user: the common causes in Chinese, any other
// in the system's own text.
inline std::string FileFailureReason(int error) {
  switch (error) {
    case EISDIR:
      return "是一个目录";
    case EROFS:
      return "只读文件系统";
    case EWOULDBLOCK:
      return "文件正被另一个程序使用";
    case ENOSPC:
#ifdef EDQUOT  // Windows has no quota error of its own
    case EDQUOT:
#endif
      return "磁盘空间不足";
    case EFBIG:
      return "文件超出了允许的大小";
    case EACCES:
    case EPERM:
      return "没有写入权限";
    case ENOENT:
      return "文件夹不存在";
    case ENOTDIR:
      return "路径中有一部分不是目录";
    case ENAMETOOLONG:
      return "路径或文件名太长";
    default:
      return SystemErrorText(error);
  }
}

}  // namespace ipmdb::engine
