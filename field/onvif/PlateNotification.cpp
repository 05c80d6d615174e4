#include "PlateNotification.h"

#include <QStringList>
#include <algorithm>

#include "OnvifAnswers.h"

namespace field::onvif {
namespace {

// An item of the message's Source or Data by name: a SimpleItem's Value, an
// ElementItem's content, or a plain element of that local name.
QString ItemValue(const XmlElement& message, QStringView name) {
  for (const XmlElement* item : message.FindAll(u"SimpleItem")) {
    if (item->Attribute(u"Name") == name) return item->Attribute(u"Value").trimmed();
  }
  for (const XmlElement* item : message.FindAll(u"ElementItem")) {
    if (item->Attribute(u"Name") != name) continue;
    if (!item->text.isEmpty() || item->children.empty()) return item->text;
    return item->children.front().text;
  }
  return message.TextOf(name);
}

float Confidence(const QString& text) {
  bool ok = false;
  float value = text.toFloat(&ok);
  if (!ok || !(value >= 0)) return 0;
  // Some firmware writes a percentage.
  if (value > 1) value /= 100;
  return std::min(value, 1.0F);
}

QByteArray Picture(const QString& base64) {
  return QByteArray::fromBase64(base64.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
}

}  // namespace

bool IsPlateTopic(const QString& topic) {
  QStringList parts = topic.trimmed().split(u'/', Qt::SkipEmptyParts);
  if (parts.isEmpty()) return false;
  for (QString& part : parts) part = part.mid(part.indexOf(u':') + 1);
  const QString& last = parts.last();
  if (last == u"LicensePlate" && parts.size() >= 2 && parts[parts.size() - 2] == u"Recognition") {
    return true;
  }
  return last.contains(u"LicensePlate", Qt::CaseInsensitive);
}

std::optional<PlateNotification> ReadPlateNotification(const XmlElement& notification) {
  if (!IsPlateTopic(notification.TextOf(u"Topic"))) return std::nullopt;
  const XmlElement* outer = notification.Child(u"Message");
  const XmlElement* message = outer != nullptr ? outer->Child(u"Message") : nullptr;
  if (message == nullptr) message = outer != nullptr ? outer : &notification;
  PlateNotification plate;
  plate.plate = ItemValue(*message, u"PlateNumber");
  if (plate.plate.isEmpty()) return std::nullopt;
  QString likelihood = ItemValue(*message, u"Likelihood");
  if (likelihood.isEmpty()) {
    if (const XmlElement* number = message->Find(u"PlateNumber")) {
      likelihood = number->Attribute(u"Likelihood");
    }
  }
  plate.confidence = Confidence(likelihood);
  plate.sceneUri = ItemValue(*message, u"VehicleImageURI");
  if (plate.sceneUri.isEmpty()) plate.scene = Picture(ItemValue(*message, u"VehicleImage"));
  plate.closeupUri = ItemValue(*message, u"ImageURI");
  if (plate.closeupUri.isEmpty()) plate.closeup = Picture(ItemValue(*message, u"Image"));
  plate.time = ReadDateTime(message->Attribute(u"UtcTime"));
  return plate;
}

std::vector<PlateNotification> ReadPlateNotifications(const XmlElement& body) {
  std::vector<PlateNotification> plates;
  for (const XmlElement* notification : body.FindAll(u"NotificationMessage")) {
    if (std::optional<PlateNotification> plate = ReadPlateNotification(*notification)) {
      plates.push_back(std::move(*plate));
    }
  }
  return plates;
}

}  // namespace field::onvif
