#include "DiscoveryAnswer.h"

#include <algorithm>

#include "SoapEnvelope.h"

namespace lanesim {
namespace {

QStringView LocalPart(QStringView qualified) {
  return qualified.mid(qualified.indexOf(u':') + 1);
}

bool AnswersType(const QString& type) {
  const QStringView local = LocalPart(type);
  return local == u"NetworkVideoTransmitter" || local == u"Device";
}

bool IsPrefixScope(const QString& asked, const QString& own) {
  if (!own.startsWith(asked)) return false;
  return own.size() == asked.size() || asked.endsWith(u'/') || own.at(asked.size()) == u'/';
}

}  // namespace

QStringList LaneSimScopes() {
  return {QStringLiteral("onvif://www.onvif.org/type/video_encoder"),
          QStringLiteral("onvif://www.onvif.org/type/Network_Video_Transmitter"),
          QStringLiteral("onvif://www.onvif.org/name/lanesim"),
          QStringLiteral("onvif://www.onvif.org/hardware/Virtual%20Lane%20Camera"),
          QStringLiteral("onvif://www.onvif.org/location/127.0.0.1")};
}

bool Matches(const field::onvif::Probe& probe, const DiscoveryIdentity& identity) {
  return std::all_of(probe.types.begin(), probe.types.end(), AnswersType) &&
         std::all_of(probe.scopes.begin(), probe.scopes.end(), [&](const QString& asked) {
           return std::any_of(identity.scopes.begin(), identity.scopes.end(),
                              [&](const QString& own) { return IsPrefixScope(asked, own); });
         });
}

QByteArray BuildProbeMatches(const field::onvif::Probe& probe, const DiscoveryIdentity& identity,
                             const QString& messageId, quint32 messageNumber) {
  using field::onvif::Escaped;
  return QByteArrayLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
             "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:a=\"") +
         field::onvif::kDiscoveryAddressingNamespace + "\" xmlns:d=\"" +
         field::onvif::kDiscoveryNamespace +
         "\" xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" "
         "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"><s:Header><a:MessageID>" +
         Escaped(messageId) + "</a:MessageID><a:RelatesTo>" + Escaped(probe.messageId) +
         "</a:RelatesTo><a:To>" + field::onvif::kDiscoveryAddressingNamespace +
         "/role/anonymous</a:To><a:Action>" + field::onvif::kDiscoveryNamespace +
         "/ProbeMatches</a:Action><d:AppSequence InstanceId=\"" +
         QByteArray::number(identity.instanceId) + "\" MessageNumber=\"" +
         QByteArray::number(messageNumber) +
         "\"/></s:Header><s:Body><d:ProbeMatches><d:ProbeMatch><a:EndpointReference><a:Address>" +
         Escaped(identity.endpoint) +
         "</a:Address></a:EndpointReference><d:Types>dn:NetworkVideoTransmitter "
         "tds:Device</d:Types><d:Scopes>" +
         Escaped(identity.scopes.join(u' ')) + "</d:Scopes><d:XAddrs>" +
         Escaped(identity.serviceAddress) +
         "</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches>"
         "</s:Body></s:Envelope>";
}

}  // namespace lanesim
