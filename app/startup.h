#pragma once

// The program's start-up: the application's title and its five windows,
// created once and in this order: the main window, the about box, the help
// window, the progress dialog and the description editor.

#include "app/form1.h"
#include "platform/forms/application.h"

namespace vornak {

void CreateWindows(forms::TApplication& application, const TForm1::Services& services);

}  // namespace vornak
