#pragma once

#include <QAbstractItemDelegate>

// Draws a pane line as plain text on one line's spacing, the selection as a
// band across the row. Every line reports the widest line's width, so the
// view's uniform item size scrolls far enough for the longest line.
class MessagePaneDelegate : public QAbstractItemDelegate {
  Q_OBJECT

 public:
  static constexpr int kMargin = 4;

  using QAbstractItemDelegate::QAbstractItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  void SetWidestLine(int width) { widestLine_ = width; }

 private:
  int widestLine_ = 0;
};
