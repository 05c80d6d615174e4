#include "JsonFields.h"

#include <QJsonArray>

#include "Refusal.h"

namespace field {

JsonFields JsonFields::Object(const char* key) const {
  const QJsonValue value = Value(key);
  if (IsGiven(value) && !value.isObject()) Refuse(Name(key), QStringLiteral("is not an object"));
  return JsonFields(value.toObject(), *notices_, Name(key) + u'.');
}

JsonFields JsonFields::RequiredObject(const char* key) const {
  if (!Has(key)) Refuse(Name(key), QStringLiteral("is missing"));
  return Object(key);
}

JsonFields JsonFields::Best(const char* key, const char* scoreKey, double scale) const {
  const QJsonValue value = Value(key);
  if (!IsGiven(value)) Refuse(Name(key), QStringLiteral("is missing"));
  if (!value.isArray()) Refuse(Name(key), QStringLiteral("is not an array"));
  const QJsonArray array = value.toArray();
  if (array.isEmpty()) Refuse(Name(key), QStringLiteral("holds no plate"));
  JsonFields best({}, *notices_);
  float bestScore = -1;
  for (qsizetype i = 0; i < array.size(); ++i) {
    const QString name = QStringLiteral("%1[%2]").arg(Name(key)).arg(i);
    if (!array[i].isObject()) Refuse(name, QStringLiteral("is not an object"));
    JsonFields result(array[i].toObject(), *notices_, name + u'.');
    result.PlateText("plate");
    const float score = result.Confidence(scoreKey, scale);
    if (score > bestScore) {
      bestScore = score;
      best = std::move(result);
    }
  }
  return best;
}

}  // namespace field
