#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "PlateValues.h"

namespace field {

// The fields of one JSON object of a built-in format, each named in a refusal
// or notice by its path from the top of the message ("data.results[0].score").
// Picture notices go to the list the top object was given.
class JsonFields {
 public:
  JsonFields(QJsonObject object, QStringList& notices, QString path = {})
      : object_(std::move(object)), notices_(&notices), path_(std::move(path)) {}

  bool Has(const char* key) const { return IsGiven(Value(key)); }
  QJsonValue Value(const char* key) const { return object_.value(QLatin1String(key)); }
  QString Name(const char* key) const { return path_ + QLatin1String(key); }

  QString String(const char* key) const { return StringOf(Value(key), Name(key)); }
  QString Text(const char* key) const { return TextOf(Value(key), Name(key)); }
  QString PlateText(const char* key) const { return PlateTextOf(Value(key), Name(key)); }
  float Confidence(const char* key, double scale) const {
    return ConfidenceOf(Value(key), Name(key), scale);
  }
  QDateTime Time(const char* key, TimeFormat format) const {
    return TimeOf(Value(key), Name(key), format);
  }
  QByteArray Picture(const char* key) const {
    return Base64PictureOf(Value(key), Name(key), *notices_);
  }

  // An object without fields when not given.
  JsonFields Object(const char* key) const;
  JsonFields RequiredObject(const char* key) const;
  // The first of the highest-scored objects in array `key`; every one must carry a plate.
  JsonFields Best(const char* key, const char* scoreKey, double scale) const;

 private:
  QJsonObject object_;
  QStringList* notices_;
  QString path_;
};

}  // namespace field
