#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <optional>

#include "PlateValues.h"

namespace field {

enum class BodyKind { Json, Xml, Multipart };

struct PictureSource {
  enum class Kind { None, Base64, Part, Url };
  Kind kind = Kind::None;
  QString where;  // a path, or a part's name
};

// A sender's format as a mapping file describes it (docs/plates.md).
struct PlateFormatMapping {
  QString file;
  QString name;
  BodyKind body = BodyKind::Json;
  QString documentPart;                // multipart: the part holding the message
  BodyKind document = BodyKind::Json;  // what that message is: Json or Xml
  QString when;
  std::optional<QJsonValue> equals;
  QString plate;
  QString color;
  QString confidence;
  double confidenceScale = 1;
  QString camera;
  PictureSource scene;
  PictureSource closeup;
  QString time;
  TimeFormat timeFormat = TimeFormat::Iso8601;
};

// Nothing when the file is no valid mapping, with `error` one line naming the
// file, the field and what is wrong with it.
std::optional<PlateFormatMapping> ParsePlateFormatMapping(const QByteArray& json,
                                                          const QString& file, QString& error);
std::optional<PlateFormatMapping> LoadPlateFormatMapping(const QString& file, QString& error);

}  // namespace field
