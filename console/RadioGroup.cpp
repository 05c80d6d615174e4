#include "RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 0, 0, 0);
  column->setSpacing(0);
  for (int index = 0; index < items.size(); ++index) {
    auto* button = new QRadioButton(items[index], this);
    buttons_->addButton(button, index);
    column->addWidget(button);
  }
  // Tab lands on the selected item, as with one focus stop per group.
  connect(buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) setFocusProxy(buttons_->button(id));
  });
}

int RadioGroup::ItemIndex() const {
  return buttons_->checkedId();
}

void RadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = buttons_->button(index)) button->setChecked(true);
}

QStringList RadioGroup::Items() const {
  QStringList texts;
  for (QAbstractButton* button : buttons_->buttons()) texts << button->text();
  return texts;
}

QRadioButton* RadioGroup::Button(int index) const {
  return qobject_cast<QRadioButton*>(buttons_->button(index));
}
