#include "app/startup.h"

#include <QApplication>

#include "app/texts.h"
#include "description/forms/frmdescript.h"
#include "help/aboutbox.h"
#include "help/formhelp.h"
#include "platform/forms/icons.h"
#include "platform/forms/printer.h"
#include "transfer/forms/form3.h"

namespace vornak {

void CreateWindows(forms::TApplication& application, const TForm1::Services& services) {
  application.SetTitle(kApplicationTitle);
  // Every window shows the program's icon unless it has one of its own.
  QApplication::setWindowIcon(forms::ProgramIcon());
  application.CreateForm(Form1, services);
  application.CreateForm(AboutBox);
  application.CreateForm(FormHelp, services.desktop, services.dialogs, forms::SystemPrinter());
  application.CreateForm(Form3);
  // The progress dialog has an icon of its own.
  Form3->setWindowIcon(forms::ProgressIcon());
  application.CreateForm(FrmDescript);
}

}  // namespace vornak
