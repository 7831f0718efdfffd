// ipmdb: the window program. Shows the main window and runs the event loop until the window is
// closed; the window's destruction then stops and releases a running or paused conversion.
#include <QIcon>

#include "ui/Application.h"
#include "ui/uFrmMain.h"

int main(int argc, char** argv) {
  ipmdb::ui::TApplication application(argc, argv);
  ipmdb::ui::TFrmMain window;
  application.setWindowIcon(window.windowIcon());
  window.show();
  return application.exec();
}
