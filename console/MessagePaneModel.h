#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <deque>

// The pane's lines, oldest first, at most `limit` of them. A line appended to
// a full model first removes the oldest row, then inserts the new one, so the
// row count never goes past the limit, not even between the two signals.
class MessagePaneModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit MessagePaneModel(int limit, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void Append(const QString& line);

  int Limit() const { return limit_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  bool IsFull() const { return Count() == limit_; }
  const QString& Line(int row) const { return lines_.at(static_cast<std::size_t>(row)); }
  QStringList Lines(int first, int last) const;

 private:
  int limit_;
  std::deque<QString> lines_;
};
