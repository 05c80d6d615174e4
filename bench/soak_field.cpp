// A field lane left running for hours, at wall-clock pace: lanesim on a
// pseudo-terminal at 115,200 baud with the console reading the card every
// 100 ms, and as the lane's ONVIF camera naming its RTSP video; a car every
// 2 s whose plate comes twice, pushed over HTTP and as the camera's event.
// The console runs in a real window (run it under Xvfb:
// scripts/soak-field.sh). Prints resident memory every 10 minutes and at the
// end what was sent, decoded, pushed and shown.
//
// soak_field MINUTES
#include <signal.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ConsoleFace.h"
#include "FieldLaneConsole.h"
#include "LaneSimProcess.h"
#include "LineSettings.h"
#include "LiveConsole.h"
#include "MessagePane.h"
#include "PictureView.h"
#include "RunEventLoop.h"
#include "SessionLog.h"
#include "SoakCounters.h"
#include "StreamVideo.h"

namespace {

using lanesim::testing::LaneSimProcess;

constexpr int kCardReadMs = 100;
constexpr int kCarEveryMs = 2000;
constexpr int kReportEveryMs = 10 * 60 * 1000;
constexpr int kSettleMs = 3000;

quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

struct LogCounts {
  long sent = 0, received = 0, decoded = 0, lineLost = 0, lineBack = 0, other = 0;
};

LogCounts CountLog(const QString& path) {
  LogCounts counts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return counts;
  while (!file.atEnd()) {
    const QString line =
        QString::fromUtf8(file.readLine()).chopped(1).mid(SessionLog::kStampLength);
    if (line.startsWith(QStringLiteral("发送 "))) {
      ++counts.sent;
    } else if (line.startsWith(QStringLiteral("接收 "))) {
      ++counts.received;
    } else if (line.startsWith(QStringLiteral("读卡"))) {
      ++counts.decoded;
    } else if (line.contains(QStringLiteral("不可用"))) {
      ++counts.lineLost;
    } else if (line.contains(QStringLiteral("已恢复"))) {
      ++counts.lineBack;
    } else {
      ++counts.other;
      std::printf("  pane: %s\n", qUtf8Printable(line));
    }
  }
  return counts;
}

void Say(const char* format, auto... values) {
  std::printf(format, values...);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseConsoleFace();
  const QStringList arguments = QApplication::arguments();
  bool ok = false;
  const int minutes = arguments.value(1).toInt(&ok);
  if (!ok || minutes < 1) {
    std::fprintf(stderr, "usage: soak_field MINUTES\n");
    return 2;
  }

  QTemporaryDir folder;
  const QString link = folder.filePath(QStringLiteral("lane-tty"));
  const quint16 rtspPort = FreePort();
  const quint16 onvifPort = FreePort();
  const QString logPath = folder.filePath(QStringLiteral("session.log"));

  field::FieldLaneSettings lane;
  QString problem;
  field::LineSettingTexts line;
  line.port = link;
  line.baud = QStringLiteral("115200");
  line.dataBits = QStringLiteral("8");
  line.parity = QStringLiteral("none");
  line.stopBits = QStringLiteral("1");
  lane.serial = field::ParseLineSettings(line, problem);
  if (!lane.serial) {
    std::fprintf(stderr, "soak_field: %s\n", qUtf8Printable(problem));
    return 1;
  }
  lane.camera =
      field::ParseCameraUrl(QStringLiteral("onvif://admin@{address}:%1").arg(onvifPort), problem);
  if (!lane.camera) {
    std::fprintf(stderr, "soak_field: %s\n", qUtf8Printable(problem));
    return 1;
  }
  lane.camera->password = QStringLiteral("admin");
  lane.plates.emplace();
  lane.plates->host = QStringLiteral("127.0.0.1");
  CountingMessageBoxes boxes;
  FieldLaneConsole console(lane, boxes, folder.path(), logPath);
  TfmVideoStream& window = *console.window;
  window.resize(1280, 800);
  window.show();

  LaneSimProcess lanesim({QStringLiteral("--pty"), link, QStringLiteral("--baud"),
                          QStringLiteral("115200"), QStringLiteral("--rtsp"),
                          QString::number(rtspPort), QStringLiteral("--onvif"),
                          QString::number(onvifPort), QStringLiteral("--push"),
                          QStringLiteral("http://127.0.0.1:%1/plates").arg(console.plates->Port()),
                          QStringLiteral("--quiet")});
  if (!lanesim.Started()) {
    std::fprintf(stderr, "soak_field: lanesim did not start\n");
    return 1;
  }

  long videoStarts = 0;
  QObject::connect(console.Video(), &field::StreamVideo::Playing, [&] { ++videoStarts; });
  const PlatesShown plates(window);

  window.edtCameraIP->setText(QStringLiteral("127.0.0.1"));
  window.BitBtn1->click();
  if (!RunEventLoopUntil([&] { return console.onvifCamera->EventsSubscribed(); }, kSettleMs)) {
    std::fprintf(stderr, "soak_field: the console did not subscribe to the camera's events\n");
    return 1;
  }
  RunEventLoopFor(kSettleMs);

  QElapsedTimer wall;
  wall.start();
  const long startKb = ResidentKilobytes();
  Say("soak_field: %d minutes; resident memory at start %ld KB\n", minutes, startKb);

  QTimer cars;
  long carsSent = 0;
  const qint64 lanesimPid = lanesim.Process().processId();
  QObject::connect(&cars, &QTimer::timeout, [&] {
    ::kill(lanesimPid, SIGUSR1);
    ++carsSent;
  });
  cars.start(kCarEveryMs);
  QTimer report;
  QObject::connect(&report, &QTimer::timeout, [&] {
    Say("minute %3lld: resident %ld KB, plates shown %ld, video starts %ld\n",
        wall.elapsed() / 60000, ResidentKilobytes(), plates.shown, videoStarts);
  });
  report.start(kReportEveryMs);
  window.tmReadCard->setInterval(kCardReadMs);
  window.chkReadCard->setChecked(true);

  RunEventLoopFor(minutes * 60 * 1000);
  window.chkReadCard->setChecked(false);
  cars.stop();
  // The last reply and the last pushed plate settle.
  RunEventLoopFor(kSettleMs);

  const long endKb = ResidentKilobytes();
  const LogCounts log = CountLog(logPath);
  const long pushed = lanesim.Lines().filter(QStringLiteral(": 200")).size();
  Say("end after %.0f s: resident %ld KB (start %ld KB)\n", wall.elapsed() / 1000.0, endKb,
      startKb);
  Say("card reads sent %ld, replies received in %ld chunks, decoded %ld\n", log.sent, log.received,
      log.decoded);
  // Each car's plate comes twice: pushed, and as the camera's event. lanesim adds a car of its
  // own every 30 s.
  const long fromCamera = plates.raised - pushed;
  Say("cars asked for %ld: plates pushed and answered 200 %ld, from the camera's events %ld, both "
      "pictures shown %ld of %ld\n",
      carsSent, pushed, fromCamera, plates.shown, plates.raised);
  Say("serial line lost %ld, back %ld; video starts %ld; error boxes %lld\n", log.lineLost,
      log.lineBack, videoStarts, static_cast<long long>(boxes.texts.size()));
  for (const QString& text : boxes.texts) Say("  error: %s\n", qUtf8Printable(text));

  const bool nothingLost = log.sent == log.decoded && pushed >= carsSent && fromCamera == pushed &&
                           plates.shown == plates.raised && boxes.texts.isEmpty();
  Say("nothing lost: %s\n", nothingLost ? "yes" : "NO");
  return nothingLost ? 0 : 1;
}
