// From pressing "读智能卡" to the decoded card line in the pane, against the
// virtual lane, divided by the lane's own reply delay.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "LiveConsole.h"
#include "MessagePane.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir pictures;
  virtual_lane::LaneTimings timings;
  timings.carPeriodMs = 0;
  LiveConsole console(timings, pictures.path(), SleepingPause);
  console.window->show();
  console.Connect();

  constexpr int kPresses = 25;
  std::vector<double> milliseconds;
  for (int press = 0; press < kPresses; ++press) {
    QEventLoop untilDecoded;
    const auto watch = QObject::connect(console.window->memMessage, &MessagePane::LineAppended,
                                        [&](const QString& line) {
                                          if (line.startsWith(QStringLiteral("读卡")))
                                            untilDecoded.quit();
                                        });
    QTimer::singleShot(5000, &untilDecoded, [&] { untilDecoded.exit(1); });
    QElapsedTimer clock;
    clock.start();
    console.window->BitBtn8->click();
    const int failed = untilDecoded.exec();
    milliseconds.push_back(clock.nsecsElapsed() / 1e6);
    QObject::disconnect(watch);
    if (failed != 0) {
      std::fprintf(stderr, "card_reply_bench: no decoded card line within 5 s\n");
      return 1;
    }
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  const double median = milliseconds[milliseconds.size() / 2];
  std::printf(
      "card reply: median %.1f ms, fastest %.1f ms, slowest %.1f ms over %d presses; "
      "lane reply delay %d ms\n",
      median, milliseconds.front(), milliseconds.back(), kPresses, timings.cardReplyDelayMs);
  std::printf("ratio card-reply %.3f\n", median / timings.cardReplyDelayMs);
  return console.boxes.texts.isEmpty() ? 0 : 1;
}
