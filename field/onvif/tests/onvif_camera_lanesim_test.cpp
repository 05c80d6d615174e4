#include <gtest/gtest.h>
#include <signal.h>

#include <QAuthenticator>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <optional>

#include "AutomationByteArray.h"
#include "LaneSimProcess.h"
#include "OnvifCamera.h"
#include "RunEventLoop.h"

namespace field::onvif {
namespace {

using lanesim::testing::kPatienceMs;
using lanesim::testing::LaneSimProcess;

constexpr QSize kSceneSize{1920, 1080};
constexpr QSize kCloseUpSize{440, 140};
constexpr char kDeviceLine[] = "lanesim: onvif on ";

struct Plate {
  QString ip;
  QString number;
  QByteArray scene;
  QByteArray closeup;
  float confidence = 0;
};

// lanesim as an ONVIF camera on a port of its choosing, or of the test's.
class OnvifLane {
 public:
  explicit OnvifLane(QStringList arguments, int port = 0) {
    arguments.prepend(QString::number(port));
    arguments.prepend(QStringLiteral("--onvif"));
    process_ = std::make_unique<LaneSimProcess>(arguments);
    if (!process_->WaitForLineStarting(QLatin1String(kDeviceLine))) return;
    for (const QString& line : process_->Lines()) {
      if (line.startsWith(QLatin1String(kDeviceLine))) {
        device_ = QUrl(line.mid(static_cast<qsizetype>(strlen(kDeviceLine))));
      }
    }
  }

  int Port() const { return device_.port(); }
  bool Started() const { return device_.isValid() && device_.port() > 0; }
  void CarComes() {
    ASSERT_EQ(::kill(static_cast<pid_t>(process_->Process().processId()), SIGUSR1), 0);
  }
  // Runs the event loop meanwhile: the console's requests go out from it.
  bool Says(const QString& start) {
    return RunEventLoopUntil(
        [&] {
          const QStringList& lines = process_->Lines();
          return std::any_of(lines.begin(), lines.end(),
                             [&](const QString& line) { return line.startsWith(start); });
        },
        kPatienceMs);
  }
  void Stop() {
    process_->Process().terminate();
    process_->Process().waitForFinished(kPatienceMs);
  }

 private:
  std::unique_ptr<LaneSimProcess> process_;
  QUrl device_;
};

// The camera backend as the window holds it, recording what it raises.
class Console {
 public:
  Console(int port, const QString& password) {
    CameraSettings settings;
    settings.host = QStringLiteral("{address}");
    settings.port = port;
    settings.user = QStringLiteral("admin");
    settings.password = password;
    camera_ = std::make_unique<OnvifCamera>(settings, nullptr, nullptr);
    QObject::connect(camera_.get(), &camera::SdkBackend::Notice,
                     [this](const QString& text) { notices_ << text; });
    QObject::connect(camera_.get(), &OnvifCamera::StreamFound,
                     [this](const QString& url) { stream_ = url; });
    QObject::connect(camera_.get(), &OnvifCamera::PasswordRefused, [this] { ++refusals_; });
    QObject::connect(
        camera_.get(), &camera::SdkBackend::OnZELIPCSDKPlate,
        [this](const QString& ip, const QString& number, const QString&, const std::uint8_t* scene,
               std::int32_t sceneLength, const std::uint8_t* closeup, std::int32_t closeupLength,
               std::int32_t, std::int32_t, std::int32_t, std::int32_t, float confidence,
               std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
          plates_.push_back(
              {ip, number, QByteArray(reinterpret_cast<const char*>(scene), sceneLength),
               QByteArray(reinterpret_cast<const char*>(closeup), closeupLength), confidence});
        });
  }

  OnvifCamera& Camera() { return *camera_; }
  camera::CameraHandle Connect() {
    EXPECT_FALSE(camera_->Connect(QStringLiteral("127.0.0.1"), 0, handle_).Failed());
    return handle_;
  }
  bool WaitReady() {
    return RunEventLoopUntil([this] { return camera_->Ready() && camera_->EventsSubscribed(); },
                             kPatienceMs);
  }
  std::optional<Plate> WaitPlate() {
    const std::size_t before = plates_.size();
    if (!RunEventLoopUntil([&] { return plates_.size() > before; }, kPatienceMs)) return {};
    return plates_.back();
  }
  camera::CameraHandle Handle() const { return handle_; }
  const QStringList& Notices() const { return notices_; }
  const QString& Stream() const { return stream_; }
  int Refusals() const { return refusals_; }

 private:
  std::unique_ptr<OnvifCamera> camera_;
  camera::CameraHandle handle_ = 0;
  QStringList notices_;
  QString stream_;
  int refusals_ = 0;
  std::vector<Plate> plates_;
};

QSize JpegSize(const QByteArray& bytes) {
  return QImage::fromData(bytes, "JPEG").size();
}

struct Mode {
  const char* name;
  QStringList arguments;
  const char* notice = nullptr;  // a pane line expected besides the device line
};

void PrintTo(const Mode& mode, std::ostream* out) {
  *out << mode.name;
}

class OnvifCameraLaneSim : public testing::TestWithParam<Mode> {};

// Each way a camera may be set up: connect, the stream at the typed host, a
// plate with both pictures, the relay pulse and the snapshot.
TEST_P(OnvifCameraLaneSim, PlatesGateAndSnapshotThroughTheCamera) {
  OnvifLane lane(GetParam().arguments);
  ASSERT_TRUE(lane.Started());
  Console console(lane.Port(), QStringLiteral("admin"));
  const camera::CameraHandle handle = console.Connect();
  ASSERT_TRUE(console.WaitReady()) << console.Notices().join(u'\n').toStdString();

  EXPECT_TRUE(console.Notices().filter(QStringLiteral("序列号")).size() == 1)
      << console.Notices().join(u'\n').toStdString();
  if (GetParam().notice != nullptr) {
    EXPECT_EQ(console.Notices().filter(QString::fromUtf8(GetParam().notice)).size(), 1)
        << console.Notices().join(u'\n').toStdString();
  }
  if (GetParam().arguments.contains(QStringLiteral("--rtsp"))) {
    const QUrl stream(console.Stream());
    EXPECT_EQ(stream.scheme(), "rtsp") << console.Stream().toStdString();
    EXPECT_EQ(stream.host(), "127.0.0.1");
    EXPECT_EQ(stream.userName(), "admin");
    EXPECT_EQ(stream.password(), "admin");
  } else {
    EXPECT_TRUE(console.Stream().isEmpty());
    EXPECT_EQ(console.Notices().filter(QStringLiteral("GetStreamUri")).size(), 1);
  }

  lane.CarComes();
  const std::optional<Plate> plate = console.WaitPlate();
  ASSERT_TRUE(plate.has_value()) << console.Notices().join(u'\n').toStdString();
  EXPECT_EQ(plate->ip, "127.0.0.1");
  EXPECT_FALSE(plate->number.isEmpty());
  EXPECT_GT(plate->confidence, 0);
  EXPECT_EQ(JpegSize(plate->scene), kSceneSize);
  EXPECT_EQ(JpegSize(plate->closeup), kCloseUpSize);

  EXPECT_FALSE(console.Camera().OpenGate(handle).Failed());
  EXPECT_TRUE(lane.Says(QStringLiteral("lanesim: relay ")));

  camera::AutomationByteArray picture(16);
  std::int32_t length = 0;
  std::uint8_t result = 0;
  const camera::Status captured = console.Camera().Capture(handle, picture, 16, length, result);
  ASSERT_FALSE(captured.Failed()) << captured.reason;
  EXPECT_EQ(result, 1);
  ASSERT_EQ(picture.ElementCount(), length) << "the array grew to the whole picture";
  camera::ArrayLock lock(picture);
  EXPECT_FALSE(QImage::fromData(lock.data(), length, "JPEG").isNull());

  for (const QString& notice : console.Notices()) {
    EXPECT_FALSE(notice.contains(QStringLiteral("127.0.0.2"))) << notice.toStdString();
  }
  EXPECT_FALSE(console.Camera().Disconnect(handle).Failed());
  EXPECT_TRUE(console.Stream().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, OnvifCameraLaneSim,
    testing::Values(
        Mode{"token", {"--onvif-auth", "token"}}, Mode{"digest", {"--onvif-auth", "digest"}},
        Mode{"both", {"--onvif-auth", "both"}},
        Mode{"clockAhead", {"--onvif-clock-offset", "7203"}, "摄像机时钟比本机快 2 小时 0 分 3 秒"},
        Mode{"clockBehind",
             {"--onvif-clock-offset", "-7203", "--onvif-auth", "token"},
             "摄像机时钟比本机慢 2 小时 0 分 3 秒"},
        Mode{"hostNotReachable", {"--onvif-host", "127.0.0.2", "--rtsp", "0"}},
        Mode{"media1Only", {"--onvif-media", "1"}}, Mode{"media2Only", {"--onvif-media", "2"}}),
    [](const testing::TestParamInfo<Mode>& info) { return info.param.name; });

// What lanesim serves at a picture address, fetched by Qt's own HTTP Digest.
QByteArray FetchWithQt(const QUrl& url) {
  QNetworkAccessManager network;
  network.setProxy(QNetworkProxy::NoProxy);
  QObject::connect(&network, &QNetworkAccessManager::authenticationRequired,
                   [](QNetworkReply*, QAuthenticator* authenticator) {
                     authenticator->setUser(QStringLiteral("admin"));
                     authenticator->setPassword(QStringLiteral("admin"));
                   });
  QNetworkReply* reply = network.get(QNetworkRequest(url));
  RunEventLoopUntil([&] { return reply->isFinished(); }, kPatienceMs);
  const QByteArray bytes = reply->readAll();
  delete reply;
  return bytes;
}

TEST(OnvifCameraLaneSim, PlatePicturesAreTheCamerasBytes) {
  OnvifLane lane({"--onvif-host", "127.0.0.2"});
  ASSERT_TRUE(lane.Started());
  Console console(lane.Port(), QStringLiteral("admin"));
  console.Connect();
  ASSERT_TRUE(console.WaitReady());
  // A second subscriber of its own hears the same plate with the picture addresses.
  OnvifDevice device(
      QUrl(QStringLiteral("http://127.0.0.1:%1/onvif/device_service").arg(lane.Port())),
      {QStringLiteral("admin"), QStringLiteral("admin")});
  PlateEvents events(device);
  std::optional<PlateNotification> heard;
  QObject::connect(&events, &PlateEvents::Plate,
                   [&](const PlateNotification& plate) { heard = plate; });
  events.Start(device.Reach(QUrl(QStringLiteral("http://127.0.0.2/onvif/events_service"))));
  ASSERT_TRUE(RunEventLoopUntil([&] { return events.Subscribed(); }, kPatienceMs));

  lane.CarComes();
  const std::optional<Plate> plate = console.WaitPlate();
  ASSERT_TRUE(plate.has_value());
  ASSERT_TRUE(RunEventLoopUntil([&] { return heard.has_value(); }, kPatienceMs));
  EXPECT_EQ(heard->plate, plate->number);
  EXPECT_EQ(QUrl(heard->sceneUri).host(), "127.0.0.2") << "lanesim names the host it was told";
  EXPECT_EQ(plate->scene, FetchWithQt(device.Reach(QUrl(heard->sceneUri))));
  EXPECT_EQ(plate->closeup, FetchWithQt(device.Reach(QUrl(heard->closeupUri))));
  EXPECT_FALSE(plate->scene.isEmpty());
  EXPECT_FALSE(plate->closeup.isEmpty());
}

TEST(OnvifCameraLaneSim, WrongPasswordAsksOnceAndTheRightOneConnects) {
  OnvifLane lane({"--onvif-password", "s3cret-word"});
  ASSERT_TRUE(lane.Started());
  Console console(lane.Port(), QStringLiteral("not-the-word"));
  console.Connect();
  ASSERT_TRUE(RunEventLoopUntil([&] { return console.Refusals() > 0; }, kPatienceMs));
  RunEventLoopFor(500);
  EXPECT_EQ(console.Refusals(), 1);
  EXPECT_EQ(console.Notices().filter(QStringLiteral("拒绝")).size(), 1);
  EXPECT_FALSE(console.Camera().Ready());

  console.Camera().SetPassword(QStringLiteral("s3cret-word"));
  ASSERT_TRUE(console.WaitReady()) << console.Notices().join(u'\n').toStdString();
  for (const QString& notice : console.Notices()) {
    EXPECT_FALSE(notice.contains(QStringLiteral("s3cret-word")) ||
                 notice.contains(QStringLiteral("not-the-word")))
        << notice.toStdString();
  }
}

TEST(OnvifCameraLaneSim, SubscribesAgainWithinSecondsOfARestartedCamera) {
  auto lane = std::make_unique<OnvifLane>(QStringList{});
  ASSERT_TRUE(lane->Started());
  const int port = lane->Port();
  Console console(port, QStringLiteral("admin"));
  console.Connect();
  ASSERT_TRUE(console.WaitReady());

  lane->Stop();
  ASSERT_TRUE(RunEventLoopUntil([&] { return !console.Camera().EventsSubscribed(); }, kPatienceMs));
  lane = std::make_unique<OnvifLane>(QStringList{}, port);
  ASSERT_TRUE(lane->Started());
  QElapsedTimer answering;
  answering.start();
  ASSERT_TRUE(RunEventLoopUntil([&] { return console.Camera().EventsSubscribed(); }, kPatienceMs));
  EXPECT_LT(answering.elapsed(), 5000);
  lane->CarComes();
  EXPECT_TRUE(console.WaitPlate().has_value());
}

TEST(OnvifCameraLaneSim, UnreachableCameraRetriesQuietly) {
  OnvifLane probe({});
  ASSERT_TRUE(probe.Started());
  const int port = probe.Port();
  probe.Stop();
  Console console(port, QStringLiteral("admin"));
  console.Connect();
  RunEventLoopFor(3000);
  // One notice for the outage, not one per retry.
  EXPECT_EQ(console.Notices().filter(QStringLiteral("连不上")).size(), 1)
      << console.Notices().join(u'\n').toStdString();
  EXPECT_TRUE(console.Camera().OpenGate(console.Handle()).Failed());
  OnvifLane lane({}, port);
  ASSERT_TRUE(lane.Started());
  EXPECT_TRUE(console.WaitReady());
}

TEST(OnvifCameraLaneSim, TriggerFailsSayingOnvifHasNone) {
  Console console(1, QStringLiteral("admin"));
  QString number;
  QString color;
  camera::AutomationByteArray picture(16);
  std::int32_t length = 0;
  std::uint8_t result = 0;
  const camera::Status status =
      console.Camera().Trigger(console.Connect(), number, color, picture, 16, length, result);
  EXPECT_TRUE(status.Failed());
  EXPECT_NE(status.reason.find("no standard trigger"), std::string::npos);
}

}  // namespace
}  // namespace field::onvif
