#include "MappedFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "DocumentPaths.h"
#include "PlateValues.h"
#include "Refusal.h"

namespace field {
namespace {

using Finder = std::function<QJsonValue(const QString&)>;

// Nothing when the bytes are no document of that kind: then the message is not this format.
std::optional<Finder> FinderOf(const QByteArray& bytes, BodyKind kind) {
  if (kind == BodyKind::Xml) {
    QString error;
    auto message = XmlMessage::Parse(bytes, error);
    if (!message) return std::nullopt;
    return [message = std::move(*message)](const QString& path) { return message.Find(path); };
  }
  QByteArray json = bytes;
  if (json.startsWith("\xEF\xBB\xBF")) json.remove(0, 3);
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) return std::nullopt;
  const QJsonValue root =
      document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
  return [root](const QString& path) { return FindJsonPointer(root, path); };
}

QString Written(const QJsonValue& value) {
  if (value.isDouble()) return QString::number(value.toDouble(), 'g', 17);
  if (value.isBool()) return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
  return value.toString();
}

}  // namespace

std::optional<PlateRecord> MapByFile(const PlateFormatMapping& mapping, const PlateRequest& request,
                                     BodyKind requestBody, const PictureFetcher& fetch,
                                     QStringList& notices) {
  if (requestBody != mapping.body) return std::nullopt;
  QByteArray document = request.body;
  if (mapping.body == BodyKind::Multipart) {
    const PlatePart* part = request.Part(mapping.documentPart);
    if (!part) return std::nullopt;
    document = part->bytes;
  }
  const std::optional<Finder> find = FinderOf(document, mapping.document);
  if (!find) return std::nullopt;
  const QJsonValue when = (*find)(mapping.when);
  if (!IsGiven(when)) return std::nullopt;
  if (mapping.equals && Written(when) != Written(*mapping.equals)) return std::nullopt;

  const auto value = [&](const QString& path) {
    return path.isEmpty() ? QJsonValue(QJsonValue::Undefined) : (*find)(path);
  };
  const auto picture = [&](const PictureSource& source) -> QByteArray {
    switch (source.kind) {
      case PictureSource::Kind::Base64:
        return Base64PictureOf(value(source.where), source.where, notices);
      case PictureSource::Kind::Part:
        return PartPicture(request, source.where, notices);
      case PictureSource::Kind::Url:
        return UrlPicture(value(source.where), source.where, request, fetch, notices);
      case PictureSource::Kind::None:
        break;
    }
    return {};
  };
  PlateRecord plate;
  plate.plate = PlateTextOf(value(mapping.plate), mapping.plate);
  plate.color = TextOf(value(mapping.color), mapping.color);
  plate.camera = TextOf(value(mapping.camera), mapping.camera);
  plate.confidence =
      ConfidenceOf(value(mapping.confidence), mapping.confidence, mapping.confidenceScale);
  plate.time = TimeOf(value(mapping.time), mapping.time, mapping.timeFormat);
  plate.sceneJpeg = picture(mapping.scene);
  plate.closeupJpeg = picture(mapping.closeup);
  return plate;
}

}  // namespace field
