#include "platform/forms/menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace vornak::forms {

TMenuItem::TMenuItem(QObject* owner, const QString& name, const QString& caption)
    : QObject(owner), caption_(caption), action_(new QAction(caption, this)) {
  setObjectName(name);
  action_->setObjectName(name);
  action_->setSeparator(caption == "-");
  QObject::connect(action_, &QAction::triggered, this, [this] { Triggered(); });
}

TMenuItem& TMenuItem::Add(TMenuItem& item) {
  if (submenu_ == nullptr) {
    // The submenu's own action stands for this item from now on.
    submenu_ = new QMenu(caption_, qobject_cast<QWidget*>(parent()));
    submenu_->setObjectName(objectName() + "Menu");
    QAction* menuAction = submenu_->menuAction();
    menuAction->setObjectName(objectName());
    menuAction->setEnabled(action_->isEnabled());
    menuAction->setVisible(action_->isVisible());
    for (QObject* holder : action_->associatedObjects()) {
      if (auto* widget = qobject_cast<QWidget*>(holder)) {
        widget->insertAction(action_, menuAction);
        widget->removeAction(action_);
      }
    }
    delete action_;
    action_ = menuAction;
  }
  submenu_->addAction(item.action_);
  item.parentItem_ = this;
  items_.push_back(&item);
  return item;
}

QString TMenuItem::Caption() const { return caption_; }

// A check mark is drawn only while an item is checked; the mark never changes
// by itself when the item is chosen.
void TMenuItem::SetChecked(bool checked) {
  checked_ = checked;
  action_->setCheckable(checked);
  action_->setChecked(checked);
}

bool TMenuItem::Enabled() const { return action_->isEnabled(); }
void TMenuItem::SetEnabled(bool enabled) { action_->setEnabled(enabled); }
bool TMenuItem::Visible() const { return action_->isVisible(); }
void TMenuItem::SetVisible(bool visible) { action_->setVisible(visible); }
bool TMenuItem::IsSeparator() const { return action_->isSeparator(); }

void TMenuItem::Click() {
  if (submenu_ != nullptr) return;
  for (const TMenuItem* item = this; item != nullptr; item = item->parentItem_) {
    if (!item->Enabled() || !item->Visible()) return;
  }
  action_->trigger();
}

void TMenuItem::Triggered() {
  // Qt has just toggled a checkable action; the item's own state stands.
  action_->setChecked(checked_);
  Fire(OnClick);
}

TMainMenu::TMainMenu(QWidget* owner, const QString& name) : QObject(owner), bar_(new QMenuBar(owner)) {
  setObjectName(name);
  bar_->setObjectName(name);
}

TMenuItem& TMainMenu::Add(TMenuItem& item) {
  bar_->addAction(item.Action());
  items_.push_back(&item);
  return item;
}

}  // namespace vornak::forms
