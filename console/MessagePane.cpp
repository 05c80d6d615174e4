#include "MessagePane.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

MessagePane::MessagePane(int lineLimit, QWidget* parent)
    : QAbstractScrollArea(parent), lineLimit_(std::max(lineLimit, 1)) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  verticalScrollBar()->setSingleStep(1);
  UpdateScrollBars();
}

void MessagePane::AppendLine(const QString& line) {
  QScrollBar* lines = verticalScrollBar();
  const bool following = lines->value() >= lines->maximum();
  const qint64 topSequence = firstSequence_ + lines->value();

  lines_.push_back(line);
  if (LineCount() > lineLimit_) {
    lines_.pop_front();
    ++firstSequence_;
  }
  // A line with fewer characters than the widest line's width in the
  // font's widest characters cannot be wider; measuring is the costly part.
  if (static_cast<qint64>(line.size()) * fontMetrics().maxWidth() > widestLine_)
    widestLine_ = std::max(widestLine_, fontMetrics().horizontalAdvance(line));

  UpdateScrollBars();
  lines->setValue(following ? lines->maximum()
                            : static_cast<int>(std::max<qint64>(topSequence - firstSequence_, 0)));
  viewport()->update();
  emit LineAppended(line);
}

QStringList MessagePane::Lines() const {
  return QStringList(lines_.begin(), lines_.end());
}

int MessagePane::TopLine() const {
  return verticalScrollBar()->value();
}

int MessagePane::SelectionStart() const {
  if (anchor_ < 0 || std::max(anchor_, cursor_) < firstSequence_) return -1;
  return static_cast<int>(std::max(std::min(anchor_, cursor_) - firstSequence_, qint64{0}));
}

int MessagePane::SelectionEnd() const {
  if (SelectionStart() < 0) return -1;
  return static_cast<int>(std::max(anchor_, cursor_) - firstSequence_);
}

QString MessagePane::SelectedText() const {
  const int start = SelectionStart();
  if (start < 0) return {};
  return QStringList(lines_.begin() + start, lines_.begin() + SelectionEnd() + 1)
      .join(QLatin1Char('\n'));
}

void MessagePane::SelectAll() {
  if (lines_.empty()) return;
  anchor_ = firstSequence_;
  cursor_ = firstSequence_ + LineCount() - 1;
  viewport()->update();
}

void MessagePane::CopySelection() const {
  if (SelectionStart() >= 0) QGuiApplication::clipboard()->setText(SelectedText());
}

void MessagePane::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QFontMetrics metrics = fontMetrics();
  const int height = metrics.lineSpacing();
  const int top = TopLine();
  const int first = std::max(LineAt(event->rect().top()), 0);
  const int last = std::min(LineAt(event->rect().bottom()), LineCount() - 1);
  const int x = kMargin - horizontalScrollBar()->value();
  const int selectionStart = SelectionStart();
  const int selectionEnd = SelectionEnd();
  for (int index = first; index <= last; ++index) {
    const int y = (index - top) * height;
    const bool selected = index >= selectionStart && index <= selectionEnd;
    if (selected) painter.fillRect(0, y, viewport()->width(), height, palette().highlight());
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(x, y + metrics.ascent(), Line(index));
  }
}

void MessagePane::resizeEvent(QResizeEvent* event) {
  QScrollBar* lines = verticalScrollBar();
  const bool following = lines->value() >= lines->maximum();
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  if (following) lines->setValue(lines->maximum());
}

void MessagePane::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    MeasureWidestLine();
    UpdateScrollBars();
  }
}

void MessagePane::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || lines_.empty()) return;
  const qint64 sequence = SequenceAt(event->position().toPoint().y());
  if (!(event->modifiers() & Qt::ShiftModifier) || anchor_ < firstSequence_) anchor_ = sequence;
  cursor_ = sequence;
  viewport()->update();
}

void MessagePane::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0 || lines_.empty()) return;
  const int y = event->position().toPoint().y();
  // Dragging past an edge scrolls, so a selection can span more than a page.
  if (y < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (y >= viewport()->height())
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  cursor_ = SequenceAt(y);
  viewport()->update();
}

void MessagePane::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
  } else if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
  } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

void MessagePane::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("复制"), this, &MessagePane::CopySelection);
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(SelectionStart() >= 0);
  menu.addAction(QStringLiteral("全选"), this, &MessagePane::SelectAll)
      ->setShortcut(QKeySequence::SelectAll);
  menu.exec(event->globalPos());
}

int MessagePane::VisibleLines() const {
  return std::max(viewport()->height() / fontMetrics().lineSpacing(), 1);
}

int MessagePane::LineAt(int y) const {
  const int height = fontMetrics().lineSpacing();
  return TopLine() + (y >= 0 ? y / height : -1 - (-y - 1) / height);
}

qint64 MessagePane::SequenceAt(int y) const {
  return firstSequence_ + std::clamp(LineAt(y), 0, LineCount() - 1);
}

void MessagePane::UpdateScrollBars() {
  const int visible = VisibleLines();
  verticalScrollBar()->setRange(0, std::max(LineCount() - visible, 0));
  verticalScrollBar()->setPageStep(visible);
  const int width = viewport()->width();
  horizontalScrollBar()->setRange(0, std::max(widestLine_ + 2 * kMargin - width, 0));
  horizontalScrollBar()->setPageStep(width);
  horizontalScrollBar()->setSingleStep(std::max(fontMetrics().averageCharWidth(), 1) * 2);
}

void MessagePane::MeasureWidestLine() {
  const QFontMetrics metrics = fontMetrics();
  widestLine_ = 0;
  for (const QString& line : lines_)
    widestLine_ = std::max(widestLine_, metrics.horizontalAdvance(line));
}
