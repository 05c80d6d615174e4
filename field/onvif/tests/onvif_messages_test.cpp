#include <gtest/gtest.h>

#include <QUrl>

#include "HttpAuth.h"
#include "OnvifRequests.h"
#include "PlateNotification.h"
#include "SoapAnswer.h"
#include "TypedHost.h"

namespace field::onvif {
namespace {

// RFC 2617 section 3.5 and RFC 7616 section 3.9.1, responses as published.
TEST(HttpDigest, RfcExamples) {
  HttpChallenge rfc2617{HttpChallenge::Scheme::kDigestMd5, "testrealm@host.com",
                        "dcd98b7102dd2f0e8b11d0f600bfb0c093", "5ccc069c403ebaf9f0171e9517f40e41",
                        true};
  EXPECT_TRUE(
      Authorization(rfc2617, "Mufasa", "Circle Of Life", {"GET", "/dir/index.html", 1, "0a4f113b"})
          .contains("response=\"6629fae49393a05397450978507c4ef1\""));
  HttpChallenge rfc7616{HttpChallenge::Scheme::kDigestSha256, "http-auth@example.org",
                        "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v",
                        "FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS", true};
  const DigestUse use{"GET", "/dir/index.html", 1, "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ"};
  EXPECT_EQ(Authorization(rfc7616, "Mufasa", "Circle of Life", use),
            "Digest username=\"Mufasa\", realm=\"http-auth@example.org\", "
            "nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", uri=\"/dir/index.html\", "
            "response=\"753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1\", "
            "algorithm=SHA-256, opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\", "
            "qop=auth, nc=00000001, cnonce=\"f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ\"");
  rfc7616.scheme = HttpChallenge::Scheme::kDigestMd5;
  EXPECT_TRUE(Authorization(rfc7616, "Mufasa", "Circle of Life", use)
                  .contains("response=\"8ca523f5e9506fed4657c9700eebdbec\""));
  // base64("Aladdin:open sesame"), RFC 7617's example.
  EXPECT_EQ(Authorization({}, "Aladdin", "open sesame", use), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

struct ChallengeCase {
  const char* name;
  QList<QByteArray> headers;
  std::optional<HttpChallenge::Scheme> chosen;
  QByteArray nonce;
};

class ChallengeTest : public testing::TestWithParam<ChallengeCase> {};

TEST_P(ChallengeTest, StrongestAnswerableChallengeChosen) {
  const std::optional<HttpChallenge> chosen = ChooseChallenge(GetParam().headers);
  ASSERT_EQ(chosen.has_value(), GetParam().chosen.has_value());
  if (!chosen) return;
  EXPECT_EQ(chosen->scheme, *GetParam().chosen);
  EXPECT_EQ(chosen->nonce, GetParam().nonce);
}

using Scheme = HttpChallenge::Scheme;
INSTANTIATE_TEST_SUITE_P(
    Challenges, ChallengeTest,
    testing::Values(
        ChallengeCase{"md5AndSha256Headers",
                      {R"(Digest realm="r", qop="auth", nonce="m", algorithm=MD5)",
                       R"(Digest realm="r", qop="auth", nonce="s", algorithm=SHA-256)"},
                      Scheme::kDigestSha256,
                      "s"},
        ChallengeCase{"twoInOneHeader",
                      {R"(Digest realm="r", nonce="m", qop="auth,auth-int", Basic realm="r")"},
                      Scheme::kDigestMd5,
                      "m"},
        ChallengeCase{"basicOnly", {R"(Basic realm="camera")"}, Scheme::kBasic, ""},
        ChallengeCase{
            "quotedComma", {R"(Digest realm="a, b", nonce="x\"y")"}, Scheme::kDigestMd5, "x\"y"},
        ChallengeCase{
            "authIntOnly", {R"(Digest realm="r", nonce="n", qop="auth-int")"}, std::nullopt, ""},
        ChallengeCase{"unknownAlgorithm",
                      {R"(Digest realm="r", nonce="n", algorithm=SHA-512)"},
                      std::nullopt,
                      ""},
        ChallengeCase{"bearer", {R"(Bearer realm="r")"}, std::nullopt, ""}),
    [](const testing::TestParamInfo<ChallengeCase>& info) { return info.param.name; });

struct HostCase {
  const char* handedOut;
  const char* typed;
  const char* reached;
};

class TypedHostTest : public testing::TestWithParam<HostCase> {};

TEST_P(TypedHostTest, HandedOutAddressReachedAtTypedHost) {
  EXPECT_EQ(AtTypedHost(QUrl(GetParam().handedOut), QUrl(GetParam().typed)).toString(),
            GetParam().reached);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, TypedHostTest,
    testing::Values(
        HostCase{"http://192.168.68.111/onvif/services",
                 "http://127.0.0.1:10101/onvif/device_service",
                 "http://127.0.0.1:10101/onvif/services"},
        HostCase{"http://10.1.2.3:8080/onvif/media", "http://127.0.0.1/onvif/device_service",
                 "http://127.0.0.1:8080/onvif/media"},
        HostCase{"rtsp://10.1.2.3/h264main?ch=1", "http://127.0.0.1:8080/onvif/device_service",
                 "rtsp://127.0.0.1/h264main?ch=1"},
        HostCase{"rtsp://10.1.2.3:8554/lane", "http://127.0.0.1:8080/onvif/device_service",
                 "rtsp://127.0.0.1:8554/lane"},
        HostCase{"http://user:pw@cam.local:81/snap.jpg", "http://127.0.0.1:8080/x",
                 "http://127.0.0.1:81/snap.jpg"},
        HostCase{"https://10.1.2.3/onvif/events", "http://127.0.0.1:8080/x",
                 "https://127.0.0.1/onvif/events"},
        HostCase{"/onvif/pictures/1.jpg", "http://127.0.0.1:8080/onvif/device_service",
                 "http://127.0.0.1:8080/onvif/pictures/1.jpg"},
        HostCase{"", "http://127.0.0.1:8080/onvif/device_service",
                 "http://127.0.0.1:8080/onvif/device_service"},
        HostCase{"http://[fe80::1]:8000/onvif/ptz", "http://127.0.0.1:8080/x",
                 "http://127.0.0.1:8000/onvif/ptz"},
        HostCase{"http://127.0.0.2:9000/onvif/subscription/7", "http://127.0.0.1:9000/x",
                 "http://127.0.0.1:9000/onvif/subscription/7"},
        // A camera must never make the console read this machine's own files.
        HostCase{"file:///etc/passwd", "http://127.0.0.1:8080/x", ""},
        HostCase{"data:image/jpeg;base64,/9j/", "http://127.0.0.1:8080/x", ""},
        HostCase{"qrc:/picture.jpg", "http://127.0.0.1:8080/x", ""}));

TEST(OnvifRequests, BodiesAsTheWsdlNamesThem) {
  EXPECT_EQ(SetRelayOutputSettings("relay<1>", 1500, "closed").body,
            R"(<SetRelayOutputSettings xmlns="http://www.onvif.org/ver10/device/wsdl">)"
            R"(<RelayOutputToken>relay&lt;1&gt;</RelayOutputToken><Properties>)"
            R"(<Mode xmlns="http://www.onvif.org/ver10/schema">Monostable</Mode>)"
            R"(<DelayTime xmlns="http://www.onvif.org/ver10/schema">PT1.5S</DelayTime>)"
            R"(<IdleState xmlns="http://www.onvif.org/ver10/schema">closed</IdleState>)"
            R"(</Properties></SetRelayOutputSettings>)");
  EXPECT_EQ(GetStreamUri(kMedia2Namespace, "p").body,
            R"(<GetStreamUri xmlns="http://www.onvif.org/ver20/media/wsdl">)"
            R"(<Protocol>RtspUnicast</Protocol><ProfileToken>p</ProfileToken></GetStreamUri>)");
  EXPECT_EQ(GetStreamUri(kMedia1Namespace, "p").body,
            R"(<GetStreamUri xmlns="http://www.onvif.org/ver10/media/wsdl"><StreamSetup>)"
            R"(<Stream xmlns="http://www.onvif.org/ver10/schema">RTP-Unicast</Stream>)"
            R"(<Transport xmlns="http://www.onvif.org/ver10/schema"><Protocol>RTSP</Protocol>)"
            R"(</Transport></StreamSetup><ProfileToken>p</ProfileToken></GetStreamUri>)");
  EXPECT_EQ(
      SetSystemDateAndTime(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC), "CST-8", false)
          .body,
      R"(<SetSystemDateAndTime xmlns="http://www.onvif.org/ver10/device/wsdl">)"
      R"(<DateTimeType>Manual</DateTimeType><DaylightSavings>false</DaylightSavings>)"
      R"(<TimeZone><TZ xmlns="http://www.onvif.org/ver10/schema">CST-8</TZ></TimeZone>)"
      R"(<UTCDateTime><Date xmlns="http://www.onvif.org/ver10/schema"><Year>2026</Year>)"
      R"(<Month>1</Month><Day>2</Day></Date><Time xmlns="http://www.onvif.org/ver10/schema">)"
      R"(<Hour>3</Hour><Minute>4</Minute><Second>5</Second></Time></UTCDateTime>)"
      R"(</SetSystemDateAndTime>)");
  EXPECT_EQ(PullMessages(10, 1).action,
            "http://www.onvif.org/ver10/events/wsdl/PullPointSubscription/PullMessagesRequest");
  EXPECT_EQ(Duration(1000), "PT1S");
  EXPECT_EQ(Duration(250), "PT0.25S");
}

struct NotificationCase {
  const char* name;
  QByteArray message;  // a NotificationMessage
  std::optional<PlateNotification> want;
};

class PlateNotificationTest : public testing::TestWithParam<NotificationCase> {};

TEST_P(PlateNotificationTest, MappedByLocalNames) {
  const SoapAnswer answer = ReadSoapAnswer(GetParam().message);
  ASSERT_TRUE(answer.Ok()) << answer.Problem().toStdString();
  const std::optional<PlateNotification> got = ReadPlateNotification(answer.body);
  ASSERT_EQ(got.has_value(), GetParam().want.has_value());
  if (!got) return;
  const PlateNotification& want = *GetParam().want;
  EXPECT_EQ(got->plate, want.plate);
  EXPECT_FLOAT_EQ(got->confidence, want.confidence);
  EXPECT_EQ(got->sceneUri, want.sceneUri);
  EXPECT_EQ(got->scene, want.scene);
  EXPECT_EQ(got->closeupUri, want.closeupUri);
  EXPECT_EQ(got->closeup, want.closeup);
  EXPECT_EQ(got->time, want.time);
}

PlateNotification Want(QString plate, float confidence, QString sceneUri, QString closeupUri,
                       QByteArray scene = {}, QByteArray closeup = {}, QDateTime time = {}) {
  return {plate, confidence, sceneUri, scene, closeupUri, closeup, time};
}

// /9j/2Q== is base64 of FF D8 FF D9 (base64(1)).
INSTANTIATE_TEST_SUITE_P(
    Notifications, PlateNotificationTest,
    testing::Values(
        NotificationCase{
            "standard",
            R"(<wsnt:NotificationMessage xmlns:wsnt="http://docs.oasis-open.org/wsn/b-2"
               xmlns:tt="http://www.onvif.org/ver10/schema" xmlns:tns1="http://www.onvif.org/ver10/topics">
               <wsnt:Topic Dialect="http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet">
               tns1:RuleEngine/Recognition/LicensePlate</wsnt:Topic><wsnt:Message>
               <tt:Message UtcTime="2026-12-08T02:33:48.123Z"><tt:Source>
               <tt:SimpleItem Name="Rule" Value="Lane"/></tt:Source><tt:Data>
               <tt:SimpleItem Name="Likelihood" Value="0.92"/>
               <tt:SimpleItem Name="ImageURI" Value="http://10.0.0.9/p/1.jpg"/>
               <tt:SimpleItem Name="VehicleImageURI" Value="http://10.0.0.9/p/1s.jpg"/>
               <tt:ElementItem Name="LicensePlateInfo"><tt:LicensePlateInfo>
               <tt:PlateNumber Likelihood="0.9">粤B12345</tt:PlateNumber>
               <tt:CountryCode Likelihood="0.7">CN</tt:CountryCode></tt:LicensePlateInfo>
               </tt:ElementItem></tt:Data></tt:Message></wsnt:Message></wsnt:NotificationMessage>)",
            Want("粤B12345", 0.92F, "http://10.0.0.9/p/1s.jpg", "http://10.0.0.9/p/1.jpg", {}, {},
                 QDateTime(QDate(2026, 12, 8), QTime(2, 33, 48, 123), Qt::UTC))},
        NotificationCase{
            "inlinePicturesAndPercent",
            R"(<NotificationMessage><Topic>v:Vendor/Analytics/LicensePlateDetected</Topic>
               <Message><Message><Data><SimpleItem Name="PlateNumber" Value="ABC123"/>
               <SimpleItem Name="Likelihood" Value="87"/>
               <ElementItem Name="Image"><Image>/9j/2Q==</Image></ElementItem>
               <ElementItem Name="VehicleImage">/9j/2Q==</ElementItem></Data></Message></Message>
               </NotificationMessage>)",
            Want("ABC123", 0.87F, {}, {}, "\xFF\xD8\xFF\xD9", "\xFF\xD8\xFF\xD9")},
        NotificationCase{
            "likelihoodFromThePlateNumber",
            R"(<a:NotificationMessage xmlns:a="urn:a"><a:Topic>x:RuleEngine/Recognition/LicensePlate</a:Topic>
               <a:Message><b:Message xmlns:b="urn:b"><b:Data><b:ElementItem Name="LicensePlateInfo">
               <b:LicensePlateInfo><b:PlateNumber Likelihood="0.5">6DZG261</b:PlateNumber>
               </b:LicensePlateInfo></b:ElementItem></b:Data></b:Message></a:Message>
               </a:NotificationMessage>)",
            Want("6DZG261", 0.5F, {}, {})},
        NotificationCase{
            "motionIsNoPlate",
            R"(<NotificationMessage><Topic>tns1:RuleEngine/CellMotionDetector/Motion</Topic>
                         <Message><Message><Data><SimpleItem Name="PlateNumber" Value="X"/></Data>
                         </Message></Message></NotificationMessage>)",
            std::nullopt},
        NotificationCase{
            "plateTopicWithoutPlate",
            R"(<NotificationMessage><Topic>tns1:RuleEngine/Recognition/LicensePlate</Topic>
                         <Message><Message><Data><SimpleItem Name="Likelihood" Value="1"/></Data>
                         </Message></Message></NotificationMessage>)",
            std::nullopt},
        NotificationCase{"badBase64LeavesPictureEmpty",
                         R"(<NotificationMessage><Topic>LicensePlate</Topic><Message><Message><Data>
                         <SimpleItem Name="PlateNumber" Value="Q1"/>
                         <SimpleItem Name="Image" Value="not*base64"/></Data></Message></Message>
                         </NotificationMessage>)",
                         Want("Q1", 0, {}, {})}),
    [](const testing::TestParamInfo<NotificationCase>& info) { return info.param.name; });

}  // namespace
}  // namespace field::onvif
