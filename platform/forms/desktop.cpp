#include "platform/forms/desktop.h"

#include <QApplication>
#include <QScreen>

namespace vornak::forms {
namespace {

class QtDesktop final : public Desktop {
 public:
  QSize ScreenSize() override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->size() : QSize();
  }
  void Beep() override { QApplication::beep(); }
};

}  // namespace

Desktop& SystemDesktop() {
  static QtDesktop desktop;
  return desktop;
}

}  // namespace vornak::forms
