#include <gtest/gtest.h>

#include <QDomDocument>
#include <QString>
#include <QXmlStreamReader>
#include <ostream>
#include <vector>

#include "WsDiscoveryMessages.h"

namespace field::onvif {
namespace {

constexpr char kSoap12[] = "http://www.w3.org/2003/05/soap-envelope";
constexpr char kDiscovery[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr char kAddressing[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing";

// The probe Debian's onvif-util (1.4.4) sends, as received on 239.255.255.250:3702.
constexpr char kOnvifUtilProbe[] =
    R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope" xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing"><SOAP-ENV:Header><a:Action SOAP-ENV:mustUnderstand="1">http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action><a:MessageID>urn:uuid:aca55425-a5f6-ad4a-a71f-f26ecc37b1eb</a:MessageID><a:ReplyTo><a:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:Address></a:ReplyTo><a:To SOAP-ENV:mustUnderstand="1">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To></SOAP-ENV:Header><SOAP-ENV:Body><p:Probe xmlns:p="http://schemas.xmlsoap.org/ws/2005/04/discovery"><d:Types xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:dp0="http://www.onvif.org/ver10/network/wsdl">dp0:NetworkVideoTransmitter</d:Types></p:Probe></SOAP-ENV:Body></SOAP-ENV:Envelope>)";

// --- The probe, read back by Qt's namespace-aware DOM rather than our reader.

struct ProbeCase {
  ProbeType type;
  const char* typeNamespace;
  const char* typeLocalName;
};

class BuiltProbe : public testing::TestWithParam<ProbeCase> {};

QDomElement OnlyChild(const QDomElement& parent, const char* ns, const char* localName) {
  const QDomNodeList found =
      parent.elementsByTagNameNS(QString::fromLatin1(ns), QString::fromLatin1(localName));
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

TEST_P(BuiltProbe, IsASoap12DiscoveryProbeForOneType) {
  const QString id = QStringLiteral("urn:uuid:5f0e3c1a-0d1b-4c2e-9f3a-7b6c5d4e3f21");
  const QByteArray probe = BuildProbe(GetParam().type, id);
  QDomDocument document;
  ASSERT_TRUE(document.setContent(probe, true));
  const QDomElement envelope = document.documentElement();
  EXPECT_EQ(envelope.namespaceURI(), kSoap12);
  EXPECT_EQ(envelope.localName(), "Envelope");

  EXPECT_EQ(OnlyChild(envelope, kAddressing, "Action").text(),
            "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe");
  EXPECT_EQ(OnlyChild(envelope, kAddressing, "MessageID").text(), id);
  EXPECT_EQ(OnlyChild(envelope, kAddressing, "To").text(),
            "urn:schemas-xmlsoap-org:ws:2005:04:discovery");

  const QDomElement body = OnlyChild(envelope, kSoap12, "Body");
  const QDomElement probeElement = OnlyChild(body, kDiscovery, "Probe");
  ASSERT_FALSE(probeElement.isNull());
  const QDomElement types = OnlyChild(probeElement, kDiscovery, "Types");
  const QStringList qname = types.text().split(u':');
  ASSERT_EQ(qname.size(), 2) << types.text().toStdString();
  EXPECT_EQ(PrefixNamespace(probe, u"Types", qname[0]), GetParam().typeNamespace);
  EXPECT_EQ(qname[1], GetParam().typeLocalName);
}

INSTANTIATE_TEST_SUITE_P(
    EachType, BuiltProbe,
    testing::Values(ProbeCase{ProbeType::NetworkVideoTransmitter,
                              "http://www.onvif.org/ver10/network/wsdl", "NetworkVideoTransmitter"},
                    ProbeCase{ProbeType::Device, "http://www.onvif.org/ver10/device/wsdl",
                              "Device"}));

TEST(BuiltProbe, EscapesTheMessageId) {
  QDomDocument document;
  ASSERT_TRUE(document.setContent(BuildProbe(ProbeType::Device, QStringLiteral("a<b&c")), true));
  EXPECT_EQ(OnlyChild(document.documentElement(), kAddressing, "MessageID").text(), "a<b&c");
}

// --- Probes as other clients send them.

TEST(ReadProbe, TakesAnotherClientsProbe) {
  const std::optional<Probe> probe = ReadProbe(kOnvifUtilProbe);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->messageId, "urn:uuid:aca55425-a5f6-ad4a-a71f-f26ecc37b1eb");
  EXPECT_EQ(probe->types, QStringList{"dp0:NetworkVideoTransmitter"});
  EXPECT_TRUE(probe->scopes.isEmpty());
}

TEST(ReadProbe, ListsBlankSeparatedTypesAndScopes) {
  const std::optional<Probe> probe = ReadProbe(
      R"(<Envelope><Header><MessageID>m1</MessageID></Header><Body><Probe>
           <Types> a:One
             b:Two </Types><Scopes>onvif://www.onvif.org/name</Scopes></Probe></Body></Envelope>)");
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->types, (QStringList{"a:One", "b:Two"}));
  EXPECT_EQ(probe->scopes, QStringList{"onvif://www.onvif.org/name"});
}

TEST(ReadProbe, RefusesWhatIsNoProbe) {
  for (const char* notAProbe :
       {"", "<Envelope><Body><Hello/></Body></Envelope>", "<Probe/>",
        "<Envelope><Body><Probe><Types>dn:NetworkVideoTransmitter</Types></Probe></Body>"}) {
    EXPECT_FALSE(ReadProbe(notAProbe)) << notAProbe;
  }
}

// --- Answers.

struct WantedMatch {
  const char* endpoint;
  const char* name;
  const char* hardware;
  QStringList serviceAddresses;
  int types;
  int scopes;
};

struct AnswerCase {
  const char* name;
  QByteArray datagram;
  std::vector<WantedMatch> want;
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
  *out << c.name;
}

class ProbeMatches : public testing::TestWithParam<AnswerCase> {};

TEST_P(ProbeMatches, AreReadByLocalNames) {
  const std::vector<ProbeMatch> got = ReadProbeMatches(GetParam().datagram);
  const std::vector<WantedMatch>& want = GetParam().want;
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].endpoint, want[i].endpoint);
    EXPECT_EQ(got[i].name, QString::fromUtf8(want[i].name));
    EXPECT_EQ(got[i].hardware, QString::fromUtf8(want[i].hardware));
    EXPECT_EQ(got[i].serviceAddresses, want[i].serviceAddresses);
    EXPECT_EQ(got[i].types.size(), want[i].types);
    EXPECT_EQ(got[i].scopes.size(), want[i].scopes);
  }
}

// Shaped as the gSOAP-based firmware of many cameras writes it: every prefix
// declared on the envelope, capitalised Name, a UTF-8 name, two XAddrs.
constexpr char kPrefixedAnswer[] =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsdd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:tdn="http://www.onvif.org/ver10/network/wsdl" xmlns:tds="http://www.onvif.org/ver10/device/wsdl"><SOAP-ENV:Header><wsa:MessageID>uuid:1419d68a-1dd2-11b2-a105-000000000001</wsa:MessageID><wsa:RelatesTo>urn:uuid:aca55425-a5f6-ad4a-a71f-f26ecc37b1eb</wsa:RelatesTo><wsa:Action SOAP-ENV:mustUnderstand="true">http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action></SOAP-ENV:Header><SOAP-ENV:Body><wsdd:ProbeMatches><wsdd:ProbeMatch><wsa:EndpointReference><wsa:Address>urn:uuid:11223344-5566-7788-99aa-000000000001</wsa:Address></wsa:EndpointReference><wsdd:Types>tdn:NetworkVideoTransmitter tds:Device</wsdd:Types><wsdd:Scopes>onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/Profile/Streaming onvif://www.onvif.org/Name/%E5%85%A5%E5%8F%A3%E4%B8%80 onvif://www.onvif.org/hardware/Model-100%2FB onvif://www.onvif.org/location/city/lot</wsdd:Scopes><wsdd:XAddrs>http://127.0.0.7/onvif/device_service http://[::1]/onvif/device_service</wsdd:XAddrs><wsdd:MetadataVersion>10</wsdd:MetadataVersion></wsdd:ProbeMatch></wsdd:ProbeMatches></SOAP-ENV:Body></SOAP-ENV:Envelope>)";

// Default namespaces only, lists over several lines.
constexpr char kUnprefixedAnswer[] =
    R"(<Envelope xmlns="http://www.w3.org/2003/05/soap-envelope"><Header/><Body><ProbeMatches xmlns="http://schemas.xmlsoap.org/ws/2005/04/discovery"><ProbeMatch><EndpointReference xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing"><Address>urn:uuid:2</Address></EndpointReference><Types>NetworkVideoTransmitter</Types><Scopes>
  onvif://www.onvif.org/name/gate
  onvif://www.onvif.org/hardware/cam%20one
</Scopes><XAddrs>http://127.0.0.8:8080/onvif/device_service</XAddrs></ProbeMatch></ProbeMatches></Body></Envelope>)";

QByteArray ManyMatches(int count) {
  QByteArray matches;
  for (int i = 0; i < count; ++i) {
    matches += "<d:ProbeMatch><a:EndpointReference><a:Address>urn:uuid:" + QByteArray::number(i) +
               "</a:Address></a:EndpointReference></d:ProbeMatch>";
  }
  return "<s:Envelope><s:Body><d:ProbeMatches>" + matches +
         "</d:ProbeMatches></s:Body></s:Envelope>";
}

QByteArray WithScopes(const QByteArray& scopes) {
  return "<s:Envelope><s:Body><d:ProbeMatches><d:ProbeMatch><d:Scopes>" + scopes +
         "</d:Scopes><d:XAddrs>http://127.0.0.9/onvif/device_service</d:XAddrs></d:ProbeMatch>"
         "</d:ProbeMatches></s:Body></s:Envelope>";
}

const WantedMatch kPrefixed{
    "urn:uuid:11223344-5566-7788-99aa-000000000001",
    "入口一",
    "Model-100/B",
    {"http://127.0.0.7/onvif/device_service", "http://[::1]/onvif/device_service"},
    2,
    5};
const WantedMatch kUnprefixed{
    "urn:uuid:2", "gate", "cam one", {"http://127.0.0.8:8080/onvif/device_service"}, 1, 2};
const QStringList kNinth{"http://127.0.0.9/onvif/device_service"};

INSTANTIATE_TEST_SUITE_P(
    Shapes, ProbeMatches,
    testing::Values(
        AnswerCase{"prefixed", kPrefixedAnswer, {kPrefixed}},
        AnswerCase{"unprefixed", kUnprefixedAnswer, {kUnprefixed}},
        AnswerCase{"undeclared prefixes",
                   WithScopes("onvif://www.onvif.org/name/x"),
                   {{"", "x", "", kNinth, 0, 1}}},
        AnswerCase{"two matches in one answer",
                   "<s:Envelope><s:Body><d:ProbeMatches>"
                   "<d:ProbeMatch><a:EndpointReference><a:Address>urn:uuid:1</a:Address>"
                   "</a:EndpointReference></d:ProbeMatch>"
                   "<d:ProbeMatch><a:EndpointReference><a:Address>urn:uuid:2</a:Address>"
                   "</a:EndpointReference></d:ProbeMatch>"
                   "</d:ProbeMatches></s:Body></s:Envelope>",
                   {{"urn:uuid:1", "", "", {}, 0, 0}, {"urn:uuid:2", "", "", {}, 0, 0}}},
        AnswerCase{"a match naming neither endpoint nor service is dropped",
                   "<s:Envelope><s:Body><d:ProbeMatches><d:ProbeMatch><d:Scopes>"
                   "onvif://www.onvif.org/name/x</d:Scopes></d:ProbeMatch></d:ProbeMatches>"
                   "</s:Body></s:Envelope>",
                   {}},
        AnswerCase{"a key that only starts like name",
                   WithScopes("onvif://www.onvif.org/names/x onvif://www.onvif.org/name/y"),
                   {{"", "y", "", kNinth, 0, 2}}},
        AnswerCase{"a word too long is left out",
                   WithScopes("onvif://www.onvif.org/name/" + QByteArray(1100, 'n') +
                              " onvif://www.onvif.org/hardware/h"),
                   {{"", "", "h", kNinth, 0, 1}}},
        AnswerCase{"a probe is no answer", kOnvifUtilProbe, {}},
        AnswerCase{"a fault is no answer",
                   "<s:Envelope><s:Body><s:Fault><s:Reason><s:Text>no</s:Text></s:Reason>"
                   "</s:Fault></s:Body></s:Envelope>",
                   {}},
        AnswerCase{"cut short", QByteArray(kPrefixedAnswer).left(900), {}},
        AnswerCase{"not XML", "\x01\x02ProbeMatches", {}},
        AnswerCase{"larger than a datagram",
                   QByteArray(kUnprefixedAnswer)
                       .replace("<Header/>", "<Header>" + QByteArray(70000, ' ') + "</Header>"),
                   {}}));

TEST(ProbeMatchesBound, KeepsTheFirstSixteenInOrder) {
  const std::vector<ProbeMatch> got = ReadProbeMatches(ManyMatches(40));
  ASSERT_EQ(got.size(), 16u);
  EXPECT_EQ(got.front().endpoint, "urn:uuid:0");
  EXPECT_EQ(got.back().endpoint, "urn:uuid:15");
}

}  // namespace
}  // namespace field::onvif
