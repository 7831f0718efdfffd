// The failure type of the window: a finished Chinese message for the log and the message box.
#pragma once

#include <stdexcept>
#include <string>

namespace ipmdb::ui {

// Messages are UTF-8, like every text the window hands to Qt.
class UiError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace ipmdb::ui
