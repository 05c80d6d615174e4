// Plates pushed over HTTP on 127.0.0.1 to the console's receiver, with the
// virtual lane's own pictures (a 1920x1080 scene and its close-up).
// plate-push: posting a plate to its text in edtPlate, over the 40 ms frame
// interval. plate-push-load: 200 plates a second over the plates a second the
// receiver accepts and raises, four clients posting as fast as they can, the
// plate handler's pauses made zero.
#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "ConsoleFace.h"
#include "FieldLaneConsole.h"
#include "LiveConsole.h"
#include "Measures.h"
#include "RunEventLoop.h"
#include "ThreadPriority.h"
#include "VirtualLane.h"

namespace {

constexpr int kPlates = 25;
constexpr int kLoadClients = 4;
constexpr int kLoadPlatesEach = 500;
constexpr double kFrameIntervalMs = 40;
constexpr double kTargetPlatesPerSecond = 200;

std::string Body(const std::string& plate, const std::string& scene, const std::string& closeup) {
  return R"({"camera": "127.0.0.1", "plate": ")" + plate + R"(", "scene_jpeg": ")" + scene +
         R"(", "closeup_jpeg": ")" + closeup + "\"}";
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();

  virtual_lane::VirtualLaneWorld world(virtual_lane::LaneTimings{.carPeriodMs = 0});
  const auto event = world.LaneAt(QStringLiteral("127.0.0.1"))->Recognise();
  const auto base64 = [](const std::vector<std::uint8_t>& jpeg) {
    return QByteArray(reinterpret_cast<const char*>(jpeg.data()),
                      static_cast<qsizetype>(jpeg.size()))
        .toBase64()
        .toStdString();
  };
  const std::string scene = base64(event->sceneJpeg);
  const std::string closeup = base64(event->closeUpJpeg);

  QTemporaryDir folder;
  CountingMessageBoxes boxes;
  field::FieldLaneSettings lane;
  lane.plates = field::PlateListenSettings{};
  lane.plates->host = QStringLiteral("127.0.0.1");
  FieldLaneConsole console(lane, boxes, folder.path(), QString(), [](int) {});
  console.window->show();
  const quint16 port = console.plates->Port();

  QElapsedTimer clock;
  clock.start();
  qint64 shownAt = -1;
  QObject::connect(console.window->edtPlate, &QLineEdit::textChanged,
                   [&] { shownAt = clock.nsecsElapsed(); });
  std::vector<double> pushMs;
  for (int plate = 0; plate < kPlates; ++plate) {
    shownAt = -1;
    const qint64 sentAt = clock.nsecsElapsed();
    std::thread sender([&, plate] {
      httplib::Client client("127.0.0.1", port);
      client.Post("/plates", Body("粤B" + std::to_string(10000 + plate), scene, closeup),
                  "application/json");
    });
    const bool shown = RunEventLoopUntil([&] { return shownAt >= 0; }, 10000);
    sender.join();
    if (!shown) {
      std::fprintf(stderr, "plate_push_bench: a pushed plate was not shown\n");
      return 1;
    }
    pushMs.push_back((shownAt - sentAt) / 1e6);
    RunEventLoopFor(20);
  }

  // The load: every answer counted, every accepted plate raised.
  std::atomic<int> accepted = 0;
  std::atomic<int> refused = 0;
  std::atomic<int> finished = 0;
  int raised = 0;
  QObject::connect(console.sdk.get(), &camera::SdkBackend::OnZELIPCSDKPlate, [&] { ++raised; });
  const qint64 loadStart = clock.nsecsElapsed();
  std::vector<std::thread> clients;
  for (int client = 0; client < kLoadClients; ++client) {
    clients.emplace_back([&, client] {
      // The clients stand for cameras on other machines: they take no core
      // from the console's window.
      field::YieldProcessorToWindow();
      httplib::Client http("127.0.0.1", port);
      for (int plate = 0; plate < kLoadPlatesEach; ++plate) {
        const auto answer = http.Post(
            "/plates", Body("粤L" + std::to_string(client * 1000 + plate), scene, closeup),
            "application/json");
        (answer && answer->status == 200 ? accepted : refused)++;
      }
      ++finished;
    });
  }
  RunEventLoopUntil([&] { return finished == kLoadClients && raised >= accepted; }, 120000);
  const double loadSeconds = (clock.nsecsElapsed() - loadStart) / 1e9;
  for (auto& client : clients) client.join();
  const double acceptedPerSecond = accepted / loadSeconds;

  std::printf(
      "plate push: median %.1f ms from posting to the plate text (fastest %.1f, slowest %.1f) "
      "over %d plates with a %zu-byte scene and a %zu-byte close-up\n",
      Median(pushMs), *std::min_element(pushMs.begin(), pushMs.end()),
      *std::max_element(pushMs.begin(), pushMs.end()), kPlates, event->sceneJpeg.size(),
      event->closeUpJpeg.size());
  std::printf(
      "plate push load: %d accepted and raised (%d raised), %d answered 503, in %.2f s: %.0f "
      "plates/s\n",
      accepted.load(), raised, refused.load(), loadSeconds, acceptedPerSecond);
  std::printf("ratio plate-push %.3f\n", Median(pushMs) / kFrameIntervalMs);
  std::printf("ratio plate-push-load %.3f\n", kTargetPlatesPerSecond / acceptedPerSecond);
  return boxes.texts.isEmpty() ? 0 : 1;
}
