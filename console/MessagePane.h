#pragma once

#include <QListView>
#include <QString>
#include <QStringList>

class MessagePaneDelegate;
class MessagePaneModel;

// A read-only list of text lines that only grows at the end and keeps the
// newest `lineLimit` lines. Whole lines are selected with the mouse or the
// keyboard (Shift with arrows, Page Up/Down, Home/End) and copied with the
// usual shortcut or the context menu. The view follows new lines while it is
// scrolled to the bottom and otherwise keeps the lines in view where they are.
class MessagePane : public QListView {
  Q_OBJECT

 public:
  explicit MessagePane(int lineLimit, QWidget* parent = nullptr);

  void AppendLine(const QString& line);

  int LineLimit() const;
  int LineCount() const;
  // 0 is the oldest line still in the pane.
  const QString& Line(int index) const;
  QStringList Lines() const;

  // The first line in view and the selected lines, as indexes like Line's;
  // an empty selection is -1, -1.
  int TopLine() const;
  int SelectionStart() const;
  int SelectionEnd() const;
  QString SelectedText() const;
  void SelectAll();
  void CopySelection() const;

  void doItemsLayout() override;

 signals:
  void LineAppended(const QString& line);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

 protected slots:
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

 private:
  bool AtBottom() const;
  // Measures every line again, as a new font draws them.
  void UseFontMetrics();
  void SetWidestLine(int width);

  MessagePaneModel* lines_;
  MessagePaneDelegate* linePainter_;
  int widestLine_ = 0;
  // Set while a full pane trades its oldest line for a new one.
  bool sliding_ = false;
  bool followAfterLayout_ = false;
};
