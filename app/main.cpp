// The window program. It reads no command line of its own: Qt is given the
// program's name alone, and the display comes from the environment.

#include <QApplication>
#include <exception>

#include "app/startup.h"
#include "platform/driveservices.h"
#include "platform/files.h"
#include "platform/forms/application.h"
#include "platform/forms/desktop.h"
#include "platform/forms/qtdialogs.h"

int main(int, char** argv) {
  using namespace vornak;
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication qt(qtArgc, qtArgv);
  // Desktops match the window to its menu entry and icon by this name.
  QGuiApplication::setDesktopFileName("vornak");

  forms::QtDialogs dialogs;
  forms::TApplication application(dialogs);
  try {
    CreateWindows(application, {dialogs, platform::SystemDrives(), forms::SystemDesktop(),
                                platform::RealFileSystem()});
    application.Run();
  } catch (const std::exception& error) {
    application.ShowException(error);
  }
  return 0;
}
