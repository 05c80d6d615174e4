#include "MediaService.h"

#include "DeviceService.h"
#include "OnvifPaths.h"

namespace lanesim::onvif {
namespace {

// The lane's video as RtspVideoServer sends it.
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFramesPerSecond = 25;

const QString kSourceConfigurationFields =
    QStringLiteral(
        "<tt:Name>lane</tt:Name><tt:UseCount>1</tt:UseCount><tt:SourceToken>VideoSource_1"
        "</tt:SourceToken><tt:Bounds x=\"0\" y=\"0\" width=\"%1\" height=\"%2\"/>")
        .arg(kWidth)
        .arg(kHeight);

const QString kResolution =
    QStringLiteral(
        "<tt:Resolution><tt:Width>%1</tt:Width><tt:Height>%2</tt:Height></tt:Resolution>")
        .arg(kWidth)
        .arg(kHeight);

}  // namespace

MediaService::MediaService(Version version, QString base, std::optional<QUrl> stream)
    : version_(version), base_(std::move(base)), stream_(std::move(stream)) {}

HttpReply MediaService::Handle(const SoapCall& call) const {
  const QString operation = call.Operation();
  const QString prefix = version_ == Version::Ver10 ? QStringLiteral("trt") : QStringLiteral("tr2");
  if (operation == QLatin1String("GetProfiles")) {
    return SoapAnswer(QStringLiteral("<%1:GetProfilesResponse>%2</%1:GetProfilesResponse>")
                          .arg(prefix, Profiles()));
  }
  if (operation == QLatin1String("GetStreamUri")) return Uri(call, false);
  if (operation == QLatin1String("GetSnapshotUri")) return Uri(call, true);
  if (operation == QLatin1String("GetVideoSourceConfigurations")) {
    return SoapAnswer(QStringLiteral("<%1:GetVideoSourceConfigurationsResponse>%2"
                                     "</%1:GetVideoSourceConfigurationsResponse>")
                          .arg(prefix, SourceConfigurations()));
  }
  if (operation == QLatin1String("GetVideoSources") && version_ == Version::Ver10) {
    return SoapAnswer(QStringLiteral("<trt:GetVideoSourcesResponse><trt:VideoSources "
                                     "token=\"VideoSource_1\"><tt:Framerate>%1</tt:Framerate>%2"
                                     "</trt:VideoSources></trt:GetVideoSourcesResponse>")
                          .arg(QString::number(kFramesPerSecond), kResolution));
  }
  return UnknownAction(operation);
}

HttpReply MediaService::Uri(const SoapCall& call, bool snapshot) const {
  if (call.Field(u"ProfileToken") != QLatin1String(kProfileToken)) {
    return InvalidArgument(QStringLiteral("ter:NoProfile"),
                           QStringLiteral("no profile '%1'").arg(call.Field(u"ProfileToken")));
  }
  QString uri;
  if (snapshot) {
    uri = base_ + QLatin1String(kSnapshotPath);
  } else if (stream_) {
    uri = stream_->toString();
  } else {
    return SoapFault(500, QStringLiteral("env:Receiver"),
                     {QStringLiteral("ter:Action"), QStringLiteral("ter:NoStream")},
                     QStringLiteral("no video: lanesim runs without --rtsp"));
  }
  const QString operation =
      snapshot ? QStringLiteral("GetSnapshotUri") : QStringLiteral("GetStreamUri");
  if (version_ == Version::Ver20) {
    return SoapAnswer(QStringLiteral("<tr2:%1Response><tr2:Uri>%2</tr2:Uri></tr2:%1Response>")
                          .arg(operation, Xml(uri)));
  }
  return SoapAnswer(QStringLiteral("<trt:%1Response><trt:MediaUri><tt:Uri>%2</tt:Uri>"
                                   "<tt:InvalidAfterConnect>false</tt:InvalidAfterConnect>"
                                   "<tt:InvalidAfterReboot>false</tt:InvalidAfterReboot>"
                                   "<tt:Timeout>PT0S</tt:Timeout></trt:MediaUri></trt:%1Response>")
                        .arg(operation, Xml(uri)));
}

QString MediaService::Profiles() const {
  if (version_ == Version::Ver20) {
    return QStringLiteral(
               "<tr2:Profiles token=\"%1\" fixed=\"true\"><tr2:Name>lane</tr2:Name>"
               "<tr2:Configurations><tr2:VideoSource token=\"VideoSourceConfig_1\">%2"
               "</tr2:VideoSource><tr2:VideoEncoder token=\"VideoEncoder_1\" GovLength=\"%3\" "
               "Profile=\"Main\"><tt:Name>H.264</tt:Name><tt:UseCount>1</tt:UseCount>"
               "<tt:Encoding>H264</tt:Encoding>%4<tt:RateControl ConstantBitRate=\"false\">"
               "<tt:FrameRateLimit>%3</tt:FrameRateLimit><tt:BitrateLimit>4096</tt:BitrateLimit>"
               "</tt:RateControl><tt:Quality>5</tt:Quality></tr2:VideoEncoder>"
               "</tr2:Configurations></tr2:Profiles>")
        .arg(QLatin1String(kProfileToken), kSourceConfigurationFields,
             QString::number(kFramesPerSecond), kResolution);
  }
  return QStringLiteral(
             "<trt:Profiles token=\"%1\" fixed=\"true\"><tt:Name>lane</tt:Name>"
             "<tt:VideoSourceConfiguration token=\"VideoSourceConfig_1\">%2"
             "</tt:VideoSourceConfiguration><tt:VideoEncoderConfiguration token=\"VideoEncoder_1\">"
             "<tt:Name>H.264</tt:Name><tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding>%4"
             "<tt:Quality>5</tt:Quality><tt:RateControl><tt:FrameRateLimit>%3</tt:FrameRateLimit>"
             "<tt:EncodingInterval>1</tt:EncodingInterval><tt:BitrateLimit>4096</tt:BitrateLimit>"
             "</tt:RateControl><tt:H264><tt:GovLength>%3</tt:GovLength><tt:H264Profile>Main"
             "</tt:H264Profile></tt:H264><tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type>"
             "<tt:IPv4Address>0.0.0.0</tt:IPv4Address></tt:Address><tt:Port>0</tt:Port>"
             "<tt:TTL>0</tt:TTL><tt:AutoStart>false</tt:AutoStart></tt:Multicast>"
             "<tt:SessionTimeout>PT60S</tt:SessionTimeout></tt:VideoEncoderConfiguration>"
             "</trt:Profiles>")
      .arg(QLatin1String(kProfileToken), kSourceConfigurationFields,
           QString::number(kFramesPerSecond), kResolution);
}

QString MediaService::SourceConfigurations() const {
  const QString element = version_ == Version::Ver10 ? QStringLiteral("trt:Configurations")
                                                     : QStringLiteral("tr2:Configurations");
  return QStringLiteral("<%1 token=\"VideoSourceConfig_1\">%2</%1>")
      .arg(element, kSourceConfigurationFields);
}

}  // namespace lanesim::onvif
