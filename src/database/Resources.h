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

// Writes the resource to `path` whole: creates the file or cuts an existing one to zero length,
// writes every byte and syncs it. Returns false, never throwing, when the resource is missing,
// the file cannot be created or written (a short write counts as a failure), or another
// connection holds the file open: the database engine keeps an exclusive lock on an open
// database file, and this refuses to replace a file under a lock. A rollback journal left
// beside the file belongs to the content being replaced and is removed first.
bool ExtractResourceToFile(const std::string& type, const std::string& name, const std::string& path);

}  // namespace ipmdb::database
