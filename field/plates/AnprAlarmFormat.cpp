#include "AnprAlarmFormat.h"

#include "DocumentPaths.h"
#include "PictureSources.h"
#include "PlateValues.h"
#include "Refusal.h"

namespace field {
namespace {

const QString kRoot = QStringLiteral("/EventNotificationAlert");
const QString kAnpr = kRoot + QStringLiteral("/ANPR");

bool IsXml(const PlatePart& part) {
  return part.contentType.contains(QLatin1String("xml")) ||
         part.name.endsWith(QLatin1String(".xml"));
}

const QByteArray* AlarmDocument(const PlateRequest& request) {
  if (!request.multipart) return &request.body;
  if (const PlatePart* named = request.Part(QStringLiteral("anpr.xml"))) return &named->bytes;
  for (const PlatePart& part : request.parts) {
    if (IsXml(part)) return &part.bytes;
  }
  return nullptr;
}

// The part a picture of this type is in: the file name the alarm gives it, else
// the name cameras use.
QString PictureName(const XmlMessage& alarm, const QString& type) {
  const QDomElement list = alarm.Element(kAnpr + QStringLiteral("/pictureInfoList"));
  for (QDomElement info = list.firstChildElement(); !info.isNull();
       info = info.nextSiblingElement()) {
    if (XmlMessage::Child(info, QStringLiteral("type")).text().trimmed() != type) continue;
    const QString file = XmlMessage::Child(info, QStringLiteral("fileName")).text().trimmed();
    if (!file.isEmpty()) return file;
  }
  return type + QStringLiteral(".jpg");
}

}  // namespace

std::optional<PlateRecord> AnprAlarmPlate(const PlateRequest& request, QStringList& notices) {
  const QByteArray* document = AlarmDocument(request);
  if (!document) return std::nullopt;
  QString error;
  const std::optional<XmlMessage> alarm = XmlMessage::Parse(*document, error);
  if (!alarm) {
    if (request.multipart)
      throw Refusal{QStringLiteral("the XML part is not well-formed: ") + error};
    throw Refusal{QStringLiteral("body is not well-formed XML: ") + error};
  }
  if (alarm->RootName() != QLatin1String("EventNotificationAlert") ||
      alarm->Element(kAnpr).isNull()) {
    return std::nullopt;
  }
  const auto field = [&](const QString& path) { return alarm->Find(path); };
  const auto name = [](const QString& path) { return path.mid(1); };
  const QString plateText = kAnpr + QStringLiteral("/licensePlate");
  const QString confidence = kAnpr + QStringLiteral("/confidenceLevel");
  const QString color = kAnpr + QStringLiteral("/plateColor");
  const QString camera = kRoot + QStringLiteral("/ipAddress");
  const QString time = kRoot + QStringLiteral("/dateTime");

  PlateRecord plate;
  plate.plate = PlateTextOf(field(plateText), name(plateText));
  plate.confidence = ConfidenceOf(field(confidence), name(confidence), 100);
  plate.color = TextOf(field(color), name(color));
  plate.camera = TextOf(field(camera), name(camera));
  plate.time = TimeOf(field(time), name(time), TimeFormat::Iso8601);
  if (request.multipart) {
    plate.closeupJpeg =
        PartPicture(request, PictureName(*alarm, QStringLiteral("licensePlatePicture")), notices);
    plate.sceneJpeg =
        PartPicture(request, PictureName(*alarm, QStringLiteral("detectionPicture")), notices);
  }
  return plate;
}

}  // namespace field
