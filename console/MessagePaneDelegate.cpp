#include "MessagePaneDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

void MessagePaneDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  if (selected) painter->fillRect(option.rect, option.palette.highlight());
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(option.rect.left() + kMargin, option.rect.top() + option.fontMetrics.ascent(),
                    index.data().toString());
  // Keyboard users need to see the current line, which the keys move from.
  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.backgroundColor = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
    const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
  }
}

QSize MessagePaneDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return {widestLine_ + 2 * kMargin, option.fontMetrics.lineSpacing()};
}
