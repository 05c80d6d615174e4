#include "WsDiscoveryMessages.h"

#include <QRegularExpression>
#include <QUrl>

#include "SoapEnvelope.h"
#include "XmlTree.h"

namespace field::onvif {
namespace {

constexpr QStringView kScopePrefix = u"onvif://www.onvif.org/";

struct TypeName {
  const char* prefix;
  const char* localName;
  const char* namespaceUri;
};

TypeName NameOf(ProbeType type) {
  switch (type) {
    case ProbeType::NetworkVideoTransmitter:
      return {"dn", "NetworkVideoTransmitter", "http://www.onvif.org/ver10/network/wsdl"};
    case ProbeType::Device:
      return {"tds", "Device", "http://www.onvif.org/ver10/device/wsdl"};
  }
  return {};
}

// Whitespace-separated words, as xs:list and the discovery lists are written.
QStringList Words(const XmlElement* element) {
  QStringList words;
  if (element == nullptr) return words;
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  for (const QString& word : element->text.split(blanks, Qt::SkipEmptyParts)) {
    if (words.size() == kMostWordsPerList) break;
    if (word.size() <= kLongestWord) words << word;
  }
  return words;
}

std::optional<XmlElement> ReadEnvelope(const QByteArray& datagram) {
  if (datagram.size() > kLargestProbeAnswer) return std::nullopt;
  QString error;
  return ParseXml(datagram, error);
}

}  // namespace

QByteArray BuildProbe(ProbeType type, const QString& messageId) {
  const TypeName name = NameOf(type);
  return QByteArrayLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
             "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:a=\"") +
         kDiscoveryAddressingNamespace + "\" xmlns:d=\"" + kDiscoveryNamespace +
         "\"><s:Header><a:Action s:mustUnderstand=\"1\">" + kDiscoveryNamespace +
         "/Probe</a:Action><a:MessageID>" + Escaped(messageId) +
         "</a:MessageID><a:ReplyTo><a:Address>" + kDiscoveryAddressingNamespace +
         "/role/anonymous</a:Address></a:ReplyTo>"
         "<a:To s:mustUnderstand=\"1\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
         "</s:Header><s:Body><d:Probe><d:Types xmlns:" +
         name.prefix + "=\"" + name.namespaceUri + "\">" + name.prefix + ":" + name.localName +
         "</d:Types></d:Probe></s:Body></s:Envelope>";
}

std::optional<Probe> ReadProbe(const QByteArray& datagram) {
  const std::optional<XmlElement> envelope = ReadEnvelope(datagram);
  const XmlElement* probe = envelope ? envelope->Path({u"Body", u"Probe"}) : nullptr;
  if (probe == nullptr) return std::nullopt;
  const XmlElement* messageId = envelope->Path({u"Header", u"MessageID"});
  return Probe{messageId != nullptr ? messageId->text.left(kLongestWord) : QString(),
               Words(probe->Child(u"Types")), Words(probe->Child(u"Scopes"))};
}

std::vector<ProbeMatch> ReadProbeMatches(const QByteArray& datagram) {
  std::vector<ProbeMatch> matches;
  const std::optional<XmlElement> envelope = ReadEnvelope(datagram);
  const XmlElement* answer = envelope ? envelope->Path({u"Body", u"ProbeMatches"}) : nullptr;
  if (answer == nullptr) return matches;
  for (const XmlElement& element : answer->children) {
    if (element.name != u"ProbeMatch") continue;
    if (static_cast<int>(matches.size()) == kMostMatchesPerAnswer) break;
    ProbeMatch match;
    const XmlElement* endpoint = element.Path({u"EndpointReference", u"Address"});
    if (endpoint != nullptr && endpoint->text.size() <= kLongestWord)
      match.endpoint = endpoint->text;
    match.types = Words(element.Child(u"Types"));
    match.scopes = Words(element.Child(u"Scopes"));
    match.serviceAddresses = Words(element.Child(u"XAddrs"));
    if (match.endpoint.isEmpty() && match.serviceAddresses.isEmpty()) continue;
    match.name = ScopeValue(match.scopes, u"name");
    match.hardware = ScopeValue(match.scopes, u"hardware");
    matches.push_back(std::move(match));
  }
  return matches;
}

QString ScopeValue(const QStringList& scopes, QStringView key) {
  for (const QString& scope : scopes) {
    if (!scope.startsWith(kScopePrefix, Qt::CaseInsensitive)) continue;
    const QStringView rest = QStringView(scope).mid(kScopePrefix.size());
    if (!rest.startsWith(key, Qt::CaseInsensitive) || rest.mid(key.size(), 1) != u"/") continue;
    return QUrl::fromPercentEncoding(rest.mid(key.size() + 1).toUtf8());
  }
  return {};
}

}  // namespace field::onvif
