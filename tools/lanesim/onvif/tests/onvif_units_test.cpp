#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QRegularExpression>
#include <chrono>
#include <thread>

#include "CameraClock.h"
#include "EventService.h"
#include "HttpDigest.h"
#include "PullPoints.h"
#include "UsernameToken.h"
#include "XmlTree.h"
#include "XsdTime.h"

namespace lanesim::onvif {
namespace {

using namespace std::chrono_literals;

TEST(XsdTime, DurationsAsCamerasWriteThem) {
  const struct {
    const char* text;
    std::optional<std::chrono::milliseconds> expected;
  } cases[] = {
      {"PT1S", 1000ms},
      {"PT0.5S", 500ms},
      {"PT1M", 60000ms},
      {"PT2M", 120000ms},
      {"P1DT2H", 93'600'000ms},
      {" PT10S ", 10000ms},
      {"PT1H1M1.25S", 3'661'250ms},
      {"P", std::nullopt},
      {"PT", std::nullopt},
      {"1S", std::nullopt},
      {"-PT1S", std::nullopt},
      {"PT1.S", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseDuration(QString::fromLatin1(c.text)), c.expected) << c.text;
  }
  EXPECT_EQ(XsdDuration(1000ms), "PT1S");
  EXPECT_EQ(XsdDuration(250ms), "PT0.250S");
}

TEST(XsdTime, TerminationTimesAbsoluteOrRelative) {
  const QDateTime now(QDate(2026, 12, 8), QTime(23, 59, 30), Qt::UTC);
  EXPECT_EQ(ParseAbsoluteOrRelative("PT60S", now),
            QDateTime(QDate(2026, 12, 9), QTime(0, 0, 30), Qt::UTC));
  EXPECT_EQ(ParseAbsoluteOrRelative("2026-12-09T08:00:00+08:00", now),
            QDateTime(QDate(2026, 12, 9), QTime(0, 0), Qt::UTC));
  EXPECT_EQ(ParseAbsoluteOrRelative("2026-12-09T00:00:00", now),
            QDateTime(QDate(2026, 12, 9), QTime(0, 0), Qt::UTC));
  EXPECT_FALSE(ParseAbsoluteOrRelative("tomorrow", now));
}

TEST(CameraClock, PosixZonesCountHoursWest) {
  const struct {
    const char* zone;
    int eastSeconds;
  } cases[] = {{"CST-8", 8 * 3600},     {"EST5EDT", -5 * 3600},     {"UTC0", 0},
               {"<+0530>-5:30", 19800}, {"GMT+0BST-1,M3.5.0/1", 0}, {"nonsense", 0}};
  for (const auto& c : cases) EXPECT_EQ(PosixZoneOffsetSeconds(c.zone), c.eastSeconds) << c.zone;
}

TEST(CameraClock, OffsetSetAndNtp) {
  CameraClock clock(std::chrono::hours(-2));
  EXPECT_NEAR(QDateTime::currentDateTimeUtc().secsTo(clock.Now()), -7200, 1);
  const QDateTime set(QDate(2030, 1, 2), QTime(3, 4, 5), Qt::UTC);
  clock.Set(set);
  EXPECT_LE(std::abs(set.secsTo(clock.Now())), 1);
  clock.FollowNtp();
  EXPECT_TRUE(clock.Ntp());
  EXPECT_LE(std::abs(QDateTime::currentDateTimeUtc().secsTo(clock.Now())), 1);
}

field::onvif::XmlElement Header(const QString& created, const QString& digest,
                                const QString& type = QStringLiteral("#PasswordDigest")) {
  QString error;
  return *field::onvif::ParseXml(
      QStringLiteral("<Header><wsse:Security xmlns:wsse=\"urn:x\"><wsse:UsernameToken>"
                     "<wsse:Username>user</wsse:Username><wsse:Password Type=\"urn:y%3\">%2"
                     "</wsse:Password><wsse:Nonce>LKqI6G/AikKCQrN0zqZFlg==</wsse:Nonce>"
                     "<wsu:Created xmlns:wsu=\"urn:z\">%1</wsu:Created></wsse:UsernameToken>"
                     "</wsse:Security></Header>")
          .arg(created, digest, type)
          .toUtf8(),
      error);
}

// The digest of the ONVIF Application Programmer's Guide's example.
TEST(UsernameToken, DigestAndClockChecked) {
  const QString created = QStringLiteral("2010-09-16T07:50:45Z");
  const QString digest = QStringLiteral("tuOSpGlFlIXsozq4HFNeeGeFLEI=");
  const QDateTime camera = *ParseDateTime(created);
  const struct {
    field::onvif::XmlElement header;
    QString password;
    QDateTime cameraNow;
    TokenVerdict::Kind expected;
  } cases[] = {
      {Header(created, digest), "userpassword", camera, TokenVerdict::Kind::Accepted},
      {Header(created, digest), "userpassword", camera.addSecs(5), TokenVerdict::Kind::Accepted},
      {Header(created, digest), "userpassword", camera.addSecs(-6), TokenVerdict::Kind::Refused},
      {Header(created, digest), "userpassword", camera.addSecs(3600), TokenVerdict::Kind::Refused},
      {Header(created, digest), "wrong", camera, TokenVerdict::Kind::Refused},
      {Header(created, "userpassword", "#PasswordText"), "userpassword", camera,
       TokenVerdict::Kind::Refused},
      {Header("2010-09-16T07:50:46Z", digest), "userpassword", camera, TokenVerdict::Kind::Refused},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckUsernameToken(&c.header, "user", c.password, c.cameraNow).kind, c.expected)
        << c.password.toStdString() << " at " << c.cameraNow.toString(Qt::ISODate).toStdString();
  }
  EXPECT_EQ(CheckUsernameToken(nullptr, "user", "userpassword", camera).kind,
            TokenVerdict::Kind::Missing);
}

QByteArray Hex(QCryptographicHash::Algorithm algorithm, const QByteArray& text) {
  return QCryptographicHash::hash(text, algorithm).toHex();
}

// Answers a challenge as an RFC 7616 client does, with whatever it is told to get wrong.
QByteArray Answer(const QByteArray& challenge, const QByteArray& user, const QByteArray& password,
                  const QByteArray& uri, const QByteArray& nonceOverride = {}) {
  const QRegularExpression field(QStringLiteral(R"re((\w+)="?([^",]*)"?)re"));
  std::map<QString, QByteArray> p;
  for (const auto& m : field.globalMatch(QString::fromLatin1(challenge))) {
    p[m.captured(1)] = m.captured(2).toLatin1();
  }
  const auto algorithm =
      p["algorithm"] == "SHA-256" ? QCryptographicHash::Sha256 : QCryptographicHash::Md5;
  const QByteArray nonce = nonceOverride.isEmpty() ? p["nonce"] : nonceOverride;
  const QByteArray ha1 = Hex(algorithm, user + ':' + p["realm"] + ':' + password);
  const QByteArray ha2 = Hex(algorithm, "GET:" + uri);
  const QByteArray response = Hex(algorithm, ha1 + ':' + nonce + ":00000001:0a4f113b:auth:" + ha2);
  return "Digest username=\"" + user + "\", realm=\"" + p["realm"] + "\", nonce=\"" + nonce +
         "\", uri=\"" + uri + "\", algorithm=" + p["algorithm"] +
         ", qop=auth, nc=00000001, cnonce=\"0a4f113b\", response=\"" + response + '"';
}

TEST(HttpDigest, ChallengesAnsweredRightAndWrong) {
  const HttpDigest digest("cam", "admin", "secret");
  const std::vector<QByteArray> challenges = digest.Challenges(true);
  ASSERT_EQ(challenges.size(), 3u);
  EXPECT_TRUE(challenges[0].contains("algorithm=SHA-256"));
  EXPECT_TRUE(challenges[1].contains("algorithm=MD5"));
  EXPECT_EQ(challenges[2], "Basic realm=\"cam\"");
  using V = HttpDigest::Verdict;
  for (const QByteArray& challenge : {challenges[0], challenges[1]}) {
    SCOPED_TRACE(challenge.toStdString());
    const QByteArray uri = "/onvif/snapshot.jpg";
    EXPECT_EQ(digest.Check(Answer(challenge, "admin", "secret", uri), "GET", uri, false),
              V::Accepted);
    EXPECT_EQ(digest.Check(Answer(challenge, "admin", "wrong", uri), "GET", uri, false),
              V::Refused);
    EXPECT_EQ(digest.Check(Answer(challenge, "root", "secret", uri), "GET", uri, false),
              V::Refused);
    EXPECT_EQ(digest.Check(Answer(challenge, "admin", "secret", uri), "GET", "/other", false),
              V::Refused);
    EXPECT_EQ(
        digest.Check(Answer(challenge, "admin", "secret", uri, "1.forged"), "GET", uri, false),
        V::Refused);
    EXPECT_EQ(
        digest.Check(Answer(challenge, "admin", "secret", uri, "5f5e100.00"), "GET", uri, false),
        V::Refused);
  }
  const QByteArray basic = "Basic " + QByteArray("admin:secret").toBase64();
  EXPECT_EQ(digest.Check(basic, "GET", "/", true), V::Accepted);
  EXPECT_EQ(digest.Check(basic, "GET", "/", false), V::Refused);
  EXPECT_EQ(digest.Check("Basic " + QByteArray("admin:x").toBase64(), "GET", "/", true),
            V::Refused);
  EXPECT_EQ(digest.Check("", "GET", "/", true), V::Missing);
}

TEST(TopicFilter, LicencePlateTopicByLocalNames) {
  const struct {
    const char* expression;
    bool accepted;
  } cases[] = {
      {"tns1:RuleEngine/Recognition/LicensePlate", true},
      {"onvif:RuleEngine/onvif:Recognition/onvif:LicensePlate", true},
      {"tns1:RuleEngine//.", true},
      {"tns1:RuleEngine/Recognition//.", true},
      {"tns1:Device/Trigger/Relay|tns1:RuleEngine/Recognition/LicensePlate", true},
      {"tns1:RuleEngine/CellMotionDetector/Motion", false},
      {"tns1:Device//.", false},
      {"tns1:RuleEngine/Recognition/LicensePlateX", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TopicFilterAccepts(QString::fromLatin1(c.expression)), c.accepted) << c.expression;
  }
}

TEST(PullPoints, LongPollAnswersAsSoonAsANotificationComes) {
  PullPoints points;
  const int id = *points.Create(60s);
  std::thread publisher([&points] {
    std::this_thread::sleep_for(100ms);
    points.Publish({"A1", "<a/>"});
  });
  const auto start = PullPoints::Clock::now();
  const auto taken = points.Pull(id, 30s, 10);
  publisher.join();
  ASSERT_TRUE(taken);
  ASSERT_EQ(taken->size(), 1u);
  EXPECT_EQ(taken->front().plate, "A1");
  EXPECT_LT(PullPoints::Clock::now() - start, 20s);

  EXPECT_EQ(points.Pull(id, 50ms, 10)->size(), 0u);
  for (int i = 0; i < 70; ++i) points.Publish({QString::number(i), "<a/>"});
  const auto limited = points.Pull(id, 0ms, 5);
  ASSERT_EQ(limited->size(), 5u);
  EXPECT_EQ(limited->front().plate, "6");  // the oldest six gave way to the newest 64
}

TEST(PullPoints, EndingASubscriptionWakesItsPull) {
  PullPoints points;
  const int id = *points.Create(60s);
  std::thread remover([&points, id] {
    std::this_thread::sleep_for(100ms);
    points.Remove(id);
  });
  EXPECT_FALSE(points.Pull(id, 30s, 1));
  remover.join();
  EXPECT_FALSE(points.Exists(id));

  const int other = *points.Create(60s);
  std::thread closer([&points] {
    std::this_thread::sleep_for(100ms);
    points.Close();
  });
  const auto taken = points.Pull(other, 30s, 1);
  closer.join();
  ASSERT_TRUE(taken);
  EXPECT_TRUE(taken->empty());
}

TEST(PullPoints, ExpiryAndTheLimit) {
  PullPoints points;
  const int brief = *points.Create(1ms);
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(points.Exists(brief));
  EXPECT_FALSE(points.Renew(brief, PullPoints::Clock::now() + 60s));
  for (std::size_t i = 0; i < PullPoints::kMostSubscriptions; ++i) ASSERT_TRUE(points.Create(60s));
  EXPECT_FALSE(points.Create(60s));
}

}  // namespace
}  // namespace lanesim::onvif
