// Data compiled into the program, looked up by type and name: the template database is resource
// type "MYDB", name "DB".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ipmdb::database {

inline constexpr char kTemplateResourceType[] = "MYDB";
inline constexpr char kTemplateResourceName[] = "DB";

// The bytes of the resource, or nothing when the program holds no such resource.
std::optional<std::span<const uint8_t>> FindResource(std::string_view type, std::string_view name);

// Why ExtractResourceToFile failed.
struct ExtractFailure {
  // The errno of the system call that failed: EWOULDBLOCK when another connection or program
  // holds the file, EISDIR, EROFS, ENOSPC, EFBIG, ... 0 when no system call failed.
  int FSystemError = 0;
  // The complete message of the failure (Chinese, naming the file and the step).
  std::string FMessage;
  // What the failure concerns when that is not the file at `path` itself, described and named:
  // 文件夹“/data”, 临时文件“/data/out.mdb-reset”, 回滚日志“/data/out.mdb-journal”. Empty otherwise.
  std::string FSubject;
};

// Replaces the file at `path` with the resource, atomically (jet/DatabaseReset.h): afterwards the
// file holds every byte of the resource, durably, and no rollback journal lies beside it; a
// symbolic link at `path` stays and the file it leads to is replaced. Returns false, never
// throwing, when the resource is missing, another connection or program holds the file (the
// database engine keeps an exclusive lock on an open database file, and this refuses to replace
// a file under a lock), the file has a second name (a hard link), or the new file cannot be
// written, synced or renamed into place; the old file is then left as it was. *failure, when given, then says why.
bool ExtractResourceToFile(const std::string& type, const std::string& name, const std::string& path,
                           ExtractFailure* failure = nullptr);

}  // namespace ipmdb::database
