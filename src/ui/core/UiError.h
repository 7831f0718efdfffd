// The failure type of the windows: a finished message, in the interface's language, for the log
// and the message box.
#pragma once

#include <stdexcept>
#include <string>

namespace ipmdb::ui {

// Messages are UTF-8, like every text of the core.
class UiError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace ipmdb::ui
