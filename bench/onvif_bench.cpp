// The console with --camera onvif:// against lanesim's ONVIF camera on 127.0.0.1.
// onvif-connect: 连接 to the first video frame through the camera (device,
// media, stream address, then RTSP) over the same with --video naming the
// stream directly, medians of alternating runs against the real lanesim.
// onvif-plate: the lane raising a plate to its text in the window, over the
// 40 ms frame interval; onvif-gate: 开闸 pressed to the lane's relay active,
// over the same. For these two the lane and its ONVIF camera run in this
// process on a thread of their own, so both ends read one clock.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "FieldLaneConsole.h"
#include "Lane.h"
#include "LaneSimProcess.h"
#include "LiveConsole.h"
#include "Measures.h"
#include "RadioGroup.h"
#include "RunEventLoop.h"
#include "SimulatedCamera.h"

namespace {

using Clock = std::chrono::steady_clock;
using lanesim::testing::LaneSimProcess;

constexpr double kFrameIntervalMs = 40;
constexpr int kConnectRuns = 15;
constexpr int kPlates = 20;
constexpr int kGateOpenings = 10;
// The relay falls back after its 1 s pulse before the next opening.
constexpr int kBetweenOpeningsMs = 1300;
constexpr int kGiveUpMs = 20000;

double MillisecondsSince(Clock::time_point start, Clock::time_point end) {
  return std::chrono::duration<double, std::milli>(end - start).count();
}

int Fail(const char* what) {
  std::fprintf(stderr, "onvif_bench: %s\n", what);
  return 1;
}

field::FieldLaneSettings CameraLane(quint16 port) {
  field::FieldLaneSettings lane;
  QString error;
  lane.camera =
      field::ParseCameraUrl(QStringLiteral("onvif://admin@{address}:%1").arg(port), error);
  lane.camera->password = QStringLiteral("admin");
  return lane;
}

std::unique_ptr<FieldLaneConsole> ConnectedConsole(const field::FieldLaneSettings& lane,
                                                   CountingMessageBoxes& boxes,
                                                   const QString& folder) {
  auto console = std::make_unique<FieldLaneConsole>(lane, boxes, folder, QString(), [](int) {});
  console->window->edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  return console;
}

// 连接 to the first frame the console's video shows, in ms; nothing on a time-out.
std::optional<double> FirstFrameMs(const field::FieldLaneSettings& lane,
                                   CountingMessageBoxes& boxes, const QString& folder) {
  std::unique_ptr<FieldLaneConsole> console = ConnectedConsole(lane, boxes, folder);
  std::atomic<bool> shown{false};
  std::atomic<Clock::rep> shownAt{0};
  field::StreamVideo* video = console->Video();
  video->SetFrameObserver([&](const QImage&) {
    if (!shown.exchange(true)) shownAt = Clock::now().time_since_epoch().count();
  });
  const Clock::time_point pressed = Clock::now();
  console->window->BitBtn1->click();
  if (!RunEventLoopUntil([&] { return shown.load(); }, kGiveUpMs)) return std::nullopt;
  const double ms = MillisecondsSince(pressed, Clock::time_point(Clock::duration(shownAt.load())));
  video->SetFrameObserver({});
  return ms;
}

// The lane and its ONVIF camera on a thread of their own.
class InProcessCamera {
 public:
  InProcessCamera() {
    thread_.start();
    home_.moveToThread(&thread_);
    QMetaObject::invokeMethod(
        &home_,
        [this] {
          virtual_lane::LaneTimings timings;
          timings.carPeriodMs = 0;  // cars only when asked
          lane_ = std::make_unique<virtual_lane::Lane>(QStringLiteral("127.0.0.1"), timings);
          QString error;
          camera_ = lanesim::onvif::SimulatedCamera::Start(*lane_, 0, lanesim::onvif::Settings{},
                                                           std::nullopt, error);
          if (!camera_) return;
          port_ = static_cast<quint16>(QUrl(camera_->DeviceServiceUrl()).port());
          QObject::connect(lane_.get(), &virtual_lane::Lane::PlateRecognised,
                           [this] { raised_ = Clock::now().time_since_epoch().count(); });
          QObject::connect(camera_.get(), &lanesim::onvif::SimulatedCamera::Note,
                           [this](const QString& line) {
                             if (line.contains(QStringLiteral("barrier opening"))) {
                               relayActive_ = Clock::now().time_since_epoch().count();
                             }
                           });
        },
        Qt::BlockingQueuedConnection);
  }

  ~InProcessCamera() {
    QMetaObject::invokeMethod(
        &home_,
        [this] {
          camera_.reset();
          lane_.reset();
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
  }

  quint16 Port() const { return port_; }
  void Recognise() {
    QMetaObject::invokeMethod(&home_, [this] { lane_->Recognise(); });
  }
  Clock::time_point Raised() const { return Clock::time_point(Clock::duration(raised_.load())); }
  Clock::time_point RelayActive() const {
    return Clock::time_point(Clock::duration(relayActive_.load()));
  }

 private:
  QThread thread_;
  QObject home_;
  std::unique_ptr<virtual_lane::Lane> lane_;
  std::unique_ptr<lanesim::onvif::SimulatedCamera> camera_;
  quint16 port_ = 0;
  std::atomic<Clock::rep> raised_{0};
  std::atomic<Clock::rep> relayActive_{0};
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir folder;
  CountingMessageBoxes boxes;

  // onvif-connect, against the real lanesim.
  LaneSimProcess lanesim({"--onvif", "0", "--rtsp", "0", "--quiet"});
  if (!lanesim.WaitForLineStarting(QStringLiteral("lanesim: onvif on "))) {
    return Fail("lanesim did not start");
  }
  const QString said = lanesim.Lines().join('\n');
  const QRegularExpressionMatch onvif =
      QRegularExpression(QStringLiteral("onvif on http://[0-9.]+:(\\d+)/")).match(said);
  const QRegularExpressionMatch video =
      QRegularExpression(QStringLiteral("video on (rtsp://\\S+)")).match(said);
  if (!onvif.hasMatch() || !video.hasMatch()) return Fail("lanesim said no address");
  const field::FieldLaneSettings throughCamera =
      CameraLane(static_cast<quint16>(onvif.captured(1).toUInt()));
  field::FieldLaneSettings direct;
  direct.video = field::VideoSettings{video.captured(1), field::VideoSettings().latencyMs};
  std::vector<double> cameraMs;
  std::vector<double> directMs;
  for (int run = 0; run < kConnectRuns; ++run) {
    const std::optional<double> viaCamera = FirstFrameMs(throughCamera, boxes, folder.path());
    const std::optional<double> viaUrl = FirstFrameMs(direct, boxes, folder.path());
    if (!viaCamera || !viaUrl) return Fail("no first frame");
    cameraMs.push_back(*viaCamera);
    directMs.push_back(*viaUrl);
  }
  const double connectCamera = Median(cameraMs);
  const double connectDirect = Median(directMs);
  std::printf(
      "connect to first frame: through the camera %.1f ms, --video %.1f ms (medians of %d)\n",
      connectCamera, connectDirect, kConnectRuns);

  // onvif-plate and onvif-gate, the camera in process.
  InProcessCamera camera;
  if (camera.Port() == 0) return Fail("the in-process camera did not start");
  std::unique_ptr<FieldLaneConsole> console =
      ConnectedConsole(CameraLane(camera.Port()), boxes, folder.path());
  TfmVideoStream& window = *console->window;
  window.BitBtn1->click();
  if (!RunEventLoopUntil([&] { return console->onvifCamera->EventsSubscribed(); }, kGiveUpMs)) {
    return Fail("the console did not subscribe to the camera's events");
  }
  std::atomic<Clock::rep> shownAt{0};
  QObject::connect(window.sdk1, &camera::Tsdk::OnZELIPCSDKPlate,
                   [&] { shownAt = Clock::now().time_since_epoch().count(); });
  std::vector<double> plateMs;
  for (int plate = 0; plate < kPlates; ++plate) {
    shownAt = 0;
    camera.Recognise();
    if (!RunEventLoopUntil([&] { return shownAt.load() != 0; }, kGiveUpMs)) {
      return Fail("a plate was not shown");
    }
    plateMs.push_back(
        MillisecondsSince(camera.Raised(), Clock::time_point(Clock::duration(shownAt.load()))));
    RunEventLoopFor(100);
  }

  window.rgpSystemType->Button(0)->click();  // the simple lane: the camera opens the gate
  std::vector<double> gateMs;
  for (int opening = 0; opening < kGateOpenings; ++opening) {
    const Clock::time_point pressed = Clock::now();
    window.BitBtn3->click();
    if (!RunEventLoopUntil([&] { return camera.RelayActive() > pressed; }, kGiveUpMs)) {
      return Fail("the relay did not become active");
    }
    gateMs.push_back(MillisecondsSince(pressed, camera.RelayActive()));
    RunEventLoopFor(kBetweenOpeningsMs);
  }
  const double plate = Median(plateMs);
  const double gate = Median(gateMs);
  std::printf(
      "plate raised to its text: median %.1f ms of %d; 开闸 to the relay: median %.1f ms of %d\n",
      plate, kPlates, gate, kGateOpenings);
  std::printf("error reports: %lld\n", static_cast<long long>(boxes.texts.size()));

  std::printf("ratio onvif-connect %.3f\n", connectCamera / connectDirect);
  std::printf("ratio onvif-plate %.3f\n", plate / kFrameIntervalMs);
  std::printf("ratio onvif-gate %.3f\n", gate / kFrameIntervalMs);
  return 0;
}
