#include "PlateMapping.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "plates/AnprAlarmFormat.h"
#include "plates/JsonFormats.h"
#include "plates/MappedFormat.h"
#include "plates/Refusal.h"

namespace field {
namespace {

std::optional<BodyKind> BodyKindOf(const PlateRequest& request) {
  if (request.multipart) return BodyKind::Multipart;
  const QString type = request.contentType.section(u';', 0, 0).trimmed().toLower();
  if (type == QLatin1String("application/json") || type.endsWith(QLatin1String("+json"))) {
    return BodyKind::Json;
  }
  if (type == QLatin1String("application/xml") || type == QLatin1String("text/xml") ||
      type.endsWith(QLatin1String("+xml"))) {
    return BodyKind::Xml;
  }
  return std::nullopt;
}

QJsonObject Document(QByteArray json, const QString& what) {
  // Senders on Windows put a byte order mark before their JSON.
  if (json.startsWith("\xEF\xBB\xBF")) json.remove(0, 3);
  if (json.isEmpty()) throw Refusal{what + QStringLiteral(" is empty")};
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    throw Refusal{QStringLiteral("%1 is not valid JSON: %2 at byte %3")
                      .arg(what, error.errorString())
                      .arg(error.offset)};
  }
  if (!document.isObject()) throw Refusal{what + QStringLiteral(" is not a JSON object")};
  return document.object();
}

enum class Shape { Console, AlprGroup, AlprResults, AlprAlert, Heartbeat, Recognizer };

Shape ShapeOf(const JsonFields& message) {
  if (message.Has("data_type")) {
    const QString type = message.String("data_type");
    if (type == QLatin1String("alpr_group")) return Shape::AlprGroup;
    if (type == QLatin1String("alpr_results")) return Shape::AlprResults;
    if (type == QLatin1String("alpr_alert")) return Shape::AlprAlert;
    if (type == QLatin1String("heartbeat")) return Shape::Heartbeat;
    throw Refusal{QStringLiteral(
        "\"data_type\" is none of alpr_group, alpr_results, alpr_alert or heartbeat")};
  }
  if (message.Has("hook") || message.Has("data")) return Shape::Recognizer;
  // The open-source daemon sends its results without a data_type.
  if (message.Has("results")) return Shape::AlprResults;
  for (const char* key :
       {"plate", "camera", "color", "time", "scene_jpeg", "closeup_jpeg", "confidence"}) {
    if (message.Has(key)) return Shape::Console;
  }
  throw Refusal{QStringLiteral(
      "not a plate message: it has none of \"plate\", \"data_type\", \"data\" or \"results\"")};
}

void MapJson(const PlateRequest& request, MappedPlate& mapped) {
  const JsonFields message(Document(request.body, QStringLiteral("body")), mapped.notices);
  switch (ShapeOf(message)) {
    case Shape::Console:
      mapped.format = QStringLiteral("console JSON");
      mapped.plate = ConsolePlate(message);
      return;
    case Shape::AlprGroup:
      mapped.format = QStringLiteral("OpenALPR alpr_group");
      mapped.plate = AlprGroupPlate(message);
      return;
    case Shape::AlprResults:
      mapped.format = QStringLiteral("OpenALPR alpr_results");
      mapped.plate = AlprResultsPlate(message);
      return;
    case Shape::AlprAlert:
      mapped.format = QStringLiteral("OpenALPR alpr_alert");
      mapped.plate = AlprAlertPlate(message);
      return;
    case Shape::Heartbeat:
      mapped.format = QStringLiteral("OpenALPR heartbeat");
      mapped.heartbeatFrom = AlprAgent(message);
      return;
    case Shape::Recognizer:
      mapped.format = QStringLiteral("Plate Recognizer JSON");
      mapped.plate = RecognizerPlate(message);
      return;
  }
}

// A picture part takes the place of the same picture in the "json" part.
void MapJsonPart(const PlateRequest& request, const PlatePart& json, MappedPlate& mapped) {
  const JsonFields message(Document(json.bytes, QStringLiteral("\"json\" part")), mapped.notices);
  const auto part = [&](const char* name, const QByteArray& otherwise) {
    return request.Part(QLatin1String(name))
               ? PartPicture(request, QLatin1String(name), mapped.notices)
               : otherwise;
  };
  switch (ShapeOf(message)) {
    case Shape::Console: {
      PlateRecord plate = ConsolePlate(message);
      plate.sceneJpeg = part("scene", plate.sceneJpeg);
      plate.closeupJpeg = part("closeup", plate.closeupJpeg);
      mapped.format = QStringLiteral("console multipart");
      mapped.plate = std::move(plate);
      return;
    }
    case Shape::Recognizer: {
      PlateRecord plate = RecognizerPlate(message);
      plate.sceneJpeg = part("upload", {});
      mapped.format = QStringLiteral("Plate Recognizer multipart");
      mapped.plate = std::move(plate);
      return;
    }
    case Shape::AlprGroup:
    case Shape::AlprResults:
    case Shape::AlprAlert:
    case Shape::Heartbeat:
      break;
  }
  throw Refusal{QStringLiteral("OpenALPR messages are taken as JSON bodies, not multipart")};
}

void MapBuiltIn(const PlateRequest& request, BodyKind body, MappedPlate& mapped) {
  if (body == BodyKind::Json) return MapJson(request, mapped);
  if (const PlatePart* json = request.Part(QStringLiteral("json"))) {
    return MapJsonPart(request, *json, mapped);
  }
  if (std::optional<PlateRecord> plate = AnprAlarmPlate(request, mapped.notices)) {
    mapped.format = QStringLiteral("camera ANPR alarm");
    mapped.plate = std::move(plate);
    return;
  }
  throw Refusal{body == BodyKind::Xml
                    ? QStringLiteral("XML body is no ANPR alarm (EventNotificationAlert with ANPR)")
                    : QStringLiteral("multipart body has no \"json\" part, no ANPR alarm and "
                                     "no part a mapping file names")};
}

}  // namespace

MappedPlate PlateMapper::Map(const PlateRequest& request, const PictureFetcher& fetch) const {
  MappedPlate mapped = [&]() -> MappedPlate {
    MappedPlate found;
    try {
      const std::optional<BodyKind> body = BodyKindOf(request);
      if (!body) {
        throw Refusal{QStringLiteral("the content type \"%1\" is neither application/json, XML "
                                     "nor multipart/form-data")
                          .arg(request.contentType)};
      }
      for (const PlateFormatMapping& mapping : mappings_) {
        if (auto plate = MapByFile(mapping, request, *body, fetch, found.notices)) {
          found.format = QStringLiteral("%1 (%2)").arg(mapping.name, mapping.file);
          found.plate = std::move(plate);
          return found;
        }
      }
      MapBuiltIn(request, *body, found);
    } catch (const Refusal& refusal) {
      return {std::nullopt, refusal.reason, found.format, {}, {}};
    }
    return found;
  }();
  // Notices and reasons quote what the sender wrote; each stays one line in the pane.
  for (QString& notice : mapped.notices) notice = OnOneLine(notice);
  mapped.error = OnOneLine(mapped.error);
  return mapped;
}

}  // namespace field
