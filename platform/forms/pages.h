#pragma once

// A page control: tabs along the top, one page shown at a time. Each page is
// a tab sheet that holds controls at positions of their own.

#include <QString>
#include <QTabWidget>
#include <QWidget>

namespace vornak::forms {

class TPageControl;

class TTabSheet final : public QWidget {
 public:
  TTabSheet(TPageControl& owner, const QString& name);
  // The text on the page's tab.
  void SetCaption(const QString& caption);
  QString Caption() const;

 private:
  TPageControl& owner_;
};

class TPageControl final : public QTabWidget {
 public:
  explicit TPageControl(QWidget* parent);
  // Adds a page with an empty caption after the others.
  TTabSheet* AddPage(const QString& name);
  TTabSheet* ActivePage() const;
  // Brings `page` to the front; its controls are laid out at their current size.
  void SetActivePage(TTabSheet* page);
};

}  // namespace vornak::forms
