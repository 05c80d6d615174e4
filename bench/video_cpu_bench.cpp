// CPU time the console spends showing the virtual lane's live video at
// 25 frames per second, as a fraction of one core.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "LiveConsole.h"
#include "Measures.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  UseConsoleFace();
  QTemporaryDir pictures;
  LiveConsole console(virtual_lane::LaneTimings{}, pictures.path(), SleepingPause);
  console.window->show();
  console.Connect();

  constexpr int kWarmUpMs = 1000;
  constexpr int kMeasureMs = 10000;
  QTimer::singleShot(kWarmUpMs, [] { QApplication::exit(); });
  application.exec();

  const double cpuBefore = ProcessCpuSeconds();
  QTimer::singleShot(kMeasureMs, [] { QApplication::exit(); });
  application.exec();
  const double cpu = ProcessCpuSeconds() - cpuBefore;

  std::printf("video: %.3f s of CPU in %.1f s of live video\n", cpu, kMeasureMs / 1000.0);
  std::printf("ratio video-cpu %.4f\n", cpu / (kMeasureMs / 1000.0));
  return console.boxes.texts.isEmpty() ? 0 : 1;
}
