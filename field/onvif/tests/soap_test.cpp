#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>

#include "SoapAnswer.h"
#include "SoapEnvelope.h"

namespace field::onvif {
namespace {

struct DigestCase {
  QByteArray nonceBase64;
  QByteArray created;
  QString password;
  QByteArray digest;
};

class PasswordDigestTest : public testing::TestWithParam<DigestCase> {};

TEST_P(PasswordDigestTest, MatchesDigestComputedElsewhere) {
  const DigestCase& c = GetParam();
  EXPECT_EQ(PasswordDigest(QByteArray::fromBase64(c.nonceBase64), c.created, c.password), c.digest);
}

INSTANTIATE_TEST_SUITE_P(
    Digests, PasswordDigestTest,
    testing::Values(
        // The worked example of the ONVIF application programmer's guide.
        DigestCase{"LKqI6G/AikKCQrN0zqZFlg==", "2010-09-16T07:50:45Z", "userpassword",
                   "tuOSpGlFlIXsozq4HFNeeGeFLEI="},
        // openssl sha1 -binary | base64 over bytes 00..0f, the time and "secret".
        DigestCase{"AAECAwQFBgcICQoLDA0ODw==", "2026-12-08T21:00:00.000Z", "secret",
                   "7iDxs67ks/LzBJghqo/w8iwbrzE="}));

TEST(SoapEnvelope, TokenAndAddressingHeadersAroundTheBody) {
  UsernameToken token{"ad<m>in", "secret", QDateTime(QDate(2026, 12, 8), QTime(21, 0), Qt::UTC),
                      QByteArray::fromBase64("AAECAwQFBgcICQoLDA0ODw==")};
  Addressing addressing{"http://127.0.0.1:8080/pull?a=1&b=2", "urn:act", "urn:uuid:1", "<r>7</r>"};
  const QByteArray want =
      R"(<?xml version="1.0" encoding="UTF-8"?>)"
      R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" )"
      R"(xmlns:a="http://www.w3.org/2005/08/addressing"><s:Header>)"
      R"(<a:Action s:mustUnderstand="1">urn:act</a:Action><a:MessageID>urn:uuid:1</a:MessageID>)"
      R"(<a:To s:mustUnderstand="1">http://127.0.0.1:8080/pull?a=1&amp;b=2</a:To><r>7</r>)"
      R"(<Security s:mustUnderstand="1" xmlns="http://docs.oasis-open.org/wss/2004/01/)"
      R"(oasis-200401-wss-wssecurity-secext-1.0.xsd"><UsernameToken>)"
      R"(<Username>ad&lt;m&gt;in</Username><Password Type="http://docs.oasis-open.org/wss/)"
      R"(2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest">)"
      R"(7iDxs67ks/LzBJghqo/w8iwbrzE=</Password><Nonce EncodingType="http://docs.oasis-open.org/)"
      R"(wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary">)"
      R"(AAECAwQFBgcICQoLDA0ODw==</Nonce><Created xmlns="http://docs.oasis-open.org/wss/2004/01/)"
      R"(oasis-200401-wss-wssecurity-utility-1.0.xsd">2026-12-08T21:00:00.000Z</Created>)"
      R"(</UsernameToken></Security></s:Header>)"
      R"(<s:Body xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" )"
      R"(xmlns:xsd="http://www.w3.org/2001/XMLSchema"><X xmlns="urn:x"/></s:Body></s:Envelope>)";
  EXPECT_EQ(BuildEnvelope(R"(<X xmlns="urn:x"/>)", {token, addressing}), want);
}

TEST(SoapEnvelope, NoHeadersLeavesTheHeaderEmpty) {
  EXPECT_TRUE(BuildEnvelope("<X/>").contains("<s:Header></s:Header><s:Body"));
}

TEST(SoapEnvelope, EnvelopeIsReadBackByItsOwnReader) {
  const SoapAnswer answer = ReadSoapAnswer(BuildEnvelope(R"(<X xmlns="urn:x">1</X>)"));
  ASSERT_TRUE(answer.Ok()) << answer.Problem().toStdString();
  EXPECT_EQ(answer.body.TextOf(u"X"), "1");
}

struct PrefixCase {
  const char* name;
  QByteArray xml;
};

class LocalNameTest : public testing::TestWithParam<PrefixCase> {};

// The same answer as firmware writes it: the meaning is in local names only.
TEST_P(LocalNameTest, StreamUriFoundWhateverThePrefixes) {
  const SoapAnswer answer = ReadSoapAnswer(GetParam().xml);
  ASSERT_TRUE(answer.Ok()) << answer.Problem().toStdString();
  const XmlElement* uri = answer.body.Path({u"GetStreamUriResponse", u"MediaUri", u"Uri"});
  ASSERT_NE(uri, nullptr);
  EXPECT_EQ(uri->text, "rtsp://10.0.0.9/live");
  EXPECT_EQ(uri->namespaceUri.isEmpty(), QByteArray(GetParam().name) == "undeclared");
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, LocalNameTest,
    testing::Values(
        PrefixCase{"usual",
                   R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope"
                   xmlns:trt="http://www.onvif.org/ver10/media/wsdl"
                   xmlns:tt="http://www.onvif.org/ver10/schema"><SOAP-ENV:Body>
                   <trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>
                   rtsp://10.0.0.9/live</tt:Uri></trt:MediaUri></trt:GetStreamUriResponse>
                   </SOAP-ENV:Body></SOAP-ENV:Envelope>)"},
        PrefixCase{"default",
                   R"(<Envelope xmlns="http://www.w3.org/2003/05/soap-envelope"><Body>
                   <GetStreamUriResponse xmlns="http://www.onvif.org/ver10/media/wsdl">
                   <MediaUri><Uri xmlns="http://www.onvif.org/ver10/schema">rtsp://10.0.0.9/live</Uri>
                   </MediaUri></GetStreamUriResponse></Body></Envelope>)"},
        PrefixCase{"swapped",
                   R"(<tt:Envelope xmlns:tt="http://www.w3.org/2003/05/soap-envelope"
                   xmlns:env="http://www.onvif.org/ver10/media/wsdl"><tt:Body>
                   <env:GetStreamUriResponse><env:MediaUri><env:Uri><![CDATA[rtsp://10.0.0.9/live]]></env:Uri>
                   </env:MediaUri></env:GetStreamUriResponse></tt:Body></tt:Envelope>)"},
        PrefixCase{"undeclared",
                   R"(<s:Envelope><s:Body><trt:GetStreamUriResponse><trt:MediaUri>
                   <tt:Uri>rtsp://10.0.0.9/live</tt:Uri></trt:MediaUri>
                   </trt:GetStreamUriResponse></s:Body></s:Envelope>)"}),
    [](const testing::TestParamInfo<PrefixCase>& info) { return info.param.name; });

struct FaultCase {
  const char* name;
  QByteArray xml;
  QString describe;
  bool notAuthorized;
};

class FaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, FaultIsReadWithItsCodes) {
  const SoapAnswer answer = ReadSoapAnswer(GetParam().xml);
  EXPECT_TRUE(answer.error.isEmpty()) << answer.error.toStdString();
  ASSERT_TRUE(answer.fault.has_value());
  EXPECT_EQ(answer.fault->Describe(), GetParam().describe);
  EXPECT_EQ(answer.fault->IsNotAuthorized(), GetParam().notAuthorized);
  EXPECT_FALSE(answer.Ok());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    testing::Values(FaultCase{"soap12",
                              R"(<env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope"
                  xmlns:ter="http://www.onvif.org/ver10/error"><env:Body><env:Fault>
                  <env:Code><env:Value>env:Sender</env:Value><env:Subcode>
                  <env:Value>ter:NotAuthorized</env:Value></env:Subcode></env:Code>
                  <env:Reason><env:Text xml:lang="en">Sender not Authorized</env:Text></env:Reason>
                  </env:Fault></env:Body></env:Envelope>)",
                              "ter:NotAuthorized: Sender not Authorized", true},
                    FaultCase{"nested",
                              R"(<Envelope><Body><Fault><Code><Value>Receiver</Value><Subcode>
                  <Value>ter:Action</Value><Subcode><Value>ter:NoSuchService</Value></Subcode>
                  </Subcode></Code><Reason><Text>no</Text></Reason></Fault></Body></Envelope>)",
                              "ter:Action/ter:NoSuchService: no", false},
                    FaultCase{
                        "soap11",
                        R"(<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>
                  <s:Fault><faultcode>wsse:FailedAuthentication</faultcode>
                  <faultstring>bad token</faultstring></s:Fault></s:Body></s:Envelope>)",
                        "wsse:FailedAuthentication: bad token", true}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

struct RefusedCase {
  const char* name;
  QByteArray xml;
  const char* error;
};

class RefusedAnswerTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedAnswerTest, RefusedWithAReason) {
  const SoapAnswer answer = ReadSoapAnswer(GetParam().xml);
  EXPECT_TRUE(answer.Problem().contains(QLatin1String(GetParam().error)))
      << answer.Problem().toStdString();
}

QByteArray Nested(int depth) {
  return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, RefusedAnswerTest,
    testing::Values(RefusedCase{"empty", "", "malformed"},
                    RefusedCase{"cut", "<Envelope><Body><X>", "malformed"},
                    RefusedCase{"mismatched", "<a><b></a></b>", "malformed"},
                    RefusedCase{"attributeLocalStartsBadly", "<a x:-k=\"v\"/>", "namespace name"},
                    RefusedCase{"attributeLocalIsADigit", "<a x:1k=\"v\"/>", "namespace name"},
                    RefusedCase{"attributeNameWithNul", QByteArray("<a x:") + '\0' + "k=\"v\"/>",
                                "namespace name"},
                    RefusedCase{"noBody", "<Envelope><Header/></Envelope>", "without a Body"},
                    RefusedCase{"deep", Nested(65), "deeper than 64"},
                    RefusedCase{"large", "<a>" + QByteArray(1024 * 1024, 'x') + "</a>",
                                "larger than 1048576"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST(SoapAnswer, DepthAtTheLimitIsRead) {
  EXPECT_TRUE(ReadSoapAnswer(Nested(64)).Ok());
}

TEST(SoapAnswer, ReferenceParametersEchoedWithTheirNamespaceAndMark) {
  const SoapAnswer answer = ReadSoapAnswer(
      R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"
         xmlns:wsa5="http://www.w3.org/2005/08/addressing"><s:Body><R><wsa5:ReferenceParameters>
         <dom0:SubscriptionId xmlns:dom0="http://www.example.com/sub" xmlns:p="urn:p"
         p:k="1" dom0:k="2">42</dom0:SubscriptionId>
         </wsa5:ReferenceParameters></R></s:Body></s:Envelope>)");
  ASSERT_TRUE(answer.Ok());
  const QByteArray echoed = EchoReferenceParameters(answer.body.Find(u"ReferenceParameters"));
  // Read back: the element keeps its namespace and gains the mark.
  const SoapAnswer reread = ReadSoapAnswer("<h xmlns:a=\"urn:a\">" + echoed + "</h>");
  ASSERT_TRUE(reread.Ok()) << echoed.toStdString();
  ASSERT_EQ(reread.body.children.size(), 1U);
  const XmlElement& id = reread.body.children[0];
  EXPECT_EQ(id.name, "SubscriptionId");
  EXPECT_EQ(id.namespaceUri, "http://www.example.com/sub");
  EXPECT_EQ(id.text, "42");
  EXPECT_EQ(id.Attribute(u"IsReferenceParameter"), "true");
  EXPECT_TRUE(EchoReferenceParameters(nullptr).isEmpty());
}

}  // namespace
}  // namespace field::onvif
