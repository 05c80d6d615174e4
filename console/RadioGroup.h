#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A titled column of mutually exclusive choices, read by position: the
// handlers only ever ask which item is selected.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

  int ItemIndex() const;
  void SetItemIndex(int index);
  QStringList Items() const;
  QRadioButton* Button(int index) const;

 private:
  QButtonGroup* buttons_;
};
