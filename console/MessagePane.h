#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <QStringList>
#include <deque>

// A read-only pane of text lines that only grows at the end and keeps the
// newest `lineLimit` lines. The lines are painted straight from a queue of
// strings: a text document costs several hundred bytes per line and holds
// on to removed text until it compacts, which a pane fed around the clock
// cannot afford. Whole lines are selected with the mouse or the keyboard and
// copied with the usual shortcut or the context menu.
class MessagePane : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit MessagePane(int lineLimit, QWidget* parent = nullptr);

  void AppendLine(const QString& line);

  int LineLimit() const { return lineLimit_; }
  int LineCount() const { return static_cast<int>(lines_.size()); }
  // 0 is the oldest line still in the pane.
  const QString& Line(int index) const { return lines_.at(static_cast<std::size_t>(index)); }
  QStringList Lines() const;

  // The first line in view and the selected lines, as indexes like Line's;
  // an empty selection is -1, -1.
  int TopLine() const;
  int SelectionStart() const;
  int SelectionEnd() const;
  QString SelectedText() const;
  void SelectAll();
  void CopySelection() const;

 signals:
  void LineAppended(const QString& line);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  static constexpr int kMargin = 4;

  int VisibleLines() const;
  int LineAt(int y) const;
  qint64 SequenceAt(int y) const;
  void UpdateScrollBars();
  void MeasureWidestLine();

  int lineLimit_;
  std::deque<QString> lines_;
  // Lines are numbered from the first ever appended, so a selection stays on
  // its lines while older ones leave the pane.
  qint64 firstSequence_ = 0;
  qint64 anchor_ = -1;
  qint64 cursor_ = -1;
  int widestLine_ = 0;
};
