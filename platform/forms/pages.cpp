#include "platform/forms/pages.h"

namespace vornak::forms {

TTabSheet::TTabSheet(TPageControl& owner, const QString& name) : QWidget(&owner), owner_(owner) {
  setObjectName(name);
}

void TTabSheet::SetCaption(const QString& caption) { owner_.setTabText(owner_.indexOf(this), caption); }

QString TTabSheet::Caption() const { return owner_.tabText(owner_.indexOf(this)); }

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) {}

TTabSheet* TPageControl::AddPage(const QString& name) {
  auto* page = new TTabSheet(*this, name);
  addTab(page, QString());
  return page;
}

TTabSheet* TPageControl::ActivePage() const { return static_cast<TTabSheet*>(currentWidget()); }

void TPageControl::SetActivePage(TTabSheet* page) { setCurrentWidget(page); }

}  // namespace vornak::forms
