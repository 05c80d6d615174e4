// Appending one line to the message pane and the session log must cost the
// same after a million lines as after a thousand.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "LiveConsole.h"
#include "MessagePane.h"

namespace {

constexpr int kBatch = 1000;
constexpr int kBatches = 5;

QString Line(long number) {
  return QStringLiteral("接收 127.0.0.1: 55 D5 44 00 00 00 01 00 1A 3C 5E A2 %1 ").arg(number);
}

// Median time per line over a few batches appended now.
double MeasureMicroseconds(TfmVideoStream& window, long& appended) {
  std::vector<double> perLine;
  for (int batch = 0; batch < kBatches; ++batch) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kBatch; ++i) window.AppendMessage(Line(++appended));
    perLine.push_back(clock.nsecsElapsed() / 1e3 / kBatch);
  }
  std::sort(perLine.begin(), perLine.end());
  return perLine[perLine.size() / 2];
}

void AppendUntil(TfmVideoStream& window, long& appended, long total) {
  while (appended < total) window.AppendMessage(Line(++appended));
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir folder;
  LiveConsole console(virtual_lane::LaneTimings{.carPeriodMs = 0}, folder.path(), SleepingPause,
                      folder.filePath(QStringLiteral("session.log")));
  TfmVideoStream& window = *console.window;

  long appended = 0;
  AppendUntil(window, appended, 1000);
  const double early = MeasureMicroseconds(window, appended);
  AppendUntil(window, appended, 1000000);
  const double late = MeasureMicroseconds(window, appended);

  std::printf(
      "log append: %.1f us per line after 1,000 lines, %.1f us after 1,000,000 "
      "(pane holds %d lines)\n",
      early, late, window.memMessage->LineCount());
  std::printf("ratio log-append %.3f\n", late / early);
  return 0;
}
