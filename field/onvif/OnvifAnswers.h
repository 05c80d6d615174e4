#pragma once

// What the console reads from an ONVIF device's answers, by local names.

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

#include "XmlTree.h"

namespace field::onvif {

struct CameraClock {
  QDateTime utc;
  QString timeZone;
  bool daylightSavings = false;
};
std::optional<CameraClock> ReadSystemDateAndTime(const XmlElement& body);

// As the camera names them; empty when it does not offer the service.
struct ServiceAddresses {
  QUrl device;
  QUrl media1;
  QUrl media2;
  QUrl events;
  QUrl deviceIo;
};
ServiceAddresses ReadServices(const XmlElement& body);
ServiceAddresses ReadCapabilities(const XmlElement& body);

struct DeviceInformation {
  QString manufacturer;
  QString model;
  QString firmware;
  QString serialNumber;
  QString hardwareId;
};
DeviceInformation ReadDeviceInformation(const XmlElement& body);

struct RelayOutput {
  QString token;
  QString mode;
  QString delayTime;
  QString idleState;
};
std::vector<RelayOutput> ReadRelayOutputs(const XmlElement& body);

struct MediaProfile {
  QString token;
  QString name;
};
std::vector<MediaProfile> ReadProfiles(const XmlElement& body);

// The address of GetStreamUri or GetSnapshotUri (media ver10's MediaUri/Uri, ver20's Uri).
QString ReadMediaUri(const XmlElement& body);

// Whether the topic set lists `topic` ("RuleEngine/Recognition/LicensePlate"), by local names.
bool ListsTopic(const XmlElement& body, const QString& topic);
// Every topic of the set that carries messages, as "A/B/C".
QStringList ReadTopics(const XmlElement& body);

struct Subscription {
  QUrl address;  // empty when the camera left it out
  std::optional<XmlElement> referenceParameters;
  // How long it lives, from the camera's CurrentTime to its TerminationTime.
  std::optional<qint64> lifetimeMs;
};
std::optional<Subscription> ReadSubscription(const XmlElement& body);

// xs:dateTime as cameras write it, with or without fractions and zone.
QDateTime ReadDateTime(const QString& text);

}  // namespace field::onvif
