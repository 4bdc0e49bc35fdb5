#pragma once

// The main menu: items with accelerator markers ("&File"), check marks,
// enabling and hiding, submenus and separators. A click runs the item's
// handler and nothing else: the handler decides about the check mark.

#include <QObject>
#include <QString>
#include <vector>

#include "platform/forms/events.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace vornak::forms {

class TMenuItem final : public QObject {
 public:
  // A caption of "-" makes a separator line.
  TMenuItem(QObject* owner, const QString& name, const QString& caption);

  // Adds `item` to this item's submenu (made on the first call).
  TMenuItem& Add(TMenuItem& item);

  QString Caption() const;
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);
  bool IsSeparator() const;
  const std::vector<TMenuItem*>& Items() const { return items_; }

  // Chooses the item as the user would: nothing happens when it or a menu
  // above it is disabled or hidden, or when it opens a submenu.
  void Click();

  QAction* Action() const { return action_; }
  QMenu* Submenu() const { return submenu_; }

  Event OnClick;

 private:
  void Triggered();

  QString caption_;
  QAction* action_;
  QMenu* submenu_ = nullptr;
  TMenuItem* parentItem_ = nullptr;
  bool checked_ = false;
  std::vector<TMenuItem*> items_;
};

class TMainMenu final : public QObject {
 public:
  TMainMenu(QWidget* owner, const QString& name);

  TMenuItem& Add(TMenuItem& item);
  const std::vector<TMenuItem*>& Items() const { return items_; }
  QMenuBar* Bar() const { return bar_; }

 private:
  QMenuBar* bar_;
  std::vector<TMenuItem*> items_;
};

}  // namespace vornak::forms
