#include <gtest/gtest.h>

#include <QDomDocument>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QXmlStreamReader>
#include <ostream>

#include "DiscoveryAnswer.h"
#include "DiscoveryResponder.h"

namespace lanesim {
namespace {

using field::onvif::Probe;

constexpr int kPatienceMs = 10000;
constexpr char kService[] = "http://127.0.0.1:8080/onvif/device_service";

DiscoveryIdentity Identity() {
  return {QStringLiteral("urn:uuid:00000000-0000-4000-8000-000000000001"),
          QString::fromLatin1(kService), LaneSimScopes(), 7};
}

struct MatchCase {
  const char* name;
  QStringList types;
  QStringList scopes;
  bool answered;
};

void PrintTo(const MatchCase& c, std::ostream* out) {
  *out << c.name;
}

class ProbeMatching : public testing::TestWithParam<MatchCase> {};

TEST_P(ProbeMatching, AnswersOnlyWhatItIs) {
  EXPECT_EQ(Matches(Probe{QStringLiteral("m"), GetParam().types, GetParam().scopes}, Identity()),
            GetParam().answered);
}

INSTANTIATE_TEST_SUITE_P(
    Probes, ProbeMatching,
    testing::Values(
        MatchCase{"anything", {}, {}, true},
        MatchCase{"a transmitter", {"dn:NetworkVideoTransmitter"}, {}, true},
        MatchCase{"a device", {"tds:Device"}, {}, true},
        MatchCase{"both, by any prefix", {"x:NetworkVideoTransmitter", "Device"}, {}, true},
        MatchCase{"a printer", {"pr:Printer"}, {}, false},
        MatchCase{"a transmitter that is a printer",
                  {"dn:NetworkVideoTransmitter", "pr:Printer"},
                  {},
                  false},
        MatchCase{"named anything", {}, {"onvif://www.onvif.org/name"}, true},
        MatchCase{"named lanesim", {}, {"onvif://www.onvif.org/name/lanesim"}, true},
        MatchCase{"a scope's segment cut short", {}, {"onvif://www.onvif.org/name/lane"}, false},
        MatchCase{"somewhere else", {}, {"onvif://www.onvif.org/location/harbour"}, false},
        MatchCase{"one scope of two missing",
                  {},
                  {"onvif://www.onvif.org/type/video_encoder", "onvif://www.onvif.org/name/x"},
                  false}));

QDomElement OnlyElement(QDomDocument& document, const char* ns, const char* localName) {
  const QDomNodeList found =
      document.elementsByTagNameNS(QString::fromLatin1(ns), QString::fromLatin1(localName));
  return found.size() == 1 ? found.at(0).toElement() : QDomElement();
}

// The namespace a prefix stands for at the first element of that local name,
// as Qt's own reader resolves it.
QString PrefixNamespace(const QByteArray& xml, QStringView localName, QStringView prefix) {
  QXmlStreamReader reader(xml);
  std::vector<QXmlStreamNamespaceDeclarations> open;
  while (!reader.atEnd()) {
    const QXmlStreamReader::TokenType token = reader.readNext();
    if (token == QXmlStreamReader::EndElement) open.pop_back();
    if (token != QXmlStreamReader::StartElement) continue;
    open.push_back(reader.namespaceDeclarations());
    if (reader.name() != localName) continue;
    for (auto scope = open.rbegin(); scope != open.rend(); ++scope) {
      for (const QXmlStreamNamespaceDeclaration& declaration : *scope) {
        if (declaration.prefix() == prefix) return declaration.namespaceUri().toString();
      }
    }
    return {};
  }
  return {};
}

constexpr char kDiscovery[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr char kAddressing[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing";

TEST(ProbeMatchesAnswer, IsWellFormedDiscoveryWithTheRightNamespaces) {
  const QByteArray answer = BuildProbeMatches(Probe{QStringLiteral("urn:uuid:<probe&1>"), {}, {}},
                                              Identity(), QStringLiteral("urn:uuid:a1"), 3);
  QDomDocument document;
  ASSERT_TRUE(document.setContent(answer, true)) << answer.toStdString();

  EXPECT_EQ(OnlyElement(document, kAddressing, "RelatesTo").text(), "urn:uuid:<probe&1>");
  EXPECT_EQ(OnlyElement(document, kAddressing, "Action").text(),
            "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches");
  const QDomElement sequence = OnlyElement(document, kDiscovery, "AppSequence");
  EXPECT_EQ(sequence.attribute(QStringLiteral("InstanceId")), "7");
  EXPECT_EQ(sequence.attribute(QStringLiteral("MessageNumber")), "3");
  EXPECT_EQ(OnlyElement(document, kAddressing, "Address").text(),
            "urn:uuid:00000000-0000-4000-8000-000000000001");
  EXPECT_EQ(OnlyElement(document, kDiscovery, "XAddrs").text(), kService);

  const QDomElement types = OnlyElement(document, kDiscovery, "Types");
  QStringList resolved;
  for (const QString& qname : types.text().split(u' ')) {
    const QStringList parts = qname.split(u':');
    resolved << PrefixNamespace(answer, u"Types", parts[0]) + u'#' + parts[1];
  }
  EXPECT_EQ(resolved,
            (QStringList{"http://www.onvif.org/ver10/network/wsdl#NetworkVideoTransmitter",
                         "http://www.onvif.org/ver10/device/wsdl#Device"}));
  EXPECT_TRUE(OnlyElement(document, kDiscovery, "Scopes")
                  .text()
                  .split(u' ')
                  .contains(QStringLiteral("onvif://www.onvif.org/name/lanesim")));
}

TEST(ProbeMatchesAnswer, ReadsBackAsTheConsoleShowsIt) {
  const auto matches = field::onvif::ReadProbeMatches(
      BuildProbeMatches(Probe{}, Identity(), QStringLiteral("urn:uuid:a1"), 1));
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(matches[0].name, "lanesim");
  EXPECT_EQ(matches[0].hardware, "Virtual Lane Camera");
}

// The responder on a port of its own, probed as other clients probe.
class Responder : public testing::Test {
 protected:
  void SetUp() override {
    QString error;
    responder = DiscoveryResponder::Start({0, false, QString::fromLatin1(kService)}, error);
    ASSERT_TRUE(responder) << error.toStdString();
    ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0));
  }

  // The answers that came within `waitMs`.
  std::vector<QByteArray> Send(const std::vector<QByteArray>& datagrams, int waitMs = 300) {
    for (const QByteArray& datagram : datagrams) {
      client.writeDatagram(datagram, QHostAddress::LocalHost, responder->Port());
    }
    std::vector<QByteArray> answers;
    QSignalSpy readable(&client, &QUdpSocket::readyRead);
    while (readable.wait(waitMs)) {
      while (client.hasPendingDatagrams()) answers.push_back(client.receiveDatagram().data());
    }
    return answers;
  }

  std::unique_ptr<DiscoveryResponder> responder;
  QUdpSocket client;
};

// As Debian's onvif-util sends it.
constexpr char kForeignProbe[] =
    R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope" xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing"><SOAP-ENV:Header><a:Action SOAP-ENV:mustUnderstand="1">http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action><a:MessageID>urn:uuid:aca55425-a5f6-ad4a-a71f-f26ecc37b1eb</a:MessageID><a:ReplyTo><a:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:Address></a:ReplyTo><a:To SOAP-ENV:mustUnderstand="1">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To></SOAP-ENV:Header><SOAP-ENV:Body><p:Probe xmlns:p="http://schemas.xmlsoap.org/ws/2005/04/discovery"><d:Types xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:dp0="http://www.onvif.org/ver10/network/wsdl">dp0:NetworkVideoTransmitter</d:Types></p:Probe></SOAP-ENV:Body></SOAP-ENV:Envelope>)";

TEST_F(Responder, AnswersAProbeOnceHoweverOftenItComes) {
  QSignalSpy notes(responder.get(), &DiscoveryResponder::Note);
  const std::vector<QByteArray> answers = Send({kForeignProbe, kForeignProbe});

  ASSERT_EQ(answers.size(), 1u);
  EXPECT_TRUE(answers[0].contains("<a:RelatesTo>urn:uuid:aca55425-a5f6-ad4a-a71f-f26ecc37b1eb<"));
  EXPECT_EQ(field::onvif::ReadProbeMatches(answers[0]).size(), 1u);
  ASSERT_EQ(notes.count(), 1);
  EXPECT_TRUE(notes[0][0].toString().startsWith("discovery: answered a probe from 127.0.0.1:"));
}

TEST_F(Responder, StaysSilentForOtherDevicesAndJunk) {
  QByteArray printerProbe(kForeignProbe);
  printerProbe.replace("dp0:NetworkVideoTransmitter", "dp0:Printer");
  EXPECT_TRUE(Send({printerProbe, "junk", QByteArray(70000, '<')}).empty());
  // Still answering afterwards.
  EXPECT_EQ(Send({kForeignProbe}).size(), 1u);
}

TEST(ResponderPort, ATakenPortIsRefusedWithAReason) {
  QString error;
  auto first = DiscoveryResponder::Start({0, false, QString::fromLatin1(kService)}, error);
  ASSERT_TRUE(first);
  auto second =
      DiscoveryResponder::Start({first->Port(), false, QString::fromLatin1(kService)}, error);
  EXPECT_FALSE(second);
  EXPECT_TRUE(error.startsWith(QStringLiteral("WS-Discovery port %1: ").arg(first->Port())))
      << error.toStdString();
}

}  // namespace
}  // namespace lanesim
