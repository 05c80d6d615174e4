// Twenty-four hours of a console left reading cards beside a lane, with time
// compressed: a card read every simulated second, a plate every simulated 30 s
// (both pictures written and shown) and live video at 25 frames per second of
// wall time. One simulated second is one card read; prints resident memory
// every simulated hour and checks that the session log holds every line.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "LiveConsole.h"
#include "MessagePane.h"
#include "PictureView.h"
#include "SoakCounters.h"

namespace {

constexpr int kTimeCompression = 200;
constexpr int kSimulatedSeconds = 24 * 3600;
constexpr int kSecondsPerHour = 3600;
constexpr int kSecondsPerPlate = 30;

struct LogCounts {
  long lines = 0, sent = 0, received = 0, decoded = 0;
  QStringList tail;
};

LogCounts CountLog(const QString& path, int tailLines) {
  LogCounts counts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return counts;
  while (!file.atEnd()) {
    const QString line =
        QString::fromUtf8(file.readLine()).chopped(1).mid(SessionLog::kStampLength);
    ++counts.lines;
    if (line.startsWith(QStringLiteral("发送 "))) ++counts.sent;
    if (line.startsWith(QStringLiteral("接收 "))) ++counts.received;
    if (line.startsWith(QStringLiteral("读卡"))) ++counts.decoded;
    counts.tail.append(line);
    if (counts.tail.size() > tailLines) counts.tail.removeFirst();
  }
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir folder;
  const QString logPath = folder.filePath(QStringLiteral("session.log"));

  virtual_lane::LaneTimings timings;
  timings.carPeriodMs = 0;  // the soak presses "手动补拍" every simulated 30 s instead
  timings.plateDelayMs /= kTimeCompression;
  timings.cardReplyDelayMs = std::max(1, timings.cardReplyDelayMs / kTimeCompression);
  timings.gateCloseDelayMs /= kTimeCompression;
  LiveConsole console(
      timings, folder.path(),
      [](int milliseconds) { SleepingPause(milliseconds / kTimeCompression); }, logPath);
  TfmVideoStream& window = *console.window;
  window.show();
  console.Connect();

  long decoded = 0;
  QElapsedTimer wall;
  wall.start();
  const long startKb = ResidentKilobytes();
  std::printf("soak: time compressed %dx; resident memory at start %ld KB\n", kTimeCompression,
              startKb);
  std::fflush(stdout);
  long hourTwelveKb = 0;

  // The window's own handler runs first: after it, both views must show new pictures.
  const PlatesShown plates(window);
  // Connected after the window's own handler: a reply that decoded has just
  // put its card line at the end of the pane.
  QObject::connect(window.sdk1, &camera::Tsdk::OnZELIPCSDKTransSerialPort, [&] {
    const MessagePane& pane = *window.memMessage;
    if (!pane.Line(pane.LineCount() - 1).startsWith(QStringLiteral("读卡"))) return;
    ++decoded;
    if (decoded % kSecondsPerPlate == 0) window.BitBtn2->click();
    if (decoded % kSecondsPerHour == 0) {
      const long kb = ResidentKilobytes();
      if (decoded / kSecondsPerHour == 12) hourTwelveKb = kb;
      std::printf("hour %2ld: resident %ld KB, replies decoded %ld, plates %ld, wall %.0f s\n",
                  decoded / kSecondsPerHour, kb, decoded, plates.raised, wall.elapsed() / 1000.0);
      std::fflush(stdout);
    }
    if (decoded == kSimulatedSeconds) {
      window.chkReadCard->setChecked(false);
      QTimer::singleShot(500, [] { QApplication::quit(); });  // the last plate settles
    }
  });

  window.tmReadCard->setInterval(1000 / kTimeCompression);
  window.chkReadCard->setChecked(true);
  application.exec();

  const long endKb = ResidentKilobytes();
  const LogCounts log = CountLog(logPath, TfmVideoStream::kPaneLineLimit);
  const QStringList pane = window.memMessage->Lines();
  const virtual_lane::Lane* lane = console.world.LaneAt(LiveConsole::kLaneAddress);

  std::printf("end: resident %ld KB (start %ld KB, hour 12 %ld KB, growth 12→24 %ld KB)\n", endKb,
              startKb, hourTwelveKb, endKb - hourTwelveKb);
  std::printf(
      "frames sent %ld, lane accepted %d, replies received %ld, replies decoded %ld "
      "(pane count %ld), plate events %ld, both pictures shown %ld\n",
      log.sent, lane->CommandsAccepted(), log.received, log.decoded, decoded, plates.raised,
      plates.shown);
  std::printf("session log: %ld lines; pane: %lld lines, identical to the log's last lines: %s\n",
              log.lines, static_cast<long long>(pane.size()), pane == log.tail ? "yes" : "NO");
  std::printf("error reports: %lld\n", static_cast<long long>(console.boxes.texts.size()));
  for (const QString& text : console.boxes.texts)
    std::printf("  error: %s\n", qUtf8Printable(text));
  std::printf("wall time %.0f s\n", wall.elapsed() / 1000.0);

  const bool ok = decoded == kSimulatedSeconds && log.decoded == decoded &&
                  log.sent == log.received && pane == log.tail &&
                  plates.raised == kSimulatedSeconds / kSecondsPerPlate &&
                  plates.shown == plates.raised && console.boxes.texts.isEmpty();
  return ok ? 0 : 1;
}
