// The console on a real line: lanesim behind a pseudo-terminal at 9600 baud.
// serial-card-reply: "读智能卡" to the decoded card line, over the physical
// minimum (the request's and the reply's line time plus the lane's reply
// delay). serial-reconnect: from the port coming back to the first card read
// that succeeds, over 2 s.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "ConsoleFace.h"
#include "FieldLaneConsole.h"
#include "LaneSimProcess.h"
#include "LiveConsole.h"
#include "Measures.h"
#include "MessagePane.h"
#include "RunEventLoop.h"

namespace {

using lanesim::testing::LaneSimProcess;

constexpr int kBaud = 9600;
constexpr int kReadCardBytes = 16;
constexpr int kCardReplyBytes = 28;
constexpr int kLaneReplyDelayMs = 80;
constexpr int kPresses = 25;
constexpr int kOutages = 7;
// Long enough for the console's retries to reach their longest interval.
constexpr int kOutageMs = 3000;
constexpr int kGiveUpMs = 10000;

// Waits for a pane line starting with `start`, appended from now on.
bool WaitForLine(TfmVideoStream& window, const QString& start, int timeoutMs) {
  QEventLoop loop;
  const auto watch =
      QObject::connect(window.memMessage, &MessagePane::LineAppended, [&](const QString& line) {
        if (line.startsWith(start)) loop.quit();
      });
  QTimer::singleShot(timeoutMs, &loop, [&] { loop.exit(1); });
  const bool seen = loop.exec() == 0;
  QObject::disconnect(watch);
  return seen;
}

std::unique_ptr<LaneSimProcess> StartLaneSim(const QString& link) {
  auto lanesim = std::make_unique<LaneSimProcess>(
      QStringList{"--pty", link, "--baud", QString::number(kBaud), "--quiet"});
  return lanesim->Started() ? std::move(lanesim) : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir folder;
  const QString link = folder.filePath(QStringLiteral("lane-tty"));
  std::unique_ptr<LaneSimProcess> lanesim = StartLaneSim(link);
  if (!lanesim) {
    std::fprintf(stderr, "serial_bench: lanesim did not start\n");
    return 1;
  }

  field::LineSettings line;
  line.port = link;
  line.baud = kBaud;
  CountingMessageBoxes boxes;
  FieldLaneConsole console(field::FieldLaneSettings{line, std::nullopt}, boxes, folder.path());
  TfmVideoStream& window = *console.window;
  window.show();
  window.edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  window.BitBtn1->click();
  if (!RunEventLoopUntil([&] { return console.fieldCamera->Line()->IsUp(); }, kGiveUpMs)) {
    std::fprintf(stderr, "serial_bench: the line did not open\n");
    return 1;
  }

  std::vector<double> replyMs;
  for (int press = 0; press < kPresses; ++press) {
    QElapsedTimer clock;
    clock.start();
    window.BitBtn8->click();
    if (!WaitForLine(window, QStringLiteral("读卡 控制器"), kGiveUpMs)) {
      std::fprintf(stderr, "serial_bench: no decoded card line within %d ms\n", kGiveUpMs);
      return 1;
    }
    replyMs.push_back(clock.nsecsElapsed() / 1e6);
  }
  const double minimumMs =
      (kReadCardBytes + kCardReplyBytes) * 10 * 1000.0 / kBaud + kLaneReplyDelayMs;

  std::vector<double> reconnectMs;
  for (int outage = 0; outage < kOutages; ++outage) {
    lanesim.reset();
    RunEventLoopFor(kOutageMs);
    lanesim = StartLaneSim(link);
    if (!lanesim) {
      std::fprintf(stderr, "serial_bench: lanesim did not start again\n");
      return 1;
    }
    // The port is back: the engineer presses 读智能卡 until a card shows.
    QElapsedTimer clock;
    clock.start();
    RunEventLoopUntil([&] { return console.fieldCamera->Line()->IsUp(); }, kGiveUpMs);
    window.BitBtn8->click();
    if (!WaitForLine(window, QStringLiteral("读卡 控制器"), kGiveUpMs)) {
      std::fprintf(stderr, "serial_bench: no card read after the port came back\n");
      return 1;
    }
    reconnectMs.push_back(clock.nsecsElapsed() / 1e6);
  }

  const double reply = Median(replyMs);
  const double reconnect = Median(reconnectMs);
  std::printf(
      "serial card reply at %d baud: median %.1f ms (fastest %.1f, slowest %.1f) over %d presses; "
      "physical minimum %.1f ms\n",
      kBaud, reply, *std::min_element(replyMs.begin(), replyMs.end()),
      *std::max_element(replyMs.begin(), replyMs.end()), kPresses, minimumMs);
  std::printf(
      "serial reconnect: port back to first card read, median %.0f ms (fastest %.0f, slowest "
      "%.0f) over %d outages of %d ms\n",
      reconnect, *std::min_element(reconnectMs.begin(), reconnectMs.end()),
      *std::max_element(reconnectMs.begin(), reconnectMs.end()), kOutages, kOutageMs);
  std::printf("ratio serial-card-reply %.3f\n", reply / minimumMs);
  std::printf("ratio serial-reconnect %.3f\n", reconnect / 2000.0);
  return 0;
}
