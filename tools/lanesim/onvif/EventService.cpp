#include "EventService.h"

#include <QStringList>

#include "DeviceService.h"
#include "OnvifPaths.h"
#include "XsdTime.h"

namespace lanesim::onvif {
namespace {

constexpr char kEventsNamespace[] = "http://www.onvif.org/ver10/events/wsdl";
constexpr char kConcreteSet[] = "http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet";

QString EventAction(const char* portAndOperation) {
  return QLatin1String(kEventsNamespace) + u'/' + QLatin1String(portAndOperation);
}

const QString kEventProperties = QStringLiteral(
    "<tev:GetEventPropertiesResponse>"
    "<tev:TopicNamespaceLocation>http://www.onvif.org/onvif/ver10/topics/topicns.xml"
    "</tev:TopicNamespaceLocation><wsnt:FixedTopicSet>true</wsnt:FixedTopicSet>"
    "<wstop:TopicSet><tns1:RuleEngine><tns1:Recognition>"
    "<tns1:LicensePlate wstop:topic=\"true\"><tt:MessageDescription IsProperty=\"false\">"
    "<tt:Source><tt:SimpleItemDescription Name=\"VideoSource\" Type=\"tt:ReferenceToken\"/>"
    "<tt:SimpleItemDescription Name=\"Rule\" Type=\"xs:string\"/></tt:Source><tt:Data>"
    "<tt:SimpleItemDescription Name=\"PlateNumber\" Type=\"xs:string\"/>"
    "<tt:SimpleItemDescription Name=\"Likelihood\" Type=\"xs:float\"/>"
    "<tt:SimpleItemDescription Name=\"ImageURI\" Type=\"xs:anyURI\"/>"
    "<tt:SimpleItemDescription Name=\"VehicleImageURI\" Type=\"xs:anyURI\"/>"
    "<tt:ElementItemDescription Name=\"LicensePlateInfo\" Type=\"tt:LicensePlateInfo\"/>"
    "</tt:Data></tt:MessageDescription></tns1:LicensePlate>"
    "</tns1:Recognition></tns1:RuleEngine></wstop:TopicSet>"
    "<wsnt:TopicExpressionDialect>http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet"
    "</wsnt:TopicExpressionDialect>"
    "<wsnt:TopicExpressionDialect>http://docs.oasis-open.org/wsnt/t-1/TopicExpression/ConcreteSet"
    "</wsnt:TopicExpressionDialect>"
    "<tev:MessageContentFilterDialect>http://www.onvif.org/ver10/tev/messageContentFilter/"
    "ItemFilter</tev:MessageContentFilterDialect>"
    "<tev:MessageContentSchemaLocation>http://www.onvif.org/onvif/ver10/schema/onvif.xsd"
    "</tev:MessageContentSchemaLocation></tev:GetEventPropertiesResponse>");

QString WithoutPrefixes(const QString& path) {
  QStringList steps = path.trimmed().split(u'/');
  for (QString& step : steps) step = step.mid(step.indexOf(u':') + 1);
  return steps.join(u'/');
}

HttpReply NoSuchSubscription(int id) {
  return SoapFault(400, QStringLiteral("env:Sender"),
                   {QStringLiteral("wsrf-rw:ResourceUnknownFault")},
                   QStringLiteral("no subscription %1").arg(id));
}

}  // namespace

bool TopicFilterAccepts(const QString& expression) {
  const QString plate = WithoutPrefixes(QLatin1String(kPlateTopic));
  for (const QString& alternative : expression.split(u'|')) {
    const QString topic = WithoutPrefixes(alternative);
    if (topic == plate) return true;
    if (topic.endsWith(QLatin1String("//.")) && (plate + u'/').startsWith(topic.chopped(2))) {
      return true;
    }
  }
  return false;
}

EventService::EventService(QString base, const CameraClock& clock, LaneHooks hooks)
    : base_(std::move(base)), clock_(clock), hooks_(std::move(hooks)) {}

QString EventService::Address(int id) const {
  return base_ + QLatin1String(kSubscriptionPath) + QString::number(id);
}

QString EventService::CameraTime(PullPoints::Clock::time_point when) const {
  const auto fromNow =
      std::chrono::duration_cast<std::chrono::milliseconds>(when - PullPoints::Clock::now());
  return XsdDateTime(clock_.Now().addMSecs(fromNow.count()));
}

HttpReply EventService::Handle(const SoapCall& call) {
  const QString operation = call.Operation();
  if (operation == QLatin1String("GetEventProperties")) {
    return SoapAnswer(kEventProperties, EventAction("EventPortType/GetEventPropertiesResponse"),
                      call.messageId);
  }
  if (operation == QLatin1String("CreatePullPointSubscription")) {
    return CreatePullPointSubscription(call);
  }
  if (operation == QLatin1String("GetServiceCapabilities")) {
    return SoapAnswer(QStringLiteral(
        "<tev:GetServiceCapabilitiesResponse><tev:Capabilities WSSubscriptionPolicySupport="
        "\"false\" WSPullPointSupport=\"true\" WSPausableSubscriptionManagerInterfaceSupport="
        "\"false\" MaxNotificationProducers=\"0\" MaxPullPoints=\"16\"/>"
        "</tev:GetServiceCapabilitiesResponse>"));
  }
  return UnknownAction(operation);
}

HttpReply EventService::CreatePullPointSubscription(const SoapCall& call) {
  const field::onvif::XmlElement* filter = call.operation->Child(u"Filter");
  if (filter != nullptr) {
    const field::onvif::XmlElement* topic = filter->Find(u"TopicExpression");
    if (topic != nullptr && !TopicFilterAccepts(topic->text)) {
      return SoapFault(400, QStringLiteral("env:Sender"),
                       {QStringLiteral("wsnt:TopicNotSupportedFault")},
                       QStringLiteral("this camera has only %1").arg(QLatin1String(kPlateTopic)));
    }
  }
  const QDateTime now = clock_.Now();
  std::chrono::milliseconds lifetime = kDefaultLifetime;
  if (const QString initial = call.Field(u"InitialTerminationTime"); !initial.isEmpty()) {
    const std::optional<QDateTime> termination = ParseAbsoluteOrRelative(initial, now);
    if (!termination || *termination <= now) {
      return SoapFault(400, QStringLiteral("env:Sender"),
                       {QStringLiteral("wsnt:UnacceptableInitialTerminationTimeFault")},
                       QStringLiteral("InitialTerminationTime '%1' is no time ahead").arg(initial));
    }
    lifetime = std::min<std::chrono::milliseconds>(
        std::chrono::milliseconds(now.msecsTo(*termination)), kLongestLifetime);
  }
  const std::optional<int> id = pullPoints_.Create(lifetime);
  if (!id) {
    return SoapFault(500, QStringLiteral("env:Receiver"),
                     {QStringLiteral("ter:Action"), QStringLiteral("ter:MaxPullPoints")},
                     QStringLiteral("%1 pull points already").arg(PullPoints::kMostSubscriptions));
  }
  return SoapAnswer(
      QStringLiteral("<tev:CreatePullPointSubscriptionResponse><tev:SubscriptionReference>"
                     "<wsa:Address>%1</wsa:Address><wsa:ReferenceParameters>"
                     "<ls:SubscriptionId>%2</ls:SubscriptionId></wsa:ReferenceParameters>"
                     "</tev:SubscriptionReference><wsnt:CurrentTime>%3</wsnt:CurrentTime>"
                     "<wsnt:TerminationTime>%4</wsnt:TerminationTime>"
                     "</tev:CreatePullPointSubscriptionResponse>")
          .arg(Xml(Address(*id)), QString::number(*id), XsdDateTime(now),
               XsdDateTime(now.addMSecs(lifetime.count()))),
      EventAction("EventPortType/CreatePullPointSubscriptionResponse"), call.messageId);
}

// Pull points are known by their address and by the reference parameter the
// subscription handed out, which clients must echo as WS-Addressing asks.
HttpReply EventService::HandleSubscription(int id, const SoapCall& call) {
  const field::onvif::XmlElement* echoed =
      call.header == nullptr ? nullptr : call.header->Child(u"SubscriptionId");
  if (echoed == nullptr || echoed->text != QString::number(id)) {
    return SoapFault(400, QStringLiteral("env:Sender"),
                     {QStringLiteral("wsa:InvalidAddressingHeader")},
                     QStringLiteral("the subscription's reference parameter SubscriptionId %1 "
                                    "must come back as a header")
                         .arg(id));
  }
  if (!pullPoints_.Exists(id)) return NoSuchSubscription(id);
  const QString operation = call.Operation();
  if (operation == QLatin1String("PullMessages")) return PullMessages(id, call);
  if (operation == QLatin1String("Renew")) return Renew(id, call);
  if (operation == QLatin1String("Unsubscribe")) {
    if (!pullPoints_.Remove(id)) return NoSuchSubscription(id);
    return SoapAnswer(QStringLiteral("<wsnt:UnsubscribeResponse/>"),
                      QStringLiteral("http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/"
                                     "UnsubscribeResponse"),
                      call.messageId);
  }
  if (operation == QLatin1String("SetSynchronizationPoint")) {
    return SoapAnswer(QStringLiteral("<tev:SetSynchronizationPointResponse/>"),
                      EventAction("PullPointSubscription/SetSynchronizationPointResponse"),
                      call.messageId);
  }
  return UnknownAction(operation);
}

HttpReply EventService::PullMessages(int id, const SoapCall& call) {
  const std::optional<std::chrono::milliseconds> timeout = ParseDuration(call.Field(u"Timeout"));
  bool number = false;
  const int limit = call.Field(u"MessageLimit").toInt(&number);
  if (!timeout || !number || limit < 1) {
    return InvalidArgument(QStringLiteral("ter:InvalidArgs"),
                           QStringLiteral("PullMessages wants a Timeout and a MessageLimit"));
  }
  const std::optional<std::vector<Notification>> taken =
      pullPoints_.Pull(id, std::min<std::chrono::milliseconds>(*timeout, kLongestPull),
                       static_cast<std::size_t>(std::min(limit, kMostMessages)));
  const std::optional<PullPoints::Clock::time_point> termination = pullPoints_.Termination(id);
  if (!taken || !termination) return NoSuchSubscription(id);
  QString messages;
  for (const Notification& notification : *taken) {
    messages += notification.xml;
    hooks_.note(QStringLiteral("lanesim: notified %1 to pull point %2")
                    .arg(notification.plate, QString::number(id)));
  }
  return SoapAnswer(QStringLiteral("<tev:PullMessagesResponse><tev:CurrentTime>%1"
                                   "</tev:CurrentTime><tev:TerminationTime>%2</tev:TerminationTime>"
                                   "%3</tev:PullMessagesResponse>")
                        .arg(XsdDateTime(clock_.Now()), CameraTime(*termination), messages),
                    EventAction("PullPointSubscription/PullMessagesResponse"), call.messageId);
}

HttpReply EventService::Renew(int id, const SoapCall& call) {
  const QDateTime now = clock_.Now();
  const QString requested = call.Field(u"TerminationTime");
  const std::optional<QDateTime> termination =
      requested.isEmpty() ? std::optional(now.addSecs(kDefaultLifetime.count()))
                          : ParseAbsoluteOrRelative(requested, now);
  if (!termination || *termination <= now) {
    return SoapFault(400, QStringLiteral("env:Sender"),
                     {QStringLiteral("wsnt:UnacceptableTerminationTimeFault")},
                     QStringLiteral("TerminationTime '%1' is no time ahead").arg(requested));
  }
  const auto lifetime = std::min<std::chrono::milliseconds>(
      std::chrono::milliseconds(now.msecsTo(*termination)), kLongestLifetime);
  if (!pullPoints_.Renew(id, PullPoints::Clock::now() + lifetime)) return NoSuchSubscription(id);
  return SoapAnswer(QStringLiteral("<wsnt:RenewResponse><wsnt:TerminationTime>%1"
                                   "</wsnt:TerminationTime><wsnt:CurrentTime>%2</wsnt:CurrentTime>"
                                   "</wsnt:RenewResponse>")
                        .arg(XsdDateTime(now.addMSecs(lifetime.count())), XsdDateTime(now)),
                    QStringLiteral("http://docs.oasis-open.org/wsn/bw-2/SubscriptionManager/"
                                   "RenewResponse"),
                    call.messageId);
}

void EventService::Publish(const virtual_lane::PlateEvent& plate) {
  const int pictures =
      pictures_.Add(QByteArray(reinterpret_cast<const char*>(plate.closeUpJpeg.data()),
                               static_cast<qsizetype>(plate.closeUpJpeg.size())),
                    QByteArray(reinterpret_cast<const char*>(plate.sceneJpeg.data()),
                               static_cast<qsizetype>(plate.sceneJpeg.size())));
  const QString picturesAt = base_ + QLatin1String(kPicturesPath) + QString::number(pictures);
  const QDateTime seen =
      QDateTime::fromSecsSinceEpoch(plate.captureTime, Qt::UTC).addMSecs(clock_.Offset().count());
  const QString likelihood = QString::number(plate.confidence, 'f', 2);
  const QString number = Xml(plate.number);
  const QString xml =
      QStringLiteral(
          "<wsnt:NotificationMessage><wsnt:Topic Dialect=\"%1\">%2</wsnt:Topic>"
          "<wsnt:ProducerReference><wsa:Address>%3</wsa:Address></wsnt:ProducerReference>"
          "<wsnt:Message><tt:Message UtcTime=\"%4\"><tt:Source>"
          "<tt:SimpleItem Name=\"VideoSource\" Value=\"VideoSource_1\"/>"
          "<tt:SimpleItem Name=\"Rule\" Value=\"LicensePlateRecognition\"/></tt:Source><tt:Data>"
          "<tt:SimpleItem Name=\"PlateNumber\" Value=\"%5\"/>"
          "<tt:SimpleItem Name=\"Likelihood\" Value=\"%6\"/>"
          "<tt:SimpleItem Name=\"ImageURI\" Value=\"%7/closeup.jpg\"/>"
          "<tt:SimpleItem Name=\"VehicleImageURI\" Value=\"%7/scene.jpg\"/>"
          "<tt:ElementItem Name=\"LicensePlateInfo\"><tt:LicensePlateInfo>"
          "<tt:PlateNumber Likelihood=\"%6\">%5</tt:PlateNumber>"
          "<tt:PlateType Likelihood=\"%6\">Normal</tt:PlateType>"
          "<tt:CountryCode Likelihood=\"%6\">CN</tt:CountryCode></tt:LicensePlateInfo>"
          "</tt:ElementItem></tt:Data></tt:Message></wsnt:Message></wsnt:NotificationMessage>")
          .arg(QLatin1String(kConcreteSet), QLatin1String(kPlateTopic),
               Xml(base_ + QLatin1String(kDevicePath)), XsdDateTime(seen), number, likelihood,
               Xml(picturesAt));
  pullPoints_.Publish({plate.number, xml});
}

std::optional<QByteArray> EventService::Picture(int id, PictureStore::Kind kind) const {
  return pictures_.Get(id, kind);
}

}  // namespace lanesim::onvif
