// What a Windows path names.
#include "platform/FileKind.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/Wide.h"

namespace ipmdb::platform {

// FILE_FLAG_BACKUP_SEMANTICS lets a folder be opened too; no access is asked for, so nothing is
// read and a device is not started.
PathKind KindOfPath(const std::string& path) {
  const HANDLE handle = CreateFileW(SystemPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return PathKind::Missing;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(handle, &info);
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::Folder;
  return type == FILE_TYPE_DISK ? PathKind::RegularFile : PathKind::Other;
}

}  // namespace ipmdb::platform
