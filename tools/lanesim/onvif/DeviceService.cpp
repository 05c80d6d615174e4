#include "DeviceService.h"

#include "LaneVersion.h"
#include "OnvifPaths.h"
#include "XsdTime.h"

namespace lanesim::onvif {
namespace {

QString ServiceEntry(const char* ns, const QString& address, int major, int minor) {
  return QStringLiteral(
             "<tds:Service><tds:Namespace>%1</tds:Namespace><tds:XAddr>%2</tds:XAddr>"
             "<tds:Version><tt:Major>%3</tt:Major><tt:Minor>%4</tt:Minor></tds:Version>"
             "</tds:Service>")
      .arg(QLatin1String(ns), Xml(address), QString::number(major), QString::number(minor));
}

QString Services(const QString& base, MediaVersions media) {
  QString services = ServiceEntry("http://www.onvif.org/ver10/device/wsdl",
                                  base + QLatin1String(kDevicePath), 2, 60);
  if (media.ver10) {
    services += ServiceEntry("http://www.onvif.org/ver10/media/wsdl",
                             base + QLatin1String(kMediaPath), 2, 60);
  }
  if (media.ver20) {
    services += ServiceEntry("http://www.onvif.org/ver20/media/wsdl",
                             base + QLatin1String(kMedia2Path), 2, 60);
  }
  services += ServiceEntry("http://www.onvif.org/ver10/events/wsdl",
                           base + QLatin1String(kEventsPath), 2, 60);
  return QStringLiteral("<tds:GetServicesResponse>%1</tds:GetServicesResponse>").arg(services);
}

// The older call, for clients that predate GetServices; it has no place for media ver20.
QString Capabilities(const QString& base, MediaVersions media) {
  QString media10;
  if (media.ver10) {
    media10 = QStringLiteral(
                  "<tt:Media><tt:XAddr>%1</tt:XAddr><tt:StreamingCapabilities>"
                  "<tt:RTPMulticast>false</tt:RTPMulticast><tt:RTP_TCP>true</tt:RTP_TCP>"
                  "<tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP></tt:StreamingCapabilities></tt:Media>")
                  .arg(Xml(base + QLatin1String(kMediaPath)));
  }
  return QStringLiteral(
             "<tds:GetCapabilitiesResponse><tds:Capabilities>"
             "<tt:Device><tt:XAddr>%1</tt:XAddr><tt:IO><tt:InputConnectors>0</tt:InputConnectors>"
             "<tt:RelayOutputs>1</tt:RelayOutputs></tt:IO></tt:Device>"
             "<tt:Events><tt:XAddr>%2</tt:XAddr><tt:WSSubscriptionPolicySupport>false"
             "</tt:WSSubscriptionPolicySupport><tt:WSPullPointSupport>true</tt:WSPullPointSupport>"
             "<tt:WSPausableSubscriptionManagerInterfaceSupport>false"
             "</tt:WSPausableSubscriptionManagerInterfaceSupport></tt:Events>"
             "%3</tds:Capabilities></tds:GetCapabilitiesResponse>")
      .arg(Xml(base + QLatin1String(kDevicePath)), Xml(base + QLatin1String(kEventsPath)), media10);
}

QString DeviceInformation() {
  return QStringLiteral(
             "<tds:GetDeviceInformationResponse><tds:Manufacturer>LaneConsole</tds:Manufacturer>"
             "<tds:Model>lanesim virtual lane</tds:Model>"
             "<tds:FirmwareVersion>%1</tds:FirmwareVersion>"
             "<tds:SerialNumber>LANESIM-0001</tds:SerialNumber>"
             "<tds:HardwareId>virtual-lane</tds:HardwareId></tds:GetDeviceInformationResponse>")
      .arg(QLatin1String(kLaneVersion));
}

QString DateTimeFields(const QDateTime& time) {
  return QStringLiteral(
             "<tt:Time><tt:Hour>%1</tt:Hour><tt:Minute>%2</tt:Minute><tt:Second>%3</tt:Second>"
             "</tt:Time><tt:Date><tt:Year>%4</tt:Year><tt:Month>%5</tt:Month><tt:Day>%6</tt:Day>"
             "</tt:Date>")
      .arg(QString::number(time.time().hour()), QString::number(time.time().minute()),
           QString::number(time.time().second()), QString::number(time.date().year()),
           QString::number(time.date().month()), QString::number(time.date().day()));
}

QString SystemDateAndTime(const CameraClock& clock) {
  return QStringLiteral(
             "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
             "<tt:DateTimeType>%1</tt:DateTimeType><tt:DaylightSavings>false</tt:DaylightSavings>"
             "<tt:TimeZone><tt:TZ>%2</tt:TZ></tt:TimeZone>"
             "<tt:UTCDateTime>%3</tt:UTCDateTime><tt:LocalDateTime>%4</tt:LocalDateTime>"
             "</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>")
      .arg(clock.Ntp() ? QStringLiteral("NTP") : QStringLiteral("Manual"), Xml(clock.TimeZone()),
           DateTimeFields(clock.Now()), DateTimeFields(clock.LocalNow()));
}

std::optional<QDateTime> RequestedUtc(const field::onvif::XmlElement& utc) {
  const auto number = [&utc](QStringView name) {
    bool ok = false;
    const int value = utc.TextOf(name).toInt(&ok);
    return ok ? value : -1;
  };
  const QDate date(number(u"Year"), number(u"Month"), number(u"Day"));
  const QTime time(number(u"Hour"), number(u"Minute"), number(u"Second"));
  if (!date.isValid() || !time.isValid()) return std::nullopt;
  return QDateTime(date, time, Qt::UTC);
}

}  // namespace

HttpReply UnknownAction(const QString& operation) {
  // A Receiver fault, which SOAP 1.2 over HTTP sends as a 500.
  return SoapFault(500, QStringLiteral("env:Receiver"), {QStringLiteral("ter:ActionNotSupported")},
                   QStringLiteral("%1 is not supported here").arg(operation));
}

HttpReply InvalidArgument(const QString& subcode, const QString& reason) {
  return SoapFault(400, QStringLiteral("env:Sender"),
                   {QStringLiteral("ter:InvalidArgVal"), subcode}, reason);
}

DeviceService::DeviceService(QString base, MediaVersions media, CameraClock& clock, LaneHooks hooks)
    : base_(std::move(base)), media_(media), clock_(clock), hooks_(std::move(hooks)) {}

HttpReply DeviceService::Handle(const SoapCall& call) {
  const QString operation = call.Operation();
  if (operation == QLatin1String("GetSystemDateAndTime")) {
    return SoapAnswer(SystemDateAndTime(clock_));
  }
  if (operation == QLatin1String("SetSystemDateAndTime")) return SetSystemDateAndTime(call);
  if (operation == QLatin1String("GetServices")) return SoapAnswer(Services(base_, media_));
  if (operation == QLatin1String("GetCapabilities")) {
    return SoapAnswer(Capabilities(base_, media_));
  }
  if (operation == QLatin1String("GetDeviceInformation")) return SoapAnswer(DeviceInformation());
  if (operation == QLatin1String("GetRelayOutputs")) return GetRelayOutputs();
  if (operation == QLatin1String("SetRelayOutputSettings")) return SetRelayOutputSettings(call);
  if (operation == QLatin1String("SetRelayOutputState")) return SetRelayOutputState(call);
  return UnknownAction(operation);
}

HttpReply DeviceService::SetSystemDateAndTime(const SoapCall& call) {
  const QString type = call.Field(u"DateTimeType");
  const field::onvif::XmlElement* utc = call.operation->Child(u"UTCDateTime");
  std::optional<QDateTime> requested;
  if (type == QLatin1String("Manual")) {
    if (utc == nullptr || !(requested = RequestedUtc(*utc))) {
      return InvalidArgument(QStringLiteral("ter:InvalidDateTime"),
                             QStringLiteral("Manual wants a valid UTCDateTime"));
    }
  } else if (type != QLatin1String("NTP")) {
    return InvalidArgument(QStringLiteral("ter:InvalidDateTime"),
                           QStringLiteral("DateTimeType is Manual or NTP"));
  }
  if (const field::onvif::XmlElement* zone = call.operation->Child(u"TimeZone")) {
    clock_.SetTimeZone(zone->TextOf(u"TZ"));
  }
  if (requested) {
    clock_.Set(*requested);
  } else {
    clock_.FollowNtp();
  }
  return SoapAnswer(QStringLiteral("<tds:SetSystemDateAndTimeResponse/>"));
}

HttpReply DeviceService::GetRelayOutputs() {
  RelaySettings relay;
  {
    const std::lock_guard lock(mutex_);
    relay = relay_;
  }
  return SoapAnswer(
      QStringLiteral("<tds:GetRelayOutputsResponse><tds:RelayOutputs token=\"%1\"><tt:Properties>"
                     "<tt:Mode>%2</tt:Mode><tt:DelayTime>%3</tt:DelayTime>"
                     "<tt:IdleState>%4</tt:IdleState></tt:Properties></tds:RelayOutputs>"
                     "</tds:GetRelayOutputsResponse>")
          .arg(QLatin1String(kRelayToken),
               relay.monostable ? QStringLiteral("Monostable") : QStringLiteral("Bistable"),
               XsdDuration(relay.delay),
               relay.idleClosed ? QStringLiteral("closed") : QStringLiteral("open")));
}

HttpReply DeviceService::SetRelayOutputSettings(const SoapCall& call) {
  if (call.Field(u"RelayOutputToken") != QLatin1String(kRelayToken)) {
    return InvalidArgument(
        QStringLiteral("ter:RelayToken"),
        QStringLiteral("no relay output '%1'").arg(call.Field(u"RelayOutputToken")));
  }
  const QString mode = call.Field(u"Mode");
  const QString idle = call.Field(u"IdleState");
  const std::optional<std::chrono::milliseconds> delay = ParseDuration(call.Field(u"DelayTime"));
  if ((mode != QLatin1String("Monostable") && mode != QLatin1String("Bistable")) ||
      (idle != QLatin1String("open") && idle != QLatin1String("closed")) || !delay) {
    return InvalidArgument(QStringLiteral("ter:ModeError"),
                           QStringLiteral("Mode, DelayTime or IdleState not understood"));
  }
  {
    const std::lock_guard lock(mutex_);
    relay_ = {mode == QLatin1String("Monostable"), *delay, idle == QLatin1String("closed")};
  }
  return SoapAnswer(QStringLiteral("<tds:SetRelayOutputSettingsResponse/>"));
}

HttpReply DeviceService::SetRelayOutputState(const SoapCall& call) {
  if (call.Field(u"RelayOutputToken") != QLatin1String(kRelayToken)) {
    return InvalidArgument(
        QStringLiteral("ter:RelayToken"),
        QStringLiteral("no relay output '%1'").arg(call.Field(u"RelayOutputToken")));
  }
  const QString state = call.Field(u"LogicalState");
  if (state != QLatin1String("active") && state != QLatin1String("inactive")) {
    return InvalidArgument(QStringLiteral("ter:InvalidState"),
                           QStringLiteral("LogicalState is active or inactive"));
  }
  RelayCommand command;
  command.active = state == QLatin1String("active");
  {
    const std::lock_guard lock(mutex_);
    command.settings = relay_;
  }
  hooks_.relay(command);
  return SoapAnswer(QStringLiteral("<tds:SetRelayOutputStateResponse/>"));
}

}  // namespace lanesim::onvif
