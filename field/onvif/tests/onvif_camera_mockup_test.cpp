#include <gtest/gtest.h>

#include <QFile>
#include <QTcpSocket>
#include <optional>

#include "OnvifDevice.h"
#include "PlateEvents.h"
#include "RunEventLoop.h"
#include "SoapAnswer.h"

namespace field::onvif {
namespace {

constexpr int kPatienceMs = 20000;
// Where the recorded answers say the camera is; nothing may be sent there.
const QString kRecordedHost = QStringLiteral("192.168.68.111");

// The answers recorded from real cameras that npm onvif 0.6.5 ships, read as
// fixtures; the expected values were read off the files by eye.
class RecordedAnswers : public testing::Test {
 protected:
  void SetUp() override {
    directory_ = qEnvironmentVariable("ONVIF_MOCKUP_DIR");
    if (directory_.isEmpty()) GTEST_SKIP() << "run through run_with_camera_mockup.sh";
  }

  XmlElement Body(const char* file) {
    QFile recorded(directory_ + u'/' + QLatin1String(file));
    EXPECT_TRUE(recorded.open(QIODevice::ReadOnly)) << file;
    const SoapAnswer answer = ReadSoapAnswer(recorded.readAll());
    EXPECT_TRUE(answer.Ok()) << file << ": " << answer.Problem().toStdString();
    return answer.body;
  }

  QString directory_;
};

TEST_F(RecordedAnswers, DeviceAnswers) {
  const std::optional<CameraClock> clock = ReadSystemDateAndTime(Body("GetSystemDateAndTime.xml"));
  ASSERT_TRUE(clock.has_value());
  EXPECT_EQ(clock->utc, QDateTime(QDate(2014, 12, 24), QTime(19, 14, 37), Qt::UTC));
  EXPECT_EQ(clock->timeZone, "MoroccoStandardTime0");
  EXPECT_TRUE(clock->daylightSavings);

  const ServiceAddresses services = ReadServices(Body("GetServices.xml"));
  EXPECT_EQ(services.device.toString(), "http://192.168.68.111/onvif/services");
  EXPECT_EQ(services.media1.toString(), "http://192.168.68.111/onvif/services");
  EXPECT_EQ(services.events.toString(), "http://192.168.68.111/onvif/services");
  EXPECT_EQ(services.deviceIo.toString(), "http://192.168.68.111/onvif/services");
  EXPECT_TRUE(services.media2.isEmpty());

  const ServiceAddresses capabilities = ReadCapabilities(Body("GetCapabilities.xml"));
  EXPECT_EQ(capabilities.media1.toString(), "http://192.168.68.111/onvif/services");
  EXPECT_EQ(capabilities.events.toString(), "http://192.168.68.111/onvif/services");

  const DeviceInformation information = ReadDeviceInformation(Body("GetDeviceInformation.xml"));
  EXPECT_EQ(information.manufacturer, "Mockup Manufacturer");
  EXPECT_EQ(information.model, "Mockup Model");
  EXPECT_EQ(information.firmware, "Mockup_15_14_13");
  EXPECT_EQ(information.serialNumber, "00000000");
}

TEST_F(RecordedAnswers, MediaAndEventAnswers) {
  const std::vector<MediaProfile> profiles = ReadProfiles(Body("GetProfiles.xml"));
  ASSERT_FALSE(profiles.empty());
  EXPECT_EQ(profiles.front().token, "main");
  EXPECT_EQ(profiles.front().name, "main");
  EXPECT_EQ(ReadMediaUri(Body("GetStreamUri.xml")), "rtsp://192.168.68.111/h264main");
  EXPECT_EQ(ReadMediaUri(Body("GetSnapshotUri.xml")),
            "http://192.168.68.111/onvif-cgi/jpg/image.cgi?resolution=800x600&compression=20&"
            "camera=1");
  const XmlElement properties = Body("GetEventProperties.xml");
  EXPECT_FALSE(ListsTopic(properties, QStringLiteral("RuleEngine/Recognition/LicensePlate")));
  EXPECT_FALSE(ReadTopics(properties).isEmpty());
  // The subscription and pull answers are templates only the server fills in: SubscribesAndPulls.
}

class MockupServer : public testing::Test {
 protected:
  void SetUp() override {
    const QString port = qEnvironmentVariable("ONVIF_MOCKUP_PORT");
    if (port.isEmpty()) GTEST_SKIP() << "run through run_with_camera_mockup.sh";
    device_ = QUrl(QStringLiteral("http://127.0.0.1:%1/onvif/device_service").arg(port));
    ASSERT_TRUE(RunEventLoopUntil(
        [&] {
          QTcpSocket probe;
          probe.connectToHost(QStringLiteral("127.0.0.1"), port.toUShort());
          return probe.waitForConnected(100);
        },
        kPatienceMs))
        << "the mockup server did not start";
  }

  QUrl device_;
};

// The whole of 连接 against recorded answers: every address they name is
// reached at 127.0.0.1 (the namespace has no other host to reach).
TEST_F(MockupServer, PreparesAtTheTypedHost) {
  OnvifDevice device(device_, {QStringLiteral("admin"), QStringLiteral("admin")});
  std::optional<DeviceSetup> prepared;
  bool failed = false;
  device.Prepare({}, [&](const std::optional<SoapResult>& failure, const DeviceSetup& setup) {
    failed = failure.has_value();
    prepared = setup;
  });
  ASSERT_TRUE(RunEventLoopUntil([&] { return prepared.has_value(); }, kPatienceMs));
  ASSERT_FALSE(failed) << prepared->problems.join(u'\n').toStdString();
  EXPECT_EQ(prepared->information.manufacturer, "Mockup Manufacturer");
  EXPECT_LT(prepared->clockOffsetMs, -300LL * 24 * 3600 * 1000) << "the recorded clock is 2014";
  EXPECT_EQ(prepared->services.media1, device_.resolved(QUrl("/onvif/services")));
  EXPECT_EQ(prepared->services.events, device_.resolved(QUrl("/onvif/services")));
  EXPECT_STREQ(prepared->media, kMedia1Namespace);
  EXPECT_EQ(prepared->profile.token, "main");
  EXPECT_EQ(prepared->stream.toString(), "rtsp://127.0.0.1/h264main");
  EXPECT_EQ(prepared->snapshot.host(), "127.0.0.1");
  EXPECT_EQ(prepared->snapshot.port(), device_.port());
  for (const QString& problem : prepared->problems) {
    EXPECT_FALSE(problem.contains(kRecordedHost)) << problem.toStdString();
  }
}

TEST_F(MockupServer, SubscribesAndPulls) {
  OnvifDevice device(device_, {QStringLiteral("admin"), QStringLiteral("admin")});
  PlateEvents events(device);
  QStringList notices;
  QObject::connect(&events, &PlateEvents::Notice, [&](const QString& text) { notices << text; });
  events.Start(device_.resolved(QUrl("/onvif/services")));
  ASSERT_TRUE(RunEventLoopUntil([&] { return events.Subscribed(); }, kPatienceMs))
      << notices.join(u'\n').toStdString();
  // Several pulls answered (motion only, no plate) and still subscribed.
  RunEventLoopFor(1500);
  EXPECT_TRUE(events.Subscribed()) << notices.join(u'\n').toStdString();
  bool stopped = false;
  events.Stop([&] { stopped = true; });
  EXPECT_TRUE(RunEventLoopUntil([&] { return stopped; }, kPatienceMs));
}

}  // namespace
}  // namespace field::onvif
