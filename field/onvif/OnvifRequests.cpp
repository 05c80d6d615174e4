#include "OnvifRequests.h"

#include <QDateTime>

#include "SoapEnvelope.h"

namespace field::onvif {
namespace {

constexpr char kSchema[] = "http://www.onvif.org/ver10/schema";
constexpr char kNotification[] = "http://docs.oasis-open.org/wsn/b-2";

QByteArray Element(const char* name, const QByteArray& text) {
  return QByteArray("<") + name + '>' + text + "</" + name + '>';
}

QByteArray SchemaElement(const char* name, const QByteArray& content) {
  return QByteArray("<") + name + " xmlns=\"" + kSchema + "\">" + content + "</" + name + '>';
}

}  // namespace

Request Operation(const char* serviceNamespace, const char* name, const QByteArray& content) {
  QByteArray body = QByteArray("<") + name + " xmlns=\"" + serviceNamespace + '"';
  body += content.isEmpty() ? QByteArray("/>") : '>' + content + "</" + name + '>';
  return {body, QString::fromLatin1(serviceNamespace) + u'/' + QLatin1String(name)};
}

Request GetSystemDateAndTime() {
  return Operation(kDeviceNamespace, "GetSystemDateAndTime");
}

Request GetServices() {
  return Operation(kDeviceNamespace, "GetServices", Element("IncludeCapability", "false"));
}

Request GetCapabilities() {
  return Operation(kDeviceNamespace, "GetCapabilities", Element("Category", "All"));
}

Request GetDeviceInformation() {
  return Operation(kDeviceNamespace, "GetDeviceInformation");
}

Request SetSystemDateAndTime(const QDateTime& utc, const QString& timeZone, bool daylightSavings) {
  const QDateTime time = utc.toUTC();
  const auto number = [](int value) { return QByteArray::number(value); };
  QByteArray content = Element("DateTimeType", "Manual") +
                       Element("DaylightSavings", daylightSavings ? "true" : "false");
  if (!timeZone.isEmpty()) {
    content += Element("TimeZone", SchemaElement("TZ", Escaped(timeZone)));
  }
  content +=
      Element("UTCDateTime",
              SchemaElement("Date", Element("Year", number(time.date().year())) +
                                        Element("Month", number(time.date().month())) +
                                        Element("Day", number(time.date().day()))) +
                  SchemaElement("Time", Element("Hour", number(time.time().hour())) +
                                            Element("Minute", number(time.time().minute())) +
                                            Element("Second", number(time.time().second()))));
  return Operation(kDeviceNamespace, "SetSystemDateAndTime", content);
}

Request GetRelayOutputs() {
  return Operation(kDeviceNamespace, "GetRelayOutputs");
}

Request SetRelayOutputSettings(const QString& token, int delayMs, const QString& idleState) {
  return Operation(kDeviceNamespace, "SetRelayOutputSettings",
                   Element("RelayOutputToken", Escaped(token)) +
                       Element("Properties", SchemaElement("Mode", "Monostable") +
                                                 SchemaElement("DelayTime", Duration(delayMs)) +
                                                 SchemaElement("IdleState", Escaped(idleState))));
}

Request SetRelayOutputState(const QString& token, bool active) {
  return Operation(kDeviceNamespace, "SetRelayOutputState",
                   Element("RelayOutputToken", Escaped(token)) +
                       Element("LogicalState", active ? "active" : "inactive"));
}

Request GetProfiles(const char* media) {
  return Operation(media, "GetProfiles");
}

Request GetStreamUri(const char* media, const QString& profileToken) {
  if (QByteArray(media) == kMedia2Namespace) {
    return Operation(
        media, "GetStreamUri",
        Element("Protocol", "RtspUnicast") + Element("ProfileToken", Escaped(profileToken)));
  }
  return Operation(
      media, "GetStreamUri",
      Element("StreamSetup", SchemaElement("Stream", "RTP-Unicast") +
                                 SchemaElement("Transport", Element("Protocol", "RTSP"))) +
          Element("ProfileToken", Escaped(profileToken)));
}

Request GetSnapshotUri(const char* media, const QString& profileToken) {
  return Operation(media, "GetSnapshotUri", Element("ProfileToken", Escaped(profileToken)));
}

Request GetEventProperties() {
  Request request = Operation(kEventsNamespace, "GetEventProperties");
  request.action = QStringLiteral(
      "http://www.onvif.org/ver10/events/wsdl/EventPortType/GetEventPropertiesRequest");
  return request;
}

Request CreatePullPointSubscription(const QString& topic, int terminationSeconds) {
  QByteArray content;
  if (!topic.isEmpty()) {
    content = Element(
        "Filter", QByteArray("<TopicExpression xmlns=\"") + kNotification +
                      "\" xmlns:tns1=\"http://www.onvif.org/ver10/topics\" "
                      "Dialect=\"http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet\">" +
                      Escaped(topic) + "</TopicExpression>");
  }
  content += Element("InitialTerminationTime", Duration(terminationSeconds * 1000));
  Request request = Operation(kEventsNamespace, "CreatePullPointSubscription", content);
  request.action = QStringLiteral(
      "http://www.onvif.org/ver10/events/wsdl/EventPortType/CreatePullPointSubscriptionRequest");
  return request;
}

Request PullMessages(int timeoutSeconds, int messageLimit) {
  Request request = Operation(kEventsNamespace, "PullMessages",
                              Element("Timeout", Duration(timeoutSeconds * 1000)) +
                                  Element("MessageLimit", QByteArray::number(messageLimit)));
  request.action = QStringLiteral(
      "http://www.onvif.org/ver10/events/wsdl/PullPointSubscription/PullMessagesRequest");
  return request;
}

Request Renew(int terminationSeconds) {
  Request request = Operation(kNotification, "Renew",
                              Element("TerminationTime", Duration(terminationSeconds * 1000)));
  request.action =
      QStringLiteral("http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/RenewRequest");
  return request;
}

Request Unsubscribe() {
  Request request = Operation(kNotification, "Unsubscribe");
  request.action =
      QStringLiteral("http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/UnsubscribeRequest");
  return request;
}

QByteArray Duration(int milliseconds) {
  QByteArray seconds = QByteArray::number(milliseconds / 1000);
  if (milliseconds % 1000 != 0) {
    QByteArray fraction = QByteArray::number(milliseconds % 1000).rightJustified(3, '0');
    while (fraction.endsWith('0')) fraction.chop(1);
    seconds += '.' + fraction;
  }
  return "PT" + seconds + 'S';
}

}  // namespace field::onvif
