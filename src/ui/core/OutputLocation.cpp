// The default output path.
#include "ui/core/OutputLocation.h"

#include "database/OutputDatabase.h"

namespace ipmdb::ui {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr char kSeparators[] = "\\/";  // Windows takes either
#else
constexpr char kSeparator = '/';
constexpr char kSeparators[] = "/";
#endif

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || std::string_view(kSeparators).find(folder.back()) != std::string_view::npos) {
    return folder + name;
  }
  return folder + kSeparator + name;
}

}  // namespace

TOutputLocation DefaultOutputLocation(const std::string& programFolder, const std::string& documentsFolder,
                                      const TFolderCheck& canCreate) {
  if (canCreate(programFolder)) return {InFolder(programFolder, database::kOutputDatabaseName), false};
  return {InFolder(documentsFolder, database::kOutputDatabaseName), true};
}

}  // namespace ipmdb::ui
