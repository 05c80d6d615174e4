#include "MessagePaneModel.h"

#include <algorithm>

MessagePaneModel::MessagePaneModel(int limit, QObject* parent)
    : QAbstractListModel(parent), limit_(std::max(limit, 1)) {}

int MessagePaneModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

QVariant MessagePaneModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  return Line(index.row());
}

void MessagePaneModel::Append(const QString& line) {
  if (IsFull()) {
    beginRemoveRows({}, 0, 0);
    lines_.pop_front();
    endRemoveRows();
  }
  beginInsertRows({}, Count(), Count());
  lines_.push_back(line);
  endInsertRows();
}

QStringList MessagePaneModel::Lines(int first, int last) const {
  return QStringList(lines_.begin() + first, lines_.begin() + last + 1);
}
