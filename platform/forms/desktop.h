#pragma once

// What the windows ask of the desktop they live on: its size and its beep.
// Tests put a desktop of a chosen size in its place.

#include <QSize>

namespace vornak::forms {

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The size of the primary screen in pixels.
  virtual QSize ScreenSize() = 0;
  // The default system beep.
  virtual void Beep() = 0;
};

// The desktop the program runs on.
Desktop& SystemDesktop();

}  // namespace vornak::forms
