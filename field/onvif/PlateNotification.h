#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "XmlTree.h"

namespace field::onvif {

// A licence-plate notification as the console raises it; a picture comes as
// an address to fetch or as the bytes themselves.
struct PlateNotification {
  QString plate;
  float confidence = 0;
  QString sceneUri;
  QByteArray scene;
  QString closeupUri;
  QByteArray closeup;
  QDateTime time;
};

// `…/Recognition/LicensePlate`, or loosely any topic whose last part names a
// licence plate; prefixes ignored.
bool IsPlateTopic(const QString& topic);

// One NotificationMessage; null when its topic is not a plate's or it names no plate.
std::optional<PlateNotification> ReadPlateNotification(const XmlElement& notification);

// Every plate of a PullMessages answer, in the camera's order.
std::vector<PlateNotification> ReadPlateNotifications(const XmlElement& body);

}  // namespace field::onvif
