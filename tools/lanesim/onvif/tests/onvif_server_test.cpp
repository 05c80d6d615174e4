#include <gtest/gtest.h>

#include <QAuthenticator>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include "Lane.h"
#include "SimulatedCamera.h"
#include "XmlTree.h"

namespace lanesim::onvif {
namespace {

constexpr int kPatienceMs = 20000;
constexpr qint64 kOffsetS = 3 * 3600;

struct Reply {
  int status = 0;
  QByteArray body;
  field::onvif::XmlElement xml;
  QString Text(QStringView name) const { return xml.TextOf(name); }
};

QByteArray Envelope(const QString& operation, const QString& header = {}) {
  return QStringLiteral(
             "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
             "xmlns:a=\"http://www.w3.org/2005/08/addressing\"><s:Header>%1</s:Header>"
             "<s:Body>%2</s:Body></s:Envelope>")
      .arg(header, operation)
      .toUtf8();
}

// WS-Security as the standard spells it out, independently of the server's check.
QString Token(const QString& user, const QString& password, const QDateTime& created) {
  QByteArray nonce(16, '\0');
  for (char& byte : nonce) byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
  const QByteArray when = created.toUTC().toString(Qt::ISODateWithMs).toLatin1();
  const QByteArray digest =
      QCryptographicHash::hash(nonce + when + password.toUtf8(), QCryptographicHash::Sha1)
          .toBase64();
  return QStringLiteral(
             "<Security xmlns=\"http://docs.oasis-open.org/wss/2004/01/"
             "oasis-200401-wss-wssecurity-secext-1.0.xsd\"><UsernameToken><Username>%1</Username>"
             "<Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
             "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">%2</Password>"
             "<Nonce>%3</Nonce><Created xmlns=\"http://docs.oasis-open.org/wss/2004/01/"
             "oasis-200401-wss-wssecurity-utility-1.0.xsd\">%4</Created></UsernameToken>"
             "</Security>")
      .arg(user, QString::fromLatin1(digest), QString::fromLatin1(nonce.toBase64()),
           QString::fromLatin1(when));
}

QString Device(const char* operation, const QString& inside = {}) {
  return QStringLiteral("<%1 xmlns=\"http://www.onvif.org/ver10/device/wsdl\">%2</%1>")
      .arg(QLatin1String(operation), inside);
}

class OnvifServerTest : public ::testing::Test {
 protected:
  void Start(Settings settings, std::optional<QUrl> stream = std::nullopt) {
    network_.clearConnectionCache();
    camera_.reset();
    settings.user = QStringLiteral("operator");
    settings.password = QStringLiteral("s3cret");
    QString error;
    camera_ = SimulatedCamera::Start(lane_, 0, settings, std::move(stream), error);
    ASSERT_TRUE(camera_) << error.toStdString();
    notes_ = std::make_unique<QSignalSpy>(camera_.get(), &SimulatedCamera::Note);
    base_ = camera_->DeviceServiceUrl().chopped(QByteArrayLiteral("/onvif/device_service").size());
    network_.setProxy(QNetworkProxy::NoProxy);
    QObject::connect(&network_, &QNetworkAccessManager::authenticationRequired, &network_,
                     [this](QNetworkReply*, QAuthenticator* authenticator) {
                       if (digestPassword_.isEmpty() || authenticator->user() == digestUser_)
                         return;
                       authenticator->setUser(digestUser_);
                       authenticator->setPassword(digestPassword_);
                     });
  }

  Reply Finish(QNetworkReply* reply) {
    EXPECT_TRUE(QTest::qWaitFor([reply] { return reply->isFinished(); }, kPatienceMs));
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    QString error;
    if (auto xml = field::onvif::ParseXml(result.body, error)) result.xml = *xml;
    reply->deleteLater();
    return result;
  }

  QNetworkReply* PostLater(const QString& path, const QByteArray& envelope) {
    QNetworkRequest request(QUrl(base_ + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/soap+xml; charset=utf-8");
    return network_.post(request, envelope);
  }
  Reply Post(const QString& path, const QByteArray& envelope) {
    return Finish(PostLater(path, envelope));
  }
  Reply Get(const QString& url, const QByteArray& authorization = {}) {
    QNetworkRequest request((QUrl(url)));
    if (!authorization.isEmpty()) request.setRawHeader("Authorization", authorization);
    return Finish(network_.get(request));
  }
  QByteArray Basic() const { return "Basic " + QByteArray("operator:s3cret").toBase64(); }

  QDateTime CameraNow() {
    const Reply time = Post("/onvif/device_service", Envelope(Device("GetSystemDateAndTime")));
    const field::onvif::XmlElement* utc = time.xml.Find(u"UTCDateTime");
    if (utc == nullptr) return {};
    return QDateTime(QDate(utc->TextOf(u"Year").toInt(), utc->TextOf(u"Month").toInt(),
                           utc->TextOf(u"Day").toInt()),
                     QTime(utc->TextOf(u"Hour").toInt(), utc->TextOf(u"Minute").toInt(),
                           utc->TextOf(u"Second").toInt()),
                     Qt::UTC);
  }
  QString GoodToken() { return Token("operator", "s3cret", CameraNow()); }

  virtual_lane::Lane lane_{QStringLiteral("127.0.0.1"), virtual_lane::LaneTimings{0, 50}};
  std::unique_ptr<SimulatedCamera> camera_;
  std::unique_ptr<QSignalSpy> notes_;
  QNetworkAccessManager network_;
  QString base_;
  QString digestUser_ = QStringLiteral("operator");
  QString digestPassword_;
};

TEST_F(OnvifServerTest, EachAuthenticationModeTakesWhatItShould) {
  enum class Credentials { None, Token, WrongPassword, MachineClock, Digest, WrongDigest };
  const struct {
    AuthMode mode;
    Credentials credentials;
    int status;
  } cases[] = {
      {AuthMode::Token, Credentials::None, 400},
      {AuthMode::Token, Credentials::Token, 200},
      {AuthMode::Token, Credentials::WrongPassword, 400},
      {AuthMode::Token, Credentials::MachineClock, 400},
      {AuthMode::Token, Credentials::Digest, 400},
      {AuthMode::Digest, Credentials::None, 401},
      {AuthMode::Digest, Credentials::Token, 401},
      {AuthMode::Digest, Credentials::Digest, 200},
      {AuthMode::Digest, Credentials::WrongDigest, 401},
      {AuthMode::Both, Credentials::None, 401},
      {AuthMode::Both, Credentials::Token, 200},
      {AuthMode::Both, Credentials::WrongPassword, 400},
      {AuthMode::Both, Credentials::MachineClock, 400},
      {AuthMode::Both, Credentials::Digest, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "mode " << int(c.mode) << ", credentials " << int(c.credentials));
    Settings settings;
    settings.auth = c.mode;
    settings.clockOffset = std::chrono::seconds(kOffsetS);
    Start(settings);
    QString header;
    if (c.credentials == Credentials::Token) header = GoodToken();
    if (c.credentials == Credentials::WrongPassword)
      header = Token("operator", "guess", CameraNow());
    if (c.credentials == Credentials::MachineClock) {
      header = Token("operator", "s3cret", QDateTime::currentDateTimeUtc());
    }
    digestPassword_ = c.credentials == Credentials::Digest        ? QStringLiteral("s3cret")
                      : c.credentials == Credentials::WrongDigest ? QStringLiteral("guess")
                                                                  : QString();
    network_.clearAccessCache();
    const Reply reply =
        Post("/onvif/device_service", Envelope(Device("GetDeviceInformation"), header));
    EXPECT_EQ(reply.status, c.status) << reply.body.toStdString();
    if (c.status == 200) {
      EXPECT_EQ(reply.Text(u"Manufacturer"), "LaneConsole");
    } else {
      EXPECT_EQ(reply.xml.Find(u"Subcode")->TextOf(u"Value"), "ter:NotAuthorized");
    }
    EXPECT_EQ(Post("/onvif/device_service", Envelope(Device("GetSystemDateAndTime"))).status, 200);
    if (c.status == 200 && !header.isEmpty()) {
      const Reply replayed =
          Post("/onvif/device_service", Envelope(Device("GetDeviceInformation"), header));
      EXPECT_EQ(replayed.status, 400) << "a token sent again is a replay";
    }
  }
}

TEST_F(OnvifServerTest, ClockRunsAtItsOffsetUntilSet) {
  Settings settings;
  settings.clockOffset = std::chrono::seconds(-kOffsetS);
  Start(settings);
  EXPECT_NEAR(QDateTime::currentDateTimeUtc().secsTo(CameraNow()), -kOffsetS, 2);

  const Reply set = Post(
      "/onvif/device_service",
      Envelope(Device("SetSystemDateAndTime",
                      "<DateTimeType>Manual</DateTimeType><DaylightSavings>false</DaylightSavings>"
                      "<TimeZone><TZ xmlns=\"http://www.onvif.org/ver10/schema\">CST-8</TZ>"
                      "</TimeZone><UTCDateTime><Date xmlns=\"http://www.onvif.org/ver10/schema\">"
                      "<Year>2030</Year><Month>1</Month><Day>2</Day></Date><Time "
                      "xmlns=\"http://www.onvif.org/ver10/schema\"><Hour>23</Hour><Minute>4"
                      "</Minute><Second>5</Second></Time></UTCDateTime>"),
               GoodToken()));
  EXPECT_EQ(set.status, 200) << set.body.toStdString();
  const Reply time = Post("/onvif/device_service", Envelope(Device("GetSystemDateAndTime")));
  EXPECT_EQ(time.xml.Find(u"UTCDateTime")->TextOf(u"Year"), "2030");
  EXPECT_EQ(time.xml.Find(u"UTCDateTime")->TextOf(u"Hour"), "23");
  EXPECT_EQ(time.xml.Find(u"LocalDateTime")->TextOf(u"Day"), "3");
  EXPECT_EQ(time.xml.Find(u"LocalDateTime")->TextOf(u"Hour"), "7");
  EXPECT_EQ(time.Text(u"TZ"), "CST-8");
}

TEST_F(OnvifServerTest, MediaVersionsAndTheHostItNames) {
  const struct {
    MediaVersions media;
    int ver10Status;
    int ver20Status;
  } cases[] = {{{true, false}, 200, 404}, {{false, true}, 404, 200}, {{true, true}, 200, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.media.ver10 << c.media.ver20);
    Settings settings;
    settings.media = c.media;
    settings.host = QStringLiteral("127.0.0.2");
    Start(settings, QUrl(QStringLiteral("rtsp://127.0.0.1:8554/lane")));
    const Reply services =
        Post("/onvif/device_service",
             Envelope(Device("GetServices", "<IncludeCapability>false</IncludeCapability>"),
                      GoodToken()));
    QStringList namespaces;
    for (const auto* ns : services.xml.FindAll(u"Namespace")) namespaces << ns->text;
    EXPECT_EQ(namespaces.contains("http://www.onvif.org/ver10/media/wsdl"), c.media.ver10);
    EXPECT_EQ(namespaces.contains("http://www.onvif.org/ver20/media/wsdl"), c.media.ver20);
    for (const auto* address : services.xml.FindAll(u"XAddr")) {
      EXPECT_TRUE(address->text.startsWith("http://127.0.0.2:")) << address->text.toStdString();
    }
    const struct {
      const char* path;
      const char* ns;
      int status;
    } media[] = {{"/onvif/media_service", "http://www.onvif.org/ver10/media/wsdl", c.ver10Status},
                 {"/onvif/media2_service", "http://www.onvif.org/ver20/media/wsdl", c.ver20Status}};
    for (const auto& m : media) {
      const QString ns = QLatin1String(m.ns);
      const Reply profiles = Post(
          m.path, Envelope(QStringLiteral("<GetProfiles xmlns=\"%1\"/>").arg(ns), GoodToken()));
      EXPECT_EQ(profiles.status, m.status) << m.path;
      if (m.status != 200) continue;
      const QString token = profiles.xml.Find(u"Profiles")->Attribute(u"token");
      const Reply stream = Post(
          m.path, Envelope(QStringLiteral("<GetStreamUri "
                                          "xmlns=\"%1\"><Protocol>RtspUnicast</"
                                          "Protocol><ProfileToken>%2</ProfileToken></GetStreamUri>")
                               .arg(ns, token),
                           GoodToken()));
      EXPECT_EQ(stream.Text(u"Uri"), "rtsp://127.0.0.2:8554/lane") << stream.body.toStdString();
      const Reply snapshot = Post(
          m.path,
          Envelope(
              QStringLiteral(
                  "<GetSnapshotUri xmlns=\"%1\"><ProfileToken>%2</ProfileToken></GetSnapshotUri>")
                  .arg(ns, token),
              GoodToken()));
      QUrl snapshotUrl(snapshot.Text(u"Uri"));
      EXPECT_EQ(snapshotUrl.host(), "127.0.0.2");
      snapshotUrl.setHost(QStringLiteral("127.0.0.1"));
      EXPECT_EQ(Get(snapshotUrl.toString()).status, 401);
      const Reply picture = Get(snapshotUrl.toString(), Basic());
      EXPECT_EQ(QImage::fromData(picture.body, "JPEG").size(), QSize(1280, 720));
    }
  }
}

QString Subscription(const QString& operation, int id, bool echo = true) {
  return echo ? QStringLiteral(
                    "<SubscriptionId xmlns=\"urn:any\" "
                    "a:IsReferenceParameter=\"true\">%1</SubscriptionId>")
                        .arg(id) +
                    operation
              : operation;
}

TEST_F(OnvifServerTest, PullPointLongPollGetsThePlateWithBothPictures) {
  Start(Settings{});
  const Reply created = Post(
      "/onvif/events_service",
      Envelope("<CreatePullPointSubscription xmlns=\"http://www.onvif.org/ver10/events/wsdl\">"
               "<Filter><TopicExpression xmlns=\"http://docs.oasis-open.org/wsn/b-2\" Dialect=\""
               "http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet\">tns1:RuleEngine/"
               "Recognition/LicensePlate</TopicExpression></Filter><InitialTerminationTime>PT60S"
               "</InitialTerminationTime></CreatePullPointSubscription>",
               GoodToken()));
  ASSERT_EQ(created.status, 200) << created.body.toStdString();
  const QUrl address(created.xml.Find(u"SubscriptionReference")->TextOf(u"Address"));
  const int id = created.xml.Find(u"ReferenceParameters")->TextOf(u"SubscriptionId").toInt();
  const QString pull = QStringLiteral(
      "<PullMessages xmlns=\"http://www.onvif.org/ver10/events/wsdl\"><Timeout>PT20S</Timeout>"
      "<MessageLimit>10</MessageLimit></PullMessages>");

  EXPECT_EQ(Post(address.path(), Envelope(pull, Subscription(GoodToken(), id, false))).status, 400);

  QElapsedTimer clock;
  clock.start();
  QNetworkReply* waiting = PostLater(address.path(), Envelope(pull, Subscription(GoodToken(), id)));
  QTest::qWait(300);
  EXPECT_FALSE(waiting->isFinished()) << "a pull with nothing to give waits";
  const std::shared_ptr<const virtual_lane::PlateEvent> plate = lane_.Recognise();
  const Reply notified = Finish(waiting);
  EXPECT_LT(clock.elapsed(), 10000) << "answered at the plate, not at the 20 s timeout";
  ASSERT_EQ(notified.status, 200) << notified.body.toStdString();
  EXPECT_EQ(notified.Text(u"Topic"), "tns1:RuleEngine/Recognition/LicensePlate");
  std::map<QString, QString> items;
  for (const auto* item : notified.xml.FindAll(u"SimpleItem")) {
    items[item->Attribute(u"Name")] = item->Attribute(u"Value");
  }
  EXPECT_EQ(items["PlateNumber"], plate->number);
  EXPECT_EQ(notified.xml.Find(u"LicensePlateInfo")->TextOf(u"PlateNumber"), plate->number);
  EXPECT_FLOAT_EQ(items["Likelihood"].toFloat(), 0.97F);
  const auto bytes = [](const std::vector<std::uint8_t>& jpeg) {
    return QByteArray(reinterpret_cast<const char*>(jpeg.data()),
                      static_cast<qsizetype>(jpeg.size()));
  };
  EXPECT_EQ(Get(items["ImageURI"], Basic()).body, bytes(plate->closeUpJpeg));
  EXPECT_EQ(Get(items["VehicleImageURI"], Basic()).body, bytes(plate->sceneJpeg));
  EXPECT_TRUE(QTest::qWaitFor([this] { return !notes_->isEmpty(); }, kPatienceMs));
  EXPECT_EQ(notes_->front().front().toString(),
            QStringLiteral("lanesim: notified %1 to pull point %2").arg(plate->number).arg(id));

  const Reply renewed =
      Post(address.path(), Envelope("<Renew "
                                    "xmlns=\"http://docs.oasis-open.org/wsn/"
                                    "b-2\"><TerminationTime>PT120S</TerminationTime></Renew>",
                                    Subscription(GoodToken(), id)));
  EXPECT_EQ(renewed.status, 200);
  EXPECT_NEAR(QDateTime::fromString(renewed.Text(u"CurrentTime"), Qt::ISODate)
                  .secsTo(QDateTime::fromString(renewed.Text(u"TerminationTime"), Qt::ISODate)),
              120, 1);
  const Reply gone =
      Post(address.path(), Envelope("<Unsubscribe xmlns=\"http://docs.oasis-open.org/wsn/b-2\"/>",
                                    Subscription(GoodToken(), id)));
  EXPECT_EQ(gone.status, 200);
  const Reply after = Post(address.path(), Envelope(pull, Subscription(GoodToken(), id)));
  EXPECT_EQ(after.status, 400);
  EXPECT_EQ(after.xml.Find(u"Subcode")->TextOf(u"Value"), "wsrf-rw:ResourceUnknownFault");
}

TEST_F(OnvifServerTest, RelayPulseOpensTheBarrierForItsDelay) {
  Start(Settings{});
  const Reply set = Post(
      "/onvif/device_service",
      Envelope(
          Device(
              "SetRelayOutputSettings",
              "<RelayOutputToken>RelayOutput1</RelayOutputToken><Properties><Mode "
              "xmlns=\"http://www.onvif.org/ver10/schema\">Monostable</Mode>"
              "<DelayTime xmlns=\"http://www.onvif.org/ver10/schema\">PT0.4S</DelayTime><IdleState "
              "xmlns=\"http://www.onvif.org/ver10/schema\">closed</IdleState></Properties>"),
          GoodToken()));
  ASSERT_EQ(set.status, 200) << set.body.toStdString();
  const Reply relays =
      Post("/onvif/device_service", Envelope(Device("GetRelayOutputs"), GoodToken()));
  EXPECT_EQ(relays.Text(u"DelayTime"), "PT0.400S");
  EXPECT_EQ(relays.Text(u"IdleState"), "closed");

  EXPECT_FALSE(lane_.GateOpen());
  const Reply pulse = Post("/onvif/device_service",
                           Envelope(Device("SetRelayOutputState",
                                           "<RelayOutputToken>RelayOutput1</"
                                           "RelayOutputToken><LogicalState>active</LogicalState>"),
                                    GoodToken()));
  EXPECT_EQ(pulse.status, 200);
  EXPECT_TRUE(QTest::qWaitFor([this] { return lane_.GateOpen(); }, kPatienceMs));
  QElapsedTimer open;
  open.start();
  EXPECT_TRUE(QTest::qWaitFor([this] { return !lane_.GateOpen(); }, kPatienceMs));
  EXPECT_GE(open.elapsed(), 300);
  ASSERT_GE(notes_->size(), 2);
  EXPECT_EQ(notes_->at(0).front().toString(),
            "lanesim: relay RelayOutput1 pulsed for 400 ms, barrier opening");

  const Reply wrong = Post(
      "/onvif/device_service",
      Envelope(
          Device("SetRelayOutputState",
                 "<RelayOutputToken>Gate9</RelayOutputToken><LogicalState>active</LogicalState>"),
          GoodToken()));
  EXPECT_EQ(wrong.status, 400);
}

TEST_F(OnvifServerTest, UnknownActionsAndMalformedRequestsAreFaults) {
  Settings settings;
  settings.auth = AuthMode::Token;
  Start(settings);
  const Reply unknown =
      Post("/onvif/device_service", Envelope(Device("SystemReboot"), GoodToken()));
  EXPECT_EQ(unknown.status, 500);
  EXPECT_EQ(unknown.xml.Find(u"Subcode")->TextOf(u"Value"), "ter:ActionNotSupported");
  EXPECT_EQ(Post("/onvif/device_service", "<s:Envelope><s:Body>").status, 400);
  EXPECT_EQ(Post("/onvif/nowhere", Envelope(Device("GetServices"), GoodToken())).status, 404);
}

}  // namespace
}  // namespace lanesim::onvif
