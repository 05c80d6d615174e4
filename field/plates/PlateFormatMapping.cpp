#include "PlateFormatMapping.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include "DocumentPaths.h"
#include "Refusal.h"

namespace field {
namespace {

const QSet<QString> kFields = {QStringLiteral("name"),
                               QStringLiteral("body"),
                               QStringLiteral("document_part"),
                               QStringLiteral("document"),
                               QStringLiteral("when"),
                               QStringLiteral("equals"),
                               QStringLiteral("plate"),
                               QStringLiteral("color"),
                               QStringLiteral("confidence"),
                               QStringLiteral("camera"),
                               QStringLiteral("confidence_scale"),
                               QStringLiteral("scene"),
                               QStringLiteral("closeup"),
                               QStringLiteral("time")};

// The fields of a mapping file's object; `prefix` names nested ones ("scene.part").
class MappingFields {
 public:
  MappingFields(QJsonObject object, QString prefix = {})
      : object_(std::move(object)), prefix_(std::move(prefix)) {}

  bool Has(const QString& key) const { return object_.contains(key); }
  QString Name(const QString& key) const { return prefix_ + key; }

  QString String(const QString& key, bool required) const {
    const QJsonValue value = object_.value(key);
    if (value.isUndefined()) {
      if (required) Refuse(Name(key), QStringLiteral("is missing"));
      return {};
    }
    if (!value.isString()) Refuse(Name(key), QStringLiteral("is not a string"));
    if (value.toString().isEmpty()) Refuse(Name(key), QStringLiteral("is empty"));
    return value.toString();
  }

  QString OneOf(const QString& key, const QStringList& choices) const {
    const QString value = String(key, true);
    if (!choices.contains(value)) {
      Refuse(Name(key), QStringLiteral("is \"%1\", not one of %2")
                            .arg(value, choices.join(QStringLiteral(", "))));
    }
    return value;
  }

  MappingFields Object(const QString& key) const {
    const QJsonValue value = object_.value(key);
    if (!value.isObject()) Refuse(Name(key), QStringLiteral("is not an object"));
    return MappingFields(value.toObject(), Name(key) + u'.');
  }

  QStringList Keys() const { return object_.keys(); }
  QJsonValue Value(const QString& key) const { return object_.value(key); }

 private:
  QJsonObject object_;
  QString prefix_;
};

BodyKind KindOf(const QString& word) {
  if (word == QLatin1String("xml")) return BodyKind::Xml;
  if (word == QLatin1String("multipart")) return BodyKind::Multipart;
  return BodyKind::Json;
}

class Reader {
 public:
  Reader(const MappingFields& top, BodyKind document) : top_(top), document_(document) {}

  QString Path(const MappingFields& fields, const QString& key, bool required) const {
    const QString path = fields.String(key, required);
    if (!fields.Has(key)) return path;
    if (document_ == BodyKind::Json && !IsJsonPointer(path)) {
      Refuse(fields.Name(key),
             QStringLiteral("\"%1\" is not a JSON Pointer such as /plate/text").arg(path));
    }
    if (document_ == BodyKind::Xml && !IsXmlPath(path)) {
      Refuse(fields.Name(key),
             QStringLiteral("\"%1\" is not a path of element names such as /Alarm/Plate or "
                            "/Alarm/@id")
                 .arg(path));
    }
    return path;
  }

  PictureSource Picture(const QString& key, bool multipart) const {
    if (!top_.Has(key)) return {};
    const MappingFields picture = top_.Object(key);
    const QStringList keys = picture.Keys();
    if (keys.size() != 1) {
      Refuse(top_.Name(key), QStringLiteral("holds not exactly one of base64, part or url"));
    }
    const QString kind = keys.first();
    if (kind == QLatin1String("base64"))
      return {PictureSource::Kind::Base64, Path(picture, kind, true)};
    if (kind == QLatin1String("url")) return {PictureSource::Kind::Url, Path(picture, kind, true)};
    if (kind != QLatin1String("part")) {
      Refuse(picture.Name(kind), QStringLiteral("is not base64, part or url"));
    }
    if (!multipart) Refuse(picture.Name(kind), QStringLiteral("is only for a multipart body"));
    return {PictureSource::Kind::Part, picture.String(kind, true)};
  }

 private:
  const MappingFields& top_;
  BodyKind document_;
};

TimeFormat TimeFormatOf(const QString& word) {
  if (word == QLatin1String("epoch-s")) return TimeFormat::EpochSeconds;
  if (word == QLatin1String("epoch-ms")) return TimeFormat::EpochMilliseconds;
  if (word == QLatin1String("yyyyMMddHHmmss")) return TimeFormat::Digits;
  return TimeFormat::Iso8601;
}

PlateFormatMapping Parse(const QByteArray& json, const QString& file) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    throw Refusal{QStringLiteral("not valid JSON: %1 at byte %2")
                      .arg(parseError.errorString())
                      .arg(parseError.offset)};
  }
  if (!document.isObject()) throw Refusal{QStringLiteral("not a JSON object")};
  const MappingFields top(document.object());
  for (const QString& key : top.Keys()) {
    if (!kFields.contains(key)) Refuse(key, QStringLiteral("is not a field of a mapping file"));
  }

  PlateFormatMapping mapping;
  mapping.file = file;
  mapping.name = top.String(QStringLiteral("name"), true);
  mapping.body =
      KindOf(top.OneOf(QStringLiteral("body"), {QStringLiteral("json"), QStringLiteral("xml"),
                                                QStringLiteral("multipart")}));
  const bool multipart = mapping.body == BodyKind::Multipart;
  for (const char* key : {"document_part", "document"}) {
    if (!multipart && top.Has(QLatin1String(key)))
      Refuse(QLatin1String(key), QStringLiteral("is only for a multipart body"));
  }
  mapping.document = mapping.body;
  if (multipart) {
    mapping.documentPart = top.String(QStringLiteral("document_part"), true);
    mapping.document = KindOf(
        top.OneOf(QStringLiteral("document"), {QStringLiteral("json"), QStringLiteral("xml")}));
  }

  const Reader reader(top, mapping.document);
  mapping.when = reader.Path(top, QStringLiteral("when"), true);
  if (top.Has(QStringLiteral("equals"))) {
    const QJsonValue equals = top.Value(QStringLiteral("equals"));
    if (!equals.isString() && !equals.isDouble() && !equals.isBool()) {
      Refuse(QStringLiteral("equals"), QStringLiteral("is not a string, number or true/false"));
    }
    mapping.equals = equals;
  }
  mapping.plate = reader.Path(top, QStringLiteral("plate"), true);
  mapping.color = reader.Path(top, QStringLiteral("color"), false);
  mapping.confidence = reader.Path(top, QStringLiteral("confidence"), false);
  mapping.camera = reader.Path(top, QStringLiteral("camera"), false);
  if (top.Has(QStringLiteral("confidence_scale"))) {
    const QJsonValue scale = top.Value(QStringLiteral("confidence_scale"));
    if (!scale.isDouble() || !(scale.toDouble() > 0)) {
      Refuse(QStringLiteral("confidence_scale"), QStringLiteral("is not a number above 0"));
    }
    mapping.confidenceScale = scale.toDouble();
  }
  mapping.scene = reader.Picture(QStringLiteral("scene"), multipart);
  mapping.closeup = reader.Picture(QStringLiteral("closeup"), multipart);
  if (top.Has(QStringLiteral("time"))) {
    const MappingFields time = top.Object(QStringLiteral("time"));
    for (const QString& key : time.Keys()) {
      if (key != QLatin1String("path") && key != QLatin1String("format")) {
        Refuse(time.Name(key), QStringLiteral("is not a field of a mapping file"));
      }
    }
    mapping.time = reader.Path(time, QStringLiteral("path"), true);
    mapping.timeFormat = TimeFormatOf(time.OneOf(
        QStringLiteral("format"), {QStringLiteral("iso8601"), QStringLiteral("epoch-s"),
                                   QStringLiteral("epoch-ms"), QStringLiteral("yyyyMMddHHmmss")}));
  }
  return mapping;
}

}  // namespace

std::optional<PlateFormatMapping> ParsePlateFormatMapping(const QByteArray& json,
                                                          const QString& file, QString& error) {
  try {
    return Parse(json, file);
  } catch (const Refusal& refusal) {
    error = file + QStringLiteral(": ") + refusal.reason;
    return std::nullopt;
  }
}

std::optional<PlateFormatMapping> LoadPlateFormatMapping(const QString& file, QString& error) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("%1: cannot be read: %2").arg(file, in.errorString());
    return std::nullopt;
  }
  return ParsePlateFormatMapping(in.readAll(), file, error);
}

}  // namespace field
