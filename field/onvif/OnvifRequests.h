#pragma once

// The operation bodies the console sends, as fixed templates.

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace field::onvif {

inline constexpr char kDeviceNamespace[] = "http://www.onvif.org/ver10/device/wsdl";
inline constexpr char kMedia1Namespace[] = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr char kMedia2Namespace[] = "http://www.onvif.org/ver20/media/wsdl";
inline constexpr char kEventsNamespace[] = "http://www.onvif.org/ver10/events/wsdl";
inline constexpr char kDeviceIoNamespace[] = "http://www.onvif.org/ver10/deviceIO/wsdl";
inline constexpr char kLicensePlateTopic[] = "tns1:RuleEngine/Recognition/LicensePlate";

struct Request {
  QByteArray body;
  QString action;
};

// Without a namespace of its own for the action: device and media operations.
Request Operation(const char* serviceNamespace, const char* name, const QByteArray& content = {});

Request GetSystemDateAndTime();
Request GetServices();
Request GetCapabilities();
Request GetDeviceInformation();
// `utc` is written as the camera's new UTC time; the zone and daylight saving stay as read.
Request SetSystemDateAndTime(const QDateTime& utc, const QString& timeZone, bool daylightSavings);
Request GetRelayOutputs();
Request SetRelayOutputSettings(const QString& token, int delayMs, const QString& idleState);
Request SetRelayOutputState(const QString& token, bool active);

// `media` is kMedia1Namespace or kMedia2Namespace.
Request GetProfiles(const char* media);
Request GetStreamUri(const char* media, const QString& profileToken);
Request GetSnapshotUri(const char* media, const QString& profileToken);

Request GetEventProperties();
// An empty topic subscribes to every event.
Request CreatePullPointSubscription(const QString& topic, int terminationSeconds);
Request PullMessages(int timeoutSeconds, int messageLimit);
Request Renew(int terminationSeconds);
Request Unsubscribe();

// xs:duration of whole and fractional seconds: 1000 -> "PT1S", 1500 -> "PT1.5S".
QByteArray Duration(int milliseconds);

}  // namespace field::onvif
