// ipmdb: the window program. Shows the main window and runs the event loop until the window is
// closed; the window's closing stops and releases a running or paused conversion. A file named on
// the command line is chosen as the text database at start.
#include <QLocale>

#include "platform/Process.h"
#include "ui/qt/Application.h"
#include "ui/qt/StopSignals.h"
#include "ui/qt/Translation.h"
#include "ui/qt/uFrmMain.h"

int main(int argc, char** argv) {
  // Before Qt opens its first descriptor. QApplication then sets the whole locale from the
  // environment once more, LC_NUMERIC too; the window formats its figures with Qt, which does not
  // follow it.
  ipmdb::platform::PrepareProcess();
  ipmdb::ui::TStopSignals::Block();
  ipmdb::ui::TApplication application(argc, argv);
  ipmdb::ui::InstallTranslations(QLocale::system());
  ipmdb::ui::TFrmMain window;
  ipmdb::ui::TStopSignals stopSignals([&window] { window.CloseWithoutAsking(); });
  application.setWindowIcon(window.windowIcon());
  window.show();
  return application.exec();
}
