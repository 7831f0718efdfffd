// The folders the output's default place is chosen between (ui/core/OutputLocation.h), as the
// Qt window finds them.
#pragma once

#include <string>

namespace ipmdb::ui {

// Whether a file can be created in `folder` (UTF-8), found out by creating (and removing) one.
bool CanCreateFilesIn(const std::string& folder);

// The user's documents folder, as the desktop names it; the home folder when it names none.
std::string DocumentsFolder();

}  // namespace ipmdb::ui
