#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace lanesim::testing {

// The value at "a/0/b" in a JSON document: objects by key, arrays by index.
inline QJsonValue At(const QByteArray& json, const QString& path) {
  QJsonValue value = QJsonDocument::fromJson(json).object();
  for (const QString& step : path.split('/')) {
    bool index = false;
    const int at = step.toInt(&index);
    value = index ? value.toArray().at(at) : value.toObject().value(step);
  }
  return value;
}

}  // namespace lanesim::testing
