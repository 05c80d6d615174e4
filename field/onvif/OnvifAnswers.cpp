#include "OnvifAnswers.h"

#include <QStringList>

#include "OnvifRequests.h"

namespace field::onvif {
namespace {

int Number(const XmlElement& parent, QStringView name, bool& ok) {
  const XmlElement* element = parent.Child(name);
  bool parsed = false;
  const int value = element != nullptr ? element->text.toInt(&parsed) : 0;
  ok = ok && parsed;
  return value;
}

QUrl FirstAddress(const QString& addresses) {
  // XAddrs may list several addresses separated by spaces.
  const QStringList all = addresses.split(u' ', Qt::SkipEmptyParts);
  return all.isEmpty() ? QUrl() : QUrl(all.first());
}

void CollectTopics(const XmlElement& element, const QString& path, QStringList& topics) {
  for (const XmlElement& child : element.children) {
    const QString childPath = path.isEmpty() ? child.name : path + u'/' + child.name;
    if (child.Attribute(u"topic") == u"true" || child.Child(u"MessageDescription") != nullptr) {
      topics << childPath;
    }
    if (child.name != u"MessageDescription") CollectTopics(child, childPath, topics);
  }
}

}  // namespace

std::optional<CameraClock> ReadSystemDateAndTime(const XmlElement& body) {
  const XmlElement* utc = body.Find(u"UTCDateTime");
  if (utc == nullptr) return std::nullopt;
  const XmlElement* date = utc->Child(u"Date");
  const XmlElement* time = utc->Child(u"Time");
  if (date == nullptr || time == nullptr) return std::nullopt;
  bool ok = true;
  const QDate day(Number(*date, u"Year", ok), Number(*date, u"Month", ok),
                  Number(*date, u"Day", ok));
  const QTime clock(Number(*time, u"Hour", ok), Number(*time, u"Minute", ok),
                    Number(*time, u"Second", ok));
  if (!ok || !day.isValid() || !clock.isValid()) return std::nullopt;
  CameraClock read;
  read.utc = QDateTime(day, clock, Qt::UTC);
  if (const XmlElement* zone = body.Find(u"TimeZone")) read.timeZone = zone->TextOf(u"TZ");
  read.daylightSavings = body.TextOf(u"DaylightSavings") == u"true";
  return read;
}

ServiceAddresses ReadServices(const XmlElement& body) {
  ServiceAddresses addresses;
  for (const XmlElement* service : body.FindAll(u"Service")) {
    const QString space = service->TextOf(u"Namespace");
    const QUrl address = FirstAddress(service->TextOf(u"XAddr"));
    if (space == QLatin1String(kDeviceNamespace)) addresses.device = address;
    if (space == QLatin1String(kMedia1Namespace)) addresses.media1 = address;
    if (space == QLatin1String(kMedia2Namespace)) addresses.media2 = address;
    if (space == QLatin1String(kEventsNamespace)) addresses.events = address;
    if (space == QLatin1String(kDeviceIoNamespace)) addresses.deviceIo = address;
  }
  return addresses;
}

ServiceAddresses ReadCapabilities(const XmlElement& body) {
  ServiceAddresses addresses;
  const XmlElement* capabilities = body.Find(u"Capabilities");
  if (capabilities == nullptr) return addresses;
  const auto address = [&](QStringView name) {
    const XmlElement* service = capabilities->Find(name);
    return service != nullptr ? FirstAddress(service->TextOf(u"XAddr")) : QUrl();
  };
  addresses.device = address(u"Device");
  addresses.media1 = address(u"Media");
  addresses.events = address(u"Events");
  addresses.deviceIo = address(u"DeviceIO");
  return addresses;
}

DeviceInformation ReadDeviceInformation(const XmlElement& body) {
  return {body.TextOf(u"Manufacturer"), body.TextOf(u"Model"), body.TextOf(u"FirmwareVersion"),
          body.TextOf(u"SerialNumber"), body.TextOf(u"HardwareId")};
}

std::vector<RelayOutput> ReadRelayOutputs(const XmlElement& body) {
  std::vector<RelayOutput> relays;
  for (const XmlElement* relay : body.FindAll(u"RelayOutputs")) {
    relays.push_back({relay->Attribute(u"token"), relay->TextOf(u"Mode"),
                      relay->TextOf(u"DelayTime"), relay->TextOf(u"IdleState")});
  }
  return relays;
}

std::vector<MediaProfile> ReadProfiles(const XmlElement& body) {
  std::vector<MediaProfile> profiles;
  for (const XmlElement* profile : body.FindAll(u"Profiles")) {
    const XmlElement* name = profile->Child(u"Name");
    profiles.push_back({profile->Attribute(u"token"), name != nullptr ? name->text : QString()});
  }
  return profiles;
}

QString ReadMediaUri(const XmlElement& body) {
  return body.TextOf(u"Uri");
}

bool ListsTopic(const XmlElement& body, const QString& topic) {
  const XmlElement* at = body.Find(u"TopicSet");
  for (const QString& step : topic.split(u'/')) {
    if (at == nullptr) return false;
    at = at->Child(step);
  }
  return at != nullptr;
}

QStringList ReadTopics(const XmlElement& body) {
  QStringList topics;
  if (const XmlElement* set = body.Find(u"TopicSet")) CollectTopics(*set, {}, topics);
  return topics;
}

std::optional<Subscription> ReadSubscription(const XmlElement& body) {
  const XmlElement* reference = body.Find(u"SubscriptionReference");
  if (reference == nullptr) return std::nullopt;
  Subscription subscription;
  subscription.address = QUrl(reference->TextOf(u"Address"));
  if (const XmlElement* parameters = reference->Child(u"ReferenceParameters")) {
    subscription.referenceParameters = *parameters;
  }
  const QDateTime now = ReadDateTime(body.TextOf(u"CurrentTime"));
  const QDateTime end = ReadDateTime(body.TextOf(u"TerminationTime"));
  if (now.isValid() && end.isValid()) subscription.lifetimeMs = now.msecsTo(end);
  return subscription;
}

QDateTime ReadDateTime(const QString& text) {
  QDateTime time = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
  if (time.isValid() && time.timeSpec() == Qt::LocalTime) time.setTimeSpec(Qt::UTC);
  return time;
}

}  // namespace field::onvif
