#include "database/Resources.h"

#include <cstddef>

#include "jet/DatabaseReset.h"
#include "jet/Error.h"

extern const unsigned char kTemplateDatabase[];
extern const std::size_t kTemplateDatabaseSize;

namespace ipmdb::database {
namespace {

struct Resource {
  std::string_view type;
  std::string_view name;
  const unsigned char* bytes;
  const std::size_t* size;
};

const Resource kResources[] = {
    {kTemplateResourceType, kTemplateResourceName, kTemplateDatabase, &kTemplateDatabaseSize},
};

}  // namespace

std::optional<std::span<const uint8_t>> FindResource(std::string_view type, std::string_view name) {
  for (const auto& r : kResources)
    if (r.type == type && r.name == name) return std::span<const uint8_t>(r.bytes, *r.size);
  return std::nullopt;
}

bool ExtractResourceToFile(const std::string& type, const std::string& name, const std::string& path,
                           ExtractFailure* failure) {
  ExtractFailure ignored;
  ExtractFailure& why = failure ? *failure : ignored;
  const auto bytes = FindResource(type, name);
  if (!bytes) {
    why = {0, "程序中没有类型为“" + type + "”、名称为“" + name + "”的资源。"};
    return false;
  }
  try {
    jet::ResetDatabaseFile(jet::Vfs::Posix(), path, *bytes);
    return true;
  } catch (const jet::ResetError& e) {
    why = {e.SystemError(), e.what(), e.Subject()};
  } catch (const jet::JetError& e) {
    why = {e.SystemError(), e.what(), {}};
  } catch (const std::exception& e) {
    why = {0, e.what(), {}};
  }
  return false;
}

}  // namespace ipmdb::database
