#include "app/startup.h"

#include "app/texts.h"
#include "description/forms/frmdescript.h"
#include "help/aboutbox.h"
#include "help/formhelp.h"
#include "platform/forms/printer.h"
#include "transfer/forms/form3.h"

namespace vornak {

void CreateWindows(forms::TApplication& application, const TForm1::Services& services) {
  application.SetTitle(kApplicationTitle);
  application.CreateForm(Form1, services);
  application.CreateForm(AboutBox);
  application.CreateForm(FormHelp, services.desktop, services.dialogs, forms::SystemPrinter());
  application.CreateForm(Form3);
  application.CreateForm(FrmDescript);
}

}  // namespace vornak
