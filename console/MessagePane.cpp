#include "MessagePane.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "MessagePaneDelegate.h"
#include "MessagePaneModel.h"

MessagePane::MessagePane(int lineLimit, QWidget* parent)
    : QListView(parent),
      lines_(new MessagePaneModel(lineLimit, this)),
      linePainter_(new MessagePaneDelegate(this)) {
  setUniformItemSizes(true);
  // One scroll step per line, so the scroll bar's value is the top line.
  setVerticalScrollMode(ScrollPerItem);
  setHorizontalScrollMode(ScrollPerPixel);
  setSelectionMode(ContiguousSelection);
  setEditTriggers(NoEditTriggers);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  setItemDelegate(linePainter_);
  setModel(lines_);
  UseFontMetrics();
}

void MessagePane::AppendLine(const QString& line) {
  QScrollBar* lines = verticalScrollBar();
  const bool following = AtBottom();
  sliding_ = lines_->IsFull();
  lines_->Append(line);
  if (sliding_) {
    // Every line moved up a row; the view moves with them unless it follows.
    if (!following) lines->setValue(lines->value() - 1);
    viewport()->update();
  } else {
    // The new row has a place, and the scroll bar its range, only once the
    // view has laid its rows out.
    followAfterLayout_ = following;
  }
  sliding_ = false;

  // A line with fewer characters than the widest line's width in the
  // font's widest characters cannot be wider; measuring is the costly part.
  const QFontMetrics metrics = fontMetrics();
  if (static_cast<qint64>(line.size()) * metrics.maxWidth() > widestLine_) {
    const int width = metrics.horizontalAdvance(line);
    if (width > widestLine_) SetWidestLine(width);
  }
  emit LineAppended(line);
}

int MessagePane::LineLimit() const {
  return lines_->Limit();
}

int MessagePane::LineCount() const {
  return lines_->Count();
}

const QString& MessagePane::Line(int index) const {
  return lines_->Line(index);
}

QStringList MessagePane::Lines() const {
  return lines_->Lines(0, LineCount() - 1);
}

int MessagePane::TopLine() const {
  return verticalScrollBar()->value();
}

int MessagePane::SelectionStart() const {
  int start = -1;
  for (const QItemSelectionRange& range : selectionModel()->selection())
    if (start < 0 || range.top() < start) start = range.top();
  return start;
}

int MessagePane::SelectionEnd() const {
  int end = -1;
  for (const QItemSelectionRange& range : selectionModel()->selection())
    end = std::max(end, range.bottom());
  return end;
}

QString MessagePane::SelectedText() const {
  const int start = SelectionStart();
  if (start < 0) return {};
  return lines_->Lines(start, SelectionEnd()).join(QLatin1Char('\n'));
}

void MessagePane::SelectAll() {
  selectAll();
}

void MessagePane::CopySelection() const {
  if (SelectionStart() >= 0) QGuiApplication::clipboard()->setText(SelectedText());
}

void MessagePane::doItemsLayout() {
  QListView::doItemsLayout();
  if (std::exchange(followAfterLayout_, false))
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void MessagePane::resizeEvent(QResizeEvent* event) {
  const bool following = AtBottom();
  QListView::resizeEvent(event);
  if (following) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void MessagePane::changeEvent(QEvent* event) {
  QListView::changeEvent(event);
  if (event->type() == QEvent::FontChange) UseFontMetrics();
}

void MessagePane::mousePressEvent(QMouseEvent* event) {
  const QRect last = visualRect(lines_->index(LineCount() - 1));
  if (LineCount() == 0 || event->position().y() <= last.bottom()) {
    QListView::mousePressEvent(event);
    return;
  }
  // Below the last line is on the last line, as in a text pane.
  QMouseEvent onLastLine(event->type(), QPointF(event->position().x(), last.center().y()),
                         event->globalPosition(), event->button(), event->buttons(),
                         event->modifiers(), event->pointingDevice());
  QListView::mousePressEvent(&onLastLine);
}

void MessagePane::keyPressEvent(QKeyEvent* event) {
  // The view's own copy takes only the current line.
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
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

// A full pane loses its first row as it gains a last one: the row count, and
// with uniform item sizes every row's place, stay as the view laid them out,
// so QListView's relayout of every row (milliseconds at 100,000) is skipped.
void MessagePane::rowsInserted(const QModelIndex& parent, int start, int end) {
  if (sliding_) {
    QAbstractItemView::rowsInserted(parent, start, end);
  } else {
    QListView::rowsInserted(parent, start, end);
  }
}

void MessagePane::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
  // The view would make the next line current and scroll to it; a line
  // leaving the pane must not move the view.
  const int current = currentIndex().row();
  if (current >= start && current <= end)
    selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
  if (sliding_) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
  } else {
    QListView::rowsAboutToBeRemoved(parent, start, end);
  }
}

QModelIndex MessagePane::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Without a current line the keys start from the first line in view, not
  // from the oldest line, which may be 100,000 lines up.
  if (!currentIndex().isValid() && LineCount() > 0) return lines_->index(TopLine());
  return QListView::moveCursor(action, modifiers);
}

bool MessagePane::AtBottom() const {
  return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void MessagePane::UseFontMetrics() {
  const QFontMetrics metrics = fontMetrics();
  horizontalScrollBar()->setSingleStep(std::max(metrics.averageCharWidth(), 1) * 2);
  int widest = 0;
  for (int row = 0; row < LineCount(); ++row)
    widest = std::max(widest, metrics.horizontalAdvance(Line(row)));
  SetWidestLine(widest);
}

void MessagePane::SetWidestLine(int width) {
  widestLine_ = width;
  linePainter_->SetWidestLine(width);
  scheduleDelayedItemsLayout();
}
