#include "PlateMapping.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <utility>

#include "CameraAddress.h"

namespace field {
namespace {

// A fault anywhere in a message ends its mapping at once; only the two entry
// points catch it, so none leaves this file.
struct Refusal {
  QString reason;
};

// 9999-12-31T23:59:59.999Z: later epoch values are no camera's clock.
constexpr double kLastEpochMs = 253402300799999.0;

// The fields of one JSON object, each named in a refusal by its path from the
// top of the message ("data.results[0].score"). Senders write null for what
// they leave out, so null counts as not given.
class Fields {
 public:
  explicit Fields(QJsonObject object, QString path = {})
      : object_(std::move(object)), path_(std::move(path)) {}

  bool Has(const char* key) const { return !Given(key).isUndefined(); }

  // Empty when not given.
  QString Text(const char* key) const {
    const QJsonValue value = Given(key);
    if (!value.isUndefined() && !value.isString()) Refuse(key, QStringLiteral("is not a string"));
    return value.toString();
  }

  QString PlateText(const char* key) const {
    if (!Has(key)) Refuse(key, QStringLiteral("is missing"));
    const QString text = Text(key);
    if (text.isEmpty()) Refuse(key, QStringLiteral("is empty"));
    return text;
  }

  // A number from 0 to `whole`, as a share of `whole`; 0 when not given.
  float Share(const char* key, double whole) const {
    const QJsonValue value = Given(key);
    if (value.isUndefined()) return 0;
    if (!value.isDouble()) Refuse(key, QStringLiteral("is not a number"));
    const double number = value.toDouble();
    if (!(number >= 0 && number <= whole)) {
      Refuse(key, QStringLiteral("%1 is not between 0 and %2").arg(number).arg(whole));
    }
    return static_cast<float>(number / whole);
  }

  // The decoded bytes, JPEG or not, as a camera would hand them on.
  QByteArray Picture(const char* key) const {
    const auto decoded = QByteArray::fromBase64Encoding(
        Text(key).toUtf8(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) Refuse(key, QStringLiteral("is not valid base64"));
    return decoded.decoded;
  }

  QDateTime IsoTime(const char* key) const {
    if (!Has(key)) return {};
    const QDateTime time = QDateTime::fromString(Text(key), Qt::ISODateWithMs);
    if (!time.isValid()) Refuse(key, QStringLiteral("is not an ISO 8601 date and time"));
    return time;
  }

  QDateTime EpochTime(const char* key) const {
    const QJsonValue value = Given(key);
    if (value.isUndefined()) return {};
    const double ms = value.toDouble(-1);
    if (!value.isDouble() || !(ms >= 0 && ms <= kLastEpochMs)) {
      Refuse(key, QStringLiteral("is not a time in milliseconds since 1970"));
    }
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC);
  }

  // An object without fields when not given.
  Fields Object(const char* key) const {
    const QJsonValue value = Given(key);
    if (!value.isUndefined() && !value.isObject()) Refuse(key, QStringLiteral("is not an object"));
    return Fields(value.toObject(), Name(key) + u'.');
  }

  Fields RequiredObject(const char* key) const {
    if (!Has(key)) Refuse(key, QStringLiteral("is missing"));
    return Object(key);
  }

  // The first of the highest-scored objects in array `key`; every one must carry a plate.
  Fields Best(const char* key, const char* scoreKey, double whole) const {
    const QJsonValue value = Given(key);
    if (value.isUndefined()) Refuse(key, QStringLiteral("is missing"));
    if (!value.isArray()) Refuse(key, QStringLiteral("is not an array"));
    const QJsonArray array = value.toArray();
    if (array.isEmpty()) Refuse(key, QStringLiteral("holds no plate"));
    Fields best{QJsonObject()};
    float bestScore = -1;
    for (qsizetype i = 0; i < array.size(); ++i) {
      const QString name = QStringLiteral("%1[%2]").arg(Name(key)).arg(i);
      if (!array[i].isObject()) throw Refusal{Quoted(name) + QStringLiteral(" is not an object")};
      Fields result(array[i].toObject(), name + u'.');
      result.PlateText("plate");
      const float score = result.Share(scoreKey, whole);
      if (score > bestScore) {
        bestScore = score;
        best = std::move(result);
      }
    }
    return best;
  }

 private:
  QJsonValue Given(const char* key) const {
    const QJsonValue value = object_.value(QLatin1String(key));
    return value.isNull() ? QJsonValue(QJsonValue::Undefined) : value;
  }

  QString Name(const char* key) const { return path_ + QLatin1String(key); }

  static QString Quoted(const QString& name) { return u'"' + name + u'"'; }

  [[noreturn]] void Refuse(const char* key, const QString& what) const {
    throw Refusal{Quoted(Name(key)) + u' ' + what};
  }

  QJsonObject object_;
  QString path_;
};

PlateRecord ConsolePlate(const Fields& message) {
  PlateRecord plate;
  plate.plate = message.PlateText("plate");
  plate.camera = message.Text("camera");
  plate.color = message.Text("color");
  plate.time = message.IsoTime("time");
  plate.sceneJpeg = message.Picture("scene_jpeg");
  plate.closeupJpeg = message.Picture("closeup_jpeg");
  plate.confidence = message.Share("confidence", 1);
  return plate;
}

PlateRecord AlprGroupPlate(const Fields& message) {
  const Fields bestPlate = message.Object("best_plate");
  PlateRecord plate;
  plate.plate = message.Text("best_plate_number");
  if (plate.plate.isEmpty()) plate.plate = bestPlate.PlateText("plate");
  plate.confidence = message.Has("best_confidence") ? message.Share("best_confidence", 100)
                                                    : bestPlate.Share("confidence", 100);
  plate.time = message.EpochTime("epoch_start");
  plate.sceneJpeg = message.Picture("vehicle_crop_jpeg");
  plate.closeupJpeg = bestPlate.Picture("plate_crop_jpeg");
  return plate;
}

PlateRecord AlprResultsPlate(const Fields& message) {
  const Fields best = message.Best("results", "confidence", 100);
  PlateRecord plate;
  plate.plate = best.Text("plate");
  plate.confidence = best.Share("confidence", 100);
  plate.closeupJpeg = best.Picture("plate_crop_jpeg");
  plate.time = message.EpochTime("epoch_time");
  return plate;
}

PlateRecord RecognizerPlate(const Fields& message) {
  const Fields data = message.RequiredObject("data");
  const Fields best = data.Best("results", "score", 1);
  PlateRecord plate;
  plate.plate = best.Text("plate");
  plate.confidence = best.Share("score", 1);
  const QString cameraId = data.Text("camera_id");
  // camera_id is a free name; only an IPv4 address in it names the camera.
  if (camera::IsDottedIpv4(cameraId)) plate.camera = cameraId;
  plate.time = data.IsoTime("timestamp");
  return plate;
}

enum class Shape { Console, AlprGroup, AlprResults, Recognizer };

Shape ShapeOf(const Fields& message) {
  if (message.Has("data_type")) {
    const QString type = message.Text("data_type");
    if (type == QLatin1String("alpr_group")) return Shape::AlprGroup;
    if (type == QLatin1String("alpr_results")) return Shape::AlprResults;
    throw Refusal{QStringLiteral("\"data_type\" is neither alpr_group nor alpr_results")};
  }
  if (message.Has("hook") || message.Has("data")) return Shape::Recognizer;
  for (const char* key :
       {"plate", "camera", "color", "time", "scene_jpeg", "closeup_jpeg", "confidence"}) {
    if (message.Has(key)) return Shape::Console;
  }
  throw Refusal{
      QStringLiteral("not a plate message: it has none of \"plate\", \"data_type\" or \"data\"")};
}

Fields Document(const QByteArray& json, const QString& what) {
  if (json.isEmpty()) throw Refusal{what + QStringLiteral(" is empty")};
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    throw Refusal{QStringLiteral("%1 is not valid JSON: %2 at byte %3")
                      .arg(what, error.errorString())
                      .arg(error.offset)};
  }
  if (!document.isObject()) throw Refusal{what + QStringLiteral(" is not a JSON object")};
  return Fields(document.object());
}

PlateRecord JsonPlate(const QByteArray& json) {
  const Fields message = Document(json, QStringLiteral("body"));
  switch (ShapeOf(message)) {
    case Shape::AlprGroup:
      return AlprGroupPlate(message);
    case Shape::AlprResults:
      return AlprResultsPlate(message);
    case Shape::Recognizer:
      return RecognizerPlate(message);
    case Shape::Console:
      break;
  }
  return ConsolePlate(message);
}

// A picture part takes the place of the same picture in the "json" part.
PlateRecord MultipartPlate(const QMap<QString, QByteArray>& parts) {
  const auto json = parts.constFind(QStringLiteral("json"));
  if (json == parts.cend()) throw Refusal{QStringLiteral("multipart body has no \"json\" part")};
  const Fields message = Document(*json, QStringLiteral("\"json\" part"));
  switch (ShapeOf(message)) {
    case Shape::Console: {
      PlateRecord plate = ConsolePlate(message);
      plate.sceneJpeg = parts.value(QStringLiteral("scene"), plate.sceneJpeg);
      plate.closeupJpeg = parts.value(QStringLiteral("closeup"), plate.closeupJpeg);
      return plate;
    }
    case Shape::Recognizer: {
      PlateRecord plate = RecognizerPlate(message);
      plate.sceneJpeg = parts.value(QStringLiteral("upload"));
      return plate;
    }
    case Shape::AlprGroup:
    case Shape::AlprResults:
      break;
  }
  throw Refusal{QStringLiteral("OpenALPR messages are taken as JSON bodies, not multipart")};
}

template <typename Map>
MappedPlate Mapped(Map map) {
  try {
    return {map(), {}};
  } catch (const Refusal& refusal) {
    return {std::nullopt, refusal.reason};
  }
}

}  // namespace

MappedPlate MapJsonPlate(const QByteArray& json) {
  return Mapped([&] { return JsonPlate(json); });
}

MappedPlate MapMultipartPlate(const QMap<QString, QByteArray>& parts) {
  return Mapped([&] { return MultipartPlate(parts); });
}

}  // namespace field
